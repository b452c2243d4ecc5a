#include "instance.h"

#include "lexer.h"

#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <sstream>

namespace sim {

// ---------------------------------------------------------------- errors

std::string oraText(int code)
{
    static const std::map<int, const char *> texts = {
        {1, "unique constraint violated"},
        {924, "missing BY keyword"},
        {600, "internal error code"},
        {900, "invalid SQL statement"},
        {901, "invalid CREATE command"},
        {902, "invalid datatype"},
        {903, "invalid table name"},
        {904, "invalid identifier"},
        {905, "missing keyword"},
        {906, "missing left parenthesis"},
        {907, "missing right parenthesis"},
        {908, "missing NULL keyword"},
        {909, "invalid number of arguments"},
        {910, "specified length too long for its datatype"},
        {939, "too many arguments for function"},
        {911, "invalid character"},
        {913, "too many values"},
        {918, "column ambiguously defined"},
        {923, "FROM keyword not found where expected"},
        {925, "missing INTO keyword"},
        {926, "missing VALUES keyword"},
        {928, "missing SELECT keyword"},
        {933, "SQL command not properly ended"},
        {934, "group function is not allowed here"},
        {936, "missing expression"},
        {937, "not a single-group group function"},
        {942, "table or view does not exist"},
        {947, "not enough values"},
        {955, "name is already used by an existing object"},
        {957, "duplicate column name"},
        {984, "column not allowed here"},
        {969, "missing ON keyword"},
        {971, "missing SET keyword"},
        {975, "date + date not allowed"},
        {976, "specified pseudocolumn or operator not allowed here"},
        {979, "not a GROUP BY expression"},
        {980, "synonym translation is no longer valid"},
        {1005, "null password given; logon denied"},
        {1008, "not all variables bound"},
        {1017, "invalid username/password; logon denied"},
        {1031, "insufficient privileges"},
        {1400, "cannot insert NULL"},
        {1403, "no data found"},
        {1416, "two tables cannot be outer-joined to each other"},
        {1422, "exact fetch returns more than requested number of rows"},
        {1426, "numeric overflow"},
        {1427, "single-row subquery returns more than one row"},
        {1428, "argument is out of range"},
        {1435, "user does not exist"},
        {1436, "CONNECT BY loop in user data"},
        {1468, "a predicate may reference only one outer-joined table"},
        {1476, "divisor is equal to zero"},
        {1481, "invalid number format model"},
        {1489, "result of string concatenation is too long"},
        {1704, "string literal too long"},
        {1722, "invalid number"},
        {1723, "zero-length columns are not allowed"},
        {1724, "floating point precision is out of range (1 to 126)"},
        {1727, "numeric precision specifier is out of range (1 to 38)"},
        {1728, "numeric scale specifier is out of range (-84 to 127)"},
        {1730, "invalid number of column names specified"},
        {1740, "missing double quote in identifier"},
        {1741, "illegal zero-length identifier"},
        {1756, "quoted string not properly terminated"},
        {1775, "looping chain of synonyms"},
        {1785, "ORDER BY item must be the number of a SELECT-list expression"},
        {1788, "CONNECT BY clause required in this query block"},
        {1789, "query block has incorrect number of result columns"},
        {1795, "maximum number of expressions in a list is 1000"},
        {1801, "date format is too long for internal buffer"},
        {1821, "date format not recognized"},
        {1830, "date format picture ends before converting entire input string"},
        {1841, "(full) year must be between -4713 and +9999, and not be 0"},
        {1843, "not a valid month"},
        {1847, "day of month must be between 1 and last day of month"},
        {1849, "hour must be between 1 and 12"},
        {1850, "hour must be between 0 and 23"},
        {1851, "minutes must be between 0 and 59"},
        {1852, "seconds must be between 0 and 59"},
        {1858, "a non-numeric character was found where a numeric was expected"},
        {1861, "literal does not match format string"},
        {1898, "too many precision specifiers"},
        {2017, "integer value required"},
        {2019, "connection description for remote database not found"},
        {3113, "end-of-file on communication channel"},
        {3114, "not connected to ORACLE"},
        {4043, "object does not exist"},
        {6502, "PL/SQL: numeric or value error"},
        {6550, "PL/SQL compilation error"},
        {12154, "TNS:could not resolve service name"},
        {25156, "old style outer join (+) cannot be used with ANSI joins"},
        {30929, "ORDER SIBLINGS BY clause not allowed here"},
    };
    auto it = texts.find(code);
    return it == texts.end() ? std::string("error ") + std::to_string(code) : it->second;
}

SimError oraError(int code, const std::string &detail)
{
    char prefix[16];
    std::snprintf(prefix, sizeof prefix, "ORA-%05d: ", code);
    return SimError(code, prefix + (detail.empty() ? oraText(code) : detail));
}

SimError invalidIdentifier(const std::string &name)
{
    return oraError(904, "\"" + name + "\": invalid identifier");
}

namespace {

std::string upper(std::string s)
{
    for (auto &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string catalogKey(const std::string &owner, const std::string &name) { return owner + "\x1f" + name; }

} // namespace

// Maps a SQLite error text to the Oracle error a server would have raised.
SimError sqliteError(const std::string &msg)
{
    if (msg.rfind("ORA-", 0) == 0) {
        int code = std::atoi(msg.c_str() + 4);
        return SimError(code, msg);
    }
    auto after = [&](const char *prefix) { return msg.substr(std::string(prefix).size()); };
    if (msg.rfind("no such table: ", 0) == 0) return oraError(942);
    if (msg.rfind("no such column: ", 0) == 0) {
        std::string name = after("no such column: ");
        std::string out;
        std::stringstream ss(name);
        std::string part;
        while (std::getline(ss, part, '.')) out += (out.empty() ? "\"" : ".\"") + part + "\"";
        return oraError(904, out + ": invalid identifier");
    }
    if (msg.rfind("no such function: ", 0) == 0)
        return oraError(904, "\"" + upper(after("no such function: ")) + "\": invalid identifier");
    if (msg.rfind("ambiguous column name", 0) == 0) return oraError(918);
    if (msg.find(" has no column named ") != std::string::npos)
        return oraError(904, "\"" + upper(msg.substr(msg.rfind(' ') + 1)) + "\": invalid identifier");
    if (msg.rfind("UNIQUE constraint failed", 0) == 0) return oraError(1);
    if (msg.rfind("NOT NULL constraint failed: ", 0) == 0) {
        std::string col = after("NOT NULL constraint failed: ");
        auto dot = col.rfind('.');
        std::string table = col.substr(0, dot), column = col.substr(dot + 1);
        auto tdot = table.find('.');
        std::string quoted = tdot == std::string::npos
                                 ? "\"" + table + "\""
                                 : "\"" + table.substr(0, tdot) + "\".\"" + table.substr(tdot + 1) + "\"";
        return oraError(1400, "cannot insert NULL into (" + quoted + ".\"" + column + "\")");
    }
    {
        // "table T has 3 columns but 4 values were supplied", "2 values for 3 columns"
        long a = 0, b = 0;
        if (std::sscanf(msg.c_str(), "table %*s has %ld columns but %ld values were supplied", &a, &b) == 2)
            return oraError(b > a ? 913 : 947);
        if (std::sscanf(msg.c_str(), "%ld values for %ld columns", &b, &a) == 2) return oraError(b > a ? 913 : 947);
    }
    if (msg.find("misuse of aggregate") != std::string::npos) return oraError(934);
    if (msg.find("misuse of window function") != std::string::npos)
        return oraError(30483, "window  functions are not allowed here");
    if (msg.find("frame starting offset") != std::string::npos || msg.find("frame ending offset") != std::string::npos)
        return oraError(30486, "invalid window aggregation group in the OVER clause");
    if (msg.find("ORDER BY term does not match") != std::string::npos ||
        msg.find("ORDER BY term out of range") != std::string::npos || msg.find("GROUP BY term out of range") != std::string::npos)
        return oraError(1785);
    if (msg.find("do not have the same number of result columns") != std::string::npos) return oraError(1789);
    if (msg.find("sub-select returns") != std::string::npos || msg.find("row value misused") != std::string::npos)
        return oraError(913);
    if (msg.find("already exists") != std::string::npos) return oraError(955);
    if (msg.find("interrupted") != std::string::npos) return oraError(1013, "user requested cancel of current operation");
    // SQLite's own size limits: Oracle's error where Oracle has one, otherwise a plain
    // refusal of a statement this instance cannot run.
    if (msg.rfind("duplicate column name", 0) == 0) return oraError(957);
    if (msg.find("is not constant") != std::string::npos) return oraError(984);
    if (msg.find("aggregate functions are not allowed") != std::string::npos) return oraError(934);
    if (msg.find("too many arguments on function") != std::string::npos) return oraError(939);
    if (msg.find("string or blob too big") != std::string::npos) return oraError(1489);
    if (msg.find("too many columns") != std::string::npos)
        return oraError(1792, "maximum number of columns in a table or view is 1000");
    if (msg.find("out of memory") != std::string::npos)
        return oraError(4030, "out of process memory when trying to allocate memory");
    if (msg.find("Expression tree is too large") != std::string::npos || msg.find("parser stack overflow") != std::string::npos ||
        msg.find("too many terms in compound SELECT") != std::string::npos ||
        msg.find("tables in a join") != std::string::npos || msg.find("too many FROM clause terms") != std::string::npos ||
        msg.find("pattern too complex") != std::string::npos || msg.find("too many SQL variables") != std::string::npos ||
        msg.find("too many references to") != std::string::npos)
        return oraError(900, "statement too complex for this instance (" + msg + ")");
    return oraError(600, "internal error code, arguments: [" + msg + "]");
}

std::string normaliseKey(const std::string &key)
{
    std::string k = key;
    if (k.size() >= 4 && upper(k.substr(0, 4)) == "SIM:") k = k.substr(4);
    return upper(k);
}

// ---------------------------------------------------------------- clock

std::int64_t InstanceClock::now() const
{
    if (m_fixed) return m_value;
    auto real = std::chrono::duration_cast<std::chrono::seconds>(
                    std::chrono::system_clock::now().time_since_epoch()).count();
    return real + m_value;
}

void InstanceClock::set(std::int64_t unixSeconds)
{
    m_fixed = true;
    m_value = unixSeconds;
}

void InstanceClock::advance(std::int64_t seconds) { m_value += seconds; }

// ---------------------------------------------------------------- instance

namespace {

// SQLite keeps process-wide allocation statistics under one lock unless told otherwise
// before it starts. Instances run on their callers' threads at the same time (a status
// poll sends every server's block at once), and that lock would make them take turns.
// Nothing here reads the statistics. Set while the program starts, before any database
// opens; a later call could not change it.
const int kAllocationStatisticsOff = sqlite3_config(SQLITE_CONFIG_MEMSTATUS, 0);

} // namespace

Instance::Instance(std::string key, std::string name, std::map<std::string, std::string> options)
    : m_key(std::move(key)), m_name(std::move(name)), m_options(std::move(options))
{
    // No locking inside the storage: an instance runs one statement at a time, and whoever
    // shares one between threads serialises every use of it (the access layer does, per
    // instance). Locking each cell read cost a sixth of a full-table read.
    if (sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX, nullptr) !=
        SQLITE_OK)
        throw oraError(600, "internal error code, arguments: [cannot open instance storage]");
    // Double-quoted text is always an identifier (never a string), LIKE is case-sensitive.
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(m_db, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    sqlite3_exec(m_db, "PRAGMA case_sensitive_like = ON", nullptr, nullptr, nullptr);
    registerFunctions(m_db, this);
    createCatalogTables();
    m_logins["SYS"] = {"CHANGE_ON_INSTALL", true, 0};
    m_logins["SYSTEM"] = {"MANAGER", true, 5};
    m_logins["SCOTT"] = {"TIGER", false, 31};
    m_sysSession = std::make_shared<Session>(*this, "SYS", 1, true);
    createBaseObjects();
}

Instance::~Instance()
{
    for (auto &s : m_statements) sqlite3_finalize(s.second);
    for (auto *s : m_oneOff) sqlite3_finalize(s);
    m_sysSession.reset();
    sqlite3_close_v2(m_db);
}

std::shared_ptr<const EngineSnapshot> Instance::snapshot()
{
    sqlite3_int64 size = 0;
    unsigned char *bytes = sqlite3_serialize(m_db, "main", &size, 0);
    if (!bytes) return nullptr;
    auto out = std::make_shared<EngineSnapshot>();
    out->database.assign(bytes, bytes + size);
    sqlite3_free(bytes);
    out->catalog = m_catalog;
    for (const auto &l : m_logins) out->logins[l.first] = {l.second.password, l.second.dba, l.second.uid};
    out->nextUid = m_nextUid;
    out->nextObjectId = m_nextObjectId;
    out->sequences = m_sequences;
    out->nextConstraint = m_nextConstraint;
    out->anyTriggers = m_anyTriggers;
    return out;
}

bool Instance::restore(const EngineSnapshot &snapshot)
{
    // The database is replaced whole: no statement prepared on the old one may stay.
    for (auto &st : m_statements) sqlite3_finalize(st.second);
    m_statements.clear();
    for (auto *st : m_oneOff) sqlite3_finalize(st);
    m_oneOff.clear();
    m_translations.clear();
    m_columnCache.clear();
    m_typeCache.clear();
    const auto size = static_cast<sqlite3_int64>(snapshot.database.size());
    auto *bytes = static_cast<unsigned char *>(sqlite3_malloc64(static_cast<sqlite3_uint64>(size)));
    if (!bytes) return false;
    std::copy(snapshot.database.begin(), snapshot.database.end(), bytes);
    if (sqlite3_deserialize(m_db, "main", bytes, size, size, SQLITE_DESERIALIZE_FREEONCLOSE | SQLITE_DESERIALIZE_RESIZEABLE) !=
        SQLITE_OK)
        return false;
    m_catalog = snapshot.catalog;
    m_logins.clear();
    for (const auto &l : snapshot.logins) m_logins[l.first] = {l.second.password, l.second.dba, l.second.uid};
    m_nextUid = snapshot.nextUid;
    m_nextObjectId = snapshot.nextObjectId;
    m_sequences = snapshot.sequences;
    m_nextConstraint = snapshot.nextConstraint;
    m_anyTriggers = snapshot.anyTriggers;
    ++m_catalogVersion;
    return true;
}

void Instance::createCatalogTables()
{
    exec("CREATE TABLE SIM_OBJECTS (OWNER TEXT, OBJECT_NAME TEXT, OBJECT_TYPE TEXT, OBJECT_ID INTEGER, "
         "CREATED TEXT, PRIMARY KEY (OWNER, OBJECT_NAME, OBJECT_TYPE))");
    exec("CREATE TABLE SIM_SYNONYMS (OWNER TEXT, SYNONYM_NAME TEXT, TABLE_OWNER TEXT, TABLE_NAME TEXT, "
         "DB_LINK TEXT, PRIMARY KEY (OWNER, SYNONYM_NAME))");
    exec("CREATE TABLE SIM_COLUMNS (OWNER TEXT, TABLE_NAME TEXT, COLUMN_ID INTEGER, COLUMN_NAME TEXT, "
         "DATA_TYPE TEXT, DATA_LENGTH INTEGER, DATA_PRECISION INTEGER, DATA_SCALE INTEGER, NULLABLE TEXT, "
         "NATIVE_NOT_NULL TEXT)");
    createSchemaTables();
}

void Instance::createBaseObjects()
{
    runScript("CREATE TABLE SYS.DUAL (DUMMY VARCHAR2(1));\n"
              "INSERT INTO SYS.DUAL VALUES ('X');\n"
              "CREATE PUBLIC SYNONYM DUAL FOR SYS.DUAL;\n");
}

void Instance::exec(const std::string &sqlite)
{
    char *err = nullptr;
    if (sqlite3_exec(m_db, sqlite.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : "error";
        sqlite3_free(err);
        throw sqliteError(msg);
    }
}

void Instance::runScript(const std::string &script)
{
    // Statements end with ";" (outside quotes and comments); each runs as SYS.
    std::vector<Token> tokens = tokenize(script);
    bool wasScript = scriptMode;
    Session *wasCurrent = current;
    scriptMode = true;
    bool ownTransaction = sqlite3_get_autocommit(m_db) != 0;
    if (ownTransaction) exec("BEGIN");
    std::size_t start = std::string::npos;
    int index = 0;
    try {
        for (const Token &t : tokens) {
            if (t.type == Token::End) break;
            if (start == std::string::npos) start = t.pos;
            if (t.type == Token::Op && t.text == ";") {
                std::string text = script.substr(start, t.pos - start);
                start = std::string::npos;
                ++index;
                try {
                    m_sysSession->execute(text);
                } catch (const SimError &e) {
                    throw SimError(e.code(), std::string(e.what()) + " (script statement " + std::to_string(index) +
                                                 ": " + text.substr(0, 80) + ")");
                }
            }
        }
        if (start != std::string::npos) {
            std::string text = script.substr(start);
            m_sysSession->execute(text);
        }
    } catch (...) {
        if (ownTransaction) sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
        scriptMode = wasScript;
        current = wasCurrent;
        throw;
    }
    if (ownTransaction) exec("COMMIT");
    scriptMode = wasScript;
    current = wasCurrent;
}

std::string Instance::storageName(const std::string &owner, const std::string &name) const
{
    return owner + "." + name;
}

void Instance::addLogin(const std::string &user, const std::string &password, bool dba)
{
    std::string u = upper(user);
    auto it = m_logins.find(u);
    long uid = it != m_logins.end() ? it->second.uid : m_nextUid++;
    m_logins[u] = {upper(password), dba, uid};
}

void Instance::dropLogin(const std::string &user) { m_logins.erase(upper(user)); }

void Instance::addStatementHandler(StatementHandler handler) { m_handlers.push_back(std::move(handler)); }

void Instance::addBeforeStatementHook(std::function<void(SessionContext &)> hook)
{
    m_hooks.push_back(std::move(hook));
}

void Instance::registerObject(const std::string &owner, const std::string &name, const std::string &type)
{
    CatalogEntry e;
    e.owner = upper(owner);
    e.name = upper(name);
    e.type = upper(type);
    e.storage = storageName(e.owner, e.name);
    addEntry(e);
}

std::string Instance::currentUser() const { return current ? current->user() : std::string("SYS"); }
long Instance::currentUid() const { return current ? uidOf(current->user()) : 0; }
long Instance::currentSid() const { return current ? current->sid() : 1; }

long Instance::uidOf(const std::string &user) const
{
    auto it = m_logins.find(user);
    return it == m_logins.end() ? -1 : it->second.uid;
}

bool Instance::isDbaUser(const std::string &user) const
{
    auto it = m_logins.find(user);
    return it != m_logins.end() && it->second.dba;
}

bool Instance::userExists(const std::string &user) const { return m_logins.count(user) > 0; }

std::shared_ptr<Session> Instance::login(const std::string &userIn, const std::string &password)
{
    std::string user = upper(userIn);
    if (user.empty()) throw oraError(1017);
    if (password.empty()) throw oraError(1005);
    auto it = m_logins.find(user);
    // Oracle compares passwords without regard to case in these releases.
    if (it == m_logins.end() || it->second.password != upper(password)) throw oraError(1017);
    // With the dictionary's grants, the DBA role is read at login like every enabled role.
    bool dba = it->second.dba;
    std::vector<std::string> roles;
    if (m_privileges) {
        std::set<std::string> enabled = m_privileges->loginRoles(user);
        roles.assign(enabled.begin(), enabled.end());
        dba = user == "SYS" || user == "SYSTEM" || enabled.count("DBA") > 0;
    }
    auto s = std::make_shared<Session>(*this, user, m_nextSid++, dba, std::move(roles));
    m_sessions[s->sid()] = s.get();
    return s;
}

void Instance::detach(Session *s)
{
    for (auto it = m_sessions.begin(); it != m_sessions.end(); ++it)
        if (it->second == s) {
            m_sessions.erase(it);
            break;
        }
    if (current == s) current = nullptr;
}

std::vector<long> Instance::sessionIds() const
{
    std::vector<long> out;
    for (auto &s : m_sessions) out.push_back(s.first);
    return out;
}

Session *Instance::sessionById(long sid) const
{
    auto it = m_sessions.find(sid);
    return it == m_sessions.end() ? nullptr : it->second;
}

const CatalogEntry *Instance::find(const std::string &owner, const std::string &name) const
{
    auto it = m_catalog.find(catalogKey(owner, name));
    return it == m_catalog.end() ? nullptr : &it->second;
}

void Instance::addEntry(CatalogEntry e)
{
    if (e.type != "INDEX") m_catalog[catalogKey(e.owner, e.name)] = e;
    sqlite3_stmt *st = prepare("INSERT OR REPLACE INTO SIM_OBJECTS VALUES (?, ?, ?, ?, ?)");
    sqlite3_bind_text(st, 1, e.owner.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, e.name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, e.type.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_int64(st, 4, m_nextObjectId++);
    std::string created = formatDate(m_clock.now());
    sqlite3_bind_text(st, 5, created.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_reset(st);
    if (e.type == "SYNONYM") {
        sqlite3_stmt *syn = prepare("INSERT OR REPLACE INTO SIM_SYNONYMS VALUES (?, ?, ?, ?, ?)");
        sqlite3_bind_text(syn, 1, e.owner.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(syn, 2, e.name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(syn, 3, e.targetOwner.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(syn, 4, e.targetName.c_str(), -1, SQLITE_TRANSIENT);
        if (e.targetLink.empty()) sqlite3_bind_null(syn, 5);
        else sqlite3_bind_text(syn, 5, e.targetLink.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(syn);
        sqlite3_reset(syn);
    }
    ++m_catalogVersion;
    m_columnCache.clear();
    m_typeCache.clear();
}

void Instance::removeEntry(const std::string &owner, const std::string &name)
{
    const CatalogEntry *e = find(owner, name);
    std::string type = e ? e->type : "INDEX";
    m_catalog.erase(catalogKey(owner, name));
    sqlite3_stmt *st = prepare("DELETE FROM SIM_OBJECTS WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = ?");
    sqlite3_bind_text(st, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 2, name.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_bind_text(st, 3, type.c_str(), -1, SQLITE_TRANSIENT);
    sqlite3_step(st);
    sqlite3_reset(st);
    for (const char *sql : {"DELETE FROM SIM_SYNONYMS WHERE OWNER = ? AND SYNONYM_NAME = ?",
                            "DELETE FROM SIM_COLUMNS WHERE OWNER = ? AND TABLE_NAME = ?"}) {
        sqlite3_stmt *d = prepare(sql);
        sqlite3_bind_text(d, 1, owner.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(d, 2, name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_step(d);
        sqlite3_reset(d);
    }
    ++m_catalogVersion;
    m_columnCache.clear();
    m_typeCache.clear();
}

ResolvedTable Instance::resolve(const std::string &schema, const std::string &name,
                                const std::string &currentSchema)
{
    const CatalogEntry *e = nullptr;
    if (!schema.empty()) {
        e = find(schema, name);
    } else {
        e = find(currentSchema, name);
        if (!e) e = find("PUBLIC", name);
    }
    for (int depth = 0; e && e->type == "SYNONYM"; ++depth) {
        if (depth > 16) throw oraError(1775);
        if (!e->targetLink.empty()) throw oraError(2019);   // no remote databases here
        const CatalogEntry *next = find(e->targetOwner, e->targetName);
        if (!next) throw oraError(980);
        e = next;
    }
    if (!e || (e->type != "TABLE" && e->type != "VIEW")) throw oraError(942);
    return {e->storage, e->owner, e->name, e->type};
}

std::vector<std::string> Instance::columns(const std::string &storage)
{
    auto it = m_columnCache.find(storage);
    if (it != m_columnCache.end()) return it->second;
    std::vector<std::string> out;
    sqlite3_stmt *st = nullptr;
    std::string sql = "SELECT * FROM " + quoteIdent(storage) + " LIMIT 0";
    if (sqlite3_prepare_v2(m_db, sql.c_str(), -1, &st, nullptr) == SQLITE_OK) {
        for (int i = 0; i < sqlite3_column_count(st); ++i) out.push_back(sqlite3_column_name(st, i));
    }
    sqlite3_finalize(st);
    m_columnCache[storage] = out;
    return out;
}

std::vector<ColumnType> Instance::columnTypes(const std::string &storage)
{
    auto cached = m_typeCache.find(storage);
    if (cached != m_typeCache.end()) return cached->second;
    std::vector<ColumnType> out;
    for (auto &entry : m_catalog) {
        const CatalogEntry &e = entry.second;
        if (e.storage != storage || e.type != "TABLE") continue;
        sqlite3_stmt *st = prepare("SELECT COLUMN_NAME, DATA_TYPE, DATA_LENGTH, DATA_PRECISION, DATA_SCALE "
                                   "FROM SIM_COLUMNS WHERE OWNER = ? AND TABLE_NAME = ? ORDER BY COLUMN_ID");
        sqlite3_bind_text(st, 1, e.owner.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, e.name.c_str(), -1, SQLITE_TRANSIENT);
        while (sqlite3_step(st) == SQLITE_ROW) {
            ColumnType c;
            c.name = reinterpret_cast<const char *>(sqlite3_column_text(st, 0));
            c.type = reinterpret_cast<const char *>(sqlite3_column_text(st, 1));
            if (sqlite3_column_type(st, 2) != SQLITE_NULL) c.length = sqlite3_column_int(st, 2);
            if (sqlite3_column_type(st, 3) != SQLITE_NULL) c.precision = sqlite3_column_int(st, 3);
            if (sqlite3_column_type(st, 4) != SQLITE_NULL) c.scale = sqlite3_column_int(st, 4);
            out.push_back(std::move(c));
        }
        sqlite3_reset(st);
        break;
    }
    m_typeCache[storage] = out;
    return out;
}

sqlite3_stmt *Instance::prepare(const std::string &sqlite)
{
    auto it = m_statements.find(sqlite);
    if (it != m_statements.end()) {
        sqlite3_reset(it->second);
        sqlite3_clear_bindings(it->second);
        return it->second;
    }
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v3(m_db, sqlite.c_str(), static_cast<int>(sqlite.size()), SQLITE_PREPARE_PERSISTENT, &st,
                           nullptr) != SQLITE_OK) {
        std::string msg = sqlite3_errmsg(m_db);
        sqlite3_finalize(st);
        throw sqliteError(msg);
    }
    if (sqlite.size() > kLargestCached) return keepOne(st);
    if (m_statements.size() > 2000) {
        for (auto &s : m_statements) sqlite3_finalize(s.second);
        m_statements.clear();
    }
    m_statements[sqlite] = st;
    return st;
}

sqlite3_stmt *Instance::keepOne(sqlite3_stmt *st)
{
    if (m_oneOff.size() >= 4) {
        sqlite3_finalize(m_oneOff.front());
        m_oneOff.erase(m_oneOff.begin());
    }
    m_oneOff.push_back(st);
    return st;
}

std::shared_ptr<PreparedStatement> Instance::cached(const std::string &key)
{
    auto it = m_translations.find(key);
    if (it == m_translations.end() || it->second->catalogVersion != m_catalogVersion) return nullptr;
    return it->second;
}

void Instance::cache(const std::string &key, std::shared_ptr<PreparedStatement> p)
{
    if (key.size() > kLargestCached) return;   // one-off giants are not kept
    if (m_translations.size() > 5000) m_translations.clear();
    p->catalogVersion = m_catalogVersion;
    m_translations[key] = std::move(p);
}

bool Instance::inTransaction() const { return sqlite3_get_autocommit(m_db) == 0; }

void Instance::begin(Session *)
{
    if (!inTransaction()) exec("BEGIN");
}

void Instance::commit()
{
    if (inTransaction() && !scriptMode) exec("COMMIT");
}

void Instance::rollback()
{
    if (inTransaction() && !scriptMode) {
        exec("ROLLBACK");
        m_columnCache.clear();
    }
}

void Instance::log(const std::string &sql, const Session &s)
{
    // The log serves tests; a long-running console keeps a small ring of the most recent
    // statements, bounded in count and in bytes.
    while (!m_log.empty() && (m_log.size() >= kLogEntries || m_logBytes + sql.size() > kLogBytes)) {
        m_logBytes -= m_log.front().sql.size();
        m_log.pop_front();
    }
    m_log.push_back({sql, s.sid(), s.user()});
    m_logBytes += sql.size();
}

void Instance::injectFaults(int count, int code, const std::string &message)
{
    for (int i = 0; i < count; ++i) m_faults.push_back({code, message});
}

bool Instance::takeFault(SimError &out)
{
    if (m_faults.empty()) return false;
    Fault f = m_faults.front();
    m_faults.pop_front();
    out = f.message.empty() ? oraError(f.code) : oraError(f.code, f.message);
    return true;
}

// ---------------------------------------------------------------- registry

Registry &Registry::get()
{
    static Registry registry;
    return registry;
}

bool Registry::knownName(const std::string &name)
{
    static const char *builtIn[] = {"ORCL", "PROD", "TEST", "DEV", "DEMO"};
    for (const char *n : builtIn)
        if (name == n) return true;
    // A built-in name with a number (ORCL1 ... ORCL128): one instance of a fleet.
    for (const char *n : builtIn) {
        std::size_t len = std::strlen(n);
        if (name.size() > len && name.size() <= len + 4 && name.compare(0, len, n) == 0 && name[len] != '0' &&
            std::all_of(name.begin() + static_cast<long>(len), name.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return true;
    }
    if (std::find(m_extraNames.begin(), m_extraNames.end(), name) != m_extraNames.end()) return true;
    if (const char *env = std::getenv("SQLVIGIL_SIM_INSTANCES")) {
        std::stringstream ss(env);
        std::string item;
        while (std::getline(ss, item, ','))
            if (upper(item) == name) return true;
    }
    return false;
}

void Registry::allowName(const std::string &name)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_extraNames.push_back(upper(name));
}

std::shared_ptr<Instance> Registry::existing(const std::string &keyIn)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_instances.find(normaliseKey(keyIn));
    return it == m_instances.end() ? nullptr : it->second;
}

std::shared_ptr<Instance> Registry::instance(const std::string &keyIn)
{
    std::string key = normaliseKey(keyIn);
    std::shared_ptr<Instance> inst;
    std::string name;
    std::map<std::string, std::string> options;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        auto it = m_instances.find(key);
        if (it != m_instances.end()) return it->second;
        // "NAME?key=value&key=value": options keep their value's case from the original text.
        std::string original = keyIn.size() >= 4 && upper(keyIn.substr(0, 4)) == "SIM:" ? keyIn.substr(4) : keyIn;
        auto q = original.find('?');
        name = upper(original.substr(0, q));
        if (q != std::string::npos) {
            std::stringstream ss(original.substr(q + 1));
            std::string item;
            while (std::getline(ss, item, '&')) {
                if (item.empty()) continue;
                auto eq = item.find('=');
                std::string k = item.substr(0, eq);
                for (auto &c : k) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                options[k] = eq == std::string::npos ? std::string() : item.substr(eq + 1);
            }
        }
        if (name.empty() || !knownName(name)) throw oraError(12154);
        inst = std::make_shared<Instance>(key, name, options);
        m_instances[key] = inst;
    }
    try {
        dictionary::install(*inst);
    } catch (...) {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_instances.erase(key);
        throw;
    }
    return inst;
}

void Registry::reset(const std::string &key)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    auto it = m_instances.find(normaliseKey(key));
    if (it == m_instances.end()) return;
    it->second->dropAllSessions();
    m_instances.erase(it);
}

void Registry::resetAll()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (auto &i : m_instances) i.second->dropAllSessions();
    m_instances.clear();
}

void Instance::dropAllSessions()
{
    auto sessions = m_sessions;
    for (auto &s : sessions) s.second->drop();
}

} // namespace sim
