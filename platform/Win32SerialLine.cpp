// The serial line over the Win32 communications calls: an exclusive handle whose reads never wait.
#include "platform/SerialLine.h"

#include <algorithm>
#include <climits>

#include <windows.h>

namespace {

// The driver's queues; the component counts its output room against the same size.
constexpr DWORD QueueSize = 2048;

// Long enough to hand a command to any driver, short enough that a line held by flow control
// returns what went out and leaves the waiting to the caller's output time-out.
constexpr DWORD WriteTimeoutMs = 100;

// What a checked sleep between looks at the output queue lasts.
constexpr DWORD QueuePollMs = 1;

// A failing ReadFile or WriteFile means the device is gone unless the line merely timed out.
// Which code a vanished device gives depends on its driver (ERROR_ACCESS_DENIED and ERROR_BAD_COMMAND
// from most USB adapters, ERROR_GEN_FAILURE, ERROR_DEVICE_REMOVED, ERROR_DEVICE_NOT_CONNECTED,
// ERROR_OPERATION_ABORTED when the handle is torn down): a list would miss one, and a dead handle
// kept open would stall every later command for the whole output time-out. Reopening a live port at
// the next command costs nothing.
bool DeviceGoneError(DWORD error)
{
    return error != ERROR_SEM_TIMEOUT && error != ERROR_TIMEOUT;
}

// 1.5 and 2 stop bits are one UART setting, chosen by the data bits: a driver refuses the
// other combinations, so each request goes to the one the UART would send anyway.
BYTE StopBitsCode(TSerialStopBits stopBits, int dataBits)
{
    if (stopBits == TSerialStopBits::One)
        return ONESTOPBIT;
    return dataBits == 5 ? ONE5STOPBITS : TWOSTOPBITS;
}

// A driver never reports more than it was asked to move; should one, no byte beyond the request counts.
int Moved(DWORD moved, int asked)
{
    return static_cast<int>(std::min<DWORD>(moved, static_cast<DWORD>(asked)));
}

BYTE ParityCode(TSerialParity parity)
{
    switch (parity) {
    case TSerialParity::Odd: return ODDPARITY;
    case TSerialParity::Even: return EVENPARITY;
    case TSerialParity::Mark: return MARKPARITY;
    case TSerialParity::Space: return SPACEPARITY;
    case TSerialParity::None: break;
    }
    return NOPARITY;
}

class TWin32SerialLine final : public ISerialLine {
public:
    ~TWin32SerialLine() override { Close(); }

    bool Open(const std::string& path) override
    {
        Close();
        if (path.empty())
            return false;
        // No sharing: while another program holds the port, this fails with ERROR_ACCESS_DENIED.
        const HANDLE handle = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (handle == INVALID_HANDLE_VALUE)
            return false;
        // Only a communications device has a line state; anything else under that name is no port.
        DCB state{};
        state.DCBlength = sizeof state;
        if (!::GetCommState(handle, &state)) {
            ::CloseHandle(handle);
            return false;
        }
        ::SetupComm(handle, QueueSize, QueueSize);
        // Reads return at once with what has arrived, even nothing.
        COMMTIMEOUTS timeouts{};
        timeouts.ReadIntervalTimeout = MAXDWORD;
        timeouts.ReadTotalTimeoutMultiplier = 0;
        timeouts.ReadTotalTimeoutConstant = 0;
        timeouts.WriteTotalTimeoutMultiplier = 0;
        timeouts.WriteTotalTimeoutConstant = WriteTimeoutMs;
        ::SetCommTimeouts(handle, &timeouts);
        Handle = handle;
        return true;
    }

    void Close() override
    {
        if (Handle == INVALID_HANDLE_VALUE)
            return;
        ::CloseHandle(Handle);
        Handle = INVALID_HANDLE_VALUE;
    }

    bool IsOpen() const override { return Handle != INVALID_HANDLE_VALUE; }

    void ApplySettings(const TSerialLineSettings& settings) override
    {
        if (Handle == INVALID_HANDLE_VALUE)
            return;
        DCB state{};
        state.DCBlength = sizeof state;
        // Fields below are all set; the driver's own (EofChar, wReserved...) are kept as it has them.
        if (!::GetCommState(Handle, &state)) {
            state = DCB{};
            state.DCBlength = sizeof state;
        }
        const int dataBits = settings.DataBits >= 5 && settings.DataBits <= 8 ? settings.DataBits : 8;
        state.BaudRate = static_cast<DWORD>(settings.BitsPerSecond);
        state.fBinary = TRUE;
        state.fParity = FALSE;  // no parity check on input, as on Linux
        state.fOutxCtsFlow = settings.RtsCtsFlowControl;
        state.fOutxDsrFlow = FALSE;
        state.fDtrControl = settings.Dtr ? DTR_CONTROL_ENABLE : DTR_CONTROL_DISABLE;
        state.fDsrSensitivity = FALSE;
        // Our own XOFF must not stop our output: termios does not either.
        state.fTXContinueOnXoff = TRUE;
        state.fOutX = settings.XonXoffFlowControl;
        state.fInX = settings.XonXoffFlowControl;
        state.fErrorChar = FALSE;
        state.fNull = FALSE;
        // Without hardware handshaking RTS is held low, as the controller cables expect.
        state.fRtsControl = settings.RtsCtsFlowControl ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
        // A line error must not abort every later read and write until ClearCommError.
        state.fAbortOnError = FALSE;
        state.XonLim = static_cast<WORD>(QueueSize / 4);
        state.XoffLim = 1;
        state.ByteSize = static_cast<BYTE>(dataBits);
        state.Parity = ParityCode(settings.Parity);
        state.StopBits = StopBitsCode(settings.StopBits, dataBits);
        state.XonChar = settings.XonChar;
        state.XoffChar = settings.XoffChar;
        ::SetCommState(Handle, &state);
    }

    TSerialTransfer Write(const void* data, int count) override
    {
        if (Handle == INVALID_HANDLE_VALUE)
            return {0, TSerialStatus::DeviceGone};
        if (count <= 0)
            return {0, TSerialStatus::Done};
        DWORD written = 0;
        if (::WriteFile(Handle, data, static_cast<DWORD>(count), &written, nullptr))
            return {Moved(written, count), TSerialStatus::Done};
        const DWORD error = ::GetLastError();
        if (DeviceGoneError(error))
            return {0, TSerialStatus::DeviceGone};
        // Some drivers end a timed-out write with a failure yet say how much went out.
        return {Moved(written, count), TSerialStatus::Done};
    }

    TSerialTransfer Read(void* buffer, int size) override
    {
        if (Handle == INVALID_HANDLE_VALUE)
            return {0, TSerialStatus::DeviceGone};
        if (size <= 0)
            return {0, TSerialStatus::Done};
        DWORD received = 0;
        if (::ReadFile(Handle, buffer, static_cast<DWORD>(size), &received, nullptr))
            return {Moved(received, size), TSerialStatus::Done};
        return {0, DeviceGoneError(::GetLastError()) ? TSerialStatus::DeviceGone : TSerialStatus::Done};
    }

    int OutputQueueLength() const override
    {
        DWORD errors = 0;
        COMSTAT status{};
        if (Handle == INVALID_HANDLE_VALUE || !::ClearCommError(Handle, &errors, &status))
            return -1;
        return static_cast<int>(std::min<DWORD>(status.cbOutQue, INT_MAX));
    }

    void Purge(bool input, bool output) override
    {
        if (Handle == INVALID_HANDLE_VALUE || (!input && !output))
            return;
        DWORD flags = 0;
        if (input)
            flags |= PURGE_RXABORT | PURGE_RXCLEAR;
        if (output)
            flags |= PURGE_TXABORT | PURGE_TXCLEAR;
        ::PurgeComm(Handle, flags);
    }

    void WaitWritable(int milliseconds) override
    {
        if (Handle == INVALID_HANDLE_VALUE)
            return;
        // Windows has no wait for room in the output queue: look at it between short sleeps. The first
        // sleep always happens, so a caller that finds room at once and writes nothing never spins.
        const ULONGLONG deadline = ::GetTickCount64() + static_cast<ULONGLONG>(milliseconds > 0 ? milliseconds : 0);
        do {
            ::Sleep(QueuePollMs);
            const int queued = OutputQueueLength();
            if (queued < 0 || static_cast<DWORD>(queued) < QueueSize)
                return;
        } while (::GetTickCount64() < deadline);
    }

private:
    HANDLE Handle = INVALID_HANDLE_VALUE;
};

}  // namespace

std::unique_ptr<ISerialLine> CreateSerialLine()
{
    return std::make_unique<TWin32SerialLine>();
}
