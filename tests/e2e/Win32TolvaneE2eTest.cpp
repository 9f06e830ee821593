// Tolvane.exe as Windows users run it, with its peers: the Teskarn stand-in serving the feed over DDE,
// the ARSWIN stand-in taking window messages, and a controller at the far end of COM1's null modem.
// The test presses buttons and keys as a user does, through the system's input.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <windows.h>

#include "app/ReadbackSetting.h"
#include "e2e/Win32Input.h"
#include "platform/HeadingText.h"
#include "platform/SerialLine.h"
#include "platform/SerialPortNames.h"
#include "support/ChildProcess.h"
#include "support/Win32DdeClient.h"

namespace {

std::string ProgramFolder()
{
    return QDir::toNativeSeparators(QString::fromStdString(BuiltProgramsFolder())).toStdString() + "\\";
}

// The controller's end of COM1's null modem: what Tolvane sends arrives here.
class TController {
public:
    TController()
    {
        const char* peer = std::getenv("TOLVANE_PROGRAM_PORT_PEER");
        Opened = peer && Line->Open(SerialPortDevicePath(std::atoi(peer) - 1));
        if (Opened) {
            Line->ApplySettings(TSerialLineSettings{});
            Line->Purge(true, true);
        }
    }
    bool IsOpen() const { return Opened; }

    // Everything that arrives until `expected` is in, or the time is up.
    std::string Receive(const std::string& expected, int timeoutMs = 8000)
    {
        RunEventsUntil(
            [&] {
                Drain();
                return Received.find(expected) != std::string::npos;
            },
            timeoutMs);
        return Take();
    }
    // Answers each position question that has arrived ("C" CR) with the reply; the rest is dropped.
    void AnswerQuestions(const std::string& reply)
    {
        Drain();
        for (std::size_t at = Received.find("C\r"); at != std::string::npos; at = Received.find("C\r", at + 2))
            Line->Write(reply.data(), static_cast<int>(reply.size()));
        Received.clear();
    }
    // Everything that arrives within the time.
    std::string ReceiveFor(int milliseconds)
    {
        WaitFor(milliseconds);
        Drain();
        return Take();
    }

private:
    void Drain()
    {
        char buffer[256];
        for (;;) {
            const TSerialTransfer transfer = Line->Read(buffer, sizeof buffer);
            if (transfer.Status != TSerialStatus::Done || transfer.Count == 0)
                return;
            Received.append(buffer, static_cast<std::size_t>(transfer.Count));
        }
    }
    std::string Take()
    {
        std::string taken;
        taken.swap(Received);
        return taken;
    }

    std::unique_ptr<ISerialLine> Line = CreateSerialLine();
    bool Opened = false;
    std::string Received;
};

// The Teskarn stand-in, serving what the test types into it.
std::unique_ptr<TChildProcess> StartTeskarn()
{
    auto server = std::make_unique<TChildProcess>(BuiltProgram("teskarn-dde"));
    EXPECT_TRUE(server->WaitForOutput("ready", 10000)) << server->ErrorOutput();
    return server;
}

const std::string GsOnCom1 = "ANT=GS232\r\nPORT_GS232=1\r\nBAUD_GS232=9600\r\n";

class TolvaneE2e : public ::testing::Test {
protected:
    void SetUp() override
    {
        RemoveFile(IniPath());
        RemoveFile(ProgramFolder() + "Tolvane.~in");
    }
    void TearDown() override
    {
        if (Tolvane.state() != QProcess::NotRunning) {
            Tolvane.kill();
            Tolvane.waitForFinished(5000);
        }
        RemoveFile(IniPath());
    }

    static std::string IniPath() { return ProgramFolder() + "Tolvane.ini"; }
    static void RemoveFile(const std::string& path)
    {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA(path.c_str());
    }
    static void WriteIni(const std::string& bytes)
    {
        QFile file(QString::fromStdString(IniPath()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes.data(), static_cast<qint64>(bytes.size()));
    }
    static std::string ReadIni()
    {
        QFile file(QString::fromStdString(IniPath()));
        return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
    }

    // Starts Tolvane.exe in place and waits for its window; the panel's place is found in its pixels,
    // below a menu bar whose height the style decides.
    void StartTolvane(const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
    {
        Tolvane.setProcessEnvironment(environment);
        Tolvane.start(QString::fromStdString(ProgramFolder() + "Tolvane.exe"), {});
        ASSERT_TRUE(Tolvane.waitForStarted(10000));
        const DWORD process = static_cast<DWORD>(Tolvane.processId());
        ASSERT_TRUE(RunEventsUntil([&] { return (Main = FindProcessWindow(process, L"TOLVANE")) != nullptr; }, 20000));
        ASSERT_TRUE(RunEventsUntil([&] { return PanelTop() > 0; }, 10000)) << "no black panel in the window";
        Top = PanelTop() - 10;
    }

    // The first row of the panel's black face, down the column just inside its left edge, as the
    // screen shows it (Qt's own window surface reads back black everywhere under Wine).
    int PanelTop() const
    {
        POINT origin{0, 0};
        ::ClientToScreen(Main, &origin);
        const HDC screen = ::GetDC(nullptr);
        int top = -1;
        for (int y = 0; y < 80 && top < 0; ++y) {
            bool black = ::GetPixel(screen, origin.x + 16, origin.y + y - 1) != RGB(0, 0, 0);
            for (int below = 0; below < 12 && black; ++below)
                black = ::GetPixel(screen, origin.x + 16, origin.y + y + below) == RGB(0, 0, 0);
            if (black)
                top = y - 4;  // inside the panel's two bevels
        }
        ::ReleaseDC(nullptr, screen);
        return top;
    }

    // Tolvane with the Teskarn stand-in serving it, once the two are linked.
    std::unique_ptr<TChildProcess> StartTolvaneWithTeskarn()
    {
        auto teskarn = StartTeskarn();
        StartTolvane();
        EXPECT_TRUE(teskarn->WaitForOutput("advise start", 10000)) << teskarn->Output();
        return teskarn;
    }

    // The panel's buttons, by their place in it.
    void ClickPanelButton(int left) { Click(Main, 10 + left + 21, Top + 10 + 5 + 18); }
    void ClickMan() { ClickPanelButton(141); }
    void ClickAuto() { ClickPanelButton(183); }
    void ClickStop() { ClickPanelButton(225); }

    // F4 as the user presses it; failures say how the program ended, or that it did not.
    ::testing::AssertionResult Quit()
    {
        ::SetForegroundWindow(Main);
        PressKeys(VK_F4);
        if (Tolvane.state() == QProcess::NotRunning || Tolvane.waitForFinished(15000))
            return Tolvane.exitStatus() == QProcess::NormalExit
                ? ::testing::AssertionSuccess()
                : ::testing::AssertionFailure() << "Tolvane crashed: " << Tolvane.readAllStandardError().toStdString();
        return ::testing::AssertionFailure() << "Tolvane still runs after F4 (foreground: "
                                             << (::GetForegroundWindow() == Main ? "its window" : "another window")
                                             << ")";
    }

    QProcess Tolvane;
    HWND Main = nullptr;
    int Top = 0;
    TController Controller;
};

// A box the program shows above its window, and what Ctrl+C copies of it; the box is then closed.
::testing::AssertionResult BoxSays(DWORD process, HWND main, const std::wstring& title, const std::string& text)
{
    HWND box = nullptr;
    if (!RunEventsUntil([&] { return (box = FindProcessWindow(process, title, main)) != nullptr; }))
        return ::testing::AssertionFailure() << "no box titled as expected";
    ::OpenClipboard(nullptr);
    ::EmptyClipboard();
    ::CloseClipboard();
    ::SetForegroundWindow(box);
    WaitFor(300);
    PressKeys('C', VK_CONTROL);
    const std::string copied = ClipboardText();
    PressKeys(VK_RETURN);
    if (!RunEventsUntil([&] { return !::IsWindow(box) || !::IsWindowVisible(box); }))
        return ::testing::AssertionFailure() << "the box stays after Enter";
    if (copied.find(text) == std::string::npos)
        return ::testing::AssertionFailure() << "the box says: " << copied;
    return ::testing::AssertionSuccess();
}


namespace {

// The read-back switch on for one test, in the user's Tolvane.conf; off again at its end.
class TReadBackOn {
public:
    TReadBackOn() { Written = WriteReadbackSetting(Path, true); }
    ~TReadBackOn() { WriteReadbackSetting(Path, false); }
    bool IsOn() const { return Written; }

private:
    const std::string Path = ReadbackSettingPath();
    bool Written = false;
};

TEST_F(TolvaneE2e, TheHeadingReadBackIsServedOverDdeWhileItIsRead)
{
    ASSERT_TRUE(Controller.IsOpen());
    const TReadBackOn readBack;
    ASSERT_TRUE(readBack.IsOn());
    WriteIni(GsOnCom1);
    StartTolvane();

    // Another program follows the heading as the controller gives it, with its time on the system's clock.
    TDdeClient client;
    std::optional<THeadingState> state;
    ASSERT_TRUE(RunEventsUntil(
        [&] {
            WaitFor(200);
            Controller.AnswerQuestions("+0123\r\n");
            if (client.IsConnected() || client.Connect("Tolvane"))
                state = ParseHeadingText(client.Request("heading"));
            return state && state->Known;
        },
        15000))
        << "no heading served";
    EXPECT_EQ(state->Azimuth, 123);
    EXPECT_LE(::GetTickCount64() - state->UpdatedMs, 5000u);

    // A silent controller: the last reading stays, marked unknown, and the advise loop hears it. Asked
    // twice a second, as the bridge asks: a flood of requests would starve Tolvane's timers.
    ASSERT_TRUE(client.Advise("heading"));
    ASSERT_TRUE(RunEventsUntil(
        [&] {
            Controller.ReceiveFor(500);
            return (state = ParseHeadingText(client.Request("heading"))) && !state->Known;
        },
        10000))
        << "still known";
    EXPECT_TRUE(RunEventsUntil(
        [&] {
            const auto advised = client.Advised.empty() ? std::nullopt : ParseHeadingText(client.Advised.back());
            return advised && !advised->Known && advised->Azimuth == 123;
        },
        5000))
        << (client.Advised.empty() ? "nothing advised" : client.Advised.back());
    EXPECT_EQ(state->Azimuth, 123);
    // Nothing but the heading, as text.
    EXPECT_EQ(client.Request("azimuth"), "<none>");
    EXPECT_EQ(client.Request("heading", CF_UNICODETEXT), "<none>");

    // A closed Tolvane serves nothing.
    ASSERT_TRUE(Quit());
    EXPECT_TRUE(RunEventsUntil([&] { return !client.IsConnected(); }, 5000));
    EXPECT_FALSE(client.Connect("Tolvane"));
}

}  // namespace

namespace {

// Unix programs run from Wine get no pipes of ours: each runs through the shell, with its input and
// output in files of the test's folder, which the test reads through Wine's Z: drive.
std::unique_ptr<TChildProcess> RunUnix(const std::string& command)
{
    return std::make_unique<TChildProcess>("Z:/bin/sh", QStringList{"-c", QString::fromStdString(command)});
}

std::string UnixFileText(const std::string& path)
{
    QFile file(QString::fromStdString("Z:" + path));
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : std::string();
}

// Hamlib's rotctl of the Linux machine against the bridge: what it printed, errors included. Wine tells
// nothing of a Unix program's end, so the shell marks it in the file.
std::string Rotctl(const std::string& folder, quint16 port, const std::string& commands)
{
    static int runs = 0;
    const std::string output = folder + "/rotctl-" + std::to_string(++runs) + ".out";
    const auto shell = RunUnix("rotctl -m 2 -r 127.0.0.1:" + std::to_string(port) + " " + commands + " >" + output +
                               " 2>&1; echo done >>" + output);
    std::string text;
    RunEventsUntil([&] { return (text = UnixFileText(output)).find("done\n") != std::string::npos; }, 15000);
    return text;
}

TEST_F(TolvaneE2e, HamlibOnLinuxDrivesTolvaneExeThroughTheBridgeExeAndReadsTheSimulatorsHeading)
{
    // COM3 leads to where the Linux build's simulator links its pty.
    const char* simulatorPort = std::getenv("TOLVANE_SIMULATOR_PORT");
    const char* linuxPrograms = std::getenv("TOLVANE_LINUX_BIN");
    ASSERT_TRUE(simulatorPort && linuxPrograms) << "scripts/test-windows sets these";
    const std::string port(simulatorPort);
    const std::string link = port.substr(port.find(' ') + 1);
    const std::string folder = link.substr(0, link.rfind('/'));
    // Its input is a FIFO opened for both ends, so that nobody waits for a writer.
    const auto simulator = RunUnix("rm -f " + folder + "/simulator.in; mkfifo " + folder + "/simulator.in; exec " +
                                   linuxPrograms + "/rotator-sim --protocol gs232a --start 100 --rate 40 --link " +
                                   link + " <>" + folder + "/simulator.in >" + folder + "/simulator.log 2>&1");
    const auto simulatorSays = [&](const std::string& text, int timeoutMs) {
        return RunEventsUntil([&] { return UnixFileText(folder + "/simulator.log").find(text) != std::string::npos; },
                              timeoutMs);
    };
    ASSERT_TRUE(simulatorSays("READY", 10000)) << "is the Linux build there? " << UnixFileText(folder + "/simulator.log");

    const TReadBackOn readBack;
    WriteIni("ANT=GS232\r\nPORT_GS232=" + port.substr(0, port.find(' ')) + "\r\nBAUD_GS232=9600\r\n");
    TChildProcess bridge(BuiltProgram("tolvane-bridge"), {"--port", "0"});
    const std::optional<std::string> ready = bridge.NextLine(30000);
    ASSERT_TRUE(ready && ready->rfind("ready ", 0) == 0) << bridge.ErrorOutput();
    const auto bridgePort = static_cast<quint16>(std::stoi(ready->substr(ready->rfind(' ') + 1)));
    StartTolvane();
    ClickAuto();

    Rotctl(folder, bridgePort, "P 123 0");
    EXPECT_TRUE(simulatorSays("RX \"W123\\r\"", 15000)) << UnixFileText(folder + "/simulator.log");

    // p follows the simulator's heading as Tolvane reads it back, not the azimuth commanded, and a silent
    // controller is a time-out.
    ASSERT_TRUE(simulatorSays("HEADING 123.0", 15000));
    const auto hand = RunUnix("echo hand 150 >" + folder + "/simulator.in");
    ASSERT_TRUE(simulatorSays("HEADING 150", 10000)) << UnixFileText(folder + "/simulator.log");
    std::string answer;
    EXPECT_TRUE(RunEventsUntil([&] { return (answer = Rotctl(folder, bridgePort, "p")).rfind("150.00\n", 0) == 0; },
                               20000))
        << answer;
    const auto mute = RunUnix("echo mute >" + folder + "/simulator.in");
    EXPECT_TRUE(RunEventsUntil(
        [&] { return (answer = Rotctl(folder, bridgePort, "p")).find("Communication timed out") != std::string::npos; },
        20000))
        << answer;
    ASSERT_TRUE(Quit());
}

}  // namespace

TEST_F(TolvaneE2e, AFeedValueInAutoReachesCom1AndWithoutAutoOnlyPreparesTheAzimuth)
{
    ASSERT_TRUE(Controller.IsOpen()) << "TOLVANE_PROGRAM_PORT_PEER names COM1's other end";
    WriteIni(GsOnCom1);
    const auto teskarn = StartTolvaneWithTeskarn();

    ASSERT_TRUE(teskarn->WriteLine("120"));
    EXPECT_EQ(Controller.ReceiveFor(1500), "");
    ClickMan();
    EXPECT_EQ(Controller.Receive("W120\r"), "W120\r");

    ClickAuto();
    ASSERT_TRUE(teskarn->WriteLine("235"));
    EXPECT_EQ(Controller.Receive("W235\r"), "W235\r");
    ASSERT_TRUE(Quit());
}

TEST_F(TolvaneE2e, EasyCommWithASouthStopTurnsTenDegreesIntoOneHundredNinety)
{
    ASSERT_TRUE(Controller.IsOpen());
    WriteIni("ANT=EASYCOMM\r\nPORT_EASYCOMM=1\r\nSTOP_EASYCOMM=S\r\n");
    const auto teskarn = StartTolvaneWithTeskarn();
    ClickAuto();
    ASSERT_TRUE(teskarn->WriteLine("10"));
    EXPECT_EQ(Controller.Receive("AZ190.0\r"), "AZ190.0\r");
    ASSERT_TRUE(Quit());
}

TEST_F(TolvaneE2e, ParkingGoesOutAtF4AndAFreshFileIsWrittenReadOnlyWithCrLf)
{
    ASSERT_TRUE(Controller.IsOpen());
    WriteIni(GsOnCom1 + "AZIMUT_PARKING=90\r\nPARKING=GS232\r\n");
    StartTolvane();
    ASSERT_TRUE(Quit());
    EXPECT_EQ(Controller.Receive("W090\r"), "W090\r");

    const std::string saved = ReadIni();
    EXPECT_NE(saved.find("ANT=GS232\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("AZIMUT_PARKING=90\r\n"), std::string::npos) << saved;
    std::size_t bareLineFeeds = 0;
    for (std::size_t i = 0; i < saved.size(); ++i)
        bareLineFeeds += saved[i] == '\n' && (i == 0 || saved[i - 1] != '\r');
    EXPECT_EQ(bareLineFeeds, 0u);
    const DWORD attributes = ::GetFileAttributesA(IniPath().c_str());
    EXPECT_EQ(attributes, static_cast<DWORD>(FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_ARCHIVE));

    // Without a file at start the program starts on its defaults and writes one at exit.
    RemoveFile(IniPath());
    StartTolvane();
    ASSERT_TRUE(Quit());
    EXPECT_EQ(ReadIni().rfind("[TOLVANE]\r\nLANGUAGE=ENGLISH\r\nANT=\r\n", 0), 0u) << ReadIni();
    EXPECT_EQ(Controller.ReceiveFor(300), "");
}

TEST_F(TolvaneE2e, ArsifPostsTheRoundedAzimuthAndMinusOneForStop)
{
    const std::string log = QDir::toNativeSeparators(QDir::tempPath()).toStdString() + "\\arswin-e2e.log";
    ::DeleteFileA(log.c_str());
    TChildProcess arswin(BuiltProgram("arswin-standin"), {QString::fromStdString("--log"), QString::fromStdString(log)});
    ASSERT_TRUE(RunEventsUntil([] { return ::FindWindowA("ThunderForm", "ARSWIN") != nullptr; }));
    WriteIni("ANT=ARSIF\r\n");
    const auto teskarn = StartTolvaneWithTeskarn();
    ClickAuto();
    ASSERT_TRUE(teskarn->WriteLine("235.5"));
    EXPECT_TRUE(arswin.WaitForOutput("AZIMUTH wParam=236 lParam=0", 8000)) << arswin.Output();
    ClickStop();
    EXPECT_TRUE(arswin.WaitForOutput("AZIMUTH wParam=-1 lParam=0", 8000)) << arswin.Output();
    ASSERT_TRUE(Quit());
}

TEST_F(TolvaneE2e, WithoutArswinAWarningSaysSo)
{
    ASSERT_EQ(::FindWindowA("ThunderForm", "ARSWIN"), nullptr);
    WriteIni("ANT=ARSIF\r\n");
    const auto teskarn = StartTolvaneWithTeskarn();
    ASSERT_TRUE(teskarn->WriteLine("100"));
    ASSERT_TRUE(teskarn->WaitForOutput("published", 5000));
    WaitFor(300);
    ClickMan();
    EXPECT_TRUE(BoxSays(static_cast<DWORD>(Tolvane.processId()), Main, L"Avertissement", "ARSWIN must be running !"));
    ASSERT_TRUE(Quit());
}

TEST_F(TolvaneE2e, TheLanguageChosenInTheMenuIsSaved)
{
    WriteIni(GsOnCom1);
    StartTolvane();
    ::SetForegroundWindow(Main);
    PressKeys('L', VK_MENU);
    PressKeys(VK_DOWN);
    PressKeys(VK_RETURN);
    ASSERT_TRUE(Quit());
    EXPECT_NE(ReadIni().find("LANGUAGE=FRENCH\r\n"), std::string::npos) << ReadIni();
}

TEST_F(TolvaneE2e, TheSettingsWindowsGoSendsItsTestAzimuth)
{
    ASSERT_TRUE(Controller.IsOpen());
    WriteIni(GsOnCom1);
    StartTolvane();
    ::SetForegroundWindow(Main);
    PressKeys('I', VK_MENU);
    HWND settings = nullptr;
    ASSERT_TRUE(RunEventsUntil([&] {
        settings = FindProcessWindow(static_cast<DWORD>(Tolvane.processId()), L"TOLVANE", Main);
        return settings && WindowTitle(settings) == L"TOLVANE";
    }));
    // The GS-232 page is shown: its GO button, in the test group under the tabs.
    Click(settings, 112 + 2 + 8 + 102 + 24, 8 + 22 + 2 + 150 + 19 + 13);
    EXPECT_EQ(Controller.Receive("W000\r"), "W000\r");
    ::PostMessageW(settings, WM_CLOSE, 0, 0);
    ASSERT_TRUE(Quit());
}

TEST_F(TolvaneE2e, TeskarnIsStartedFromThePathWhenNobodyServesTheFeed)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("PATH", QString::fromStdString(ProgramFolder() + "teskarn;") + environment.value("PATH"));
    WriteIni(GsOnCom1);
    StartTolvane(environment);
    // The started copy answers DDE under the service name.
    DWORD instance = 0;
    ASSERT_EQ(::DdeInitializeA(&instance, [](UINT, UINT, HCONV, HSZ, HSZ, HDDEDATA, ULONG_PTR, ULONG_PTR) -> HDDEDATA {
                  return nullptr;
              }, APPCMD_CLIENTONLY, 0),
              static_cast<UINT>(DMLERR_NO_ERROR));
    const HSZ name = ::DdeCreateStringHandleA(instance, "Teskarn", CP_WINANSI);
    HCONV conversation = nullptr;
    EXPECT_TRUE(RunEventsUntil([&] { return (conversation = ::DdeConnect(instance, name, name, nullptr)) != nullptr; },
                               15000));
    if (conversation) {
        char command[] = "quit";
        ::DdeClientTransaction(reinterpret_cast<LPBYTE>(command), sizeof command, conversation, nullptr, 0,
                               XTYP_EXECUTE, 1000, nullptr);
        ::DdeDisconnect(conversation);
    }
    ::DdeFreeStringHandle(instance, name);
    ::DdeUninitialize(instance);
    ASSERT_TRUE(Quit());
}

// A port that cannot be opened, a server that leaves, garbage in the feed, a file that cannot be saved:
// the window goes on, and what the user set is kept.
TEST_F(TolvaneE2e, BadInputNeitherHangsTheWindowNorLosesTheSettings)
{
    ASSERT_TRUE(Controller.IsOpen());
    // COM2 is known to the system but leads nowhere.
    WriteIni("ANT=GS232\r\nPORT_GS232=2\r\nSTEP_GS232=3\r\n");
    auto teskarn = StartTolvaneWithTeskarn();
    ClickAuto();
    ASSERT_TRUE(teskarn->WriteLine("200"));
    EXPECT_EQ(Controller.ReceiveFor(1500), "");
    EXPECT_EQ(FindProcessWindow(static_cast<DWORD>(Tolvane.processId()), L"", Main), nullptr) << "a box for a port";
    ASSERT_TRUE(Quit());
    const std::string saved = ReadIni();
    EXPECT_NE(saved.find("PORT_GS232=2\r\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("STEP_GS232=3\r\n"), std::string::npos) << saved;

    // The server leaves mid-conversation and comes back; garbage is refused, a value without a line
    // end loses its last digit as everywhere, and the next good value goes out.
    WriteIni(GsOnCom1);
    StartTolvane();
    ASSERT_TRUE(teskarn->WaitForOutput("advise start", 10000));
    ClickAuto();
    ASSERT_TRUE(teskarn->WriteLine("quit"));
    ASSERT_TRUE(teskarn->WaitForExit(10000));
    teskarn = StartTeskarn();
    ASSERT_TRUE(teskarn->WaitForOutput("advise start", 10000)) << "no link again within the retries";
    ASSERT_TRUE(teskarn->WriteLine("--raw 1x5\\r\\n"));
    EXPECT_EQ(Controller.ReceiveFor(1500), "");
    ASSERT_TRUE(teskarn->WriteLine("--raw 77"));
    EXPECT_EQ(Controller.Receive("W007\r"), "W007\r");
    ASSERT_TRUE(teskarn->WriteLine("150"));
    EXPECT_EQ(Controller.Receive("W150\r"), "W150\r");

    // The save's temporary name is taken by a folder: the program says so and still ends.
    const QString blocker = QString::fromStdString(ProgramFolder() + "Tolvane.~in");
    ASSERT_TRUE(QDir().mkdir(blocker));
    ::SetForegroundWindow(Main);
    PressKeys(VK_F4);
    EXPECT_TRUE(BoxSays(static_cast<DWORD>(Tolvane.processId()), Main, L"Erreur", "Tolvane.ini"));
    EXPECT_TRUE(Tolvane.state() == QProcess::NotRunning || Tolvane.waitForFinished(15000));
    QDir().rmdir(blocker);
    EXPECT_EQ(ReadIni(), GsOnCom1);
}

}  // namespace

