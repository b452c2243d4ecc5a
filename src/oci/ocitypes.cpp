#include "ocitypes.h"

#include <cctype>
#include <cstdio>

namespace oci {

namespace {

constexpr unsigned char kZero = 0x80;
constexpr unsigned char kNegativeEnd = 102;
constexpr std::size_t kMaxPairs = 20;

std::string stripped(std::string s, bool &negative)
{
    negative = false;
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    s = s.substr(b, e - b);
    if (!s.empty() && (s[0] == '-' || s[0] == '+')) {
        negative = s[0] == '-';
        s.erase(0, 1);
    }
    return s;
}

} // namespace

std::string numberToText(const unsigned char *bytes, std::size_t length)
{
    if (length == 0) return {};
    const unsigned char head = bytes[0];
    if (length == 1 && head == kZero) return "0";
    const bool positive = (head & 0x80) != 0;
    const int exponent = positive ? head - 193 : 62 - head;   // of the first base-100 digit
    std::string digits;
    for (std::size_t i = 1; i < length; ++i) {
        int d;
        if (positive) {
            d = bytes[i] - 1;
        } else {
            if (bytes[i] == kNegativeEnd) break;
            d = 101 - bytes[i];
        }
        if (d < 0 || d > 99) return {};
        digits += static_cast<char>('0' + d / 10);
        digits += static_cast<char>('0' + d % 10);
    }
    if (digits.empty()) return {};
    // value = 0.digits x 10^point
    const long point = 2L * (exponent + 1);
    std::size_t lead = digits.find_first_not_of('0');
    if (lead == std::string::npos) return "0";
    std::size_t tail = digits.find_last_not_of('0');
    std::string sig = digits.substr(lead, tail - lead + 1);
    const long firstExp = point - 1 - static_cast<long>(lead);   // decimal exponent of sig[0]
    std::string out = positive ? "" : "-";
    std::string plain;
    if (firstExp < 0) {
        plain = "0." + std::string(static_cast<std::size_t>(-firstExp - 1), '0') + sig;
    } else if (static_cast<long>(sig.size()) <= firstExp + 1) {
        plain = sig + std::string(static_cast<std::size_t>(firstExp + 1 - static_cast<long>(sig.size())), '0');
    } else {
        plain = sig.substr(0, static_cast<std::size_t>(firstExp + 1)) + "." +
                sig.substr(static_cast<std::size_t>(firstExp + 1));
    }
    if (plain.size() <= 40) return out + plain;
    out += sig.substr(0, 1);
    if (sig.size() > 1) out += "." + sig.substr(1);
    out += firstExp < 0 ? "E-" : "E+";
    out += std::to_string(firstExp < 0 ? -firstExp : firstExp);
    return out;
}

std::optional<std::string> textToNumber(const std::string &text)
{
    bool negative = false;
    std::string s = stripped(text, negative);
    std::string mantissa;
    long intDigits = 0;
    bool seenPoint = false, anyDigit = false;
    std::size_t i = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (std::isdigit(static_cast<unsigned char>(c))) {
            mantissa += c;
            anyDigit = true;
            if (!seenPoint) ++intDigits;
        } else if (c == '.' && !seenPoint) {
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit) return std::nullopt;
    long exp10 = 0;
    if (i < s.size()) {
        if (s[i] != 'e' && s[i] != 'E') return std::nullopt;
        ++i;
        bool expNegative = false;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) expNegative = s[i++] == '-';
        if (i >= s.size()) return std::nullopt;
        for (; i < s.size(); ++i) {
            if (!std::isdigit(static_cast<unsigned char>(s[i]))) return std::nullopt;
            if (exp10 < 100000) exp10 = exp10 * 10 + (s[i] - '0');
        }
        if (expNegative) exp10 = -exp10;
    }
    // value = 0.mantissa x 10^point
    long point = intDigits + exp10;
    std::size_t lead = mantissa.find_first_not_of('0');
    if (lead == std::string::npos) return std::string(1, static_cast<char>(kZero));
    mantissa.erase(0, lead);
    point -= static_cast<long>(lead);
    while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
    // Keep what fits twenty base-100 digits, rounding half up.
    for (;;) {
        std::size_t room = (point % 2 != 0) ? 2 * kMaxPairs - 1 : 2 * kMaxPairs;
        if (mantissa.size() <= room) break;
        bool up = mantissa[room] >= '5';
        mantissa.resize(room);
        if (up) {
            long k = static_cast<long>(room) - 1;
            while (k >= 0 && mantissa[static_cast<std::size_t>(k)] == '9') mantissa[static_cast<std::size_t>(k--)] = '0';
            if (k < 0) {
                mantissa = "1";
                ++point;
            } else {
                ++mantissa[static_cast<std::size_t>(k)];
            }
        }
        while (!mantissa.empty() && mantissa.back() == '0') mantissa.pop_back();
    }
    if (point % 2 != 0) {
        mantissa.insert(mantissa.begin(), '0');
        ++point;
    }
    if (mantissa.size() % 2 != 0) mantissa += '0';
    const long exponent = point / 2 - 1;
    if (exponent > 62) return std::nullopt;
    if (exponent < -65) return std::string(1, static_cast<char>(kZero));
    std::string out;
    out += static_cast<char>(negative ? 62 - exponent : 193 + exponent);
    for (std::size_t k = 0; k < mantissa.size(); k += 2) {
        int d = (mantissa[k] - '0') * 10 + (mantissa[k + 1] - '0');
        out += static_cast<char>(negative ? 101 - d : d + 1);
    }
    if (negative && out.size() - 1 < kMaxPairs) out += static_cast<char>(kNegativeEnd);
    return out;
}

std::int64_t civilSeconds(int year, int month, int day, int hour, int minute, int second)
{
    // Days from 1970-01-01 in the proleptic Gregorian calendar.
    std::int64_t y = year - (month <= 2 ? 1 : 0);
    std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    std::int64_t yoe = y - era * 400;
    std::int64_t mp = (month + 9) % 12;
    std::int64_t doy = (153 * mp + 2) / 5 + day - 1;
    std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    std::int64_t days = era * 146097 + doe - 719468;
    return days * 86400 + hour * 3600 + minute * 60 + second;
}

std::string dateToText(const unsigned char *b, std::int64_t *unixSeconds)
{
    int year = (b[0] - 100) * 100 + (b[1] - 100);
    int month = b[2], day = b[3], hour = b[4] - 1, minute = b[5] - 1, second = b[6] - 1;
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", year, month, day, hour, minute, second);
    if (unixSeconds) *unixSeconds = civilSeconds(year, month, day, hour, minute, second);
    return buf;
}

std::optional<std::string> textToDate(const std::string &text)
{
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    int n = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    if (n != 3 && n != 6) return std::nullopt;
    if (y < 1 || y > 9999 || mo < 1 || mo > 12 || d < 1 || d > 31 || h < 0 || h > 23 || mi < 0 || mi > 59 || s < 0 ||
        s > 59)
        return std::nullopt;
    std::string out(7, '\0');
    out[0] = static_cast<char>(y / 100 + 100);
    out[1] = static_cast<char>(y % 100 + 100);
    out[2] = static_cast<char>(mo);
    out[3] = static_cast<char>(d);
    out[4] = static_cast<char>(h + 1);
    out[5] = static_cast<char>(mi + 1);
    out[6] = static_cast<char>(s + 1);
    return out;
}

std::string toHex(const unsigned char *bytes, std::size_t length)
{
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(length * 2);
    for (std::size_t i = 0; i < length; ++i) {
        out += digits[bytes[i] >> 4];
        out += digits[bytes[i] & 15];
    }
    return out;
}

std::optional<std::string> fromHex(const std::string &hex)
{
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    std::string out;
    std::size_t i = 0;
    if (hex.size() % 2 != 0) {
        int v = value(hex[0]);
        if (v < 0) return std::nullopt;
        out += static_cast<char>(v);
        i = 1;
    }
    for (; i < hex.size(); i += 2) {
        int hi = value(hex[i]), lo = value(hex[i + 1]);
        if (hi < 0 || lo < 0) return std::nullopt;
        out += static_cast<char>(hi * 16 + lo);
    }
    return out;
}

} // namespace oci
