#pragma once
// The Oracle access interface: session, database, dynaset and parameters.
// Operation names follow the access object model the windows are written against
// (DbOpenDatabase, DbCreateDynaset, DbExecuteSQL, ExecuteSQL, LastServerErr, ...).
// Every failure is thrown as access::OraError.
#include "driver.h"
#include "oraerror.h"
#include "oravalue.h"

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

// A read-only query result fetched in batches, for results too large to
// materialise (the SQL editor's grid asks for rows as the user scrolls).
class OraCursor {
public:
    explicit OraCursor(std::unique_ptr<DriverCursor> cursor);
    const std::vector<std::string> &columnNames() const;
    // Appends up to maxRows rows to `rows`; answers false once the result is
    // exhausted (later calls append nothing). Throws OraError.
    bool Fetch(std::size_t maxRows, std::vector<std::vector<OraValue>> &rows);
    bool IsEOF() const { return m_done; }
    void Close();

private:
    std::unique_ptr<DriverCursor> m_cursor;
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
    int LastServerErr() const { return m_lastServerErr; }
    bool ConnectionOK();
    OraParameters &Parameters() { return m_params; }
    void Close();

    const std::string &service() const { return m_service; }
    const std::string &user() const { return m_user; }

private:
    template <class F> auto guarded(const std::string &sql, F &&f) -> decltype(f());

    std::unique_ptr<DriverConnection> m_conn;
    OraParameters m_params;
    std::string m_service, m_user;
    int m_lastServerErr = 0;
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
    // Replaces the driver for real servers (tests, or a later client-library driver).
    void setClientDriver(std::unique_ptr<Driver> driver);

private:
    std::unique_ptr<Driver> m_simDriver;
    std::unique_ptr<Driver> m_clientDriver;
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
