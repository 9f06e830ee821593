// The device end of a serial line for the benchmarks.
#include "PtyLine.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

TPtyLine::TPtyLine()
{
    Master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (Master < 0 || grantpt(Master) != 0 || unlockpt(Master) != 0)
        BenchTools::Fail("no pseudo-terminal");
    Slave = ptsname(Master);
    // Held open so that the master does not report a hang-up before the program under test opens it.
    SlaveHolder = ::open(Slave.c_str(), O_RDWR | O_NOCTTY);
}

void TPtyLine::ReadOnEventLoop()
{
    Notifier = std::make_unique<QSocketNotifier>(Master, QSocketNotifier::Read);
    QObject::connect(Notifier.get(), &QSocketNotifier::activated, [this] { Read(); });
}

TPtyLine::~TPtyLine()
{
    Notifier.reset();
    ::close(SlaveHolder);
    ::close(Master);
}

void TPtyLine::Clear()
{
    Received.clear();
    Done = false;
}

void TPtyLine::Read()
{
    char buffer[256];
    const ssize_t count = ::read(Master, buffer, sizeof buffer);
    if (count <= 0)
        return;
    const BenchTools::TClock::time_point now = BenchTools::TClock::now();
    Received.append(buffer, static_cast<std::size_t>(count));
    if (!Done && Received.find('\r') != std::string::npos) {
        ArrivedAt = now;
        Done = true;
    }
}
