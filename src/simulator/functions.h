#pragma once
// Oracle's scalar functions, arithmetic and conversions as SQLite functions (ora_*), and
// the value forms the instance uses: NUMBER values are SQLite integers or reals, DATE
// values the text "YYYY-MM-DD HH24:MI:SS" (UTC; the instance clock is in unix seconds),
// and Oracle's empty string is NULL.
#include <cstdint>
#include <optional>
#include <string>

struct sqlite3;

namespace sim {

// What the functions read from the instance and the running statement.
class FunctionHost {
public:
    virtual ~FunctionHost() = default;
    virtual std::int64_t now() const = 0;            // SYSDATE, unix seconds
    virtual std::string currentUser() const = 0;     // USER
    virtual long currentUid() const = 0;             // UID
    virtual long currentSid() const = 0;             // USERENV('SESSIONID')
    // The running session's NLS_DATE_FORMAT: implicit conversions between DATE and text.
    virtual std::string dateFormat() const { return "DD-MON-RR"; }
};

void registerFunctions(sqlite3 *db, FunctionHost *host);

// Oracle's text form of a NUMBER in SQL (TO_CHAR without format): "3.5", ".5", "-2", "100".
std::string numberToText(double v);
// The same with a leading "0" before the decimal point, as a client shows values: "0.5".
std::string numberToDisplay(double v);
std::string formatDate(std::int64_t unixSeconds);        // "YYYY-MM-DD HH24:MI:SS"
std::optional<std::int64_t> parseDate(const char *text, std::size_t len);   // that form only
inline bool isDateText(const char *s, std::size_t n)
{
    auto d = [&](std::size_t i) { return s[i] >= '0' && s[i] <= '9'; };
    return n == 19 && d(0) && d(1) && d(2) && d(3) && s[4] == '-' && d(5) && d(6) && s[7] == '-' &&
           d(8) && d(9) && s[10] == ' ' && d(11) && d(12) && s[13] == ':' && d(14) && d(15) &&
           s[16] == ':' && d(17) && d(18);
}

// Date and number formatting with Oracle format models (TO_CHAR), exposed for tests.
std::string formatDateModel(std::int64_t unixSeconds, const std::string &model);
// The same in a date language: "AMERICAN" or "SPANISH" (NLS_DATE_LANGUAGE).
std::string formatDateModel(std::int64_t unixSeconds, const std::string &model, const std::string &language);
// Parses text by an Oracle date format model (TO_DATE); throws SimError.
std::int64_t parseDateModel(const std::string &text, const std::string &model, std::int64_t now);
std::string formatNumberModel(double v, const std::string &model);
// The characters a number model's D, G and L elements stand for (NLS_NUMERIC_CHARACTERS,
// NLS_CURRENCY).
struct NumberNls {
    char decimal = '.', group = ',';
    std::string currency = "$";
};
std::string formatNumberModel(double v, const std::string &model, const NumberNls &nls);

} // namespace sim
