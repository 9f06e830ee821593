// The executable's path from GetModuleFileNameW, and SetCurrentDirectoryW.
#include "platform/ProgramFolder.h"

#include <windows.h>

#include <vector>

const char PathSeparator = '\\';

namespace {

std::string Utf8(const wchar_t* text, int length)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, length, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, text, length, &narrow[0], size, nullptr, nullptr);
    return narrow;
}

std::wstring Wide(const std::string& text)
{
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0)
        MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &wide[0], size);
    return wide;
}

}  // namespace

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
            return Utf8(buffer.data(), static_cast<int>(length));
        if (buffer.size() >= 32768)
            return "";
        buffer.resize(buffer.size() * 2);
    }
}

TFileResult EnterFolder(const std::string& folder)
{
    if (SetCurrentDirectoryW(Wide(folder).c_str()))
        return {};
    const DWORD error = GetLastError();
    wchar_t* message = nullptr;
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                            FORMAT_MESSAGE_IGNORE_INSERTS,
                                        nullptr, error, 0, reinterpret_cast<wchar_t*>(&message), 0, nullptr);
    std::string reason = length && message ? Utf8(message, static_cast<int>(length)) : std::string();
    if (message)
        LocalFree(message);
    // The system's texts end with a line break.
    while (!reason.empty() && (reason.back() == '\n' || reason.back() == '\r' || reason.back() == ' '))
        reason.pop_back();
    return {false, reason.empty() ? "Windows error " + std::to_string(error) : reason};
}
