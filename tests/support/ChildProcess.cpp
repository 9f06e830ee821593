// Child processes for tests and waits that keep the event loop running.
#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>

bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return done();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

void WaitFor(int milliseconds)
{
    QElapsedTimer waited;
    waited.start();
    while (waited.elapsed() < milliseconds) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
}

// The test programs are built into the same folder, which Windows names in its own form; a name
// taken before the application exists is the build's.
std::string BuiltProgramsFolder()
{
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath().toStdString() : TOLVANE_BIN_DIR;
}

std::string BuiltProgram(const std::string& name)
{
    return BuiltProgramsFolder() + "/" + name;
}

TChildProcess::TChildProcess(const std::string& program, const QStringList& arguments,
                             const TChildOptions& options)
    : Name(options.Label.empty() ? program : options.Label)
{
    Process.setProgram(QString::fromStdString(program));
    Process.setArguments(arguments);
    Process.setProcessEnvironment(options.Environment);
    if (!options.WorkingFolder.empty())
        Process.setWorkingDirectory(QString::fromStdString(options.WorkingFolder));
    if (options.Errors == TErrorOutput::Merged)
        Process.setProcessChannelMode(QProcess::MergedChannels);
    else if (options.Errors == TErrorOutput::Discarded)
        Process.setStandardErrorFile(QProcess::nullDevice());
    if (options.DiscardOutput)
        Process.setStandardOutputFile(QProcess::nullDevice());
    EndWithParent(Process);
    Process.start();
    Started = Process.waitForStarted(10000);
    if (!Started)
        Log = "(" + program + " did not start)\n";
}

TChildProcess::~TChildProcess()
{
    Terminate();
}

bool TChildProcess::IsRunning() const
{
    return Process.state() != QProcess::NotRunning;
}

qint64 TChildProcess::Pid() const
{
    return Process.processId();
}

void TChildProcess::ReadAvailable()
{
    Log += Process.readAllStandardOutput().toStdString();
}

std::optional<std::string> TChildProcess::NextLine(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    ReadAvailable();
    while (Log.find('\n', Taken) == std::string::npos) {
        const qint64 left = timeoutMs - waited.elapsed();
        if (left <= 0 || Process.state() != QProcess::Running) {
            ReadAvailable();
            break;
        }
        Process.waitForReadyRead(static_cast<int>(std::min<qint64>(left, 50)));
        ReadAvailable();
        // The child may be asking this process's windows something (a DDE broadcast) and wait for it.
        QCoreApplication::processEvents();
    }
    const std::size_t end = Log.find('\n', Taken);
    if (end == std::string::npos)
        return std::nullopt;
    std::string line = Log.substr(Taken, end - Taken);
    Taken = end + 1;
    // Console programs on Windows end their lines with CR LF.
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return line;
}

bool TChildProcess::SkipPast(const std::string& line, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (const auto next = NextLine(static_cast<int>(std::max<qint64>(0, timeoutMs - waited.elapsed())))) {
        if (*next == line)
            return true;
    }
    return false;
}

std::string TChildProcess::Output()
{
    Process.waitForReadyRead(0);
    ReadAvailable();
    return Log;
}

bool TChildProcess::WaitForOutput(const std::string& text, int timeoutMs)
{
    return RunEventsUntil([&] { return Output().find(text) != std::string::npos; }, timeoutMs);
}

bool TChildProcess::Write(const std::string& bytes)
{
    const qint64 written = Process.write(bytes.data(), static_cast<qint64>(bytes.size()));
    Process.waitForBytesWritten(5000);
    return written == static_cast<qint64>(bytes.size());
}

bool TChildProcess::WriteLine(const std::string& line)
{
    return Write(line + "\n");
}

bool TChildProcess::WaitForExit(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    // In short waits with this process's events between them, as NextLine does.
    while (Process.state() != QProcess::NotRunning && waited.elapsed() < timeoutMs) {
        Process.waitForFinished(static_cast<int>(std::min<qint64>(timeoutMs - waited.elapsed(), 50)));
        QCoreApplication::processEvents();
    }
    ReadAvailable();
    return Process.state() == QProcess::NotRunning;
}

int TChildProcess::ExitCode() const
{
    return Started && Process.exitStatus() == QProcess::NormalExit ? Process.exitCode() : -1;
}

void TChildProcess::Terminate()
{
    EndProcess(Process);
    ReadAvailable();
}

std::string TChildProcess::ErrorOutput()
{
    return Process.readAllStandardError().toStdString();
}

TCommandResult RunCommand(const QString& program, const QStringList& arguments, int timeoutMs)
{
    TChildOptions options;
    options.Errors = TErrorOutput::Discarded;
    TChildProcess command(program.toStdString(), arguments, options);
    TCommandResult result;
    if (!command.WaitForExit(timeoutMs))
        return result;
    result.Output = command.Output();
    result.ExitCode = command.ExitCode();
    return result;
}
