// SOUNDEX, regular expressions and the number and date models of TO_CHAR with their NLS
// parameters, checked against results worked out by hand (and Oracle's documented examples).
#include "simtest.h"
#include "testing.h"

#include <gtest/gtest.h>

namespace {

using simtest::TextSink;

class Patterns : public ::testing::Test {
protected:
    void SetUp() override
    {
        sim::testing::resetInstance("TEST");
        sim::testing::runScript("TEST", simtest::kScottEmp);
        db = sim::Connection::open("TEST", "SCOTT", "TIGER");
    }
    void TearDown() override
    {
        db.reset();
        sim::testing::resetInstance("TEST");
    }
    // The value of one expression, "~" for null.
    std::string v(const std::string &expression)
    {
        TextSink s;
        db->query("select " + expression + " from dual", s);
        return s.rows.at(0).at(0);
    }
    std::vector<std::string> column(const std::string &sql)
    {
        TextSink s;
        db->query(sql, s);
        std::vector<std::string> out;
        for (auto &r : s.rows) out.push_back(r.at(0));
        return out;
    }
    int code(const std::string &expression)
    {
        return simtest::errorCode([&] {
            TextSink s;
            db->query("select " + expression + " from dual", s);
        }, error);
    }
    std::unique_ptr<sim::Connection> db;
    std::string error;
};

TEST_F(Patterns, Soundex)
{
    EXPECT_EQ(v("soundex('Robert')"), "R163");
    EXPECT_EQ(v("soundex('Rupert')"), "R163");
    EXPECT_EQ(v("soundex('Ashcraft')"), "A261");   // H does not separate S and C
    EXPECT_EQ(v("soundex('Tymczak')"), "T522");
    EXPECT_EQ(v("soundex('Pfister')"), "P236");    // F codes as the P before it
    EXPECT_EQ(v("soundex('Lee')"), "L000");
    EXPECT_EQ(v("soundex(null)"), "~");
    EXPECT_EQ(v("soundex('123')"), "~");
    EXPECT_EQ(column("select ename from emp where soundex(ename) = soundex('SMYTHE')"),
              (std::vector<std::string>{"SMITH"}));
}

TEST_F(Patterns, RegularExpressions)
{
    EXPECT_EQ(v("regexp_substr('500 Oracle Parkway, Redwood Shores, CA', ',[^,]+,')"), ", Redwood Shores,");
    EXPECT_EQ(v("regexp_substr('http://www.example.com/products', 'http://([[:alnum:]]+\\.?){3,4}/?')"),
              "http://www.example.com/");
    EXPECT_EQ(v("regexp_substr('1234 abc 5678', '\\d+', 1, 2)"), "5678");
    EXPECT_EQ(v("regexp_substr('ab12cd', '([a-z]+)([0-9]+)', 1, 1, 'i', 2)"), "12");
    EXPECT_EQ(v("regexp_substr('abc', 'x')"), "~");
    EXPECT_EQ(v("regexp_instr('500 Oracle Parkway, Redwood Shores, CA', '[^ ]+', 1, 6)"), "37");
    EXPECT_EQ(v("regexp_instr('abcabc', 'b', 1, 2, 1)"), "6");
    EXPECT_EQ(v("regexp_instr('abcabc', 'b', 3)"), "5");
    EXPECT_EQ(v("regexp_instr('abc', 'x')"), "0");
    EXPECT_EQ(v("regexp_replace('500   Oracle     Parkway', '( ){2,}', ' ')"), "500 Oracle Parkway");
    EXPECT_EQ(v("regexp_replace('Ellen Hildi Smith', '(.*) (.*) (.*)', '\\3, \\1 \\2')"), "Smith, Ellen Hildi");
    EXPECT_EQ(v("regexp_replace('aaa', 'a', 'b', 1, 2)"), "aba");
    EXPECT_EQ(v("regexp_replace('aaa', 'a', 'b', 2)"), "abb");
    EXPECT_EQ(v("regexp_replace('abc', 'b')"), "ac");
    EXPECT_EQ(v("regexp_replace('abc', null, 'x')"), "abc");
    EXPECT_EQ(v("regexp_replace('a1b22', '[0-9]+', '-')"), "a-b-");
    EXPECT_EQ(column("select ename from emp where regexp_like(ename, '^[AEIOU]') order by ename"),
              (std::vector<std::string>{"ADAMS", "ALLEN"}));
    EXPECT_EQ(column("select count(*) from emp where regexp_like(ename, '^s', 'i')"), (std::vector<std::string>{"2"}));
    EXPECT_EQ(column("select count(*) from emp where regexp_like(ename, '^s', 'c')"), (std::vector<std::string>{"0"}));
    EXPECT_EQ(code("regexp_substr('a', '(')"), 12725);
    EXPECT_EQ(code("regexp_substr('a', '[a')"), 12726);
    EXPECT_EQ(code("regexp_substr('a', 'a', 0)"), 1428);
    EXPECT_EQ(code("regexp_substr('a', 'a', 1, 1, 'q')"), 1760);
    EXPECT_EQ(code("regexp_instr('a')"), 909);
}

TEST_F(Patterns, NumberModelsWithCurrencyAndTrailingSign)
{
    EXPECT_EQ(v("to_char(1234.5, 'FML9,999.99')"), "$1,234.50");
    EXPECT_EQ(v("to_char(1234.5, 'L9,999.99')"), "          $1,234.50");
    EXPECT_EQ(v("to_char(-1234.5, 'FML9G999D99', 'NLS_NUMERIC_CHARACTERS = '',.'' NLS_CURRENCY = ''EUR''')"),
              "-EUR1.234,50");
    EXPECT_EQ(v("to_char(1234.5, '9G999D99', 'nls_numeric_characters='', ''')"), " 1 234,50");
    EXPECT_EQ(v("to_char(-42, '999MI')"), " 42-");
    EXPECT_EQ(v("to_char(42, '999MI')"), " 42 ");
    EXPECT_EQ(v("to_char(-42, 'FM999MI')"), "42-");
    EXPECT_EQ(v("to_char(-0.5, '90.99MI')"), " 0.50-");
    EXPECT_EQ(code("to_char(1, '9MI9')"), 1481);
    EXPECT_EQ(code("to_char(1, '9L9')"), 1481);
    EXPECT_EQ(code("to_char(1, '9.9D9')"), 1481);
    EXPECT_EQ(code("to_char(1, '9', 'NLS_FOO = 1')"), 12702);
    EXPECT_EQ(code("to_char(1, '9', 'NLS_NUMERIC_CHARACTERS = ''..''')"), 12702);
    EXPECT_EQ(code("to_char(1, '9', 'NLS_DATE_LANGUAGE = SPANISH')"), 12702);
}

TEST_F(Patterns, DateNamesInTheCallsLanguage)
{
    // 2026-12-09 is a Wednesday.
    EXPECT_EQ(v("to_char(date '2026-12-09', 'FMDay DD \"de\" Month YYYY', 'NLS_DATE_LANGUAGE = SPANISH')"),
              "Mi\xC3\xA9rcoles 9 de Diciembre 2026");
    EXPECT_EQ(v("to_char(date '2026-12-09', 'DY', 'nls_date_language = ''spanish''')"), "MI\xC3\x89");
    EXPECT_EQ(v("to_char(date '2026-08-01', 'MON', 'NLS_DATE_LANGUAGE = SPANISH')"), "AGO");
    EXPECT_EQ(v("to_char(date '2026-05-01', 'Month', 'NLS_DATE_LANGUAGE = SPANISH') || '|'"), "Mayo      |");
    EXPECT_EQ(v("to_char(date '2026-05-01', 'Month', 'NLS_DATE_LANGUAGE = ENGLISH') || '|'"), "May      |");
    EXPECT_EQ(v("to_char(date '2026-12-09', 'DAY', 'NLS_DATE_LANGUAGE = AMERICAN') || '|'"), "WEDNESDAY|");
    EXPECT_EQ(code("to_char(sysdate, 'DD', 'NLS_DATE_LANGUAGE = KLINGON')"), 12702);
    EXPECT_EQ(code("to_char(sysdate, 'DD', 'NLS_CURRENCY = ''X''')"), 12702);
}

TEST_F(Patterns, ChoiceFunctions)
{
    EXPECT_EQ(v("greatest('apple', 'banana', 'cherry')"), "cherry");
    EXPECT_EQ(v("least(3, 1, 2)"), "1");
    EXPECT_EQ(v("greatest(1, null, 3)"), "~");
    EXPECT_EQ(v("nullif(1, 1)"), "~");
    EXPECT_EQ(v("nullif('a', 'b')"), "a");
    EXPECT_EQ(v("coalesce(null, '', 'z', 'y')"), "z");
}

} // namespace
