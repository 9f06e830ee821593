// The ARSIF interface: each azimuth goes to ARSWIN's main window as a registered window message.
#include "drivers/ArswinDriver.h"

#include <cstdint>
#include <string>

#include "core/NumberFormat.h"
#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"
#include "drivers/DriverContract.h"
#include "platform/Beep.h"
#include "platform/WindowMessages.h"

namespace {
constexpr const char* ArswinWindowClass = "ThunderForm";
constexpr const char* ArswinWindowTitle = "ARSWIN";
constexpr const char* AzimuthMessageName = "AZIMUTH";
constexpr std::int32_t StopParameter = -1;  // ARSWIN reads all bits set as "stop turning"

TWindowHandle FindArswin()
{
    IWindowMessages* messages = DriverContext.WindowMessages;
    return messages ? messages->FindWindowA(ArswinWindowClass, ArswinWindowTitle) : 0;
}

// The message identifier is asked for anew each time, as ARSWIN may have been restarted.
bool PostAzimuth(TWindowHandle window, std::int32_t wParam)
{
    IWindowMessages& messages = *DriverContext.WindowMessages;
    const std::uint32_t message = messages.RegisterWindowMessageA(AzimuthMessageName);
    // Without an identifier the message would mean nothing to ARSWIN: count it as not delivered.
    return message != 0 && messages.PostMessageA(window, message, wParam, 0);
}
}  // namespace

void GoArswin()
{
    if (StepRuleHoldsBack(StationSettings.STEP_ARSIF)) {
        CommandNotSent = true;
        return;
    }
    LastSentAzimuth = TargetAzimuth;
    // ARSWIN takes the plain azimuth: no end-stop shift, 360 is a valid value.
    std::int64_t azimuth = RoundToInteger(TargetAzimuth);
    if (azimuth < 0)
        azimuth = 0;

    const TWindowHandle window = FindArswin();
    if (!window) {
        MessageBeep(TBeepKind::Exclamation);
        if (DriverContext.ShowArswinNotRunning)
            DriverContext.ShowArswinNotRunning();
        CommandNotSent = true;
        return;
    }
    const std::string sent = std::to_string(azimuth);
    if (DriverContext.SetLabelEtatInterface)
        DriverContext.SetLabelEtatInterface(sent);
    if (!PostAzimuth(window, static_cast<std::int32_t>(azimuth))) {
        MessageBeep();
        CommandNotSent = true;
    }
}

void StopArswin()
{
    const TWindowHandle window = FindArswin();
    if (!window)
        return;
    if (!PostAzimuth(window, StopParameter))
        MessageBeep();
}
