// The executable's path from GetModuleFileNameW, and SetCurrentDirectoryW.
#include "platform/ProgramFolder.h"

#include <windows.h>

#include <vector>

#include "platform/Win32Text.h"

const char PathSeparator = '\\';

// The path the program was started by, as Windows gives it; a link to it is not followed.
std::string ExecutablePath()
{
    // A path that does not fit is cut to the buffer's size, so grow the buffer until it fits.
    std::vector<wchar_t> buffer(MAX_PATH);
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0)
            return "";
        if (length < buffer.size())
            return Utf8(std::wstring(buffer.data(), length));
        if (buffer.size() >= 32768)
            return "";
        buffer.resize(buffer.size() * 2);
    }
}

TFileResult EnterFolder(const std::string& folder)
{
    if (SetCurrentDirectoryW(Wide(folder).c_str()))
        return {};
    return {false, SystemReason(GetLastError())};
}
