// The heading as a DDE server: service and topic "Tolvane", item "heading", CF_TEXT, advise loops.
#include "platform/HeadingPublisher.h"

#include <cmath>
#include <optional>

#include "platform/HeadingText.h"
#include "platform/Clock.h"
#include "platform/DdemlServer.h"

namespace {

// A second Tolvane, which finds the name served, asks again this often at most.
constexpr std::uint64_t RetryMs = 1000;

class TDdemlHeadingPublisher final : public IHeadingPublisher {
public:
    void Publish(double azimuth, std::uint64_t updatedMs) override
    {
        if (!std::isfinite(azimuth) || azimuth < 0 || azimuth >= 360)
            return;
        State.Known = true;
        State.Azimuth = azimuth;
        State.UpdatedMs = updatedMs;
        Announce();
    }

    void PublishUnknown() override
    {
        // Readers of the azimuth and its time alone see a reading that only grows older.
        State.Known = false;
        Announce();
    }

    void Withdraw() override { Server.Unregister(); }

private:
    void Announce()
    {
        Server.Publish(FormatHeadingText(State));
        if (!Server.IsRegistered())
            Claim();
    }

    // Like a bus name, the service has one owner: the first Tolvane that reads back.
    void Claim()
    {
        const std::uint64_t now = GetTickCount();
        if (FailedAt && now - *FailedAt < RetryMs)
            return;
        if (Server.ServedElsewhere() || !Server.Register()) {
            FailedAt = now;
            return;
        }
        FailedAt.reset();
    }

    TDdemlServer Server{"Tolvane", "heading"};
    THeadingState State;
    std::optional<std::uint64_t> FailedAt;
};

}  // namespace

std::unique_ptr<IHeadingPublisher> CreateHeadingPublisher()
{
    return std::make_unique<TDdemlHeadingPublisher>();
}
