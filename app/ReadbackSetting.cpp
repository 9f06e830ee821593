// Tolvane.conf: one section, one key, read at start and written when the switch changes.
#include "app/ReadbackSetting.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <vector>

#include <unistd.h>

namespace {

const char* const Section = "[heading]";
const char* const Key = "readback";
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

// The key's line "readback=..." (blanks allowed around '='): its value, or nothing.
bool KeyValue(const std::string& line, std::string& value)
{
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos || Trimmed(line.substr(0, equals)) != Key)
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

}  // namespace

std::string ReadbackSettingPath(const std::map<std::string, std::string>& environment)
{
    const auto variable = [&](const char* name) {
        const auto found = environment.find(name);
        return found == environment.end() ? std::string() : found->second;
    };
    std::string folder = variable("XDG_CONFIG_HOME");
    // XDG says a relative XDG_CONFIG_HOME is invalid and is ignored.
    if (folder.empty() || folder.front() != '/') {
        const std::string home = variable("HOME");
        if (home.empty())
            return {};
        folder = home + "/.config";
    }
    return folder + "/Tolvane/Tolvane.conf";
}

std::string ReadbackSettingPath()
{
    std::map<std::string, std::string> environment;
    for (const char* name : {"XDG_CONFIG_HOME", "HOME"}) {
        if (const char* value = std::getenv(name))
            environment[name] = value;
    }
    return ReadbackSettingPath(environment);
}

bool ReadReadbackSetting(const std::string& path)
{
    std::vector<std::string> lines;
    if (path.empty() || !ReadLines(path, lines))
        return false;
    bool inSection = false;
    for (const std::string& line : lines) {
        std::string value;
        if (IsSection(line))
            inSection = line == Section;
        else if (inSection && KeyValue(line, value))
            return value == "true";
    }
    return false;
}

bool WriteReadbackSetting(const std::string& path, bool on)
{
    if (path.empty())
        return false;
    std::vector<std::string> lines;
    ReadLines(path, lines);
    const std::string keyLine = std::string(Key) + "=" + (on ? "true" : "false");
    std::size_t section = 0;
    while (section < lines.size() && lines[section] != Section)
        ++section;
    if (section == lines.size()) {
        if (!lines.empty() && !lines.back().empty())
            lines.emplace_back();
        lines.emplace_back(Section);
        lines.push_back(keyLine);
    } else {
        // The key's own line, or after the section's last line that is not blank.
        std::size_t insertAt = section + 1;
        std::size_t i = section + 1;
        for (; i < lines.size() && !IsSection(lines[i]); ++i) {
            std::string value;
            if (KeyValue(lines[i], value))
                break;
            if (!lines[i].empty())
                insertAt = i + 1;
        }
        if (i < lines.size() && !IsSection(lines[i]))
            lines[i] = keyLine;
        else
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(insertAt), keyLine);
    }

    std::error_code error;
    const std::filesystem::path target(path);
    std::filesystem::create_directories(target.parent_path(), error);
    // A whole new file replaces the old one in one step: a crash never leaves half a file.
    const std::string temporary = path + ".new" + std::to_string(getpid());
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        for (const std::string& line : lines)
            file << line << '\n';
        file.flush();
        if (!file) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}
