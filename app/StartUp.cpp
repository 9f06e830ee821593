// The start-up step: the executable's folder, or the data folder, becomes the working folder before any window exists.
#include "app/StartUp.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
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

const char* const TolvaneUsage =
    "Usage: tolvane [--data-folder DIR] [Qt options]\n"
    "Turns an amateur-radio station's antenna rotator to an azimuth, set by hand or followed from the\n"
    "tracking program Teskarn, through one of five interfaces: PourSat and FODTrack on the printer\n"
    "port, ARSIF through ARSWIN, GS-232 and EasyComm on a serial port.\n"
    "\n"
    "Tolvane keeps its settings, Tolvane.ini, and the serial-port links COM1 to COM9 in one folder,\n"
    "its working folder: the folder of the program itself, unless --data-folder names another.\n"
    "  --data-folder DIR  keep Tolvane.ini and the COMn links in DIR, created when missing; the\n"
    "                     installed tolvane command gives $XDG_DATA_HOME/Tolvane\n"
    "                     (~/.local/share/Tolvane)\n"
    "  -h, --help         print this text and exit\n"
    "Any other argument goes to Qt, for example -platform xcb.\n";

TCommandLine ParseCommandLine(const std::vector<std::string>& arguments)
{
    static const std::string option = "--data-folder";
    TCommandLine commandLine;
    for (std::size_t index = 0; index < arguments.size(); ++index) {
        const std::string& argument = arguments[index];
        if (index == 0) {
            commandLine.QtArguments.push_back(argument);
        } else if (argument == "--help" || argument == "-h") {
            commandLine.Help = true;
        } else if (argument == option || argument.rfind(option + "=", 0) == 0) {
            std::string value;
            if (argument == option && index + 1 < arguments.size())
                value = arguments[++index];
            else if (argument != option)
                value = argument.substr(option.size() + 1);
            if (value.empty())
                commandLine.Error = option + " needs a folder";
            commandLine.DataFolder = value;
        } else {
            commandLine.QtArguments.push_back(argument);
        }
    }
    return commandLine;
}

bool EnterDataFolder(const std::string& folder, std::string& reason)
{
    // Each missing folder of the path, outermost first, so that a failure can take them back.
    std::vector<std::string> created;
    const auto fail = [&](int error) {
        reason = std::strerror(error);
        for (auto made = created.rbegin(); made != created.rend(); ++made)
            (void)rmdir(made->c_str());
        return false;
    };
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (mkdir(part.c_str(), 0700) == 0)
            created.push_back(part);
        else if (errno != EEXIST)
            return fail(errno);
        if (slash == std::string::npos)
            break;
    }
    struct stat status {};
    if (stat(folder.c_str(), &status) != 0)
        return fail(errno);
    if (!S_ISDIR(status.st_mode))
        return fail(ENOTDIR);
    if (access(folder.c_str(), W_OK | X_OK) != 0 || chdir(folder.c_str()) != 0)
        return fail(errno);
    return true;
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
