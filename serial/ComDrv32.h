// TCommPortDriver: one COM port, its line settings, timed writes and a receive timer.
#pragma once

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// Enumerations are numbered from 0 in the listed order; the settings use those numbers.
enum TComPortNumber : int { pnCOM1, pnCOM2, pnCOM3, pnCOM4 };
enum TComPortBaudRate : int {
    br110, br300, br600, br1200, br2400, br4800, br9600,
    br14400, br19200, br38400, br56000, br57600, br115200,
};
enum TComPortDataBits : int { db5BITS, db6BITS, db7BITS, db8BITS };
enum TComPortStopBits : int { sb1BITS, sb1HALFBITS, sb2BITS };
enum TComPortParity : int { ptNONE, ptODD, ptEVEN, ptMARK, ptSPACE };
enum TComPortHwHandshaking : int { hhNONE, hhRTSCTS };
enum TComPortSwHandshaking : int { shNONE, shXONXOFF };

using TComPortReceiveDataEvent =
    std::function<void(QObject* sender, const void* data, std::uint32_t size)>;

class ISerialLine;

class TCommPortDriver : public QObject {
    Q_OBJECT
public:
    explicit TCommPortDriver(QObject* owner = nullptr);
    ~TCommPortDriver() override;

    // Port index; numbers 4..8 (COM5..COM9) come from a configuration file, others name no device.
    int ComPort() const;
    void SetComPort(int port);
    int ComPortSpeed() const;
    void SetComPortSpeed(int speed);
    int ComPortDataBits() const;
    void SetComPortDataBits(int bits);
    int ComPortStopBits() const;
    void SetComPortStopBits(int bits);
    int ComPortParity() const;
    void SetComPortParity(int parity);
    int ComPortHwHandshaking() const;
    void SetComPortHwHandshaking(int handshaking);
    int ComPortSwHandshaking() const;
    void SetComPortSwHandshaking(int handshaking);
    std::uint16_t ComPortInBufSize() const;
    void SetComPortInBufSize(std::uint16_t size);
    std::uint16_t ComPortOutBufSize() const;
    void SetComPortOutBufSize(std::uint16_t size);
    std::uint16_t ComPortPollingDelay() const;
    void SetComPortPollingDelay(std::uint16_t milliseconds);
    bool EnableDTROnOpen() const;
    void SetEnableDTROnOpen(bool enable);
    std::uint16_t OutputTimeout() const;
    void SetOutputTimeout(std::uint16_t milliseconds);
    TComPortReceiveDataEvent OnReceiveData;

    bool OpenPort();
    void ClosePort();
    bool IsOpen() const;
    // Bytes written; the negated count when the output time-out struck; 0 when closed or count is 0.
    int WriteBytes(const void* data, int count);
    bool WriteText(const std::string& text);
    void PurgeQueues(bool input, bool output);
    std::uint16_t OutputRoom() const;
    void ApplyLineSettings();

    // The device path that "COMn" resolves to for a port index, empty when it names none.
    static std::string DevicePathFor(int port);
    // Whether COMn leads to a device that exists now. On Linux that takes an entry COMn in the
    // program's folder (a link or the device itself); the built-in fallback does not count.
    static bool FolderNamesDevice(int port);
    // Whether the open port is still on the device COMn leads to now: false once a link that named
    // it went away or points elsewhere (Windows has no such links). True when closed.
    bool OpenDeviceStillNamed() const;
    // Bits per second of a TComPortBaudRate value (the number in its name); 0 for no such value.
    static int LineRate(int speed);

private:
    void ReceiveTimerTick();
    // The device went away under us: forget it so the next command opens it afresh.
    void DropVanishedDevice();

    std::unique_ptr<ISerialLine> Line;  // open while connected
    std::string OpenedDevice;  // the identity of where COMn led when the port opened
    int Port = pnCOM2;
    int Speed = br9600;
    int DataBits = db8BITS;
    int StopBits = sb1BITS;
    int Parity = ptNONE;
    int HwHandshaking = hhNONE;
    int SwHandshaking = shNONE;
    std::uint16_t InBufSize = 2048;
    std::uint16_t OutBufSize = 2048;
    std::uint16_t PollingDelay = 50;
    bool DtrOnOpen = true;
    std::uint16_t OutputTimeoutMs = 4000;
    std::vector<char> InputBuffer;
    QTimer ReceiveTimer;
};
