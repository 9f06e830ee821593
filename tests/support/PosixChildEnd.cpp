// How a test's child process ends on Linux: SIGTERM first, and with the test should it die.
#include "support/ChildProcess.h"

#include <signal.h>
#include <sys/prctl.h>

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
