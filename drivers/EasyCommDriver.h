// The EasyComm serial rotator controller.
#pragma once

#include <string>

#include "drivers/SerialRotator.h"

void GoEasyComm();
void StopEasyComm();

// "AZ" ddd ".0" CR: the controller turns to azimuth ddd.0.
std::string EasyCommAzimuthCommand(int azimuth);
// "SA" CR: the controller stops the azimuth motion.
std::string EasyCommStopCommand();
// "SA SE" CR: the controller stops azimuth and elevation (the exit stop).
std::string EasyCommExitStopCommand();
