// Pseudo-terminal and COMn folder helpers for the serial tests.
#include "support/PseudoTerminal.h"

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "platform/Termios2.h"

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

TPseudoTerminal::TPseudoTerminal()
{
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0)
        return;
    char name[128];
    if (grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, name, sizeof name) != 0) {
        close(master);
        return;
    }
    Master = master;
    Slave = name;
}

TPseudoTerminal::~TPseudoTerminal()
{
    CloseMaster();
}

std::string TPseudoTerminal::ReadBytes(std::size_t count, int timeoutMs)
{
    std::string bytes;
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Master >= 0 && bytes.size() < count && Clock::now() < deadline) {
        char buffer[256];
        const ssize_t received = read(Master, buffer, sizeof buffer);
        if (received > 0) {
            bytes.append(buffer, static_cast<std::size_t>(received));
            continue;
        }
        // EAGAIN: nothing yet; EIO: no slave open at the moment. Either way wait a little.
        pollfd watch{Master, POLLIN, 0};
        if (poll(&watch, 1, 5) != 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return bytes;
}

std::string TPseudoTerminal::ReadUntilQuiet(int quietMs)
{
    std::string bytes;
    for (;;) {
        const std::string more = ReadBytes(4096, quietMs);
        if (more.empty())
            return bytes;
        bytes += more;
    }
}

bool TPseudoTerminal::Write(const std::string& bytes)
{
    return Master >= 0 && write(Master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
}

std::size_t TPseudoTerminal::WriteSome(const std::string& bytes)
{
    if (Master < 0)
        return 0;
    const ssize_t written = write(Master, bytes.data(), bytes.size());
    return written > 0 ? static_cast<std::size_t>(written) : 0;
}

void TPseudoTerminal::CloseMaster()
{
    if (Master >= 0)
        close(Master);
    Master = -1;
}

TPtyLineSettings TPseudoTerminal::LineSettings() const
{
    TPtyLineSettings settings;
    KernelTermios2 tio{};
    // Terminal ioctls on the master act on the slave's settings.
    if (Master < 0 || ioctl(Master, GetTermios2, &tio) != 0)
        return settings;
    settings.OutputSpeed = tio.c_ospeed;
    settings.InputSpeed = tio.c_ispeed;
    settings.FreeRate = (tio.c_cflag & CBAUD) == BaudOther;
    switch (tio.c_cflag & CSIZE) {
    case CS5: settings.DataBits = 5; break;
    case CS6: settings.DataBits = 6; break;
    case CS7: settings.DataBits = 7; break;
    default: settings.DataBits = 8; break;
    }
    settings.ParityEnabled = tio.c_cflag & PARENB;
    settings.ParityOdd = tio.c_cflag & PARODD;
    settings.ParityConstant = tio.c_cflag & CMSPAR;
    settings.TwoStopBits = tio.c_cflag & CSTOPB;
    settings.RtsCts = tio.c_cflag & CRTSCTS;
    settings.XonOutput = tio.c_iflag & IXON;
    settings.XoffInput = tio.c_iflag & IXOFF;
    settings.StartChar = tio.c_cc[VSTART];
    settings.StopChar = tio.c_cc[VSTOP];
    settings.Raw = !(tio.c_lflag & (ICANON | ECHO | ISIG | IEXTEN)) && !(tio.c_oflag & OPOST)
        && !(tio.c_iflag & (ICRNL | INLCR | IGNCR | ISTRIP));
    settings.ParityCheck = tio.c_iflag & INPCK;
    settings.ReceiverOn = tio.c_cflag & CREAD;
    settings.LocalLine = tio.c_cflag & CLOCAL;
    return settings;
}

bool TPseudoTerminal::SetStandardSpeed(unsigned bitsPerSecond)
{
    speed_t speed = B0;
    switch (bitsPerSecond) {
    case 300: speed = B300; break;
    case 1200: speed = B1200; break;
    case 2400: speed = B2400; break;
    case 9600: speed = B9600; break;
    default: return false;
    }
    termios tio{};
    if (Master < 0 || tcgetattr(Master, &tio) != 0)
        return false;
    cfsetospeed(&tio, speed);
    cfsetispeed(&tio, speed);
    return tcsetattr(Master, TCSANOW, &tio) == 0;
}

TPortFolder::TPortFolder()
    : PreviousDirectory(std::filesystem::current_path().string())
{
    std::filesystem::current_path(Folder.path().toStdString());
    for (int n = 1; n <= 9; ++n)
        Unplug("COM" + std::to_string(n));
}

TPortFolder::~TPortFolder()
{
    std::error_code error;
    std::filesystem::current_path(PreviousDirectory, error);
}

std::string TPortFolder::Path() const
{
    return Folder.path().toStdString();
}

bool TPortFolder::Link(const std::string& name, const std::string& target)
{
    std::error_code error;
    std::filesystem::remove(Folder.path().toStdString() + "/" + name, error);
    std::filesystem::create_symlink(target, Folder.path().toStdString() + "/" + name, error);
    return !error;
}

void TPortFolder::Unplug(const std::string& name)
{
    Link(name, "/nonexistent/unplugged-" + name);
}
