// Oracle's NUMBER and DATE formats as the driver reads them and the conformance
// library writes them.
#include "ocitypes.h"

#include <gtest/gtest.h>

namespace {

std::string bytes(std::initializer_list<int> b)
{
    std::string s;
    for (int x : b) s += static_cast<char>(x);
    return s;
}

std::string text(const std::string &b) { return oci::numberToText(reinterpret_cast<const unsigned char *>(b.data()), b.size()); }

TEST(OciNumber, KnownEncodingsBothWays)
{
    struct Case {
        const char *text;
        std::string bytes;
    } cases[] = {
        {"0", bytes({0x80})},
        {"1", bytes({0xC1, 0x02})},
        {"100", bytes({0xC2, 0x02})},
        {"123", bytes({0xC2, 0x02, 0x18})},
        {"0.01", bytes({0xC0, 0x02})},
        {"0.5", bytes({0xC0, 0x33})},
        {"-1", bytes({0x3E, 0x64, 0x66})},
        {"-123.45", bytes({0x3D, 0x64, 0x4E, 0x38, 0x66})},
    };
    for (const auto &c : cases) {
        auto enc = oci::textToNumber(c.text);
        ASSERT_TRUE(enc) << c.text;
        EXPECT_EQ(*enc, c.bytes) << c.text;
        EXPECT_EQ(text(c.bytes), c.text);
    }
}

TEST(OciNumber, ThirtyEightDigitsAndNegativeDecimalsStayExact)
{
    for (const char *t : {"12345678901234567890123456789012345678", "-12345678901234567890123456789012345678",
                          "99999999999999999999999999999999999999", "-0.000123456789012345678901234567890123",
                          "-98765.4321", "0.1", "-0.5", "1234567890.0987654321", "1E+125", "-1.5E-120"}) {
        auto enc = oci::textToNumber(t);
        ASSERT_TRUE(enc) << t;
        EXPECT_LE(enc->size(), 21u) << t;
        EXPECT_EQ(text(*enc), t) << t;
    }
    // Plain forms that are written differently but mean the same number.
    EXPECT_EQ(text(*oci::textToNumber(" +007.50 ")), "7.5");
    EXPECT_EQ(text(*oci::textToNumber("1e3")), "1000");
    EXPECT_EQ(text(*oci::textToNumber("-0")), "0");
    // More digits than NUMBER holds are rounded, not cut.
    EXPECT_EQ(text(*oci::textToNumber("1.00000000000000000000000000000000000000009")), "1");
    EXPECT_EQ(text(*oci::textToNumber("9.99999999999999999999999999999999999999999")), "10");
}

TEST(OciNumber, RejectsWhatIsNotANumber)
{
    for (const char *t : {"", "abc", "1.2.3", "12x", "1e", "--1", "1e+"}) EXPECT_FALSE(oci::textToNumber(t)) << t;
    EXPECT_FALSE(oci::textToNumber("1e200"));   // beyond NUMBER's range
    EXPECT_EQ(text(bytes({0xC1, 0xFF})), "");   // a base-100 digit out of range
    EXPECT_EQ(text(""), "");
}

TEST(OciDate, SevenBytesAndSeconds)
{
    auto b = oci::textToDate("2024-02-29 23:59:58");
    ASSERT_TRUE(b);
    EXPECT_EQ(*b, bytes({120, 124, 2, 29, 24, 60, 59}));
    std::int64_t secs = 0;
    EXPECT_EQ(oci::dateToText(reinterpret_cast<const unsigned char *>(b->data()), &secs), "2024-02-29 23:59:58");
    EXPECT_EQ(secs, 1709251198);
    EXPECT_EQ(*oci::textToDate("1970-01-01"), bytes({119, 170, 1, 1, 1, 1, 1}));
    EXPECT_FALSE(oci::textToDate("2024-13-01 00:00:00"));
    EXPECT_FALSE(oci::textToDate("yesterday"));
}

TEST(OciRaw, HexBothWays)
{
    const unsigned char raw[] = {0x00, 0x0A, 0xFF, 0x7B};
    EXPECT_EQ(oci::toHex(raw, 4), "000AFF7B");
    EXPECT_EQ(*oci::fromHex("000aff7b"), std::string(reinterpret_cast<const char *>(raw), 4));
    EXPECT_FALSE(oci::fromHex("0G"));
}

} // namespace
