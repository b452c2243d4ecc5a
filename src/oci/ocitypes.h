#pragma once
// Oracle's external value formats as the driver reads and writes them: NUMBER in its
// variable-length base-100 form (SQLT_VNU, read as exact text), DATE in its seven
// bytes (SQLT_DAT), RAW as hexadecimal text.
#include <cstdint>
#include <optional>
#include <string>

namespace oci {

// The NUMBER bytes (without the length byte of SQLT_VNU) as exact decimal text:
// "0", "-12.5", "0.001", 38 digits in full; magnitudes whose plain form would pass
// 40 characters as mantissa and exponent ("1.5E+125"). Empty for malformed bytes.
std::string numberToText(const unsigned char *bytes, std::size_t length);
// Decimal text ("-12.5", "1e3", " 7 ") as NUMBER bytes, rounded to 40 digits;
// nullopt when the text is not a number or is out of NUMBER's range.
std::optional<std::string> textToNumber(const std::string &text);

// The seven DATE bytes as "YYYY-MM-DD HH24:MI:SS" and seconds since 1970 (UTC).
std::string dateToText(const unsigned char *bytes, std::int64_t *unixSeconds = nullptr);
// "YYYY-MM-DD[ HH24:MI:SS]" as the seven DATE bytes; nullopt when not that form.
std::optional<std::string> textToDate(const std::string &text);
// Seconds since 1970 of a civil date and time (proleptic Gregorian, UTC).
std::int64_t civilSeconds(int year, int month, int day, int hour, int minute, int second);

std::string toHex(const unsigned char *bytes, std::size_t length);   // upper case
std::optional<std::string> fromHex(const std::string &hex);

} // namespace oci
