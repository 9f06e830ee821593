// The EasyComm driver: azimuth and stop commands on CommPortDriverEasy.
#include "drivers/EasyCommDriver.h"

#include "app/NumberFormat.h"
#include "app/PointingState.h"
#include "app/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/DriverContract.h"
#include "drivers/Gs232Driver.h"
#include "platform/Beep.h"
#include "serial/ComDrv32.h"

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
    if (StepRuleHoldsBack(StationSettings.STEP_EASYCOMM)) {
        CommandNotSent = true;
        return;
    }
    LastSentAzimuth = TargetAzimuth;
    const long double rotatorAzimuth = ApplyEndStop(TargetAzimuth, StationSettings.STOP_EASYCOMM);

    TCommPortDriver* port = DriverContext.CommPortDriverEasy;
    if (port && !port->IsOpen()) {
        port->SetComPort(StationSettings.PORT_EASYCOMM);
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
    const std::string command = EasyCommAzimuthCommand(azimuth);
    port->WriteBytes(command.data(), static_cast<int>(command.size()));
}

void StopEasyComm()
{
    TCommPortDriver* port = DriverContext.CommPortDriverEasy;
    if (!port || !port->IsOpen())
        return;
    port->WriteText(EasyCommStopCommand());
    port->ClosePort();
}
