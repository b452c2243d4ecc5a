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
#include <string>

struct sqlite3;

namespace sim {

// An Oracle error: code 942 and message "ORA-00942: table or view does not exist".
class SimError;

// The instance clock: SYSDATE and all activity figures follow it. Tests fix and advance it.
class Clock {
public:
    virtual ~Clock() = default;
    virtual std::int64_t now() const = 0;                  // unix seconds
    virtual void set(std::int64_t unixSeconds) = 0;         // fixes the clock (no longer follows real time)
    virtual void advance(std::int64_t seconds) = 0;
};

// The connection a statement runs on.
class SessionContext {
public:
    virtual ~SessionContext() = default;
    virtual std::string user() const = 0;                   // login, upper case
    virtual std::string currentSchema() const = 0;
    virtual void setCurrentSchema(const std::string &schema) = 0;
    virtual long sid() const = 0;                            // this connection's row in v$session
    virtual bool isDba() const = 0;                          // SYS, SYSTEM and holders of DBA
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
    // Login accounts the engine accepts (the dictionary registers its users here).
    virtual void addLogin(const std::string &user, const std::string &password, bool dba) = 0;
    virtual void dropLogin(const std::string &user) = 0;

    // Returns true when it handled the statement, setting rowsProcessed; throws SimError.
    using StatementHandler =
        std::function<bool(SessionContext &, const std::string &sql, long &rowsProcessed)>;
    virtual void addStatementHandler(StatementHandler handler) = 0;
    // Called before each statement runs, so activity figures can follow the clock.
    virtual void addBeforeStatementHook(std::function<void(SessionContext &)> hook) = 0;
};

namespace dictionary {
// Provided by the dictionary (src/simulator/dictionary/); without that folder the engine
// links a default that does nothing, so the engine builds and tests on its own.
void install(InstanceContext &instance);
}

} // namespace sim
