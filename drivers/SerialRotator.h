// What the two serial controllers share: the go rules, the lazy open and the stop.
#pragma once

#include <string>

class TCommPortDriver;

// The azimuth as the serial controllers read it: three digits, "005", "045", "360".
std::string ThreeDigitAzimuth(int azimuth);

// The lazy open of the serial controllers: a closed `port` opens on `comPort`; whether it is open now.
bool OpenSerialRotatorPort(TCommPortDriver* port, int comPort);

// Step rule, end stop, lazy open of `port` on `comPort` (beep when it cannot open), then the
// command that `commandFor` builds for the rounded azimuth.
void GoSerialRotator(TCommPortDriver* port, int comPort, int step, int stopSetting,
                     std::string (*commandFor)(int azimuth));

// Sends `stopText` and closes the port when it is open; nothing otherwise.
void StopSerialRotator(TCommPortDriver* port, const std::string& stopText);
