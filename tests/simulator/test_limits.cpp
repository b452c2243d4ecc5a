// The engine at the edges of its value ranges and sizes: every statement either runs or
// fails with Oracle's own error, quickly and within bounded memory.
#include "parser.h"
#include "simerror.h"
#include "simtest.h"
#include "simulator.h"
#include "testing.h"
#include "translator.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using simtest::Rows;
using simtest::TextSink;

class Limits : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::testing::resetInstance("TEST");
        db = sim::Connection::open("TEST", "SYSTEM", "MANAGER");
    }
    void TearDown() override
    {
        db.reset();
        sim::testing::resetInstance("TEST");
    }
    std::string value(const std::string &sql)
    {
        TextSink s;
        db->query(sql, s);
        return s.rows.at(0).at(0);
    }
    // The ORA code of a query; 0 when it runs.
    int code(const std::string &sql)
    {
        return simtest::errorCode([&] {
            TextSink s;
            db->query(sql, s);
        }, lastError);
    }
    int execCode(const std::string &sql)
    {
        return simtest::errorCode([&] { db->execute(sql); }, lastError);
    }
    static std::string chain(const std::string &term, const std::string &op, int terms)
    {
        std::string out = term;
        for (int i = 1; i < terms; ++i) out += op + term;
        return out;
    }

    std::unique_ptr<sim::Connection> db;
    std::string lastError;
};

TEST_F(Limits, DateArithmeticStaysInOraclesYearRange)
{
    EXPECT_EQ(code("select add_months(sysdate, -24400) from dual"), 1841) << lastError;
    EXPECT_EQ(code("select add_months(sysdate, 1e15) from dual"), 1841) << lastError;
    EXPECT_EQ(code("select sysdate - 1e18 from dual"), 1841) << lastError;
    EXPECT_EQ(code("select sysdate + 1e18 from dual"), 1841) << lastError;
    EXPECT_EQ(code("select 1e18 + sysdate from dual"), 1841) << lastError;
    EXPECT_EQ(code("select date '9999-12-31' + 1 from dual"), 1841) << lastError;
    EXPECT_EQ(code("select add_months(date '9999-12-01', 1) from dual"), 1841) << lastError;
    EXPECT_EQ(code("select round(date '9999-12-31', 'YYYY') from dual"), 1841) << lastError;
    // Inside the range everything still works, to the first and last day.
    EXPECT_EQ(value("select add_months(date '2000-01-31', 1) from dual"), "2000-02-29 00:00:00");
    EXPECT_EQ(value("select add_months(date '0001-02-01', -1) from dual"), "0001-01-01 00:00:00");
    EXPECT_EQ(value("select date '9999-12-30' + 1 from dual"), "9999-12-31 00:00:00");
    EXPECT_EQ(value("select add_months(date '2000-03-15', -25) from dual"), "1998-02-15 00:00:00");
}

TEST_F(Limits, NumbersOutOfRangeGiveOraclesErrors)
{
    // Literals a NUMBER cannot hold overflow, wherever they appear.
    EXPECT_EQ(code("select count(*) from dual where rownum < 1e300"), 1426) << lastError;
    EXPECT_EQ(code("select count(*) from dual where rownum < 1e999"), 1426) << lastError;
    EXPECT_EQ(code("select 1e126 from dual"), 1426) << lastError;
    // Bounds beyond any table keep every row; below one keep none.
    EXPECT_EQ(value("select count(*) from dual where rownum < 1e100"), "1");
    EXPECT_EQ(value("select count(*) from dual where rownum <= 1e-100"), "0");
    EXPECT_EQ(value("select count(*) from dual where rownum between 1 and 1e120"), "1");
    // Results beyond a NUMBER overflow; text that is not a number is ORA-01722.
    EXPECT_EQ(code("select power(10, 200) from dual"), 1426) << lastError;
    EXPECT_EQ(code("select exp(1000) from dual"), 1426) << lastError;
    EXPECT_EQ(code("select to_number('1e999') from dual"), 1426) << lastError;
    EXPECT_EQ(code("select to_number('0x10') from dual"), 1722) << lastError;
    EXPECT_EQ(code("select 'inf' + 1 from dual"), 1722) << lastError;
    EXPECT_EQ(code("select to_number('nan', '999') from dual"), 1722) << lastError;
    EXPECT_EQ(code("select power(-8, 0.5) from dual"), 1428) << lastError;
    EXPECT_EQ(value("select to_number(' 12.5 ') from dual"), "12.5");
}

TEST_F(Limits, PositionsCountsAndDigitsBeyondAnyText)
{
    EXPECT_EQ(value("select round(1.5, 2147483648) from dual"), "1.5");
    EXPECT_EQ(value("select round(1234.5, -2147483648) from dual"), "0");
    EXPECT_EQ(value("select trunc(2.75, 1e19) from dual"), "2.75");
    EXPECT_EQ(value("select round(2.675, 2) from dual"), "2.68");
    EXPECT_EQ(value("select round(1250, -2) from dual"), "1300");
    EXPECT_EQ(value("select nvl(substr('abc', 1e19), 'null') from dual"), "null");
    EXPECT_EQ(value("select nvl(substr('abc', -1e19), 'null') from dual"), "null");
    EXPECT_EQ(value("select substr('abc', 2, 1e19) from dual"), "bc");
    EXPECT_EQ(value("select instr('abc', 'b', 1, 1e19) from dual"), "0");
    EXPECT_EQ(value("select instr('abc', 'b', 1e19) from dual"), "0");
    EXPECT_EQ(value("select instr('abcb', 'b', -1e19) from dual"), "0");
    EXPECT_EQ(value("select instr('abcb', 'b', -1, 2) from dual"), "2");
    EXPECT_EQ(code("select instr('abc', 'b', 1, -1e19) from dual"), 1428) << lastError;
    EXPECT_EQ(code("select chr(1e19) from dual"), 1426) << lastError;
    EXPECT_EQ(code("select chr(-1) from dual"), 1426) << lastError;
    EXPECT_EQ(value("select chr(65) || chr(321) from dual"), "AA");
}

TEST_F(Limits, DeclaredSizesOutsideOraclesLimits)
{
    EXPECT_EQ(execCode("create table t1 (c varchar2(99999999999))"), 910) << lastError;
    EXPECT_EQ(execCode("create table t1 (c varchar2(4001))"), 910) << lastError;
    EXPECT_EQ(execCode("create table t1 (c char(2001))"), 910) << lastError;
    EXPECT_EQ(execCode("create table t1 (c varchar2(0))"), 1723) << lastError;
    EXPECT_EQ(execCode("create table t1 (c number(39))"), 1727) << lastError;
    EXPECT_EQ(execCode("create table t1 (c number(5, 200))"), 1728) << lastError;
    EXPECT_EQ(execCode("create table t1 (c varchar2(1.5))"), 2017) << lastError;
    EXPECT_EQ(code("select cast('a' as varchar2(99999999999)) from dual"), 910) << lastError;
    EXPECT_EQ(execCode("create table t1 (c varchar2(4000), n number(38, -84))"), 0) << lastError;
    EXPECT_EQ(execCode("create table t2 (a number, b number, a varchar2(1))"), 957) << lastError;
    EXPECT_EQ(execCode("create table t3 (a number, d date default a)"), 984) << lastError;
}

TEST_F(Limits, StatementLogIsABoundedRing)
{
    sim::testing::clearStatementLog("TEST");
    for (int i = 0; i < 5100; ++i) db->execute("select " + std::to_string(i) + " from dual");
    auto log = sim::testing::statementTexts("TEST");
    EXPECT_LE(log.size(), 5000u);
    EXPECT_EQ(log.back(), "select 5099 from dual");
    // Long statements are bounded by their bytes as well.
    const std::string pad(3990, 'p');
    for (int i = 0; i < 2200; ++i) db->execute("select '" + pad + "', " + std::to_string(i) + " from dual");
    log = sim::testing::statementTexts("TEST");
    std::size_t bytes = 0;
    for (auto &s : log) bytes += s.size();
    EXPECT_LE(bytes, 8u * 1024 * 1024);
    EXPECT_NE(log.back().find(", 2199 from"), std::string::npos);
}

TEST_F(Limits, TextResultsHaveOraclesLengthLimit)
{
    // A pad longer than a VARCHAR2 is cut at 4000 bytes.
    EXPECT_EQ(value("select length(rpad('x', 1000000, 'x')) from dual"), "4000");
    EXPECT_EQ(value("select length(lpad('x', 1e19)) from dual"), "4000");
    // A result that would grow past it fails at once, before anything is built.
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(code("select replace(rpad('x',1000000,'x'),'x',rpad('y',1000000,'y')) from dual"), 1489) << lastError;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(ms, 100);
    EXPECT_EQ(code("select rpad('x', 4000, 'x') || 'y' from dual"), 1489) << lastError;
    EXPECT_EQ(code("select concat(rpad('x', 4000, 'x'), 'y') from dual"), 1489) << lastError;
    EXPECT_EQ(value("select length(rpad('x', 3999, 'x') || 'y') from dual"), "4000");
    EXPECT_EQ(value("select replace('a-b-c', '-', '--') from dual"), "a--b--c");
    EXPECT_EQ(code("select to_char(sysdate, rpad('DAY', 3999, 'DAY')) from dual"), 1801) << lastError;
    // Literals are limited as Oracle limits them.
    EXPECT_EQ(code("select '" + std::string(4001, 'a') + "' from dual"), 1704) << lastError;
    EXPECT_EQ(value("select length('" + std::string(4000, 'a') + "') from dual"), "4000");
}

TEST_F(Limits, NulInsideALiteralIsData)
{
    std::string nul("a\0b", 3);
    EXPECT_EQ(value("select length('" + nul + "') from dual"), "3");
    EXPECT_EQ(value("select '" + nul + "' from dual"), nul);
    EXPECT_EQ(value("select instr('" + nul + "', 'b') from dual"), "3");
    EXPECT_EQ(code("select 1 \"" + nul + "\" from dual"), 911) << lastError;
}

TEST_F(Limits, LongAssociativeRunsRun)
{
    EXPECT_EQ(value("select " + chain("1", " + ", 1000) + " from dual"), "1000");
    EXPECT_EQ(value("select " + chain("x", " + ", 1000) + " from (select 2 x from dual)"), "2000");
    EXPECT_EQ(value("select " + chain("x", " - ", 1000) + " from (select 1 x from dual)"), "-998");
    EXPECT_EQ(value("select " + chain("x", " * ", 40) + " from (select 2 x from dual)"), "1099511627776");
    EXPECT_EQ(value("select count(*) from dual where " + chain("dummy = 'X'", " and ", 501)), "1");
    EXPECT_EQ(value("select count(*) from dual where " + chain("dummy = 'Y'", " or ", 300) + " or 1 = 1"), "1");
    EXPECT_EQ(value("select length(" + chain("dummy", " || ", 300) + ") from dual"), "300");
    // Date steps in a long run keep their meaning, in order.
    EXPECT_EQ(value("select date '2000-01-01' " + chain("+ 1", " ", 20) + " - date '2000-01-01' from dual"), "20");
    EXPECT_EQ(code("select date '2000-01-01' " + chain("+ 1", " ", 20) + " + date '2000-01-01' from dual"), 975) << lastError;
    EXPECT_EQ(code("select " + chain("1", " / ", 20) + " / 0 from dual"), 1476) << lastError;
    EXPECT_EQ(value("select greatest(" + chain("1", ", ", 200) + ", 7) from dual"), "7");
    EXPECT_EQ(value("select coalesce(" + chain("null", ", ", 200) + ", 7) from dual"), "7");
    // Generated without a parenthesis per operator.
    auto st = sim::parseStatement("select " + chain("dummy", " + ", 1000) + " from dual");
    struct NoCatalog : sim::Catalog {
        sim::ResolvedTable resolve(const std::string &, const std::string &n, const std::string &) override
        {
            return {"SYS." + n, "SYS", n, "TABLE"};
        }
        std::vector<std::string> columns(const std::string &) override { return {"DUMMY"}; }
    } catalog;
    std::string sql = sim::Translator(catalog, "SYSTEM").query(*st->select).sql;
    EXPECT_LT(std::count(sql.begin(), sql.end(), '('), 40) << sql.substr(0, 200);
}

TEST_F(Limits, OverOraclesLimitsFailWithItsErrors)
{
    std::string list = chain("1", ", ", 1001);
    EXPECT_EQ(code("select 1 from dual where 1 in (" + list + ")"), 1795) << lastError;
    EXPECT_EQ(code("select decode(" + chain("1", ", ", 256) + ") from dual"), 939) << lastError;
    // A statement too deep for the instance is refused as such, never as ORA-00600.
    EXPECT_EQ(code("select " + chain("1", " + ", 5000) + " from dual"), 900) << lastError;
    EXPECT_EQ(code("select " + std::string(300, '(') + "1" + std::string(300, ')') + " from dual"), 900) << lastError;
    std::string nested = "1";
    for (int i = 0; i < 30; ++i) nested = "(" + nested + " + " + chain("1", " + ", 99) + ")";
    EXPECT_EQ(code("select " + nested + " from dual"), 900) << lastError;
}

TEST_F(Limits, GroupedQueryCheckIsLinear)
{
    // The grouping check compares each node once: a 1000-term grouped expression
    // translates in milliseconds, and the check still refuses what Oracle refuses.
    std::string sum = chain("dummy", " || ", 1000);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(code("select " + sum + ", count(*) from dual group by " + sum), 0) << lastError;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(ms, 500);
    EXPECT_EQ(code("select dummy || 'a', count(*) from dual group by dummy || 'b'"), 979) << lastError;
    EXPECT_EQ(code("select dummy || 'a', count(*) from dual group by dummy"), 0) << lastError;
    EXPECT_EQ(code("select upper(dummy), count(*) from dual group by upper(dummy)"), 0) << lastError;
    EXPECT_EQ(code("select lower(dummy), count(*) from dual group by upper(dummy)"), 979) << lastError;
}

} // namespace
