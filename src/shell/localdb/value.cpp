#include "jetsql.h"
#include "localdb.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace localdb {

Value Value::date(const std::string &canonical)
{
    Value v;
    v.m_kind = Kind::Date;
    std::string c = jet::canonicalDate(canonical);
    v.m_text = c.empty() ? canonical : c;
    return v;
}

Value Value::today()
{
    return date(jet::todayCanonical());
}

static std::string formatDouble(double d)
{
    if (std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 1e15) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%.0f", d);
        return buf;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.15g", d);
    return buf;
}

std::string Value::toString() const
{
    switch (m_kind) {
    case Kind::Null:
        return {};
    case Kind::Integer:
        return std::to_string(m_int);
    case Kind::Double:
        return formatDouble(m_double);
    case Kind::Text:
        return m_text;
    case Kind::Date:
        if (m_text.size() == 19 && m_text.compare(10, 9, " 00:00:00") == 0)
            return m_text.substr(0, 10);
        return m_text;
    }
    return {};
}

double Value::toDouble() const
{
    switch (m_kind) {
    case Kind::Integer:
        return static_cast<double>(m_int);
    case Kind::Double:
        return m_double;
    case Kind::Text:
        return std::strtod(m_text.c_str(), nullptr);
    case Kind::Date:
        return jet::serialFromCanonical(m_text, nullptr);
    default:
        return 0;
    }
}

long long Value::toInt() const
{
    if (m_kind == Kind::Integer)
        return m_int;
    return static_cast<long long>(std::llround(toDouble()));
}

bool Value::operator==(const Value &o) const
{
    if (m_kind != o.m_kind)
        return false;
    switch (m_kind) {
    case Kind::Null:
        return true;
    case Kind::Integer:
        return m_int == o.m_int;
    case Kind::Double:
        return m_double == o.m_double;
    default:
        return m_text == o.m_text;
    }
}

} // namespace localdb
