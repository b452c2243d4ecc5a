#include "simdriver.h"

#include "functions.h"
#include "oraerror.h"
#include "simerror.h"
#include "simulator.h"

namespace sqlvigil::access {

namespace {

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
    explicit SimCursor(std::unique_ptr<sim::Cursor> c) : m_cursor(std::move(c)) {}
    const std::vector<std::string> &columns() const override { return m_cursor->columns(); }
    bool fetch(std::size_t maxRows, std::vector<std::vector<OraValue>> &rows) override
    {
        struct Sink : sim::RowSink {
            std::vector<std::vector<OraValue>> *out;
            void columns(const std::vector<std::string> &) override {}
            void row(const sim::CellView *cells, std::size_t count) override { convertRow(cells, count, out->emplace_back()); }
        } sink;
        sink.out = &rows;
        return translated([&] { return m_cursor->fetch(sink, maxRows); });
    }

private:
    std::unique_ptr<sim::Cursor> m_cursor;
};

class SimConnection : public DriverConnection {
public:
    explicit SimConnection(std::unique_ptr<sim::Connection> c) : m_conn(std::move(c)) {}

    OraResult query(const std::string &sql) override
    {
        OraResult r;
        ResultSink sink(r);
        translated([&] { m_conn->query(sql, sink); });
        return r;
    }

    std::unique_ptr<DriverCursor> openCursor(const std::string &sql) override
    {
        return translated([&]() -> std::unique_ptr<DriverCursor> {
            return std::make_unique<SimCursor>(m_conn->openCursor(sql));
        });
    }

    long execute(const std::string &sql) override
    {
        return translated([&] { return m_conn->execute(sql); });
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
        translated([&] { m_conn->executeBlock(block, values); });
        for (std::size_t i = 0; i < binds.size(); ++i) {
            const sim::BindValue &v = values[i];
            if (v.isNull) binds[i].value = OraValue();
            else if (binds[i].serverType == 2) binds[i].value = OraValue::numberText(v.text, v.numberValue);
            else binds[i].value = OraValue::text(v.text);
        }
    }

    bool connectionOK() override { return m_conn->connectionOK(); }
    void close() override { m_conn->close(); }

private:
    std::unique_ptr<sim::Connection> m_conn;
};

} // namespace

std::unique_ptr<DriverConnection> SimDriver::open(const std::string &service, const std::string &user,
                                                  const std::string &password)
{
    return translated([&]() -> std::unique_ptr<DriverConnection> {
        return std::make_unique<SimConnection>(sim::Connection::open(service, user, password));
    });
}

std::unique_ptr<DriverConnection> UnavailableClientDriver::open(const std::string &service, const std::string &,
                                                                const std::string &)
{
    throw OraError(0, "Oracle client library not available: cannot connect to service \"" + service +
                          "\" (only simulated instances, \"sim:NAME\", can be reached)", 429);
}

} // namespace sqlvigil::access
