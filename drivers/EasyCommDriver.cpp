// The EasyComm driver: azimuth and stop commands on CommPortDriverEasy.
#include "drivers/EasyCommDriver.h"

#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/PositionText.h"

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

std::string EasyCommPositionQuery()
{
    return "AZ\r";
}

std::optional<double> ReadEasyCommPosition(std::string_view line)
{
    if (line.substr(0, 2) != "AZ")
        return std::nullopt;
    line.remove_prefix(2);
    const std::optional<double> azimuth = TakePositionNumber(line);
    if (!azimuth)
        return std::nullopt;
    // The elevation may follow on the same line when the controller reports both.
    if (!line.empty()) {
        const std::size_t word = line.find_first_not_of(' ');
        if (word == 0 || word == std::string_view::npos || line.substr(word, 2) != "EL")
            return std::nullopt;
        line.remove_prefix(word + 2);
        if (!line.empty() && line.front() == '-')
            line.remove_prefix(1);
        if (!TakePositionNumber(line) || !line.empty())
            return std::nullopt;
    }
    return AzimuthOfPosition(*azimuth);
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
