// COMn on Windows: the system names its COM ports itself, so there is no link to choose.
#include "platform/SerialPortChoice.h"

bool SerialPortChoiceAvailable()
{
    return false;
}

std::vector<TSerialDeviceFacts> SystemSerialDeviceFacts()
{
    return {};
}

TUserIdentity CurrentUserIdentity()
{
    return {};
}

TDeviceAccess DeviceAccessFor(const TDeviceOwnership&, const TUserIdentity&)
{
    // Whoever sees a COM port may try it; a port in use is refused when opened.
    return TDeviceAccess::MayOpen;
}

std::vector<TSerialDevice> ListSerialDevices(const std::string&, const std::vector<TSerialDeviceFacts>&,
                                             const std::vector<std::string>&, const TUserIdentity&)
{
    return {};
}

TComEntry ReadComEntry(const std::string&, int index, const std::string&)
{
    TComEntry entry;
    entry.Target = "COM" + std::to_string(index + 1);
    return entry;
}

TComLinkResult MakeComLink(const std::string&, int, const std::string&, const std::string&)
{
    return TComLinkResult::Unavailable;
}
