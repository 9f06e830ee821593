// A desktop of its own for one end-to-end test: the real program driven by xdotool and read back from screenshots.
#include "e2e/TolvaneDesktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>


#include <sstream>

#include "support/ChildProcess.h"

#include "e2e/WindowClose.h"
#include "widgets/Lcd99.h"
#include "widgets/SevenSegment.h"

namespace {
const char* const Xdotool = "xdotool";

// Where the readout and the LED sit in the client area (panel at (10,10), readout at (8,6) in it,
// LED box at (322,7) in it, 31 pixels wide).
constexpr int ReadoutLeft = 10 + 8;
constexpr int ReadoutTop = 10 + 6;
constexpr int ReadoutWidth = 92;
constexpr int ReadoutHeight = 32;
constexpr int LedCentreX = 10 + 322 + 15;
constexpr int LedCentreY = 10 + 7 + 15;
// The panel's two lowered bevels of width 2.
constexpr int PanelBevel = 4;

bool IsLitSegment(QRgb pixel)
{
    return qGreen(pixel) > 200 && qRed(pixel) < 80 && qBlue(pixel) < 80;
}

// The character whose lit bars are `lit`, ' ' for none, '?' for a pattern no character has.
char CharacterOf(const std::array<bool, 8>& lit)
{
    for (const char character : std::string(" 0123456789-")) {
        bool same = true;
        for (int segment = 1; segment <= 7; ++segment)
            same = same && SegmentLit(character, segment) == lit[static_cast<std::size_t>(segment)];
        if (same)
            return character;
    }
    return '?';
}

std::string CurrentTestName()
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return info ? std::string(info->test_suite_name()) + "." + info->name() : std::string("e2e");
}
}  // namespace

std::string Visible(const std::string& bytes)
{
    std::string text;
    for (const char c : bytes) {
        if (c == '\r')
            text += "\\r";
        else if (c == '\n')
            text += "\\n\n";
        else
            text += c;
    }
    return text;
}

TTolvaneDesktop::TTolvaneDesktop()
    : XServer(qEnvironmentVariable("TOLVANE_E2E_WINDOW_MANAGER") == QStringLiteral("openbox"))
{
}

TTolvaneDesktop::~TTolvaneDesktop()
{
    // The program first, so that it cannot restart a peer it misses; then the peers.
    Program.reset();
    Peers.clear();
    // The program leaves Tolvane.ini read-only; the folder must still go.
    QFile::setPermissions(ProgramFolder.filePath(QStringLiteral("Tolvane.ini")),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

bool TTolvaneDesktop::IsReady() const
{
    return XServer.IsRunning() && Bus.IsRunning() && ProgramFolder.isValid();
}

std::string TTolvaneDesktop::Folder() const
{
    return ProgramFolder.path().toStdString();
}

QProcessEnvironment TTolvaneDesktop::ChildEnvironment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // The test program itself draws offscreen; the programs under test use the X server.
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    environment.insert(QStringLiteral("DISPLAY"), QString::fromStdString(XServer.DisplayName()));
    environment.remove(QStringLiteral("XAUTHORITY"));
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), QString::fromStdString(Bus.BusAddress()));
    // A point as decimal separator, whatever the machine's locale, unless the test chose one.
    environment.insert(QStringLiteral("LC_ALL"), QString::fromStdString(Locale));
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), ConfigFolder.path());
    if (!Home.empty()) {
        environment.insert(QStringLiteral("HOME"), QString::fromStdString(Home));
        environment.remove(QStringLiteral("XDG_DATA_HOME"));
    }
    if (!ExtraPath.empty())
        environment.insert(QStringLiteral("PATH"), QString::fromStdString(ExtraPath) + QLatin1Char(':') +
                                                       environment.value(QStringLiteral("PATH")));
    return environment;
}

void TTolvaneDesktop::WriteIni(const std::vector<std::string>& lines)
{
    QFile file(ProgramFolder.filePath(QStringLiteral("Tolvane.ini")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    for (const std::string& line : lines)
        file.write(QByteArray::fromStdString(line + "\r\n"));
}

std::string TTolvaneDesktop::ReadIni() const
{
    QFile file(ProgramFolder.filePath(QStringLiteral("Tolvane.ini")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

TChildProcess& TTolvaneDesktop::StartPeer(const std::string& label, const std::string& program,
                                          const QStringList& arguments)
{
    Peers.push_back(std::make_unique<TChildProcess>(
        program, arguments, TChildOptions{ChildEnvironment(), Folder(), TErrorOutput::Merged, label}));
    return *Peers.back();
}

void TTolvaneDesktop::WriteReadbackSwitch(bool on)
{
    WriteUserConfiguration(on ? "[heading]\nreadback=true\n" : "[heading]\nreadback=false\n");
}

void TTolvaneDesktop::WriteUserConfiguration(const std::string& text)
{
    QDir().mkpath(ConfigFolder.filePath(QStringLiteral("Tolvane")));
    QFile file(ConfigFolder.filePath(QStringLiteral("Tolvane/Tolvane.conf")));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text.data(), static_cast<qint64>(text.size()));
}

std::string TTolvaneDesktop::ReadUserConfiguration() const
{
    QFile file(ConfigFolder.filePath(QStringLiteral("Tolvane/Tolvane.conf")));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll().toStdString();
}

TChildProcess& TTolvaneDesktop::StartRotator(const std::string& protocol, const std::string& comName,
                                             const QStringList& moreArguments)
{
    const std::string link = Folder() + "/" + comName;
    // Later options win: a test may set its own rate.
    StartPeer("rotator-sim " + protocol + " " + comName, BuiltProgram("rotator-sim"),
              QStringList{QStringLiteral("--protocol"), QString::fromStdString(protocol), QStringLiteral("--link"),
                          QString::fromStdString(link), QStringLiteral("--rate"), QStringLiteral("30")}
                  + moreArguments);
    RunEventsUntil([&] { return QFileInfo(QString::fromStdString(link)).exists(); }, 10000);
    return *Peers.back();
}

TChildProcess& TTolvaneDesktop::StartFeed(const QStringList& arguments)
{
    StartPeer("teskarn-feed", BuiltProgram("teskarn-feed"), arguments);
    Bus.WaitForOwner("dde.Teskarn", true, 10000);
    return *Peers.back();
}

TChildProcess& TTolvaneDesktop::StartArswin()
{
    StartPeer("arswin-standin", BuiltProgram("arswin-standin"), {});
    RunEventsUntil([] {
        return !RunCommand(Xdotool, {QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^ARSWIN$")})
                    .Output.empty();
    }, 10000);
    return *Peers.back();
}

quint16 TTolvaneDesktop::StartBridge()
{
    TChildProcess& bridge =
        StartPeer("tolvane-bridge", BuiltProgram("tolvane-bridge"), {QStringLiteral("--port"), QStringLiteral("0")});
    if (!bridge.WaitForOutput("ready ", 10000) || !bridge.WaitForOutput("\n", 1000))
        return 0;
    const std::string output = bridge.Output();
    const std::size_t port = output.find(" port ", output.find("ready "));
    return port == std::string::npos ? 0 : static_cast<quint16>(std::atoi(output.c_str() + port + 6));
}

bool TTolvaneDesktop::StartTolvane()
{
    const QDir folder(ProgramFolder.path());
    const QString binary = QString::fromStdString(BuiltProgramsFolder());
    QFile::copy(binary + QStringLiteral("/tolvane"), folder.filePath(QStringLiteral("tolvane")));
    for (const QString& help : QDir(binary).entryList({QStringLiteral("*.hlp")}, QDir::Files))
        QFile::copy(binary + QLatin1Char('/') + help, folder.filePath(help));
    // Started by its full path from elsewhere: the program must find its own folder.
    return StartProgram(folder.filePath(QStringLiteral("tolvane")).toStdString(), QDir::tempPath().toStdString());
}

void TTolvaneDesktop::LaunchProgram(const std::string& program, const std::string& workingFolder)
{
    Program = std::make_unique<TChildProcess>(
        program, QStringList{}, TChildOptions{ChildEnvironment(), workingFolder, TErrorOutput::Merged, "tolvane"});
}

bool TTolvaneDesktop::StartProgram(const std::string& program, const std::string& workingFolder)
{
    LaunchProgram(program, workingFolder);
    const QString pid = QString::number(Program->Pid());
    const bool shown = RunEventsUntil([&] {
        const std::string ids = RunCommand(Xdotool, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                     QStringLiteral("--pid"), pid, QStringLiteral("--name"),
                                                     QStringLiteral("^TOLVANE")}).Output;
        std::istringstream lines(ids);
        unsigned long id = 0;
        if (!(lines >> id))
            return false;
        MainWindowId = id;
        return true;
    }, 15000);
    if (!shown)
        return false;
    // The first paint may lag the map a little: read the client area once the panel is drawn.
    return RunEventsUntil([&] { return LocateClientArea(Screenshot(MainWindowId)); }, 10000);
}

bool TTolvaneDesktop::LocateClientArea(const QImage& image)
{
    if (image.isNull())
        return false;
    // The panel is the one black area: its first black row, less the bevel, is y = 10 of the client
    // area; the column where the bevel starts on that level is x = 10.
    const int probeX = 10 + 315;
    if (probeX >= image.width())
        return false;
    for (int y = 0; y < image.height(); ++y) {
        if ((image.pixel(probeX, y) & 0xFFFFFF) != 0)
            continue;
        const int panelTop = y - PanelBevel;
        const int rowY = panelTop + 20;
        const QRgb background = image.pixel(0, rowY);
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, rowY) != background) {
                ClientLeft = x - 10;
                ClientTop = panelTop - 10;
                return ClientLeft >= 0 && ClientTop >= 0;
            }
        }
        return false;
    }
    return false;
}

std::string TTolvaneDesktop::WindowName(unsigned long window) const
{
    std::string name =
        RunCommand(Xdotool, {QStringLiteral("getwindowname"), QString::number(window)}).Output;
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r'))
        name.pop_back();
    return name;
}

unsigned long TTolvaneDesktop::WaitForOtherWindow(const std::string& pattern, int timeoutMs) const
{
    unsigned long found = 0;
    const QString pid = Program ? QString::number(Program->Pid()) : QString();
    RunEventsUntil([&] {
        std::istringstream lines(RunCommand(Xdotool, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                      QStringLiteral("--pid"), pid, QStringLiteral("--name"),
                                                      QString::fromStdString(pattern)}).Output);
        unsigned long id = 0;
        while (lines >> id) {
            if (id != MainWindowId) {
                found = id;
                return true;
            }
        }
        return false;
    }, timeoutMs);
    return found;
}

bool TTolvaneDesktop::WaitForCaption(const std::string& caption, int timeoutMs) const
{
    return RunEventsUntil([&] { return Caption() == caption; }, timeoutMs);
}

void TTolvaneDesktop::Click(const TClientPoint& point)
{
    ClickWindowAt(MainWindowId, ClientLeft + point.X, ClientTop + point.Y);
}

void TTolvaneDesktop::ClickWindowAt(unsigned long window, int x, int y)
{
    RunCommand(Xdotool, {QStringLiteral("mousemove"), QStringLiteral("--window"),
                         QString::number(window), QString::number(x), QString::number(y),
                         QStringLiteral("click"), QStringLiteral("1")});
}

void TTolvaneDesktop::Keys(const std::vector<std::string>& keys, int delayMs)
{
    QStringList arguments{QStringLiteral("key"), QStringLiteral("--delay"), QString::number(delayMs)};
    for (const std::string& key : keys)
        arguments << QString::fromStdString(key);
    RunCommand(Xdotool, arguments);
}

void TTolvaneDesktop::FocusMainWindow()
{
    // Without a window manager nobody hands the focus back when a box or a second window closes.
    Activate(MainWindowId);
}

void TTolvaneDesktop::Activate(unsigned long window)
{
    // A window manager refuses a focus that it did not give: ask it, as a click on the title bar does.
    const QString command = HasWindowManager() ? QStringLiteral("windowactivate") : QStringLiteral("windowfocus");
    RunCommand(Xdotool, {command, QStringLiteral("--sync"), QString::number(window)}, 5000);
}

bool TTolvaneDesktop::StartOtherProgram()
{
    StartPeer("xmessage", "xmessage",
              {QStringLiteral("-name"), QStringLiteral("other"), QStringLiteral("Another program")});
    const QString pid = QString::number(Peers.back()->Pid());
    return RunEventsUntil([&] {
        std::istringstream ids(RunCommand(Xdotool, {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                                    QStringLiteral("--pid"), pid, QStringLiteral("--class"),
                                                    QStringLiteral("Xmessage")}).Output);
        return static_cast<bool>(ids >> OtherWindowId);
    }, 10000);
}

void TTolvaneDesktop::VisitOtherProgram()
{
    Activate(OtherWindowId);
    // Qt tells its windows that the focus left the program only after 400 ms elsewhere, so that a
    // focus passing between two of its own windows is not taken for a departure.
    QThread::msleep(600);
}

unsigned long TTolvaneDesktop::FocusWindow() const
{
    std::istringstream id(RunCommand(Xdotool, {QStringLiteral("getwindowfocus"), QStringLiteral("-f")}).Output);
    unsigned long window = 0;
    id >> window;
    return window;
}

QRect TTolvaneDesktop::FrameBounds(unsigned long window) const
{
    // The frame is the window's ancestor just below the root; without a window manager, the window itself.
    const auto field = [](const std::string& text, const std::string& label) -> long {
        const std::size_t at = text.find(label);
        return at == std::string::npos ? 0 : std::stol(text.substr(at + label.size()), nullptr, 0);
    };
    unsigned long top = window;
    for (int depth = 0; depth < 10; ++depth) {
        const std::string tree =
            RunCommand(QStringLiteral("xwininfo"), {QStringLiteral("-children"), QStringLiteral("-id"),
                                                    QString::number(top)}).Output;
        const auto parent = static_cast<unsigned long>(field(tree, "Parent window id: "));
        if (parent == 0 || parent == static_cast<unsigned long>(field(tree, "Root window id: ")))
            break;
        top = parent;
    }
    const std::string info =
        RunCommand(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(top)}).Output;
    return QRect(static_cast<int>(field(info, "Absolute upper-left X:")),
                 static_cast<int>(field(info, "Absolute upper-left Y:")), static_cast<int>(field(info, "Width:")),
                 static_cast<int>(field(info, "Height:")));
}

void TTolvaneDesktop::TypeText(const std::string& text)
{
    RunCommand(Xdotool, {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"),
                         QString::fromStdString(text)});
}

void TTolvaneDesktop::CloseWindow(unsigned long window)
{
    RequestWindowClose(window);
}

QImage TTolvaneDesktop::Screenshot(unsigned long window) const
{
    const QString path = QDir(ProgramFolder.path()).filePath(QStringLiteral("screenshot.png"));
    QFile::remove(path);
    RunCommand(QStringLiteral("import"), {QStringLiteral("-window"), QString::number(window), path});
    return QImage(path);
}

TMainWindowLook TTolvaneDesktop::Look()
{
    TMainWindowLook look;
    const QImage image = Screenshot(MainWindowId);
    if (image.isNull() || ClientLeft < 0)
        return look;
    // The readout's own geometry rules place its bars; the screen must show them lit or dark.
    TLCD99 model;
    model.SetDigitNum(3);
    model.SetSegmentSize(3);
    const TCellGeometry geometry = ComputeGeometry(ReadoutWidth, ReadoutHeight, model.DigitNum(), model.DigitSpacing(),
                                                   model.GapX(), model.GapY(), model.SegmentSize());
    const int left = ClientLeft + ReadoutLeft;
    const int top = ClientTop + ReadoutTop;
    std::string cells;
    for (int cell = 1; cell <= 3; ++cell) {
        std::array<bool, 8> lit{};
        for (int segment = 1; segment <= 7; ++segment) {
            const TPolygon bar = SegmentPolygon(geometry, cell, segment);
            int sumX = 0;
            int sumY = 0;
            for (int vertex = 0; vertex < 6; ++vertex) {
                sumX += bar[static_cast<std::size_t>(vertex)].X;
                sumY += bar[static_cast<std::size_t>(vertex)].Y;
            }
            lit[static_cast<std::size_t>(segment)] = IsLitSegment(image.pixel(left + sumX / 6, top + sumY / 6));
        }
        cells += CharacterOf(lit);
    }
    look.Readout = cells.substr(std::min(cells.find_first_not_of(' '), cells.size()));
    look.LedLit = qRed(image.pixel(ClientLeft + LedCentreX, ClientTop + LedCentreY)) > 200;
    return look;
}

bool TTolvaneDesktop::WaitForReadout(const std::string& digits, int timeoutMs)
{
    return RunEventsUntil([&] { return Look().Readout == digits; }, timeoutMs);
}

bool TTolvaneDesktop::Quit(int timeoutMs)
{
    if (!Program)
        return false;
    FocusMainWindow();
    Keys({"F4"});
    return Program->WaitForExit(timeoutMs);
}

std::string TTolvaneDesktop::Report()
{
    std::ostringstream report;
    report << "What the user saw" << (HasWindowManager() ? " under openbox" : " on a bare X server") << ":\n";
    if (Program && Program->IsRunning() && MainWindowId != 0) {
        report << "  caption: \"" << Caption() << "\"\n";
        const QString kept = QStringLiteral(TOLVANE_BINARY_DIR "/e2e-failures/%1.png")
                                 .arg(QString::fromStdString(CurrentTestName()));
        QDir().mkpath(QFileInfo(kept).path());
        QFile::remove(kept);
        const QImage image = Screenshot(MainWindowId);
        if (!image.isNull() && image.save(kept))
            report << "  screenshot: " << kept.toStdString() << "\n";
        report << "  readout: \"" << Look().Readout << "\"\n";
    } else {
        report << "  (the program is not running)\n";
    }
    if (Program)
        report << "--- tolvane output:\n" << Program->Output() << "\n";
    for (const auto& peer : Peers)
        report << "--- " << peer->Label() << ":\n" << Visible(peer->Output()) << "\n";
    report << "--- Tolvane.ini:\n" << Visible(ReadIni()) << "\n";
    return report.str();
}
