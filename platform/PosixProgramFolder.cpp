// The executable's path from /proc/self/exe, and chdir.
#include "platform/ProgramFolder.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

const char PathSeparator = '/';

std::string ExecutablePath()
{
    // readlink does not say when it truncated, so grow the buffer until the link fits.
    std::vector<char> buffer(256);
    for (;;) {
        const ssize_t length = readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (length < 0) {
            return "";
        }
        if (static_cast<std::size_t>(length) < buffer.size()) {
            return std::string(buffer.data(), static_cast<std::size_t>(length));
        }
        buffer.resize(buffer.size() * 2);
    }
}

TFileResult EnterFolder(const std::string& folder)
{
    if (chdir(folder.c_str()) != 0)
        return {false, std::strerror(errno)};
    return {};
}
