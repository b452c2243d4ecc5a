// The RedoLog Files and Control Files windows against the simulated instance:
// the statements, a group with two members (one without a status), control
// files without a status, a failing statement answered Ignore and Abort, and a
// disconnected server.
#include "cfiles.h"
#include "redolog.h"
#include "windowtest.h"

#include "prompts.h"
#include "resultgrid.h"

#include <QTest>

using harness::WindowTest;
using monitor::CFiles;
using monitor::RedoLog;

namespace {

const std::string kLogSql = "select group#, bytes, members from v$log";
const std::string kLogFileSql = "select group#, nvl(status,'Null') status, member from v$logfile";
const std::string kControlSql = "select nvl(status,'Null') status, name from v$controlfile";

} // namespace

class RedoLogTest : public QObject {
    Q_OBJECT
private slots:
    void groupsAndMembers();
    void controlFiles();
    void failuresAndDisconnectedServer();
};

void RedoLogTest::groupsAndMembers()
{
    WindowTest t;
    // Group 4 with two members, one of them without a status.
    t.serverScript("INSERT INTO SYS.X$LOG VALUES (4, 1, 1838, 5242880, 2, 'YES', 'UNUSED', 54100000, 200)");
    t.serverScript("INSERT INTO SYS.X$LOGFILE VALUES (4, 'INVALID', 'ONLINE', '/u04/oradata/ORCL/redo04a.log')");
    t.serverScript("INSERT INTO SYS.X$LOGFILE VALUES (4, NULL, 'ONLINE', '/u05/oradata/ORCL/redo04b.log')");
    auto *w = t.open<RedoLog>();
    t.click(w, "GRedolog");
    QCOMPARE(t.statements(), (std::vector<std::string>{kLogSql, kLogFileSql}));
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(t.ctx.pointer.code(), 0);
    QCOMPARE(t.rows(w, "LRedoLog1"), 5);
    QCOMPARE(t.cell(w, "LRedoLog1", 4, 0), QString("4"));
    QCOMPARE(t.cell(w, "LRedoLog1", 4, 1), QString("4"));
    QCOMPARE(t.cell(w, "LRedoLog1", 4, 2), QString("5242880"));
    QCOMPARE(t.cell(w, "LRedoLog1", 4, 3), QString("2"));
    QCOMPARE(t.cell(w, "LRedoLog1", 1, 2), QString("10485760"));
    QCOMPARE(t.rows(w, "LRedoLog2"), 9);
    QStringList group4;
    for (int r = 1; r < t.rows(w, "LRedoLog2"); ++r)
        if (t.cell(w, "LRedoLog2", r, 1) == "4")
            group4 << t.cell(w, "LRedoLog2", r, 2) + " " + t.cell(w, "LRedoLog2", r, 3);
    QCOMPARE(group4, (QStringList{"INVALID /u04/oradata/ORCL/redo04a.log", "Null /u05/oradata/ORCL/redo04b.log"}));
    // The scenario's group 2: one member stale, the other in use.
    QCOMPARE(t.cell(w, "LRedoLog2", 3, 2), QString("Null"));
    QCOMPARE(t.cell(w, "LRedoLog2", 4, 2), QString("STALE"));
    QCOMPARE(t.cell(w, "LRedoLog2", 4, 3), QString("/u03/oradata/ORCL/redo02b.log"));
    // A second press replaces the rows.
    t.click(w, "GRedolog");
    QCOMPARE(t.rows(w, "LRedoLog2"), 9);
}

void RedoLogTest::controlFiles()
{
    WindowTest t;
    t.serverScript("UPDATE SYS.X$CONTROLFILE SET STATUS = 'INVALID' WHERE NAME LIKE '/u04%'");
    auto *w = t.open<CFiles>();
    t.click(w, "GControlfiles");
    QCOMPARE(t.statements(), std::vector<std::string>{kControlSql});
    QCOMPARE(t.prompts.count(), 0u);
    QCOMPARE(t.rows(w, "LControlFile"), 4);
    QCOMPARE(t.cell(w, "LControlFile", 1, 0), QString("1"));
    QCOMPARE(t.cell(w, "LControlFile", 1, 1), QString("Null"));
    QCOMPARE(t.cell(w, "LControlFile", 1, 2), QString("/u02/oradata/ORCL/control01.ctl"));
    QCOMPARE(t.cell(w, "LControlFile", 3, 1), QString("INVALID"));
    QCOMPARE(t.cell(w, "LControlFile", 3, 2), QString("/u04/oradata/ORCL/control03.ctl"));
}

void RedoLogTest::failuresAndDisconnectedServer()
{
    {
        WindowTest t;
        auto *w = t.open<RedoLog>();
        t.failNext("v$log ", 942, "ORA-00942: table or view does not exist");
        t.failNext("from v$log", 942, "ORA-00942: table or view does not exist");
        t.prompts.answer(shell::vbIgnore);
        t.click(w, "GRedolog");
        // Ignore on the groups: the members still come.
        QCOMPARE(t.prompts.count(), 1u);
        QCOMPARE(t.rows(w, "LRedoLog1"), 2);
        QCOMPARE(t.rows(w, "LRedoLog2"), 7);
        // Abort on the groups: the members are not asked for.
        t.clearStatements();
        t.failNext("from v$log", 942, "ORA-00942: table or view does not exist");
        t.prompts.answer(shell::vbAbort);
        t.click(w, "GRedolog");
        QCOMPARE(t.statements(), std::vector<std::string>{kLogSql});
        QCOMPARE(t.rows(w, "LRedoLog2"), 2);
        QCOMPARE(t.ctx.pointer.code(), 0);
    }
    {
        harness::Options o;
        o.connect = false;
        WindowTest t(o);
        auto *w = t.open<RedoLog>();
        w->LRedoLog1->grid()->addRow({"1", "2", "3"});
        t.click(w, "GRedolog");
        QCOMPARE(t.rows(w, "LRedoLog1"), 2);
        QCOMPARE(t.cell(w, "LRedoLog1", 1, 1), QString());
        auto *c = t.open<CFiles>();
        c->LControlFile->grid()->addRow({"x", "y"});
        t.click(c, "GControlfiles");
        QCOMPARE(t.rows(c, "LControlFile"), 2);
        QCOMPARE(t.cell(c, "LControlFile", 1, 2), QString());
        QCOMPARE(t.prompts.count(), 0u);
    }
}

QTEST_MAIN(RedoLogTest)
#include "test_redolog.moc"
