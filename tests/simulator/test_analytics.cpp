// Analytic functions, ROLLUP / CUBE / GROUPING SETS, ANSI joins and the CONNECT BY row
// generator over SCOTT's EMP and DEPT, each result worked out by hand from the rows.
#include "simtest.h"
#include "testing.h"

#include <gtest/gtest.h>

#include <chrono>

namespace {

using simtest::Rows;
using simtest::TextSink;

class Analytics : public ::testing::Test {
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
    Rows rows(const std::string &sql)
    {
        TextSink s;
        db->query(sql, s);
        names = s.names;
        return s.rows;
    }
    // The rows as "a b c" lines, for comparing whole results at a glance.
    std::vector<std::string> lines(const std::string &sql)
    {
        std::vector<std::string> out;
        for (auto &r : rows(sql)) {
            std::string line;
            for (auto &c : r) line += (line.empty() ? "" : " ") + c;
            out.push_back(line);
        }
        return out;
    }
    std::string value(const std::string &sql) { return rows(sql).at(0).at(0); }
    int code(const std::string &sql)
    {
        return simtest::errorCode([&] {
            TextSink s;
            db->query(sql, s);
        }, error);
    }

    std::unique_ptr<sim::Connection> db;
    std::vector<std::string> names;
    std::string error;
};

using Lines = std::vector<std::string>;

TEST_F(Analytics, RankingPerDepartment)
{
    // Ties: SCOTT and FORD earn 3000 in 20, WARD and MARTIN 1250 in 30.
    EXPECT_EQ(lines("select deptno, ename, rank() over (partition by deptno order by sal desc) rk, "
                    "dense_rank() over (partition by deptno order by sal desc) drk, "
                    "row_number() over (partition by deptno order by sal desc, empno) rn "
                    "from emp order by deptno, rn"),
              (Lines{"10 KING 1 1 1", "10 CLARK 2 2 2", "10 MILLER 3 3 3",
                     "20 SCOTT 1 1 1", "20 FORD 1 1 2", "20 JONES 3 2 3", "20 ADAMS 4 3 4", "20 SMITH 5 4 5",
                     "30 BLAKE 1 1 1", "30 ALLEN 2 2 2", "30 TURNER 3 3 3", "30 WARD 4 4 4", "30 MARTIN 4 4 5",
                     "30 JAMES 6 5 6"}));
    EXPECT_EQ(names, (std::vector<std::string>{"DEPTNO", "ENAME", "RK", "DRK", "RN"}));
    // The top earner of each department through an inline view.
    EXPECT_EQ(lines("select deptno, ename from (select deptno, ename, row_number() over (partition by deptno "
                    "order by sal desc, empno) rn from emp) where rn = 1 order by deptno"),
              (Lines{"10 KING", "20 SCOTT", "30 BLAKE"}));
    // Nulls sort last ascending and first descending, as Oracle orders them.
    EXPECT_EQ(lines("select ename, rank() over (order by comm) from emp where deptno = 30 order by 2, ename"),
              (Lines{"TURNER 1", "ALLEN 2", "WARD 3", "MARTIN 4", "BLAKE 5", "JAMES 5"}));
    EXPECT_EQ(lines("select ename, rank() over (order by comm desc) from emp where deptno = 30 order by 2, ename"),
              (Lines{"BLAKE 1", "JAMES 1", "MARTIN 3", "WARD 4", "ALLEN 5", "TURNER 6"}));
    EXPECT_EQ(lines("select ename, rank() over (order by comm nulls first) from emp where deptno = 30 "
                    "order by 2, ename"),
              (Lines{"BLAKE 1", "JAMES 1", "TURNER 3", "ALLEN 4", "WARD 5", "MARTIN 6"}));
    EXPECT_EQ(lines("select ename, ntile(2) over (order by sal) from emp where deptno = 10 order by sal"),
              (Lines{"MILLER 1", "CLARK 1", "KING 2"}));
}

TEST_F(Analytics, RunningAndMovingWindows)
{
    // SALES by hire date: ALLEN 1600, WARD 1250, BLAKE 2850, TURNER 1500, MARTIN 1250, JAMES 950.
    EXPECT_EQ(lines("select ename, sum(sal) over (order by hiredate) running, "
                    "sum(sal) over (order by hiredate rows between 1 preceding and 1 following) moving, "
                    "count(*) over () n, min(sal) over (partition by deptno) lo, max(sal) over (partition by deptno) hi "
                    "from emp where deptno = 30 order by hiredate"),
              (Lines{"ALLEN 1600 2850 6 950 2850", "WARD 2850 5700 6 950 2850", "BLAKE 5700 5600 6 950 2850",
                     "TURNER 7200 5600 6 950 2850", "MARTIN 8450 3700 6 950 2850", "JAMES 9400 2200 6 950 2850"}));
    EXPECT_EQ(lines("select ename, sum(sal) over (order by hiredate rows 2 preceding), "
                    "round(avg(sal) over (partition by deptno), 2) from emp where deptno = 30 order by hiredate"),
              (Lines{"ALLEN 1600 1566.67", "WARD 2850 1566.67", "BLAKE 5700 1566.67", "TURNER 5600 1566.67",
                     "MARTIN 5600 1566.67", "JAMES 3700 1566.67"}));
    // RANGE measures the offset on the ordering value: salaries within 100 of each other.
    EXPECT_EQ(lines("select sal, sum(sal) over (order by sal range between 100 preceding and 100 following) "
                    "from emp where deptno = 30 order by sal, ename"),
              (Lines{"950 950", "1250 2500", "1250 2500", "1500 3100", "1600 3100", "2850 2850"}));
    // The running total over the whole table, ties (same salary) summed together.
    EXPECT_EQ(lines("select ename, sum(sal) over (order by sal) from emp where sal >= 2975 order by sal, ename"),
              (Lines{"JONES 2975", "FORD 8975", "SCOTT 8975", "KING 13975"}));
}

TEST_F(Analytics, OffsetsFirstLastAndRatios)
{
    EXPECT_EQ(lines("select ename, lag(sal) over (order by hiredate), lead(ename, 1, 'none') over (order by hiredate), "
                    "lag(sal, 2, 0) over (order by hiredate), first_value(ename) over (order by hiredate), "
                    "last_value(ename) over (order by hiredate rows between unbounded preceding and unbounded following), "
                    "last_value(ename) over (order by hiredate) from emp where deptno = 30 order by hiredate"),
              (Lines{"ALLEN ~ WARD 0 ALLEN JAMES ALLEN", "WARD 1600 BLAKE 0 ALLEN JAMES WARD",
                     "BLAKE 1250 TURNER 1600 ALLEN JAMES BLAKE", "TURNER 2850 MARTIN 1250 ALLEN JAMES TURNER",
                     "MARTIN 1500 JAMES 2850 ALLEN JAMES MARTIN", "JAMES 1250 none 1500 ALLEN JAMES JAMES"}));
    // ACCOUNTING: 5000, 2450 and 1300 of 8750.
    EXPECT_EQ(lines("select ename, round(ratio_to_report(sal) over (partition by deptno), 4) from emp "
                    "where deptno = 10 order by sal desc"),
              (Lines{"KING 0.5714", "CLARK 0.28", "MILLER 0.1486"}));
    // Over grouped rows: department totals 8750, 10875 and 9400 of 29025.
    EXPECT_EQ(lines("select deptno, sum(sal), rank() over (order by sum(sal) desc), "
                    "round(ratio_to_report(sum(sal)) over (), 4) from emp group by deptno order by deptno"),
              (Lines{"10 8750 3 0.3015", "20 10875 1 0.3747", "30 9400 2 0.3239"}));
    EXPECT_EQ(value("select count(*) from (select ename, sum(sal) over (partition by job) s from emp) where s > 5000"), "9");
    // ROWNUM counts rows before the analytic functions see them.
    EXPECT_EQ(lines("select ename, row_number() over (order by sal desc) from emp where rownum <= 3"),
              (Lines{"ALLEN 1", "WARD 2", "SMITH 3"}));
}

TEST_F(Analytics, AnalyticErrorsAreOracles)
{
    EXPECT_EQ(code("select ename from emp where row_number() over (order by sal) = 1"), 30483);
    EXPECT_EQ(code("select rank() over (partition by deptno) from emp"), 30485);
    EXPECT_EQ(code("select lag(sal) over () from emp"), 30485);
    EXPECT_EQ(code("select ratio_to_report(sal) over (order by sal) from emp"), 30487);
    EXPECT_EQ(code("select sum(sal) over (rows 2 preceding) from emp"), 30485);
    EXPECT_EQ(code("select sum(sal) over (order by sal rows between current row and 1 preceding) from emp"), 30486);
    EXPECT_EQ(code("select sum(sal) over (order by sal, empno range 1 preceding) from emp"), 30486);
    EXPECT_EQ(code("select row_number(sal) over (order by sal) from emp"), 909);
    EXPECT_EQ(code("select count(distinct job) over (partition by deptno) from emp"), 3001);
    EXPECT_EQ(code("select sum(sal) over (order by sal from emp"), 907);
    EXPECT_EQ(code("select upper(ename) over (order by sal) from emp"), 30484);
    EXPECT_EQ(code("select min(sal) keep (dense_rank first order by hiredate) from emp"), 3001);
    EXPECT_EQ(error, "ORA-03001: unimplemented feature: KEEP (DENSE_RANK FIRST|LAST ORDER BY ...) aggregates");
}

TEST_F(Analytics, RollupCubeAndGroupingSets)
{
    EXPECT_EQ(lines("select deptno, job, sum(sal) from emp group by rollup(deptno, job) order by deptno, job"),
              (Lines{"10 CLERK 1300", "10 MANAGER 2450", "10 PRESIDENT 5000", "10 ~ 8750",
                     "20 ANALYST 6000", "20 CLERK 1900", "20 MANAGER 2975", "20 ~ 10875",
                     "30 CLERK 950", "30 MANAGER 2850", "30 SALESMAN 5600", "30 ~ 9400", "~ ~ 29025"}));
    // CUBE adds the job totals: 9 pairs, 3 departments, 5 jobs and the grand total.
    EXPECT_EQ(value("select count(*) from (select deptno, job, sum(sal) from emp group by cube(deptno, job))"), "18");
    EXPECT_EQ(lines("select job, sum(sal), grouping(deptno), grouping(job), grouping_id(deptno, job) from emp "
                    "group by cube(deptno, job) having grouping(deptno) = 1 order by grouping_id(deptno, job), job"),
              (Lines{"ANALYST 6000 1 0 2", "CLERK 4150 1 0 2", "MANAGER 8275 1 0 2", "PRESIDENT 5000 1 0 2",
                     "SALESMAN 5600 1 0 2", "~ 29025 1 1 3"}));
    EXPECT_EQ(lines("select decode(grouping(deptno), 1, 'All', to_char(deptno)) d, "
                    "decode(grouping(job), 1, 'All', job) j, count(*) from emp "
                    "group by grouping sets ((deptno), (job), ()) order by 1, 2"),
              (Lines{"10 All 3", "20 All 5", "30 All 6", "All ANALYST 2", "All All 14", "All CLERK 4",
                     "All MANAGER 3", "All PRESIDENT 1", "All SALESMAN 4"}));
    // GROUPING tells a subtotal's null from a null in the data (ten rows have no commission).
    EXPECT_EQ(lines("select comm, grouping(comm), count(*) from emp group by rollup(comm) order by 2, 1"),
              (Lines{"0 0 1", "300 0 1", "500 0 1", "1400 0 1", "~ 0 10", "~ 1 14"}));
    // A plain column before ROLLUP is in every set: subtotals per department only.
    EXPECT_EQ(lines("select deptno, job, count(*) from emp where deptno = 10 group by deptno, rollup(job) order by 1, 2"),
              (Lines{"10 CLERK 1", "10 MANAGER 1", "10 PRESIDENT 1", "10 ~ 3"}));
    EXPECT_EQ(lines("select deptno, grouping(deptno), count(*) from emp group by deptno order by 1"),
              (Lines{"10 0 3", "20 0 5", "30 0 6"}));
    EXPECT_EQ(code("select grouping(deptno) from emp"), 30481);
    EXPECT_EQ(code("select deptno, grouping(job) from emp group by rollup(deptno)"), 979);
    EXPECT_EQ(code("select ename, count(*) from emp group by rollup(deptno)"), 979);
}

TEST_F(Analytics, EveryAnsiJoin)
{
    EXPECT_EQ(value("select count(*) from emp e inner join dept d on e.deptno = d.deptno"), "14");
    EXPECT_EQ(lines("select d.dname, count(e.empno) from dept d left outer join emp e on e.deptno = d.deptno "
                    "group by d.dname order by d.dname"),
              (Lines{"ACCOUNTING 3", "OPERATIONS 0", "RESEARCH 5", "SALES 6"}));
    EXPECT_EQ(value("select count(*) from emp e right join dept d on e.deptno = d.deptno"), "15");
    // 20 has no department on the right, 10 and 40 no employees on the left, 30 matches.
    EXPECT_EQ(lines("select count(*), count(e.empno), count(d.deptno) from (select * from emp where deptno <> 10) e "
                    "full outer join (select * from dept where deptno <> 20) d on e.deptno = d.deptno"),
              (Lines{"13 11 8"}));
    EXPECT_EQ(value("select count(*) from emp cross join dept"), "56");
    EXPECT_EQ(lines("select dname, count(*) from emp natural join dept group by dname order by dname"),
              (Lines{"ACCOUNTING 3", "RESEARCH 5", "SALES 6"}));
    // SELECT * lists the joined column once and first, as Oracle does.
    EXPECT_EQ(rows("select * from emp natural join dept where empno = 7369"),
              (Rows{{"20", "7369", "SMITH", "CLERK", "7902", "1980-12-17 00:00:00", "800", "~", "RESEARCH", "DALLAS"}}));
    EXPECT_EQ(names, (std::vector<std::string>{"DEPTNO", "EMPNO", "ENAME", "JOB", "MGR", "HIREDATE", "SAL", "COMM",
                                               "DNAME", "LOC"}));
    EXPECT_EQ(rows("select * from dept d join emp e using (deptno) where e.empno = 7839").at(0),
              (std::vector<std::string>{"10", "ACCOUNTING", "NEW YORK", "7839", "KING", "PRESIDENT", "~",
                                        "1981-11-17 00:00:00", "5000", "~"}));
    EXPECT_EQ(lines("select deptno, ename, loc from emp join dept using (deptno) where sal > 2900 order by ename"),
              (Lines{"20 FORD DALLAS", "20 JONES DALLAS", "10 KING NEW YORK", "20 SCOTT DALLAS"}));
    EXPECT_EQ(value("select count(*) from dept natural left join emp"), "15");
    EXPECT_EQ(code("select * from emp e join dept d on e.deptno = d.deptno where e.mgr = d.deptno(+)"), 25156);
    EXPECT_EQ(code("select * from emp join dept using ()"), 904);
}

TEST_F(Analytics, ConnectByLevelGeneratesRows)
{
    EXPECT_EQ(lines("select level from dual connect by level <= 5"), (Lines{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(value("select sum(level) from dual connect by level <= 100"), "5050");
    EXPECT_EQ(lines("select to_char(add_months(date '2026-01-31', level - 1), 'YYYY-MM-DD') from dual "
                    "connect by level <= 3"),
              (Lines{"2026-01-31", "2026-02-28", "2026-03-31"}));
    EXPECT_EQ(lines("select level from dual connect by level <= 3 order by level desc"), (Lines{"3", "2", "1"}));
    // Over three rows, every row is a child of every row above: 3 + 9.
    EXPECT_EQ(value("select count(*) from (select ename from emp where deptno = 10) connect by level <= 2"), "12");
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(value("select count(*) from dual connect by level <= 100000"), "100000");
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 2.0);
    // Without a bound the generator stops at its limit instead of running out of memory.
    EXPECT_EQ(code("select count(*) from dual connect by 1 = 1"), 30009);
    EXPECT_EQ(code("select count(*) from emp connect by level <= 40"), 30009);
    // Once run to its limit, the same statement runs again from nothing.
    EXPECT_EQ(value("select count(*) from dual connect by level <= 10"), "10");
    EXPECT_EQ(value("select count(*) from dual connect by level <= 10"), "10");
    // A PRIOR condition still finds loops.
    EXPECT_EQ(code("select level from dual connect by prior dummy = dummy"), 1436);
}

} // namespace
