// The printer-port wait on Windows: whole, and asleep rather than spinning. The C runtime's clock()
// counts wall time there, so the processor time comes from GetProcessTimes.
#include <gtest/gtest.h>

#include <windows.h>

#include <chrono>

#include "drivers/ParallelDrivers.h"

namespace {

// User and kernel time of the process so far, in milliseconds.
double ProcessorMs()
{
    FILETIME created{}, exited{}, kernel{}, user{};
    if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user))
        return -1;
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10000.0;  // 100 ns units
}

TEST(WaitMsTest, WaitsAtLeastTheTimeWithoutSpinning)
{
    using Clock = std::chrono::steady_clock;
    const double cpuBefore = ProcessorMs();
    ASSERT_GE(cpuBefore, 0);
    const Clock::time_point before = Clock::now();
    WaitMs(200);
    const auto elapsed = Clock::now() - before;
    const double cpuMs = ProcessorMs() - cpuBefore;

    EXPECT_GE(elapsed, std::chrono::milliseconds(200));
    // A busy loop would burn the whole 200 ms on a core.
    EXPECT_LT(cpuMs, 100.0);
}

}  // namespace
