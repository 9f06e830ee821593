// The start-up step: the executable's folder, or the data folder, becomes the working folder before any window exists.
#include "app/StartUp.h"

#include <cstdlib>
#include <vector>

#include "platform/FileSystem.h"
#include "platform/ProgramFolder.h"

std::string ProgramFolderOf(const std::string& executablePath)
{
    const std::size_t lastSlash = executablePath.rfind(PathSeparator);
    if (lastSlash == std::string::npos) {
        return "";
    }
    return executablePath.substr(0, lastSlash + 1);
}

void EnterProgramFolder()
{
    const std::string folder = ProgramFolderOf(ExecutablePath());
    if (!folder.empty()) {
        // A folder that cannot be entered leaves the working folder as it was, as a path without a separator does.
        (void)EnterFolder(folder);
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
    "      --version      print the version and exit\n"
    "Any other argument goes to Qt, for example -platform xcb.\n";

std::string TolvaneVersionLine()
{
    return std::string("tolvane ") + TOLVANE_VERSION + "\n";
}

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
        } else if (argument == "--version") {
            commandLine.Version = true;
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
    std::vector<std::string> created;
    TFileResult result = CreatePrivateFolders(folder, created);
    if (result)
        result = CheckWritableFolder(folder);
    if (result)
        result = EnterFolder(folder);
    if (result)
        return true;
    reason = result.Reason;
    // Innermost first, so that each is empty when its turn comes.
    for (auto made = created.rbegin(); made != created.rend(); ++made)
        (void)RemoveEmptyFolder(*made);
    return false;
}

bool ConfigFileExists()
{
    return IsRegularFile("Tolvane.ini");
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
