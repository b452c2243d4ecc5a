#pragma once
// The simulated instance and its sessions: one in-memory SQLite database per instance
// key per process, the catalog of Oracle objects stored in it, logins, the statement log,
// injected faults and the clock. Internal to the simulator; the access layer uses
// simulator.h, tests use testing.h, the dictionary uses extension.h.
#include "extension.h"
#include "functions.h"
#include "simerror.h"
#include "simulator.h"
#include "translator.h"

#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

struct sqlite3_stmt;

namespace sim {

namespace ast { struct Statement; struct ConstraintDef; struct ColumnDef; }

// The SQLite declared type of an Oracle column.
std::string sqliteType(const ast::ColumnDef &c);

class Session;

class InstanceClock : public Clock {
public:
    std::int64_t now() const override;
    void set(std::int64_t unixSeconds) override;
    void advance(std::int64_t seconds) override;
    bool fixed() const { return m_fixed; }

private:
    bool m_fixed = false;
    std::int64_t m_value = 0;     // fixed: the time; otherwise: offset from real time
};

struct LoggedStatement {
    std::string sql;
    long connection = 0;          // session id (SID) of the connection
    std::string user;
};

struct CatalogEntry {
    std::string owner, name, type;   // type: TABLE, VIEW, SYNONYM, INDEX
    std::string storage;             // SQLite name (tables, views, indexes)
    std::string targetOwner, targetName;   // synonyms
    std::string targetLink;                // synonyms for remote objects: the database link
};

// One SELECT ... INTO of an anonymous block, translated.
struct BlockStep {
    std::string sqlite;
    std::vector<std::string> into;   // the output binds its columns go to, in order
    std::size_t sourcePos = 0;       // where it starts in the block's text (error positions)
};

// A statement translated once and run many times. A block of SELECT ... INTO steps is
// kept whole, so running it again neither parses nor translates.
struct PreparedStatement {
    enum Kind { Query, Dml, Block } kind = Query;
    std::string sqlite;
    std::vector<std::string> into;
    std::vector<BlockStep> steps;    // Block
    std::uint64_t catalogVersion = 0;
};

// A sequence as the engine hands out its numbers.
struct SequenceState {
    double start = 1, last = 0, increment = 1, minValue = 1, maxValue = 1e27, lastNumber = 1;
    long cache = 20;
    bool started = false, cycle = false, order = false;
};

// What a new instance copies from one that loaded the same scenario. Every member of the
// engine that loading a scenario fills (outside the SQLite database) belongs here, copied
// by Instance::snapshot() and restore(); one left out would be missing from the copies.
struct EngineSnapshot {
    std::vector<unsigned char> database;        // the serialized SQLite database
    std::unordered_map<std::string, CatalogEntry> catalog;
    struct Login {
        std::string password;
        bool dba = false;
        long uid = 0;
    };
    std::map<std::string, Login> logins;
    long nextUid = 0, nextObjectId = 0;
    std::map<std::string, SequenceState> sequences;   // the engine's state of schema objects
    long nextConstraint = 0;
    bool anyTriggers = false;
};

class Instance : public InstanceContext, public Catalog, public FunctionHost {
public:
    Instance(std::string key, std::string name, std::map<std::string, std::string> options);
    ~Instance() override;

    // InstanceContext
    const std::string &name() const override { return m_name; }
    const std::map<std::string, std::string> &options() const override { return m_options; }
    sqlite3 *db() override { return m_db; }
    Clock &clock() override { return m_clock; }
    void runScript(const std::string &oracleScript) override;
    std::string storageName(const std::string &owner, const std::string &name) const override;
    void addLogin(const std::string &user, const std::string &password, bool dba) override;
    void dropLogin(const std::string &user) override;
    void addStatementHandler(StatementHandler handler) override;
    void addBeforeStatementHook(std::function<void(SessionContext &)> hook) override;
    void registerObject(const std::string &owner, const std::string &name, const std::string &type) override;
    void setPrivileges(std::shared_ptr<Privileges> privileges) override { m_privileges = std::move(privileges); }
    void privilegesChanged() override { ++m_catalogVersion; }
    std::shared_ptr<const EngineSnapshot> snapshot() override;
    bool restore(const EngineSnapshot &snapshot) override;
    Privileges *privileges() const { return m_privileges.get(); }

    // Catalog
    ResolvedTable resolve(const std::string &schema, const std::string &name,
                          const std::string &currentSchema) override;
    std::vector<std::string> columns(const std::string &storage) override;
    std::vector<ColumnType> columnTypes(const std::string &storage) override;

    // FunctionHost
    std::int64_t now() const override { return m_clock.now(); }
    std::string dateFormat() const override;
    std::string currentUser() const override;
    long currentUid() const override;
    long currentSid() const override;

    const std::string &key() const { return m_key; }

    // Logins and sessions.
    std::shared_ptr<Session> login(const std::string &user, const std::string &password);
    void detach(Session *s);
    void dropAllSessions();
    std::vector<long> sessionIds() const;
    Session *sessionById(long sid) const;
    long uidOf(const std::string &user) const;
    bool isDbaUser(const std::string &user) const;
    bool userExists(const std::string &user) const;

    // Catalog maintenance (DDL).
    const CatalogEntry *find(const std::string &owner, const std::string &name) const;
    void addEntry(CatalogEntry e);
    void removeEntry(const std::string &owner, const std::string &name);
    std::uint64_t catalogVersion() const { return m_catalogVersion; }

    // Small SQLite helpers (schema.cpp): "?" parameters are texts, the empty text NULL;
    // results come back as texts, NULL as the empty text.
    std::vector<std::vector<std::string>> rows(const std::string &sql, const std::vector<std::string> &params = {});
    void run(const std::string &sql, const std::vector<std::string> &params = {});
    // A definition changed: cached translations and column lists are dropped.
    void schemaChanged();
    // Rows of SIM_OBJECTS alone, for objects outside the namespace of tables and views
    // (package and type bodies, triggers, indexes).
    void addObjectRow(const std::string &owner, const std::string &name, const std::string &type);
    void removeObjectRow(const std::string &owner, const std::string &name, const std::string &type);

    // Constraints (schema.cpp).
    struct Constraint {
        std::string owner, name, table;
        char type = 'C';                 // P, U, C, R
        std::vector<std::string> columns;
        std::string condition, rOwner, rName, deleteRule;
        bool enabled = true, notNull = false;
    };
    std::vector<Constraint> constraints(const std::string &where, const std::vector<std::string> &params);
    std::optional<Constraint> constraint(const std::string &owner, const std::string &name);
    void addConstraint(const std::string &owner, const std::string &table, ast::ConstraintDef def,
                       const std::string &currentSchema);
    void removeConstraint(const Constraint &c, bool cascade);
    void setConstraintEnabled(const Constraint &c, bool enabled, bool cascade);
    std::vector<Constraint> dependents(const Constraint &key);
    std::vector<Constraint> enforcedOn(const std::string &owner, const std::string &table);
    void dropTableConstraints(const std::string &owner, const std::string &table, bool cascade);
    void checkTruncate(const std::string &owner, const std::string &table);
    void createEnforcement(const Constraint &c);
    void dropEnforcement(const Constraint &c);
    void refreshNullable(const std::string &owner, const std::string &table);
    SimError uniqueViolation(const std::string &sqliteMessage);

    // Sequences: their numbers are handed out outside transactions, as Oracle does.
    using Sequence = SequenceState;
    // "OWNER.NAME" of the sequence [schema.]name; ORA-02289 when there is none.
    std::string resolveSequence(const std::string &schema, const std::string &name,
                                const std::string &currentSchema) const;
    double nextValue(const std::string &key);
    std::optional<double> sequenceLast(const std::string &key) const;
    std::optional<Sequence> sequenceState(const std::string &key) const
    {
        auto it = m_sequences.find(key);
        if (it == m_sequences.end()) return std::nullopt;
        return it->second;
    }
    void setSequenceState(const std::string &key, const Sequence &s) { m_sequences[key] = s; }
    void dropSequenceState(const std::string &key) { m_sequences.erase(key); }
    // Whether any trigger was ever created (DML then looks for enabled ones).
    bool hasTriggers() const { return m_anyTriggers; }
    void noteTrigger() { m_anyTriggers = true; }

    // Statement running support.
    sqlite3_stmt *prepare(const std::string &sqlite);
    std::shared_ptr<PreparedStatement> cached(const std::string &key);
    void cache(const std::string &key, std::shared_ptr<PreparedStatement> p);
    void begin(Session *owner);          // opens the transaction for DML if none is open
    void commit();
    void rollback();
    bool inTransaction() const;
    void exec(const std::string &sqlite);  // runs SQLite text, errors mapped to ORA

    // Statement log, faults, handlers.
    void log(const std::string &sql, const Session &s);
    std::vector<LoggedStatement> statementLog() const { return {m_log.begin(), m_log.end()}; }
    void clearLog()
    {
        m_log.clear();
        m_logBytes = 0;
    }
    static constexpr std::size_t kLogEntries = 5000;
    static constexpr std::size_t kLogBytes = 8 * 1024 * 1024;
    void injectFaults(int count, int code, const std::string &message);
    bool takeFault(SimError &out);
    std::vector<StatementHandler> &handlers() { return m_handlers; }
    std::vector<std::function<void(SessionContext &)>> &hooks() { return m_hooks; }

    Session *current = nullptr;          // the session whose statement is running
    bool scriptMode = false;             // runScript: one transaction, no implicit commits

private:
    void createCatalogTables();
    void createSchemaTables();
    void createBaseObjects();
    std::string systemConstraintName(const std::string &owner);
    std::string checkSql(const Constraint &c);
    void validate(const Constraint &c);
    std::map<std::string, Sequence> m_sequences;
    long m_nextConstraint = 3400;
    bool m_anyTriggers = false;

    std::string m_key, m_name;
    std::map<std::string, std::string> m_options;
    sqlite3 *m_db = nullptr;
    InstanceClock m_clock;
    struct Login {
        std::string password;
        bool dba = false;
        long uid = 0;
    };
    std::map<std::string, Login> m_logins;
    long m_nextUid = 100;
    std::unordered_map<std::string, CatalogEntry> m_catalog;
    std::uint64_t m_catalogVersion = 1;
    long m_nextObjectId = 1000;
    std::unordered_map<std::string, std::vector<std::string>> m_columnCache;
    std::unordered_map<std::string, std::vector<ColumnType>> m_typeCache;
    std::unordered_map<std::string, std::shared_ptr<PreparedStatement>> m_translations;
    std::unordered_map<std::string, sqlite3_stmt *> m_statements;
    // Statements and translations longer than this are not cached (bounded memory); the
    // last few such statements stay prepared while their callers step them.
    static constexpr std::size_t kLargestCached = 64 * 1024;
    std::vector<sqlite3_stmt *> m_oneOff;
    sqlite3_stmt *keepOne(sqlite3_stmt *st);
    std::deque<LoggedStatement> m_log;
    std::size_t m_logBytes = 0;
    struct Fault {
        int code;
        std::string message;
    };
    std::deque<Fault> m_faults;
    std::vector<StatementHandler> m_handlers;
    std::vector<std::function<void(SessionContext &)>> m_hooks;
    std::map<long, Session *> m_sessions;
    long m_nextSid = 7;
    std::shared_ptr<Session> m_sysSession;
    std::shared_ptr<Privileges> m_privileges;
};

class Session : public SessionContext, public std::enable_shared_from_this<Session> {
public:
    // `roles`: the roles enabled at login; with the instance's Privileges installed, a
    // session that is not a DBA uses other schemas' objects only through object grants.
    Session(Instance &instance, std::string user, long sid, bool dba, std::vector<std::string> roles = {});
    ~Session() override;

    // SessionContext
    std::string user() const override { return m_user; }
    std::string currentSchema() const override { return m_schema; }
    void setCurrentSchema(const std::string &schema) override { m_schema = schema; }
    // ALTER SESSION settings (NLS_DATE_FORMAT, ...); empty when not set.
    std::string parameter(const std::string &name) const;
    // The session's CURRVAL of sequence "OWNER.NAME"; false before its first NEXTVAL.
    bool currval(const std::string &key, double &value) const;
    void setCurrval(const std::string &key, double value) { m_currval[key] = value; }
    long sid() const override { return m_sid; }
    bool isDba() const override { return m_dba; }
    long execute(const std::string &oracleSql) override;
    std::string translateQuery(const std::string &oracleSelect) override;

    // Top-level calls from a connection: logged, subject to faults and hooks.
    void query(const std::string &sql, RowSink &sink);
    // The SQLite text of a query, logged and checked like query(), for a cursor.
    std::string cursorQuery(const std::string &sql);
    long run(const std::string &sql);
    void block(const std::string &text, std::vector<BindValue> &binds);

    const std::string &userName() const { return m_user; }
    bool connectionOK() const { return !m_dropped && !m_closed; }
    void drop();        // the connection is lost: ORA-03113 on the next call
    void close();
    Instance &instance() { return m_instance; }

private:
    void enter(const std::string &sql);
    long statement(const std::string &sql, RowSink *sink, bool nested);
    long runParsed(ast::Statement &st, const std::string &sql, RowSink *sink);
    void runParsedStep(ast::Statement &step);
    void runBlock(const std::string &text, ast::Statement &block, std::vector<BindValue> &binds);
    void runBlockStep(const BlockStep &step, std::vector<BindValue> &binds);
    // The key a block's translation is kept under (apart from single statements').
    std::string blockKey(const std::string &text) const;
    void runQuery(const std::string &sqlite, RowSink &sink);
    long runDml(const std::string &sqlite);
    long ddl(ast::Statement &st);
    // schema.cpp
    long schemaDdl(ast::Statement &st);
    long alterTable(ast::Statement &st);
    long sequenceDdl(ast::Statement &st);
    long storedDdl(ast::Statement &st);
    long alterSession(ast::Statement &st);
    void checkTriggers(const std::string &owner, const std::string &table, int kind,
                       const std::vector<std::string> &setColumns);
    void checkWrite(const std::string &owner) const;
    std::string ownerFor(const ast::TableRef &t) const;

    // Object privileges, as bits.
    enum Access : unsigned { Select = 1, Insert = 2, Update = 4, Delete = 8, Index = 16, Other = 32 };
    bool checksPrivileges() const { return !m_dba && m_instance.privileges(); }
    unsigned heldOn(const std::string &owner, const std::string &name);
    // ORA-00942 when the session may not see OWNER.NAME, ORA-01031 when it may see it but
    // lacks `needed`; nothing for a DBA, the owner, or without object privileges at all.
    void checkAccess(const std::string &owner, const std::string &name, unsigned needed);
    // DROP and TRUNCATE of another schema's object: ORA-01031, or ORA-00942 when hidden.
    void checkOwnerOfVisible(const std::string &owner, const std::string &name);
    // INSERT, UPDATE or DELETE (the statement kind) on a resolved table or view.
    void checkDml(const ResolvedTable &r, int kind);
    // The catalog statements of this session are translated with: the instance's,
    // checking SELECT on every table and view a query names.
    Catalog &catalog();
    struct CheckedCatalog : Catalog {
        explicit CheckedCatalog(Session &s) : session(s) {}
        ResolvedTable resolve(const std::string &schema, const std::string &name,
                              const std::string &currentSchema) override;
        std::vector<std::string> columns(const std::string &storage) override;
        std::vector<ColumnType> columnTypes(const std::string &storage) override;
        Session &session;
    };

    Instance &m_instance;
    std::string m_user, m_schema;
    long m_sid;
    bool m_dba;
    bool m_dropped = false, m_closed = false, m_dropReported = false;
    std::vector<std::string> m_grantees;     // the user, PUBLIC and the enabled roles
    std::string m_cacheTag;                  // translations are shared by equal rights only
    CheckedCatalog m_checked{*this};
    std::unordered_map<std::string, unsigned> m_held;   // object -> Access bits
    std::uint64_t m_heldVersion = 0;         // catalog version m_held was read at
    std::map<std::string, std::string> m_parameters;        // ALTER SESSION SET
    std::map<std::string, double> m_currval;                // sequence -> last NEXTVAL
};

// The process-wide registry of instances, keyed by the upper-cased text after "sim:".
class Registry {
public:
    static Registry &get();
    // Finds or creates the instance; throws ORA-12154 for an unknown name.
    std::shared_ptr<Instance> instance(const std::string &key);
    std::shared_ptr<Instance> existing(const std::string &key);
    void reset(const std::string &key);
    void resetAll();
    void allowName(const std::string &name);
    bool knownName(const std::string &name);

private:
    std::mutex m_mutex;
    std::map<std::string, std::shared_ptr<Instance>> m_instances;
    std::vector<std::string> m_extraNames;
};

std::string normaliseKey(const std::string &key);   // strips "sim:", upper-cases
SimError sqliteError(const std::string &sqliteMessage);   // the Oracle error for a SQLite one

} // namespace sim
