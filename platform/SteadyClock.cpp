// Monotonic millisecond clock.
#include "platform/Clock.h"

#include <chrono>

std::uint64_t GetTickCount()
{
    using namespace std::chrono;
    return static_cast<std::uint64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}
