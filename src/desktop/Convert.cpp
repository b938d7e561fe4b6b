#include "desktop/Convert.h"

#include "desktop/DoubleByte.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <string_view>
#include <system_error>

namespace {

constexpr int SignificantDigits = 13;
// Enough for a sign, 13 digits, the point and a three-digit exponent with its sign.
constexpr size_t NumberBufferSize = 32;

// Double-byte characters narrowed before parsing: the full-width forms of the
// printable ASCII characters, and a few symbols an input method produces.
constexpr unsigned char FullWidthLead = 0xA3;
constexpr unsigned char FullWidthFirst = 0xA1;
constexpr unsigned char FullWidthLast = 0xFE;
constexpr unsigned char FullWidthOffset = 0x80;
constexpr unsigned char SymbolLead = 0xA1;
constexpr unsigned char IdeographicSpace = 0xA1;
constexpr unsigned char FullWidthTilde = 0xAB;
constexpr unsigned char WhiteStar = 0xEE;
constexpr unsigned char BlackStar = 0xEF;

constexpr std::string_view WhiteSpace = " \t\n\v\f\r";
// Decimal exponents beyond this give infinity or 0 anyway; the cap keeps the sum from overflowing.
constexpr long ExponentCap = 100000;

// The single byte a double-byte character stands for, or 0 when it is kept as it is.
char NarrowedByte(unsigned char lead, unsigned char trail) {
    if (lead == FullWidthLead && trail >= FullWidthFirst && trail <= FullWidthLast)
        return static_cast<char>(trail - FullWidthOffset);
    if (lead == SymbolLead) {
        switch (trail) {
            case IdeographicSpace:
                return ' ';
            case FullWidthTilde:
                return '~';
            case WhiteStar:
            case BlackStar:
                return '*';
        }
    }
    return 0;
}

std::string Narrow(std::string_view text) {
    std::string narrow;
    narrow.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (!BeginsDoubleByte(text[i])) {
            narrow += text[i];
            continue;
        }
        // A lead byte that ends the text is dropped.
        if (i + 1 == text.size())
            break;
        const auto lead = static_cast<unsigned char>(text[i]);
        const auto trail = static_cast<unsigned char>(text[++i]);
        if (const char single = NarrowedByte(lead, trail)) {
            narrow += single;
        } else {
            narrow += static_cast<char>(lead);
            narrow += static_cast<char>(trail);
        }
    }
    return narrow;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

size_t SkipDigits(std::string_view text, size_t at) {
    while (at < text.size() && IsDigit(text[at]))
        ++at;
    return at;
}

// from_chars leaves the value alone when it is out of range; atof gives infinity
// for a number too large and 0 for one too small. Which of the two it is follows
// from the decimal position of the first significant digit plus the exponent.
double OutOfRangeValue(std::string_view mantissa, long exponent) {
    const size_t point = mantissa.find('.');
    const size_t integerDigits = point == std::string_view::npos ? mantissa.size() : point;
    const size_t firstSignificant = mantissa.find_first_of("123456789");
    if (firstSignificant == std::string_view::npos)
        return 0.0;
    long position = static_cast<long>(integerDigits) - static_cast<long>(firstSignificant);
    if (firstSignificant > integerDigits)
        ++position;  // the point lies between them
    return position + exponent > 0 ? HUGE_VAL : 0.0;
}

double ParseDecimal(std::string_view text) {
    size_t at = text.find_first_not_of(WhiteSpace);
    if (at == std::string_view::npos)
        return 0;
    const bool negative = text[at] == '-';
    if (text[at] == '+' || text[at] == '-')
        ++at;
    const size_t start = at;
    const size_t integerEnd = SkipDigits(text, start);
    size_t end = integerEnd;
    bool hasDigits = integerEnd > start;
    if (end < text.size() && text[end] == '.') {
        const size_t fractionEnd = SkipDigits(text, end + 1);
        hasDigits = hasDigits || fractionEnd > end + 1;
        end = fractionEnd;
    }
    if (!hasDigits)
        return 0;
    const size_t mantissaEnd = end;
    long exponent = 0;
    // The exponent belongs to the number only when digits follow the e and its sign.
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
        size_t digits = end + 1;
        const bool negativeExponent = digits < text.size() && text[digits] == '-';
        if (digits < text.size() && (text[digits] == '+' || text[digits] == '-'))
            ++digits;
        const size_t exponentEnd = SkipDigits(text, digits);
        if (exponentEnd > digits) {
            for (size_t i = digits; i < exponentEnd && exponent < ExponentCap; ++i)
                exponent = exponent * 10 + (text[i] - '0');
            if (negativeExponent)
                exponent = -exponent;
            end = exponentEnd;
        }
    }
    double value = 0;
    const auto result = std::from_chars(text.data() + start, text.data() + end, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range)
        value = OutOfRangeValue(text.substr(start, mantissaEnd - start), exponent);
    return negative ? -value : value;
}

}  // namespace

std::string ToText(int value) {
    char buffer[NumberBufferSize];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    return std::string(buffer, result.ptr);
}

std::string ToText(double value) {
    char buffer[NumberBufferSize];
    const auto result =
        std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, SignificantDigits);
    return std::string(buffer, result.ptr);
}

double ToNumber(const char* text) {
    if (!text)
        return 0;
    return ParseDecimal(Narrow(text));
}
