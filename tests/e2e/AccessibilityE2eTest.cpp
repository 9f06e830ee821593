// The main window through AT-SPI, as a screen reader sees and works it: the readout, MAN, the spin button, the LED.
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

}  // namespace

TEST_F(TolvaneE2e, ScreenReaderReadsTheAzimuthAndWorksManAndTheSpinButton)
{
    // Qt joins the accessibility bus only when one runs, so it is started before the program.
    ASSERT_EQ(RunCommand(QStringLiteral("dbus-send"),
                         {QStringLiteral("--session"), QStringLiteral("--print-reply"), QStringLiteral("--dest=org.a11y.Bus"),
                          QStringLiteral("/org/a11y/bus"), QStringLiteral("org.a11y.Bus.GetAddress")}).ExitCode,
              0) << "no AT-SPI bus (at-spi2-core)";
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
