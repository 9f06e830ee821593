// The GS-232 driver: turn and stop commands on CommPortDriverGS.
#include "drivers/Gs232Driver.h"

#include <algorithm>

#include "app/NumberFormat.h"
#include "app/PointingState.h"
#include "app/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/DriverContract.h"
#include "platform/Beep.h"
#include "serial/ComDrv32.h"

std::string ThreeDigitAzimuth(int azimuth)
{
    // A go operation only produces 0..360; anything else would make a malformed command.
    azimuth = std::clamp(azimuth, 0, 360);
    const std::string digits = std::to_string(azimuth);
    return std::string(3 - digits.size(), '0') + digits;
}

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
    if (StepRuleHoldsBack(StationSettings.STEP_GS232)) {
        CommandNotSent = true;
        return;
    }
    LastSentAzimuth = TargetAzimuth;
    const long double rotatorAzimuth = ApplyEndStop(TargetAzimuth, StationSettings.STOP_GS232);

    TCommPortDriver* port = DriverContext.CommPortDriverGS;
    if (port && !port->IsOpen()) {
        port->SetComPort(StationSettings.PORT_GS232);
        port->OpenPort();
    }
    if (!port || !port->IsOpen()) {
        CommandNotSent = true;
        MessageBeep();
        return;
    }

    const int azimuth = static_cast<int>(RoundToInteger(rotatorAzimuth));
    if (DriverContext.SetLabelEtatInterface)
        DriverContext.SetLabelEtatInterface(ThreeDigitAzimuth(azimuth));
    const std::string command = Gs232TurnCommand(azimuth);
    port->WriteBytes(command.data(), static_cast<int>(command.size()));
}

void StopGs232()
{
    TCommPortDriver* port = DriverContext.CommPortDriverGS;
    if (!port || !port->IsOpen())
        return;
    port->WriteText(Gs232StopCommand());
    port->ClosePort();
}
