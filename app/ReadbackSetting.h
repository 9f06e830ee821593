// The switch that reads the heading back, kept apart from Tolvane.ini in the user's configuration folder.
#pragma once

#include <map>
#include <string>

// Tolvane/Tolvane.conf in the per-user configuration folder: on Linux $XDG_CONFIG_HOME, or ~/.config
// when the variable is unset, empty or relative; "" when neither it nor HOME is set.
std::string ReadbackSettingPath(const std::map<std::string, std::string>& environment);
std::string ReadbackSettingPath();
// Key readback of section [heading]: true only for "true"; a missing, unreadable or malformed file is off.
bool ReadReadbackSetting(const std::string& path);
// Writes the key, keeping the file's other lines; false when the file cannot be written.
bool WriteReadbackSetting(const std::string& path, bool on);
