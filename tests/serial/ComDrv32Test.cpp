// TCommPortDriver over real pseudo-terminals: settings on the device, opening rules, writes, vanishing devices.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include "platform/SerialLine.h"
#include "serial/ComDrv32.h"
#include "support/ChildProcess.h"
#include "support/PseudoTerminal.h"

namespace {

class ComPortTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(Device.IsOpen());
        ASSERT_TRUE(Folder.Link("COM1", Device.SlavePath()));
        Port.SetComPort(pnCOM1);
    }

    TPortFolder Folder;
    TPseudoTerminal Device;
    TCommPortDriver Port;
};

}  // namespace

TEST(ComPortDefaults, NewInstanceHasTheDocumentedValues)
{
    const TCommPortDriver port;
    EXPECT_EQ(port.ComPort(), pnCOM2);
    EXPECT_EQ(port.ComPortSpeed(), br9600);
    EXPECT_EQ(port.ComPortDataBits(), db8BITS);
    EXPECT_EQ(port.ComPortStopBits(), sb1BITS);
    EXPECT_EQ(port.ComPortParity(), ptNONE);
    EXPECT_EQ(port.ComPortHwHandshaking(), hhNONE);
    EXPECT_EQ(port.ComPortSwHandshaking(), shNONE);
    EXPECT_EQ(port.ComPortInBufSize(), 2048);
    EXPECT_EQ(port.ComPortOutBufSize(), 2048);
    EXPECT_EQ(port.ComPortPollingDelay(), 50);
    EXPECT_TRUE(port.EnableDTROnOpen());
    EXPECT_EQ(port.OutputTimeout(), 4000);
    EXPECT_FALSE(port.OnReceiveData);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.OutputRoom(), 65535);
}

TEST(ComPortDefaults, OutOfRangeSettingsKeepThePreviousValue)
{
    TCommPortDriver port;
    port.SetComPortSpeed(13);
    port.SetComPortSpeed(-1);
    port.SetComPortDataBits(4);
    port.SetComPortParity(5);
    EXPECT_EQ(port.ComPortSpeed(), br9600);
    EXPECT_EQ(port.ComPortDataBits(), db8BITS);
    EXPECT_EQ(port.ComPortParity(), ptNONE);
}

TEST(ComPortNames, PortIndicesResolveToTheFolderLinkOrTheBuiltInPort)
{
    TPortFolder folder;
    for (const char* name : {"COM1", "COM9"})
        std::filesystem::remove(folder.Path() + "/" + name);  // no link: the built-in ports
    struct Row {
        const char* Name;
        int Port;
        std::string Expected;
    };
    const Row rows[] = {
        {"no port chosen", -1, ""},
        {"beyond COM9", 9, ""},
        {"far beyond", 100, ""},
        {"COM1 without link", 0, "/dev/ttyS0"},
        {"COM9 without link", 8, "/dev/ttyS8"},
        {"dangling link still wins", 2, "COM3"},
    };
    for (const Row& row : rows)
        EXPECT_EQ(TCommPortDriver::DevicePathFor(row.Port), row.Expected) << row.Name;
}

TEST(ComPortNames, NoDeviceNamedMeansNoOpen)
{
    TCommPortDriver port;
    port.SetComPort(-1);
    EXPECT_FALSE(port.OpenPort());
    port.SetComPort(9);
    EXPECT_FALSE(port.OpenPort());
    EXPECT_FALSE(port.IsOpen());
}

TEST_F(ComPortTest, DefaultsReachTheDeviceAsEightNoneOneWithoutFlowControl)
{
    ASSERT_TRUE(Port.OpenPort());
    const TPtyLineSettings line = Device.LineSettings();
    EXPECT_EQ(line.OutputSpeed, 9600u);
    EXPECT_EQ(line.DataBits, 8);
    EXPECT_FALSE(line.ParityEnabled);
    EXPECT_FALSE(line.TwoStopBits);
    EXPECT_FALSE(line.RtsCts);
    EXPECT_FALSE(line.XonOutput);
    EXPECT_FALSE(line.XoffInput);
    EXPECT_EQ(line.StartChar, 17);
    EXPECT_EQ(line.StopChar, 19);
    EXPECT_TRUE(line.Raw);
    EXPECT_FALSE(line.ParityCheck);
    EXPECT_TRUE(line.ReceiverOn);
    EXPECT_TRUE(line.LocalLine);
}

TEST_F(ComPortTest, EachOfTheThirteenSpeedsIsAppliedToTheDevice)
{
    struct Row {
        const char* Name;
        int Speed;
        unsigned BitsPerSecond;
        bool FreeRate;
    };
    const Row rows[] = {
        {"110", br110, 110, false},         {"300", br300, 300, false},
        {"600", br600, 600, false},         {"1200", br1200, 1200, false},
        {"2400", br2400, 2400, false},      {"4800", br4800, 4800, false},
        {"9600", br9600, 9600, false},      {"14400 (no Bxxx)", br14400, 14400, true},
        {"19200", br19200, 19200, false},   {"38400", br38400, 38400, false},
        {"56000 (no Bxxx)", br56000, 56000, true}, {"57600", br57600, 57600, false},
        {"115200", br115200, 115200, false},
    };
    ASSERT_TRUE(Port.OpenPort());
    for (const Row& row : rows) {
        // Set while connected: applied at once.
        Port.SetComPortSpeed(row.Speed);
        const TPtyLineSettings line = Device.LineSettings();
        EXPECT_EQ(line.OutputSpeed, row.BitsPerSecond) << row.Name;
        EXPECT_EQ(line.InputSpeed, row.BitsPerSecond) << row.Name;
        EXPECT_EQ(line.FreeRate, row.FreeRate) << row.Name;
        EXPECT_EQ(TCommPortDriver::LineRate(row.Speed), static_cast<int>(row.BitsPerSecond)) << row.Name;
    }
    // Set while closed: taken at the next open.
    Port.ClosePort();
    Port.SetComPortSpeed(br14400);
    ASSERT_TRUE(Port.OpenPort());
    EXPECT_EQ(Device.LineSettings().OutputSpeed, 14400u);
}

TEST_F(ComPortTest, FramingAndFlowControlSettingsMapOntoTheDevice)
{
    // A pty forces CS8 and clears PARENB whatever is asked, so the data bits and the parity
    // switch cannot be seen here; which parity (odd, mark, space) and the rest can.
    ASSERT_TRUE(Port.OpenPort());
    struct Expect {
        bool Odd, Constant, TwoStop, RtsCts, Xon;
    };
    struct Row {
        const char* Name;
        void (*Set)(TCommPortDriver&);
        Expect Line;
    };
    const Row rows[] = {
        {"odd", [](TCommPortDriver& p) { p.SetComPortParity(ptODD); }, {true, false, false, false, false}},
        {"even", [](TCommPortDriver& p) { p.SetComPortParity(ptEVEN); }, {false, false, false, false, false}},
        {"mark", [](TCommPortDriver& p) { p.SetComPortParity(ptMARK); }, {true, true, false, false, false}},
        {"space", [](TCommPortDriver& p) { p.SetComPortParity(ptSPACE); }, {false, true, false, false, false}},
        {"1.5 stop bits become 2", [](TCommPortDriver& p) { p.SetComPortStopBits(sb1HALFBITS); }, {false, true, true, false, false}},
        {"2 stop bits", [](TCommPortDriver& p) { p.SetComPortStopBits(sb2BITS); }, {false, true, true, false, false}},
        {"RTS/CTS", [](TCommPortDriver& p) { p.SetComPortHwHandshaking(hhRTSCTS); }, {false, true, true, true, false}},
        {"XON/XOFF", [](TCommPortDriver& p) { p.SetComPortSwHandshaking(shXONXOFF); }, {false, true, true, true, true}},
        {"back to 8N1, no flow", [](TCommPortDriver& p) {
             p.SetComPortDataBits(db8BITS); p.SetComPortParity(ptNONE); p.SetComPortStopBits(sb1BITS);
             p.SetComPortHwHandshaking(hhNONE); p.SetComPortSwHandshaking(shNONE); },
         {false, false, false, false, false}},
    };
    for (const Row& row : rows) {
        row.Set(Port);
        const TPtyLineSettings line = Device.LineSettings();
        EXPECT_EQ(line.ParityOdd, row.Line.Odd) << row.Name;
        EXPECT_EQ(line.ParityConstant, row.Line.Constant) << row.Name;
        EXPECT_EQ(line.TwoStopBits, row.Line.TwoStop) << row.Name;
        EXPECT_EQ(line.RtsCts, row.Line.RtsCts) << row.Name;
        EXPECT_EQ(line.XonOutput, row.Line.Xon) << row.Name;
        EXPECT_EQ(line.XoffInput, row.Line.Xon) << row.Name;
        EXPECT_EQ(line.StartChar, 17) << row.Name;
        EXPECT_EQ(line.StopChar, 19) << row.Name;
        EXPECT_FALSE(line.ParityCheck) << row.Name;
        EXPECT_TRUE(line.Raw) << row.Name;
    }
}

TEST_F(ComPortTest, OpenPortOnAnOpenPortDoesNotApplySettingsAgain)
{
    ASSERT_TRUE(Port.OpenPort());
    ASSERT_TRUE(Device.SetStandardSpeed(1200));
    EXPECT_TRUE(Port.OpenPort());
    EXPECT_EQ(Device.LineSettings().OutputSpeed, 1200u);
}

TEST_F(ComPortTest, ComPortIsIgnoredWhileConnected)
{
    TPseudoTerminal second;
    ASSERT_TRUE(Folder.Link("COM2", second.SlavePath()));
    ASSERT_TRUE(Port.OpenPort());
    Port.SetComPort(pnCOM2);
    EXPECT_EQ(Port.ComPort(), pnCOM1);
    Port.ClosePort();
    ASSERT_TRUE(Port.OpenPort());
    EXPECT_TRUE(Port.WriteText("x"));
    EXPECT_EQ(Device.ReadBytes(1, 2000), "x");
    EXPECT_EQ(second.ReadUntilQuiet(100), "");
}

TEST_F(ComPortTest, SpeedChangeWhileConnectedPurgesPendingInput)
{
    std::string received;
    Port.OnReceiveData = [&](QObject*, const void* data, std::uint32_t size) {
        received.append(static_cast<const char*>(data), size);
    };
    ASSERT_TRUE(Port.OpenPort());
    ASSERT_TRUE(Device.Write("stale"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));  // let it reach the slave, no timer tick
    Port.SetComPortSpeed(br4800);
    ASSERT_TRUE(Device.Write("fresh"));
    WaitFor(300);
    EXPECT_EQ(received, "fresh");
}

TEST_F(ComPortTest, ReceiveTimerHandsRepliesToTheHandlerAndDropsThemWithout)
{
    ASSERT_TRUE(Port.OpenPort());
    ASSERT_TRUE(Device.Write("dropped"));
    WaitFor(200);  // no handler: read and dropped
    std::string received;
    QObject* sender = nullptr;
    Port.OnReceiveData = [&](QObject* from, const void* data, std::uint32_t size) {
        sender = from;
        received.append(static_cast<const char*>(data), size);
    };
    ASSERT_TRUE(Device.Write("+0090\r"));
    WaitFor(300);
    EXPECT_EQ(received, "+0090\r");
    EXPECT_EQ(sender, &Port);
}

TEST_F(ComPortTest, PollingDelayRestartsTheTimerOnlyWhenItChanges)
{
    Port.SetComPortPollingDelay(1000);
    ASSERT_TRUE(Port.OpenPort());
    auto* timer = Port.findChild<QTimer*>(QStringLiteral("ReceiveTimer"));
    ASSERT_NE(timer, nullptr);
    ASSERT_TRUE(timer->isActive());
    std::this_thread::sleep_for(std::chrono::milliseconds(400));
    Port.SetComPortPollingDelay(1000);
    EXPECT_LE(timer->remainingTime(), 650);
    Port.SetComPortPollingDelay(3000);
    EXPECT_EQ(timer->interval(), 3000);
    EXPECT_GT(timer->remainingTime(), 2000);
    Port.ClosePort();
    EXPECT_FALSE(timer->isActive());
    Port.SetComPortPollingDelay(200);  // stored only
    EXPECT_FALSE(timer->isActive());
}

TEST_F(ComPortTest, WritesReportWhatWentOut)
{
    EXPECT_EQ(Port.WriteBytes("W090\r", 5), 0);  // closed: nothing
    EXPECT_FALSE(Port.WriteText("S\r"));
    EXPECT_TRUE(Port.WriteText(""));             // 0 = 0 even when closed
    ASSERT_TRUE(Port.OpenPort());
    EXPECT_TRUE(Port.WriteText(""));
    EXPECT_EQ(Port.WriteBytes("W090\r", 0), 0);
    EXPECT_EQ(Port.WriteBytes("W090\r", 5), 5);
    EXPECT_EQ(Device.ReadBytes(5, 2000), "W090\r");
    EXPECT_EQ(Port.OutputRoom(), 2048);
}

TEST_F(ComPortTest, OutputTimeoutStrikesWhileTheLineIsHeldByXoff)
{
    Port.SetComPortSwHandshaking(shXONXOFF);
    Port.SetOutputTimeout(300);
    ASSERT_TRUE(Port.OpenPort());
    ASSERT_TRUE(Device.Write(std::string(1, 19)));  // XOFF from the controller
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(Port.WriteText("W090\r"));
    EXPECT_GE(elapsed.elapsed(), 250);
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_TRUE(Port.IsOpen());
    ASSERT_TRUE(Device.Write(std::string(1, 17)));  // XON
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(Port.WriteText("W180\r"));
    EXPECT_EQ(Device.ReadUntilQuiet(200), "W180\r");
}

TEST_F(ComPortTest, APortHeldElsewhereDoesNotOpen)
{
    TCommPortDriver other;
    other.SetComPort(pnCOM1);
    ASSERT_TRUE(Port.OpenPort());
    EXPECT_FALSE(other.OpenPort());
    Port.ClosePort();
    EXPECT_TRUE(other.OpenPort());
    other.ClosePort();

    // Another program's lock on the device.
    const int holder = ::open(Device.SlavePath().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    EXPECT_FALSE(Port.OpenPort());
    ::close(holder);
    EXPECT_TRUE(Port.OpenPort());
}

TEST_F(ComPortTest, APlainFileLinkedAsAPortDoesNotOpen)
{
    ASSERT_TRUE(Folder.Link("COM1", "/etc/hostname"));
    EXPECT_FALSE(Port.OpenPort());
}

TEST_F(ComPortTest, ADeviceTheUserMayNotOpenFailsLikeAMissingOne)
{
    ASSERT_EQ(chmod(Device.SlavePath().c_str(), 0600), 0);
    // Root opens anything, so the check runs as an unprivileged user in a child process.
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        if (geteuid() == 0 && setuid(65534) != 0)
            _exit(2);
        if (geteuid() != 0)
            chmod(Device.SlavePath().c_str(), 0);
        const auto line = CreateSerialLine();
        _exit(line->Open(Device.SlavePath()) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: opened anyway, 2: could not drop privileges";
}

TEST_F(ComPortTest, AVanishedDeviceClosesThePortWithoutHangingAndCanComeBack)
{
    Port.SetOutputTimeout(60000);  // a hang would show as a minute-long write
    ASSERT_TRUE(Port.OpenPort());
    Device.CloseMaster();
    QElapsedTimer elapsed;
    elapsed.start();
    EXPECT_FALSE(Port.WriteText("W090\r"));
    EXPECT_LT(elapsed.elapsed(), 5000);
    EXPECT_FALSE(Port.IsOpen());

    TPseudoTerminal replacement;
    ASSERT_TRUE(Folder.Link("COM1", replacement.SlavePath()));
    ASSERT_TRUE(Port.OpenPort());
    EXPECT_TRUE(Port.WriteText("W090\r"));
    EXPECT_EQ(replacement.ReadBytes(5, 2000), "W090\r");
}

TEST_F(ComPortTest, TheReceiveTimerNoticesAVanishedDevice)
{
    ASSERT_TRUE(Port.OpenPort());
    Device.CloseMaster();
    WaitFor(300);
    EXPECT_FALSE(Port.IsOpen());
}

TEST_F(ComPortTest, InputBufferSizeIsIgnoredWhileConnected)
{
    ASSERT_TRUE(Port.OpenPort());
    Port.SetComPortInBufSize(16);
    EXPECT_EQ(Port.ComPortInBufSize(), 2048);
    Port.ClosePort();
    Port.SetComPortInBufSize(4);
    EXPECT_EQ(Port.ComPortInBufSize(), 4);

    std::string received;
    Port.OnReceiveData = [&](QObject*, const void* data, std::uint32_t size) {
        EXPECT_LE(size, 4u);
        received.append(static_cast<const char*>(data), size);
    };
    ASSERT_TRUE(Port.OpenPort());
    ASSERT_TRUE(Device.Write("AZ123.0\n"));
    WaitFor(500);
    EXPECT_EQ(received, "AZ123.0\n");
}
