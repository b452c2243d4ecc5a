#include "ocidriver.h"

#include "oraerror.h"
#include "ocitypes.h"

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace oci {

using access::DriverConnection;
using access::DriverCursor;
using access::OraBind;
using access::OraError;
using access::OraResult;
using access::OraValue;

namespace {

// LONG, CLOB and BLOB columns are read up to this many bytes per value (the
// length of a fetched value is a ub2).
constexpr ub4 kLongBytes = 65000;
constexpr ub4 kBindText = 32768;
constexpr ub4 kLargeRow = 16 * 1024;

std::string upper(std::string s)
{
    for (auto &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

// The error of the last failed call on an error handle.
OraError errorOf(const OciCalls &oci, OCIError *err, sword rc)
{
    if (rc == OCI_INVALID_HANDLE) return OraError::ora(3114, "not connected to ORACLE");
    sb4 code = 0;
    OraText buf[3072];
    buf[0] = 0;
    if (oci.ErrorGet(err, 1, nullptr, &code, buf, sizeof buf, OCI_HTYPE_ERROR) != OCI_SUCCESS) {
        char text[96];
        std::snprintf(text, sizeof text, "the client library failed (return code %d) without an error record", rc);
        return OraError(0, text);
    }
    std::string message(reinterpret_cast<char *>(buf));
    while (!message.empty() && std::isspace(static_cast<unsigned char>(message.back()))) message.pop_back();
    std::string hint = versionHint(code);
    return OraError(code, message + hint);
}

void check(const OciCalls &oci, OCIError *err, sword rc)
{
    if (rc == OCI_SUCCESS || rc == OCI_SUCCESS_WITH_INFO) return;
    throw errorOf(oci, err, rc);
}

OraValue numberValue(std::string text)
{
    const double v = std::strtod(text.c_str(), nullptr);
    return OraValue::numberText(std::move(text), v);
}

// The handles of one connection; statements and cursors keep it alive.
struct Session {
    const OciCalls &oci;
    OCIEnv *env;
    OCIError *err = nullptr;
    OCIError *breakErr = nullptr;   // the break comes from another thread
    OCIServer *server = nullptr;
    OCISvcCtx *svc = nullptr;
    OCISession *session = nullptr;
    bool attached = false, begun = false;
    std::atomic<bool> busy{false};

    Session(const OciCalls &o, OCIEnv *e) : oci(o), env(e) {}
    ~Session() { end(); }

    void end()
    {
        if (begun) oci.SessionEnd(svc, err, session, OCI_DEFAULT);
        begun = false;
        if (attached) oci.ServerDetach(server, err, OCI_DEFAULT);
        attached = false;
        if (session) oci.HandleFree(session, OCI_HTYPE_SESSION);
        if (svc) oci.HandleFree(svc, OCI_HTYPE_SVCCTX);
        if (server) oci.HandleFree(server, OCI_HTYPE_SERVER);
        if (breakErr) oci.HandleFree(breakErr, OCI_HTYPE_ERROR);
        if (err) oci.HandleFree(err, OCI_HTYPE_ERROR);
        session = nullptr;
        svc = nullptr;
        server = nullptr;
        breakErr = err = nullptr;
    }
    void ok(sword rc) { check(oci, err, rc); }
};

struct Busy {
    explicit Busy(Session &s) : session(s) { session.busy.store(true); }
    ~Busy() { session.busy.store(false); }
    Session &session;
};

// A prepared statement, released on destruction.
struct Statement {
    std::shared_ptr<Session> s;
    OCIStmt *stmt = nullptr;
    Statement(std::shared_ptr<Session> session, const std::string &sql) : s(std::move(session))
    {
        s->ok(s->oci.StmtPrepare2(s->svc, &stmt, s->err, reinterpret_cast<const OraText *>(sql.data()),
                                  static_cast<ub4>(sql.size()), nullptr, 0, OCI_NTV_SYNTAX, OCI_DEFAULT));
    }
    ~Statement()
    {
        if (stmt) s->oci.StmtRelease(stmt, s->err, nullptr, 0, OCI_DEFAULT);
    }
    ub2 type()
    {
        ub2 t = 0;
        s->ok(s->oci.AttrGet(stmt, OCI_HTYPE_STMT, &t, nullptr, OCI_ATTR_STMT_TYPE, s->err));
        return t;
    }
    void execute(ub4 iters)
    {
        sword rc = s->oci.StmtExecute(s->svc, stmt, s->err, iters, 0, nullptr, nullptr, OCI_DEFAULT);
        if (rc == OCI_NO_DATA && iters > 0) return;   // a DML that touched no row
        if (rc == OCI_ERROR) {
            OraError e = errorOf(s->oci, s->err, rc);
            // A broken call leaves the channel to be reset before the next one.
            if (e.serverCode() == 1013 && s->oci.Reset) s->oci.Reset(s->svc, s->err);
            throw e;
        }
        s->ok(rc);
    }
};

// How one select-list column is defined and read back.
struct Column {
    enum Read { Number, Double, Date, Timestamp, Raw, Text };
    std::string name;
    Read read = Text;
    ub2 external = SQLT_STR;
    ub4 width = 0;
    ub1 form = SQLCS_IMPLICIT;
    std::vector<char> data;
    std::vector<sb2> ind;
    std::vector<ub2> len, rcode;
    std::vector<OCIDateTime *> stamps;
};

class OciCursor : public DriverCursor {
public:
    OciCursor(std::shared_ptr<Session> s, const std::string &sql) : m_st(std::move(s), sql)
    {
        Session &s_ = *m_st.s;
        // Only a query opens a cursor; anything else is refused without running.
        if (m_st.type() != OCI_STMT_SELECT) throw OraError::ora(928, "missing SELECT keyword");
        Busy busy(s_);
        m_st.execute(0);
        describe();
    }
    ~OciCursor() override
    {
        for (auto &c : m_cols)
            for (OCIDateTime *d : c.stamps)
                if (d) m_st.s->oci.DescriptorFree(d, OCI_DTYPE_TIMESTAMP);
    }
    const std::vector<std::string> &columns() const override { return m_names; }
    bool fetch(std::size_t maxRows, std::vector<std::vector<OraValue>> &rows) override
    {
        Busy busy(*m_st.s);
        while (maxRows > 0) {
            if (m_next < m_have) {
                rows.push_back(rowAt(m_next++));
                --maxRows;
                continue;
            }
            if (m_done) break;
            fetchBatch();
        }
        return !(m_done && m_next >= m_have);
    }

private:
    void describe()
    {
        Session &s = *m_st.s;
        const OciCalls &oci = s.oci;
        ub4 count = 0;
        s.ok(oci.AttrGet(m_st.stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_PARAM_COUNT, s.err));
        m_cols.resize(count);
        ub4 rowWidth = 0;
        for (ub4 i = 0; i < count; ++i) {
            void *param = nullptr;
            s.ok(oci.ParamGet(m_st.stmt, OCI_HTYPE_STMT, s.err, &param, i + 1));
            ub2 type = 0, size = 0;
            OraText *name = nullptr;
            ub4 nameLen = 0;
            ub1 form = SQLCS_IMPLICIT;
            s.ok(oci.AttrGet(param, OCI_DTYPE_PARAM, &type, nullptr, OCI_ATTR_DATA_TYPE, s.err));
            s.ok(oci.AttrGet(param, OCI_DTYPE_PARAM, &size, nullptr, OCI_ATTR_DATA_SIZE, s.err));
            s.ok(oci.AttrGet(param, OCI_DTYPE_PARAM, &name, &nameLen, OCI_ATTR_NAME, s.err));
            oci.AttrGet(param, OCI_DTYPE_PARAM, &form, nullptr, OCI_ATTR_CHARSET_FORM, s.err);
            Column &c = m_cols[i];
            c.name.assign(reinterpret_cast<char *>(name), nameLen);
            c.form = form;
            oci.DescriptorFree(param, OCI_DTYPE_PARAM);
            plan(c, type, size);
            rowWidth += c.width;
        }
        m_batch = rowWidth > kLargeRow ? 100 : 256;
        for (ub4 i = 0; i < count; ++i) define(m_cols[i], i + 1);
        for (auto &c : m_cols) m_names.push_back(c.name);
    }

    static void plan(Column &c, ub2 type, ub2 size)
    {
        switch (type) {
        case SQLT_NUM:
        case SQLT_VNU:
        case SQLT_INT:
        case SQLT_UIN:
        case SQLT_FLT:
            c.read = Column::Number, c.external = SQLT_VNU, c.width = 22;
            break;
        case SQLT_IBFLOAT:
        case SQLT_IBDOUBLE:
        case SQLT_BFLOAT:
        case SQLT_BDOUBLE:
            c.read = Column::Double, c.external = SQLT_BDOUBLE, c.width = sizeof(double);
            break;
        case SQLT_DAT:
            c.read = Column::Date, c.external = SQLT_DAT, c.width = 7;
            break;
        case 180: case 181: case 231:    // TIMESTAMP, WITH TIME ZONE, WITH LOCAL TIME ZONE
        case SQLT_TIMESTAMP: case SQLT_TIMESTAMP_TZ: case SQLT_TIMESTAMP_LTZ:
            c.read = Column::Timestamp, c.external = SQLT_TIMESTAMP, c.width = sizeof(OCIDateTime *);
            break;
        case SQLT_BIN:
            c.read = Column::Raw, c.external = SQLT_BIN, c.width = size ? size : 2000;
            break;
        case SQLT_LBI:
        case SQLT_BLOB:
            c.read = Column::Raw, c.external = SQLT_BIN, c.width = kLongBytes;
            break;
        case SQLT_LNG:
        case SQLT_CLOB:
            c.read = Column::Text, c.external = SQLT_CHR, c.width = kLongBytes;
            break;
        case SQLT_RDD:
        case SQLT_RID:
            c.read = Column::Text, c.external = SQLT_STR, c.width = 32;
            break;
        case SQLT_CHR:
        case SQLT_AFC:
        case SQLT_VCS:
        case SQLT_AVC:
            c.read = Column::Text, c.external = SQLT_STR;
            c.width = std::min<ub4>(std::max<ub4>(size, 1) * 4u + 1u, kLongBytes);
            break;
        default:   // intervals, UROWID and the rest: as the server writes them
            c.read = Column::Text, c.external = SQLT_STR, c.width = 4001;
        }
    }

    void define(Column &c, ub4 position)
    {
        Session &s = *m_st.s;
        const OciCalls &oci = s.oci;
        c.ind.assign(m_batch, 0);
        c.len.assign(m_batch, 0);
        c.rcode.assign(m_batch, 0);
        void *value;
        if (c.read == Column::Timestamp) {
            c.stamps.assign(m_batch, nullptr);
            for (auto &d : c.stamps)
                s.ok(oci.DescriptorAlloc(s.env, reinterpret_cast<void **>(&d), OCI_DTYPE_TIMESTAMP, 0, nullptr));
            value = c.stamps.data();
        } else {
            c.data.assign(static_cast<std::size_t>(c.width) * m_batch, 0);
            value = c.data.data();
        }
        OCIDefine *def = nullptr;
        s.ok(oci.DefineByPos(m_st.stmt, &def, s.err, position, value, static_cast<sb4>(c.width), c.external,
                             c.ind.data(), c.len.data(), c.rcode.data(), OCI_DEFAULT));
        if (c.form == SQLCS_NCHAR) {
            ub1 form = SQLCS_NCHAR;
            oci.AttrSet(def, OCI_HTYPE_DEFINE, &form, 0, OCI_ATTR_CHARSET_FORM, s.err);
        }
    }

    void fetchBatch()
    {
        Session &s = *m_st.s;
        sword rc = s.oci.StmtFetch2(m_st.stmt, s.err, m_batch, OCI_FETCH_NEXT, 0, OCI_DEFAULT);
        if (rc == OCI_ERROR || rc == OCI_INVALID_HANDLE) {
            m_done = true;
            m_have = m_next = 0;
            OraError e = errorOf(s.oci, s.err, rc);
            if (e.serverCode() == 1013 && s.oci.Reset) s.oci.Reset(s.svc, s.err);
            throw e;
        }
        ub4 fetched = 0;
        s.ok(s.oci.AttrGet(m_st.stmt, OCI_HTYPE_STMT, &fetched, nullptr, OCI_ATTR_ROWS_FETCHED, s.err));
        m_have = fetched;
        m_next = 0;
        if (rc == OCI_NO_DATA || fetched < m_batch) m_done = true;
    }

    std::vector<OraValue> rowAt(std::size_t r)
    {
        std::vector<OraValue> row;
        row.reserve(m_cols.size());
        for (Column &c : m_cols) row.push_back(valueAt(c, r));
        return row;
    }

    OraValue valueAt(Column &c, std::size_t r)
    {
        if (c.ind[r] == -1) return OraValue();
        const unsigned char *p =
            c.data.empty() ? nullptr : reinterpret_cast<const unsigned char *>(c.data.data()) + r * c.width;
        switch (c.read) {
        case Column::Number: {
            return numberValue(numberToText(p + 1, std::min<std::size_t>(p[0], 21)));
        }
        case Column::Double: {
            double d;
            std::memcpy(&d, p, sizeof d);
            return OraValue::number(d);
        }
        case Column::Date: {
            std::int64_t secs = 0;
            std::string t = dateToText(p, &secs);
            return OraValue::dateText(std::move(t), secs);
        }
        case Column::Timestamp: {
            Session &s = *m_st.s;
            sb2 y = 0;
            ub1 mo = 0, d = 0, h = 0, mi = 0, se = 0;
            ub4 fs = 0;
            OCIDateTime *dt = c.stamps[r];
            s.ok(s.oci.DateTimeGetDate(s.env, s.err, dt, &y, &mo, &d));
            s.ok(s.oci.DateTimeGetTime(s.env, s.err, dt, &h, &mi, &se, &fs));
            char buf[48];
            std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, se);
            std::string t = buf;
            if (fs) {
                std::snprintf(buf, sizeof buf, ".%09u", fs);
                std::string frac = buf;
                while (frac.size() > 2 && frac.back() == '0') frac.pop_back();
                t += frac;
            }
            return OraValue::dateText(std::move(t), civilSeconds(y, mo, d, h, mi, se));
        }
        case Column::Raw: return OraValue::text(toHex(p, std::min<std::size_t>(c.len[r], c.width)));
        case Column::Text:
            if (c.external == SQLT_STR) return OraValue::text(std::string(reinterpret_cast<const char *>(p)));
            return OraValue::text(std::string(reinterpret_cast<const char *>(p), std::min<std::size_t>(c.len[r], c.width)));
        }
        return OraValue();
    }

    Statement m_st;
    std::vector<Column> m_cols;
    std::vector<std::string> m_names;
    ub4 m_batch = 256;
    std::size_t m_have = 0, m_next = 0;
    bool m_done = false;
};

// True when the block names the placeholder :name (case-insensitively, as a word).
bool mentions(const std::string &block, const std::string &name)
{
    const std::string u = upper(block), n = ":" + upper(name);
    for (std::size_t at = u.find(n); at != std::string::npos; at = u.find(n, at + 1)) {
        std::size_t end = at + n.size();
        if (end >= u.size()) return true;
        char c = u[end];
        if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#')) return true;
    }
    return false;
}

class OciConnection : public DriverConnection {
public:
    explicit OciConnection(std::shared_ptr<Session> s) : m_s(std::move(s)) {}
    ~OciConnection() override { close(); }

    OraResult query(const std::string &sql) override
    {
        OraResult r;
        OciCursor cursor(live(), sql);
        r.columns = cursor.columns();
        while (cursor.fetch(4096, r.rows)) {
        }
        return r;
    }

    std::unique_ptr<DriverCursor> openCursor(const std::string &sql) override
    {
        return std::make_unique<OciCursor>(live(), sql);
    }

    long execute(const std::string &sql) override
    {
        Statement st(live(), sql);
        Busy busy(*m_s);
        st.execute(st.type() == OCI_STMT_SELECT ? 0 : 1);
        ub4 count = 0;
        m_s->ok(m_s->oci.AttrGet(st.stmt, OCI_HTYPE_STMT, &count, nullptr, OCI_ATTR_ROW_COUNT, m_s->err));
        return static_cast<long>(count);
    }

    void executePlsql(const std::string &block, std::vector<OraBind> &binds) override
    {
        Statement st(live(), block);
        struct Slot {
            std::vector<char> buf;
            sb2 ind = 0;
            ub2 len = 0, rcode = 0;
            bool bound = false;
        };
        std::vector<Slot> slots(binds.size());
        for (std::size_t i = 0; i < binds.size(); ++i) {
            const OraBind &b = binds[i];
            Slot &slot = slots[i];
            if (!mentions(block, b.name)) continue;
            const bool number = b.serverType == 2;
            ub2 type = number ? SQLT_VNU : SQLT_STR;
            slot.buf.assign(number ? 22 : kBindText, 0);
            slot.ind = b.value.isNull() ? -1 : 0;
            if (!b.value.isNull()) {
                if (number) {
                    std::string text = b.value.kind() == OraValue::Kind::Number ? b.value.toString()
                                                                                 : b.value.toString();
                    auto bytes = textToNumber(text);
                    if (!bytes) bytes = textToNumber(OraValue::formatNumber(b.value.toDouble()));
                    if (!bytes) throw OraError::ora(1722, "invalid number");
                    slot.buf[0] = static_cast<char>(bytes->size());
                    std::memcpy(slot.buf.data() + 1, bytes->data(), bytes->size());
                    slot.len = static_cast<ub2>(bytes->size() + 1);
                } else {
                    const std::string &t = b.value.toString();
                    std::size_t n = std::min<std::size_t>(t.size(), kBindText - 1);
                    std::memcpy(slot.buf.data(), t.data(), n);
                    slot.len = static_cast<ub2>(n + 1);
                }
            }
            OCIBind *bh = nullptr;
            std::string placeholder = ":" + b.name;
            m_s->ok(m_s->oci.BindByName(st.stmt, &bh, m_s->err, reinterpret_cast<const OraText *>(placeholder.data()),
                                        static_cast<sb4>(placeholder.size()), slot.buf.data(),
                                        static_cast<sb4>(slot.buf.size()), type, &slot.ind, &slot.len, &slot.rcode, 0,
                                        nullptr, OCI_DEFAULT));
            slot.bound = true;
        }
        {
            Busy busy(*m_s);
            st.execute(1);
        }
        for (std::size_t i = 0; i < binds.size(); ++i) {
            Slot &slot = slots[i];
            if (!slot.bound) continue;
            OraBind &b = binds[i];
            if (slot.ind == -1) {
                b.value = OraValue();
            } else if (b.serverType == 2) {
                const auto *p = reinterpret_cast<const unsigned char *>(slot.buf.data());
                b.value = numberValue(numberToText(p + 1, std::min<std::size_t>(p[0], 21)));
            } else {
                b.value = OraValue::text(std::string(slot.buf.data()));
            }
        }
    }

    // Asked on the interface thread, once per server and status tick: the client's own
    // view of the server handle, which costs no round trip (a ping would cost one per
    // server, one after another). A connection lost unnoticed shows at its next call.
    bool connectionOK() override
    {
        if (!m_s || !m_s->begun) return false;
        ub4 status = OCI_SERVER_NORMAL;
        if (m_s->oci.AttrGet(m_s->server, OCI_HTYPE_SERVER, &status, nullptr, OCI_ATTR_SERVER_STATUS, m_s->err) !=
            OCI_SUCCESS)
            return true;
        return status == OCI_SERVER_NORMAL;
    }

    void breakCall() override
    {
        if (m_s && m_s->busy.load()) m_s->oci.Break(m_s->svc, m_s->breakErr);
    }

    void close() override
    {
        if (!m_s) return;
        m_s->end();
        m_s.reset();
    }

private:
    std::shared_ptr<Session> live()
    {
        if (!m_s || !m_s->begun) throw OraError::ora(3114, "not connected to ORACLE");
        return m_s;
    }
    std::shared_ptr<Session> m_s;
};

} // namespace

OciDriver::OciDriver(const OciLibrary &lib) : m_oci(lib.calls())
{
    sword rc = m_oci.EnvNlsCreate(&m_env, OCI_THREADED, nullptr, nullptr, nullptr, nullptr, 0, nullptr, OCI_AL32UTF8,
                                  OCI_AL32UTF8);
    if (rc != OCI_SUCCESS && rc != OCI_SUCCESS_WITH_INFO)
        throw OraError(0, "The Oracle client library in " + lib.file() +
                              " could not create its environment (return code " + std::to_string(rc) +
                              "): check that ORACLE_HOME, if set, matches this client.", 429);
}

OciDriver::~OciDriver()
{
    if (m_env) m_oci.HandleFree(m_env, OCI_HTYPE_ENV);
}

std::unique_ptr<DriverConnection> OciDriver::open(const std::string &service, const std::string &user,
                                                  const std::string &password)
{
    auto s = std::make_shared<Session>(m_oci, m_env);
    const OciCalls &oci = m_oci;
    auto alloc = [&](void **h, ub4 type) {
        if (oci.HandleAlloc(m_env, h, type, 0, nullptr) != OCI_SUCCESS)
            throw OraError(0, "The Oracle client library could not allocate a handle (out of memory?)", 429);
    };
    alloc(reinterpret_cast<void **>(&s->err), OCI_HTYPE_ERROR);
    alloc(reinterpret_cast<void **>(&s->breakErr), OCI_HTYPE_ERROR);
    alloc(reinterpret_cast<void **>(&s->server), OCI_HTYPE_SERVER);
    alloc(reinterpret_cast<void **>(&s->svc), OCI_HTYPE_SVCCTX);
    alloc(reinterpret_cast<void **>(&s->session), OCI_HTYPE_SESSION);

    s->ok(oci.ServerAttach(s->server, s->err, reinterpret_cast<const OraText *>(service.data()),
                           static_cast<sb4>(service.size()), OCI_DEFAULT));
    s->attached = true;
    s->ok(oci.AttrSet(s->svc, OCI_HTYPE_SVCCTX, s->server, 0, OCI_ATTR_SERVER, s->err));

    std::string name = user;
    ub4 mode = OCI_DEFAULT;
    std::string u = upper(name);
    for (auto [suffix, m] : {std::pair<const char *, ub4>{" AS SYSDBA", OCI_SYSDBA}, {" AS SYSOPER", OCI_SYSOPER}}) {
        std::size_t n = std::strlen(suffix);
        if (u.size() > n && u.compare(u.size() - n, n, suffix) == 0) {
            name = name.substr(0, name.size() - n);
            while (!name.empty() && name.back() == ' ') name.pop_back();
            mode = m;
        }
    }
    const ub4 cred = name.empty() && password.empty() ? OCI_CRED_EXT : OCI_CRED_RDBMS;
    if (cred == OCI_CRED_RDBMS) {
        s->ok(oci.AttrSet(s->session, OCI_HTYPE_SESSION, const_cast<char *>(name.data()),
                          static_cast<ub4>(name.size()), OCI_ATTR_USERNAME, s->err));
        s->ok(oci.AttrSet(s->session, OCI_HTYPE_SESSION, const_cast<char *>(password.data()),
                          static_cast<ub4>(password.size()), OCI_ATTR_PASSWORD, s->err));
    }
    s->ok(oci.SessionBegin(s->svc, s->err, s->session, cred, mode));
    s->begun = true;
    s->ok(oci.AttrSet(s->svc, OCI_HTYPE_SVCCTX, s->session, 0, OCI_ATTR_SESSION, s->err));
    return std::make_unique<OciConnection>(std::move(s));
}

} // namespace oci
