// The heading on the D-Bus session bus, with libdbus on the thread's event loop.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/HeadingPublisher.h"

struct DBusConnection;
struct DBusMessage;
class TDBusEventLoop;

// Owns org.tolvane.Tolvane while the heading is read back, known or not. No bus, a name owned by another program or a
// bus that went away cost nothing but a later attempt, at most one a second, and print nothing.
class TDBusHeadingPublisher final : public IHeadingPublisher {
public:
    static constexpr std::uint64_t RetryMs = 1000;

    // Talks on the bus at busAddress; empty means the session bus as found at each connection attempt.
    explicit TDBusHeadingPublisher(std::string busAddress = {});
    ~TDBusHeadingPublisher() override;
    TDBusHeadingPublisher(const TDBusHeadingPublisher&) = delete;
    TDBusHeadingPublisher& operator=(const TDBusHeadingPublisher&) = delete;

    // A reading that is not finite or outside 0 <= az < 360 is not published.
    void Publish(double azimuth, std::uint64_t updatedMs) override;
    void PublishUnknown() override;
    void Withdraw() override;

private:
    // libdbus's message handler, whose result type the header cannot name.
    friend struct TDBusHeadingPublisherHandlers;

    void Announce();
    bool Claim();
    bool Connect();
    void Disconnect();
    void SignalChange();
    void Answer(DBusMessage* call);

    const std::string BusAddress;
    DBusConnection* Connection = nullptr;
    std::unique_ptr<TDBusEventLoop> Loop;
    bool Claimed = false;
    double Azimuth = 0;
    std::uint64_t UpdatedMs = 0;
    bool Known = false;
    // When the last connection or claim failed: the next attempt waits RetryMs.
    std::optional<std::uint64_t> FailedAt;
};
