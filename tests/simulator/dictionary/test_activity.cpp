// The instance moves with its clock, and options scale the scenario.
#include "fixture.h"

#include <chrono>

using namespace dicttest;

TEST_F(Orcl, FiguresAdvanceWithTheClock)
{
    auto value = [&](const std::string &stat) {
        return num("select value from v$sysstat where name = '" + stat + "'");
    };
    double gets = value("consistent gets"), hsecs = num("select hsecs from v$timer");
    double reads = num("select phyrds from v$filestat where file# = 3");
    double cpu = num("select value from v$sesstat s, v$statname n where n.statistic# = s.statistic# and s.sid = 150 and "
                     "n.name = 'CPU used by this session'");
    std::string logon = one("select to_char(logon_time, 'YYYY-MM-DD HH24:MI:SS') from v$session where sid = 150");
    double idle = num("select last_call_et from v$session where sid = 150");

    sim::testing::advanceClock(key, 600);
    EXPECT_GT(value("consistent gets"), gets);
    EXPECT_EQ(num("select hsecs from v$timer"), hsecs + 60000);
    EXPECT_GT(num("select phyrds from v$filestat where file# = 3"), reads);
    EXPECT_NEAR(num("select value from v$sesstat s, v$statname n where n.statistic# = s.statistic# and s.sid = 150 and "
                    "n.name = 'CPU used by this session'"), cpu + 0.1 * 0.95 * 600, 1.0);
    EXPECT_EQ(one("select to_char(logon_time, 'YYYY-MM-DD HH24:MI:SS') from v$session where sid = 150"), logon);
    EXPECT_EQ(num("select last_call_et from v$session where sid = 150"), idle + 600);
    EXPECT_EQ(one("select to_char(sysdate, 'YYYY-MM-DD HH24:MI:SS') from dual"), "2026-12-08 15:10:00");

    // A week later the ratios are what they were: the figures grow together.
    sim::testing::advanceClock(key, 7 * 86400);
    double cur = value("db block gets"), con = value("consistent gets"), phys = value("physical reads");
    EXPECT_NEAR(100 * (cur + con - phys) / (cur + con), 92.5, 0.1);
    EXPECT_GT(value("redo log space requests"), 300);   // the log buffer keeps waiting
}

TEST_F(Orcl, OptionsScaleSessionsAndDatafiles)
{
    auto start = std::chrono::steady_clock::now();
    open("?sessions=5000&datafiles=200");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 2.0);
    std::printf("5000 sessions and 200 datafiles loaded in %.3f s\n", seconds);
    EXPECT_EQ(one("select count(*) from v$session"), "5001");   // and this connection
    EXPECT_EQ(one("select value from v$sysstat where name = 'logons current'"), "5001");
    EXPECT_EQ(one("select count(*) from dba_data_files"), "200");
    EXPECT_EQ(one("select count(*) from v$process"), "5002");
    EXPECT_EQ(one("select count(distinct sid) from v$sesstat"), "5001");
    EXPECT_EQ(one("select count(*) from dba_free_space where tablespace_name = 'USERS'"), "195");
    EXPECT_EQ(one("select count(*) from v$datafile d, v$filestat f where f.file# = d.file#"), "200");
    Rows top = q("Select Distinct se.sid Sesion, sum(se.value) maxcpu From v$sesstat se, v$statname n where "
                 "n.statistic# = se.statistic# and n.name in ( 'CPU used by this session', 'CPU used when call started', "
                 "'parse time cpu', 'recursive cpu usage') group by se.sid order by 2 Desc");
    EXPECT_EQ(top.size(), 5001u);

    start = std::chrono::steady_clock::now();
    open("");
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("default scenario loaded in %.3f s\n", seconds);
    EXPECT_LT(seconds, 1.0);

    EXPECT_THROW(open("?sessions=lots"), sim::SimError);
    EXPECT_THROW(open("?logmode=sometimes"), sim::SimError);
    EXPECT_THROW(open("?scenario=mars"), sim::SimError);
}

TEST_F(Orcl, TheEngineTestInstanceStaysBare)
{
    sim::testing::resetInstance("TEST");
    auto bare = sim::Connection::open("TEST", "SYSTEM", "MANAGER");
    EXPECT_EQ(code("select count(*) from v$session", bare.get()), 942);
    bare.reset();
    sim::testing::resetInstance("TEST");
    open("?scenario=none");
    EXPECT_EQ(code("select count(*) from dba_users"), 942);
}

// A statement repeated while nothing changes skips the session bookkeeping; every kind of
// change in between still reaches v$session and the killed-session check.
TEST_F(Orcl, RepeatedStatementsStillSeeSessionChanges)
{
    const std::string count = "select count(*) from v$session where username = 'HR'";
    const int before = std::stoi(one(count));
    const std::string more = std::to_string(before + 1);
    auto hr = connect("HR", "HR");
    EXPECT_EQ(one("select count(*) from dual", hr.get()), "1");
    EXPECT_EQ(one(count), more);
    EXPECT_EQ(one(count), more);

    // Logging off changes no row, yet the next statement of the other connection sees it.
    hr.reset();
    EXPECT_EQ(one(count), std::to_string(before));

    // A session killed by another sees ORA-00028 on its next statement, the same text again.
    hr = connect("HR", "HR");
    const std::string sql = "select count(*) from dual";
    EXPECT_EQ(code(sql, hr.get()), 0);
    EXPECT_EQ(code(sql, hr.get()), 0);
    std::string serial = one("select serial# from v$session where sid = " + std::to_string(hr->id()));
    x("alter system kill session '" + std::to_string(hr->id()) + "," + serial + "'");
    EXPECT_EQ(code(sql, hr.get()), 28);

    // The time of the last call follows the clock between two runs of one statement.
    const std::string idle = "select last_call_et from v$session where sid = " + std::to_string(db->id());
    EXPECT_EQ(one(idle), "0");
    sim::testing::advanceClock(key, 5);
    EXPECT_EQ(one(idle), "0");
}
