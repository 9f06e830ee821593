// The serial line over Linux tty devices: open/termios/ioctl/tcflush, exclusive and non-blocking.
#include "platform/SerialLine.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include "platform/Termios2.h"

namespace {

// The rates with a Bxxx constant; 14400 and 56000 have none and go through termios2.
speed_t StandardSpeed(int bitsPerSecond)
{
    switch (bitsPerSecond) {
    case 110: return B110;
    case 300: return B300;
    case 600: return B600;
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    default: return B0;
    }
}

void MakeRaw(termios& tio)
{
    cfmakeraw(&tio);
    tio.c_cflag |= CLOCAL | CREAD;
    tio.c_iflag &= ~(INPCK | IXANY);
    // One byte satisfies a read: with O_NONBLOCK an empty line gives EAGAIN, so a read of 0
    // bytes can only mean a hang-up (the device went away).
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;
}

bool ProcessAlive(pid_t pid)
{
    return pid > 0 && (kill(pid, 0) == 0 || errno == EPERM);
}

// A UUCP lock file (LCK..ttyUSB0 in /var/lock or /run/lock) of a live process, as minicom and
// QSerialPort leave them, also means the port is taken.
bool HeldByLockFile(const std::string& path)
{
    char resolved[PATH_MAX];
    if (!realpath(path.c_str(), resolved))
        return false;
    std::string name(resolved);
    name = name.substr(name.find_last_of('/') + 1);
    for (const char* folder : {"/var/lock/LCK..", "/run/lock/LCK.."}) {
        std::ifstream lock(folder + name);
        long pid = 0;
        if (lock >> pid && pid != getpid() && ProcessAlive(static_cast<pid_t>(pid)))
            return true;
    }
    return false;
}

bool DeviceGoneError(int error)
{
    return error != EAGAIN && error != EWOULDBLOCK && error != EINTR;
}

class TPosixSerialLine final : public ISerialLine {
public:
    ~TPosixSerialLine() override { Close(); }

    bool Open(const std::string& path) override
    {
        Close();
        if (path.empty() || HeldByLockFile(path))
            return false;
        const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            return false;  // missing, not permitted (EACCES) or busy (EBUSY from another's TIOCEXCL)
        termios tio{};
        // Only a terminal device is a serial port; a COMn link to a plain file is not.
        // TIOCEXCL turns away later opens (except root's); flock turns away everyone who also locks,
        // root included, and another flock holder turns us away.
        if (tcgetattr(fd, &tio) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0 || ioctl(fd, TIOCEXCL) != 0) {
            ::close(fd);
            return false;
        }
        MakeRaw(tio);
        tcsetattr(fd, TCSANOW, &tio);
        Fd = fd;
        return true;
    }

    void Close() override
    {
        if (Fd < 0)
            return;
        // The exclusive flag belongs to the tty, not to this descriptor: when someone else keeps
        // the device open (a simulator on a pty) it would outlive us and lock out our own reopen.
        ioctl(Fd, TIOCNXCL);
        ::close(Fd);
        Fd = -1;
    }

    bool IsOpen() const override { return Fd >= 0; }

    void ApplySettings(const TSerialLineSettings& settings) override
    {
        if (Fd < 0)
            return;
        termios tio{};
        if (tcgetattr(Fd, &tio) != 0)
            return;
        MakeRaw(tio);

        const speed_t standard = StandardSpeed(settings.BitsPerSecond);
        const bool freeRate = standard == B0;
        cfsetospeed(&tio, freeRate ? B38400 : standard);
        cfsetispeed(&tio, freeRate ? B38400 : standard);

        tio.c_cflag &= ~CSIZE;
        switch (settings.DataBits) {
        case 5: tio.c_cflag |= CS5; break;
        case 6: tio.c_cflag |= CS6; break;
        case 7: tio.c_cflag |= CS7; break;
        default: tio.c_cflag |= CS8; break;
        }

        tio.c_cflag &= ~(PARENB | PARODD | CMSPAR);
        switch (settings.Parity) {
        case TSerialParity::None: break;
        case TSerialParity::Odd: tio.c_cflag |= PARENB | PARODD; break;
        case TSerialParity::Even: tio.c_cflag |= PARENB; break;
        // CMSPAR makes the parity bit constant: 1 with PARODD (mark), 0 without (space).
        case TSerialParity::Mark: tio.c_cflag |= PARENB | CMSPAR | PARODD; break;
        case TSerialParity::Space: tio.c_cflag |= PARENB | CMSPAR; break;
        }

        // termios has no 1.5 stop bits: CSTOPB gives 2, which a UART sends as 1.5 with 5 data bits.
        if (settings.StopBits == TSerialStopBits::One)
            tio.c_cflag &= ~CSTOPB;
        else
            tio.c_cflag |= CSTOPB;

        if (settings.RtsCtsFlowControl)
            tio.c_cflag |= CRTSCTS;
        else
            tio.c_cflag &= ~CRTSCTS;

        if (settings.XonXoffFlowControl)
            tio.c_iflag |= IXON | IXOFF;
        else
            tio.c_iflag &= ~(IXON | IXOFF);
        tio.c_cc[VSTART] = static_cast<cc_t>(settings.XonChar);
        tio.c_cc[VSTOP] = static_cast<cc_t>(settings.XoffChar);

        tcsetattr(Fd, TCSANOW, &tio);

        if (freeRate) {
            KernelTermios2 tio2{};
            if (ioctl(Fd, GetTermios2, &tio2) == 0) {
                tio2.c_cflag &= ~(CBAUD | (CBAUD << InputBaudShift));
                tio2.c_cflag |= BaudOther;  // input rate bits left 0: input follows output
                tio2.c_ispeed = static_cast<speed_t>(settings.BitsPerSecond);
                tio2.c_ospeed = static_cast<speed_t>(settings.BitsPerSecond);
                ioctl(Fd, SetTermios2, &tio2);
            }
        }

        // Modem lines: a pty has none and refuses these; the line still works.
        int dtr = TIOCM_DTR;
        ioctl(Fd, settings.Dtr ? TIOCMBIS : TIOCMBIC, &dtr);
        if (!settings.RtsCtsFlowControl) {
            // Without hardware handshaking RTS is held low, as the controller cables expect.
            int rts = TIOCM_RTS;
            ioctl(Fd, TIOCMBIC, &rts);
        }
    }

    TSerialTransfer Write(const void* data, int count) override
    {
        if (Fd < 0)
            return {0, TSerialStatus::DeviceGone};
        const ssize_t written = ::write(Fd, data, static_cast<size_t>(count));
        if (written >= 0)
            return {static_cast<int>(written), TSerialStatus::Done};
        return {0, DeviceGoneError(errno) ? TSerialStatus::DeviceGone : TSerialStatus::Done};
    }

    TSerialTransfer Read(void* buffer, int size) override
    {
        if (Fd < 0)
            return {0, TSerialStatus::DeviceGone};
        const ssize_t received = ::read(Fd, buffer, static_cast<size_t>(size));
        if (received > 0)
            return {static_cast<int>(received), TSerialStatus::Done};
        if (received == 0)
            return {0, TSerialStatus::DeviceGone};  // hang-up (see MakeRaw)
        return {0, DeviceGoneError(errno) ? TSerialStatus::DeviceGone : TSerialStatus::Done};
    }

    int OutputQueueLength() const override
    {
        int queued = 0;
        if (Fd < 0 || ioctl(Fd, TIOCOUTQ, &queued) != 0)
            return -1;
        return queued;
    }

    void Purge(bool input, bool output) override
    {
        if (Fd < 0 || (!input && !output))
            return;
        tcflush(Fd, input && output ? TCIOFLUSH : input ? TCIFLUSH : TCOFLUSH);
    }

    void WaitWritable(int milliseconds) override
    {
        if (Fd < 0)
            return;
        pollfd watch{Fd, POLLOUT, 0};
        const int ready = poll(&watch, 1, milliseconds);
        // The kernel may have room while our own queue limit is reached (or the device hung up and
        // reports ready forever): pause a little anyway so a waiting caller never spins.
        if (ready != 0) {
            const timespec pause{0, 1000 * 1000};
            nanosleep(&pause, nullptr);
        }
    }

private:
    int Fd = -1;
};

}  // namespace

std::unique_ptr<ISerialLine> CreateSerialLine()
{
    return std::make_unique<TPosixSerialLine>();
}
