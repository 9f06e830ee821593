// The heading on the session bus, timed on CLOCK_MONOTONIC as Tolvane times it there.
#include "HeadingSource.h"

#include <chrono>

#include "HeadingWatch.h"

namespace {

class TDBusHeadingSource final : public IHeadingSource {
public:
    bool Start() override { return Watch.Start(); }
    std::optional<TRotctlProtocol::TReadBack> Latest() const override { return Watch.Latest(); }
    std::uint64_t Now() const override
    {
        using namespace std::chrono;
        return static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }

private:
    THeadingWatch Watch;
};

}  // namespace

std::unique_ptr<IHeadingSource> CreateHeadingSource()
{
    return std::make_unique<TDBusHeadingSource>();
}
