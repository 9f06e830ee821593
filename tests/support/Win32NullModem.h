// The null modem of the Windows test run: two COM ports whose bytes cross over.
#pragma once

#include <string>

#include <windows.h>

// The run names the two ends, for example TOLVANE_NULL_MODEM="8 9" for COM8 and COM9. Under Wine: two
// relayed ptys entered as COM8 and COM9 under HKLM\Software\Wine\Ports before the Wine server starts,
// which also makes the names known to QueryDosDevice (a bare dosdevices link opens but is not).
// False when the run names no pair: only the tests that need no device run then.
bool NullModemPorts(int& first, int& second);

// The line state the device keeps once the line is closed, as a fresh handle reads it.
bool DeviceState(const std::string& path, DCB& state);
