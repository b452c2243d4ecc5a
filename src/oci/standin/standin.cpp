// The conformance client library: the OCI calls the driver uses, exported under their
// own names and served by the simulated instance named by the connect text ("ORCL",
// "//host:1521/ORCL", a (DESCRIPTION=...(SERVICE_NAME=ORCL)...) or a TNS alias found
// in $TNS_ADMIN/tnsnames.ora). With SQLVIGIL_STANDIN_HOST set, the instances are
// those of the process listening on that socket instead of this process's own.
//
// It keeps to the client library's documented contract wherever the driver depends
// on it: handles checked on every call (OCI_INVALID_HANDLE), statements released
// with their defines and binds, OCI_NO_DATA at the end of a fetch, NULL indicators
// (ORA-01405 without one), truncation as OCI_SUCCESS_WITH_INFO with ORA-01406, the
// error handle's code and text, ORA-12154 for an unknown name, ORA-24333 for a query
// run with no iterations, OCIBreak ending a running call with ORA-01013.
#include "../ocidefs.h"
#include "../ocitypes.h"
#include "../remote.h"
#include "../simhost.h"

#include "instance.h"
#include "oraerror.h"
#include "simdriver.h"

#include <sqlite3.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#define OCI_EXPORT extern "C" __attribute__((visibility("default")))

using access::OraBind;
using access::OraError;
using access::OraValue;

namespace {

std::string upper(std::string s)
{
    for (auto &c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::string trim(const std::string &s)
{
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// ---------------------------------------------------------------- handles

struct Handle {
    ub4 type;
    explicit Handle(ub4 t) : type(t) {}
    virtual ~Handle() = default;
};

std::mutex g_handles;
std::set<const void *> g_live;
// Calls into this process's own instances run one at a time (the instances are
// not shared between threads); breaks do not wait for that.
std::recursive_mutex g_instances;

template <class T> T *track(T *h)
{
    std::lock_guard<std::mutex> lock(g_handles);
    g_live.insert(h);
    return h;
}

void untrack(const void *h)
{
    std::lock_guard<std::mutex> lock(g_handles);
    g_live.erase(h);
}

template <class T> T *as(const void *p, ub4 type)
{
    if (!p) return nullptr;
    std::lock_guard<std::mutex> lock(g_handles);
    if (!g_live.count(p)) return nullptr;
    auto *h = static_cast<Handle *>(const_cast<void *>(p));
    return h->type == type ? static_cast<T *>(h) : nullptr;
}

struct Env : Handle {
    Env() : Handle(OCI_HTYPE_ENV) {}
    std::vector<Handle *> children;   // freed with the environment
};

struct Err : Handle {
    Err() : Handle(OCI_HTYPE_ERROR) {}
    sb4 code = 0;
    std::string text;
    void set(int c, const std::string &t)
    {
        code = c;
        text = t + "\n";
    }
    void set(const OraError &e) { set(e.serverCode() ? e.serverCode() : 600, e.what()); }
    void clear()
    {
        code = 0;
        text.clear();
    }
};

struct Session;
struct Server : Handle {
    Server() : Handle(OCI_HTYPE_SERVER) {}
    std::string instance;   // the simulated instance's name
    bool attached = false;
    Session *session = nullptr;   // begun on it, for the server status (checked live)
};

struct Session : Handle {
    Session() : Handle(OCI_HTYPE_SESSION) {}
    std::string user, password;
    std::string instance;
    std::unique_ptr<access::DriverConnection> conn;
    bool local = true;          // this process's instances
    bool lostReported = false;  // ORA-03113 told once; ORA-03114 after
    std::atomic<bool> busy{false};
};

struct SvcCtx : Handle {
    SvcCtx() : Handle(OCI_HTYPE_SVCCTX) {}
    Server *server = nullptr;
    Session *session = nullptr;
};

struct Define : Handle {
    Define() : Handle(OCI_HTYPE_DEFINE) {}
    void *value = nullptr;
    sb4 size = 0;
    ub2 type = 0;
    sb2 *ind = nullptr;
    ub2 *len = nullptr, *rcode = nullptr;
};

struct Bind : Handle {
    Bind() : Handle(OCI_HTYPE_BIND) {}
    std::string name;    // without the colon, upper case
    void *value = nullptr;
    sb4 size = 0;
    ub2 type = 0;
    sb2 *ind = nullptr;
    ub2 *len = nullptr, *rcode = nullptr;
};

struct Param : Handle {
    Param() : Handle(OCI_DTYPE_PARAM) {}
    std::string name;
    ub2 type = SQLT_CHR, size = 0;
    sb2 precision = 0;
    sb1 scale = 0;
    ub1 form = SQLCS_IMPLICIT;
};

struct DateTime : Handle {
    explicit DateTime(ub4 t) : Handle(t) {}
    sb2 year = 1;
    ub1 month = 1, day = 1, hour = 0, minute = 0, second = 0;
    ub4 fraction = 0;
};

struct ColumnInfo {
    std::string name;
    ub2 type = SQLT_CHR, size = 1;
    ub1 form = SQLCS_IMPLICIT;
    std::string exact;    // CAST('digits' AS NUMBER): the literal's digits
    bool hasExact = false;
};

// SQLVIGIL_STANDIN_TRACE=FILE: one line per fetch ("fetch ASKED GOT"), so that tests
// see how the driver fetches.
void trace(const std::string &line)
{
    const char *path = std::getenv("SQLVIGIL_STANDIN_TRACE");
    if (!path || !*path) return;
    static std::mutex m;
    std::lock_guard<std::mutex> lock(m);
    if (FILE *f = std::fopen(path, "a")) {
        std::fprintf(f, "%s\n", line.c_str());
        std::fclose(f);
    }
}

struct Stmt : Handle {
    Stmt() : Handle(OCI_HTYPE_STMT) {}
    ~Stmt() override
    {
        for (auto *d : defines) {
            untrack(d);
            delete d;
        }
        for (auto *b : binds) {
            untrack(b);
            delete b;
        }
        for (auto *p : params) {
            untrack(p);
            delete p;
        }
    }
    SvcCtx *svc = nullptr;
    std::string sql;
    ub2 stmtType = 0;
    bool executed = false;
    std::vector<ColumnInfo> columns;
    std::vector<std::vector<OraValue>> rows;
    std::size_t next = 0;
    ub4 rowCount = 0, fetched = 0;
    std::vector<Define *> defines;   // by position - 1
    std::vector<Bind *> binds;
    std::vector<Param *> params;
};

Handle *allocate(ub4 type)
{
    switch (type) {
    case OCI_HTYPE_ERROR: return new Err;
    case OCI_HTYPE_SERVER: return new Server;
    case OCI_HTYPE_SESSION: return new Session;
    case OCI_HTYPE_SVCCTX: return new SvcCtx;
    case OCI_HTYPE_STMT: return new Stmt;
    default: return nullptr;
    }
}

void destroy(Handle *h)
{
    untrack(h);
    delete h;
}

// ---------------------------------------------------------------- connect texts

// The value of KEY=value inside a (DESCRIPTION=...) text.
std::string descriptorValue(const std::string &text, const std::string &key)
{
    std::string u = upper(text);
    std::string compact;
    for (char c : u)
        if (!std::isspace(static_cast<unsigned char>(c))) compact += c;
    auto at = compact.find("(" + key + "=");
    if (at == std::string::npos) return {};
    at += key.size() + 2;
    auto end = compact.find(')', at);
    return compact.substr(at, end - at);
}

// The alias's description in $TNS_ADMIN/tnsnames.ora, or "".
std::string tnsEntry(const std::string &alias)
{
    const char *admin = std::getenv("TNS_ADMIN");
    if (!admin || !*admin) return {};
    std::ifstream in(std::string(admin) + "/tnsnames.ora");
    if (!in) return {};
    std::stringstream ss;
    ss << in.rdbuf();
    std::string all = ss.str();
    std::string u = upper(all);
    std::string want = upper(alias);
    std::size_t pos = 0;
    while ((pos = u.find(want, pos)) != std::string::npos) {
        bool startOk = pos == 0 || u[pos - 1] == '\n' || u[pos - 1] == ',' || std::isspace(static_cast<unsigned char>(u[pos - 1]));
        std::size_t after = pos + want.size();
        std::size_t eq = after;
        while (eq < u.size() && std::isspace(static_cast<unsigned char>(u[eq]))) ++eq;
        // "ALIAS =" or "ALIAS.DOMAIN =" or "ALIAS, OTHER ="
        if (startOk && eq < u.size() && (u[eq] == '=' || u[eq] == ',' || u[eq] == '.')) {
            std::size_t open = u.find('(', eq);
            if (open == std::string::npos) return {};
            int depth = 0;
            for (std::size_t i = open; i < u.size(); ++i) {
                if (u[i] == '(') ++depth;
                else if (u[i] == ')' && --depth == 0) return all.substr(open, i - open + 1);
            }
            return {};
        }
        pos = after;
    }
    return {};
}

// The instance a connect text names; "" when the text is malformed.
std::string instanceOf(const std::string &connect)
{
    std::string t = trim(connect);
    if (t.empty()) return {};
    if (t[0] == '(') {
        std::string name = descriptorValue(t, "SERVICE_NAME");
        if (name.empty()) name = descriptorValue(t, "SID");
        return name;
    }
    if (upper(t.substr(0, 4)) == "SIM:") return t.substr(4);
    if (t.rfind("//", 0) == 0) t = t.substr(2);
    auto slash = t.find('/');
    if (slash != std::string::npos) {
        std::string service = t.substr(slash + 1);
        auto colon = service.find(':');   // /service:dedicated
        if (colon != std::string::npos) service = service.substr(0, colon);
        auto inner = service.find('/');   // /service/instance
        if (inner != std::string::npos) service = service.substr(0, inner);
        return service;
    }
    std::string entry = tnsEntry(t);
    if (!entry.empty()) return instanceOf(entry);
    return t;
}

// ---------------------------------------------------------------- statements

ub2 statementType(const std::string &sql)
{
    std::size_t i = 0;
    // Blanks, comments and opening parentheses before the first word.
    for (;;) {
        if (i < sql.size() && (std::isspace(static_cast<unsigned char>(sql[i])) || sql[i] == '(')) {
            ++i;
        } else if (sql.compare(i, 2, "--") == 0) {
            std::size_t nl = sql.find('\n', i);
            i = nl == std::string::npos ? sql.size() : nl + 1;
        } else if (sql.compare(i, 2, "/*") == 0) {
            std::size_t end = sql.find("*/", i + 2);
            i = end == std::string::npos ? sql.size() : end + 2;
        } else {
            break;
        }
    }
    std::size_t j = i;
    while (j < sql.size() && (std::isalpha(static_cast<unsigned char>(sql[j])))) ++j;
    std::string w = upper(sql.substr(i, j - i));
    if (w == "SELECT" || w == "WITH") return OCI_STMT_SELECT;
    if (w == "UPDATE") return OCI_STMT_UPDATE;
    if (w == "DELETE") return OCI_STMT_DELETE;
    if (w == "INSERT") return OCI_STMT_INSERT;
    if (w == "CREATE") return OCI_STMT_CREATE;
    if (w == "DROP") return OCI_STMT_DROP;
    if (w == "ALTER") return OCI_STMT_ALTER;
    if (w == "BEGIN") return OCI_STMT_BEGIN;
    if (w == "DECLARE") return OCI_STMT_DECLARE;
    if (w == "CALL") return OCI_STMT_CALL;
    return 0;
}

// The top-level items of the first select list.
std::vector<std::string> selectItems(const std::string &sql)
{
    std::string u = upper(sql);
    std::size_t start = u.find("SELECT");
    if (start == std::string::npos) return {};
    start += 6;
    std::vector<std::string> items;
    int depth = 0;
    bool quoted = false;
    std::size_t from = start;
    for (std::size_t i = start; i < u.size(); ++i) {
        char c = u[i];
        if (c == '\'') quoted = !quoted;
        if (quoted) continue;
        if (c == '(') ++depth;
        else if (c == ')') --depth;
        else if (depth == 0 && c == ',') {
            items.push_back(trim(sql.substr(from, i - from)));
            from = i + 1;
        } else if (depth == 0 && u.compare(i, 4, "FROM") == 0 && (i == 0 || !std::isalnum(static_cast<unsigned char>(u[i - 1]))) &&
                   (i + 4 >= u.size() || !std::isalnum(static_cast<unsigned char>(u[i + 4])))) {
            items.push_back(trim(sql.substr(from, i - from)));
            return items;
        }
    }
    items.push_back(trim(sql.substr(from)));
    return items;
}

// The type a select item declares: CAST(... AS type), or the ROWID pseudo-column.
bool declaredType(const std::string &item, ColumnInfo &c)
{
    std::string u = upper(item);
    std::string bare = u;
    if (bare == "ROWID" || (bare.size() > 6 && bare.compare(bare.size() - 6, 6, ".ROWID") == 0)) {
        c.type = SQLT_RDD, c.size = 18;
        return true;
    }
    if (u.rfind("CAST", 0) != 0) return false;
    std::size_t open = u.find('(');
    if (open == std::string::npos) return false;
    int depth = 0;
    std::size_t close = std::string::npos, as = std::string::npos;
    for (std::size_t i = open; i < u.size(); ++i) {
        if (u[i] == '(') ++depth;
        else if (u[i] == ')' && --depth == 0) {
            close = i;
            break;
        } else if (depth == 1 && u.compare(i, 4, " AS ") == 0)
            as = i + 4;
    }
    if (close == std::string::npos || as == std::string::npos) return false;
    std::string type = trim(u.substr(as, close - as));
    // The simulated instance holds numbers as doubles; a literal's digits are exact.
    std::string inner = trim(item.substr(open + 1, as - 4 - open - 1));
    if (inner.size() >= 2 && inner.front() == '\'' && inner.back() == '\'' &&
        inner.find('\'', 1) == inner.size() - 1) {
        c.exact = inner.substr(1, inner.size() - 2);
        c.hasExact = true;
    }
    int length = 0;
    if (auto p = type.find('('); p != std::string::npos) length = std::atoi(type.c_str() + p + 1);
    auto starts = [&](const char *w) { return type.rfind(w, 0) == 0; };
    if (starts("RAW")) c.type = SQLT_BIN, c.size = static_cast<ub2>(length ? length : 2000);
    else if (starts("NCLOB")) c.type = SQLT_CLOB, c.size = 4000, c.form = SQLCS_NCHAR;
    else if (starts("CLOB")) c.type = SQLT_CLOB, c.size = 4000;
    else if (starts("BLOB")) c.type = SQLT_BLOB, c.size = 4000;
    else if (starts("TIMESTAMP")) {
        c.size = 11;
        c.type = type.find("LOCAL") != std::string::npos ? 231 : type.find("ZONE") != std::string::npos ? 181 : 180;
    } else if (starts("NCHAR")) c.type = SQLT_AFC, c.size = static_cast<ub2>(2 * (length ? length : 1)), c.form = SQLCS_NCHAR;
    else if (starts("CHAR")) c.type = SQLT_AFC, c.size = static_cast<ub2>(length ? length : 1);
    else if (starts("NVARCHAR2")) c.type = SQLT_CHR, c.size = static_cast<ub2>(2 * (length ? length : 1)), c.form = SQLCS_NCHAR;
    else if (starts("VARCHAR")) c.type = SQLT_CHR, c.size = static_cast<ub2>(length ? length : 4000);
    else if (starts("NUMBER") || starts("INTEGER") || starts("FLOAT")) c.type = SQLT_NUM, c.size = 22;
    if (c.type != SQLT_NUM) c.hasExact = false;
    else if (starts("BINARY_DOUBLE")) c.type = SQLT_IBDOUBLE, c.size = 8;
    else if (starts("DATE")) c.type = SQLT_DAT, c.size = 7;
    else return false;
    return true;
}

// Column types as a server would describe them: declared ones, LONG for the text of
// the views' dictionary, otherwise from the values.
void describe(Stmt &st, const std::vector<std::string> &names)
{
    std::vector<std::string> items = selectItems(st.sql);
    const bool viewsText = upper(st.sql).find("_VIEWS") != std::string::npos;
    st.columns.assign(names.size(), {});
    for (std::size_t i = 0; i < names.size(); ++i) {
        ColumnInfo &c = st.columns[i];
        c.name = names[i];
        if (i < items.size() && items.size() == names.size() && declaredType(items[i], c)) continue;
        if (viewsText && upper(names[i]) == "TEXT") {
            c.type = SQLT_LNG, c.size = 0;
            continue;
        }
        bool allNumber = true, allDate = true, any = false;
        std::size_t longest = 1;
        for (const auto &row : st.rows) {
            const OraValue &v = row[i];
            if (v.isNull()) continue;
            any = true;
            allNumber = allNumber && v.kind() == OraValue::Kind::Number;
            allDate = allDate && v.kind() == OraValue::Kind::Date;
            longest = std::max(longest, v.toString().size());
        }
        if (any && allNumber) c.type = SQLT_NUM, c.size = 22;
        else if (any && allDate) c.type = SQLT_DAT, c.size = 7;
        else c.type = SQLT_CHR, c.size = static_cast<ub2>(std::min<std::size_t>(longest, 32767));
    }
}

// Parses "YYYY-MM-DD HH24:MI:SS[.fraction]".
bool parseStamp(const std::string &t, DateTime &d)
{
    int y = 0, mo = 0, da = 0, h = 0, mi = 0, s = 0;
    int n = std::sscanf(t.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &da, &h, &mi, &s);
    if (n != 3 && n != 6) return false;
    d.year = static_cast<sb2>(y), d.month = static_cast<ub1>(mo), d.day = static_cast<ub1>(da);
    d.hour = static_cast<ub1>(h), d.minute = static_cast<ub1>(mi), d.second = static_cast<ub1>(s);
    d.fraction = 0;
    auto dot = t.find('.');
    if (dot != std::string::npos) {
        std::string f = t.substr(dot + 1, 9);
        while (f.size() < 9) f += '0';
        d.fraction = static_cast<ub4>(std::strtoul(f.c_str(), nullptr, 10));
    }
    return true;
}

std::string numberBytes(const OraValue &v)
{
    auto b = oci::textToNumber(v.toString());
    if (!b) b = oci::textToNumber(OraValue::formatNumber(v.toDouble()));
    if (!b) throw OraError::ora(1722, "invalid number");
    return *b;
}

enum class Put { Ok, Truncated };

// Writes one value into a define's row as its external type.
Put put(const ColumnInfo &col, const OraValue &v, Define &d, std::size_t row)
{
    char *base = static_cast<char *>(d.value);
    sb2 *ind = d.ind ? d.ind + row : nullptr;
    ub2 *len = d.len ? d.len + row : nullptr;
    ub2 *rc = d.rcode ? d.rcode + row : nullptr;
    if (rc) *rc = 0;
    if (v.isNull()) {
        if (!ind) throw OraError::ora(1405, "fetched column value is NULL");
        *ind = -1;
        if (rc) *rc = 1405;
        return Put::Ok;
    }
    if (ind) *ind = 0;
    const std::size_t cap = static_cast<std::size_t>(d.size);
    char *out = base ? base + row * cap : nullptr;
    if (d.type == SQLT_TIMESTAMP || d.type == SQLT_TIMESTAMP_TZ || d.type == SQLT_TIMESTAMP_LTZ) {
        auto *slots = static_cast<OCIDateTime **>(d.value);
        auto *dt = as<DateTime>(slots[row], OCI_DTYPE_TIMESTAMP);
        if (!dt) dt = as<DateTime>(slots[row], OCI_DTYPE_TIMESTAMP_TZ);
        if (!dt) throw OraError::ora(24813, "cannot send or receive an unsupported LOB");
        if (!parseStamp(v.toString(), *dt)) throw OraError::ora(1843, "not a valid month");
        return Put::Ok;
    }
    std::string bytes;
    const OraValue exact = col.hasExact && oci::textToNumber(col.exact) ? OraValue::numberText(col.exact, 0) : v;
    switch (d.type) {
    case SQLT_VNU: {
        std::string n = numberBytes(exact);
        bytes = std::string(1, static_cast<char>(n.size())) + n;
        break;
    }
    case SQLT_NUM: bytes = numberBytes(exact); break;
    case SQLT_DAT: {
        auto b = oci::textToDate(v.toString());
        if (!b) throw OraError::ora(932, "inconsistent datatypes: expected DATE got CHAR");
        bytes = *b;
        break;
    }
    case SQLT_BDOUBLE:
    case SQLT_FLT: {
        double x = std::strtod(v.toString().c_str(), nullptr);
        if (cap == sizeof(float)) {
            float f = static_cast<float>(x);
            bytes.assign(reinterpret_cast<char *>(&f), sizeof f);
        } else {
            bytes.assign(reinterpret_cast<char *>(&x), sizeof x);
        }
        break;
    }
    case SQLT_INT: {
        long long x = std::strtoll(v.toString().c_str(), nullptr, 10);
        if (cap == 4) {
            int i = static_cast<int>(x);
            bytes.assign(reinterpret_cast<char *>(&i), 4);
        } else {
            bytes.assign(reinterpret_cast<char *>(&x), 8);
        }
        break;
    }
    case SQLT_BIN:
    case SQLT_LBI: {
        auto b = oci::fromHex(v.toString());
        bytes = b ? *b : v.toString();
        break;
    }
    default:   // SQLT_STR, SQLT_CHR, SQLT_AFC, SQLT_LNG
        bytes = col.hasExact ? col.exact : v.toString();
        if (col.type == SQLT_AFC) {
            // CHAR and NCHAR are blank-padded to their length in characters.
            std::size_t chars = 0;
            for (unsigned char ch : bytes) chars += (ch & 0xC0) != 0x80;
            std::size_t want = col.form == SQLCS_NCHAR ? col.size / 2u : col.size;
            if (chars < want) bytes.append(want - chars, ' ');
        }
    }
    const bool terminated = d.type == SQLT_STR;
    std::size_t room = terminated ? (cap ? cap - 1 : 0) : cap;
    Put result = Put::Ok;
    std::size_t n = bytes.size();
    if (n > room) {
        if (d.type == SQLT_VNU || d.type == SQLT_NUM || d.type == SQLT_DAT || d.type == SQLT_BDOUBLE)
            throw OraError::ora(1460, "unimplemented or unreasonable conversion requested");
        if (ind) *ind = static_cast<sb2>(std::min<std::size_t>(n, 32767));
        if (rc) *rc = 1406;
        n = room;
        result = Put::Truncated;
    }
    if (out) {
        std::memcpy(out, bytes.data(), n);
        if (terminated && cap) out[n] = '\0';
    }
    if (len) *len = static_cast<ub2>(n);
    return result;
}

OraValue bindValue(const Bind &b)
{
    if (b.ind && *b.ind == -1) return OraValue();
    const char *p = static_cast<const char *>(b.value);
    if (!p) return OraValue();
    switch (b.type) {
    case SQLT_VNU: {
        auto *u = reinterpret_cast<const unsigned char *>(p);
        std::string t = oci::numberToText(u + 1, std::min<std::size_t>(u[0], 21));
        return OraValue::numberText(t, std::strtod(t.c_str(), nullptr));
    }
    case SQLT_NUM: {
        std::size_t n = b.len ? *b.len : static_cast<std::size_t>(b.size);
        std::string t = oci::numberToText(reinterpret_cast<const unsigned char *>(p), n);
        return OraValue::numberText(t, std::strtod(t.c_str(), nullptr));
    }
    case SQLT_INT: {
        long long x = b.size == 4 ? *reinterpret_cast<const int *>(p) : *reinterpret_cast<const long long *>(p);
        return OraValue::numberText(std::to_string(x), static_cast<double>(x));
    }
    case SQLT_FLT:
    case SQLT_BDOUBLE: return OraValue::number(b.size == 4 ? *reinterpret_cast<const float *>(p) : *reinterpret_cast<const double *>(p));
    case SQLT_STR: return OraValue::text(std::string(p, strnlen(p, static_cast<std::size_t>(b.size))));
    default: return OraValue::text(std::string(p, b.len ? *b.len : static_cast<std::size_t>(b.size)));
    }
}

bool numericBind(ub2 t) { return t == SQLT_VNU || t == SQLT_NUM || t == SQLT_INT || t == SQLT_FLT || t == SQLT_BDOUBLE; }

Put storeBind(Bind &b, const OraValue &v)
{
    if (v.isNull()) {
        if (b.ind) *b.ind = -1;
        return Put::Ok;
    }
    if (b.ind) *b.ind = 0;
    Define d;
    d.value = b.value, d.size = b.size, d.type = b.type, d.ind = b.ind, d.len = b.len, d.rcode = b.rcode;
    ColumnInfo none;
    return put(none, v, d, 0);
}

// ---------------------------------------------------------------- sessions

// Runs a call of the session with the error handle set from what it throws.
template <class F> sword run(Err *err, Session *s, F &&f)
{
    if (!err) return OCI_INVALID_HANDLE;
    err->clear();
    std::unique_lock<std::recursive_mutex> lock(g_instances, std::defer_lock);
    if (!s || s->local) lock.lock();
    if (s) s->busy.store(true);
    struct Idle {
        Session *s;
        ~Idle()
        {
            if (s) s->busy.store(false);
        }
    } idle{s};
    try {
        return f();
    } catch (const OraError &e) {
        err->set(e);
    } catch (const std::exception &e) {
        err->set(600, std::string("ORA-00600: internal error code, arguments: [") + e.what() + "]");
    }
    return OCI_ERROR;
}

Session *sessionOf(SvcCtx *svc) { return svc && svc->session && svc->session->conn ? svc->session : nullptr; }

// The service context's connected session, or null with ORA-03114 set on `err`.
Session *connectedSession(SvcCtx *svc, Err *err)
{
    Session *s = sessionOf(svc);
    if (!s) err->set(3114, "ORA-03114: not connected to ORACLE");
    return s;
}

} // namespace

// ---------------------------------------------------------------- the calls

OCI_EXPORT sword OCIEnvNlsCreate(OCIEnv **envp, ub4, void *, void *(*)(void *, size_t), void *(*)(void *, void *, size_t),
                                 void (*)(void *, void *), size_t, void **, ub2, ub2)
{
    if (!envp) return OCI_INVALID_HANDLE;
    *envp = reinterpret_cast<OCIEnv *>(track(new Env));
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIEnvCreate(OCIEnv **envp, ub4 mode, void *ctx, void *(*m)(void *, size_t),
                              void *(*r)(void *, void *, size_t), void (*f)(void *, void *), size_t x, void **u)
{
    return OCIEnvNlsCreate(envp, mode, ctx, m, r, f, x, u, 0, 0);
}

OCI_EXPORT sword OCIHandleAlloc(const void *parent, void **out, ub4 type, size_t, void **)
{
    Env *env = as<Env>(parent, OCI_HTYPE_ENV);
    if (!env || !out) return OCI_INVALID_HANDLE;
    Handle *h = allocate(type);
    if (!h) return OCI_INVALID_HANDLE;
    track(h);
    {
        std::lock_guard<std::mutex> lock(g_handles);
        env->children.push_back(h);
    }
    *out = h;
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIHandleFree(void *h, ub4 type)
{
    if (type == OCI_HTYPE_ENV) {
        Env *env = as<Env>(h, OCI_HTYPE_ENV);
        if (!env) return OCI_INVALID_HANDLE;
        std::vector<Handle *> children;
        {
            std::lock_guard<std::mutex> lock(g_handles);
            children.swap(env->children);
        }
        for (Handle *c : children) {
            bool live;
            {
                std::lock_guard<std::mutex> lock(g_handles);
                live = g_live.count(c) > 0;
            }
            if (live) destroy(c);
        }
        destroy(env);
        return OCI_SUCCESS;
    }
    Handle *x = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_handles);
        if (h && g_live.count(h)) x = static_cast<Handle *>(h);
    }
    if (!x || x->type != type) return OCI_INVALID_HANDLE;
    if (type == OCI_HTYPE_SESSION) {
        auto *s = static_cast<Session *>(x);
        if (s->conn) {
            std::unique_lock<std::recursive_mutex> lock(g_instances, std::defer_lock);
            if (s->local) lock.lock();
            try {
                s->conn->close();
            } catch (...) {
            }
            s->conn.reset();
        }
    }
    destroy(x);
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDescriptorAlloc(const void *parent, void **out, ub4 type, size_t, void **)
{
    if (!as<Env>(parent, OCI_HTYPE_ENV) || !out) return OCI_INVALID_HANDLE;
    if (type != OCI_DTYPE_TIMESTAMP && type != OCI_DTYPE_TIMESTAMP_TZ && type != OCI_DTYPE_TIMESTAMP_LTZ)
        return OCI_INVALID_HANDLE;
    *out = track(new DateTime(type));
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDescriptorFree(void *d, ub4 type)
{
    if (type == OCI_DTYPE_PARAM) {
        Param *p = as<Param>(d, OCI_DTYPE_PARAM);
        if (!p) return OCI_INVALID_HANDLE;
        // Owned by its statement; freeing it early is allowed.
        untrack(p);
        return OCI_SUCCESS;
    }
    Handle *x = nullptr;
    {
        std::lock_guard<std::mutex> lock(g_handles);
        if (d && g_live.count(d)) x = static_cast<Handle *>(d);
    }
    if (!x || x->type != type) return OCI_INVALID_HANDLE;
    destroy(x);
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIAttrSet(void *target, ub4 type, void *value, ub4 size, ub4 attr, OCIError *errhp)
{
    if (type == OCI_HTYPE_SVCCTX) {
        SvcCtx *svc = as<SvcCtx>(target, type);
        if (!svc) return OCI_INVALID_HANDLE;
        if (attr == OCI_ATTR_SERVER) {
            svc->server = as<Server>(value, OCI_HTYPE_SERVER);
            return svc->server ? OCI_SUCCESS : OCI_INVALID_HANDLE;
        }
        if (attr == OCI_ATTR_SESSION) {
            svc->session = as<Session>(value, OCI_HTYPE_SESSION);
            return svc->session ? OCI_SUCCESS : OCI_INVALID_HANDLE;
        }
        return OCI_SUCCESS;
    }
    if (type == OCI_HTYPE_SESSION) {
        Session *s = as<Session>(target, type);
        if (!s) return OCI_INVALID_HANDLE;
        std::string v(static_cast<const char *>(value), size);
        if (attr == OCI_ATTR_USERNAME) s->user = v;
        else if (attr == OCI_ATTR_PASSWORD) s->password = v;
        return OCI_SUCCESS;
    }
    if (type == OCI_HTYPE_STMT) return as<Stmt>(target, type) ? OCI_SUCCESS : OCI_INVALID_HANDLE;
    if (type == OCI_HTYPE_DEFINE || type == OCI_HTYPE_BIND) {
        std::lock_guard<std::mutex> lock(g_handles);
        return g_live.count(target) ? OCI_SUCCESS : OCI_INVALID_HANDLE;
    }
    (void)errhp;
    return OCI_INVALID_HANDLE;
}

OCI_EXPORT sword OCIAttrGet(const void *target, ub4 type, void *value, ub4 *sizep, ub4 attr, OCIError *errhp)
{
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    if (!value) return OCI_INVALID_HANDLE;
    if (type == OCI_HTYPE_STMT) {
        Stmt *st = as<Stmt>(target, type);
        if (!st) return OCI_INVALID_HANDLE;
        switch (attr) {
        case OCI_ATTR_STMT_TYPE: *static_cast<ub2 *>(value) = st->stmtType; return OCI_SUCCESS;
        case OCI_ATTR_PARAM_COUNT: *static_cast<ub4 *>(value) = static_cast<ub4>(st->columns.size()); return OCI_SUCCESS;
        case OCI_ATTR_ROW_COUNT: *static_cast<ub4 *>(value) = st->rowCount; return OCI_SUCCESS;
        case OCI_ATTR_ROWS_FETCHED: *static_cast<ub4 *>(value) = st->fetched; return OCI_SUCCESS;
        default: break;
        }
    } else if (type == OCI_DTYPE_PARAM) {
        Param *p = as<Param>(target, type);
        if (!p) return OCI_INVALID_HANDLE;
        switch (attr) {
        case OCI_ATTR_NAME:
            *static_cast<const char **>(value) = p->name.c_str();
            if (sizep) *sizep = static_cast<ub4>(p->name.size());
            return OCI_SUCCESS;
        case OCI_ATTR_DATA_TYPE: *static_cast<ub2 *>(value) = p->type; return OCI_SUCCESS;
        case OCI_ATTR_DATA_SIZE: *static_cast<ub2 *>(value) = p->size; return OCI_SUCCESS;
        case OCI_ATTR_PRECISION: *static_cast<sb2 *>(value) = p->precision; return OCI_SUCCESS;
        case OCI_ATTR_SCALE: *static_cast<sb1 *>(value) = p->scale; return OCI_SUCCESS;
        case OCI_ATTR_IS_NULL: *static_cast<ub1 *>(value) = 1; return OCI_SUCCESS;
        case OCI_ATTR_CHARSET_FORM: *static_cast<ub1 *>(value) = p->form; return OCI_SUCCESS;
        default: break;
        }
    } else if (type == OCI_HTYPE_SERVER && attr == OCI_ATTR_SERVER_STATUS) {
        Server *srv = as<Server>(target, type);
        if (!srv) return OCI_INVALID_HANDLE;
        // The instance runs in this process, so the "network" knows at once when the
        // session's connection is gone; no round trip either way.
        Session *s = srv->session && as<Session>(srv->session, OCI_HTYPE_SESSION) ? srv->session : nullptr;
        bool up = srv->attached;
        if (up && s && s->conn && !s->busy.load()) {
            std::unique_lock<std::recursive_mutex> lock(g_instances, std::defer_lock);
            if (s->local) lock.lock();
            try {
                up = s->conn->connectionOK();
            } catch (...) {
                up = false;
            }
        }
        *static_cast<ub4 *>(value) = up ? OCI_SERVER_NORMAL : OCI_SERVER_NOT_CONNECTED;
        return OCI_SUCCESS;
    } else if (!as<Handle>(target, type)) {
        return OCI_INVALID_HANDLE;
    }
    if (!err) return OCI_INVALID_HANDLE;
    err->set(24315, "ORA-24315: illegal attribute type");
    return OCI_ERROR;
}

OCI_EXPORT sword OCIServerAttach(OCIServer *srvhp, OCIError *errhp, const OraText *link, sb4 len, ub4)
{
    Server *srv = as<Server>(srvhp, OCI_HTYPE_SERVER);
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    if (!srv || !err) return OCI_INVALID_HANDLE;
    return run(err, nullptr, [&] {
        std::string text = link && len > 0 ? std::string(reinterpret_cast<const char *>(link), static_cast<std::size_t>(len)) : std::string();
        if (trim(text).empty()) throw OraError::ora(12162, "TNS:net service name is incorrectly specified");
        std::string name = instanceOf(text);
        if (name.empty()) throw OraError::ora(12154, "TNS:could not resolve the connect identifier specified");
        const char *host = std::getenv("SQLVIGIL_STANDIN_HOST");
        if (!(host && *host)) {
            std::string key = sim::normaliseKey(name);
            std::string bare = key.substr(0, key.find('?'));
            if (!sim::Registry::get().knownName(bare))
                throw OraError::ora(12154, "TNS:could not resolve the connect identifier specified");
        }
        srv->instance = name;
        srv->attached = true;
        return OCI_SUCCESS;
    });
}

OCI_EXPORT sword OCIServerDetach(OCIServer *srvhp, OCIError *errhp, ub4)
{
    Server *srv = as<Server>(srvhp, OCI_HTYPE_SERVER);
    if (!srv || !as<Err>(errhp, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
    srv->attached = false;
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCISessionBegin(OCISvcCtx *svchp, OCIError *errhp, OCISession *usrhp, ub4 cred, ub4)
{
    SvcCtx *svc = as<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    Session *s = as<Session>(usrhp, OCI_HTYPE_SESSION);
    if (!svc || !err || !s) return OCI_INVALID_HANDLE;
    if (!svc->server || !svc->server->attached) {
        err->set(3114, "ORA-03114: not connected to ORACLE");
        return OCI_ERROR;
    }
    const char *host = std::getenv("SQLVIGIL_STANDIN_HOST");
    s->local = !(host && *host);
    return run(err, s, [&] {
        if (cred == OCI_CRED_EXT) throw OraError::ora(1017, "invalid username/password; logon denied");
        // SQLVIGIL_STANDIN_REFUSE=3134 or 28040: a server of a release this client
        // cannot serve, as the tests of the console's advice need.
        if (const char *refuse = std::getenv("SQLVIGIL_STANDIN_REFUSE"); refuse && *refuse) {
            int code = std::atoi(refuse);
            if (code == 3134) throw OraError::ora(3134, "Connections to this server version are no longer supported.");
            if (code == 28040) throw OraError::ora(28040, "No matching authentication protocol");
        }
        s->instance = svc->server->instance;
        if (s->local) {
            s->conn = access::SimDriver().open(s->instance, s->user, s->password);
        } else {
            std::string path = host;
            std::uint32_t id = 0;
            int fd = oci::attachToHost(path, id);
            s->conn = oci::openRemote(fd, [path, id] { oci::breakOnHost(path, id); }, s->instance, s->user, s->password);
        }
        svc->server->session = s;
        return OCI_SUCCESS;
    });
}

OCI_EXPORT sword OCISessionEnd(OCISvcCtx *svchp, OCIError *errhp, OCISession *usrhp, ub4)
{
    SvcCtx *svc = as<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    Session *s = usrhp ? as<Session>(usrhp, OCI_HTYPE_SESSION) : (svc ? svc->session : nullptr);
    if (!svc || !err || !s) return OCI_INVALID_HANDLE;
    return run(err, s, [&] {
        if (s->conn) {
            auto c = std::move(s->conn);
            c->close();
        }
        return OCI_SUCCESS;
    });
}

OCI_EXPORT sword OCIStmtPrepare2(OCISvcCtx *svchp, OCIStmt **stmthp, OCIError *errhp, const OraText *text, ub4 len,
                                 const OraText *, ub4, ub4, ub4)
{
    SvcCtx *svc = as<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    if (!svc || !err || !stmthp) return OCI_INVALID_HANDLE;
    err->clear();
    if (!connectedSession(svc, err)) return OCI_ERROR;
    auto *st = track(new Stmt);
    st->svc = svc;
    st->sql.assign(reinterpret_cast<const char *>(text), len);
    st->stmtType = statementType(st->sql);
    *stmthp = reinterpret_cast<OCIStmt *>(st);
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIStmtRelease(OCIStmt *stmthp, OCIError *errhp, const OraText *, ub4, ub4)
{
    Stmt *st = as<Stmt>(stmthp, OCI_HTYPE_STMT);
    if (!st || !as<Err>(errhp, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
    destroy(st);
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIStmtFetch2(OCIStmt *stmthp, OCIError *errhp, ub4 nrows, ub2, sb4, ub4);

OCI_EXPORT sword OCIStmtExecute(OCISvcCtx *svchp, OCIStmt *stmthp, OCIError *errhp, ub4 iters, ub4,
                                const OCISnapshot *, OCISnapshot *, ub4 mode)
{
    SvcCtx *svc = as<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    Stmt *st = as<Stmt>(stmthp, OCI_HTYPE_STMT);
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    if (!svc || !st || !err) return OCI_INVALID_HANDLE;
    Session *s = connectedSession(svc, err);
    if (!s) return OCI_ERROR;
    sword rc = run(err, s, [&]() -> sword {
        st->rows.clear();
        st->next = 0;
        st->fetched = 0;
        st->rowCount = 0;
        st->executed = false;
        if (st->stmtType == OCI_STMT_SELECT) {
            access::OraResult r = s->conn->query(st->sql);
            st->rows = std::move(r.rows);
            describe(*st, r.columns);
            st->executed = true;
            return OCI_SUCCESS;
        }
        if (iters == 0) throw OraError::ora(24333, "zero iteration count");
        if (st->stmtType == OCI_STMT_BEGIN || st->stmtType == OCI_STMT_DECLARE || st->stmtType == OCI_STMT_CALL) {
            std::vector<OraBind> binds;
            for (Bind *b : st->binds) {
                OraBind ob;
                ob.name = b->name;
                ob.serverType = numericBind(b->type) ? 2 : 1;
                ob.value = bindValue(*b);
                binds.push_back(std::move(ob));
            }
            s->conn->executePlsql(st->sql, binds);
            bool truncated = false;
            for (std::size_t i = 0; i < binds.size(); ++i)
                truncated = storeBind(*st->binds[i], binds[i].value) == Put::Truncated || truncated;
            st->rowCount = 1;
            st->executed = true;
            if (truncated) {
                err->set(1406, "ORA-01406: fetched column value was truncated");
                return OCI_SUCCESS_WITH_INFO;
            }
        } else {
            st->rowCount = static_cast<ub4>(s->conn->execute(st->sql));
            st->executed = true;
        }
        if (mode & OCI_COMMIT_ON_SUCCESS) s->conn->execute("COMMIT");
        return OCI_SUCCESS;
    });
    if (rc != OCI_SUCCESS || st->stmtType != OCI_STMT_SELECT || iters == 0 || (mode & OCI_DESCRIBE_ONLY)) return rc;
    return OCIStmtFetch2(stmthp, errhp, iters, OCI_FETCH_NEXT, 0, OCI_DEFAULT);
}

OCI_EXPORT sword OCIParamGet(const void *hndlp, ub4 htype, OCIError *errhp, void **parmdpp, ub4 pos)
{
    Stmt *st = htype == OCI_HTYPE_STMT ? as<Stmt>(hndlp, OCI_HTYPE_STMT) : nullptr;
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    if (!st || !err || !parmdpp) return OCI_INVALID_HANDLE;
    err->clear();
    if (!st->executed) {
        err->set(24338, "ORA-24338: statement handle not executed");
        return OCI_ERROR;
    }
    if (pos < 1 || pos > st->columns.size()) {
        err->set(24334, "ORA-24334: no descriptor for this position");
        return OCI_ERROR;
    }
    const ColumnInfo &c = st->columns[pos - 1];
    auto *p = track(new Param);
    p->name = c.name;
    p->type = c.type;
    p->size = c.size;
    p->form = c.form;
    st->params.push_back(p);
    *parmdpp = p;
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDefineByPos(OCIStmt *stmtp, OCIDefine **defnpp, OCIError *errhp, ub4 position, void *valuep,
                                sb4 value_sz, ub2 dty, void *indp, ub2 *rlenp, ub2 *rcodep, ub4)
{
    Stmt *st = as<Stmt>(stmtp, OCI_HTYPE_STMT);
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    if (!st || !err || !defnpp) return OCI_INVALID_HANDLE;
    err->clear();
    if (position < 1) {
        err->set(24334, "ORA-24334: no descriptor for this position");
        return OCI_ERROR;
    }
    if (st->defines.size() < position) st->defines.resize(position, nullptr);
    Define *d = st->defines[position - 1];
    if (!d) d = st->defines[position - 1] = track(new Define);
    d->value = valuep;
    d->size = value_sz;
    d->type = dty;
    d->ind = static_cast<sb2 *>(indp);
    d->len = rlenp;
    d->rcode = rcodep;
    *defnpp = reinterpret_cast<OCIDefine *>(d);
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIBindByName(OCIStmt *stmtp, OCIBind **bindpp, OCIError *errhp, const OraText *placeholder,
                               sb4 placeh_len, void *valuep, sb4 value_sz, ub2 dty, void *indp, ub2 *alenp,
                               ub2 *rcodep, ub4, ub4 *, ub4)
{
    Stmt *st = as<Stmt>(stmtp, OCI_HTYPE_STMT);
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    if (!st || !err || !bindpp || !placeholder) return OCI_INVALID_HANDLE;
    err->clear();
    std::string name(reinterpret_cast<const char *>(placeholder), placeh_len > 0 ? static_cast<std::size_t>(placeh_len)
                                                                                  : std::strlen(reinterpret_cast<const char *>(placeholder)));
    if (!name.empty() && name[0] == ':') name.erase(0, 1);
    name = upper(name);
    // The placeholder must occur in the statement as a word.
    std::string u = upper(st->sql), want = ":" + name;
    bool found = false;
    for (std::size_t at = u.find(want); at != std::string::npos && !found; at = u.find(want, at + 1)) {
        std::size_t end = at + want.size();
        found = end >= u.size() || !(std::isalnum(static_cast<unsigned char>(u[end])) || u[end] == '_' || u[end] == '$' || u[end] == '#');
    }
    if (!found) {
        err->set(1036, "ORA-01036: illegal variable name/number");
        return OCI_ERROR;
    }
    Bind *b = nullptr;
    for (Bind *x : st->binds)
        if (x->name == name) b = x;
    if (!b) {
        b = track(new Bind);
        b->name = name;
        st->binds.push_back(b);
    }
    b->value = valuep;
    b->size = value_sz;
    b->type = dty;
    b->ind = static_cast<sb2 *>(indp);
    b->len = alenp;
    b->rcode = rcodep;
    *bindpp = reinterpret_cast<OCIBind *>(b);
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIStmtFetch2(OCIStmt *stmthp, OCIError *errhp, ub4 nrows, ub2, sb4, ub4)
{
    Stmt *st = as<Stmt>(stmthp, OCI_HTYPE_STMT);
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    if (!st || !err) return OCI_INVALID_HANDLE;
    err->clear();
    if (!st->executed || st->stmtType != OCI_STMT_SELECT) {
        err->set(24338, "ORA-24338: statement handle not executed");
        return OCI_ERROR;
    }
    st->fetched = 0;
    if (nrows == 0) {   // cancels the cursor
        st->next = st->rows.size();
        return OCI_SUCCESS;
    }
    // Each array fetch is a round trip to the server: a lost connection shows here.
    Session *s = connectedSession(st->svc, err);
    if (!s) return OCI_ERROR;
    if (st->next < st->rows.size()) {
        sword alive = run(err, s, [&]() -> sword {
            if (s->conn->connectionOK()) return OCI_SUCCESS;
            if (s->lostReported) throw OraError::ora(3114, "not connected to ORACLE");
            s->lostReported = true;
            throw OraError::ora(3113, "end-of-file on communication channel");
        });
        if (alive != OCI_SUCCESS) {
            st->next = st->rows.size();
            return alive;
        }
    }
    bool truncated = false;
    try {
        std::size_t n = 0;
        while (n < nrows && st->next < st->rows.size()) {
            const auto &row = st->rows[st->next];
            for (std::size_t c = 0; c < st->columns.size(); ++c) {
                Define *d = c < st->defines.size() ? st->defines[c] : nullptr;
                if (!d) continue;
                truncated = put(st->columns[c], row[c], *d, n) == Put::Truncated || truncated;
            }
            ++st->next;
            ++n;
            st->fetched = static_cast<ub4>(n);
        }
        st->rowCount += static_cast<ub4>(n);
        trace("fetch " + std::to_string(nrows) + " " + std::to_string(n));
        if (n < nrows) return OCI_NO_DATA;
    } catch (const OraError &e) {
        err->set(e);
        return OCI_ERROR;
    }
    if (truncated) {
        err->set(1406, "ORA-01406: fetched column value was truncated");
        return OCI_SUCCESS_WITH_INFO;
    }
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIErrorGet(void *hndlp, ub4 recordno, OraText *sqlstate, sb4 *errcodep, OraText *bufp, ub4 bufsiz,
                             ub4 type)
{
    if (type != OCI_HTYPE_ERROR) return OCI_INVALID_HANDLE;
    Err *err = as<Err>(hndlp, OCI_HTYPE_ERROR);
    if (!err) return OCI_INVALID_HANDLE;
    if (recordno != 1 || err->code == 0) return OCI_NO_DATA;
    if (sqlstate) std::memcpy(sqlstate, "HY000", 6);
    if (errcodep) *errcodep = err->code;
    if (bufp && bufsiz > 0) {
        std::size_t n = std::min<std::size_t>(err->text.size(), bufsiz - 1);
        std::memcpy(bufp, err->text.data(), n);
        bufp[n] = 0;
    }
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIPing(OCISvcCtx *svchp, OCIError *errhp, ub4)
{
    SvcCtx *svc = as<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    if (!svc || !err) return OCI_INVALID_HANDLE;
    Session *s = connectedSession(svc, err);
    if (!s) return OCI_ERROR;
    return run(err, s, [&]() -> sword {
        if (s->conn->connectionOK()) return OCI_SUCCESS;
        throw OraError::ora(3113, "end-of-file on communication channel");
    });
}

OCI_EXPORT sword OCIBreak(void *hndlp, OCIError *errhp)
{
    SvcCtx *svc = as<SvcCtx>(hndlp, OCI_HTYPE_SVCCTX);
    if (!svc || !as<Err>(errhp, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
    Session *s = svc->session;
    if (!s || !s->conn) return OCI_SUCCESS;
    if (!s->local) {
        s->conn->breakCall();
        return OCI_SUCCESS;
    }
    // The instance's engine is interrupted until the call returns (a statement that
    // has not reached the engine yet is caught on the next round).
    auto inst = sim::Registry::get().existing(s->instance);
    if (!inst) return OCI_SUCCESS;
    for (int i = 0; i < 50 && s->busy.load(); ++i) {
        sqlite3_interrupt(inst->db());
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIReset(void *hndlp, OCIError *errhp)
{
    if (!as<SvcCtx>(hndlp, OCI_HTYPE_SVCCTX) || !as<Err>(errhp, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCITransCommit(OCISvcCtx *svchp, OCIError *errhp, ub4)
{
    SvcCtx *svc = as<SvcCtx>(svchp, OCI_HTYPE_SVCCTX);
    Err *err = as<Err>(errhp, OCI_HTYPE_ERROR);
    if (!svc || !err) return OCI_INVALID_HANDLE;
    Session *s = connectedSession(svc, err);
    if (!s) return OCI_ERROR;
    return run(err, s, [&] {
        s->conn->execute("COMMIT");
        return OCI_SUCCESS;
    });
}

OCI_EXPORT sword OCIDateTimeGetDate(void *, OCIError *errhp, const OCIDateTime *datetime, sb2 *yr, ub1 *mnth, ub1 *dy)
{
    DateTime *d = as<DateTime>(datetime, OCI_DTYPE_TIMESTAMP);
    if (!d) d = as<DateTime>(datetime, OCI_DTYPE_TIMESTAMP_TZ);
    if (!d) d = as<DateTime>(datetime, OCI_DTYPE_TIMESTAMP_LTZ);
    if (!d || !as<Err>(errhp, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
    *yr = d->year, *mnth = d->month, *dy = d->day;
    return OCI_SUCCESS;
}

OCI_EXPORT sword OCIDateTimeGetTime(void *, OCIError *errhp, OCIDateTime *datetime, ub1 *hr, ub1 *mm, ub1 *ss, ub4 *fsec)
{
    DateTime *d = as<DateTime>(datetime, OCI_DTYPE_TIMESTAMP);
    if (!d) d = as<DateTime>(datetime, OCI_DTYPE_TIMESTAMP_TZ);
    if (!d) d = as<DateTime>(datetime, OCI_DTYPE_TIMESTAMP_LTZ);
    if (!d || !as<Err>(errhp, OCI_HTYPE_ERROR)) return OCI_INVALID_HANDLE;
    *hr = d->hour, *mm = d->minute, *ss = d->second, *fsec = d->fraction;
    return OCI_SUCCESS;
}

OCI_EXPORT void OCIClientVersion(sword *major, sword *minor, sword *update, sword *patch, sword *port)
{
    *major = 19, *minor = 3, *update = 0, *patch = 0, *port = 0;
}
