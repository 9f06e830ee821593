// Printer-port writes through the Linux ppdev driver, one claimed device per base address.
#include "platform/PpdevPortIO.h"

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <fcntl.h>
#include <linux/ppdev.h>
#include <pthread.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <time.h>
#include <unistd.h>

namespace {

class TLinuxPpdevSystem final : public IPpdevSystem {
public:
    bool ReadTextFile(const std::string& path, std::string& text) override
    {
        std::ifstream file(path);
        if (!file)
            return false;
        std::ostringstream contents;
        contents << file.rdbuf();
        text = contents.str();
        return !file.bad();
    }

    int Open(const std::string& path) override
    {
        const int descriptor = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
        return descriptor >= 0 ? descriptor : -errno;
    }

    int Ioctl(int descriptor, TPpdevRequest request, std::uint8_t value) override
    {
        unsigned char byte = value;
        int result = -1;
        switch (request) {
        case TPpdevRequest::Claim:
            result = ::ioctl(descriptor, PPCLAIM);
            break;
        case TPpdevRequest::Release:
            result = ::ioctl(descriptor, PPRELEASE);
            break;
        case TPpdevRequest::WriteData:
            result = ::ioctl(descriptor, PPWDATA, &byte);
            break;
        case TPpdevRequest::WriteControl:
            result = ::ioctl(descriptor, PPWCONTROL, &byte);
            break;
        }
        return result == 0 ? 0 : errno;
    }

    int Close(int descriptor) override { return ::close(descriptor) == 0 ? 0 : errno; }
};

const char* RequestName(TPpdevRequest request)
{
    switch (request) {
    case TPpdevRequest::Claim:
        return "PPCLAIM";
    case TPpdevRequest::Release:
        return "PPRELEASE";
    case TPpdevRequest::WriteData:
        return "PPWDATA";
    case TPpdevRequest::WriteControl:
        return "PPWCONTROL";
    }
    return "?";
}

std::string Hex(unsigned value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", value);
    return text;
}

// Interrupts a blocking call of this thread: a timer signal, delivered to this thread only,
// whose handler has no SA_RESTART. The signal repeats after the deadline, so that one that
// lands just before the call starts cannot leave the call waiting. Everything it changes
// (the handler, the thread's signal mask) is put back when it goes.
class TCallDeadline {
public:
    explicit TCallDeadline(int milliseconds) : End(Clock::now() + std::chrono::milliseconds(milliseconds))
    {
        struct sigaction wake {};
        wake.sa_handler = [](int) {};
        sigemptyset(&wake.sa_mask);
        if (sigaction(Signal(), &wake, &PreviousAction) != 0) {
            Error = errno;
            return;
        }
        HandlerSet = true;
        sigset_t signal;
        sigemptyset(&signal);
        sigaddset(&signal, Signal());
        if ((Error = pthread_sigmask(SIG_UNBLOCK, &signal, &PreviousMask)) != 0)
            return;
        MaskSet = true;
        sigevent event {};
        event.sigev_notify = SIGEV_THREAD_ID;
        event.sigev_signo = Signal();
        event._sigev_un._tid = gettid();
        if (timer_create(CLOCK_MONOTONIC, &event, &Timer) != 0) {
            Error = errno;
            return;
        }
        TimerSet = true;
        itimerspec period {};
        period.it_value.tv_sec = milliseconds / 1000;
        period.it_value.tv_nsec = (milliseconds % 1000) * 1000000L;
        period.it_interval.tv_nsec = RepeatMs * 1000000L;
        if (timer_settime(Timer, 0, &period, nullptr) != 0)
            Error = errno;
    }

    ~TCallDeadline()
    {
        // The timer goes first: a signal it already raised is handled before timer_delete
        // returns, since it is not blocked, so none is left for the previous handler.
        if (TimerSet)
            timer_delete(Timer);
        if (MaskSet)
            pthread_sigmask(SIG_SETMASK, &PreviousMask, nullptr);
        if (HandlerSet)
            sigaction(Signal(), &PreviousAction, nullptr);
    }

    TCallDeadline(const TCallDeadline&) = delete;
    TCallDeadline& operator=(const TCallDeadline&) = delete;

    // 0 when armed, else the errno value of the step that failed.
    int ArmError() const { return Error; }
    bool Passed() const { return Clock::now() >= End; }

private:
    using Clock = std::chrono::steady_clock;
    static constexpr long RepeatMs = 20;
    // A real-time signal, which neither Qt nor the C library's alarm() uses.
    static int Signal() { return SIGRTMIN; }

    Clock::time_point End;
    struct sigaction PreviousAction {};
    sigset_t PreviousMask {};
    timer_t Timer {};
    bool HandlerSet = false;
    bool MaskSet = false;
    bool TimerSet = false;
    int Error = 0;
};

std::string FailureText(TPpdevRequest request, const std::string& device, int error)
{
    return std::string(RequestName(request)) + " on " + device + " failed: " + std::strerror(error);
}

}  // namespace

TPpdevPortIO::TPpdevPortIO(std::unique_ptr<IPpdevSystem> system) : System(std::move(system)) {}

TPpdevPortIO::~TPpdevPortIO()
{
    for (const auto& entry : ClaimedPorts)
        Release(entry.second);
}

std::string TPpdevPortIO::BaseAddressPath(int index)
{
    return "/proc/sys/dev/parport/parport" + std::to_string(index) + "/base-addr";
}

std::string TPpdevPortIO::DevicePath(int index)
{
    return "/dev/parport" + std::to_string(index);
}

std::uint16_t TPpdevPortIO::GetLPTPortAddress(int n)
{
    if (n < 1 || n - 1 > MaxPortIndex)
        return 0;
    std::string text;
    if (!System->ReadTextFile(BaseAddressPath(n - 1), text))
        return 0;
    // The kernel lists the base and then the extended-mode base; only the first one matters.
    const char* begin = text.data();
    const char* end = begin + text.size();
    while (begin != end && (*begin == ' ' || *begin == '\t'))
        ++begin;
    unsigned long base = 0;
    const auto [next, error] = std::from_chars(begin, end, base);
    if (error != std::errc() || next == begin || base > 0xFFFF)
        return 0;
    return static_cast<std::uint16_t>(base);
}

int TPpdevPortIO::FindPortIndex(std::uint16_t base)
{
    if (base == 0)
        return -1;
    for (int index = 0; index <= MaxPortIndex; ++index) {
        if (GetLPTPortAddress(index + 1) == base)
            return index;
    }
    return -1;
}

int TPpdevPortIO::BoundedClaim(int descriptor)
{
    // ppdev sleeps in the claim for as long as another program holds the port.
    const TCallDeadline deadline(ClaimTimeoutMs);
    if (deadline.ArmError() != 0)
        return deadline.ArmError();
    for (;;) {
        const int error = System->Ioctl(descriptor, TPpdevRequest::Claim, 0);
        if (error != EINTR)
            return error;
        if (deadline.Passed())
            return ETIMEDOUT;
    }
}

std::string TPpdevPortIO::Claim(std::uint16_t base)
{
    if (ClaimedPorts.count(base) != 0)
        return {};
    // One wait per command: its other writes fail at once instead of waiting again.
    if (TimedOutClaims.count(base) != 0)
        return "PPCLAIM timed out earlier in this command";
    const int index = FindPortIndex(base);
    if (index < 0)
        return "no printer port has the base address " + Hex(base);
    const std::string device = DevicePath(index);
    const int descriptor = System->Open(device);
    if (descriptor < 0)
        return "cannot open " + device + ": " + std::strerror(-descriptor);
    if (const int error = BoundedClaim(descriptor); error != 0) {
        System->Close(descriptor);
        if (error != ETIMEDOUT)
            return FailureText(TPpdevRequest::Claim, device, error);
        TimedOutClaims.insert(base);
        return "PPCLAIM on " + device + " timed out: another program holds the port";
    }
    ClaimedPorts[base] = {index, descriptor};
    return {};
}

std::string TPpdevPortIO::Release(const TClaimedPort& port)
{
    std::string failure;
    if (const int error = System->Ioctl(port.Descriptor, TPpdevRequest::Release, 0); error != 0)
        failure = FailureText(TPpdevRequest::Release, DevicePath(port.Index), error);
    // The descriptor goes whatever the release said: closing also gives the port back.
    if (const int error = System->Close(port.Descriptor); error != 0 && failure.empty())
        failure = "cannot close " + DevicePath(port.Index) + ": " + std::strerror(error);
    return failure;
}

void TPpdevPortIO::EnablePorts(std::uint16_t first, std::uint16_t /*last*/)
{
    // The caller passes the same base twice. A failure here is not a write: the next Outport
    // tries the claim again and reports it through GetLastState.
    Claim(first);
}

void TPpdevPortIO::DisablePorts(std::uint16_t first, std::uint16_t /*last*/)
{
    const auto found = ClaimedPorts.find(first);
    if (found == ClaimedPorts.end())
        return;
    const TClaimedPort port = found->second;
    ClaimedPorts.erase(found);
    // Nobody reads the result of a release; the port is given back by the close in any case.
    Release(port);
}

bool TPpdevPortIO::FindRegister(std::uint16_t address, std::uint16_t& base, TPpdevRequest& request)
{
    // The data register is the base itself; the control register sits two above it.
    const auto isBase = [this](int candidate, bool scan) {
        if (candidate <= 0)
            return false;
        const auto candidateBase = static_cast<std::uint16_t>(candidate);
        return scan ? FindPortIndex(candidateBase) >= 0 : ClaimedPorts.count(candidateBase) != 0;
    };
    // Ports already held answer without reading the kernel's files again.
    for (const bool scan : {false, true}) {
        if (isBase(address, scan)) {
            base = address;
            request = TPpdevRequest::WriteData;
            return true;
        }
        if (isBase(address - 2, scan)) {
            base = static_cast<std::uint16_t>(address - 2);
            request = TPpdevRequest::WriteControl;
            return true;
        }
    }
    return false;
}

void TPpdevPortIO::Outport(std::uint16_t address, int value)
{
    const std::string call = "Outport(" + Hex(address) + ", " + std::to_string(value) + "): ";

    std::uint16_t base = 0;
    TPpdevRequest request = TPpdevRequest::WriteData;
    if (!FindRegister(address, base, request)) {
        NoteFailure(call + "no printer port has its data or control register there");
        return;
    }
    if (const std::string failure = Claim(base); !failure.empty()) {
        NoteFailure(call + failure);
        return;
    }
    const TClaimedPort& port = ClaimedPorts.at(base);
    // A register takes the low byte of what it is given. ppdev drives only the four output
    // lines of the control register (bits 0..3); bit 5 would turn the data lines into inputs.
    const std::uint8_t byte = request == TPpdevRequest::WriteData
        ? static_cast<std::uint8_t>(value & 0xFF)
        : static_cast<std::uint8_t>(value & 0x0F);
    if (const int error = System->Ioctl(port.Descriptor, request, byte); error != 0)
        NoteFailure(call + FailureText(request, DevicePath(port.Index), error));
}

void TPpdevPortIO::NoteFailure(const std::string& text)
{
    if (FailureCount == 0)
        FirstFailure = text;
    ++FailureCount;
}

std::string TPpdevPortIO::GetLastState()
{
    std::string state;
    if (FailureCount == 0) {
        state = "succes";
    } else {
        state = FirstFailure;
        if (FailureCount > 1)
            state += " (and " + std::to_string(FailureCount - 1) + " more failed writes)";
    }
    FirstFailure.clear();
    FailureCount = 0;
    TimedOutClaims.clear();
    return state;
}

std::unique_ptr<IPortIO> CreatePortIO()
{
    return std::make_unique<TPpdevPortIO>(std::make_unique<TLinuxPpdevSystem>());
}
