// --allow and its refusals, with IPv4 clients of a dual-stack socket taken as the IPv4 addresses they are.
#include "ConnectionGate.h"

namespace {

// On a dual-stack socket an IPv4 client arrives as ::ffff:a.b.c.d.
QHostAddress Plain(const QHostAddress& peer)
{
    bool isV4 = false;
    const quint32 v4 = peer.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4) : peer;
}

}  // namespace

bool TConnectionGate::Admits(const QHostAddress& peer) const
{
    const QHostAddress plain = Plain(peer);
    if (Allowed.isEmpty() || plain.isLoopback())
        return true;
    for (const auto& network : Allowed)
        if (peer.isInSubnet(network) || plain.isInSubnet(network))
            return true;
    return false;
}

std::optional<std::string> TConnectionGate::Refused(const QHostAddress& peer, std::uint64_t nowMs)
{
    while (!ReportOrder.empty() && ReportOrder.front().first + ReportIntervalMs <= nowMs) {
        ReportedAt.erase(ReportOrder.front().second);
        ReportOrder.pop_front();
    }
    std::string address = Plain(peer).toString().toStdString();
    if (ReportedAt.count(address) != 0 || ReportedAt.size() >= MaxRemembered)
        return std::nullopt;
    ReportedAt.emplace(address, nowMs);
    ReportOrder.emplace_back(nowMs, address);
    return "tolvane-bridge: refused a connection from " + address + " (not in --allow)\n";
}
