// The start-up step: the program's folder, or the data folder given to it, becomes the working folder;
// Tolvane.ini is looked for there.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/PointingState.h"
#include "core/StationSettings.h"

// Makes the folder of the running executable the current directory; a path without a separator changes nothing.
void EnterProgramFolder();
// The folder part of an executable path, up to and including the last path separator ('/' on Linux),
// or "" when there is none.
std::string ProgramFolderOf(const std::string& executablePath);
bool ConfigFileExists();

// The program's own options, taken out of the command line before Qt sees the rest.
struct TCommandLine {
    bool Help = false;
    bool Version = false;
    std::string DataFolder;                // empty: the executable's folder, as without any option
    std::string Error;                     // a malformed option of ours; "" when none
    std::vector<std::string> QtArguments;  // the program's name and every argument that is not ours
};
TCommandLine ParseCommandLine(const std::vector<std::string>& arguments);
// What `tolvane --help` prints.
extern const char* const TolvaneUsage;
// What `tolvane --version` prints.
std::string TolvaneVersionLine();

// Creates the folder (with its missing parents, private to the user) unless it exists, and makes it
// the working folder. False when it is not a folder, cannot be created, written or entered: `reason`
// then says why, the folders it created are removed again and the working folder is unchanged.
bool EnterDataFolder(const std::string& folder, std::string& reason);

// The environment variables that decide the Qt platform, those that are set and not empty.
std::map<std::string, std::string> PlatformEnvironment();
// The Qt platform process start imposes: "xcb" on a Wayland desktop that also offers XWayland, where
// window positions, activation and the X11 messages to ARSWIN work; "" leaves the choice to Qt,
// as does a platform the user chose (QT_QPA_PLATFORM or a -platform argument).
std::string ImposedQtPlatform(const std::map<std::string, std::string>& environment,
                              const std::vector<std::string>& arguments);
