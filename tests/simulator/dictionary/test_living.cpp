// The instance lives on after the scenario's moment: sessions log off and on, each works
// at its program's pace, the lock chain clears and forms, files and tablespaces grow, the
// cache ratios drift. Every figure is checked at known seconds of a fixed clock.
#include "fixture.h"

#include <chrono>
#include <cstdio>

using namespace dicttest;

namespace {

const char *const kCpuRanking =
    "select se.sid, sum(se.value) from v$sesstat se, v$statname n where n.statistic# = se.statistic# and "
    "n.name in ('CPU used by this session', 'CPU used when call started', 'parse time cpu', 'recursive cpu usage') "
    "group by se.sid order by 2 desc";
const char *const kDiskRanking =
    "select se.sid, sum(se.value) from v$sesstat se, v$statname n where n.statistic# = se.statistic# and "
    "n.name in ('write requests', 'session logical reads') group by se.sid order by 2 desc";

std::vector<std::string> firstColumn(const Rows &rows, std::size_t n)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i < rows.size() && i < n; ++i) out.push_back(rows[i][0]);
    return out;
}

} // namespace

TEST_F(Orcl, SessionsWorkAtTheirProgramsPace)
{
    // The sales application's JDBC pool leads on CPU, the batch jobs on appsrv01 on disk:
    // yesterday's (148) and today's (144, logged on 1600 s ago), reading 500 times faster
    // than their weight alone would.
    Rows cpu = q(kCpuRanking), disk = q(kDiskRanking);
    EXPECT_EQ(firstColumn(cpu, 4), (std::vector<std::string>{"133", "145", "135", "139"}));
    EXPECT_EQ(firstColumn(disk, 3), (std::vector<std::string>{"148", "144", "133"}));
    EXPECT_NE(firstColumn(cpu, 10), firstColumn(disk, 10));
    std::size_t batchOnCpu = 0;
    for (std::size_t i = 0; i < cpu.size(); ++i)
        if (cpu[i][0] == "144") batchOnCpu = i;
    EXPECT_GT(batchOnCpu, 15u);
    // An hour on, each has grown at its own rate: the batch job's reads by 0.9 * 55 * 500
    // a second, the idle SQL*Plus of SYSTEM (131) by a tenth of its weight.
    auto stat = [&](int sid, const char *name) {
        return num("select s.value from v$sesstat s, v$statname n where n.statistic# = s.statistic# and s.sid = " +
                   std::to_string(sid) + " and n.name = '" + name + "'");
    };
    double batch = stat(144, "session logical reads"), idle = stat(131, "session logical reads");
    double pool = stat(133, "CPU used by this session");
    sim::testing::advanceClock(key, 3600);
    EXPECT_NEAR(stat(144, "session logical reads") - batch, 0.9 * 55 * 500 * 3600, 1);
    EXPECT_NEAR(stat(131, "session logical reads") - idle, 0.15 * 55 * 0.1 * 3600, 1);
    EXPECT_NEAR(stat(133, "CPU used by this session") - pool, 0.85 * 0.1 * 2 * 3600, 1);
}

TEST_F(Orcl, SessionsLogOffAndOnAgain)
{
    auto sessions = [&] { return one("select count(*) from v$session"); };
    auto logons = [&] { return one("select value from v$sysstat where name = 'logons current'"); };
    EXPECT_EQ(sessions(), "31");   // the scenario's 30 and this connection
    sim::testing::advanceClock(key, 120);   // SYSTEM's console on PC-DBA02 (142) closes
    EXPECT_EQ(sessions(), "30");
    EXPECT_EQ(one("select count(*) from v$session where sid = 142"), "0");
    EXPECT_EQ(one("select count(*) from v$sesstat where sid = 142"), "0");
    sim::testing::advanceClock(key, 180);   // 300: pool connection 152 released
    EXPECT_EQ(sessions(), "29");
    sim::testing::advanceClock(key, 300);   // 600: and 134 for five minutes
    EXPECT_EQ(sessions(), "28");
    EXPECT_EQ(logons(), "28");
    sim::testing::advanceClock(key, 300);   // 900: 134 logs on again
    EXPECT_EQ(sessions(), "29");
    EXPECT_EQ(q("select to_char(logon_time, 'YYYY-MM-DD HH24:MI:SS'), last_call_et from v$session where sid = 134"),
              (Rows{{"2026-12-08 15:15:00", "0"}}));
    EXPECT_EQ(one("select value from v$sesstat s, v$statname n where n.statistic# = s.statistic# and s.sid = 134 "
                  "and n.name = 'session logical reads'"), "8");   // a fresh session: only its noise
    EXPECT_EQ(one("select count(*) from v$process"), "30");
}

TEST_F(Orcl, TheLockChainClearsAndFormsAgain)
{
    auto waiting = [&] { return q("select sid from v$session where lockwait is not null order by sid"); };
    EXPECT_EQ(waiting(), (Rows{{"139"}, {"143"}}));
    EXPECT_EQ(one("select count(*) from v$lock where request > 0 or block = 1"), "4");
    sim::testing::advanceClock(key, 1200);   // HR (136) commits: the chain unwinds
    EXPECT_EQ(waiting(), Rows{});
    EXPECT_EQ(one("select count(*) from v$lock where request > 0 or block = 1"), "0");
    EXPECT_EQ(one("select count(*) from v$lock where sid in (136, 139, 143)"), "0");
    EXPECT_EQ(one("select event from v$session_wait where sid = 139"), "SQL*Net message from client");
    sim::testing::advanceClock(key, 1200);   // 2400: the same rows are locked again
    EXPECT_EQ(waiting(), (Rows{{"139"}, {"143"}}));
    EXPECT_EQ(one("select event from v$session_wait where sid = 143"), "enqueue");
}

TEST_F(Orcl, FilesAndTablespacesGrowUnevenly)
{
    auto io = [&](const char *column, int file) {
        return num(std::string("select ") + column + " from v$filestat where file# = " + std::to_string(file));
    };
    auto base = [&](const char *column, int file) {
        return num(std::string("select ") + column + " from sys.x$datafile where file# = " + std::to_string(file));
    };
    double users = io("phyrds", 3), system = io("phyrds", 1), hist = io("phywrts", 8);
    sim::testing::advanceClock(key, 3600);
    // Reads of users01 grow at 3.5 times the rate of the three days before, system01 at 0.6.
    EXPECT_NEAR(io("phyrds", 3) - users, base("phyrds", 3) * 3.5 * 3600 / 345600, 1);
    EXPECT_NEAR(io("phyrds", 1) - system, base("phyrds", 1) * 0.6 * 3600 / 345600, 1);
    EXPECT_EQ(io("phywrts", 8), hist);   // HIST is read only

    // USERS gives VENTAS.FACTURAS a 64-block extent every day from the 1199 free blocks at
    // block 5201 of users02: 2598 free blocks in all, then 2534, ...
    auto freeBlocks = [&] { return one("select sum(blocks) from dba_free_space where tablespace_name = 'USERS'"); };
    EXPECT_EQ(freeBlocks(), "2598");
    sim::testing::advanceClock(key, 86400 - 3600);
    EXPECT_EQ(freeBlocks(), "2534");
    sim::testing::advanceClock(key, 2 * 86400);
    EXPECT_EQ(freeBlocks(), "2406");
    EXPECT_EQ(one("select extents || ' ' || blocks from dba_segments where owner = 'VENTAS' and segment_name = 'FACTURAS'"),
              "23 1472");
    EXPECT_EQ(one("select block_id || ' ' || blocks from dba_free_space where file_id = 7"), "5393 1007");
    EXPECT_EQ(one("select sum(bytes) / 8192 from dba_data_files where tablespace_name = 'USERS'"), "19200");
    // That extent holds 18 more: after it, the growth stops and the extent's last 47 blocks stay.
    sim::testing::advanceClock(key, 30 * 86400);
    EXPECT_EQ(one("select block_id || ' ' || blocks from dba_free_space where file_id = 7"), "6353 47");
    EXPECT_EQ(one("select extents from dba_segments where owner = 'VENTAS' and segment_name = 'FACTURAS'"), "38");
}

TEST_F(Orcl, CacheRatiosDriftAndCrossTheirThresholds)
{
    auto library = [&] { return num("select 100 * (sum(pins) - sum(reloads)) / sum(pins) from v$librarycache"); };
    auto buffer = [&] {
        return num("select 100 * (cur.value + con.value - phys.value) / (cur.value + con.value) from v$sysstat cur, "
                   "v$sysstat con, v$sysstat phys where cur.name = 'db block gets' and con.name = 'consistent gets' "
                   "and phys.name = 'physical reads'");
    };
    auto redo = [&] { return one("select value from v$sysstat where name = 'redo log space requests'"); };
    double lib0 = library(), buf0 = buffer();
    EXPECT_GT(lib0, 99.8);
    EXPECT_NEAR(buf0, 92.5, 0.1);
    EXPECT_EQ(redo(), "144");
    sim::testing::advanceClock(key, 60);
    EXPECT_EQ(redo(), "146");   // one wait for log space every 30 seconds
    // Five to fifteen minutes in, the weekly recompilation reloads 110000 SQL areas: the
    // library cache falls below the monitor's 99 %.
    sim::testing::advanceClock(key, 840);
    EXPECT_LT(library(), 99.0);
    EXPECT_GT(library(), 98.5);
    // The batch hour (3600 to 7200) reads from disk: the buffer cache ratio dips by a point
    // and is back a day later.
    sim::testing::advanceClock(key, 7200 - 900);
    EXPECT_LT(buffer(), buf0 - 1.0);
    sim::testing::advanceClock(key, 86400 - 7200 + 600);
    EXPECT_NEAR(buffer(), buf0, 0.05);
    EXPECT_GT(std::stod(redo()), 1000);   // and the log buffer has long been in alarm
}

TEST(Fleet, NumberedInstancesAreSeparateAndVaried)
{
    const std::int64_t now = 1796742000;
    std::vector<std::string> names = {"ORCL7", "ORCL8", "PROD3"};
    std::vector<std::string> figures;
    for (const auto &name : names) {
        sim::testing::resetInstance(name);
        sim::testing::setClock(name, now);
        auto c = sim::Connection::open(name, "SYSTEM", "MANAGER");
        TextSink s;
        c->query("select i.instance_name, i.host_name, (select value from v$sysstat where name = 'consistent gets'), "
                 "(select count(*) from v$session), (select round(100 * (sum(pins) - sum(reloads)) / sum(pins), 2) "
                 "from v$librarycache) from v$instance i", s);
        ASSERT_EQ(s.rows.size(), 1u);
        EXPECT_EQ(s.rows[0][0], name);
        EXPECT_EQ(s.rows[0][3].empty(), false);
        std::string f;
        for (std::size_t k = 1; k < s.rows[0].size(); ++k) f += s.rows[0][k] + " ";
        figures.push_back(f);
        // Each one is its own instance: a table made in one is not in another.
        c->execute("create table scott.only_here (x number)");
    }
    EXPECT_NE(figures[0], figures[1]);
    EXPECT_NE(figures[1], figures[2]);
    auto other = sim::Connection::open("ORCL9", "SYSTEM", "MANAGER");
    std::string err;
    EXPECT_EQ(simtest::errorCode([&] { TextSink s; other->query("select * from scott.only_here", s); }, err), 942);
    other.reset();
    for (const auto &name : names) sim::testing::resetInstance(name);
    sim::testing::resetInstance("ORCL9");
    // A fleet of 128 opens in a moment: the scenario loads once, the others start from a copy.
    auto start = std::chrono::steady_clock::now();
    std::vector<std::unique_ptr<sim::Connection>> fleet;
    for (int i = 1; i <= 128; ++i) fleet.push_back(sim::Connection::open("ORCL" + std::to_string(i), "SYSTEM", "MANAGER"));
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("128 fleet instances opened in %.3f s\n", seconds);
    EXPECT_LT(seconds, 10.0);
    TextSink last;
    fleet.back()->query("select instance_name, (select count(*) from v$session) from v$instance", last);
    ASSERT_EQ(last.rows.size(), 1u);
    EXPECT_EQ(last.rows[0][0], "ORCL128");
    // Its own sessions only: the scenario's, less those of its cycles away now, and this one.
    EXPECT_GE(std::stoi(last.rows[0][1]), 25);
    EXPECT_LE(std::stoi(last.rows[0][1]), 31);
    fleet.clear();
    for (int i = 1; i <= 128; ++i) sim::testing::resetInstance("ORCL" + std::to_string(i));
    // Names outside the fleet's pattern stay unknown.
    EXPECT_THROW(sim::Connection::open("ORCL0", "SYSTEM", "MANAGER"), sim::SimError);
    EXPECT_THROW(sim::Connection::open("ORCLX1", "SYSTEM", "MANAGER"), sim::SimError);
}
