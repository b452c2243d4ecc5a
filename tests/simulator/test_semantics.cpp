// More of Oracle's behaviour on a live instance: joins, predicates, session values,
// synonym chains, the translation cache, transactions across connections.
#include "extension.h"
#include "functions.h"
#include "simerror.h"
#include "simtest.h"
#include "simulator.h"
#include "testing.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>

namespace {

using simtest::Rows;
using simtest::TextSink;

class Semantics : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::testing::resetInstance("DEV");
        db = sim::Connection::open("DEV", "SYSTEM", "MANAGER");
        sim::testing::runScript("DEV", R"(
CREATE TABLE SCOTT.T (ID NUMBER, GRP VARCHAR2(10), V NUMBER, NOTE VARCHAR2(20));
INSERT INTO SCOTT.T VALUES (1, 'a', 10, 'x_1');
INSERT INTO SCOTT.T VALUES (2, 'a', 20, 'x%2');
INSERT INTO SCOTT.T VALUES (3, 'b', 30, NULL);
INSERT INTO SCOTT.T VALUES (4, NULL, NULL, 'four');
CREATE TABLE SCOTT.U (ID NUMBER, LABEL VARCHAR2(10));
INSERT INTO SCOTT.U VALUES (1, 'one');
INSERT INTO SCOTT.U VALUES (3, 'three');
INSERT INTO SCOTT.U VALUES (5, 'five');
)");
        db->execute("alter session set current_schema=SCOTT");
    }
    void TearDown() override
    {
        db.reset();
        sim::testing::resetInstance("DEV");
    }
    Rows rows(const std::string &sql, sim::Connection *c = nullptr)
    {
        TextSink s;
        (c ? c : db.get())->query(sql, s);
        names = s.names;
        return s.rows;
    }
    std::string value(const std::string &sql) { return rows(sql).at(0).at(0); }
    int code(const std::string &sql, sim::Connection *c = nullptr)
    {
        return simtest::errorCode([&] { (c ? c : db.get())->execute(sql); }, error);
    }
    std::unique_ptr<sim::Connection> db;
    std::vector<std::string> names;
    std::string error;
};

TEST_F(Semantics, AnsiJoinsAndInlineViews)
{
    EXPECT_EQ(rows("select t.id, u.label from t left join u on u.id = t.id order by t.id"),
              (Rows{{"1", "one"}, {"2", "~"}, {"3", "three"}, {"4", "~"}}));
    EXPECT_EQ(rows("select t.id, u.label from t join u on u.id = t.id order by 1"), (Rows{{"1", "one"}, {"3", "three"}}));
    EXPECT_EQ(rows("select u.id from t right join u on u.id = t.id where t.id is null"), (Rows{{"5"}}));
    EXPECT_EQ(value("select count(*) from t full outer join u on u.id = t.id"), "5");
    EXPECT_EQ(value("select count(*) from t cross join u"), "12");
    EXPECT_EQ(rows("select x.grp, x.total from (select grp, sum(v) total from t group by grp) x where x.total > 20"),
              (Rows{{"a", "30"}, {"b", "30"}}));
    EXPECT_EQ(value("select count(*) from (select id from t union select id from u)"), "5");
}

TEST_F(Semantics, SubqueryFactoring)
{
    EXPECT_EQ(rows("with big as (select id, v from t where v > 10) "
                   "select b.id, u.label from big b, u where u.id(+) = b.id order by 1"),
              (Rows{{"2", "~"}, {"3", "three"}}));
    EXPECT_EQ(value("with a as (select id from t), b as (select count(*) n from a) select n from b"), "4");
    EXPECT_EQ(value("with u as (select 42 id from dual) select id from u"), "42");   // shadows SCOTT.U
    EXPECT_EQ(value("select count(*) from t where id in (with x as (select id from u) select id from x)"), "2");
    db->execute("create table scott.w as with x as (select id from u) select id from x");
    EXPECT_EQ(value("select count(*) from scott.w"), "3");
}

TEST_F(Semantics, Predicates)
{
    EXPECT_EQ(value("select count(*) from t where note like 'x\\_%' escape '\\'"), "1");
    EXPECT_EQ(value("select count(*) from t where note like 'x_%'"), "2");
    EXPECT_EQ(value("select count(*) from t where id not between 2 and 3"), "2");
    EXPECT_EQ(value("select count(*) from t where grp not in ('b')"), "2");   // NULL grp is neither
    EXPECT_EQ(value("select count(*) from t where (id, grp) in (select id, 'a' from u)"), "1");
    EXPECT_EQ(value("select count(*) from t where v > 15 or grp is null"), "3");
    EXPECT_EQ(value("select count(*) from t where not (v > 15)"), "1");
    EXPECT_EQ(value("select count(*) from t where id in (select id from u) and exists (select 1 from u where u.id = 5)"), "2");
    EXPECT_EQ(value("select cast('12.50' as number) + 1 from dual"), "13.5");
    EXPECT_EQ(value("select cast(7 as varchar2(10)) || 'x' from dual"), "7x");
}

TEST_F(Semantics, SessionValues)
{
    EXPECT_EQ(value("select user from dual"), "SYSTEM");
    EXPECT_EQ(value("select uid from dual"), "5");
    auto scott = sim::Connection::open("DEV", "SCOTT", "TIGER");
    EXPECT_EQ(rows("select user, uid from dual", scott.get())[0], (std::vector<std::string>{"SCOTT", "31"}));
    EXPECT_EQ(rows("select userenv('SESSIONID') from dual", scott.get())[0][0], std::to_string(scott->id()));
    EXPECT_NE(scott->id(), db->id());
    EXPECT_EQ(value("select chr(65) || ascii('a') from dual"), "A97");
    EXPECT_EQ(value("select round(months_between(to_date('2024-03-31','YYYY-MM-DD'), to_date('2024-01-31','YYYY-MM-DD')), 2) from dual"), "2");
    EXPECT_EQ(value("select greatest(to_date('2024-01-01','YYYY-MM-DD'), to_date('2023-01-01','YYYY-MM-DD')) from dual"),
              "2024-01-01 00:00:00");
    EXPECT_EQ(value("select round(stddev(v), 4) from t"), "10");
    EXPECT_EQ(value("select variance(v) from t"), "100");
}

TEST_F(Semantics, ResultColumnNames)
{
    rows("select id, t.grp, v \"Value\", v*2, count(*) over_n, nvl(note, '-') from t group by id, t.grp, v, note");
    EXPECT_EQ(names, (std::vector<std::string>{"ID", "GRP", "Value", "V*2", "OVER_N", "NVL(NOTE,'-')"}));
    rows("select * from u");
    EXPECT_EQ(names, (std::vector<std::string>{"ID", "LABEL"}));
    rows("select u.*, 1 one from u");
    EXPECT_EQ(names, (std::vector<std::string>{"ID", "LABEL", "ONE"}));
}

TEST_F(Semantics, MoreErrorNumbers)
{
    struct Case {
        const char *sql;
        int code;
    } cases[] = {
        {"select id from t, u", 918},
        {"select id from t union select id, label from u", 1789},
        {"select id from t union select id from u order by 2", 1785},
        {"select id from t where id = (select id, label from u where rownum = 1)", 913},
        {"select * from t where id = :x", 1008},
        {"select * from t@remote", 2019},
        {"select t.id from t, u where t.id(+) = u.id and u.id(+) = t.id", 1416},
        {"select 1 from t, u where t.id(+) = u.id(+)", 1468},
        {"select level from t", 1788},
        {"select 1 from t start with id = 1 connect by prior id = id and 1 = 1", 1436},
    };
    for (const Case &c : cases) EXPECT_EQ(code(c.sql), c.code) << c.sql << " -> " << error;
}

TEST_F(Semantics, SynonymChains)
{
    db->execute("create synonym scott.s1 for scott.s2");
    db->execute("create synonym scott.s2 for scott.t");
    EXPECT_EQ(value("select count(*) from s1"), "4");
    db->execute("create public synonym pub_u for scott.u");
    EXPECT_EQ(value("select count(*) from pub_u"), "3");
    db->execute("create synonym scott.dangling for scott.nothing");
    EXPECT_EQ(code("select * from dangling"), 980);
    db->execute("create synonym scott.l1 for scott.l2");
    db->execute("create synonym scott.l2 for scott.l1");
    EXPECT_EQ(code("select * from l1"), 1775);
    EXPECT_EQ(code("create synonym scott.s1 for scott.u"), 955);
    db->execute("create or replace synonym scott.s1 for scott.u");
    EXPECT_EQ(value("select count(*) from s1"), "3");
    EXPECT_EQ(code("drop synonym scott.nosuch"), 1434);
    // A synonym for a remote object is kept with its link; using it needs the link.
    db->execute("create synonym scott.remote_t for conta.facturas@central.world");
    EXPECT_EQ(code("select * from remote_t"), 2019);
    sqlite3 *raw = sim::testing::context("DEV").db();
    sqlite3_stmt *q = nullptr;
    sqlite3_prepare_v2(raw, "SELECT DB_LINK FROM SIM_SYNONYMS WHERE SYNONYM_NAME = 'REMOTE_T'", -1, &q, nullptr);
    ASSERT_EQ(sqlite3_step(q), SQLITE_ROW);
    EXPECT_EQ(std::string(reinterpret_cast<const char *>(sqlite3_column_text(q, 0))), "CENTRAL.WORLD");
    sqlite3_finalize(q);
    db->execute("drop synonym scott.remote_t");
}

TEST_F(Semantics, CachedTranslationsFollowCatalogChanges)
{
    auto scott = sim::Connection::open("DEV", "SCOTT", "TIGER");
    db->execute("create table system.things (x number)");
    db->execute("insert into system.things values (1)");
    db->execute("create public synonym things for system.things");
    db->execute("grant select on system.things to public");   // DEV checks object privileges
    const std::string q = "select count(*) from things";
    EXPECT_EQ(rows(q, scott.get())[0][0], "1");
    // A private object of the same name now shadows the public synonym.
    scott->execute("create table things (x number)");
    EXPECT_EQ(rows(q, scott.get())[0][0], "0");
    scott->execute("drop table things");
    EXPECT_EQ(rows(q, scott.get())[0][0], "1");
    // The same text in another schema resolves there.
    db->execute("alter session set current_schema=SYSTEM");
    EXPECT_EQ(value(q), "1");
}

TEST_F(Semantics, TransactionsAcrossConnections)
{
    auto other = sim::Connection::open("DEV", "SYSTEM", "MANAGER");
    db->execute("insert into u values (7, 'seven')");
    other->execute("commit");   // one transaction per instance: the other session's commit ends it
    db->execute("rollback");
    EXPECT_EQ(value("select count(*) from u"), "4");
    db->execute("insert into u values (8, 'eight')");
    db->close();   // a normal logoff commits
    EXPECT_EQ(rows("select count(*) from scott.u", other.get())[0][0], "5");
    other->execute("insert into scott.u values (9, 'nine')");
    sim::testing::dropConnections("DEV");   // a lost connection rolls back
    auto again = sim::Connection::open("DEV", "SYSTEM", "MANAGER");
    EXPECT_EQ(rows("select count(*) from scott.u", again.get())[0][0], "5");
    EXPECT_FALSE(other->connectionOK());
}

TEST_F(Semantics, HooksAndHandlersUseTheSessionContext)
{
    sim::InstanceContext &ctx = sim::testing::context("DEV");
    ctx.runScript("CREATE TABLE SYS.CALLS (N NUMBER);\nINSERT INTO SYS.CALLS VALUES (0);\n");
    ctx.addBeforeStatementHook([](sim::SessionContext &s) { s.execute("update sys.calls set n = n + 1"); });
    std::string translated;
    ctx.addStatementHandler([&](sim::SessionContext &s, const std::string &sql, long &rows) {
        if (sql.rfind("probe", 0) != 0) return false;
        translated = s.translateQuery("select id from t where rownum = 1");
        EXPECT_EQ(s.currentSchema(), "SCOTT");
        EXPECT_EQ(s.user(), "SYSTEM");
        rows = 3;
        return true;
    });
    sim::testing::clearStatementLog("DEV");
    EXPECT_EQ(db->execute("probe t"), 3);
    EXPECT_EQ(translated, "SELECT \"ID\" AS \"ID\" FROM \"SCOTT.T\" AS \"T\" LIMIT 1");
    EXPECT_EQ(value("select n from sys.calls"), "2");
    EXPECT_EQ(sim::testing::statementTexts("DEV").size(), 2u);   // nested statements are not logged
}

TEST_F(Semantics, DatesBecomeTextInTheSessionsDefaultForm)
{
    EXPECT_EQ(value("select to_char(to_date('2024-03-05 10:00:00', 'YYYY-MM-DD HH24:MI:SS')) from dual"), "05-MAR-24");
    EXPECT_EQ(value("select 'on ' || to_date('1999-12-31', 'YYYY-MM-DD') from dual"), "on 31-DEC-99");
    EXPECT_EQ(value("select to_date('07-JUL-24') from dual"), "2024-07-07 00:00:00");
}

TEST_F(Semantics, Savepoints)
{
    db->execute("insert into u values (10, 'ten')");
    db->execute("savepoint before_eleven");
    db->execute("insert into u values (11, 'eleven')");
    db->execute("rollback to savepoint before_eleven");
    EXPECT_EQ(value("select count(*) from u where id >= 10"), "1");
    db->execute("rollback");
    EXPECT_EQ(value("select count(*) from u where id >= 10"), "0");
    EXPECT_EQ(code("rollback to nowhere"), 1086);
}

TEST_F(Semantics, InstanceNamesFromTheEnvironment)
{
    EXPECT_THROW(sim::Connection::open("LAB7", "SYSTEM", "MANAGER"), sim::SimError);
    setenv("SQLVIGIL_SIM_INSTANCES", "lab6,LAB7", 1);
    EXPECT_NO_THROW(sim::Connection::open("lab7", "SYSTEM", "MANAGER"));
    unsetenv("SQLVIGIL_SIM_INSTANCES");
    sim::testing::resetInstance("LAB7");
    try {
        sim::Connection::open("LAB8", "SYSTEM", "MANAGER");
        FAIL();
    } catch (const sim::SimError &e) {
        EXPECT_EQ(e.code(), 12154);
    }
}

} // namespace
