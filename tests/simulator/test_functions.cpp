// Value forms and format models: numbers, dates, TO_CHAR and TO_DATE models.
#include "functions.h"
#include "simerror.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

namespace {

TEST(Values, NumberTextForms)
{
    EXPECT_EQ(sim::numberToDisplay(3.5), "3.5");
    EXPECT_EQ(sim::numberToDisplay(100.0), "100");
    EXPECT_EQ(sim::numberToDisplay(-2), "-2");
    EXPECT_EQ(sim::numberToDisplay(0.25), "0.25");
    EXPECT_EQ(sim::numberToDisplay(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(sim::numberToDisplay(0.0001), "0.0001");
    EXPECT_EQ(sim::numberToDisplay(1e20), "100000000000000000000");
    EXPECT_EQ(sim::numberToDisplay(1.5e25), "1.5E+25");
    // SQL's own text form (TO_CHAR, concatenation) has no leading zero.
    EXPECT_EQ(sim::numberToText(0.5), ".5");
    EXPECT_EQ(sim::numberToText(-0.5), "-.5");
    EXPECT_EQ(sim::numberToText(12.5), "12.5");
}

// The display form is the value rounded to 15 significant digits, trailing zeros cut,
// whatever way it is computed: checked against that rule over a wide spread of values.
TEST(Values, NumberDisplayIsFifteenDigitsRounded)
{
    auto rule = [](double v) {
        if (v == std::floor(v) && std::fabs(v) < 1e21) {
            char b[32];
            std::snprintf(b, sizeof b, "%.0f", v);
            return std::string(b);
        }
        char b[64];
        std::snprintf(b, sizeof b, "%.15g", v);
        std::string s = b;
        if (s.find('e') != std::string::npos) return std::string();   // exponent forms: not compared here
        if (s.find('.') != std::string::npos) {
            while (s.back() == '0') s.pop_back();
            if (s.back() == '.') s.pop_back();
        }
        return s;
    };
    std::mt19937_64 gen(7);
    std::uniform_real_distribution<double> exponent(-4, 15);
    std::uniform_int_distribution<int> digits(1, 17);
    int compared = 0;
    for (int i = 0; i < 200000; ++i) {
        double v = std::pow(10.0, exponent(gen));
        if (i % 3 == 0) {   // values with few decimals, as money and figures have
            double scale = std::pow(10.0, digits(gen) % 6);
            v = std::round(v * scale) / scale;
        }
        if (i % 2) v = -v;
        if (v == 0) continue;
        const std::string expected = rule(v);
        if (expected.empty()) continue;
        ASSERT_EQ(sim::numberToDisplay(v), expected) << std::hexfloat << v;
        ++compared;
    }
    EXPECT_GT(compared, 150000);
    EXPECT_EQ(sim::numberToDisplay(0.1 + 0.2), "0.3");
    EXPECT_EQ(sim::numberToDisplay(123456789012.345), "123456789012.345");
    EXPECT_EQ(sim::numberToDisplay(-9.0e18), "-9000000000000000000");
    EXPECT_EQ(sim::numberToDisplay(4.5e15 + 0.5), "4.5E+15");
}

TEST(Values, DatesRoundTrip)
{
    EXPECT_EQ(sim::formatDate(0), "1970-01-01 00:00:00");
    EXPECT_EQ(sim::formatDate(951782400 + 3661), "2000-02-29 01:01:01");
    auto d = sim::parseDate("2000-02-29 01:01:01", 19);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(*d, 951782400 + 3661);
    EXPECT_FALSE(sim::parseDate("2001-02-29 00:00:00", 19).has_value());
    EXPECT_FALSE(sim::parseDate("2001-02-2", 9).has_value());
    EXPECT_EQ(sim::formatDate(-86400), "1969-12-31 00:00:00");
}

TEST(Values, DateFormatModels)
{
    std::int64_t t = *sim::parseDate("2024-03-05 14:07:09", 19);
    EXPECT_EQ(sim::formatDateModel(t, "YYYY-MM-DD HH24:MI:SS"), "2024-03-05 14:07:09");
    EXPECT_EQ(sim::formatDateModel(t, "DD/MM/YYYY HH24:MI:SS"), "05/03/2024 14:07:09");
    EXPECT_EQ(sim::formatDateModel(t, "DD-MON-YY"), "05-MAR-24");
    EXPECT_EQ(sim::formatDateModel(t, "Mon dd, yyyy"), "Mar 05, 2024");
    EXPECT_EQ(sim::formatDateModel(t, "HH:MI AM"), "02:07 PM");
    EXPECT_EQ(sim::formatDateModel(t, "DY DAY"), "TUE TUESDAY  ");
    EXPECT_EQ(sim::formatDateModel(t, "FMMonth DD"), "March 5");
    EXPECT_EQ(sim::formatDateModel(t, "\"Q\"Q DDD"), "Q1 065");
    EXPECT_THROW(sim::formatDateModel(t, "YYYY-XX"), sim::SimError);
}

TEST(Values, ParsingDatesByModel)
{
    std::int64_t now = *sim::parseDate("2024-06-01 00:00:00", 19);
    auto parse = [&](const char *text, const char *model) { return sim::formatDate(sim::parseDateModel(text, model, now)); };
    EXPECT_EQ(parse("2024-02-29 13:45:00", "YYYY-MM-DD HH24:MI:SS"), "2024-02-29 13:45:00");
    EXPECT_EQ(parse("05-MAR-99", "DD-MON-RR"), "1999-03-05 00:00:00");
    EXPECT_EQ(parse("05-mar-24", "DD-MON-RR"), "2024-03-05 00:00:00");
    EXPECT_EQ(parse("31/12/2023 11:30 PM", "DD/MM/YYYY HH:MI AM"), "2023-12-31 23:30:00");
    EXPECT_EQ(parse("2024", "YYYY"), "2024-06-01 00:00:00");
    auto code = [&](const char *text, const char *model) {
        try {
            sim::parseDateModel(text, model, now);
        } catch (const sim::SimError &e) {
            return e.code();
        }
        return 0;
    };
    EXPECT_EQ(code("2023-02-29", "YYYY-MM-DD"), 1847);
    EXPECT_EQ(code("2023-13-01", "YYYY-MM-DD"), 1843);
    EXPECT_EQ(code("2023-01-01 25", "YYYY-MM-DD HH24"), 1850);
    EXPECT_EQ(code("2023-01-01 junk", "YYYY-MM-DD"), 1830);
    EXPECT_EQ(code("abc", "YYYY"), 1858);
}

TEST(Values, NumberFormatModels)
{
    EXPECT_EQ(sim::formatNumberModel(1234.567, "9,999.99"), " 1,234.57");
    EXPECT_EQ(sim::formatNumberModel(-5, "999"), "  -5");
    EXPECT_EQ(sim::formatNumberModel(0.5, "990.99"), "   0.50");
    EXPECT_EQ(sim::formatNumberModel(42, "FM999"), "42");
    EXPECT_EQ(sim::formatNumberModel(7, "000"), " 007");
    EXPECT_EQ(sim::formatNumberModel(12345, "999"), "#####");
    EXPECT_THROW(sim::formatNumberModel(1, "9X9"), sim::SimError);
    EXPECT_THROW(sim::formatNumberModel(1, "9." + std::string(500, '9')), sim::SimError);
}

// Random format models and inputs: a result or an Oracle error, never a crash.
TEST(Values, RandomFormatModelsNeverCrash)
{
    std::mt19937 rng(1234);
    const std::string alphabet = "YMDHSIAPMONQWJFR9G0,.$-/: \"x1";
    std::int64_t t = *sim::parseDate("2024-03-05 14:07:09", 19);
    int ok = 0, refused = 0;
    for (int i = 0; i < 20000; ++i) {
        std::string model, text;
        for (int k = 0, n = static_cast<int>(rng() % 14); k < n; ++k) model += alphabet[rng() % alphabet.size()];
        for (int k = 0, n = static_cast<int>(rng() % 14); k < n; ++k) text += alphabet[rng() % alphabet.size()];
        for (auto fn : {0, 1, 2}) {
            try {
                if (fn == 0) sim::formatDateModel(t, model);
                else if (fn == 1) sim::parseDateModel(text, model, t);
                else sim::formatNumberModel(static_cast<double>(rng() % 100000) / 7.0, model);
                ++ok;
            } catch (const sim::SimError &e) {
                EXPECT_EQ(std::string(e.what()).rfind("ORA-", 0), 0u);
                ++refused;
            }
        }
    }
    EXPECT_GT(ok, 0);
    EXPECT_GT(refused, 0);
}

} // namespace
