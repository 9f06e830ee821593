// Placeholder until the driver is written: every command reports itself not sent.
#include "drivers/ParallelDrivers.h"
#include "app/PointingState.h"
#include "platform/Beep.h"

void GoPourSat() { CommandNotSent = true; MessageBeep(); }
void GoFodTrack() { CommandNotSent = true; MessageBeep(); }
void WaitMs(unsigned) {}
