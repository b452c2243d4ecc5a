#include "functions.h"

#include "simerror.h"

#include <regex.h>
#include <sqlite3.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

namespace sim {

namespace {

// ---------------------------------------------------------------- calendar (UTC)

std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

struct Civil {
    int year, month, day, hour, minute, second;
};

Civil civilFromSeconds(std::int64_t t)
{
    std::int64_t days = t >= 0 ? t / 86400 : -((-t + 86399) / 86400);
    std::int64_t secs = t - days * 86400;
    std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp + (mp < 10 ? 3 : -9);
    Civil c;
    c.year = static_cast<int>(y + (m <= 2));
    c.month = static_cast<int>(m);
    c.day = static_cast<int>(d);
    c.hour = static_cast<int>(secs / 3600);
    c.minute = static_cast<int>(secs / 60 % 60);
    c.second = static_cast<int>(secs % 60);
    return c;
}

std::int64_t secondsFromCivil(const Civil &c)
{
    return daysFromCivil(c.year, static_cast<unsigned>(c.month), static_cast<unsigned>(c.day)) * 86400 +
           c.hour * 3600 + c.minute * 60 + c.second;
}

bool leap(int y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }
int monthDays(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : days[m - 1];
}

const char *kMonths[] = {"JANUARY", "FEBRUARY", "MARCH", "APRIL", "MAY", "JUNE", "JULY",
                         "AUGUST", "SEPTEMBER", "OCTOBER", "NOVEMBER", "DECEMBER"};
const char *kDays[] = {"SUNDAY", "MONDAY", "TUESDAY", "WEDNESDAY", "THURSDAY", "FRIDAY", "SATURDAY"};

// Month and day names of a date language (NLS_DATE_LANGUAGE), in UTF-8 upper case, with
// the abbreviations MON and DY give and the widths MONTH and DAY are padded to.
struct DateLanguage {
    const char *const *months, *const *monthAbbr, *const *days, *const *dayAbbr;
    int monthWidth, dayWidth;
};

const char *kMonthAbbr[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN", "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
const char *kDayAbbr[] = {"SUN", "MON", "TUE", "WED", "THU", "FRI", "SAT"};
const char *kMesesEs[] = {"ENERO", "FEBRERO", "MARZO", "ABRIL", "MAYO", "JUNIO", "JULIO", "AGOSTO",
                          "SEPTIEMBRE", "OCTUBRE", "NOVIEMBRE", "DICIEMBRE"};
const char *kMesesAbbrEs[] = {"ENE", "FEB", "MAR", "ABR", "MAY", "JUN", "JUL", "AGO", "SEP", "OCT", "NOV", "DIC"};
const char *kDiasEs[] = {"DOMINGO", "LUNES", "MARTES", "MI\xC3\x89RCOLES", "JUEVES", "VIERNES", "S\xC3\x81" "BADO"};
const char *kDiasAbbrEs[] = {"DOM", "LUN", "MAR", "MI\xC3\x89", "JUE", "VIE", "S\xC3\x81" "B"};

const DateLanguage kAmerican{kMonths, kMonthAbbr, kDays, kDayAbbr, 9, 9};
const DateLanguage kSpanish{kMesesEs, kMesesAbbrEs, kDiasEs, kDiasAbbrEs, 10, 9};

// ---------------------------------------------------------------- SQLite value helpers

FunctionHost *host(sqlite3_context *ctx) { return static_cast<FunctionHost *>(sqlite3_user_data(ctx)); }

bool isNull(sqlite3_value *v) { return sqlite3_value_type(v) == SQLITE_NULL; }
bool anyNull(int argc, sqlite3_value **argv)
{
    for (int i = 0; i < argc; ++i)
        if (isNull(argv[i])) return true;
    return false;
}

std::string textOf(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_NULL: return {};
    case SQLITE_INTEGER: return std::to_string(sqlite3_value_int64(v));
    case SQLITE_FLOAT: return numberToText(sqlite3_value_double(v));
    default: {
        auto p = reinterpret_cast<const char *>(sqlite3_value_text(v));
        return std::string(p, static_cast<std::size_t>(sqlite3_value_bytes(v)));
    }
    }
}

bool dateValue(sqlite3_value *v, std::int64_t &out)
{
    if (sqlite3_value_type(v) != SQLITE_TEXT) return false;
    auto p = reinterpret_cast<const char *>(sqlite3_value_text(v));
    auto n = static_cast<std::size_t>(sqlite3_value_bytes(v));
    if (!isDateText(p, n)) return false;
    auto d = parseDate(p, n);
    if (!d) return false;
    out = *d;
    return true;
}

[[noreturn]] void raise(int code, const std::string &detail = std::string())
{
    throw oraError(code, detail);
}

// Longest VARCHAR2 value a SQL function may return (ORA-01489 beyond it).
constexpr std::size_t kMaxText = 4000;
// Oracle NUMBER holds magnitudes below 1E126; anything larger overflows (ORA-01426).
constexpr double kMaxNumber = 1e126;

// DATE values span 0001-01-01 00:00:00 to 9999-12-31 23:59:59 in the instance's text form.
constexpr std::int64_t kMinDate = -62135596800LL;
constexpr std::int64_t kMaxDate = 253402300799LL;

std::int64_t checkedDate(double seconds)
{
    if (!(seconds >= static_cast<double>(kMinDate) && seconds <= static_cast<double>(kMaxDate))) raise(1841);
    return static_cast<std::int64_t>(seconds);
}

// A date moved by a number of days, rounded to the second.
std::int64_t shiftDate(std::int64_t date, double days)
{
    return checkedDate(static_cast<double>(date) + std::round(days * 86400.0));
}

// The integer part of a position, length or count; values beyond any text are clamped so
// that they convert without overflow and still compare as "beyond the end".
std::int64_t wholeOf(double d)
{
    constexpr double limit = 4.0e18;
    if (d > limit) return static_cast<std::int64_t>(limit);
    if (d < -limit) return -static_cast<std::int64_t>(limit);
    return static_cast<std::int64_t>(std::trunc(d));
}

// Reads Oracle's text form of a number: blanks, sign, digits with one decimal point, an
// optional exponent. Hexadecimal, "inf" and "nan" are not numbers to Oracle.
bool parseDecimal(const std::string &text, double &out)
{
    std::size_t i = 0, n = text.size();
    auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (i < n && blank(text[i])) ++i;
    std::size_t start = i;
    if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
    std::size_t digits = 0;
    while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) { ++i; ++digits; }
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) { ++i; ++digits; }
    }
    if (digits == 0) return false;
    if (i < n && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        if (i < n && (text[i] == '+' || text[i] == '-')) ++i;
        std::size_t exp = 0;
        while (i < n && std::isdigit(static_cast<unsigned char>(text[i]))) { ++i; ++exp; }
        if (exp == 0) return false;
    }
    std::size_t end = i;
    while (i < n && blank(text[i])) ++i;
    if (i != n) return false;
    out = std::strtod(text.substr(start, end - start).c_str(), nullptr);
    if (!std::isfinite(out) || std::fabs(out) >= kMaxNumber) raise(1426);
    return true;
}

// Oracle's implicit conversion of a value to a number (ORA-01722 when it is not one).
double numberOf(sqlite3_value *v)
{
    switch (sqlite3_value_type(v)) {
    case SQLITE_INTEGER: return static_cast<double>(sqlite3_value_int64(v));
    case SQLITE_FLOAT: {
        double d = sqlite3_value_double(v);
        if (!std::isfinite(d) || std::fabs(d) >= kMaxNumber) raise(1426);
        return d;
    }
    default: {
        double d = 0;
        if (!parseDecimal(textOf(v), d)) raise(1722);
        return d;
    }
    }
}

void resultNumber(sqlite3_context *ctx, double d)
{
    if (!std::isfinite(d) || std::fabs(d) >= kMaxNumber) {
        sqlite3_result_error(ctx, "ORA-01426: numeric overflow", -1);
        return;
    }
    if (d == std::floor(d) && std::fabs(d) < 9.0e15) sqlite3_result_int64(ctx, static_cast<std::int64_t>(d));
    else sqlite3_result_double(ctx, d);
}

void resultText(sqlite3_context *ctx, const std::string &s)
{
    if (s.size() > kMaxText) raise(1489);
    if (s.empty()) sqlite3_result_null(ctx);
    else sqlite3_result_text(ctx, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
}

void resultDate(sqlite3_context *ctx, std::int64_t t)
{
    checkedDate(static_cast<double>(t));
    resultText(ctx, formatDate(t));
}

// Wraps a function body so that SimError becomes a SQLite error carrying the ORA text.
template <class F> void guard(sqlite3_context *ctx, F &&f)
{
    try {
        f();
    } catch (const SimError &e) {
        sqlite3_result_error(ctx, e.what(), -1);
    } catch (const std::bad_alloc &) {
        sqlite3_result_error_nomem(ctx);
    } catch (const std::exception &e) {
        sqlite3_result_error(ctx, (std::string("ORA-00600: internal error code, arguments: [") + e.what() + "]").c_str(), -1);
    }
}

#define ORA_FN(name) void name(sqlite3_context *ctx, int argc, sqlite3_value **argv)

// ---------------------------------------------------------------- arithmetic

ORA_FN(oraDiv)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
            std::int64_t a = sqlite3_value_int64(argv[0]), b = sqlite3_value_int64(argv[1]);
            if (b == 0) raise(1476);
            if (b != -1 && a % b == 0) return sqlite3_result_int64(ctx, a / b);
        }
        double b = numberOf(argv[1]);
        if (b == 0) raise(1476);
        resultNumber(ctx, numberOf(argv[0]) / b);
    });
}

ORA_FN(oraAdd)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        std::int64_t d;
        if (dateValue(argv[0], d)) {
            if (dateValue(argv[1], d)) raise(975);
            return resultDate(ctx, shiftDate(d, numberOf(argv[1])));
        }
        if (dateValue(argv[1], d)) return resultDate(ctx, shiftDate(d, numberOf(argv[0])));
        if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
            std::int64_t r;
            if (!__builtin_add_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r))
                return sqlite3_result_int64(ctx, r);
        }
        resultNumber(ctx, numberOf(argv[0]) + numberOf(argv[1]));
    });
}

ORA_FN(oraSub)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        std::int64_t a, b;
        if (dateValue(argv[0], a)) {
            if (dateValue(argv[1], b)) return resultNumber(ctx, static_cast<double>(a - b) / 86400.0);
            return resultDate(ctx, shiftDate(a, -numberOf(argv[1])));
        }
        if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_type(argv[1]) == SQLITE_INTEGER) {
            std::int64_t r;
            if (!__builtin_sub_overflow(sqlite3_value_int64(argv[0]), sqlite3_value_int64(argv[1]), &r))
                return sqlite3_result_int64(ctx, r);
        }
        resultNumber(ctx, numberOf(argv[0]) - numberOf(argv[1]));
    });
}


ORA_FN(oraConcat)
{
    guard(ctx, [&] {
        std::string out;
        std::int64_t d;
        for (int i = 0; i < argc; ++i) {
            if (dateValue(argv[i], d)) out += formatDateModel(d, host(ctx)->dateFormat());
            else if (sqlite3_value_type(argv[i]) == SQLITE_TEXT && static_cast<std::size_t>(sqlite3_value_bytes(argv[i])) > kMaxText) raise(1489);
            else out += textOf(argv[i]);
            if (out.size() > kMaxText) raise(1489);
        }
        resultText(ctx, out);
    });
}

// ora_chain(a, op, b, op, c, ...): a left-to-right run of + - * / as one call, so that
// long arithmetic chains need neither deep nesting nor one parenthesis per operator. Each
// step has the meaning of the operator alone: date arithmetic, exact integers while they
// fit, Oracle's errors.
ORA_FN(oraChain)
{
    guard(ctx, [&] {
        if (argc % 2 == 0) raise(909);
        for (int i = 0; i < argc; i += 2)
            if (isNull(argv[i])) return sqlite3_result_null(ctx);
        enum { Int, Real, Date } kind;
        std::int64_t whole = 0;   // Int value, or Date seconds
        double real = 0;
        auto load = [&](sqlite3_value *v) {
            if (dateValue(v, whole)) kind = Date;
            else if (sqlite3_value_type(v) == SQLITE_INTEGER) { kind = Int; whole = sqlite3_value_int64(v); }
            else { kind = Real; real = numberOf(v); }
        };
        auto number = [&]() { return kind == Int ? static_cast<double>(whole) : real; };
        auto setNumber = [&](double d) {
            if (!std::isfinite(d) || std::fabs(d) >= kMaxNumber) raise(1426);
            kind = Real;
            real = d;
        };
        load(argv[0]);
        for (int i = 1; i + 1 < argc; i += 2) {
            std::string op = textOf(argv[i]);
            sqlite3_value *v = argv[i + 1];
            std::int64_t date;
            bool vDate = dateValue(v, date);
            bool vInt = sqlite3_value_type(v) == SQLITE_INTEGER;
            if (op == "+" || op == "-") {
                if (kind == Date) {
                    if (vDate) {
                        if (op == "+") raise(975);
                        setNumber(static_cast<double>(whole - date) / 86400.0);
                    } else {
                        whole = shiftDate(whole, op == "+" ? numberOf(v) : -numberOf(v));
                    }
                    continue;
                }
                if (vDate && op == "+") {
                    whole = shiftDate(date, number());
                    kind = Date;
                    continue;
                }
                std::int64_t r;
                if (kind == Int && vInt &&
                    !(op == "+" ? __builtin_add_overflow(whole, sqlite3_value_int64(v), &r)
                                : __builtin_sub_overflow(whole, sqlite3_value_int64(v), &r))) {
                    whole = r;
                    continue;
                }
                double b = numberOf(v);
                setNumber(op == "+" ? number() + b : number() - b);
            } else if (op == "*") {
                if (kind == Date || vDate) raise(932, "inconsistent datatypes: expected NUMBER got DATE");
                std::int64_t r;
                if (kind == Int && vInt && !__builtin_mul_overflow(whole, sqlite3_value_int64(v), &r)) {
                    whole = r;
                    continue;
                }
                setNumber(number() * numberOf(v));
            } else if (op == "/") {
                if (kind == Date || vDate) raise(932, "inconsistent datatypes: expected NUMBER got DATE");
                if (kind == Int && vInt) {
                    std::int64_t b = sqlite3_value_int64(v);
                    if (b == 0) raise(1476);
                    if (b != -1 && whole % b == 0) { whole /= b; continue; }
                }
                double b = numberOf(v);
                if (b == 0) raise(1476);
                setNumber(number() / b);
            } else {
                raise(909);
            }
        }
        if (kind == Date) return resultDate(ctx, whole);
        if (kind == Int) return sqlite3_result_int64(ctx, whole);
        resultNumber(ctx, real);
    });
}

template <bool Greatest> ORA_FN(oraExtreme)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        int first = sqlite3_value_type(argv[0]);
        bool numeric = first == SQLITE_INTEGER || first == SQLITE_FLOAT;
        int best = 0;
        if (numeric) {
            double bv = numberOf(argv[0]);
            for (int i = 1; i < argc; ++i) {
                double v = numberOf(argv[i]);
                if (Greatest ? v > bv : v < bv) { bv = v; best = i; }
            }
            if (sqlite3_value_type(argv[best]) == SQLITE_TEXT) return resultNumber(ctx, bv);
        } else {
            std::string bv = textOf(argv[0]);
            for (int i = 1; i < argc; ++i) {
                std::string v = textOf(argv[i]);
                if (Greatest ? v > bv : v < bv) { bv = v; best = i; }
            }
            if (sqlite3_value_type(argv[best]) != SQLITE_TEXT) return resultText(ctx, bv);
        }
        sqlite3_result_value(ctx, argv[best]);
    });
}

template <double (*F)(double)> ORA_FN(oraMath1)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        resultNumber(ctx, F(numberOf(argv[0])));
    });
}

double signOf(double d) { return d > 0 ? 1 : d < 0 ? -1 : 0; }
double lnChecked(double d) { if (d <= 0) raise(1428, "argument '" + numberToText(d) + "' is out of range"); return std::log(d); }
double sqrtChecked(double d) { if (d < 0) raise(1428, "argument '" + numberToText(d) + "' is out of range"); return std::sqrt(d); }

ORA_FN(oraAbs)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && sqlite3_value_int64(argv[0]) != INT64_MIN)
            return sqlite3_result_int64(ctx, std::llabs(sqlite3_value_int64(argv[0])));
        resultNumber(ctx, std::fabs(numberOf(argv[0])));
    });
}

ORA_FN(oraMod)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        double m = numberOf(argv[0]), n = numberOf(argv[1]);
        if (n == 0) return resultNumber(ctx, m);
        resultNumber(ctx, m - n * std::trunc(m / n));
    });
}

ORA_FN(oraPower)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        double base = numberOf(argv[0]), exponent = numberOf(argv[1]);
        if (base < 0 && exponent != std::floor(exponent))
            raise(1428, "argument '" + numberToText(base) + "' is out of range");
        resultNumber(ctx, std::pow(base, exponent));
    });
}

ORA_FN(oraLog)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        resultNumber(ctx, lnChecked(numberOf(argv[1])) / lnChecked(numberOf(argv[0])));
    });
}

double roundTo(double v, int digits, bool truncate)
{
    if (v == 0 || !std::isfinite(v)) return v;
    int magnitude = static_cast<int>(std::floor(std::log10(std::fabs(v))));
    if (digits + magnitude > 17) return v;             // finer than a double holds
    if (-digits > magnitude + 1) return 0;            // coarser than the value itself
    double scale = std::pow(10.0, digits);
    double x = v * scale;
    // Nudge by the representation error so that round(2.675, 2) gives 2.68 as in Oracle.
    double eps = std::fabs(x) * 1e-13;
    double r = truncate ? std::trunc(x + (x >= 0 ? eps : -eps))
                        : (x >= 0 ? std::floor(x + 0.5 + eps) : -std::floor(-x + 0.5 + eps));
    return r / scale;
}

// Truncates or rounds a date to a format unit (DD by default).
std::int64_t dateUnit(std::int64_t t, std::string unit, bool round)
{
    for (auto &c : unit) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    Civil c = civilFromSeconds(t);
    Civil start = c;
    start.hour = start.minute = start.second = 0;
    std::int64_t span;
    if (unit == "DD" || unit == "DDD" || unit == "J" || unit == "") {
        span = 86400;
    } else if (unit == "HH" || unit == "HH24" || unit == "HH12") {
        start.hour = c.hour;
        span = 3600;
    } else if (unit == "MI") {
        start.hour = c.hour;
        start.minute = c.minute;
        span = 60;
    } else if (unit == "MM" || unit == "MON" || unit == "MONTH" || unit == "RM") {
        start.day = 1;
        if (round && c.day >= 16) {
            if (++start.month > 12) { start.month = 1; ++start.year; }
        }
        return secondsFromCivil(start);
    } else if (unit == "YYYY" || unit == "YYY" || unit == "YY" || unit == "Y" || unit == "YEAR" ||
               unit == "SYYYY" || unit == "RRRR" || unit == "RR") {
        start.day = 1;
        start.month = 1;
        if (round && c.month >= 7) ++start.year;
        return secondsFromCivil(start);
    } else if (unit == "Q") {
        start.day = 1;
        start.month = (c.month - 1) / 3 * 3 + 1;
        return secondsFromCivil(start);
    } else if (unit == "D" || unit == "DY" || unit == "DAY") {
        std::int64_t days = daysFromCivil(c.year, c.month, c.day);
        std::int64_t weekday = ((days % 7) + 11) % 7;   // 0 = Sunday
        return (days - weekday) * 86400;
    } else {
        raise(1898);
    }
    std::int64_t base = secondsFromCivil(start);
    if (round && t - base >= span / 2) base += span;
    return base;
}

template <bool Truncate> ORA_FN(oraRoundTrunc)
{
    guard(ctx, [&] {
        if (isNull(argv[0]) || (argc > 1 && isNull(argv[1]))) return sqlite3_result_null(ctx);
        std::int64_t d;
        if (dateValue(argv[0], d))
            return resultDate(ctx, dateUnit(d, argc > 1 ? textOf(argv[1]) : "DD", !Truncate));
        int digits = argc > 1 ? static_cast<int>(std::clamp<std::int64_t>(wholeOf(numberOf(argv[1])), -400, 400)) : 0;
        if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && digits >= 0)
            return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        resultNumber(ctx, roundTo(numberOf(argv[0]), digits, Truncate));
    });
}

// ---------------------------------------------------------------- text

template <int Mode> ORA_FN(oraCase)   // 0 upper, 1 lower, 2 initcap
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    std::string s = textOf(argv[0]);
    bool start = true;
    for (auto &ch : s) {
        unsigned char c = static_cast<unsigned char>(ch);
        if (Mode == 0) ch = static_cast<char>(std::toupper(c));
        else if (Mode == 1) ch = static_cast<char>(std::tolower(c));
        else {
            ch = static_cast<char>(start ? std::toupper(c) : std::tolower(c));
            start = !std::isalnum(c);
        }
    }
    resultText(ctx, s);
}

ORA_FN(oraLength)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    sqlite3_result_int64(ctx, static_cast<std::int64_t>(textOf(argv[0]).size()));
}

ORA_FN(oraSubstr)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        std::string s = textOf(argv[0]);
        auto n = static_cast<std::int64_t>(s.size());
        std::int64_t pos = wholeOf(numberOf(argv[1]));
        if (pos == 0) pos = 1;
        if (pos < 0) pos = n + pos + 1;
        if (pos < 1 || pos > n) return sqlite3_result_null(ctx);
        std::int64_t len = n - pos + 1;
        if (argc > 2) {
            double l = numberOf(argv[2]);
            if (l < 1) return sqlite3_result_null(ctx);
            len = std::min<std::int64_t>(len, wholeOf(l));
        }
        resultText(ctx, s.substr(static_cast<std::size_t>(pos - 1), static_cast<std::size_t>(len)));
    });
}

ORA_FN(oraInstr)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        std::string s = textOf(argv[0]), sub = textOf(argv[1]);
        std::int64_t pos = argc > 2 ? wholeOf(numberOf(argv[2])) : 1;
        std::int64_t occ = argc > 3 ? wholeOf(numberOf(argv[3])) : 1;
        if (pos == 0 || occ <= 0) {
            if (occ <= 0) raise(1428, "argument '" + std::to_string(occ) + "' is out of range");
            return sqlite3_result_int64(ctx, 0);
        }
        auto n = static_cast<std::int64_t>(s.size());
        if (pos > 0) {
            std::size_t from = static_cast<std::size_t>(pos - 1);
            while (from <= s.size()) {
                auto f = s.find(sub, from);
                if (f == std::string::npos) break;
                if (--occ == 0) return sqlite3_result_int64(ctx, static_cast<std::int64_t>(f) + 1);
                from = f + 1;
            }
        } else {
            std::int64_t from = n + pos;   // search backwards from this index
            while (from >= 0) {
                auto f = s.rfind(sub, static_cast<std::size_t>(from));
                if (f == std::string::npos) break;
                if (--occ == 0) return sqlite3_result_int64(ctx, static_cast<std::int64_t>(f) + 1);
                from = static_cast<std::int64_t>(f) - 1;
            }
        }
        sqlite3_result_int64(ctx, 0);
    });
}

template <bool Left> ORA_FN(oraPad)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        std::string s = textOf(argv[0]);
        double nd = numberOf(argv[1]);
        if (nd < 1) return sqlite3_result_null(ctx);
        // A SQL function returns at most 4000 bytes: longer pads are cut there, as Oracle does.
        auto n = static_cast<std::size_t>(std::min(nd, static_cast<double>(kMaxText)));
        std::string pad = argc > 2 ? textOf(argv[2]) : std::string(" ");
        if (pad.empty()) return sqlite3_result_null(ctx);
        if (s.size() >= n) return resultText(ctx, s.substr(0, n));
        std::string fill;
        while (fill.size() < n - s.size()) fill += pad;
        fill.resize(n - s.size());
        resultText(ctx, Left ? fill + s : s + fill);
    });
}

template <int Side> ORA_FN(oraTrim)   // 1 left, 2 right, 3 both
{
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string s = textOf(argv[0]);
    std::string set = argc > 1 ? textOf(argv[1]) : std::string(" ");
    std::size_t b = 0, e = s.size();
    if (Side & 1) while (b < e && set.find(s[b]) != std::string::npos) ++b;
    if (Side & 2) while (e > b && set.find(s[e - 1]) != std::string::npos) --e;
    resultText(ctx, s.substr(b, e - b));
}

ORA_FN(oraReplace)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    std::string s = textOf(argv[0]);
    std::string from = textOf(argv[1]);
    std::string to = argc > 2 ? textOf(argv[2]) : std::string();
    if (from.empty()) return resultText(ctx, s);
    // The result's length is known before it is built: too long fails at once.
    std::size_t count = 0;
    for (auto f = s.find(from); f != std::string::npos; f = s.find(from, f + from.size())) ++count;
    if (to.size() > from.size() && count > 0 && (to.size() - from.size()) > (kMaxText + from.size()) / count)
        raise(1489);
    if (s.size() + count * to.size() - count * from.size() > kMaxText) raise(1489);
    std::string out;
    std::size_t i = 0;
    for (;;) {
        auto f = s.find(from, i);
        if (f == std::string::npos) break;
        out += s.substr(i, f - i) + to;
        i = f + from.size();
    }
    out += s.substr(i);
    resultText(ctx, out);
}

ORA_FN(oraTranslate)
{
    if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
    std::string s = textOf(argv[0]), from = textOf(argv[1]), to = textOf(argv[2]);
    std::string out;
    for (char c : s) {
        auto f = from.find(c);
        if (f == std::string::npos) out += c;
        else if (f < to.size()) out += to[f];
    }
    resultText(ctx, out);
}

ORA_FN(oraChr)
{
    guard(ctx, [&] {
        if (isNull(argv[0])) return sqlite3_result_null(ctx);
        double v = numberOf(argv[0]);
        if (!(v >= 0 && v < 4294967296.0)) raise(1426);
        auto c = static_cast<std::uint32_t>(v);
        std::string s(1, static_cast<char>(c & 0xff));
        sqlite3_result_text(ctx, s.data(), 1, SQLITE_TRANSIENT);
    });
}

ORA_FN(oraAscii)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    std::string s = textOf(argv[0]);
    sqlite3_result_int(ctx, s.empty() ? 0 : static_cast<unsigned char>(s[0]));
}

// SOUNDEX(s): the first letter, then the codes of the following consonants (BFPV 1,
// CGJKQSXZ 2, DT 3, L 4, MN 5, R 6), a code repeated next to itself once, H and W not
// separating equal codes, vowels separating them; padded with zeros to four characters.
ORA_FN(oraSoundex)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    static const char codes[] = "01230120022455012623010202";   // A..Z
    std::string in = textOf(argv[0]), out;
    char last = 0;
    for (char raw : in) {
        unsigned char c = static_cast<unsigned char>(std::toupper(static_cast<unsigned char>(raw)));
        if (c < 'A' || c > 'Z') continue;
        char code = codes[c - 'A'];
        if (out.empty()) {
            out += static_cast<char>(c);
            last = code;
            continue;
        }
        if (c == 'H' || c == 'W') continue;
        if (code != '0' && code != last) out += code;
        last = code;
        if (out.size() == 4) break;
    }
    if (out.empty()) return sqlite3_result_null(ctx);
    out.resize(4, '0');
    resultText(ctx, out);
}

// ---------------------------------------------------------------- regular expressions

// An Oracle regular expression as POSIX compiles it: Oracle's are POSIX extended ones, with
// the Perl classes \d \s \w (and their negations) written as bracket classes here.
struct Regex {
    regex_t re;
    bool ok = false;
    Regex(const std::string &pattern, const std::string &match)
    {
        int flags = REG_EXTENDED;
        for (char m : match) {
            switch (m) {
            case 'i': flags |= REG_ICASE; break;
            case 'c': flags &= ~REG_ICASE; break;
            case 'm': flags |= REG_NEWLINE; break;
            case 'n': case 'x': break;
            default: raise(1760, "illegal argument for function");
            }
        }
        std::string p;
        bool inBracket = false;
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            char c = pattern[i];
            if (c == '[' && !inBracket) inBracket = true;
            else if (c == ']' && inBracket && i > 0 && pattern[i - 1] != '[') inBracket = false;
            if (c == '\\' && !inBracket && i + 1 < pattern.size()) {
                const char *cls = nullptr;
                switch (pattern[i + 1]) {
                case 'd': cls = "[[:digit:]]"; break;
                case 'D': cls = "[^[:digit:]]"; break;
                case 's': cls = "[[:space:]]"; break;
                case 'S': cls = "[^[:space:]]"; break;
                case 'w': cls = "[[:alnum:]_]"; break;
                case 'W': cls = "[^[:alnum:]_]"; break;
                }
                if (cls) {
                    p += cls;
                    ++i;
                    continue;
                }
            }
            p += c;
        }
        int rc = regcomp(&re, p.c_str(), flags);
        if (rc == 0) {
            ok = true;
            return;
        }
        switch (rc) {
        case REG_EBRACK: raise(12726, "unmatched bracket in regular expression");
        case REG_EPAREN: raise(12725, "unmatched parentheses in regular expression");
        case REG_ESUBREG: raise(12727, "invalid back reference in regular expression");
        case REG_ERANGE: raise(12728, "invalid range in regular expression");
        case REG_ECTYPE: raise(12729, "invalid character class in regular expression");
        case REG_ESPACE: raise(12733, "regular expression too long");
        default: raise(12722, "regular expression internal error");
        }
    }
    ~Regex()
    {
        if (ok) regfree(&re);
    }
    Regex(const Regex &) = delete;
    Regex &operator=(const Regex &) = delete;

    // The next match at or after byte `from`; false when there is none.
    bool find(const std::string &s, std::size_t from, regmatch_t *m, std::size_t groups) const
    {
        if (from > s.size()) return false;
        int flags = from > 0 && s[from - 1] != '\n' ? REG_NOTBOL : 0;
        if (regexec(&re, s.c_str() + from, groups, m, flags) != 0) return false;
        for (std::size_t g = 0; g < groups; ++g)
            if (m[g].rm_so >= 0) {
                m[g].rm_so += static_cast<regoff_t>(from);
                m[g].rm_eo += static_cast<regoff_t>(from);
            }
        return true;
    }
    // The `occurrence`th match from 1-based `position` (each match starts after the last).
    bool nth(const std::string &s, long long position, long long occurrence, regmatch_t *m, std::size_t groups) const
    {
        std::size_t at = static_cast<std::size_t>(position - 1);
        for (long long k = 0; k < occurrence; ++k) {
            if (!find(s, at, m, groups)) return false;
            at = static_cast<std::size_t>(m[0].rm_eo) + (m[0].rm_eo == m[0].rm_so ? 1 : 0);
        }
        return true;
    }
};

// A position or occurrence argument: a positive whole number (ORA-01428 otherwise).
long long countArg(sqlite3_value *v, long long lowest = 1)
{
    double d = numberOf(v);
    if (!(d >= static_cast<double>(lowest)) || d > 1e9) raise(1428, "argument '" + numberToText(d) + "' is out of range");
    return static_cast<long long>(d);
}

std::string matchArg(int argc, sqlite3_value **argv, int index)
{
    return index < argc && !isNull(argv[index]) ? textOf(argv[index]) : std::string();
}

// REGEXP_LIKE(source, pattern [, match]): 1 or 0 (null for a null source or pattern).
ORA_FN(oraRegexpLike)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    Regex re(textOf(argv[1]), matchArg(argc, argv, 2));
    regmatch_t m[1];
    sqlite3_result_int(ctx, re.find(textOf(argv[0]), 0, m, 1) ? 1 : 0);
}

// REGEXP_SUBSTR(source, pattern [, position [, occurrence [, match [, subexpression]]]])
ORA_FN(oraRegexpSubstr)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    for (int k = 2; k < argc; ++k)
        if (k != 4 && isNull(argv[k])) return sqlite3_result_null(ctx);
    std::string src = textOf(argv[0]);
    long long position = argc > 2 ? countArg(argv[2]) : 1, occurrence = argc > 3 ? countArg(argv[3]) : 1;
    long long sub = argc > 5 ? countArg(argv[5], 0) : 0;
    if (sub > 9) raise(1428, "argument '" + std::to_string(sub) + "' is out of range");
    Regex re(textOf(argv[1]), matchArg(argc, argv, 4));
    regmatch_t m[10];
    if (position > static_cast<long long>(src.size()) || !re.nth(src, position, occurrence, m, 10) ||
        m[sub].rm_so < 0 || m[sub].rm_eo == m[sub].rm_so)
        return sqlite3_result_null(ctx);
    resultText(ctx, src.substr(static_cast<std::size_t>(m[sub].rm_so), static_cast<std::size_t>(m[sub].rm_eo - m[sub].rm_so)));
}

// REGEXP_INSTR(source, pattern [, position [, occurrence [, return [, match [, subexpression]]]]]):
// where the match starts (return 0) or the position after it (return 1); 0 for none.
ORA_FN(oraRegexpInstr)
{
    if (isNull(argv[0]) || isNull(argv[1])) return sqlite3_result_null(ctx);
    for (int k = 2; k < argc; ++k)
        if (k != 5 && isNull(argv[k])) return sqlite3_result_null(ctx);
    std::string src = textOf(argv[0]);
    long long position = argc > 2 ? countArg(argv[2]) : 1, occurrence = argc > 3 ? countArg(argv[3]) : 1;
    long long after = argc > 4 ? countArg(argv[4], 0) : 0;
    long long sub = argc > 6 ? countArg(argv[6], 0) : 0;
    if (after > 1) raise(1428, "argument '" + std::to_string(after) + "' is out of range");
    if (sub > 9) raise(1428, "argument '" + std::to_string(sub) + "' is out of range");
    Regex re(textOf(argv[1]), matchArg(argc, argv, 5));
    regmatch_t m[10];
    if (position > static_cast<long long>(src.size()) || !re.nth(src, position, occurrence, m, 10) || m[sub].rm_so < 0)
        return sqlite3_result_int(ctx, 0);
    sqlite3_result_int64(ctx, (after ? m[sub].rm_eo : m[sub].rm_so) + 1);
}

// REGEXP_REPLACE(source, pattern [, replacement [, position [, occurrence [, match]]]]):
// occurrence 0 replaces every match; \1 .. \9 in the replacement are the groups.
ORA_FN(oraRegexpReplace)
{
    if (isNull(argv[0])) return sqlite3_result_null(ctx);
    if (isNull(argv[1])) return resultText(ctx, textOf(argv[0]));
    for (int k = 3; k < argc; ++k)
        if (k != 5 && isNull(argv[k])) return sqlite3_result_null(ctx);
    std::string src = textOf(argv[0]);
    std::string with = argc > 2 && !isNull(argv[2]) ? textOf(argv[2]) : std::string();
    long long position = argc > 3 ? countArg(argv[3]) : 1, occurrence = argc > 4 ? countArg(argv[4], 0) : 0;
    Regex re(textOf(argv[1]), matchArg(argc, argv, 5));
    std::string out = src.substr(0, std::min<std::size_t>(src.size(), static_cast<std::size_t>(position - 1)));
    std::size_t at = out.size();
    long long seen = 0;
    regmatch_t m[10];
    while (at <= src.size() && re.find(src, at, m, 10)) {
        std::size_t so = static_cast<std::size_t>(m[0].rm_so), eo = static_cast<std::size_t>(m[0].rm_eo);
        ++seen;
        out += src.substr(at, so - at);
        if (occurrence == 0 || seen == occurrence) {
            for (std::size_t k = 0; k < with.size(); ++k) {
                if (with[k] == '\\' && k + 1 < with.size() && std::isdigit(static_cast<unsigned char>(with[k + 1]))) {
                    int g = with[++k] - '0';
                    if (g > 0 && m[g].rm_so >= 0)
                        out += src.substr(static_cast<std::size_t>(m[g].rm_so), static_cast<std::size_t>(m[g].rm_eo - m[g].rm_so));
                    continue;
                }
                out += with[k];
            }
        } else {
            out += src.substr(so, eo - so);
        }
        if (out.size() > kMaxText) raise(1489);
        if (eo == so) {
            // An empty match: keep the next character and look again after it.
            if (so < src.size()) out += src[so];
            at = so + 1;
        } else {
            at = eo;
        }
        if (occurrence != 0 && seen == occurrence) break;
    }
    if (at < src.size()) out += src.substr(at);
    resultText(ctx, out);
}

// ---------------------------------------------------------------- conversion

// The NLS parameters of a conversion: "NLS_DATE_LANGUAGE = SPANISH",
// "NLS_NUMERIC_CHARACTERS = ',.' NLS_CURRENCY = 'EUR'", ... (ORA-12702 for anything else).
struct NlsParameters {
    std::string dateLanguage = "AMERICAN";
    NumberNls number;
    bool date = false, numeric = false;   // which kinds of parameter were given
};

NlsParameters nlsParameters(const std::string &text)
{
    auto invalid = [] { raise(12702, "invalid NLS parameter string used in SQL function"); };
    NlsParameters out;
    std::size_t i = 0;
    auto blanks = [&] { while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i; };
    blanks();
    if (i == text.size()) invalid();
    while (i < text.size()) {
        std::string name;
        while (i < text.size() && (std::isalnum(static_cast<unsigned char>(text[i])) || text[i] == '_'))
            name += static_cast<char>(std::toupper(static_cast<unsigned char>(text[i++])));
        blanks();
        if (name.empty() || i == text.size() || text[i] != '=') invalid();
        ++i;
        blanks();
        std::string value;
        if (i < text.size() && text[i] == '\'') {
            auto end = text.find('\'', i + 1);
            if (end == std::string::npos) invalid();
            value = text.substr(i + 1, end - i - 1);
            i = end + 1;
        } else {
            while (i < text.size() && !std::isspace(static_cast<unsigned char>(text[i]))) value += text[i++];
        }
        blanks();
        if (name == "NLS_DATE_LANGUAGE") {
            std::string lang;
            for (char c : value) lang += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            if (lang == "ENGLISH") lang = "AMERICAN";
            if (lang != "AMERICAN" && lang != "SPANISH") invalid();
            out.dateLanguage = lang;
            out.date = true;
        } else if (name == "NLS_NUMERIC_CHARACTERS") {
            // Two different characters, neither a digit, a sign nor '<' '>'.
            if (value.size() != 2 || value[0] == value[1]) invalid();
            for (char c : value)
                if (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '<' || c == '>') invalid();
            out.number.decimal = value[0];
            out.number.group = value[1];
            out.numeric = true;
        } else if (name == "NLS_CURRENCY") {
            if (value.empty() || value.size() > 10) invalid();
            out.number.currency = value;
            out.numeric = true;
        } else if (name == "NLS_ISO_CURRENCY" || name == "NLS_DUAL_CURRENCY") {
            out.numeric = true;   // for the C and U elements, which this instance's models lack
        } else {
            invalid();
        }
    }
    return out;
}

ORA_FN(oraToChar)
{
    guard(ctx, [&] {
        if (isNull(argv[0])) return sqlite3_result_null(ctx);
        std::int64_t d;
        bool date = dateValue(argv[0], d);
        if (argc < 2 || isNull(argv[1])) {
            if (argc >= 2) return sqlite3_result_null(ctx);
            if (date) return resultText(ctx, formatDateModel(d, host(ctx)->dateFormat()));
            return resultText(ctx, textOf(argv[0]));
        }
        std::string model = textOf(argv[1]);
        NlsParameters nls;
        if (argc > 2) {
            if (isNull(argv[2])) return sqlite3_result_null(ctx);
            nls = nlsParameters(textOf(argv[2]));
            if ((date && nls.numeric) || (!date && nls.date)) raise(12702, "invalid NLS parameter string used in SQL function");
        }
        if (date) return resultText(ctx, formatDateModel(d, model, nls.dateLanguage));
        // A text is converted to a number first when a number model is given.
        resultText(ctx, formatNumberModel(numberOf(argv[0]), model, nls.number));
    });
}

ORA_FN(oraToNumber)
{
    guard(ctx, [&] {
        if (isNull(argv[0])) return sqlite3_result_null(ctx);
        if (argc > 1 && sqlite3_value_type(argv[0]) == SQLITE_TEXT) {
            std::string s = textOf(argv[0]), clean;
            for (char c : s)
                if (c != ',' && c != '$' && c != ' ') clean += c;
            double v = 0;
            if (!parseDecimal(clean, v)) raise(1722);
            return resultNumber(ctx, v);
        }
        if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER) return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
        resultNumber(ctx, numberOf(argv[0]));
    });
}

ORA_FN(oraToDate)
{
    guard(ctx, [&] {
        if (isNull(argv[0])) return sqlite3_result_null(ctx);
        std::int64_t d;
        if (dateValue(argv[0], d) && (argc < 2 || isNull(argv[1]))) return resultDate(ctx, d);
        std::string text = textOf(argv[0]);
        std::string model = argc > 1 && !isNull(argv[1]) ? textOf(argv[1]) : std::string();
        if (model.empty()) {
            // No model: the instance's default form, then Oracle's NLS default DD-MON-RR.
            auto p = parseDate(text.data(), text.size());
            if (p) return resultDate(ctx, *p);
            model = host(ctx)->dateFormat();
        }
        resultDate(ctx, parseDateModel(text, model, host(ctx)->now()));
    });
}

ORA_FN(oraCast)
{
    guard(ctx, [&] {
        if (isNull(argv[0])) return sqlite3_result_null(ctx);
        std::string type = textOf(argv[1]);
        if (type == "NUMBER" || type == "FLOAT" || type == "DECIMAL" || type == "NUMERIC" ||
            type == "REAL" || type == "INTEGER") {
            double v = numberOf(argv[0]);
            if (type == "INTEGER") v = std::round(v);
            return resultNumber(ctx, v);
        }
        if (type == "DATE") {
            std::int64_t d;
            if (dateValue(argv[0], d)) return resultDate(ctx, d);
            std::string text = textOf(argv[0]);
            return resultDate(ctx, parseDateModel(text, host(ctx)->dateFormat(), host(ctx)->now()));
        }
        resultText(ctx, textOf(argv[0]));
    });
}

ORA_FN(oraAddMonths)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        std::int64_t d;
        if (!dateValue(argv[0], d)) raise(1858);
        Civil c = civilFromSeconds(d);
        bool lastDay = c.day == monthDays(c.year, c.month);
        double shift = numberOf(argv[1]);
        if (std::fabs(shift) > 200000) raise(1841);   // beyond any date either way
        std::int64_t total = c.year * 12LL + (c.month - 1) + wholeOf(shift);
        std::int64_t year = total >= 0 ? total / 12 : -((-total + 11) / 12);
        if (year < 1 || year > 9999) raise(1841);
        c.year = static_cast<int>(year);
        c.month = static_cast<int>(total - year * 12) + 1;
        int md = monthDays(c.year, c.month);
        if (lastDay || c.day > md) c.day = md;
        resultDate(ctx, secondsFromCivil(c));
    });
}

ORA_FN(oraMonthsBetween)
{
    guard(ctx, [&] {
        if (anyNull(argc, argv)) return sqlite3_result_null(ctx);
        std::int64_t a, b;
        if (!dateValue(argv[0], a) || !dateValue(argv[1], b)) raise(1858);
        Civil x = civilFromSeconds(a), y = civilFromSeconds(b);
        double months = (x.year - y.year) * 12.0 + (x.month - y.month);
        bool xl = x.day == monthDays(x.year, x.month), yl = y.day == monthDays(y.year, y.month);
        if (x.day != y.day && !(xl && yl)) {
            double xs = x.day + (x.hour * 3600 + x.minute * 60 + x.second) / 86400.0;
            double ys = y.day + (y.hour * 3600 + y.minute * 60 + y.second) / 86400.0;
            months += (xs - ys) / 31.0;
        }
        resultNumber(ctx, months);
    });
}

ORA_FN(oraLastDay)
{
    guard(ctx, [&] {
        if (isNull(argv[0])) return sqlite3_result_null(ctx);
        std::int64_t d;
        if (!dateValue(argv[0], d)) raise(1858);
        Civil c = civilFromSeconds(d);
        c.day = monthDays(c.year, c.month);
        resultDate(ctx, secondsFromCivil(c));
    });
}

// ora_fit(value, type, size, scale): the value as a column of that type stores it.
ORA_FN(oraFit)
{
    guard(ctx, [&] {
        if (isNull(argv[0])) return sqlite3_result_null(ctx);
        std::string type = textOf(argv[1]);
        int size = sqlite3_value_int(argv[2]), scale = sqlite3_value_int(argv[3]);
        if (type == "NUMBER") {
            std::int64_t d;
            if (dateValue(argv[0], d)) raise(932, "inconsistent datatypes: expected NUMBER got DATE");
            double v = roundTo(numberOf(argv[0]), scale, false);
            if (std::fabs(v) >= std::pow(10.0, size - scale))
                raise(1438, "value larger than specified precision allows for this column");
            if (sqlite3_value_type(argv[0]) == SQLITE_INTEGER && scale >= 0)
                return sqlite3_result_int64(ctx, sqlite3_value_int64(argv[0]));
            return resultNumber(ctx, v);
        }
        if (type == "DATE") {
            std::int64_t d;
            if (dateValue(argv[0], d)) return sqlite3_result_value(ctx, argv[0]);
            if (sqlite3_value_type(argv[0]) != SQLITE_TEXT) raise(932, "inconsistent datatypes: expected DATE got NUMBER");
            return resultDate(ctx, parseDateModel(textOf(argv[0]), host(ctx)->dateFormat(), host(ctx)->now()));
        }
        std::string text = textOf(argv[0]);
        if (static_cast<int>(text.size()) > size) raise(1401, "inserted value too large for column");
        // CHAR values are kept unpadded: comparisons with literals then match as Oracle's
        // blank-padded comparison does.
        if (sqlite3_value_type(argv[0]) == SQLITE_TEXT) return sqlite3_result_value(ctx, argv[0]);
        resultText(ctx, text);
    });
}

// ora_raise(code): raises ORA-<code> with its standard text.
ORA_FN(oraRaise)
{
    guard(ctx, [&] { raise(static_cast<int>(sqlite3_value_int64(argv[0]))); });
}

// ---------------------------------------------------------------- session values

ORA_FN(oraSysdate)
{
    guard(ctx, [&] { resultDate(ctx, host(ctx)->now()); });
}
ORA_FN(oraUser) { resultText(ctx, host(ctx)->currentUser()); }
ORA_FN(oraUid) { sqlite3_result_int64(ctx, host(ctx)->currentUid()); }
ORA_FN(oraUserenv)
{
    std::string what = textOf(argv[0]);
    for (auto &c : what) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (what == "SESSIONID") return sqlite3_result_int64(ctx, host(ctx)->currentSid());
    if (what == "TERMINAL") return resultText(ctx, "SIM");
    if (what == "LANGUAGE") return resultText(ctx, "AMERICAN_AMERICA.WE8ISO8859P1");
    if (what == "ISDBA") return resultText(ctx, "FALSE");
    sqlite3_result_error(ctx, "ORA-02003: invalid USERENV parameter", -1);
}

// ora_connect_check(path, rn, nocycle): false (nocycle) or ORA-01436 when the row is
// already on the path from its root, true otherwise.
ORA_FN(oraConnectCheck)
{
    const char *path = reinterpret_cast<const char *>(sqlite3_value_text(argv[0]));
    char key[32];
    std::snprintf(key, sizeof key, "/%010lld", static_cast<long long>(sqlite3_value_int64(argv[1])));
    bool loop = false;
    if (path) {
        std::size_t kl = std::strlen(key);
        for (const char *p = std::strstr(path, key); p; p = std::strstr(p + 1, key))
            if (p[kl] == '\0' || p[kl] == '/') { loop = true; break; }
    }
    if (!loop) return sqlite3_result_int(ctx, 1);
    if (sqlite3_value_int(argv[2])) return sqlite3_result_int(ctx, 0);
    sqlite3_result_error(ctx, "ORA-01436: CONNECT BY loop in user data", -1);
}

// Row generators count the rows they make in each run: ora_connect_start(id) (in the
// generator's first step, which runs before any other) zeroes run `id`'s total and
// ora_connect_guard(weight, limit, id) adds each row's weight, true while the total stays
// within `limit`, ORA-30009 beyond it.
std::mutex generatorMutex;
std::map<std::pair<sqlite3 *, long long>, long long> generatorTotals;

ORA_FN(oraConnectStart)
{
    std::lock_guard<std::mutex> lock(generatorMutex);
    generatorTotals[{sqlite3_context_db_handle(ctx), sqlite3_value_int64(argv[0])}] = 0;
    sqlite3_result_int(ctx, 1);
}

ORA_FN(oraConnectGuard)
{
    long long total;
    {
        std::lock_guard<std::mutex> lock(generatorMutex);
        total = generatorTotals[{sqlite3_context_db_handle(ctx), sqlite3_value_int64(argv[2])}] +=
            std::max<long long>(1, sqlite3_value_int64(argv[0]));
    }
    if (total > sqlite3_value_int64(argv[1]))
        return sqlite3_result_error(ctx, "ORA-30009: Not enough memory for CONNECT BY operation", -1);
    sqlite3_result_int(ctx, 1);
}

// ---------------------------------------------------------------- aggregates

struct Moments {
    double n, sum, sumsq;
};

void momentsStep(sqlite3_context *ctx, int, sqlite3_value **argv)
{
    auto *m = static_cast<Moments *>(sqlite3_aggregate_context(ctx, sizeof(Moments)));
    if (!m || isNull(argv[0])) return;
    double v = sqlite3_value_double(argv[0]);
    m->n += 1;
    m->sum += v;
    m->sumsq += v * v;
}

template <bool Stddev> void momentsFinal(sqlite3_context *ctx)
{
    auto *m = static_cast<Moments *>(sqlite3_aggregate_context(ctx, 0));
    if (!m || m->n == 0) return sqlite3_result_null(ctx);
    if (m->n == 1) return sqlite3_result_int(ctx, 0);
    double var = (m->sumsq - m->sum * m->sum / m->n) / (m->n - 1);
    if (var < 0) var = 0;
    resultNumber(ctx, Stddev ? std::sqrt(var) : var);
}

} // namespace

// ---------------------------------------------------------------- text forms

std::string numberToDisplay(double v)
{
    if (v == 0) return "0";
    const double magnitude = std::fabs(v);
    if (v == std::floor(v) && magnitude < 9.0e18) {
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, static_cast<long long>(v));
        return std::string(buf, r.ptr);
    }
    if (magnitude >= 1e-4 && magnitude < 1e15) {
        // The shortest decimals that read back as v: when they need at most 15 significant
        // digits they are exactly what rounding to 15 digits writes, without its cost.
        char buf[48];
        auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
        if (r.ec == std::errc()) {
            int digits = 0;
            bool leading = true;
            for (const char *p = buf; p != r.ptr; ++p) {
                if (*p < '0' || *p > '9') continue;
                if (leading && *p == '0') continue;
                leading = false;
                ++digits;
            }
            if (digits <= 15) return std::string(buf, r.ptr);
        }
    }
    if (v == std::floor(v) && magnitude < 1e21) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", v);
        return buf;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", v);
    std::string s = buf;
    auto e = s.find('e');
    if (e != std::string::npos) {
        // Small or huge magnitudes: write them out in plain decimals when reasonable.
        int exp = std::atoi(s.c_str() + e + 1);
        if (exp >= -20 && exp < 0) {
            std::snprintf(buf, sizeof buf, "%.*f", std::min(-exp + 14, 40), v);
            s = buf;
        } else {
            std::string mant = s.substr(0, e);
            if (mant.find('.') != std::string::npos) {
                while (mant.back() == '0') mant.pop_back();
                if (mant.back() == '.') mant.pop_back();
            }
            return mant + "E" + (exp >= 0 ? "+" : "") + std::to_string(exp);
        }
    }
    if (s.find('.') != std::string::npos) {
        while (s.back() == '0') s.pop_back();
        if (s.back() == '.') s.pop_back();
    }
    return s;
}

std::string numberToText(double v)
{
    std::string s = numberToDisplay(v);
    if (s.size() > 2 && s[0] == '0' && s[1] == '.') return s.substr(1);
    if (s.size() > 3 && s[0] == '-' && s[1] == '0' && s[2] == '.') return "-" + s.substr(2);
    return s;
}

std::string formatDate(std::int64_t t)
{
    Civil c = civilFromSeconds(t);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", c.year, c.month, c.day, c.hour,
                  c.minute, c.second);
    return buf;
}

std::optional<std::int64_t> parseDate(const char *s, std::size_t n)
{
    if (!isDateText(s, n)) return std::nullopt;
    auto num = [&](int from, int len) {
        int v = 0;
        for (int i = 0; i < len; ++i) v = v * 10 + (s[from + i] - '0');
        return v;
    };
    Civil c{num(0, 4), num(5, 2), num(8, 2), num(11, 2), num(14, 2), num(17, 2)};
    if (c.month < 1 || c.month > 12 || c.day < 1 || c.day > monthDays(c.year, c.month) || c.hour > 23 ||
        c.minute > 59 || c.second > 59)
        return std::nullopt;
    return secondsFromCivil(c);
}

namespace {

// Splits a format model into its elements; quoted text and punctuation pass through.
struct ModelElement {
    std::string code;     // upper-case element (YYYY, MON, ...), or empty for literal text
    std::string literal;
    int caseStyle = 0;    // for words: 0 upper, 1 capitalised, 2 lower
};

std::vector<ModelElement> splitDateModel(const std::string &model)
{
    static const char *codes[] = {"SYYYY", "YYYY", "RRRR", "MONTH", "HH24", "HH12", "SSSSS", "YYY", "DDD",
                                  "MON", "DAY", "A.M.", "P.M.", "YY", "RR", "MM", "DD", "DY", "HH",
                                  "MI", "SS", "AM", "PM", "FM", "Y", "D", "J", "Q", "WW", "W"};
    std::vector<ModelElement> out;
    std::size_t i = 0;
    while (i < model.size()) {
        if (model[i] == '"') {
            auto end = model.find('"', i + 1);
            if (end == std::string::npos) raise(1861);
            out.push_back({"", model.substr(i + 1, end - i - 1), 0});
            i = end + 1;
            continue;
        }
        bool matched = false;
        for (const char *c : codes) {
            std::size_t len = std::strlen(c);
            if (i + len > model.size()) continue;
            bool eq = true;
            for (std::size_t k = 0; k < len && eq; ++k)
                eq = std::toupper(static_cast<unsigned char>(model[i + k])) == c[k];
            if (!eq) continue;
            ModelElement e;
            e.code = c;
            if (std::isalpha(static_cast<unsigned char>(model[i]))) {
                bool firstUpper = std::isupper(static_cast<unsigned char>(model[i]));
                bool secondUpper = len > 1 && std::isupper(static_cast<unsigned char>(model[i + 1]));
                e.caseStyle = firstUpper ? (secondUpper || len == 1 ? 0 : 1) : 2;
            }
            out.push_back(e);
            i += len;
            matched = true;
            break;
        }
        if (matched) continue;
        unsigned char ch = static_cast<unsigned char>(model[i]);
        if (std::isalnum(ch)) raise(1821);
        out.push_back({"", std::string(1, model[i]), 0});
        ++i;
    }
    return out;
}

std::string styled(std::string word, int style)
{
    for (std::size_t k = 0; k < word.size(); ++k) {
        unsigned char c = static_cast<unsigned char>(word[k]);
        bool lower = style == 2 || (style == 1 && k > 0);
        if (!lower) continue;
        word[k] = static_cast<char>(std::tolower(c));
        // The accented capitals of the date languages: C3 80..9E lower to C3 A0..BE.
        if (c == 0xC3 && k + 1 < word.size() && k > 0) {
            unsigned char n = static_cast<unsigned char>(word[k + 1]);
            if (n >= 0x80 && n <= 0x9E) word[k + 1] = static_cast<char>(n + 0x20);
            ++k;
        }
    }
    return word;
}

// Pads a UTF-8 word with blanks to `width` characters.
std::string padded(std::string word, int width)
{
    int chars = 0;
    for (unsigned char c : word)
        if ((c & 0xC0) != 0x80) ++chars;
    if (chars < width) word.append(static_cast<std::size_t>(width - chars), ' ');
    return word;
}

} // namespace

std::string formatDateModel(std::int64_t t, const std::string &model)
{
    return formatDateModel(t, model, "AMERICAN");
}

std::string formatDateModel(std::int64_t t, const std::string &model, const std::string &language)
{
    const DateLanguage &lang = language == "SPANISH" ? kSpanish : kAmerican;
    Civil c = civilFromSeconds(t);
    std::int64_t days = daysFromCivil(c.year, c.month, c.day);
    int weekday = static_cast<int>(((days % 7) + 11) % 7);   // 0 = Sunday
    int yday = static_cast<int>(days - daysFromCivil(c.year, 1, 1)) + 1;
    bool fm = false;
    std::string out;
    char buf[32];
    auto num = [&](long v, int width) {
        if (fm) std::snprintf(buf, sizeof buf, "%ld", v);
        else std::snprintf(buf, sizeof buf, "%0*ld", width, v);
        out += buf;
    };
    for (const auto &e : splitDateModel(model)) {
        const std::string &k = e.code;
        if (k.empty()) out += e.literal;
        else if (k == "FM") fm = !fm;
        else if (k == "YYYY" || k == "RRRR" || k == "SYYYY") num(c.year, 4);
        else if (k == "YYY") num(c.year % 1000, 3);
        else if (k == "YY" || k == "RR") num(c.year % 100, 2);
        else if (k == "Y") num(c.year % 10, 1);
        else if (k == "MM") num(c.month, 2);
        else if (k == "MON") out += styled(lang.monthAbbr[c.month - 1], e.caseStyle);
        else if (k == "MONTH") {
            std::string m = styled(lang.months[c.month - 1], e.caseStyle);
            out += fm ? m : padded(m, lang.monthWidth);
        } else if (k == "DD") num(c.day, 2);
        else if (k == "DDD") num(yday, 3);
        else if (k == "D") num(weekday + 1, 1);
        else if (k == "DY") out += styled(lang.dayAbbr[weekday], e.caseStyle);
        else if (k == "DAY") {
            std::string d = styled(lang.days[weekday], e.caseStyle);
            out += fm ? d : padded(d, lang.dayWidth);
        } else if (k == "HH24") num(c.hour, 2);
        else if (k == "HH" || k == "HH12") num(c.hour % 12 == 0 ? 12 : c.hour % 12, 2);
        else if (k == "MI") num(c.minute, 2);
        else if (k == "SS") num(c.second, 2);
        else if (k == "SSSSS") num(c.hour * 3600 + c.minute * 60 + c.second, 5);
        else if (k == "AM" || k == "PM") out += styled(c.hour < 12 ? "AM" : "PM", e.caseStyle);
        else if (k == "A.M." || k == "P.M.") out += styled(c.hour < 12 ? "A.M." : "P.M.", e.caseStyle);
        else if (k == "J") num(static_cast<long>(days + 2440588), 7);
        else if (k == "Q") num((c.month - 1) / 3 + 1, 1);
        else if (k == "WW") num((yday - 1) / 7 + 1, 2);
        else if (k == "W") num((c.day - 1) / 7 + 1, 1);
        if (out.size() > kMaxText) raise(1801);
    }
    return out;
}

std::int64_t parseDateModel(const std::string &text, const std::string &model, std::int64_t now)
{
    Civil nowC = civilFromSeconds(now);
    Civil c{nowC.year, nowC.month, 1, 0, 0, 0};
    bool pm = false, ampm = false;
    std::size_t i = 0;
    auto skipBlanks = [&] { while (i < text.size() && text[i] == ' ') ++i; };
    auto number = [&](int maxDigits) {
        skipBlanks();
        int v = 0, digits = 0;
        bool neg = false;
        if (i < text.size() && (text[i] == '-' || text[i] == '+') && maxDigits >= 4) neg = text[i++] == '-';
        while (i < text.size() && digits < maxDigits && std::isdigit(static_cast<unsigned char>(text[i]))) {
            v = v * 10 + (text[i++] - '0');
            ++digits;
        }
        if (digits == 0) raise(1858);
        return neg ? -v : v;
    };
    auto word = [&](const char *const *names, int count, std::size_t len) {
        skipBlanks();
        for (int k = 0; k < count; ++k) {
            std::string n = names[k];
            std::size_t l = len ? len : n.size();
            if (i + l > text.size()) continue;
            bool eq = true;
            for (std::size_t j = 0; j < l && eq; ++j)
                eq = std::toupper(static_cast<unsigned char>(text[i + j])) == n[j];
            if (eq) {
                i += l;
                return k;
            }
        }
        raise(1843);
    };
    for (const auto &e : splitDateModel(model)) {
        const std::string &k = e.code;
        if (k.empty()) {
            // Punctuation in the model matches any punctuation or blanks in the text.
            while (i < text.size() && !std::isalnum(static_cast<unsigned char>(text[i]))) ++i;
            continue;
        }
        if (k == "FM") continue;
        if (k == "YYYY" || k == "SYYYY" || k == "RRRR") {
            std::size_t start = i;
            c.year = number(4);
            if (k == "RRRR" && i - start <= 2) c.year += c.year < 50 ? 2000 : 1900;
        } else if (k == "YY") c.year = nowC.year / 100 * 100 + number(2);
        else if (k == "RR") {
            int y = number(2);
            c.year = (y < 50 ? 2000 : 1900) + y;
        } else if (k == "Y") c.year = nowC.year / 10 * 10 + number(1);
        else if (k == "MM") c.month = number(2);
        else if (k == "MON") c.month = word(kMonths, 12, 3) + 1;
        else if (k == "MONTH") {
            c.month = word(kMonths, 12, 0) + 1;
        } else if (k == "DD") c.day = number(2);
        else if (k == "DY") word(kDays, 7, 3);
        else if (k == "DAY") word(kDays, 7, 0);
        else if (k == "HH24") c.hour = number(2);
        else if (k == "HH" || k == "HH12") { c.hour = number(2); if (c.hour < 1 || c.hour > 12) raise(1849); }
        else if (k == "MI") c.minute = number(2);
        else if (k == "SS") c.second = number(2);
        else if (k == "SSSSS") {
            int s = number(5);
            c.hour = s / 3600; c.minute = s / 60 % 60; c.second = s % 60;
        } else if (k == "AM" || k == "PM" || k == "A.M." || k == "P.M.") {
            static const char *marks[] = {"AM", "PM", "A.M.", "P.M."};
            int m = word(marks, 4, 0);
            ampm = true;
            pm = m % 2 == 1;
        } else if (k == "J") {
            std::int64_t j = number(7);
            Civil d = civilFromSeconds((j - 2440588) * 86400);
            c.year = d.year; c.month = d.month; c.day = d.day;
        } else if (k == "DDD") {
            int yd = number(3);
            Civil d = civilFromSeconds((daysFromCivil(c.year, 1, 1) + yd - 1) * 86400);
            c.month = d.month; c.day = d.day;
        } else {
            number(2);
        }
    }
    skipBlanks();
    if (i < text.size()) raise(1830);
    if (ampm) {
        if (pm && c.hour < 12) c.hour += 12;
        if (!pm && c.hour == 12) c.hour = 0;
    }
    if (c.month < 1 || c.month > 12) raise(1843);
    if (c.day < 1 || c.day > monthDays(c.year, c.month)) raise(1847);
    if (c.hour > 23) raise(1850);
    if (c.minute > 59) raise(1851);
    if (c.second > 59) raise(1852);
    if (c.year == 0 || c.year < -4712 || c.year > 9999) raise(1841);
    return secondsFromCivil(c);
}

std::string formatNumberModel(double v, const std::string &modelIn)
{
    return formatNumberModel(v, modelIn, NumberNls());
}

// Elements: 9 0 , . D G $ L (local currency, first or last) MI (trailing sign, last) FM.
std::string formatNumberModel(double v, const std::string &modelIn, const NumberNls &nls)
{
    std::string model;
    bool fm = false, dollar = false, local = false, trailingSign = false, nlsMarks = false, plainMarks = false;
    for (std::size_t i = 0; i < modelIn.size(); ++i) {
        char c = static_cast<char>(std::toupper(static_cast<unsigned char>(modelIn[i])));
        char next = i + 1 < modelIn.size() ? static_cast<char>(std::toupper(static_cast<unsigned char>(modelIn[i + 1]))) : 0;
        if (c == 'F' && next == 'M') {
            fm = true;
            ++i;
            continue;
        }
        if (c == 'M' && next == 'I') {
            if (i + 2 != modelIn.size() || trailingSign) raise(1481);
            trailingSign = true;
            ++i;
            continue;
        }
        if (c == '$') { dollar = true; continue; }
        if (c == 'L') {
            bool first = model.empty(), last = i + 1 == modelIn.size() || (i + 3 == modelIn.size() && next == 'M');
            if (local || dollar || !(first || last)) raise(1481);
            local = true;
            continue;
        }
        if (c == 'D' || c == 'G') nlsMarks = true;
        if (c == '.' || c == ',') plainMarks = true;
        if (c == 'D') c = '.';
        if (c == 'G') c = ',';
        if (c != '9' && c != '0' && c != ',' && c != '.') raise(1481);
        model += c;
    }
    if (nlsMarks && plainMarks) raise(1481);   // D and G do not mix with '.' and ','
    if (std::count(model.begin(), model.end(), '.') > 1) raise(1481);
    auto dot = model.find('.');
    std::string intPart = model.substr(0, dot);
    int decimals = 0;
    if (dot != std::string::npos)
        for (char c : model.substr(dot + 1))
            if (c == '9' || c == '0') ++decimals;
    int intDigits = 0;
    for (char c : intPart)
        if (c == '9' || c == '0') ++intDigits;
    if (intDigits + decimals > 62) raise(1481);   // more digits than a NUMBER can show
    double r = roundTo(std::fabs(v), decimals, false);
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, r);
    std::string digits = buf;
    std::string whole = digits.substr(0, digits.find('.'));
    std::string frac = decimals ? digits.substr(digits.find('.') + 1) : std::string();
    if (whole == "0") whole.clear();
    if (static_cast<int>(whole.size()) > intDigits) {
        return std::string(model.size() + 2 + (dollar ? 1 : 0), '#');
    }
    // Leading zeros where the model asks for them (a 0 at or before the digit position).
    auto firstZero = intPart.find('0');
    int zeroDigits = 0;
    if (firstZero != std::string::npos)
        for (char c : intPart.substr(firstZero))
            if (c == '9' || c == '0') ++zeroDigits;
    while (static_cast<int>(whole.size()) < zeroDigits) whole = "0" + whole;
    if (whole.empty() && decimals == 0) whole = "0";
    // Place the digits into the integer part of the model, right to left.
    std::string out;
    int wi = static_cast<int>(whole.size()) - 1;
    for (int mi = static_cast<int>(intPart.size()) - 1; mi >= 0; --mi) {
        char m = intPart[mi];
        if (m == ',') {
            if (wi >= 0) out.insert(out.begin(), ',');
            else if (!fm) out.insert(out.begin(), ' ');
        } else if (wi >= 0) {
            out.insert(out.begin(), whole[wi--]);
        } else if (!fm) {
            out.insert(out.begin(), ' ');
        }
    }
    if (dollar) {
        auto firstDigit = out.find_first_not_of(' ');
        if (firstDigit == std::string::npos) firstDigit = out.size();
        out.insert(firstDigit, "$");
    }
    if (dot != std::string::npos) {
        out += ".";
        out += frac;
    }
    if (nlsMarks) {
        // D and G stand for the session's (or the call's) decimal and group characters.
        for (auto &ch : out) {
            if (ch == '.') ch = '\x01';
            else if (ch == ',') ch = '\x02';
        }
        for (auto &ch : out) {
            if (ch == '\x01') ch = nls.decimal;
            else if (ch == '\x02') ch = nls.group;
        }
    }
    bool negative = v < 0 && r != 0;
    if (local) {
        // L: the currency symbol next to the number, in a field of ten characters.
        auto firstDigit = out.find_first_not_of(' ');
        if (firstDigit == std::string::npos) firstDigit = out.size();
        out.insert(firstDigit, nls.currency);
        if (!fm) {
            std::size_t chars = 0;
            for (unsigned char ch : nls.currency)
                if ((ch & 0xC0) != 0x80) ++chars;
            if (chars < 10) out.insert(0, 10 - chars, ' ');
        }
    }
    auto firstDigit = out.find_first_not_of(' ');
    if (firstDigit == std::string::npos) firstDigit = out.size();
    if (trailingSign) {
        // MI: the sign after the number, a blank there for positive values.
        if (negative) out += "-";
        else if (!fm) out += " ";
    } else if (negative) {
        out.insert(firstDigit, "-");
    } else if (!fm) {
        out.insert(firstDigit, " ");   // Oracle reserves the sign position as a leading blank
    }
    if (fm) {
        auto b = out.find_first_not_of(' ');
        out = b == std::string::npos ? std::string() : out.substr(b);
    }
    return out;
}

namespace {
// Every function runs inside guard(): an error in any of them, a C++ exception included,
// reaches SQLite as an error result and never unwinds through SQLite's frames.
template <void (*F)(sqlite3_context *, int, sqlite3_value **)>
void guarded(sqlite3_context *ctx, int argc, sqlite3_value **argv)
{
    guard(ctx, [&] { F(ctx, argc, argv); });
}
} // namespace

void registerFunctions(sqlite3 *db, FunctionHost *h)
{
    struct Def {
        const char *name;
        int args;
        void (*fn)(sqlite3_context *, int, sqlite3_value **);
        bool deterministic;
    };
    static const Def defs[] = {
        {"ora_div", 2, guarded<oraDiv>, true},
        {"ora_add", 2, guarded<oraAdd>, true},
        {"ora_sub", 2, guarded<oraSub>, true},
        {"ora_concat", -1, guarded<oraConcat>, true},
        {"ora_chain", -1, guarded<oraChain>, true},
        {"ora_greatest", -1, guarded<oraExtreme<true>>, true},
        {"ora_least", -1, guarded<oraExtreme<false>>, true},
        {"ora_abs", 1, guarded<oraAbs>, true},
        {"ora_mod", 2, guarded<oraMod>, true},
        {"ora_round", -1, guarded<oraRoundTrunc<false>>, true},
        {"ora_trunc", -1, guarded<oraRoundTrunc<true>>, true},
        {"ora_ceil", 1, guarded<oraMath1<std::ceil>>, true},
        {"ora_floor", 1, guarded<oraMath1<std::floor>>, true},
        {"ora_sqrt", 1, guarded<oraMath1<sqrtChecked>>, true},
        {"ora_sign", 1, guarded<oraMath1<signOf>>, true},
        {"ora_exp", 1, guarded<oraMath1<std::exp>>, true},
        {"ora_ln", 1, guarded<oraMath1<lnChecked>>, true},
        {"ora_power", 2, guarded<oraPower>, true},
        {"ora_log", 2, guarded<oraLog>, true},
        {"ora_upper", 1, guarded<oraCase<0>>, true},
        {"ora_lower", 1, guarded<oraCase<1>>, true},
        {"ora_initcap", 1, guarded<oraCase<2>>, true},
        {"ora_length", 1, guarded<oraLength>, true},
        {"ora_substr", -1, guarded<oraSubstr>, true},
        {"ora_instr", -1, guarded<oraInstr>, true},
        {"ora_lpad", -1, guarded<oraPad<true>>, true},
        {"ora_rpad", -1, guarded<oraPad<false>>, true},
        {"ora_ltrim", -1, guarded<oraTrim<1>>, true},
        {"ora_rtrim", -1, guarded<oraTrim<2>>, true},
        {"ora_trim", -1, guarded<oraTrim<3>>, true},
        {"ora_replace", -1, guarded<oraReplace>, true},
        {"ora_translate", 3, guarded<oraTranslate>, true},
        {"ora_chr", 1, guarded<oraChr>, true},
        {"ora_ascii", 1, guarded<oraAscii>, true},
        {"ora_to_char", -1, guarded<oraToChar>, true},
        {"ora_to_number", -1, guarded<oraToNumber>, true},
        {"ora_to_date", -1, guarded<oraToDate>, false},
        {"ora_cast", 2, guarded<oraCast>, false},
        {"ora_fit", 4, guarded<oraFit>, false},
        {"ora_raise", 1, guarded<oraRaise>, false},
        {"ora_add_months", 2, guarded<oraAddMonths>, true},
        {"ora_months_between", 2, guarded<oraMonthsBetween>, true},
        {"ora_last_day", 1, guarded<oraLastDay>, true},
        {"ora_sysdate", 0, guarded<oraSysdate>, false},
        // USER stays the same for the whole of a statement's run: SQLite may evaluate it
        // once per run, and the dictionary's guarded views rely on that.
        {"ora_user", 0, guarded<oraUser>, true},
        {"ora_uid", 0, guarded<oraUid>, false},
        {"ora_userenv", 1, guarded<oraUserenv>, false},
        {"ora_connect_check", 3, guarded<oraConnectCheck>, true},
        {"ora_soundex", 1, guarded<oraSoundex>, true},
        {"ora_regexp_like", -1, guarded<oraRegexpLike>, true},
        {"ora_regexp_substr", -1, guarded<oraRegexpSubstr>, true},
        {"ora_regexp_instr", -1, guarded<oraRegexpInstr>, true},
        {"ora_regexp_replace", -1, guarded<oraRegexpReplace>, true},
        {"ora_connect_start", 1, guarded<oraConnectStart>, false},
        {"ora_connect_guard", 3, guarded<oraConnectGuard>, false},
    };
    for (const Def &d : defs) {
        int flags = SQLITE_UTF8 | (d.deterministic ? SQLITE_DETERMINISTIC : 0);
        sqlite3_create_function_v2(db, d.name, d.args, flags, h, d.fn, nullptr, nullptr, nullptr);
    }
    sqlite3_create_function_v2(db, "ora_stddev", 1, SQLITE_UTF8, h, nullptr, momentsStep, momentsFinal<true>, nullptr);
    sqlite3_create_function_v2(db, "ora_variance", 1, SQLITE_UTF8, h, nullptr, momentsStep, momentsFinal<false>, nullptr);
}

} // namespace sim
