// Tests of Tolvane.ini: every reader row, the writer's bytes, and saving over old and leftover files.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "app/ConfigFile.h"
#include "app/ConfigFileFixture.h"
#include "core/NumberFormat.h"
#include "core/StationSettings.h"
#include "platform/FileSystem.h"

namespace {

// Hooks that log every call in order, as "Name value".
struct THookLog {
    std::vector<std::string> Calls;

    TConfigReaderHooks Hooks()
    {
        TConfigReaderHooks hooks;
        hooks.MenuEnglishClick = [this] { Calls.push_back("English"); };
        hooks.MenuFrancaisClick = [this] { Calls.push_back("French"); };
        hooks.SetGsComPort = Logger("GsPort");
        hooks.SetEasyComPort = Logger("EasyPort");
        hooks.SetGsComPortSpeed = Logger("GsSpeed");
        hooks.SetEasyComPortSpeed = Logger("EasySpeed");
        hooks.SetWindowTop = Logger("Top");
        hooks.SetWindowLeft = Logger("Left");
        hooks.SetWindowWidth = Logger("Width");
        hooks.SetWindowHeight = Logger("Height");
        return hooks;
    }

    std::function<void(int)> Logger(const std::string& name)
    {
        return [this, name](int value) { Calls.push_back(name + " " + std::to_string(value)); };
    }
};

using TFieldText = std::function<std::string()>;

TFieldText Int(int TStationSettings::*field)
{
    return [field] { return std::to_string(StationSettings.*field); };
}

TFieldText Num(long double TStationSettings::*field)
{
    return [field] { return FormatGeneral(StationSettings.*field, 15); };
}

TFieldText Text(std::string TStationSettings::*field)
{
    return [field] { return StationSettings.*field; };
}

struct TReaderRow {
    const char* Name;
    std::vector<std::string> Lines;
    TFieldText Field;  // empty when only the hooks matter
    std::string Expected;
    std::vector<std::string> Calls;
    std::string Error;
};

// Failures name the row instead of dumping its bytes.
void PrintTo(const TReaderRow& row, std::ostream* out)
{
    *out << row.Name;
}

const std::string FloatError = " n'est pas une valeur en virgule flottante correcte.";
const std::string IntegerError = " n'est pas une valeur entière correcte.";

using S = TStationSettings;

std::vector<TReaderRow> AllReaderRows()
{
    return {
        {"LanguageEnglish", {"LANGUAGE=ENGLISH"}, {}, "", {"English"}, ""},
        {"LanguageFrench", {"LANGUAGE=FRENCH"}, {}, "", {"French"}, ""},
        {"LanguageLowerCaseIgnored", {"LANGUAGE=french"}, {}, "", {}, ""},
        {"LanguageUnknownIgnored", {"LANGUAGE=GERMAN"}, {}, "", {}, ""},

        {"AntPourSat", {"ANT=POURSAT"}, Int(&S::ANT), "0", {}, ""},
        {"AntFodTrack", {"ANT=FODTRACK"}, Int(&S::ANT), "1", {}, ""},
        {"AntArsif", {"ANT=ARSIF"}, Int(&S::ANT), "2", {}, ""},
        {"AntGs232", {"ANT=GS232"}, Int(&S::ANT), "3", {}, ""},
        {"AntEasyComm", {"ANT=EASYCOMM"}, Int(&S::ANT), "4", {}, ""},
        {"AntUnknownResetsToNone", {"ANT=GS232", "ANT=ROTOR"}, Int(&S::ANT), "-1", {}, ""},
        {"AntEmptyResetsToNone", {"ANT=GS232", "ANT="}, Int(&S::ANT), "-1", {}, ""},
        {"AntLeadingSpace", {"ANT=GS232", "ANT= GS232"}, Int(&S::ANT), "-1", {}, ""},
        {"AntLowerCase", {"ANT=easycomm"}, Int(&S::ANT), "-1", {}, ""},
        {"SecondAntOverrides", {"ANT=GS232", "ANT=ARSIF"}, Int(&S::ANT), "2", {}, ""},
        {"SpaceBeforeEqualsNotAKey", {"ANT =GS232"}, Int(&S::ANT), "-1", {}, ""},

        {"LptPourSatOne", {"LPT_POURSAT=1"}, Int(&S::LPT_POURSAT), "0", {}, ""},
        {"LptPourSatNoRangeCheck", {"LPT_POURSAT=7"}, Int(&S::LPT_POURSAT), "6", {}, ""},
        {"LptPourSatZeroIsNone", {"LPT_POURSAT=2", "LPT_POURSAT=0"}, Int(&S::LPT_POURSAT), "-1", {}, ""},
        {"LptPourSatNotANumber", {"LPT_POURSAT=2", "LPT_POURSAT=x"}, Int(&S::LPT_POURSAT), "-1", {}, ""},
        {"LptPourSatEmpty", {"LPT_POURSAT=2", "LPT_POURSAT="}, Int(&S::LPT_POURSAT), "-1", {}, ""},
        {"LptFodTrackThree", {"LPT_FODTRACK=3"}, Int(&S::LPT_FODTRACK), "2", {}, ""},
        {"LptFodTrackNegative", {"LPT_FODTRACK=-5"}, Int(&S::LPT_FODTRACK), "-6", {}, ""},
        {"LptFodTrackNotANumber", {"LPT_FODTRACK=3", "LPT_FODTRACK=1.0"}, Int(&S::LPT_FODTRACK), "-1", {}, ""},
        {"LptSmallestIntegerIsNone", {"LPT_POURSAT=-2147483648"}, Int(&S::LPT_POURSAT), "-1", {}, ""},

        {"PortGs232One", {"PORT_GS232=1"}, Int(&S::PORT_GS232), "0", {"GsPort 0"}, ""},
        {"PortGs232NoRangeCheck", {"PORT_GS232=9"}, Int(&S::PORT_GS232), "8", {"GsPort 8"}, ""},
        {"PortGs232ZeroLeavesDriver", {"PORT_GS232=0"}, Int(&S::PORT_GS232), "-1", {}, ""},
        {"PortGs232NotANumber", {"PORT_GS232=2", "PORT_GS232=abc"}, Int(&S::PORT_GS232), "-1", {"GsPort 1"}, ""},
        {"PortGs232SmallestInteger", {"PORT_GS232=-2147483648"}, Int(&S::PORT_GS232), "-1", {}, ""},
        {"PortEasyCommTwo", {"PORT_EASYCOMM=2"}, Int(&S::PORT_EASYCOMM), "1", {"EasyPort 1"}, ""},
        {"PortEasyCommEmpty", {"PORT_EASYCOMM=2", "PORT_EASYCOMM="}, Int(&S::PORT_EASYCOMM), "-1", {"EasyPort 1"}, ""},
        {"PortEasyCommNegative", {"PORT_EASYCOMM=-1"}, Int(&S::PORT_EASYCOMM), "-2", {"EasyPort -2"}, ""},

        {"BaudGs232InTable", {"BAUD_GS232=38400"}, Text(&S::BAUD_GS232), "38400", {"GsSpeed 9"}, ""},
        {"BaudGs232IndexFollows", {"BAUD_GS232=38400"}, Int(&S::GS232BaudIndex), "9", {"GsSpeed 9"}, ""},
        {"BaudGs232FirstEntry", {"BAUD_GS232=110"}, Int(&S::GS232BaudIndex), "0", {"GsSpeed 0"}, ""},
        {"BaudGs232NotInTableKeepsText", {"BAUD_GS232=12345"}, Text(&S::BAUD_GS232), "12345", {}, ""},
        {"BaudGs232NotInTableKeepsIndex", {"BAUD_GS232=9600", "BAUD_GS232=12345"}, Int(&S::GS232BaudIndex), "6",
         {"GsSpeed 6"}, ""},
        {"BaudGs232EmptyIgnored", {"BAUD_GS232=9600", "BAUD_GS232="}, Text(&S::BAUD_GS232), "9600", {"GsSpeed 6"},
         ""},
        {"BaudGs232TrailingSpaceNotInTable", {"BAUD_GS232=9600 "}, Int(&S::GS232BaudIndex), "0", {}, ""},
        {"BaudEasyCommInTable", {"BAUD_EASYCOMM=115200"}, Int(&S::EasyCommBaudIndex), "12", {"EasySpeed 12"}, ""},
        {"BaudEasyCommText", {"BAUD_EASYCOMM=9600"}, Text(&S::BAUD_EASYCOMM), "9600", {"EasySpeed 6"}, ""},
        {"BaudEasyCommNotInTable", {"BAUD_EASYCOMM=12345"}, Int(&S::EasyCommBaudIndex), "0", {}, ""},
        {"BaudEasyCommEmptyIgnored", {"BAUD_EASYCOMM="}, Text(&S::BAUD_EASYCOMM), "4800", {}, ""},

        {"StopPourSatNorth", {"STOP_POURSAT=S", "STOP_POURSAT=N"}, Int(&S::STOP_POURSAT), "0", {}, ""},
        {"StopPourSatSouth", {"STOP_POURSAT=S"}, Int(&S::STOP_POURSAT), "1", {}, ""},
        {"StopFodTrackLowerCaseN", {"STOP_FODTRACK=n"}, Int(&S::STOP_FODTRACK), "1", {}, ""},
        {"StopFodTrackNorth", {"STOP_FODTRACK=S", "STOP_FODTRACK=N"}, Int(&S::STOP_FODTRACK), "0", {}, ""},
        {"StopArsifEmpty", {"STOP_ARSIF="}, Int(&S::STOP_ARSIF), "1", {}, ""},
        {"StopArsifNorth", {"STOP_ARSIF=S", "STOP_ARSIF=N"}, Int(&S::STOP_ARSIF), "0", {}, ""},
        {"StopGs232LeadingSpace", {"STOP_GS232= N"}, Int(&S::STOP_GS232), "1", {}, ""},
        {"StopGs232North", {"STOP_GS232=S", "STOP_GS232=N"}, Int(&S::STOP_GS232), "0", {}, ""},
        {"StopEasyCommOther", {"STOP_EASYCOMM=NORTH"}, Int(&S::STOP_EASYCOMM), "1", {}, ""},
        {"StopEasyCommNorth", {"STOP_EASYCOMM=S", "STOP_EASYCOMM=N"}, Int(&S::STOP_EASYCOMM), "0", {}, ""},

        {"StepPourSatNoRangeCheck", {"STEP_POURSAT=9"}, Int(&S::STEP_POURSAT), "9", {}, ""},
        {"StepPourSatNotANumber", {"STEP_POURSAT=4", "STEP_POURSAT=x"}, Int(&S::STEP_POURSAT), "1", {}, ""},
        {"StepFodTrackZero", {"STEP_FODTRACK=0"}, Int(&S::STEP_FODTRACK), "0", {}, ""},
        {"StepFodTrackEmpty", {"STEP_FODTRACK=4", "STEP_FODTRACK="}, Int(&S::STEP_FODTRACK), "1", {}, ""},
        {"StepArsifNegative", {"STEP_ARSIF=-3"}, Int(&S::STEP_ARSIF), "-3", {}, ""},
        {"StepArsifFraction", {"STEP_ARSIF=4", "STEP_ARSIF=2.5"}, Int(&S::STEP_ARSIF), "1", {}, ""},
        {"StepGs232", {"STEP_GS232=5"}, Int(&S::STEP_GS232), "5", {}, ""},
        {"StepGs232UnderAnotherSection", {"[POURSAT]", "STEP_GS232=4"}, Int(&S::STEP_GS232), "4", {}, ""},
        {"StepEasyComm", {"STEP_EASYCOMM=2"}, Int(&S::STEP_EASYCOMM), "2", {}, ""},
        {"StepEasyCommNotANumber", {"STEP_EASYCOMM=3", "STEP_EASYCOMM=three"}, Int(&S::STEP_EASYCOMM), "1", {}, ""},

        {"CalazPourSatPoint", {"CALAZ_POURSAT=0.5"}, Num(&S::CALAZ_POURSAT), "0.5", {}, ""},
        {"CalazPourSatComma", {"CALAZ_POURSAT=0,5"}, Num(&S::CALAZ_POURSAT), "0.5", {}, ""},
        {"CalazPourSatExponent", {"CALAZ_POURSAT=1.5E-001"}, Num(&S::CALAZ_POURSAT), "0.15", {}, ""},
        {"CalazPourSatEmptyIgnored", {"CALAZ_POURSAT=0.7", "CALAZ_POURSAT="}, Num(&S::CALAZ_POURSAT), "0.7", {}, ""},
        {"CalazPourSatBothSeparatorsStop", {"CALAZ_POURSAT=1,2.3"}, Num(&S::CALAZ_POURSAT), "0.5138901", {},
         "'1,2.3.'" + FloatError},
        {"ZeroPourSatNegative", {"ZERO_POURSAT=-12,5"}, Num(&S::ZERO_POURSAT), "-12.5", {}, ""},
        {"ZeroPourSatEmptyIgnored", {"ZERO_POURSAT=3", "ZERO_POURSAT="}, Num(&S::ZERO_POURSAT), "3", {}, ""},
        {"ZeroPourSatLettersStop", {"ZERO_POURSAT=abc"}, Num(&S::ZERO_POURSAT), "0", {}, "'abc'" + FloatError},
        {"CalazFodTrack", {"CALAZ_FODTRACK=0,8"}, Num(&S::CALAZ_FODTRACK), "0.8", {}, ""},
        {"CalazFodTrackEmptyIgnored", {"CALAZ_FODTRACK="}, Num(&S::CALAZ_FODTRACK), "0.711", {}, ""},
        {"CalazFodTrackSpaceStops", {"CALAZ_FODTRACK=0 8"}, Num(&S::CALAZ_FODTRACK), "0.711", {},
         "'0 8'" + FloatError},
        {"ZeroFodTrack", {"ZERO_FODTRACK=45"}, Num(&S::ZERO_FODTRACK), "45", {}, ""},
        {"ZeroFodTrackLettersStop", {"ZERO_FODTRACK=1O"}, Num(&S::ZERO_FODTRACK), "0", {}, "'1O'" + FloatError},

        {"AzimutParkingFraction", {"AZIMUT_PARKING=92.5"}, Num(&S::AZIMUT_PARKING), "92.5", {}, ""},
        {"AzimutParkingWhole", {"AZIMUT_PARKING=180"}, Num(&S::AZIMUT_PARKING), "180", {}, ""},
        {"AzimutParkingEmptyStops", {"AZIMUT_PARKING="}, Num(&S::AZIMUT_PARKING), "0", {}, "''" + FloatError},
        {"AzimutParkingNotNormalised", {"AZIMUT_PARKING=92,5"}, Num(&S::AZIMUT_PARKING), "0", {},
         "'92,5'" + FloatError},

        {"ParkingPourSat", {"PARKING=POURSAT"}, Int(&S::PARKING), "1", {}, ""},
        {"ParkingFodTrack", {"PARKING=FODTRACK"}, Int(&S::PARKING), "2", {}, ""},
        {"ParkingArsif", {"PARKING=ARSIF"}, Int(&S::PARKING), "3", {}, ""},
        {"ParkingGs232", {"PARKING=GS232"}, Int(&S::PARKING), "4", {}, ""},
        {"ParkingEasyComm", {"PARKING=EASYCOMM"}, Int(&S::PARKING), "5", {}, ""},
        {"ParkingUnknownKeepsPrevious", {"PARKING=ARSIF", "PARKING=NONE"}, Int(&S::PARKING), "3", {}, ""},
        {"ParkingEmptyKeepsPrevious", {"PARKING=GS232", "PARKING="}, Int(&S::PARKING), "4", {}, ""},

        {"WindowTop", {"WTOP=50"}, {}, "", {"Top 50"}, ""},
        {"WindowLeft", {"WLEFT=-8"}, {}, "", {"Left -8"}, ""},
        {"WindowWidth", {"WWIDTH=640"}, {}, "", {"Width 640"}, ""},
        {"WindowHeight", {"WHEIGHT=200"}, {}, "", {"Height 200"}, ""},
        {"WindowInOrder", {"WLEFT=1", "WTOP=2", "WWIDTH=3", "WHEIGHT=4"}, {}, "",
         {"Left 1", "Top 2", "Width 3", "Height 4"}, ""},
        {"WindowTopNotANumberStops", {"WTOP=abc"}, {}, "", {}, "'abc'" + IntegerError},
        {"WindowLeftEmptyStops", {"WLEFT="}, {}, "", {}, "''" + IntegerError},
        {"WindowWidthFractionStops", {"WWIDTH=400.5"}, {}, "", {}, "'400.5'" + IntegerError},
        {"WindowHeightSpaceStops", {"WHEIGHT= 127"}, {}, "", {}, "' 127'" + IntegerError},

        // A bad value costs only its own key: the lines after it are still read.
        {"LinesAfterABadValueAreRead", {"ANT=GS232", "WTOP=x", "ANT=ARSIF", "WLEFT=5"}, Int(&S::ANT), "2",
         {"Left 5"}, "'x'" + IntegerError},
        {"SettingsAfterABadValueAreRead", {"STEP_GS232=4", "AZIMUT_PARKING=", "STEP_EASYCOMM=3"},
         Int(&S::STEP_EASYCOMM), "3", {}, "''" + FloatError},
        {"BadValueKeepsItsKey", {"CALAZ_POURSAT=0.25", "CALAZ_POURSAT=x", "ZERO_POURSAT=3"},
         Num(&S::CALAZ_POURSAT), "0.25", {}, "'x'" + FloatError},
        {"FirstOfTwoBadValuesReported", {"WTOP=a", "WLEFT=b"}, {}, "", {}, "'a'" + IntegerError},
        {"UnknownKeyIgnored", {"ROTOR=GS232", "ANT=GS232"}, Int(&S::ANT), "3", {}, ""},
        {"LineStartingWithEqualsIgnored", {"=ANT=GS232"}, Int(&S::ANT), "-1", {}, ""},
        {"LineWithoutEqualsIgnored", {"ANT", "[GS-232]", ""}, Int(&S::ANT), "-1", {}, ""},
        {"KeyIsCaseSensitive", {"ant=GS232"}, Int(&S::ANT), "-1", {}, ""},
        {"ValueMayHoldEquals", {"BAUD_GS232=a=b"}, Text(&S::BAUD_GS232), "a=b", {}, ""},
    };
}

class ReaderRows : public ::testing::TestWithParam<TReaderRow> {
protected:
    void SetUp() override
    {
        StationSettings = {};
        SavedSeparator = DecimalSeparator;
        DecimalSeparator = '.';
    }
    void TearDown() override
    {
        StationSettings = {};
        DecimalSeparator = SavedSeparator;
    }
    char SavedSeparator = '.';
};

TEST_P(ReaderRows, Reads)
{
    const TReaderRow& row = GetParam();
    THookLog log;
    EXPECT_EQ(InterpretConfiguration(row.Lines, log.Hooks()), row.Error);
    if (row.Field) {
        EXPECT_EQ(row.Field(), row.Expected);
    }
    EXPECT_EQ(log.Calls, row.Calls);
}

TEST(ConfigFileReader, ReportsEveryBadValueAndReadsOn)
{
    StationSettings = {};
    std::vector<std::string> reported;
    TConfigReaderHooks hooks;
    hooks.ConversionError = [&reported](const std::string& message) { reported.push_back(message); };
    InterpretConfiguration({"WTOP=a", "STEP_GS232=4", "AZIMUT_PARKING=9x", "ANT=EASYCOMM"}, hooks);
    EXPECT_EQ(reported, (std::vector<std::string>{InvalidIntegerMessage("a"), InvalidFloatMessage("9x")}));
    EXPECT_EQ(StationSettings.STEP_GS232, 4);
    EXPECT_EQ(StationSettings.AZIMUT_PARKING, 0);
    EXPECT_EQ(StationSettings.ANT, 4);
    StationSettings = {};
}

INSTANTIATE_TEST_SUITE_P(ConfigFile, ReaderRows, ::testing::ValuesIn(AllReaderRows()),
                         [](const auto& info) { return std::string(info.param.Name); });

const char* const DefaultFileBytes =
    "[TOLVANE]\r\n"
    "LANGUAGE=ENGLISH\r\n"
    "ANT=\r\n"
    "[POURSAT]\r\n"
    "LPT_POURSAT=0\r\n"
    "STOP_POURSAT=N\r\n"
    "STEP_POURSAT=1\r\n"
    "CALAZ_POURSAT=0.5138901\r\n"
    "ZERO_POURSAT=0\r\n"
    "[FODTRACK]\r\n"
    "LPT_FODTRACK=0\r\n"
    "STOP_FODTRACK=N\r\n"
    "STEP_FODTRACK=1\r\n"
    "CALAZ_FODTRACK=0.711\r\n"
    "ZERO_FODTRACK=0\r\n"
    "[ARSIF]\r\n"
    "STOP_ARSIF=N\r\n"
    "STEP_ARSIF=1\r\n"
    "[GS-232]\r\n"
    "PORT_GS232=0\r\n"
    "BAUD_GS232=4800\r\n"
    "STOP_GS232=N\r\n"
    "STEP_GS232=1\r\n"
    "[EASYCOMM]\r\n"
    "PORT_EASYCOMM=0\r\n"
    "BAUD_EASYCOMM=4800\r\n"
    "STOP_EASYCOMM=N\r\n"
    "STEP_EASYCOMM=1\r\n"
    "AZIMUT_PARKING=0\r\n"
    "WLEFT=288\r\n"
    "WTOP=102\r\n"
    "WWIDTH=400\r\n"
    "WHEIGHT=127\r\n";

TEST_F(ConfigFileTest, DefaultsAreWrittenByteForByte)
{
    ASSERT_TRUE(WriteConfigurationFile(BuildConfigurationLines(false, DesignBounds)));
    EXPECT_EQ(ReadBytes(ConfigFileName), DefaultFileBytes);
    EXPECT_FALSE(Exists(ConfigTemporaryFileName));
    EXPECT_FALSE(AnyoneMayWrite(ConfigFileName));
}

TEST_F(ConfigFileTest, EveryChosenSettingIsWritten)
{
    StationSettings.ANT = riGS232;
    StationSettings.LPT_POURSAT = 1;
    StationSettings.LPT_FODTRACK = 6;
    StationSettings.STOP_POURSAT = 1;
    StationSettings.STOP_ARSIF = 1;
    StationSettings.STEP_FODTRACK = 9;
    StationSettings.CALAZ_POURSAT = 1.23456789L;
    StationSettings.ZERO_POURSAT = -12.5L;
    StationSettings.ZERO_FODTRACK = 0.00005L;
    StationSettings.PORT_GS232 = 3;
    StationSettings.BAUD_GS232 = "12345";
    StationSettings.PORT_EASYCOMM = 1;
    StationSettings.STOP_EASYCOMM = 1;
    StationSettings.AZIMUT_PARKING = 93.5L;
    StationSettings.PARKING = 5;
    const std::vector<std::string> lines = BuildConfigurationLines(true, {-4, 10, 640, 200});
    const std::vector<std::string> expected = {
        "[TOLVANE]", "LANGUAGE=FRENCH", "ANT=GS232",
        "[POURSAT]", "LPT_POURSAT=2", "STOP_POURSAT=S", "STEP_POURSAT=1", "CALAZ_POURSAT=1.234568", "ZERO_POURSAT=-12.5",
        "[FODTRACK]", "LPT_FODTRACK=7", "STOP_FODTRACK=N", "STEP_FODTRACK=9", "CALAZ_FODTRACK=0.711",
        "ZERO_FODTRACK=5E-005",
        "[ARSIF]", "STOP_ARSIF=S", "STEP_ARSIF=1",
        "[GS-232]", "PORT_GS232=4", "BAUD_GS232=12345", "STOP_GS232=N", "STEP_GS232=1",
        "[EASYCOMM]", "PORT_EASYCOMM=2", "BAUD_EASYCOMM=4800", "STOP_EASYCOMM=S", "STEP_EASYCOMM=1",
        "AZIMUT_PARKING=94", "PARKING=EASYCOMM", "WLEFT=-4", "WTOP=10", "WWIDTH=640", "WHEIGHT=200",
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(ConfigFileTest, InterfaceNamesAndParkingRoundingAreWritten)
{
    const char* const names[] = {"POURSAT", "FODTRACK", "ARSIF", "GS232", "EASYCOMM"};
    for (int index = 0; index < 5; ++index) {
        StationSettings.ANT = index;
        StationSettings.PARKING = index + 1;
        const std::vector<std::string> lines = BuildConfigurationLines(false, DesignBounds);
        EXPECT_EQ(lines[2], std::string("ANT=") + names[index]);
        EXPECT_EQ(lines[29], std::string("PARKING=") + names[index]);
    }
    StationSettings.AZIMUT_PARKING = 92.5L;
    EXPECT_EQ(BuildConfigurationLines(false, DesignBounds)[28], "AZIMUT_PARKING=92");
}

TEST_F(ConfigFileTest, FrenchSaveReadsBackInEnglish)
{
    StationSettings.CALAZ_POURSAT = 0.5138901L;
    StationSettings.ZERO_FODTRACK = -7.25L;
    DecimalSeparator = ',';
    const std::vector<std::string> lines = BuildConfigurationLines(true, DesignBounds);
    EXPECT_EQ(lines[7], "CALAZ_POURSAT=0,5138901");
    EXPECT_EQ(lines[14], "ZERO_FODTRACK=-7,25");

    StationSettings = {};
    StationSettings.CALAZ_POURSAT = 0;
    DecimalSeparator = '.';
    EXPECT_EQ(InterpretConfiguration(lines, {}), "");
    EXPECT_EQ(StationSettings.CALAZ_POURSAT, 0.5138901L);
    EXPECT_EQ(StationSettings.ZERO_FODTRACK, -7.25L);
}

// Every field, so a round trip shows any setting that does not come back.
std::vector<std::string> FieldTexts()
{
    const TStationSettings& s = StationSettings;
    return {std::to_string(s.ANT), std::to_string(s.LPT_POURSAT), std::to_string(s.LPT_FODTRACK),
            std::to_string(s.PORT_GS232), std::to_string(s.PORT_EASYCOMM), s.BAUD_GS232, s.BAUD_EASYCOMM,
            std::to_string(s.STOP_POURSAT), std::to_string(s.STOP_FODTRACK), std::to_string(s.STOP_ARSIF),
            std::to_string(s.STOP_GS232), std::to_string(s.STOP_EASYCOMM), std::to_string(s.STEP_POURSAT),
            std::to_string(s.STEP_FODTRACK), std::to_string(s.STEP_ARSIF), std::to_string(s.STEP_GS232),
            std::to_string(s.STEP_EASYCOMM), FormatGeneral(s.CALAZ_POURSAT, 18), FormatGeneral(s.ZERO_POURSAT, 18),
            FormatGeneral(s.CALAZ_FODTRACK, 18), FormatGeneral(s.ZERO_FODTRACK, 18),
            FormatGeneral(s.AZIMUT_PARKING, 18), std::to_string(s.PARKING)};
}

TEST_F(ConfigFileTest, DefaultFileRoundTrip)
{
    const std::vector<std::string> defaults = FieldTexts();
    ASSERT_TRUE(WriteConfigurationFile(BuildConfigurationLines(false, DesignBounds)));
    StationSettings = {};
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(LoadConfigurationLines(ConfigFileName, lines, error)) << error;
    THookLog log;
    EXPECT_EQ(InterpretConfiguration(lines, log.Hooks()), "");
    EXPECT_EQ(FieldTexts(), defaults);
    // The baud texts in the file bring the indices into step with them.
    EXPECT_EQ(StationSettings.GS232BaudIndex, 5);
    EXPECT_EQ(StationSettings.EasyCommBaudIndex, 5);
    const std::vector<std::string> calls = {"English", "GsSpeed 5", "EasySpeed 5", "Left 288", "Top 102",
                                            "Width 400", "Height 127"};
    EXPECT_EQ(log.Calls, calls);
}

TEST_F(ConfigFileTest, ChosenSettingsRoundTrip)
{
    StationSettings.ANT = riEasyComm;
    StationSettings.LPT_POURSAT = 2;
    StationSettings.PORT_EASYCOMM = 2;
    StationSettings.BAUD_EASYCOMM = "9600";
    StationSettings.STOP_GS232 = 1;
    StationSettings.STEP_ARSIF = 0;
    StationSettings.CALAZ_FODTRACK = 0.75L;
    StationSettings.AZIMUT_PARKING = 90;
    StationSettings.PARKING = 5;
    const std::vector<std::string> expected = FieldTexts();
    const std::vector<std::string> lines = BuildConfigurationLines(true, DesignBounds);
    StationSettings = {};
    THookLog log;
    EXPECT_EQ(InterpretConfiguration(lines, log.Hooks()), "");
    EXPECT_EQ(FieldTexts(), expected);
    EXPECT_EQ(log.Calls.front(), "French");
}

TEST_F(ConfigFileTest, EmptyHooksAreSkipped)
{
    const std::vector<std::string> lines = {"LANGUAGE=FRENCH", "PORT_GS232=2", "BAUD_GS232=9600", "WTOP=5"};
    EXPECT_EQ(InterpretConfiguration(lines, TConfigReaderHooks{}), "");
    EXPECT_EQ(StationSettings.PORT_GS232, 1);
    EXPECT_EQ(StationSettings.GS232BaudIndex, 6);
}

TEST_F(ConfigFileTest, LoadAcceptsEveryLineEnd)
{
    WriteBytes("mixed.ini", "A=1\r\nB=2\rC=3\nD=4\r\n\r\nE=5");
    std::vector<std::string> lines;
    std::string error;
    ASSERT_TRUE(LoadConfigurationLines("mixed.ini", lines, error));
    const std::vector<std::string> expected = {"A=1", "B=2", "C=3", "D=4", "", "E=5"};
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(error, "");
}

TEST_F(ConfigFileTest, LoadReportsAFileThatCannotBeRead)
{
    std::vector<std::string> lines = {"stale"};
    std::string error;
    EXPECT_FALSE(LoadConfigurationLines("missing.ini", lines, error));
    EXPECT_NE(error.find("missing.ini"), std::string::npos) << error;
    EXPECT_TRUE(lines.empty());

    ASSERT_TRUE(std::filesystem::create_directory("folder.ini"));
    error.clear();
    EXPECT_FALSE(LoadConfigurationLines("folder.ini", lines, error));
    EXPECT_NE(error.find("folder.ini"), std::string::npos) << error;
}

struct TNormalizeRow {
    const char* Name;
    char Separator;
    const char* Text;
    const char* Expected;
};

void PrintTo(const TNormalizeRow& row, std::ostream* out)
{
    *out << row.Name;
}

const TNormalizeRow NormalizeRows[] = {
    {"CommaToPoint", '.', "0,5", "0.5"},
    {"PointStays", '.', "0.5", "0.5"},
    {"PointToComma", ',', "0.5", "0,5"},
    {"CommaStays", ',', "0,5", "0,5"},
    {"NoSeparator", '.', "12", "12"},
    {"Empty", '.', "", ""},
    {"OnlyTheFirstComma", '.', "1,2,3", "1.2,3"},
    {"BothKeptAndOneAppended", '.', "1,2.3", "1,2.3."},
    {"BothReplaceALaterCharacter", ',', "1.2,3x9", "1.2,3,9"},
};

class NormalizeRowsTest : public ::testing::TestWithParam<TNormalizeRow> {
protected:
    void SetUp() override { Saved = DecimalSeparator; }
    void TearDown() override { DecimalSeparator = Saved; }
    char Saved = '.';
};

TEST_P(NormalizeRowsTest, Normalizes)
{
    DecimalSeparator = GetParam().Separator;
    EXPECT_EQ(NormalizeDecimalSeparator(GetParam().Text), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(ConfigFile, NormalizeRowsTest, ::testing::ValuesIn(NormalizeRows),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(ConfigFileTest, CalibrationInEitherFormReadsTheSameInEitherLocale)
{
    for (const char separator : {'.', ','}) {
        DecimalSeparator = separator;
        for (const char* line : {"CALAZ_POURSAT=0,5", "CALAZ_POURSAT=0.5"}) {
            StationSettings = {};
            EXPECT_EQ(InterpretConfiguration({line}, {}), "") << line << " in " << separator;
            EXPECT_EQ(StationSettings.CALAZ_POURSAT, 0.5L) << line << " in " << separator;
        }
    }
}

TEST_F(ConfigFileTest, SaveReplacesAReadOnlyFile)
{
    WriteBytes(ConfigFileName, "old\r\n");
    ASSERT_TRUE(ApplyFileAttributes(ConfigFileName, TFileAttributes::ReadOnlyArchive));
    ASSERT_TRUE(WriteConfigurationFile({"NEW=1"}));
    EXPECT_EQ(ReadBytes(ConfigFileName), "NEW=1\r\n");
    EXPECT_FALSE(AnyoneMayWrite(ConfigFileName));
    // The next save still replaces it.
    ASSERT_TRUE(WriteConfigurationFile({"NEWER=2"}));
    EXPECT_EQ(ReadBytes(ConfigFileName), "NEWER=2\r\n");
}

// A file that appeared while the program ran (none at start) is replaced, not kept over the new settings.
TEST_F(ConfigFileTest, SaveReplacesAFileThatAppearedDuringTheRun)
{
    ConfigFileFound = false;
    WriteBytes(ConfigFileName, "ANT=ARSIF\r\n");
    ASSERT_TRUE(ApplyFileAttributes(ConfigFileName, TFileAttributes::ReadOnlyArchive));
    ASSERT_TRUE(WriteConfigurationFile({"ANT=GS232"}));
    EXPECT_EQ(ReadBytes(ConfigFileName), "ANT=GS232\r\n");
    EXPECT_FALSE(Exists(ConfigTemporaryFileName));
}

TEST_F(ConfigFileTest, LeftoverReadOnlyTemporaryIsDeletedFirst)
{
    WriteBytes(ConfigTemporaryFileName, "leftover from a crash, longer than the new file\r\n");
    ASSERT_TRUE(ApplyFileAttributes(ConfigTemporaryFileName, TFileAttributes::ReadOnlyArchive));
    ASSERT_TRUE(WriteConfigurationFile({"A=1"}));
    EXPECT_EQ(ReadBytes(ConfigFileName), "A=1\r\n");
    EXPECT_FALSE(Exists(ConfigTemporaryFileName));
}

// When the new file cannot take the name, the caller hears of it and the settings survive in the temporary.
TEST_F(ConfigFileTest, FailedRenameIsReportedAndKeepsTheNewSettings)
{
    ASSERT_TRUE(std::filesystem::create_directory(ConfigFileName));
    EXPECT_FALSE(WriteConfigurationFile({"ANT=GS232"}));
    EXPECT_EQ(ReadBytes(ConfigTemporaryFileName), "ANT=GS232\r\n");
    std::filesystem::remove(ConfigFileName);
}

}  // namespace
