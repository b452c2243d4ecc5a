// Session Locks and Resources Locks against the simulated instance: the
// wait-for tree with its work tables, the lock list with its type names, the
// object and session detail, the detail session's SQL and kill.
#include "blorecursos.h"
#include "blosesiones.h"
#include "windowtest.h"

#include "testing.h"

#include "prompts.h"
#include "resultgrid.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

using harness::WindowTest;
using monitor::BloRecursos;
using monitor::BloSesiones;

namespace {

const std::vector<std::string> kTreeStatements = {
    "create table SQLVIGIL_HOLDERS (     waiting_session number,     holding_session number,     lock_type       "
    "varchar2(26),     mode_held       varchar2(14),     mode_requested  varchar2(14),     lock_id1        "
    "varchar2(22),     lock_id2        varchar2(22) )",
    "create table sqlvigil_locks_temp as select * from sys.dba_locks",
    "insert into sqlvigil_holders select w.session_id,        h.session_id,        w.lock_type,        h.mode_held, "
    "       w.mode_requested,        w.lock_id1,        w.lock_id2 from sqlvigil_locks_temp w, sqlvigil_locks_temp h "
    "where h.mode_held      <> 'None'   and h.mode_held      <> 'Null'   and w.mode_requested <> 'None'   and "
    "w.lock_type       = h.lock_type   and w.lock_id1        = h.lock_id1   and w.lock_id2        = h.lock_id2",
    "commit",
    "drop table sqlvigil_locks_temp",
    "insert into sqlvigil_holders select holding_session,        null,        'None',        null,        null,    "
    "    null,        null   from sqlvigil_holders minus select waiting_session,        null,        'None',        "
    "null,        null,        null,        null   from sqlvigil_holders",
    "select lpad(' ',3*(level-1)) ||        waiting_session waiting_session,        lock_type,        mode_requested, "
    "       mode_held,        lock_id1,        lock_id2 from sqlvigil_holders connect by prior waiting_session =     "
    "             holding_session start with holding_session is null ",
    "drop table sqlvigil_holders",
};

int rowOf(QWidget *w, const char *grid, int col, const QString &a, int col2 = -1, const QString &b = {})
{
    for (int r = 1; r < WindowTest::rows(w, grid); ++r)
        if (WindowTest::cell(w, grid, r, col) == a && (col2 < 0 || WindowTest::cell(w, grid, r, col2) == b))
            return r;
    return 0;
}

} // namespace

class BloqueosTest : public QObject {
    Q_OBJECT
private slots:
    void lockTypeNames();
    void threeLevelChainWithItsIndentation();
    void noWaitsLeaveTheBlankRowAndNoTables();
    void leftoverWorkTableAnsweredIgnoreAndAbort();
    void lockListAndTypeNames();
    void detailOfATransactionLock();
    void detailSqlAndKill();
};

void BloqueosTest::lockTypeNames()
{
    using monitor::Tipo_Bloqueo;
    QCOMPARE(Tipo_Bloqueo("TX", 0), std::string("Transaction enqueue lock"));
    QCOMPARE(Tipo_Bloqueo("TM", 0), std::string("DML enqueue lock"));
    QCOMPARE(Tipo_Bloqueo("CS", 0), std::string("Control file schema global enqueue lock"));
    QCOMPARE(Tipo_Bloqueo("SH", 0), std::string("System commit number hight water mark enqueue lock"));
    QCOMPARE(Tipo_Bloqueo("WS", 0), std::string("Write-atomic-log-switch global enqueue lock"));
    QCOMPARE(Tipo_Bloqueo("TS", 0), std::string("Temporary segment enqueue lock"));
    QCOMPARE(Tipo_Bloqueo("TS", 1), std::string("New block allocation enqueue lock"));
    QCOMPARE(Tipo_Bloqueo("tx", 0), std::string("??:tx"));
    QCOMPARE(Tipo_Bloqueo("XR", 0), std::string("??:XR"));
    QCOMPARE(Tipo_Bloqueo("", 0), std::string("??:"));
}

void BloqueosTest::threeLevelChainWithItsIndentation()
{
    WindowTest t;
    auto *w = t.open<BloSesiones>();
    QCOMPARE(t.cell(w, "LBloqueos", 0, 1), QString("Waiting Sid"));
    QCOMPARE(t.cell(w, "LBloqueos", 0, 6), QString("Lock ID2"));
    t.click(w, "GBloqueos");
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    QCOMPARE(t.statements(), kTreeStatements);
    // HR (136) holds the row VENTAS (139) waits for; SCOTT (143) waits for 139.
    QCOMPARE(t.rows(w, "LBloqueos"), 4);
    QCOMPARE(t.cell(w, "LBloqueos", 1, 0), QString());
    QCOMPARE(t.cell(w, "LBloqueos", 1, 1), QString("136"));
    QCOMPARE(t.cell(w, "LBloqueos", 1, 2), QString("None"));
    QCOMPARE(t.cell(w, "LBloqueos", 1, 3), QString());
    QCOMPARE(t.cell(w, "LBloqueos", 2, 1), QString("   139"));
    QCOMPARE(t.cell(w, "LBloqueos", 2, 2), QString("Transaction"));
    QCOMPARE(t.cell(w, "LBloqueos", 2, 3), QString("Exclusive"));
    QCOMPARE(t.cell(w, "LBloqueos", 2, 4), QString("Exclusive"));
    QCOMPARE(t.cell(w, "LBloqueos", 2, 5), QString("131084"));
    QCOMPARE(t.cell(w, "LBloqueos", 2, 6), QString("1634"));
    QCOMPARE(t.cell(w, "LBloqueos", 3, 1), QString("      143"));
    QCOMPARE(t.cell(w, "LBloqueos", 3, 5), QString("196613"));
    // Both work tables are gone: a second run creates them again without error.
    t.clearStatements();
    t.click(w, "GBloqueos");
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(t.statements(), kTreeStatements);
    QCOMPARE(t.rows(w, "LBloqueos"), 4);
}

void BloqueosTest::noWaitsLeaveTheBlankRowAndNoTables()
{
    WindowTest t;
    sim::testing::runScript("ORCL", "DELETE FROM SYS.X$LOCK WHERE REQUEST <> 0");
    auto *w = t.open<BloSesiones>();
    t.click(w, "GBloqueos");
    QVERIFY2(t.prompts.count() == 0, t.prompts.log().c_str());
    QCOMPARE(t.statements(), kTreeStatements);
    QCOMPARE(t.rows(w, "LBloqueos"), 2);
    QCOMPARE(t.cell(w, "LBloqueos", 1, 1), QString());
    t.click(w, "GBloqueos");
    QCOMPARE(t.prompts.count(), 0u);
}

void BloqueosTest::leftoverWorkTableAnsweredIgnoreAndAbort()
{
    WindowTest t;
    auto *w = t.open<BloSesiones>();
    // Abort on the locks copy: nothing after it is sent, and the holders table
    // stays behind on the server as after an interrupted run.
    t.failNext("sys.dba_locks", 942, "ORA-00942: table or view does not exist");
    t.prompts.answer(shell::vbAbort);
    t.click(w, "GBloqueos");
    QCOMPARE(t.prompts.count(), 1u);
    QCOMPARE(t.statements(), std::vector<std::string>(kTreeStatements.begin(), kTreeStatements.begin() + 2));
    QCOMPARE(t.rows(w, "LBloqueos"), 2);
    QCOMPARE(t.ctx.pointer.code(), 0);

    // The next run's create fails on the leftover table; Ignore goes on with it.
    t.clearStatements();
    t.prompts.clear();
    t.prompts.answer(shell::vbIgnore);
    t.click(w, "GBloqueos");
    QVERIFY2(t.prompts.count() == 1, t.prompts.log().c_str());
    QVERIFY(t.prompts.last().text.find("ORA-00955") != std::string::npos);
    QCOMPARE(t.statements(), kTreeStatements);
    QCOMPARE(t.rows(w, "LBloqueos"), 4);
    QCOMPARE(t.cell(w, "LBloqueos", 3, 1), QString("      143"));
    QCOMPARE(t.ctx.pointer.code(), 0);
}

void BloqueosTest::lockListAndTypeNames()
{
    WindowTest t;
    auto *w = t.open<BloRecursos>();
    QCOMPARE(t.cell(w, "LBloqueos", 0, 2), QString("Block Type"));
    t.click(w, "GBloqueos");
    QCOMPARE(t.statements(), std::vector<std::string>{"SELECT SID, TYPE, ID1, ID2, LMODE, REQUEST FROM SYS.V_$LOCK"});
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(t.cell(w, "LBloqueos", 1, 0), QString("1"));
    int ts0 = rowOf(w, "LBloqueos", 1, "150", 2, "Temporary segment enqueue lock");
    int ts1 = rowOf(w, "LBloqueos", 1, "5", 2, "New block allocation enqueue lock");
    QVERIFY(ts0 > 0);
    QVERIFY(ts1 > 0);
    QCOMPARE(t.cell(w, "LBloqueos", ts1, 4), QString("1"));
    QVERIFY(rowOf(w, "LBloqueos", 2, "??:XR") > 0);
    QVERIFY(rowOf(w, "LBloqueos", 2, "Media recovery lock") > 0);
    const int waiting = rowOf(w, "LBloqueos", 1, "143", 2, "Transaction enqueue lock");
    QVERIFY(waiting > 0);
    QCOMPARE(t.cell(w, "LBloqueos", waiting, 3), QString("196613"));
    QCOMPARE(t.cell(w, "LBloqueos", waiting, 5), QString("0"));
    QCOMPARE(t.cell(w, "LBloqueos", waiting, 6), QString("6"));
}

void BloqueosTest::detailOfATransactionLock()
{
    WindowTest t;
    auto *w = t.open<BloRecursos>();
    // Before any listing the grid's blank row designates no lock.
    w->LBloqueos->grid()->setCurrentRow(1);
    w->LBloqueos_DblClick();
    QVERIFY(t.statements().empty());
    QCOMPARE(t.prompts.count(), 0u);
    t.click(w, "GBloqueos");
    // A TM lock: ID1 is the table's object id.
    const int tm = rowOf(w, "LBloqueos", 1, "139", 3, "30210");
    QVERIFY(tm > 0);
    w->LBloqueos->grid()->setCurrentRow(tm);
    t.clearStatements();
    w->LBloqueos_DblClick();
    QCOMPARE(t.statements(),
             (std::vector<std::string>{"SELECT OWNER, OBJECT_ID, OBJECT_NAME, OBJECT_TYPE, CREATED, LAST_DDL_TIME, "
                                       "TIMESTAMP, STATUS FROM DBA_OBJECTS WHERE OBJECT_ID = 30210",
                                       "SELECT SID, SERIAL# SERIAL, AUDSID, USER# USUARIO, USERNAME, COMMAND, "
                                       "LOCKWAIT, STATUS, SERVER, OSUSER, PROCESS, MACHINE, TERMINAL, PROGRAM, TYPE "
                                       "FROM V$SESSION WHERE SID = 139"}));
    QCOMPARE(w->objeto("OWNER")->text(), QString("HR"));
    QCOMPARE(w->objeto("OBJECT_NAME")->text(), QString("EMPLOYEES"));
    QCOMPARE(w->objeto("OBJECT_TYPE")->text(), QString("TABLE"));
    QCOMPARE(w->sesion("SERIAL")->text(), QString("1215"));
    // The visible page does not change.
    QCOMPARE(w->Tabla_Recursos_Bloqueados->currentIndex(), 0);

    // A TX lock: its ID1 is no object id, so the object page stays empty.
    const int tx = rowOf(w, "LBloqueos", 1, "143", 2, "Transaction enqueue lock");
    w->LBloqueos->grid()->setCurrentRow(tx);
    w->LBloqueos_DblClick();
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(w->objeto("OWNER")->text(), QString());
    QCOMPARE(w->objeto("OBJECT_NAME")->text(), QString());
    QCOMPARE(w->sesion("SID")->text(), QString("143"));
    QCOMPARE(w->sesion("SERIAL")->text(), QString("9"));
    QCOMPARE(w->sesion("USERNAME")->text(), QString("SCOTT"));
    QCOMPARE(w->sesion("LOCKWAIT")->text(), QString("6D100021"));
    QCOMPARE(w->sesion("PROGRAM")->text(), QString("sqlplusw.exe"));
    QVERIFY(!w->sesion("PROGRAM")->isReadOnly());
    QCOMPARE(w->Sentencia->toPlainText(), QString("*"));
}

void BloqueosTest::detailSqlAndKill()
{
    WindowTest t;
    auto *w = t.open<BloRecursos>();
    t.click(w, "GBloqueos");
    w->LBloqueos->grid()->setCurrentRow(rowOf(w, "LBloqueos", 1, "143", 2, "Transaction enqueue lock"));
    w->LBloqueos_DblClick();
    // The buttons work on the session page of the detail only.
    QVERIFY(!w->BTN_Sentencia_SQL->isEnabled());
    w->Tabla_Recursos_Bloqueados->setCurrentIndex(1);
    QVERIFY(!w->BTN_Sentencia_SQL->isEnabled());
    w->PNIndex_Desc_Rec_Bloq->setCurrentIndex(1);
    QVERIFY(w->BTN_Sentencia_SQL->isEnabled());
    QVERIFY(w->BEliminar_Sesion->isEnabled());

    t.clearStatements();
    t.click(w, "BTN_Sentencia_SQL");
    QCOMPARE(t.statements(),
             std::vector<std::string>{"select sql_text from v$sqltext, v$session where sid = 143 and serial# = 9 and "
                                      "address = sql_address and hash_value = sql_hash_value order by piece"});
    QCOMPARE(w->Sentencia->toPlainText(), QString("UPDATE VENTAS.PEDIDOS SET ESTADO = :1 WHERE PEDIDO_ID = :2"));

    t.clearStatements();
    t.prompts.answer(shell::vbNo);
    t.click(w, "BEliminar_Sesion");
    QCOMPARE(t.prompts.last().title, std::string("Warning!"));
    QCOMPARE(t.prompts.last().text, std::string("Desea usted borrar la sesion: 143 9 ?"));
    QCOMPARE(t.prompts.last().defaultAnswer(), int(shell::vbNo));
    QVERIFY(t.statements().empty());
    t.prompts.answer(shell::vbYes);
    t.click(w, "BEliminar_Sesion");
    QCOMPARE(t.statements(), std::vector<std::string>{"alter system kill session '143,9'"});
    QCOMPARE(t.prompts.last().text, std::string("Sesion Borrada"));
    // The killed waiter leaves the wait-for chain: the lock list no longer has its request.
    t.click(w, "GBloqueos");
    QCOMPARE(rowOf(w, "LBloqueos", 1, "143", 6, "6"), 0);

    // Leaving the session page disables them again.
    w->PNIndex_Desc_Rec_Bloq->setCurrentIndex(0);
    QVERIFY(!w->BEliminar_Sesion->isEnabled());
}

QTEST_MAIN(BloqueosTest)
#include "test_bloqueos.moc"
