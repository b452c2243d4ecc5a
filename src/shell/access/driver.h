#pragma once
// What a driver (simulated instance, Oracle client library) gives the access layer:
// one open connection that runs statements and returns materialised results.
#include "oravalue.h"

#include <memory>
#include <string>
#include <vector>

// The namespace sits in an inline namespace because POSIX declares a function
// ::access() (unistd.h, pulled in by <memory>); write access::OraSession as usual, and
// forward-declare through accessfwd.h, never with a bare "namespace access {".
inline namespace sqlvigil {
namespace access {

struct OraResult {
    std::vector<std::string> columns;          // as Oracle names them (unquoted names upper-case)
    std::vector<std::vector<OraValue>> rows;
};

struct OraBind {
    std::string name;        // without the colon, as declared (compared case-insensitively)
    int serverType = 2;      // 2 number, 1 varchar2
    OraValue value;          // in: initial value; out: what the block stored
};

// A query's result read in batches: only the rows asked for are produced.
class DriverCursor {
public:
    virtual ~DriverCursor() = default;
    virtual const std::vector<std::string> &columns() const = 0;
    // Appends up to maxRows rows to `rows`; answers false once the last row has been
    // read. Throws OraError.
    virtual bool fetch(std::size_t maxRows, std::vector<std::vector<OraValue>> &rows) = 0;
};

// Takes a query's rows one at a time, as they are fetched (OraDatabase::DbStreamQuery
// reads them from the driver's cursor in arrays of kFetchArray rows).
class RowReceiver {
public:
    virtual ~RowReceiver() = default;
    virtual void columns(const std::vector<std::string> &names) = 0;
    // Answers false to stop the fetch (the rest of the result is not read).
    virtual bool row(const std::vector<OraValue> &values) = 0;
};

// Rows asked of a driver's cursor per fetch when a result is read through: enough that
// a call costs little per row, few enough that a streamed result holds little at a time.
constexpr std::size_t kFetchArray = 256;

class DriverConnection {
public:
    virtual ~DriverConnection() = default;
    virtual OraResult query(const std::string &sql) = 0;            // throws OraError
    // Opens a query for reading in batches. This default runs query() and hands out
    // its materialised rows; a driver that can stream overrides it.
    virtual std::unique_ptr<DriverCursor> openCursor(const std::string &sql);
    virtual long execute(const std::string &sql) = 0;               // rows processed
    virtual void executePlsql(const std::string &block, std::vector<OraBind> &binds) = 0;
    virtual bool connectionOK() = 0;
    // Interrupts the call in progress on this connection: that call then throws
    // ORA-01013. Called from another thread while a call is out (the console's Cancel,
    // a window closed mid-call); does nothing when no call is out. Every other member
    // is called by one thread at a time.
    virtual void breakCall() {}
    virtual void close() = 0;
};

// Opens a connection; throws OraError (ORA-01017, ORA-12154, ...).
class Driver {
public:
    virtual ~Driver() = default;
    virtual std::unique_ptr<DriverConnection> open(const std::string &service,
                                                   const std::string &user,
                                                   const std::string &password) = 0;
};

} // namespace access
} // namespace sqlvigil
