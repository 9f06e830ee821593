// The go and stop rules shared by the GS-232 and EasyComm controllers.
#include "drivers/SerialRotator.h"

#include <algorithm>

#include "core/NumberFormat.h"
#include "core/PointingState.h"
#include "drivers/DriverContext.h"
#include "drivers/DriverContract.h"
#include "drivers/HeadingPoll.h"
#include "platform/Beep.h"
#include "serial/ComDrv32.h"

std::string ThreeDigitAzimuth(int azimuth)
{
    // A go operation only produces 0..360; anything else would make a malformed command.
    azimuth = std::clamp(azimuth, 0, 360);
    const std::string digits = std::to_string(azimuth);
    return std::string(3 - digits.size(), '0') + digits;
}

bool OpenSerialRotatorPort(TCommPortDriver* port, int comPort)
{
    if (port && !port->IsOpen()) {
        port->SetComPort(comPort);
        port->OpenPort();
    }
    return port && port->IsOpen();
}

void GoSerialRotator(TCommPortDriver* port, int comPort, int step, int stopSetting,
                     std::string (*commandFor)(int azimuth))
{
    // A target already sent goes again when the heading read back says the antenna is not there.
    const bool repeat = DriverContext.HeadingPoll && DriverContext.HeadingPoll->CallsForRepeat(TargetAzimuth, step);
    if (StepRuleHoldsBack(step) && !repeat) {
        CommandNotSent = true;
        return;
    }
    LastSentAzimuth = TargetAzimuth;
    const long double rotatorAzimuth = ApplyEndStop(TargetAzimuth, stopSetting);

    if (!OpenSerialRotatorPort(port, comPort)) {
        CommandNotSent = true;
        MessageBeep();
        return;
    }

    const int azimuth = static_cast<int>(RoundToInteger(rotatorAzimuth));
    if (DriverContext.SetLabelEtatInterface)
        DriverContext.SetLabelEtatInterface(ThreeDigitAzimuth(azimuth));
    const std::string command = commandFor(azimuth);
    port->WriteBytes(command.data(), static_cast<int>(command.size()));
}

void StopSerialRotator(TCommPortDriver* port, const std::string& stopText)
{
    if (!port || !port->IsOpen())
        return;
    port->WriteText(stopText);
    port->ClosePort();
}
