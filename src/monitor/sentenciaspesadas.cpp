#include "sentenciaspesadas.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <memory>

namespace monitor {

using namespace shell;

namespace {
const char *const kCampos[] = {"FECHA",    "MAQUINA_INSTANCIA", "SID",        "USERNAME", "OSUSER",  "MACHINE",
                               "TERMINAL", "PROGRAM",           "LOGON_TIME", "MAXCPU",   "SQL_TEXT"};
}

SentenciasPesadas::SentenciasPesadas(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("SENTENCIASPESADAS");
    setWindowTitle("Heavy Statements");
    LSentencias = new ResultGrid("LSentencias", this);
    LSentencias->grid()->setHeaders({"Sample", "Server", "SID", "User", "OS User", "Machine", "Terminal", "Program",
                                     "Logon", "CPU", "SQL Text"});
    connect(LSentencias, &ResultGrid::rowClicked, this, [this](int) { LSentencias_Click(); });
    SQL_Texto = new QPlainTextEdit(this);
    SQL_Texto->setObjectName("SQL_Texto");
    SQL_Texto->setReadOnly(true);
    GSentencias = new QPushButton("&Refresh", this);
    GSentencias->setObjectName("GSentencias");
    SSentencias = new QPushButton("E&xit", this);
    SSentencias->setObjectName("SSentencias");
    connect(GSentencias, &QPushButton::clicked, this, [this] { GSentencias_Click(); });
    connect(SSentencias, &QPushButton::clicked, this, [this] { SSentencias_Click(); });
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(LSentencias);
    split->addWidget(SQL_Texto);
    split->setStretchFactor(0, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GSentencias);
    buttons->addStretch(1);
    buttons->addWidget(SSentencias);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(split, 1);
    lay->addLayout(buttons);
    resize(900, 520);
    GSentencias_Click();
}

// Reads the whole record, newest sample first (and, within a sample, in the
// order it was taken: descending session id).
void SentenciasPesadas::GSentencias_Click()
{
    LSentencias->grid()->reset();
    SQL_Texto->clear();
    GuardedOperation op(m_ctx);
    std::unique_ptr<localdb::Recordset> rs;
    op.step([&] {
        Cursor_Ocupado(m_ctx);
        rs = m_ctx.repository->OpenRecordset("SELECT * FROM SENTENCIASPESADAS ORDER BY FECHA DESC, SID DESC");
    });
    std::vector<QStringList> rows;
    while (op.alive() && rs && !rs->IsEOF()) {
        op.step([&] {
            QStringList row;
            for (const char *campo : kCampos)
                row << qs(rs->Field(campo).toString());
            rows.push_back(std::move(row));
        });
        op.step([&] { rs->MoveNext(); });
    }
    if (rs)
        rs->Close();
    LSentencias->grid()->addRows(std::move(rows));
    LSentencias->fitColumns();
}

void SentenciasPesadas::LSentencias_Click()
{
    const int row = LSentencias->grid()->currentRow();
    SQL_Texto->setPlainText(LSentencias->grid()->text(row, 11));
}

void SentenciasPesadas::SSentencias_Click()
{
    closeForm(this);
}

} // namespace monitor
