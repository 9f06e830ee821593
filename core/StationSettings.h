// The process-wide settings record, the baud-rate table and the start-up facts beside it.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// Active interface numbers; PARKING holds these plus one, 0 meaning no parking.
enum TRotatorInterface : int {
    riNone = -1,
    riPourSat = 0,
    riFODTrack = 1,
    riARSIF = 2,
    riGS232 = 3,
    riEasyComm = 4,
};

// How Tolvane.ini spells the interfaces, indexed by their numbers.
inline constexpr std::array<const char*, 5> InterfaceFileNames = {"POURSAT", "FODTRACK", "ARSIF", "GS232", "EASYCOMM"};

// One field per configuration key; reset with `StationSettings = {}`.
struct TStationSettings {
    int ANT = riNone;
    int LPT_POURSAT = -1;
    int LPT_FODTRACK = -1;
    int PORT_GS232 = -1;
    int PORT_EASYCOMM = -1;
    std::string BAUD_GS232 = "4800";
    int GS232BaudIndex = 0;  // not the index of "4800": the settings window brings them into step
    std::string BAUD_EASYCOMM = "4800";
    int EasyCommBaudIndex = 0;
    int STOP_POURSAT = 0;  // 0 north, 1 south
    int STOP_FODTRACK = 0;
    int STOP_ARSIF = 0;
    int STOP_GS232 = 0;
    int STOP_EASYCOMM = 0;
    int STEP_POURSAT = 1;
    int STEP_FODTRACK = 1;
    int STEP_ARSIF = 1;
    int STEP_GS232 = 1;
    int STEP_EASYCOMM = 1;
    long double CALAZ_POURSAT = 0.5138901L;
    long double ZERO_POURSAT = 0;
    long double CALAZ_FODTRACK = 0.711L;
    long double ZERO_FODTRACK = 0;
    long double AZIMUT_PARKING = 0;
    int PARKING = 0;
};

extern TStationSettings StationSettings;

// Index = the serial component's speed value.
constexpr int BaudRateCount = 13;
extern const std::array<const char*, BaudRateCount> BaudRateText;

// Base addresses of LPT1..LPT3, 0 when the port does not exist; filled once at start.
extern std::array<std::uint16_t, 3> LptBaseAddress;

// Whether Tolvane.ini existed in the program's folder at start.
extern bool ConfigFileFound;
