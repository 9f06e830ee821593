// The driver contract table and the rules every go operation shares.
#include "drivers/DriverContract.h"

#include <cmath>

#include "core/NumberFormat.h"
#include "core/PointingState.h"
#include "drivers/ArswinDriver.h"
#include "drivers/DriverContext.h"
#include "drivers/EasyCommDriver.h"
#include "drivers/Gs232Driver.h"
#include "drivers/ParallelDrivers.h"

TDriverContext DriverContext;

using S = TStationSettings;

const std::array<TInterfaceRow, 5> InterfaceRows = {{
    {InterfaceFileNames[riPourSat], TConnection::PrinterPort, &GoPourSat, nullptr,
     &S::STOP_POURSAT, &S::STEP_POURSAT, &S::LPT_POURSAT, &S::CALAZ_POURSAT, &S::ZERO_POURSAT, nullptr, nullptr,
     nullptr, nullptr, nullptr, nullptr, nullptr, 0,
     "TOLVANE - PourSat / LPT", "TOLVANE - PourSat / no LPT"},
    // "FODTRack" without a port is the caption as users know it.
    {InterfaceFileNames[riFODTrack], TConnection::PrinterPort, &GoFodTrack, nullptr,
     &S::STOP_FODTRACK, &S::STEP_FODTRACK, &S::LPT_FODTRACK, &S::CALAZ_FODTRACK, &S::ZERO_FODTRACK, nullptr,
     nullptr,
     nullptr, nullptr, nullptr, nullptr, nullptr, 0,
     "TOLVANE - FODTrack / LPT", "TOLVANE - FODTRack / no LPT"},
    {InterfaceFileNames[riARSIF], TConnection::Arswin, &GoArswin, &StopArswin,
     &S::STOP_ARSIF, &S::STEP_ARSIF, nullptr, nullptr, nullptr, nullptr, nullptr,
     nullptr, nullptr, nullptr, nullptr, nullptr, 0,
     "TOLVANE - ARSIF /ARSWIN", nullptr},
    {InterfaceFileNames[riGS232], TConnection::Serial, &GoGs232, &StopGs232,
     &S::STOP_GS232, &S::STEP_GS232, &S::PORT_GS232, nullptr, nullptr, &S::BAUD_GS232, &S::GS232BaudIndex,
     &TDriverContext::CommPortDriverGS, &Gs232StopCommand, &Gs232StopCommand,
     &Gs232PositionQuery, &ReadGs232Position, 1.0,
     "TOLVANE - GS232 / COM", "TOLVANE - GS232 / no COM"},
    // EasyComm stops with "SA" from the settings window but with "SA SE" at exit.
    {InterfaceFileNames[riEasyComm], TConnection::Serial, &GoEasyComm, &StopEasyComm,
     &S::STOP_EASYCOMM, &S::STEP_EASYCOMM, &S::PORT_EASYCOMM, nullptr, nullptr, &S::BAUD_EASYCOMM,
     &S::EasyCommBaudIndex,
     &TDriverContext::CommPortDriverEasy, &EasyCommStopCommand, &EasyCommExitStopCommand,
     &EasyCommPositionQuery, &ReadEasyCommPosition, 0.1,
     "TOLVANE - EasyComm / COM", "TOLVANE - EasyComm / no COM"},
}};

const TInterfaceRow* InterfaceRowOf(int rotatorInterface)
{
    if (rotatorInterface < 0 || rotatorInterface >= static_cast<int>(InterfaceRows.size()))
        return nullptr;
    return &InterfaceRows[static_cast<std::size_t>(rotatorInterface)];
}

std::optional<std::string> InterfaceCaption(const TStationSettings& settings)
{
    const TInterfaceRow* row = InterfaceRowOf(settings.ANT);
    if (!row)
        return std::nullopt;
    bool portChosen = true;
    std::string caption = row->CaptionWithPort;
    if (row->Port) {
        const int port = settings.*row->Port;
        portChosen = port != -1;
        if (!portChosen)
            caption = row->CaptionWithoutPort;
        else
            caption += std::to_string(static_cast<long long>(port) + 1);
        if (portChosen && row->Baud)
            caption += " / " + settings.*row->Baud;
    }
    if (portChosen && settings.PARKING == settings.ANT + 1)
        caption += " / Parking=" + std::to_string(RoundToInteger(settings.AZIMUT_PARKING)) + "°";
    return caption;
}

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
