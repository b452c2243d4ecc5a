#include "procesos.h"

#include "autorefresh.h"
#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "llenargrilla.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace monitor {

using namespace shell;

namespace {

const char *const kProcesosSql =
    "select pid, nvl(spid,'Null') spid, nvl(username,'Null') username, serial#, nvl(terminal,'Null') terminal, "
    "program from v$process order by pid, spid";

} // namespace

Procesos::Procesos(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("PROCESOS");
    setWindowTitle("Process");
    LProcesos = new ResultGrid("LProcesos", this);
    LProcesos->grid()->setHeaders({"PID", "SPID", "Username", "Serial#", "Terminal", "Program"});
    Ajustar_Columnas(LProcesos);
    LProcesos->setColumnWidth(6, 260);
    GProcesos = new QPushButton("&Get", this);
    GProcesos->setObjectName("GProcesos");
    Salir_Procesos = new QPushButton("E&xit", this);
    Salir_Procesos->setObjectName("Salir_Procesos");
    connect(GProcesos, &QPushButton::clicked, this, [this] { GProcesos_Click(); });
    connect(Salir_Procesos, &QPushButton::clicked, this, [this] { Salir_Procesos_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GProcesos);
    buttons->addStretch(1);
    buttons->addWidget(Salir_Procesos);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LProcesos, 1);
    lay->addLayout(buttons);
    shell::AutoRefresh::attach(m_ctx, GProcesos);
    resize(sizeHint());
}

void Procesos::GProcesos_Click()
{
    LProcesos->grid()->reset();
    GuardedOperation op(m_ctx);
    Llenar_Grilla(op, m_ctx, LProcesos, kProcesosSql, {"pid", "spid", "username", "serial#", "terminal", "program"});
}

void Procesos::Salir_Procesos_Click()
{
    closeForm(this);
}

} // namespace monitor
