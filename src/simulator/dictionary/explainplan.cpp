// EXPLAIN PLAN [SET STATEMENT_ID = 'id'] [INTO [schema.]table] FOR statement
//
// The plan is derived from how the instance really runs the statement: the query is
// translated to SQLite, SQLite's EXPLAIN QUERY PLAN says which tables it scans, which
// indexes it searches and where it sorts, and those steps become Oracle plan rows:
//   SCAN t                     TABLE ACCESS FULL t
//   SEARCH t USING INDEX i     TABLE ACCESS BY INDEX ROWID t / INDEX UNIQUE|RANGE SCAN i
//   SEARCH t USING COVERING    INDEX UNIQUE|RANGE SCAN i
//   SCAN t USING INDEX i       TABLE ACCESS BY INDEX ROWID t / INDEX FULL SCAN i
//   automatic index            the join becomes a HASH JOIN, else NESTED LOOPS
//   TEMP B-TREE FOR ORDER BY   SORT ORDER BY (GROUP BY: SORT GROUP BY, DISTINCT: SORT UNIQUE)
// Tables of the fixed X$ kind appear as FIXED TABLE FULL. Costs follow the tables'
// sizes; the statement row (id 0) carries the total cost in COST and POSITION.
#include "ddllexer.h"
#include "dictionary.h"

#include "simerror.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <map>
#include <memory>

namespace sim::dictionary {

namespace {

struct PlanNode {
    std::string operation, options, owner, name, objectType;
    double cost = 1, cardinality = 1, bytes = 0;
    std::vector<std::unique_ptr<PlanNode>> children;
};
using NodeP = std::unique_ptr<PlanNode>;

NodeP node(std::string op, std::string options = {})
{
    auto n = std::make_unique<PlanNode>();
    n->operation = std::move(op);
    n->options = std::move(options);
    return n;
}

struct EqpRow {
    int id = 0, parent = 0;
    std::string detail;
};

bool startsWith(const std::string &s, const char *p) { return s.rfind(p, 0) == 0; }

class Planner {
public:
    Planner(Dictionary &dict, const std::string &sqlite) : m_dict(dict), m_sqlite(sqlite) { mapAliases(); }

    NodeP plan(const std::string &oracleText)
    {
        auto rows = m_dict.rows("EXPLAIN QUERY PLAN " + m_sqlite);
        for (const auto &r : rows) m_rows.push_back({static_cast<int>(r[0].number), static_cast<int>(r[1].number), r[3].text});
        NodeP body = block(0);
        DdlParser p(oracleText);
        bool groupBy = false, aggregate = false;
        int depth = 0;
        for (std::size_t k = 0; p.peek(k).kind != DdlToken::End; ++k) {
            const DdlToken &t = p.peek(k);
            if (t.kind == DdlToken::Op && t.text == "(") ++depth;
            if (t.kind == DdlToken::Op && t.text == ")") --depth;
            if (depth == 0 && t.kind == DdlToken::Word && t.text == "GROUP" && p.isWord("BY", k + 1)) groupBy = true;
            if (depth == 0 && t.kind == DdlToken::Word && p.isOp('(', k + 1) &&
                (t.text == "SUM" || t.text == "COUNT" || t.text == "MAX" || t.text == "MIN" || t.text == "AVG"))
                aggregate = true;
        }
        if (aggregate && !groupBy && !m_sortGroup) body = wrap("SORT", "AGGREGATE", std::move(body), 1);
        return body;
    }

private:
    // The plan of the EXPLAIN QUERY PLAN rows under `parent`.
    NodeP block(int parent)
    {
        std::vector<NodeP> access;
        std::vector<bool> hashed;
        std::vector<NodeP> subqueries;
        bool sortOrder = false, sortGroup = false, sortUnique = false;
        NodeP compound;
        for (const auto &r : m_rows) {
            if (r.parent != parent) continue;
            const std::string &d = r.detail;
            if (startsWith(d, "SCAN CONSTANT ROW")) {
                access.push_back(node("FAST DUAL"));
                hashed.push_back(false);
            } else if (startsWith(d, "SCAN ") || startsWith(d, "SEARCH ")) {
                bool automatic = d.find("AUTOMATIC") != std::string::npos;
                access.push_back(tableAccess(d));
                hashed.push_back(automatic);
            } else if (startsWith(d, "USE TEMP B-TREE FOR ORDER BY") || startsWith(d, "USE TEMP B-TREE FOR RIGHT PART OF ORDER BY") ||
                       startsWith(d, "USE TEMP B-TREE FOR LAST")) {
                sortOrder = true;
            } else if (startsWith(d, "USE TEMP B-TREE FOR GROUP BY")) {
                sortGroup = true;
            } else if (startsWith(d, "USE TEMP B-TREE FOR DISTINCT")) {
                sortUnique = true;
            } else if (startsWith(d, "COMPOUND QUERY") || startsWith(d, "MERGE")) {
                compound = compoundPlan(r.id);
            } else if (startsWith(d, "CO-ROUTINE") || startsWith(d, "MATERIALIZE")) {
                auto v = node("VIEW");
                v->children.push_back(block(r.id));
                v->cost = v->children[0]->cost;
                v->cardinality = v->children[0]->cardinality;
                access.push_back(std::move(v));
                hashed.push_back(false);
            } else if (d.find("SUBQUERY") != std::string::npos) {
                subqueries.push_back(block(r.id));
            }
        }
        NodeP body;
        if (compound) body = std::move(compound);
        for (std::size_t k = 0; k < access.size(); ++k) {
            if (!body) {
                body = std::move(access[k]);
                continue;
            }
            NodeP join = node(hashed[k] ? "HASH JOIN" : "NESTED LOOPS");
            double outerCard = body->cardinality, outerCost = body->cost;
            double innerCost = access[k]->cost, innerCard = access[k]->cardinality;
            join->cost = hashed[k] ? outerCost + innerCost + 1 : outerCost + std::max(1.0, outerCard) * innerCost;
            join->cardinality = std::max(1.0, hashed[k] ? std::max(outerCard, innerCard) : outerCard * std::max(1.0, innerCard / 10));
            join->children.push_back(std::move(body));
            join->children.push_back(std::move(access[k]));
            body = std::move(join);
        }
        if (!body) body = node("FAST DUAL");
        if (!subqueries.empty()) {
            NodeP filter = node("FILTER");
            filter->cost = body->cost;
            filter->cardinality = body->cardinality;
            filter->children.push_back(std::move(body));
            for (auto &s : subqueries) {
                filter->cost += s->cost;
                filter->children.push_back(std::move(s));
            }
            body = std::move(filter);
        }
        if (sortGroup) {
            m_sortGroup = true;
            body = wrap("SORT", "GROUP BY", std::move(body), 1);
        }
        if (sortUnique) body = wrap("SORT", "UNIQUE", std::move(body), 1);
        if (sortOrder) body = wrap("SORT", "ORDER BY", std::move(body), 1);
        return body;
    }

    NodeP compoundPlan(int id)
    {
        std::vector<NodeP> parts;
        std::string op = "UNION-ALL";
        bool unique = false;
        for (const auto &r : m_rows) {
            if (r.parent != id) continue;
            if (r.detail.find("UNION ALL") != std::string::npos) op = "UNION-ALL";
            else if (r.detail.find("UNION") != std::string::npos) unique = true;
            else if (r.detail.find("EXCEPT") != std::string::npos) op = "MINUS";
            else if (r.detail.find("INTERSECT") != std::string::npos) op = "INTERSECTION";
            parts.push_back(block(r.id));
        }
        NodeP n = node(op);
        for (auto &p : parts) {
            n->cost += p->cost;
            n->cardinality += p->cardinality;
            n->children.push_back(std::move(p));
        }
        if (unique && op == "UNION-ALL") return wrap("SORT", "UNIQUE", std::move(n), 1);
        if (op == "MINUS" || op == "INTERSECTION") {
            for (auto &c : n->children) c = wrap("SORT", "UNIQUE", std::move(c), 1);
        }
        return n;
    }

    static NodeP wrap(const char *op, const char *options, NodeP child, double extra)
    {
        NodeP n = node(op, options);
        n->cardinality = child->cardinality;
        n->cost = child->cost + extra + std::floor(child->cardinality / 200);
        n->children.push_back(std::move(child));
        return n;
    }

    // SCAN/SEARCH detail -> table (and index) access.
    NodeP tableAccess(const std::string &detail)
    {
        bool search = startsWith(detail, "SEARCH");
        // The name may contain dots (storage names): it runs up to " USING", " (" or the end.
        std::string alias;
        std::size_t nameStart = detail.find(' ') + 1;
        std::size_t using_ = detail.find(" USING ", nameStart);
        std::size_t nameEnd = using_ == std::string::npos ? detail.find(" (", nameStart) : using_;
        if (nameEnd == std::string::npos) nameEnd = detail.size();
        alias = detail.substr(nameStart, nameEnd - nameStart);
        auto as = alias.find(" AS ");
        if (as != std::string::npos) alias = alias.substr(0, as);
        std::string storage = m_aliases.count(alias) ? m_aliases[alias] : alias;
        auto [owner, name] = split(storage);
        bool fixed = startsWith(name, "X$");
        double rowsCount = count(storage);
        double blocks = segmentBlocks(owner, name, rowsCount);

        NodeP table = node(fixed ? "FIXED TABLE" : "TABLE ACCESS", "FULL");
        table->owner = owner;
        table->name = name;
        table->objectType = fixed ? "" : "TABLE";
        table->cardinality = std::max(1.0, rowsCount);
        table->cost = std::max(2.0, std::ceil(blocks / 16) + 1);

        std::string rest = using_ == std::string::npos ? std::string() : detail.substr(using_ + 7);
        if (rest.empty() || startsWith(rest, "AUTOMATIC")) return table;
        if (startsWith(rest, "INTEGER PRIMARY KEY") || startsWith(rest, "ROWID")) {
            table->options = "BY USER ROWID";
            table->cost = 1;
            table->cardinality = 1;
            return table;
        }
        bool covering = startsWith(rest, "COVERING INDEX ");
        std::size_t idxStart = rest.find("INDEX ") + 6;
        std::size_t idxEnd = rest.find(" (", idxStart);
        std::string indexStorage = rest.substr(idxStart, idxEnd == std::string::npos ? std::string::npos : idxEnd - idxStart);
        std::string cond = idxEnd == std::string::npos ? std::string() : rest.substr(idxEnd + 2);
        auto [iowner, iname] = split(indexStorage);
        bool unique = false;
        long indexColumns = 0;
        for (const auto &r : m_dict.rows("SELECT \"unique\" FROM pragma_index_list(?) WHERE name = ?", {storage, indexStorage}))
            unique = r[0].number != 0;
        indexColumns = static_cast<long>(m_dict.scalar("SELECT count(*) FROM pragma_index_info(?)", {indexStorage}).number);
        long equalities = 0;
        for (std::size_t k = cond.find("=?"); k != std::string::npos; k = cond.find("=?", k + 2)) ++equalities;

        NodeP index = node("INDEX");
        index->owner = iowner;
        index->name = iname;
        index->objectType = unique ? "INDEX (UNIQUE)" : "INDEX";
        if (fixed) {
            table->options = "FIXED INDEX";
            return table;
        }
        if (!search) {
            index->options = covering ? "FAST FULL SCAN" : "FULL SCAN";
            index->cardinality = table->cardinality;
            index->cost = std::max(1.0, std::ceil(table->cardinality / 100));
        } else if (unique && equalities >= indexColumns) {
            index->options = "UNIQUE SCAN";
            index->cardinality = 1;
            index->cost = 1;
        } else {
            index->options = "RANGE SCAN";
            index->cardinality = std::max(1.0, std::ceil(table->cardinality / 5));
            index->cost = 1 + std::ceil(index->cardinality / 50);
        }
        if (covering) return index;
        table->options = "BY INDEX ROWID";
        table->cardinality = index->cardinality;
        table->cost = index->cost + std::ceil(index->cardinality / 2);
        table->children.push_back(std::move(index));
        return table;
    }

    std::pair<std::string, std::string> split(const std::string &storage) const
    {
        auto dot = storage.find('.');
        if (dot == std::string::npos) return {"", storage};
        return {storage.substr(0, dot), storage.substr(dot + 1)};
    }

    double count(const std::string &storage)
    {
        try {
            return m_dict.scalar("SELECT count(*) FROM \"" + storage + "\"").number;
        } catch (const SimError &) {
            return 100;
        }
    }

    double segmentBlocks(const std::string &owner, const std::string &name, double rowsCount)
    {
        Value b = m_dict.scalar("SELECT BLOCKS FROM " + m_dict.table("SYS", "SEG$") +
                                    " WHERE OWNER = ? AND SEGMENT_NAME = ? AND SEGMENT_TYPE IN ('TABLE', 'CLUSTER')",
                                {owner, name});
        return b.null ? std::max(1.0, std::ceil(rowsCount / 40)) : b.number;
    }

    // Aliases of the translated query: "OWNER.NAME" [AS] "ALIAS".
    void mapAliases()
    {
        std::vector<DdlToken> t;
        try {
            t = lexDdl(m_sqlite);
        } catch (const SimError &) {
            return;
        }
        for (std::size_t k = 0; k + 1 < t.size(); ++k) {
            if (t[k].kind != DdlToken::Quoted || t[k].text.find('.') == std::string::npos) continue;
            std::size_t a = k + 1;
            if (t[a].kind == DdlToken::Word && t[a].text == "AS") ++a;
            if (a < t.size() && (t[a].kind == DdlToken::Quoted || (t[a].kind == DdlToken::Word && t[a].text != "WHERE" &&
                                                                   t[a].text != "ON" && t[a].text != "JOIN" &&
                                                                   t[a].text != "LEFT" && t[a].text != "ORDER" &&
                                                                   t[a].text != "GROUP" && t[a].text != "CROSS")))
                m_aliases[t[a].text] = t[k].text;
        }
    }

    Dictionary &m_dict;
    std::string m_sqlite;
    std::vector<EqpRow> m_rows;
    std::map<std::string, std::string> m_aliases;
    bool m_sortGroup = false;
};

struct PlanRow {
    int id, parent, position;
    const PlanNode *node;
};

void flatten(const PlanNode &n, int parent, int position, std::vector<PlanRow> &out)
{
    int id = static_cast<int>(out.size());
    out.push_back({id, parent, position, &n});
    int k = 1;
    for (const auto &c : n.children) flatten(*c, id, k++, out);
}

std::string upperWord(std::string s)
{
    for (auto &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

} // namespace

bool handleExplainPlan(Dictionary &dict, SessionContext &session, const std::string &sql, long &rowsProcessed)
{
    DdlParser p(sql);
    if (!p.isWord("EXPLAIN")) return false;
    p.expectWord("EXPLAIN");
    p.expectWord("PLAN", 905);
    std::string statementId;
    bool hasId = false;
    if (p.acceptWord("SET")) {
        p.expectWord("STATEMENT_ID", 905);
        p.expectOp('=', 905);
        statementId = p.string(1780);
        hasId = true;
    }
    std::string intoOwner, intoName = "PLAN_TABLE";
    bool into = false;
    if (p.acceptWord("INTO")) {
        into = true;
        intoName = p.identifier(903);
        if (p.acceptOp('.')) {
            intoOwner = intoName;
            intoName = p.identifier(903);
        }
        if (p.acceptOp('@')) throw oraError(2019);
    }
    p.expectWord("FOR", 905);
    std::string text = sql.substr(p.peek().pos);
    while (!text.empty() && (std::isspace(static_cast<unsigned char>(text.back())) || text.back() == ';')) text.pop_back();
    if (text.empty()) throw oraError(900);

    // Where the rows go: the named table, else PLAN_TABLE in the current schema, else the
    // PUBLIC synonym's table.
    std::string schema = session.currentSchema();
    std::string owner = intoOwner.empty() ? schema : intoOwner, name = intoName;
    auto isTable = [&](const std::string &o, const std::string &n) {
        return !dict.rows("SELECT 1 FROM SIM_OBJECTS WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = 'TABLE'", {o, n}).empty();
    };
    if (!isTable(owner, name)) {
        bool found = false;
        if (intoOwner.empty()) {
            for (const std::string &synOwner : {schema, std::string("PUBLIC")}) {
                auto target = dict.row("SELECT TABLE_OWNER, TABLE_NAME FROM SIM_SYNONYMS WHERE OWNER = ? AND SYNONYM_NAME = ?",
                                       {synOwner, name});
                if (target && isTable((*target)[0].text, (*target)[1].text)) {
                    owner = (*target)[0].text;
                    name = (*target)[1].text;
                    found = true;
                    break;
                }
            }
        }
        if (!found) {
            if (!into || intoName == "PLAN_TABLE") throw oraError(2402, "PLAN_TABLE not found");
            throw oraError(942);
        }
    }

    // The statement's own plan.
    DdlParser s(text);
    std::string kind = upperWord(s.peek().text);
    std::string query, rootOp, targetOwner, targetName;
    if (kind == "SELECT" || kind == "WITH" || s.isOp('(')) {
        query = text;
        rootOp = "SELECT STATEMENT";
    } else if (kind == "UPDATE" || kind == "DELETE") {
        s.identifier();
        if (kind == "DELETE") s.acceptWord("FROM");
        std::size_t tableStart = s.peek().pos;
        targetName = s.identifier(903);
        if (s.acceptOp('.')) {
            targetOwner = targetName;
            targetName = s.identifier(903);
        }
        std::size_t tableEnd = s.peek().pos;
        std::string alias;
        if (s.peek().kind == DdlToken::Word && !s.isWord("SET") && !s.isWord("WHERE")) alias = s.identifier();
        std::string where;
        int depth = 0;
        for (std::size_t k = 0; s.peek(k).kind != DdlToken::End; ++k) {
            const DdlToken &t = s.peek(k);
            if (t.kind == DdlToken::Op && t.text == "(") ++depth;
            if (t.kind == DdlToken::Op && t.text == ")") --depth;
            if (depth == 0 && t.kind == DdlToken::Word && t.text == "WHERE") {
                where = text.substr(t.pos);
                break;
            }
        }
        query = "SELECT 1 FROM " + text.substr(tableStart, tableEnd - tableStart) + (alias.empty() ? "" : " " + alias) +
                (where.empty() ? "" : " " + where);
        rootOp = kind + " STATEMENT";
    } else if (kind == "INSERT") {
        s.identifier();
        s.expectWord("INTO", 925);
        targetName = s.identifier(903);
        if (s.acceptOp('.')) {
            targetOwner = targetName;
            targetName = s.identifier(903);
        }
        if (s.acceptOp('(')) {
            int depth = 1;
            while (depth > 0 && s.peek().kind != DdlToken::End) {
                if (s.isOp('(')) ++depth;
                if (s.isOp(')')) --depth;
                s.advance();
            }
        }
        if (s.isWord("SELECT") || s.isOp('(')) query = text.substr(s.peek().pos);
        rootOp = "INSERT STATEMENT";
    } else {
        throw oraError(905);
    }

    NodeP body;
    if (!query.empty()) {
        std::string sqlite = session.translateQuery(query);
        Planner planner(dict, sqlite);
        body = planner.plan(query);
    }
    if (!targetName.empty()) {
        std::string op = kind;
        NodeP dml = node(op);
        dml->owner = targetOwner.empty() ? schema : targetOwner;
        dml->name = targetName;
        if (body) {
            dml->cost = body->cost;
            dml->cardinality = body->cardinality;
            dml->children.push_back(std::move(body));
        }
        body = std::move(dml);
    }
    NodeP root = node(rootOp);
    root->cost = body ? body->cost : 1;
    root->cardinality = body ? body->cardinality : 1;
    if (body) root->children.push_back(std::move(body));

    std::vector<PlanRow> rows;
    flatten(*root, -1, 0, rows);
    std::string insert = "INSERT INTO " + dict.table(owner, name) +
                         " (\"STATEMENT_ID\", \"TIMESTAMP\", \"OPERATION\", \"OPTIONS\", \"OBJECT_OWNER\", \"OBJECT_NAME\", "
                         "\"OBJECT_INSTANCE\", \"OBJECT_TYPE\", \"OPTIMIZER\", \"ID\", \"PARENT_ID\", \"POSITION\", \"COST\", "
                         "\"CARDINALITY\", \"BYTES\", \"IO_COST\") VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";
    std::time_t t = static_cast<std::time_t>(dict.now());
    std::tm tm{};
    gmtime_r(&t, &tm);
    char stamp[80];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    int instance = 0;
    for (const PlanRow &r : rows) {
        const PlanNode &n = *r.node;
        using P = Dictionary::Param;
        long long cost = static_cast<long long>(std::ceil(n.cost));
        long long card = static_cast<long long>(std::ceil(n.cardinality));
        dict.exec(insert, {hasId ? P(statementId) : P(), P(std::string(stamp)), P(n.operation),
                           n.options.empty() ? P() : P(n.options), n.owner.empty() ? P() : P(n.owner),
                           n.name.empty() ? P() : P(n.name),
                           n.objectType == "TABLE" ? P(++instance) : P(),
                           n.objectType.empty() ? P() : P(n.objectType), r.id == 0 ? P("CHOOSE") : P("ANALYZED"),
                           P(r.id), r.parent < 0 ? P() : P(r.parent), r.id == 0 ? P(cost) : P(r.position), P(cost),
                           P(card), P(card * 40), P(cost)});
    }
    rowsProcessed = 0;
    return true;
}

} // namespace sim::dictionary
