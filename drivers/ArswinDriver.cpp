// Placeholder until the driver is written: every command reports itself not sent.
#include "drivers/ArswinDriver.h"
#include "app/PointingState.h"
#include "platform/Beep.h"

void GoArswin() { CommandNotSent = true; MessageBeep(); }
void StopArswin() {}
