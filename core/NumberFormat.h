// Number texts as the program reads and writes them: the locale's decimal separator, halves to even.
#pragma once

#include <cstdint>
#include <string>

// The locale's decimal separator, '.' or ','; read once at start.
extern char DecimalSeparator;
void InitDecimalSeparatorFromLocale();

// Nearest integer, halves to the even neighbour, from the extended-precision value.
long double RoundHalfEven(long double value);
std::int64_t RoundToInteger(long double value);

// General format with `digits` significant digits: fixed notation for 1e-4 <= |v| < 1e7
// (trailing zeros dropped), otherwise d.dddE-005 with at least 3 exponent digits.
std::string FormatGeneral(long double value, int digits = 7);

// A decimal number in the locale's format: optional sign, digits, separator, exponent.
bool TryStrToFloat(const std::string& text, long double& value);
// A decimal integer with an optional sign.
bool TryStrToInt(const std::string& text, int& value);

// The standard conversion-error messages (full stop included), naming the text.
std::string InvalidFloatMessage(const std::string& text);
std::string InvalidIntegerMessage(const std::string& text);
