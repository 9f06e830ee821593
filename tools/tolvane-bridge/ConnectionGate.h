// Who may connect to the bridge, and the report of those refused.
#pragma once

#include <QHostAddress>
#include <QList>
#include <QPair>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>

class TConnectionGate {
public:
    // A refused address is reported again after this long.
    static constexpr std::uint64_t ReportIntervalMs = 60 * 1000;
    // Addresses remembered as reported; past that, new ones go unreported until old ones expire.
    static constexpr std::size_t MaxRemembered = 4096;

    // `allowed` empty: every address may connect.
    explicit TConnectionGate(QList<QPair<QHostAddress, int>> allowed) : Allowed(std::move(allowed)) {}

    // This computer always may, whatever the list: --allow opens the bridge to a network, it does not
    // close it to its own machine.
    bool Admits(const QHostAddress& peer) const;
    // The line to print for a refused peer at `nowMs` (monotonic), or none when it was reported less
    // than ReportIntervalMs ago.
    std::optional<std::string> Refused(const QHostAddress& peer, std::uint64_t nowMs);

private:
    QList<QPair<QHostAddress, int>> Allowed;
    // Reported addresses with when, oldest first, and the same as a map for the look-up.
    std::deque<std::pair<std::uint64_t, std::string>> ReportOrder;
    std::unordered_map<std::string, std::uint64_t> ReportedAt;
};
