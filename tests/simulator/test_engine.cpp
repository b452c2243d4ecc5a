// The SQL engine on a live instance, with results as Oracle gives them.
#include "extension.h"
#include "functions.h"
#include "simerror.h"
#include "simtest.h"
#include "simulator.h"
#include "testing.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <chrono>
#include <iostream>
#include <random>

namespace {

using simtest::Rows;
using simtest::TextSink;

int sqlite3_exec_wrapper(sim::InstanceContext &ctx, const std::string &sql)
{
    return sqlite3_exec(ctx.db(), sql.c_str(), nullptr, nullptr, nullptr);
}

class Engine : public ::testing::Test {
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

    Rows rows(const std::string &sql, sim::Connection *c = nullptr)
    {
        TextSink s;
        (c ? c : db.get())->query(sql, s);
        lastNames = s.names;
        return s.rows;
    }
    std::string value(const std::string &sql) { return rows(sql).at(0).at(0); }
    long exec(const std::string &sql) { return db->execute(sql); }
    int code(const std::string &sql, sim::Connection *c = nullptr)
    {
        return simtest::errorCode([&] {
            TextSink s;
            (c ? c : db.get())->query(sql, s);
        }, lastError);
    }
    int execCode(const std::string &sql, sim::Connection *c = nullptr)
    {
        return simtest::errorCode([&] { (c ? c : db.get())->execute(sql); }, lastError);
    }
    void script(const std::string &s) { sim::testing::runScript("TEST", s); }

    // The classic SCOTT.EMP table, rows in employee-number order.
    void loadEmp()
    {
        script(simtest::kScottEmp);
    }

    std::unique_ptr<sim::Connection> db;
    std::vector<std::string> lastNames;
    std::string lastError;
};

std::vector<std::string> column(const Rows &r, std::size_t c = 0)
{
    std::vector<std::string> out;
    for (auto &row : r) out.push_back(row.at(c));
    return out;
}

TEST_F(Engine, OracleArithmeticAndNulls)
{
    EXPECT_EQ(value("select 7/2 from dual"), "3.5");
    EXPECT_EQ(value("select 6/2 from dual"), "3");
    EXPECT_EQ(value("select 10/4*2 from dual"), "5");
    EXPECT_EQ(value("select 2.50 + 0 from dual"), "2.5");
    EXPECT_EQ(value("select 100.0 from dual"), "100");
    EXPECT_EQ(code("select 1/0 from dual"), 1476);
    EXPECT_EQ(lastError, "ORA-01476: divisor is equal to zero");
    EXPECT_EQ(value("select nvl('', 'empty is null') from dual"), "empty is null");
    EXPECT_EQ(value("select count(*) from dual where '' is null"), "1");
    EXPECT_EQ(value("select 'a' || null || 'b' || 1.5 || 0.5 from dual"), "ab1.5.5");
    EXPECT_EQ(value("select -(3) * 2 from dual"), "-6");
    EXPECT_EQ(value("select 3 - 1 - 1 from dual"), "1");
    EXPECT_EQ(value("select 2 * 3 + 4 from dual"), "10");
    EXPECT_EQ(value("select 1 from dual where 1 != 2 and 1 <> 2 and not 1 = 2"), "1");
    EXPECT_EQ(rows("select 1 from dual where null = null").size(), 0u);
}

TEST_F(Engine, TextFunctions)
{
    EXPECT_EQ(value("select substr('ORACLE', 0, 2) from dual"), "OR");
    EXPECT_EQ(value("select substr('ORACLE', 1, 2) from dual"), "OR");
    EXPECT_EQ(value("select substr('ORACLE', -3) from dual"), "CLE");
    EXPECT_EQ(value("select nvl(substr('ORACLE', 9), 'null') from dual"), "null");
    EXPECT_EQ(value("select instr('CORPORATE FLOOR', 'OR', 3, 2) from dual"), "14");
    EXPECT_EQ(value("select instr('CORPORATE FLOOR', 'OR', -3, 2) from dual"), "2");
    EXPECT_EQ(value("select instr('abc', 'z') from dual"), "0");
    EXPECT_EQ(value("select lpad('7', 3, '0') || rpad('ab', 5, '*.') || lpad('toolong', 3) from dual"), "007ab*.*too");
    EXPECT_EQ(value("select '[' || lpad(' ', 2*1-1) || ']' from dual"), "[ ]");
    EXPECT_EQ(value("select rtrim('xxAxx', 'x') || ltrim('  B  ') || trim('  C  ') || '|' from dual"), "xxAB  C|");
    EXPECT_EQ(value("select trim(leading '0' from '00120') || trim(trailing 'x' from 'axx') from dual"), "120a");
    EXPECT_EQ(value("select nvl(rtrim('   '), 'gone') from dual"), "gone");
    EXPECT_EQ(value("select upper('aBc') || lower('DeF') || initcap('hello wORLD') from dual"), "ABCdefHello World");
    EXPECT_EQ(value("select length('hello') + length(12.5) from dual"), "9");
    EXPECT_EQ(value("select nvl(length(''), -1) from dual"), "-1");
    EXPECT_EQ(value("select replace('a-b-c', '-') || translate('abc', 'ab', 'x') from dual"), "abcxc");
    EXPECT_EQ(value("select 'It''s' from dual"), "It's");
    EXPECT_EQ(value("select count(*) from dual where 'abc' like 'a%' and 'ABC' not like 'a%'"), "1");
}

TEST_F(Engine, NumberFunctions)
{
    EXPECT_EQ(value("select round(2.675, 2) from dual"), "2.68");
    EXPECT_EQ(value("select round(-2.5) from dual"), "-3");
    EXPECT_EQ(value("select round(1234.5678, -2) from dual"), "1200");
    EXPECT_EQ(value("select trunc(15.79, 1) from dual"), "15.7");
    EXPECT_EQ(value("select trunc(-15.79) from dual"), "-15");
    EXPECT_EQ(value("select abs(-4) + mod(11, 4) + mod(-11, 4) from dual"), "4");
    EXPECT_EQ(value("select mod(5, 0) from dual"), "5");
    EXPECT_EQ(value("select greatest(3, 9, 4) || least(3, 9, 4) || greatest('b', 'a') from dual"), "93b");
    EXPECT_EQ(value("select nvl(greatest(1, null), -1) from dual"), "-1");
    EXPECT_EQ(value("select to_number('12.50') * 2 from dual"), "25");
    EXPECT_EQ(code("select to_number('12x') from dual"), 1722);
    EXPECT_EQ(value("select to_char(1234.5, '9,999.99') from dual"), " 1,234.50");
    EXPECT_EQ(value("select to_char(42) from dual"), "42");
    EXPECT_EQ(value("select ceil(1.2) + floor(1.8) + sign(-3) + power(2, 3) + sqrt(16) from dual"), "14");
}

TEST_F(Engine, ChoiceFunctions)
{
    EXPECT_EQ(value("select nvl(null, 5) from dual"), "5");
    EXPECT_EQ(value("select nvl2(1, 'yes', 'no') || nvl2(null, 'yes', 'no') from dual"), "yesno");
    EXPECT_EQ(value("select decode(2, 1, 'one', 2, 'two', 'many') from dual"), "two");
    EXPECT_EQ(value("select decode(9, 1, 'one', 'many') from dual"), "many");
    EXPECT_EQ(value("select nvl(decode(9, 1, 'one'), 'none') from dual"), "none");
    EXPECT_EQ(value("select decode(null, null, 'null matches', 'no') from dual"), "null matches");
    EXPECT_EQ(value("select case when 1 = 2 then 'a' when 2 = 2 then 'b' end from dual"), "b");
    EXPECT_EQ(value("select case 3 when 1 then 'a' else 'z' end from dual"), "z");
}

TEST_F(Engine, DatesFollowTheInstanceClock)
{
    sim::testing::setClock("TEST", *sim::parseDate("2024-03-05 14:07:09", 19));
    EXPECT_EQ(value("select sysdate from dual"), "2024-03-05 14:07:09");
    EXPECT_EQ(value("select to_char(sysdate, 'DD/MM/YYYY HH24:MI:SS') from dual"), "05/03/2024 14:07:09");
    EXPECT_EQ(value("select to_char(sysdate, 'DD-MON-YY') from dual"), "05-MAR-24");
    EXPECT_EQ(value("select sysdate + 1 from dual"), "2024-03-06 14:07:09");
    EXPECT_EQ(value("select sysdate - 1/24 from dual"), "2024-03-05 13:07:09");
    EXPECT_EQ(value("select trunc(sysdate) from dual"), "2024-03-05 00:00:00");
    EXPECT_EQ(value("select round(sysdate) from dual"), "2024-03-06 00:00:00");
    EXPECT_EQ(value("select trunc(sysdate, 'MM') from dual"), "2024-03-01 00:00:00");
    EXPECT_EQ(value("select trunc(sysdate, 'YYYY') from dual"), "2024-01-01 00:00:00");
    EXPECT_EQ(value("select to_date('2024-03-01', 'YYYY-MM-DD') - to_date('2024-02-01', 'YYYY-MM-DD') from dual"), "29");
    EXPECT_EQ(value("select add_months(to_date('2024-01-31','YYYY-MM-DD'), 1) from dual"), "2024-02-29 00:00:00");
    EXPECT_EQ(value("select last_day(sysdate) from dual"), "2024-03-31 14:07:09");
    EXPECT_EQ(value("select count(*) from dual where sysdate > to_date('2024-03-05','YYYY-MM-DD')"), "1");
    // The connect-time ranking's formula: hundredths of a second back from SYSDATE.
    EXPECT_EQ(value("select to_char(SysDate - (8640000 - 4320000)/(24*3600*100), 'DD/MM/YYYY HH24:MI:SS') from dual"),
              "05/03/2024 02:07:09");
    sim::testing::advanceClock("TEST", 60);
    EXPECT_EQ(value("select sysdate from dual"), "2024-03-05 14:08:09");
    EXPECT_EQ(code("select to_date('2024-02-30', 'YYYY-MM-DD') from dual"), 1847);
}

TEST_F(Engine, IdentifiersSchemasAndQuoting)
{
    script("CREATE TABLE SYS.TS$ (TS# NUMBER, NAME VARCHAR2(30));\n"
           "INSERT INTO SYS.TS$ VALUES (0, 'SYSTEM');\n"
           "INSERT INTO SYS.TS$ VALUES (1, 'USERS');\n"
           "CREATE TABLE SYS.V_$SESSION (SID NUMBER, SERIAL# NUMBER, USERNAME VARCHAR2(30));\n"
           "INSERT INTO SYS.V_$SESSION VALUES (7, 11, 'SCOTT');\n"
           "CREATE VIEW SYS.V$SESSION AS SELECT * FROM SYS.V_$SESSION;\n"
           "CREATE PUBLIC SYNONYM V$SESSION FOR SYS.V$SESSION;\n");
    EXPECT_EQ(value("select name from sys.ts$ where ts# = 1"), "USERS");
    EXPECT_EQ(value("SELECT \"NAME\" FROM \"SYS\".\"TS$\" WHERE \"TS#\" = 0"), "SYSTEM");
    EXPECT_EQ(value("select t.name from SYS.ts$ t where T.TS# = 1"), "USERS");
    EXPECT_EQ(rows("select sid, serial# from v$session")[0], (std::vector<std::string>{"7", "11"}));
    EXPECT_EQ(lastNames, (std::vector<std::string>{"SID", "SERIAL#"}));
    EXPECT_EQ(value("select v$session.username from v$session"), "SCOTT");
    EXPECT_EQ(value("select sys.v_$session.username from sys.v_$session"), "SCOTT");
    rows("select sid Sesion, serial# \"Serial No\", username || '!' , count(*) from v$session group by sid, serial#, username");
    EXPECT_EQ(lastNames, (std::vector<std::string>{"SESION", "Serial No", "USERNAME||'!'", "COUNT(*)"}));
    EXPECT_EQ(code("select nosuchcol from v$session"), 904);
    EXPECT_EQ(lastError, "ORA-00904: \"NOSUCHCOL\": invalid identifier");
    EXPECT_EQ(code("select * from v$nothing"), 942);
    EXPECT_EQ(code("select * from scott.v$session"), 942);
}

TEST_F(Engine, NameResolutionCurrentSchemaThenPublicSynonyms)
{
    loadEmp();
    auto scott = sim::Connection::open("TEST", "SCOTT", "TIGER");
    EXPECT_EQ(value("select count(*) from emp"), "14");                // public synonym
    EXPECT_EQ(rows("select count(*) from emp", scott.get())[0][0], "14");  // own table
    EXPECT_EQ(execCode("create table emp (x number)", scott.get()), 955);
    EXPECT_EQ(lastError, "ORA-00955: name is already used by an existing object");
    exec("create table system.gadgets (g number)");
    exec("insert into gadgets values (1)");
    EXPECT_EQ(value("select count(*) from gadgets"), "1");
    EXPECT_EQ(code("select count(*) from gadgets", scott.get()), 942);
    exec("create synonym scott.gadgets for system.gadgets");
    EXPECT_EQ(rows("select count(*) from gadgets", scott.get())[0][0], "1");
    // The session's current schema decides where unqualified names go.
    exec("alter session set current_schema=SCOTT");
    EXPECT_EQ(value("select count(*) from dept"), "4");
    EXPECT_EQ(value("select count(*) from gadgets"), "1");
    EXPECT_EQ(execCode("alter session set current_schema=NOBODY"), 1435);
}

TEST_F(Engine, OuterJoins)
{
    loadEmp();
    auto r = rows("select d.dname, count(e.empno) from dept d, emp e where d.deptno = e.deptno(+) "
                  "group by d.dname order by 1");
    EXPECT_EQ(r, (Rows{{"ACCOUNTING", "3"}, {"OPERATIONS", "0"}, {"RESEARCH", "5"}, {"SALES", "6"}}));
    // A marked constant predicate restricts the joined rows, not the result.
    r = rows("select d.deptno, e.ename from dept d, emp e where e.deptno(+) = d.deptno and e.job(+) = 'PRESIDENT' "
             "order by d.deptno");
    EXPECT_EQ(r, (Rows{{"10", "KING"}, {"20", "~"}, {"30", "~"}, {"40", "~"}}));
    // Marker on the left-hand table listed first.
    r = rows("select e.ename, m.ename from emp m, emp e where m.empno(+) = e.mgr and e.deptno = 10 order by e.empno");
    EXPECT_EQ(r, (Rows{{"CLARK", "KING"}, {"KING", "~"}, {"MILLER", "CLARK"}}));
}

TEST_F(Engine, ConnectByInOraclesDepthFirstOrder)
{
    loadEmp();
    auto r = rows("select lpad(' ', 2*(level-1)) || ename org, level from emp "
                  "start with mgr is null connect by prior empno = mgr");
    EXPECT_EQ(column(r), (std::vector<std::string>{"KING", "  JONES", "    SCOTT", "      ADAMS", "    FORD",
                                                   "      SMITH", "  BLAKE", "    ALLEN", "    WARD", "    MARTIN",
                                                   "    TURNER", "    JAMES", "  CLARK", "    MILLER"}));
    EXPECT_EQ(column(r, 1), (std::vector<std::string>{"1", "2", "3", "4", "3", "4", "2", "3", "3", "3", "3", "3", "2", "3"}));
    EXPECT_EQ(lastNames, (std::vector<std::string>{"ORG", "LEVEL"}));
    // WHERE filters after the hierarchy is built; ORDER BY replaces the hierarchy's order.
    r = rows("select ename from emp where job = 'CLERK' start with ename = 'KING' connect by prior empno = mgr");
    EXPECT_EQ(column(r), (std::vector<std::string>{"ADAMS", "SMITH", "JAMES", "MILLER"}));
    r = rows("select ename, level from emp start with ename = 'JONES' connect by prior empno = mgr order by ename");
    EXPECT_EQ(r, (Rows{{"ADAMS", "3"}, {"FORD", "2"}, {"JONES", "1"}, {"SCOTT", "2"}, {"SMITH", "3"}}));
    r = rows("select * from emp start with empno = 7788 connect by prior empno = mgr");
    EXPECT_EQ(lastNames.size(), 8u);
    EXPECT_EQ(r.size(), 2u);
    // CONNECT BY with a condition on the child row, and a level limit.
    r = rows("select ename from emp start with mgr is null connect by prior empno = mgr and level <= 2 and job != 'MANAGER'");
    EXPECT_EQ(column(r), (std::vector<std::string>{"KING"}));
    r = rows("select ename from emp start with mgr is null connect by prior empno = mgr and level <= 2");
    EXPECT_EQ(column(r), (std::vector<std::string>{"KING", "JONES", "BLAKE", "CLARK"}));
    // Over a join: the join first, then the hierarchy, then the other WHERE terms.
    r = rows("select lpad(' ', 2*(level-1)) || e.ename who, d.dname from emp e, dept d "
             "where e.deptno = d.deptno and d.dname = 'SALES' start with e.mgr is null connect by prior e.empno = e.mgr");
    EXPECT_EQ(column(r), (std::vector<std::string>{"  BLAKE", "    ALLEN", "    WARD", "    MARTIN", "    TURNER",
                                                   "    JAMES"}));
    EXPECT_EQ(lastNames, (std::vector<std::string>{"WHO", "DNAME"}));
    r = rows("select ename, loc from emp, dept where emp.deptno = dept.deptno start with ename = 'JONES' "
             "connect by prior empno = mgr");
    EXPECT_EQ(r, (Rows{{"JONES", "DALLAS"}, {"SCOTT", "DALLAS"}, {"ADAMS", "DALLAS"}, {"FORD", "DALLAS"}, {"SMITH", "DALLAS"}}));
    EXPECT_EQ(code("select deptno from emp e, dept d where e.deptno = d.deptno connect by prior e.empno = e.mgr"), 918);
    // SYS_CONNECT_BY_PATH: each row's path from its root.
    r = rows("select sys_connect_by_path(ename, '/') path from emp where empno in (7876, 7839) "
             "start with mgr is null connect by prior empno = mgr");
    EXPECT_EQ(column(r), (std::vector<std::string>{"/KING", "/KING/JONES/SCOTT/ADAMS"}));
    EXPECT_EQ(lastNames, (std::vector<std::string>{"PATH"}));
    EXPECT_EQ(code("select sys_connect_by_path(ename, '/') from emp"), 30002);
    // ORDER SIBLINGS BY orders the rows under each parent.
    r = rows("select ename from emp start with mgr is null connect by prior empno = mgr order siblings by ename desc");
    EXPECT_EQ(column(r), (std::vector<std::string>{"KING", "JONES", "SCOTT", "ADAMS", "FORD", "SMITH", "CLARK", "MILLER",
                                                   "BLAKE", "WARD", "TURNER", "MARTIN", "JAMES", "ALLEN"}));
    EXPECT_EQ(code("select ename from emp order siblings by ename"), 30929);
    // A loop in the data.
    exec("create table loopy (id number, parent number)");
    exec("insert into loopy values (1, 2)");
    exec("insert into loopy values (2, 1)");
    EXPECT_EQ(code("select id from loopy start with id = 1 connect by prior id = parent"), 1436);
    EXPECT_EQ(rows("select id from loopy start with id = 1 connect by nocycle prior id = parent").size(), 2u);
}

TEST_F(Engine, TheExplainPlanTree)
{
    exec("create table plan_table (statement_id varchar2(30), operation varchar2(30), options varchar2(30), "
         "object_name varchar2(30), object_type varchar2(30), id number, parent_id number, position number)");
    exec("insert into plan_table values ('SQLVIGIL', 'SELECT STATEMENT', null, null, null, 0, null, 7)");
    exec("insert into plan_table values ('SQLVIGIL', 'HASH JOIN', null, null, null, 1, 0, 1)");
    exec("insert into plan_table values ('SQLVIGIL', 'TABLE ACCESS', 'FULL', 'DEPT', null, 2, 1, 1)");
    exec("insert into plan_table values ('SQLVIGIL', 'TABLE ACCESS', 'FULL', 'EMP', null, 3, 1, 2)");
    exec("insert into plan_table values ('OTHER', 'SELECT STATEMENT', null, null, null, 0, null, 1)");
    auto r = rows("select decode(id,0,'',lpad(' ',2*Level-1)||level||'.'||position)||' '||operation||' '||options||' '||"
                  "object_name||' '||object_type||' '||decode(id,0,'Costo = '||position) query_plan from plan_table "
                  "connect by prior id = parent_id and statement_id = 'SQLVIGIL' start with id = 0 and statement_id = 'SQLVIGIL'");
    EXPECT_EQ(column(r), (std::vector<std::string>{" SELECT STATEMENT    Costo = 7", "   2.1 HASH JOIN    ",
                                                   "     3.1 TABLE ACCESS FULL DEPT  ",
                                                   "     3.2 TABLE ACCESS FULL EMP  "}));
    EXPECT_EQ(lastNames, (std::vector<std::string>{"QUERY_PLAN"}));
    EXPECT_EQ(exec("delete plan_table where statement_id = 'SQLVIGIL'"), 4);
}

TEST_F(Engine, TheLockWaitTree)
{
    exec("create table SQLVIGIL_HOLDERS (     waiting_session number,     holding_session number,     lock_type       "
         "varchar2(26),     mode_held       varchar2(14),     mode_requested  varchar2(14),     lock_id1        "
         "varchar2(22),     lock_id2        varchar2(22) )");
    // Session 12 holds what 15 and 17 wait for; 15 holds what 21 waits for.
    exec("insert into sqlvigil_holders values (15, 12, 'Transaction', 'Exclusive', 'Exclusive', '1', '0')");
    exec("insert into sqlvigil_holders values (17, 12, 'Transaction', 'Exclusive', 'Share', '1', '0')");
    exec("insert into sqlvigil_holders values (21, 15, 'DML', 'Row-X (SX)', 'Exclusive', '2', '0')");
    EXPECT_EQ(exec("insert into sqlvigil_holders select holding_session,        null,        'None',        null,        "
                   "null,        null,        null   from sqlvigil_holders minus select waiting_session,        null,  "
                   "      'None',        null,        null,        null,        null   from sqlvigil_holders"), 1);
    auto r = rows("select lpad(' ',3*(level-1)) ||        waiting_session waiting_session,        lock_type,        "
                  "mode_requested,        mode_held,        lock_id1,        lock_id2 from sqlvigil_holders connect by "
                  "prior waiting_session =                  holding_session start with holding_session is null ");
    EXPECT_EQ(column(r), (std::vector<std::string>{"12", "   15", "      21", "   17"}));
    EXPECT_EQ(column(r, 1), (std::vector<std::string>{"None", "Transaction", "DML", "Transaction"}));
    EXPECT_EQ(lastNames[0], "WAITING_SESSION");
    exec("drop table sqlvigil_holders");
    EXPECT_EQ(code("select * from sqlvigil_holders"), 942);
}

TEST_F(Engine, RownumSetOperatorsAndOrdering)
{
    loadEmp();
    EXPECT_EQ(rows("select ename from emp where rownum <= 3").size(), 3u);
    EXPECT_EQ(rows("select ename from emp where rownum < 3 and deptno = 30").size(), 2u);
    EXPECT_EQ(rows("select ename from emp where rownum = 1").size(), 1u);
    EXPECT_EQ(rows("select ename from emp where rownum = 2").size(), 0u);
    EXPECT_EQ(rows("select ename from emp where rownum between 1 and 4").size(), 4u);
    EXPECT_EQ(rows("select ename from emp where rownum between 2 and 4").size(), 0u);
    EXPECT_EQ(column(rows("select rownum, ename from emp where deptno = 10")), (std::vector<std::string>{"1", "2", "3"}));
    // ROWNUM picks rows before ORDER BY sorts them.
    EXPECT_EQ(column(rows("select ename from emp where rownum <= 3 order by ename")),
              (std::vector<std::string>{"ALLEN", "SMITH", "WARD"}));
    EXPECT_EQ(column(rows("select ename, sal from emp where rownum < 4 order by 2 desc, sal + 1")),
              (std::vector<std::string>{"ALLEN", "WARD", "SMITH"}));
    EXPECT_EQ(column(rows("select ename from emp e where rownum <= 2 order by e.sal")),
              (std::vector<std::string>{"SMITH", "ALLEN"}));
    EXPECT_EQ(value("select count(*) from emp where rownum <= 5"), "5");
    EXPECT_EQ(column(rows("select distinct deptno from emp where rownum <= 2 order by 1")),
              (std::vector<std::string>{"20", "30"}));
    EXPECT_EQ(column(rows("select ename from emp where rownum <= 3 start with mgr is null connect by prior empno = mgr")),
              (std::vector<std::string>{"KING", "JONES", "SCOTT"}));
    EXPECT_EQ(column(rows("select deptno from dept minus select deptno from emp")), (std::vector<std::string>{"40"}));
    EXPECT_EQ(column(rows("select job from emp where deptno = 10 union select job from emp where deptno = 20 order by 1")),
              (std::vector<std::string>{"ANALYST", "CLERK", "MANAGER", "PRESIDENT"}));
    EXPECT_EQ(rows("select job from emp where deptno = 10 union all select job from emp where deptno = 20").size(), 8u);
    EXPECT_EQ(column(rows("select job from emp where deptno = 10 intersect select job from emp where deptno = 20")),
              (std::vector<std::string>{"CLERK", "MANAGER"}));
    EXPECT_EQ(column(rows("select unique deptno from emp order by deptno desc")), (std::vector<std::string>{"30", "20", "10"}));
    EXPECT_EQ(column(rows("select distinct job from emp where sal > 2900 order by job")),
              (std::vector<std::string>{"ANALYST", "MANAGER", "PRESIDENT"}));
    // ORDER BY position, alias and expression; nulls sort last ascending, first descending.
    EXPECT_EQ(column(rows("select ename, sal * 2 doubled from emp where deptno = 10 order by 2")),
              (std::vector<std::string>{"MILLER", "CLARK", "KING"}));
    EXPECT_EQ(column(rows("select ename, sal * 2 doubled from emp where deptno = 10 order by doubled desc")),
              (std::vector<std::string>{"KING", "CLARK", "MILLER"}));
    EXPECT_EQ(column(rows("select ename from emp where deptno = 10 order by length(ename), ename")),
              (std::vector<std::string>{"KING", "CLARK", "MILLER"}));
    EXPECT_EQ(column(rows("select comm from emp where deptno = 30 order by comm")),
              (std::vector<std::string>{"0", "300", "500", "1400", "~", "~"}));
    EXPECT_EQ(column(rows("select comm from emp where deptno = 30 order by comm desc")),
              (std::vector<std::string>{"~", "~", "1400", "500", "300", "0"}));
}

TEST_F(Engine, SubqueriesGroupsAndPredicates)
{
    loadEmp();
    EXPECT_EQ(column(rows("select ename from emp where sal > (select avg(sal) from emp) order by ename")),
              (std::vector<std::string>{"BLAKE", "CLARK", "FORD", "JONES", "KING", "SCOTT"}));
    EXPECT_EQ(column(rows("select dname from dept d where not exists (select 1 from emp e where e.deptno = d.deptno)")),
              (std::vector<std::string>{"OPERATIONS"}));
    EXPECT_EQ(column(rows("select dname from dept where deptno in (select deptno from emp where job = 'PRESIDENT')")),
              (std::vector<std::string>{"ACCOUNTING"}));
    EXPECT_EQ(value("select count(*) from emp where job in ('CLERK', 'ANALYST') and sal between 1000 and 3000"), "4");
    EXPECT_EQ(column(rows("select ename from emp where sal > all (select sal from emp where deptno = 30) order by 1")),
              (std::vector<std::string>{"FORD", "JONES", "KING", "SCOTT"}));
    EXPECT_EQ(column(rows("select ename from emp where sal = any (800, 950) order by 1")),
              (std::vector<std::string>{"JAMES", "SMITH"}));
    EXPECT_EQ(value("select count(*) from emp where sal < some (select sal from emp where job = 'CLERK')"), "5");
    EXPECT_EQ(value("select count(*) from emp where sal > all (select sal from emp where 1 = 0)"), "14");
    EXPECT_EQ(value("select count(*) from emp where sal > any (select sal from emp where 1 = 0)"), "0");
    EXPECT_EQ(value("select count(*) from emp e where e.sal >= all (select sal from emp x where x.deptno = e.deptno)"), "4");
    EXPECT_EQ(value("select count(*) from emp where comm is not null and ename not like '%N'"), "2");
    auto r = rows("select deptno, count(*) n, sum(sal) total, round(avg(sal), 2) average, min(ename), max(hiredate) "
                  "from emp group by deptno having count(*) > 3 order by deptno");
    EXPECT_EQ(r, (Rows{{"20", "5", "10875", "2175", "ADAMS", "1987-05-23 00:00:00"},
                       {"30", "6", "9400", "1566.67", "ALLEN", "1981-12-03 00:00:00"}}));
    EXPECT_EQ(value("select count(distinct job) from emp"), "5");
    EXPECT_EQ(value("select count(comm) from emp"), "4");
    EXPECT_EQ(value("select nvl(sum(sal), 0) from emp where 1 = 0"), "0");
    EXPECT_EQ(value("select x.n from (select count(*) n from emp) x"), "14");
    // A scalar subquery gives one value, null for no row, and refuses several rows.
    EXPECT_EQ(value("select (select dname from dept where deptno = 10) from dual"), "ACCOUNTING");
    EXPECT_EQ(value("select nvl((select dname from dept where deptno = 99), 'none') from dual"), "none");
    EXPECT_EQ(code("select (select dname from dept) from dual"), 1427);
    EXPECT_EQ(lastError, "ORA-01427: single-row subquery returns more than one row");
    EXPECT_EQ(column(rows("select ename, (select dname from dept d where d.deptno = e.deptno) dn from emp e "
                          "where empno = 7839"), 1), (std::vector<std::string>{"ACCOUNTING"}));
}

TEST_F(Engine, DmlAndTransactions)
{
    loadEmp();
    EXPECT_EQ(exec("update emp set sal = sal + 100 where deptno = 10"), 3);
    EXPECT_EQ(value("select sal from emp where ename = 'KING'"), "5100");
    exec("rollback");
    EXPECT_EQ(value("select sal from emp where ename = 'KING'"), "5000");
    EXPECT_EQ(exec("delete emp where deptno = 20"), 5);
    exec("commit");
    exec("rollback");
    EXPECT_EQ(value("select count(*) from emp"), "9");
    EXPECT_EQ(exec("insert into scott.dept (deptno, dname) values (50, '')"), 1);
    EXPECT_EQ(value("select nvl(dname, 'null') from dept where deptno = 50"), "null");
    EXPECT_EQ(exec("insert into dept select deptno + 50, dname, loc from dept where deptno < 30"), 2);
    EXPECT_EQ(exec("update dept d set d.loc = (select max(loc) from dept) where d.deptno > 55"), 2);
    EXPECT_EQ(value("select count(*) from dept where loc = 'NEW YORK'"), "3");
    EXPECT_EQ(exec("update dept d set (dname, loc) = (select ename, job from emp where empno = 7839) where deptno > 55"), 2);
    EXPECT_EQ(rows("select dname, loc from dept where deptno = 60")[0], (std::vector<std::string>{"KING", "PRESIDENT"}));
    // DDL commits what was pending.
    exec("delete dept where deptno > 55");
    exec("create table scratch (x number)");
    exec("rollback");
    EXPECT_EQ(value("select count(*) from dept where deptno > 55"), "0");
    EXPECT_EQ(execCode("insert into emp (empno) values (null)"), 1400);
    EXPECT_EQ(lastError, "ORA-01400: cannot insert NULL into (\"SCOTT\".\"EMP\".\"EMPNO\")");
    EXPECT_EQ(execCode("insert into dept values (1, 2)"), 947);
    EXPECT_EQ(execCode("insert into dept values (60, 'A NAME TOO LONG', 'X')"), 1401);
    EXPECT_EQ(lastError, "ORA-01401: inserted value too large for column");
    EXPECT_EQ(execCode("update dept set deptno = 100 where deptno = 10"), 1438);
    EXPECT_EQ(execCode("update emp set sal = 99999.99 where ename = 'KING'"), 0);
    EXPECT_EQ(execCode("update emp set sal = 100000 where ename = 'KING'"), 1438);
    // Values take the column's scale, dates accept Oracle's default form.
    exec("create table fits (n number(5,2), i number(3), c char(4), d date)");
    exec("insert into fits values (1.2345, 2.5, 'ab', '05-MAR-24')");
    EXPECT_EQ(rows("select n, i, c || '|', d from fits")[0], (std::vector<std::string>{"1.23", "3", "ab|", "2024-03-05 00:00:00"}));
    EXPECT_EQ(value("select count(*) from fits where c = 'ab'"), "1");
    EXPECT_EQ(execCode("insert into fits (c) values ('abcde')"), 1401);
    exec("insert into fits (i, n) select 7, 2.005 from dual");
    EXPECT_EQ(value("select n from fits where i = 7"), "2.01");
    EXPECT_EQ(execCode("insert into fits (d) values (5)"), 932);
    EXPECT_EQ(execCode("insert into fits (n) values ('abc')"), 1722);
    EXPECT_EQ(execCode("insert into dept values (1, 2, 3, 4)"), 913);
}

TEST_F(Engine, TablesViewsAndSynonyms)
{
    loadEmp();
    exec("create table rich as select ename, sal from emp where sal >= 3000");
    EXPECT_EQ(value("select count(*) from rich"), "3");
    rows("select * from rich");
    EXPECT_EQ(lastNames, (std::vector<std::string>{"ENAME", "SAL"}));
    exec("create table copy2 (who, pay) as select ename, sal from emp where deptno = 10");
    EXPECT_EQ(value("select sum(pay) from copy2"), "8750");
    exec("create view scott.dept_sal (deptno, total) as select deptno, sum(sal) from scott.emp group by deptno");
    EXPECT_EQ(value("select total from scott.dept_sal where deptno = 10"), "8750");
    EXPECT_EQ(execCode("create view scott.dept_sal as select 1 x from dual"), 955);
    exec("create or replace view scott.dept_sal as select 1 x from dual");
    EXPECT_EQ(value("select x from scott.dept_sal"), "1");
    EXPECT_EQ(execCode("delete scott.dept_sal"), 1732);
    exec("create public synonym rich_people for system.rich");
    auto scott = sim::Connection::open("TEST", "SCOTT", "TIGER");
    EXPECT_EQ(rows("select count(*) from rich_people", scott.get())[0][0], "3");
    exec("drop public synonym rich_people");
    EXPECT_EQ(code("select count(*) from rich_people", scott.get()), 942);
    EXPECT_EQ(execCode("drop public synonym rich_people"), 1432);
    exec("drop table rich");
    EXPECT_EQ(code("select * from rich"), 942);
    EXPECT_EQ(execCode("drop table rich"), 942);
    exec("create table defaults (id number, created date default sysdate, status varchar2(8) default 'NEW')");
    exec("insert into defaults (id) values (1)");
    EXPECT_EQ(rows("select status, nvl2(created, 'dated', 'none') from defaults")[0], (std::vector<std::string>{"NEW", "dated"}));
    exec("create table typed (n number(5,2), v varchar2(10), c char(3), d date, l long, r raw(8), i integer)");
    exec("insert into typed values (1.5, 'x', 'y', sysdate, 'long text', 'ABCD', 7)");
    EXPECT_EQ(rows("select n, v, i from typed")[0], (std::vector<std::string>{"1.5", "x", "7"}));
    // Storage clauses are accepted and ignored.
    exec("create table stored (x number) tablespace users storage (initial 10k next 10k) pctfree 10");
    exec("create index stored_x on stored (x)");
    EXPECT_EQ(execCode("create index stored_x on stored (x)"), 955);
    exec("drop index stored_x");
    exec("truncate table stored");
}

TEST_F(Engine, PrivilegesOfOrdinaryUsers)
{
    loadEmp();
    auto scott = sim::Connection::open("TEST", "SCOTT", "TIGER");
    EXPECT_EQ(execCode("create table system.mine (x number)", scott.get()), 1031);
    EXPECT_EQ(lastError, "ORA-01031: insufficient privileges");
    EXPECT_EQ(execCode("create public synonym s1 for scott.emp", scott.get()), 1031);
    exec("create table system.theirs (x number)");
    EXPECT_EQ(execCode("insert into system.theirs values (1)", scott.get()), 1031);
    EXPECT_EQ(execCode("drop table system.theirs", scott.get()), 1031);
    EXPECT_EQ(execCode("delete emp where 1 = 0", scott.get()), 0);
}

TEST_F(Engine, StatementErrorsCarryOracleNumbersAndTexts)
{
    struct Case {
        const char *sql;
        const char *message;
    } cases[] = {
        {"selec * from dual", "ORA-00900: invalid SQL statement"},
        {"select nope from dual", "ORA-00904: \"NOPE\": invalid identifier"},
        {"select * from dual dual2 extra", "ORA-00933: SQL command not properly ended"},
        {"select 1 + from dual", "ORA-00936: missing expression"},
        {"select * from nowhere", "ORA-00942: table or view does not exist"},
        {"select 1/0 from dual", "ORA-01476: divisor is equal to zero"},
        {"select count(*) from dual where sum(1) = 1", "ORA-00934: group function is not allowed here"},
    };
    for (const Case &c : cases) {
        EXPECT_NE(code(c.sql), 0) << c.sql;
        EXPECT_EQ(lastError, c.message) << c.sql;
    }
    EXPECT_EQ(execCode("create table t1 (a number)"), 0);
    EXPECT_EQ(execCode("create table t1 (a number)"), 955);
}

TEST_F(Engine, BlocksStoreIntoOutputBinds)
{
    script("CREATE TABLE SYS.V_$SYSSTAT (STATISTIC# NUMBER, NAME VARCHAR2(64), VALUE NUMBER);\n"
           "CREATE VIEW SYS.V$SYSSTAT AS SELECT * FROM SYS.V_$SYSSTAT;\n"
           "CREATE PUBLIC SYNONYM V$SYSSTAT FOR SYS.V$SYSSTAT;\n"
           "CREATE TABLE SYS.V_$STATNAME (STATISTIC# NUMBER, NAME VARCHAR2(64));\n"
           "CREATE PUBLIC SYNONYM V$STATNAME FOR SYS.V_$STATNAME;\n"
           "INSERT INTO SYS.V_$SYSSTAT VALUES (1, 'db block gets', 800);\n"
           "INSERT INTO SYS.V_$SYSSTAT VALUES (2, 'consistent gets', 1200);\n"
           "INSERT INTO SYS.V_$SYSSTAT VALUES (3, 'physical reads', 100);\n"
           "INSERT INTO SYS.V_$SYSSTAT VALUES (4, 'redo log space requests', 3);\n"
           "INSERT INTO SYS.V_$STATNAME SELECT STATISTIC#, NAME FROM SYS.V_$SYSSTAT;\n");
    std::vector<sim::BindValue> binds(2);
    binds[0].name = "SREDLOG";
    binds[1].name = "sbufcac";
    db->executeBlock("BEGIN select value into :SREDLOG from v$sysstat where name = 'redo log space requests'; "
                     "select 100 * (cur.value + con.value - phys.value) / (cur.value + con.value) into :SBUFCAC  "
                     "from   v$sysstat cur,    v$sysstat con,    v$sysstat phys,    v$statname ncu,    v$statname nco,"
                     "    v$statname nph where cur.statistic# = ncu.statistic#    and ncu.name = 'db block gets'    "
                     "and con.statistic# = nco.statistic#    and nco.name = 'consistent gets'    and phys.statistic# = "
                     "nph.statistic#    and nph.name = 'physical reads'; END; ",
                     binds);
    EXPECT_EQ(binds[0].text, "3");
    EXPECT_EQ(binds[1].text, "95");
    EXPECT_DOUBLE_EQ(binds[1].numberValue, 95);
    auto blockCode = [&](const std::string &block) {
        try {
            db->executeBlock(block, binds);
        } catch (const sim::SimError &e) {
            lastError = e.what();
            return e.code();
        }
        return 0;
    };
    EXPECT_EQ(blockCode("BEGIN select value into :SREDLOG from v$sysstat where name = 'none'; END;"), 1403);
    EXPECT_EQ(blockCode("BEGIN select value into :SREDLOG from v$sysstat; END;"), 1422);
    EXPECT_EQ(blockCode("BEGIN select value into :UNDECLARED from v$sysstat where rownum = 1; END;"), 1008);
    EXPECT_EQ(blockCode("BEGIN select value into :SREDLOG from v$nothing; END;"), 6550);
    EXPECT_NE(lastError.find("ORA-00942: table or view does not exist"), std::string::npos) << lastError;
    EXPECT_EQ(blockCode("BEGIN select 1/0 into :SREDLOG from dual; END;"), 1476);
    EXPECT_EQ(blockCode("BEGIN dbms_output.put_line('x'); END;"), 6550);
    EXPECT_EQ(blockCode("DECLARE n number; BEGIN null; END;"), 6550);
    EXPECT_EQ(blockCode("BEGIN null; END;"), 0);
    EXPECT_EQ(blockCode("BEGIN END;"), 6550);
}

TEST_F(Engine, DictionarySeamHandlersHooksAndLogins)
{
    sim::InstanceContext &ctx = sim::testing::context("TEST");
    EXPECT_EQ(ctx.name(), "TEST");
    int hooks = 0;
    ctx.addBeforeStatementHook([&](sim::SessionContext &) { ++hooks; });
    ctx.addStatementHandler([](sim::SessionContext &s, const std::string &sql, long &rows) {
        if (sql.rfind("alter system kill session", 0) != 0) return false;
        if (!s.isDba()) throw sim::oraError(1031);
        s.execute("create table killed (sid number)");
        rows = 0;
        return true;
    });
    EXPECT_EQ(exec("alter system kill session '7,11'"), 0);
    EXPECT_EQ(value("select count(*) from killed"), "0");
    EXPECT_EQ(execCode("frobnicate the database"), 900);
    EXPECT_EQ(lastError, "ORA-00900: invalid SQL statement");
    EXPECT_EQ(hooks, 3);
    EXPECT_EQ(execCode("create nonsense x"), 901);
    EXPECT_EQ(execCode("alter nonsense x"), 940);
    EXPECT_EQ(execCode("drop nonsense x"), 950);   // statements received; the handler's nested one is not
    ctx.addLogin("jones", "secret", false);
    auto jones = sim::Connection::open("TEST", "JONES", "SECRET");
    EXPECT_EQ(execCode("alter system kill session '7,11'", jones.get()), 1031);
    EXPECT_THROW(sim::Connection::open("TEST", "JONES", "wrong"), sim::SimError);
    ctx.dropLogin("JONES");
    EXPECT_THROW(sim::Connection::open("TEST", "JONES", "SECRET"), sim::SimError);
    // Objects the dictionary builds in SQLite itself join the catalog by name.
    std::string storage = ctx.storageName("SYS", "DBA_OBJECTS");
    ASSERT_EQ(sqlite3_exec_wrapper(ctx, "CREATE VIEW \"" + storage + "\" AS SELECT OWNER, OBJECT_NAME, OBJECT_TYPE FROM SIM_OBJECTS"), 0);
    ctx.registerObject("SYS", "DBA_OBJECTS", "VIEW");
    exec("create synonym system.mysyn for scott.whatever");
    EXPECT_EQ(value("select object_type from sys.dba_objects where object_name = 'MYSYN'"), "SYNONYM");
    EXPECT_EQ(value("select count(*) from sys.dba_objects where owner = 'PUBLIC' and object_name = 'DUAL'"), "1");
}

TEST_F(Engine, ScenarioScriptsLoadAsSys)
{
    script("-- a comment line\n"
           "CREATE TABLE HR.REGIONS (REGION_ID NUMBER, REGION_NAME VARCHAR2(25)); -- trailing comment\n"
           "INSERT INTO HR.REGIONS VALUES (1, 'Europe');\n"
           "INSERT INTO HR.REGIONS VALUES (2, 'It''s; tricky');\n"
           "CREATE VIEW HR.REGION_NAMES (NAME) AS SELECT REGION_NAME FROM HR.REGIONS;\n"
           "CREATE PUBLIC SYNONYM REGION_NAMES FOR HR.REGION_NAMES\n");
    EXPECT_EQ(column(rows("select name from region_names order by 1")), (std::vector<std::string>{"Europe", "It's; tricky"}));
    try {
        script("INSERT INTO HR.NOWHERE VALUES (1);\n");
        FAIL();
    } catch (const sim::SimError &e) {
        EXPECT_EQ(e.code(), 942);
        EXPECT_NE(std::string(e.what()).find("script statement 1"), std::string::npos);
    }
    // Scenario statements are not in the statement log.
    sim::testing::clearStatementLog("TEST");
    script("INSERT INTO HR.REGIONS VALUES (3, 'Asia');\n");
    EXPECT_TRUE(sim::testing::statementTexts("TEST").empty());
}

TEST_F(Engine, InstanceOptionsAndSeparateInstances)
{
    auto other = sim::Connection::open("TEST?sessions=5000&Mode=Busy", "SYSTEM", "MANAGER");
    sim::InstanceContext &ctx = sim::testing::context("TEST?SESSIONS=5000&MODE=BUSY");
    EXPECT_EQ(ctx.name(), "TEST");
    EXPECT_EQ(ctx.options().at("sessions"), "5000");
    EXPECT_EQ(ctx.options().at("mode"), "Busy");
    exec("create table only_here (x number)");
    EXPECT_EQ(code("select * from only_here", other.get()), 942);
    sim::testing::resetInstance("TEST?SESSIONS=5000&MODE=BUSY");
    EXPECT_FALSE(other->connectionOK());
    EXPECT_THROW(sim::Connection::open("NOWHERE", "SYSTEM", "MANAGER"), sim::SimError);
}

TEST_F(Engine, GroupedQueriesReadOnlyGroupedColumns)
{
    loadEmp();
    EXPECT_EQ(code("select deptno, ename, count(*) from emp group by deptno"), 979);
    EXPECT_EQ(lastError, "ORA-00979: not a GROUP BY expression");
    EXPECT_EQ(code("select ename, count(*) from emp"), 937);
    EXPECT_EQ(lastError, "ORA-00937: not a single-group group function");
    EXPECT_EQ(code("select e.deptno, count(*) from emp e group by deptno"), 0);
    EXPECT_EQ(code("select upper(job) || '!', sysdate, count(*) from emp group by job"), 0);
    EXPECT_EQ(code("select deptno, (select count(*) from dept) from emp group by deptno"), 0);
    EXPECT_EQ(execCode("insert into dept (deptno, nosuch) values (1, 2)"), 904);
    EXPECT_EQ(lastError, "ORA-00904: \"NOSUCH\": invalid identifier");
}

// Mutated queries run against real tables: each gives rows or an Oracle error, and no
// SQLite failure surfaces as an internal error.
TEST_F(Engine, MutatedQueriesGiveOracleErrors)
{
    loadEmp();
    const std::vector<std::string> seeds = {
        "select d.dname, count(e.empno) from dept d, emp e where d.deptno = e.deptno(+) group by d.dname order by 1",
        "select lpad(' ', 2*(level-1)) || ename org, level from emp start with mgr is null connect by prior empno = mgr",
        "select ename from emp where sal > (select avg(sal) from emp) order by ename",
        "select deptno from dept minus select deptno from emp",
        "select decode(job, 'CLERK', 1, 2), nvl(comm, 0), substr(ename, 0, 2) from emp where rownum <= 5",
        "select to_char(hiredate, 'DD-MON-YY'), trunc(hiredate, 'MM'), hiredate + 1 from emp",
        "select job, sum(sal) total from emp group by job having count(*) > 1 order by total desc",
        "select unique deptno from emp where ename like 'S%' or comm is null",
        "select e.ename, m.ename from emp m, emp e where m.empno(+) = e.mgr and e.deptno = 10",
        "select count(*) from dept where exists (select 1 from emp where emp.deptno = dept.deptno)",
    };
    std::mt19937 rng(7);
    const std::string junk = "()',.*/|=<>+-%: 1aZ";
    int internal = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string s = seeds[rng() % seeds.size()];
        for (int k = 0, edits = 1 + static_cast<int>(rng() % 3); k < edits && !s.empty(); ++k) {
            std::size_t pos = rng() % s.size();
            switch (rng() % 3) {
            case 0: s.erase(pos, 1 + rng() % 8); break;
            case 1: s.insert(pos, 1, junk[rng() % junk.size()]); break;
            case 2: s.insert(pos, s.substr(rng() % s.size(), 1 + rng() % 10)); break;
            }
        }
        int c = code(s);
        if (c == 600) {
            ++internal;
            std::cerr << s << "\n  -> " << lastError << "\n";
        }
        if (c != 0) {
            EXPECT_EQ(lastError.rfind("ORA-", 0), 0u) << s;
        }
    }
    EXPECT_LE(internal, 10);
}

TEST_F(Engine, LargeResultsMaterialiseQuickly)
{
    exec("create table big (id number, name varchar2(30), d date)");
    sqlite3_exec_wrapper(sim::testing::context("TEST"),
                         "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 100000) "
                         "INSERT INTO \"SYSTEM.BIG\" SELECT i, 'row ' || i, '2024-01-01 00:00:00' FROM n");
    auto start = std::chrono::steady_clock::now();
    auto r = rows("select id, name, d, id / 7 from big");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(r.size(), 100000u);
    EXPECT_EQ(r[99999][1], "row 100000");
    EXPECT_LT(seconds, 3.0);
}

} // namespace
