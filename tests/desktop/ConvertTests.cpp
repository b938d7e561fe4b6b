#include "desktop/Convert.h"

#include "TestSupport.h"
#include "desktop/AnsiText.h"

#include <gtest/gtest.h>

#include <clocale>
#include <climits>
#include <cmath>
#include <string>

namespace {

TEST(ToText, FormatsIntegersLikePercentD) {
    const struct {
        int value;
        const char* expected;
    } cases[] = {{0, "0"}, {-5, "-5"}, {240, "240"}, {INT_MIN, "-2147483648"}, {INT_MAX, "2147483647"}};
    for (const auto& c : cases)
        EXPECT_EQ(ToText(c.value), c.expected);
}

TEST(ToText, FormatsDoublesLikePercentPoint13G) {
    const struct {
        double value;
        const char* expected;
    } cases[] = {
        {240.0, "240"},
        {0.0, "0"},
        {120.0, "120"},
        {0.1 + 0.2, "0.3"},
        {-2.5, "-2.5"},
        {1.0 / 3.0, "0.3333333333333"},
        {1234567890123.0, "1234567890123"},
        {1e13, "1e+13"},
        {0.0001, "0.0001"},
        {0.00001, "1e-05"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.expected);
        EXPECT_EQ(ToText(c.value), c.expected);
    }
}

struct NumberCase {
    const char* name;
    std::string text;
    double expected;
};

TEST(ToNumber, ReadsTheLeadingDecimalNumber) {
    ASSERT_TRUE(RunsOnGbk());
    const NumberCase cases[] = {
        {"empty", "", 0},
        {"letters", "abc", 0},
        {"lone minus", "-", 0},
        {"lone plus", "+", 0},
        {"lone point", ".", 0},
        {"two signs", "+-5", 0},
        {"leading blanks, trailing letters", "  12abc", 12},
        {"every white-space character", " \t\n\v\f\r7", 7},
        {"negative fraction", "-12.5", -12.5},
        {"no integer digits", ".5", 0.5},
        {"no fraction digits", "5.", 5},
        {"exponent", "1e3", 1000},
        {"upper-case negative exponent", "25E-2", 0.25},
        {"signed exponent then letters", "2.5e+2x", 250},
        {"e without digits", "7e", 7},
        {"e and sign without digits", "7e-x", 7},
        {"long exponent", "1e0000000000000000000002", 100},
        {"no hexadecimal form", "0x1A", 0},
        {"no infinity form", "inf", 0},
        {"too large", "1e999", HUGE_VAL},
        {"too large, negative", "-1e999", -HUGE_VAL},
        {"too small", "1e-999", 0},
        {"long mantissa, small exponent, too large", std::string("1").append(400, '0').append("e-50"), HUGE_VAL},
        {"long fraction, large exponent, too small", std::string("0.").append(400, '0').append("1e50"), 0},
        {"full-width digits", ToAnsi(L"１２３"), 123},
        {"full-width sign and point", ToAnsi(L"－１２．５"), -12.5},
        {"full-width plus", ToAnsi(L"＋７"), 7},
        {"full-width exponent", ToAnsi(L"１ｅ２"), 100},
        {"full-width and ASCII mixed", ToAnsi(L"1２.5"), 12.5},
        {"ideographic space", ToAnsi(L"　４２"), 42},
        {"other double-byte character ends the number", ToAnsi(L"12颜3"), 12},
        {"lone lead byte at the end", "12\xa3", 12},
        {"lone lead byte only", "\xa3", 0},
    };
    for (const NumberCase& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ToNumber(c.text.c_str()), c.expected);
    }
    EXPECT_EQ(ToNumber(nullptr), 0);
}

// Sets a C locale whose decimal point is a comma, and the classic one again afterwards.
class CommaLocale {
public:
    CommaLocale() : set_(std::setlocale(LC_ALL, "French_France.1252") != nullptr) {}
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;
    ~CommaLocale() { std::setlocale(LC_ALL, "C"); }
    bool active() const { return set_ && *std::localeconv()->decimal_point == ','; }

private:
    bool set_;
};

TEST(Conversions, IgnoreTheUsersLocale) {
    CommaLocale locale;
    if (!locale.active())
        GTEST_SKIP() << "no locale with a decimal comma here";
    EXPECT_EQ(ToText(2.5), "2.5");
    EXPECT_EQ(ToNumber("1.5"), 1.5);
    EXPECT_EQ(ToNumber("1,5"), 1);
}

}  // namespace
