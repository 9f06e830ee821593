// The printer-port I/O contract the parallel drivers and the windows rely on.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class IPortIO {
public:
    virtual ~IPortIO() = default;
    // Base address of LPTn (n = 1..3), 0 when the port does not exist.
    virtual std::uint16_t GetLPTPortAddress(int n) = 0;
    // True where ports must be enabled before use.
    virtual bool IsWinNT() = 0;
    virtual void EnablePorts(std::uint16_t first, std::uint16_t last) = 0;
    virtual void DisablePorts(std::uint16_t first, std::uint16_t last) = 0;
    // base = data register, base + 2 = control register; the value is passed as given.
    virtual void Outport(std::uint16_t address, int value) = 0;
    // Contains "succes" when every write since the previous call succeeded.
    virtual std::string GetLastState() = 0;
};

// The platform's: ppdev on Linux, IOCtrl.dll loaded at run time on Windows.
std::unique_ptr<IPortIO> CreatePortIO();
