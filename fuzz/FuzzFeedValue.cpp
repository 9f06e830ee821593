// Fuzz target: a published feed value through the trimming, the readout's text rules and MAN's check.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/FeedText.h"
#include "core/NumberFormat.h"
#include "drivers/Gs232Driver.h"
#include "widgets/SevenSegment.h"

namespace {

[[noreturn]] void Fail(const char* what, const std::string& text)
{
    std::fprintf(stderr, "%s: '%s'\n", what, text.c_str());
    std::abort();
}

bool InReadoutSet(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || c == ' ' || c == '-' || c == '.' || c == ':';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The feed client turns control characters into spaces before anything sees the value.
    std::string received(reinterpret_cast<const char*>(data), size);
    for (char& c : received)
        if (c >= 1 && c <= 31)
            c = ' ';

    const std::string text = TrimFeedText(received);
    if (!received.empty() && text.size() + 2 < received.size())
        Fail("trimming took more than a space and a character", received);
    if (text.empty())
        return 0;

    const std::string shown = NormaliseValue(text);
    if (!shown.empty()) {
        // Upper case, at most one trailing point dropped, nothing else changed.
        std::string upper = text;
        for (char& c : upper)
            if (c >= 'a' && c <= 'z')
                c = static_cast<char>(c - 'a' + 'A');
        if (shown != upper && shown + "." != upper)
            Fail("the readout changed more than the case and a trailing point", text);
        for (const char c : shown)
            if (!InReadoutSet(c))
                Fail("the readout kept a character it cannot draw", shown);
    }
    // Each row is drawn from its first cell, so each only has to be well formed.
    const TSplitRows rows = SplitPoints(shown);
    for (const char c : rows.Characters)
        if (c == '.')
            Fail("a point landed in a cell", shown);
    std::size_t points = 0;
    for (const char c : rows.Points) {
        if (c != '.' && c != ' ')
            Fail("a character landed among the points", shown);
        points += c == '.';
    }
    if (points != static_cast<std::size_t>(std::count(shown.begin(), shown.end(), '.')))
        Fail("points were lost or made up", shown);

    for (const char separator : {'.', ','}) {
        DecimalSeparator = separator;
        long double azimuth = 0;
        if (!TryStrToFloat(text, azimuth) || azimuth < 0 || azimuth >= 360)
            continue;  // MAN beeps
        const long long degrees = RoundToInteger(azimuth);
        if (degrees < 0 || degrees > 360)
            Fail("an accepted azimuth rounds out of range", text);
        if (Gs232TurnCommand(static_cast<int>(degrees)).size() != 5)
            Fail("an accepted azimuth makes a malformed command", text);
    }
    return 0;
}
