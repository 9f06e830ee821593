// The number reading the two controllers' position replies share.
#pragma once

#include <optional>
#include <string_view>

// Reads an unsigned decimal number ("123", "090", "12.5") at the start of `text` and removes it from
// `text`; nothing (and `text` unchanged) when no digit is there or there are too many to be a position.
std::optional<double> TakePositionNumber(std::string_view& text);
// A controller's azimuth brought into 0 <= a < 360: rotators with overlap report up to 450 degrees.
std::optional<double> AzimuthOfPosition(double degrees);
