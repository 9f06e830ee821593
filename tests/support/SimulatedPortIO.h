// A printer port for tests of everything above the port contract: answers from tables, records every call.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/PortIO.h"

enum class TPortCallKind { EnablePorts, DisablePorts, Outport, GetLastState };

struct TPortCall {
    TPortCallKind Kind;
    std::uint16_t Address = 0;  // Outport: the register; Enable/Disable: the first argument
    std::uint16_t Last = 0;     // Enable/Disable: the second argument
    int Value = 0;              // Outport only
    std::uint64_t Time = 0;     // milliseconds on the steady clock at the call
};

// One register write as the tests compare them.
struct TPortWrite {
    std::uint16_t Address;
    int Value;
    bool operator==(const TPortWrite& other) const
    {
        return Address == other.Address && Value == other.Value;
    }
};

class TSimulatedPortIO final : public IPortIO {
public:
    std::uint16_t GetLPTPortAddress(int n) override;
    bool IsWinNT() override { return WinNT; }
    void EnablePorts(std::uint16_t first, std::uint16_t last) override;
    void DisablePorts(std::uint16_t first, std::uint16_t last) override;
    void Outport(std::uint16_t address, int value) override;
    std::string GetLastState() override;

    // The Outport calls only, in order, without their times.
    std::vector<TPortWrite> Writes() const;
    std::vector<TPortCall> CallsOf(TPortCallKind kind) const;

    // LPTn -> base address; a number not in the table answers 0.
    std::map<int, std::uint16_t> LptAddresses;
    bool WinNT = true;
    std::string State = "succes";
    std::vector<TPortCall> Calls;
};
