// The heading read back end to end: rotator-sim turning, what a screen reader hears and what rotctl reads on
// the bridge; with the switch off, the line carries exactly the commands.
#include <QStringList>

#include <algorithm>
#include <cmath>
#include <set>
#include <sstream>

#include "e2e/E2eFixture.h"

namespace {

struct TDialect {
    const char* Name;
    const char* Protocol;  // rotator-sim's --protocol
    std::vector<std::string> Ini;
    const char* TurnTo90;
    const char* Stop;
};

const std::vector<std::string> Gs232Ini = {"[TOLVANE]", "LANGUAGE=ENGLISH", "ANT=GS232", "[GS-232]",
                                          "PORT_GS232=1", "BAUD_GS232=9600", "STOP_GS232=N", "STEP_GS232=1"};
const std::vector<std::string> EasyCommIni = {"[TOLVANE]", "LANGUAGE=ENGLISH", "ANT=EASYCOMM", "[EASYCOMM]",
                                             "PORT_EASYCOMM=1", "BAUD_EASYCOMM=9600", "STOP_EASYCOMM=N",
                                             "STEP_EASYCOMM=1"};
const TDialect Dialects[] = {
    {"GS-232A", "gs232a", Gs232Ini, "W090\r", "S\r"},
    {"GS-232B", "gs232b", Gs232Ini, "W090\r", "S\r"},
    {"EasyComm", "easycomm", EasyCommIni, "AZ090.0\r", "SA\r"},
};

// The azimuth rotctl reads from the bridge, or a negative number when it fails.
double RotctlAzimuth(quint16 port)
{
    const TCommandResult result = RunCommand(
        QStringLiteral("rotctl"), {"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(port), "p"});
    if (result.ExitCode != 0)
        return -1;
    return std::stod(result.Output);
}

// What the bridge says of itself, "_": whether p reads the rotator.
std::string RotctlInfo(quint16 port)
{
    return RunCommand(QStringLiteral("rotctl"), {"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(port), "_"})
        .Output;
}

bool Rotctl(quint16 port, const QStringList& commands)
{
    return RunCommand(QStringLiteral("rotctl"),
                      QStringList{"-m", "2", "-r", QStringLiteral("127.0.0.1:%1").arg(port)} + commands)
               .ExitCode == 0;
}

bool AccessibilityBusRuns()
{
    return RunCommand(QStringLiteral("dbus-send"),
                      {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.a11y.Bus"),
                       QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus.GetAddress")})
               .ExitCode == 0;
}

// The commands without the position queries the switch adds.
std::vector<std::string> WithoutQueries(std::vector<std::string> commands)
{
    for (const char* query : {"RX \"C\\r\"", "RX \"AZ\\r\""})
        commands.erase(std::remove(commands.begin(), commands.end(), query), commands.end());
    return commands;
}

class HeadingE2e : public TolvaneE2e {
protected:
    // A fresh desktop for each dialect of a table.
    void Renew()
    {
        // The old desktop gives back its display and bus before the new one takes them.
        Desktop.reset();
        Desktop = std::make_unique<TTolvaneDesktop>();
        ASSERT_TRUE(Desktop->IsReady());
    }

    // Tolvane in AUTO on a simulated rotator turning 15 degrees a second from 0, fed by the bridge.
    quint16 Start(const TDialect& dialect, TChildProcess*& rotator)
    {
        rotator = &Desktop->StartRotator(dialect.Protocol, "COM1", {"--rate", "15", "--start", "0"});
        const quint16 port = Desktop->StartBridge();
        Desktop->WriteIni(dialect.Ini);
        if (port == 0 || !Desktop->StartTolvane())
            return 0;
        Desktop->Click(MainWindowPoint::Auto);
        return port;
    }
};

}  // namespace

// One dialect a test: each brings its own desktop and accessibility bus.
class HeadingDialectE2e : public HeadingE2e, public ::testing::WithParamInterface<TDialect> {};

TEST_P(HeadingDialectE2e, TheHeadingRisesForTheScreenReaderAndThroughTheBridgeUntilItArrives)
{
    ASSERT_TRUE(AccessibilityBusRuns()) << "no AT-SPI bus (at-spi2-core)";
    const TScopedEnvironment accessibilityOn("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    const TDialect& dialect = GetParam();
    Desktop->WriteReadbackSwitch(true);
    TChildProcess* rotator = nullptr;
    const quint16 port = Start(dialect, rotator);
    ASSERT_NE(port, 0u);
    TChildProcess listener("/usr/bin/python3",
                           {QStringLiteral(TOLVANE_SOURCE_DIR "/tests/e2e/atspi-probe.py"),
                            QStringLiteral("value-changes"), QStringLiteral("Heading*"), QStringLiteral("30")},
                           {QProcessEnvironment::systemEnvironment(), Desktop->Folder(), TErrorOutput::Merged,
                            "AT-SPI listener"});
    ASSERT_TRUE(listener.WaitForOutput("listening", 10000)) << listener.Output();
    // At rest the bridge already tells where the antenna points, once Tolvane has claimed its name.
    ASSERT_TRUE(RunEventsUntil([&] { return RotctlInfo(port).find("read from the rotator") != std::string::npos; },
                               10000))
        << RotctlInfo(port);

    ASSERT_TRUE(Rotctl(port, {"P", "90", "0"}));
    EXPECT_TRUE(rotator->WaitForOutput(Received(dialect.TurnTo90), CommandWaitMs));
    // The bridge answers where the antenna points, not where it was sent.
    std::set<int> onTheWay;
    double azimuth = -1;
    RunEventsUntil([&] {
        azimuth = RotctlAzimuth(port);
        if (azimuth > 0.5 && azimuth < 89.5)
            onTheWay.insert(static_cast<int>(azimuth));
        return azimuth >= 89.5;
    }, 20000);
    EXPECT_NEAR(azimuth, 90, 0.5);
    EXPECT_GE(onTheWay.size(), 3u) << "rotctl read the heading rising";

    EXPECT_TRUE(listener.WaitForOutput("90\n", 10000)) << listener.Output();
    std::istringstream heard(listener.Output());
    std::set<int> heardOnTheWay;
    for (std::string line; std::getline(heard, line);)
        if (!line.empty() && line != "listening" && std::stoi(line) > 0 && std::stoi(line) < 90)
            heardOnTheWay.insert(std::stoi(line));
    EXPECT_GE(heardOnTheWay.size(), 3u) << listener.Output();
    ASSERT_TRUE(Desktop->Quit());
}

INSTANTIATE_TEST_SUITE_P(Dialects, HeadingDialectE2e, ::testing::ValuesIn(Dialects),
                         [](const ::testing::TestParamInfo<TDialect>& info) {
                             std::string name = info.param.Protocol;
                             return name;
                         });

TEST_F(HeadingE2e, ARepeatedTargetBringsTheAntennaBackAndASilentControllerGivesNoPosition)
{
    const TDialect& dialect = Dialects[0];
    Desktop->WriteReadbackSwitch(true);
    TChildProcess* rotator = nullptr;
    const quint16 port = Start(dialect, rotator);
    ASSERT_NE(port, 0u);
    ASSERT_TRUE(Rotctl(port, {"P", "30", "0"}));
    ASSERT_TRUE(rotator->WaitForOutput("HEADING 30.0 (arrived)", CommandWaitMs)) << rotator->Output();

    // Somebody turns the antenna away; the tracking program insists on its target as gpredict does.
    ASSERT_TRUE(rotator->WriteLine("hand 100"));
    const auto sentTo30 = [&] {
        const std::vector<std::string> commands = ReceivedCommands(*rotator);
        return std::count(commands.begin(), commands.end(), Received("W030\r"));
    };
    EXPECT_TRUE(RunEventsUntil([&] {
        Rotctl(port, {"P", "30", "0"});
        WaitFor(800);
        return sentTo30() == 2;
    }, 15000)) << rotator->Output();
    const auto arrivals = [&] {
        const std::string output = rotator->Output();
        int count = 0;
        for (std::size_t at = 0; (at = output.find("HEADING 30.0 (arrived)", at)) != std::string::npos; ++at)
            ++count;
        return count;
    };
    EXPECT_TRUE(RunEventsUntil([&] { return arrivals() == 2; }, 15000)) << "the antenna is back";

    // The controller falls silent: the bridge has no position to give, rather than the commanded one.
    ASSERT_TRUE(rotator->WriteLine("mute"));
    std::string silent;
    EXPECT_TRUE(RunEventsUntil([&] {
        // rotctl names Hamlib's error on either of its outputs.
        const TCommandResult result = RunCommand(
            QStringLiteral("bash"), {"-c", QStringLiteral("rotctl -m 2 -r 127.0.0.1:%1 p 2>&1").arg(port)});
        silent = result.Output;
        return result.ExitCode != 0 && silent.find("Communication timed out") != std::string::npos;
    }, 10000)) << silent;
    ASSERT_TRUE(rotator->WriteLine("unmute"));
    EXPECT_TRUE(RunEventsUntil([&] { return std::abs(RotctlAzimuth(port) - 30) < 0.5; }, 10000));
    ASSERT_TRUE(Desktop->Quit());
}

TEST_F(HeadingE2e, WithTheSwitchOffTheLineCarriesTheCommandsAlone)
{
    // The same operator's session three times: never switched on, switched off, and on.
    const TDialect& dialect = Dialects[0];
    std::vector<std::vector<std::string>> runs;
    for (const int setting : {-1, 0, 1}) {
        Renew();
        if (setting >= 0)
            Desktop->WriteReadbackSwitch(setting == 1);
        TChildProcess* rotator = nullptr;
        const quint16 port = Start(dialect, rotator);
        ASSERT_NE(port, 0u);
        ASSERT_TRUE(Rotctl(port, {"P", "30", "0"}));
        EXPECT_TRUE(rotator->WaitForOutput(Received("W030\r"), CommandWaitMs));
        EXPECT_TRUE(rotator->WaitForOutput("HEADING 30.0 (arrived)", CommandWaitMs)) << rotator->Output();
        Desktop->Click(MainWindowPoint::Stop);
        EXPECT_TRUE(rotator->WaitForOutput(Received(dialect.Stop), CommandWaitMs));
        ASSERT_TRUE(Desktop->Quit());
        runs.push_back(ReceivedCommands(*rotator));
    }
    const std::vector<std::string> commands = {Received("W030\r"), Received("S\r")};
    EXPECT_EQ(runs[0], commands);
    EXPECT_EQ(runs[1], runs[0]);
    EXPECT_NE(runs[2], runs[0]) << "switched on, the controller is asked";
    EXPECT_EQ(WithoutQueries(runs[2]), commands);
}
