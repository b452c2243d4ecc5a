// Calls off the caller's thread: the simulated network's latency and hang, breaking
// a call from another thread, time limits of statements and connects, dead
// connections, and blocks sent to several connections side by side.
#include "orasession.h"
#include "simdriver.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

using namespace access;

namespace {

using Clock = std::chrono::steady_clock;

long long msSince(Clock::time_point t)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - t).count();
}

std::unique_ptr<OraDatabase> open(OraSession &s, const std::string &service, OpenOptions how = {})
{
    return s.DbOpenDatabase(service, "SYSTEM/MANAGER", 0, how);
}

// Runs `call` and answers the error it threw (or a blank error when none).
OraError thrown(const std::function<void()> &call)
{
    try {
        call();
    } catch (const OraError &e) {
        return e;
    }
    return OraError(0, "");
}

} // namespace

TEST(SimWaits, OptionsAreTakenOutOfTheServiceText)
{
    std::string key = "ORCL?latency=250&sessions=40&HANG=1";
    SimWaits w = takeSimWaits(key);
    EXPECT_EQ(w.latencyMs, 250);
    EXPECT_TRUE(w.hang);
    EXPECT_EQ(key, "ORCL?sessions=40");

    key = "PROD?latency=0";
    w = takeSimWaits(key);
    EXPECT_EQ(key, "PROD");
    EXPECT_FALSE(w.hang);

    key = "ORCL";
    takeSimWaits(key);
    EXPECT_EQ(key, "ORCL");

    for (const char *bad : {"ORCL?latency=fast", "ORCL?latency=-5", "ORCL?hang=", "ORCL?latency=99999999"}) {
        key = bad;
        OraError e = thrown([&] { takeSimWaits(key); });
        EXPECT_EQ(e.serverCode(), 12154) << bad;
    }
}

TEST(SimWaits, LatencyDelaysEveryRoundTripAndKeepsTheInstance)
{
    sim::testing::resetInstance("ORCL");
    OraSession s;
    auto fast = open(s, "sim:ORCL");
    auto slow = open(s, "sim:ORCL?latency=150");
    // Both reach the same instance: the option is the network's, not the instance's.
    fast->DbExecuteSQL("create table scott.lat (a number)");
    auto t0 = Clock::now();
    auto d = slow->DbCreateDynaset("select count(*) n from scott.lat");
    EXPECT_GE(msSince(t0), 150);
    EXPECT_EQ(d->Fields("N").toString(), "0");
    t0 = Clock::now();
    slow->DbExecuteSQL("insert into scott.lat values (1)");
    slow->DbExecuteSQL("commit");
    EXPECT_GE(msSince(t0), 300);
    fast->DbExecuteSQL("drop table scott.lat");
}

TEST(BreakCall, HungStatementEndsWithCancelWhenBrokenFromAnotherThread)
{
    OraSession s;
    auto db = open(s, "sim:ORCL?hang=1", OpenOptions{std::make_shared<BlockingWaiter>(), 0, 0});
    auto t0 = Clock::now();
    std::thread breaker([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        db->BreakCall();
    });
    OraError e = thrown([&] { db->DbCreateDynaset("select * from dual"); });
    breaker.join();
    EXPECT_EQ(e.serverCode(), 1013);
    EXPECT_EQ(std::string(e.what()), "ORA-01013: user requested cancel of current operation");
    EXPECT_LT(msSince(t0), 1200);
    EXPECT_EQ(db->LastServerErr(), 1013);
    // A cancel leaves the connection usable.
    EXPECT_FALSE(db->Dead());
    EXPECT_TRUE(db->ConnectionOK());

    // A statement running inline (no waiter, no limit) is broken the same way.
    auto inlineDb = open(s, "sim:ORCL?hang=1");
    std::thread later([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        inlineDb->BreakCall();
    });
    e = thrown([&] { inlineDb->DbExecuteSQL("commit"); });
    later.join();
    EXPECT_EQ(e.serverCode(), 1013);
}

TEST(TimeLimits, StatementAndConnectLimitsEndTheCallWithAClearMessage)
{
    OraSession s;
    OpenOptions how;
    how.statementLimitMs = 300;
    auto db = open(s, "sim:ORCL?hang=1", how);
    auto t0 = Clock::now();
    OraError e = thrown([&] { db->DbCreateDynaset("select * from dual"); });
    const long long took = msSince(t0);
    EXPECT_GE(took, 300);
    EXPECT_LT(took, 1500);
    EXPECT_EQ(e.serverCode(), 1013);
    EXPECT_NE(std::string(e.what()).find("did not answer within its time limit of 300 ms"), std::string::npos)
        << e.what();

    // A statement that answers in time is not touched by the limit.
    auto quick = open(s, "sim:ORCL?latency=50", how);
    EXPECT_EQ(quick->DbCreateDynaset("select 1 one from dual")->Fields("ONE").toString(), "1");

    // The connect has its own limit: a server slower than it is given up.
    how = {};
    how.connectLimitMs = 200;
    t0 = Clock::now();
    e = thrown([&] { open(s, "sim:ORCL?latency=700", how); });
    EXPECT_LT(msSince(t0), 600);
    EXPECT_EQ(e.serverCode(), 12170);
    EXPECT_NE(std::string(e.what()).find("sim:ORCL?latency=700 did not answer within its time limit of 200 ms"),
              std::string::npos)
        << e.what();
    // The given-up connect still ends on its own thread; let it, before the instance goes.
    std::this_thread::sleep_for(std::chrono::milliseconds(700));
}

TEST(DeadConnections, LostConnectionIsMarkedAndFailsWithoutReachingTheServer)
{
    sim::testing::resetInstance("ORCL");
    OraSession s;
    auto db = open(s, "sim:ORCL", OpenOptions{std::make_shared<BlockingWaiter>(), 0, 0});
    EXPECT_FALSE(db->Dead());
    sim::testing::dropConnections("ORCL");
    OraError e = thrown([&] { db->DbCreateDynaset("select * from dual"); });
    EXPECT_EQ(e.serverCode(), 3113);
    EXPECT_TRUE(db->Dead());
    EXPECT_FALSE(db->ConnectionOK());
    sim::testing::clearStatementLog("ORCL");
    e = thrown([&] { db->DbExecuteSQL("commit"); });
    EXPECT_EQ(e.serverCode(), 3114);
    EXPECT_TRUE(sim::testing::statementTexts("ORCL").empty());

    // An ordinary server error does not mark the connection.
    auto other = open(s, "sim:ORCL");
    e = thrown([&] { other->DbCreateDynaset("select * from no_such_table"); });
    EXPECT_EQ(e.serverCode(), 942);
    EXPECT_FALSE(other->Dead());
    for (int code : {3113, 3114, 3135, 12537, 12547, 12570})
        EXPECT_TRUE(isDeadConnectionCode(code)) << code;
    for (int code : {0, 942, 1013, 1017})
        EXPECT_FALSE(isDeadConnectionCode(code)) << code;
}

TEST(StartedBlocks, SeveralConnectionsAnswerSideBySide)
{
    OraSession s;
    const std::string block = "BEGIN select count(*) into :N from v$session; END; ";
    std::vector<std::unique_ptr<OraDatabase>> dbs;
    for (int i = 0; i < 8; ++i) {
        dbs.push_back(open(s, "sim:ORCL?latency=200"));
        dbs.back()->Parameters().Add("N", OraValue::number(0), 2);
    }
    auto t0 = Clock::now();
    PendingCalls calls;
    for (auto &db : dbs)
        calls.push_back(db->StartExecuteSQL(block));
    for (auto &db : dbs)
        EXPECT_TRUE(db->Busy());
    std::vector<std::size_t> order;
    BlockingWaiter().wait(calls, [&](std::size_t i) { order.push_back(i); });
    // Eight round trips of 200 ms in about the time of one.
    EXPECT_LT(msSince(t0), 8 * 200 / 2);
    EXPECT_EQ(order.size(), 8u);
    for (std::size_t i = 0; i < dbs.size(); ++i) {
        dbs[i]->EndExecuteSQL(calls[i]);
        EXPECT_GT(dbs[i]->Parameters().Value("N").toDouble(), 0);
        EXPECT_FALSE(dbs[i]->Busy());
    }

    // A failed block leaves the outputs at their initial values; its error comes from End.
    auto db = open(s, "sim:ORCL");
    db->Parameters().Add("N", OraValue::number(0), 2);
    auto call = db->StartExecuteSQL("BEGIN select count(*) into :N from no_such_view; END; ");
    OraError e = thrown([&] { db->EndExecuteSQL(call); });
    EXPECT_EQ(e.serverCode(), 6550);      // the block does not compile
    EXPECT_EQ(db->Parameters().Value("N").toDouble(), 0);
}

TEST(PendingCalls, DroppedCallThrowsDroppedAndCloseBreaksACallOut)
{
    OraSession s;
    auto db = open(s, "sim:ORCL?hang=1", OpenOptions{std::make_shared<BlockingWaiter>(), 0, 0});
    db->Parameters().Add("N", OraValue::number(0), 2);
    auto call = db->StartExecuteSQL("BEGIN select count(*) into :N from v$session; END; ");
    call->drop();
    EXPECT_THROW(db->EndExecuteSQL(call), CallDropped);
    EXPECT_FALSE(db->Dead());

    // Closing a connection whose call is out breaks the call first.
    call = db->StartExecuteSQL("BEGIN select count(*) into :N from v$session; END; ");
    auto t0 = Clock::now();
    db->Close();
    EXPECT_LT(msSince(t0), 1000);
    EXPECT_TRUE(call->done());
    OraError e = thrown([&] { db->DbExecuteSQL("commit"); });
    EXPECT_EQ(e.serverCode(), 3114);
}

// Threads sharing one simulated instance, each on connections of its own: statements,
// cursors closed half read and connections closed while the others work. The
// instance's storage relies on the driver to serialise every use of it, so a path
// that skipped the instance's lock would corrupt it or crash here.
TEST(SimDriverThreads, ConnectionsOfOneInstanceOnSeveralThreadsStayConsistent)
{
    sim::testing::resetInstance("TEST");
    SimDriver driver;
    {
        auto setup = driver.open("TEST", "SYSTEM", "MANAGER");
        setup->execute("create table shared_rows (n number, t varchar2(20))");
        setup->execute("insert into shared_rows select level, 'row ' || level from dual connect by level <= 3000");
        setup->execute("commit");
        setup->close();
    }
    constexpr int kThreads = 4, kRounds = 60;
    std::vector<std::string> failures(kThreads);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            try {
                // Different spellings of one instance's name reach the same instance.
                const std::string service = t % 2 ? "test" : "TEST";
                const std::string own = "own_rows_" + std::to_string(t);
                auto keep = driver.open(service, "SYSTEM", "MANAGER");
                keep->execute("create table " + own + " (n number)");
                for (int round = 0; round < kRounds; ++round) {
                    auto c = driver.open(service, "SYSTEM", "MANAGER");
                    {
                        auto cursor = c->openCursor("select n, t from shared_rows order by n");
                        std::vector<std::vector<OraValue>> rows;
                        cursor->fetch(kFetchArray, rows);
                        if (rows.size() != kFetchArray || rows[0][0].toString() != "1")
                            throw std::runtime_error("first array of the shared rows read wrong");
                    }   // closed half read, under the other threads' feet
                    keep->execute("insert into " + own + " values (" + std::to_string(round) + ")");
                    OraResult r = c->query("select count(*) from shared_rows");
                    if (r.rows.at(0).at(0).toString() != "3000") throw std::runtime_error("shared count read wrong");
                    if (round % 2) c->close();   // the other half closed by the destructor
                }
                keep->execute("commit");
                OraResult mine = keep->query("select count(*), sum(n) from " + own);
                if (mine.rows.at(0).at(0).toString() != std::to_string(kRounds) ||
                    mine.rows.at(0).at(1).toString() != std::to_string(kRounds * (kRounds - 1) / 2))
                    throw std::runtime_error("own rows wrong: " + mine.rows.at(0).at(0).toString());
            } catch (const std::exception &e) {
                failures[static_cast<std::size_t>(t)] = e.what();
            }
        });
    }
    for (auto &th : threads) th.join();
    for (int t = 0; t < kThreads; ++t) EXPECT_EQ(failures[static_cast<std::size_t>(t)], "") << "thread " << t;
    sim::testing::resetInstance("TEST");
}
