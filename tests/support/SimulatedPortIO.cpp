// The recording printer port of the tests.
#include "support/SimulatedPortIO.h"

#include "platform/Clock.h"

std::uint16_t TSimulatedPortIO::GetLPTPortAddress(int n)
{
    const auto found = LptAddresses.find(n);
    return found == LptAddresses.end() ? 0 : found->second;
}

void TSimulatedPortIO::EnablePorts(std::uint16_t first, std::uint16_t last)
{
    Calls.push_back({TPortCallKind::EnablePorts, first, last, 0, GetTickCount()});
}

void TSimulatedPortIO::DisablePorts(std::uint16_t first, std::uint16_t last)
{
    Calls.push_back({TPortCallKind::DisablePorts, first, last, 0, GetTickCount()});
}

void TSimulatedPortIO::Outport(std::uint16_t address, int value)
{
    Calls.push_back({TPortCallKind::Outport, address, 0, value, GetTickCount()});
}

std::string TSimulatedPortIO::GetLastState()
{
    Calls.push_back({TPortCallKind::GetLastState, 0, 0, 0, GetTickCount()});
    return State;
}

std::vector<TPortWrite> TSimulatedPortIO::Writes() const
{
    std::vector<TPortWrite> writes;
    for (const TPortCall& call : Calls) {
        if (call.Kind == TPortCallKind::Outport)
            writes.push_back({call.Address, call.Value});
    }
    return writes;
}

std::vector<TPortCall> TSimulatedPortIO::CallsOf(TPortCallKind kind) const
{
    std::vector<TPortCall> calls;
    for (const TPortCall& call : Calls) {
        if (call.Kind == kind)
            calls.push_back(call);
    }
    return calls;
}
