// The per-user configuration folder by the XDG base-directory rules.
#include "platform/UserConfigurationFolder.h"

#include <cstdlib>

std::string UserConfigurationFolder(const std::map<std::string, std::string>& environment)
{
    const auto variable = [&](const char* name) {
        const auto found = environment.find(name);
        return found == environment.end() ? std::string() : found->second;
    };
    const std::string folder = variable("XDG_CONFIG_HOME");
    // XDG says a relative XDG_CONFIG_HOME is invalid and is ignored.
    if (!folder.empty() && folder.front() == '/')
        return folder;
    const std::string home = variable("HOME");
    return home.empty() ? std::string() : home + "/.config";
}

std::string UserConfigurationFolder()
{
    std::map<std::string, std::string> environment;
    for (const char* name : {"XDG_CONFIG_HOME", "HOME"}) {
        if (const char* value = std::getenv(name))
            environment[name] = value;
    }
    return UserConfigurationFolder(environment);
}
