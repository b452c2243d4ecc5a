// Translation without an instance: every statement the console sends parses and
// translates; each rewrite pass produces the expected SQLite shape; malformed input
// gives Oracle's error numbers and never crashes.
#include "functions.h"
#include "parser.h"
#include "simerror.h"
#include "translator.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <random>

namespace {

// Every name resolves to a table "OWNER.NAME" whose columns are unknown.
class AnyCatalog : public sim::Catalog {
public:
    sim::ResolvedTable resolve(const std::string &schema, const std::string &name, const std::string &current) override
    {
        std::string owner = schema.empty() ? current : schema;
        return {owner + "." + name, owner, name, "TABLE"};
    }
    std::vector<std::string> columns(const std::string &) override { return {}; }
};

struct NoHost : sim::FunctionHost {
    std::int64_t now() const override { return 0; }
    std::string currentUser() const override { return "SYSTEM"; }
    long currentUid() const override { return 5; }
    long currentSid() const override { return 9; }
};

struct Entry {
    char kind;
    std::string text;
    int line;
};

std::vector<Entry> consoleStatements()
{
    std::ifstream in(std::string(SQLVIGIL_TEST_DATA) + "/console_statements.sql");
    std::vector<Entry> out;
    std::string line;
    int n = 0;
    while (std::getline(in, line)) {
        ++n;
        if (line.size() < 2 || line[0] == '#' || line[1] != '|') continue;
        out.push_back({line[0], line.substr(2), n});
    }
    return out;
}

std::string translate(const std::string &sql, const std::string &schema = "SYSTEM")
{
    AnyCatalog catalog;
    auto st = sim::parseStatement(sql);
    if (!st) throw sim::oraError(900);
    sim::Translator tr(catalog, schema);
    if (st->kind == sim::ast::Statement::Query) return tr.query(*st->select).sql;
    if (st->kind == sim::ast::Statement::Insert || st->kind == sim::ast::Statement::Update ||
        st->kind == sim::ast::Statement::Delete) {
        auto r = catalog.resolve(st->table.schema, st->table.name, schema);
        st->table.storage = r.storage;
        return tr.dml(*st);
    }
    if (st->select) return tr.query(*st->select).sql;
    return std::string();
}

// SQLite must accept the generated text up to name lookup: syntax and functions are ours.
void expectValidSqlite(sqlite3 *db, const std::string &sql, int line)
{
    if (sql.empty()) return;
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr);
    std::string msg = rc == SQLITE_OK ? "" : sqlite3_errmsg(db);
    sqlite3_finalize(st);
    EXPECT_TRUE(rc == SQLITE_OK || msg.rfind("no such table", 0) == 0)
        << "line " << line << ": " << msg << "\n" << sql;
}

TEST(Translation, EveryConsoleStatementParsesAndTranslates)
{
    auto entries = consoleStatements();
    ASSERT_GT(entries.size(), 120u);
    sqlite3 *db = nullptr;
    sqlite3_open(":memory:", &db);
    NoHost host;
    sim::registerFunctions(db, &host);
    int engine = 0, handlers = 0, blocks = 0;
    for (const Entry &e : entries) {
        SCOPED_TRACE("line " + std::to_string(e.line) + ": " + e.text);
        try {
            auto st = sim::parseStatement(e.text);
            if (e.kind == 'H') {
                EXPECT_EQ(st, nullptr) << "administrative DDL belongs to the dictionary's handlers";
                ++handlers;
                continue;
            }
            ASSERT_NE(st, nullptr);
            if (e.kind == 'B') {
                ASSERT_EQ(st->kind, sim::ast::Statement::Block);
                AnyCatalog catalog;
                sim::Translator tr(catalog, "SYSTEM");
                for (auto &step : st->body) {
                    ASSERT_EQ(step->kind, sim::ast::Statement::Query);
                    auto t = tr.query(*step->select);
                    EXPECT_EQ(t.into.size(), 1u);
                    expectValidSqlite(db, t.sql, e.line);
                }
                ++blocks;
                continue;
            }
            expectValidSqlite(db, translate(e.text), e.line);
            ++engine;
        } catch (const sim::SimError &err) {
            ADD_FAILURE() << err.what();
        }
    }
    sqlite3_close(db);
    EXPECT_GT(engine, 100);
    EXPECT_GT(handlers, 15);
    EXPECT_EQ(blocks, 2);
}

TEST(Translation, OuterJoinMarkersBecomeLeftJoins)
{
    std::string sql = translate("select a.x, b.y from a, b, c where a.k = b.k(+) and b.z(+) = 1 and c.k = a.k");
    EXPECT_EQ(sql, "SELECT \"A\".\"X\" AS \"X\", \"B\".\"Y\" AS \"Y\" FROM \"SYSTEM.A\" AS \"A\", \"SYSTEM.C\" AS \"C\" "
                   "LEFT JOIN \"SYSTEM.B\" AS \"B\" ON ((\"A\".\"K\" = \"B\".\"K\") AND (\"B\".\"Z\" = 1)) "
                   "WHERE (\"C\".\"K\" = \"A\".\"K\")");
    // A chain: d depends on the outer-joined c, which follows it.
    sql = translate("select 1 from v$process p, v$rollname r, v$session s, v$transaction t "
                    "where s.taddr = t.addr and s.paddr = p.addr(+) and r.usn = t.xidusn(+)");
    EXPECT_NE(sql.find("LEFT JOIN \"SYSTEM.V$PROCESS\" AS \"P\" ON (\"S\".\"PADDR\" = \"P\".\"ADDR\")"), std::string::npos) << sql;
    EXPECT_NE(sql.find("LEFT JOIN \"SYSTEM.V$TRANSACTION\" AS \"T\""), std::string::npos) << sql;
    try {
        translate("select 1 from a, b where a.x(+) = b.x(+)");
        FAIL();
    } catch (const sim::SimError &e) {
        EXPECT_EQ(e.code(), 1468);
    }
    try {
        translate("select 1 from a, b where a.x(+) = b.x and b.y(+) = a.y");
        FAIL();
    } catch (const sim::SimError &e) {
        EXPECT_EQ(e.code(), 1416);
    }
}

TEST(Translation, DialectMappings)
{
    EXPECT_EQ(translate("select unique x from t"), "SELECT DISTINCT \"X\" AS \"X\" FROM \"SYSTEM.T\" AS \"T\"");
    EXPECT_EQ(translate("select x from a minus select x from b"),
              "SELECT \"X\" AS \"X\" FROM \"SYSTEM.A\" AS \"A\" EXCEPT SELECT \"X\" AS \"X\" FROM \"SYSTEM.B\" AS \"B\"");
    EXPECT_EQ(translate("delete plan_table where statement_id = 'X'"),
              "DELETE FROM \"SYSTEM.PLAN_TABLE\" AS \"PLAN_TABLE\" WHERE (\"STATEMENT_ID\" = 'X')");
    EXPECT_EQ(translate("select sysdate, user from dual"), "SELECT ora_sysdate() AS \"SYSDATE\", ora_user() AS \"USER\"");
    EXPECT_EQ(translate("select * from dual"), "SELECT * FROM \"SYSTEM.DUAL\" AS \"DUAL\"");
    EXPECT_EQ(translate("select x from t where rownum <= 10 and y != ''"),
              "SELECT \"X\" AS \"X\" FROM \"SYSTEM.T\" AS \"T\" WHERE (\"Y\" != NULL) LIMIT 10");
    EXPECT_EQ(translate("select a||b||'c', a/b, a+1, 2+3 from t"),
              "SELECT ora_concat(\"A\", \"B\", 'c') AS \"A||B||'C'\", ora_div(\"A\", \"B\") AS \"A/B\", "
              "ora_add(\"A\", 1) AS \"A+1\", (2 + 3) AS \"2+3\" FROM \"SYSTEM.T\" AS \"T\"");
    EXPECT_EQ(translate("select count(*) n from sys.v$x"), "SELECT count(*) AS \"N\" FROM \"SYS.V$X\" AS \"V$X\"");
    EXPECT_EQ(translate("select nvl(sys.v$x.y, 0) from sys.v$x"),
              "SELECT ifnull(\"V$X\".\"Y\", 0) AS \"NVL(SYS.V$X.Y,0)\" FROM \"SYS.V$X\" AS \"V$X\"");
    EXPECT_EQ(translate("select \"Mixed Case\" from \"Tab\""),
              "SELECT \"Mixed Case\" AS \"Mixed Case\" FROM \"SYSTEM.Tab\" AS \"Tab\"");
}

TEST(Translation, ConnectByBecomesARecursiveQueryInDepthFirstOrder)
{
    std::string sql = translate("select level, name from t start with parent is null connect by prior id = parent");
    EXPECT_NE(sql.find("WITH RECURSIVE"), std::string::npos);
    EXPECT_NE(sql.find("ON ((\"__P\".\"ID\" = \"T\".\"PARENT\"))"), std::string::npos) << sql;
    EXPECT_NE(sql.find("ORDER BY \"T\".\"__PATH\""), std::string::npos) << sql;
    EXPECT_NE(sql.find("SELECT \"T\".\"__LVL\" AS \"LEVEL\""), std::string::npos) << sql;
    try {
        translate("select level from t");
        FAIL();
    } catch (const sim::SimError &e) {
        EXPECT_EQ(e.code(), 1788);
    }
}

TEST(Translation, MalformedStatementsGiveOracleErrors)
{
    struct Case {
        const char *sql;
        int code;
    } cases[] = {
        {"select from t", 936},
        {"select a b c from t", 923},
        {"select a from t where", 936},
        {"select a from t order", 924},
        {"select a from t xyz abc", 933},
        {"select (a from t", 907},
        {"select a from t;", 911},
        {"select 'abc from t", 1756},
        {"select a from t where a = ", 936},
        {"select nosuchfn(a) from t", 904},
        {"select substr(a) from t", 909},
        {"insert t values (1)", 925},
        {"update t x = 1", 971},
        {"create table t (a nosuchtype)", 902},
        {"select a from t start with a = 1", 933},
        {"select :x from dual", 1008},
        {"BEGIN if 1 = 1 then null; end if; END;", 6550},
    };
    for (const Case &c : cases) {
        try {
            translate(c.sql);
            ADD_FAILURE() << "no error for: " << c.sql;
        } catch (const sim::SimError &e) {
            EXPECT_EQ(e.code(), c.code) << c.sql << " -> " << e.what();
        }
    }
    // Deep nesting and long operator chains are refused, not a stack overflow.
    for (const std::string &sql : {"select " + std::string(100000, '(') + "1" + std::string(100000, ')') + " from dual",
                                   "select 1" + std::string(50000, '+').replace(0, 0, "") + " from dual"}) {
        EXPECT_THROW(translate(sql), sim::SimError);
    }
    std::string chain = "select 1";
    for (int i = 0; i < 20000; ++i) chain += "+1";
    try {
        translate(chain + " from dual");
        FAIL();
    } catch (const sim::SimError &e) {
        EXPECT_EQ(std::string(e.what()), "ORA-00900: expression too complex for this instance");
    }
    std::string nots = "select 1 from dual where ";
    for (int i = 0; i < 20000; ++i) nots += "not ";
    EXPECT_THROW(translate(nots + "1 = 1"), sim::SimError);
    std::string negs = "select ";
    for (int i = 0; i < 20000; ++i) negs += "- ";
    EXPECT_THROW(translate(negs + "1 from dual"), sim::SimError);
    EXPECT_NO_THROW(translate("select " + std::string(30, '(') + "1" + std::string(30, ')') + " from dual"));

    EXPECT_EQ(sim::parseStatement("alter system kill session '1,2'"), nullptr);
    EXPECT_EQ(sim::parseStatement("grant select on emp to jones"), nullptr);
}

// Mutated console statements (cut, duplicated, swapped, garbage bytes) never crash the
// translator: each one translates or raises an Oracle error.
TEST(Translation, MutatedStatementsNeverCrash)
{
    auto entries = consoleStatements();
    std::mt19937 rng(20240229);
    const std::string junk = "()'\",.;:+-*/|=<>!@#$%^&~`\\\n\t\x01\xff abcSELECT";
    int errors = 0, translated = 0;
    for (int round = 0; round < 4000; ++round) {
        std::string s = entries[rng() % entries.size()].text;
        int edits = 1 + static_cast<int>(rng() % 4);
        for (int k = 0; k < edits && !s.empty(); ++k) {
            std::size_t pos = rng() % s.size();
            switch (rng() % 4) {
            case 0: s.erase(pos, 1 + rng() % 12); break;
            case 1: s.insert(pos, 1, junk[rng() % junk.size()]); break;
            case 2: s = s.substr(0, pos); break;
            case 3: s.insert(pos, s.substr(rng() % s.size(), 1 + rng() % 20)); break;
            }
        }
        try {
            translate(s);
            ++translated;
        } catch (const sim::SimError &e) {
            EXPECT_EQ(std::string(e.what()).rfind("ORA-", 0), 0u) << e.what();
            ++errors;
        }
    }
    EXPECT_GT(errors, 0);
    EXPECT_GT(translated, 0);
}

} // namespace
