// Tolvane.conf, the user's settings kept apart from Tolvane.ini: the heading switch and the compass window.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// Tolvane/Tolvane.conf in the per-user configuration folder: on Linux $XDG_CONFIG_HOME, or ~/.config
// when the variable is unset, empty or relative; "" when neither it nor HOME is set.
std::string ReadbackSettingPath(const std::map<std::string, std::string>& environment);
std::string ReadbackSettingPath();
// One key of one section of Tolvane.conf, as the file spells them: section "heading", key "readback".
struct TUserSetting {
    std::string Section;
    std::string Key;
    std::string Value;
};

// The value of the key in the section, blanks trimmed; nothing when the file, the section or the key is missing.
std::optional<std::string> ReadUserSetting(const std::string& path, const std::string& section, const std::string& key);
// Writes every key in one rewrite, keeping the file's other lines; false when the file cannot be written.
bool WriteUserSettings(const std::string& path, const std::vector<TUserSetting>& settings);

// Key readback of section [heading]: true only for "true"; a missing, unreadable or malformed file is off.
bool ReadReadbackSetting(const std::string& path);
// Writes the key, keeping the file's other lines; false when the file cannot be written.
bool WriteReadbackSetting(const std::string& path, bool on);
