// Test helpers for outside programs: one child-process wrapper, short commands, and the event waits.
#pragma once

#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>

#include <functional>
#include <optional>
#include <string>

// Runs the event loop until `done` holds or `timeoutMs` pass; returns `done()`.
bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs = 10000);
// Runs the event loop for about the given time.
void WaitFor(int milliseconds);

// Every program the build makes is in one folder, for example BuiltProgram("arswin-standin").
std::string BuiltProgram(const std::string& name);
std::string BuiltProgramsFolder();

// Asks the program to end (SIGTERM; WM_CLOSE on Windows), then kills it if it lingers; nothing when
// it has already ended.
void EndProcess(QProcess& process);
// The program ends when the test process dies, so a crashed test leaves nothing behind.
void EndWithParent(QProcess& process);

// Where a child's standard error goes.
enum class TErrorOutput { Separate, Merged, Discarded };

struct TChildOptions {
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
    std::string WorkingFolder;  // empty: the test's own
    TErrorOutput Errors = TErrorOutput::Separate;
    std::string Label;  // names the program in failure reports
    bool DiscardOutput = false;  // standard output to /dev/null, for a server that is never read
};

// A program started for one test and ended with it: SIGTERM, then SIGKILL if it lingers, and
// SIGTERM from the kernel should the test itself die. Its output is kept whole and can also be
// taken line by line.
class TChildProcess {
public:
    explicit TChildProcess(const std::string& program, const QStringList& arguments = {},
                           const TChildOptions& options = {});
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    const std::string& Label() const { return Name; }
    bool HasStarted() const { return Started; }
    bool IsRunning() const;
    qint64 Pid() const;
    // The next line of output not yet taken, waiting up to `timeoutMs` for it.
    std::optional<std::string> NextLine(int timeoutMs = 10000);
    // Takes lines until one equals `line`; false when it did not come in time.
    bool SkipPast(const std::string& line, int timeoutMs = 10000);
    // Everything the program printed so far (with standard error when merged).
    std::string Output();
    bool WaitForOutput(const std::string& text, int timeoutMs);
    bool Write(const std::string& bytes);
    bool WriteLine(const std::string& line);
    // Waits for the program to end by itself; returns whether it did.
    bool WaitForExit(int timeoutMs);
    // The exit code, -1 after a crash.
    int ExitCode() const;
    // SIGTERM, then waits for the end.
    void Terminate();
    // What the program wrote on a separate standard error so far, for failure messages.
    std::string ErrorOutput();

private:
    void ReadAvailable();

    std::string Name;
    QProcess Process;
    bool Started = false;
    std::string Log;
    std::size_t Taken = 0;  // where the next line starts in Log
};

struct TCommandResult {
    int ExitCode = -1;
    std::string Output;  // standard output only
};

// Runs a short command to its end (xdotool, import, cmake) with the current environment.
TCommandResult RunCommand(const QString& program, const QStringList& arguments, int timeoutMs = 20000);
