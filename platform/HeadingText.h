// The heading read back, as one line of text for systems that carry text only (DDE's CF_TEXT).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

struct THeadingState {
    bool Known = false;  // false while the controller is silent
    double Azimuth = 0;  // 0 <= az < 360, the last reading (0 when there was none)
    std::uint64_t UpdatedMs = 0;  // the system's monotonic milliseconds when it arrived (0: none)
};

// "Known=1 Azimuth=123.4 Updated=5678901" and CR LF: the azimuth in the fewest digits that read back
// the same, with a point whatever the locale.
std::string FormatHeadingText(const THeadingState& state);
// The state in such a text, which may end in CR LF or LF; none for anything else: other fields or
// order, a Known not 0 or 1, an azimuth outside 0 <= az < 360, an Updated that is not a 64-bit count.
std::optional<THeadingState> ParseHeadingText(std::string_view text);
