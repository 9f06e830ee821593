// COMn links on Linux: the devices under /dev with what Qt's serial-port information says of them, and the links.
#include "platform/SerialPortChoice.h"

#include <QSerialPortInfo>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <set>
#include <system_error>

namespace fs = std::filesystem;

namespace {

constexpr unsigned ReadWriteByOwner = S_IRUSR | S_IWUSR;
constexpr unsigned ReadWriteByGroup = S_IRGRP | S_IWGRP;
constexpr unsigned ReadWriteByOthers = S_IROTH | S_IWOTH;

// The kernel's serial devices in the order offered: adapters first, the built-in ports last.
const char* const KernelDevicePrefixes[] = {"ttyUSB", "ttyACM", "ttyS"};
constexpr std::size_t BuiltInPrefix = 2;

bool Contains(const std::vector<unsigned>& values, unsigned value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

std::string Canonical(const fs::path& path)
{
    std::error_code error;
    const fs::path found = fs::canonical(path, error);
    return error ? std::string() : found.string();
}

bool Under(const std::string& path, const std::string& folder)
{
    return !folder.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0
        && (folder.back() == '/' || path[folder.size()] == '/');
}

// A character device, with every link followed, that stays inside the device root.
bool CharacterDeviceUnder(const fs::path& path, const std::string& canonicalRoot, std::string& device)
{
    struct stat status {};
    if (stat(path.c_str(), &status) != 0 || !S_ISCHR(status.st_mode))
        return false;
    device = Canonical(path);
    return Under(device, canonicalRoot);
}

// The digits after a kernel device's prefix, or -1 when the name is not prefix and digits.
long DeviceNumber(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() || name.size() > prefix.size() + 6 || name.compare(0, prefix.size(), prefix) != 0)
        return -1;
    long number = 0;
    for (std::size_t at = prefix.size(); at < name.size(); ++at) {
        if (name[at] < '0' || name[at] > '9')
            return -1;
        number = number * 10 + (name[at] - '0');
    }
    return number;
}

std::vector<std::string> SortedNames(const fs::path& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    for (fs::directory_iterator entry(folder, error), end; !error && entry != end; entry.increment(error))
        names.push_back(entry->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string GroupNameOf(unsigned group)
{
    const struct group* found = getgrgid(static_cast<gid_t>(group));
    return found && found->gr_name ? std::string(found->gr_name) : std::to_string(group);
}

void Describe(TSerialDevice& device, const std::map<std::string, TSerialDeviceFacts>& facts, const TUserIdentity& user)
{
    const auto known = facts.find(device.Device);
    if (known != facts.end()) {
        device.Description = known->second.Description;
        device.Manufacturer = known->second.Manufacturer;
        device.SerialNumber = known->second.SerialNumber;
    }
    struct stat status {};
    if (stat(device.Device.c_str(), &status) == 0) {
        device.Access = DeviceAccessFor({status.st_mode & 07777u, status.st_uid, status.st_gid}, user);
        device.GroupName = GroupNameOf(status.st_gid);
    }
}

void SyncFolder(const std::string& folder)
{
    const int directory = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
        (void)fsync(directory);
        close(directory);
    }
}

bool PermissionError(int error)
{
    return error == EACCES || error == EPERM || error == EROFS;
}

}  // namespace

bool SerialPortChoiceAvailable()
{
    return true;
}

std::vector<TSerialDeviceFacts> SystemSerialDeviceFacts()
{
    std::vector<TSerialDeviceFacts> facts;
    for (const QSerialPortInfo& port : QSerialPortInfo::availablePorts())
        facts.push_back({port.systemLocation().toStdString(), port.description().toStdString(),
                         port.manufacturer().toStdString(), port.serialNumber().toStdString()});
    return facts;
}

TUserIdentity CurrentUserIdentity()
{
    TUserIdentity user;
    user.Uid = getuid();
    const int count = getgroups(0, nullptr);
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(count, 0)));
    if (count > 0 && getgroups(count, groups.data()) == count)
        user.SessionGroups.assign(groups.begin(), groups.end());
    user.SessionGroups.push_back(getgid());
    // The account's groups as the group database has them now, which a new login would get.
    if (const struct passwd* account = getpwuid(user.Uid)) {
        int found = 64;
        std::vector<gid_t> accountGroups(static_cast<std::size_t>(found));
        if (getgrouplist(account->pw_name, account->pw_gid, accountGroups.data(), &found) < 0) {
            accountGroups.resize(static_cast<std::size_t>(found));
            if (getgrouplist(account->pw_name, account->pw_gid, accountGroups.data(), &found) < 0)
                found = 0;
        }
        user.AccountGroups.assign(accountGroups.begin(), accountGroups.begin() + std::max(found, 0));
    }
    return user;
}

TDeviceAccess DeviceAccessFor(const TDeviceOwnership& device, const TUserIdentity& user)
{
    if (user.Uid == 0)
        return TDeviceAccess::MayOpen;
    // The kernel applies one class of bits: the owner's if the user owns it, else the group's if the
    // user is in it, else the others'.
    if (device.Owner == user.Uid)
        return (device.Mode & ReadWriteByOwner) == ReadWriteByOwner ? TDeviceAccess::MayOpen : TDeviceAccess::Refused;
    if (Contains(user.SessionGroups, device.Group))
        return (device.Mode & ReadWriteByGroup) == ReadWriteByGroup ? TDeviceAccess::MayOpen : TDeviceAccess::Refused;
    if ((device.Mode & ReadWriteByOthers) == ReadWriteByOthers)
        return TDeviceAccess::MayOpen;
    // Joining root's group is no fix to propose.
    if ((device.Mode & ReadWriteByGroup) != ReadWriteByGroup || device.Group == 0)
        return TDeviceAccess::Refused;
    return Contains(user.AccountGroups, device.Group) ? TDeviceAccess::GroupNotYetInSession : TDeviceAccess::NotInGroup;
}

std::vector<TSerialDevice> ListSerialDevices(const std::string& deviceRoot,
                                             const std::vector<TSerialDeviceFacts>& facts,
                                             const std::vector<std::string>& kept, const TUserIdentity& user)
{
    std::vector<TSerialDevice> devices;
    const std::string root = Canonical(deviceRoot);
    if (root.empty())
        return devices;
    std::map<std::string, TSerialDeviceFacts> known;
    for (const TSerialDeviceFacts& fact : facts) {
        const std::string device = Canonical(fact.Path);
        if (!device.empty())
            known.emplace(device, fact);
    }
    std::set<std::string> keptDevices;
    for (const std::string& path : kept)
        keptDevices.insert(Canonical(path));

    const fs::path byId = fs::path(deviceRoot) / "serial" / "by-id";
    for (const std::string& name : SortedNames(byId)) {
        TSerialDevice device;
        device.Path = (byId / name).string();
        device.ById = true;
        if (CharacterDeviceUnder(device.Path, root, device.Device))
            devices.push_back(device);
    }

    std::set<std::string> listedKernelDevices;
    const std::vector<std::string> names = SortedNames(deviceRoot);
    for (std::size_t prefix = 0; prefix < std::size(KernelDevicePrefixes); ++prefix) {
        std::vector<std::pair<long, std::string>> numbered;
        for (const std::string& name : names) {
            const long number = DeviceNumber(name, KernelDevicePrefixes[prefix]);
            if (number >= 0)
                numbered.emplace_back(number, name);
        }
        std::sort(numbered.begin(), numbered.end());
        for (const auto& [number, name] : numbered) {
            TSerialDevice device;
            device.Path = (fs::path(deviceRoot) / name).string();
            if (!CharacterDeviceUnder(device.Path, root, device.Device))
                continue;
            if (prefix == BuiltInPrefix && !known.count(device.Device) && !keptDevices.count(device.Device))
                continue;
            listedKernelDevices.insert(device.Device);
            devices.push_back(device);
        }
    }

    // Serial devices of other names that the system knows of (ttyAMA0 on some boards, rfcomm0).
    for (const auto& [path, fact] : known) {
        TSerialDevice device;
        device.Path = path;
        if (!listedKernelDevices.count(path) && CharacterDeviceUnder(path, root, device.Device))
            devices.push_back(device);
    }

    for (TSerialDevice& device : devices)
        Describe(device, known, user);
    return devices;
}

TComEntry ReadComEntry(const std::string& folder, int index, const std::string& deviceRoot)
{
    TComEntry entry;
    const fs::path name = fs::path(folder) / ("COM" + std::to_string(index + 1));
    std::error_code error;
    const fs::file_status status = fs::symlink_status(name, error);
    if (status.type() == fs::file_type::not_found) {
        entry.Target = (fs::path(deviceRoot) / ("ttyS" + std::to_string(index))).string();
        entry.Device = Canonical(entry.Target);
    } else if (status.type() == fs::file_type::symlink) {
        entry.Kind = TComEntryKind::Link;
        entry.Target = fs::read_symlink(name, error).string();
        entry.Device = Canonical(name);
    } else {
        entry.Kind = TComEntryKind::Other;
        entry.Target = name.string();
        return entry;
    }
    entry.Present = !entry.Device.empty();
    return entry;
}

TComLinkResult MakeComLink(const std::string& folder, int index, const std::string& devicePath,
                           const std::string& deviceRoot)
{
    const std::string name = "COM" + std::to_string(index + 1);
    const fs::path entry = fs::path(folder) / name;
    std::error_code error;
    const fs::file_type type = fs::symlink_status(entry, error).type();
    if (type != fs::file_type::not_found && type != fs::file_type::symlink)
        return TComLinkResult::EntryNotALink;

    const std::string root = Canonical(deviceRoot);
    const std::string lexicalRoot = fs::path(deviceRoot).lexically_normal().string();
    const std::string lexicalPath = fs::path(devicePath).lexically_normal().string();
    std::string device;
    if (root.empty() || !Under(lexicalPath, lexicalRoot) || !CharacterDeviceUnder(devicePath, root, device))
        return TComLinkResult::NotADevice;

    if (access(folder.c_str(), W_OK) != 0)
        return PermissionError(errno) ? TComLinkResult::FolderNotWritable : TComLinkResult::Failed;
    // Made under a name of its own and renamed over COMn, so that COMn is never missing or half made.
    const std::string temporary = (fs::path(folder) / ("." + name + ".new-" + std::to_string(getpid()))).string();
    (void)unlink(temporary.c_str());
    if (symlink(devicePath.c_str(), temporary.c_str()) != 0)
        return PermissionError(errno) ? TComLinkResult::FolderNotWritable : TComLinkResult::Failed;
    if (std::rename(temporary.c_str(), entry.c_str()) != 0) {
        const int renameError = errno;
        (void)unlink(temporary.c_str());
        return PermissionError(renameError) ? TComLinkResult::FolderNotWritable : TComLinkResult::Failed;
    }
    SyncFolder(folder);
    return TComLinkResult::Made;
}
