#pragma once
// How the data dictionary plugs into the simulated instance's SQL engine.
//
// The engine runs queries, DML and table/view/synonym DDL itself. When an instance is
// created it calls `sim::dictionary::install()`, which loads the scenario (tables, views,
// synonyms, users, data) through `InstanceContext::runScript` and registers handlers for
// the statements the engine does not know itself (administrative DDL such as CREATE
// TABLESPACE, ALTER SYSTEM KILL SESSION, EXPLAIN PLAN). A statement the engine cannot
// parse is offered to each handler in registration order before ORA-00900 is raised.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

struct sqlite3;

namespace sim {

// An Oracle error: code 942 and message "ORA-00942: table or view does not exist".
class SimError;
// The whole state of an instance's engine (its database and catalog), to start others from.
struct EngineSnapshot;

// The instance clock: SYSDATE and all activity figures follow it. Tests fix and advance it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t now() const = 0;                  // unix seconds
    virtual void set(std::int64_t unixSeconds) = 0;         // fixes the clock (no longer follows real time)
    virtual void advance(std::int64_t seconds) = 0;
};

// Object privileges as the data dictionary records them. Once the dictionary installs one
// (InstanceContext::setPrivileges), the engine treats users as Oracle does:
//   - SYS, SYSTEM and users whose roles include DBA are DBAs; the roles are those enabled
//     at login (default roles and the roles they hold), so GRANT DBA and REVOKE DBA take
//     effect at the user's next login, as role grants do in Oracle;
//   - anyone else reads and changes the objects of his own schema, and other tables and
//     views (after synonyms) only through object privileges granted to him, to PUBLIC or
//     to one of his enabled roles. Object grants and revokes take effect at the next
//     statement. An object he holds no privilege on does not exist for him (ORA-00942);
//     one he holds other privileges on refuses the statement (ORA-01031).
// Without it (an instance with no dictionary) only the login's DBA flag counts.
class Privileges {
public:
    virtual ~Privileges() = default;
    // The roles USER has enabled once logged in: his default roles, the roles granted to
    // PUBLIC, and every role those hold in turn.
    virtual std::set<std::string> loginRoles(const std::string &user) = 0;
    // The object privileges (SELECT, INSERT, UPDATE, DELETE, ALTER, ...) held on
    // OWNER.NAME by any of `grantees` (a user, PUBLIC and the user's enabled roles).
    virtual std::set<std::string> objectPrivileges(const std::vector<std::string> &grantees,
                                                   const std::string &owner, const std::string &name) = 0;
    // DROP TABLE or DROP VIEW removed OWNER.NAME: its grants go with it, so an object made
    // later under the same name starts without them (CREATE OR REPLACE VIEW keeps them).
    virtual void objectDropped(const std::string &owner, const std::string &name) {}
};

// The connection a statement runs on.
class SessionContext {
public:
    virtual ~SessionContext() = default;
    virtual std::string user() const = 0;                   // login, upper case
    virtual std::string currentSchema() const = 0;
    virtual void setCurrentSchema(const std::string &schema) = 0;
    virtual long sid() const = 0;                            // this connection's row in v$session
    virtual bool isDba() const = 0;                          // SYS, SYSTEM and holders of DBA at login
    // Runs Oracle SQL on this connection with the connected user's rights (nested statements
    // are not logged as received statements). Returns rows processed; throws SimError.
    virtual long execute(const std::string &oracleSql) = 0;
    // The SQLite text the engine would run for an Oracle query (for plans and checks).
    virtual std::string translateQuery(const std::string &oracleSelect) = 0;
};

// The instance as the dictionary sees it.
class InstanceContext {
public:
    virtual ~InstanceContext() = default;
    virtual const std::string &name() const = 0;           // "ORCL"
    // Options given after the instance name: sim:ORCL?sessions=5000&datafiles=200
    virtual const std::map<std::string, std::string> &options() const = 0;
    virtual sqlite3 *db() = 0;                              // the instance's SQLite database
    virtual Clock &clock() = 0;
    // Runs a script of Oracle statements separated by ";" at line end, as SYS, no privilege checks.
    virtual void runScript(const std::string &oracleScript) = 0;
    // SQLite name of the table or view that stores OWNER.NAME (both upper case). The name
    // is bare ("SYS.V_$SESSION"): double-quote it in SQLite SQL.
    virtual std::string storageName(const std::string &owner, const std::string &name) const = 0;
    // Declares OWNER.NAME (type TABLE or VIEW) as an object the caller created itself
    // through db() under storageName(owner, name), e.g. a dictionary view written in
    // SQLite over the engine's catalog tables:
    //   SIM_OBJECTS(OWNER, OBJECT_NAME, OBJECT_TYPE, OBJECT_ID, CREATED)  tables, views,
    //       synonyms (PUBLIC ones with owner PUBLIC) and indexes created through SQL
    //   SIM_SYNONYMS(OWNER, SYNONYM_NAME, TABLE_OWNER, TABLE_NAME, DB_LINK)
    //   SIM_COLUMNS(OWNER, TABLE_NAME, COLUMN_ID, COLUMN_NAME, DATA_TYPE, DATA_LENGTH,
    //       DATA_PRECISION, DATA_SCALE, NULLABLE)   columns of tables made by CREATE TABLE
    virtual void registerObject(const std::string &owner, const std::string &name,
                                const std::string &type) {}
    // Login accounts the engine accepts (the dictionary registers its users here). `dba`
    // counts only while no Privileges are installed; with them, the DBA role does.
    virtual void addLogin(const std::string &user, const std::string &password, bool dba) = 0;
    virtual void dropLogin(const std::string &user) = 0;

    // Returns true when it handled the statement, setting rowsProcessed; throws SimError.
    using StatementHandler =
        std::function<bool(SessionContext &, const std::string &sql, long &rowsProcessed)>;
    virtual void addStatementHandler(StatementHandler handler) = 0;
    // Called before each statement runs, so activity figures can follow the clock.
    virtual void addBeforeStatementHook(std::function<void(SessionContext &)> hook) = 0;
    // Object privileges for ordinary users (see Privileges); none by default.
    virtual void setPrivileges(std::shared_ptr<Privileges> privileges) {}
    // The recorded object grants changed: every session re-reads them at its next statement.
    virtual void privilegesChanged() {}
    // The engine as it stands (before any session has used it), and an instance made from
    // such a snapshot: the same database, catalog and logins, at a copy's cost instead of a
    // script's. restore() is false when the instance cannot take it.
    virtual std::shared_ptr<const EngineSnapshot> snapshot() { return nullptr; }
    virtual bool restore(const EngineSnapshot &) { return false; }
};

namespace dictionary {
// Provided by the dictionary (src/simulator/dictionary/); without that folder the engine
// links a default that does nothing, so the engine builds and tests on its own.
void install(InstanceContext &instance);
}

} // namespace sim
