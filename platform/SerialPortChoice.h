// Choosing the device behind COM1..COM4: the serial devices present, where each COMn leads, and its link.
#pragma once

#include <string>
#include <vector>

// Whether the user chooses here which device a COMn names; where the system names its COM ports itself,
// there is nothing to choose.
bool SerialPortChoiceAvailable();

// What the system says of a serial device it knows of.
struct TSerialDeviceFacts {
    std::string Path;
    std::string Description;
    std::string Manufacturer;
    std::string SerialNumber;
};

std::vector<TSerialDeviceFacts> SystemSerialDeviceFacts();

// The user, for the devices' permissions. The account's groups differ from the session's until the
// user logs in again after being added to one.
struct TUserIdentity {
    unsigned Uid = 0;
    std::vector<unsigned> SessionGroups;
    std::vector<unsigned> AccountGroups;
};

TUserIdentity CurrentUserIdentity();

struct TDeviceOwnership {
    unsigned Mode = 0;  // the permission bits, as stat gives them
    unsigned Owner = 0;
    unsigned Group = 0;
};

enum class TDeviceAccess {
    MayOpen,
    NotInGroup,            // the device's group may read and write it; the user is not in that group
    GroupNotYetInSession,  // the account is in the group, this session not yet
    Refused,               // no group the user could join opens it
};

// Whether the user may open the device for reading and writing, from its permission bits alone.
TDeviceAccess DeviceAccessFor(const TDeviceOwnership& device, const TUserIdentity& user);

// A device the user may choose for a COMn.
struct TSerialDevice {
    std::string Path;    // what the link leads to: a name under serial/by-id, or the device itself
    std::string Device;  // the device with every link followed
    bool ById = false;
    std::string Description;
    std::string Manufacturer;
    std::string SerialNumber;
    TDeviceAccess Access = TDeviceAccess::MayOpen;
    std::string GroupName;  // the device's group, for the fix
};

// The serial devices under `deviceRoot` ("/dev"): its serial/by-id names first, then the ttyUSB, ttyACM
// and ttyS devices, then other serial devices the system knows of. A ttyS device is listed only when the
// system knows of it or it is one of `kept` (devices a COMn leads to), as every PC has ttyS0 to ttyS31.
std::vector<TSerialDevice> ListSerialDevices(const std::string& deviceRoot,
                                             const std::vector<TSerialDeviceFacts>& facts,
                                             const std::vector<std::string>& kept, const TUserIdentity& user);

enum class TComEntryKind {
    None,   // no COMn in the folder: the port is the built-in one
    Link,   // a link, present or dangling
    Other,  // a file or folder of the user's: never touched
};

struct TComEntry {
    TComEntryKind Kind = TComEntryKind::None;
    std::string Target;  // the link's text, or the built-in port's path
    bool Present = false;
    std::string Device;  // the device it leads to with every link followed, when present
};

// Where COMn (index 0 for COM1) of `folder` leads today.
TComEntry ReadComEntry(const std::string& folder, int index, const std::string& deviceRoot);

enum class TComLinkResult {
    Made,
    EntryNotALink,      // COMn is a file or folder
    NotADevice,         // the path is not a character device reached from the device root
    FolderNotWritable,
    Unavailable,        // the platform has no such links
    Failed,
};

// Makes COMn of `folder` a link to `devicePath`, replacing the link there in one step.
TComLinkResult MakeComLink(const std::string& folder, int index, const std::string& devicePath,
                           const std::string& deviceRoot);
