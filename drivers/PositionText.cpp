// Decimal numbers in controller replies: digits, an optional point and fraction, nothing else.
#include "drivers/PositionText.h"

#include <cmath>

namespace {
// A position has at most four integer digits ("+0359") and a short fraction.
constexpr std::size_t MostIntegerDigits = 4;
constexpr std::size_t MostFractionDigits = 3;
// Rotators with overlap turn to 450; anything beyond is not a position.
constexpr double HighestPosition = 450.0;

bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
}  // namespace

std::optional<double> TakePositionNumber(std::string_view& text)
{
    std::size_t at = 0;
    double value = 0;
    while (at < text.size() && IsDigit(text[at]))
        value = value * 10 + (text[at++] - '0');
    if (at == 0 || at > MostIntegerDigits)
        return std::nullopt;
    if (at < text.size() && text[at] == '.') {
        const std::size_t point = at++;
        double scale = 0.1;
        while (at < text.size() && IsDigit(text[at])) {
            value += (text[at++] - '0') * scale;
            scale /= 10;
        }
        if (at == point + 1 || at - point - 1 > MostFractionDigits)
            return std::nullopt;
    }
    text.remove_prefix(at);
    return value;
}

std::optional<double> AzimuthOfPosition(double degrees)
{
    if (!(degrees >= 0 && degrees <= HighestPosition))
        return std::nullopt;
    const double azimuth = std::fmod(degrees, 360.0);
    return azimuth;
}
