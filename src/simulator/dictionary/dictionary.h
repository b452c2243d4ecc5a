#pragma once
// The data dictionary of one simulated instance: loads the scenario, keeps the clock
// figures current, answers whether a user may read the dictionary, and offers the small
// SQLite helpers the DDL handlers and explain plan share. Internal to the dictionary.
#include "extension.h"

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace sim::dictionary {

// One value read from SQLite: null, or its text and (for numbers) its numeric value.
struct Value {
    bool null = true;
    std::string text;
    double number = 0;
    long long integer() const { return static_cast<long long>(number); }
};
using Row = std::vector<Value>;

class Dictionary {
public:
    explicit Dictionary(InstanceContext &instance);

    // Loads the scenario with the instance's options and registers everything.
    void load();
    // The same from a snapshot of an instance that loaded it; false when it cannot.
    bool loadFrom(const EngineSnapshot &snapshot);
    // Gives a numbered instance (ORCL7) its own identity and figures.
    void varyForFleet();

    InstanceContext &instance() { return m_instance; }

    // The quoted SQLite name of the Oracle object OWNER.NAME.
    std::string table(const std::string &owner, const std::string &name) const;

    // SQLite access with "?" parameters (texts; numbers pass as their text and are
    // compared by SQLite's affinity rules, so bind numbers with bindNumber()).
    struct Param {
        enum Kind { Null, Text, Number } kind = Null;
        std::string text;
        double number = 0;
        Param() = default;
        Param(const char *t) : kind(Text), text(t) {}
        Param(std::string t) : kind(Text), text(std::move(t)) {}
        Param(int n) : kind(Number), number(n) {}
        Param(long n) : kind(Number), number(static_cast<double>(n)) {}
        Param(long long n) : kind(Number), number(static_cast<double>(n)) {}
        Param(double n) : kind(Number), number(n) {}
    };
    std::vector<Row> rows(const std::string &sql, const std::vector<Param> &params = {});
    std::optional<Row> row(const std::string &sql, const std::vector<Param> &params = {});
    Value scalar(const std::string &sql, const std::vector<Param> &params = {});
    long exec(const std::string &sql, const std::vector<Param> &params = {});

    // Keeps SYS.X$CLOCK on the instance clock (called before every statement).
    void syncClock();
    std::int64_t now() { return m_instance.clock().now(); }
    std::int64_t startup();

    // Makes the connection's own session visible in v$session (once per connection)
    // and refuses statements of a session that was killed (ORA-00028).
    void noteSession(SessionContext &session);

    // Gives tables and indexes created or dropped through SQL since the last call their
    // segment (space taken from the owner's default tablespace) or frees it, and new
    // views their text in dba_views.
    void syncSegments();

    // Runs syncClock, noteSession and syncSegments unless nothing they depend on changed
    // since they last ran for this session: the same session, clock second, rows, catalog
    // and open connections. A repeated statement then costs no dictionary work at all.
    void beforeStatement(SessionContext &session);

    // Whether USER may read the dictionary and dynamic performance views: SYS, SYSTEM
    // and users holding DBA or SELECT_CATALOG_ROLE.
    bool catalogAccess(const std::string &user);
    void forgetPrivileges() { m_access.clear(); }

    // The roles USER has enabled at login: his default roles, PUBLIC's, and the roles they hold.
    std::set<std::string> enabledRoles(const std::string &user);
    // The object privileges on OWNER.NAME granted to any of `grantees`; SELECT_CATALOG_ROLE
    // counts as SELECT on every V_$ and DBA_ view of SYS.
    std::set<std::string> objectPrivileges(const std::vector<std::string> &grantees, const std::string &owner,
                                           const std::string &name);

    // Current SCN as the views compute it.
    long long currentScn();

private:
    void addConnectionSession(SessionContext &session);
    void forgetClosedConnections(long current);
    void runScenario();
    void scale();
    void registerFunctions();
    void completeCatalog();
    void startSequences();
    void createCatalogViews();
    void guardViews();
    void watchGrants();
    void registerLogins();

    InstanceContext &m_instance;
    std::int64_t m_lastClock = -1;
    bool m_started = false;
    std::set<long> m_connectionSids;
    std::map<std::string, bool> m_access;
    long long m_lastObjectId = 0;
    std::set<std::pair<std::string, std::string>> m_runtimeSegments, m_runtimeViews;
    // What the instance looked like when beforeStatement last brought everything up to date.
    struct SyncPoint {
        long sid = -1;
        std::int64_t clock = 0;
        std::int64_t changes = -1;       // sqlite3_total_changes64 of the instance
        std::uint64_t catalog = 0;
        std::vector<long> sessions;
        bool operator==(const SyncPoint &o) const
        {
            return sid == o.sid && clock == o.clock && changes == o.changes && catalog == o.catalog &&
                   sessions == o.sessions;
        }
    };
    SyncPoint syncPoint(SessionContext &session);
    SyncPoint m_synced;
};

// The password given to accounts that are identified externally or never log in.
std::string unusablePassword();

// Statement handlers (ddl.cpp): administrative DDL with its dictionary effects.
bool handleDdl(Dictionary &dict, SessionContext &session, const std::string &sql, long &rows);
// EXPLAIN PLAN (explainplan.cpp).
bool handleExplainPlan(Dictionary &dict, SessionContext &session, const std::string &sql, long &rows);

} // namespace sim::dictionary
