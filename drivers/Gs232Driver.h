// The GS-232 serial rotator controller.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "drivers/SerialRotator.h"

void GoGs232();
void StopGs232();

// "W" ddd CR: the controller turns to azimuth ddd.
std::string Gs232TurnCommand(int azimuth);
// "S" CR: the controller stops all motion.
std::string Gs232StopCommand();
// "C" CR: the controller answers its azimuth, "+0ddd" (GS-232A) or "AZ=ddd" (GS-232B).
std::string Gs232PositionQuery();
// The azimuth of a position reply line without its line end: "+0ddd", "AZ=ddd", each possibly followed
// by the elevation ("+0ddd+0eee", "AZ=ddd  EL=eee"); nothing for any other line.
std::optional<double> ReadGs232Position(std::string_view line);
