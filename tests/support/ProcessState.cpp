// Reset of the process-wide state between tests.
#include "support/ProcessState.h"

#include "core/PointingState.h"
#include "core/StationSettings.h"
#include "drivers/DriverContext.h"

void ResetProcessState()
{
    StationSettings = {};
    LptBaseAddress = {0, 0, 0};
    ConfigFileFound = false;
    TargetAzimuth = 0;
    LastSentAzimuth = LastSentAzimuthReset;
    CommandNotSent = false;
    TestCommandPending = false;
    AutomaticPress = false;
    FeedLinkOpen = false;
    MsgIniCreateFailed = "Can't create Tolvane.ini";
    MsgArswinNotRunning = "ARSWIN must be running !";
    ApplicationHelpFile = "Tolvane_EN.hlp";
    DriverContext = TDriverContext{};
}
