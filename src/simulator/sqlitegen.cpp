// SQLite generator: writes the (rewritten) syntax tree as SQLite SQL. Oracle functions map
// through one table to the instance's registered functions (functions.cpp), which carry
// Oracle's semantics; arithmetic that may involve dates or text goes through them too.
#include "passes.h"
#include "simerror.h"
#include "translator.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <map>
#include <unordered_map>

namespace sim {

using namespace ast;

namespace {
// Encloses text in the quote character q, doubling every q inside it.
std::string enclose(const std::string &text, char q)
{
    std::string out(1, q);
    for (char c : text) {
        if (c == q) out += q;
        out += c;
    }
    return out + q;
}
} // namespace

std::string quoteIdent(const std::string &name)
{
    if (name.find('\0') == std::string::npos) return enclose(name, '"');
    // A result column named after a literal holding a NUL: SQLite names cannot hold one.
    std::string clean;
    for (char c : name)
        if (c != '\0') clean += c;
    return enclose(clean, '"');
}

std::string quoteString(const std::string &text)
{
    if (text.find('\0') == std::string::npos) return enclose(text, '\'');
    // SQLite's parser ends a statement at a NUL byte, so a literal holding one is written
    // as the bytes in hexadecimal, read back as text.
    static const char digits[] = "0123456789ABCDEF";
    std::string out = "CAST(X'";
    for (unsigned char c : text) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out + "' AS TEXT)";
}

namespace {

// How an Oracle function is written in SQLite.
struct FunctionMap {
    const char *sqlite;   // SQLite function name; nullptr for the special forms below
    int minArgs, maxArgs;
    bool numeric;         // the result is always a number (or null)
};

const std::map<std::string, FunctionMap> &functionTable()
{
    static const std::map<std::string, FunctionMap> table = {
        // aggregates
        {"COUNT", {"count", 1, 1, true}},     {"SUM", {"sum", 1, 1, true}},
        {"AVG", {"avg", 1, 1, true}},         {"MIN", {"min", 1, 1, false}},
        {"MAX", {"max", 1, 1, false}},        {"STDDEV", {"ora_stddev", 1, 1, true}},
        {"VARIANCE", {"ora_variance", 1, 1, true}},
        // null handling and choice
        {"NVL", {"ifnull", 2, 2, false}},     {"NVL2", {nullptr, 3, 3, false}},
        {"DECODE", {nullptr, 3, 255, false}}, {"COALESCE", {"coalesce", 2, 255, false}},
        {"NULLIF", {"nullif", 2, 2, false}},  {"GREATEST", {"ora_greatest", 1, 255, false}},
        {"LEAST", {"ora_least", 1, 255, false}},
        // numbers
        {"ABS", {"ora_abs", 1, 1, true}},     {"MOD", {"ora_mod", 2, 2, true}},
        {"ROUND", {"ora_round", 1, 2, false}}, {"TRUNC", {"ora_trunc", 1, 2, false}},
        {"CEIL", {"ora_ceil", 1, 1, true}},   {"FLOOR", {"ora_floor", 1, 1, true}},
        {"POWER", {"ora_power", 2, 2, true}}, {"SQRT", {"ora_sqrt", 1, 1, true}},
        {"SIGN", {"ora_sign", 1, 1, true}},   {"EXP", {"ora_exp", 1, 1, true}},
        {"LN", {"ora_ln", 1, 1, true}},       {"LOG", {"ora_log", 2, 2, true}},
        // text
        {"UPPER", {"ora_upper", 1, 1, false}}, {"LOWER", {"ora_lower", 1, 1, false}},
        {"INITCAP", {"ora_initcap", 1, 1, false}}, {"LENGTH", {"ora_length", 1, 1, true}},
        {"SUBSTR", {"ora_substr", 2, 3, false}}, {"INSTR", {"ora_instr", 2, 4, true}},
        {"LPAD", {"ora_lpad", 2, 3, false}},  {"RPAD", {"ora_rpad", 2, 3, false}},
        {"LTRIM", {"ora_ltrim", 1, 2, false}}, {"RTRIM", {"ora_rtrim", 1, 2, false}},
        {"TRIM", {"ora_trim", 1, 1, false}},  {"TRIM_SET", {"ora_trim", 2, 2, false}},
        {"REPLACE", {"ora_replace", 2, 3, false}}, {"TRANSLATE", {"ora_translate", 3, 3, false}},
        {"CONCAT", {"ora_concat", 2, 2, false}}, {"CHR", {"ora_chr", 1, 1, false}},
        {"ASCII", {"ora_ascii", 1, 1, true}}, {"USERENV", {"ora_userenv", 1, 1, false}},
        {"SOUNDEX", {"ora_soundex", 1, 1, false}},
        {"REGEXP_LIKE", {"ora_regexp_like", 2, 3, true}}, {"REGEXP_SUBSTR", {"ora_regexp_substr", 2, 6, false}},
        {"REGEXP_INSTR", {"ora_regexp_instr", 2, 7, true}}, {"REGEXP_REPLACE", {"ora_regexp_replace", 2, 6, false}},
        // conversion and dates
        {"TO_CHAR", {"ora_to_char", 1, 3, false}}, {"TO_NUMBER", {"ora_to_number", 1, 3, true}},
        {"TO_DATE", {"ora_to_date", 1, 3, false}}, {"ADD_MONTHS", {"ora_add_months", 2, 2, false}},
        {"MONTHS_BETWEEN", {"ora_months_between", 2, 2, true}},
        {"LAST_DAY", {"ora_last_day", 1, 1, false}},
    };
    return table;
}

class Generator {
public:
    explicit Generator(Catalog &catalog) : m_catalog(catalog) {}

    void select(const Select &s, std::string &out);
    void expr(const Expr &e, std::string &out);

private:
    void core(const Select &s, std::string &out, bool withOrder);
    void tableRef(const TableRef &t, std::string &out);
    void hierarchy(const TableRef &t, std::string &out);
    void function(const Expr &e, std::string &out);
    void analytic(const Expr &e, std::string &out);
    void window(const Expr &e, std::string &out, bool withOrder = true);
    void concat(const Expr &e, std::string &out);
    void flattenConcat(const Expr &e, std::vector<const Expr *> &out);
    bool isNumeric(const Expr &e);
    void checkGrouping(const Select &s);
    void writeTail(const Select &s, std::string &out, bool withOrder);
    bool coveredByGroup(const Expr &e, const Select &s);
    std::size_t fingerprint(const Expr &e);
    bool arithmeticRun(const Expr &e, std::string &out);
    bool logicalRun(const Expr &e, std::string &out);
    void foldedCall(const char *fn, const std::vector<const Expr *> &args, std::string &out);

    Catalog &m_catalog;
    int m_counter = 0;
    // Computed once per node, so that no check walks a subtree again at every level.
    std::unordered_map<const Expr *, bool> m_numeric;
    std::unordered_map<const Expr *, std::size_t> m_prints;
};

// Runs of one operator at least this long are written as one folded call (arithmetic) or
// as flat groups (AND, OR) instead of one nested parenthesis per operator.
constexpr std::size_t kLongRun = 16;
// Arguments per SQLite function call in a folded call (SQLite allows 127).
constexpr std::size_t kCallArgs = 100;

int runGroup(const std::string &op)
{
    if (op == "+" || op == "-") return 1;
    if (op == "*" || op == "/") return 2;
    return 0;
}

// Same shape, names and values: what makes two expressions the same GROUP BY expression.
bool sameTree(const Expr &a, const Expr &b)
{
    if (a.kind != b.kind || a.text != b.text || a.parts != b.parts || a.negated != b.negated ||
        a.distinct != b.distinct || a.outer != b.outer || a.args.size() != b.args.size() ||
        a.select.get() != b.select.get() || !a.over != !b.over ||
        (a.over && (a.over->frame != b.over->frame || a.over->partition != b.over->partition)))
        return false;
    for (std::size_t i = 0; i < a.args.size(); ++i) {
        if (!a.args[i] || !b.args[i]) {
            if (a.args[i] || b.args[i]) return false;
            continue;
        }
        if (!sameTree(*a.args[i], *b.args[i])) return false;
    }
    return true;
}

// query: core { setop core } [ORDER BY ...] [LIMIT n]
void Generator::select(const Select &s, std::string &out)
{
    if (!s.with.empty()) {
        out += "WITH ";
        for (std::size_t i = 0; i < s.with.size(); ++i) {
            if (i) out += ", ";
            out += quoteIdent(s.with[i].first) + " AS (";
            select(*s.with[i].second, out);
            out += ")";
        }
        out += " ";
    }
    bool compound = !s.compound.empty();
    auto operand = [&](const Select &op, bool first) {
        // An operand with its own order or limit runs as an inline view.
        bool wrap = op.limit >= 0 || (!op.orderBy.empty() && !first);
        if (wrap) {
            out += "SELECT * FROM (";
            core(op, out, true);
            out += ")";
        } else {
            core(op, out, false);
        }
    };
    if (!compound) {
        core(s, out, true);
        return;
    }
    // The first operand's ORDER BY belongs to the whole compound (as the parser put it).
    bool firstWrap = s.limit >= 0;
    if (firstWrap) {
        out += "SELECT * FROM (";
        core(s, out, false);
        out += " LIMIT " + std::to_string(s.limit) + ")";
    } else {
        core(s, out, false);
    }
    for (auto &c : s.compound) {
        switch (c.first) {
        case Select::Union: out += " UNION "; break;
        case Select::UnionAll: out += " UNION ALL "; break;
        case Select::Intersect: out += " INTERSECT "; break;
        case Select::Minus: out += " EXCEPT "; break;
        }
        operand(*c.second, false);
    }
    if (!s.orderBy.empty()) {
        out += " ORDER BY ";
        for (std::size_t i = 0; i < s.orderBy.size(); ++i) {
            if (i) out += ", ";
            expr(*s.orderBy[i].expr, out);
            if (s.orderBy[i].desc) out += " DESC";
            if (s.orderBy[i].nulls == 1) out += " NULLS FIRST";
            else if (s.orderBy[i].nulls == 2) out += " NULLS LAST";
            else if (s.orderBy[i].desc) out += " NULLS FIRST";   // Oracle sorts nulls high
            else out += " NULLS LAST";
        }
    }
}

bool isAggregate(const Expr &e)
{
    if (e.kind != Expr::Func || e.over) return false;
    static const char *names[] = {"COUNT", "SUM", "AVG", "MIN", "MAX", "STDDEV", "VARIANCE"};
    for (const char *n : names)
        if (e.text == n) return true;
    return false;
}

bool containsAggregate(const Expr &e)
{
    if (isAggregate(e)) return true;
    for (auto &a : e.args)
        if (a && containsAggregate(*a)) return true;
    return false;
}

std::size_t Generator::fingerprint(const Expr &e)
{
    auto it = m_prints.find(&e);
    if (it != m_prints.end()) return it->second;
    std::hash<std::string> text;
    auto mix = [](std::size_t h, std::size_t v) { return h ^ (v + 0x9e3779b97f4a7c15ULL + (h << 6) + (h >> 2)); };
    std::size_t h = mix(static_cast<std::size_t>(e.kind), text(e.text));
    for (auto &p : e.parts) h = mix(h, text(p));
    h = mix(h, (e.negated ? 1u : 0u) | (e.distinct ? 2u : 0u) | (e.outer ? 4u : 0u));
    for (auto &a : e.args) h = mix(h, a ? fingerprint(*a) : 7);
    if (e.select) h = mix(h, std::hash<const void *>()(e.select.get()));
    m_prints.emplace(&e, h);
    return h;
}

// True when every column of `e` outside aggregates is one of the GROUP BY expressions.
// Each node is compared by its fingerprint, so the check is linear in the expression.
bool Generator::coveredByGroup(const Expr &e, const Select &s)
{
    if (isAggregate(e) || e.kind == Expr::Subquery || e.kind == Expr::Exists) return true;
    std::size_t print = fingerprint(e);
    for (auto &g : s.groupBy)
        if (fingerprint(*g) == print && sameTree(*g, e)) return true;
    if (e.kind == Expr::Column) {
        // An unqualified and a qualified reference to the same column name match.
        for (auto &g : s.groupBy) {
            if (g->kind != Expr::Column || g->parts.back() != e.parts.back()) continue;
            if (g->parts.size() == 1 || e.parts.size() == 1) return true;
        }
        return false;
    }
    for (auto &a : e.args)
        if (a && !coveredByGroup(*a, s)) return false;
    return true;
}

// Oracle rejects a grouped query whose select list reads a column that is neither
// grouped nor aggregated (ORA-00979, or ORA-00937 without GROUP BY); SQLite would pick
// an arbitrary row's value instead.
void Generator::checkGrouping(const Select &s)
{
    bool aggregates = false;
    for (auto &item : s.items)
        if (item.expr->kind != Expr::Star && containsAggregate(*item.expr)) aggregates = true;
    if (s.groupBy.empty() && !aggregates) return;
    for (auto &item : s.items) {
        if (item.expr->kind == Expr::Star) throw oraError(s.groupBy.empty() ? 937 : 979);
        if (!coveredByGroup(*item.expr, s)) throw oraError(s.groupBy.empty() ? 937 : 979);
    }
}

void Generator::core(const Select &s, std::string &out, bool withOrder)
{
    checkGrouping(s);
    out += "SELECT ";
    if (s.distinct) out += "DISTINCT ";
    for (std::size_t i = 0; i < s.items.size(); ++i) {
        if (i) out += ", ";
        const SelectItem &item = s.items[i];
        if (item.expr->kind == Expr::Star) {
            if (!item.expr->parts.empty()) out += quoteIdent(item.expr->parts.back()) + ".";
            out += "*";
            continue;
        }
        expr(*item.expr, out);
        out += " AS ";
        out += quoteIdent(item.name);
    }
    writeTail(s, out, withOrder);
}

// FROM ... WHERE ... GROUP BY ... HAVING [ORDER BY ... LIMIT n]
void Generator::writeTail(const Select &s, std::string &out, bool withOrder)
{
    if (!s.from.empty()) {
        out += " FROM ";
        for (std::size_t i = 0; i < s.from.size(); ++i) {
            const TableRef &t = s.from[i];
            if (i) {
                if (t.natural) out += " NATURAL";
                switch (t.join) {
                case TableRef::Comma: out += ", "; break;
                case TableRef::Inner: out += " JOIN "; break;
                case TableRef::Left: out += " LEFT JOIN "; break;
                case TableRef::Right: out += " RIGHT JOIN "; break;
                case TableRef::Full: out += " FULL JOIN "; break;
                case TableRef::Cross: out += " CROSS JOIN "; break;
                }
            }
            tableRef(t, out);
            if (i && t.on) {
                out += " ON ";
                expr(*t.on, out);
            }
            if (i && !t.usingColumns.empty()) {
                out += " USING (";
                for (std::size_t k = 0; k < t.usingColumns.size(); ++k)
                    out += (k ? ", " : "") + quoteIdent(t.usingColumns[k]);
                out += ")";
            }
        }
    }
    if (s.where) {
        out += " WHERE ";
        expr(*s.where, out);
    }
    if (!s.groupBy.empty()) {
        out += " GROUP BY ";
        for (std::size_t i = 0; i < s.groupBy.size(); ++i) {
            if (i) out += ", ";
            expr(*s.groupBy[i], out);
        }
    }
    if (s.having) {
        out += " HAVING ";
        expr(*s.having, out);
    }
    if (withOrder && !s.orderBy.empty()) {
        out += " ORDER BY ";
        for (std::size_t i = 0; i < s.orderBy.size(); ++i) {
            if (i) out += ", ";
            expr(*s.orderBy[i].expr, out);
            if (s.orderBy[i].desc) out += " DESC";
            if (s.orderBy[i].nulls == 1) out += " NULLS FIRST";
            else if (s.orderBy[i].nulls == 2) out += " NULLS LAST";
            else if (s.orderBy[i].desc) out += " NULLS FIRST";
            else out += " NULLS LAST";
        }
    }
    if (withOrder && s.limit >= 0) out += " LIMIT " + std::to_string(s.limit);
}

void Generator::tableRef(const TableRef &t, std::string &out)
{
    if (t.hierarchy) {
        hierarchy(t, out);
        return;
    }
    if (t.subquery) {
        out += "(";
        select(*t.subquery, out);
        out += ")";
        if (!t.alias.empty()) out += " AS " + quoteIdent(t.alias);
        return;
    }
    out += quoteIdent(t.storage.empty() ? t.name : t.storage);
    out += " AS ";
    out += quoteIdent(t.refName());
}

// (WITH RECURSIVE base AS (rows numbered in table order), h AS (roots UNION ALL children)
//  SELECT * FROM h) AS alias
void Generator::hierarchy(const TableRef &t, std::string &out)
{
    const Hierarchy &h = *t.hierarchy;
    int n = ++m_counter;
    std::string base = quoteIdent("__B" + std::to_string(n));
    std::string cte = quoteIdent("__H" + std::to_string(n));
    std::string a = quoteIdent(t.refName());
    // Rows are numbered in table order, or by ORDER SIBLINGS BY; a parent's children then
    // follow each other in that order.
    out += "(WITH RECURSIVE " + base + " AS MATERIALIZED (SELECT row_number() OVER (";
    for (std::size_t k = 0; k < h.siblings.size(); ++k) {
        out += k ? ", " : "ORDER BY ";
        expr(*h.siblings[k].expr, out);
        out += h.siblings[k].desc ? " DESC NULLS FIRST" : " NULLS LAST";
    }
    out += ") AS \"__RN\", " + a + ".* FROM ";
    if (t.subquery) {
        out += "(";
        select(*t.subquery, out);
        out += ")";
    } else {
        out += quoteIdent(t.storage.empty() ? t.name : t.storage);
    }
    // A row generator over one row (connect by level <= n from dual) goes down one
    // chain: its path is the level alone, so its rows cost no more than their count.
    bool chain = h.generator && !t.subquery && t.objectName == "DUAL" && t.owner == "SYS";
    out += " AS " + a + "), " + cte + " AS (SELECT 1 AS \"__LVL\", " +
           (chain ? std::string("1") : "printf('/%010d', " + a + ".\"__RN\")") + " AS \"__PATH\", ";
    for (std::size_t k = 0; k < h.paths.size(); ++k) {
        out += "ora_concat(";
        expr(*h.paths[k].second, out);
        out += ", ";
        expr(*h.paths[k].first, out);
        out += ") AS " + quoteIdent("__CBP" + std::to_string(k + 1)) + ", ";
    }
    out += a + ".* FROM " + base + " AS " + a;
    // A generator's run is numbered, so that its rows are counted from its first step.
    static std::atomic<long long> runs{0};
    const std::string run = h.generator ? std::to_string(++runs) : std::string();
    if (h.startWith || h.generator) out += " WHERE ";
    if (h.generator) out += "ora_connect_start(" + run + ")";
    if (h.startWith) {
        if (h.generator) out += " AND ";
        out += "(";
        expr(*h.startWith, out);
        out += ")";
    }
    out += " UNION ALL SELECT \"__P\".\"__LVL\" + 1, " +
           (chain ? std::string("\"__P\".\"__LVL\" + 1")
                  : "\"__P\".\"__PATH\" || printf('/%010d', " + a + ".\"__RN\")") + ", ";
    for (std::size_t k = 0; k < h.paths.size(); ++k) {
        out += "ora_concat(\"__P\"." + quoteIdent("__CBP" + std::to_string(k + 1)) + ", ";
        expr(*h.paths[k].second, out);
        out += ", ";
        expr(*h.paths[k].first, out);
        out += "), ";
    }
    out += a + ".* FROM " + base + " AS " + a + " JOIN " + cte + " AS \"__P\" ON (";
    expr(*h.connectBy, out);
    if (h.generator) {
        // No PRIOR, no loop to find; the rows made are bounded instead (ORA-30009), each
        // weighed by its path's length.
        // The weight reads the child row too, so that the guard runs for every child made
        // (a term on the parent alone would run once per parent).
        out += ") AND ora_connect_guard(" + std::string(chain ? "1" : "\"__P\".\"__LVL\" + 1") + " + 0 * " + a +
               ".\"__RN\", " +
               (chain ? "1000000" : "2000000") + ", " + run + ")) SELECT * FROM " + cte + ") AS " + a;
        return;
    }
    out += ") AND ora_connect_check(\"__P\".\"__PATH\", " + a + ".\"__RN\", " +
           (h.nocycle ? "1" : "0") + ")) SELECT * FROM " + cte + ") AS " + a;
}

bool Generator::isNumeric(const Expr &e)
{
    auto known = m_numeric.find(&e);
    if (known != m_numeric.end()) return known->second;
    bool numeric = false;
    switch (e.kind) {
    case Expr::Number: numeric = true; break;
    case Expr::Unary: numeric = e.text != "NOT" && isNumeric(*e.args[0]); break;
    case Expr::Binary:
        if (e.text == "*" || e.text == "/") numeric = true;
        else if (e.text == "+" || e.text == "-") numeric = isNumeric(*e.args[0]) && isNumeric(*e.args[1]);
        break;
    case Expr::Func: {
        auto it = functionTable().find(e.text);
        numeric = it != functionTable().end() && it->second.numeric;
        break;
    }
    default: break;
    }
    m_numeric.emplace(&e, numeric);
    return numeric;
}

// fn(fn(fn(a1, ..., a100), a101, ..., a199), a200, ...): a left fold over calls of at most
// kCallArgs arguments, for functions where that gives the same value as one call.
void Generator::foldedCall(const char *fn, const std::vector<const Expr *> &args, std::string &out)
{
    std::size_t calls = 1;
    if (args.size() > kCallArgs) calls += (args.size() - kCallArgs + kCallArgs - 2) / (kCallArgs - 1);
    for (std::size_t c = 0; c < calls; ++c) (out += fn) += "(";
    std::size_t inCall = 0;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (i) out += ", ";
        expr(*args[i], out);
        if (++inCall == kCallArgs && i + 1 < args.size()) {
            out += ")";
            inCall = 1;   // the closed call is the next call's first argument
        }
    }
    out += ")";
}

// A long run of + - or * / becomes ora_chain(a, '+', b, '-', c, ...), folded into calls
// of at most kCallArgs arguments, evaluated left to right as Oracle does.
bool Generator::arithmeticRun(const Expr &e, std::string &out)
{
    int group = runGroup(e.text);
    std::vector<const Expr *> terms;
    std::vector<const std::string *> ops;
    const Expr *x = &e;
    while (x->kind == Expr::Binary && runGroup(x->text) == group) {
        ops.push_back(&x->text);
        terms.push_back(x->args[1].get());
        x = x->args[0].get();
    }
    if (ops.size() < kLongRun) return false;
    terms.push_back(x);
    std::reverse(terms.begin(), terms.end());
    std::reverse(ops.begin(), ops.end());
    const std::size_t pairs = (kCallArgs - 1) / 2;
    std::size_t calls = (ops.size() + pairs - 1) / pairs;
    for (std::size_t c = 0; c < calls; ++c) out += "ora_chain(";
    expr(*terms[0], out);
    for (std::size_t i = 0; i < ops.size(); ++i) {
        out += ", '" + *ops[i] + "', ";
        expr(*terms[i + 1], out);
        if ((i + 1) % pairs == 0 || i + 1 == ops.size()) out += ")";
    }
    return true;
}

// A long run of AND (or OR) is written as flat groups of at most kLongRun terms, nested
// as a balanced tree: few parentheses, little depth, the same truth value.
bool Generator::logicalRun(const Expr &e, std::string &out)
{
    std::vector<const Expr *> terms;
    const Expr *x = &e;
    while (x->kind == Expr::Binary && x->text == e.text) {
        terms.push_back(x->args[1].get());
        x = x->args[0].get();
    }
    if (terms.size() < kLongRun) return false;
    terms.push_back(x);
    std::reverse(terms.begin(), terms.end());
    const std::string joint = " " + e.text + " ";
    std::function<void(std::size_t, std::size_t)> group = [&](std::size_t lo, std::size_t hi) {
        std::size_t n = hi - lo;
        out += "(";
        if (n <= kLongRun) {
            for (std::size_t i = lo; i < hi; ++i) {
                if (i > lo) out += joint;
                expr(*terms[i], out);
            }
        } else {
            std::size_t step = (n + kLongRun - 1) / kLongRun;
            for (std::size_t i = lo; i < hi; i += step) {
                if (i > lo) out += joint;
                group(i, std::min(hi, i + step));
            }
        }
        out += ")";
    };
    group(0, terms.size());
    return true;
}

void Generator::flattenConcat(const Expr &e, std::vector<const Expr *> &out)
{
    if (e.kind == Expr::Binary && e.text == "||") {
        flattenConcat(*e.args[0], out);
        flattenConcat(*e.args[1], out);
        return;
    }
    out.push_back(&e);
}

void Generator::concat(const Expr &e, std::string &out)
{
    std::vector<const Expr *> parts;
    flattenConcat(e, parts);
    foldedCall("ora_concat", parts, out);
}

void Generator::function(const Expr &e, std::string &out)
{
    if (e.text == "SYS_CONNECT_BY_PATH") throw oraError(30002, "SYS_CONNECT_BY_PATH function is not allowed here");
    if (e.over) {
        analytic(e, out);
        return;
    }
    if (e.text == "GROUPING" || e.text == "GROUPING_ID")
        throw oraError(30481, "GROUPING function only supported with GROUP BY CUBE or ROLLUP");
    auto it = functionTable().find(e.text);
    if (it == functionTable().end()) throw invalidIdentifier(e.text);
    const FunctionMap &f = it->second;
    int n = static_cast<int>(e.args.size());
    bool star = n == 1 && e.args[0]->kind == Expr::Star;
    if (star && e.text != "COUNT") throw oraError(936);
    if (n < f.minArgs || n > f.maxArgs) throw oraError(909);
    if (e.text == "NVL2") {
        out += "(CASE WHEN ";
        expr(*e.args[0], out);
        out += " IS NOT NULL THEN ";
        expr(*e.args[1], out);
        out += " ELSE ";
        expr(*e.args[2], out);
        out += " END)";
        return;
    }
    if (e.text == "DECODE") {
        // decode(x, s1, r1, ..., [default]): a null search value matches a null x.
        out += "(CASE ";
        std::size_t k = 1;
        for (; k + 1 < e.args.size(); k += 2) {
            out += "WHEN ";
            expr(*e.args[0], out);
            out += " IS ";
            expr(*e.args[k], out);
            out += " THEN ";
            expr(*e.args[k + 1], out);
            out += " ";
        }
        if (k < e.args.size()) {
            out += "ELSE ";
            expr(*e.args[k], out);
            out += " ";
        }
        out += "END)";
        return;
    }
    if (e.text == "GREATEST" || e.text == "LEAST") {
        if (n == 1) {
            expr(*e.args[0], out);
            return;
        }
    }
    if (n > static_cast<int>(kCallArgs) && !e.distinct &&
        (e.text == "COALESCE" || e.text == "GREATEST" || e.text == "LEAST")) {
        std::vector<const Expr *> args;
        for (auto &a : e.args) args.push_back(a.get());
        foldedCall(f.sqlite, args, out);
        return;
    }
    out += f.sqlite;
    out += "(";
    if (e.distinct) out += "DISTINCT ";
    if (star) out += "*";
    for (int i = 0; i < n && !star; ++i) {
        if (i) out += ", ";
        expr(*e.args[i], out);
    }
    out += ")";
}

// OVER ([PARTITION BY ...] [ORDER BY ... with Oracle's null order] [frame])
void Generator::window(const Expr &e, std::string &out, bool withOrder)
{
    const Window &w = *e.over;
    out += " OVER (";
    std::size_t k = w.arguments;
    for (std::size_t i = 0; i < w.partition; ++i, ++k) {
        out += i ? ", " : "PARTITION BY ";
        expr(*e.args[k], out);
    }
    if (withOrder) {
        for (std::size_t i = 0; i < w.order.size(); ++i, ++k) {
            out += i ? ", " : (w.partition ? " ORDER BY " : "ORDER BY ");
            expr(*e.args[k], out);
            if (w.order[i].desc) out += " DESC";
            if (w.order[i].nulls == 1) out += " NULLS FIRST";
            else if (w.order[i].nulls == 2) out += " NULLS LAST";
            else out += w.order[i].desc ? " NULLS FIRST" : " NULLS LAST";   // nulls sort high
        }
        if (!w.frame.empty()) out += " " + w.frame;
    }
    out += ")";
}

// Analytic functions map onto SQLite's window functions of the same meaning;
// RATIO_TO_REPORT(x) is x over the partition's sum of x.
void Generator::analytic(const Expr &e, std::string &out)
{
    struct Analytic {
        const char *sqlite;
        int minArgs, maxArgs;
        bool needsOrder;      // ranking and offset functions order their rows
    };
    static const std::map<std::string, Analytic> table = {
        {"ROW_NUMBER", {"row_number", 0, 0, true}}, {"RANK", {"rank", 0, 0, true}},
        {"DENSE_RANK", {"dense_rank", 0, 0, true}}, {"PERCENT_RANK", {"percent_rank", 0, 0, true}},
        {"CUME_DIST", {"cume_dist", 0, 0, true}},   {"NTILE", {"ntile", 1, 1, true}},
        {"LAG", {"lag", 1, 3, true}},               {"LEAD", {"lead", 1, 3, true}},
        {"FIRST_VALUE", {"first_value", 1, 1, false}}, {"LAST_VALUE", {"last_value", 1, 1, false}},
        {"SUM", {"sum", 1, 1, false}},   {"AVG", {"avg", 1, 1, false}}, {"COUNT", {"count", 1, 1, false}},
        {"MIN", {"min", 1, 1, false}},   {"MAX", {"max", 1, 1, false}},
        {"RATIO_TO_REPORT", {nullptr, 1, 1, false}},
    };
    const Window &w = *e.over;
    auto it = table.find(e.text);
    if (it == table.end()) {
        if (functionTable().count(e.text) || e.text == "GROUPING")
            throw oraError(30484, "missing OVER clause for this function");
        throw invalidIdentifier(e.text);
    }
    const Analytic &a = it->second;
    int n = static_cast<int>(w.arguments);
    bool star = n == 1 && e.args[0]->kind == Expr::Star;
    if (star && e.text != "COUNT") throw oraError(936);
    if (n < a.minArgs || n > a.maxArgs) throw oraError(909);
    if (a.needsOrder && w.order.empty())
        throw oraError(30485, "missing ORDER BY expression in the OVER clause");
    if (e.distinct) {
        if (!w.order.empty()) throw oraError(30487, "ORDER BY not allowed here");
        throw oraError(3001, "unimplemented feature: DISTINCT in an analytic function");
    }
    if (!a.sqlite) {
        // RATIO_TO_REPORT: the partition's rows only; a zero or null total gives null.
        if (!w.order.empty()) throw oraError(30487, "ORDER BY not allowed here");
        out += "(";
        expr(*e.args[0], out);
        out += " * 1.0 / nullif(sum(";
        expr(*e.args[0], out);
        out += ")";
        window(e, out);
        out += ", 0))";
        return;
    }
    out += a.sqlite;
    out += "(";
    if (star) out += "*";
    for (int i = 0; i < n && !star; ++i) {
        if (i) out += ", ";
        expr(*e.args[i], out);
    }
    out += ")";
    window(e, out);
}

void Generator::expr(const Expr &e, std::string &out)
{
    switch (e.kind) {
    case Expr::Null: out += "NULL"; return;
    case Expr::Number: out += e.text; return;
    case Expr::String: out += quoteString(e.text); return;
    case Expr::Raw: out += e.text; return;
    case Expr::Column:
        if (e.parts.size() > 3) throw invalidIdentifier(e.parts.back());
        // [schema.]sequence.NEXTVAL / CURRVAL, resolved when the statement runs.
        if (e.parts.size() >= 2 && !e.quoted && (e.parts.back() == "NEXTVAL" || e.parts.back() == "CURRVAL")) {
            out += std::string(e.parts.back() == "NEXTVAL" ? "ora_nextval(" : "ora_currval(") +
                   quoteString(e.parts.size() == 3 ? e.parts[0] : std::string()) + ", " +
                   quoteString(e.parts[e.parts.size() - 2]) + ")";
            return;
        }
        if (e.parts.size() >= 2) {
            out += quoteIdent(e.parts[e.parts.size() - 2]);
            out += ".";
        }
        out += quoteIdent(e.parts.back());
        return;
    case Expr::Star:
        if (!e.parts.empty()) out += quoteIdent(e.parts.back()) + ".";
        out += "*";
        return;
    case Expr::Bind: throw oraError(1008);
    case Expr::Pseudo:
        if (e.text == "SYSDATE" || e.text == "SYSTIMESTAMP") out += "ora_sysdate()";
        else if (e.text == "USER") out += "ora_user()";
        else if (e.text == "UID") out += "ora_uid()";
        else if (e.text == "ROWNUM") out += "row_number() OVER ()";
        else throw oraError(1788);
        return;
    case Expr::Unary:
        if (e.text == "NOT") {
            out += "NOT (";
            expr(*e.args[0], out);
            out += ")";
        } else {
            out += "(" + e.text;
            expr(*e.args[0], out);
            out += ")";
        }
        return;
    case Expr::Prior: throw oraError(976);
    case Expr::Binary: {
        const std::string &op = e.text;
        if (op == "||") {
            concat(e, out);
            return;
        }
        if (runGroup(op) && arithmeticRun(e, out)) return;
        if ((op == "AND" || op == "OR") && logicalRun(e, out)) return;
        const char *fn = nullptr;
        if (op == "/") fn = "ora_div";
        else if ((op == "+" || op == "-") && !(isNumeric(*e.args[0]) && isNumeric(*e.args[1])))
            fn = op == "+" ? "ora_add" : "ora_sub";
        if (fn) {
            out += fn;
            out += "(";
            expr(*e.args[0], out);
            out += ", ";
            expr(*e.args[1], out);
            out += ")";
            return;
        }
        out += "(";
        expr(*e.args[0], out);
        out += " ";
        out += op;
        out += " ";
        expr(*e.args[1], out);
        out += ")";
        return;
    }
    case Expr::Func: function(e, out); return;
    case Expr::Case:
        out += "(CASE";
        if (e.args[0]) {
            out += " ";
            expr(*e.args[0], out);
        }
        for (std::size_t k = 1; k + 2 < e.args.size(); k += 2) {
            out += " WHEN ";
            expr(*e.args[k], out);
            out += " THEN ";
            expr(*e.args[k + 1], out);
        }
        if (e.args.back()) {
            out += " ELSE ";
            expr(*e.args.back(), out);
        }
        out += " END)";
        return;
    case Expr::Subquery: {
        // A scalar subquery yields its one row's value, null for no row, and ORA-01427
        // for more than one row (SQLite alone would take the first).
        if (e.select->items.size() != 1 || e.select->items[0].expr->kind == Expr::Star) {
            out += "(";
            select(*e.select, out);
            out += ")";
            return;
        }
        std::string q = quoteIdent("__S" + std::to_string(++m_counter));
        out += "(WITH " + q + "(\"__V\") AS (SELECT * FROM (";
        select(*e.select, out);
        out += ") LIMIT 2) SELECT CASE count(*) WHEN 2 THEN ora_raise(1427) ELSE max(\"__V\") END FROM " + q + ")";
        return;
    }
    case Expr::Exists:
        out += e.negated ? "NOT EXISTS (" : "EXISTS (";
        select(*e.select, out);
        out += ")";
        return;
    case Expr::InList:
        out += "(";
        expr(*e.args[0], out);
        out += e.negated ? " NOT IN (" : " IN (";
        for (std::size_t k = 1; k < e.args.size(); ++k) {
            if (k > 1) out += ", ";
            expr(*e.args[k], out);
        }
        out += "))";
        return;
    case Expr::InSelect:
        out += "(";
        expr(*e.args[0], out);
        out += e.negated ? " NOT IN (" : " IN (";
        select(*e.select, out);
        out += "))";
        return;
    case Expr::Between:
        out += "(";
        expr(*e.args[0], out);
        out += e.negated ? " NOT BETWEEN " : " BETWEEN ";
        expr(*e.args[1], out);
        out += " AND ";
        expr(*e.args[2], out);
        out += ")";
        return;
    case Expr::Like:
        out += "(";
        expr(*e.args[0], out);
        out += e.negated ? " NOT LIKE " : " LIKE ";
        expr(*e.args[1], out);
        if (e.args.size() > 2) {
            out += " ESCAPE ";
            expr(*e.args[2], out);
        }
        out += ")";
        return;
    case Expr::IsNull:
        out += "(";
        expr(*e.args[0], out);
        out += e.negated ? " IS NOT NULL)" : " IS NULL)";
        return;
    case Expr::Cast:
        out += "ora_cast(";
        expr(*e.args[0], out);
        out += ", " + quoteString(e.text) + ")";
        return;
    case Expr::Quantified: {
        bool all = e.parts[0] == "ALL";
        std::string left;
        expr(*e.args[0], left);
        if (!e.select) {
            // a list: the comparisons joined by OR (ANY) or AND (ALL)
            out += "(";
            for (std::size_t k = 1; k < e.args.size(); ++k) {
                if (k > 1) out += all ? " AND " : " OR ";
                out += "(" + left + " " + e.text + " ";
                expr(*e.args[k], out);
                out += ")";
            }
            out += ")";
            return;
        }
        // a query: some row compares true (ANY), or no row fails to compare true (ALL)
        std::string q = quoteIdent("__Q" + std::to_string(++m_counter));
        out += all ? "NOT EXISTS (WITH " : "EXISTS (WITH ";
        out += q + "(\"__V\") AS (";
        select(*e.select, out);
        out += ") SELECT 1 FROM " + q + " WHERE (" + left + " " + e.text + " " + q + ".\"__V\")";
        out += all ? " IS NOT 1)" : ")";
        return;
    }
    case Expr::Tuple:
        out += "(";
        for (std::size_t k = 0; k < e.args.size(); ++k) {
            if (k) out += ", ";
            expr(*e.args[k], out);
        }
        out += ")";
        return;
    }
}

} // namespace

void Translator::resolve(Select &select)
{
    passes::resolveTables(select, m_catalog, m_schema);
}

std::string Translator::expression(ExprP &e)
{
    Select carrier;
    SelectItem item;
    item.expr = std::move(e);
    carrier.items.push_back(std::move(item));
    passes::resolveTables(carrier, m_catalog, m_schema);
    std::string out;
    Generator g(m_catalog);
    g.expr(*carrier.items[0].expr, out);
    e = std::move(carrier.items[0].expr);
    return out;
}

QueryTranslation Translator::query(Select &select)
{
    passes::dropDual(select);
    passes::resolveTables(select, m_catalog, m_schema);
    passes::joinColumns(select, m_catalog);
    passes::outerJoins(select, m_catalog);
    passes::connectBy(select, m_catalog);
    passes::rownumLimit(select);
    passes::groupingSets(select);
    QueryTranslation t;
    Generator g(m_catalog);
    t.sql.reserve(256);
    g.select(select, t.sql);
    for (auto &i : select.items) t.columns.push_back(i.name);
    t.into = select.into;
    return t;
}

std::string Translator::dml(Statement &st)
{
    std::string out;
    Generator g(m_catalog);
    auto prepare = [&](Select &s) {
        passes::dropDual(s);
        passes::resolveTables(s, m_catalog, m_schema);
        passes::joinColumns(s, m_catalog);
        passes::outerJoins(s, m_catalog);
        passes::connectBy(s, m_catalog);
        passes::rownumLimit(s);
        passes::groupingSets(s);
    };
    // Subqueries in expressions are resolved through a carrier query.
    auto resolveExpr = [&](ExprP &e) {
        if (!e) return;
        Select carrier;
        SelectItem item;
        item.expr = std::move(e);
        carrier.items.push_back(std::move(item));
        prepare(carrier);
        e = std::move(carrier.items[0].expr);
    };
    const std::string target = quoteIdent(st.table.storage) + " AS " + quoteIdent(st.table.refName());
    std::vector<ColumnType> updateTypes;
    // A value written into a column of declared type: ora_fit(value, 'TYPE', size, scale)
    // rounds numbers to the scale and refuses what does not fit, as Oracle does.
    auto fitted = [](const ColumnType *t, const std::string &value, std::string &to) {
        bool number = t && t->type == "NUMBER" && t->precision > 0;
        bool text = t && t->length > 0 &&
                    (t->type == "VARCHAR2" || t->type == "CHAR" || t->type == "NCHAR" || t->type == "NVARCHAR2" ||
                     t->type == "RAW");
        bool date = t && t->type == "DATE";
        if (!number && !text && !date) {
            to += value;
            return;
        }
        to += "ora_fit(" + value + ", '" + t->type + "', ";
        if (number) to += std::to_string(t->precision) + ", " + std::to_string(t->scale < 0 ? 0 : t->scale) + ")";
        else if (text) to += std::to_string(t->length) + ", 0)";
        else to += "0, 0)";
    };
    switch (st.kind) {
    case Statement::Insert: {
        std::vector<ColumnType> types = m_fit ? m_catalog.columnTypes(st.table.storage) : std::vector<ColumnType>();
        // The type of each target column, in the statement's column order.
        std::vector<const ColumnType *> targets;
        if (!types.empty()) {
            if (st.columns.empty()) {
                for (auto &t : types) targets.push_back(&t);
            } else {
                for (auto &c : st.columns) {
                    auto it = std::find_if(types.begin(), types.end(), [&](const ColumnType &t) { return t.name == c; });
                    targets.push_back(it == types.end() ? nullptr : &*it);
                }
            }
        }
        out = "INSERT INTO " + quoteIdent(st.table.storage);
        if (!st.columns.empty()) {
            out += " (";
            for (std::size_t i = 0; i < st.columns.size(); ++i) out += (i ? ", " : "") + quoteIdent(st.columns[i]);
            out += ")";
        }
        if (st.select) {
            prepare(*st.select);
            bool star = false;
            for (auto &item : st.select->items) star = star || item.expr->kind == Expr::Star;
            if (targets.empty() || star || targets.size() != st.select->items.size()) {
                out += " ";
                g.select(*st.select, out);
                return out;
            }
            // SELECT fit(c1), fit(c2) FROM (the query, its columns renamed) AS "__F"
            for (std::size_t i = 0; i < st.select->items.size(); ++i)
                st.select->items[i].name = "__C" + std::to_string(i + 1);
            out += " SELECT ";
            for (std::size_t i = 0; i < targets.size(); ++i) {
                if (i) out += ", ";
                fitted(targets[i], "\"__F\".\"__C" + std::to_string(i + 1) + "\"", out);
            }
            out += " FROM (";
            g.select(*st.select, out);
            out += ") AS \"__F\"";
            return out;
        }
        out += " VALUES ";
        for (std::size_t r = 0; r < st.values.size(); ++r) {
            out += r ? ", (" : "(";
            if (!targets.empty() && targets.size() != st.values[r].size())
                throw oraError(targets.size() > st.values[r].size() ? 947 : 913);
            for (std::size_t i = 0; i < st.values[r].size(); ++i) {
                resolveExpr(st.values[r][i]);
                if (i) out += ", ";
                std::string value;
                g.expr(*st.values[r][i], value);
                fitted(targets.empty() ? nullptr : targets[i], value, out);
            }
            out += ")";
        }
        return out;
    }
    case Statement::Update:
        updateTypes = m_fit ? m_catalog.columnTypes(st.table.storage) : std::vector<ColumnType>();
        out = "UPDATE " + target + " SET ";
        for (std::size_t i = 0; i < st.sets.size(); ++i) {
            resolveExpr(st.sets[i].second);
            if (i) out += ", ";
            out += quoteIdent(st.sets[i].first) + " = ";
            std::string value;
            g.expr(*st.sets[i].second, value);
            auto it = std::find_if(updateTypes.begin(), updateTypes.end(),
                                   [&](const ColumnType &t) { return t.name == st.sets[i].first; });
            fitted(it == updateTypes.end() ? nullptr : &*it, value, out);
        }
        for (std::size_t i = 0; i < st.rowSets.size(); ++i) {
            resolveExpr(st.rowSets[i].second);
            if (i || !st.sets.empty()) out += ", ";
            out += "(";
            for (std::size_t k = 0; k < st.rowSets[i].first.size(); ++k)
                out += (k ? ", " : "") + quoteIdent(st.rowSets[i].first[k]);
            out += ") = (";
            g.select(*st.rowSets[i].second->select, out);
            out += ")";
        }
        break;
    case Statement::Delete:
        out = "DELETE FROM " + target;
        break;
    default:
        throw oraError(900);
    }
    if (st.where) {
        resolveExpr(st.where);
        out += " WHERE ";
        g.expr(*st.where, out);
    }
    return out;
}

} // namespace sim
