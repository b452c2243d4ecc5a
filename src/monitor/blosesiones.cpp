#include "blosesiones.h"

#include "autorefresh.h"
#include "appcontext.h"
#include "errores.h"
#include "formutil.h"
#include "resultgrid.h"
#include "sqlcvpg.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

#include <memory>

namespace monitor {

using namespace shell;

namespace {

std::string holdersTable()
{
    return std::string("create table SQLVIGIL_HOLDERS ") + "( " + "    waiting_session number, " +
           "    holding_session number, " + "    lock_type       varchar2(26), " +
           "    mode_held       varchar2(14), " + "    mode_requested  varchar2(14), " +
           "    lock_id1        varchar2(22), " + "    lock_id2        varchar2(22) " + ")";
}

std::string pairsInsert()
{
    return std::string("insert into sqlvigil_holders ") + "select w.session_id, " + "       h.session_id, " +
           "       w.lock_type, " + "       h.mode_held, " + "       w.mode_requested, " + "       w.lock_id1, " +
           "       w.lock_id2 " + "from sqlvigil_locks_temp w, sqlvigil_locks_temp h " +
           "where h.mode_held      <> 'None' " + "  and h.mode_held      <> 'Null' " +
           "  and w.mode_requested <> 'None' " + "  and w.lock_type       = h.lock_type " +
           "  and w.lock_id1        = h.lock_id1 " + "  and w.lock_id2        = h.lock_id2";
}

std::string rootsInsert()
{
    return std::string("insert into sqlvigil_holders ") + "select holding_session, " + "       null, " +
           "       'None', " + "       null, " + "       null, " + "       null, " + "       null " +
           "  from sqlvigil_holders " + "minus " + "select waiting_session, " + "       null, " + "       'None', " +
           "       null, " + "       null, " + "       null, " + "       null " + "  from sqlvigil_holders";
}

std::string treeQuery()
{
    return std::string("select lpad(' ',3*(level-1)) || ") + "       waiting_session waiting_session, " +
           "       lock_type, " + "       mode_requested, " + "       mode_held, " + "       lock_id1, " +
           "       lock_id2 " + "from sqlvigil_holders " + "connect by prior waiting_session = " +
           "                 holding_session " + "start with holding_session is null ";
}

} // namespace

BloSesiones::BloSesiones(AppContext &ctx, QWidget *parent) : QWidget(parent), m_ctx(ctx)
{
    setObjectName("BLOSESIONES");
    setWindowTitle("Session Locks");
    LBloqueos = new ResultGrid("LBloqueos", this);
    LBloqueos->grid()->setHeaders({"", "Waiting Sid", "Type", "Mode Requested", "Mode Held", "Lock ID1", "Lock ID2"},
                                  false);
    LBloqueos->grid()->setCurrentRow(0);
    LBloqueos->setColumnWidth(0, 18);
    LBloqueos->setColumnWidth(1, 110);
    LBloqueos->setColumnWidth(2, 80);
    LBloqueos->setColumnWidth(3, 120);
    LBloqueos->setColumnWidth(4, 110);
    GBloqueos = new QPushButton("&Get Session", this);
    GBloqueos->setObjectName("GBloqueos");
    // The kill button has no operation of its own here: the wait-for rows carry no
    // serial number; sessions are killed from Resources Locks or Sessions.
    KSession = new QPushButton("&Kill Session", this);
    KSession->setObjectName("KSession");
    KSession->setEnabled(false);
    BSalir = new QPushButton("&Exit", this);
    BSalir->setObjectName("BSalir");
    connect(GBloqueos, &QPushButton::clicked, this, [this] { GBloqueos_Click(); });
    connect(BSalir, &QPushButton::clicked, this, [this] { BSalir_Click(); });
    auto *buttons = new QHBoxLayout;
    buttons->addWidget(GBloqueos);
    buttons->addWidget(KSession);
    buttons->addStretch(1);
    buttons->addWidget(BSalir);
    auto *lay = new QVBoxLayout(this);
    lay->addWidget(LBloqueos, 1);
    lay->addLayout(buttons);
    shell::AutoRefresh::attach(m_ctx, GBloqueos);
    resize(760, 420);
}

void BloSesiones::GBloqueos_Click()
{
    LBloqueos->grid()->reset();
    GuardedOperation op(m_ctx);
    op.step([&] { Cursor_Ocupado(m_ctx); });
    access::OraDatabase *db = m_ctx.currentConnection();
    if (!db)
        return;
    for (const std::string &sql : {holdersTable(), std::string("create table sqlvigil_locks_temp as select * from sys.dba_locks"),
                                   pairsInsert(), std::string("commit"), std::string("drop table sqlvigil_locks_temp"),
                                   rootsInsert()})
        op.step([&] { db->DbExecuteSQL(sql); });
    std::unique_ptr<access::OraDynaset> ds;
    op.step([&] { ds = db->DbCreateDynaset(treeQuery(), 4); });
    std::vector<QStringList> rows;
    while (op.alive() && ds && !ds->IsEOF()) {
        op.step([&] {
            rows.push_back({QString(), qs(ds->Fields("waiting_session").toString()),
                            qs(ds->Fields("lock_type").toString()), qs(ds->Fields("mode_requested").toString()),
                            qs(ds->Fields("mode_held").toString()), qs(ds->Fields("lock_id1").toString()),
                            qs(ds->Fields("lock_id2").toString())});
        });
        op.step([&] { ds->MoveNext(); });
    }
    LBloqueos->grid()->addRows(std::move(rows));
    op.step([&] {
        if (ds)
            ds->Close();
        db->DbExecuteSQL("drop table sqlvigil_holders");
    });
}

void BloSesiones::BSalir_Click()
{
    closeForm(this);
}

} // namespace monitor
