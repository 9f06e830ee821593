// The recording printer port of the tests.
#include "support/SimulatedPortIO.h"

#include <chrono>

namespace {

// Stamped on the steady clock the printer-port waits run on. Windows' tick count advances in steps
// of its own, so a whole 10 ms wait could read there as 9 ms between two stamps.
std::uint64_t Now()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

std::uint16_t TSimulatedPortIO::GetLPTPortAddress(int n)
{
    const auto found = LptAddresses.find(n);
    return found == LptAddresses.end() ? 0 : found->second;
}

void TSimulatedPortIO::EnablePorts(std::uint16_t first, std::uint16_t last)
{
    Calls.push_back({TPortCallKind::EnablePorts, first, last, 0, Now()});
}

void TSimulatedPortIO::DisablePorts(std::uint16_t first, std::uint16_t last)
{
    Calls.push_back({TPortCallKind::DisablePorts, first, last, 0, Now()});
}

void TSimulatedPortIO::Outport(std::uint16_t address, int value)
{
    Calls.push_back({TPortCallKind::Outport, address, 0, value, Now()});
}

std::string TSimulatedPortIO::GetLastState()
{
    Calls.push_back({TPortCallKind::GetLastState, 0, 0, 0, Now()});
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
