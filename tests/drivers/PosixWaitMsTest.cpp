// The printer-port wait: whole, and asleep rather than spinning, by the processor time clock() counts here.
#include <gtest/gtest.h>

#include <chrono>
#include <ctime>

#include "drivers/ParallelDrivers.h"

namespace {

TEST(WaitMsTest, WaitsAtLeastTheTimeWithoutSpinning)
{
    using Clock = std::chrono::steady_clock;
    const std::clock_t cpuBefore = std::clock();
    const Clock::time_point before = Clock::now();
    WaitMs(200);
    const auto elapsed = Clock::now() - before;
    const double cpuMs = 1000.0 * static_cast<double>(std::clock() - cpuBefore) / CLOCKS_PER_SEC;

    EXPECT_GE(elapsed, std::chrono::milliseconds(200));
    // A busy loop would burn the whole 200 ms on a core.
    EXPECT_LT(cpuMs, 100.0);
}

}  // namespace
