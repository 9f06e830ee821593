// The printer-port contract over Linux ppdev, with its system calls behind a replaceable seam.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "platform/PortIO.h"

// The ppdev requests the port needs; the Linux seam maps them onto the kernel's ioctl numbers.
enum class TPpdevRequest { Claim, Release, WriteData, WriteControl };

// The system calls below the port contract. Errors are errno values: tests simulate the
// printer port here, the program makes the real calls.
class IPpdevSystem {
public:
    virtual ~IPpdevSystem() = default;
    // The file's whole text, or false when it cannot be read.
    virtual bool ReadTextFile(const std::string& path, std::string& text) = 0;
    // A descriptor (>= 0) of the device opened read-write, or minus the errno value.
    virtual int Open(const std::string& path) = 0;
    // 0, or the errno value; `value` is used by the two writes only.
    virtual int Ioctl(int descriptor, TPpdevRequest request, std::uint8_t value) = 0;
    // 0, or the errno value.
    virtual int Close(int descriptor) = 0;
};

class TPpdevPortIO final : public IPortIO {
public:
    explicit TPpdevPortIO(std::unique_ptr<IPpdevSystem> system);
    ~TPpdevPortIO() override;
    TPpdevPortIO(const TPpdevPortIO&) = delete;
    TPpdevPortIO& operator=(const TPpdevPortIO&) = delete;

    std::uint16_t GetLPTPortAddress(int n) override;
    bool IsWinNT() override { return true; }
    void EnablePorts(std::uint16_t first, std::uint16_t last) override;
    void DisablePorts(std::uint16_t first, std::uint16_t last) override;
    void Outport(std::uint16_t address, int value) override;
    std::string GetLastState() override;

    // Where the kernel describes parport<index>; the device is /dev/parport<index>.
    static std::string BaseAddressPath(int index);
    static std::string DevicePath(int index);
    // ppdev numbers ports densely from 0; more than this many is not a PC.
    static constexpr int MaxPortIndex = 7;
    // Long enough for another program's write sequence, short enough not to freeze the window.
    static constexpr int ClaimTimeoutMs = 500;

private:
    struct TClaimedPort {
        int Index;
        int Descriptor;
    };

    // The kernel's port whose base is `base`, or -1.
    int FindPortIndex(std::uint16_t base);
    // The port and register that `address` names; false when no port has it.
    bool FindRegister(std::uint16_t address, std::uint16_t& base, TPpdevRequest& request);
    // The claim, given up with ETIMEDOUT when the port stays held by another program.
    int BoundedClaim(int descriptor);
    // Opens and claims the port of `base` unless already held; an empty text on success.
    std::string Claim(std::uint16_t base);
    // Releases and closes; an empty text on success.
    std::string Release(const TClaimedPort& port);
    void NoteFailure(const std::string& text);

    std::unique_ptr<IPpdevSystem> System;
    std::map<std::uint16_t, TClaimedPort> ClaimedPorts;  // by base address
    std::set<std::uint16_t> TimedOutClaims;  // until the command's state is read
    std::string FirstFailure;
    int FailureCount = 0;
};
