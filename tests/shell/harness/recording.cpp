#include "recording.h"

namespace harness {

namespace {

class RecordingConnection : public access::DriverConnection {
public:
    RecordingConnection(std::unique_ptr<access::OraDatabase> inner, std::shared_ptr<RecordingLog> log)
        : m_inner(std::move(inner)), m_log(std::move(log))
    {
    }

    access::OraResult query(const std::string &sql) override
    {
        enter(StatementRecord::Query, sql);
        auto dyn = m_inner->DbCreateDynaset(sql, 4);
        access::OraResult r;
        r.columns = dyn->columnNames();
        for (; !dyn->IsEOF(); dyn->MoveNext()) {
            std::vector<access::OraValue> row;
            row.reserve(r.columns.size());
            for (const auto &c : r.columns)
                row.push_back(dyn->Fields(c));
            r.rows.push_back(std::move(row));
        }
        dyn->Close();
        return r;
    }

    long execute(const std::string &sql) override
    {
        enter(StatementRecord::Execute, sql);
        return m_inner->DbExecuteSQL(sql);
    }

    void executePlsql(const std::string &block, std::vector<access::OraBind> &binds) override
    {
        enter(StatementRecord::Block, block);
        access::OraParameters &p = m_inner->Parameters();
        for (const auto &b : binds) {
            if (p.Contains(b.name))
                p.Remove(b.name);
            p.Add(b.name, b.value, 2);
            p.SetServerType(b.name, b.serverType);
        }
        m_inner->ExecuteSQL(block);
        for (auto &b : binds) {
            b.value = p.Value(b.name);
            p.Remove(b.name);
        }
    }

    bool connectionOK() override { return m_inner->ConnectionOK(); }
    void breakCall() override { m_inner->BreakCall(); }
    void close() override { m_inner->Close(); }

private:
    void enter(StatementRecord::Kind kind, const std::string &sql)
    {
        m_log->statements.push_back({kind, sql});
        for (auto &f : m_log->faults) {
            if (f.times > 0 && (f.contains.empty() || sql.find(f.contains) != std::string::npos)) {
                --f.times;
                throw access::OraError::ora(f.oraCode, f.message);
            }
        }
    }

    std::unique_ptr<access::OraDatabase> m_inner;
    std::shared_ptr<RecordingLog> m_log;
};

} // namespace

RecordingDriver::RecordingDriver()
    : m_inner(std::make_unique<access::OraSession>()), m_log(std::make_shared<RecordingLog>())
{
}

RecordingDriver::~RecordingDriver() = default;

std::unique_ptr<access::DriverConnection> RecordingDriver::open(const std::string &service, const std::string &user,
                                                                const std::string &password)
{
    return std::make_unique<RecordingConnection>(m_inner->DbOpenDatabase(service, user + "/" + password, 0), m_log);
}

} // namespace harness
