#include "oravalue.h"

#include "functions.h"

#include <cctype>
#include <cstdlib>
#include <cstring>

namespace sqlvigil::access {

OraValue OraValue::number(double v)
{
    OraValue o;
    o.m_kind = Kind::Number;
    o.m_number = v;
    o.m_text = formatNumber(v);
    return o;
}

OraValue OraValue::numberText(std::string canonical, double v)
{
    OraValue o;
    o.m_kind = Kind::Number;
    o.m_number = v;
    o.m_text = std::move(canonical);
    return o;
}

OraValue OraValue::text(std::string v)
{
    OraValue o;
    o.m_kind = Kind::Text;
    // Only a text that can start a number is parsed (what strtod skips or accepts first:
    // blanks, a sign, a digit, a point, or the letters of inf, nan and hex "0x").
    char *end = nullptr;
    const unsigned char first = v.empty() ? 0 : static_cast<unsigned char>(v[0]);
    const bool numeric = first && (std::isdigit(first) || std::isspace(first) || std::strchr("+-.iInN", first));
    double d = numeric ? std::strtod(v.c_str(), &end) : 0;
    o.m_number = end && *end == '\0' ? d : 0;
    o.m_text = std::move(v);
    return o;
}

OraValue OraValue::date(std::int64_t unixSeconds)
{
    return dateText(sim::formatDate(unixSeconds), unixSeconds);
}

OraValue OraValue::dateText(std::string canonical, std::int64_t unixSeconds)
{
    OraValue o;
    o.m_kind = Kind::Date;
    o.m_number = static_cast<double>(unixSeconds);
    o.m_text = std::move(canonical);
    return o;
}

std::string OraValue::formatNumber(double v) { return sim::numberToDisplay(v); }

} // namespace sqlvigil::access
