// The driver contract table and the rules every go operation shares.
#include "drivers/DriverContract.h"

#include <cmath>

#include "core/PointingState.h"
#include "drivers/ArswinDriver.h"
#include "drivers/DriverContext.h"
#include "drivers/EasyCommDriver.h"
#include "drivers/Gs232Driver.h"
#include "drivers/ParallelDrivers.h"

TDriverContext DriverContext;

const std::array<TDriverOperations, 5> DriverContract = {{
    {"PourSat", &GoPourSat, nullptr},
    {"FODTrack", &GoFodTrack, nullptr},
    {"ARSIF", &GoArswin, &StopArswin},
    {"GS232", &GoGs232, &StopGs232},
    {"EasyComm", &GoEasyComm, &StopEasyComm},
}};

bool StepRuleHoldsBack(int step)
{
    return static_cast<long double>(step) > std::fabs(TargetAzimuth - LastSentAzimuth);
}

long double ApplyEndStop(long double azimuth, int stopSetting)
{
    if (stopSetting == 0)
        return azimuth;
    long double shifted = azimuth - 180.0L;
    if (shifted < 0)
        shifted += 360.0L;
    return shifted;
}
