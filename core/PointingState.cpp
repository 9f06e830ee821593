// Storage of the run-time pointing state and the language-dependent texts.
#include "core/PointingState.h"

long double TargetAzimuth = 0;
long double LastSentAzimuth = LastSentAzimuthReset;
bool CommandNotSent = false;
bool TestCommandPending = false;
bool AutomaticPress = false;
bool FeedLinkOpen = false;

std::string MsgIniCreateFailed = "Can't create Tolvane.ini";
std::string MsgArswinNotRunning = "ARSWIN must be running !";
std::string ApplicationHelpFile = "Tolvane_EN.hlp";
