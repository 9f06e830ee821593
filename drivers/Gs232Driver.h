// The GS-232 serial rotator controller.
#pragma once

#include <string>

void GoGs232();
void StopGs232();

// The azimuth as the serial controllers read it: three digits, "005", "045", "360".
std::string ThreeDigitAzimuth(int azimuth);
// "W" ddd CR: the controller turns to azimuth ddd.
std::string Gs232TurnCommand(int azimuth);
// "S" CR: the controller stops all motion.
std::string Gs232StopCommand();
