// The compass window's keys of Tolvane.conf, read and written through the file's section and key rules.
#include "app/CompassSetting.h"

#include <algorithm>
#include <cstdlib>

#include "app/ReadbackSetting.h"

namespace {

const char* const Section = "compass";
const char* const ShownKey = "shown";
const char* const GeometryKey = "geometry";

// No screen is this large: a bigger number is not a window's.
constexpr int LargestCoordinate = 100000;
constexpr int LargestSide = 20000;
// The part of a window that must be on a screen: enough of its title bar to grab it.
constexpr int VisibleSide = 40;

// One whole number with an optional minus sign and at most six digits.
bool ReadCoordinate(const std::string& text, int& value)
{
    std::size_t digits = text.size();
    std::size_t first = 0;
    if (!text.empty() && text[0] == '-')
        first = 1;
    digits -= first;
    if (digits == 0 || digits > 6)
        return false;
    for (std::size_t i = first; i < text.size(); ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    value = std::atoi(text.c_str());
    return true;
}

}  // namespace

std::optional<TWindowBounds> ParseWindowBounds(const std::string& text)
{
    int numbers[4] = {0, 0, 0, 0};
    std::size_t start = 0;
    for (int i = 0; i < 4; ++i) {
        const std::size_t comma = text.find(',', start);
        const bool last = i == 3;
        if (last != (comma == std::string::npos))
            return std::nullopt;
        const std::string field = text.substr(start, last ? std::string::npos : comma - start);
        if (!ReadCoordinate(field, numbers[i]))
            return std::nullopt;
        start = comma + 1;
    }
    const TWindowBounds bounds{numbers[0], numbers[1], numbers[2], numbers[3]};
    if (std::abs(bounds.Left) > LargestCoordinate || std::abs(bounds.Top) > LargestCoordinate)
        return std::nullopt;
    if (bounds.Width <= 0 || bounds.Height <= 0 || bounds.Width > LargestSide || bounds.Height > LargestSide)
        return std::nullopt;
    return bounds;
}

std::string FormatWindowBounds(const TWindowBounds& bounds)
{
    return std::to_string(bounds.Left) + "," + std::to_string(bounds.Top) + "," + std::to_string(bounds.Width) + ","
           + std::to_string(bounds.Height);
}

bool BoundsMeetAScreen(const TWindowBounds& bounds, const std::vector<TWindowBounds>& screens)
{
    const int needWidth = std::min(VisibleSide, bounds.Width);
    const int needHeight = std::min(VisibleSide, bounds.Height);
    return std::any_of(screens.begin(), screens.end(), [&](const TWindowBounds& screen) {
        const int left = std::max(bounds.Left, screen.Left);
        const int right = std::min(bounds.Left + bounds.Width, screen.Left + screen.Width);
        const int top = std::max(bounds.Top, screen.Top);
        const int bottom = std::min(bounds.Top + bounds.Height, screen.Top + screen.Height);
        return right - left >= needWidth && bottom - top >= needHeight;
    });
}

TCompassSetting ReadCompassSetting(const std::string& path)
{
    TCompassSetting setting;
    setting.Shown = ReadUserSetting(path, Section, ShownKey) == std::optional<std::string>("true");
    if (const std::optional<std::string> geometry = ReadUserSetting(path, Section, GeometryKey))
        setting.Bounds = ParseWindowBounds(*geometry);
    return setting;
}

bool WriteCompassSetting(const std::string& path, const TCompassSetting& setting)
{
    std::vector<TUserSetting> keys{{Section, ShownKey, setting.Shown ? "true" : "false"}};
    if (setting.Bounds)
        keys.push_back({Section, GeometryKey, FormatWindowBounds(*setting.Bounds)});
    return WriteUserSettings(path, keys);
}
