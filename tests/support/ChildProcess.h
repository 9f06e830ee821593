// Test helpers for outside programs: a child whose output is read line by line, and event waits.
#pragma once

#include <QProcess>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// Runs the event loop until `done` holds or `timeoutMs` pass; returns `done()`.
bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs = 10000);

// Every program the build makes is in one folder, for example BuiltProgram("arswin-standin").
std::string BuiltProgram(const std::string& name);
std::string BuiltProgramsFolder();

// SIGTERM, then SIGKILL if the program lingers; nothing when it has already ended.
void EndProcess(QProcess& process);
// The program gets SIGTERM when the test process dies, so a crashed test leaves nothing behind.
void EndWithParent(QProcess& process);

// A program started for one test and ended with it (terminated, then killed if it lingers).
class TChildProcess {
public:
    TChildProcess(const std::string& program, const QStringList& arguments = {});
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    bool IsRunning() const;
    qint64 Pid() const;
    // The next line of standard output not yet taken, waiting up to `timeoutMs` for it.
    std::optional<std::string> NextLine(int timeoutMs = 10000);
    // Takes lines until one equals `line`; false when it did not come in time.
    bool SkipPast(const std::string& line, int timeoutMs = 10000);
    bool WriteLine(const std::string& line);
    // SIGTERM, then waits for the end.
    void Terminate();
    // What the program wrote on standard error so far, for failure messages.
    std::string ErrorOutput();

private:
    void ReadAvailable();

    QProcess Process;
    std::string Partial;
    std::vector<std::string> Lines;
    std::size_t Taken = 0;
};
