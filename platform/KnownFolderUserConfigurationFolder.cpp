// The per-user configuration folder: the user's roaming application data, as Windows names it.
#include "platform/UserConfigurationFolder.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

std::string UserConfigurationFolder(const std::map<std::string, std::string>& environment)
{
    const auto found = environment.find("APPDATA");
    return found == environment.end() ? std::string() : found->second;
}

std::string UserConfigurationFolder()
{
    wchar_t* path = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path) == S_OK && path) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, path, -1, nullptr, 0, nullptr, nullptr);
        if (size > 1) {
            folder.assign(static_cast<std::size_t>(size), '\0');
            WideCharToMultiByte(CP_UTF8, 0, path, -1, &folder[0], size, nullptr, nullptr);
            folder.resize(static_cast<std::size_t>(size - 1));
        }
    }
    // Freed even when the call failed, as the call asks.
    CoTaskMemFree(path);
    return folder;
}
