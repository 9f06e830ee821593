// Run-time state of pointing shared by the main window, the drivers and the settings window.
#pragma once

#include <string>

// Azimuth of the command being sent; 0 <= value < 360 whenever a go operation runs.
extern long double TargetAzimuth;
// Azimuth of the last accepted command, before the end-stop shift; -10 lets any next command through.
extern long double LastSentAzimuth;
constexpr long double LastSentAzimuthReset = -10.0L;
// Set by a go operation that sent nothing; read and cleared by MAN.
extern bool CommandNotSent;
extern bool TestCommandPending;
extern bool AutomaticPress;
// The feed conversation is open.
extern bool FeedLinkOpen;

// The two message texts that follow the language, and the help file name.
extern std::string MsgIniCreateFailed;
extern std::string MsgArswinNotRunning;
extern std::string ApplicationHelpFile;
