// TCommPortDriver over the platform serial line: properties, open/close, timed writes, polling.
#include "serial/ComDrv32.h"

#include <algorithm>
#include <array>

#include "platform/Clock.h"
#include "platform/SerialLine.h"
#include "platform/SerialPortNames.h"

namespace {

constexpr std::array<int, 13> LineRates = {
    110, 300, 600, 1200, 2400, 4800, 9600, 14400, 19200, 38400, 56000, 57600, 115200,
};

// Ports COM1..COM9: the name carries a single digit.
constexpr int HighestPortIndex = 8;

// How long one wait for room in the output queue lasts before the queue is looked at again.
constexpr int OutputWaitStepMs = 5;

// A Windows timer never fires faster than every 10 ms; a shorter delay would only load the loop.
constexpr int ShortestPollingPeriodMs = 10;

bool InRange(int value, int last)
{
    return value >= 0 && value <= last;
}

}  // namespace

TCommPortDriver::TCommPortDriver(QObject* owner)
    : QObject(owner), InputBuffer(InBufSize), ReceiveTimer(this)
{
    ReceiveTimer.setObjectName(QStringLiteral("ReceiveTimer"));
    connect(&ReceiveTimer, &QTimer::timeout, this, &TCommPortDriver::ReceiveTimerTick);
}

TCommPortDriver::~TCommPortDriver()
{
    ClosePort();
}

int TCommPortDriver::ComPort() const { return Port; }

void TCommPortDriver::SetComPort(int port)
{
    if (IsOpen())
        return;
    Port = port;
}

int TCommPortDriver::ComPortSpeed() const { return Speed; }

void TCommPortDriver::SetComPortSpeed(int speed)
{
    // A value outside the enumeration names no line rate; keep the one we have.
    if (!InRange(speed, br115200))
        return;
    Speed = speed;
    ApplyLineSettings();
}

int TCommPortDriver::ComPortDataBits() const { return DataBits; }

void TCommPortDriver::SetComPortDataBits(int bits)
{
    if (!InRange(bits, db8BITS))
        return;
    DataBits = bits;
    ApplyLineSettings();
}

int TCommPortDriver::ComPortStopBits() const { return StopBits; }

void TCommPortDriver::SetComPortStopBits(int bits)
{
    if (!InRange(bits, sb2BITS))
        return;
    StopBits = bits;
    ApplyLineSettings();
}

int TCommPortDriver::ComPortParity() const { return Parity; }

void TCommPortDriver::SetComPortParity(int parity)
{
    if (!InRange(parity, ptSPACE))
        return;
    Parity = parity;
    ApplyLineSettings();
}

int TCommPortDriver::ComPortHwHandshaking() const { return HwHandshaking; }

void TCommPortDriver::SetComPortHwHandshaking(int handshaking)
{
    if (!InRange(handshaking, hhRTSCTS))
        return;
    HwHandshaking = handshaking;
    ApplyLineSettings();
}

int TCommPortDriver::ComPortSwHandshaking() const { return SwHandshaking; }

void TCommPortDriver::SetComPortSwHandshaking(int handshaking)
{
    if (!InRange(handshaking, shXONXOFF))
        return;
    SwHandshaking = handshaking;
    ApplyLineSettings();
}

std::uint16_t TCommPortDriver::ComPortInBufSize() const { return InBufSize; }

void TCommPortDriver::SetComPortInBufSize(std::uint16_t size)
{
    if (IsOpen())
        return;
    InBufSize = size;
    InputBuffer.assign(size, 0);
}

std::uint16_t TCommPortDriver::ComPortOutBufSize() const { return OutBufSize; }

// Only OutputRoom uses it, so a change while connected simply counts from the next write on.
void TCommPortDriver::SetComPortOutBufSize(std::uint16_t size) { OutBufSize = size; }

std::uint16_t TCommPortDriver::ComPortPollingDelay() const { return PollingDelay; }

void TCommPortDriver::SetComPortPollingDelay(std::uint16_t milliseconds)
{
    if (milliseconds == PollingDelay)
        return;
    PollingDelay = milliseconds;
    if (IsOpen()) {
        ReceiveTimer.stop();
        ReceiveTimer.start(std::max<int>(PollingDelay, ShortestPollingPeriodMs));
    }
}

bool TCommPortDriver::EnableDTROnOpen() const { return DtrOnOpen; }
void TCommPortDriver::SetEnableDTROnOpen(bool enable) { DtrOnOpen = enable; }

std::uint16_t TCommPortDriver::OutputTimeout() const { return OutputTimeoutMs; }
void TCommPortDriver::SetOutputTimeout(std::uint16_t milliseconds) { OutputTimeoutMs = milliseconds; }

std::string TCommPortDriver::DevicePathFor(int port)
{
    return InRange(port, HighestPortIndex) ? SerialPortDevicePath(port) : std::string();
}

bool TCommPortDriver::FolderNamesDevice(int port)
{
    return InRange(port, HighestPortIndex) && SerialPortNamedNow(port);
}

bool TCommPortDriver::OpenDeviceStillNamed() const
{
    return !Line || SerialDeviceIdentity(DevicePathFor(Port)) == OpenedDevice;
}

int TCommPortDriver::LineRate(int speed)
{
    return InRange(speed, br115200) ? LineRates[static_cast<std::size_t>(speed)] : 0;
}

bool TCommPortDriver::OpenPort()
{
    if (IsOpen())
        return true;
    const std::string path = DevicePathFor(Port);
    if (path.empty())
        return false;
    auto line = CreateSerialLine();
    if (!line->Open(path))
        return false;
    Line = std::move(line);
    OpenedDevice = SerialDeviceIdentity(path);
    ApplyLineSettings();
    // Reads never wait and writes wait in WriteBytes: the line sets its device time-outs to
    // match, so there are none to set here.
    ReceiveTimer.start(std::max<int>(PollingDelay, ShortestPollingPeriodMs));
    return true;
}

void TCommPortDriver::ClosePort()
{
    if (!Line)
        return;
    ReceiveTimer.stop();
    Line->Close();
    Line.reset();
}

bool TCommPortDriver::IsOpen() const
{
    return Line != nullptr;
}

void TCommPortDriver::DropVanishedDevice()
{
    ClosePort();
}

int TCommPortDriver::WriteBytes(const void* data, int count)
{
    if (!IsOpen() || count <= 0)
        return 0;
    const auto* bytes = static_cast<const char*>(data);
    int total = 0;
    std::uint64_t lastProgress = GetTickCount();
    while (total < count) {
        bool progressed = false;
        if (OutputRoom() > 0) {
            const TSerialTransfer sent = Line->Write(bytes + total, count - total);
            if (sent.Status == TSerialStatus::DeviceGone) {
                DropVanishedDevice();
                return -total;
            }
            if (sent.Count > 0) {
                total += sent.Count;
                lastProgress = GetTickCount();
                progressed = true;
            }
        }
        if (total >= count)
            break;
        if (!progressed) {
            if (GetTickCount() - lastProgress > OutputTimeoutMs)
                return -total;
            Line->WaitWritable(OutputWaitStepMs);
        }
    }
    return total;
}

bool TCommPortDriver::WriteText(const std::string& text)
{
    const int length = static_cast<int>(text.size());
    return WriteBytes(text.data(), length) == length;
}

void TCommPortDriver::PurgeQueues(bool input, bool output)
{
    if (IsOpen())
        Line->Purge(input, output);
}

std::uint16_t TCommPortDriver::OutputRoom() const
{
    if (!IsOpen())
        return 65535;
    const int queued = Line->OutputQueueLength();
    // A device that does not tell its queue gets the write tried; the write reports what it finds.
    if (queued < 0)
        return OutBufSize;
    return static_cast<std::uint16_t>(std::max(0, static_cast<int>(OutBufSize) - queued));
}

void TCommPortDriver::ApplyLineSettings()
{
    if (!IsOpen())
        return;
    TSerialLineSettings settings;
    settings.BitsPerSecond = LineRate(Speed);
    settings.DataBits = 5 + DataBits;
    settings.Parity = static_cast<TSerialParity>(Parity);
    settings.StopBits = static_cast<TSerialStopBits>(StopBits);
    settings.RtsCtsFlowControl = HwHandshaking == hhRTSCTS;
    settings.XonXoffFlowControl = SwHandshaking == shXONXOFF;
    settings.XonChar = 17;
    settings.XoffChar = 19;
    settings.Dtr = DtrOnOpen;
    // The flow-control thresholds and the queue sizes are the line's: the defaults on Windows,
    // the kernel's own buffers and thresholds on Linux.
    Line->ApplySettings(settings);
    PurgeQueues(true, true);
}

void TCommPortDriver::ReceiveTimerTick()
{
    if (!IsOpen() || InputBuffer.empty())
        return;
    const TSerialTransfer received = Line->Read(InputBuffer.data(), static_cast<int>(InputBuffer.size()));
    if (received.Status == TSerialStatus::DeviceGone) {
        DropVanishedDevice();
        return;
    }
    if (received.Count > 0 && OnReceiveData)
        OnReceiveData(this, InputBuffer.data(), static_cast<std::uint32_t>(received.Count));
}
