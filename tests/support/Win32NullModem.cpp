// The null modem of the Windows test run.
#include "support/Win32NullModem.h"

#include <cstdio>
#include <cstdlib>

bool NullModemPorts(int& first, int& second)
{
    const char* ports = std::getenv("TOLVANE_NULL_MODEM");
    return ports && std::sscanf(ports, "%d %d", &first, &second) == 2 && first >= 1 && first <= 9 &&
           second >= 1 && second <= 9 && first != second;
}

bool DeviceState(const std::string& path, DCB& state)
{
    const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    state = DCB{};
    state.DCBlength = sizeof state;
    const bool read = ::GetCommState(handle, &state);
    ::CloseHandle(handle);
    return read;
}
