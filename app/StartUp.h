// The start-up step: the program's folder becomes the working folder; Tolvane.ini is looked for there.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "core/PointingState.h"
#include "core/StationSettings.h"

// Makes the folder of the running executable the current directory; a path without '/' changes nothing.
void EnterProgramFolder();
// The folder part of an executable path, up to and including the last '/', or "" when there is none.
std::string ProgramFolderOf(const std::string& executablePath);
bool ConfigFileExists();

// The environment variables that decide the Qt platform, those that are set and not empty.
std::map<std::string, std::string> PlatformEnvironment();
// The Qt platform process start imposes: "xcb" on a Wayland desktop that also offers XWayland, where
// window positions, activation and the X11 messages to ARSWIN work; "" leaves the choice to Qt,
// as does a platform the user chose (QT_QPA_PLATFORM or a -platform argument).
std::string ImposedQtPlatform(const std::map<std::string, std::string>& environment,
                              const std::vector<std::string>& arguments);
