// A serial device held exclusively in raw mode: the contract the COM port component is written against.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

enum class TSerialParity { None, Odd, Even, Mark, Space };
enum class TSerialStopBits { One, OneAndHalf, Two };

struct TSerialLineSettings {
    int BitsPerSecond = 9600;
    int DataBits = 8;  // 5..8
    TSerialParity Parity = TSerialParity::None;
    TSerialStopBits StopBits = TSerialStopBits::One;
    bool RtsCtsFlowControl = false;
    bool XonXoffFlowControl = false;
    char XonChar = 17;
    char XoffChar = 19;
    bool Dtr = true;
};

// What a read or a write found besides the byte count.
enum class TSerialStatus {
    Done,         // the count says how much moved (possibly 0: nothing waiting / no room)
    DeviceGone,   // the device vanished (adapter pulled, other side of a pty closed)
};

struct TSerialTransfer {
    int Count = 0;
    TSerialStatus Status = TSerialStatus::Done;
};

class ISerialLine {
public:
    virtual ~ISerialLine() = default;
    // Opens read-write without becoming the controlling terminal, non-blocking, raw, exclusive:
    // fails when the device is missing, not permitted, or held by another opener.
    virtual bool Open(const std::string& path) = 0;
    virtual void Close() = 0;
    virtual bool IsOpen() const = 0;
    // Best effort: a setting the device refuses (a pty has no modem lines) is skipped.
    virtual void ApplySettings(const TSerialLineSettings& settings) = 0;
    virtual TSerialTransfer Write(const void* data, int count) = 0;
    virtual TSerialTransfer Read(void* buffer, int size) = 0;
    // Bytes still waiting to leave; -1 when the device does not tell.
    virtual int OutputQueueLength() const = 0;
    virtual void Purge(bool input, bool output) = 0;
    // Sleeps until the device can take more bytes or `milliseconds` pass, whichever comes first.
    virtual void WaitWritable(int milliseconds) = 0;
};

// The platform's serial line: termios on Linux, the Win32 communications calls on Windows.
std::unique_ptr<ISerialLine> CreateSerialLine();
