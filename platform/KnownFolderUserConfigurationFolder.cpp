// The per-user configuration folder: the user's roaming application data, as Windows names it.
#include "platform/UserConfigurationFolder.h"

#include <windows.h>

#include <knownfolders.h>
#include <shlobj.h>

#include "platform/Win32Text.h"

std::string UserConfigurationFolder(const std::map<std::string, std::string>& environment)
{
    const auto found = environment.find("APPDATA");
    return found == environment.end() ? std::string() : found->second;
}

std::string UserConfigurationFolder()
{
    wchar_t* path = nullptr;
    std::string folder;
    if (SHGetKnownFolderPath(FOLDERID_RoamingAppData, 0, nullptr, &path) == S_OK && path)
        folder = Utf8(path);
    // Freed even when the call failed, as the call asks.
    CoTaskMemFree(path);
    return folder;
}
