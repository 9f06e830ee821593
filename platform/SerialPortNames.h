// What "COMn" names on this platform: the device path, whether it names something now, and the device's identity.
#pragma once

#include <string>

// Every function takes a port index 0..8 (COM1..COM9); the caller keeps to that range.

// The path to open for the port.
std::string SerialPortDevicePath(int index);
// Whether the port's name leads to a device that exists now. On Linux only a COMn entry in the
// current folder counts, never the built-in /dev/ttyS fallback.
bool SerialPortNamedNow(int index);
// Who the device behind an opened path is, so that a later look can tell whether the name now leads
// elsewhere; empty when the path leads nowhere.
std::string SerialDeviceIdentity(const std::string& path);
