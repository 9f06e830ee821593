// The GS-232 driver: turn and stop commands on CommPortDriverGS.
#include "drivers/Gs232Driver.h"

#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/PositionText.h"

std::string Gs232TurnCommand(int azimuth)
{
    return "W" + ThreeDigitAzimuth(azimuth) + "\r";
}

std::string Gs232StopCommand()
{
    return "S\r";
}

std::string Gs232PositionQuery()
{
    return "C\r";
}

namespace {

// Removes `prefix` from the front of `text` when it is there.
bool Take(std::string_view& text, std::string_view prefix)
{
    if (text.substr(0, prefix.size()) != prefix)
        return false;
    text.remove_prefix(prefix.size());
    return true;
}

}  // namespace

std::optional<double> ReadGs232Position(std::string_view line)
{
    // GS-232A puts a sign before each four-digit value; GS-232B names them, two blanks apart.
    const bool named = Take(line, "AZ=");
    if (!named && !Take(line, "+"))
        return std::nullopt;
    const std::optional<double> azimuth = TakePositionNumber(line);
    if (!azimuth)
        return std::nullopt;
    if (!line.empty()) {
        while (named && Take(line, " ")) {
        }
        if (!Take(line, named ? "EL=" : "+") || !TakePositionNumber(line) || !line.empty())
            return std::nullopt;
    }
    return AzimuthOfPosition(*azimuth);
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
