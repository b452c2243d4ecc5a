#include "parametros.h"

#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "imprimir.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace monitor {

using namespace shell;

std::string Tipo_Parametro(long long type)
{
    static const char *const kTipos[] = {"", "Log", "Car", "Num", "Fec"};
    if (type < 0 || type > 4)
        Err_Raise(kErrSubscript, "parameter type " + std::to_string(type));
    return kTipos[type];
}

Parametros::Parametros(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("PARAMETROS");
    setWindowTitle("Instance Parameters");
    LParametros = new ResultGrid("LParametros", this);
    LParametros->grid()->setHeaders({"Num", "Nombre de Variable", "Tipo", "Valor", "Por defecto?"});
    auto button = [this](QPushButton *&b, const char *name, const char *caption) {
        b = new QPushButton(caption, this);
        b->setObjectName(name);
    };
    button(GParametros, "GParametros", "&Get");
    button(Imprimir_Parametros, "Imprimir_Parametros", "&Print");
    button(Grabar_Parametros, "Grabar_Parametros", "&Save");
    button(Salir_Parametros, "Salir_Parametros", "E&xit");
    Grabar_Parametros->setToolTip("Not available");
    connect(GParametros, &QPushButton::clicked, this, [this] { GParametros_Click(); });
    connect(Imprimir_Parametros, &QPushButton::clicked, this, [this] { Imprimir_Parametros_Click(); });
    connect(Salir_Parametros, &QPushButton::clicked, this, [this] { Salir_Parametros_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GParametros);
    buttons->addWidget(Imprimir_Parametros);
    buttons->addWidget(Grabar_Parametros);
    buttons->addStretch(1);
    buttons->addWidget(Salir_Parametros);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LParametros, 1);
    lay->addLayout(buttons);
    resize(860, 560);
}

void Parametros::GParametros_Click()
{
    ResultGridModel &g = *LParametros->grid();
    g.reset();
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db)
        return;
    GuardedOperation op(m_ctx);
    std::unique_ptr<access::OraDynaset> dyn;
    op.step([&] {
        Cursor_Ocupado(m_ctx);
        dyn = db->DbCreateDynaset("select num, name, type, nvl(value,'Null') value, isdefault from v$parameter "
                                  "order by name",
                                  4);
    });
    std::vector<QStringList> rows;
    while (op.alive() && dyn && !dyn->IsEOF()) {
        // Each cell is its own step: Ignore on a faulty type leaves that cell
        // empty and goes on with the value.
        QStringList row{QString(), QString(), QString(), QString(), QString()};
        op.step([&] {
            row[0] = qs(Texto(dyn->Fields("num")));
            row[1] = qs(Texto(dyn->Fields("name")));
        });
        op.step([&] { row[2] = qs(Tipo_Parametro(static_cast<long long>(dyn->Fields("type").toDouble()))); });
        op.step([&] { row[3] = qs(Texto(dyn->Fields("value"))); });
        op.step([&] { row[4] = qs(Texto(dyn->Fields("isdefault"))); });
        rows.push_back(row);
        op.step([&] { dyn->MoveNext(); });
    }
    op.step([&] {
        if (dyn)
            dyn->Close();
    });
    op.finish();
    g.addRows(std::move(rows));
    LParametros->fitColumns();
}

void Parametros::Imprimir_Parametros_Click()
{
    const std::string server = ss(qs(m_ctx.slotTable[m_ctx.slotTable.current].SERVIDOR).toUpper());
    report::PrintJob job;
    job.table = "PARAMETROS";
    job.reportFile = "parametr.rpt";
    job.fill = [server](localdb::Recordset &rs, const ResultGridModel &g, int r) {
        rs.SetField("DB_NM", server);
        rs.SetField("NUMERO", report::valorNumerico(g.text(r, 1)));
        rs.SetField("NOMBRE", ss(g.text(r, 2)));
        rs.SetField("TIPO", ss(g.text(r, 3)));
        rs.SetField("VALOR", ss(g.text(r, 4)));
        rs.SetField("POR_DEFECTO", ss(g.text(r, 5)));
    };
    report::Imprimir_Reporte(m_ctx, *LParametros->grid(), job, this);
}

void Parametros::Salir_Parametros_Click()
{
    closeForm(this);
}

} // namespace monitor
