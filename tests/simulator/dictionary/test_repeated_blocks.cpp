// Blocks sent again and again, as the Servers Status window sends its status block to every
// server each tick: they run from their kept translation, yet follow the clock, the
// catalog, each user's rights and each instance's own data; and the living views they
// join cost a fraction of a millisecond.
#include "fixture.h"

#include <sqlite3.h>

#include <ctime>
#include <map>

using namespace dicttest;

namespace {

const std::vector<std::string> kStatusBinds = {"SSGA", "SSESSIONS", "SREDLOG", "SLIBCAC", "SROWCAC", "SBUFCAC"};

// The same figures as plain queries, which never go through a block.
const std::map<std::string, std::string> kStatusQueries = {
    {"SREDLOG", "select value from v$sysstat where name = 'redo log space requests'"},
    {"SLIBCAC", "select 100 * (sum(pins)-sum(reloads))/sum(pins) from v$librarycache"},
    {"SROWCAC", "select 100 * (sum(gets)-sum(getmisses))/sum(gets) from v$rowcache"},
};

using Figures = std::map<std::string, std::string>;

double threadCpuMs()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

class Blocks : public Orcl {
protected:
    // Runs `block` on `c` (the test's connection by default): the binds' texts by name.
    Figures run(const std::string &block, const std::vector<std::string> &names, sim::Connection *c = nullptr)
    {
        std::vector<sim::BindValue> binds;
        for (const auto &n : names) {
            sim::BindValue b;
            b.name = n;
            binds.push_back(b);
        }
        (c ? c : db.get())->executeBlock(block, binds);
        Figures out;
        for (const auto &b : binds) out[b.name] = b.isNull ? "~" : b.text;
        return out;
    }
    std::string value(const std::string &block, sim::Connection *c = nullptr) { return run(block, {"N"}, c)["N"]; }
    // The Oracle error a block raises, its text in lastError; 0 when it runs.
    int blockCode(const std::string &block, sim::Connection *c = nullptr,
                  const std::vector<std::string> &names = {"N"})
    {
        return simtest::errorCode([&] { run(block, names, c); }, lastError);
    }
};

// The status block answers the same as often as it is sent while nothing moves, and what
// the plain queries answer; when the clock moves, the kept block follows it.
TEST_F(Blocks, AKeptStatusBlockFollowsTheClock)
{
    const Figures first = run(kBloqueEstado, kStatusBinds);
    EXPECT_EQ(run(kBloqueEstado, kStatusBinds), first);
    for (const auto &[name, sql] : kStatusQueries) {
        Rows r = q(sql);
        ASSERT_EQ(r.size(), 1u);
        EXPECT_NEAR(std::stod(first.at(name)), std::stod(r[0][0]), 1e-6) << name;
    }
    // Three hours on: more log space requests (one each 30 s), the same SGA.
    sim::testing::advanceClock(key, 3 * 3600);
    const Figures later = run(kBloqueEstado, kStatusBinds);
    EXPECT_GE(std::stol(later.at("SREDLOG")) - std::stol(first.at("SREDLOG")), 3 * 3600 / 30);
    EXPECT_EQ(later.at("SREDLOG"), q(kStatusQueries.at("SREDLOG"))[0][0]);
    EXPECT_NE(later.at("SBUFCAC"), first.at("SBUFCAC"));   // the batch hour reads from disk
    EXPECT_EQ(later.at("SSGA"), first.at("SSGA"));
    EXPECT_EQ(run(kBloqueEstado, kStatusBinds), later);
}

// A kept block is the translation of its own text, for the current schema, and is dropped
// when a definition it reads changes.
TEST_F(Blocks, AKeptBlockSeesItsTextTheSchemaAndDefinitionChanges)
{
    x("create view system.probe as select 1 n from dual");
    const std::string block = "begin select n into :N from probe; end;";
    EXPECT_EQ(value(block), "1");
    EXPECT_EQ(value(block), "1");
    EXPECT_EQ(value("begin select n + 1 into :N from probe; end;"), "2");
    EXPECT_EQ(value("begin  select n into :N from probe; end;"), "1");
    x("create or replace view system.probe as select 7 n from dual");
    EXPECT_EQ(value(block), "7");
    x("drop view system.probe");
    EXPECT_EQ(blockCode(block), 6550);
    EXPECT_NE(lastError.find("ORA-00942"), std::string::npos) << lastError;
    x("create table system.probe (n number)");
    x("insert into system.probe values (3)");
    EXPECT_EQ(value(block), "3");

    // The same text in another current schema names other objects.
    const std::string employees = "begin select count(*) into :N from employees; end;";
    EXPECT_EQ(blockCode(employees), 6550);
    x("alter session set current_schema = HR");
    EXPECT_EQ(value(employees), one("select count(*) from hr.employees"));
    x("alter session set current_schema = SYSTEM");
    EXPECT_EQ(blockCode(employees), 6550);
}

// Errors raised while a kept block runs are the same as on its first run: no row, too
// many rows, an undeclared bind; each with the line it was raised at.
TEST_F(Blocks, AKeptBlockRaisesRunTimeErrorsAtTheirLine)
{
    x("create table system.probe (n number)");
    const std::string block = "begin\nselect count(*) into :N from dual;\nselect n into :N from probe;\nend;";
    EXPECT_EQ(blockCode(block), 1403);
    const std::string noRow = lastError;
    EXPECT_NE(noRow.find("ORA-06512: at line 3"), std::string::npos) << noRow;
    x("insert into system.probe values (5)");
    EXPECT_EQ(value(block), "5");
    EXPECT_EQ(value(block), "5");   // now from the kept translation
    x("insert into system.probe values (6)");
    EXPECT_EQ(blockCode(block), 1422);
    EXPECT_NE(lastError.find("ORA-06512: at line 3"), std::string::npos) << lastError;
    x("delete from system.probe");
    EXPECT_EQ(blockCode(block), 1403);
    EXPECT_EQ(lastError, noRow);
    EXPECT_EQ(blockCode(block, nullptr, {"M"}), 1008);
}

// Translations are kept per rights: a user without access to the dynamic views never
// runs the status block another user's run left translated, and grants and revokes
// apply to kept blocks at the next run.
TEST_F(Blocks, AKeptBlockKeepsEachUsersRights)
{
    run(kBloqueEstado, kStatusBinds);
    auto scott = connect("SCOTT", "TIGER");
    EXPECT_EQ(blockCode(kBloqueEstado, scott.get(), kStatusBinds), 6550);
    EXPECT_NE(lastError.find("ORA-00942"), std::string::npos) << lastError;
    auto agent = connect("DBSNMP", "DBSNMP");   // holds SELECT_CATALOG_ROLE
    EXPECT_EQ(blockCode(kBloqueEstado, agent.get(), kStatusBinds), 0);

    // Translated first for SYSTEM working in SCOTT's schema, then sent by SCOTT himself.
    const std::string jobs = "begin select count(*) into :N from hr.jobs; end;";
    x("alter session set current_schema = SCOTT");
    EXPECT_EQ(value(jobs), one("select count(*) from hr.jobs"));
    EXPECT_EQ(blockCode(jobs, scott.get()), 6550);
    EXPECT_NE(lastError.find("ORA-00942"), std::string::npos) << lastError;
    x("grant select on hr.jobs to scott");
    EXPECT_EQ(value(jobs, scott.get()), one("select count(*) from hr.jobs"));
    EXPECT_EQ(value(jobs, scott.get()), one("select count(*) from hr.jobs"));
    x("revoke select on hr.jobs from scott");
    EXPECT_EQ(blockCode(jobs, scott.get()), 6550);
}

// Each instance of a fleet answers the status block with its own figures, whichever ran
// it first.
TEST_F(Blocks, EachInstanceAnswersWithItsOwnFigures)
{
    std::map<std::string, Figures> seen;
    for (const std::string name : {"ORCL11", "ORCL12"}) {
        sim::testing::resetInstance(name);
        sim::testing::setClock(name, kNow);   // as the fixture opens ORCL: the clock fixed first
        sim::testing::resetInstance(name);
        sim::testing::setClock(name, kNow);
        auto c = sim::Connection::open(name, "SYSTEM", "MANAGER");
        seen[name] = run(kBloqueEstado, kStatusBinds, c.get());
        EXPECT_EQ(run(kBloqueEstado, kStatusBinds, c.get()), seen[name]);
        TextSink s;
        c->query(kStatusQueries.at("SREDLOG"), s);
        EXPECT_EQ(seen[name].at("SREDLOG"), s.rows.at(0).at(0)) << name;
        c.reset();
        sim::testing::resetInstance(name);
    }
    EXPECT_NE(seen["ORCL11"].at("SBUFCAC"), seen["ORCL12"].at("SBUFCAC"));
    EXPECT_NE(seen["ORCL11"].at("SREDLOG"), seen["ORCL12"].at("SREDLOG"));
}

// The dynamic views answer only users who may read the dictionary, even when the answer
// would be empty; and six of them joined (the status block's buffer cache ratio) cost
// well under a millisecond, so 128 servers polled at once stay within one tick. The
// join once read every view whole for each row of the one before (8 ms a block).
TEST_F(Blocks, GuardedViewsRefuseFirstAndJoinCheaply)
{
    x("grant select on sys.v_$sga to scott");
    auto scott = connect("SCOTT", "TIGER");
    EXPECT_EQ(code("select * from v$sga", scott.get()), 942);
    EXPECT_EQ(code("select * from v$sga where 1 = 0", scott.get()), 942);
    EXPECT_EQ(code("select * from v$sga where 1 = 0"), 0);

    run(kBloqueEstado, kStatusBinds);
    const int runs = 20;
    const double start = threadCpuMs();
    for (int i = 0; i < runs; ++i) run(kBloqueEstado, kStatusBinds);
    const double perBlock = (threadCpuMs() - start) / runs;
    std::printf("status block: %.3f ms of CPU\n", perBlock);
    EXPECT_LT(perBlock, 2.0);
}

// SQLite keeps no process-wide allocation count: that count is taken under one lock for
// every allocation of every instance, and would make instances polled at once take turns.
TEST_F(Blocks, InstancesShareNoAllocationLock)
{
    run(kBloqueEstado, kStatusBinds);
    EXPECT_EQ(sqlite3_memory_used(), 0);
}

} // namespace
