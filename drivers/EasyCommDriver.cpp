// Placeholder until the driver is written: every command reports itself not sent.
#include "drivers/EasyCommDriver.h"
#include "app/PointingState.h"
#include "platform/Beep.h"

void GoEasyComm() { CommandNotSent = true; MessageBeep(); }
void StopEasyComm() {}
