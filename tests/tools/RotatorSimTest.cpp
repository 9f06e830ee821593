// rotator-sim as a process: Tolvane's serial drivers point a simulated GS-232 and EasyComm rotator through its link.
#include <QStandardPaths>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/EasyCommDriver.h"
#include "drivers/Gs232Driver.h"
#include "serial/ComDrv32.h"
#include "support/ChildProcess.h"
#include "support/ProcessState.h"
#include "support/PseudoTerminal.h"

namespace {

const std::string SimulatorPath = BuiltProgram("rotator-sim");
constexpr int PatientMs = 10000;

class RotatorSimTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        Port.ClosePort();
        ResetProcessState();
        Simulator.reset();
    }

    // Starts the simulator linked as COM1 in the test's folder and points both drivers at it.
    void Start(const char* protocol, const char* start, const char* rate = "30")
    {
        ASSERT_TRUE(std::filesystem::exists(SimulatorPath)) << "build the rotator-sim target first";
        Simulator = std::make_unique<TChildProcess>(
            SimulatorPath, QStringList{"--protocol", protocol, "--rate", rate, "--start", start, "--link", LinkPath()});
        Forgotten = 0;
        ASSERT_TRUE(Simulator->HasStarted());
        ASSERT_TRUE(WaitForLine("READY")) << Output();
        Port.SetComPort(pnCOM1);
        Port.OnReceiveData = [this](QObject*, const void* data, std::uint32_t size) {
            Replies.append(static_cast<const char*>(data), size);
        };
        StationSettings.PORT_GS232 = 0;
        StationSettings.PORT_EASYCOMM = 0;
        DriverContext = {};
        DriverContext.CommPortDriverGS = &Port;
        DriverContext.CommPortDriverEasy = &Port;
        LastSentAzimuth = LastSentAzimuthReset;
    }

    QString LinkPath() const { return QString::fromStdString(Folder.Path() + "/COM1"); }

    // Runs the event loop (the port's receive timer) until a line starting with `prefix` is printed.
    bool WaitForLine(const QString& prefix, int timeoutMs = PatientMs)
    {
        return WaitForOutput([&](const QString& line) { return line.startsWith(prefix); }, timeoutMs);
    }

    bool WaitForLineContaining(const QString& text, int timeoutMs = PatientMs)
    {
        return WaitForOutput([&](const QString& line) { return line.contains(text); }, timeoutMs);
    }

    bool WaitForOutput(const std::function<bool(const QString&)>& matches, int timeoutMs)
    {
        return RunEventsUntil([&] {
            const QStringList lines = QString::fromStdString(Output()).split('\n');
            return std::any_of(lines.begin(), lines.end(), matches);
        }, timeoutMs);
    }

    bool WaitForReply(const std::string& reply, int timeoutMs = PatientMs)
    {
        return RunEventsUntil([&] { return Replies.find(reply) != std::string::npos; }, timeoutMs);
    }

    // What the simulator printed since the last ForgetOutput.
    std::string Output() { return Simulator ? Simulator->Output().substr(Forgotten) : std::string(); }

    void ForgetOutput()
    {
        Forgotten = Simulator ? Simulator->Output().size() : 0;
        Replies.clear();
    }

    TPortFolder Folder;
    std::unique_ptr<TChildProcess> Simulator;
    std::size_t Forgotten = 0;  // output before this is no longer looked at
    TCommPortDriver Port;
    std::string Replies;
};

}  // namespace

TEST_F(RotatorSimTest, Gs232TurnsToTheCommandedAzimuthAndSurvivesAReopen)
{
    Start("gs232", "60");
    TargetAzimuth = 90;
    GoGs232();
    EXPECT_FALSE(CommandNotSent);
    EXPECT_TRUE(WaitForLine(R"(RX "W090\r")")) << Output();
    EXPECT_TRUE(WaitForLine("HEADING 90.0 (arrived)")) << Output();

    StopGs232();  // sends S and closes the port
    EXPECT_FALSE(Port.IsOpen());
    EXPECT_TRUE(WaitForLine(R"(RX "S\r")")) << Output();

    ForgetOutput();
    TargetAzimuth = 45;
    GoGs232();  // opens the same pty again
    EXPECT_TRUE(WaitForLine(R"(RX "W045\r")")) << Output();
    EXPECT_TRUE(WaitForLine("HEADING 45.0 (arrived)")) << Output();
}

TEST_F(RotatorSimTest, Gs232AnswersPositionQueriesAndRefusesUnknownCommands)
{
    Start("gs232", "60");
    ASSERT_TRUE(Port.OpenPort());
    struct Row {
        const char* Name;
        const char* Command;
        const char* Reply;
    };
    const Row rows[] = {
        {"position", "C\r", "+0060\r\n"},
        {"position with elevation", "C2\r", "+0060+0000\r\n"},
        {"unknown command", "X\r", "?>\r\n"},
        {"azimuth beyond the stop", "W999\r", "?>\r\n"},
        {"azimuth not three digits", "W90\r", "?>\r\n"},
    };
    for (const Row& row : rows) {
        Replies.clear();
        ASSERT_TRUE(Port.WriteText(row.Command)) << row.Name;
        EXPECT_TRUE(WaitForReply(row.Reply)) << row.Name << ": got " << Replies;
        EXPECT_EQ(Replies, row.Reply) << row.Name;
    }
}

// Hamlib's own backends drive the simulator as they drive the controllers it stands for.
TEST_F(RotatorSimTest, HamlibBackendsSetAndReadBackThePosition)
{
    const QString rotctl = QStandardPaths::findExecutable("rotctl");
    ASSERT_FALSE(rotctl.isEmpty()) << "install libhamlib-utils (scripts/install-deps)";
    struct Row {
        const char* Protocol;
        const char* Model;
    };
    const Row rows[] = {{"gs232a", "601"}, {"gs232b", "603"}, {"easycomm", "202"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Protocol);
        const auto run = [&](const QStringList& commands) {
            TChildProcess client(rotctl.toStdString(), QStringList{"-m", row.Model, "-r", LinkPath()} + commands);
            EXPECT_TRUE(client.WaitForExit(PatientMs));
            EXPECT_EQ(client.ExitCode(), 0) << client.ErrorOutput();
            return client.Output();
        };
        Start(row.Protocol, "10", "500");
        run({"P", "123", "0"});
        EXPECT_TRUE(WaitForLine("HEADING 123.0 (arrived)")) << Output();
        EXPECT_EQ(run({"p"}), "123.00\n0.00\n") << Output();
        Simulator.reset();
        ForgetOutput();
    }
}

TEST_F(RotatorSimTest, EasyCommTurnsReportsAndStops)
{
    Start("easycomm", "60");
    TargetAzimuth = 90;
    GoEasyComm();
    EXPECT_FALSE(CommandNotSent);
    EXPECT_TRUE(WaitForLine(R"(RX "AZ090.0\r")")) << Output();
    EXPECT_TRUE(WaitForLine("HEADING 90.0 (arrived)")) << Output();

    Replies.clear();
    ASSERT_TRUE(Port.WriteText("AZ\r"));
    EXPECT_TRUE(WaitForReply("AZ90.0\n")) << Replies;
    Replies.clear();
    ASSERT_TRUE(Port.WriteText("TURN\r"));
    EXPECT_TRUE(WaitForReply("?ERR\n")) << Replies;

    // A stop while turning holds the heading where it is.
    ForgetOutput();
    TargetAzimuth = 300;
    GoEasyComm();
    ASSERT_TRUE(WaitForLine(R"(RX "AZ300.0\r")")) << Output();
    ASSERT_TRUE(WaitForLine("HEADING 1")) << Output();  // past 100, on its way
    StopEasyComm();
    EXPECT_TRUE(WaitForLine(R"(RX "SA\r")")) << Output();
    EXPECT_TRUE(WaitForLineContaining("(stopped)")) << Output();
    EXPECT_FALSE(WaitForLine("HEADING 300.0", 1000)) << Output();

    // The exit stop text of the program is understood too, and asks for no reply.
    ASSERT_TRUE(Port.OpenPort());
    Replies.clear();
    ASSERT_TRUE(Port.WriteText("SA SE\r"));
    EXPECT_TRUE(WaitForLine(R"(RX "SA SE\r")")) << Output();
    EXPECT_FALSE(WaitForReply("\n", 300)) << Replies;
}

TEST_F(RotatorSimTest, TerminationRemovesTheLink)
{
    Start("gs232", "0");
    ASSERT_TRUE(Port.OpenPort());
    Port.ClosePort();
    Simulator->Terminate();
    ASSERT_FALSE(Simulator->IsRunning());
    EXPECT_EQ(Simulator->ExitCode(), 0);
    EXPECT_EQ(std::filesystem::symlink_status(LinkPath().toStdString()).type(),
              std::filesystem::file_type::not_found);
}

TEST(RotatorSimOptions, HelpNamesTheErrorRepliesAndBadOptionsFail)
{
    TChildProcess help(SimulatorPath, {"--help"});
    ASSERT_TRUE(help.WaitForExit(5000));
    EXPECT_EQ(help.ExitCode(), 0);
    const QString text = QString::fromStdString(help.Output());
    EXPECT_TRUE(text.contains("\"?>\" CR")) << text.toStdString();
    EXPECT_TRUE(text.contains("\"?ERR\" LF")) << text.toStdString();

    TChildProcess bad(SimulatorPath, {"--protocol", "rs232", "--link", "/tmp/never-COM1"});
    ASSERT_TRUE(bad.WaitForExit(5000));
    EXPECT_NE(bad.ExitCode(), 0);
    EXPECT_FALSE(std::filesystem::exists("/tmp/never-COM1"));
}
