// The GS-232 serial rotator controller.
#pragma once

#include <string>

#include "drivers/SerialRotator.h"

void GoGs232();
void StopGs232();

// "W" ddd CR: the controller turns to azimuth ddd.
std::string Gs232TurnCommand(int azimuth);
// "S" CR: the controller stops all motion.
std::string Gs232StopCommand();
