// Placeholder until the driver is written: every command reports itself not sent.
#include "drivers/Gs232Driver.h"
#include "app/PointingState.h"
#include "platform/Beep.h"

void GoGs232() { CommandNotSent = true; MessageBeep(); }
void StopGs232() {}
