#pragma once
// The simulated Oracle instance as the access layer sees it: open a session on an
// instance by the text after "sim:" ("ORCL", "ORCL?sessions=5000"), then run statements.
// Results stream into a RowSink, one row at a time, without per-row allocations.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

class Connection {
public:
    // instanceKey: the text after "sim:". Throws SimError: ORA-12154 for an unknown
    // instance name, ORA-01017 for a wrong user or password.
    static std::unique_ptr<Connection> open(const std::string &instanceKey, const std::string &user,
                                            const std::string &password);
    ~Connection();

    void query(const std::string &sql, RowSink &sink);            // throws SimError
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
