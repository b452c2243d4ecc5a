#include "passes.h"

#include "simerror.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <set>

namespace sim::passes {

using namespace ast;

namespace {


// Calls fn on every expression node of `e`, without entering nested queries.
void walk(ExprP &e, const std::function<void(ExprP &)> &fn)
{
    if (!e) return;
    for (auto &a : e->args) walk(a, fn);
    fn(e);
}

void walkSelectExprs(Select &s, const std::function<void(ExprP &)> &fn)
{
    for (auto &i : s.items) walk(i.expr, fn);
    walk(s.where, fn);
    for (auto &g : s.groupBy) walk(g, fn);
    walk(s.having, fn);
    for (auto &o : s.orderBy) walk(o.expr, fn);
}

bool hasOuterMarker(const Expr &e)
{
    if (e.kind == Expr::Column && e.outer) return true;
    for (auto &a : e.args)
        if (a && hasOuterMarker(*a)) return true;
    return false;
}

void splitAnd(ExprP e, std::vector<ExprP> &out)
{
    if (!e) return;
    if (e->kind == Expr::Binary && e->text == "AND") {
        splitAnd(std::move(e->args[0]), out);
        splitAnd(std::move(e->args[1]), out);
        return;
    }
    out.push_back(std::move(e));
}

ExprP joinAnd(std::vector<ExprP> &terms)
{
    ExprP out;
    for (auto &t : terms) {
        if (!t) continue;
        if (!out) { out = std::move(t); continue; }
        auto e = std::make_unique<Expr>(Expr::Binary);
        e->text = "AND";
        e->args.push_back(std::move(out));
        e->args.push_back(std::move(t));
        out = std::move(e);
    }
    return out;
}

ExprP rawExpr(const std::string &sqliteText)
{
    auto e = std::make_unique<Expr>(Expr::Raw);
    e->text = sqliteText;
    return e;
}

ExprP columnExpr(const std::string &table, const std::string &column)
{
    auto e = std::make_unique<Expr>(Expr::Column);
    e->parts = {table, column};
    return e;
}

// The FROM entry a qualified or unqualified column belongs to, or -1.
int tableOfColumn(const Expr &col, std::vector<TableRef> &from, Catalog &catalog)
{
    if (col.parts.size() >= 2) {
        const std::string &q = col.parts[col.parts.size() - 2];
        for (std::size_t i = 0; i < from.size(); ++i)
            if (from[i].refName() == q) return static_cast<int>(i);
        return -1;
    }
    for (std::size_t i = 0; i < from.size(); ++i) {
        std::vector<std::string> cols;
        if (from[i].subquery) {
            for (auto &item : from[i].subquery->items) cols.push_back(item.name);
        } else {
            cols = catalog.columns(from[i].storage);
        }
        if (std::find(cols.begin(), cols.end(), col.parts[0]) != cols.end()) return static_cast<int>(i);
    }
    return -1;
}

} // namespace

namespace {

void exprChildren(Expr *e, const std::function<void(Select &)> &fn)
{
    if (!e) return;
    if (e->select) fn(*e->select);
    for (auto &a : e->args) exprChildren(a.get(), fn);
}

// Calls fn on the queries directly inside `s` (not on their own inner queries).
void forEachChild(Select &s, const std::function<void(Select &)> &fn)
{
    for (auto &w : s.with) fn(*w.second);
    for (auto &t : s.from) {
        if (t.subquery) fn(*t.subquery);
        exprChildren(t.on.get(), fn);
        if (t.hierarchy) {
            exprChildren(t.hierarchy->startWith.get(), fn);
            exprChildren(t.hierarchy->connectBy.get(), fn);
        }
    }
    for (auto &i : s.items) exprChildren(i.expr.get(), fn);
    exprChildren(s.where.get(), fn);
    exprChildren(s.startWith.get(), fn);
    exprChildren(s.connectBy.get(), fn);
    for (auto &g : s.groupBy) exprChildren(g.get(), fn);
    exprChildren(s.having.get(), fn);
    for (auto &o : s.orderBy) exprChildren(o.expr.get(), fn);
    for (auto &c : s.compound) fn(*c.second);
}

// Resolves the tables of `s` and its inner queries; names of enclosing WITH queries
// (`scope`) stand for those queries, not for catalog objects.
void resolveIn(Select &s, Catalog &catalog, const std::string &schema, std::vector<std::string> &scope)
{
    std::size_t mark = scope.size();
    for (auto &w : s.with) scope.push_back(w.first);
    forEachChild(s, [&](Select &child) { resolveIn(child, catalog, schema, scope); });
    for (auto &t : s.from) {
        if (t.subquery || !t.storage.empty()) continue;
        if (t.schema.empty() && std::find(scope.begin(), scope.end(), t.name) != scope.end()) continue;
        if (!t.dblink.empty()) throw oraError(2019, "connection description for remote database not found");
        ResolvedTable r = catalog.resolve(t.schema, t.name, schema);
        t.storage = r.storage;
        t.owner = r.owner;
        t.objectName = r.name;
    }
    scope.resize(mark);
}

} // namespace

void forEachSelect(Select &s, const std::function<void(Select &)> &fn)
{
    forEachChild(s, [&](Select &child) { forEachSelect(child, fn); });
    fn(s);
}

void dropDual(Select &select)
{
    forEachSelect(select, [](Select &s) {
        if (s.from.size() != 1 || s.from[0].subquery || s.connectBy) return;
        const TableRef &t = s.from[0];
        if (t.name != "DUAL" || !(t.schema.empty() || t.schema == "SYS") || !t.dblink.empty()) return;
        // DUAL stays when the query reads its column or filters its row.
        if (s.where || !s.groupBy.empty() || s.having) return;
        for (auto &i : s.items)
            if (i.expr->kind == Expr::Star) return;
        bool readsColumn = false;
        walkSelectExprs(s, [&](ExprP &e) { if (e->kind == Expr::Column) readsColumn = true; });
        if (readsColumn) return;
        s.from.clear();
    });
}

void resolveTables(Select &select, Catalog &catalog, const std::string &schema)
{
    std::vector<std::string> scope;
    resolveIn(select, catalog, schema, scope);
}

void outerJoins(Select &select, Catalog &catalog)
{
    forEachSelect(select, [&](Select &s) {
        if (!s.where || !hasOuterMarker(*s.where)) return;
        for (auto &t : s.from)
            if (t.join != TableRef::Comma) throw oraError(25156);
        std::vector<ExprP> terms;
        splitAnd(std::move(s.where), terms);
        struct Info {
            std::vector<ExprP> on;
            std::set<int> deps;
            bool outer = false;
        };
        std::vector<Info> info(s.from.size());
        std::vector<ExprP> rest;
        for (auto &term : terms) {
            std::set<int> outerTables, otherTables;
            bool unresolvedOuter = false;
            std::string unresolvedName;
            walk(term, [&](ExprP &e) {
                if (e->kind != Expr::Column) return;
                int t = tableOfColumn(*e, s.from, catalog);
                if (e->outer) {
                    if (t < 0) { unresolvedOuter = true; unresolvedName = e->parts.back(); }
                    else outerTables.insert(t);
                } else if (t >= 0) {
                    otherTables.insert(t);
                }
            });
            if (unresolvedOuter) throw invalidIdentifier(unresolvedName);
            if (outerTables.empty()) {
                rest.push_back(std::move(term));
                continue;
            }
            if (outerTables.size() > 1) throw oraError(1468);
            int t = *outerTables.begin();
            otherTables.erase(t);
            walk(term, [](ExprP &e) { e->outer = false; });
            info[t].outer = true;
            info[t].deps.insert(otherTables.begin(), otherTables.end());
            info[t].on.push_back(std::move(term));
        }
        // Inner tables first, in their order; then each outer-joined table once every
        // table its predicates name is placed.
        std::vector<TableRef> from;
        std::vector<bool> placed(s.from.size(), false);
        for (std::size_t i = 0; i < s.from.size(); ++i) {
            if (info[i].outer) continue;
            from.push_back(std::move(s.from[i]));
            placed[i] = true;
        }
        if (from.empty()) throw oraError(1416);
        for (;;) {
            int next = -1;
            for (std::size_t i = 0; i < s.from.size() && next < 0; ++i) {
                if (placed[i]) continue;
                bool ready = std::all_of(info[i].deps.begin(), info[i].deps.end(),
                                         [&](int d) { return placed[d]; });
                if (ready) next = static_cast<int>(i);
            }
            if (next < 0) break;
            TableRef t = std::move(s.from[next]);
            t.join = TableRef::Left;
            t.on = joinAnd(info[next].on);
            from.push_back(std::move(t));
            placed[next] = true;
        }
        if (from.size() != s.from.size()) throw oraError(1416);
        s.from = std::move(from);
        s.where = joinAnd(rest);
    });
}

namespace {

// A hierarchical query over several tables joins them first: the tables and the WHERE
// terms that link them become one inline view whose columns are named "ALIAS.COLUMN",
// and every column reference of the query reads that view. WHERE terms on one table
// stay behind and filter the hierarchy's rows, as Oracle applies them.
//   from emp e, dept d where e.deptno = d.deptno and d.loc = 'X' connect by ...
//     ->  from (select e.empno "E.EMPNO", ..., d.loc "D.LOC" from emp e, dept d
//               where e.deptno = d.deptno) "__J" where "__J"."D.LOC" = 'X' connect by ...
void joinBeforeHierarchy(Select &s, Catalog &catalog)
{
    const std::string view = "__J";
    struct Source {
        std::string alias;
        std::vector<std::string> columns;
    };
    std::vector<Source> sources;
    for (auto &t : s.from) {
        Source src{t.refName(), {}};
        if (t.subquery) for (auto &i : t.subquery->items) src.columns.push_back(i.name);
        else src.columns = catalog.columns(t.storage);
        if (src.columns.empty())
            throw oraError(900, "hierarchical query over a join: columns of " + src.alias + " unknown");
        sources.push_back(std::move(src));
    }
    // The view's name for a column reference, or empty when it names none of the tables.
    auto viewName = [&](const Expr &col) -> std::string {
        if (col.parts.size() >= 2) {
            const std::string &q = col.parts[col.parts.size() - 2];
            for (auto &src : sources)
                if (src.alias == q) return q + "." + col.parts.back();
            return {};
        }
        std::string found;
        for (auto &src : sources)
            for (auto &c : src.columns)
                if (c == col.parts[0]) {
                    if (!found.empty()) throw oraError(918);
                    found = src.alias + "." + c;
                }
        return found;
    };
    auto tablesOf = [&](ExprP &e) {
        std::set<std::string> tables;
        walk(e, [&](ExprP &x) {
            if (x->kind != Expr::Column) return;
            std::string n = viewName(*x);
            if (!n.empty()) tables.insert(n.substr(0, n.find('.')));
        });
        return tables;
    };
    std::vector<ExprP> terms, joins, rest;
    splitAnd(std::move(s.where), terms);
    for (auto &term : terms) (tablesOf(term).size() > 1 ? joins : rest).push_back(std::move(term));

    auto inner = std::make_unique<Select>();
    for (auto &src : sources)
        for (auto &c : src.columns) {
            SelectItem item;
            item.expr = columnExpr(src.alias, c);
            item.name = src.alias + "." + c;
            inner->items.push_back(std::move(item));
        }
    inner->from = std::move(s.from);
    inner->where = joinAnd(joins);
    s.from.clear();
    TableRef joined;
    joined.subquery = std::move(inner);
    joined.alias = view;
    s.from.push_back(std::move(joined));
    s.where = joinAnd(rest);

    auto rewrite = [&](ExprP &e) {
        walk(e, [&](ExprP &x) {
            if (x->kind != Expr::Column) return;
            std::string n = viewName(*x);
            if (!n.empty()) x->parts = {view, n};
        });
    };
    walkSelectExprs(s, rewrite);
    rewrite(s.startWith);
    rewrite(s.connectBy);
    std::vector<SelectItem> items;
    for (auto &item : s.items) {
        if (item.expr->kind != Expr::Star) {
            items.push_back(std::move(item));
            continue;
        }
        for (auto &src : sources) {
            if (!item.expr->parts.empty() && item.expr->parts.back() != src.alias) continue;
            for (auto &c : src.columns) {
                SelectItem n;
                n.expr = columnExpr(view, src.alias + "." + c);
                n.name = c;
                items.push_back(std::move(n));
            }
        }
    }
    s.items = std::move(items);
}

} // namespace

void connectBy(Select &select, Catalog &catalog)
{
    forEachSelect(select, [&](Select &s) {
        if (!s.connectBy) {
            bool level = false;
            walkSelectExprs(s, [&](ExprP &e) {
                if (e->kind == Expr::Pseudo && e->text == "LEVEL") level = true;
            });
            if (level) throw oraError(1788);
            return;
        }
        if (s.from.size() > 1) joinBeforeHierarchy(s, catalog);
        TableRef &t = s.from[0];
        const std::string alias = t.refName();

        // The parent row is "__P": PRIOR expressions read it, everything else the child row.
        std::function<void(ExprP &, bool)> requalify = [&](ExprP &e, bool prior) {
            if (!e) return;
            if (e->kind == Expr::Prior) {
                ExprP inner = std::move(e->args[0]);
                requalify(inner, true);
                e = std::move(inner);
                return;
            }
            if (e->kind == Expr::Column) {
                if (e->parts.size() == 1) e->parts.insert(e->parts.begin(), prior ? "__P" : alias);
                else if (prior && e->parts[e->parts.size() - 2] == alias)
                    e->parts = {"__P", e->parts.back()};
                return;
            }
            if (e->kind == Expr::Pseudo && e->text == "LEVEL") {
                e = rawExpr(prior ? "\"__P\".\"__LVL\"" : "(\"__P\".\"__LVL\" + 1)");
                return;
            }
            for (auto &a : e->args) requalify(a, prior);
        };
        auto h = std::make_shared<Hierarchy>();
        walk(s.connectBy, [&](ExprP &e) { if (e->kind == Expr::Prior) h->generator = true; });
        h->generator = !h->generator;
        h->connectBy = std::move(s.connectBy);
        requalify(h->connectBy, false);
        h->startWith = std::move(s.startWith);
        walk(h->startWith, [](ExprP &e) {
            if (e->kind == Expr::Pseudo && e->text == "LEVEL") e = rawExpr("1");
        });
        h->nocycle = s.nocycle;
        h->siblings = std::move(s.siblingsOrder);
        t.hierarchy = h;

        // SYS_CONNECT_BY_PATH(value, separator) becomes a path column the hierarchy carries.
        walkSelectExprs(s, [&](ExprP &e) {
            if (e->kind != Expr::Func || e->text != "SYS_CONNECT_BY_PATH") return;
            if (e->args.size() != 2) throw oraError(909);
            requalify(e->args[0], false);
            requalify(e->args[1], false);
            h->paths.emplace_back(std::move(e->args[0]), std::move(e->args[1]));
            e = columnExpr(alias, "__CBP" + std::to_string(h->paths.size()));
        });

        // LEVEL in the query reads the hierarchy's level column.
        walkSelectExprs(s, [&](ExprP &e) {
            if (e->kind == Expr::Pseudo && e->text == "LEVEL") e = columnExpr(alias, "__LVL");
        });
        // '*' must not show the hierarchy's own columns.
        std::vector<SelectItem> items;
        for (auto &item : s.items) {
            if (item.expr->kind != Expr::Star) {
                items.push_back(std::move(item));
                continue;
            }
            std::vector<std::string> cols;
            if (t.subquery) for (auto &i : t.subquery->items) cols.push_back(i.name);
            else cols = catalog.columns(t.storage);
            if (cols.empty()) {
                items.push_back(std::move(item));
                continue;
            }
            for (auto &c : cols) {
                SelectItem n;
                n.expr = columnExpr(alias, c);
                n.name = c;
                items.push_back(std::move(n));
            }
        }
        s.items = std::move(items);
        if (s.orderBy.empty() && s.groupBy.empty() && s.compound.empty()) {
            OrderItem o;
            o.expr = columnExpr(alias, "__PATH");
            s.orderBy.push_back(std::move(o));
        }
    });
}

namespace {

// The value of a number literal (the lexer has already refused ones a NUMBER cannot hold).
double literalValue(const Expr &e) { return std::strtod(e.text.c_str(), nullptr); }

// A row count from a ROWNUM bound: bounds beyond any table keep every row.
long long rowCount(double n)
{
    constexpr double most = 1e18;
    if (n > most) return static_cast<long long>(most);
    if (n < 0) return 0;
    return static_cast<long long>(n);
}

bool hasAnalytic(const Expr &e)
{
    if (e.kind == Expr::Func && e.over) return true;
    for (auto &a : e.args)
        if (a && hasAnalytic(*a)) return true;
    return false;
}

bool hasAggregate(const Expr &e)
{
    if (e.kind == Expr::Func && !e.over && (e.text == "COUNT" || e.text == "SUM" || e.text == "AVG" || e.text == "MIN" ||
                                 e.text == "MAX" || e.text == "STDDEV" || e.text == "VARIANCE"))
        return true;
    for (auto &a : e.args)
        if (a && hasAggregate(*a)) return true;
    return false;
}

// ROWNUM counts rows as they are found, before grouping, DISTINCT and ORDER BY: the table
// and its WHERE move into an inline view that numbers its rows, and the query keeps the
// first n of them.
//   select ename from emp e where rownum <= 3 order by ename
//     ->  SELECT ... FROM (SELECT "E".*, row_number() OVER () AS "__RN" FROM emp AS "E")
//         AS "E" WHERE "E"."__RN" <= 3 ORDER BY ...
void limitBeforeShaping(Select &s)
{
    if (s.limit < 0 || s.from.size() != 1 || s.from[0].hierarchy || !s.compound.empty()) return;
    bool shaped = s.distinct || !s.groupBy.empty() || !s.orderBy.empty();
    for (auto &item : s.items) {
        if (item.expr->kind == Expr::Star) return;   // the numbering column would show
        if (hasAggregate(*item.expr) || hasAnalytic(*item.expr)) shaped = true;
    }
    if (!shaped) return;
    const std::string alias = s.from[0].refName();
    auto inner = std::make_unique<Select>();
    SelectItem all;
    all.expr = std::make_unique<Expr>(Expr::Star);
    all.expr->parts.push_back(alias);
    inner->items.push_back(std::move(all));
    SelectItem number;
    number.expr = rawExpr("row_number() OVER ()");
    number.name = "__RN";
    inner->items.push_back(std::move(number));
    inner->from.push_back(std::move(s.from[0]));
    inner->where = std::move(s.where);
    TableRef view;
    view.subquery = std::move(inner);
    view.alias = alias;
    s.from[0] = std::move(view);
    s.where = rawExpr("\"" + alias + "\".\"__RN\" <= " + std::to_string(s.limit));
    s.limit = -1;
}

} // namespace

void rownumLimit(Select &select)
{
    forEachSelect(select, [](Select &s) {
        if (!s.where) return;
        std::vector<ExprP> terms;
        splitAnd(std::move(s.where), terms);
        for (auto &term : terms) {
            // ROWNUM BETWEEN a AND b keeps the first b rows when a <= 1, none otherwise.
            if (term->kind == Expr::Between && !term->negated && term->args[0]->kind == Expr::Pseudo &&
                term->args[0]->text == "ROWNUM" && term->args[1]->kind == Expr::Number &&
                term->args[2]->kind == Expr::Number) {
                double low = literalValue(*term->args[1]), high = literalValue(*term->args[2]);
                long long limit = low <= 1 && high >= 1 ? rowCount(std::floor(high)) : 0;
                s.limit = s.limit < 0 ? limit : std::min(s.limit, limit);
                term.reset();
                continue;
            }
            if (term->kind != Expr::Binary || term->args.size() != 2) continue;
            Expr *a = term->args[0].get(), *b = term->args[1].get();
            std::string op = term->text;
            bool left = a->kind == Expr::Pseudo && a->text == "ROWNUM" && b->kind == Expr::Number;
            bool right = b->kind == Expr::Pseudo && b->text == "ROWNUM" && a->kind == Expr::Number;
            if (!left && !right) continue;
            double n = literalValue(*(left ? b : a));
            if (right) {   // 10 >= rownum  is  rownum <= 10
                if (op == "<") op = ">";
                else if (op == ">") op = "<";
                else if (op == "<=") op = ">=";
                else if (op == ">=") op = "<=";
            }
            long long limit;
            if (op == "<") limit = rowCount(std::ceil(n)) - 1;
            else if (op == "<=") limit = rowCount(std::floor(n));
            else if (op == "=") limit = n == 1 ? 1 : 0;
            else if (op == ">") { if (n >= 1) limit = 0; else { term.reset(); continue; } }
            else if (op == ">=") { if (n > 1) limit = 0; else { term.reset(); continue; } }
            else if (op == "!=") { limit = n >= 1 ? rowCount(std::ceil(n)) - 1 : -1; if (limit < 0) { term.reset(); continue; } }
            else continue;
            if (limit < 0) limit = 0;
            s.limit = s.limit < 0 ? limit : std::min(s.limit, limit);
            term.reset();
        }
        s.where = joinAnd(terms);
        limitBeforeShaping(s);
        bool rownumLeft = false;
        walk(s.where, [&](ExprP &e) {
            if (e->kind == Expr::Pseudo && e->text == "ROWNUM") rownumLeft = true;
        });
        if (rownumLeft)
            throw oraError(900, "ROWNUM is supported in the select list and in ROWNUM < n, "
                                "ROWNUM <= n and ROWNUM = 1 conditions");
    });
}

namespace {

// A deep copy of an expression without nested queries (a grouping expression).
ExprP cloneExpr(const Expr &e)
{
    if (e.select) throw oraError(3001, "unimplemented feature: subquery in a ROLLUP, CUBE or GROUPING SETS expression");
    auto c = std::make_unique<Expr>(e.kind);
    c->text = e.text;
    c->parts = e.parts;
    c->over = e.over;
    c->outer = e.outer;
    c->negated = e.negated;
    c->distinct = e.distinct;
    c->quoted = e.quoted;
    c->pos = e.pos;
    c->height = e.height;
    c->depth = e.depth;
    for (auto &a : e.args) c->args.push_back(a ? cloneExpr(*a) : nullptr);
    return c;
}

// The same grouping expression: same tree; a column named with and without its table matches.
bool sameGrouping(const Expr &a, const Expr &b)
{
    if (a.kind == Expr::Column && b.kind == Expr::Column) {
        if (a.parts.back() != b.parts.back()) return false;
        return a.parts.size() == 1 || b.parts.size() == 1 || a.parts == b.parts;
    }
    if (a.kind != b.kind || a.text != b.text || a.parts != b.parts || a.negated != b.negated ||
        a.distinct != b.distinct || a.args.size() != b.args.size() || a.select || b.select || !a.over != !b.over)
        return false;
    for (std::size_t i = 0; i < a.args.size(); ++i) {
        if (!a.args[i] || !b.args[i]) {
            if (a.args[i] || b.args[i]) return false;
            continue;
        }
        if (!sameGrouping(*a.args[i], *b.args[i])) return false;
    }
    return true;
}

bool isGroupAggregate(const Expr &e)
{
    static const std::set<std::string> names = {"COUNT", "SUM", "AVG", "MIN", "MAX", "STDDEV", "VARIANCE"};
    return e.kind == Expr::Func && !e.over && names.count(e.text);
}

bool usesGrouping(const Expr &e)
{
    if (e.kind == Expr::Func && (e.text == "GROUPING" || e.text == "GROUPING_ID")) return true;
    for (auto &a : e.args)
        if (a && usesGrouping(*a)) return true;
    return false;
}

} // namespace

void groupingSets(Select &select)
{
    forEachSelect(select, [](Select &s) {
        if (s.groupBy.empty()) return;
        if (s.groupingSets.empty()) {
            bool grouping = s.having && usesGrouping(*s.having);
            for (auto &i : s.items) grouping = grouping || (i.expr && usesGrouping(*i.expr));
            for (auto &o : s.orderBy) grouping = grouping || usesGrouping(*o.expr);
            if (!grouping) return;
            std::vector<std::size_t> all;
            for (std::size_t k = 0; k < s.groupBy.size(); ++k) all.push_back(k);
            s.groupingSets.push_back(all);
        }
        const auto &sets = s.groupingSets;
        const std::size_t n = s.groupBy.size();
        // inSet[k]: the numbers of the sets that group by expression k.
        std::vector<std::vector<std::size_t>> inSet(n);
        for (std::size_t g = 0; g < sets.size(); ++g)
            for (std::size_t k : sets[g]) inSet[k].push_back(g);
        const std::string gs = "\"__G\".\"__GS\"";
        auto setList = [&](const std::vector<std::size_t> &numbers) {
            std::string out;
            for (std::size_t g : numbers) out += (out.empty() ? "" : ", ") + std::to_string(g);
            return out;
        };
        // An expression grouped in some sets only reads null in the others.
        std::vector<ExprP> grouped(n);
        for (std::size_t k = 0; k < n; ++k) {
            if (inSet[k].size() == sets.size()) continue;
            auto c = std::make_unique<Expr>(Expr::Case);
            c->args.push_back(nullptr);
            c->args.push_back(rawExpr(inSet[k].empty() ? std::string("0") : "(" + gs + " IN (" + setList(inSet[k]) + "))"));
            c->args.push_back(cloneExpr(*s.groupBy[k]));
            c->args.push_back(nullptr);
            grouped[k] = std::move(c);
        }
        auto indexOf = [&](const Expr &e) -> int {
            for (std::size_t k = 0; k < n; ++k)
                if (sameGrouping(*s.groupBy[k], e)) return static_cast<int>(k);
            return -1;
        };
        // GROUPING(e): 1 in the rows where e is not grouped (its null is a subtotal's).
        auto groupingOf = [&](int k) {
            return "(CASE WHEN " + gs + " IN (" + (inSet[k].empty() ? std::string("-1") : setList(inSet[k])) +
                   ") THEN 0 ELSE 1 END)";
        };
        std::function<void(ExprP &)> replace = [&](ExprP &e) {
            if (!e || e->kind == Expr::Subquery || e->kind == Expr::Exists || isGroupAggregate(*e)) return;
            if (e->kind == Expr::Func && (e->text == "GROUPING" || e->text == "GROUPING_ID") && !e->over) {
                if (e->args.empty() || (e->text == "GROUPING" && e->args.size() != 1)) throw oraError(909);
                std::vector<int> ks;
                for (auto &a : e->args) {
                    int k = a ? indexOf(*a) : -1;
                    if (k < 0) throw oraError(979);
                    ks.push_back(k);
                }
                if (e->text == "GROUPING") {
                    e = rawExpr(groupingOf(ks[0]));
                    return;
                }
                // GROUPING_ID(a, b, ...): the GROUPING bits of its arguments, first one highest.
                std::string out = "(CASE " + gs;
                for (std::size_t g = 0; g < sets.size(); ++g) {
                    long long bits = 0;
                    for (int k : ks)
                        bits = bits * 2 + (std::find(sets[g].begin(), sets[g].end(), static_cast<std::size_t>(k)) ==
                                                   sets[g].end() ? 1 : 0);
                    out += " WHEN " + std::to_string(g) + " THEN " + std::to_string(bits);
                }
                e = rawExpr(out + " END)");
                return;
            }
            int k = indexOf(*e);
            if (k >= 0) {
                if (grouped[k]) e = cloneExpr(*grouped[k]);
                return;
            }
            for (auto &a : e->args) replace(a);
        };
        for (auto &i : s.items)
            if (i.expr->kind != Expr::Star) replace(i.expr);
        replace(s.having);
        for (auto &o : s.orderBy) {
            // ORDER BY 2 and ORDER BY alias read the select list, already replaced.
            if (o.expr->kind == Expr::Number) continue;
            if (o.expr->kind == Expr::Column && o.expr->parts.size() == 1) {
                bool alias = false;
                for (auto &i : s.items) alias = alias || (!i.alias.empty() && i.alias == o.expr->parts[0]);
                if (alias) continue;
            }
            replace(o.expr);
        }
        // The rows are read once per grouping set: FROM ... CROSS JOIN (0, 1, ...) "__G".
        auto numbers = std::make_unique<Select>();
        for (std::size_t g = 0; g < sets.size(); ++g) {
            auto one = std::make_unique<Select>();
            SelectItem item;
            item.expr = rawExpr(std::to_string(g));
            item.name = "__GS";
            one->items.push_back(std::move(item));
            if (g == 0) numbers = std::move(one);
            else numbers->compound.emplace_back(Select::UnionAll, std::move(one));
        }
        TableRef t;
        t.subquery = std::move(numbers);
        t.alias = "__G";
        t.join = s.from.empty() ? TableRef::Comma : TableRef::Cross;
        s.from.push_back(std::move(t));
        std::vector<ExprP> groupBy;
        groupBy.push_back(columnExpr("__G", "__GS"));
        for (std::size_t k = 0; k < n; ++k) groupBy.push_back(grouped[k] ? std::move(grouped[k]) : std::move(s.groupBy[k]));
        s.groupBy = std::move(groupBy);
        s.groupingSets.clear();
    });
}

void joinColumns(Select &select, Catalog &catalog)
{
    forEachSelect(select, [&](Select &s) {
        if (s.items.size() != 1 || s.items[0].expr->kind != Expr::Star || !s.items[0].expr->parts.empty()) return;
        bool ansi = false;
        for (auto &t : s.from) ansi = ansi || t.natural || !t.usingColumns.empty();
        if (!ansi) return;
        // The columns so far, each with the table it is read from ("" for a joined column).
        std::vector<std::pair<std::string, std::string>> cols;
        auto columnsOf = [&](const TableRef &t) {
            std::vector<std::string> names;
            if (t.subquery) {
                for (auto &i : t.subquery->items) {
                    if (i.expr->kind == Expr::Star) return std::vector<std::string>();
                    names.push_back(i.name);
                }
            } else {
                names = catalog.columns(t.storage);
            }
            return names;
        };
        for (std::size_t i = 0; i < s.from.size(); ++i) {
            const TableRef &t = s.from[i];
            std::vector<std::string> right = columnsOf(t);
            if (right.empty()) return;   // columns unknown: SQLite's own order stands
            std::vector<std::string> common;
            if (t.natural) {
                for (auto &c : cols)
                    if (std::find(right.begin(), right.end(), c.first) != right.end()) common.push_back(c.first);
            } else {
                common = t.usingColumns;
            }
            std::vector<std::pair<std::string, std::string>> next;
            for (auto &c : common) next.emplace_back(c, "");
            for (auto &c : cols)
                if (std::find(common.begin(), common.end(), c.first) == common.end()) next.push_back(c);
            for (auto &c : right)
                if (std::find(common.begin(), common.end(), c) == common.end()) next.emplace_back(c, t.refName());
            cols = std::move(next);
        }
        std::vector<SelectItem> items;
        for (auto &c : cols) {
            SelectItem item;
            item.expr = std::make_unique<Expr>(Expr::Column);
            if (!c.second.empty()) item.expr->parts.push_back(c.second);
            item.expr->parts.push_back(c.first);
            item.name = c.first;
            items.push_back(std::move(item));
        }
        s.items = std::move(items);
    });
}

} // namespace sim::passes
