#include "simdriver.h"

#include "extension.h"
#include "functions.h"
#include "instance.h"
#include "oraerror.h"
#include "simerror.h"
#include "simulator.h"
#include "testing.h"

#include <sqlite3.h>

#include <cctype>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <sstream>
#include <thread>

namespace sqlvigil::access {

namespace {

std::string lower(std::string s)
{
    for (auto &c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// An instance serves one statement at a time, whichever thread sends it. The
// instances live once per process (the simulator's registry), so their locks do too.
// The instance's storage is opened without locks of its own: every use of it, closing
// cursors and connections included, runs under this lock. Keys are named as the
// registry names them ("sim:" optional, any case), so one instance has one lock.
std::shared_ptr<std::mutex> instanceLock(const std::string &key)
{
    static std::mutex guard;
    static std::map<std::string, std::weak_ptr<std::mutex>> locks;
    std::lock_guard<std::mutex> lock(guard);
    auto &slot = locks[sim::normaliseKey(key)];
    std::shared_ptr<std::mutex> m = slot.lock();
    if (!m) {
        m = std::make_shared<std::mutex>();
        slot = m;
    }
    return m;
}

OraError cancelled() { return OraError::ora(1013, "user requested cancel of current operation"); }

// The simulated network between the console and one connection: every round trip
// waits `latencyMs` first, or, with `hang`, waits until the call is broken. A break
// also interrupts a statement running in the engine.
class Wire {
public:
    Wire(const SimWaits &w, std::shared_ptr<std::mutex> lock, ::sqlite3 *db)
        : m_waits(w), m_instance(std::move(lock)), m_db(db)
    {
    }

    // Runs one round trip: the wait, then `call` in the engine under the instance's lock.
    template <class Call> auto roundTrip(Call &&call) -> decltype(call())
    {
        struct Out {
            Wire &w;
            explicit Out(Wire &wire) : w(wire)
            {
                std::lock_guard<std::mutex> lock(w.m_mutex);
                w.m_inCall = true;
            }
            ~Out()
            {
                std::lock_guard<std::mutex> lock(w.m_mutex);
                w.m_inCall = false;
                w.m_inEngine = false;
                w.m_broken = false;
            }
        } out(*this);
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            auto broken = [this] { return m_broken; };
            if (m_waits.hang) m_woken.wait(lock, broken);
            else if (m_waits.latencyMs > 0) m_woken.wait_for(lock, std::chrono::milliseconds(m_waits.latencyMs), broken);
            if (m_broken) throw cancelled();
        }
        std::lock_guard<std::mutex> engine(*m_instance);
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (m_broken) throw cancelled();
            m_inEngine = true;
        }
        return call();
    }

    // Runs `work` in the engine under the instance's lock, with no wait and no break:
    // closing a cursor or a connection, which must not race another connection's call.
    template <class Work> void locked(Work &&work)
    {
        std::lock_guard<std::mutex> engine(*m_instance);
        work();
    }

    void breakCall()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_inCall) return;
        m_broken = true;
        m_woken.notify_all();
        // The instance runs only this connection's statement while it is in the engine.
        if (m_inEngine && m_db) ::sqlite3_interrupt(m_db);
    }

private:
    const SimWaits m_waits;
    std::shared_ptr<std::mutex> m_instance;
    ::sqlite3 *m_db;
    std::mutex m_mutex;
    std::condition_variable m_woken;
    bool m_inCall = false;
    bool m_inEngine = false;
    bool m_broken = false;
};

OraError fromSim(const sim::SimError &e) { return OraError(e.code(), e.what()); }

// Anything else the instance throws is reported as the server's internal error.
OraError internal(const std::exception &e)
{
    return OraError::ora(600, std::string("internal error code, arguments: [") + e.what() + "]");
}

// Runs one call into the instance and reports what it throws as the server's
// errors: the instance's own errors keep their code, anything else is ORA-00600.
template <class Call> auto translated(Call &&call) -> decltype(call())
{
    try {
        return call();
    } catch (const sim::SimError &e) {
        throw fromSim(e);
    } catch (const OraError &) {
        throw;
    } catch (const std::exception &e) {
        throw internal(e);
    }
}

void convertRow(const sim::CellView *cells, std::size_t count, std::vector<OraValue> &row);

// Builds the materialised result straight from the engine's rows.
class ResultSink : public sim::RowSink {
public:
    explicit ResultSink(OraResult &r) : m_result(r) {}
    void columns(const std::vector<std::string> &names) override { m_result.columns = names; }
    void row(const sim::CellView *cells, std::size_t count) override
    {
        convertRow(cells, count, m_result.rows.emplace_back());
    }

private:
    OraResult &m_result;
};

void convertRow(const sim::CellView *cells, std::size_t count, std::vector<OraValue> &row)
{
    {
        row.reserve(count);
        for (std::size_t i = 0; i < count; ++i) {
            const sim::CellView &c = cells[i];
            switch (c.kind) {
            case sim::CellView::Null: row.emplace_back(); break;
            case sim::CellView::Integer:
                row.push_back(OraValue::numberText(std::to_string(c.integer), static_cast<double>(c.integer)));
                break;
            case sim::CellView::Real: row.push_back(OraValue::numberText(sim::numberToDisplay(c.real), c.real)); break;
            case sim::CellView::Date: {
                auto seconds = sim::parseDate(c.text, c.size);
                row.push_back(OraValue::dateText(std::string(c.text, c.size), seconds ? *seconds : 0));
                break;
            }
            case sim::CellView::Text: row.push_back(OraValue::text(std::string(c.text, c.size))); break;
            }
        }
    }
}

// Rows read from the engine's open statement batch by batch.
class SimCursor : public DriverCursor {
public:
    SimCursor(std::unique_ptr<sim::Cursor> c, std::shared_ptr<Wire> wire) : m_cursor(std::move(c)), m_wire(std::move(wire)) {}
    ~SimCursor() override
    {
        m_wire->locked([&] { m_cursor.reset(); });
    }
    const std::vector<std::string> &columns() const override { return m_cursor->columns(); }
    bool fetch(std::size_t maxRows, std::vector<std::vector<OraValue>> &rows) override
    {
        struct Sink : sim::RowSink {
            std::vector<std::vector<OraValue>> *out;
            void columns(const std::vector<std::string> &) override {}
            void row(const sim::CellView *cells, std::size_t count) override { convertRow(cells, count, out->emplace_back()); }
        } sink;
        sink.out = &rows;
        return m_wire->roundTrip([&] { return translated([&] { return m_cursor->fetch(sink, maxRows); }); });
    }

private:
    std::unique_ptr<sim::Cursor> m_cursor;
    std::shared_ptr<Wire> m_wire;
};

class SimConnection : public DriverConnection {
public:
    SimConnection(std::unique_ptr<sim::Connection> c, std::shared_ptr<Wire> wire)
        : m_conn(std::move(c)), m_wire(std::move(wire))
    {
    }

    OraResult query(const std::string &sql) override
    {
        OraResult r;
        ResultSink sink(r);
        trip([&] { m_conn->query(sql, sink); });
        return r;
    }

    std::unique_ptr<DriverCursor> openCursor(const std::string &sql) override
    {
        return trip([&]() -> std::unique_ptr<DriverCursor> {
            return std::make_unique<SimCursor>(m_conn->openCursor(sql), m_wire);
        });
    }

    long execute(const std::string &sql) override
    {
        return trip([&] { return m_conn->execute(sql); });
    }

    void executePlsql(const std::string &block, std::vector<OraBind> &binds) override
    {
        std::vector<sim::BindValue> values;
        values.reserve(binds.size());
        for (const OraBind &b : binds) {
            sim::BindValue v;
            v.name = b.name;
            v.number = b.serverType == 2;
            v.isNull = b.value.isNull();
            v.numberValue = b.value.toDouble();
            v.text = b.value.toString();
            values.push_back(std::move(v));
        }
        trip([&] { m_conn->executeBlock(block, values); });
        for (std::size_t i = 0; i < binds.size(); ++i) {
            const sim::BindValue &v = values[i];
            if (v.isNull) binds[i].value = OraValue();
            else if (binds[i].serverType == 2) binds[i].value = OraValue::numberText(v.text, v.numberValue);
            else binds[i].value = OraValue::text(v.text);
        }
    }

    bool connectionOK() override { return m_conn->connectionOK(); }
    void breakCall() override { m_wire->breakCall(); }
    void close() override
    {
        m_wire->locked([&] { m_conn->close(); });
    }
    ~SimConnection() override
    {
        m_wire->locked([&] { m_conn.reset(); });
    }

private:
    template <class Call> auto trip(Call &&call) -> decltype(call())
    {
        return m_wire->roundTrip([&] { return translated(call); });
    }

    std::unique_ptr<sim::Connection> m_conn;
    std::shared_ptr<Wire> m_wire;
};

} // namespace

SimWaits takeSimWaits(std::string &key)
{
    SimWaits w;
    const auto q = key.find('?');
    if (q == std::string::npos) return w;
    std::stringstream items(key.substr(q + 1));
    std::string item, kept;
    while (std::getline(items, item, '&')) {
        const auto eq = item.find('=');
        const std::string name = lower(item.substr(0, eq));
        const std::string value = eq == std::string::npos ? std::string() : item.substr(eq + 1);
        if (name == "latency" || name == "hang") {
            // Whole non-negative numbers only; anything else is refused with the option named.
            bool digits = !value.empty() && value.size() <= 7;
            for (char c : value) digits = digits && std::isdigit(static_cast<unsigned char>(c));
            if (!digits)
                throw OraError::ora(12154, "TNS:could not resolve the connect identifier specified (" + name +
                                               " needs a whole number, not \"" + value + "\")");
            const int n = std::stoi(value);
            if (name == "latency") w.latencyMs = n;
            else w.hang = n != 0;
            continue;
        }
        if (item.empty()) continue;
        kept += (kept.empty() ? "" : "&") + item;
    }
    key = key.substr(0, q) + (kept.empty() ? "" : "?" + kept);
    return w;
}

std::unique_ptr<DriverConnection> SimDriver::open(const std::string &service, const std::string &user,
                                                  const std::string &password)
{
    std::string key = service;
    const SimWaits waits = takeSimWaits(key);
    // The connect is a round trip too; it cannot hang, so that a hung instance is
    // reached and then broken like a server that stopped answering.
    if (waits.latencyMs > 0) std::this_thread::sleep_for(std::chrono::milliseconds(waits.latencyMs));
    return translated([&]() -> std::unique_ptr<DriverConnection> {
        auto lock = instanceLock(key);
        std::unique_ptr<sim::Connection> conn;
        ::sqlite3 *db = nullptr;
        {
            std::lock_guard<std::mutex> engine(*lock);
            conn = sim::Connection::open(key, user, password);
            db = sim::testing::context(key).db();
        }
        return std::make_unique<SimConnection>(std::move(conn), std::make_shared<Wire>(waits, lock, db));
    });
}

std::unique_ptr<DriverConnection> UnavailableClientDriver::open(const std::string &service, const std::string &,
                                                                const std::string &)
{
    throw OraError(0, "Oracle client library not available: cannot connect to service \"" + service +
                          "\" (only simulated instances, \"sim:NAME\", can be reached)", 429);
}

} // namespace sqlvigil::access
