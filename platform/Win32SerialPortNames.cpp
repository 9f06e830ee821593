// "COMn" on Windows: the device \\.\COMn itself; there are no links to follow.
#include "platform/SerialPortNames.h"

#include <windows.h>

namespace {

std::string DeviceName(int index)
{
    return "COM" + std::to_string(index + 1);
}

}  // namespace

std::string SerialPortDevicePath(int index)
{
    // The \\.\ prefix reaches the device namespace, where COM10 and above live too.
    return "\\\\.\\" + DeviceName(index);
}

bool SerialPortNamedNow(int index)
{
    char target[1024];
    if (::QueryDosDeviceA(DeviceName(index).c_str(), target, sizeof target) != 0)
        return true;
    // A target longer than the buffer still means the name exists.
    return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}

std::string SerialDeviceIdentity(const std::string& path)
{
    return path;
}
