// Milliseconds on the monotonic clock: never wraps, unaffected by the time of day.
#pragma once

#include <cstdint>

std::uint64_t GetTickCount();
