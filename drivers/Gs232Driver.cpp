// The GS-232 driver: turn and stop commands on CommPortDriverGS.
#include "drivers/Gs232Driver.h"

#include "core/StationSettings.h"
#include "drivers/DriverContext.h"

std::string Gs232TurnCommand(int azimuth)
{
    return "W" + ThreeDigitAzimuth(azimuth) + "\r";
}

std::string Gs232StopCommand()
{
    return "S\r";
}

void GoGs232()
{
    GoSerialRotator(DriverContext.CommPortDriverGS, StationSettings.PORT_GS232, StationSettings.STEP_GS232,
                    StationSettings.STOP_GS232, &Gs232TurnCommand);
}

void StopGs232()
{
    StopSerialRotator(DriverContext.CommPortDriverGS, Gs232StopCommand());
}
