// sim::dictionary::install: loads the sim:ORCL scenario into a new instance and wires the
// administrative DDL, explain plan, object privileges (the grants of SYS.OBJAUTH$ and the
// roles of SYS.SYSAUTH$, which the engine applies to ordinary users), the privilege guard
// of the dictionary views and the clock-driven activity.
//
// Options after the instance name scale the scenario (sim:ORCL?sessions=5000&datafiles=200):
//   sessions=N   v$session holds N sessions in all (the 30 of the scenario plus
//                generated application sessions, sids from 1000)
//   datafiles=N  the database has N datafiles (extra 10 MB files of USERS, file# from 9)
//   logmode=noarchivelog|archivelog   the database's log mode (ARCHIVELOG by default)
//   scenario=orcl|none  with none the instance holds only what the SQL engine creates
//                itself; that is the default of sim:TEST, the engine's bare test instance,
//                while every other instance name loads the sim:ORCL scenario
#include "dictionary.h"

#include "instance.h"
#include "simerror.h"

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <mutex>

namespace sim::dictionary {

extern const char *const kOrclScript;
extern const char *const kCatalogViews;

namespace {

// Seconds between the startup of the scenario's instance and the moment it loads.
constexpr std::int64_t kUptime = 266400;
constexpr long long kUnlimitedExtents = 2147483645;

std::string quote(const std::string &name)
{
    std::string out = "\"";
    for (char c : name) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string upper(std::string s)
{
    for (auto &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string formatUtc(std::int64_t secs)
{
    std::time_t t = static_cast<std::time_t>(secs);
    std::tm tm{};
    gmtime_r(&t, &tm);
    char buf[80];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                  tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

long optionNumber(const std::map<std::string, std::string> &options, const char *name, long fallback)
{
    auto it = options.find(name);
    if (it == options.end()) return fallback;
    char *end = nullptr;
    long v = std::strtol(it->second.c_str(), &end, 10);
    if (it->second.empty() || *end != '\0' || v < 0 || v > 100000)
        throw oraError(12154, "TNS:could not resolve service name (invalid option " + std::string(name) + "=" +
                                  it->second + ")");
    return v;
}

// sim_catalog_access(user): 1, or ORA-00942 for users who may not read the dictionary.
void catalogAccessFunction(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    auto *dict = static_cast<Dictionary *>(sqlite3_user_data(ctx));
    const unsigned char *u = argc > 0 ? sqlite3_value_text(argv[0]) : nullptr;
    std::string user = u ? reinterpret_cast<const char *>(u) : "";
    if (dict->catalogAccess(user)) sqlite3_result_int(ctx, 1);
    else sqlite3_result_error(ctx, "ORA-00942: table or view does not exist", -1);
}

// sim_privileges_changed(): the object grants changed (a trigger on SYS.OBJAUTH$ calls it).
void privilegesChangedFunction(sqlite3_context *ctx, int, sqlite3_value **)
{
    auto *dict = static_cast<Dictionary *>(sqlite3_user_data(ctx));
    dict->forgetPrivileges();
    dict->instance().privilegesChanged();
    sqlite3_result_null(ctx);
}

// The engine's view of the grant tables.
class GrantTable : public Privileges {
public:
    explicit GrantTable(std::shared_ptr<Dictionary> dict) : m_dict(std::move(dict)) {}
    std::set<std::string> loginRoles(const std::string &user) override { return m_dict->enabledRoles(user); }
    std::set<std::string> objectPrivileges(const std::vector<std::string> &grantees, const std::string &owner,
                                           const std::string &name) override
    {
        return m_dict->objectPrivileges(grantees, owner, name);
    }
    void objectDropped(const std::string &owner, const std::string &name) override
    {
        m_dict->exec("DELETE FROM " + m_dict->table("SYS", "OBJAUTH$") + " WHERE OWNER = ? AND TABLE_NAME = ?",
                     {owner, name});
    }

private:
    std::shared_ptr<Dictionary> m_dict;
};

} // namespace

Dictionary::Dictionary(InstanceContext &instance) : m_instance(instance) {}

// A password no one can type: the account exists for the engine (its schema can be made
// current) but logs in only through the operating system or not at all.
std::string unusablePassword() { return std::string("\x01EXTERNAL\x01"); }

std::string Dictionary::table(const std::string &owner, const std::string &name) const
{
    return quote(m_instance.storageName(owner, name));
}

namespace {

void bindAll(sqlite3_stmt *st, const std::vector<Dictionary::Param> &params)
{
    for (std::size_t i = 0; i < params.size(); ++i) {
        const auto &p = params[i];
        int idx = static_cast<int>(i + 1);
        if (p.kind == Dictionary::Param::Null) sqlite3_bind_null(st, idx);
        else if (p.kind == Dictionary::Param::Text) sqlite3_bind_text(st, idx, p.text.c_str(), -1, SQLITE_TRANSIENT);
        else if (p.number == static_cast<double>(static_cast<long long>(p.number)))
            sqlite3_bind_int64(st, idx, static_cast<long long>(p.number));
        else sqlite3_bind_double(st, idx, p.number);
    }
}

// The Oracle error for a SQLite one, as the engine maps them (ORA-00904 for an unknown
// column, ORA-00942 for an unknown table, ...).
SimError sqliteFailure(sqlite3 *db) { return sqliteError(sqlite3_errmsg(db)); }

} // namespace

std::vector<Row> Dictionary::rows(const std::string &sql, const std::vector<Param> &params)
{
    sqlite3 *db = m_instance.db();
    sqlite3_stmt *st = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &st, nullptr) != SQLITE_OK) {
        SimError e = sqliteFailure(db);
        sqlite3_finalize(st);
        if (e.code() == 600) throw SimError(600, std::string(e.what()) + " in: " + sql.substr(0, 200));
        throw e;
    }
    std::unique_ptr<sqlite3_stmt, int (*)(sqlite3_stmt *)> guard(st, sqlite3_finalize);
    bindAll(st, params);
    std::vector<Row> out;
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        Row r;
        int n = sqlite3_column_count(st);
        for (int i = 0; i < n; ++i) {
            Value v;
            int type = sqlite3_column_type(st, i);
            if (type != SQLITE_NULL) {
                v.null = false;
                const unsigned char *t = sqlite3_column_text(st, i);
                v.text = t ? reinterpret_cast<const char *>(t) : "";
                v.number = sqlite3_column_double(st, i);
            }
            r.push_back(std::move(v));
        }
        out.push_back(std::move(r));
    }
    if (rc != SQLITE_DONE) {
        throw sqliteFailure(db);
    }
    return out;
}

std::optional<Row> Dictionary::row(const std::string &sql, const std::vector<Param> &params)
{
    auto r = rows(sql, params);
    if (r.empty()) return std::nullopt;
    return r.front();
}

Value Dictionary::scalar(const std::string &sql, const std::vector<Param> &params)
{
    auto r = row(sql, params);
    if (!r || r->empty()) return {};
    return (*r)[0];
}

long Dictionary::exec(const std::string &sql, const std::vector<Param> &params)
{
    rows(sql, params);
    return sqlite3_changes(m_instance.db());
}

std::int64_t Dictionary::startup()
{
    return scalar("SELECT STARTUP_SECS FROM " + table("SYS", "X$CLOCK")).integer();
}

long long Dictionary::currentScn()
{
    auto r = row("SELECT i.SCN_BASE + i.SCN_RATE * (c.NOW_SECS - c.STARTUP_SECS) FROM " + table("SYS", "X$INSTANCE") +
                 " i, " + table("SYS", "X$CLOCK") + " c");
    return r ? (*r)[0].integer() : 0;
}

// The instance started three days and two hours before the first statement it serves,
// so that a test which fixes the clock after creating the instance sees that history.
void Dictionary::syncClock()
{
    std::int64_t t = now();
    if (t == m_lastClock) return;
    m_lastClock = t;
    if (!m_started) {
        m_started = true;
        exec("UPDATE " + table("SYS", "X$CLOCK") + " SET STARTUP_SECS = ?, NOW_SECS = ?",
             {static_cast<long long>(t - kUptime), static_cast<long long>(t)});
        return;
    }
    exec("UPDATE " + table("SYS", "X$CLOCK") + " SET NOW_SECS = ?", {static_cast<long long>(t)});
}

// An instance named after a built-in one with a number (ORCL1 ... ORCL128) is one of a
// fleet: the same scenario with its own identity and figures, and further along the
// living cycles, all derived from the number so that every run gives the same fleet.
void Dictionary::varyForFleet()
{
    const std::string &name = m_instance.name();
    std::size_t digits = name.find_first_of("0123456789");
    if (digits == std::string::npos || digits == 0) return;
    long n = std::strtol(name.c_str() + digits, nullptr, 10);
    if (n <= 0) return;
    auto pick = [&](long salt, long range) { return ((n * 7919 + salt * 104729) % range + range) % range; };
    double vary = 0.8 + pick(1, 41) / 100.0;
    exec("UPDATE " + table("SYS", "X$FLEET") + " SET PHASE = ?, VARY = ?", {pick(2, 86400) + 60 * pick(3, 7), vary});
    exec("UPDATE " + table("SYS", "X$INSTANCE") + " SET NAME = ?, DBID = DBID + ?, HOST_NAME = ?",
         {name.substr(0, 9), n * 7717, "dbsrv" + std::to_string(100 + n)});
    // Activity: every cumulative figure by the instance's factor, each statistic a little
    // apart; physical reads, reloads and row cache misses further, so the ratios differ.
    exec("UPDATE " + table("SYS", "X$STATNAME") + " SET SYS_VALUE = TRUNC(SYS_VALUE * (? + ((\"STATISTIC#\" * ?) % 7) / 50.0))",
         {vary, n});
    exec("UPDATE " + table("SYS", "X$STATNAME") + " SET SYS_VALUE = TRUNC(SYS_VALUE * ?) WHERE NAME = 'physical reads'",
         {0.6 + pick(4, 10) / 10.0});
    exec("UPDATE " + table("SYS", "X$LIBRARYCACHE") + " SET RELOADS = TRUNC(RELOADS * ?)", {0.5 + pick(5, 9) / 4.0});
    exec("UPDATE " + table("SYS", "X$ROWCACHE") + " SET GETMISSES = MIN(GETS, TRUNC(GETMISSES * ?))",
         {0.6 + pick(6, 11) / 10.0});
    exec("UPDATE " + table("SYS", "X$SESSION") + " SET WEIGHT = MAX(1, TRUNC(WEIGHT * (0.7 + ((SID * ?) % 13) / 20.0)))",
         {n});
    for (const char *c : {"PHYRDS", "PHYWRTS", "PHYBLKRD", "PHYBLKWRT", "READTIM", "WRITETIM"})
        exec("UPDATE " + table("SYS", "X$DATAFILE") + " SET " + c + " = TRUNC(" + c + " * (0.5 + ((\"FILE#\" * ?) % 11) / 10.0))",
             {n});
}

bool Dictionary::catalogAccess(const std::string &userIn)
{
    std::string user = upper(userIn);
    if (user == "SYS" || user == "SYSTEM") return true;
    auto it = m_access.find(user);
    if (it != m_access.end()) return it->second;
    std::set<std::string> roles = enabledRoles(user);
    bool ok = roles.count("DBA") || roles.count("SELECT_CATALOG_ROLE");
    m_access[user] = ok;
    return ok;
}

std::set<std::string> Dictionary::enabledRoles(const std::string &user)
{
    const std::string sysauth = table("SYS", "SYSAUTH$");
    std::vector<std::string> pending;
    for (const auto &r : rows("SELECT GRANTED_ROLE FROM " + sysauth +
                              " WHERE (GRANTEE = ? AND DEFAULT_ROLE = 'YES') OR GRANTEE = 'PUBLIC'", {user}))
        pending.push_back(r[0].text);
    std::set<std::string> roles;
    while (!pending.empty()) {
        std::string role = pending.back();
        pending.pop_back();
        if (!roles.insert(role).second) continue;   // role grants may not loop, but never trust that
        for (const auto &r : rows("SELECT GRANTED_ROLE FROM " + sysauth + " WHERE GRANTEE = ?", {role}))
            pending.push_back(r[0].text);
    }
    return roles;
}

std::set<std::string> Dictionary::objectPrivileges(const std::vector<std::string> &grantees, const std::string &owner,
                                                   const std::string &name)
{
    std::set<std::string> out;
    auto holds = [&](const std::string &g) { return std::find(grantees.begin(), grantees.end(), g) != grantees.end(); };
    for (const auto &r : rows("SELECT GRANTEE, PRIVILEGE FROM " + table("SYS", "OBJAUTH$") +
                              " WHERE OWNER = ? AND TABLE_NAME = ?", {owner, name}))
        if (holds(r[0].text)) out.insert(r[1].text);
    // SELECT_CATALOG_ROLE reads every dictionary and dynamic performance view.
    if (owner == "SYS" && (name.rfind("V_$", 0) == 0 || name.rfind("DBA_", 0) == 0) && holds("SELECT_CATALOG_ROLE"))
        out.insert("SELECT");
    return out;
}

void Dictionary::noteSession(SessionContext &session)
{
    long sid = session.sid();
    const std::string sessions = table("SYS", "X$SESSION");
    forgetClosedConnections(sid);
    if (m_connectionSids.count(sid)) {
        auto status = scalar("SELECT STATUS FROM " + sessions + " WHERE SID = ?", {sid});
        if (!status.null && status.text == "KILLED") throw oraError(28, "your session has been killed");
        exec("UPDATE " + sessions + " SET LAST_CALL_OFFSET = ? - (SELECT STARTUP_SECS FROM " + table("SYS", "X$CLOCK") +
                 "), STATUS = 'ACTIVE' WHERE SID = ?",
             {static_cast<long long>(now()), sid});
        return;
    }
    m_connectionSids.insert(sid);
    if (!rows("SELECT 1 FROM " + sessions + " WHERE SID = ?", {sid}).empty()) return;
    try {
        addConnectionSession(session);
    } catch (const SimError &) {
        // Bookkeeping never stops the connection's own statement.
    }
}

// Connections that logged off leave v$session (the engine knows which are still open).
Dictionary::SyncPoint Dictionary::syncPoint(SessionContext &session)
{
    SyncPoint p;
    p.sid = session.sid();
    p.clock = now();
    p.changes = sqlite3_total_changes64(m_instance.db());
    if (auto *engine = dynamic_cast<Instance *>(&m_instance)) {
        p.catalog = engine->catalogVersion();
        p.sessions = engine->sessionIds();
    }
    return p;
}

void Dictionary::beforeStatement(SessionContext &session)
{
    SyncPoint before = syncPoint(session);
    if (before == m_synced) return;
    m_synced = SyncPoint();
    syncClock();
    noteSession(session);
    try {
        syncSegments();
    } catch (const SimError &) {
        // Space bookkeeping never stops the connection's own statement.
    }
    m_synced = syncPoint(session);
}

void Dictionary::forgetClosedConnections(long current)
{
    auto *engine = dynamic_cast<Instance *>(&m_instance);
    if (!engine || m_connectionSids.empty()) return;
    std::vector<long> live = engine->sessionIds();
    for (auto it = m_connectionSids.begin(); it != m_connectionSids.end();) {
        if (*it != current && std::find(live.begin(), live.end(), *it) == live.end()) {
            for (const char *t : {"X$SESSION", "X$SESSION_WAIT", "X$LOCK"})
                exec("DELETE FROM " + table("SYS", t) + " WHERE SID = ?", {*it});
            it = m_connectionSids.erase(it);
        } else {
            ++it;
        }
    }
}

void Dictionary::addConnectionSession(SessionContext &session)
{
    long sid = session.sid();
    const std::string sessions = table("SYS", "X$SESSION");
    std::string user = upper(session.user());
    char addr[16];
    std::snprintf(addr, sizeof addr, "6C%06ld", sid % 1000000);
    char paddr[16];
    std::snprintf(paddr, sizeof paddr, "5C%06ld", (sid + 1) % 1000000);
    long long offset = static_cast<long long>(now() - startup());
    auto uid = scalar("SELECT \"USER#\" FROM " + table("SYS", "USER$") + " WHERE NAME = ?", {user});
    exec("INSERT INTO " + sessions +
             " VALUES (?, ?, ?, ?, ?, ?, ?, 3, NULL, NULL, 'ACTIVE', 'DEDICATED', ?, 'dba', ?, "
             "'OFICINA\\PC-DBA01', 'PC-DBA01', 'SQLVigil.exe', 'USER', '00', 0, '00', 0, 'SQLVigil.exe', NULL, NULL, "
             "-1, 0, 0, 0, ?, ?, 20)",
         {std::string(addr), sid, 1 + (sid * 7) % 997, 7000 + sid, std::string(paddr),
          uid.null ? Param() : Param(uid.integer()), user, user, std::to_string(3000 + sid * 11) + ":" + std::to_string(2000 + sid),
          offset, offset});
    exec("INSERT INTO " + table("SYS", "X$SESSION_WAIT") +
             " VALUES (?, 1, 'SQL*Net message to client', 'driver id', 1413697536, '#bytes', 1, NULL, 0, -1, ?, "
             "'WAITED SHORT TIME')",
         {sid, offset});
}

void Dictionary::syncSegments()
{
    const std::string seg = table("SYS", "SEG$"), fet = table("SYS", "FET$");
    // Dropped: free the segments this instance gave out.
    for (auto it = m_runtimeSegments.begin(); it != m_runtimeSegments.end();) {
        if (rows("SELECT 1 FROM SIM_OBJECTS WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE IN ('TABLE', 'INDEX')",
                 {it->first, it->second}).empty()) {
            for (const auto &r : rows("SELECT \"TS#\", HEADER_FILE, HEADER_BLOCK, BLOCKS FROM " + seg +
                                      " WHERE OWNER = ? AND SEGMENT_NAME = ?", {it->first, it->second}))
                exec("INSERT INTO " + fet + " VALUES (?, ?, ?, ?)", {r[0].integer(), r[1].integer(), r[2].integer(), r[3].integer()});
            exec("DELETE FROM " + seg + " WHERE OWNER = ? AND SEGMENT_NAME = ?", {it->first, it->second});
            it = m_runtimeSegments.erase(it);
        } else {
            ++it;
        }
    }
    for (auto it = m_runtimeViews.begin(); it != m_runtimeViews.end();) {
        if (rows("SELECT 1 FROM SIM_OBJECTS WHERE OWNER = ? AND OBJECT_NAME = ? AND OBJECT_TYPE = 'VIEW'",
                 {it->first, it->second}).empty()) {
            exec("DELETE FROM " + table("SYS", "VIEW$") + " WHERE OWNER = ? AND VIEW_NAME = ?", {it->first, it->second});
            it = m_runtimeViews.erase(it);
        } else {
            ++it;
        }
    }
    auto created = rows("SELECT OWNER, OBJECT_NAME, OBJECT_TYPE, OBJECT_ID FROM SIM_OBJECTS WHERE OBJECT_ID > ? AND "
                        "OBJECT_TYPE IN ('TABLE', 'INDEX', 'VIEW') ORDER BY OBJECT_ID", {m_lastObjectId});
    for (const auto &o : created) {
        m_lastObjectId = std::max(m_lastObjectId, o[3].integer());
        if (o[2].text == "VIEW") {
            // The view's text as the instance stores it (its query in SQLite's spelling).
            auto def = scalar("SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ?",
                              {m_instance.storageName(o[0].text, o[1].text)});
            auto as = def.text.find(" AS ");
            exec("DELETE FROM " + table("SYS", "VIEW$") + " WHERE OWNER = ? AND VIEW_NAME = ?", {o[0].text, o[1].text});
            exec("INSERT INTO " + table("SYS", "VIEW$") + " VALUES (?, ?, ?)",
                 {o[0].text, o[1].text, as == std::string::npos ? def.text : def.text.substr(as + 4)});
            m_runtimeViews.insert({o[0].text, o[1].text});
            continue;
        }
        if (!rows("SELECT 1 FROM " + seg + " WHERE OWNER = ? AND SEGMENT_NAME = ?", {o[0].text, o[1].text}).empty()) continue;
        // The owner's default tablespace, when it is online and writable.
        auto ts = row("SELECT t.\"TS#\", t.DFLINIT, t.DFLINCR, t.DFLMINEXT, t.DFLMAXEXT, t.DFLEXTPCT, t.BLOCKSIZE FROM " +
                      table("SYS", "TS$") + " t, " + table("SYS", "USER$") +
                      " u WHERE u.NAME = ? AND t.\"TS#\" = u.\"DATATS#\" AND t.\"ONLINE$\" = 1", {o[0].text});
        if (!ts) continue;
        long long blocks = std::max(1LL, (*ts)[1].integer());
        auto free = row("SELECT \"FILE#\", \"BLOCK#\", LENGTH FROM " + fet + " WHERE \"TS#\" = ? AND LENGTH >= ? "
                        "ORDER BY \"FILE#\", \"BLOCK#\" LIMIT 1", {(*ts)[0].integer(), blocks});
        if (!free) continue;
        long long file = (*free)[0].integer(), block = (*free)[1].integer(), length = (*free)[2].integer();
        if (length == blocks)
            exec("DELETE FROM " + fet + " WHERE \"FILE#\" = ? AND \"BLOCK#\" = ?", {file, block});
        else
            exec("UPDATE " + fet + " SET \"BLOCK#\" = ?, LENGTH = ? WHERE \"FILE#\" = ? AND \"BLOCK#\" = ?",
                 {block + blocks, length - blocks, file, block});
        long long bs = (*ts)[6].integer();
        exec("INSERT INTO " + seg + " VALUES (?, ?, ?, ?, ?, ?, ?, 1, ?, ?, ?, ?, ?, 1, 1)",
             {o[0].text, o[1].text, o[2].text, (*ts)[0].integer(), file, block, blocks, blocks * bs,
              std::max(1LL, (*ts)[2].integer()) * bs, (*ts)[3].integer(),
              (*ts)[4].null ? Param(kUnlimitedExtents) : Param((*ts)[4].integer()), (*ts)[5].integer()});
        m_runtimeSegments.insert({o[0].text, o[1].text});
    }
}

void Dictionary::registerFunctions()
{
    sqlite3_create_function_v2(m_instance.db(), "sim_catalog_access", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, this,
                               catalogAccessFunction, nullptr, nullptr, nullptr);
    sqlite3_create_function_v2(m_instance.db(), "sim_privileges_changed", 0, SQLITE_UTF8, this,
                               privilegesChangedFunction, nullptr, nullptr, nullptr);
}

void Dictionary::load()
{
    registerFunctions();
    runScenario();
    scale();
    completeCatalog();
    startSequences();
    createCatalogViews();
    guardViews();
    watchGrants();
    registerLogins();
    auto maxId = scalar("SELECT max(OBJECT_ID) FROM SIM_OBJECTS");
    exec("UPDATE " + table("SYS", "X$CLOCK") + " SET BOOT_OBJECT_ID = ?", {maxId.integer()});
    m_lastObjectId = maxId.integer();
}

bool Dictionary::loadFrom(const EngineSnapshot &snapshot)
{
    if (!m_instance.restore(snapshot)) return false;
    registerFunctions();
    std::int64_t t = now();
    exec("UPDATE " + table("SYS", "X$CLOCK") + " SET STARTUP_SECS = ?, NOW_SECS = ?",
         {static_cast<long long>(t - kUptime), static_cast<long long>(t)});
    m_lastObjectId = scalar("SELECT BOOT_OBJECT_ID FROM " + table("SYS", "X$CLOCK")).integer();
    return true;
}

void Dictionary::runScenario()
{
    m_instance.runScript(kOrclScript);
    std::int64_t t = now();
    exec("UPDATE " + table("SYS", "X$CLOCK") + " SET STARTUP_SECS = ?, NOW_SECS = ?",
         {static_cast<long long>(t - kUptime), static_cast<long long>(t)});
    auto mode = m_instance.options().find("logmode");
    if (mode != m_instance.options().end()) {
        std::string m = upper(mode->second);
        if (m != "ARCHIVELOG" && m != "NOARCHIVELOG")
            throw oraError(12154, "TNS:could not resolve service name (invalid option logmode=" + mode->second + ")");
        exec("UPDATE " + table("SYS", "X$INSTANCE") + " SET LOG_MODE = ?", {m});
        exec("UPDATE " + table("SYS", "X$PARAMETER") + " SET VALUE = ? WHERE NAME = 'log_archive_start'",
             {std::string(m == "ARCHIVELOG" ? "TRUE" : "FALSE")});
    }
}

// Extra sessions and datafiles generated from the row counter, deterministically.
void Dictionary::scale()
{
    const auto &options = m_instance.options();
    long sessions = optionNumber(options, "sessions", 0);
    long datafiles = optionNumber(options, "datafiles", 0);
    long baseSessions = scalar("SELECT count(*) FROM " + table("SYS", "X$SESSION")).integer();
    long baseFiles = scalar("SELECT count(*) FROM " + table("SYS", "FILE$")).integer();
    long extraSessions = std::max(0L, sessions - baseSessions);
    long extraFiles = std::max(0L, datafiles - baseFiles);
    if (extraSessions == 0 && extraFiles == 0) return;

    const std::string counter = table("SYS", "X$COUNTER");
    long need = std::max(extraSessions, extraFiles);
    for (long have = scalar("SELECT count(*) FROM " + counter).integer(); have < need; have *= 2)
        exec("INSERT INTO " + counter + " SELECT N + ? FROM " + counter, {have});

    std::string script;
    if (extraSessions) {
        std::string n = std::to_string(extraSessions);
        script +=
            "INSERT INTO SYS.X$SESSION SELECT '6C' || lpad(to_char(1000 + N), 6, '0'), 1000 + N, 100 + MOD(N * 7, 900),\n"
            "  6000 + N, '5C' || lpad(to_char(1001 + N), 6, '0'), DECODE(MOD(N, 3), 0, 61, 1, 60, 59),\n"
            "  DECODE(MOD(N, 3), 0, 'VENTAS', 1, 'HR', 'SCOTT'), DECODE(MOD(N, 4), 0, 3, 0), NULL, NULL,\n"
            "  DECODE(MOD(N, 4), 0, 'ACTIVE', 'INACTIVE'), 'DEDICATED', DECODE(MOD(N, 3), 0, 'VENTAS', 1, 'HR', 'SCOTT'),\n"
            "  'appsrv', to_char(20000 + N), 'appsrv0' || to_char(MOD(N, 4) + 1), 'unknown', 'JDBC Thin Client', 'USER',\n"
            "  DECODE(MOD(N, 4), 0, '6B1F0C10', '00'), DECODE(MOD(N, 4), 0, 2217694381, 0), '6B1F0C10', 2217694381,\n"
            "  'Ventas Web', NULL, NULL, -1, 0, 0, 0, 3600 + MOD(N * 37, 250000), 260000 + MOD(N * 13, 6000),\n"
            "  MOD(N * 17, 60) + 1\n"
            "  FROM SYS.X$COUNTER WHERE N < " + n + ";\n"
            "INSERT INTO SYS.X$SESSION_WAIT SELECT 1000 + N, MOD(N * 31, 9000) + 1, 'SQL*Net message from client',\n"
            "  'driver id', 1413697536, '#bytes', 1, NULL, 0, 0, 260000 + MOD(N * 13, 6000), 'WAITING'\n"
            "  FROM SYS.X$COUNTER WHERE N < " + n + ";\n";
    }
    if (extraFiles) {
        std::string n = std::to_string(extraFiles);
        script +=
            "INSERT INTO SYS.FILE$ SELECT 9 + N, 2, 1280, 2, 9 + N, 0, 0, 0, 120000 + N FROM SYS.X$COUNTER WHERE N < " + n + ";\n"
            "INSERT INTO SYS.X$DATAFILE SELECT 9 + N, '/u08/oradata/ORCL/users' || lpad(to_char(N + 3), 4, '0') || '.dbf',\n"
            "  'ONLINE', 'READ WRITE', 120000 + N, to_date('2006-02-01', 'YYYY-MM-DD') + MOD(N, 1000), 48207411,\n"
            "  100 + MOD(N * 97, 5000), 20 + MOD(N * 61, 900), 100 + MOD(N * 97, 5000), 20 + MOD(N * 61, 900),\n"
            "  MOD(N * 53, 3000), MOD(N * 29, 700)\n"
            "  FROM SYS.X$COUNTER WHERE N < " + n + ";\n"
            "INSERT INTO SYS.FET$ SELECT 2, 9 + N, 2, 1279 FROM SYS.X$COUNTER WHERE N < " + n + ";\n";
    }
    m_instance.runScript(script);
}

// Dictionary rows the scenario does not spell out: statistics of every table (rows counted
// five days ago at 02:00) and a segment for each SYS or SYSTEM table without one.
void Dictionary::completeCatalog()
{
    const std::string tab = table("SYS", "TAB$"), seg = table("SYS", "SEG$");
    std::int64_t t = now() - 5 * 86400;
    std::string analyzed = formatUtc(t - t % 86400 + 2 * 3600);
    auto tables = rows("SELECT o.OWNER, o.OBJECT_NAME FROM SIM_OBJECTS o WHERE o.OBJECT_TYPE = 'TABLE' "
                       "AND substr(o.OBJECT_NAME, 1, 2) <> 'X$' AND NOT EXISTS (SELECT 1 FROM " + tab +
                       " t WHERE t.OWNER = o.OWNER AND t.TABLE_NAME = o.OBJECT_NAME)");
    for (const auto &r : tables) {
        long long n = scalar("SELECT count(*) FROM " + table(r[0].text, r[1].text)).integer();
        exec("INSERT INTO " + tab + " VALUES (?, ?, NULL, 10, 40, 1, 255, ?, ?, ?)",
             {r[0].text, r[1].text, n, n ? 40 + static_cast<long long>(r[1].text.size()) * 3 : 0, analyzed});
    }
    exec("INSERT INTO " + seg + " SELECT o.OWNER, o.OBJECT_NAME, 'TABLE', 0, 1, 20000 + (o.OBJECT_ID % 2000) * 8, 8, 1, "
         "65536, 65536, 1, 2147483645, 50, 1, 1 FROM SIM_OBJECTS o WHERE o.OBJECT_TYPE = 'TABLE' "
         "AND o.OWNER IN ('SYS', 'SYSTEM') AND substr(o.OBJECT_NAME, 1, 2) <> 'X$' "
         "AND NOT EXISTS (SELECT 1 FROM " + seg + " s WHERE s.OWNER = o.OWNER AND s.SEGMENT_NAME = o.OBJECT_NAME)");
    // The text of each view the scenario creates, as written there.
    const std::string script = kOrclScript;
    for (std::size_t at = script.find("\nCREATE VIEW "); at != std::string::npos;
         at = script.find("\nCREATE VIEW ", at + 1)) {
        std::size_t nameStart = at + 13, as = script.find(" AS\n", nameStart);
        std::size_t end = script.find(";\n", as);
        if (as == std::string::npos || end == std::string::npos) break;
        std::string name = script.substr(nameStart, as - nameStart);
        auto dot = name.find('.');
        std::string text = script.substr(as + 4, end - as - 4);
        auto first = text.find_first_not_of(" ");
        exec("INSERT INTO " + table("SYS", "VIEW$") + " VALUES (?, ?, ?)",
             {name.substr(0, dot), name.substr(dot + 1), first == std::string::npos ? text : text.substr(first)});
    }
    exec("CREATE INDEX " + quote(m_instance.storageName("SYS", "X$SESSION") + "#SID") + " ON " +
         table("SYS", "X$SESSION") + " (SID)");
    exec("CREATE INDEX " + quote(m_instance.storageName("SYS", "X$LOCK") + "#SID") + " ON " +
         table("SYS", "X$LOCK") + " (SID)");
}

// The scenario's sequences hand out numbers from their LAST_NUMBER on, through the engine.
void Dictionary::startSequences()
{
    auto number = [](const Value &v) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.0f", v.number);
        return std::string(buf);
    };
    std::string script;
    for (const auto &r : rows("SELECT SEQUENCE_OWNER, SEQUENCE_NAME, MIN_VALUE, MAX_VALUE, INCREMENT_BY, CYCLE_FLAG, "
                              "ORDER_FLAG, CACHE_SIZE, LAST_NUMBER FROM " + table("SYS", "SEQ$")))
        script += "CREATE SEQUENCE " + quote(r[0].text) + "." + quote(r[1].text) + " START WITH " + number(r[8]) +
                  " MINVALUE " + number(r[2]) + " MAXVALUE " + number(r[3]) + " INCREMENT BY " + number(r[4]) +
                  (r[5].text == "Y" ? " CYCLE" : " NOCYCLE") + (r[6].text == "Y" ? " ORDER" : " NOORDER") +
                  (r[7].integer() > 1 ? " CACHE " + number(r[7]) : std::string(" NOCACHE")) + ";\n";
    m_instance.runScript(script);
}

// The SQLite-written views of catalog_views.sql: {OWNER.NAME} becomes the object's
// quoted storage name; each CREATE VIEW is registered as an Oracle view.
void Dictionary::createCatalogViews()
{
    std::string text = kCatalogViews, sql;
    for (std::size_t i = 0; i < text.size();) {
        if (text[i] == '{') {
            auto end = text.find('}', i);
            std::string name = text.substr(i + 1, end - i - 1);
            auto dot = name.find('.');
            sql += table(name.substr(0, dot), name.substr(dot + 1));
            i = end + 1;
        } else {
            sql += text[i++];
        }
    }
    // Statements end with ";" at a line end; "--" comments run to the line end.
    std::string statement;
    std::size_t pos = 0;
    while (pos < sql.size()) {
        auto eol = sql.find('\n', pos);
        std::string line = sql.substr(pos, eol == std::string::npos ? std::string::npos : eol - pos);
        pos = eol == std::string::npos ? sql.size() : eol + 1;
        auto first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line.compare(first, 2, "--") == 0) continue;
        statement += line + "\n";
        auto last = line.find_last_not_of(" \t\r");
        if (last != std::string::npos && line[last] == ';') {
            exec(statement);
            // CREATE VIEW "OWNER.NAME" AS ...
            auto q1 = statement.find('"'), q2 = statement.find('"', q1 + 1);
            std::string storage = statement.substr(q1 + 1, q2 - q1 - 1);
            auto dot = storage.find('.');
            m_instance.registerObject(storage.substr(0, dot), storage.substr(dot + 1), "VIEW");
            statement.clear();
        }
    }
}

// The V_$ and DBA_ views of SYS answer only users who may read the dictionary: each is
// renamed to NAME#BASE and replaced by a view that first asks sim_catalog_access. The
// question is a WHERE term without columns, which SQLite asks once before reading any row
// (so an empty result is refused too); as a joined one-row table (a CROSS JOIN) it would
// fix the join order, and a query joining several views (the status block's six) would
// read every view whole for each row of the one before.
void Dictionary::guardViews()
{
    auto views = rows("SELECT OBJECT_NAME FROM SIM_OBJECTS WHERE OWNER = 'SYS' AND OBJECT_TYPE = 'VIEW' AND "
                      "(substr(OBJECT_NAME, 1, 3) = 'V_$' OR substr(OBJECT_NAME, 1, 4) = 'DBA_')");
    for (const auto &v : views) {
        std::string storage = m_instance.storageName("SYS", v[0].text);
        std::string base = storage + "#BASE";
        auto def = scalar("SELECT sql FROM sqlite_master WHERE type = 'view' AND name = ?", {storage});
        if (def.null) continue;
        std::string sql = def.text;
        auto at = sql.find(quote(storage));
        if (at == std::string::npos) continue;
        sql.replace(at, quote(storage).size(), quote(base));
        exec(sql);
        exec("DROP VIEW " + quote(storage));
        exec("CREATE VIEW " + quote(storage) + " AS SELECT b.* FROM " + quote(base) +
             " b WHERE sim_catalog_access(ora_user()) = 1");
    }
}

// Every change to the object grants, whatever makes it (GRANT, REVOKE, DROP USER, a
// script), tells the engine, so sessions re-read their privileges at the next statement.
void Dictionary::watchGrants()
{
    const std::string objauth = table("SYS", "OBJAUTH$");
    for (const char *event : {"INSERT", "UPDATE", "DELETE"})
        exec("CREATE TRIGGER " + quote(m_instance.storageName("SYS", "OBJAUTH$") + "#" + event) + " AFTER " + event +
             " ON " + objauth + " BEGIN SELECT sim_privileges_changed(); END");
}

void Dictionary::registerLogins()
{
    // The scenario's accounts with the passwords their owners use (OUTLN is locked and
    // OPS$JPEREZ is identified by the operating system).
    m_instance.addLogin("HR", "HR", false);
    m_instance.addLogin("VENTAS", "VENTAS", false);
    m_instance.addLogin("DBSNMP", "DBSNMP", false);
    // Accounts nobody logs into still exist as schemas (ALTER SESSION SET CURRENT_SCHEMA).
    m_instance.addLogin("OUTLN", unusablePassword(), false);
    m_instance.addLogin("OPS$JPEREZ", unusablePassword(), false);
}

void install(InstanceContext &instance)
{
    auto opt = instance.options().find("scenario");
    std::string scenario = opt != instance.options().end() ? upper(opt->second)
                                                            : (instance.name() == "TEST" ? "NONE" : "ORCL");
    if (scenario == "NONE") return;
    if (scenario != "ORCL")
        throw oraError(12154, "TNS:could not resolve service name (unknown scenario " + opt->second + ")");
    auto dict = std::make_shared<Dictionary>(instance);
    // The scenario is loaded once per set of options (and day, which the table statistics'
    // dates follow); every further instance with them starts from a copy of that one.
    static std::mutex templatesMutex;
    static std::map<std::string, std::shared_ptr<const EngineSnapshot>> templates;
    std::string templateKey = std::to_string(instance.clock().now() / 86400);
    for (const auto &o : instance.options()) templateKey += "&" + o.first + "=" + o.second;
    std::shared_ptr<const EngineSnapshot> from;
    {
        std::lock_guard<std::mutex> lock(templatesMutex);
        auto it = templates.find(templateKey);
        if (it != templates.end()) from = it->second;
    }
    if (!from || !dict->loadFrom(*from)) {
        dict->load();
        if (auto made = instance.snapshot()) {
            std::lock_guard<std::mutex> lock(templatesMutex);
            if (templates.size() > 16) templates.clear();   // a few option sets at most stay
            templates[templateKey] = made;
        }
    }
    dict->varyForFleet();
    instance.setPrivileges(std::make_shared<GrantTable>(dict));
    instance.addBeforeStatementHook([dict](SessionContext &session) { dict->beforeStatement(session); });
    instance.addStatementHandler([dict](SessionContext &session, const std::string &sql, long &rows) {
        dict->syncClock();
        return handleDdl(*dict, session, sql, rows) || handleExplainPlan(*dict, session, sql, rows);
    });
}

} // namespace sim::dictionary
