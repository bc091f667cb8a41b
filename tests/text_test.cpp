// The text conversions of field values.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <cmath>
#include <limits>

#include "uZEB_Locale.h"
#include "uZEB_Text.h"

namespace {

TEST(TextToInteger, ReadsDecimalAndHexadecimalUpToTheFirstCharacterThatDoesNotFit) {
    struct Case {
        const char *Text;
        int64_t Value;
    } cases[] = {
        {"", 0},       {"abc", 0},     {" 42abc", 42},     {"   -17", -17}, {"+8", 8},     {"$1F", 31},
        {"$1f", 31},   {"x10", 16},    {"X10", 16},        {"0x1A", 26},   {"0XfF", 255}, {"-$10", -16},
        {"0x", 0},     {"$", 0},       {"12 34", 12},      {"- 5", 0},     {"007", 7},    {"1e3", 1},
        {"9223372036854775807", INT64_MAX},  {"92233720368547758079", 9223372036854775807},
        {"-9223372036854775808", INT64_MIN}, {"$FFFFFFFFFFFFFFFFF", 0x0FFFFFFFFFFFFFFF},
    };
    for (const Case &c : cases) EXPECT_EQ(zeb::TextToInteger(c.Text), c.Value) << '"' << c.Text << '"';
}

TEST(TextToFloat, TheWholeTextMustBeANumberWithTheGivenSeparator) {
    struct Case {
        const char *Text;
        char Separator;
        float Value;
    } cases[] = {
        {"1.5", '.', 1.5f},     {"1.5", ',', 0.0f},   {"1,5", ',', 1.5f},    {" -2.25 ", '.', -2.25f},
        {"+3", '.', 3.0f},      {"1e3", '.', 1000.f}, {"2.5E-1", '.', .25f}, {".5", '.', 0.5f},
        {"5.", '.', 5.0f},      {"", '.', 0.0f},      {"abc", '.', 0.0f},    {"1.5x", '.', 0.0f},
        {"1.2.3", '.', 0.0f},   {"1,000", '.', 0.0f}, {"1e", '.', 0.0f},     {".", '.', 0.0f},
        {"1 000", '.', 0.0f},   {"-", '.', 0.0f},
    };
    for (const Case &c : cases) EXPECT_EQ(zeb::TextToFloat(c.Text, c.Separator), c.Value) << '"' << c.Text << '"';
}

TEST(TextToFloat, BeyondTheFloatRangeGivesInfinityOrZero) {
    EXPECT_EQ(zeb::TextToFloat("1e39", '.'), std::numeric_limits<float>::infinity());
    EXPECT_EQ(zeb::TextToFloat("-1e400", '.'), -std::numeric_limits<float>::infinity());
    EXPECT_EQ(zeb::TextToFloat("1e-400", '.'), 0.0f);
}

TEST(FloatText, ThreeSignificantDigitsInFixedOrExponentForm) {
    const float inf = std::numeric_limits<float>::infinity();
    struct Case {
        float Value;
        const char *Text;
    } cases[] = {
        {1.5f, "1.5"},         {100.0f, "100"},          {1234.0f, "1.23E003"},   {3.14159f, "3.14"},
        {0.0001234f, "0.000123"}, {0.00001f, "1E-005"},  {-2.5f, "-2.5"},         {0.0f, "0"},
        {-0.0f, "0"},          {inf, "INF"},             {-inf, "-INF"},          {std::nanf(""), "NAN"},
        {999.5f, "1E003"},     {999.4f, "999"},          {9.996f, "10"},          {0.001f, "0.001"},
        {0.000999f, "0.000999"}, {1e10f, "1E010"},       {1.5e-10f, "1.5E-010"},  {123456.0f, "1.23E005"},
        {12.0f, "12"},         {-1234.0f, "-1.23E003"},  {3.4e38f, "3.4E038"},    {0.1f, "0.1"},
    };
    for (const Case &c : cases) EXPECT_EQ(zeb::FormatFloatGeneral3(c.Value, '.'), c.Text) << c.Value;
    EXPECT_EQ(zeb::FormatFloatGeneral3(1.5f, ','), "1,5");
    EXPECT_EQ(zeb::FormatFloatGeneral3(1.5e-10f, ','), "1,5E-010");
}

#ifndef _WIN32  // Windows reads the user's regional settings: tests/windows/
// The separator comes from the locale the environment names, read anew at
// each call, whatever the program set with setlocale.
TEST(Locale, TheEnvironmentNamesTheDecimalSeparator) {
    const char *saved = getenv("LC_ALL");
    const std::string restore = saved ? saved : "";
    setenv("LC_ALL", "de_DE.UTF-8", 1);
    const char german = zeb::ReadUserDecimalSeparator();
    setenv("LC_ALL", "C", 1);
    const char plain = zeb::ReadUserDecimalSeparator();
    if (saved)
        setenv("LC_ALL", restore.c_str(), 1);
    else
        unsetenv("LC_ALL");
    EXPECT_EQ(plain, '.');
    if (german == '.') GTEST_SKIP() << "the de_DE.UTF-8 locale is not installed (scripts/install-deps.sh makes it)";
    EXPECT_EQ(german, ',');
}
#endif

}  // namespace
