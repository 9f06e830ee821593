// The save's lock as flock on the folder itself.
#include "platform/SaveLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

// A lock on the folder, not on a file of its own, leaves the folder's names as they are; it goes
// with the process, so a crashed copy never holds it.
TSaveLock::TSaveLock(const std::string& folder, int waitMilliseconds)
{
    const int directory = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory < 0) {
        return;
    }
    constexpr int WaitStepUs = 5000;
    const int waitSteps = waitMilliseconds * 1000 / WaitStepUs;
    for (int step = 0; step < waitSteps; ++step) {
        if (flock(directory, LOCK_EX | LOCK_NB) == 0) {
            Handle = directory;
            return;
        }
        if (errno != EWOULDBLOCK && errno != EINTR) {
            break;
        }
        usleep(WaitStepUs);
    }
    close(directory);
}

TSaveLock::~TSaveLock()
{
    if (Held()) {
        close(static_cast<int>(Handle));
    }
}
