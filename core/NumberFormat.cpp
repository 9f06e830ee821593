// Number texts in the locale's format, rounding halves to even, and the standard conversion messages.
#include "core/NumberFormat.h"

#include <QLocale>
#include <QString>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <locale>
#include <sstream>

char DecimalSeparator = '.';

void InitDecimalSeparatorFromLocale()
{
    const QString point = QLocale::system().decimalPoint();
    // Only ',' and '.' are single bytes a file can carry everywhere; any other locale writes '.'.
    DecimalSeparator = (point == QStringLiteral(",")) ? ',' : '.';
}

long double RoundHalfEven(long double value)
{
    if (!std::isfinite(value)) {
        return value;
    }
    const long double floorValue = std::floor(value);
    const long double difference = value - floorValue;
    if (difference < 0.5L) {
        return floorValue;
    }
    if (difference > 0.5L) {
        return floorValue + 1.0L;
    }
    return (std::fmod(floorValue, 2.0L) == 0.0L) ? floorValue : floorValue + 1.0L;
}

std::int64_t RoundToInteger(long double value)
{
    const long double rounded = RoundHalfEven(value);
    // Out-of-range values saturate instead of overflowing the conversion.
    if (std::isnan(rounded)) {
        return 0;
    }
    if (rounded >= 9223372036854775807.0L) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (rounded <= -9223372036854775808.0L) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(rounded);
}

namespace {

// The significant digits of |value| (no leading or trailing zeros) and the decimal exponent of the
// first one, rounded to `digits` digits with halves away from zero, as the general format rounds.
struct TDecimalDigits {
    std::string Digits;
    int Exponent = 0;
};

TDecimalDigits SignificantDigits(long double magnitude, int digits)
{
    // 40 digits settle every tie: a long double that is not exactly a tie lies much further from it.
    char buffer[128];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, magnitude,
                                      std::chars_format::scientific, 39);
    const std::string text(buffer, result.ptr);
    const std::size_t exponentAt = text.find('e');
    std::string mantissa;
    for (std::size_t i = 0; i < exponentAt; ++i) {
        if (text[i] >= '0' && text[i] <= '9') {
            mantissa += text[i];
        }
    }
    TDecimalDigits decimal;
    decimal.Exponent = std::atoi(text.c_str() + exponentAt + 1);
    decimal.Digits = mantissa.substr(0, static_cast<std::size_t>(digits));
    if (mantissa[static_cast<std::size_t>(digits)] >= '5') {
        int position = digits - 1;
        while (position >= 0 && decimal.Digits[static_cast<std::size_t>(position)] == '9') {
            decimal.Digits[static_cast<std::size_t>(position)] = '0';
            --position;
        }
        if (position < 0) {
            decimal.Digits.insert(decimal.Digits.begin(), '1');
            decimal.Digits.pop_back();
            ++decimal.Exponent;
        } else {
            ++decimal.Digits[static_cast<std::size_t>(position)];
        }
    }
    while (decimal.Digits.size() > 1 && decimal.Digits.back() == '0') {
        decimal.Digits.pop_back();
    }
    return decimal;
}

}  // namespace

std::string FormatGeneral(long double value, int digits)
{
    if (std::isnan(value)) {
        return "NAN";
    }
    if (std::isinf(value)) {
        return value < 0 ? "-INF" : "INF";
    }
    if (value == 0.0L) {
        return "0";
    }
    if (digits < 1) {
        digits = 1;
    }
    if (digits > 38) {
        digits = 38;
    }
    const TDecimalDigits decimal = SignificantDigits(std::fabs(value), digits);
    const std::string& significant = decimal.Digits;
    const int exponent = decimal.Exponent;
    std::string text = value < 0 ? "-" : "";

    if (exponent >= -4 && exponent < digits) {
        if (exponent < 0) {
            text += '0';
            text += DecimalSeparator;
            text.append(static_cast<std::size_t>(-exponent - 1), '0');
            text += significant;
            return text;
        }
        const std::size_t integerDigits = static_cast<std::size_t>(exponent) + 1;
        if (significant.size() <= integerDigits) {
            text += significant;
            text.append(integerDigits - significant.size(), '0');
        } else {
            text += significant.substr(0, integerDigits);
            text += DecimalSeparator;
            text += significant.substr(integerDigits);
        }
        return text;
    }

    text += significant[0];
    if (significant.size() > 1) {
        text += DecimalSeparator;
        text += significant.substr(1);
    }
    text += 'E';
    if (exponent < 0) {
        text += '-';
    }
    std::string exponentDigits = std::to_string(std::abs(exponent));
    if (exponentDigits.size() < 3) {
        exponentDigits.insert(0, 3 - exponentDigits.size(), '0');
    }
    return text + exponentDigits;
}

namespace {

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

}  // namespace

// Like the Pascal run-time's text-to-float: spaces (only ' ') may surround the number, as its
// conversion skips blanks on both sides; tabs, a thousands separator or the other separator fail.
// The number is [sign] digits [separator digits] [E|e [sign] digits], with at least one mantissa
// digit and at least one exponent digit after an E. Values beyond long double's range fail.
bool TryStrToFloat(const std::string& text, long double& value)
{
    std::size_t begin = 0;
    std::size_t end = text.size();
    while (begin < end && text[begin] == ' ') {
        ++begin;
    }
    while (end > begin && text[end - 1] == ' ') {
        --end;
    }

    // The digits go to a "C"-format copy, so the process's C locale never matters.
    std::string plain;
    std::size_t i = begin;
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    int mantissaDigits = 0;
    while (i < end && IsDigit(text[i])) {
        plain += text[i++];
        ++mantissaDigits;
    }
    if (i < end && text[i] == DecimalSeparator) {
        plain += '.';
        ++i;
        while (i < end && IsDigit(text[i])) {
            plain += text[i++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0) {
        return false;
    }
    if (i < end && (text[i] == 'E' || text[i] == 'e')) {
        plain += 'e';
        ++i;
        if (i < end && (text[i] == '+' || text[i] == '-')) {
            plain += text[i++];
        }
        int exponentDigits = 0;
        while (i < end && IsDigit(text[i])) {
            plain += text[i++];
            ++exponentDigits;
        }
        if (exponentDigits == 0) {
            return false;
        }
    }
    if (i != end) {
        return false;
    }

    // The stream's classic locale reads the C form whatever the process's locale, on every platform,
    // to the last bit: MinGW's from_chars reads a long double only to a double's precision. Too small
    // is not out of range: the nearest subnormal or zero is taken, so that the writer's 7-digit form
    // of the smallest normal numbers reads back; too large fails the stream.
    std::istringstream stream(plain);
    stream.imbue(std::locale::classic());
    long double parsed = 0;
    stream >> parsed;
    if (stream.fail() || !std::isfinite(parsed) || stream.peek() != std::char_traits<char>::eof()) {
        return false;
    }
    value = negative ? -parsed : parsed;
    return true;
}

// A plain decimal integer with an optional sign and no blanks; hexadecimal forms are not accepted.
bool TryStrToInt(const std::string& text, int& value)
{
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) {
        return false;
    }
    long long magnitude = 0;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i])) {
            return false;
        }
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > 2147483648LL) {
            return false;
        }
    }
    const long long signedValue = negative ? -magnitude : magnitude;
    if (signedValue > std::numeric_limits<int>::max()) {
        return false;
    }
    value = static_cast<int>(signedValue);
    return true;
}

std::string InvalidFloatMessage(const std::string& text)
{
    return "'" + text + "' n'est pas une valeur en virgule flottante correcte.";
}

std::string InvalidIntegerMessage(const std::string& text)
{
    return "'" + text + "' n'est pas une valeur entière correcte.";
}
