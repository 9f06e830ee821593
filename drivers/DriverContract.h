// The go and stop operations of the five interfaces, indexed by RotatorInterface.
#pragma once

#include <array>

struct TDriverOperations {
    const char* Name;
    void (*Go)();
    void (*Stop)();  // nullptr: the interface has no stop
};

extern const std::array<TDriverOperations, 5> DriverContract;

// Whether the step setting holds the target back (|Target - LastSent| < step); no sound.
bool StepRuleHoldsBack(int step);
// The azimuth the rotator works with: minus 180 (plus 360 if negative) for a south stop.
long double ApplyEndStop(long double azimuth, int stopSetting);
