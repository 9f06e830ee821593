// Storage of the process-wide settings and start-up facts.
#include "core/StationSettings.h"

TStationSettings StationSettings;

const std::array<const char*, BaudRateCount> BaudRateText = {
    "110", "300", "600", "1200", "2400", "4800", "9600",
    "14400", "19200", "38400", "56000", "57600", "115200",
};

std::array<std::uint16_t, 3> LptBaseAddress = {0, 0, 0};

bool ConfigFileFound = false;
