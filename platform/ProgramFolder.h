// Where the running program lives, and the process's working folder.
#pragma once

#include <string>

#include "platform/FileResult.h"

// The separator of the paths ExecutablePath gives.
extern const char PathSeparator;

// The running executable's full path, symbolic links resolved; "" when the system does not say.
std::string ExecutablePath();

// Makes the folder the working folder; not done, with the reason, when it cannot be entered.
TFileResult EnterFolder(const std::string& folder);
