// Child processes for tests and waits that keep the event loop running.
#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <algorithm>
#include <signal.h>
#include <sys/prctl.h>

bool RunEventsUntil(const std::function<bool()>& done, int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    while (!done()) {
        if (waited.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        QThread::msleep(2);
    }
    return true;
}

std::string BuiltProgramsFolder()
{
    return TOLVANE_BIN_DIR;
}

std::string BuiltProgram(const std::string& name)
{
    return BuiltProgramsFolder() + "/" + name;
}

TChildProcess::TChildProcess(const std::string& program, const QStringList& arguments)
{
    Process.setProgram(QString::fromStdString(program));
    Process.setArguments(arguments);
    Process.start();
    Process.waitForStarted(10000);
}

TChildProcess::~TChildProcess()
{
    Terminate();
}

bool TChildProcess::IsRunning() const
{
    return Process.state() == QProcess::Running;
}

qint64 TChildProcess::Pid() const
{
    return Process.processId();
}

void TChildProcess::ReadAvailable()
{
    Partial += Process.readAllStandardOutput().toStdString();
    std::size_t end;
    while ((end = Partial.find('\n')) != std::string::npos) {
        Lines.push_back(Partial.substr(0, end));
        Partial.erase(0, end + 1);
    }
}

std::optional<std::string> TChildProcess::NextLine(int timeoutMs)
{
    QElapsedTimer waited;
    waited.start();
    ReadAvailable();
    while (Taken >= Lines.size()) {
        const qint64 left = timeoutMs - waited.elapsed();
        if (left <= 0 || Process.state() != QProcess::Running) {
            ReadAvailable();
            break;
        }
        Process.waitForReadyRead(static_cast<int>(std::min<qint64>(left, 50)));
        ReadAvailable();
    }
    if (Taken >= Lines.size())
        return std::nullopt;
    return Lines[Taken++];
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

bool TChildProcess::WriteLine(const std::string& line)
{
    const std::string bytes = line + "\n";
    const qint64 written = Process.write(bytes.data(), static_cast<qint64>(bytes.size()));
    Process.waitForBytesWritten(5000);
    return written == static_cast<qint64>(bytes.size());
}

void EndProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

void EndWithParent(QProcess& process)
{
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
}

void TChildProcess::Terminate()
{
    EndProcess(Process);
}

std::string TChildProcess::ErrorOutput()
{
    return Process.readAllStandardError().toStdString();
}
