#include "sinonimos.h"

#include "comun.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "nombrado.h"
#include "prompts.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMovie>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace schema {

using namespace shell;

namespace {

// Leaving the owner box: the Public box follows it.
class LostFocus : public QObject {
public:
    LostFocus(QObject *parent, std::function<void()> f) : QObject(parent), m_f(std::move(f)) {}
    bool eventFilter(QObject *, QEvent *e) override
    {
        if (e->type() == QEvent::FocusOut)
            m_f();
        return false;
    }

private:
    std::function<void()> m_f;
};

} // namespace

Sinonimos::Sinonimos(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("SINONIMOS");
    setWindowTitle("Sinonyms");

    SUsuarios = new QComboBox(this);
    SUsuarios->setObjectName("SUsuarios");
    SUsuarios->setEditable(true);
    SUsuarios->setMinimumContentsLength(16);
    LSinonimos = new ResultGrid("LSinonimos", this);
    LSinonimos->grid()->setHeaders({"Owner", "Synonyms", "Owner Table", "Table", "Database Link"});
    LSinonimos->fitColumns();
    connect(LSinonimos, &ResultGrid::rowDoubleClicked, this, [this](int) { LSinonimos_DblClick(); });

    Television = new QLabel(this);
    Television->setObjectName("Television");
    Television->setFixedSize(64, 48);
    const QString avi = qs(m_ctx.repositoryDirectory) + "SQLVigil.avi";
    if (QFileInfo::exists(avi)) {
        auto *movie = new QMovie(avi, {}, this);
        if (movie->isValid()) {
            m_movie = movie;
            Television->setMovie(movie);
        } else {
            delete movie;
        }
    }
    Television->setVisible(m_movie != nullptr);

    auto *list = new QWidget;
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel("Users"));
    top->addWidget(SUsuarios);
    top->addStretch(1);
    top->addWidget(Television);
    auto *listLay = new QVBoxLayout(list);
    listLay->addLayout(top);
    listLay->addWidget(LSinonimos, 1);

    auto edit = [this](const char *name) { return shell::nombrado<QLineEdit>(this, name); };
    TextOwner = edit("TextOwner");
    TextSynonym = edit("TextSynonym");
    TextOwnerTable = edit("TextOwnerTable");
    TextTable = edit("TextTable");
    TextDatabaseLink = edit("TextDatabaseLink");
    cbPublic = new QCheckBox("Public", this);
    cbPublic->setObjectName("cbPublic");
    connect(cbPublic, &QCheckBox::clicked, this, [this] { cbPublic_Click(); });
    TextOwner->installEventFilter(new LostFocus(TextOwner, [this] { TextOwner_LostFocus(); }));
    auto *editor = new QWidget;
    auto *form = new QFormLayout(editor);
    form->addRow("Owner", TextOwner);
    form->addRow("", cbPublic);
    form->addRow("Synonyms", TextSynonym);
    form->addRow("Owner Table", TextOwnerTable);
    form->addRow("Table", TextTable);
    form->addRow("Database Link", TextDatabaseLink);

    CarpetaSynonyms = new QTabWidget(this);
    CarpetaSynonyms->setObjectName("CarpetaSynonyms");
    CarpetaSynonyms->addTab(list, "Synonyms");
    CarpetaSynonyms->addTab(editor, "Synonym");
    connect(CarpetaSynonyms, &QTabWidget::currentChanged, this, [this](int tab) { CarpetaSynonyms_Click(tab); });

    auto button = [this](const char *name, const char *caption, void (Sinonimos::*slot)()) {
        auto *b = new QPushButton(caption, this);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, slot);
        return b;
    };
    GSinonimos = button("GSinonimos", "&Get Synonyms", &Sinonimos::GSinonimos_Click);
    CSinonimos = button("CSinonimos", "&Create Synonym", &Sinonimos::CSinonimos_Click);
    BSinonimos = button("BSinonimos", "&Drop Synonym", &Sinonimos::BSinonimos_Click);
    SSinonimos = button("SSinonimos", "&Exit", &Sinonimos::SSinonimos_Click);
    auto *buttons = new QHBoxLayout;
    for (auto *b : {GSinonimos, CSinonimos, BSinonimos})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(SSinonimos);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(CarpetaSynonyms, 1);
    lay->addLayout(buttons);
    tamanoInicial(this, 820, 460);
    CarpetaSynonyms_Click(0);

    GuardedOperation op(m_ctx);
    if (access::OraDatabase *db = conexion(m_ctx)) {
        op.step([&] { Cursor_Ocupado(m_ctx); });
        llenarLista(op, *db, "select username from dba_users order by username", "username", SUsuarios);
    }
}

void Sinonimos::GSinonimos_Click()
{
    if (m_movie)
        m_movie->start();
    LSinonimos->grid()->reset();
    GuardedOperation op(m_ctx);
    if (access::OraDatabase *db = conexion(m_ctx)) {
        op.step([&] { Cursor_Ocupado(m_ctx); });
        const QString owner = SUsuarios->currentText();
        const std::string filter = owner.isEmpty() ? "" : "WHERE OWNER = '" + lit(owner.toUpper()) + "'";
        std::vector<QStringList> rows;
        recorrer(op, *db,
                 "select owner, synonym_name, table_owner, table_name, nvl(db_link,'Null') db_link from dba_synonyms " +
                     filter + " order by synonym_name",
                 [&](const access::OraDynaset &ds) {
                     rows.push_back({qs(campo(ds, "owner")), qs(campo(ds, "synonym_name")), qs(campo(ds, "table_owner")),
                                     qs(campo(ds, "table_name")), qs(campo(ds, "db_link"))});
                 });
        LSinonimos->grid()->addRows(std::move(rows));
        LSinonimos->fitColumns();
    }
    if (m_movie)
        m_movie->stop();
}

void Sinonimos::LSinonimos_DblClick()
{
    auto *g = LSinonimos->grid();
    const int r = g->currentRow();
    TextOwner->setText(g->text(r, 1));
    TextSynonym->setText(g->text(r, 2));
    TextOwnerTable->setText(g->text(r, 3));
    TextTable->setText(g->text(r, 4));
    TextDatabaseLink->setText(g->text(r, 5));
    followOwner();
    CarpetaSynonyms->setCurrentIndex(1);
}

void Sinonimos::followOwner()
{
    cbPublic->setChecked(TextOwner->text().toUpper() == "PUBLIC");
}

void Sinonimos::cbPublic_Click() { followOwner(); }
void Sinonimos::TextOwner_LostFocus() { followOwner(); }

void Sinonimos::CarpetaSynonyms_Click(int tab)
{
    const bool list = tab == 0;
    GSinonimos->setEnabled(list);
    SSinonimos->setEnabled(list);
    CSinonimos->setEnabled(!list);
    BSinonimos->setEnabled(!list);
}

std::string Sinonimos::createStatement() const
{
    const std::string owner = nombreSql(ss(TextOwner->text().trimmed()));
    const std::string synonym = nombreSql(ss(TextSynonym->text().trimmed()));
    const std::string tableOwner = nombreSql(ss(TextOwnerTable->text().trimmed()));
    const std::string table = nombreSql(ss(TextTable->text().trimmed()));
    const QString linkText = TextDatabaseLink->text().trimmed();
    if (synonym.empty() || tableOwner.empty() || table.empty() || (!cbPublic->isChecked() && owner.empty()))
        return {};
    std::string s = cbPublic->isChecked() ? "CREATE PUBLIC SYNONYM " + synonym
                                          : "CREATE SYNONYM " + owner + "." + synonym;
    s += " FOR " + tableOwner + "." + table;
    if (!linkText.isEmpty() && linkText.toUpper() != "NULL") {
        const std::string link = enlaceSql(ss(linkText));
        if (link.empty())
            return {};
        s += "@" + link;
    }
    return s;
}

std::string Sinonimos::dropStatement() const
{
    const std::string synonym = nombreSql(ss(TextSynonym->text().trimmed()));
    const std::string owner = nombreSql(ss(TextOwner->text().trimmed()));
    if (synonym.empty() || (!cbPublic->isChecked() && owner.empty()))
        return {};
    return cbPublic->isChecked() ? "DROP PUBLIC SYNONYM " + synonym : "DROP SYNONYM " + owner + "." + synonym;
}

void Sinonimos::execute(const std::string &sql, const char *done)
{
    access::OraDatabase *db = conexion(m_ctx);
    if (!db)
        return;
    if (sql.empty()) {
        m_ctx.prompts.MsgBox("Debe entrar Owner, Synonyms, Owner Table y Table", vbExclamation, " ");
        return;
    }
    GuardedOperation op(m_ctx);
    bool sent = false;
    op.step([&] {
        Cursor_Ocupado(m_ctx);
        db->DbExecuteSQL(sql);
        sent = true;
    });
    if (!op.alive())
        return;
    op.finish();
    if (sent && db->LastServerErr() == 0)
        m_ctx.prompts.MsgBox(done, vbOKOnly, "SQL*Vigil");
}

void Sinonimos::CSinonimos_Click() { execute(createStatement(), kSinonimoCreado); }
void Sinonimos::BSinonimos_Click() { execute(dropStatement(), kSinonimoBorrado); }

void Sinonimos::SSinonimos_Click() { closeForm(this); }

} // namespace schema
