#include "parser.h"

#include "lexer.h"
#include "simerror.h"

#include <algorithm>
#include <cctype>
#include <map>
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
    ColumnDef columnDef(std::vector<ConstraintDef> *inlineConstraints = nullptr);
    // --- schema statements (constraints, ALTER TABLE, sequences, comments, sessions)
    std::unique_ptr<Statement> schemaStatement();
    std::unique_ptr<Statement> alterTable();
    std::unique_ptr<Statement> sequenceStatement(Statement::Kind kind);
    std::unique_ptr<Statement> commentStatement();
    std::unique_ptr<Statement> alterSession();
    bool isConstraintStart() const;
    ConstraintDef outOfLineConstraint();
    bool inlineConstraint(ColumnDef &c, std::vector<ConstraintDef> &out);
    void constraintState(ConstraintDef &c);
    std::string checkCondition();
    std::vector<std::string> nameList();
    void references(ConstraintDef &c);
    double signedNumber();
    void dmlTail();
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
    if (isWord("CREATE") && !isWord("SEQUENCE", 1)) return createStatement();
    if (isWord("DROP") && !isWord("SEQUENCE", 1)) return dropStatement();
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
    return schemaStatement();
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
        if (w->order.empty()) throw oraError(30485, "missing ORDER BY expression in the OVER clause");
        std::string unit = peek().text;
        ++m_i;
        const SimError invalid = oraError(30486, "invalid window aggregation group in the OVER clause");
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
        throw oraError(30486, "invalid window aggregation group in the OVER clause");
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
    if (isWord("ALL") || isWord("FIRST")) throw oraError(3001, "unimplemented feature: multitable INSERT");
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
    dmlTail();
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
    dmlTail();
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
    dmlTail();
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
            if (isConstraintStart()) {
                ConstraintDef c = outOfLineConstraint();
                if (c.type == 'P')
                    for (auto &col : st.columnDefs)
                        for (auto &k : c.columns)
                            if (col.name == k) col.notNull = true;
                st.constraints.push_back(std::move(c));
                continue;
            }
            if (namesOnly) {
                ColumnDef c;
                c.name = identifier();
                st.columnDefs.push_back(std::move(c));
            } else {
                st.columnDefs.push_back(columnDef(&st.constraints));
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

// column-def: name type [DEFAULT expr] { inline-constraint }
ColumnDef Parser::columnDef(std::vector<ConstraintDef> *inlineConstraints)
{
    ColumnDef c;
    c.name = identifier();
    if (isOp(",") || isOp(")")) throw oraError(902);
    c.type = typeName(c);
    std::vector<ConstraintDef> ignored;
    std::vector<ConstraintDef> &out = inlineConstraints ? *inlineConstraints : ignored;
    for (;;) {
        if (acceptWord("DEFAULT")) {
            std::size_t from = peek().pos;
            c.defaultValue = additive();
            c.defaultText = m_sql.substr(from, peek().pos - from);
            while (!c.defaultText.empty() && std::isspace(static_cast<unsigned char>(c.defaultText.back())))
                c.defaultText.pop_back();
        } else if (!inlineConstraint(c, out)) {
            break;
        }
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

// ---------------------------------------------------------------- schema statements

// The statements that change a schema's definition other than CREATE/DROP TABLE, VIEW,
// SYNONYM and INDEX: ALTER TABLE, sequences, COMMENT ON, ALTER SESSION, ALTER TRIGGER and
// ALTER PROCEDURE/FUNCTION/PACKAGE ... COMPILE. Anything else is left to the handlers.
std::unique_ptr<Statement> Parser::schemaStatement()
{
    if (isWord("ALTER") && isWord("TABLE", 1)) return alterTable();
    if (isWord("CREATE") && isWord("SEQUENCE", 1)) return sequenceStatement(Statement::CreateSequence);
    if (isWord("ALTER") && isWord("SEQUENCE", 1)) return sequenceStatement(Statement::AlterSequence);
    if (isWord("DROP") && isWord("SEQUENCE", 1)) return sequenceStatement(Statement::DropSequence);
    if (isWord("COMMENT") && isWord("ON", 1)) return commentStatement();
    if (isWord("ALTER") && isWord("SESSION", 1)) return alterSession();
    if (isWord("ALTER") && (isWord("TRIGGER", 1) || isWord("PROCEDURE", 1) || isWord("FUNCTION", 1) ||
                            isWord("PACKAGE", 1) || isWord("TYPE", 1))) {
        ++m_i;
        auto st = std::make_unique<Statement>();
        st->kind = Statement::AlterTrigger;
        st->objectType = peek().text;
        ++m_i;
        namedTable(st->table);
        if (st->objectType == "TRIGGER" && (isWord("ENABLE") || isWord("DISABLE"))) {
            st->text = peek().text;
            ++m_i;
        } else if (acceptWord("COMPILE")) {
            st->text = "COMPILE";
            if (acceptWord("BODY") || acceptWord("PACKAGE")) {}
            acceptWord("DEBUG");
            while (isIdentifier() && isOp("=", 1)) {   // compiler settings: REUSE SETTINGS, PLSQL_... = x
                m_i += 3;
            }
            if (acceptWord("REUSE")) expectWord("SETTINGS");
        } else if (st->objectType == "TRIGGER") {
            throw oraError(atEnd() ? 936 : 922, atEnd() ? std::string() : "missing or invalid option");
        } else {
            throw oraError(3001, "unimplemented feature: ALTER " + st->objectType + " " + peek().text);
        }
        endOfStatement();
        return st;
    }
    if (isWord("RENAME") && isIdentifier(1) && isWord("TO", 2)) {
        // RENAME old TO new: a table, view or synonym of the current schema.
        ++m_i;
        auto st = std::make_unique<Statement>();
        st->kind = Statement::AlterTable;
        st->table.name = identifier();
        expectWord("TO");
        AlterAction a;
        a.kind = AlterAction::RenameTable;
        a.names.push_back(identifier());
        st->actions.push_back(std::move(a));
        st->text = "RENAME";
        endOfStatement();
        return st;
    }
    return nullptr;
}

// A constraint clause starts here (out of line in a table's list or after ADD).
bool Parser::isConstraintStart() const
{
    return isWord("CONSTRAINT") || isWord("PRIMARY") || (isWord("UNIQUE") && isOp("(", 1)) ||
           isWord("FOREIGN") || isWord("CHECK");
}

std::vector<std::string> Parser::nameList()
{
    std::vector<std::string> names;
    expectOp("(");
    do { names.push_back(identifier()); } while (acceptOp(","));
    expectOp(")");
    return names;
}

// '(' condition ')': the condition is parsed (a malformed one is a syntax error) and kept
// as written, as Oracle shows it in SEARCH_CONDITION.
std::string Parser::checkCondition()
{
    expectOp("(");
    std::size_t from = peek().pos;
    expr();
    std::size_t to = peek().pos;
    expectOp(")");
    std::string text = m_sql.substr(from, to - from);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    return text;
}

// REFERENCES [schema.]table ['(' columns ')'] [ON DELETE (CASCADE | SET NULL)]
void Parser::references(ConstraintDef &c)
{
    expectWord("REFERENCES");
    TableRef t;
    namedTable(t);
    c.refSchema = t.schema;
    c.refTable = t.name;
    if (isOp("(")) c.refColumns = nameList();
    if (acceptWord("ON")) {
        expectWord("DELETE");
        if (acceptWord("CASCADE")) c.deleteRule = "CASCADE";
        else if (acceptWord("SET")) {
            expectWord("NULL");
            c.deleteRule = "SET NULL";
        } else if (acceptWord("NO")) {
            expectWord("ACTION");
        } else {
            throw oraError(905);
        }
    }
}

// The state after a constraint: ENABLE | DISABLE, [NO]VALIDATE, [NOT] DEFERRABLE,
// INITIALLY IMMEDIATE, RELY | NORELY, USING INDEX ..., EXCEPTIONS INTO t. Constraints are
// checked when each statement runs, so INITIALLY DEFERRED is refused as unimplemented.
void Parser::constraintState(ConstraintDef &c)
{
    for (;;) {
        if (acceptWord("ENABLE")) c.disabled = false;
        else if (acceptWord("DISABLE")) c.disabled = true;
        else if (acceptWord("VALIDATE") || acceptWord("NOVALIDATE") || acceptWord("RELY") ||
                 acceptWord("NORELY") || acceptWord("DEFERRABLE")) {}
        else if (isWord("NOT") && isWord("DEFERRABLE", 1)) m_i += 2;
        else if (acceptWord("INITIALLY")) {
            if (acceptWord("DEFERRED")) throw oraError(3001, "unimplemented feature: INITIALLY DEFERRED constraint");
            expectWord("IMMEDIATE");
        } else if (acceptWord("USING")) {
            expectWord("INDEX");
            if (isOp("(")) skipBalanced();
            else
                while (!atEnd() && !isOp(",") && !isOp(")") && !isWord("ENABLE") && !isWord("DISABLE") &&
                       !isWord("CONSTRAINT") && !isWord("VALIDATE") && !isWord("NOVALIDATE") &&
                       !isWord("DEFERRABLE") && !isWord("NOT") && !isWord("INITIALLY") && !isWord("ADD") &&
                       !isWord("MODIFY") && !isWord("DROP")) {
                    if (isOp("(")) skipBalanced();
                    else ++m_i;
                }
        } else if (acceptWord("EXCEPTIONS")) {
            expectWord("INTO");
            TableRef t;
            namedTable(t);
        } else {
            return;
        }
    }
}

// out-of-line: [CONSTRAINT name] ( PRIMARY KEY (cols) | UNIQUE (cols) | CHECK (cond)
//              | FOREIGN KEY (cols) REFERENCES t [(cols)] [ON DELETE ...] ) [state]
ConstraintDef Parser::outOfLineConstraint()
{
    ConstraintDef c;
    if (acceptWord("CONSTRAINT")) c.name = identifier();
    if (acceptWord("PRIMARY")) {
        expectWord("KEY");
        c.type = 'P';
        c.columns = nameList();
    } else if (acceptWord("UNIQUE")) {
        c.type = 'U';
        c.columns = nameList();
    } else if (acceptWord("CHECK")) {
        c.type = 'C';
        c.condition = checkCondition();
    } else if (acceptWord("FOREIGN")) {
        expectWord("KEY");
        c.type = 'R';
        c.columns = nameList();
        references(c);
        if (c.refColumns.size() > 0 && c.refColumns.size() != c.columns.size()) throw oraError(2256, "number of referencing columns must match referenced columns");
    } else {
        throw oraError(atEnd() ? 936 : 902);
    }
    constraintState(c);
    return c;
}

// inline: [CONSTRAINT name] (NOT NULL | NULL | PRIMARY KEY | UNIQUE | CHECK (cond)
//         | REFERENCES t [(col)] [ON DELETE ...]) [state]. False when none follows.
bool Parser::inlineConstraint(ColumnDef &col, std::vector<ConstraintDef> &out)
{
    ConstraintDef c;
    bool named = false;
    if (acceptWord("CONSTRAINT")) {
        c.name = identifier();
        named = true;
    }
    if (acceptWord("NULL")) {
        if (named) constraintState(c);
        return true;
    }
    if (isWord("NOT") && isWord("NULL", 1)) {
        m_i += 2;
        c.type = 'C';
        c.notNull = true;
        col.notNull = true;
    } else if (acceptWord("PRIMARY")) {
        expectWord("KEY");
        c.type = 'P';
        col.notNull = true;
    } else if (acceptWord("UNIQUE")) {
        c.type = 'U';
    } else if (acceptWord("CHECK")) {
        c.type = 'C';
        c.condition = checkCondition();
    } else if (isWord("REFERENCES")) {
        c.type = 'R';
        references(c);
        if (c.refColumns.size() > 1) throw oraError(2256, "number of referencing columns must match referenced columns");
    } else {
        if (named) throw oraError(atEnd() ? 936 : 902);
        return false;
    }
    c.columns.push_back(col.name);
    constraintState(c);
    if (c.notNull && c.disabled) col.notNull = false;
    out.push_back(std::move(c));
    return true;
}

// Clauses of DML the instance does not run.
void Parser::dmlTail()
{
    if (isWord("RETURNING") || isWord("RETURN")) throw oraError(3001, "unimplemented feature: RETURNING INTO");
    if (isWord("LOG") && isWord("ERRORS", 1)) throw oraError(3001, "unimplemented feature: LOG ERRORS");
}

double Parser::signedNumber()
{
    bool neg = acceptOp("-");
    if (!neg) acceptOp("+");
    if (peek().type != Token::Number) throw oraError(atEnd() ? 936 : 2017);
    double v = std::strtod(peek().text.c_str(), nullptr);
    ++m_i;
    return neg ? -v : v;
}

// alter-table: ALTER TABLE t action { action }
//   action: ADD ( column-def | constraint {, ...} ) | ADD column-def | ADD constraint
//         | MODIFY ( column-change {, ...} ) | MODIFY column-change
//         | MODIFY CONSTRAINT name (ENABLE | DISABLE)
//         | DROP COLUMN c | DROP ( c {, c} ) | DROP CONSTRAINT n [CASCADE]
//         | DROP PRIMARY KEY [CASCADE] | DROP UNIQUE ( cols )
//         | RENAME COLUMN a TO b | RENAME TO t
//         | (ENABLE | DISABLE) [VALIDATE | NOVALIDATE] (CONSTRAINT n | PRIMARY KEY | UNIQUE (cols)) [CASCADE]
//         | (ENABLE | DISABLE) ALL TRIGGERS
//         | physical attributes (PCTFREE, STORAGE, LOGGING, ...), accepted and ignored
std::unique_ptr<Statement> Parser::alterTable()
{
    m_i += 2;
    auto st = std::make_unique<Statement>();
    st->kind = Statement::AlterTable;
    namedTable(st->table);
    if (atEnd()) throw oraError(1735, "invalid ALTER TABLE option");
    static const std::set<std::string> physical = {
        "PCTFREE", "PCTUSED", "INITRANS", "MAXTRANS", "STORAGE", "LOGGING", "NOLOGGING", "CACHE",
        "NOCACHE", "PARALLEL", "NOPARALLEL", "MONITORING", "NOMONITORING", "COMPRESS", "NOCOMPRESS",
        "TABLESPACE"};
    while (!atEnd() && !isOp(";")) {
        AlterAction a;
        if (acceptWord("ADD")) {
            bool list = acceptOp("(");
            do {
                if (isConstraintStart()) {
                    a.kind = AlterAction::AddConstraint;
                    a.constraints.push_back(outOfLineConstraint());
                } else {
                    if (a.kind == AlterAction::AddConstraint && !a.constraints.empty() && a.columnDefs.empty())
                        a.kind = AlterAction::AddColumns;
                    a.columnDefs.push_back(columnDef(&a.constraints));
                }
            } while (list && acceptOp(","));
            if (!a.columnDefs.empty()) a.kind = AlterAction::AddColumns;
            if (list) expectOp(")");
        } else if (acceptWord("MODIFY")) {
            if (acceptWord("CONSTRAINT")) {
                a.names.push_back(identifier());
                if (acceptWord("ENABLE")) a.kind = AlterAction::EnableConstraint;
                else if (acceptWord("DISABLE")) a.kind = AlterAction::DisableConstraint;
                else throw oraError(3001, "unimplemented feature: MODIFY CONSTRAINT " + peek().text);
                acceptWord("VALIDATE") || acceptWord("NOVALIDATE");
                acceptWord("CASCADE");
            } else {
                a.kind = AlterAction::ModifyColumns;
                bool list = acceptOp("(");
                do {
                    // column-change: name [type] [DEFAULT expr] [[CONSTRAINT n] NOT NULL | NULL | inline]
                    ColumnDef c;
                    c.name = identifier();
                    if (isIdentifier() && !isWord("DEFAULT") && !isWord("NOT") && !isWord("NULL") &&
                        !isWord("CONSTRAINT") && !isWord("PRIMARY") && !isWord("UNIQUE") && !isWord("CHECK") &&
                        !isWord("REFERENCES"))
                        c.type = typeName(c);
                    int change = 0;
                    for (;;) {
                        if (acceptWord("DEFAULT")) {
                            std::size_t from = peek().pos;
                            c.defaultValue = additive();
                            c.defaultText = m_sql.substr(from, peek().pos - from);
                            while (!c.defaultText.empty() &&
                                   std::isspace(static_cast<unsigned char>(c.defaultText.back())))
                                c.defaultText.pop_back();
                            continue;
                        }
                        if (isWord("NULL") || (isWord("CONSTRAINT") && isWord("NULL", 2))) {
                            if (acceptWord("CONSTRAINT")) identifier();
                            ++m_i;
                            change = 2;
                            continue;
                        }
                        std::size_t before = a.constraints.size();
                        if (!inlineConstraint(c, a.constraints)) break;
                        if (a.constraints.size() > before && a.constraints.back().notNull) {
                            change = 1;
                            if (a.constraints.back().disabled) change = 0;
                        }
                    }
                    a.nullChange.push_back(change);
                    a.columnDefs.push_back(std::move(c));
                } while (list && acceptOp(","));
                if (list) expectOp(")");
            }
        } else if (acceptWord("DROP")) {
            if (acceptWord("COLUMN")) {
                a.kind = AlterAction::DropColumns;
                a.names.push_back(identifier());
            } else if (isOp("(")) {
                a.kind = AlterAction::DropColumns;
                a.names = nameList();
            } else if (acceptWord("CONSTRAINT")) {
                a.kind = AlterAction::DropConstraint;
                a.names.push_back(identifier());
            } else if (acceptWord("PRIMARY")) {
                expectWord("KEY");
                a.kind = AlterAction::DropConstraint;
                a.constraintKind = 'P';
            } else if (acceptWord("UNIQUE")) {
                a.kind = AlterAction::DropConstraint;
                a.constraintKind = 'U';
                a.names = nameList();
            } else {
                throw oraError(atEnd() ? 936 : 905);
            }
            if (acceptWord("CASCADE")) {
                acceptWord("CONSTRAINTS");
                a.cascade = true;
            }
            acceptWord("KEEP") && acceptWord("INDEX");
            acceptWord("DROP") && acceptWord("INDEX");
        } else if (acceptWord("RENAME")) {
            if (acceptWord("COLUMN")) {
                a.kind = AlterAction::RenameColumn;
                a.names.push_back(identifier());
                expectWord("TO");
                a.names.push_back(identifier());
            } else if (acceptWord("TO")) {
                a.kind = AlterAction::RenameTable;
                a.names.push_back(identifier());
            } else {
                throw oraError(3001, "unimplemented feature: ALTER TABLE RENAME " + peek().text);
            }
        } else if (isWord("ENABLE") || isWord("DISABLE")) {
            bool enable = isWord("ENABLE");
            ++m_i;
            acceptWord("VALIDATE") || acceptWord("NOVALIDATE");
            if (acceptWord("ALL")) {
                expectWord("TRIGGERS");
                a.kind = enable ? AlterAction::EnableConstraint : AlterAction::DisableConstraint;
                a.constraintKind = 'T';
            } else {
                a.kind = enable ? AlterAction::EnableConstraint : AlterAction::DisableConstraint;
                if (acceptWord("CONSTRAINT")) a.names.push_back(identifier());
                else if (acceptWord("PRIMARY")) { expectWord("KEY"); a.constraintKind = 'P'; }
                else if (acceptWord("UNIQUE")) { a.constraintKind = 'U'; a.names = nameList(); }
                else throw oraError(atEnd() ? 936 : 905);
                if (acceptWord("USING")) { expectWord("INDEX"); skipPhysicalAttributes(); }
                if (acceptWord("CASCADE")) a.cascade = true;
                acceptWord("KEEP") && acceptWord("INDEX");
            }
        } else if (isIdentifier() && physical.count(peek().text)) {
            ++m_i;
            while (!atEnd() && !isOp(";") && !isWord("ADD") && !isWord("MODIFY") && !isWord("DROP")) {
                if (isOp("(")) skipBalanced();
                else ++m_i;
            }
            continue;
        } else {
            throw oraError(3001, "unimplemented feature: ALTER TABLE " + peek().text);
        }
        st->actions.push_back(std::move(a));
    }
    endOfStatement();
    return st;
}

// sequence: (CREATE | ALTER) SEQUENCE name { START WITH n | INCREMENT BY n | MINVALUE n
//           | NOMINVALUE | MAXVALUE n | NOMAXVALUE | CACHE n | NOCACHE | CYCLE | NOCYCLE
//           | ORDER | NOORDER } | DROP SEQUENCE name
std::unique_ptr<Statement> Parser::sequenceStatement(Statement::Kind kind)
{
    m_i += 2;
    auto st = std::make_unique<Statement>();
    st->kind = kind;
    namedTable(st->table);
    SequenceOptions &o = st->sequence;
    while (kind != Statement::DropSequence && !atEnd() && !isOp(";")) {
        if (acceptWord("START")) {
            if (kind == Statement::AlterSequence) throw oraError(2283, "cannot alter starting sequence number");
            expectWord("WITH");
            o.hasStart = true;
            o.start = signedNumber();
        } else if (acceptWord("INCREMENT")) {
            expectWord("BY", 924);
            o.hasIncrement = true;
            o.increment = signedNumber();
            if (o.increment == 0) throw oraError(4002, "INCREMENT must be a non-zero integer");
        } else if (acceptWord("MINVALUE")) {
            o.hasMin = true;
            o.minValue = signedNumber();
        } else if (acceptWord("NOMINVALUE")) {
            o.noMin = true;
        } else if (acceptWord("MAXVALUE")) {
            o.hasMax = true;
            o.maxValue = signedNumber();
        } else if (acceptWord("NOMAXVALUE")) {
            o.noMax = true;
        } else if (acceptWord("CACHE")) {
            o.hasCache = true;
            o.cache = static_cast<long>(signedNumber());
            if (o.cache < 2) throw oraError(4010, "the number of values to CACHE must be greater than 1");
        } else if (acceptWord("NOCACHE")) {
            o.hasCache = true;
            o.cache = 0;
        } else if (acceptWord("CYCLE")) o.cycle = 1;
        else if (acceptWord("NOCYCLE")) o.cycle = 0;
        else if (acceptWord("ORDER")) o.order = 1;
        else if (acceptWord("NOORDER")) o.order = 0;
        else if (acceptWord("KEEP") || acceptWord("NOKEEP") || acceptWord("NOSCALE") || acceptWord("GLOBAL") ||
                 acceptWord("SESSION")) {}
        else throw oraError(933);
    }
    if (kind == Statement::AlterSequence && !o.hasIncrement && !o.hasMin && !o.hasMax && !o.hasCache &&
        !o.noMin && !o.noMax && o.cycle < 0 && o.order < 0)
        throw oraError(2286, "no options specified for ALTER SEQUENCE");
    endOfStatement();
    return st;
}

// comment: COMMENT ON (TABLE t | COLUMN t.c) IS 'text'
std::unique_ptr<Statement> Parser::commentStatement()
{
    m_i += 2;
    auto st = std::make_unique<Statement>();
    st->kind = Statement::Comment;
    if (acceptWord("TABLE")) {
        namedTable(st->table);
    } else if (acceptWord("COLUMN")) {
        std::vector<std::string> parts;
        parts.push_back(identifier());
        while (acceptOp(".")) parts.push_back(identifier());
        if (parts.size() < 2 || parts.size() > 3) throw oraError(904);
        st->identifier = parts.back();
        st->table.name = parts[parts.size() - 2];
        if (parts.size() == 3) st->table.schema = parts[0];
    } else {
        throw oraError(3001, "unimplemented feature: COMMENT ON " + (atEnd() ? std::string() : peek().text));
    }
    expectWord("IS", 905);
    if (peek().type != Token::String) throw oraError(atEnd() ? 936 : 1780, "string literal required");
    st->text = peek().text;
    ++m_i;
    endOfStatement();
    return st;
}

// alter-session: ALTER SESSION SET name = value { name = value }
std::unique_ptr<Statement> Parser::alterSession()
{
    m_i += 2;
    auto st = std::make_unique<Statement>();
    st->kind = Statement::AlterSession;
    if (!acceptWord("SET")) {
        if (atEnd()) throw oraError(2248, "invalid option for ALTER SESSION");
        throw oraError(3001, "unimplemented feature: ALTER SESSION " + peek().text);
    }
    do {
        if (!isIdentifier()) throw oraError(atEnd() ? 936 : 922, atEnd() ? std::string() : "missing or invalid option");
        std::string name = identifier();
        expectOp("=");
        std::string value;
        if (peek().type == Token::String || peek().type == Token::Number || isIdentifier()) {
            value = peek().text;
            ++m_i;
        } else if (isOp("-") && peek(1).type == Token::Number) {
            value = "-" + peek(1).text;
            m_i += 2;
        } else {
            throw oraError(atEnd() ? 936 : 922, atEnd() ? std::string() : "missing or invalid option");
        }
        st->settings.emplace_back(name, value);
    } while (isIdentifier());
    endOfStatement();
    if (st->settings.size() == 1 && st->settings[0].first == "CURRENT_SCHEMA") {
        st->kind = Statement::SetCurrentSchema;
        st->identifier = st->settings[0].second;
    }
    return st;
}

// Stored PL/SQL is not tokenized as SQL (its bodies use := and %TYPE): the words before
// the body are read directly from the text.
class WordScanner {
public:
    explicit WordScanner(const std::string &s) : m_s(s) {}
    void skipSpace()
    {
        for (;;) {
            while (m_i < m_s.size() && std::isspace(static_cast<unsigned char>(m_s[m_i]))) ++m_i;
            if (m_s.compare(m_i, 2, "--") == 0) {
                while (m_i < m_s.size() && m_s[m_i] != '\n') ++m_i;
            } else if (m_s.compare(m_i, 2, "/*") == 0) {
                auto end = m_s.find("*/", m_i + 2);
                m_i = end == std::string::npos ? m_s.size() : end + 2;
            } else {
                return;
            }
        }
    }
    // The next word upper-cased (or a quoted name as written), without moving.
    std::string peekWord(bool *quoted = nullptr)
    {
        std::size_t save = m_i;
        std::string w = word(quoted);
        m_i = save;
        return w;
    }
    std::string word(bool *quoted = nullptr)
    {
        skipSpace();
        if (quoted) *quoted = false;
        if (m_i < m_s.size() && m_s[m_i] == '"') {
            auto end = m_s.find('"', m_i + 1);
            if (end == std::string::npos) throw oraError(1740);
            std::string w = m_s.substr(m_i + 1, end - m_i - 1);
            m_i = end + 1;
            if (quoted) *quoted = true;
            return w;
        }
        std::string w;
        while (m_i < m_s.size() && (std::isalnum(static_cast<unsigned char>(m_s[m_i])) || m_s[m_i] == '_' ||
                                    m_s[m_i] == '$' || m_s[m_i] == '#'))
            w += static_cast<char>(std::toupper(static_cast<unsigned char>(m_s[m_i++])));
        return w;
    }
    bool accept(const char *w)
    {
        if (peekWord() != w) return false;
        word();
        return true;
    }
    bool acceptChar(char c)
    {
        skipSpace();
        if (m_i < m_s.size() && m_s[m_i] == c) {
            ++m_i;
            return true;
        }
        return false;
    }
    // [schema.]name
    void name(std::string &schema, std::string &name)
    {
        name = word();
        if (name.empty()) throw oraError(m_i >= m_s.size() ? 936 : 904);
        if (acceptChar('.')) {
            schema = name;
            name = word();
            if (name.empty()) throw oraError(904);
        }
    }
    std::size_t pos() const { return m_i; }
    void setPos(std::size_t p) { m_i = p; }
    bool atEnd()
    {
        skipSpace();
        return m_i >= m_s.size() || m_s[m_i] == ';';
    }

private:
    const std::string &m_s;
    std::size_t m_i = 0;
};

// The source as Oracle keeps it: from the object kind on, without the "/" line that ends
// it in a script, each line with its line end.
std::string storedSource(const std::string &sql, std::size_t from)
{
    std::string text = sql.substr(from);
    while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
    if (!text.empty() && text.back() == '/') {
        std::size_t nl = text.find_last_of('\n');
        std::string lastLine = nl == std::string::npos ? text : text.substr(nl + 1);
        if (lastLine.find_first_not_of(" \t\r/") == std::string::npos) {
            text = nl == std::string::npos ? std::string() : text.substr(0, nl);
            while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
        }
    }
    return text;
}

// create-stored: CREATE [OR REPLACE] [EDITIONABLE | NONEDITIONABLE]
//     (PROCEDURE | FUNCTION | PACKAGE [BODY] | TRIGGER | TYPE [BODY]) [schema.]name ...
// drop-stored: DROP (PROCEDURE | FUNCTION | PACKAGE [BODY] | TRIGGER | TYPE [BODY]) [schema.]name [FORCE]
// Returns nullptr for any other statement.
std::unique_ptr<Statement> storedObjectStatement(const std::string &sql)
{
    WordScanner w(sql);
    std::string verb = w.word();
    if (verb != "CREATE" && verb != "DROP") return nullptr;
    auto st = std::make_unique<Statement>();
    if (verb == "CREATE" && w.accept("OR")) {
        if (!w.accept("REPLACE")) return nullptr;
        st->orReplace = true;
    }
    if (verb == "CREATE") w.accept("EDITIONABLE") || w.accept("NONEDITIONABLE");
    w.skipSpace();
    std::size_t kindPos = w.pos();
    std::string kind = w.word();
    if (kind != "PROCEDURE" && kind != "FUNCTION" && kind != "PACKAGE" && kind != "TRIGGER" && kind != "TYPE")
        return nullptr;
    if ((kind == "PACKAGE" || kind == "TYPE") && w.accept("BODY")) kind += " BODY";
    st->objectType = kind;
    w.name(st->table.schema, st->table.name);
    if (verb == "DROP") {
        st->kind = Statement::DropStored;
        w.accept("FORCE") || w.accept("VALIDATE");
        if (!w.atEnd()) throw oraError(933);
        return st;
    }
    st->kind = Statement::CreateStored;
    st->text = storedSource(sql, kindPos);
    if (kind == "TRIGGER") {
        // BEFORE | AFTER | INSTEAD OF  event {OR event} ON [schema.]table
        std::string timing = w.word();
        if (timing == "INSTEAD") {
            if (!w.accept("OF")) throw oraError(969);
            timing = "INSTEAD OF";
        }
        if (timing != "BEFORE" && timing != "AFTER" && timing != "INSTEAD OF") throw oraError(4079, "invalid trigger: BEFORE, AFTER or INSTEAD OF and FOR EACH ROW expected");
        std::string events;
        for (;;) {
            std::string e = w.word();
            if (e != "INSERT" && e != "UPDATE" && e != "DELETE")
                throw oraError(3001, "unimplemented feature: " + (e.empty() ? std::string("trigger event") : e) + " trigger");
            events += (events.empty() ? "" : " OR ") + e;
            if (e == "UPDATE" && w.accept("OF")) {
                std::string cols;
                do { cols += (cols.empty() ? "" : ",") + w.word(); } while (w.acceptChar(','));
                events += " OF " + cols;
            }
            if (!w.accept("OR")) break;
        }
        if (!w.accept("ON")) throw oraError(969);
        std::string schema, table;
        w.name(schema, table);
        st->target.schema = schema;
        st->target.name = table;
        std::string level = "STATEMENT";
        std::size_t save = w.pos();
        if (w.accept("REFERENCING")) {
            while (w.accept("NEW") || w.accept("OLD") || w.accept("PARENT")) {
                w.accept("AS");
                w.word();
            }
        } else {
            w.setPos(save);
        }
        if (w.accept("FOR")) {
            if (!w.accept("EACH") || !w.accept("ROW")) throw oraError(4079, "invalid trigger: BEFORE, AFTER or INSTEAD OF and FOR EACH ROW expected");
            level = "EACH ROW";
        }
        st->triggerTiming = timing + " " + level;
        st->triggerEvents = events;
        // FOLLOWS/PRECEDES/WHEN and DISABLE come before the body.
        for (;;) {
            std::string next = w.peekWord();
            if (next == "DISABLE") {
                w.word();
                st->disabled = true;
            } else if (next == "ENABLE") {
                w.word();
            } else {
                break;
            }
        }
    }
    return st;
}

} // namespace

// The feature a statement no handler runs would need, when it is valid Oracle SQL that
// this instance does not implement: "MERGE", "CREATE MATERIALIZED VIEW", ... Empty when the
// statement is not one Oracle knows either.
std::string unimplementedFeature(const std::string &sql)
{
    WordScanner w(sql);
    std::string verb = w.word();
    static const std::set<std::string> verbs = {
        "MERGE", "CALL", "LOCK", "ANALYZE", "AUDIT", "NOAUDIT", "FLASHBACK", "PURGE", "ASSOCIATE",
        "DISASSOCIATE", "EXEC", "EXECUTE", "SET", "ADMINISTER", "SHUTDOWN", "STARTUP"};
    static const std::set<std::string> kinds = {
        "CLUSTER", "CONTEXT", "CONTROLFILE", "DATABASE", "DIMENSION", "DIRECTORY", "DISKGROUP",
        "EDITION", "FLASHBACK", "INDEXTYPE", "JAVA", "LIBRARY", "MATERIALIZED", "OPERATOR", "OUTLINE",
        "PFILE", "PROFILE", "RESOURCE", "SCHEMA", "SPFILE", "GLOBAL", "PRIVATE", "BITMAP", "INDEX",
        "VIEW", "TABLE", "SEQUENCE", "SYNONYM", "AUDIT", "LOCKDOWN", "PLUGGABLE", "RESTORE", "ROLE",
        "ANALYTIC", "ATTRIBUTE", "HIERARCHY", "SHARED", "PUBLIC", "TYPE", "TRIGGER", "PROCEDURE",
        "FUNCTION", "PACKAGE", "SESSION", "SYSTEM", "USER", "TABLESPACE", "ROLLBACK", "MINING",
        "UNIQUE", "OR"};
    if (verbs.count(verb)) {
        std::string next = w.peekWord();
        if (verb == "LOCK" || verb == "SET" || verb == "ASSOCIATE" || verb == "DISASSOCIATE") verb += " " + next;
        if (verb == "EXEC") verb = "EXECUTE";
        return verb;
    }
    if (verb == "CREATE" || verb == "ALTER" || verb == "DROP") {
        std::string out = verb;
        std::string next = w.word();
        if (!kinds.count(next)) return std::string();
        if (next == "OR") {                      // CREATE OR REPLACE <kind>
            if (w.word() != "REPLACE") return std::string();
            next = w.word();
            if (!kinds.count(next)) return std::string();
        }
        out += " " + next;
        // Kinds named by more than one word.
        static const std::map<std::string, std::set<std::string>> followers = {
            {"MATERIALIZED", {"VIEW"}}, {"GLOBAL", {"TEMPORARY"}}, {"PRIVATE", {"TEMPORARY"}},
            {"TEMPORARY", {"TABLE", "TABLESPACE"}}, {"DATABASE", {"LINK"}}, {"PUBLIC", {"DATABASE", "SYNONYM", "ROLLBACK"}},
            {"BITMAP", {"INDEX"}}, {"UNIQUE", {"INDEX"}}, {"PLUGGABLE", {"DATABASE"}}, {"RESOURCE", {"COST"}},
            {"JAVA", {"SOURCE", "CLASS", "RESOURCE"}}, {"FLASHBACK", {"ARCHIVE"}}, {"ANALYTIC", {"VIEW"}},
            {"VIEW", {"LOG"}}, {"ROLLBACK", {"SEGMENT"}}, {"LINK", {}}};
        for (std::string last = next;;) {
            auto f = followers.find(last);
            if (f == followers.end()) break;
            std::string more = w.peekWord();
            if (!f->second.count(more)) break;
            w.word();
            out += " " + more;
            last = more;
        }
        return out;
    }
    return std::string();
}

std::unique_ptr<Statement> parseStatement(const std::string &sql)
{
    if (auto stored = storedObjectStatement(sql)) return stored;
    Parser p(sql);
    return p.statement();
}

} // namespace sim
