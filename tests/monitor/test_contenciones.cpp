// The Contentions and Process windows against the simulated instance: the
// statements they send, the free-list figures and their ratio (no waits, no
// gets), the open transactions on rollback segments (none open), the session
// waits with their parameter texts, the processes with "Null" for what they
// lack, and failing statements answered Ignore and Abort.
#include "contenciones.h"
#include "procesos.h"
#include "windowtest.h"

#include "scriptedconnection.h"

#include "prompts.h"
#include "resultgrid.h"

#include <QTest>

using harness::WindowTest;
using monitor::Contenciones;
using monitor::Procesos;

namespace {

const std::string kWaitStatSql = "select class, count from v$waitstat where class = 'free list'";
const std::string kGetsSql = "select name, value from v$sysstat where name in ('db block gets','consistent gets')";
const std::string kRollbackSql =
    "select r.name rbs, nvl(s.username, 'None') oracle_user, s.osuser  client_user, p.username os_user, "
    "s.sid sid, s.serial# serial, p.spid os_pid from v$process p, v$rollname r, v$session s,v$transaction t "
    "Where s.taddr = t.addr and  s.paddr = p.addr(+) and r.usn=t.xidusn(+) order by r.name";
const std::string kSessionWaitSql =
    "select sid, event, nvl(p1text,' ') p1text, p1, nvl(p2text,' ') p2text, p2, nvl(p3text,' ') p3text, p3 "
    "from v$session_wait";
const std::string kProcesosSql =
    "select pid, nvl(spid,'Null') spid, nvl(username,'Null') username, serial#, nvl(terminal,'Null') terminal, "
    "program from v$process order by pid, spid";

int rowOf(QWidget *w, const char *grid, int col, const QString &text)
{
    for (int r = 1; r < WindowTest::rows(w, grid); ++r)
        if (WindowTest::cell(w, grid, r, col) == text)
            return r;
    return 0;
}

} // namespace

class ContencionesTest : public QObject {
    Q_OBJECT
private slots:
    void freeListRatio();
    void contentionsFromTheSimulatedInstance();
    void noWaitsNoGetsNoTransactions();
    void failingStatementsAndDisconnectedServer();
    void processes();
};

void ContencionesTest::freeListRatio()
{
    using monitor::Razon_Free_List;
    QCOMPARE(Razon_Free_List(14, 12760416, 188854166), std::string("0.0000000694394"));
    QCOMPARE(Razon_Free_List(1, 1, 1), std::string("0.5"));
    QCOMPARE(Razon_Free_List(3, 1, 2), std::string("1"));
    QCOMPARE(Razon_Free_List(1, 2, 1), std::string("0.333333"));
    QCOMPARE(Razon_Free_List(250, 1, 1), std::string("125"));
    QCOMPARE(Razon_Free_List(0, 10, 20), std::string("0"));
    // No gets known: 0, not a division error.
    QCOMPARE(Razon_Free_List(5, 0, 0), std::string("0"));
    QCOMPARE(Razon_Free_List(0, 0, 0), std::string("0"));
}

void ContencionesTest::contentionsFromTheSimulatedInstance()
{
    WindowTest t;
    auto *w = t.open<Contenciones>();
    QCOMPARE(t.cell(w, "LFreeList", 0, 0), QString("Class"));
    QCOMPARE(t.cell(w, "LFreeList", 0, 1), QString("Count"));
    QCOMPARE(t.cell(w, "LFreeList", 1, 0), QString("Free list"));
    QCOMPARE(t.cell(w, "LFreeList", 4, 0), QString("freelist wait event"));
    t.click(w, "GContenciones");
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    QCOMPARE(t.statements(), (std::vector<std::string>{kWaitStatSql, kGetsSql, kRollbackSql, kSessionWaitSql}));
    QCOMPARE(t.ctx.pointer.code(), 0);

    // Free lists: the waits, the two gets in the view's order, their ratio.
    const double c = t.cell(w, "LFreeList", 1, 1).toDouble();
    const double g1 = t.cell(w, "LFreeList", 2, 1).toDouble();
    const double g2 = t.cell(w, "LFreeList", 3, 1).toDouble();
    QVERIFY(c >= 14 && g1 > 1e7 && g2 > g1);
    QCOMPARE(t.cell(w, "LFreeList", 4, 1), QString::fromStdString(monitor::Razon_Free_List(c, g1, g2)));
    QVERIFY(t.cell(w, "LFreeList", 4, 1).startsWith("0.0000000"));
    QCOMPARE(t.rows(w, "LFreeList"), 5);

    // Rollback segments with open transactions, by segment name.
    QCOMPARE(t.rows(w, "LTSegRollBack"), 6);
    QCOMPARE(t.cell(w, "LTSegRollBack", 1, 0), QString("1"));
    QCOMPARE(t.cell(w, "LTSegRollBack", 1, 1), QString("R01"));
    const int hr = rowOf(w, "LTSegRollBack", 5, "136");
    QVERIFY(hr > 0);
    QCOMPARE(t.cell(w, "LTSegRollBack", hr, 1), QString("R02"));
    QCOMPARE(t.cell(w, "LTSegRollBack", hr, 2), QString("HR"));
    QCOMPARE(t.cell(w, "LTSegRollBack", hr, 3), QString("mgarcia"));
    QCOMPARE(t.cell(w, "LTSegRollBack", hr, 4), QString("oracle"));
    QCOMPARE(t.cell(w, "LTSegRollBack", hr, 6), QString("38"));
    QVERIFY(!t.cell(w, "LTSegRollBack", hr, 7).isEmpty());
    QCOMPARE(t.cell(w, "LTSegRollBack", 5, 1), QString("R04"));

    // Session waits with the texts of their parameters; a missing text is a blank.
    QVERIFY(t.rows(w, "LSession_Wait") > 30);
    const int enq = rowOf(w, "LSession_Wait", 1, "139");
    QVERIFY(enq > 0);
    QCOMPARE(t.cell(w, "LSession_Wait", enq, 2), QString("enqueue"));
    const QStringList params{"name|mode", "1415053318", "id1", "131084", "id2", "1634"};
    for (int c2 = 3; c2 <= 8; ++c2)
        QCOMPARE(t.cell(w, "LSession_Wait", enq, c2), params[c2 - 3]);
    const int lb = rowOf(w, "LSession_Wait", 1, "144");
    QCOMPARE(t.cell(w, "LSession_Wait", lb, 2), QString("log buffer space"));
    QCOMPARE(t.cell(w, "LSession_Wait", lb, 3), QString(" "));
    QCOMPARE(t.cell(w, "LSession_Wait", lb, 4), QString("0"));

    // A second press replaces the rows.
    t.click(w, "GContenciones");
    QCOMPARE(t.rows(w, "LTSegRollBack"), 6);
}

void ContencionesTest::noWaitsNoGetsNoTransactions()
{
    {
        // No free-list waits: row 1 keeps what it showed, the ratio is 0.
        WindowTest t;
        t.serverScript("DELETE FROM SYS.X$WAITSTAT WHERE CLASS = 'free list'");
        t.serverScript("DELETE FROM SYS.X$TRANSACTION");
        auto *w = t.open<Contenciones>();
        w->LFreeList->grid()->setText(1, 1, "7");
        t.click(w, "GContenciones");
        QCOMPARE(t.prompts.count(), 0u);
        QCOMPARE(t.cell(w, "LFreeList", 1, 1), QString("7"));
        QCOMPARE(t.cell(w, "LFreeList", 4, 1), QString("0"));
        QVERIFY(t.cell(w, "LFreeList", 2, 1).toDouble() > 0);
        // No open transactions: the blank row only.
        QCOMPARE(t.rows(w, "LTSegRollBack"), 2);
        QCOMPARE(t.cell(w, "LTSegRollBack", 1, 0), QString());
        QCOMPARE(t.cell(w, "LTSegRollBack", 1, 1), QString());
        QVERIFY(t.rows(w, "LSession_Wait") > 30);
    }
    {
        // No gets known: the ratio shows 0 and no error is raised.
        WindowTest t;
        auto *conn = new monitortest::ScriptedConnection;
        conn->answers = {{"v$waitstat", {{"CLASS", "COUNT"}, {{monitortest::txt("free list"), monitortest::num(5)}}}},
                         {"v$sysstat", {{"NAME", "VALUE"}, {}}}};
        t.ctx.slotTable.connection(1) = std::make_unique<access::OraDatabase>(
            std::unique_ptr<access::DriverConnection>(conn), "scripted", "SYSTEM");
        auto *w = t.open<Contenciones>();
        t.click(w, "GContenciones");
        QCOMPARE(t.prompts.count(), 0u);
        QCOMPARE(t.cell(w, "LFreeList", 1, 1), QString("5"));
        QCOMPARE(t.cell(w, "LFreeList", 2, 1), QString());
        QCOMPARE(t.cell(w, "LFreeList", 4, 1), QString("0"));
        QCOMPARE(conn->sent->size(), 4u);
    }
}

void ContencionesTest::failingStatementsAndDisconnectedServer()
{
    {
        // Ignore on the rollback query: its grid stays blank, the waits fill.
        WindowTest t;
        auto *w = t.open<Contenciones>();
        t.failNext("v$rollname", 942, "ORA-00942: table or view does not exist");
        t.prompts.answer(shell::vbIgnore);
        t.click(w, "GContenciones");
        QCOMPARE(t.prompts.count(), 1u);
        QCOMPARE(t.statements().size(), 4u);
        QCOMPARE(t.rows(w, "LTSegRollBack"), 2);
        QVERIFY(t.rows(w, "LSession_Wait") > 30);
        QCOMPARE(t.ctx.pointer.code(), 0);
    }
    {
        // Abort on the first query: nothing more is sent.
        WindowTest t;
        auto *w = t.open<Contenciones>();
        t.failNext("v$waitstat", 942, "ORA-00942: table or view does not exist");
        t.prompts.answer(shell::vbAbort);
        t.click(w, "GContenciones");
        QCOMPARE(t.statements().size(), 1u);
        QCOMPARE(t.cell(w, "LFreeList", 4, 1), QString());
        QCOMPARE(t.ctx.pointer.code(), 0);
    }
    {
        // Disconnected: the rollback and wait grids reset, the free lists kept.
        harness::Options o;
        o.connect = false;
        WindowTest t(o);
        auto *w = t.open<Contenciones>();
        w->LFreeList->grid()->setText(2, 1, "99");
        w->LSession_Wait->grid()->addRow({"1", "x"});
        w->LTSegRollBack->grid()->addRow({"R01"});
        t.click(w, "GContenciones");
        QCOMPARE(t.prompts.count(), 0u);
        QCOMPARE(t.cell(w, "LFreeList", 2, 1), QString("99"));
        QCOMPARE(t.rows(w, "LSession_Wait"), 2);
        QCOMPARE(t.cell(w, "LSession_Wait", 1, 1), QString());
        QCOMPARE(t.cell(w, "LTSegRollBack", 1, 1), QString());
        auto *p = t.open<Procesos>();
        p->LProcesos->grid()->addRow({"1"});
        t.click(p, "GProcesos");
        QCOMPARE(t.rows(p, "LProcesos"), 2);
        QCOMPARE(t.cell(p, "LProcesos", 1, 1), QString());
        QCOMPARE(t.ctx.pointer.code(), 0);
    }
}

void ContencionesTest::processes()
{
    WindowTest t;
    auto *w = t.open<Procesos>();
    t.click(w, "GProcesos");
    QCOMPARE(t.statements(), std::vector<std::string>{kProcesosSql});
    QCOMPARE(t.prompts.count(), 0u);
    // The pseudo process has no user, no OS process id and no terminal.
    QCOMPARE(t.cell(w, "LProcesos", 1, 0), QString("1"));
    QCOMPARE(t.cell(w, "LProcesos", 1, 1), QString("1"));
    QCOMPARE(t.cell(w, "LProcesos", 1, 2), QString("Null"));
    QCOMPARE(t.cell(w, "LProcesos", 1, 3), QString("Null"));
    QCOMPARE(t.cell(w, "LProcesos", 1, 5), QString("Null"));
    QCOMPARE(t.cell(w, "LProcesos", 1, 6), QString("PSEUDO"));
    const int pmon = rowOf(w, "LProcesos", 6, "oracle@dbsrv01 (PMON)");
    QVERIFY(pmon > 0);
    QCOMPARE(t.cell(w, "LProcesos", pmon, 3), QString("oracle"));
    QCOMPARE(t.cell(w, "LProcesos", pmon, 4), QString("1"));
    // In process id order: the pseudo process, one per session (this
    // connection included).
    QCOMPARE(t.rows(w, "LProcesos"), 33);
    for (int r = 2; r < t.rows(w, "LProcesos"); ++r)
        QVERIFY(t.cell(w, "LProcesos", r - 1, 1).toInt() < t.cell(w, "LProcesos", r, 1).toInt());

    // Ignore on a failing listing leaves the grid reset.
    t.failNext("v$process", 942, "ORA-00942: table or view does not exist");
    t.prompts.answer(shell::vbIgnore);
    t.click(w, "GProcesos");
    QCOMPARE(t.rows(w, "LProcesos"), 2);
    QCOMPARE(t.ctx.pointer.code(), 0);
}

QTEST_MAIN(ContencionesTest)
#include "test_contenciones.moc"
