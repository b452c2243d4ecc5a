#pragma once
// A value read from an Oracle result or bind variable: null, number, text or date.
// Numbers keep Oracle's text form (no trailing zeros, no ".0"); dates read as
// "YYYY-MM-DD HH24:MI:SS".
#include <cstdint>
#include <string>

// The namespace sits in an inline namespace because POSIX declares a function
// ::access() (unistd.h, pulled in by <memory>); write access::OraSession as usual, and
// forward-declare through accessfwd.h, never with a bare "namespace access {".
inline namespace sqlvigil {
namespace access {

class OraValue {
public:
    enum class Kind { Null, Number, Text, Date };

    OraValue() = default;                       // null
    static OraValue number(double v);
    static OraValue numberText(std::string canonical, double v);  // keeps exact digits
    static OraValue text(std::string v);        // empty text stays text only for the caller; Oracle never returns ''
    static OraValue date(std::int64_t unixSeconds);
    // A date already in its text form "YYYY-MM-DD HH24:MI:SS" (no second conversion).
    static OraValue dateText(std::string canonical, std::int64_t unixSeconds);

    Kind kind() const { return m_kind; }
    bool isNull() const { return m_kind == Kind::Null; }
    // Text form: number without trailing zeros, date as above, null as "".
    const std::string &toString() const { return m_text; }
    // Numeric form: numbers as they are, texts parsed (0 when not numeric), dates as unix seconds.
    double toDouble() const { return m_number; }
    std::int64_t dateSeconds() const { return static_cast<std::int64_t>(m_number); }

    static std::string formatNumber(double v);  // Oracle's text form of a NUMBER

private:
    Kind m_kind = Kind::Null;
    std::string m_text;
    double m_number = 0;
};

} // namespace access
} // namespace sqlvigil
