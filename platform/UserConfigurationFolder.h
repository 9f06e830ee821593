// The per-user configuration folder: where a program keeps a user's settings that follow him, not the program.
#pragma once

#include <map>
#include <string>

// The folder by the given environment variables; "" when they name none.
std::string UserConfigurationFolder(const std::map<std::string, std::string>& environment);
// The folder of the user running the program; "" when there is none.
std::string UserConfigurationFolder();
