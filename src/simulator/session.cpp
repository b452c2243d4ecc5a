#include "instance.h"
#include "parser.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace sim {

namespace {

std::string upper(std::string s)
{
    for (auto &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

struct CollectSink : RowSink {
    std::vector<std::string> names;
    std::vector<CellView> first;
    std::vector<std::string> texts;
    long rows = 0;
    void columns(const std::vector<std::string> &n) override { names = n; }
    void row(const CellView *cells, std::size_t count) override
    {
        if (rows++ == 0) {
            first.assign(cells, cells + count);
            texts.clear();
            for (std::size_t i = 0; i < count; ++i)
                texts.emplace_back(cells[i].text ? std::string(cells[i].text, cells[i].size) : std::string());
        }
    }
};

struct CountSink : RowSink {
    long rows = 0;
    void columns(const std::vector<std::string> &) override {}
    void row(const CellView *, std::size_t) override { ++rows; }
};

// No one runs the statement: Oracle names the command it could not make sense of.
SimError unknownStatement(const std::string &sql)
{
    std::size_t i = sql.find_first_not_of(" \t\r\n(");
    std::string word;
    while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i])))
        word += static_cast<char>(std::toupper(static_cast<unsigned char>(sql[i++])));
    std::string feature = unimplementedFeature(sql);
    if (!feature.empty()) return oraError(3001, "unimplemented feature: " + feature);
    if (word == "CREATE") return oraError(901);
    if (word == "ALTER") return oraError(940, "invalid ALTER command");
    if (word == "DROP") return oraError(950, "invalid DROP option");
    return oraError(900);
}

// Errors found while compiling a block's statement (names, syntax) as opposed to
// errors raised while it runs.
bool compileError(int code)
{
    return code == 942 || code == 1031 || code == 904 || code == 918 || code == 909 || code == 1788 || code == 980 ||
           (code >= 900 && code <= 999 && code != 913 && code != 947);
}

} // namespace

Session::Session(Instance &instance, std::string user, long sid, bool dba, std::vector<std::string> roles)
    : m_instance(instance), m_user(std::move(user)), m_schema(m_user), m_sid(sid), m_dba(dba)
{
    m_grantees = {m_user, "PUBLIC"};
    m_grantees.insert(m_grantees.end(), roles.begin(), roles.end());
    // Two sessions of one user share translations only when they hold the same roles.
    m_cacheTag = m_user;
    if (m_dba) m_cacheTag += "\x1d*";
    else
        for (const std::string &r : roles) m_cacheTag += "\x1d" + r;
}

Session::~Session() = default;

void Session::drop()
{
    if (m_dropped || m_closed) return;
    m_dropped = true;
    if (m_instance.inTransaction() && !m_instance.scriptMode) {
        try { m_instance.rollback(); } catch (...) {}
    }
    m_instance.detach(this);
}

void Session::close()
{
    if (m_closed) return;
    if (!m_dropped) {
        // A normal logoff commits the open transaction.
        try { m_instance.commit(); } catch (...) {}
        m_instance.detach(this);
    }
    m_closed = true;
}

void Session::enter(const std::string &sql)
{
    if (m_closed) throw oraError(3114);
    if (m_dropped) {
        if (!m_dropReported) {
            m_dropReported = true;
            throw oraError(3113);
        }
        throw oraError(3114);
    }
    m_instance.log(sql, *this);
    SimError fault(0, "");
    if (m_instance.takeFault(fault)) throw fault;
    m_instance.current = this;
    for (auto &hook : m_instance.hooks()) hook(*this);
}

void Session::query(const std::string &sql, RowSink &sink)
{
    enter(sql);
    statement(sql, &sink, false);
}

long Session::run(const std::string &sql)
{
    enter(sql);
    return statement(sql, nullptr, false);
}

long Session::execute(const std::string &oracleSql)
{
    Session *was = m_instance.current;
    m_instance.current = this;
    try {
        long r = statement(oracleSql, nullptr, true);
        m_instance.current = was;
        return r;
    } catch (...) {
        m_instance.current = was;
        throw;
    }
}

std::string Session::translateQuery(const std::string &oracleSelect)
{
    auto st = parseStatement(oracleSelect);
    if (!st || st->kind != ast::Statement::Query) throw oraError(928);
    Translator tr(catalog(), m_schema);
    return tr.query(*st->select).sql;
}

long Session::statement(const std::string &sql, RowSink *sink, bool nested)
{
    m_instance.current = this;
    const std::string key = m_cacheTag + '\x1e' + m_schema + (m_instance.scriptMode ? "\x1es" : "\x1e") + sql;
    if (auto p = m_instance.cached(key)) {
        if (p->kind == PreparedStatement::Query) {
            if (sink) {
                runQuery(p->sqlite, *sink);
                return 0;
            }
            CountSink count;
            runQuery(p->sqlite, count);
            return 0;
        }
        m_instance.begin(this);
        return runDml(p->sqlite);
    }
    std::unique_ptr<ast::Statement> st = parseStatement(sql);
    if (!st) {
        long rows = 0;
        for (auto &handler : m_instance.handlers())
            if (handler(*this, sql, rows)) return rows;
        throw unknownStatement(sql);
    }
    if (st->kind == ast::Statement::Block) {
        std::vector<BindValue> none;
        runBlock(sql, *st, none);
        return 1;
    }
    auto p = std::make_shared<PreparedStatement>();
    Translator tr(catalog(), m_schema, !m_instance.scriptMode);
    switch (st->kind) {
    case ast::Statement::Query: {
        QueryTranslation t = tr.query(*st->select);
        if (!t.into.empty()) throw oraError(905);
        p->kind = PreparedStatement::Query;
        p->sqlite = std::move(t.sql);
        m_instance.cache(key, p);
        if (sink) runQuery(p->sqlite, *sink);
        else {
            CountSink count;
            runQuery(p->sqlite, count);
        }
        return 0;
    }
    case ast::Statement::Insert:
    case ast::Statement::Update:
    case ast::Statement::Delete: {
        ResolvedTable r = m_instance.resolve(st->table.schema, st->table.name, m_schema);
        checkDml(r, st->kind);
        if (r.type != "TABLE") throw oraError(1732, "data manipulation operation not legal on this view");
        if (m_instance.hasTriggers()) {
            std::vector<std::string> set;
            for (auto &c : st->sets) set.push_back(c.first);
            for (auto &rs : st->rowSets) set.insert(set.end(), rs.first.begin(), rs.first.end());
            checkTriggers(r.owner, r.name, st->kind, set);
        }
        st->table.storage = r.storage;
        st->table.owner = r.owner;
        p->kind = PreparedStatement::Dml;
        p->sqlite = tr.dml(*st);
        m_instance.cache(key, p);
        m_instance.begin(this);
        return runDml(p->sqlite);
    }
    default:
        return runParsed(*st, sql, sink);
    }
}

namespace {

// Reads the current row of `st` into `cells` (texts point into the statement).
void readRow(sqlite3_stmt *st, std::vector<CellView> &cells)
{
    const int n = static_cast<int>(cells.size());
    for (int i = 0; i < n; ++i) {
        CellView &c = cells[static_cast<std::size_t>(i)];
        switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL: c.kind = CellView::Null; break;
        case SQLITE_INTEGER:
            c.kind = CellView::Integer;
            c.integer = sqlite3_column_int64(st, i);
            break;
        case SQLITE_FLOAT: {
            double d = sqlite3_column_double(st, i);
            if (d == std::floor(d) && std::fabs(d) < 9.0e15) {
                c.kind = CellView::Integer;
                c.integer = static_cast<std::int64_t>(d);
            } else {
                c.kind = CellView::Real;
                c.real = d;
            }
            break;
        }
        default: {
            c.text = reinterpret_cast<const char *>(sqlite3_column_text(st, i));
            c.size = static_cast<std::size_t>(sqlite3_column_bytes(st, i));
            c.kind = c.size == 0 ? CellView::Null : isDateText(c.text, c.size) ? CellView::Date : CellView::Text;
        }
        }
    }
}

std::vector<std::string> columnNames(sqlite3_stmt *st)
{
    int n = sqlite3_column_count(st);
    std::vector<std::string> names;
    names.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) names.emplace_back(sqlite3_column_name(st, i));
    return names;
}

} // namespace

void Session::runQuery(const std::string &sqlite, RowSink &sink)
{
    sqlite3_stmt *st = m_instance.prepare(sqlite);
    sink.columns(columnNames(st));
    std::vector<CellView> cells(static_cast<std::size_t>(sqlite3_column_count(st)));
    for (;;) {
        int rc = sqlite3_step(st);
        if (rc == SQLITE_DONE) break;
        if (rc != SQLITE_ROW) {
            std::string msg = sqlite3_errmsg(m_instance.db());
            sqlite3_reset(st);
            throw sqliteError(msg);
        }
        readRow(st, cells);
        sink.row(cells.data(), cells.size());
    }
    sqlite3_reset(st);
}

std::string Session::cursorQuery(const std::string &sql)
{
    enter(sql);
    m_instance.current = this;
    const std::string key = m_cacheTag + '\x1e' + m_schema + (m_instance.scriptMode ? "\x1es" : "\x1e") + sql;
    if (auto p = m_instance.cached(key))
        if (p->kind == PreparedStatement::Query) return p->sqlite;
    std::unique_ptr<ast::Statement> st = parseStatement(sql);
    if (!st || st->kind != ast::Statement::Query) throw oraError(928);
    Translator tr(catalog(), m_schema, !m_instance.scriptMode);
    QueryTranslation t = tr.query(*st->select);
    if (!t.into.empty()) throw oraError(905);
    auto p = std::make_shared<PreparedStatement>();
    p->kind = PreparedStatement::Query;
    p->sqlite = std::move(t.sql);
    m_instance.cache(key, p);
    return p->sqlite;
}

long Session::runDml(const std::string &sqlite)
{
    sqlite3_stmt *st = m_instance.prepare(sqlite);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {}
    if (rc != SQLITE_DONE) {
        std::string msg = sqlite3_errmsg(m_instance.db());
        sqlite3_reset(st);
        if (msg.rfind("UNIQUE constraint failed: ", 0) == 0) throw m_instance.uniqueViolation(msg);
        throw sqliteError(msg);
    }
    long changes = sqlite3_changes(m_instance.db());
    sqlite3_reset(st);
    return changes;
}

void Session::checkWrite(const std::string &owner) const
{
    if (!m_dba && owner != m_user) throw oraError(1031);
}

std::string Session::ownerFor(const ast::TableRef &t) const { return t.schema.empty() ? m_schema : t.schema; }

// ---------------------------------------------------------------- object privileges

unsigned Session::heldOn(const std::string &owner, const std::string &name)
{
    // Grants, revokes and DDL move the catalog version: what was read before is forgotten.
    if (m_heldVersion != m_instance.catalogVersion()) {
        m_held.clear();
        m_heldVersion = m_instance.catalogVersion();
    }
    const std::string key = owner + '\x1f' + name;
    auto it = m_held.find(key);
    if (it != m_held.end()) return it->second;
    unsigned bits = 0;
    for (const std::string &p : m_instance.privileges()->objectPrivileges(m_grantees, owner, name)) {
        if (p == "SELECT") bits |= Select;
        else if (p == "INSERT") bits |= Insert;
        else if (p == "UPDATE") bits |= Update;
        else if (p == "DELETE") bits |= Delete;
        else if (p == "INDEX") bits |= Index;
        else bits |= Other;
    }
    if (m_held.size() > 10000) m_held.clear();
    m_held.emplace(key, bits);
    return bits;
}

void Session::checkAccess(const std::string &owner, const std::string &name, unsigned needed)
{
    if (!checksPrivileges() || owner == m_user) return;
    unsigned held = heldOn(owner, name);
    if (held == 0) throw oraError(942);      // Oracle does not reveal objects one cannot use
    if ((held & needed) != needed) throw oraError(1031);
}

void Session::checkDml(const ResolvedTable &r, int kind)
{
    if (!checksPrivileges()) {
        checkWrite(r.owner);
        return;
    }
    unsigned needed = kind == ast::Statement::Insert ? Insert : kind == ast::Statement::Update ? Update : Delete;
    checkAccess(r.owner, r.name, needed);
}

void Session::checkOwnerOfVisible(const std::string &owner, const std::string &name)
{
    if (m_dba || owner == m_user) return;
    if (checksPrivileges() && heldOn(owner, name) == 0) throw oraError(942);
    throw oraError(1031);
}

Catalog &Session::catalog()
{
    if (checksPrivileges()) return m_checked;
    return m_instance;
}

ResolvedTable Session::CheckedCatalog::resolve(const std::string &schema, const std::string &name,
                                               const std::string &currentSchema)
{
    ResolvedTable r = session.m_instance.resolve(schema, name, currentSchema);
    session.checkAccess(r.owner, r.name, Select);
    return r;
}

std::vector<std::string> Session::CheckedCatalog::columns(const std::string &storage)
{
    return session.m_instance.columns(storage);
}

std::vector<ColumnType> Session::CheckedCatalog::columnTypes(const std::string &storage)
{
    return session.m_instance.columnTypes(storage);
}

long Session::runParsed(ast::Statement &st, const std::string &, RowSink *)
{
    switch (st.kind) {
    case ast::Statement::Commit: m_instance.commit(); return 0;
    case ast::Statement::Rollback: m_instance.rollback(); return 0;
    case ast::Statement::Savepoint:
        m_instance.begin(this);
        m_instance.exec("SAVEPOINT " + quoteIdent(st.identifier));
        return 0;
    case ast::Statement::RollbackTo:
        try {
            m_instance.exec("ROLLBACK TO " + quoteIdent(st.identifier));
        } catch (const SimError &) {
            throw oraError(1086, "savepoint '" + st.identifier + "' never established");
        }
        return 0;
    case ast::Statement::SetCurrentSchema:
        if (!m_instance.userExists(st.identifier) && m_instance.uidOf(st.identifier) < 0) {
            // Schemas that own objects but have no login still exist.
            bool owns = false;
            sqlite3_stmt *q = m_instance.prepare("SELECT 1 FROM SIM_OBJECTS WHERE OWNER = ? LIMIT 1");
            sqlite3_bind_text(q, 1, st.identifier.c_str(), -1, SQLITE_TRANSIENT);
            owns = sqlite3_step(q) == SQLITE_ROW;
            sqlite3_reset(q);
            if (!owns) throw oraError(1435);
        }
        m_schema = st.identifier;
        return 0;
    case ast::Statement::AlterSession: return alterSession(st);
    default: return ddl(st);
    }
}

long Session::ddl(ast::Statement &st)
{
    m_instance.commit();   // DDL commits the open transaction first
    Translator tr(catalog(), m_schema);
    std::string owner = ownerFor(st.table);
    const std::string storage = m_instance.storageName(owner, st.table.name);
    auto insertColumn = [&](int id, const std::string &name, const std::string &type, int length, int precision,
                            int scale, bool nullable) {
        sqlite3_stmt *q = m_instance.prepare("INSERT INTO SIM_COLUMNS VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
        sqlite3_bind_text(q, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(q, 2, st.table.name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(q, 3, id);
        sqlite3_bind_text(q, 4, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(q, 5, type.c_str(), -1, SQLITE_TRANSIENT);
        if (length >= 0) sqlite3_bind_int(q, 6, length);
        if (precision >= 0) sqlite3_bind_int(q, 7, precision);
        if (scale >= 0) sqlite3_bind_int(q, 8, scale);
        sqlite3_bind_text(q, 9, nullable ? "Y" : "N", -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(q, 10, nullable ? "N" : "Y", -1, SQLITE_TRANSIENT);
        sqlite3_step(q);
        sqlite3_reset(q);
    };
    switch (st.kind) {
    case ast::Statement::CreateTable: {
        checkWrite(owner);
        if (m_instance.find(owner, st.table.name)) throw oraError(955);
        bool namesOnly = !st.columnDefs.empty() && st.columnDefs[0].type.empty();
        if (st.select) {
            QueryTranslation t = tr.query(*st.select);
            if (namesOnly) {
                if (st.columnDefs.size() != t.columns.size()) throw oraError(1730);
                std::string cols;
                for (std::size_t i = 0; i < st.columnDefs.size(); ++i)
                    cols += (i ? ", " : "") + quoteIdent(st.columnDefs[i].name);
                m_instance.exec("CREATE TABLE " + quoteIdent(storage) + " (" + cols + ")");
                try {
                    m_instance.exec("INSERT INTO " + quoteIdent(storage) + " " + t.sql);
                } catch (...) {
                    m_instance.exec("DROP TABLE " + quoteIdent(storage));
                    throw;
                }
            } else {
                m_instance.exec("CREATE TABLE " + quoteIdent(storage) + " AS " + t.sql);
            }
            CatalogEntry e{owner, st.table.name, "TABLE", storage, "", "", ""};
            m_instance.addEntry(e);
            sqlite3_stmt *info = nullptr;
            std::string pragma = "PRAGMA table_info(" + quoteIdent(storage) + ")";
            sqlite3_prepare_v2(m_instance.db(), pragma.c_str(), -1, &info, nullptr);
            int id = 0;
            while (info && sqlite3_step(info) == SQLITE_ROW) {
                std::string name = reinterpret_cast<const char *>(sqlite3_column_text(info, 1));
                const unsigned char *dt = sqlite3_column_text(info, 2);
                std::string decl = dt ? upper(reinterpret_cast<const char *>(dt)) : std::string();
                bool num = decl.find("NUM") != std::string::npos || decl.find("INT") != std::string::npos ||
                           decl == "REAL";
                bool date = decl.find("DATE") != std::string::npos;
                insertColumn(++id, name, num ? "NUMBER" : date ? "DATE" : "VARCHAR2", num ? 22 : date ? 7 : 4000,
                             -1, -1, true);
            }
            sqlite3_finalize(info);
            return 0;
        }
        // The scenario's tables keep SQLite's own NOT NULL and keys (their constraints are
        // the dictionary's record); tables made through SQL get Oracle's named constraints.
        const bool native = m_instance.scriptMode;
        std::string sql = "CREATE TABLE " + quoteIdent(storage) + " (";
        for (std::size_t i = 0; i < st.columnDefs.size(); ++i) {
            ast::ColumnDef &c = st.columnDefs[i];
            for (std::size_t j = 0; j < i; ++j)
                if (st.columnDefs[j].name == c.name) throw oraError(957, "duplicate column name");
            sql += (i ? ", " : "") + quoteIdent(c.name) + " " + sqliteType(c);
            if (c.notNull && native) sql += " NOT NULL";
            if (c.defaultValue)
                sql += " DEFAULT (" + tr.expression(c.defaultValue) + ")";
        }
        for (const auto &k : st.constraints)
            if (native && k.type == 'P') {
                sql += ", PRIMARY KEY (";
                for (std::size_t i = 0; i < k.columns.size(); ++i) sql += (i ? ", " : "") + quoteIdent(k.columns[i]);
                sql += ")";
            }
        sql += ")";
        m_instance.exec("SAVEPOINT sim_create");
        try {
            m_instance.exec(sql);
            m_instance.addEntry({owner, st.table.name, "TABLE", storage, "", "", ""});
            int id = 0;
            for (const auto &c : st.columnDefs) {
                int length = c.length;
                if (c.type == "NUMBER" || c.type == "FLOAT") length = 22;
                if (c.type == "DATE") length = 7;
                insertColumn(++id, c.name, c.type, length, c.precision, c.scale, !(c.notNull && native));
            }
            if (!native) {
                // Keys first, so that foreign keys of the same table can reference them.
                for (int pass = 0; pass < 2; ++pass)
                    for (const auto &k : st.constraints)
                        if ((k.type == 'R') == (pass == 1)) m_instance.addConstraint(owner, st.table.name, k, m_schema);
            }
        } catch (...) {
            m_instance.exec("ROLLBACK TO sim_create");
            m_instance.exec("RELEASE sim_create");
            m_instance.removeEntry(owner, st.table.name);
            m_instance.schemaChanged();
            throw;
        }
        m_instance.exec("RELEASE sim_create");
        return 0;
    }
    case ast::Statement::CreateView: {
        checkWrite(owner);
        if (const CatalogEntry *e = m_instance.find(owner, st.table.name)) {
            if (!st.orReplace || e->type != "VIEW") throw oraError(955);
            m_instance.exec("DROP VIEW " + quoteIdent(e->storage));
            m_instance.removeEntry(owner, st.table.name);
        }
        QueryTranslation t = tr.query(*st.select);
        if (!st.columns.empty() && st.columns.size() != t.columns.size()) throw oraError(1730);
        std::string sql = "CREATE VIEW " + quoteIdent(storage);
        if (!st.columns.empty()) {
            sql += " (";
            for (std::size_t i = 0; i < st.columns.size(); ++i) sql += (i ? ", " : "") + quoteIdent(st.columns[i]);
            sql += ")";
        }
        m_instance.exec(sql + " AS " + t.sql);
        m_instance.addEntry({owner, st.table.name, "VIEW", storage, "", "", ""});
        return 0;
    }
    case ast::Statement::CreateSynonym: {
        if (st.isPublic) {
            if (!m_dba) throw oraError(1031);
            owner = "PUBLIC";
            if (!st.table.schema.empty()) throw oraError(933);
        } else {
            checkWrite(owner);
        }
        if (const CatalogEntry *e = m_instance.find(owner, st.table.name)) {
            if (!st.orReplace || e->type != "SYNONYM") throw oraError(955);
        }
        // A synonym for a remote object is recorded with its link; using it needs the link.
        std::string targetOwner = st.target.schema.empty() ? m_schema : st.target.schema;
        if (targetOwner == owner && st.target.name == st.table.name && st.target.dblink.empty())
            throw oraError(1471, "cannot create a synonym with same name as object");
        m_instance.addEntry({owner, st.table.name, "SYNONYM", "", targetOwner, st.target.name, st.target.dblink});
        return 0;
    }
    case ast::Statement::CreateIndex: {
        checkWrite(owner);
        ResolvedTable r = m_instance.resolve(st.target.schema, st.target.name, m_schema);
        checkAccess(r.owner, r.name, Index);
        if (r.type != "TABLE") throw oraError(942);
        std::string sql = std::string("CREATE ") + (st.unique ? "UNIQUE " : "") + "INDEX " + quoteIdent(storage) +
                          " ON " + quoteIdent(r.storage) + " (";
        for (std::size_t i = 0; i < st.columns.size(); ++i) sql += (i ? ", " : "") + quoteIdent(st.columns[i]);
        m_instance.exec(sql + ")");
        m_instance.addEntry({owner, st.table.name, "INDEX", storage, "", "", ""});
        return 0;
    }
    case ast::Statement::DropTable:
    case ast::Statement::DropView: {
        const char *type = st.kind == ast::Statement::DropTable ? "TABLE" : "VIEW";
        const CatalogEntry *e = m_instance.find(owner, st.table.name);
        if (!e || e->type != type) throw oraError(942);
        checkOwnerOfVisible(owner, st.table.name);
        if (st.kind == ast::Statement::DropTable) m_instance.dropTableConstraints(owner, st.table.name, st.cascade);
        m_instance.exec(std::string("DROP ") + type + " " + quoteIdent(e->storage));
        m_instance.removeEntry(owner, st.table.name);
        if (Privileges *p = m_instance.privileges()) p->objectDropped(owner, st.table.name);
        return 0;
    }
    case ast::Statement::DropSynonym: {
        if (st.isPublic) {
            if (!m_dba) throw oraError(1031);
            owner = "PUBLIC";
        }
        const CatalogEntry *e = m_instance.find(owner, st.table.name);
        if (!e || e->type != "SYNONYM")
            throw st.isPublic ? oraError(1432, "public synonym to be dropped does not exist")
                              : oraError(1434, "private synonym to be dropped does not exist");
        if (!st.isPublic) checkWrite(owner);
        m_instance.removeEntry(owner, st.table.name);
        return 0;
    }
    case ast::Statement::DropIndex: {
        checkWrite(owner);
        try {
            m_instance.exec("DROP INDEX " + quoteIdent(storage));
        } catch (const SimError &) {
            throw oraError(1418, "specified index does not exist");
        }
        m_instance.removeEntry(owner, st.table.name);
        return 0;
    }
    case ast::Statement::Truncate: {
        const CatalogEntry *e = m_instance.find(owner, st.table.name);
        if (!e || e->type != "TABLE") throw oraError(942);
        checkOwnerOfVisible(owner, st.table.name);
        m_instance.checkTruncate(owner, st.table.name);
        m_instance.exec("DELETE FROM " + quoteIdent(e->storage));
        return 0;
    }
    default: return schemaDdl(st);
    }
}

namespace {

// "line L, column C" of a position in a block's text.
std::string lineColumn(const std::string &text, std::size_t pos)
{
    std::size_t line = 1, col = 1;
    for (std::size_t k = 0; k < pos && k < text.size(); ++k) {
        if (text[k] == '\n') {
            ++line;
            col = 1;
        } else {
            ++col;
        }
    }
    return "line " + std::to_string(line) + ", column " + std::to_string(col);
}

// A block step's failure as PL/SQL reports it: compile errors (names, syntax) as
// ORA-06550 at the step, run-time errors with the line they were raised at.
SimError blockError(const SimError &e, const std::string &text, std::size_t pos)
{
    if (e.code() == 6550) return e;
    const std::string at = lineColumn(text, pos);
    if (compileError(e.code()))
        return oraError(6550, at + ":\nPL/SQL: " + e.what() + "\nORA-06550: " + at + ":\nPL/SQL: SQL Statement ignored");
    return SimError(e.code(), std::string(e.what()) + "\nORA-06512: at " + at.substr(0, at.find(',')));
}

} // namespace

std::string Session::blockKey(const std::string &text) const
{
    return '\x1f' + m_cacheTag + '\x1e' + m_schema + (m_instance.scriptMode ? "\x1es" : "\x1e") + text;
}

// Runs an anonymous block: each SELECT ... INTO stores its one row into the output binds.
// A block of queries only is kept translated by its text (for the same rights and current
// schema, until the catalog changes), as single statements are: a status poll sends the
// same block every few seconds.
void Session::block(const std::string &text, std::vector<BindValue> &binds)
{
    enter(text);
    m_instance.current = this;
    if (auto p = m_instance.cached(blockKey(text)); p && p->kind == PreparedStatement::Block) {
        for (const BlockStep &step : p->steps) {
            try {
                runBlockStep(step, binds);
            } catch (const SimError &e) {
                throw blockError(e, text, step.sourcePos);
            }
        }
        return;
    }
    std::unique_ptr<ast::Statement> st = parseStatement(text);
    if (!st || st->kind != ast::Statement::Block) {
        statement(text, nullptr, true);   // plain SQL given to ExecuteSQL runs as it is
        return;
    }
    runBlock(text, *st, binds);
}

void Session::runBlock(const std::string &text, ast::Statement &block, std::vector<BindValue> &binds)
{
    auto plan = std::make_shared<PreparedStatement>();
    plan->kind = PreparedStatement::Block;
    bool queriesOnly = true;
    for (auto &step : block.body) {
        std::size_t pos = step->sourcePos;
        try {
            if (step->kind == ast::Statement::Query) {
                Translator tr(catalog(), m_schema);
                QueryTranslation t = tr.query(*step->select);
                if (t.into.empty()) throw oraError(6550, lineColumn(text, pos) + ":\nPLS-00428: an INTO clause is expected in this SELECT statement");
                BlockStep translated{std::move(t.sql), std::move(t.into), pos};
                runBlockStep(translated, binds);
                plan->steps.push_back(std::move(translated));
            } else {
                queriesOnly = false;
                runParsedStep(*step);
            }
        } catch (const SimError &e) {
            throw blockError(e, text, pos);
        }
    }
    if (queriesOnly) m_instance.cache(blockKey(text), plan);
}

void Session::runBlockStep(const BlockStep &step, std::vector<BindValue> &binds)
{
    std::vector<BindValue *> targets;
    for (const std::string &name : step.into) {
        auto it = std::find_if(binds.begin(), binds.end(), [&](const BindValue &b) { return upper(b.name) == name; });
        if (it == binds.end()) throw oraError(1008);
        targets.push_back(&*it);
    }
    CollectSink rows;
    runQuery(step.sqlite, rows);
    if (rows.rows == 0) throw oraError(1403);
    if (rows.rows > 1) throw oraError(1422);
    if (rows.first.size() != targets.size()) throw oraError(rows.first.size() < targets.size() ? 947 : 913);
    for (std::size_t i = 0; i < targets.size(); ++i) {
        BindValue &b = *targets[i];
        const CellView &c = rows.first[i];
        b.isNull = c.kind == CellView::Null;
        switch (c.kind) {
        case CellView::Null: b.text.clear(); b.numberValue = 0; break;
        case CellView::Integer:
            b.numberValue = static_cast<double>(c.integer);
            b.text = std::to_string(c.integer);
            break;
        case CellView::Real:
            b.numberValue = c.real;
            b.text = numberToDisplay(c.real);
            break;
        default: {
            b.text = rows.texts[i];
            if (b.number) {
                char *end = nullptr;
                b.numberValue = std::strtod(b.text.c_str(), &end);
                if (end != b.text.c_str() + b.text.size()) throw oraError(6502, "PL/SQL: numeric or value error: character to number conversion error");
            }
        }
        }
    }
}

void Session::runParsedStep(ast::Statement &step)
{
    switch (step.kind) {
    case ast::Statement::Insert:
    case ast::Statement::Update:
    case ast::Statement::Delete: {
        ResolvedTable r = m_instance.resolve(step.table.schema, step.table.name, m_schema);
        checkDml(r, step.kind);
        if (m_instance.hasTriggers()) {
            std::vector<std::string> set;
            for (auto &c : step.sets) set.push_back(c.first);
            for (auto &rs : step.rowSets) set.insert(set.end(), rs.first.begin(), rs.first.end());
            checkTriggers(r.owner, r.name, step.kind, set);
        }
        step.table.storage = r.storage;
        Translator tr(catalog(), m_schema, !m_instance.scriptMode);
        std::string sql = tr.dml(step);
        m_instance.begin(this);
        runDml(sql);
        return;
    }
    default:
        runParsed(step, "", nullptr);
    }
}

// ---------------------------------------------------------------- connection

Connection::Connection(std::shared_ptr<Session> s) : m_session(std::move(s)) {}

Connection::~Connection() { close(); }

std::unique_ptr<Connection> Connection::open(const std::string &instanceKey, const std::string &user,
                                             const std::string &password)
{
    std::shared_ptr<Instance> inst = Registry::get().instance(instanceKey);
    auto c = std::unique_ptr<Connection>(new Connection(inst->login(user, password)));
    c->m_instance = inst;
    return c;
}

void Connection::query(const std::string &sql, RowSink &sink) { m_session->query(sql, sink); }

std::unique_ptr<Cursor> Connection::openCursor(const std::string &sql)
{
    const std::string sqlite = m_session->cursorQuery(sql);
    auto c = std::unique_ptr<Cursor>(new Cursor);
    c->m_instance = m_instance;
    c->m_session = m_session;
    // The cursor's own statement: the instance's prepared ones are reset by every run.
    if (sqlite3_prepare_v2(m_instance->db(), sqlite.c_str(), static_cast<int>(sqlite.size()), &c->m_stmt, nullptr) !=
        SQLITE_OK) {
        std::string msg = sqlite3_errmsg(m_instance->db());
        throw sqliteError(msg);
    }
    c->m_columns = columnNames(c->m_stmt);
    return c;
}

Cursor::~Cursor() { close(); }

void Cursor::close()
{
    if (m_stmt) sqlite3_finalize(m_stmt);
    m_stmt = nullptr;
    m_done = true;
}

bool Cursor::fetch(RowSink &sink, std::size_t maxRows)
{
    if (!m_session->connectionOK()) throw oraError(3114);
    if (m_done || !m_stmt) return false;
    Session *was = m_instance->current;
    m_instance->current = m_session.get();
    std::vector<CellView> cells(m_columns.size());
    try {
        for (std::size_t n = 0; n < maxRows; ++n) {
            int rc = sqlite3_step(m_stmt);
            if (rc == SQLITE_DONE) {
                close();
                break;
            }
            if (rc != SQLITE_ROW) {
                std::string msg = sqlite3_errmsg(m_instance->db());
                close();
                throw sqliteError(msg);
            }
            readRow(m_stmt, cells);
            sink.row(cells.data(), cells.size());
        }
    } catch (...) {
        m_instance->current = was;
        throw;
    }
    m_instance->current = was;
    return !m_done;
}
long Connection::execute(const std::string &sql) { return m_session->run(sql); }
void Connection::executeBlock(const std::string &block, std::vector<BindValue> &binds) { m_session->block(block, binds); }
bool Connection::connectionOK() const { return m_session->connectionOK(); }
void Connection::close() { if (m_session) m_session->close(); }
long Connection::id() const { return m_session->sid(); }
const std::string &Connection::user() const { return m_session->userName(); }


} // namespace sim
