#include "contenciones.h"

#include "autorefresh.h"
#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "llenargrilla.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSplitter>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <memory>

namespace monitor {

using namespace shell;

namespace {

const char *const kWaitStatSql = "select class, count from v$waitstat where class = 'free list'";
const char *const kGetsSql = "select name, value from v$sysstat where name in ('db block gets','consistent gets')";
const char *const kRollbackSql =
    "select r.name rbs, nvl(s.username, 'None') oracle_user, s.osuser  client_user, p.username os_user, "
    "s.sid sid, s.serial# serial, p.spid os_pid from v$process p, v$rollname r, v$session s,v$transaction t "
    "Where s.taddr = t.addr and  s.paddr = p.addr(+) and r.usn=t.xidusn(+) order by r.name";
const char *const kSessionWaitSql =
    "select sid, event, nvl(p1text,' ') p1text, p1, nvl(p2text,' ') p2text, p2, nvl(p3text,' ') p3text, p3 "
    "from v$session_wait";

QWidget *captioned(const char *caption, QWidget *grid)
{
    auto *box = new QWidget;
    auto *lay = new QVBoxLayout(box);
    lay->setContentsMargins(0, 0, 0, 0);
    lay->addWidget(new QLabel(caption, box));
    lay->addWidget(grid, 1);
    return box;
}

} // namespace

std::string Razon_Free_List(double waits, double g1, double g2)
{
    const double gets = g1 + g2;
    if (gets == 0)
        return "0";
    const double ratio = waits / gets;
    if (ratio == 0)
        return "0";
    const int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(ratio))));
    const int decimals = std::clamp(5 - magnitude, 0, 20);
    QString s = QString::number(ratio, 'f', decimals);
    if (s.contains('.')) {
        while (s.endsWith('0'))
            s.chop(1);
        if (s.endsWith('.'))
            s.chop(1);
    }
    return ss(s);
}

Contenciones::Contenciones(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("CONTENCIONES");
    setWindowTitle("Contentions");
    buildForm();
    resize(sizeHint());
}

void Contenciones::buildForm()
{
    LFreeList = new ResultGrid("LFreeList", this);
    auto *fl = LFreeList->grid();
    fl->setHeaders({"Class", "Count"}, false);
    fl->setRows(5);
    const char *const rowHeads[] = {"Free list", "db block gets", "consistent gets", "freelist wait event"};
    for (int r = 1; r <= 4; ++r)
        fl->setText(r, 0, rowHeads[r - 1]);
    LFreeList->setColumnWidth(0, 150);
    LFreeList->setColumnWidth(1, 150);
    LFreeList->setMinimumWidth(320);
    LFreeList->setMaximumWidth(360);

    LTSegRollBack = new ResultGrid("LTSegRollBack", this);
    LTSegRollBack->grid()->setHeaders({"RBS", "Oracle User", "Client User", "OS User", "SID", "Serial#", "OS Process"});
    Ajustar_Columnas(LTSegRollBack);
    LSession_Wait = new ResultGrid("LSession_Wait", this);
    LSession_Wait->grid()->setHeaders({"SID", "EVENT", "P1TEXT", "P1", "P2TEXT", "P2", "P3TEXT", "P3"});
    Ajustar_Columnas(LSession_Wait);

    GContenciones = new QPushButton("&Get Contentions", this);
    GContenciones->setObjectName("GContenciones");
    Contenciones_Salir = new QPushButton("&Exit", this);
    Contenciones_Salir->setObjectName("Contenciones_Salir");
    connect(GContenciones, &QPushButton::clicked, this, [this] { GContenciones_Click(); });
    connect(Contenciones_Salir, &QPushButton::clicked, this, [this] { Contenciones_Salir_Click(); });

    auto *top = new QHBoxLayout;
    top->addWidget(captioned("Free Lists", LFreeList));
    top->addWidget(captioned("Rollback Segments Transaction", LTSegRollBack), 1);
    auto *topBox = new QWidget(this);
    topBox->setLayout(top);
    top->setContentsMargins(0, 0, 0, 0);
    auto *split = new QSplitter(Qt::Vertical, this);
    split->addWidget(topBox);
    split->addWidget(captioned("Session Waits", LSession_Wait));
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GContenciones);
    buttons->addStretch(1);
    buttons->addWidget(Contenciones_Salir);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(split, 1);
    lay->addLayout(buttons);
    shell::AutoRefresh::attach(m_ctx, GContenciones);
}

void Contenciones::GContenciones_Click()
{
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    freeLists(op);
    if (op.alive())
        LTSegRollBack->grid()->reset();
    Llenar_Grilla(op, m_ctx, LTSegRollBack, kRollbackSql,
                  {"rbs", "oracle_user", "client_user", "os_user", "sid", "serial", "os_pid"});
    if (op.alive())
        LSession_Wait->grid()->reset();
    Llenar_Grilla(op, m_ctx, LSession_Wait, kSessionWaitSql,
                  {"sid", "event", "p1text", "p1", "p2text", "p2", "p3text", "p3"});
}

// The free-list cells are overwritten, never cleared: a figure the server does
// not give this time keeps what the grid showed.
void Contenciones::freeLists(GuardedOperation &op)
{
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db || !op.alive())
        return;
    auto *fl = LFreeList->grid();
    double c = 0, g1 = 0, g2 = 0;
    op.step([&] {
        auto ds = db->DbCreateDynaset(kWaitStatSql, 4);
        if (!ds->IsEOF()) {
            fl->setText(1, 1, qs(ds->Fields("count").toString()));
            c = ds->Fields("count").toDouble();
        }
        ds->Close();
    });
    op.step([&] {
        auto ds = db->DbCreateDynaset(kGetsSql, 4);
        if (!ds->IsEOF()) {
            fl->setText(2, 1, qs(ds->Fields("value").toString()));
            g1 = ds->Fields("value").toDouble();
            ds->MoveNext();
            if (!ds->IsEOF()) {
                fl->setText(3, 1, qs(ds->Fields("value").toString()));
                g2 = ds->Fields("value").toDouble();
            }
        }
        ds->Close();
    });
    op.step([&] { fl->setText(4, 1, qs(Razon_Free_List(c, g1, g2))); });
}

void Contenciones::Contenciones_Salir_Click()
{
    closeForm(this);
}

} // namespace monitor
