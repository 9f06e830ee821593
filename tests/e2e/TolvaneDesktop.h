// A desktop of its own for one end-to-end test: X server, session bus, program folder, Tolvane and its peers.
#pragma once

#include <QImage>
#include <QProcessEnvironment>
#include <QRect>
#include <QTemporaryDir>

#include <memory>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/PrivateDesktop.h"

// What the operator reads on the main window's readout and LED.
struct TMainWindowLook {
    std::string Readout;  // the digits of the three cells, leading blanks dropped; '?' for an unreadable cell
    bool LedLit = false;
};

// Control centres in the main window's client area, from the window's layout table.
struct TClientPoint {
    int X = 0;
    int Y = 0;
};
namespace MainWindowPoint {
constexpr TClientPoint Man{10 + 141 + 21, 10 + 5 + 18};
constexpr TClientPoint Auto{10 + 183 + 21, 10 + 5 + 18};
constexpr TClientPoint Stop{10 + 225 + 21, 10 + 5 + 18};
constexpr TClientPoint LongPath{10 + 267 + 21, 10 + 5 + 18};
constexpr TClientPoint SpinUp{120 + 12, 16 + 8};
constexpr TClientPoint SpinDown{120 + 12, 16 + 34 - 8};
}  // namespace MainWindowPoint

// With $TOLVANE_E2E_WINDOW_MANAGER set to "openbox", openbox manages the desktop's windows.
class TTolvaneDesktop {
public:
    TTolvaneDesktop();
    ~TTolvaneDesktop();
    TTolvaneDesktop(const TTolvaneDesktop&) = delete;
    TTolvaneDesktop& operator=(const TTolvaneDesktop&) = delete;

    bool IsReady() const;
    std::string Folder() const;
    // The configuration file as the user would have left it: lines joined with CR LF.
    void WriteIni(const std::vector<std::string>& lines);
    // Tolvane.ini as it stands, or an empty text when there is none.
    std::string ReadIni() const;

    // A simulated controller linked as `comName` ("COM1") in the program's folder.
    TChildProcess& StartRotator(const std::string& protocol, const std::string& comName,
                                const QStringList& moreArguments = {});
    // The switch that reads the heading back, in the programs' own configuration folder.
    void WriteReadbackSwitch(bool on);
    // Tolvane.conf as given, whole; and as the programs left it.
    void WriteUserConfiguration(const std::string& text);
    std::string ReadUserConfiguration() const;
    // The Teskarn stand-in; azimuths typed on `Write` are published at once.
    TChildProcess& StartFeed(const QStringList& arguments = {});
    TChildProcess& StartArswin();
    // tolvane-bridge on a free port of the loopback, as the feed's publisher; 0 when it did not start.
    quint16 StartBridge();
    // The locale of the programs started from now on (C.UTF-8 until then).
    void SetLocale(const std::string& locale) { Locale = locale; }
    // Copies the program and its help files into the folder, starts it and waits for its window.
    bool StartTolvane();
    // Puts a folder first on the program's PATH, where it looks for Teskarn.
    void PrependToPath(const std::string& folder) { ExtraPath = folder; }
    bool WaitForFeedOwner(bool owned, int timeoutMs = 10000) { return Bus.WaitForOwner("dde.Teskarn", owned, timeoutMs); }
    qint64 FeedOwnerPid() { return Bus.OwnerPid("dde.Teskarn"); }
    // Starts a program that is already in place, as a desktop entry would, and waits for its window.
    bool StartProgram(const std::string& program, const std::string& workingFolder);
    // Starts it without waiting for any window.
    void LaunchProgram(const std::string& program, const std::string& workingFolder);
    // The home folder of the programs started from now on, without XDG_DATA_HOME.
    void SetHome(const std::string& home) { Home = home; }
    TChildProcess* Tolvane() { return Program.get(); }

    unsigned long MainWindow() const { return MainWindowId; }
    std::string WindowName(unsigned long window) const;
    std::string Caption() const { return WindowName(MainWindowId); }
    // Visible windows of the program, other than the main window, whose name matches `pattern`.
    unsigned long WaitForOtherWindow(const std::string& pattern, int timeoutMs = 10000) const;
    bool WaitForCaption(const std::string& caption, int timeoutMs = 10000) const;

    bool HasWindowManager() const { return XServer.HasWindowManager(); }
    // A window of another program, xmessage, which the focus can pass through.
    bool StartOtherProgram();
    // The operator works a moment in the other program's window.
    void VisitOtherProgram();
    // The window that has the keyboard focus.
    unsigned long FocusWindow() const;
    // As the operator clicking on a window's title bar; without a window manager the focus is set directly.
    void Activate(unsigned long window);
    // Left, top, width and height on the screen of the window with its window manager's frame.
    QRect FrameBounds(unsigned long window) const;

    // Real pointer and key events, as the operator makes them.
    void Click(const TClientPoint& point);
    void ClickWindowAt(unsigned long window, int x, int y);
    // Keys go to the window that has the focus, as on a desktop.
    void Keys(const std::vector<std::string>& keys, int delayMs = 80);
    // As the operator clicking on the main window's title bar.
    void FocusMainWindow();
    void TypeText(const std::string& text);
    // As the window manager's close box does.
    void CloseWindow(unsigned long window);

    QImage Screenshot(unsigned long window) const;
    TMainWindowLook Look();
    bool WaitForReadout(const std::string& digits, int timeoutMs = 10000);

    // F4, then waits for the process to end.
    bool Quit(int timeoutMs = 15000);

    // What the operator would have seen, for a failed test: caption, every peer's output, a screenshot.
    std::string Report();

private:
    QProcessEnvironment ChildEnvironment() const;
    // A peer in the program's folder and environment, its output kept for the report.
    TChildProcess& StartPeer(const std::string& label, const std::string& program, const QStringList& arguments);
    bool LocateClientArea(const QImage& image);

    TPrivateXServer XServer;
    TPrivateSessionBus Bus;
    QTemporaryDir ProgramFolder;
    QTemporaryDir ConfigFolder;  // XDG_CONFIG_HOME of the programs
    std::vector<std::unique_ptr<TChildProcess>> Peers;
    std::unique_ptr<TChildProcess> Program;
    std::string ExtraPath;
    std::string Locale = "C.UTF-8";
    std::string Home;
    unsigned long MainWindowId = 0;
    unsigned long OtherWindowId = 0;
    int ClientLeft = -1;
    int ClientTop = -1;
};

// Bytes with CR shown as "\r", for messages.
std::string Visible(const std::string& bytes);
