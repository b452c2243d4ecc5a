// The repository engine over SQLite. Catalog of what SQLite does not keep itself:
//   vigil_querydefs(name, sql)                      saved queries in their Jet text
//   vigil_indexes(table_name, index_name, fields, is_primary, is_unique)
// Saved queries are not SQLite views: a statement that names one gets it as a
// common table expression, so parameters and later table re-creation just work.
#include "jetsql.h"
#include "localdb.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <regex>
#include <sys/stat.h>

namespace localdb {

namespace {
// A text column of the program's own bookkeeping tables: NULL reads as empty.
std::string textAt(sqlite3_stmt *st, int column)
{
    const char *p = reinterpret_cast<const char *>(sqlite3_column_text(st, column));
    return p ? std::string(p, static_cast<std::size_t>(sqlite3_column_bytes(st, column))) : std::string();
}
} // namespace

using jet::upper;

namespace {

bool fileExists(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

std::string dirOf(const std::string &path)
{
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : (slash == 0 ? "/" : path.substr(0, slash));
}

std::string quoteName(const std::string &name)
{
    std::string out = "\"";
    for (char c : name) {
        out += c;
        if (c == '"')
            out += '"';
    }
    return out + "\"";
}

// Field type code ↔ the declared type of the SQLite column.
std::string declFor(const FieldDef &f)
{
    switch (f.Type) {
    case dbText:
        return "VARCHAR(" + std::to_string(f.Size > 0 ? f.Size : 255) + ") COLLATE NOCASE";
    case dbLong:
        return "INTEGER";
    case dbInteger:
        return "SMALLINT";
    case dbDate:
        return "DATETIME";
    case dbDouble:
        return "DOUBLE";
    case dbMemo:
        return "LONGTEXT COLLATE NOCASE";
    }
    throw DbError(3259, "Invalid field data type for field '" + f.Name + "'.");
}

void typeFromDecl(const std::string &declRaw, int &type, int &size)
{
    std::string decl = upper(declRaw);
    size = 0;
    if (decl.rfind("VARCHAR", 0) == 0) {
        type = dbText;
        std::size_t open = decl.find('(');
        size = open == std::string::npos ? 255 : std::atoi(decl.c_str() + open + 1);
    } else if (decl == "INTEGER") {
        type = dbLong;
    } else if (decl == "SMALLINT") {
        type = dbInteger;
    } else if (decl == "DATETIME") {
        type = dbDate;
    } else if (decl == "DOUBLE") {
        type = dbDouble;
    } else if (decl == "LONGTEXT") {
        type = dbMemo;
    } else {
        type = 0;
    }
}

std::size_t utf8Length(const std::string &s)
{
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80)
            ++n;
    return n;
}

bool isIdentifier(const std::string &s)
{
    static const std::regex re(R"(^\s*\[?[A-Za-z_][A-Za-z0-9_$#]*\]?\s*$)");
    return std::regex_match(s, re);
}

std::string bareName(std::string s)
{
    s.erase(0, s.find_first_not_of(" \t\r\n"));
    s.erase(s.find_last_not_of(" \t\r\n") + 1);
    if (s.size() >= 2 && s.front() == '[' && s.back() == ']')
        s = s.substr(1, s.size() - 2);
    return s;
}

} // namespace

namespace detail {

// The open SQLite handle shared by the database object and its recordsets.
struct Core {
    sqlite3 *h = nullptr;
    std::multiset<std::string> inUse;   // upper-case names of tables with open recordsets

    ~Core()
    {
        if (h)
            sqlite3_close_v2(h);
    }

    sqlite3 *handle() const
    {
        if (!h)
            throw DbError(3420, "Object invalid or no longer set: the database is closed.");
        return h;
    }

    [[noreturn]] void fail(int rc, const std::string &what) const
    {
        std::string msg = h ? sqlite3_errmsg(h) : sqlite3_errstr(rc);
        if (h && (rc & 0xff) == (sqlite3_extended_errcode(h) & 0xff))
            rc = sqlite3_extended_errcode(h);
        int base = rc & 0xff;
        if (rc == SQLITE_CONSTRAINT_UNIQUE || rc == SQLITE_CONSTRAINT_PRIMARYKEY)
            throw DbError(kDuplicateKey, "The changes were not made because they would create "
                                         "duplicate values in the index or primary key (" +
                                             msg + ").");
        if (base == SQLITE_BUSY || base == SQLITE_LOCKED)
            throw DbError(3260, "Could not update; the repository is locked by another process.");
        if (base == SQLITE_READONLY)
            throw DbError(3027, "Cannot update: the repository is read-only.");
        if (base == SQLITE_NOTADB || base == SQLITE_CORRUPT)
            throw DbError(kUnrecognisedFormat, "Unrecognized database format: " + msg + ".");
        if (base == SQLITE_FULL || base == SQLITE_IOERR || base == SQLITE_CANTOPEN)
            throw DbError(3051, "The repository file cannot be written: " + msg + ".");
        throw DbError(kEngineFailure, what + ": " + msg);
    }

    void exec(const std::string &sql)
    {
        char *err = nullptr;
        int rc = sqlite3_exec(handle(), sql.c_str(), nullptr, nullptr, &err);
        if (err)
            sqlite3_free(err);
        if (rc != SQLITE_OK)
            fail(rc, "Statement failed");
    }

    bool hasTable(const std::string &name)
    {
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(handle(),
                           "SELECT 1 FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE "
                           "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' AND name NOT LIKE 'vigil\\_%' ESCAPE '\\'",
                           -1, &st, nullptr);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        bool found = sqlite3_step(st) == SQLITE_ROW;
        sqlite3_finalize(st);
        return found;
    }

    std::vector<std::pair<std::string, std::string>> queryDefs()
    {
        std::vector<std::pair<std::string, std::string>> out;
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(handle(), "SELECT name, sql FROM vigil_querydefs ORDER BY rowid", -1, &st,
                               nullptr) != SQLITE_OK)
            return out;
        while (sqlite3_step(st) == SQLITE_ROW)
            out.emplace_back(textAt(st, 0), textAt(st, 1));
        sqlite3_finalize(st);
        return out;
    }

    const std::string *findQuery(const std::vector<std::pair<std::string, std::string>> &defs,
                                 const std::string &name)
    {
        for (const auto &d : defs)
            if (upper(d.first) == upper(name))
                return &d.second;
        return nullptr;
    }

    // Prefixes the saved queries a statement names as common table expressions,
    // the ones they depend on first.
    std::string withSavedQueries(const std::string &sql)
    {
        auto defs = queryDefs();
        if (defs.empty())
            return sql;
        std::vector<std::string> order;
        std::set<std::string> seen;
        std::function<void(const std::string &, int)> visit = [&](const std::string &text, int depth) {
            if (depth > 16)
                return;
            for (const auto &d : defs) {
                if (seen.count(upper(d.first)) || !jet::mentions(text, d.first))
                    continue;
                seen.insert(upper(d.first));
                visit(jet::stripParametersClause(d.second, nullptr), depth + 1);
                order.push_back(quoteName(d.first) + " AS (" +
                                jet::toSqlite(jet::stripParametersClause(d.second, nullptr)) + ")");
            }
        };
        visit(sql, 0);
        if (order.empty())
            return jet::toSqlite(sql);
        std::string with = "WITH ";
        for (std::size_t i = 0; i < order.size(); ++i)
            with += (i ? ", " : "") + order[i];
        return with + " " + jet::toSqlite(sql);
    }

    static void bindValue(sqlite3_stmt *st, int i, const Value &v)
    {
        switch (v.kind()) {
        case Value::Kind::Null:
            sqlite3_bind_null(st, i);
            break;
        case Value::Kind::Integer:
            sqlite3_bind_int64(st, i, v.toInt());
            break;
        case Value::Kind::Double:
            sqlite3_bind_double(st, i, v.toDouble());
            break;
        case Value::Kind::Text:
        case Value::Kind::Date:
            sqlite3_bind_text(st, i, v.raw().c_str(), -1, SQLITE_TRANSIENT);
            break;
        }
    }

    // Prepares a Jet statement: saved queries expanded, dialect rewritten, names
    // the engine does not know turned into parameters, parameters bound.
    sqlite3_stmt *prepare(const std::string &jetSqlIn, const Parameters &params)
    {
        std::string sql = withSavedQueries(jet::stripParametersClause(jetSqlIn, nullptr));
        for (int attempt = 0; attempt < 64; ++attempt) {
            sqlite3_stmt *st = nullptr;
            int rc = sqlite3_prepare_v2(handle(), sql.c_str(), -1, &st, nullptr);
            if (rc == SQLITE_OK) {
                if (!st)
                    throw DbError(kSyntaxError, "Syntax error: the statement is empty.");
                int missing = 0;
                for (int i = 1; i <= sqlite3_bind_parameter_count(st); ++i) {
                    const char *raw = sqlite3_bind_parameter_name(st, i);
                    std::string name = raw ? std::string(raw + 1) : std::to_string(i);
                    auto it = std::find_if(params.begin(), params.end(), [&](const auto &p) {
                        return upper(p.first) == upper(name);
                    });
                    if (it == params.end())
                        ++missing;
                    else
                        bindValue(st, i, it->second);
                }
                if (missing) {
                    sqlite3_finalize(st);
                    throw DbError(kTooFewParameters,
                                  "Too few parameters. Expected " + std::to_string(missing) + ".");
                }
                return st;
            }
            std::string msg = sqlite3_errmsg(h);
            static const std::string noColumn = "no such column: ";
            static const std::string noTable = "no such table: ";
            if (msg.rfind(noColumn, 0) == 0 && msg.find('.', noColumn.size()) == std::string::npos) {
                std::string name = msg.substr(noColumn.size());
                std::string next = jet::bindParameter(sql, name);
                if (next != sql) {
                    sql = next;
                    continue;
                }
            }
            if (msg.rfind(noTable, 0) == 0)
                throw DbError(kInputNotFound, "The input table or query '" + msg.substr(noTable.size()) +
                                                  "' was not found.");
            if (msg.find("syntax error") != std::string::npos || msg.find("incomplete input") != std::string::npos)
                throw DbError(kSyntaxError, "Syntax error in the statement (" + msg + ").");
            if (msg.rfind(noColumn, 0) == 0)
                throw DbError(kItemNotFound, "Item not found in this collection: " + msg.substr(noColumn.size()) + ".");
            fail(rc, "The statement cannot be prepared");
        }
        throw DbError(kTooFewParameters, "Too few parameters.");
    }

    static Value columnValue(sqlite3_stmt *st, int i)
    {
        const char *decl = sqlite3_column_decltype(st, i);
        switch (sqlite3_column_type(st, i)) {
        case SQLITE_NULL:
            return {};
        case SQLITE_INTEGER:
            return Value(static_cast<long long>(sqlite3_column_int64(st, i)));
        case SQLITE_FLOAT:
            return Value(sqlite3_column_double(st, i));
        default: {
            std::string t = textAt(st, i);
            if (decl && upper(decl) == "DATETIME")
                return Value::date(t);
            return Value(t);
        }
        }
    }

    std::unique_ptr<Recordset> rows(std::shared_ptr<Core> self, const std::string &jetSql,
                                    const Parameters &params, const std::string &table)
    {
        sqlite3_stmt *st = prepare(jetSql, params);
        std::unique_ptr<Recordset> rs(new Recordset(std::move(self)));
        int n = sqlite3_column_count(st);
        int first = table.empty() ? 0 : 1;         // column 0 carries the row id when updatable
        for (int i = first; i < n; ++i)
            rs->m_columns.push_back(sqlite3_column_name(st, i));
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            std::vector<Value> row;
            row.reserve(static_cast<std::size_t>(n - first));
            for (int i = first; i < n; ++i)
                row.push_back(columnValue(st, i));
            rs->m_rows.push_back(std::move(row));
            if (first)
                rs->m_rowids.push_back(sqlite3_column_int64(st, 0));
        }
        sqlite3_finalize(st);
        if (rc != SQLITE_DONE)
            fail(rc, "Reading the rows failed");
        rs->m_types.assign(rs->m_columns.size(), 0);
        rs->m_sizes.assign(rs->m_columns.size(), 0);
        if (!table.empty()) {
            rs->m_table = table;
            TableDef def = tableDef(table);
            for (std::size_t c = 0; c < rs->m_columns.size(); ++c)
                for (const auto &f : def.Fields)
                    if (upper(f.Name) == upper(rs->m_columns[c])) {
                        rs->m_types[c] = f.Type;
                        rs->m_sizes[c] = f.Size;
                    }
            inUse.insert(upper(table));
        }
        return rs;
    }

    TableDef tableDef(const std::string &name)
    {
        if (!hasTable(name))
            throw DbError(kItemNotFound, "Item not found in this collection: table '" + name + "'.");
        TableDef def;
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(handle(), "SELECT name FROM sqlite_master WHERE type='table' AND name=?1 COLLATE NOCASE",
                           -1, &st, nullptr);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(st) == SQLITE_ROW)
            def.Name = textAt(st, 0);
        sqlite3_finalize(st);
        sqlite3_prepare_v2(handle(), ("PRAGMA table_info(" + quoteName(def.Name) + ")").c_str(), -1, &st, nullptr);
        while (sqlite3_step(st) == SQLITE_ROW) {
            FieldDef f;
            f.Name = textAt(st, 1);
            const char *decl = reinterpret_cast<const char *>(sqlite3_column_text(st, 2));
            std::string d = decl ? decl : "";
            std::size_t sp = d.find(" COLLATE");
            typeFromDecl(sp == std::string::npos ? d : d.substr(0, sp), f.Type, f.Size);
            def.Fields.push_back(f);
        }
        sqlite3_finalize(st);
        sqlite3_prepare_v2(handle(),
                           "SELECT index_name, fields, is_primary, is_unique FROM vigil_indexes "
                           "WHERE table_name = ?1 COLLATE NOCASE ORDER BY rowid",
                           -1, &st, nullptr);
        sqlite3_bind_text(st, 1, def.Name.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) {
            IndexDef ix;
            ix.Name = textAt(st, 0);
            ix.Fields = textAt(st, 1);
            ix.Primary = sqlite3_column_int(st, 2) != 0;
            ix.Unique = sqlite3_column_int(st, 3) != 0;
            def.Indexes.push_back(ix);
        }
        sqlite3_finalize(st);
        return def;
    }

    std::unique_ptr<Recordset> open(std::shared_ptr<Core> self, const std::string &source,
                                    const Parameters &params)
    {
        if (isIdentifier(source)) {
            std::string name = bareName(source);
            if (hasTable(name))
                return rows(std::move(self), "SELECT _rowid_, * FROM " + quoteName(name), {}, name);
            auto defs = queryDefs();
            if (const std::string *q = findQuery(defs, name))
                return rows(std::move(self), *q, params, {});
            throw DbError(kInputNotFound, "The input table or query '" + name + "' was not found.");
        }
        // A SELECT over one table keeps the row ids so that its rows can be changed.
        static const std::regex single(
            R"(^\s*select\s+(?!distinct\b)([\s\S]+?)\s+from\s+(\[?[A-Za-z_][A-Za-z0-9_]*\]?)((\s+(where|order)\b[\s\S]*)?)$)",
            std::regex::icase);
        std::smatch m;
        if (std::regex_match(source, m, single)) {
            std::string rest = upper(m[3].str());
            std::string table = bareName(m[2].str());
            bool plain = rest.find("GROUP") == std::string::npos && rest.find("UNION") == std::string::npos &&
                         rest.find("JOIN") == std::string::npos && upper(m[1].str()).find(" FROM ") == std::string::npos;
            if (plain && hasTable(table))
                return rows(std::move(self), "SELECT _rowid_, " + m[1].str() + " FROM " + m[2].str() + m[3].str(),
                            params, table);
        }
        return rows(std::move(self), source, params, {});
    }
};

} // namespace detail

// ---------------------------------------------------------------- Database

Database::Database(std::shared_ptr<detail::Core> core, std::string path)
    : m_core(std::move(core)), m_path(std::move(path))
{
}

Database::~Database() = default;

bool Database::isOpen() const
{
    return m_core && m_core->h;
}

static void prepareCatalog(detail::Core &core)
{
    core.exec("CREATE TABLE IF NOT EXISTS vigil_querydefs (name TEXT PRIMARY KEY COLLATE NOCASE, sql TEXT);"
              "CREATE TABLE IF NOT EXISTS vigil_indexes (table_name TEXT COLLATE NOCASE, index_name TEXT "
              "COLLATE NOCASE, fields TEXT, is_primary INTEGER, is_unique INTEGER);");
}

std::unique_ptr<Database> Database::OpenDatabase(const std::string &path, bool exclusive, bool readOnly)
{
    if (!fileExists(path))
        throw DbError(kFileNotFound, "Could not find file '" + path + "'.");
    auto core = std::make_shared<detail::Core>();
    int flags = readOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    int rc = sqlite3_open_v2(path.c_str(), &core->h, flags, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(kCannotOpen, "The repository file '" + path + "' cannot be opened (" +
                                       std::string(sqlite3_errstr(rc)) + ").");
    // Set before the first read: a moment's lock by another program is waited out.
    sqlite3_busy_timeout(core->h, kBusyTimeoutMs);
    // Reading the schema tells a foreign file apart from a database, and a database of
    // another program (or an empty file) apart from a repository: only a repository has
    // the catalog table that CreateDatabase makes. Nothing is written to anything else.
    int catalogTables = 0;
    rc = sqlite3_exec(
        core->h, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'vigil_querydefs'",
        [](void *n, int, char **v, char **) {
            *static_cast<int *>(n) = v && v[0] ? std::atoi(v[0]) : 0;
            return 0;
        },
        &catalogTables, nullptr);
    if (rc != SQLITE_OK) {
        int base = rc & 0xff;
        if (base == SQLITE_NOTADB || base == SQLITE_CORRUPT)
            throw DbError(kUnrecognisedFormat, "Unrecognized database format '" + path + "'.");
        throw DbError(kCannotOpen, "The repository file '" + path + "' cannot be opened (" +
                                       std::string(sqlite3_errmsg(core->h)) + ").");
    }
    if (catalogTables == 0)
        throw DbError(kUnrecognisedFormat, "Unrecognized database format '" + path +
                                               "': it is not a SQL*Vigil repository (an empty file or "
                                               "another program's database).");
    sqlite3_extended_result_codes(core->h, 1);
    if (exclusive)
        core->exec("PRAGMA locking_mode = EXCLUSIVE");
    jet::registerFunctions(core->h);
    if (!readOnly)
        prepareCatalog(*core);
    return std::unique_ptr<Database>(new Database(core, path));
}

void Database::CreateDatabase(const std::string &path, const std::string &, int)
{
    if (fileExists(path))
        throw DbError(kDatabaseExists, "Database '" + path + "' already exists; it is left as it is.");
    struct stat st {};
    std::string dir = dirOf(path);
    if (::stat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode))
        throw DbError(3044, "'" + dir + "' is not a valid path.");
    detail::Core core;
    int rc = sqlite3_open_v2(path.c_str(), &core.h, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (rc != SQLITE_OK)
        throw DbError(kCannotOpen, "The repository file '" + path + "' cannot be created (" +
                                       std::string(sqlite3_errstr(rc)) + ").");
    prepareCatalog(core);
}

std::unique_ptr<Recordset> Database::OpenRecordset(const std::string &source, int, const Parameters &params)
{
    m_core->handle();
    return m_core->open(m_core, source, params);
}

long Database::Execute(const std::string &sql, const Parameters &params)
{
    sqlite3_stmt *st = m_core->prepare(sql, params);
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
    }
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        m_core->fail(rc, "The statement failed");
    return sqlite3_changes(m_core->h);
}

std::vector<std::string> Database::TableNames() const
{
    std::vector<std::string> out;
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(m_core->handle(),
                       "SELECT name FROM sqlite_master WHERE type='table' AND name NOT LIKE 'sqlite\\_%' "
                       "ESCAPE '\\' AND name NOT LIKE 'vigil\\_%' ESCAPE '\\' ORDER BY rowid",
                       -1, &st, nullptr);
    while (sqlite3_step(st) == SQLITE_ROW)
        out.emplace_back(textAt(st, 0));
    sqlite3_finalize(st);
    return out;
}

TableDef Database::GetTableDef(const std::string &name) const
{
    return m_core->tableDef(name);
}

void Database::TableDefsDelete(const std::string &name)
{
    if (!m_core->hasTable(name))
        throw DbError(kItemNotFound, "Item not found in this collection: table '" + name + "'.");
    if (m_core->inUse.count(upper(name)))
        throw DbError(kTableLocked, "The table '" + name + "' cannot be deleted: it is in use by an open recordset.");
    m_core->exec("SAVEPOINT tabledel");
    try {
        m_core->exec("DROP TABLE " + quoteName(name));
        sqlite3_stmt *st = nullptr;
        sqlite3_prepare_v2(m_core->h, "DELETE FROM vigil_indexes WHERE table_name = ?1", -1, &st, nullptr);
        sqlite3_bind_text(st, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(st);
        sqlite3_finalize(st);
        m_core->exec("RELEASE tabledel");
    } catch (...) {
        m_core->exec("ROLLBACK TO tabledel; RELEASE tabledel");
        throw;
    }
}

void Database::TableDefsAppend(const TableDef &def)
{
    if (def.Name.empty() || def.Fields.empty())
        throw DbError(3264, "No field defined: the table '" + def.Name + "' cannot be appended.");
    if (m_core->hasTable(def.Name))
        throw DbError(kTableExists, "Table '" + def.Name + "' already exists.");
    if (m_core->findQuery(m_core->queryDefs(), def.Name))
        throw DbError(kObjectExists, "Object '" + def.Name + "' already exists.");
    std::string sql = "CREATE TABLE " + quoteName(def.Name) + " (";
    for (std::size_t i = 0; i < def.Fields.size(); ++i)
        sql += (i ? ", " : "") + quoteName(def.Fields[i].Name) + " " + declFor(def.Fields[i]);
    sql += ")";
    m_core->exec("SAVEPOINT tableadd");
    try {
        m_core->exec(sql);
        for (const auto &ix : def.Indexes) {
            std::string cols, rest = ix.Fields;
            std::size_t p = 0;
            while (true) {
                std::size_t semi = rest.find(';', p);
                std::string col = bareName(rest.substr(p, semi == std::string::npos ? std::string::npos : semi - p));
                bool known = std::any_of(def.Fields.begin(), def.Fields.end(),
                                         [&](const FieldDef &f) { return upper(f.Name) == upper(col); });
                if (!known)
                    throw DbError(kItemNotFound, "Item not found in this collection: field '" + col +
                                                     "' of index '" + ix.Name + "'.");
                cols += (cols.empty() ? "" : ", ") + quoteName(col);
                if (semi == std::string::npos)
                    break;
                p = semi + 1;
            }
            m_core->exec(std::string(ix.Unique || ix.Primary ? "CREATE UNIQUE INDEX " : "CREATE INDEX ") +
                         quoteName(ix.Name) + " ON " + quoteName(def.Name) + " (" + cols + ")");
            sqlite3_stmt *st = nullptr;
            sqlite3_prepare_v2(m_core->h, "INSERT INTO vigil_indexes VALUES (?1, ?2, ?3, ?4, ?5)", -1, &st, nullptr);
            sqlite3_bind_text(st, 1, def.Name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, ix.Name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, ix.Fields.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 4, ix.Primary);
            sqlite3_bind_int(st, 5, ix.Unique || ix.Primary);
            sqlite3_step(st);
            sqlite3_finalize(st);
        }
        m_core->exec("RELEASE tableadd");
    } catch (...) {
        m_core->exec("ROLLBACK TO tableadd; RELEASE tableadd");
        throw;
    }
}

std::vector<std::string> Database::QueryNames() const
{
    std::vector<std::string> out;
    for (const auto &d : m_core->queryDefs())
        out.push_back(d.first);
    return out;
}

void Database::CreateQueryDef(const std::string &name, const std::string &sql)
{
    if (m_core->findQuery(m_core->queryDefs(), name) || m_core->hasTable(name))
        throw DbError(kObjectExists, "Object '" + name + "' already exists.");
    if (!isIdentifier(name))
        throw DbError(3125, "'" + name + "' is not a valid name.");
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(m_core->handle(), "INSERT INTO vigil_querydefs (name, sql) VALUES (?1, ?2)", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, bareName(name).c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, sql.c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        m_core->fail(rc, "The query cannot be stored");
}

void Database::QueryDefsDelete(const std::string &name)
{
    sqlite3_stmt *st = nullptr;
    sqlite3_prepare_v2(m_core->handle(), "DELETE FROM vigil_querydefs WHERE name = ?1", -1, &st, nullptr);
    sqlite3_bind_text(st, 1, bareName(name).c_str(), -1, SQLITE_TRANSIENT);
    int rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        m_core->fail(rc, "The query cannot be deleted");
    if (sqlite3_changes(m_core->h) == 0)
        throw DbError(kItemNotFound, "Item not found in this collection: query '" + name + "'.");
}

QueryDef Database::GetQueryDef(const std::string &name) const
{
    auto defs = m_core->queryDefs();
    const std::string *sql = m_core->findQuery(defs, name);
    if (!sql)
        throw DbError(kItemNotFound, "Item not found in this collection: query '" + name + "'.");
    QueryDef q;
    q.Name = name;
    q.SQL = *sql;
    q.m_core = m_core;
    return q;
}

std::unique_ptr<Recordset> QueryDef::OpenRecordset()
{
    if (!m_core)
        throw DbError(3420, "Object invalid or no longer set: the query is not attached to a database.");
    return m_core->rows(m_core, SQL, params, {});
}

void Database::Close()
{
    if (m_core && m_core->h) {
        sqlite3_close_v2(m_core->h);
        m_core->h = nullptr;
    }
}

// ---------------------------------------------------------------- Recordset

Recordset::~Recordset()
{
    release();
}

void Recordset::release()
{
    if (!m_table.empty() && m_core) {
        auto it = m_core->inUse.find(upper(m_table));
        if (it != m_core->inUse.end())
            m_core->inUse.erase(it);
    }
    m_table.clear();
}

void Recordset::Close()
{
    release();
    m_closed = true;
}

bool Recordset::IsEOF() const
{
    return m_pos >= static_cast<long>(m_rows.size());
}

bool Recordset::IsBOF() const
{
    return m_pos < 0 || m_rows.empty();
}

void Recordset::MoveNext()
{
    if (IsEOF())
        throw DbError(kNoCurrentRecord, "No current record.");
    ++m_pos;
}

void Recordset::MovePrevious()
{
    if (m_pos < 0)
        throw DbError(kNoCurrentRecord, "No current record.");
    --m_pos;
}

void Recordset::MoveFirst()
{
    if (m_rows.empty())
        throw DbError(kNoCurrentRecord, "No current record.");
    m_pos = 0;
}

void Recordset::MoveLast()
{
    if (m_rows.empty())
        throw DbError(kNoCurrentRecord, "No current record.");
    m_pos = static_cast<long>(m_rows.size()) - 1;
}

int Recordset::column(const std::string &name) const
{
    std::string u = upper(name);
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (upper(m_columns[i]) == u)
            return static_cast<int>(i);
    throw DbError(kItemNotFound, "Item not found in this collection: field '" + name + "'.");
}

const Value &Recordset::Field(const std::string &name) const
{
    if (m_closed)
        throw DbError(3420, "Object invalid or no longer set: the recordset is closed.");
    int c = column(name);
    if (m_mode != EditMode::None)
        return m_buffer[static_cast<std::size_t>(c)];
    if (m_pos < 0 || IsEOF())
        throw DbError(kNoCurrentRecord, "No current record.");
    return m_rows[static_cast<std::size_t>(m_pos)][static_cast<std::size_t>(c)];
}

// Converts a value to the type of its column, as the engine stores it.
static Value convert(const Value &v, int type, int size, const std::string &name)
{
    if (v.isNull() || type == 0)
        return v;
    auto conversionError = [&]() -> DbError {
        return DbError(kConversion, "Data type conversion error: '" + v.toString() + "' does not fit field '" +
                                        name + "'.");
    };
    switch (type) {
    case dbText:
    case dbMemo: {
        std::string t = v.toString();
        if (type == dbText && utf8Length(t) > static_cast<std::size_t>(size))
            throw DbError(kFieldTooSmall, "The field '" + name + "' is too small to accept the amount of data "
                                              "you attempted to add (at most " + std::to_string(size) +
                                              " characters).");
        return Value(t);
    }
    case dbLong:
    case dbInteger:
    case dbDouble: {
        double d;
        if (v.kind() == Value::Kind::Text) {
            std::string t = v.raw();
            t.erase(0, t.find_first_not_of(" \t"));
            t.erase(t.find_last_not_of(" \t") + 1);
            if (t.empty())
                return Value();
            char *end = nullptr;
            d = std::strtod(t.c_str(), &end);
            if (end == t.c_str() || *end != '\0')
                throw conversionError();
        } else {
            d = v.toDouble();
        }
        if (type == dbDouble)
            return Value(d);
        double r = std::nearbyint(d);
        double lim = type == dbInteger ? 32768.0 : 2147483648.0;
        if (r >= lim || r < -lim)
            throw DbError(3349, "Numeric field overflow in field '" + name + "'.");
        return Value(static_cast<long long>(r));
    }
    case dbDate: {
        if (v.kind() == Value::Kind::Date)
            return v;
        if (v.kind() == Value::Kind::Text) {
            std::string c = jet::canonicalDate(v.raw());
            if (c.empty())
                throw conversionError();
            return Value::date(c);
        }
        return Value::date(jet::canonicalFromSerial(v.toDouble()));
    }
    }
    return v;
}

void Recordset::SetField(const std::string &name, const Value &v)
{
    if (m_closed)
        throw DbError(3420, "Object invalid or no longer set: the recordset is closed.");
    int c = column(name);
    if (m_mode == EditMode::None)
        throw DbError(kUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
    auto i = static_cast<std::size_t>(c);
    m_buffer[i] = convert(v, m_types[i], m_sizes[i], m_columns[i]);
    m_touched[i] = true;
}

void Recordset::AddNew()
{
    if (m_closed || m_table.empty())
        throw DbError(3027, "Cannot update: the recordset is read-only.");
    m_mode = EditMode::Add;
    m_buffer.assign(m_columns.size(), Value());
    m_touched.assign(m_columns.size(), false);
}

void Recordset::Edit()
{
    if (m_closed || m_table.empty())
        throw DbError(3027, "Cannot update: the recordset is read-only.");
    if (m_pos < 0 || IsEOF())
        throw DbError(kNoCurrentRecord, "No current record.");
    m_mode = EditMode::Edit;
    m_buffer = m_rows[static_cast<std::size_t>(m_pos)];
    m_touched.assign(m_columns.size(), false);
}

void Recordset::CancelUpdate()
{
    m_mode = EditMode::None;
}

void Recordset::Update()
{
    if (m_mode == EditMode::None)
        throw DbError(kUpdateWithoutEdit, "Update or CancelUpdate without AddNew or Edit.");
    sqlite3 *h = m_core->handle();
    std::vector<std::size_t> cols;
    for (std::size_t i = 0; i < m_columns.size(); ++i)
        if (m_touched[i])
            cols.push_back(i);
    std::string sql;
    if (m_mode == EditMode::Add) {
        if (cols.empty()) {
            sql = "INSERT INTO " + quoteName(m_table) + " DEFAULT VALUES";
        } else {
            std::string names, marks;
            for (std::size_t k = 0; k < cols.size(); ++k) {
                names += (k ? ", " : "") + quoteName(m_columns[cols[k]]);
                marks += (k ? ", ?" : "?") + std::to_string(k + 1);
            }
            sql = "INSERT INTO " + quoteName(m_table) + " (" + names + ") VALUES (" + marks + ")";
        }
    } else {
        if (cols.empty()) {
            m_mode = EditMode::None;
            return;
        }
        sql = "UPDATE " + quoteName(m_table) + " SET ";
        for (std::size_t k = 0; k < cols.size(); ++k)
            sql += (k ? ", " : "") + quoteName(m_columns[cols[k]]) + " = ?" + std::to_string(k + 1);
        sql += " WHERE _rowid_ = ?" + std::to_string(cols.size() + 1);
    }
    sqlite3_stmt *st = nullptr;
    int rc = sqlite3_prepare_v2(h, sql.c_str(), -1, &st, nullptr);
    if (rc != SQLITE_OK) {
        if (std::strncmp(sqlite3_errmsg(h), "no such table", 13) == 0)
            throw DbError(kInputNotFound, "The table '" + m_table + "' no longer exists.");
        m_core->fail(rc, "The row cannot be stored");
    }
    for (std::size_t k = 0; k < cols.size(); ++k)
        detail::Core::bindValue(st, static_cast<int>(k + 1), m_buffer[cols[k]]);
    if (m_mode == EditMode::Edit)
        sqlite3_bind_int64(st, static_cast<int>(cols.size() + 1), m_rowids[static_cast<std::size_t>(m_pos)]);
    rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        m_core->fail(rc, "The row cannot be stored");
    if (m_mode == EditMode::Add) {
        bool atEnd = IsEOF();
        m_rows.push_back(m_buffer);
        m_rowids.push_back(sqlite3_last_insert_rowid(h));
        if (atEnd)
            m_pos = static_cast<long>(m_rows.size());
    } else {
        m_rows[static_cast<std::size_t>(m_pos)] = m_buffer;
    }
    m_mode = EditMode::None;
}

} // namespace localdb
