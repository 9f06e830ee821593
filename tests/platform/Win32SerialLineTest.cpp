// The Windows serial line and port names over a null-modem pair: bytes both ways, exclusivity, settings, purges.
#include <gtest/gtest.h>

#include <string>

#include <windows.h>

#include "platform/SerialLine.h"
#include "platform/SerialPortNames.h"
#include "support/Win32NullModem.h"

namespace {

// Everything that arrives within `attempts` looks 10 ms apart, until `count` bytes are in.
std::string ReadBytes(ISerialLine& line, std::size_t count, int attempts = 200)
{
    std::string bytes;
    char buffer[256];
    for (int attempt = 0; attempt < attempts && bytes.size() < count; ++attempt) {
        const TSerialTransfer received = line.Read(buffer, sizeof buffer);
        if (received.Status != TSerialStatus::Done)
            break;
        bytes.append(buffer, static_cast<std::size_t>(received.Count));
        if (received.Count == 0)
            ::Sleep(10);
    }
    return bytes;
}

// Wine leaves share modes of devices unenforced, so a second opener gets in there.
bool RunningUnderWine()
{
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

class NullModemTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        int first = 0;
        int second = 0;
        if (!NullModemPorts(first, second))
            GTEST_SKIP() << "TOLVANE_NULL_MODEM names no port pair";
        NearIndex = first - 1;
        NearPath = SerialPortDevicePath(NearIndex);
        FarPath = SerialPortDevicePath(second - 1);
        ASSERT_TRUE(Near->Open(NearPath));
        ASSERT_TRUE(Far->Open(FarPath));
        Near->ApplySettings(TSerialLineSettings{});
        Far->ApplySettings(TSerialLineSettings{});
        Near->Purge(true, true);
        Far->Purge(true, true);
        ReadBytes(*Far, 1, 5);  // whatever an earlier test left on the cable
    }

    int NearIndex = -1;
    std::string NearPath;
    std::string FarPath;
    std::unique_ptr<ISerialLine> Near = CreateSerialLine();
    std::unique_ptr<ISerialLine> Far = CreateSerialLine();
};

}  // namespace

TEST(Win32SerialPortNames, PortIndicesNameTheDeviceNamespace)
{
    struct Row {
        const char* Name;
        int Index;
        const char* Expected;
    } rows[] = {
        {"COM1", 0, R"(\\.\COM1)"},
        {"COM4", 3, R"(\\.\COM4)"},
        {"COM9", 8, R"(\\.\COM9)"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SerialPortDevicePath(row.Index), row.Expected) << row.Name;
        // No links on Windows: a port stays the device it was opened as.
        EXPECT_EQ(SerialDeviceIdentity(SerialPortDevicePath(row.Index)), row.Expected) << row.Name;
    }
}

TEST(Win32SerialLine, OnlyACommunicationsDeviceOpens)
{
    char folder[MAX_PATH];
    char file[MAX_PATH];
    ASSERT_NE(::GetTempPathA(sizeof folder, folder), 0u);
    ASSERT_NE(::GetTempFileNameA(folder, "tlv", 0, file), 0u);
    struct Row {
        const char* Name;
        std::string Path;
    } rows[] = {
        {"empty path", ""},
        {"no such device", R"(\\.\TolvaneNoSuchPort)"},
        {"a plain file", file},
    };
    for (const Row& row : rows) {
        const auto line = CreateSerialLine();
        EXPECT_FALSE(line->Open(row.Path)) << row.Name;
        EXPECT_FALSE(line->IsOpen()) << row.Name;
    }
    ::DeleteFileA(file);
}

TEST(Win32SerialLine, AClosedLineMovesNothingAndSaysSo)
{
    const auto line = CreateSerialLine();
    char buffer[8];
    EXPECT_EQ(line->Write("W", 1).Status, TSerialStatus::DeviceGone);
    EXPECT_EQ(line->Read(buffer, sizeof buffer).Status, TSerialStatus::DeviceGone);
    EXPECT_EQ(line->OutputQueueLength(), -1);
}

TEST_F(NullModemTest, BytesCrossTheLineBothWays)
{
    const TSerialTransfer sent = Near->Write("W235\r", 5);
    EXPECT_EQ(sent.Status, TSerialStatus::Done);
    EXPECT_EQ(sent.Count, 5);
    EXPECT_EQ(ReadBytes(*Far, 5), "W235\r");

    // Every byte value arrives as sent: the line is raw both ways.
    std::string all;
    for (int value = 0; value < 256; ++value)
        all += static_cast<char>(value);
    ASSERT_EQ(Far->Write(all.data(), static_cast<int>(all.size())).Count, 256);
    EXPECT_EQ(ReadBytes(*Near, all.size()), all);
}

TEST_F(NullModemTest, AnEmptyLineReadsNothingWithoutWaiting)
{
    char buffer[16];
    const TSerialTransfer received = Near->Read(buffer, sizeof buffer);
    EXPECT_EQ(received.Status, TSerialStatus::Done);
    EXPECT_EQ(received.Count, 0);
    EXPECT_GE(Near->OutputQueueLength(), 0);
}

TEST_F(NullModemTest, APortThatExistsIsNamedWhetherOpenOrNot)
{
    EXPECT_TRUE(SerialPortNamedNow(NearIndex));
    Near->Close();
    EXPECT_TRUE(SerialPortNamedNow(NearIndex));
}

TEST_F(NullModemTest, APortHeldElsewhereDoesNotOpenUntilReleased)
{
    if (RunningUnderWine())
        GTEST_SKIP() << "Wine does not enforce a device's share mode";
    const auto other = CreateSerialLine();
    EXPECT_FALSE(other->Open(NearPath));
    Near->Close();
    EXPECT_FALSE(Near->IsOpen());
    EXPECT_TRUE(other->Open(NearPath));
}

// The settings a pty cannot keep or show: the line must still carry bytes after each.
TEST_F(NullModemTest, TheLineStillCarriesBytesAfterEverySetting)
{
    const TSerialParity none = TSerialParity::None;
    const TSerialStopBits one = TSerialStopBits::One;
    struct Row {
        const char* Name;
        TSerialLineSettings Settings;
    } rows[] = {
        {"14400 bit/s, no Bxxx rate", {14400, 8, none, one, false, false, 17, 19, true}},
        {"56000 bit/s, no Bxxx rate", {56000, 8, none, one, false, false, 17, 19, true}},
        {"7 data bits, even parity", {9600, 7, TSerialParity::Even, one, false, false, 17, 19, true}},
        {"mark parity", {9600, 8, TSerialParity::Mark, one, false, false, 17, 19, true}},
        {"space parity", {9600, 8, TSerialParity::Space, one, false, false, 17, 19, true}},
        {"2 stop bits asked with 5 data bits", {9600, 5, none, TSerialStopBits::Two, false, false, 17, 19, true}},
        {"DTR off", {9600, 8, none, one, false, false, 17, 19, false}},
    };
    for (const Row& row : rows) {
        Near->ApplySettings(row.Settings);
        ASSERT_EQ(Near->Write("S\r", 2).Count, 2) << row.Name;
        EXPECT_EQ(ReadBytes(*Far, 2), "S\r") << row.Name;
    }
}

TEST_F(NullModemTest, APurgeOfTheInputDropsWhatArrived)
{
    ASSERT_EQ(Far->Write("stale", 5).Count, 5);
    ::Sleep(100);  // the relay hands the bytes over
    Near->Purge(true, false);
    ASSERT_EQ(Far->Write("fresh", 5).Count, 5);
    EXPECT_EQ(ReadBytes(*Near, 5), "fresh");
}

TEST_F(NullModemTest, WaitingForRoomReturnsOnAnIdleLine)
{
    // An idle line has room at once: the wait must come back long before its limit. A wait that
    // ignored the queue would hold this test for a minute.
    const ULONGLONG start = ::GetTickCount64();
    Near->WaitWritable(60000);
    EXPECT_LT(::GetTickCount64() - start, 30000u);
}

// Rates, stop bits and flow control are read back; a pty, the usual far end under Wine, keeps
// 8 data bits without parity whatever it is told, so those are seen only as bytes still crossing.
TEST_F(NullModemTest, EachSettingReachesTheDevice)
{
    struct Row {
        const char* Name;
        int Rate;
        TSerialStopBits StopBits;
        bool RtsCts;
        bool XonXoff;
        BYTE ExpectedStopBits;
    } rows[] = {
        {"110 bit/s, the GS-232 default", 110, TSerialStopBits::One, false, false, ONESTOPBIT},
        {"4800 bit/s, 2 stop bits", 4800, TSerialStopBits::Two, false, false, TWOSTOPBITS},
        {"1.5 stop bits with 8 data bits become 2", 57600, TSerialStopBits::OneAndHalf, false, false, TWOSTOPBITS},
        {"115200 bit/s", 115200, TSerialStopBits::One, false, false, ONESTOPBIT},
        {"RTS/CTS", 9600, TSerialStopBits::One, true, false, ONESTOPBIT},
        {"XON/XOFF", 19200, TSerialStopBits::One, false, true, ONESTOPBIT},
    };
    for (const Row& row : rows) {
        TSerialLineSettings settings;
        settings.BitsPerSecond = row.Rate;
        settings.StopBits = row.StopBits;
        settings.RtsCtsFlowControl = row.RtsCts;
        settings.XonXoffFlowControl = row.XonXoff;
        ASSERT_TRUE(Near->Open(NearPath)) << row.Name;
        Near->ApplySettings(settings);
        Near->Close();
        DCB state{};
        ASSERT_TRUE(DeviceState(NearPath, state)) << row.Name;
        EXPECT_EQ(state.BaudRate, static_cast<DWORD>(row.Rate)) << row.Name;
        EXPECT_EQ(state.StopBits, row.ExpectedStopBits) << row.Name;
        EXPECT_EQ(state.fOutxCtsFlow != 0, row.RtsCts) << row.Name;
        EXPECT_EQ(state.fOutX != 0, row.XonXoff) << row.Name;
        EXPECT_EQ(state.fInX != 0, row.XonXoff) << row.Name;
    }
}
