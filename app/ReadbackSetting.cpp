// Tolvane.conf: sections of keys, read at start and rewritten whole when a setting changes.
#include "app/ReadbackSetting.h"

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/UserConfigurationFolder.h"

namespace {

const char* const ReadbackSection = "heading";
const char* const ReadbackKey = "readback";
// Nobody writes a long file here by hand; a huge one is not ours and reads as off.
constexpr std::uintmax_t LargestFile = 64 * 1024;

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

bool IsSection(const std::string& line)
{
    return line.size() >= 2 && line.front() == '[' && line.back() == ']';
}

// The key's line "key=..." (blanks allowed around '='): its value, or nothing.
bool KeyValue(const std::string& line, const std::string& key, std::string& value)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || Trimmed(line.substr(0, equals)) != key)
        return false;
    value = Trimmed(line.substr(equals + 1));
    return true;
}

bool ReadLines(const std::string& path, std::vector<std::string>& lines)
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error) || std::filesystem::file_size(path, error) > LargestFile)
        return false;
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    std::string line;
    while (std::getline(file, line))
        lines.push_back(Trimmed(line));
    return !file.bad();
}

std::string PathIn(const std::string& configurationFolder)
{
    return configurationFolder.empty() ? std::string() : configurationFolder + "/Tolvane/Tolvane.conf";
}

}  // namespace

std::string ReadbackSettingPath(const std::map<std::string, std::string>& environment)
{
    return PathIn(UserConfigurationFolder(environment));
}

std::string ReadbackSettingPath()
{
    return PathIn(UserConfigurationFolder());
}

std::optional<std::string> ReadUserSetting(const std::string& path, const std::string& section, const std::string& key)
{
    std::vector<std::string> lines;
    if (path.empty() || !ReadLines(path, lines))
        return std::nullopt;
    const std::string sectionLine = "[" + section + "]";
    bool inSection = false;
    for (const std::string& line : lines) {
        std::string value;
        if (IsSection(line))
            inSection = line == sectionLine;
        else if (inSection && KeyValue(line, key, value))
            return value;
    }
    return std::nullopt;
}

namespace {

void PutSetting(std::vector<std::string>& lines, const TUserSetting& setting)
{
    const std::string sectionLine = "[" + setting.Section + "]";
    const std::string keyLine = setting.Key + "=" + setting.Value;
    std::size_t section = 0;
    while (section < lines.size() && lines[section] != sectionLine)
        ++section;
    if (section == lines.size()) {
        if (!lines.empty() && !lines.back().empty())
            lines.emplace_back();
        lines.push_back(sectionLine);
        lines.push_back(keyLine);
        return;
    }
    // The key's own line, or after the section's last line that is not blank.
    std::size_t insertAt = section + 1;
    std::size_t i = section + 1;
    for (; i < lines.size() && !IsSection(lines[i]); ++i) {
        std::string value;
        if (KeyValue(lines[i], setting.Key, value))
            break;
        if (!lines[i].empty())
            insertAt = i + 1;
    }
    if (i < lines.size() && !IsSection(lines[i]))
        lines[i] = keyLine;
    else
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), keyLine);
}

}  // namespace

bool WriteUserSettings(const std::string& path, const std::vector<TUserSetting>& settings)
{
    if (path.empty())
        return false;
    std::vector<std::string> lines;
    ReadLines(path, lines);
    for (const TUserSetting& setting : settings)
        PutSetting(lines, setting);

    std::error_code error;
    const std::filesystem::path target(path);
    std::filesystem::create_directories(target.parent_path(), error);
    std::string bytes;
    for (const std::string& line : lines)
        bytes += line + '\n';
    return WriteFileReplacing(path, bytes);
}

bool ReadReadbackSetting(const std::string& path)
{
    return ReadUserSetting(path, ReadbackSection, ReadbackKey) == std::optional<std::string>("true");
}

bool WriteReadbackSetting(const std::string& path, bool on)
{
    return WriteUserSettings(path, {{ReadbackSection, ReadbackKey, on ? "true" : "false"}});
}
