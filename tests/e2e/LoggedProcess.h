// End-to-end helpers: a program run for one test whose whole output is kept, and short commands.
#pragma once

#include "support/ChildProcess.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <functional>
#include <string>

// Polls `done` every 20 ms until it holds or `timeoutMs` pass; returns `done()`.
bool PollUntil(const std::function<bool()>& done, int timeoutMs);

struct TCommandResult {
    int ExitCode = -1;
    std::string Output;  // standard output only
};

// Runs a short command to its end (xdotool, import, cmake) with the current environment.
TCommandResult RunCommand(const QString& program, const QStringList& arguments, int timeoutMs = 20000);

// A program started for one test and ended with it: SIGTERM, then SIGKILL if it lingers, and
// SIGTERM from the kernel should the test itself die.
class TLoggedProcess {
public:
    TLoggedProcess(const std::string& label, const std::string& program, const QStringList& arguments,
                   const QProcessEnvironment& environment, const std::string& workingFolder);
    ~TLoggedProcess();
    TLoggedProcess(const TLoggedProcess&) = delete;
    TLoggedProcess& operator=(const TLoggedProcess&) = delete;

    const std::string& Label() const { return Name; }
    bool IsRunning() const { return Process.state() != QProcess::NotRunning; }
    qint64 Pid() const { return Process.processId(); }
    // Everything the program printed so far, standard output and error merged.
    std::string Output();
    bool WaitForOutput(const std::string& text, int timeoutMs);
    bool Write(const std::string& bytes);
    // Waits for the program to end by itself; returns whether it did.
    bool WaitForExit(int timeoutMs);
    int ExitCode() const { return Process.exitCode(); }
    void Stop();

private:
    std::string Name;
    QProcess Process;
    std::string Log;
};
