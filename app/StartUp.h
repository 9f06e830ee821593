// The start-up step: the program's folder becomes the working folder; Tolvane.ini is looked for there.
#pragma once

#include <string>

#include "core/PointingState.h"
#include "core/StationSettings.h"

// Makes the folder of the running executable the current directory; a path without '/' changes nothing.
void EnterProgramFolder();
// The folder part of an executable path, up to and including the last '/', or "" when there is none.
std::string ProgramFolderOf(const std::string& executablePath);
bool ConfigFileExists();
