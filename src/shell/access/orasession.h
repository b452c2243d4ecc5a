#pragma once
// The Oracle access interface: session, database, dynaset and parameters.
// Operation names follow the access object model the windows are written against
// (DbOpenDatabase, DbCreateDynaset, DbExecuteSQL, ExecuteSQL, LastServerErr, ...).
// Every failure is thrown as access::OraError.
#include "calls.h"
#include "driver.h"
#include "oraerror.h"
#include "oravalue.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

// The namespace sits in an inline namespace because POSIX declares a function
// ::access() (unistd.h, pulled in by <memory>); write access::OraSession as usual, and
// forward-declare through accessfwd.h, never with a bare "namespace access {".
inline namespace sqlvigil {
namespace access {

// A read-only result positioned on its first row.
class OraDynaset {
public:
    explicit OraDynaset(OraResult result);

    bool IsEOF() const;                          // "EOF": past the last row (at once when empty)
    bool IsBOF() const;                          // before the first row
    const OraValue &Fields(const std::string &alias) const;   // by name, case-insensitive
    bool HasField(const std::string &alias) const;
    const OraValue &FieldAt(std::size_t column) const;          // by position (0-based)
    void MoveNext();
    void MovePrevious();
    void MoveFirst();
    long RecordCount() const;
    void Close();
    const std::vector<std::string> &columnNames() const;

private:
    OraResult m_result;
    std::map<std::string, std::size_t> m_index;  // upper-case name -> column
    long m_row = 0;
    bool m_closed = false;
};

class CallLine;

// A read-only query result fetched in batches, for results too large to
// materialise (the SQL editor's grid asks for rows as the user scrolls).
class OraCursor {
public:
    explicit OraCursor(std::unique_ptr<DriverCursor> cursor);
    // A cursor whose fetches travel like the other calls of its connection.
    OraCursor(std::unique_ptr<DriverCursor> cursor, std::shared_ptr<CallLine> line);
    const std::vector<std::string> &columnNames() const;
    // Appends up to maxRows rows to `rows`; answers false once the result is
    // exhausted (later calls append nothing). Throws OraError.
    bool Fetch(std::size_t maxRows, std::vector<std::vector<OraValue>> &rows);
    bool IsEOF() const { return m_done; }
    void Close();

private:
    std::shared_ptr<DriverCursor> m_cursor;
    std::shared_ptr<CallLine> m_line;
    std::vector<std::string> m_columns;
    bool m_done = false;
};

class OraParameters {
public:
    // kind 2 = output; initial value as given.
    void Add(const std::string &name, const OraValue &initial, int kind);
    void Remove(const std::string &name);
    OraBind &operator()(const std::string &name);          // Parameters(name)
    void SetServerType(const std::string &name, int type);  // Parameters(name).ServerType
    const OraValue &Value(const std::string &name) const;   // Parameters(name).Value
    bool Contains(const std::string &name) const;
    std::vector<OraBind> &binds() { return m_binds; }

private:
    std::vector<OraBind> m_binds;
};

// How the calls of one connection travel: inline on the caller's thread when nobody
// waits elsewhere and there is no time limit, otherwise on a thread of their own
// while the waiter waits. One call at a time: a call made while another is out
// waits for it first. Shared with the connection's cursors and with the threads of
// calls still out.
class CallLine {
public:
    CallLine(std::shared_ptr<DriverConnection> conn, std::string service, std::string user);

    // Runs `job` on the connection and throws what it threw (ORA-03114 once the
    // connection is closed or dead). `what` is the statement, traced when `trace`.
    void run(const std::string &what, const std::function<void(DriverConnection &)> &job, bool trace = true);
    // Starts `job` and answers at once; end() waits for it and throws what it threw.
    std::shared_ptr<PendingCall> start(const std::string &what, const std::function<void(DriverConnection &)> &job,
                                       int limitMs);
    void end(const std::shared_ptr<PendingCall> &call);

    int lastServerErr() const { return m_lastServerErr; }
    bool connectionOK();
    bool dead() const { return m_dead; }
    bool open() const { return m_conn != nullptr; }
    bool busy() const;
    std::shared_ptr<PendingCall> current() const { return m_call; }
    void breakCall();
    void close();

    std::shared_ptr<CallWaiter> waiter;       // none: inline unless there is a limit
    int statementLimitMs = 0;                 // 0: none

private:
    void check();
    void waitIdle();
    void failed(const OraError &e);

    std::shared_ptr<DriverConnection> m_conn;
    std::string m_service, m_user;
    std::shared_ptr<PendingCall> m_call;     // the last call sent to a thread
    int m_lastServerErr = 0;
    bool m_dead = false;
    std::atomic<int> m_inline{0};             // calls running inline right now
};

class OraDatabase {
public:
    OraDatabase(std::unique_ptr<DriverConnection> conn, std::string service, std::string user);
    ~OraDatabase();

    std::unique_ptr<OraDynaset> DbCreateDynaset(const std::string &sql, int options = 4);
    // Opens a query whose rows are read in batches through the cursor.
    std::unique_ptr<OraCursor> DbOpenCursor(const std::string &sql);
    // Runs a query and hands its rows to `to` as they are fetched from its cursor, in
    // arrays of kFetchArray rows, without keeping them: the first row arrives before the
    // driver has produced the rest, and a result of any size holds one array at a time.
    void DbStreamQuery(const std::string &sql, RowReceiver &to);
    long DbExecuteSQL(const std::string &sql);
    void ExecuteSQL(const std::string &plsql);   // runs a block with the declared Parameters
    int LastServerErr() const { return m_line->lastServerErr(); }
    bool ConnectionOK();
    OraParameters &Parameters() { return m_params; }
    void Close();

    // A block started on the connection's own thread, so that several connections
    // answer side by side; EndExecuteSQL waits for it, stores its outputs in
    // Parameters and throws what it threw. limitMs 0: the statement limit.
    std::shared_ptr<PendingCall> StartExecuteSQL(const std::string &plsql, int limitMs = 0);
    void EndExecuteSQL(const std::shared_ptr<PendingCall> &call);

    // Breaks the call that is out on this connection (it ends with ORA-01013).
    void BreakCall() { m_line->breakCall(); }
    // A call is out on this connection right now.
    bool Busy() const { return m_line->busy(); }
    // The connection was found gone (ORA-03113, ORA-03114, ORA-03135, ORA-12537, ...) or
    // a broken call never ended: every call fails, ConnectionOK answers false.
    bool Dead() const { return m_line->dead(); }

    void setWaiter(std::shared_ptr<CallWaiter> waiter) { m_line->waiter = std::move(waiter); }
    CallWaiter *waiter() const { return m_line->waiter.get(); }
    void setStatementLimit(int ms) { m_line->statementLimitMs = ms; }
    int statementLimit() const { return m_line->statementLimitMs; }

    const std::string &service() const { return m_service; }
    const std::string &user() const { return m_user; }

private:
    std::shared_ptr<CallLine> m_line;
    OraParameters m_params;
    std::string m_service, m_user;
    std::shared_ptr<std::vector<OraBind>> m_started;   // outputs of the started block
};

// How a connection is opened and how its calls travel.
struct OpenOptions {
    std::shared_ptr<CallWaiter> waiter;       // none: the calling thread blocks
    int connectLimitMs = 0;                   // 0: none
    int statementLimitMs = 0;                 // 0: none
};

// Created once; routes a service name to its driver: "sim:NAME" to the simulated
// instance NAME, everything else to the Oracle client library.
class OraSession {
public:
    OraSession();
    ~OraSession();
    // userPassword is "user/password"; options 0.
    std::unique_ptr<OraDatabase> DbOpenDatabase(const std::string &service,
                                                const std::string &userPassword,
                                                int options = 0);
    // The same with a waiter and time limits: the connect runs on a thread of its own.
    std::unique_ptr<OraDatabase> DbOpenDatabase(const std::string &service, const std::string &userPassword,
                                                int options, const OpenOptions &how);
    // Replaces the driver for real servers (tests, or a later client-library driver).
    void setClientDriver(std::unique_ptr<Driver> driver);

private:
    // Shared with the threads of connects still out.
    std::shared_ptr<Driver> m_simDriver;
    std::shared_ptr<Driver> m_clientDriver;
};

// Appends a statement to the file named by SQLVIGIL_SQL_TRACE (if set), line breaks folded
// and passwords written as ********. The file is created readable by its owner only.
void traceStatement(const std::string &sql);
// The statement with every password replaced by ********: the word after IDENTIFIED BY
// (and after its REPLACE), and the password of a CONNECT user/password.
std::string redactSecrets(const std::string &sql);
// The statement as the trace shows it (redactSecrets).
inline std::string traceText(const std::string &sql) { return redactSecrets(sql); }

} // namespace access
} // namespace sqlvigil
