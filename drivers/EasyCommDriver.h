// The EasyComm serial rotator controller.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "drivers/SerialRotator.h"

void GoEasyComm();
void StopEasyComm();

// "AZ" ddd ".0" CR: the controller turns to azimuth ddd.0.
std::string EasyCommAzimuthCommand(int azimuth);
// "SA" CR: the controller stops the azimuth motion.
std::string EasyCommStopCommand();
// "SA SE" CR: the controller stops azimuth and elevation (the exit stop).
std::string EasyCommExitStopCommand();
// "AZ" CR: the controller answers its azimuth, "AZddd.d".
std::string EasyCommPositionQuery();
// The azimuth of a reply line without its line end: "AZ" and a decimal number, possibly followed by
// blanks and the elevation ("AZ90.0 EL0.0"); nothing for any other line.
std::optional<double> ReadEasyCommPosition(std::string_view line);
