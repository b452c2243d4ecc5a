#include "orasession.h"

#include "clientdriver.h"
#include "simdriver.h"
#include "simhost.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

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

// ---------------------------------------------------------------- cursor

namespace {

// The default cursor of a driver that cannot stream: the materialised result.
class MaterialisedCursor : public DriverCursor {
public:
    explicit MaterialisedCursor(OraResult r) : m_result(std::move(r)) {}
    const std::vector<std::string> &columns() const override { return m_result.columns; }
    bool fetch(std::size_t maxRows, std::vector<std::vector<OraValue>> &rows) override
    {
        for (std::size_t n = 0; n < maxRows && m_next < m_result.rows.size(); ++n)
            rows.push_back(std::move(m_result.rows[m_next++]));
        if (m_next < m_result.rows.size())
            return true;
        m_result.rows.clear();
        m_result.rows.shrink_to_fit();
        m_next = 0;
        return false;
    }

private:
    OraResult m_result;
    std::size_t m_next = 0;
};

} // namespace

std::unique_ptr<DriverCursor> DriverConnection::openCursor(const std::string &sql)
{
    return std::make_unique<MaterialisedCursor>(query(sql));
}

OraCursor::OraCursor(std::unique_ptr<DriverCursor> cursor) : OraCursor(std::move(cursor), nullptr) {}

OraCursor::OraCursor(std::unique_ptr<DriverCursor> cursor, std::shared_ptr<CallLine> line)
    : m_cursor(std::move(cursor)), m_line(std::move(line))
{
    if (m_cursor) m_columns = m_cursor->columns();
    else m_done = true;
}

const std::vector<std::string> &OraCursor::columnNames() const { return m_columns; }

bool OraCursor::Fetch(std::size_t maxRows, std::vector<std::vector<OraValue>> &rows)
{
    if (m_done) return false;
    try {
        bool more = false;
        if (!m_line) {
            more = m_cursor->fetch(maxRows, rows);
        } else {
            // The fetch may outlive this wait (a window closed): it owns its rows.
            auto cursor = m_cursor;
            auto batch = std::make_shared<std::vector<std::vector<OraValue>>>();
            auto result = std::make_shared<bool>(false);
            m_line->run("fetch", [cursor, batch, result, maxRows](DriverConnection &) {
                *result = cursor->fetch(maxRows, *batch);
            }, false);
            more = *result;
            for (auto &r : *batch) rows.push_back(std::move(r));
        }
        if (!more) Close();
    } catch (...) {
        Close();
        throw;
    }
    return !m_done;
}

void OraCursor::Close()
{
    m_done = true;
    m_cursor.reset();
}

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

CallLine::CallLine(std::shared_ptr<DriverConnection> conn, std::string service, std::string user)
    : m_conn(std::move(conn)), m_service(std::move(service)), m_user(std::move(user))
{
}

bool CallLine::busy() const { return m_call && !m_call->done(); }

void CallLine::check()
{
    m_lastServerErr = 0;
    if (!m_conn || m_dead) {
        m_lastServerErr = 3114;
        throw OraError::ora(3114, "not connected to ORACLE");
    }
}

void CallLine::failed(const OraError &e)
{
    m_lastServerErr = e.serverCode();
    if (isDeadConnectionCode(e.serverCode())) m_dead = true;
}

// A call made while another is out on this connection (a timer of another window,
// say) waits for that one first: the driver serves one call at a time.
void CallLine::waitIdle()
{
    while (busy()) {
        auto out = m_call;
        if (waiter) waiter->wait({out}, {});
        else out->waitFor(-1);
    }
}

std::shared_ptr<PendingCall> CallLine::start(const std::string &what,
                                             const std::function<void(DriverConnection &)> &job, int limitMs)
{
    waitIdle();
    check();
    auto call = std::make_shared<PendingCall>(m_service, m_user, traceText(what), limitMs);
    std::shared_ptr<DriverConnection> conn = m_conn;
    call->setBreaker([conn] { conn->breakCall(); });
    m_call = call;
    startCall(call, [conn, job] { job(*conn); });
    return call;
}

void CallLine::end(const std::shared_ptr<PendingCall> &call)
{
    if (!call->done()) {
        if (waiter) waiter->wait({call}, {});
        else BlockingWaiter().wait({call}, {});
    }
    if (call->abandoned()) m_dead = true;     // its thread still holds the connection
    if (call->dropped()) throw CallDropped();
    if (std::exception_ptr e = call->error()) {
        try {
            std::rethrow_exception(e);
        } catch (const OraError &x) {
            failed(x);
            throw;
        }
    }
}

void CallLine::run(const std::string &what, const std::function<void(DriverConnection &)> &job, bool trace)
{
    if (trace) traceStatement(what);
    if (!waiter && statementLimitMs <= 0 && !busy()) {
        check();
        ++m_inline;
        try {
            job(*m_conn);
        } catch (const OraError &e) {
            --m_inline;
            failed(e);
            throw;
        } catch (...) {
            --m_inline;
            throw;
        }
        --m_inline;
        return;
    }
    end(start(what, job, statementLimitMs));
}

bool CallLine::connectionOK()
{
    if (!m_conn || m_dead) return false;
    // While a call is out the driver is not asked: it serves one call at a time.
    if (busy()) return true;
    return m_conn->connectionOK();
}

void CallLine::breakCall()
{
    if (busy()) m_call->cancel();
    else if (m_inline > 0 && m_conn) m_conn->breakCall();
}

void CallLine::close()
{
    if (!m_conn) return;
    auto conn = std::move(m_conn);
    if (busy()) {
        auto out = m_call;
        out->drop();
        if (!out->waitFor(kGraceMs)) {
            // The driver does not let go: the call's thread closes it when it ends.
            out->abandon();
            return;
        }
    }
    conn->close();
}

OraDatabase::OraDatabase(std::unique_ptr<DriverConnection> conn, std::string service, std::string user)
    : m_line(std::make_shared<CallLine>(std::shared_ptr<DriverConnection>(std::move(conn)), service, user)),
      m_service(std::move(service)), m_user(std::move(user))
{
}

OraDatabase::~OraDatabase()
{
    try {
        Close();
    } catch (...) {
    }
}

std::unique_ptr<OraDynaset> OraDatabase::DbCreateDynaset(const std::string &sql, int)
{
    auto out = std::make_shared<OraResult>();
    m_line->run(sql, [sql, out](DriverConnection &c) { *out = c.query(sql); });
    return std::make_unique<OraDynaset>(std::move(*out));
}

std::unique_ptr<OraCursor> OraDatabase::DbOpenCursor(const std::string &sql)
{
    auto out = std::make_shared<std::unique_ptr<DriverCursor>>();
    m_line->run(sql, [sql, out](DriverConnection &c) { *out = c.openCursor(sql); });
    return std::make_unique<OraCursor>(std::move(*out), m_line);
}

long OraDatabase::DbExecuteSQL(const std::string &sql)
{
    auto out = std::make_shared<long>(0);
    m_line->run(sql, [sql, out](DriverConnection &c) { *out = c.execute(sql); });
    return *out;
}

void OraDatabase::DbStreamQuery(const std::string &sql, RowReceiver &to)
{
    // One path for every driver, on any thread: the driver's cursor read in arrays of
    // kFetchArray rows; the receiver sees them on the caller's thread.
    std::unique_ptr<OraCursor> cursor = DbOpenCursor(sql);
    to.columns(cursor->columnNames());
    std::vector<std::vector<OraValue>> rows;
    rows.reserve(kFetchArray);
    bool more = true;
    while (more) {
        rows.clear();
        more = cursor->Fetch(kFetchArray, rows);
        for (const auto &r : rows)
            if (!to.row(r)) return;
    }
}

void OraDatabase::ExecuteSQL(const std::string &plsql)
{
    auto binds = std::make_shared<std::vector<OraBind>>(m_params.binds());
    m_line->run(plsql, [plsql, binds](DriverConnection &c) { c.executePlsql(plsql, *binds); });
    for (const OraBind &b : *binds)
        if (m_params.Contains(b.name)) m_params(b.name).value = b.value;
}

std::shared_ptr<PendingCall> OraDatabase::StartExecuteSQL(const std::string &plsql, int limitMs)
{
    traceStatement(plsql);
    auto binds = std::make_shared<std::vector<OraBind>>(m_params.binds());
    auto call = m_line->start(plsql, [plsql, binds](DriverConnection &c) { c.executePlsql(plsql, *binds); },
                              limitMs > 0 ? limitMs : m_line->statementLimitMs);
    m_started = binds;
    return call;
}

void OraDatabase::EndExecuteSQL(const std::shared_ptr<PendingCall> &call)
{
    auto binds = std::move(m_started);
    m_line->end(call);
    if (binds)
        for (const OraBind &b : *binds)
            if (m_params.Contains(b.name)) m_params(b.name).value = b.value;
}

bool OraDatabase::ConnectionOK() { return m_line->connectionOK(); }

void OraDatabase::Close() { m_line->close(); }

// ---------------------------------------------------------------- session

OraSession::OraSession()
    : m_simDriver(std::make_unique<SimDriver>()), m_clientDriver(std::make_unique<oci::ClientDriver>())
{
    // SQLVIGIL_SIM_VIA_CLIENT=DIR: "sim:NAME" goes through the client library in DIR
    // as connect text NAME; the conformance library there reaches this process's
    // simulated instances, so tests see their statements and faults as usual.
    const char *via = std::getenv("SQLVIGIL_SIM_VIA_CLIENT");
    if (via && *via)
        m_simDriver = std::make_unique<oci::ClientDriver>(
            via, std::vector<std::string>{"SQLVIGIL_STANDIN_HOST=" + oci::startSimHost()});
}

OraSession::~OraSession() = default;

std::unique_ptr<OraDatabase> OraSession::DbOpenDatabase(const std::string &service, const std::string &userPassword,
                                                        int options)
{
    return DbOpenDatabase(service, userPassword, options, OpenOptions{});
}

std::unique_ptr<OraDatabase> OraSession::DbOpenDatabase(const std::string &service, const std::string &userPassword,
                                                        int, const OpenOptions &how)
{
    auto slash = userPassword.find('/');
    std::string user = userPassword.substr(0, slash);
    std::string password = slash == std::string::npos ? std::string() : userPassword.substr(slash + 1);
    bool sim = service.size() >= 4 && upper(service.substr(0, 4)) == "SIM:";
    std::shared_ptr<Driver> driver = sim ? m_simDriver : m_clientDriver;
    const std::string connectText = "CONNECT " + user + "/" + password + "@" + service;
    traceStatement(connectText);
    const std::string target = sim ? service.substr(4) : service;
    std::unique_ptr<DriverConnection> conn;
    if (!how.waiter && how.connectLimitMs <= 0) {
        conn = driver->open(target, user, password);
    } else {
        // The connect owns what it needs: past its limit nobody waits for it, and a
        // connection it opens late is closed again.
        auto call = std::make_shared<PendingCall>(service, upper(user), traceText(connectText), how.connectLimitMs);
        auto out = std::make_shared<std::unique_ptr<DriverConnection>>();
        startCall(call, [driver, target, user, password, out] { *out = driver->open(target, user, password); });
        if (how.waiter) how.waiter->wait({call}, {});
        else BlockingWaiter().wait({call}, {});
        if (call->dropped()) throw CallDropped();
        if (std::exception_ptr e = call->error()) std::rethrow_exception(e);
        conn = std::move(*out);
    }
    auto db = std::make_unique<OraDatabase>(std::move(conn), service, upper(user));
    db->setWaiter(how.waiter);
    db->setStatementLimit(how.statementLimitMs);
    return db;
}

void OraSession::setClientDriver(std::unique_ptr<Driver> driver)
{
    if (driver) m_clientDriver = std::move(driver);
}

// ---------------------------------------------------------------- trace

namespace {

bool wordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#'; }

// True when `word` (upper case) starts at i and ends there as a whole word.
bool wordAt(const std::string &s, std::size_t i, const char *word)
{
    std::size_t n = std::strlen(word);
    if (i + n > s.size() || (i > 0 && wordChar(s[i - 1]))) return false;
    for (std::size_t k = 0; k < n; ++k)
        if (std::toupper(static_cast<unsigned char>(s[i + k])) != word[k]) return false;
    return i + n == s.size() || !wordChar(s[i + n]);
}

std::size_t skipBlanks(const std::string &s, std::size_t i)
{
    while (i < s.size() && std::isspace(static_cast<unsigned char>(s[i]))) ++i;
    return i;
}

// The end of the password token at i: a quoted name, a quoted literal or a bare word.
std::size_t tokenEnd(const std::string &s, std::size_t i)
{
    if (i < s.size() && (s[i] == '"' || s[i] == '\'')) {
        char q = s[i];
        std::size_t j = i + 1;
        while (j < s.size()) {
            if (s[j] == q) {
                if (j + 1 < s.size() && s[j + 1] == q) { j += 2; continue; }
                return j + 1;
            }
            ++j;
        }
        return s.size();
    }
    std::size_t j = i;
    while (j < s.size() && !std::isspace(static_cast<unsigned char>(s[j])) && s[j] != ';' && s[j] != ')') ++j;
    return j;
}

const char kMask[] = "********";

} // namespace

std::string redactSecrets(const std::string &sql)
{
    std::string out;
    out.reserve(sql.size());
    std::size_t i = 0;
    // CONNECT user/password[@service]
    std::size_t lead = skipBlanks(sql, 0);
    if (wordAt(sql, lead, "CONNECT")) {
        std::size_t slash = sql.find('/', lead);
        std::size_t lineEnd = sql.find('\n', lead);
        if (slash != std::string::npos && (lineEnd == std::string::npos || slash < lineEnd)) {
            std::size_t end = sql.find('@', slash);
            if (end == std::string::npos || (lineEnd != std::string::npos && end > lineEnd))
                end = lineEnd == std::string::npos ? sql.size() : lineEnd;
            out = sql.substr(0, slash + 1) + kMask;
            i = end;
        }
    }
    char quote = 0;
    while (i < sql.size()) {
        char c = sql[i];
        if (quote) {
            out += c;
            if (c == quote) quote = 0;
            ++i;
            continue;
        }
        if (c == '\'' || c == '"') {
            quote = c;
            out += c;
            ++i;
            continue;
        }
        if (wordAt(sql, i, "IDENTIFIED")) {
            std::size_t by = skipBlanks(sql, i + 10);
            if (wordAt(sql, by, "BY")) {
                std::size_t pw = skipBlanks(sql, by + 2);
                out += sql.substr(i, pw - i);
                i = tokenEnd(sql, pw);
                if (i > pw) out += kMask;
                // ALTER USER ... IDENTIFIED BY new REPLACE old
                std::size_t rep = skipBlanks(sql, i);
                if (wordAt(sql, rep, "REPLACE")) {
                    std::size_t old = skipBlanks(sql, rep + 7);
                    out += sql.substr(i, old - i);
                    i = tokenEnd(sql, old);
                    if (i > old) out += kMask;
                }
                continue;
            }
        }
        out += c;
        ++i;
    }
    return out;
}

void traceStatement(const std::string &sql)
{
    const char *path = std::getenv("SQLVIGIL_SQL_TRACE");
    if (!path || !*path) return;
    const std::string safe = redactSecrets(sql);
    std::string line;
    line.reserve(safe.size() + 1);
    for (std::size_t i = 0; i < safe.size(); ++i) {
        char c = safe[i];
        if (c == '\r' && i + 1 < safe.size() && safe[i + 1] == '\n') continue;
        line += (c == '\n' || c == '\r') ? ' ' : c;
    }
    line += '\n';
    // Owner-only, appended; never follows into a FIFO or device, which could block.
    int fd = ::open(path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK | O_NOCTTY, 0600);
    if (fd < 0) return;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return;
    }
    if ((st.st_mode & 077) != 0 && st.st_uid == ::geteuid()) ::fchmod(fd, 0600);
    const char *p = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        ssize_t n = ::write(fd, p, left);
        if (n <= 0) break;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    ::close(fd);
}

} // namespace sqlvigil::access
