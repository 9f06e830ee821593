// "COMn" on Linux: a COMn entry of the current folder (normally a link to a tty), else /dev/ttyS<n-1>.
#include "platform/SerialPortNames.h"

#include <filesystem>
#include <system_error>

namespace {

std::string FolderEntryName(int index)
{
    return "COM" + std::to_string(index + 1);
}

}  // namespace

std::string SerialPortDevicePath(int index)
{
    const std::string name = FolderEntryName(index);
    // A COMn entry in the program's folder wins even when it is a dangling link (adapter
    // unplugged): falling back to a built-in port then would talk to the wrong device.
    std::error_code error;
    if (std::filesystem::symlink_status(name, error).type() != std::filesystem::file_type::not_found)
        return name;
    return "/dev/ttyS" + std::to_string(index);
}

bool SerialPortNamedNow(int index)
{
    const std::string path = SerialPortDevicePath(index);
    return path == FolderEntryName(index) && !SerialDeviceIdentity(path).empty();
}

std::string SerialDeviceIdentity(const std::string& path)
{
    // The file the path leads to with every link followed.
    std::error_code error;
    const std::filesystem::path device = std::filesystem::canonical(path, error);
    return error ? std::string() : device.string();
}
