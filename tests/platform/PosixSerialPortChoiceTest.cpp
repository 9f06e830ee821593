// COMn links on Linux against a device folder of the test's own: the devices offered, where COMn leads,
// links made, replaced and refused, and who may open a device.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <ostream>

#include "platform/SerialPortChoice.h"
#include "support/PosixDeviceTree.h"
#include "support/TestFiles.h"

namespace {

// Major numbers of the kernel's serial drivers, so that the devices are what /dev would hold.
constexpr unsigned SerialMajor = 4;  // ttyS<n> is minor 64 + n
constexpr unsigned UsbSerialMajor = 188;
constexpr unsigned AcmMajor = 166;

std::vector<std::string> PathsOf(const std::vector<TSerialDevice>& devices, const std::string& root)
{
    std::vector<std::string> paths;
    for (const TSerialDevice& device : devices)
        paths.push_back(device.Path.substr(root.size() + 1));
    return paths;
}

class PosixSerialPortChoiceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Folder.isValid());
        chmod(FolderPath().c_str(), 0755);
    }

    std::string FolderPath() const { return Folder.path().toStdString(); }
    std::string ComPath(int number) const { return FolderPath() + "/COM" + std::to_string(number); }

    TDeviceTree Dev;
    QTemporaryDir Folder;  // Tolvane's folder
};

TEST_F(PosixSerialPortChoiceTest, OffersByIdNamesFirstThenAdaptersThenTheBuiltInPortsTheSystemKnows)
{
    ASSERT_TRUE(Dev.Device("ttyUSB1", UsbSerialMajor, 1));
    ASSERT_TRUE(Dev.Device("ttyUSB2", UsbSerialMajor, 2));
    ASSERT_TRUE(Dev.Device("ttyUSB10", UsbSerialMajor, 10));
    ASSERT_TRUE(Dev.Device("ttyACM0", AcmMajor, 0));
    for (unsigned port = 0; port < 4; ++port)
        ASSERT_TRUE(Dev.Device("ttyS" + std::to_string(port), SerialMajor, 64 + port));
    ASSERT_TRUE(Dev.Device("ttyAMA0", 204, 64));
    ASSERT_TRUE(Dev.Link("serial/by-id/usb-Maker_B-if00-port0", "../../ttyUSB1"));
    ASSERT_TRUE(Dev.Link("serial/by-id/usb-Maker_A-if00", "../../ttyACM0"));
    // Names that lead to no device of the tree, or to something else than a device.
    ASSERT_TRUE(Dev.Link("serial/by-id/usb-Unplugged-if00", "../../ttyUSB9"));
    ASSERT_TRUE(Dev.Link("serial/by-id/usb-Outside-if00", "/dev/null"));
    ASSERT_TRUE(Dev.File("ttyUSB5"));
    ASSERT_TRUE(Dev.Device("ttyUSBx", UsbSerialMajor, 20));
    ASSERT_TRUE(Dev.Device("tty5", SerialMajor, 5));

    const std::vector<TSerialDeviceFacts> facts = {
        {Dev.PathOf("ttyS1"), "16550A", "", ""},
        {Dev.PathOf("ttyAMA0"), "PL011", "", ""},
        {Dev.PathOf("ttyUSB7"), "gone meanwhile", "", ""},
    };
    const std::vector<TSerialDevice> devices = ListSerialDevices(Dev.Path(), facts, {Dev.PathOf("ttyS3")}, {});

    const std::vector<std::string> expected = {
        "serial/by-id/usb-Maker_A-if00", "serial/by-id/usb-Maker_B-if00-port0",
        "ttyUSB1", "ttyUSB2", "ttyUSB10", "ttyACM0",
        "ttyS1",  // the system knows of it
        "ttyS3",  // a COMn leads to it
        "ttyAMA0",
    };
    EXPECT_EQ(PathsOf(devices, Dev.Path()), expected);
}

TEST_F(PosixSerialPortChoiceTest, DescribesEachNameOfADeviceFromWhatTheSystemSaysOfTheDevice)
{
    ASSERT_TRUE(Dev.Device("ttyUSB0", UsbSerialMajor, 0));
    ASSERT_TRUE(Dev.Link("serial/by-id/usb-FTDI_FT232R_A50285BI-if00-port0", "../../ttyUSB0"));
    // The system may name the device through a link of its own.
    ASSERT_TRUE(Dev.Link("serial-alias", "ttyUSB0"));
    const std::vector<TSerialDeviceFacts> facts = {{Dev.PathOf("serial-alias"), "FT232R USB UART", "FTDI", "A50285BI"}};

    const std::vector<TSerialDevice> devices = ListSerialDevices(Dev.Path(), facts, {}, {});

    ASSERT_EQ(devices.size(), 2u);
    EXPECT_TRUE(devices[0].ById);
    EXPECT_FALSE(devices[1].ById);
    for (const TSerialDevice& device : devices) {
        EXPECT_EQ(device.Device, Dev.PathOf("ttyUSB0")) << device.Path;
        EXPECT_EQ(device.Description, "FT232R USB UART") << device.Path;
        EXPECT_EQ(device.Manufacturer, "FTDI") << device.Path;
        EXPECT_EQ(device.SerialNumber, "A50285BI") << device.Path;
    }
}

TEST_F(PosixSerialPortChoiceTest, ADeviceRootThatDoesNotExistOffersNothing)
{
    EXPECT_TRUE(ListSerialDevices(Dev.PathOf("missing"), {}, {}, {}).empty());
}

struct TAccessRow {
    const char* Name;
    TDeviceOwnership Device;
    TUserIdentity User;
    TDeviceAccess Expected;
};

void PrintTo(const TAccessRow& row, std::ostream* out)
{
    *out << row.Name;
}

constexpr unsigned Dialout = 20;
const TUserIdentity Operator = {1000, {1000, 24}, {1000, 24}};
const TUserIdentity OperatorInDialout = {1000, {1000, Dialout}, {1000, Dialout}};
const TUserIdentity OperatorAddedSinceLogin = {1000, {1000}, {1000, Dialout}};

const TAccessRow AccessRows[] = {
    {"GroupReadWriteNotAMember", {0660, 0, Dialout}, Operator, TDeviceAccess::NotInGroup},
    {"GroupReadWriteAMember", {0660, 0, Dialout}, OperatorInDialout, TDeviceAccess::MayOpen},
    {"AddedToTheGroupSinceLogin", {0660, 0, Dialout}, OperatorAddedSinceLogin, TDeviceAccess::GroupNotYetInSession},
    {"GroupMayOnlyRead", {0640, 0, Dialout}, OperatorInDialout, TDeviceAccess::Refused},
    {"GroupMayOnlyReadNotAMember", {0640, 0, Dialout}, Operator, TDeviceAccess::Refused},
    {"OthersReadWrite", {0666, 0, Dialout}, Operator, TDeviceAccess::MayOpen},
    {"OthersMayOnlyRead", {0664, 0, Dialout}, Operator, TDeviceAccess::NotInGroup},
    {"TheUsersOwnPty", {0620, 1000, 5}, Operator, TDeviceAccess::MayOpen},
    {"OwnerBitsRuleTheOwner", {0066, 1000, Dialout}, OperatorInDialout, TDeviceAccess::Refused},
    {"GroupBitsRuleAMember", {0606, 0, Dialout}, OperatorInDialout, TDeviceAccess::Refused},
    {"OwnerOnlyOfAnother", {0600, 0, 0}, Operator, TDeviceAccess::Refused},
    {"RootsGroupIsNoFix", {0660, 0, 0}, Operator, TDeviceAccess::Refused},
    {"RootOpensAnything", {0600, 0, 0}, {0, {0}, {0}}, TDeviceAccess::MayOpen},
};

class DeviceAccessRows : public ::testing::TestWithParam<TAccessRow> {};

TEST_P(DeviceAccessRows, FollowTheKernelsPermissionRules)
{
    EXPECT_EQ(DeviceAccessFor(GetParam().Device, GetParam().User), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(PosixSerialPortChoice, DeviceAccessRows, ::testing::ValuesIn(AccessRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(PosixSerialPortChoiceTest, EachDeviceSaysWhetherTheUserMayOpenItAndItsGroup)
{
    const struct group* dialout = getgrnam("dialout");
    if (!dialout)
        GTEST_SKIP() << "no dialout group on this system";
    ASSERT_TRUE(Dev.Device("ttyUSB0", UsbSerialMajor, 0, 0660, dialout->gr_gid));
    ASSERT_TRUE(Dev.Device("ttyACM0", AcmMajor, 0, 0666, dialout->gr_gid));

    const std::vector<TSerialDevice> devices = ListSerialDevices(Dev.Path(), {}, {}, Operator);

    ASSERT_EQ(devices.size(), 2u);
    EXPECT_EQ(devices[0].Access, TDeviceAccess::NotInGroup);
    EXPECT_EQ(devices[0].GroupName, "dialout");
    EXPECT_EQ(devices[1].Access, TDeviceAccess::MayOpen);
}

TEST_F(PosixSerialPortChoiceTest, TellsWhereEachComLeadsToday)
{
    ASSERT_TRUE(Dev.Device("ttyS0", SerialMajor, 64));
    ASSERT_TRUE(Dev.Device("ttyUSB0", UsbSerialMajor, 0));
    ASSERT_TRUE(Dev.Link("serial/by-id/usb-Adapter-if00-port0", "../../ttyUSB0"));
    ASSERT_EQ(symlink(Dev.PathOf("serial/by-id/usb-Adapter-if00-port0").c_str(), ComPath(2).c_str()), 0);
    ASSERT_EQ(symlink("/nowhere/ttyUSB3", ComPath(3).c_str()), 0);
    WriteTestFile(ComPath(4), "the user's notes");

    struct Row {
        const char* Name;
        int Index;
        TComEntryKind Kind;
        std::string Target;
        bool Present;
        std::string Device;
    };
    const Row rows[] = {
        {"no link, the built-in port", 0, TComEntryKind::None, Dev.PathOf("ttyS0"), true, Dev.PathOf("ttyS0")},
        {"a link through by-id", 1, TComEntryKind::Link, Dev.PathOf("serial/by-id/usb-Adapter-if00-port0"), true,
         Dev.PathOf("ttyUSB0")},
        {"a dangling link", 2, TComEntryKind::Link, "/nowhere/ttyUSB3", false, ""},
        {"a file of the user's", 3, TComEntryKind::Other, ComPath(4), false, ""},
    };
    for (const Row& row : rows) {
        const TComEntry entry = ReadComEntry(FolderPath(), row.Index, Dev.Path());
        EXPECT_EQ(entry.Kind, row.Kind) << row.Name;
        EXPECT_EQ(entry.Target, row.Target) << row.Name;
        EXPECT_EQ(entry.Present, row.Present) << row.Name;
        EXPECT_EQ(entry.Device, row.Device) << row.Name;
    }
    // No built-in port behind the fallback.
    const TComEntry absent = ReadComEntry(FolderPath(), 0, Dev.PathOf("empty"));
    EXPECT_EQ(absent.Kind, TComEntryKind::None);
    EXPECT_FALSE(absent.Present);
}

TEST_F(PosixSerialPortChoiceTest, MakesAndReplacesLinksAndLeavesNothingElseInTheFolder)
{
    ASSERT_TRUE(Dev.Device("ttyUSB0", UsbSerialMajor, 0));
    ASSERT_TRUE(Dev.Device("ttyACM0", AcmMajor, 0));
    ASSERT_TRUE(Dev.Link("serial/by-id/usb-Adapter-if00-port0", "../../ttyUSB0"));
    const std::string byId = Dev.PathOf("serial/by-id/usb-Adapter-if00-port0");
    ASSERT_EQ(symlink("/nowhere/ttyUSB3", ComPath(3).c_str()), 0);

    struct Row {
        const char* Name;
        int Index;
        std::string Device;
    };
    const Row rows[] = {
        {"made where there was none", 0, byId},
        {"replaced, a present link", 0, Dev.PathOf("ttyACM0")},
        {"replaced, a dangling link", 2, Dev.PathOf("ttyUSB0")},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(MakeComLink(FolderPath(), row.Index, row.Device, Dev.Path()), TComLinkResult::Made) << row.Name;
        EXPECT_EQ(std::filesystem::read_symlink(ComPath(row.Index + 1)).string(), row.Device) << row.Name;
    }
    const std::map<std::string, std::string> expected = {
        {"COM1", "link to " + Dev.PathOf("ttyACM0")},
        {"COM3", "link to " + Dev.PathOf("ttyUSB0")},
    };
    EXPECT_EQ(FolderSnapshot(FolderPath()), expected);
}

TEST_F(PosixSerialPortChoiceTest, RefusesAndTouchesNothingWhenComIsNoLinkOrThePathNoDevice)
{
    ASSERT_TRUE(Dev.Device("ttyUSB0", UsbSerialMajor, 0));
    ASSERT_TRUE(Dev.Device("ttyACM0", AcmMajor, 0));
    ASSERT_TRUE(Dev.File("ttyUSB1"));
    ASSERT_TRUE(Dev.Link("serial/by-id/usb-Unplugged-if00", "../../ttyUSB9"));
    ASSERT_TRUE(Dev.Link("serial/by-id/usb-Outside-if00", "/dev/null"));
    ASSERT_EQ(symlink(Dev.PathOf("ttyACM0").c_str(), ComPath(1).c_str()), 0);
    WriteTestFile(ComPath(2), "the user's notes");
    ASSERT_EQ(mkdir(ComPath(3).c_str(), 0755), 0);

    struct Row {
        const char* Name;
        int Index;
        std::string Device;
        TComLinkResult Expected;
    };
    const Row rows[] = {
        {"COM2 is a file", 1, Dev.PathOf("ttyUSB0"), TComLinkResult::EntryNotALink},
        {"COM3 is a folder", 2, Dev.PathOf("ttyUSB0"), TComLinkResult::EntryNotALink},
        {"a plain file", 0, Dev.PathOf("ttyUSB1"), TComLinkResult::NotADevice},
        {"nothing there", 0, Dev.PathOf("ttyUSB9"), TComLinkResult::NotADevice},
        {"a by-id name leading nowhere", 0, Dev.PathOf("serial/by-id/usb-Unplugged-if00"), TComLinkResult::NotADevice},
        {"a by-id name leading out of the tree", 0, Dev.PathOf("serial/by-id/usb-Outside-if00"),
         TComLinkResult::NotADevice},
        {"a device outside the tree", 0, "/dev/null", TComLinkResult::NotADevice},
        {"the tree itself", 0, Dev.Path(), TComLinkResult::NotADevice},
    };
    const auto before = FolderSnapshot(FolderPath());
    for (const Row& row : rows)
        EXPECT_EQ(MakeComLink(FolderPath(), row.Index, row.Device, Dev.Path()), row.Expected) << row.Name;
    EXPECT_EQ(FolderSnapshot(FolderPath()), before);
}

// As root every folder is writable: an ordinary user's child process tries instead.
TEST_F(PosixSerialPortChoiceTest, RefusesAFolderTheUserMayNotWrite)
{
    ASSERT_TRUE(Dev.Device("ttyUSB0", UsbSerialMajor, 0, 0666));
    ASSERT_EQ(symlink(Dev.PathOf("ttyUSB0").c_str(), ComPath(1).c_str()), 0);
    const auto before = FolderSnapshot(FolderPath());
    if (getuid() != 0)
        GTEST_SKIP() << "needs root to become another user";

    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        constexpr uid_t Nobody = 65534;
        if (setgid(Nobody) != 0 || setuid(Nobody) != 0)
            _exit(100);
        _exit(static_cast<int>(MakeComLink(FolderPath(), 0, Dev.PathOf("ttyUSB0"), Dev.Path())));
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), static_cast<int>(TComLinkResult::FolderNotWritable));
    EXPECT_EQ(FolderSnapshot(FolderPath()), before);
}

}  // namespace
