// The GS-232 and EasyComm drivers through the serial component on a real COM port, read at the other end
// of a null modem: the commands, the step rule, the stops, the speed on the device and the bytes at exit.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/DriverContract.h"
#include "drivers/EasyCommDriver.h"
#include "drivers/Gs232Driver.h"
#include "platform/SerialLine.h"
#include "platform/SerialPortNames.h"
#include "serial/ComDrv32.h"
#include "support/ProcessState.h"
#include "support/Recorders.h"
#include "support/Win32NullModem.h"

namespace {

// The line state the device keeps once the driver has let the port go, as a fresh handle reads it.
DWORD DeviceBaudRate(const std::string& path)
{
    DCB state{};
    return DeviceState(path, state) ? state.BaudRate : 0;
}

class Win32SerialDriversTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        int first = 0;
        int second = 0;
        if (!NullModemPorts(first, second))
            GTEST_SKIP() << "TOLVANE_NULL_MODEM names no port pair";
        ResetProcessState();
        PortIndex = first - 1;
        ASSERT_TRUE(Controller->Open(SerialPortDevicePath(second - 1)));
        Controller->ApplySettings(TSerialLineSettings{});
        Controller->Purge(true, true);
        ReadUntilQuiet(50);  // whatever an earlier test left on the cable
        StationSettings.PORT_GS232 = PortIndex;
        StationSettings.PORT_EASYCOMM = PortIndex;
        GsPort.SetComPortSpeed(br110);  // as the main window creates it
        DriverContext.CommPortDriverGS = &GsPort;
        DriverContext.CommPortDriverEasy = &EasyPort;
        DriverContext.SetLabelEtatInterface = [this](const std::string& text) { Label = text; };
    }

    void TearDown() override
    {
        GsPort.ClosePort();
        EasyPort.ClosePort();
        ResetProcessState();
    }

    static void Go(void (*go)(), long double azimuth)
    {
        TargetAzimuth = azimuth;
        go();
    }

    // Bytes that arrive until `count` are in or about two seconds pass.
    std::string ReadBytes(std::size_t count)
    {
        std::string bytes;
        char buffer[256];
        for (int attempt = 0; attempt < 200 && bytes.size() < count; ++attempt) {
            const TSerialTransfer received = Controller->Read(buffer, sizeof buffer);
            if (received.Status != TSerialStatus::Done)
                break;
            bytes.append(buffer, static_cast<std::size_t>(received.Count));
            if (received.Count == 0)
                Sleep(10);
        }
        return bytes;
    }

    // Everything that arrives until the line has been quiet for `quietMs`.
    std::string ReadUntilQuiet(int quietMs)
    {
        std::string bytes;
        char buffer[256];
        for (int quiet = 0; quiet < quietMs; quiet += 10) {
            const TSerialTransfer received = Controller->Read(buffer, sizeof buffer);
            if (received.Status != TSerialStatus::Done)
                break;
            if (received.Count > 0) {
                bytes.append(buffer, static_cast<std::size_t>(received.Count));
                quiet = 0;
            }
            Sleep(10);
        }
        return bytes;
    }

    int PortIndex = -1;
    std::unique_ptr<ISerialLine> Controller = CreateSerialLine();
    TCommPortDriver GsPort;
    TCommPortDriver EasyPort;
    TBeepRecorder Beeps;
    std::string Label;
};

TEST_F(Win32SerialDriversTest, CommandsReachTheControllerAsTheyDoOnLinux)
{
    struct Row {
        const char* Name;
        void (*Go)();
        int TStationSettings::*EndStop;
        int Stop;  // 0 north, 1 south
        long double Azimuth;
        const char* Bytes;
        const char* Label;
    };
    const Row rows[] = {
        {"GS-232, 235", &GoGs232, &TStationSettings::STOP_GS232, 0, 235, "W235\r", "235"},
        {"GS-232, one digit", &GoGs232, &TStationSettings::STOP_GS232, 0, 5, "W005\r", "005"},
        {"GS-232, half to even up to 360", &GoGs232, &TStationSettings::STOP_GS232, 0, 359.5L, "W360\r", "360"},
        {"GS-232, south stop, 90", &GoGs232, &TStationSettings::STOP_GS232, 1, 90, "W270\r", "270"},
        {"EasyComm, south stop, 10", &GoEasyComm, &TStationSettings::STOP_EASYCOMM, 1, 10, "AZ190.0\r", "190"},
        {"EasyComm, fraction rounds, never sent", &GoEasyComm, &TStationSettings::STOP_EASYCOMM, 0, 123.6L,
         "AZ124.0\r", "124"},
        {"EasyComm, half to even down", &GoEasyComm, &TStationSettings::STOP_EASYCOMM, 0, 2.5L, "AZ002.0\r", "002"},
    };
    for (const Row& row : rows) {
        StationSettings.*row.EndStop = row.Stop;
        LastSentAzimuth = LastSentAzimuthReset;
        Go(row.Go, row.Azimuth);
        EXPECT_EQ(ReadBytes(std::string(row.Bytes).size()), row.Bytes) << row.Name;
        EXPECT_EQ(Label, row.Label) << row.Name;
        EXPECT_FALSE(CommandNotSent) << row.Name;
        EXPECT_EQ(LastSentAzimuth, row.Azimuth) << row.Name << ": kept before the end-stop shift";
    }
    EXPECT_EQ(Beeps.Count(), 0);
    EXPECT_TRUE(GsPort.IsOpen());
    EXPECT_TRUE(EasyPort.IsOpen());
}

TEST_F(Win32SerialDriversTest, StepRuleHoldsBackASmallChangeAndKeepsThePortOpen)
{
    StationSettings.STEP_GS232 = 5;
    Go(&GoGs232, 235);
    EXPECT_EQ(ReadBytes(5), "W235\r");

    Go(&GoGs232, 239);
    EXPECT_TRUE(CommandNotSent);
    EXPECT_EQ(LastSentAzimuth, 235);
    EXPECT_EQ(ReadUntilQuiet(150), "");
    EXPECT_TRUE(GsPort.IsOpen());

    CommandNotSent = false;
    Go(&GoGs232, 240);
    EXPECT_FALSE(CommandNotSent);
    EXPECT_EQ(ReadBytes(5), "W240\r");
    EXPECT_EQ(Beeps.Count(), 0);
}

TEST_F(Win32SerialDriversTest, StopsSendTheirTextAndLetThePortGoAtTheDriversSpeed)
{
    struct Row {
        const char* Name;
        void (*Go)();
        void (*Stop)();
        TCommPortDriver* Port;
        const char* Command;
        const char* StopText;
        DWORD Rate;
    };
    const Row rows[] = {
        {"GS-232", &GoGs232, &StopGs232, &GsPort, "W030\r", "S\r", 110},
        {"EasyComm", &GoEasyComm, &StopEasyComm, &EasyPort, "AZ030.0\r", "SA\r", 9600},
    };
    for (const Row& row : rows) {
        row.Stop();
        EXPECT_FALSE(row.Port->IsOpen()) << row.Name;
        EXPECT_EQ(ReadUntilQuiet(150), "") << row.Name << ": a closed port sends no stop";

        LastSentAzimuth = LastSentAzimuthReset;
        Go(row.Go, 30);
        row.Stop();
        EXPECT_FALSE(row.Port->IsOpen()) << row.Name;
        EXPECT_EQ(ReadBytes(std::string(row.Command).size() + std::string(row.StopText).size()),
                  std::string(row.Command) + row.StopText)
            << row.Name;
        EXPECT_EQ(DeviceBaudRate(SerialPortDevicePath(PortIndex)), row.Rate) << row.Name;
    }
}

// The serial part of the program's close: the parking azimuth through the chosen interface, then that
// interface's exit stop text unless it parks there, then the port let go.
void CloseAsTheProgramDoes()
{
    const TInterfaceRow* row = InterfaceRowOf(StationSettings.ANT);
    ASSERT_NE(row, nullptr);
    if (StationSettings.PARKING != 0) {
        TargetAzimuth = StationSettings.AZIMUT_PARKING;
        row->Go();
    }
    TCommPortDriver* port = DriverContext.*row->SerialPort;
    if (StationSettings.PARKING != StationSettings.ANT + 1)
        port->WriteText(row->ExitStopText());
    port->ClosePort();
}

TEST_F(Win32SerialDriversTest, ParkingAndTheExitStopOnTheLine)
{
    struct Row {
        const char* Name;
        TRotatorInterface Chosen;
        int Parking;  // PARKING: the interface + 1, 0 for none
        long double Azimuth;
        const char* Bytes;
    };
    const Row rows[] = {
        {"GS-232 parks there: no stop after", riGS232, riGS232 + 1, 270, "W270\r"},
        {"GS-232, parking named for EasyComm", riGS232, riEasyComm + 1, 90, "W090\rS\r"},
        {"EasyComm parked through another interface", riEasyComm, riGS232 + 1, 90, "AZ090.0\rSA SE\r"},
        {"EasyComm parks there", riEasyComm, riEasyComm + 1, 180, "AZ180.0\r"},
        {"no parking, port never opened", riEasyComm, 0, 0, ""},
    };
    for (const Row& row : rows) {
        LastSentAzimuth = LastSentAzimuthReset;
        StationSettings.ANT = row.Chosen;
        StationSettings.PARKING = row.Parking;
        StationSettings.AZIMUT_PARKING = row.Azimuth;
        CloseAsTheProgramDoes();
        EXPECT_EQ(ReadUntilQuiet(300), row.Bytes) << row.Name;
        EXPECT_FALSE(GsPort.IsOpen()) << row.Name;
        EXPECT_FALSE(EasyPort.IsOpen()) << row.Name;
    }
    EXPECT_EQ(Beeps.Count(), 0);
}

}  // namespace
