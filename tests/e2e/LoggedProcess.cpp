// End-to-end helpers: programs run for one test, with their output kept for checks and failure reports.
#include "e2e/LoggedProcess.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>


#include "support/ChildProcess.h"

bool PollUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return done();
        QThread::msleep(20);
    }
    return true;
}

TCommandResult RunCommand(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start();
    TCommandResult result;
    if (!process.waitForStarted(timeoutMs))
        return result;
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished(2000);
        return result;
    }
    result.Output = process.readAllStandardOutput().toStdString();
    result.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

TLoggedProcess::TLoggedProcess(const std::string& label, const std::string& program,
                               const QStringList& arguments, const QProcessEnvironment& environment,
                               const std::string& workingFolder)
    : Name(label)
{
    Process.setProgram(QString::fromStdString(program));
    Process.setArguments(arguments);
    Process.setProcessEnvironment(environment);
    Process.setWorkingDirectory(QString::fromStdString(workingFolder));
    Process.setProcessChannelMode(QProcess::MergedChannels);
    EndWithParent(Process);
    Process.start();
    if (!Process.waitForStarted(10000))
        Log = "(" + program + " did not start)\n";
}

TLoggedProcess::~TLoggedProcess()
{
    Stop();
}

std::string TLoggedProcess::Output()
{
    Process.waitForReadyRead(0);
    Log += Process.readAll().toStdString();
    return Log;
}

bool TLoggedProcess::WaitForOutput(const std::string& text, int timeoutMs)
{
    return PollUntil([&] { return Output().find(text) != std::string::npos; }, timeoutMs);
}

bool TLoggedProcess::Write(const std::string& bytes)
{
    const qint64 written = Process.write(bytes.data(), static_cast<qint64>(bytes.size()));
    Process.waitForBytesWritten(2000);
    return written == static_cast<qint64>(bytes.size());
}

bool TLoggedProcess::WaitForExit(int timeoutMs)
{
    const bool ended = Process.state() == QProcess::NotRunning || Process.waitForFinished(timeoutMs);
    Output();
    return ended;
}

void TLoggedProcess::Stop()
{
    if (Process.state() == QProcess::NotRunning)
        return;
    EndProcess(Process);
    Output();
}
