// The EasyComm driver: azimuth and stop commands on CommPortDriverEasy.
#include "drivers/EasyCommDriver.h"

#include "core/StationSettings.h"
#include "drivers/DriverContext.h"

std::string EasyCommAzimuthCommand(int azimuth)
{
    // The fraction is never sent: whole degrees, always ".0".
    return "AZ" + ThreeDigitAzimuth(azimuth) + ".0\r";
}

std::string EasyCommStopCommand()
{
    return "SA\r";
}

std::string EasyCommExitStopCommand()
{
    return "SA SE\r";
}

void GoEasyComm()
{
    GoSerialRotator(DriverContext.CommPortDriverEasy, StationSettings.PORT_EASYCOMM,
                    StationSettings.STEP_EASYCOMM, StationSettings.STOP_EASYCOMM, &EasyCommAzimuthCommand);
}

void StopEasyComm()
{
    StopSerialRotator(DriverContext.CommPortDriverEasy, EasyCommStopCommand());
}
