// The windows through AT-SPI, as a screen reader or voice control sees and works them: the readout, MAN, the spin
// button, the LED, the compass, and the settings window's controls by the words shown on them.
#include <QElapsedTimer>

#include "e2e/E2eFixture.h"

namespace {

// The probe speaks AT-SPI through the distribution's Python bindings.
TCommandResult Probe(const QStringList& arguments)
{
    return RunCommand(QStringLiteral("/usr/bin/python3"),
                      QStringList{QStringLiteral(TOLVANE_SOURCE_DIR "/tests/e2e/atspi-probe.py")} + arguments);
}

std::string ProbeAnswer(const QStringList& arguments)
{
    std::string answer = Probe(arguments).Output;
    while (!answer.empty() && answer.back() == '\n')
        answer.pop_back();
    return answer;
}

bool WaitForAnswer(const QStringList& arguments, const std::string& expected)
{
    return RunEventsUntil([&] { return ProbeAnswer(arguments) == expected; }, 10000);
}

// Qt joins the accessibility bus only when one runs, so it is started before the program.
bool AccessibilityBusRuns()
{
    return RunCommand(QStringLiteral("dbus-send"),
                      {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.a11y.Bus"),
                       QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus.GetAddress")})
               .ExitCode
           == 0;
}

}  // namespace

TEST_F(TolvaneE2e, ScreenReaderReadsTheAzimuthAndWorksManAndTheSpinButton)
{
    ASSERT_TRUE(AccessibilityBusRuns()) << "no AT-SPI bus (at-spi2-core)";
    const TScopedEnvironment accessibilityOn("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    TChildProcess& rotator = Desktop->StartRotator("gs232", "COM1");
    TChildProcess& feed = Desktop->StartFeed();
    Desktop->WriteIni({"[TOLVANE]", "LANGUAGE=ENGLISH", "ANT=GS232", "[GS-232]", "PORT_GS232=1", "BAUD_GS232=9600",
                       "STOP_GS232=N", "STEP_GS232=1"});
    ASSERT_TRUE(Desktop->StartTolvane());
    QElapsedTimer sinceStart;
    sinceStart.start();

    const QStringList readout{QStringLiteral("value"), QStringLiteral("Azimuth")};
    EXPECT_TRUE(WaitForAnswer(readout, "0")) << ProbeAnswer(readout);
    // A screen reader hears of a new azimuth without asking: the readout's value-change event.
    TChildProcess listener("/usr/bin/python3",
                           {QStringLiteral(TOLVANE_SOURCE_DIR "/tests/e2e/atspi-probe.py"),
                            QStringLiteral("value-changes"), QStringLiteral("Azimuth"), QStringLiteral("20")},
                           {QProcessEnvironment::systemEnvironment(), Desktop->Folder(), TErrorOutput::Merged,
                            "AT-SPI listener"});
    ASSERT_TRUE(listener.WaitForOutput("listening", 10000)) << listener.Output();
    feed.Write("235\n");
    EXPECT_TRUE(listener.WaitForOutput("235\n", 10000)) << listener.Output();
    EXPECT_EQ(ProbeAnswer(readout), "235");
    const QStringList ledSent{QStringLiteral("showing"), QStringLiteral("Command LED: command sent")};
    EXPECT_EQ(ProbeAnswer(ledSent), "no");

    // The LED's first 3.6 s period runs from the start; a MAN inside it would blink only for its rest.
    RunEventsUntil([&] { return sinceStart.elapsed() > 4000; }, 5000);

    EXPECT_EQ(ProbeAnswer({QStringLiteral("action"), QStringLiteral("MAN: send the azimuth to the rotator"),
                           QStringLiteral("Press")}), "done");
    EXPECT_TRUE(rotator.WaitForOutput(Received("W235\r"), CommandWaitMs));
    EXPECT_TRUE(WaitForAnswer(ledSent, "yes"));

    const QString spin = QStringLiteral("Azimuth one degree up or down");
    EXPECT_EQ(ProbeAnswer({QStringLiteral("action"), spin, QStringLiteral("Increase")}), "done");
    EXPECT_TRUE(WaitForAnswer(readout, "236")) << ProbeAnswer(readout);
    EXPECT_EQ(ProbeAnswer({QStringLiteral("action"), spin, QStringLiteral("Decrease")}), "done");
    EXPECT_EQ(ProbeAnswer({QStringLiteral("action"), spin, QStringLiteral("Decrease")}), "done");
    EXPECT_TRUE(WaitForAnswer(readout, "234")) << ProbeAnswer(readout);
    ASSERT_TRUE(Desktop->Quit());
}

// The compass left open at the last exit opens again; a screen reader finds it by the title it shows.
TEST_F(TolvaneE2e, ScreenReaderFindsTheCompassByItsTitleAsASliderOfTheAzimuth)
{
    ASSERT_TRUE(AccessibilityBusRuns()) << "no AT-SPI bus (at-spi2-core)";
    const TScopedEnvironment accessibilityOn("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    Desktop->StartRotator("gs232", "COM1");
    TChildProcess& feed = Desktop->StartFeed();
    Desktop->WriteIni({"[TOLVANE]", "LANGUAGE=ENGLISH", "ANT=GS232", "[GS-232]", "PORT_GS232=1", "BAUD_GS232=9600"});
    Desktop->WriteUserConfiguration("[compass]\nshown=true\n");
    ASSERT_TRUE(Desktop->StartTolvane());
    ASSERT_NE(Desktop->WaitForOtherWindow("^Compass$"), 0UL) << "the compass opens again";

    const QStringList compass{QStringLiteral("value"), QStringLiteral("Compass")};
    EXPECT_TRUE(WaitForAnswer(compass, "0")) << ProbeAnswer(compass);
    EXPECT_EQ(ProbeAnswer({QStringLiteral("role"), QStringLiteral("Compass")}), "slider");
    feed.Write("235\n");
    EXPECT_TRUE(WaitForAnswer(compass, "235")) << ProbeAnswer(compass);

    // Set as a screen reader sets a slider: the readout follows, as after a click on the dial.
    EXPECT_EQ(ProbeAnswer({QStringLiteral("set"), QStringLiteral("Compass"), QStringLiteral("240")}), "done");
    const QStringList readout{QStringLiteral("value"), QStringLiteral("Azimuth")};
    EXPECT_TRUE(WaitForAnswer(readout, "240")) << ProbeAnswer(readout);
    EXPECT_TRUE(WaitForAnswer(compass, "240")) << ProbeAnswer(compass);
    ASSERT_TRUE(Desktop->Quit());
    const std::string conf = Desktop->ReadUserConfiguration();
    EXPECT_NE(conf.find("shown=true\n"), std::string::npos) << conf;
}

// "Click use for parking" must find the box that shows those words; its explanation is the description.
TEST_F(TolvaneE2e, VoiceControlTicksTheParkingBoxByTheWordsShownOnIt)
{
    ASSERT_TRUE(AccessibilityBusRuns()) << "no AT-SPI bus (at-spi2-core)";
    const TScopedEnvironment accessibilityOn("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
    Desktop->StartRotator("gs232", "COM1");
    Desktop->WriteIni({"[TOLVANE]", "ANT=GS232", "[GS-232]", "PORT_GS232=1", "BAUD_GS232=9600"});
    ASSERT_TRUE(Desktop->StartTolvane());
    Desktop->Keys({"alt+i"});
    const unsigned long settings = Desktop->WaitForOtherWindow("^TOLVANE$");
    ASSERT_NE(settings, 0UL) << "the Init menu opens the settings window";

    const QStringList park{QStringLiteral("description"), QStringLiteral("use for parking")};
    EXPECT_TRUE(WaitForAnswer(park, "Park the antenna at this azimuth on exit")) << ProbeAnswer(park);
    EXPECT_EQ(ProbeAnswer({QStringLiteral("action"), QStringLiteral("use for parking"), QStringLiteral("Toggle")}),
              "done");

    Desktop->CloseWindow(settings);
    EXPECT_TRUE(RunEventsUntil([&] { return Desktop->WaitForOtherWindow("^TOLVANE$", 0) == 0; }, 5000));
    ASSERT_TRUE(Desktop->Quit());
    const std::string ini = Desktop->ReadIni();
    EXPECT_NE(ini.find("PARKING=GS232\r\n"), std::string::npos) << Visible(ini);
}
