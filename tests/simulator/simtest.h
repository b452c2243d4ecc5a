#pragma once
// What the engine and dictionary tests share: results collected as text, and the Oracle
// error code of a statement.
#include "functions.h"
#include "simerror.h"
#include "simulator.h"

#include <cstdio>
#include <string>
#include <vector>

namespace simtest {

using Rows = std::vector<std::vector<std::string>>;

// Collects a result as text: null reads "~", dates "YYYY-MM-DD HH24:MI:SS", numbers with
// a fraction as Oracle shows them (or, for the dictionary's figures, as printf's %.10g).
struct TextSink : sim::RowSink {
    enum Reals { Oracle, Printf };
    explicit TextSink(Reals reals = Oracle) : reals(reals) {}

    std::vector<std::string> names;
    Rows rows;
    Reals reals;

    void columns(const std::vector<std::string> &n) override { names = n; }
    void row(const sim::CellView *cells, std::size_t count) override
    {
        auto &r = rows.emplace_back();
        for (std::size_t i = 0; i < count; ++i) {
            const sim::CellView &c = cells[i];
            switch (c.kind) {
            case sim::CellView::Null: r.push_back("~"); break;
            case sim::CellView::Integer: r.push_back(std::to_string(c.integer)); break;
            case sim::CellView::Real: {
                if (reals == Oracle) {
                    r.push_back(sim::numberToDisplay(c.real));
                } else {
                    char buf[64];
                    std::snprintf(buf, sizeof buf, "%.10g", c.real);
                    r.push_back(buf);
                }
                break;
            }
            default: r.emplace_back(c.text, c.size);
            }
        }
    }
};

// The Oracle error code `run` raises, its text kept in `message`; 0 when it runs.
template <typename Run>
int errorCode(Run &&run, std::string &message)
{
    try {
        run();
    } catch (const sim::SimError &e) {
        message = e.what();
        return e.code();
    }
    return 0;
}

// The classic SCOTT.EMP and SCOTT.DEPT tables with public synonyms, rows in number order.
inline const char *const kScottEmp = R"(
-- employees and departments
CREATE TABLE SCOTT.EMP (EMPNO NUMBER(4) NOT NULL, ENAME VARCHAR2(10), JOB VARCHAR2(9), MGR NUMBER(4),
  HIREDATE DATE, SAL NUMBER(7,2), COMM NUMBER(7,2), DEPTNO NUMBER(2));
CREATE TABLE SCOTT.DEPT (DEPTNO NUMBER(2), DNAME VARCHAR2(14), LOC VARCHAR2(13));
INSERT INTO SCOTT.DEPT VALUES (10, 'ACCOUNTING', 'NEW YORK');
INSERT INTO SCOTT.DEPT VALUES (20, 'RESEARCH', 'DALLAS');
INSERT INTO SCOTT.DEPT VALUES (30, 'SALES', 'CHICAGO');
INSERT INTO SCOTT.DEPT VALUES (40, 'OPERATIONS', 'BOSTON');
INSERT INTO SCOTT.EMP VALUES (7369, 'SMITH', 'CLERK', 7902, to_date('1980-12-17 00:00:00','YYYY-MM-DD HH24:MI:SS'), 800, NULL, 20);
INSERT INTO SCOTT.EMP VALUES (7499, 'ALLEN', 'SALESMAN', 7698, to_date('1981-02-20 00:00:00','YYYY-MM-DD HH24:MI:SS'), 1600, 300, 30);
INSERT INTO SCOTT.EMP VALUES (7521, 'WARD', 'SALESMAN', 7698, to_date('1981-02-22 00:00:00','YYYY-MM-DD HH24:MI:SS'), 1250, 500, 30);
INSERT INTO SCOTT.EMP VALUES (7566, 'JONES', 'MANAGER', 7839, to_date('1981-04-02 00:00:00','YYYY-MM-DD HH24:MI:SS'), 2975, NULL, 20);
INSERT INTO SCOTT.EMP VALUES (7654, 'MARTIN', 'SALESMAN', 7698, to_date('1981-09-28 00:00:00','YYYY-MM-DD HH24:MI:SS'), 1250, 1400, 30);
INSERT INTO SCOTT.EMP VALUES (7698, 'BLAKE', 'MANAGER', 7839, to_date('1981-05-01 00:00:00','YYYY-MM-DD HH24:MI:SS'), 2850, NULL, 30);
INSERT INTO SCOTT.EMP VALUES (7782, 'CLARK', 'MANAGER', 7839, to_date('1981-06-09 00:00:00','YYYY-MM-DD HH24:MI:SS'), 2450, NULL, 10);
INSERT INTO SCOTT.EMP VALUES (7788, 'SCOTT', 'ANALYST', 7566, to_date('1987-04-19 00:00:00','YYYY-MM-DD HH24:MI:SS'), 3000, NULL, 20);
INSERT INTO SCOTT.EMP VALUES (7839, 'KING', 'PRESIDENT', NULL, to_date('1981-11-17 00:00:00','YYYY-MM-DD HH24:MI:SS'), 5000, NULL, 10);
INSERT INTO SCOTT.EMP VALUES (7844, 'TURNER', 'SALESMAN', 7698, to_date('1981-09-08 00:00:00','YYYY-MM-DD HH24:MI:SS'), 1500, 0, 30);
INSERT INTO SCOTT.EMP VALUES (7876, 'ADAMS', 'CLERK', 7788, to_date('1987-05-23 00:00:00','YYYY-MM-DD HH24:MI:SS'), 1100, NULL, 20);
INSERT INTO SCOTT.EMP VALUES (7900, 'JAMES', 'CLERK', 7698, to_date('1981-12-03 00:00:00','YYYY-MM-DD HH24:MI:SS'), 950, NULL, 30);
INSERT INTO SCOTT.EMP VALUES (7902, 'FORD', 'ANALYST', 7566, to_date('1981-12-03 00:00:00','YYYY-MM-DD HH24:MI:SS'), 3000, NULL, 20);
INSERT INTO SCOTT.EMP VALUES (7934, 'MILLER', 'CLERK', 7782, to_date('1982-01-23 00:00:00','YYYY-MM-DD HH24:MI:SS'), 1300, NULL, 10);
CREATE PUBLIC SYNONYM EMP FOR SCOTT.EMP;
CREATE PUBLIC SYNONYM DEPT FOR SCOTT.DEPT;
)";

} // namespace simtest
