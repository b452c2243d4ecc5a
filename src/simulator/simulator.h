#pragma once
// The simulated Oracle instance as the access layer sees it: open a session on an
// instance by the text after "sim:" ("ORCL", "ORCL?sessions=5000"), then run statements.
// Results stream into a RowSink, one row at a time, without per-row allocations.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

struct sqlite3_stmt;

namespace sim {

class Session;
class Instance;

// One value of a result row, valid only during RowSink::row.
struct CellView {
    enum Kind { Null, Integer, Real, Text, Date };
    Kind kind = Null;
    std::int64_t integer = 0;
    double real = 0;
    const char *text = nullptr;   // Text and Date ("YYYY-MM-DD HH24:MI:SS")
    std::size_t size = 0;
};

class RowSink {
public:
    virtual ~RowSink() = default;
    virtual void columns(const std::vector<std::string> &names) = 0;
    virtual void row(const CellView *cells, std::size_t count) = 0;
};

// A bind variable of an anonymous block (output binds: SELECT ... INTO :NAME).
struct BindValue {
    std::string name;            // without the colon; matched case-insensitively
    bool number = true;          // declared numeric (server type 2)
    bool isNull = true;
    double numberValue = 0;
    std::string text;            // the value's text form (numbers: Oracle's form)
};

// A query's result read in batches as the caller asks for rows, instead of pushed
// whole into a sink: the engine's statement stays open between fetches, so only the
// rows asked for are produced. It keeps its instance and session alive; closing the
// session makes the next fetch fail with ORA-03114.
class Cursor {
public:
    ~Cursor();
    Cursor(const Cursor &) = delete;
    Cursor &operator=(const Cursor &) = delete;
    const std::vector<std::string> &columns() const { return m_columns; }
    // Passes up to maxRows rows to sink.row (sink.columns is not called); answers
    // false once the last row has been passed. Throws SimError.
    bool fetch(RowSink &sink, std::size_t maxRows);
    void close();

private:
    friend class Connection;
    Cursor() = default;
    std::shared_ptr<Instance> m_instance;
    std::shared_ptr<Session> m_session;
    ::sqlite3_stmt *m_stmt = nullptr;
    std::vector<std::string> m_columns;
    bool m_done = false;
};

class Connection {
public:
    // instanceKey: the text after "sim:". Throws SimError: ORA-12154 for an unknown
    // instance name, ORA-01017 for a wrong user or password.
    static std::unique_ptr<Connection> open(const std::string &instanceKey, const std::string &user,
                                            const std::string &password);
    ~Connection();

    void query(const std::string &sql, RowSink &sink);            // throws SimError
    // Opens a query for reading in batches (ORA-00928 when sql is not a query).
    std::unique_ptr<Cursor> openCursor(const std::string &sql);
    long execute(const std::string &sql);                          // rows processed
    void executeBlock(const std::string &block, std::vector<BindValue> &binds);
    bool connectionOK() const;
    void close();
    long id() const;             // the session id (SID) of this connection
    const std::string &user() const;

private:
    explicit Connection(std::shared_ptr<Session> s);
    std::shared_ptr<Instance> m_instance;   // outlives the session
    std::shared_ptr<Session> m_session;
};

} // namespace sim
