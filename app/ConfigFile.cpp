// Reader and writer of Tolvane.ini: KEY=value lines, section headers for the human reader only.
#include "app/ConfigFile.h"

#include <array>
#include <limits>
#include <utility>

#include "core/NumberFormat.h"
#include "platform/FileSystem.h"
#include "platform/SaveLock.h"

namespace {

int InterfaceIndexOf(const std::string& name)
{
    for (std::size_t i = 0; i < InterfaceFileNames.size(); ++i) {
        if (name == InterfaceFileNames[i]) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

template <typename Function, typename... Arguments>
void CallHook(const Function& hook, Arguments... arguments)
{
    if (hook) {
        hook(arguments...);
    }
}

// A 1-based number from the file as a 0-based index; a value whose n - 1 does not fit an int
// counts as not an integer rather than wrapping round.
int ZeroBasedIndexOf(const std::string& value)
{
    int number = 0;
    if (!TryStrToInt(value, number) || number == std::numeric_limits<int>::min()) {
        return -1;
    }
    return number - 1;
}

void ReadBaud(const std::string& value, std::string& baudText, int& baudIndex,
              const std::function<void(int)>& setSpeed)
{
    if (value.empty()) {
        return;
    }
    baudText = value;
    for (int index = 0; index < BaudRateCount; ++index) {
        if (value == BaudRateText[static_cast<std::size_t>(index)]) {
            CallHook(setSpeed, index);
            baudIndex = index;
            return;
        }
    }
}

// Calibration and zero values: either separator is accepted, an empty value keeps the default.
bool ReadNumber(const std::string& value, long double& field, std::string& error)
{
    if (value.empty()) {
        return true;
    }
    const std::string normalized = NormalizeDecimalSeparator(value);
    long double number = 0;
    if (!TryStrToFloat(normalized, number)) {
        error = InvalidFloatMessage(normalized);
        return false;
    }
    field = number;
    return true;
}

bool ReadWindowEdge(const std::string& value, const std::function<void(int)>& setEdge, std::string& error)
{
    int edge = 0;
    if (!TryStrToInt(value, edge)) {
        error = InvalidIntegerMessage(value);
        return false;
    }
    CallHook(setEdge, edge);
    return true;
}

// One key row of the reader: applies the value; false, with the message, when it does not convert.
using TKeyReader = std::function<bool(const std::string& value, std::string& error)>;

std::vector<std::pair<std::string, TKeyReader>> KeyReaders(const TConfigReaderHooks& hooks)
{
    TStationSettings& s = StationSettings;
    const auto stopReader = [](int& field) {
        return [&field](const std::string& value, std::string&) {
            field = (value == "N") ? 0 : 1;
            return true;
        };
    };
    const auto stepReader = [](int& field) {
        return [&field](const std::string& value, std::string&) {
            int step = 0;
            field = TryStrToInt(value, step) ? step : 1;
            return true;
        };
    };
    const auto lptReader = [](int& field) {
        return [&field](const std::string& value, std::string&) {
            field = ZeroBasedIndexOf(value);
            return true;
        };
    };
    const auto portReader = [](int& field, const std::function<void(int)>& setPort) {
        return [&field, &setPort](const std::string& value, std::string&) {
            field = ZeroBasedIndexOf(value);
            if (field != -1) {
                CallHook(setPort, field);
            }
            return true;
        };
    };
    const auto numberReader = [](long double& field) {
        return [&field](const std::string& value, std::string& error) { return ReadNumber(value, field, error); };
    };
    const auto edgeReader = [](const std::function<void(int)>& setEdge) {
        return [&setEdge](const std::string& value, std::string& error) {
            return ReadWindowEdge(value, setEdge, error);
        };
    };

    return {
        {"LANGUAGE=",
         [&hooks](const std::string& value, std::string&) {
             if (value == "ENGLISH") {
                 CallHook(hooks.MenuEnglishClick);
             } else if (value == "FRENCH") {
                 CallHook(hooks.MenuFrancaisClick);
             }
             return true;
         }},
        {"ANT=",
         [&s](const std::string& value, std::string&) {
             s.ANT = InterfaceIndexOf(value);  // riNone for anything unknown
             return true;
         }},
        {"LPT_POURSAT=", lptReader(s.LPT_POURSAT)},
        {"LPT_FODTRACK=", lptReader(s.LPT_FODTRACK)},
        {"PORT_GS232=", portReader(s.PORT_GS232, hooks.SetGsComPort)},
        {"PORT_EASYCOMM=", portReader(s.PORT_EASYCOMM, hooks.SetEasyComPort)},
        {"BAUD_GS232=",
         [&s, &hooks](const std::string& value, std::string&) {
             ReadBaud(value, s.BAUD_GS232, s.GS232BaudIndex, hooks.SetGsComPortSpeed);
             return true;
         }},
        {"BAUD_EASYCOMM=",
         [&s, &hooks](const std::string& value, std::string&) {
             ReadBaud(value, s.BAUD_EASYCOMM, s.EasyCommBaudIndex, hooks.SetEasyComPortSpeed);
             return true;
         }},
        {"STOP_POURSAT=", stopReader(s.STOP_POURSAT)},
        {"STOP_FODTRACK=", stopReader(s.STOP_FODTRACK)},
        {"STOP_ARSIF=", stopReader(s.STOP_ARSIF)},
        {"STOP_GS232=", stopReader(s.STOP_GS232)},
        {"STOP_EASYCOMM=", stopReader(s.STOP_EASYCOMM)},
        {"STEP_POURSAT=", stepReader(s.STEP_POURSAT)},
        {"STEP_FODTRACK=", stepReader(s.STEP_FODTRACK)},
        {"STEP_ARSIF=", stepReader(s.STEP_ARSIF)},
        {"STEP_GS232=", stepReader(s.STEP_GS232)},
        {"STEP_EASYCOMM=", stepReader(s.STEP_EASYCOMM)},
        {"CALAZ_POURSAT=", numberReader(s.CALAZ_POURSAT)},
        {"ZERO_POURSAT=", numberReader(s.ZERO_POURSAT)},
        {"CALAZ_FODTRACK=", numberReader(s.CALAZ_FODTRACK)},
        {"ZERO_FODTRACK=", numberReader(s.ZERO_FODTRACK)},
        {"AZIMUT_PARKING=",
         // Written as a whole number, so no other locale's separator is expected here.
         [&s](const std::string& value, std::string& error) {
             long double azimuth = 0;
             if (!TryStrToFloat(value, azimuth)) {
                 error = InvalidFloatMessage(value);
                 return false;
             }
             s.AZIMUT_PARKING = azimuth;
             return true;
         }},
        {"PARKING=",
         [&s](const std::string& value, std::string&) {
             const int index = InterfaceIndexOf(value);
             if (index != -1) {
                 s.PARKING = index + 1;
             }
             return true;
         }},
        {"WTOP=", edgeReader(hooks.SetWindowTop)},
        {"WLEFT=", edgeReader(hooks.SetWindowLeft)},
        {"WWIDTH=", edgeReader(hooks.SetWindowWidth)},
        {"WHEIGHT=", edgeReader(hooks.SetWindowHeight)},
    };
}

std::string FileErrorMessage(const std::string& fileName, const std::string& reason)
{
    return "Impossible d'ouvrir le fichier \"" + fileName + "\". " + reason;
}

}  // namespace

std::string InterpretConfiguration(const std::vector<std::string>& lines, const TConfigReaderHooks& hooks)
{
    const auto readers = KeyReaders(hooks);
    std::string firstError;
    for (const std::string& line : lines) {
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos || equals == 0) {
            continue;
        }
        // The key keeps its "=", and neither side is trimmed: "ANT =" and "ANT= X" do not match.
        const std::string key = line.substr(0, equals + 1);
        const std::string value = line.substr(equals + 1);
        for (const auto& [rowKey, read] : readers) {
            if (key == rowKey) {
                std::string error;
                if (!read(value, error)) {
                    if (firstError.empty()) {
                        firstError = error;
                    }
                    if (hooks.ConversionError) {
                        hooks.ConversionError(error);
                    }
                }
                break;
            }
        }
    }
    return firstError;
}

bool LoadConfigurationLines(const std::string& fileName, std::vector<std::string>& lines,
                            std::string& errorMessage)
{
    lines.clear();
    std::string content;
    const TFileResult read = ReadWholeFile(fileName, content);
    if (!read) {
        errorMessage = FileErrorMessage(fileName, read.Reason);
        return false;
    }

    std::string line;
    for (std::size_t i = 0; i < content.size(); ++i) {
        const char c = content[i];
        if (c == '\r' || c == '\n') {
            lines.push_back(line);
            line.clear();
            if (c == '\r' && i + 1 < content.size() && content[i + 1] == '\n') {
                ++i;
            }
        } else {
            line += c;
        }
    }
    if (!line.empty()) {
        lines.push_back(line);
    }
    errorMessage.clear();
    return true;
}

std::string NormalizeDecimalSeparator(const std::string& text)
{
    const std::size_t comma = text.find(',');
    const std::size_t point = text.find('.');
    // Sum of the two 1-based positions: with both separators present it points past them both,
    // so such a text keeps both and never converts.
    const std::size_t position = (comma == std::string::npos ? 0 : comma + 1) +
                                 (point == std::string::npos ? 0 : point + 1);
    if (position == 0) {
        return text;
    }
    std::string result = text;
    if (position <= result.size()) {
        result.erase(position - 1, 1);
    }
    result.insert(std::min(position - 1, result.size()), 1, DecimalSeparator);
    return result;
}

std::vector<std::string> BuildConfigurationLines(bool french, const TWindowBounds& bounds)
{
    const TStationSettings& s = StationSettings;
    const auto interfaceName = [](int index) -> std::string {
        return (index >= 0 && index < static_cast<int>(InterfaceFileNames.size()))
                   ? InterfaceFileNames[static_cast<std::size_t>(index)]
                   : "";
    };
    const auto oneBased = [](int index) { return std::to_string(static_cast<long long>(index) + 1); };
    const auto stop = [](int endStop) { return endStop == 0 ? "N" : "S"; };
    const auto number = [](long double value) { return FormatGeneral(value, 7); };

    std::vector<std::string> lines = {
        "[TOLVANE]",
        french ? "LANGUAGE=FRENCH" : "LANGUAGE=ENGLISH",
        "ANT=" + interfaceName(s.ANT),
        "[POURSAT]",
        "LPT_POURSAT=" + oneBased(s.LPT_POURSAT),
        std::string("STOP_POURSAT=") + stop(s.STOP_POURSAT),
        "STEP_POURSAT=" + std::to_string(s.STEP_POURSAT),
        "CALAZ_POURSAT=" + number(s.CALAZ_POURSAT),
        "ZERO_POURSAT=" + number(s.ZERO_POURSAT),
        "[FODTRACK]",
        "LPT_FODTRACK=" + oneBased(s.LPT_FODTRACK),
        std::string("STOP_FODTRACK=") + stop(s.STOP_FODTRACK),
        "STEP_FODTRACK=" + std::to_string(s.STEP_FODTRACK),
        "CALAZ_FODTRACK=" + number(s.CALAZ_FODTRACK),
        "ZERO_FODTRACK=" + number(s.ZERO_FODTRACK),
        "[ARSIF]",
        std::string("STOP_ARSIF=") + stop(s.STOP_ARSIF),
        "STEP_ARSIF=" + std::to_string(s.STEP_ARSIF),
        "[GS-232]",
        "PORT_GS232=" + oneBased(s.PORT_GS232),
        "BAUD_GS232=" + s.BAUD_GS232,
        std::string("STOP_GS232=") + stop(s.STOP_GS232),
        "STEP_GS232=" + std::to_string(s.STEP_GS232),
        "[EASYCOMM]",
        "PORT_EASYCOMM=" + oneBased(s.PORT_EASYCOMM),
        "BAUD_EASYCOMM=" + s.BAUD_EASYCOMM,
        std::string("STOP_EASYCOMM=") + stop(s.STOP_EASYCOMM),
        "STEP_EASYCOMM=" + std::to_string(s.STEP_EASYCOMM),
        "AZIMUT_PARKING=" + std::to_string(RoundToInteger(s.AZIMUT_PARKING)),
    };
    if (s.PARKING >= 1 && s.PARKING <= static_cast<int>(InterfaceFileNames.size())) {
        lines.push_back("PARKING=" + interfaceName(s.PARKING - 1));
    }
    lines.push_back("WLEFT=" + std::to_string(bounds.Left));
    lines.push_back("WTOP=" + std::to_string(bounds.Top));
    lines.push_back("WWIDTH=" + std::to_string(bounds.Width));
    lines.push_back("WHEIGHT=" + std::to_string(bounds.Height));
    return lines;
}

namespace {

// The save's folder: the working folder, where Tolvane.ini is read at start.
const char* const SaveFolder = ".";

// Read-only before it becomes Tolvane.ini, so the finished file is never seen writable; a leftover
// of a crashed save goes first. The new file reaches the disk before it takes the name, so a crash
// leaves the old or the new one.
bool WriteTemporary(const std::vector<std::string>& lines)
{
    std::string bytes;
    for (const std::string& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    return RemoveFile(ConfigTemporaryFileName) &&
           WriteNewFile(ConfigTemporaryFileName, bytes, TFileAttributes::ReadOnlyArchive);
}

}  // namespace

// Two copies of the program saving into one folder at once would share the one temporary name: one
// could delete the other's half-written file, or rename it into place. The lock makes them take turns.
bool WriteConfigurationTemporaryFile(const std::vector<std::string>& lines)
{
    const TSaveLock lock(SaveFolder);
    return WriteTemporary(lines);
}

bool WriteConfigurationFile(const std::vector<std::string>& lines)
{
    const TSaveLock lock(SaveFolder);
    // The new file replaces an existing Tolvane.ini in one step, read-only or not, found at start or
    // created since; when it cannot take the name the new settings stay in Tolvane.~in and the caller says so.
    return WriteTemporary(lines) && RenameReplacing(ConfigTemporaryFileName, ConfigFileName);
}
