// The interface rows: the caption each gives for the settings, without a window.
#include <gtest/gtest.h>

#include <string>

#include "core/StationSettings.h"
#include "drivers/DriverContract.h"

namespace {

struct TCaptionRow {
    const char* Name;
    int ANT, LptPourSat, LptFodTrack, PortGs, PortEasy;
    const char* BaudGs;
    const char* BaudEasy;
    int Parking;
    long double ParkingAzimuth;
    const char* Caption;
};

class TCaptionTest : public ::testing::TestWithParam<TCaptionRow> {};

TEST_P(TCaptionTest, CaptionFollowsTheChosenInterface)
{
    const TCaptionRow& row = GetParam();
    TStationSettings settings;
    settings.ANT = row.ANT;
    settings.LPT_POURSAT = row.LptPourSat;
    settings.LPT_FODTRACK = row.LptFodTrack;
    settings.PORT_GS232 = row.PortGs;
    settings.PORT_EASYCOMM = row.PortEasy;
    settings.BAUD_GS232 = row.BaudGs;
    settings.BAUD_EASYCOMM = row.BaudEasy;
    settings.PARKING = row.Parking;
    settings.AZIMUT_PARKING = row.ParkingAzimuth;
    EXPECT_EQ(InterfaceCaption(settings).value_or("none"), row.Caption);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, TCaptionTest,
    ::testing::Values(
        TCaptionRow{"PourSatLpt1", 0, 0, -1, -1, -1, "4800", "4800", 0, 0, "TOLVANE - PourSat / LPT1"},
        TCaptionRow{"PourSatNoLpt", 0, -1, 1, -1, -1, "4800", "4800", 1, 90, "TOLVANE - PourSat / no LPT"},
        TCaptionRow{"FodTrackLpt3", 1, -1, 2, -1, -1, "4800", "4800", 0, 0, "TOLVANE - FODTrack / LPT3"},
        TCaptionRow{"FodTrackNoLpt", 1, 0, -1, -1, -1, "4800", "4800", 2, 90, "TOLVANE - FODTRack / no LPT"},
        TCaptionRow{"Arsif", 2, -1, -1, -1, -1, "4800", "4800", 0, 0, "TOLVANE - ARSIF /ARSWIN"},
        TCaptionRow{"ArsifParking180", 2, -1, -1, -1, -1, "4800", "4800", 3, 180,
                    "TOLVANE - ARSIF /ARSWIN / Parking=180°"},
        TCaptionRow{"Gs232Com1", 3, -1, -1, 0, 2, "9600", "4800", 0, 0, "TOLVANE - GS232 / COM1 / 9600"},
        TCaptionRow{"Gs232NoCom", 3, -1, -1, -1, 2, "9600", "4800", 4, 10, "TOLVANE - GS232 / no COM"},
        TCaptionRow{"EasyComm3", 4, -1, -1, 0, 2, "4800", "9600", 0, 0, "TOLVANE - EasyComm / COM3 / 9600"},
        TCaptionRow{"EasyCommParking90", 4, -1, -1, 0, 2, "4800", "9600", 5, 90,
                    "TOLVANE - EasyComm / COM3 / 9600 / Parking=90°"},
        TCaptionRow{"EasyCommNoCom", 4, -1, -1, 0, -1, "4800", "9600", 5, 90, "TOLVANE - EasyComm / no COM"},
        TCaptionRow{"ParkingOnOtherInterface", 3, -1, -1, 1, -1, "1200", "4800", 5, 90,
                    "TOLVANE - GS232 / COM2 / 1200"},
        TCaptionRow{"ParkingHalfRoundsToEven", 0, 1, -1, -1, -1, "4800", "4800", 1, 92.5L,
                    "TOLVANE - PourSat / LPT2 / Parking=92°"},
        TCaptionRow{"ParkingHalfRoundsUpToEven", 0, 1, -1, -1, -1, "4800", "4800", 1, 93.5L,
                    "TOLVANE - PourSat / LPT2 / Parking=94°"},
        TCaptionRow{"NoInterface", -1, 0, 0, 0, 0, "4800", "4800", 1, 90, "none"}),
    [](const ::testing::TestParamInfo<TCaptionRow>& info) { return std::string(info.param.Name); });

}  // namespace
