#include "pesos_io.h"

#include "appcontext.h"
#include "errores.h"
#include "fmpesosio.h"
#include "formutil.h"
#include "prompts.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <memory>

namespace monitor {

using namespace shell;

inline constexpr const char *kLongitudInvalida = "The disk name length must be a whole number from 1 to 513.";

std::string Expresion_Peso(const std::string &maximo)
{
    if (maximo.empty() || localdb::Value(maximo).toDouble() == 0)
        return "0";
    return "round(100*(x.phyrds+x.phywrts)/" + maximo + ",2)";
}

std::string Leer_Maximo(access::OraDatabase &db)
{
    auto dyn = db.DbCreateDynaset(kConsultaMaximo, 4);
    const access::OraValue v = dyn->IsEOF() ? access::OraValue() : dyn->Fields("max_total_view");
    dyn->Close();
    return v.isNull() ? "0" : v.toString();
}

long Numero_Entero(const QString &text, long min, long max)
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return -1;
    for (QChar c : t)
        if (!c.isDigit())
            return -1;
    bool ok = false;
    const long v = t.toLong(&ok);
    return ok && v >= min && v <= max ? v : -1;
}

PesosIO::PesosIO(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("PESOS_IO");
    setWindowTitle("I/O Meter");
    LPesosIO = new ResultGrid("LPesosIO", this);
    LPesosIO->grid()->setHeaders({"Discos", "DataFiles", "Lecturas", "Escrituras", "Total L/E", "% Lec/Esc"});
    Longitud_de_Discos = new QLineEdit("5", this);
    Longitud_de_Discos->setObjectName("Longitud_de_Discos");
    Longitud_de_Discos->setMaximumWidth(60);
    auto *label = new QLabel("Disk Len Name (Characters)", this);
    label->setBuddy(Longitud_de_Discos);
    Ver_Datafiles = new QRadioButton("Data&files", this);
    Ver_Datafiles->setObjectName("Ver_Datafiles");
    Ver_Datafiles->setChecked(true);
    Ver_Discos = new QRadioButton("&Disk", this);
    Ver_Discos->setObjectName("Ver_Discos");
    auto button = [this](QPushButton *&b, const char *name, const char *caption) {
        b = new QPushButton(caption, this);
        b->setObjectName(name);
    };
    button(GPesos_IO, "GPesos_IO", "&Get I/O");
    button(Imprimir_Pesos_I_O, "Imprimir_Pesos_I_O", "&Print");
    button(AMPesosIO, "AMPesosIO", "Grap&h");
    button(PIOSalir, "PIOSalir", "&Exit");
    connect(GPesos_IO, &QPushButton::clicked, this, [this] { GPesos_IO_Click(); });
    connect(Imprimir_Pesos_I_O, &QPushButton::clicked, this, [this] { Imprimir_Pesos_I_O_Click(); });
    connect(AMPesosIO, &QPushButton::clicked, this, [this] { AMPesosIO_Click(); });
    connect(PIOSalir, &QPushButton::clicked, this, [this] { PIOSalir_Click(); });
    auto *options = new QHBoxLayout;
    options->addWidget(label);
    options->addWidget(Longitud_de_Discos);
    options->addSpacing(24);
    options->addWidget(Ver_Datafiles);
    options->addWidget(Ver_Discos);
    options->addStretch(1);
    auto *buttons = new QHBoxLayout;
    for (auto *b : {GPesos_IO, Imprimir_Pesos_I_O, AMPesosIO})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(PIOSalir);
    auto *lay = new QVBoxLayout(this);
    lay->addLayout(options);
    lay->addWidget(LPesosIO, 1);
    lay->addLayout(buttons);
    resize(900, 480);
}

void PesosIO::GPesos_IO_Click()
{
    ResultGridModel &g = *LPesosIO->grid();
    g.reset();
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db)
        return;
    // The length is spliced into the query: only a whole number from 1 to 513 goes.
    const long longitud = Numero_Entero(Longitud_de_Discos->text(), 1, 513);
    if (longitud < 0) {
        m_ctx.prompts.MsgBox(kLongitudInvalida, vbOKOnly + vbExclamation, "I/O Meter");
        return;
    }
    GuardedOperation op(m_ctx);
    std::string maximo = "0";
    std::unique_ptr<access::OraDynaset> dyn;
    op.step([&] {
        Cursor_Ocupado(m_ctx);
        maximo = Leer_Maximo(*db);
    });
    op.step([&] {
        dyn = db->DbCreateDynaset("select substr(i.name,0," + std::to_string(longitud) +
                                      ") disco, i.name nombre_datafile, x.phyrds total_lecturas, x.phywrts "
                                      "total_escrituras, x.phyrds+x.phywrts total_lec_esc, " +
                                      Expresion_Peso(maximo) +
                                      " Porcentaje_Lec_Esc from v$filestat x,sys.ts$ ts,v$datafile i,sys.file$ f "
                                      "where i.file#=f.file# and ts.ts#=f.ts# and x.file#=f.file# order by 5 desc",
                                  4);
    });
    std::vector<QStringList> rows;
    while (op.alive() && dyn && !dyn->IsEOF()) {
        op.step([&] {
            QStringList row;
            for (const char *alias : {"disco", "nombre_datafile", "total_lecturas", "total_escrituras",
                                      "total_lec_esc", "porcentaje_lec_esc"})
                row << qs(Texto(dyn->Fields(alias)));
            rows.push_back(row);
        });
        op.step([&] { dyn->MoveNext(); });
    }
    op.step([&] {
        if (dyn)
            dyn->Close();
    });
    op.finish();
    g.addRows(std::move(rows));
    LPesosIO->fitColumns();
}

report::PrintJob PesosIO::trabajoImpresion() const
{
    const std::string server = ss(qs(m_ctx.slotTable[m_ctx.slotTable.current].SERVIDOR).toUpper());
    report::PrintJob job;
    job.table = "PESOS_IO";
    job.reportFile = "pesos_io.rpt";
    const localdb::Value today = localdb::Value::today();
    job.fill = [server, today](localdb::Recordset &rs, const ResultGridModel &g, int r) {
        rs.SetField("DB_NM", server);
        rs.SetField("CHECK_DATE", today);
        rs.SetField("TS", "SQL*VIGIL");
        rs.SetField("DISCOS", ss(g.text(r, 1)));
        rs.SetField("DATAFILES", ss(g.text(r, 2)));
        rs.SetField("LECTURAS", report::valorNumerico(g.text(r, 3)));
        rs.SetField("ESCRITURAS", report::valorNumerico(g.text(r, 4)));
        rs.SetField("TOTAL_LE", report::valorNumerico(g.text(r, 5)));
        rs.SetField("PORCENTAJE_LE", report::valorNumerico(g.text(r, 6)).toDouble());
    };
    return job;
}

void PesosIO::Imprimir_Pesos_I_O_Click()
{
    report::Imprimir_Reporte(m_ctx, *LPesosIO->grid(), trabajoImpresion(), this);
}

// One chart window: opened beside this one (in the main window's workspace when
// this window is in it), brought forward when already open.
void PesosIO::AMPesosIO_Click()
{
    if (m_grafico) {
        QWidget *top = qobject_cast<QMdiSubWindow *>(m_grafico->parentWidget()) ? m_grafico->parentWidget()
                                                                                : m_grafico.data();
        top->showNormal();
        top->raise();
        return;
    }
    auto *sub = qobject_cast<QMdiSubWindow *>(parentWidget());
    if (sub && sub->mdiArea()) {
        m_grafico = new FmPesosIO(m_ctx, nullptr);
        QMdiSubWindow *s = sub->mdiArea()->addSubWindow(m_grafico);
        s->setAttribute(Qt::WA_DeleteOnClose);
        s->show();
    } else {
        m_grafico = new FmPesosIO(m_ctx, parentWidget());
        m_grafico->setAttribute(Qt::WA_DeleteOnClose);
        m_grafico->setWindowFlag(Qt::Window);
    }
    m_grafico->show();
}

void PesosIO::PIOSalir_Click()
{
    closeForm(this);
}

} // namespace monitor
