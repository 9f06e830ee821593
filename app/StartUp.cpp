// The start-up step: the executable's folder becomes the working folder before any window exists.
#include "app/StartUp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

std::string ProgramFolderOf(const std::string& executablePath)
{
    const std::size_t lastSlash = executablePath.rfind('/');
    if (lastSlash == std::string::npos) {
        return "";
    }
    return executablePath.substr(0, lastSlash + 1);
}

namespace {

std::string ExecutablePath()
{
    // readlink does not say when it truncated, so grow the buffer until the link fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return "";
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace

void EnterProgramFolder()
{
    const std::string folder = ProgramFolderOf(ExecutablePath());
    if (!folder.empty()) {
        // A folder that cannot be entered leaves the working folder as it was, as a path without '/' does.
        (void)chdir(folder.c_str());
    }
}

bool ConfigFileExists()
{
    struct stat status {};
    return stat("Tolvane.ini", &status) == 0 && S_ISREG(status.st_mode);
}

std::map<std::string, std::string> PlatformEnvironment()
{
    std::map<std::string, std::string> environment;
    for (const char* name : {"WAYLAND_DISPLAY", "DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0')
            environment[name] = value;
    }
    return environment;
}

std::string ImposedQtPlatform(const std::map<std::string, std::string>& environment,
                              const std::vector<std::string>& arguments)
{
    const auto isSet = [&](const char* name) {
        const auto found = environment.find(name);
        return found != environment.end() && !found->second.empty();
    };
    if (isSet("QT_QPA_PLATFORM"))
        return "";
    // Qt takes the option with one dash or two, anywhere after the program's name.
    for (std::size_t index = 1; index < arguments.size(); ++index) {
        if (arguments[index] == "-platform" || arguments[index] == "--platform")
            return "";
    }
    return isSet("WAYLAND_DISPLAY") && isSet("DISPLAY") ? "xcb" : "";
}
