#include "jetsql.h"

#include <sqlite3.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <ctime>

namespace localdb::jet {

std::string upper(std::string s)
{
    for (char &c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

namespace {

bool isWordChar(char c)
{
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_' || c == '$' || c == '#';
}

bool isIdentStart(char c)
{
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}

// Calls `onCode(segment)` for the text between literals and copies literals
// (single-quoted, double-quoted, bracketed names) through `onLiteral`.
template <class Code, class Literal>
void scan(const std::string &s, Code &&onCode, Literal &&onLiteral)
{
    std::size_t i = 0, start = 0;
    while (i < s.size()) {
        char c = s[i];
        if (c == '\'' || c == '"' || c == '[') {
            onCode(s.substr(start, i - start));
            char close = c == '[' ? ']' : c;
            std::size_t j = i + 1;
            while (j < s.size()) {
                if (s[j] == close) {
                    if (close != ']' && j + 1 < s.size() && s[j + 1] == close) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            std::size_t end = j < s.size() ? j + 1 : s.size();
            onLiteral(s.substr(i, end - i));
            i = start = end;
        } else {
            ++i;
        }
    }
    onCode(s.substr(start));
}

// Rewrites words of one code segment: `fn(word, nextNonBlank)` answers the
// replacement or the word itself.
template <class Fn>
std::string mapWords(const std::string &code, Fn &&fn)
{
    std::string out;
    std::size_t i = 0;
    while (i < code.size()) {
        char c = code[i];
        if (isIdentStart(c) && (i == 0 || !isWordChar(code[i - 1]))) {
            std::size_t j = i;
            while (j < code.size() && isWordChar(code[j]))
                ++j;
            std::size_t k = j;
            while (k < code.size() && std::isspace(static_cast<unsigned char>(code[k])))
                ++k;
            char next = k < code.size() ? code[k] : '\0';
            char prev = '\0';
            for (std::size_t p = i; p > 0; --p) {
                if (!std::isspace(static_cast<unsigned char>(code[p - 1]))) {
                    prev = code[p - 1];
                    break;
                }
            }
            out += fn(code.substr(i, j - i), next, prev);
            i = j;
        } else {
            out += c;
            ++i;
        }
    }
    return out;
}

std::string quoteText(const std::string &body)
{
    std::string out = "'";
    for (char c : body) {
        out += c;
        if (c == '\'')
            out += '\'';
    }
    return out + "'";
}

// #date# literals inside a code segment.
std::string dateLiterals(const std::string &code)
{
    std::string out;
    std::size_t i = 0;
    while (i < code.size()) {
        if (code[i] == '#') {
            std::size_t j = code.find('#', i + 1);
            if (j != std::string::npos) {
                std::string canon = canonicalDate(code.substr(i + 1, j - i - 1));
                if (!canon.empty()) {
                    out += "'" + canon + "'";
                    i = j + 1;
                    continue;
                }
            }
        }
        out += code[i++];
    }
    return out;
}

std::string rewriteCode(const std::string &code)
{
    std::string s = dateLiterals(code);
    s = mapWords(s, [](const std::string &w, char next, char prev) -> std::string {
        if (prev == '.' || prev == ':')
            return w;
        std::string u = upper(w);
        if (u == "NOW")
            return next == '(' ? "jet_now" : "jet_now()";
        if (next != '(')
            return w;
        if (u == "CVDATE" || u == "CDATE")
            return "jet_cvdate";
        if (u == "INT")
            return "jet_int";
        if (u == "UCASE")
            return "upper";
        if (u == "LCASE")
            return "lower";
        if (u == "LEN")
            return "length";
        return w;
    });
    // "now()" written with parentheses became "jet_now()" above; "jet_now()()" cannot occur
    // because the empty parentheses stay with the word.
    std::string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '&')
            out += "||";
        else
            out += s[i];
    }
    return out;
}

} // namespace

std::string stripParametersClause(const std::string &sql, std::vector<std::string> *names)
{
    std::size_t i = 0;
    while (i < sql.size() && std::isspace(static_cast<unsigned char>(sql[i])))
        ++i;
    if (upper(sql.substr(i, 10)) != "PARAMETERS" || i + 10 >= sql.size() ||
        !std::isspace(static_cast<unsigned char>(sql[i + 10])))
        return sql;
    std::size_t semi = sql.find(';', i);
    if (semi == std::string::npos)
        return sql;
    if (names) {
        std::string decl = sql.substr(i + 10, semi - i - 10);
        std::size_t p = 0;
        while (p <= decl.size()) {
            std::size_t comma = decl.find(',', p);
            std::string item = decl.substr(p, comma == std::string::npos ? std::string::npos : comma - p);
            std::size_t a = item.find_first_not_of(" \t\r\n");
            if (a != std::string::npos) {
                std::size_t b = a;
                if (item[a] == '[') {
                    b = item.find(']', a);
                    names->push_back(item.substr(a + 1, b == std::string::npos ? std::string::npos : b - a - 1));
                } else {
                    while (b < item.size() && isWordChar(item[b]))
                        ++b;
                    names->push_back(item.substr(a, b - a));
                }
            }
            if (comma == std::string::npos)
                break;
            p = comma + 1;
        }
    }
    return sql.substr(semi + 1);
}

std::string toSqlite(const std::string &jetSql)
{
    std::string out;
    scan(
        jetSql, [&](const std::string &code) { out += rewriteCode(code); },
        [&](const std::string &lit) {
            if (lit[0] == '"') {
                // The closing quote is missing when the text ends inside the literal.
                const bool closed = lit.size() >= 2 && lit.back() == '"';
                const std::size_t end = closed ? lit.size() - 1 : lit.size();
                std::string body;
                for (std::size_t i = 1; i < end; ++i) {
                    body += lit[i];
                    if (lit[i] == '"' && i + 1 < end && lit[i + 1] == '"')
                        ++i;
                }
                out += quoteText(body);
            } else {
                out += lit;
            }
        });
    return out;
}

std::string bindParameter(const std::string &sql, const std::string &name)
{
    std::string want = upper(name);
    std::string out;
    scan(
        sql,
        [&](const std::string &code) {
            out += mapWords(code, [&](const std::string &w, char, char prev) -> std::string {
                if (prev == '.' || prev == ':' || upper(w) != want)
                    return w;
                return ":" + w;
            });
        },
        [&](const std::string &lit) {
            if (lit[0] == '[' && upper(lit.substr(1, lit.size() - 2)) == want)
                out += ":" + name;
            else
                out += lit;
        });
    return out;
}

bool mentions(const std::string &sql, const std::string &word)
{
    std::string want = upper(word);
    bool found = false;
    scan(
        sql,
        [&](const std::string &code) {
            mapWords(code, [&](const std::string &w, char, char prev) -> std::string {
                if (prev != '.' && upper(w) == want)
                    found = true;
                return w;
            });
        },
        [&](const std::string &lit) {
            if (lit[0] == '[' && upper(lit.substr(1, lit.size() - 2)) == want)
                found = true;
        });
    return found;
}

// Days from 1899-12-30 (Jet's day 0) for a civil date.
static long long daysFromCivil(int y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<long long>(doe) - 719468;   // days from 1970-01-01
}

static const long long kJetEpoch = -25569;   // 1899-12-30 counted from 1970-01-01

static void civilFromDays(long long z, int &y, unsigned &m, unsigned &d)
{
    z += 719468;
    const long long era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<int>(yoe + era * 400);
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

std::string canonicalDate(const std::string &text)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    char sep = ' ';
    int n = 0;
    std::string t = text;
    while (!t.empty() && std::isspace(static_cast<unsigned char>(t.back())))
        t.pop_back();
    std::size_t lead = t.find_first_not_of(' ');
    if (lead == std::string::npos)
        return {};
    t = t.substr(lead);
    int consumed = 0;
    if (std::sscanf(t.c_str(), "%4d-%2d-%2d%n", &y, &mo, &d, &consumed) == 3) {
        std::string rest = t.substr(consumed);
        if (!rest.empty()) {
            n = std::sscanf(rest.c_str(), "%c%2d:%2d:%2d%n", &sep, &h, &mi, &s, &consumed);
            if (n == 3) {
                s = 0;
                n = std::sscanf(rest.c_str(), "%c%2d:%2d%n", &sep, &h, &mi, &consumed);
                if (n != 3)
                    return {};
            } else if (n != 4) {
                return {};
            }
            if ((sep != ' ' && sep != 'T') || static_cast<std::size_t>(consumed) != rest.size())
                return {};
        }
    } else if (std::sscanf(t.c_str(), "%2d/%2d/%4d%n", &d, &mo, &y, &consumed) == 3 &&
               static_cast<std::size_t>(consumed) == t.size()) {
    } else {
        return {};
    }
    if (y < 100 || y > 9999 || mo < 1 || mo > 12 || d < 1 || h < 0 || h > 23 || mi < 0 ||
        mi > 59 || s < 0 || s > 59)
        return {};
    static const int mdays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (d > mdays[mo - 1] + (mo == 2 && leap ? 1 : 0))
        return {};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", y, mo, d, h, mi, s);
    return buf;
}

double serialFromCanonical(const std::string &canonical, bool *ok)
{
    std::string c = canonicalDate(canonical);
    if (ok)
        *ok = !c.empty();
    if (c.empty())
        return 0;
    int y, mo, d, h, mi, s;
    std::sscanf(c.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    double days = static_cast<double>(daysFromCivil(y, mo, d) - kJetEpoch);
    return days + (h * 3600 + mi * 60 + s) / 86400.0;
}

std::string canonicalFromSerial(double serial)
{
    double whole = std::floor(serial);
    long long secs = std::llround((serial - whole) * 86400.0);
    long long days = static_cast<long long>(whole);
    if (secs >= 86400) {
        secs -= 86400;
        ++days;
    }
    int y;
    unsigned m, d;
    civilFromDays(days + kJetEpoch, y, m, d);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02lld:%02lld:%02lld", y, m, d, secs / 3600,
                  (secs / 60) % 60, secs % 60);
    return buf;
}

std::string todayCanonical()
{
    std::time_t t = std::time(nullptr);
    std::tm tm{};
    localtime_r(&t, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%d 00:00:00", &tm);
    return buf;
}

namespace {

// now: the current day as a Jet day number. The engine's "now" carries no time of
// day, so "check_date = CVDate(now - 7)" matches the samples, which are stamped
// with the date alone.
void fnNow(sqlite3_context *ctx, int, sqlite3_value **)
{
    sqlite3_result_double(ctx, serialFromCanonical(todayCanonical(), nullptr));
}

void fnCvdate(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    switch (sqlite3_value_type(argv[0])) {
    case SQLITE_NULL:
        sqlite3_result_null(ctx);
        return;
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
        std::string c = canonicalFromSerial(sqlite3_value_double(argv[0]));
        sqlite3_result_text(ctx, c.c_str(), -1, SQLITE_TRANSIENT);
        return;
    }
    default: {
        const char *t = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
        std::string c = canonicalDate(t ? t : "");
        if (c.empty()) {
            sqlite3_result_error(ctx, "Type mismatch in CVDate", -1);
            return;
        }
        sqlite3_result_text(ctx, c.c_str(), -1, SQLITE_TRANSIENT);
    }
    }
}

void fnInt(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    int t = sqlite3_value_numeric_type(argv[0]);
    if (t == SQLITE_NULL) {
        sqlite3_result_null(ctx);
    } else if (t == SQLITE_INTEGER) {
        sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
    } else if (t == SQLITE_FLOAT) {
        sqlite3_result_int64(ctx, static_cast<sqlite3_int64>(std::floor(sqlite3_value_double(argv[0]))));
    } else {
        sqlite3_result_error(ctx, "Type mismatch in int", -1);
    }
}

} // namespace

void registerFunctions(sqlite3 *db)
{
    sqlite3_create_function(db, "jet_now", 0, SQLITE_UTF8, nullptr, fnNow, nullptr, nullptr);
    sqlite3_create_function(db, "jet_cvdate", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fnCvdate,
                            nullptr, nullptr);
    sqlite3_create_function(db, "jet_int", 1, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, fnInt, nullptr,
                            nullptr);
}

} // namespace localdb::jet
