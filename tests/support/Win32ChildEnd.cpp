// How a test's child process ends on Windows: WM_CLOSE to its windows first, and with the test
// should it die, through a job that every child joins.
#include "support/ChildProcess.h"

#include <windows.h>

void EndProcess(QProcess& process)
{
    if (process.state() == QProcess::NotRunning)
        return;
    // Console programs have no window to close: their grace is short.
    process.terminate();
    if (!process.waitForFinished(1500)) {
        process.kill();
        process.waitForFinished(5000);
    }
}

void EndWithParent(QProcess&)
{
    // The test joins a job that kills its members when its last handle closes, which is when the
    // test ends; children started later belong to it too.
    static const bool joined = [] {
        const HANDLE job = ::CreateJobObjectW(nullptr, nullptr);
        if (!job)
            return false;
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        return ::SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits) &&
               ::AssignProcessToJobObject(job, ::GetCurrentProcess());
    }();
    (void)joined;
}
