// Fuzz target: Tolvane.ini bytes through the reader, the writer and the reader again.
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "app/ConfigFile.h"
#include "core/NumberFormat.h"
#include "core/StationSettings.h"

namespace {

// What the reader hands outside StationSettings, as the main window would keep it.
struct TOutside {
    bool French = false;
    TWindowBounds Bounds{288, 102, 400, 127};
    int GsPort = -1, EasyPort = -1;
};

TConfigReaderHooks HooksFor(TOutside& outside)
{
    TConfigReaderHooks hooks;
    hooks.MenuEnglishClick = [&outside] { outside.French = false; };
    hooks.MenuFrancaisClick = [&outside] { outside.French = true; };
    hooks.SetGsComPort = [&outside](int port) { outside.GsPort = port; };
    hooks.SetEasyComPort = [&outside](int port) { outside.EasyPort = port; };
    hooks.SetWindowTop = [&outside](int v) { outside.Bounds.Top = v; };
    hooks.SetWindowLeft = [&outside](int v) { outside.Bounds.Left = v; };
    hooks.SetWindowWidth = [&outside](int v) { outside.Bounds.Width = v; };
    hooks.SetWindowHeight = [&outside](int v) { outside.Bounds.Height = v; };
    return hooks;
}

[[noreturn]] void Fail(const char* what, const std::string& first, const std::string& second)
{
    std::fprintf(stderr, "round trip changed %s: '%s' became '%s' (separator '%c')\n", what, first.c_str(),
                 second.c_str(), DecimalSeparator);
    std::abort();
}

void Same(const char* what, long long first, long long second)
{
    if (first != second)
        Fail(what, std::to_string(first), std::to_string(second));
}

// The file carries 7 significant digits.
void SameNumber(const char* what, long double first, long double second)
{
    const std::string a = FormatGeneral(first, 7), b = FormatGeneral(second, 7);
    if (a != b)
        Fail(what, a, b);
}

int BaudIndexOf(const std::string& text)
{
    for (int index = 0; index < BaudRateCount; ++index)
        if (text == BaudRateText[static_cast<std::size_t>(index)])
            return index;
    return -1;
}

// The lines as LoadConfigurationLines splits them, read from a real file.
std::vector<std::string> LinesOf(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/tolvane-fuzz-config-" + std::to_string(getpid()) + ".ini";
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file)
        std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size)
        std::abort();
    std::fclose(file);
    std::vector<std::string> lines;
    std::string error;
    if (!LoadConfigurationLines(path, lines, error))
        std::abort();
    return lines;
}

void RoundTrip(const std::vector<std::string>& lines)
{
    StationSettings = {};
    TOutside firstOutside;
    if (!InterpretConfiguration(lines, HooksFor(firstOutside)).empty())
        return;  // a value that does not convert stops the reading: only no crash is asked
    const TStationSettings first = StationSettings;

    const std::vector<std::string> saved = BuildConfigurationLines(firstOutside.French, firstOutside.Bounds);
    StationSettings = {};
    TOutside secondOutside;
    const std::string error = InterpretConfiguration(saved, HooksFor(secondOutside));
    if (!error.empty())
        Fail("into an unreadable file", "", error);
    const TStationSettings& second = StationSettings;

    Same("LANGUAGE", firstOutside.French, secondOutside.French);
    Same("ANT", first.ANT, second.ANT);
    Same("LPT_POURSAT", first.LPT_POURSAT, second.LPT_POURSAT);
    Same("LPT_FODTRACK", first.LPT_FODTRACK, second.LPT_FODTRACK);
    Same("PORT_GS232", first.PORT_GS232, second.PORT_GS232);
    Same("PORT_EASYCOMM", first.PORT_EASYCOMM, second.PORT_EASYCOMM);
    Same("GS-232 port hook", first.PORT_GS232 == -1 ? -1 : firstOutside.GsPort, secondOutside.GsPort);
    Same("EasyComm port hook", first.PORT_EASYCOMM == -1 ? -1 : firstOutside.EasyPort, secondOutside.EasyPort);
    if (first.BAUD_GS232 != second.BAUD_GS232)
        Fail("BAUD_GS232", first.BAUD_GS232, second.BAUD_GS232);
    if (first.BAUD_EASYCOMM != second.BAUD_EASYCOMM)
        Fail("BAUD_EASYCOMM", first.BAUD_EASYCOMM, second.BAUD_EASYCOMM);
    // Where text and index agreed (not the defaults "4800" and 0), they still agree.
    if (BaudIndexOf(first.BAUD_GS232) == first.GS232BaudIndex)
        Same("GS232BaudIndex", first.GS232BaudIndex, second.GS232BaudIndex);
    if (BaudIndexOf(first.BAUD_EASYCOMM) == first.EasyCommBaudIndex)
        Same("EasyCommBaudIndex", first.EasyCommBaudIndex, second.EasyCommBaudIndex);
    Same("STOP_POURSAT", first.STOP_POURSAT, second.STOP_POURSAT);
    Same("STOP_FODTRACK", first.STOP_FODTRACK, second.STOP_FODTRACK);
    Same("STOP_ARSIF", first.STOP_ARSIF, second.STOP_ARSIF);
    Same("STOP_GS232", first.STOP_GS232, second.STOP_GS232);
    Same("STOP_EASYCOMM", first.STOP_EASYCOMM, second.STOP_EASYCOMM);
    Same("STEP_POURSAT", first.STEP_POURSAT, second.STEP_POURSAT);
    Same("STEP_FODTRACK", first.STEP_FODTRACK, second.STEP_FODTRACK);
    Same("STEP_ARSIF", first.STEP_ARSIF, second.STEP_ARSIF);
    Same("STEP_GS232", first.STEP_GS232, second.STEP_GS232);
    Same("STEP_EASYCOMM", first.STEP_EASYCOMM, second.STEP_EASYCOMM);
    SameNumber("CALAZ_POURSAT", first.CALAZ_POURSAT, second.CALAZ_POURSAT);
    SameNumber("ZERO_POURSAT", first.ZERO_POURSAT, second.ZERO_POURSAT);
    SameNumber("CALAZ_FODTRACK", first.CALAZ_FODTRACK, second.CALAZ_FODTRACK);
    SameNumber("ZERO_FODTRACK", first.ZERO_FODTRACK, second.ZERO_FODTRACK);
    // The parking azimuth is saved as a whole number.
    Same("AZIMUT_PARKING", RoundToInteger(first.AZIMUT_PARKING), RoundToInteger(second.AZIMUT_PARKING));
    Same("PARKING", first.PARKING, second.PARKING);
    Same("WLEFT", firstOutside.Bounds.Left, secondOutside.Bounds.Left);
    Same("WTOP", firstOutside.Bounds.Top, secondOutside.Bounds.Top);
    Same("WWIDTH", firstOutside.Bounds.Width, secondOutside.Bounds.Width);
    Same("WHEIGHT", firstOutside.Bounds.Height, secondOutside.Bounds.Height);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> lines = LinesOf(data, size);
    for (const char separator : {'.', ','}) {
        DecimalSeparator = separator;
        RoundTrip(lines);
    }
    return 0;
}
