#include "remote.h"

#include "oraerror.h"
#include "wire.h"

#include <atomic>
#include <map>
#include <mutex>
#include <unistd.h>

namespace oci {

using access::DriverConnection;
using access::DriverCursor;
using access::OraBind;
using access::OraError;
using access::OraResult;
using access::OraValue;
using access::RowReceiver;

namespace {

OraError endOfFile() { return OraError::ora(3113, "end-of-file on communication channel"); }
OraError notConnected() { return OraError::ora(3114, "not connected to ORACLE"); }

// The socket of one connection, shared by the connection and its open cursors.
class Channel {
public:
    Channel(int fd, std::function<void()> sendBreak) : m_fd(fd), m_sendBreak(std::move(sendBreak)) {}
    ~Channel() { shut(); }

    // One request and its first answer frame; `more` reads the frames that follow.
    std::string call(const std::string &request)
    {
        if (m_fd < 0) throw notConnected();
        if (!wire::sendFrame(m_fd, request)) lose();
        return next();
    }
    std::string next()
    {
        std::string reply;
        if (!wire::recvFrame(m_fd, reply)) lose();
        return reply;
    }
    void post(const std::string &request)   // no answer expected
    {
        if (m_fd >= 0 && !wire::sendFrame(m_fd, request)) shut();
    }
    bool open() const { return m_fd >= 0; }
    void interrupt()
    {
        if (m_busy.load() && m_sendBreak) m_sendBreak();
    }
    void shut()
    {
        if (m_fd >= 0) ::close(m_fd);
        m_fd = -1;
    }

    // Marks a call as out for its whole length, so that a break reaches it.
    struct Busy {
        explicit Busy(Channel &c) : ch(c) { ch.m_busy.store(true); }
        ~Busy() { ch.m_busy.store(false); }
        Channel &ch;
    };

private:
    [[noreturn]] void lose()
    {
        shut();
        throw endOfFile();
    }
    int m_fd;
    std::function<void()> m_sendBreak;
    std::atomic<bool> m_busy{false};
};

[[noreturn]] void unexpected(std::shared_ptr<Channel> &ch)
{
    ch->shut();
    throw endOfFile();
}

// Reads a Rows frame's rows into `rows`; answers whether more follow.
bool readRows(wire::Reader &r, std::vector<std::vector<OraValue>> &rows)
{
    std::uint32_t n = r.u32(), cols = r.u32();
    rows.reserve(rows.size() + n);
    for (std::uint32_t i = 0; i < n; ++i) {
        auto &row = rows.emplace_back();
        row.reserve(cols);
        for (std::uint32_t c = 0; c < cols; ++c) row.push_back(r.value());
    }
    return r.u8() != 0;
}

std::vector<std::string> readColumns(wire::Reader &r)
{
    std::uint32_t n = r.u32();
    std::vector<std::string> names;
    names.reserve(n);
    for (std::uint32_t i = 0; i < n; ++i) names.push_back(r.str());
    return names;
}

class RemoteCursor : public DriverCursor {
public:
    RemoteCursor(std::shared_ptr<Channel> ch, std::uint32_t id, std::vector<std::string> cols,
                 std::vector<std::vector<OraValue>> first, bool more)
        : m_ch(std::move(ch)), m_id(id), m_columns(std::move(cols)), m_buffer(std::move(first)), m_more(more)
    {
    }
    ~RemoteCursor() override
    {
        if (m_more) m_ch->post(wire::Writer(wire::CloseCursor).u32(m_id).data());
    }
    const std::vector<std::string> &columns() const override { return m_columns; }
    bool fetch(std::size_t maxRows, std::vector<std::vector<OraValue>> &rows) override
    {
        while (maxRows > 0) {
            if (m_next < m_buffer.size()) {
                std::size_t take = std::min(maxRows, m_buffer.size() - m_next);
                for (std::size_t i = 0; i < take; ++i) rows.push_back(std::move(m_buffer[m_next + i]));
                m_next += take;
                maxRows -= take;
                continue;
            }
            if (!m_more) break;
            m_buffer.clear();
            m_next = 0;
            std::size_t ask = std::max(maxRows, kBatchRows);
            std::string reply;
            Channel::Busy busy(*m_ch);
            try {
                reply = m_ch->call(wire::Writer(wire::Fetch).u32(m_id).u32(static_cast<std::uint32_t>(ask)).data());
                wire::Reader r(reply);
                wire::Op op = r.op();
                if (op == wire::Error) {
                    m_more = false;
                    wire::throwError(r);
                }
                if (op != wire::Rows) unexpected(m_ch);
                m_more = readRows(r, m_buffer);
            } catch (const wire::ProtocolError &) {
                m_more = false;
                unexpected(m_ch);
            } catch (...) {
                m_more = false;
                throw;
            }
        }
        return m_more || m_next < m_buffer.size();
    }

private:
    std::shared_ptr<Channel> m_ch;
    std::uint32_t m_id;
    std::vector<std::string> m_columns;
    std::vector<std::vector<OraValue>> m_buffer;
    std::size_t m_next = 0;
    bool m_more;
};

class RemoteConnection : public DriverConnection {
public:
    explicit RemoteConnection(std::shared_ptr<Channel> ch) : m_ch(std::move(ch)) {}
    // Logs off before the socket closes, so that the far side has let the session go
    // when this returns.
    ~RemoteConnection() override { close(); }

    OraResult query(const std::string &sql) override
    {
        return guarded([&] {
            OraResult result;
            std::string reply = m_ch->call(wire::Writer(wire::Query).str(sql).data());
            for (bool first = true;; first = false) {
                wire::Reader r(reply);
                wire::Op op = r.op();
                if (op == wire::Error) wire::throwError(r);
                if (first) {
                    if (op != wire::Columns) unexpected(m_ch);
                    r.u32();
                    result.columns = readColumns(r);
                } else {
                    if (op != wire::Rows) unexpected(m_ch);
                    if (!readRows(r, result.rows)) break;
                }
                reply = m_ch->next();
            }
            return result;
        });
    }

    std::unique_ptr<DriverCursor> openCursor(const std::string &sql) override
    {
        return guarded([&]() -> std::unique_ptr<DriverCursor> {
            std::string reply = m_ch->call(wire::Writer(wire::Cursor).str(sql).u32(kBatchRows).data());
            wire::Reader r(reply);
            wire::Op op = r.op();
            if (op == wire::Error) wire::throwError(r);
            if (op != wire::Columns) unexpected(m_ch);
            std::uint32_t id = r.u32();
            std::vector<std::string> cols = readColumns(r);
            std::string rowsFrame = m_ch->next();
            wire::Reader rr(rowsFrame);
            op = rr.op();
            if (op == wire::Error) wire::throwError(rr);
            if (op != wire::Rows) unexpected(m_ch);
            std::vector<std::vector<OraValue>> first;
            bool more = readRows(rr, first);
            return std::make_unique<RemoteCursor>(m_ch, id, std::move(cols), std::move(first), more);
        });
    }

    long execute(const std::string &sql) override
    {
        return guarded([&] {
            std::string reply = m_ch->call(wire::Writer(wire::Execute).str(sql).data());
            wire::Reader r(reply);
            wire::Op op = r.op();
            if (op == wire::Error) wire::throwError(r);
            if (op != wire::Count) unexpected(m_ch);
            return static_cast<long>(r.i64());
        });
    }

    void executePlsql(const std::string &block, std::vector<OraBind> &binds) override
    {
        guarded([&] {
            wire::Writer w(wire::Plsql);
            w.str(block).u32(static_cast<std::uint32_t>(binds.size()));
            for (const OraBind &b : binds) w.str(b.name).u32(static_cast<std::uint32_t>(b.serverType)).value(b.value);
            std::string reply = m_ch->call(w.data());
            wire::Reader r(reply);
            wire::Op op = r.op();
            if (op == wire::Error) wire::throwError(r);
            if (op != wire::Binds || r.u32() != binds.size()) unexpected(m_ch);
            for (OraBind &b : binds) b.value = r.value();
            return 0;
        });
    }

    bool connectionOK() override
    {
        if (!m_ch->open()) return false;
        try {
            std::string reply = m_ch->call(wire::Writer(wire::Ping).data());
            wire::Reader r(reply);
            return r.op() == wire::Flag && r.u8() != 0;
        } catch (...) {
            return false;
        }
    }

    void breakCall() override { m_ch->interrupt(); }

    void close() override
    {
        if (!m_ch->open()) return;
        try {
            m_ch->call(wire::Writer(wire::Close).data());
        } catch (...) {
        }
        m_ch->shut();
    }

private:
    template <class F> auto guarded(F &&f) -> decltype(f())
    {
        Channel::Busy busy(*m_ch);
        try {
            return f();
        } catch (const wire::ProtocolError &) {
            unexpected(m_ch);
        }
    }
    std::shared_ptr<Channel> m_ch;
};

// ---------------------------------------------------------------- server side

constexpr std::uint32_t kRowsPerFrame = 512;

std::string rowsFrame(const std::vector<std::vector<OraValue>> &rows, std::size_t from, std::size_t count,
                      std::size_t cols, bool more)
{
    wire::Writer w(wire::Rows);
    w.u32(static_cast<std::uint32_t>(count)).u32(static_cast<std::uint32_t>(cols));
    for (std::size_t i = from; i < from + count; ++i)
        for (std::size_t c = 0; c < cols; ++c) w.value(c < rows[i].size() ? rows[i][c] : OraValue());
    w.u8(more ? 1 : 0);
    return w.data();
}

std::string columnsFrame(std::uint32_t id, const std::vector<std::string> &cols)
{
    wire::Writer w(wire::Columns);
    w.u32(id).u32(static_cast<std::uint32_t>(cols.size()));
    for (const auto &c : cols) w.str(c);
    return w.data();
}

} // namespace

std::unique_ptr<DriverConnection> openRemote(int fd, std::function<void()> sendBreak, const std::string &service,
                                             const std::string &user, const std::string &password)
{
    auto ch = std::make_shared<Channel>(fd, std::move(sendBreak));
    try {
        std::string reply = ch->call(wire::Writer(wire::Open).str(service).str(user).str(password).data());
        wire::Reader r(reply);
        wire::Op op = r.op();
        if (op == wire::Error) wire::throwError(r);
        if (op != wire::Ok) unexpected(ch);
    } catch (const wire::ProtocolError &) {
        unexpected(ch);
    }
    return std::make_unique<RemoteConnection>(std::move(ch));
}

void serveConnection(int fd, access::Driver &driver, const std::function<void(DriverConnection *)> &opened,
                     const std::function<void(DriverConnection *)> &closing)
{
    std::unique_ptr<DriverConnection> conn;
    std::map<std::uint32_t, std::unique_ptr<DriverCursor>> cursors;
    std::uint32_t nextCursor = 1;
    std::string frame;
    auto reply = [&](const std::string &payload) { return wire::sendFrame(fd, payload); };
    bool running = true;
    while (running && wire::recvFrame(fd, frame)) {
        try {
            wire::Reader r(frame);
            wire::Op op = r.op();
            if (!conn && op != wire::Open) {
                running = reply(wire::errorFrame(OraError::ora(3114, "not connected to ORACLE")));
                continue;
            }
            switch (op) {
            case wire::Open: {
                std::string service = r.str(), user = r.str(), password = r.str();
                if (conn) {
                    running = reply(wire::errorFrame(OraError::ora(24309, "already connected to a server")));
                    break;
                }
                conn = driver.open(service, user, password);
                if (opened) opened(conn.get());
                running = reply(wire::Writer(wire::Ok).data());
                break;
            }
            case wire::Query: {
                std::string sql = r.str();
                auto cursor = conn->openCursor(sql);
                const std::size_t cols = cursor->columns().size();
                if (!(running = reply(columnsFrame(0, cursor->columns())))) break;
                std::vector<std::vector<OraValue>> rows;
                bool more = true;
                while (more && running) {
                    rows.clear();
                    try {
                        more = cursor->fetch(kRowsPerFrame, rows);
                    } catch (const OraError &e) {
                        running = reply(wire::errorFrame(e));
                        more = false;
                        break;
                    }
                    running = reply(rowsFrame(rows, 0, rows.size(), cols, more));
                }
                break;
            }
            case wire::Cursor: {
                std::string sql = r.str();
                std::uint32_t first = r.u32();
                auto cursor = conn->openCursor(sql);
                std::vector<std::vector<OraValue>> rows;
                bool more = cursor->fetch(first, rows);
                std::uint32_t id = nextCursor++;
                if (!(running = reply(columnsFrame(id, cursor->columns())))) break;
                running = reply(rowsFrame(rows, 0, rows.size(), cursor->columns().size(), more));
                if (more) cursors[id] = std::move(cursor);
                break;
            }
            case wire::Fetch: {
                std::uint32_t id = r.u32(), n = r.u32();
                auto it = cursors.find(id);
                if (it == cursors.end()) {
                    running = reply(wire::errorFrame(OraError::ora(1001, "invalid cursor")));
                    break;
                }
                std::vector<std::vector<OraValue>> rows;
                bool more;
                try {
                    more = it->second->fetch(n, rows);
                } catch (...) {
                    cursors.erase(it);
                    throw;
                }
                std::size_t cols = it->second->columns().size();
                running = reply(rowsFrame(rows, 0, rows.size(), cols, more));
                if (!more) cursors.erase(it);
                break;
            }
            case wire::CloseCursor: cursors.erase(r.u32()); break;
            case wire::Execute: running = reply(wire::Writer(wire::Count).i64(conn->execute(r.str())).data()); break;
            case wire::Plsql: {
                std::string block = r.str();
                std::uint32_t n = r.u32();
                std::vector<OraBind> binds(n);
                for (auto &b : binds) {
                    b.name = r.str();
                    b.serverType = static_cast<int>(r.u32());
                    b.value = r.value();
                }
                conn->executePlsql(block, binds);
                wire::Writer w(wire::Binds);
                w.u32(n);
                for (const auto &b : binds) w.value(b.value);
                running = reply(w.data());
                break;
            }
            case wire::Ping: running = reply(wire::Writer(wire::Flag).u8(conn->connectionOK() ? 1 : 0).data()); break;
            case wire::Close: {
                cursors.clear();
                if (closing) closing(conn.get());
                auto c = std::move(conn);
                try {
                    c->close();
                } catch (...) {
                }
                reply(wire::Writer(wire::Ok).data());
                running = false;
                break;
            }
            default: running = reply(wire::errorFrame(OraError::ora(3120, "two-task conversion routine: integer overflow")));
            }
        } catch (const OraError &e) {
            running = reply(wire::errorFrame(e));
        } catch (const wire::ProtocolError &) {
            running = false;
        } catch (const std::exception &e) {
            running = reply(wire::errorFrame(OraError::ora(600, std::string("internal error code, arguments: [") + e.what() + "]")));
        }
    }
    cursors.clear();
    if (conn) {
        if (closing) closing(conn.get());
        try {
            conn->close();
        } catch (...) {
        }
    }
    ::close(fd);
}

} // namespace oci
