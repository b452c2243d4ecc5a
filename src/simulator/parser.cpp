#include "parser.h"

#include "lexer.h"
#include "simerror.h"

#include <algorithm>
#include <cctype>
#include <set>

namespace sim {

using namespace ast;

namespace {

// Words that end a select item or table reference instead of being read as its alias.
const std::set<std::string> &aliasStoppers()
{
    static const std::set<std::string> words = {
        "FROM", "WHERE", "GROUP", "HAVING", "ORDER", "UNION", "INTERSECT", "MINUS", "CONNECT",
        "START", "INTO", "AND", "OR", "ON", "JOIN", "LEFT", "RIGHT", "INNER", "FULL", "CROSS",
        "NATURAL", "USING", "FOR", "WHEN", "THEN", "ELSE", "END", "IS", "NOT", "IN", "LIKE",
        "BETWEEN", "ESCAPE", "ASC", "DESC", "NULLS", "SET", "VALUES", "RETURNING", "WITH",
        "SELECT", "AS", "BY", "PRIOR", "NOCYCLE", "OUTER", "DISTINCT", "UNIQUE", "ALL"};
    return words;
}

const std::set<std::string> &pseudoColumns()
{
    static const std::set<std::string> words = {"ROWNUM", "LEVEL", "SYSDATE", "USER", "UID",
                                                "SYSTIMESTAMP"};
    return words;
}

// Limits that keep recursion (parser, passes, generator) far from the stack's end.
constexpr int kMaxNesting = 40;     // parentheses, subqueries, NOT and sign chains
constexpr int kMaxHeight = 400;     // nested operators in one expression (a run of one
                                    // associative operator counts once: the generator
                                    // writes it flat)
constexpr int kMaxDepth = 1500;     // levels of the tree, runs included: recursion depth

// Operators that form runs written flat by the generator: a + b - c, a * b / c, a || b,
// a AND b, a OR b.
int operatorGroup(const std::string &op)
{
    if (op == "+" || op == "-") return 1;
    if (op == "*" || op == "/") return 2;
    if (op == "||") return 3;
    if (op == "AND") return 4;
    if (op == "OR") return 5;
    return 0;
}

// The same expression written twice (same shape, names and values; no subqueries).
bool spanEqual(const Expr &a, const Expr &b)
{
    if (a.kind != b.kind || a.text != b.text || a.parts != b.parts || a.negated != b.negated ||
        a.distinct != b.distinct || a.args.size() != b.args.size() || a.select || b.select || a.over || b.over)
        return false;
    for (std::size_t i = 0; i < a.args.size(); ++i) {
        if (!a.args[i] || !b.args[i]) {
            if (a.args[i] || b.args[i]) return false;
            continue;
        }
        if (!spanEqual(*a.args[i], *b.args[i])) return false;
    }
    return true;
}

class Parser {
public:
    explicit Parser(const std::string &sql) : m_sql(sql), m_t(tokenize(sql)) {}

    std::unique_ptr<Statement> statement();

private:
    // --- token helpers
    const Token &peek(std::size_t k = 0) const
    {
        return m_t[std::min(m_i + k, m_t.size() - 1)];
    }
    bool atEnd() const { return peek().type == Token::End; }
    bool isWord(const char *w, std::size_t k = 0) const
    {
        const Token &t = peek(k);
        return t.type == Token::Ident && t.text == w;
    }
    bool isOp(const char *op, std::size_t k = 0) const
    {
        const Token &t = peek(k);
        return t.type == Token::Op && t.text == op;
    }
    bool acceptWord(const char *w)
    {
        if (!isWord(w)) return false;
        ++m_i;
        return true;
    }
    bool acceptOp(const char *op)
    {
        if (!isOp(op)) return false;
        ++m_i;
        return true;
    }
    void expectWord(const char *w, int code = 905)
    {
        if (!acceptWord(w)) throw oraError(code);
    }
    void expectOp(const char *op)
    {
        if (acceptOp(op)) return;
        if (std::string(op) == ")") throw oraError(907);
        if (std::string(op) == "(") throw oraError(906);
        throw oraError(atEnd() ? 936 : 933);
    }
    // An identifier (plain or quoted); throws `code` when there is none.
    std::string identifier(int code = 904, bool *quoted = nullptr)
    {
        const Token &t = peek();
        if (t.type == Token::Ident || t.type == Token::QuotedIdent) {
            if (quoted) *quoted = t.type == Token::QuotedIdent;
            ++m_i;
            return t.text;
        }
        if (t.type == Token::End) throw oraError(936);
        if (code == 904) throw invalidIdentifier(t.text);
        throw oraError(code);
    }
    bool isIdentifier(std::size_t k = 0) const
    {
        auto type = peek(k).type;
        return type == Token::Ident || type == Token::QuotedIdent;
    }
    void endOfStatement()
    {
        if (isOp(";")) throw oraError(911);
        if (!atEnd()) throw oraError(933);
    }
    // The statement text from token `from` up to (not including) token m_i, as Oracle
    // names an unaliased select item: blanks removed, upper case.
    std::string spanName(std::size_t from) const
    {
        std::string out;
        for (std::size_t k = from; k < m_i && k < m_t.size(); ++k) {
            const Token &t = m_t[k];
            std::string raw = m_sql.substr(t.pos, t.len);
            if (t.type == Token::QuotedIdent) {
                out += raw.substr(1, raw.size() - 2);
                continue;
            }
            for (char c : raw)
                if (!std::isspace(static_cast<unsigned char>(c)))
                    out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        }
        return out;
    }

    // --- queries
    SelectP query();
    SelectP queryOperand();
    SelectP selectCore();
    void selectItems(Select &s);
    void fromList(Select &s);
    TableRef tableRef();
    void namedTable(TableRef &t);
    std::string optionalAlias();
    void orderBy(std::vector<OrderItem> &out);
    void groupByClause(Select &s);
    std::vector<std::vector<std::size_t>> groupingElement(Select &s, bool inSets);
    std::size_t groupingExpr(Select &s, ExprP e);
    void overClause(Expr &e);
    std::string frameBound(int &kind);

    // --- expressions
    ExprP expr() { return orExpr(); }
    ExprP orExpr();
    ExprP andExpr();
    ExprP notExpr();
    ExprP predicate();
    ExprP predicateTerm();
    ExprP additive();
    ExprP multiplicative();
    ExprP unary();
    ExprP primary();
    ExprP identifierExpr();
    ExprP functionCall(std::vector<std::string> parts, std::size_t pos);
    ExprP caseExpr(std::size_t pos);
    static ExprP binary(const std::string &op, ExprP a, ExprP b, std::size_t pos)
    {
        auto e = std::make_unique<Expr>(Expr::Binary);
        e->text = op;
        e->pos = pos;
        e->args.push_back(std::move(a));
        e->args.push_back(std::move(b));
        return measured(std::move(e));
    }

    // --- statements
    std::unique_ptr<Statement> insertStatement();
    std::unique_ptr<Statement> updateStatement();
    std::unique_ptr<Statement> deleteStatement();
    std::unique_ptr<Statement> createStatement();
    std::unique_ptr<Statement> dropStatement();
    std::unique_ptr<Statement> block();
    void createTableBody(Statement &st);
    ColumnDef columnDef();
    std::string typeName(ColumnDef &c);
    void skipBalanced();
    static int sizeValue(const std::string &text);
    static int queryDepth(const Select &s);
    void skipPhysicalAttributes();

    // Counts one level of nesting while it lives.
    struct Nest {
        explicit Nest(Parser &p) : parser(p)
        {
            if (++parser.m_nesting > kMaxNesting)
                throw oraError(900, "statement nested too deeply for this instance");
        }
        ~Nest() { --parser.m_nesting; }
        Parser &parser;
    };
    static ExprP measured(ExprP e)
    {
        int h = 0, d = e->select ? e->select->depth : 0;
        for (auto &a : e->args)
            if (a) {
                h = std::max(h, a->height);
                d = std::max(d, a->depth);
            }
        e->height = h + 1;
        e->depth = d + 1;
        if (e->depth > kMaxDepth) throw oraError(900, "expression too complex for this instance");
        // The next operator of a run (left operand the same kind of operator) adds no level.
        if (e->kind == Expr::Binary && e->args.size() == 2 && e->args[0] && e->args[1] &&
            e->args[0]->kind == Expr::Binary && operatorGroup(e->text) != 0 &&
            operatorGroup(e->args[0]->text) == operatorGroup(e->text))
            e->height = std::max(e->args[0]->height, e->args[1]->height + 1);
        if (e->height > kMaxHeight)
            throw oraError(900, "expression too complex for this instance");
        return e;
    }

    const std::string &m_sql;
    std::vector<Token> m_t;
    std::size_t m_i = 0;
    int m_nesting = 0;
};

// statement: query | insert | update | delete | create | drop | truncate | commit
//          | rollback [to [savepoint] name] | savepoint name | alter session set current_schema = name | begin ... end;
std::unique_ptr<Statement> Parser::statement()
{
    if (isWord("SELECT") || isOp("(") || (isWord("WITH") && isIdentifier(1))) {
        auto st = std::make_unique<Statement>();
        st->kind = Statement::Query;
        st->select = query();
        endOfStatement();
        return st;
    }
    if (isWord("INSERT")) return insertStatement();
    if (isWord("UPDATE")) return updateStatement();
    if (isWord("DELETE")) return deleteStatement();
    if (isWord("CREATE")) return createStatement();
    if (isWord("DROP")) return dropStatement();
    if (isWord("BEGIN")) return block();
    if (isWord("DECLARE"))
        throw oraError(6550, "line 1, column 1:\nPLS-00103: declarations are not supported by "
                             "this instance; only BEGIN ... END blocks of SELECT ... INTO statements run");
    if (isWord("TRUNCATE") && isWord("TABLE", 1)) {
        m_i += 2;
        auto st = std::make_unique<Statement>();
        st->kind = Statement::Truncate;
        namedTable(st->table);
        endOfStatement();
        return st;
    }
    if (isWord("SAVEPOINT") && isIdentifier(1)) {
        ++m_i;
        auto st = std::make_unique<Statement>();
        st->kind = Statement::Savepoint;
        st->identifier = identifier();
        endOfStatement();
        return st;
    }
    if (isWord("COMMIT") || isWord("ROLLBACK")) {
        bool commit = isWord("COMMIT");
        ++m_i;
        acceptWord("WORK");
        if (!commit && acceptWord("TO")) {
            acceptWord("SAVEPOINT");
            auto st = std::make_unique<Statement>();
            st->kind = Statement::RollbackTo;
            st->identifier = identifier();
            endOfStatement();
            return st;
        }
        auto st = std::make_unique<Statement>();
        st->kind = commit ? Statement::Commit : Statement::Rollback;
        endOfStatement();
        return st;
    }
    if (isWord("ALTER") && isWord("SESSION", 1) && isWord("SET", 2) && isWord("CURRENT_SCHEMA", 3)) {
        m_i += 4;
        expectOp("=");
        auto st = std::make_unique<Statement>();
        st->kind = Statement::SetCurrentSchema;
        st->identifier = identifier(1435);
        endOfStatement();
        return st;
    }
    return nullptr;
}

// query: [WITH ...] operand { (UNION [ALL] | INTERSECT | MINUS) operand } [ORDER BY ...]
//        [FOR UPDATE ...]
SelectP Parser::query()
{
    Nest nest(*this);
    // WITH name AS '(' query ')' {',' name AS '(' query ')'} query
    std::vector<std::pair<std::string, SelectP>> with;
    if (acceptWord("WITH")) {
        do {
            std::string name = identifier();
            expectWord("AS");
            expectOp("(");
            with.emplace_back(name, query());
            expectOp(")");
        } while (acceptOp(","));
    }
    SelectP first = queryOperand();
    first->with = std::move(with);
    for (;;) {
        Select::SetOp op;
        if (acceptWord("UNION")) op = acceptWord("ALL") ? Select::UnionAll : Select::Union;
        else if (acceptWord("INTERSECT")) op = Select::Intersect;
        else if (acceptWord("MINUS")) op = Select::Minus;
        else break;
        first->compound.emplace_back(op, queryOperand());
    }
    if (acceptWord("ORDER")) {
        bool siblings = acceptWord("SIBLINGS");
        expectWord("BY", 924);
        orderBy(siblings ? first->siblingsOrder : first->orderBy);
        if (siblings && !first->connectBy) throw oraError(30929, "ORDER SIBLINGS BY clause not allowed here");
    }
    if (acceptWord("FOR")) {
        expectWord("UPDATE");
        first->forUpdate = true;
        if (acceptWord("OF")) {
            do { identifierExpr(); } while (acceptOp(","));
        }
        acceptWord("NOWAIT");
    }
    first->depth = queryDepth(*first);
    if (first->depth > kMaxDepth) throw oraError(900, "statement too complex for this instance");
    return first;
}

// Levels of the query's tree: its deepest expression or inner query, plus one.
int Parser::queryDepth(const Select &s)
{
    int d = 0;
    auto e = [&](const ExprP &x) { if (x) d = std::max(d, x->depth); };
    auto q = [&](const Select *x) { if (x) d = std::max(d, x->depth); };
    for (auto &i : s.items) e(i.expr);
    e(s.where);
    e(s.startWith);
    e(s.connectBy);
    for (auto &g : s.groupBy) e(g);
    e(s.having);
    for (auto &o : s.orderBy) e(o.expr);
    for (auto &o : s.siblingsOrder) e(o.expr);
    for (auto &t : s.from) {
        e(t.on);
        q(t.subquery.get());
    }
    for (auto &w : s.with) q(w.second.get());
    for (auto &c : s.compound) q(c.second.get());
    return d + 1;
}

// operand: select-core | '(' query ')'
SelectP Parser::queryOperand()
{
    if (acceptOp("(")) {
        SelectP inner = query();
        expectOp(")");
        if (inner->compound.empty() && inner->orderBy.empty()) return inner;
        // A parenthesised compound becomes an inline view.
        auto wrap = std::make_unique<Select>();
        SelectItem star;
        star.expr = std::make_unique<Expr>(Expr::Star);
        wrap->items.push_back(std::move(star));
        TableRef t;
        t.subquery = std::move(inner);
        wrap->from.push_back(std::move(t));
        return wrap;
    }
    if (!isWord("SELECT")) throw oraError(928);
    return selectCore();
}

// select-core: SELECT [ALL|DISTINCT|UNIQUE] items [INTO binds] FROM tables [WHERE cond]
//              [[START WITH cond] CONNECT BY [NOCYCLE] cond [START WITH cond]]
//              [GROUP BY exprs] [HAVING cond]
SelectP Parser::selectCore()
{
    auto s = std::make_unique<Select>();
    expectWord("SELECT");
    if (acceptWord("DISTINCT") || acceptWord("UNIQUE")) s->distinct = true;
    else acceptWord("ALL");
    selectItems(*s);
    if (acceptWord("INTO")) {
        do {
            if (peek().type != Token::Bind) throw oraError(6550, "line 1, column " +
                std::to_string(peek().pos + 1) + ":\nPLS-00201: identifier '" + peek().text + "' must be declared");
            s->into.push_back(peek().text);
            ++m_i;
        } while (acceptOp(","));
    }
    if (!acceptWord("FROM")) throw oraError(923);
    fromList(*s);
    if (acceptWord("WHERE")) s->where = expr();
    for (int round = 0; round < 2; ++round) {
        if (!s->startWith && isWord("START") && isWord("WITH", 1)) {
            m_i += 2;
            s->startWith = expr();
        }
        if (!s->connectBy && isWord("CONNECT") && isWord("BY", 1)) {
            m_i += 2;
            if (acceptWord("NOCYCLE")) s->nocycle = true;
            s->connectBy = expr();
        }
    }
    if (s->startWith && !s->connectBy) throw oraError(933);
    if (acceptWord("GROUP")) {
        expectWord("BY", 924);
        groupByClause(*s);
    }
    if (acceptWord("HAVING")) s->having = expr();
    s->depth = queryDepth(*s);
    return s;
}

// group-by: element {',' element}
// element: expr | ROLLUP '(' items ')' | CUBE '(' items ')' | GROUPING SETS '(' sets ')'
// A plain list stays a plain GROUP BY; with ROLLUP, CUBE or GROUPING SETS the elements'
// sets are combined (every set of one with every set of the next) into the query's
// grouping sets, over the distinct grouping expressions.
void Parser::groupByClause(Select &s)
{
    std::vector<std::vector<std::size_t>> sets = {{}};
    bool extended = false;
    do {
        extended = extended || isWord("ROLLUP") || isWord("CUBE") || (isWord("GROUPING") && isWord("SETS", 1));
        auto element = groupingElement(s, false);
        std::vector<std::vector<std::size_t>> combined;
        for (auto &a : sets)
            for (auto &b : element) {
                std::vector<std::size_t> c = a;
                for (std::size_t k : b)
                    if (std::find(c.begin(), c.end(), k) == c.end()) c.push_back(k);
                combined.push_back(std::move(c));
            }
        if (combined.size() > 4096) throw oraError(900, "too many grouping sets for this instance");
        sets = std::move(combined);
    } while (acceptOp(","));
    if (extended) s.groupingSets = std::move(sets);
}

// The index of a grouping expression in s.groupBy, added when it is new.
std::size_t Parser::groupingExpr(Select &s, ExprP e)
{
    for (std::size_t k = 0; k < s.groupBy.size(); ++k)
        if (s.groupBy[k]->kind == e->kind && spanEqual(*s.groupBy[k], *e)) return k;
    s.groupBy.push_back(std::move(e));
    return s.groupBy.size() - 1;
}

// The grouping sets one GROUP BY element stands for. ROLLUP(a, b) is (a, b), (a), ();
// CUBE(a, b) every subset; a parenthesised list inside them or GROUPING SETS is one
// composite column; () is the empty set (only inside GROUPING SETS).
std::vector<std::vector<std::size_t>> Parser::groupingElement(Select &s, bool inSets)
{
    // One item of ROLLUP / CUBE / GROUPING SETS: expr or '(' [expr {',' expr}] ')'.
    auto item = [&](bool allowEmpty) {
        std::vector<std::size_t> out;
        if (isOp("(") && !isWord("SELECT", 1)) {
            std::size_t save = m_i;
            ++m_i;
            if (acceptOp(")")) {
                if (!allowEmpty) throw oraError(936);
                return out;
            }
            ExprP first = expr();
            if (isOp(",")) {
                out.push_back(groupingExpr(s, std::move(first)));
                while (acceptOp(",")) out.push_back(groupingExpr(s, expr()));
                expectOp(")");
                return out;
            }
            // (expr) alone may be the start of a longer expression: read it again whole.
            m_i = save;
        }
        out.push_back(groupingExpr(s, expr()));
        return out;
    };
    std::vector<std::vector<std::size_t>> sets;
    if ((isWord("ROLLUP") || isWord("CUBE")) && isOp("(", 1)) {
        bool cube = isWord("CUBE");
        m_i += 2;
        std::vector<std::vector<std::size_t>> items;
        do { items.push_back(item(false)); } while (acceptOp(","));
        expectOp(")");
        if (cube && items.size() > 12) throw oraError(900, "too many grouping sets for this instance");
        auto join = [](const std::vector<std::vector<std::size_t>> &parts, std::size_t mask, bool prefix) {
            std::vector<std::size_t> out;
            for (std::size_t k = 0; k < parts.size(); ++k)
                if (prefix ? k < mask : ((mask >> (parts.size() - 1 - k)) & 1))
                    out.insert(out.end(), parts[k].begin(), parts[k].end());
            return out;
        };
        if (cube) {
            for (std::size_t mask = (std::size_t(1) << items.size()); mask-- > 0;) sets.push_back(join(items, mask, false));
        } else {
            for (std::size_t n = items.size() + 1; n-- > 0;) sets.push_back(join(items, n, true));
        }
        return sets;
    }
    if (!inSets && isWord("GROUPING") && isWord("SETS", 1)) {
        m_i += 2;
        expectOp("(");
        do {
            if (isWord("ROLLUP") || isWord("CUBE")) {
                auto inner = groupingElement(s, true);
                sets.insert(sets.end(), inner.begin(), inner.end());
            } else {
                sets.push_back(item(true));
            }
        } while (acceptOp(","));
        expectOp(")");
        return sets;
    }
    sets.push_back({groupingExpr(s, expr())});
    return sets;
}

// items: item { ',' item }    item: '*' | name '.' '*' | expr [[AS] alias]
void Parser::selectItems(Select &s)
{
    do {
        SelectItem item;
        std::size_t start = m_i;
        if (isOp("*")) {
            item.expr = std::make_unique<Expr>(Expr::Star);
            item.expr->pos = peek().pos;
            ++m_i;
        } else if (isIdentifier() && isOp(".", 1) && isOp("*", 2)) {
            item.expr = std::make_unique<Expr>(Expr::Star);
            item.expr->pos = peek().pos;
            item.expr->parts.push_back(peek().text);
            m_i += 3;
        } else if (isIdentifier() && isOp(".", 1) && isIdentifier(2) && isOp(".", 3) && isOp("*", 4)) {
            item.expr = std::make_unique<Expr>(Expr::Star);
            item.expr->pos = peek().pos;
            item.expr->parts = {peek().text, peek(2).text};
            m_i += 5;
        } else {
            if (isWord("FROM") || atEnd() || isOp(",")) throw oraError(936);
            item.expr = expr();
            item.name = spanName(start);
            if (item.expr->kind == Expr::Column) item.name = item.expr->parts.back();
            item.alias = optionalAlias();
            if (!item.alias.empty()) item.name = item.alias;
        }
        s.items.push_back(std::move(item));
    } while (acceptOp(","));
}

// alias: [AS] identifier   (an identifier that is not a clause keyword)
std::string Parser::optionalAlias()
{
    if (acceptWord("AS")) return identifier(923);
    const Token &t = peek();
    if (t.type == Token::QuotedIdent) {
        ++m_i;
        return t.text;
    }
    if (t.type == Token::Ident && !aliasStoppers().count(t.text)) {
        ++m_i;
        return t.text;
    }
    return {};
}

// tables: table-ref { (',' | join) table-ref }
// join: [NATURAL] [INNER | LEFT [OUTER] | RIGHT [OUTER] | FULL [OUTER]] JOIN table-ref
//       [ON cond | USING '(' columns ')']  |  CROSS JOIN table-ref
void Parser::fromList(Select &s)
{
    s.from.push_back(tableRef());
    for (;;) {
        if (acceptOp(",")) {
            s.from.push_back(tableRef());
            continue;
        }
        TableRef::Join join;
        bool natural = false;
        std::size_t save = m_i;
        if (acceptWord("NATURAL")) natural = true;
        if (acceptWord("JOIN")) join = TableRef::Inner;
        else if (isWord("INNER") && isWord("JOIN", 1)) { m_i += 2; join = TableRef::Inner; }
        else if (!natural && isWord("CROSS") && isWord("JOIN", 1)) { m_i += 2; join = TableRef::Cross; }
        else if (isWord("LEFT") || isWord("RIGHT") || isWord("FULL")) {
            join = isWord("LEFT") ? TableRef::Left : isWord("RIGHT") ? TableRef::Right : TableRef::Full;
            ++m_i;
            acceptWord("OUTER");
            expectWord("JOIN");
        } else {
            m_i = save;
            break;
        }
        TableRef t = tableRef();
        t.join = join;
        t.natural = natural;
        if (join != TableRef::Cross && !natural) {
            if (acceptWord("USING")) {
                expectOp("(");
                do { t.usingColumns.push_back(identifier()); } while (acceptOp(","));
                expectOp(")");
            } else {
                expectWord("ON");
                t.on = expr();
            }
        }
        s.from.push_back(std::move(t));
    }
}

// table-ref: ( '(' query ')' | [schema '.'] name ['@' link] ) [alias]
TableRef Parser::tableRef()
{
    TableRef t;
    if (acceptOp("(")) {
        t.subquery = query();   // an inline view, WITH allowed
        expectOp(")");
    } else {
        namedTable(t);
    }
    t.alias = optionalAlias();
    return t;
}

void Parser::namedTable(TableRef &t)
{
    if (!isIdentifier()) throw oraError(903);
    t.name = identifier(903);
    if (acceptOp(".")) {
        t.schema = t.name;
        t.name = identifier(903);
    }
    if (acceptOp("@")) {
        t.dblink = identifier(903);
        while (acceptOp(".")) t.dblink += "." + identifier(903);
    }
}

// order: expr [ASC|DESC] [NULLS FIRST|LAST] { ',' ... }
void Parser::orderBy(std::vector<OrderItem> &out)
{
    do {
        OrderItem o;
        if (isWord("FROM") || atEnd()) throw oraError(936);
        o.expr = expr();
        if (acceptWord("DESC")) o.desc = true;
        else acceptWord("ASC");
        if (acceptWord("NULLS")) {
            if (acceptWord("FIRST")) o.nulls = 1;
            else if (acceptWord("LAST")) o.nulls = 2;
            else throw oraError(933);
        }
        out.push_back(std::move(o));
    } while (acceptOp(","));
}

// or: and { OR and }
ExprP Parser::orExpr()
{
    ExprP left = andExpr();
    while (isWord("OR")) {
        std::size_t pos = peek().pos;
        ++m_i;
        left = binary("OR", std::move(left), andExpr(), pos);
    }
    return left;
}

// and: not { AND not }
ExprP Parser::andExpr()
{
    ExprP left = notExpr();
    while (isWord("AND")) {
        std::size_t pos = peek().pos;
        ++m_i;
        left = binary("AND", std::move(left), notExpr(), pos);
    }
    return left;
}

// not: NOT not | predicate
ExprP Parser::notExpr()
{
    if (isWord("NOT")) {
        Nest nest(*this);
        auto e = std::make_unique<Expr>(Expr::Unary);
        e->pos = peek().pos;
        ++m_i;
        e->text = "NOT";
        e->args.push_back(notExpr());
        return measured(std::move(e));
    }
    return predicate();
}

// predicate: EXISTS '(' query ')'
//          | additive [ compare additive | [NOT] IN '(' list|query ')' | [NOT] BETWEEN a AND b
//                     | [NOT] LIKE pattern [ESCAPE c] | IS [NOT] NULL ]
ExprP Parser::predicate()
{
    return measured(predicateTerm());
}

ExprP Parser::predicateTerm()
{
    if (isWord("EXISTS") && isOp("(", 1)) {
        auto e = std::make_unique<Expr>(Expr::Exists);
        e->pos = peek().pos;
        m_i += 2;
        e->select = query();
        expectOp(")");
        return e;
    }
    ExprP left = additive();
    const Token &t = peek();
    if (t.type == Token::Op) {
        static const std::set<std::string> cmp = {"=", "!=", "<>", "^=", "~=", "<", ">", "<=", ">="};
        if (cmp.count(t.text)) {
            std::string op = t.text;
            if (op == "<>" || op == "^=" || op == "~=") op = "!=";
            std::size_t pos = t.pos;
            ++m_i;
            if (isWord("ANY") || isWord("SOME") || isWord("ALL")) {
                // left op ANY|SOME|ALL '(' query | list ')'
                auto e = std::make_unique<Expr>(Expr::Quantified);
                e->text = op;
                e->pos = pos;
                e->parts.push_back(isWord("ALL") ? "ALL" : "ANY");
                ++m_i;
                expectOp("(");
                e->args.push_back(std::move(left));
                if (isWord("SELECT") || (isWord("WITH") && isIdentifier(1))) e->select = query();
                else do { e->args.push_back(expr()); } while (acceptOp(","));
                expectOp(")");
                return e;
            }
            return binary(op, std::move(left), additive(), pos);
        }
        return left;
    }
    bool negated = false;
    std::size_t save = m_i;
    if (acceptWord("NOT")) negated = true;
    if (acceptWord("IN")) {
        expectOp("(");
        ExprP e;
        if (isWord("SELECT") || (isWord("WITH") && isIdentifier(1))) {
            e = std::make_unique<Expr>(Expr::InSelect);
            e->select = query();
        } else {
            e = std::make_unique<Expr>(Expr::InList);
            e->args.push_back(nullptr);
            do { e->args.push_back(expr()); } while (acceptOp(","));
            if (e->args.size() > 1001) throw oraError(1795);
        }
        expectOp(")");
        if (e->kind == Expr::InList) e->args[0] = std::move(left);
        else e->args.push_back(std::move(left));
        e->negated = negated;
        return e;
    }
    if (acceptWord("BETWEEN")) {
        auto e = std::make_unique<Expr>(Expr::Between);
        e->args.push_back(std::move(left));
        e->args.push_back(additive());
        expectWord("AND");
        e->args.push_back(additive());
        e->negated = negated;
        return e;
    }
    if (acceptWord("LIKE")) {
        auto e = std::make_unique<Expr>(Expr::Like);
        e->args.push_back(std::move(left));
        e->args.push_back(additive());
        if (acceptWord("ESCAPE")) e->args.push_back(additive());
        e->negated = negated;
        return e;
    }
    if (negated) {
        m_i = save;
        return left;
    }
    if (acceptWord("IS")) {
        auto e = std::make_unique<Expr>(Expr::IsNull);
        e->negated = acceptWord("NOT");
        expectWord("NULL", 908);
        e->args.push_back(std::move(left));
        return e;
    }
    return left;
}

// additive: multiplicative { ('+' | '-' | '||') multiplicative }
ExprP Parser::additive()
{
    ExprP left = multiplicative();
    while (isOp("+") || isOp("-") || isOp("||")) {
        std::string op = peek().text;
        std::size_t pos = peek().pos;
        ++m_i;
        left = binary(op, std::move(left), multiplicative(), pos);
    }
    return left;
}

// multiplicative: unary { ('*' | '/') unary }
ExprP Parser::multiplicative()
{
    ExprP left = unary();
    while (isOp("*") || isOp("/")) {
        std::string op = peek().text;
        std::size_t pos = peek().pos;
        ++m_i;
        left = binary(op, std::move(left), unary(), pos);
    }
    return left;
}

// unary: ('-' | '+') unary | PRIOR unary | primary
ExprP Parser::unary()
{
    if (isOp("-") || isOp("+") || isWord("PRIOR")) {
        Nest nest(*this);
        bool prior = isWord("PRIOR");
        auto e = std::make_unique<Expr>(prior ? Expr::Prior : Expr::Unary);
        if (!prior) e->text = peek().text;
        e->pos = peek().pos;
        ++m_i;
        e->args.push_back(unary());
        return measured(std::move(e));
    }
    return primary();
}

// primary: number | string | NULL | :bind | '(' query ')' | '(' expr {',' expr} ')'
//        | CASE ... END | identifier-expression
ExprP Parser::primary()
{
    const Token &t = peek();
    std::size_t pos = t.pos;
    switch (t.type) {
    case Token::Number: {
        auto e = std::make_unique<Expr>(Expr::Number);
        e->text = t.text;
        e->pos = pos;
        ++m_i;
        return e;
    }
    case Token::String: {
        auto e = std::make_unique<Expr>(t.text.empty() ? Expr::Null : Expr::String);
        e->text = t.text;
        e->pos = pos;
        ++m_i;
        return e;
    }
    case Token::Bind: {
        auto e = std::make_unique<Expr>(Expr::Bind);
        e->text = t.text;
        e->pos = pos;
        ++m_i;
        return e;
    }
    case Token::Op:
        if (t.text == "(") {
            Nest nest(*this);
            ++m_i;
            if (isWord("SELECT") || (isWord("WITH") && isIdentifier(1))) {
                auto e = std::make_unique<Expr>(Expr::Subquery);
                e->pos = pos;
                e->select = query();
                expectOp(")");
                return measured(std::move(e));
            }
            ExprP first = expr();
            if (isOp(",")) {
                auto e = std::make_unique<Expr>(Expr::Tuple);
                e->pos = pos;
                e->args.push_back(std::move(first));
                while (acceptOp(",")) e->args.push_back(expr());
                expectOp(")");
                return measured(std::move(e));
            }
            expectOp(")");
            return measured(std::move(first));
        }
        throw oraError(936);
    case Token::Ident:
        if (t.text == "NULL") {
            ++m_i;
            auto e = std::make_unique<Expr>(Expr::Null);
            e->pos = pos;
            return e;
        }
        if (t.text == "CASE") {
            ++m_i;
            return caseExpr(pos);
        }
        if (t.text == "DATE" && peek(1).type == Token::String) {
            auto e = std::make_unique<Expr>(Expr::Func);
            e->text = "TO_DATE";
            e->pos = pos;
            auto s = std::make_unique<Expr>(Expr::String);
            s->text = peek(1).text;
            auto f = std::make_unique<Expr>(Expr::String);
            f->text = "YYYY-MM-DD";
            e->args.push_back(std::move(s));
            e->args.push_back(std::move(f));
            m_i += 2;
            return e;
        }
        if (aliasStoppers().count(t.text) && t.text != "DISTINCT" && t.text != "ALL")
            throw oraError(936);
        return identifierExpr();
    case Token::QuotedIdent:
        return identifierExpr();
    case Token::End:
        throw oraError(936);
    default:
        throw oraError(936);
    }
}

// identifier-expression: name {'.' name} [ '(' args ')' ] [ '(+)' ]
ExprP Parser::identifierExpr()
{
    std::size_t pos = peek().pos;
    std::vector<std::string> parts;
    bool quoted = peek().type == Token::QuotedIdent;
    parts.push_back(identifier());
    while (isOp(".") && isIdentifier(1)) {
        ++m_i;
        quoted = peek().type == Token::QuotedIdent;
        parts.push_back(identifier());
    }
    if (isOp("(") && !(isOp("+", 1) && isOp(")", 2))) {
        if (quoted) throw invalidIdentifier(parts.back());
        return functionCall(std::move(parts), pos);
    }
    if (parts.size() == 1 && !quoted && pseudoColumns().count(parts[0])) {
        auto e = std::make_unique<Expr>(Expr::Pseudo);
        e->text = parts[0];
        e->pos = pos;
        return e;
    }
    auto e = std::make_unique<Expr>(Expr::Column);
    e->parts = std::move(parts);
    e->quoted = quoted;
    e->pos = pos;
    if (isOp("(") && isOp("+", 1) && isOp(")", 2)) {
        m_i += 3;
        e->outer = true;
    }
    return e;
}

// call: name '(' [DISTINCT|ALL] [arg {',' arg}] ')'  with COUNT(*), TRIM([LEADING|TRAILING|BOTH]
//       [c] FROM s) and CAST(e AS type)
ExprP Parser::functionCall(std::vector<std::string> parts, std::size_t pos)
{
    auto e = std::make_unique<Expr>(Expr::Func);
    e->pos = pos;
    for (std::size_t k = 0; k < parts.size(); ++k) e->text += (k ? "." : "") + parts[k];
    expectOp("(");
    if (e->text == "TRIM") {
        // TRIM([LEADING|TRAILING|BOTH] [set] FROM s) becomes LTRIM/RTRIM/TRIM(s, set).
        std::string mode = "TRIM";
        if (acceptWord("LEADING")) mode = "LTRIM";
        else if (acceptWord("TRAILING")) mode = "RTRIM";
        else acceptWord("BOTH");
        ExprP set;
        if (!isWord("FROM")) set = expr();
        if (acceptWord("FROM")) {
            e->args.push_back(expr());
            if (set) e->args.push_back(std::move(set));
            else {
                auto blank = std::make_unique<Expr>(Expr::String);
                blank->text = " ";
                e->args.push_back(std::move(blank));
            }
        } else {
            if (!set) throw oraError(936);
            e->args.push_back(std::move(set));
        }
        e->text = mode == "TRIM" ? "TRIM" : mode;
        if (e->args.size() == 2 && mode == "TRIM") e->text = "TRIM_SET";
        expectOp(")");
        return measured(std::move(e));
    }
    if (e->text == "CAST") {
        auto c = std::make_unique<Expr>(Expr::Cast);
        c->pos = pos;
        c->args.push_back(expr());
        expectWord("AS");
        ColumnDef def;
        c->text = typeName(def);
        expectOp(")");
        return measured(std::move(c));
    }
    if (acceptOp(")")) {
        if (acceptWord("OVER")) overClause(*e);
        return measured(std::move(e));
    }
    if (acceptWord("DISTINCT") || acceptWord("UNIQUE")) e->distinct = true;
    else acceptWord("ALL");
    if (isOp("*") && isOp(")", 1)) {
        auto star = std::make_unique<Expr>(Expr::Star);
        star->pos = peek().pos;
        e->args.push_back(std::move(star));
        ++m_i;
    } else {
        do { e->args.push_back(expr()); } while (acceptOp(","));
    }
    if (e->args.size() > 255) throw oraError(939);
    expectOp(")");
    if (isWord("KEEP") && isOp("(", 1))
        throw oraError(3001, "unimplemented feature: KEEP (DENSE_RANK FIRST|LAST ORDER BY ...) aggregates");
    if (acceptWord("OVER")) overClause(*e);
    return measured(std::move(e));
}

// over: OVER '(' [PARTITION BY exprs] [ORDER BY order-items [frame]] ')'
// frame: (ROWS | RANGE) (bound | BETWEEN bound AND bound)
void Parser::overClause(Expr &e)
{
    expectOp("(");
    auto w = std::make_shared<Window>();
    w->arguments = e.args.size();
    if (acceptWord("PARTITION")) {
        expectWord("BY", 924);
        do { e.args.push_back(expr()); } while (acceptOp(","));
        w->partition = e.args.size() - w->arguments;
    }
    if (acceptWord("ORDER")) {
        expectWord("BY", 924);
        std::vector<OrderItem> items;
        orderBy(items);
        for (auto &o : items) {
            w->order.push_back({o.desc, o.nulls});
            e.args.push_back(std::move(o.expr));
        }
    }
    if (isWord("ROWS") || isWord("RANGE")) {
        // ORA-30485: a window frame needs an order of the rows it moves over.
        if (w->order.empty()) throw oraError(30485, "missing ORDER BY expression in the window specification");
        std::string unit = peek().text;
        ++m_i;
        const SimError invalid = oraError(30486, "invalid window aggregation group in the window specification");
        int from = 0, to = 2;   // the bounds' kinds (see frameBound); a lone bound ends at CURRENT ROW
        std::string frame = unit + " ";
        if (acceptWord("BETWEEN")) {
            frame += "BETWEEN " + frameBound(from);
            expectWord("AND");
            frame += " AND " + frameBound(to);
        } else {
            frame += frameBound(from);
        }
        if (from == 4 || to == 0 || from > to) throw invalid;
        // RANGE with an offset measures it on the one ORDER BY value.
        bool offset = from == 1 || from == 3 || to == 1 || to == 3;
        if (unit == "RANGE" && offset && w->order.size() != 1) throw invalid;
        w->frame = frame;
    }
    expectOp(")");
    e.over = std::move(w);
}

// bound: UNBOUNDED PRECEDING | number PRECEDING | CURRENT ROW | number FOLLOWING
//      | UNBOUNDED FOLLOWING      (kind 0 to 4, in that order)
std::string Parser::frameBound(int &kind)
{
    if (acceptWord("UNBOUNDED")) {
        if (acceptWord("PRECEDING")) {
            kind = 0;
            return "UNBOUNDED PRECEDING";
        }
        expectWord("FOLLOWING");
        kind = 4;
        return "UNBOUNDED FOLLOWING";
    }
    if (acceptWord("CURRENT")) {
        expectWord("ROW");
        kind = 2;
        return "CURRENT ROW";
    }
    if (peek().type != Token::Number) {
        if (atEnd()) throw oraError(936);
        throw oraError(30486, "invalid window aggregation group in the window specification");
    }
    std::string n = peek().text;
    ++m_i;
    if (acceptWord("PRECEDING")) {
        kind = 1;
        return n + " PRECEDING";
    }
    expectWord("FOLLOWING");
    kind = 3;
    return n + " FOLLOWING";
}

// case: CASE [operand] WHEN a THEN b {WHEN a THEN b} [ELSE c] END
ExprP Parser::caseExpr(std::size_t pos)
{
    auto e = std::make_unique<Expr>(Expr::Case);
    e->pos = pos;
    if (isWord("WHEN")) e->args.push_back(nullptr);
    else e->args.push_back(expr());
    if (!isWord("WHEN")) throw oraError(905);
    while (acceptWord("WHEN")) {
        e->args.push_back(expr());
        expectWord("THEN");
        e->args.push_back(expr());
    }
    if (acceptWord("ELSE")) e->args.push_back(expr());
    else e->args.push_back(nullptr);
    expectWord("END");
    return measured(std::move(e));
}

// insert: INSERT INTO table [alias] ['(' columns ')'] ( VALUES '(' exprs ')' | query )
std::unique_ptr<Statement> Parser::insertStatement()
{
    auto st = std::make_unique<Statement>();
    st->kind = Statement::Insert;
    expectWord("INSERT");
    expectWord("INTO", 925);
    namedTable(st->table);
    if (isIdentifier() && !isWord("VALUES") && !isWord("SELECT")) st->table.alias = identifier();
    if (isOp("(") && !isWord("SELECT", 1)) {
        ++m_i;
        do { st->columns.push_back(identifier()); } while (acceptOp(","));
        expectOp(")");
    }
    if (acceptWord("VALUES")) {
        expectOp("(");
        std::vector<ExprP> row;
        do { row.push_back(expr()); } while (acceptOp(","));
        expectOp(")");
        st->values.push_back(std::move(row));
    } else if (isWord("SELECT") || isOp("(") || isWord("WITH")) {
        st->select = query();
    } else {
        throw oraError(926);
    }
    endOfStatement();
    return st;
}

// update: UPDATE table [alias] SET (column = expr | '(' columns ')' = '(' query ')') {',' ...}
//         [WHERE cond]
std::unique_ptr<Statement> Parser::updateStatement()
{
    auto st = std::make_unique<Statement>();
    st->kind = Statement::Update;
    expectWord("UPDATE");
    namedTable(st->table);
    if (isIdentifier() && !isWord("SET")) st->table.alias = identifier();
    expectWord("SET", 971);
    do {
        if (acceptOp("(")) {
            // SET (a, b) = (SELECT x, y FROM ...)
            std::vector<std::string> cols;
            do {
                std::string col = identifier();
                if (acceptOp(".")) col = identifier();
                cols.push_back(col);
            } while (acceptOp(","));
            expectOp(")");
            expectOp("=");
            ExprP value = expr();
            if (value->kind != Expr::Subquery) throw oraError(907);
            st->rowSets.emplace_back(std::move(cols), std::move(value));
            continue;
        }
        std::string col = identifier();
        if (acceptOp(".")) col = identifier();   // alias.column
        expectOp("=");
        st->sets.emplace_back(col, expr());
    } while (acceptOp(","));
    if (acceptWord("WHERE")) st->where = expr();
    endOfStatement();
    return st;
}

// delete: DELETE [FROM] table [alias] [WHERE cond]
std::unique_ptr<Statement> Parser::deleteStatement()
{
    auto st = std::make_unique<Statement>();
    st->kind = Statement::Delete;
    expectWord("DELETE");
    acceptWord("FROM");
    namedTable(st->table);
    if (isIdentifier() && !isWord("WHERE")) st->table.alias = identifier();
    if (acceptWord("WHERE")) st->where = expr();
    endOfStatement();
    return st;
}

// create: CREATE [OR REPLACE] ( TABLE ... | [FORCE|NOFORCE] VIEW ... | [PUBLIC] SYNONYM ...
//                             | [UNIQUE] INDEX ... )
std::unique_ptr<Statement> Parser::createStatement()
{
    expectWord("CREATE");
    auto st = std::make_unique<Statement>();
    if (acceptWord("OR")) {
        expectWord("REPLACE");
        st->orReplace = true;
    }
    acceptWord("FORCE") || acceptWord("NOFORCE");
    if (acceptWord("PUBLIC")) {
        st->isPublic = true;
        if (!isWord("SYNONYM")) return nullptr;
    }
    if (acceptWord("TABLE")) {
        st->kind = Statement::CreateTable;
        namedTable(st->table);
        createTableBody(*st);
        return st;
    }
    if (acceptWord("VIEW")) {
        st->kind = Statement::CreateView;
        namedTable(st->table);
        if (acceptOp("(")) {
            do { st->columns.push_back(identifier()); } while (acceptOp(","));
            expectOp(")");
        }
        expectWord("AS");
        st->select = query();
        if (acceptWord("WITH")) {
            if (acceptWord("READ")) expectWord("ONLY");
            else { expectWord("CHECK"); expectWord("OPTION"); }
        }
        endOfStatement();
        return st;
    }
    if (acceptWord("SYNONYM")) {
        st->kind = Statement::CreateSynonym;
        namedTable(st->table);
        expectWord("FOR");
        namedTable(st->target);
        endOfStatement();
        return st;
    }
    if (isWord("INDEX") || (isWord("UNIQUE") && isWord("INDEX", 1))) {
        st->unique = acceptWord("UNIQUE");
        expectWord("INDEX");
        st->kind = Statement::CreateIndex;
        namedTable(st->table);
        expectWord("ON", 969);
        namedTable(st->target);
        expectOp("(");
        do {
            st->columns.push_back(identifier());
            acceptWord("ASC") || acceptWord("DESC");
        } while (acceptOp(","));
        expectOp(")");
        skipPhysicalAttributes();
        endOfStatement();
        return st;
    }
    return nullptr;
}

// table-body: '(' column-def | constraint {',' ...} ')' [attributes] [AS query]
//           | ['(' names ')'] [attributes] AS query
void Parser::createTableBody(Statement &st)
{
    if (acceptOp("(")) {
        bool namesOnly = isIdentifier() && (isOp(",", 1) || isOp(")", 1));
        do {
            if (isWord("CONSTRAINT") || isWord("PRIMARY") || isWord("UNIQUE") ||
                isWord("FOREIGN") || isWord("CHECK")) {
                if (acceptWord("CONSTRAINT")) identifier();
                if (acceptWord("PRIMARY")) {
                    expectWord("KEY");
                    expectOp("(");
                    std::vector<std::string> keys;
                    do { keys.push_back(identifier()); } while (acceptOp(","));
                    expectOp(")");
                    for (auto &c : st.columnDefs)
                        for (auto &k : keys)
                            if (c.name == k) c.notNull = true;
                    for (auto &k : keys) st.columns.push_back(k);   // primary key columns
                } else {
                    // UNIQUE/FOREIGN KEY/CHECK: accepted, not enforced.
                    while (!atEnd() && !isOp(",") && !isOp(")")) {
                        if (isOp("(")) skipBalanced();
                        else ++m_i;
                    }
                }
                continue;
            }
            if (namesOnly) {
                ColumnDef c;
                c.name = identifier();
                st.columnDefs.push_back(std::move(c));
            } else {
                st.columnDefs.push_back(columnDef());
            }
        } while (acceptOp(","));
        expectOp(")");
        if (namesOnly && !isWord("AS")) {
            skipPhysicalAttributes();
            if (!isWord("AS")) throw oraError(906);
        }
    }
    skipPhysicalAttributes();
    if (acceptWord("AS")) {
        st.select = query();
    } else if (st.columnDefs.empty()) {
        throw oraError(906);
    }
    endOfStatement();
}

// column-def: name type [DEFAULT expr] {NOT NULL | NULL | PRIMARY KEY | UNIQUE | CHECK (...)
//             | REFERENCES t [(c)] | CONSTRAINT name}
ColumnDef Parser::columnDef()
{
    ColumnDef c;
    c.name = identifier();
    if (isOp(",") || isOp(")")) throw oraError(902);
    c.type = typeName(c);
    for (;;) {
        if (acceptWord("DEFAULT")) c.defaultValue = additive();
        else if (acceptWord("NOT")) { expectWord("NULL"); c.notNull = true; }
        else if (acceptWord("NULL")) {}
        else if (acceptWord("PRIMARY")) { expectWord("KEY"); c.notNull = true; }
        else if (acceptWord("UNIQUE")) {}
        else if (acceptWord("CONSTRAINT")) identifier();
        else if (acceptWord("CHECK")) skipBalanced();
        else if (acceptWord("REFERENCES")) {
            TableRef ignored;
            namedTable(ignored);
            if (isOp("(")) skipBalanced();
            if (acceptWord("ON")) { expectWord("DELETE"); acceptWord("CASCADE") || acceptWord("SET") ; acceptWord("NULL"); }
        } else break;
    }
    return c;
}

// type: NUMBER [(p [,s])] | VARCHAR2 (n [BYTE|CHAR]) | CHAR [(n)] | DATE | LONG [RAW] | RAW (n) | ...
std::string Parser::typeName(ColumnDef &c)
{
    static const std::set<std::string> known = {
        "NUMBER", "INTEGER", "INT", "SMALLINT", "FLOAT", "DECIMAL", "DEC", "NUMERIC", "REAL",
        "VARCHAR2", "VARCHAR", "NVARCHAR2", "CHAR", "NCHAR", "CHARACTER", "DATE", "LONG", "RAW",
        "CLOB", "BLOB", "NCLOB", "ROWID", "TIMESTAMP", "DOUBLE"};
    if (!isIdentifier()) throw oraError(902);
    std::string type = peek().text;
    if (!known.count(type)) throw oraError(902);
    ++m_i;
    if (type == "LONG" && acceptWord("RAW")) type = "LONG RAW";
    if (type == "DOUBLE") { expectWord("PRECISION", 902); type = "FLOAT"; }
    if (acceptOp("(")) {
        if (peek().type != Token::Number) throw oraError(910);
        int first = sizeValue(peek().text);
        ++m_i;
        if (acceptOp(",")) {
            bool neg = acceptOp("-");
            if (peek().type != Token::Number) throw oraError(910);
            c.scale = sizeValue(peek().text) * (neg ? -1 : 1);
            ++m_i;
            if (c.scale < -84 || c.scale > 127) throw oraError(1728);
        }
        acceptWord("BYTE") || acceptWord("CHAR");
        expectOp(")");
        bool numeric = type == "NUMBER" || type == "DECIMAL" || type == "NUMERIC";
        if (numeric || type == "FLOAT") {
            if (numeric && (first < 1 || first > 38)) throw oraError(1727);
            if (type == "FLOAT" && (first < 1 || first > 126)) throw oraError(1724);
            c.precision = first;
        } else {
            // Oracle's longest VARCHAR2 is 4000 bytes; CHAR and RAW hold 2000.
            int longest = type == "VARCHAR2" || type == "VARCHAR" || type == "NVARCHAR2" ? 4000 : 2000;
            if (first == 0) throw oraError(1723);
            if (first > longest) throw oraError(910);
            c.length = first;
        }
    }
    if (type == "INTEGER" || type == "INT" || type == "SMALLINT") { type = "NUMBER"; c.scale = 0; c.precision = 38; }
    if (type == "VARCHAR") type = "VARCHAR2";
    if (type == "CHARACTER") type = "CHAR";
    if ((type == "CHAR" || type == "NCHAR") && c.length < 0) c.length = 1;
    return type;
}

// A length, precision or scale as written: a whole number (ORA-02017 otherwise); values
// beyond any limit come back as INT_MAX so that the caller's range check refuses them.
int Parser::sizeValue(const std::string &text)
{
    long long v = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c))) throw oraError(2017);
        v = std::min<long long>(v * 10 + (c - '0'), 1LL << 31);
    }
    return static_cast<int>(std::min<long long>(v, 2147483647LL));
}

void Parser::skipBalanced()
{
    expectOp("(");
    int depth = 1;
    while (depth > 0) {
        if (atEnd()) throw oraError(907);
        if (isOp("(")) ++depth;
        else if (isOp(")")) --depth;
        ++m_i;
    }
}

// Storage and physical clauses (TABLESPACE x, STORAGE (...), PCTFREE n, ...) are accepted
// and ignored: the instance keeps no physical layout of its own.
void Parser::skipPhysicalAttributes()
{
    while (!atEnd() && !isWord("AS") && !isOp(";")) {
        if (isOp("(")) skipBalanced();
        else ++m_i;
    }
}

// drop: DROP TABLE name [CASCADE CONSTRAINTS] | DROP VIEW name | DROP [PUBLIC] SYNONYM name
//     | DROP INDEX name
std::unique_ptr<Statement> Parser::dropStatement()
{
    expectWord("DROP");
    auto st = std::make_unique<Statement>();
    if (acceptWord("PUBLIC")) {
        if (!isWord("SYNONYM")) return nullptr;
        st->isPublic = true;
    }
    if (acceptWord("TABLE")) {
        st->kind = Statement::DropTable;
        namedTable(st->table);
        if (acceptWord("CASCADE")) { expectWord("CONSTRAINTS"); st->cascade = true; }
        acceptWord("PURGE");
    } else if (acceptWord("VIEW")) {
        st->kind = Statement::DropView;
        namedTable(st->table);
    } else if (acceptWord("SYNONYM")) {
        st->kind = Statement::DropSynonym;
        namedTable(st->table);
        acceptWord("FORCE");
    } else if (acceptWord("INDEX")) {
        st->kind = Statement::DropIndex;
        namedTable(st->table);
    } else {
        return nullptr;
    }
    endOfStatement();
    return st;
}

// block: BEGIN { step ';' } END [';']   where a step is SELECT ... INTO :binds ..., INSERT,
//        UPDATE, DELETE, COMMIT, ROLLBACK or NULL
std::unique_ptr<Statement> Parser::block()
{
    expectWord("BEGIN");
    auto st = std::make_unique<Statement>();
    st->kind = Statement::Block;
    auto plsError = [this](const Token &t, const std::string &what) {
        std::size_t line = 1, col = 1;
        for (std::size_t k = 0; k < t.pos && k < m_sql.size(); ++k) {
            if (m_sql[k] == '\n') { ++line; col = 1; }
            else ++col;
        }
        return oraError(6550, "line " + std::to_string(line) + ", column " + std::to_string(col) +
                                  ":\nPLS-00103: " + what);
    };
    int steps = 0;
    for (;;) {
        if (atEnd()) throw plsError(peek(), "Encountered the symbol \"end-of-file\" when expecting one of the following: END");
        if (isWord("END") && steps == 0)
            throw plsError(peek(), "Encountered the symbol \"END\" when expecting one of the following: "
                                   "begin declare null select insert update delete commit rollback");
        if (acceptWord("END")) break;
        if (acceptOp(";")) continue;
        ++steps;
        if (acceptWord("NULL")) {
            if (!acceptOp(";")) throw plsError(peek(), "Encountered the symbol \"" + peek().text + "\" when expecting \";\"");
            continue;
        }
        static const std::set<std::string> steps = {"SELECT", "INSERT", "UPDATE", "DELETE", "COMMIT", "ROLLBACK"};
        if (peek().type != Token::Ident || !steps.count(peek().text))
            throw plsError(peek(), "Encountered the symbol \"" + peek().text +
                                       "\"; this instance runs blocks of SELECT ... INTO, INSERT, "
                                       "UPDATE, DELETE, COMMIT and NULL statements only");
        // The step runs to the next ';' at parenthesis depth 0.
        std::size_t start = m_i;
        int depth = 0;
        while (!atEnd() && !(depth == 0 && isOp(";"))) {
            if (isOp("(")) ++depth;
            if (isOp(")")) --depth;
            ++m_i;
        }
        if (atEnd()) throw plsError(peek(), "Encountered the symbol \"end-of-file\" when expecting \";\"");
        std::string text = m_sql.substr(m_t[start].pos, peek().pos - m_t[start].pos);
        ++m_i;
        auto step = parseStatement(text);
        if (!step) throw plsError(m_t[start], "unsupported statement in block");
        step->sourcePos = m_t[start].pos;
        st->body.push_back(std::move(step));
    }
    acceptOp(";");
    if (!atEnd()) throw oraError(6550, "line 1, column " + std::to_string(peek().pos + 1) +
                                           ":\nPLS-00103: Encountered the symbol \"" + peek().text + "\"");
    return st;
}

} // namespace

std::unique_ptr<Statement> parseStatement(const std::string &sql)
{
    Parser p(sql);
    return p.statement();
}

} // namespace sim
