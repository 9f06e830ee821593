// One row per rotator interface, indexed by RotatorInterface: how it goes and stops, which settings it
// works on, how the caption names it and what it sends at exit. Every caller dispatches through it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "core/StationSettings.h"

class TCommPortDriver;
struct TDriverContext;

enum class TConnection { PrinterPort, Arswin, Serial };

struct TInterfaceRow {
    const char* FileName;  // ANT= and PARKING= spell the interface so
    TConnection Connection;
    void (*Go)();
    void (*Stop)();  // nullptr: the interface has no stop

    // The settings its tab of the settings window works on; the port, calibration and baud
    // fields exist for some interfaces only.
    int TStationSettings::*EndStop;
    int TStationSettings::*Step;
    int TStationSettings::*Port;  // LPT index on the printer-port interfaces, COM index on the serial ones
    long double TStationSettings::*CalAz;
    long double TStationSettings::*Zero;
    std::string TStationSettings::*Baud;
    int TStationSettings::*BaudIndex;

    // Serial interfaces: their port component, the text that stops the controller, and the text
    // sent at exit when the rotator does not park there.
    TCommPortDriver* TDriverContext::*SerialPort;
    std::string (*StopText)();
    std::string (*ExitStopText)();
    // Reading the heading back: the query, and the azimuth of a reply line (nothing when the line is
    // no position). nullptr on the interfaces that cannot tell where the antenna points.
    std::string (*PositionQuery)();
    std::optional<double> (*ReadPosition)(std::string_view line);
    // The least digit of the replies, in degrees: a change of one such digit is flicker, not movement.
    double PositionResolution;

    // The caption: CaptionWithPort followed by the port number (and " / " and the speed on a serial
    // port), or CaptionWithoutPort when no port is chosen; an interface without a port always shows
    // CaptionWithPort alone.
    const char* CaptionWithPort;
    const char* CaptionWithoutPort;
};

extern const std::array<TInterfaceRow, 5> InterfaceRows;

// The row of an interface number, or nullptr for riNone and anything outside the table.
const TInterfaceRow* InterfaceRowOf(int rotatorInterface);

// The main window's caption for these settings, or nothing when no interface is chosen; a chosen
// port with parking on the same interface adds " / Parking=<azimuth>°".
std::optional<std::string> InterfaceCaption(const TStationSettings& settings);

// Whether the step setting holds the target back (|Target - LastSent| < step); no sound.
bool StepRuleHoldsBack(int step);
// The azimuth the rotator works with: minus 180 (plus 360 if negative) for a south stop.
long double ApplyEndStop(long double azimuth, int stopSetting);
