#include "orasession.h"

#include "simdriver.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>

namespace sqlvigil::access {

namespace {

std::string upper(std::string s)
{
    for (auto &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

constexpr int kItemNotFound = 3265;   // "Item not found in this collection."
constexpr int kNoCurrentRecord = 3021;

} // namespace

// ---------------------------------------------------------------- dynaset

OraDynaset::OraDynaset(OraResult result) : m_result(std::move(result))
{
    for (std::size_t i = 0; i < m_result.columns.size(); ++i) m_index.emplace(upper(m_result.columns[i]), i);
}

bool OraDynaset::IsEOF() const { return m_closed || m_row >= static_cast<long>(m_result.rows.size()); }
bool OraDynaset::IsBOF() const { return m_closed || m_row < 0 || m_result.rows.empty(); }

const OraValue &OraDynaset::Fields(const std::string &alias) const
{
    auto it = m_index.find(upper(alias));
    if (it == m_index.end()) throw OraError(0, "Field \"" + alias + "\" not found in this dynaset", kItemNotFound);
    if (m_closed || m_row < 0 || m_row >= static_cast<long>(m_result.rows.size()))
        throw OraError(0, "No current record.", kNoCurrentRecord);
    return m_result.rows[static_cast<std::size_t>(m_row)][it->second];
}

const OraValue &OraDynaset::FieldAt(std::size_t column) const
{
    if (column >= m_result.columns.size()) throw OraError(0, "Field " + std::to_string(column) + " not found in this dynaset", kItemNotFound);
    if (m_closed || m_row < 0 || m_row >= static_cast<long>(m_result.rows.size()))
        throw OraError(0, "No current record.", kNoCurrentRecord);
    return m_result.rows[static_cast<std::size_t>(m_row)][column];
}

bool OraDynaset::HasField(const std::string &alias) const { return m_index.count(upper(alias)) > 0; }

void OraDynaset::MoveNext()
{
    if (m_row < static_cast<long>(m_result.rows.size())) ++m_row;
}

void OraDynaset::MovePrevious()
{
    if (m_row >= 0) --m_row;
}

void OraDynaset::MoveFirst() { m_row = 0; }
long OraDynaset::RecordCount() const { return static_cast<long>(m_result.rows.size()); }

void OraDynaset::Close()
{
    m_closed = true;
    m_result.rows.clear();
    m_result.rows.shrink_to_fit();
}

const std::vector<std::string> &OraDynaset::columnNames() const { return m_result.columns; }

// ---------------------------------------------------------------- parameters

void OraParameters::Add(const std::string &name, const OraValue &initial, int)
{
    std::string n = upper(name);
    for (auto &b : m_binds)
        if (upper(b.name) == n) {
            b.value = initial;
            return;
        }
    OraBind b;
    b.name = name;
    b.value = initial;
    m_binds.push_back(std::move(b));
}

void OraParameters::Remove(const std::string &name)
{
    std::string n = upper(name);
    for (auto it = m_binds.begin(); it != m_binds.end(); ++it)
        if (upper(it->name) == n) {
            m_binds.erase(it);
            return;
        }
    throw OraError(0, "Parameter \"" + name + "\" not found", kItemNotFound);
}

OraBind &OraParameters::operator()(const std::string &name)
{
    std::string n = upper(name);
    for (auto &b : m_binds)
        if (upper(b.name) == n) return b;
    throw OraError(0, "Parameter \"" + name + "\" not found", kItemNotFound);
}

void OraParameters::SetServerType(const std::string &name, int type) { (*this)(name).serverType = type; }

const OraValue &OraParameters::Value(const std::string &name) const
{
    return const_cast<OraParameters *>(this)->operator()(name).value;
}

bool OraParameters::Contains(const std::string &name) const
{
    std::string n = upper(name);
    for (auto &b : m_binds)
        if (upper(b.name) == n) return true;
    return false;
}

// ---------------------------------------------------------------- database

OraDatabase::OraDatabase(std::unique_ptr<DriverConnection> conn, std::string service, std::string user)
    : m_conn(std::move(conn)), m_service(std::move(service)), m_user(std::move(user))
{
}

OraDatabase::~OraDatabase()
{
    try {
        Close();
    } catch (...) {
    }
}

template <class F> auto OraDatabase::guarded(const std::string &sql, F &&f) -> decltype(f())
{
    traceStatement(sql);
    m_lastServerErr = 0;
    if (!m_conn) {
        m_lastServerErr = 3114;
        throw OraError::ora(3114, "not connected to ORACLE");
    }
    try {
        return f();
    } catch (const OraError &e) {
        m_lastServerErr = e.serverCode();
        throw;
    }
}

std::unique_ptr<OraDynaset> OraDatabase::DbCreateDynaset(const std::string &sql, int)
{
    return guarded(sql, [&] { return std::make_unique<OraDynaset>(m_conn->query(sql)); });
}

long OraDatabase::DbExecuteSQL(const std::string &sql)
{
    return guarded(sql, [&] { return m_conn->execute(sql); });
}

void OraDatabase::ExecuteSQL(const std::string &plsql)
{
    guarded(plsql, [&] { m_conn->executePlsql(plsql, m_params.binds()); });
}

bool OraDatabase::ConnectionOK() { return m_conn && m_conn->connectionOK(); }

void OraDatabase::Close()
{
    if (!m_conn) return;
    auto conn = std::move(m_conn);
    conn->close();
}

// ---------------------------------------------------------------- session

OraSession::OraSession()
    : m_simDriver(std::make_unique<SimDriver>()), m_clientDriver(std::make_unique<UnavailableClientDriver>())
{
}

OraSession::~OraSession() = default;

std::unique_ptr<OraDatabase> OraSession::DbOpenDatabase(const std::string &service, const std::string &userPassword,
                                                        int)
{
    auto slash = userPassword.find('/');
    std::string user = userPassword.substr(0, slash);
    std::string password = slash == std::string::npos ? std::string() : userPassword.substr(slash + 1);
    bool sim = service.size() >= 4 && upper(service.substr(0, 4)) == "SIM:";
    Driver &driver = sim ? *m_simDriver : *m_clientDriver;
    auto conn = driver.open(sim ? service.substr(4) : service, user, password);
    return std::make_unique<OraDatabase>(std::move(conn), service, upper(user));
}

void OraSession::setClientDriver(std::unique_ptr<Driver> driver)
{
    if (driver) m_clientDriver = std::move(driver);
}

// ---------------------------------------------------------------- trace

namespace {

bool identChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

// At `i` (any case) the word `w`, standing alone.
bool wordAt(const std::string &s, std::size_t i, const char *w)
{
    const std::size_t n = std::strlen(w);
    if (i + n > s.size() || (i > 0 && identChar(s[i - 1])) || (i + n < s.size() && identChar(s[i + n])))
        return false;
    for (std::size_t k = 0; k < n; ++k)
        if (std::toupper(static_cast<unsigned char>(s[i + k])) != w[k])
            return false;
    return true;
}

std::size_t skipBlanks(const std::string &s, std::size_t i)
{
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i])))
        ++i;
    return i;
}

} // namespace

std::string traceText(const std::string &sql)
{
    std::string out;
    out.reserve(sql.size());
    std::size_t i = 0;
    while (i < sql.size()) {
        if (!wordAt(sql, i, "IDENTIFIED")) {
            out += sql[i++];
            continue;
        }
        std::size_t by = skipBlanks(sql, i + 10);
        if (by == i + 10 || !wordAt(sql, by, "BY")) {
            out.append(sql, i, 10);
            i += 10;
            continue;
        }
        std::size_t start = skipBlanks(sql, by + 2);
        std::size_t end = start;
        if (end < sql.size() && sql[end] == '"') {
            end = sql.find('"', end + 1);
            end = end == std::string::npos ? sql.size() : end + 1;
        } else {
            while (end < sql.size() && !std::isspace(static_cast<unsigned char>(sql[end])) && sql[end] != ';')
                ++end;
        }
        out.append(sql, i, start - i);
        if (end > start)
            out += "********";
        i = end;
    }
    return out;
}

void traceStatement(const std::string &statement)
{
    const char *path = std::getenv("SQLVIGIL_SQL_TRACE");
    if (!path || !*path) return;
    const std::string sql = traceText(statement);
    std::string line;
    line.reserve(sql.size() + 1);
    for (std::size_t i = 0; i < sql.size(); ++i) {
        char c = sql[i];
        if (c == '\r' && i + 1 < sql.size() && sql[i + 1] == '\n') continue;
        line += (c == '\n' || c == '\r') ? ' ' : c;
    }
    line += '\n';
    std::ofstream out(path, std::ios::app | std::ios::binary);
    out << line;
}

} // namespace sqlvigil::access
