#pragma once
// The structural rewrites from Oracle's query shapes to SQLite's, each a named pass over
// the syntax tree. Every pass handles the query it is given and every query nested in it.
// Dialect differences that need no reshaping (MINUS -> EXCEPT, UNIQUE -> DISTINCT,
// DELETE without FROM, SYSDATE, '' as NULL, the function names) are table lookups in the
// generator, not passes.
#include "ast.h"
#include "translator.h"

#include <functional>

namespace sim::passes {

// Calls `fn` on `select` and on every query nested in it (inline views, subqueries,
// compound operands), innermost first.
void forEachSelect(ast::Select &select, const std::function<void(ast::Select &)> &fn);

// dropDual: a query over DUAL alone needs no table.
//   select sysdate from dual            ->  SELECT ora_sysdate()
void dropDual(ast::Select &select);

// resolveTables: each [schema.]name becomes the SQLite storage of the object it names,
// found in the current schema, then through public synonyms (ORA-00942 otherwise);
// names of enclosing WITH queries stand for those queries.
//   from v$session                       ->  FROM "SYS.V_$SESSION" AS "V$SESSION"
void resolveTables(ast::Select &select, Catalog &catalog, const std::string &schema);

// outerJoins: Oracle's outer-join marker becomes a LEFT JOIN whose ON holds every
// predicate that carries the marker on that table; marked tables follow the tables
// their predicates depend on.
//   from a, b where a.x = b.y(+) and b.z(+) = 1 and a.k = 2
//     ->  FROM a LEFT JOIN b ON a.x = b.y AND b.z = 1 WHERE a.k = 2
void outerJoins(ast::Select &select, Catalog &catalog);

// connectBy: START WITH / CONNECT BY over one table (several are joined first) becomes a recursive common table
// expression carrying LEVEL and the row's path from its root; rows come out in Oracle's
// depth-first order (siblings in table order, or by ORDER SIBLINGS BY) unless the query
// has its own ORDER BY. SYS_CONNECT_BY_PATH calls become path columns of the expression.
//   select lpad(' ',level) || id from t connect by prior id = parent start with id = 0
//     ->  SELECT ... FROM (WITH RECURSIVE ... ) AS "T" ORDER BY "T"."__PATH"
void connectBy(ast::Select &select, Catalog &catalog);

// rownumLimit: ROWNUM < n, ROWNUM <= n and ROWNUM = 1 among the top-level AND terms of
// WHERE become a row limit. A query that groups, sorts or removes duplicates takes the
// limit on its rows before that, as Oracle counts ROWNUM (an inline view numbers them).
//   where rownum <= 10 and x = 1         ->  WHERE x = 1 LIMIT 10
void rownumLimit(ast::Select &select);

// joinColumns: SELECT * over NATURAL and USING joins lists the joined columns once and
// first, then the other columns of each table in order, as Oracle does.
//   select * from emp join dept using (deptno)  ->  SELECT "DEPTNO", "EMP"."EMPNO", ...
void joinColumns(ast::Select &select, Catalog &catalog);

// groupingSets: ROLLUP, CUBE and GROUPING SETS group the rows once per grouping set. The
// rows are read once per set (a cross join with the set numbers) and grouped by the set
// number and, for each grouping expression, the expression in the sets that group by it
// and null in the others; GROUPING() and GROUPING_ID() read the set number.
//   group by rollup(deptno)   ->  FROM emp CROSS JOIN (SELECT 0 UNION ALL SELECT 1) "__G"
//                                 GROUP BY "__G"."__GS", CASE WHEN "__GS" IN (0) THEN deptno END
void groupingSets(ast::Select &select);

} // namespace sim::passes
