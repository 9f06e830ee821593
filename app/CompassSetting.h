// The compass window's place in Tolvane.conf: whether it was open at exit, and where and how big it was.
#pragma once

#include <optional>
#include <string>
#include <vector>

// A window's frame position and client size, in pixels of the desktop.
struct TWindowBounds {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;

    bool operator==(const TWindowBounds& other) const
    {
        return Left == other.Left && Top == other.Top && Width == other.Width && Height == other.Height;
    }
};

struct TCompassSetting {
    bool Shown = false;
    std::optional<TWindowBounds> Bounds;
};

// "left,top,width,height" in whole pixels; nothing for any other text or a size no window has.
std::optional<TWindowBounds> ParseWindowBounds(const std::string& text);
std::string FormatWindowBounds(const TWindowBounds& bounds);
// Whether enough of the window lies on one of the screens for the user to see and grab it.
bool BoundsMeetAScreen(const TWindowBounds& bounds, const std::vector<TWindowBounds>& screens);

// Section [compass], keys shown and geometry; a missing or malformed value reads as never opened or no place.
TCompassSetting ReadCompassSetting(const std::string& path);
// Both keys in one rewrite; without bounds the geometry line is left as it is.
bool WriteCompassSetting(const std::string& path, const TCompassSetting& setting);
