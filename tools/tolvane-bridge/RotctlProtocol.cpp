// rotctld's commands and answers, checked against `rotctld -m 1` (Hamlib 4.5).
#include "RotctlProtocol.h"

#include <charconv>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <optional>
#include <vector>

namespace {

enum class TCommand { SetPos, GetPos, Stop, Park, GetInfo, DumpState, Quit };

struct TCommandName {
    const char* Short;  // nullptr when the command has only a long name
    const char* Long;
    TCommand Command;
    int Arguments;
};

constexpr TCommandName Commands[] = {
    {"P", "set_pos", TCommand::SetPos, 2},   {"p", "get_pos", TCommand::GetPos, 0},
    {"S", "stop", TCommand::Stop, 0},        {"K", "park", TCommand::Park, 0},
    {"_", "get_info", TCommand::GetInfo, 0}, {nullptr, "dump_state", TCommand::DumpState, 0},
    {"q", nullptr, TCommand::Quit, 0},       {"Q", nullptr, TCommand::Quit, 0},
};

const char* const Info = "Tolvane bridge, ";
const char* const ReadSource = "position read from the rotator";
const char* const CommandedSource = "commanded position";

std::vector<std::string_view> Words(std::string_view line)
{
    std::vector<std::string_view> words;
    std::size_t at = 0;
    while (at < line.size()) {
        const std::size_t start = line.find_first_not_of(" \t\r\v\f", at);
        if (start == std::string_view::npos)
            break;
        std::size_t end = line.find_first_of(" \t\r\v\f", start);
        if (end == std::string_view::npos)
            end = line.size();
        words.push_back(line.substr(start, end - start));
        at = end;
    }
    return words;
}

const TCommandName* Find(std::string_view word)
{
    const bool isLong = !word.empty() && word.front() == '\\';
    if (isLong)
        word.remove_prefix(1);
    for (const TCommandName& name : Commands) {
        const char* const candidate = isLong ? name.Long : name.Short;
        if (candidate != nullptr && word == candidate)
            return &name;
    }
    return nullptr;
}

// A plain decimal number, with a point or a comma; NaN, infinities and anything else refused.
std::optional<double> Number(std::string_view word)
{
    std::string text(word);
    for (char& c : text)
        if (c == ',')
            c = '.';
    const char* first = text.data();
    if (!text.empty() && text.front() == '+')
        ++first;
    double value = 0;
    const auto [end, error] = std::from_chars(first, text.data() + text.size(), value, std::chars_format::general);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) ||
        value < TRotctlProtocol::LowestAccepted || value > TRotctlProtocol::HighestAccepted)
        return std::nullopt;
    return value;
}

std::string Fixed(double value, int decimals)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    // snprintf follows LC_NUMERIC, which Qt sets from the user's locale; the protocol wants a point.
    for (char* c = text; *c; ++c)
        if (*c == ',')
            *c = '.';
    return text;
}

}  // namespace

double NormalizedAzimuth(double azimuth)
{
    double normalized = std::fmod(azimuth, 360.0);
    if (normalized < 0)
        normalized += 360.0;
    if (normalized >= 360.0 || normalized == 0)  // -1e-20 + 360 rounds to 360; -0 becomes 0
        normalized = 0;
    return normalized;
}

std::string FeedText(double azimuth, char decimalSeparator)
{
    // Three decimals drop the float noise of Hamlib's client (123.4 arrives as 123.400002); rounding
    // here rather than in printf turns 359.9999 into 0, never the refused 360.
    double rounded = std::round(azimuth * 1e3) / 1e3;
    if (rounded >= 360.0)
        rounded = 0;
    std::string text = Fixed(rounded, 3);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    const std::size_t point = text.find('.');
    if (point != std::string::npos)
        text[point] = decimalSeparator;
    return text + "\r\n";
}

TRotctlProtocol::TPosition TRotctlProtocol::Position() const
{
    const std::optional<TReadBack> readBack = ReadBack ? ReadBack() : std::nullopt;
    if (!readBack)
        return {false, std::nullopt};
    std::optional<double> fresh;
    if (readBack->Heading && readBack->Known.value_or(true)) {
        using namespace std::chrono;
        const std::uint64_t now =
            Now ? Now() : static_cast<std::uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
        const std::uint64_t updated = readBack->Heading->UpdatedMs;
        // A reading from the future is as doubtful as an old one.
        if (updated <= now && now - updated <= MaxHeadingAgeMs)
            fresh = readBack->Heading->Azimuth;
    }
    // An older Tolvane publishes only while it knows a heading: an old reading there means it stopped.
    if (!readBack->Known)
        return {fresh.has_value(), fresh};
    return {true, fresh};
}

TRotctlProtocol::TAnswer TRotctlProtocol::RunLine(std::string_view line)
{
    TAnswer answer;
    const std::vector<std::string_view> words = Words(line);
    for (std::size_t next = 0; next < words.size() && !answer.Close;) {
        std::string_view word = words[next++];
        // An extended-protocol prefix names the separator of the answer's records.
        char separator = 0;
        if (word.size() > 1 && std::string_view("+;|,").find(word.front()) != std::string_view::npos) {
            separator = word.front() == '+' ? '\n' : word.front();
            word.remove_prefix(1);
        }
        const TCommandName* name = Find(word);
        if (name == nullptr) {
            // The rest of the line cannot be read without knowing this command's arguments.
            answer.Text += "RPRT " + std::to_string(InvalidParameter) + "\n";
            break;
        }
        std::vector<std::string_view> arguments;
        while (static_cast<int>(arguments.size()) < name->Arguments && next < words.size())
            arguments.push_back(words[next++]);

        std::vector<std::string> records;  // the values, each as "Key: value" in the extended protocol
        int result = 0;
        switch (name->Command) {
        case TCommand::SetPos: {
            const std::optional<double> azimuth = arguments.size() == 2 ? Number(arguments[0]) : std::nullopt;
            const std::optional<double> elevation = arguments.size() == 2 ? Number(arguments[1]) : std::nullopt;
            if (!azimuth || !elevation) {
                result = InvalidParameter;
                break;
            }
            CommandedAzimuth = *azimuth;
            CommandedElevation = *elevation;
            if (OnSetAzimuth)
                OnSetAzimuth(NormalizedAzimuth(*azimuth));
            break;
        }
        case TCommand::GetPos: {
            const TPosition position = Position();
            if (position.FromRotator && !position.Heading) {
                // Tolvane reads back and the controller is silent: no position is better than a made-up one.
                result = TimedOut;
                break;
            }
            records = {"Azimuth: " + Fixed(position.Heading.value_or(CommandedAzimuth), 2),
                       "Elevation: " + Fixed(CommandedElevation, 2)};
            break;
        }
        case TCommand::Stop:
        case TCommand::Park:
            result = NotAvailable;
            break;
        case TCommand::GetInfo:
            records = {std::string("Info: ") + Info + (Position().FromRotator ? ReadSource : CommandedSource)};
            break;
        case TCommand::DumpState:
            records = {"rotctld Protocol Ver: 1",
                       "Rotor Model: 1",
                       "Minimum Azimuth: " + Fixed(LowestAccepted, 6),
                       "Maximum Azimuth: " + Fixed(HighestAccepted, 6),
                       "Minimum Elevation: " + Fixed(LowestAccepted, 6),
                       "Maximum Elevation: " + Fixed(HighestAccepted, 6),
                       "South Zero: 0",
                       "rot_type=AzEl",
                       "done"};
            break;
        case TCommand::Quit:
            answer.Close = true;
            continue;
        }

        if (separator != 0) {
            // "set_pos: 90 45", then "Key: value" records, then "RPRT n", one line unless the separator is LF.
            std::string header = std::string(name->Long) + ":";
            for (const std::string_view argument : arguments)
                header += " " + std::string(argument);
            answer.Text += header + separator;
            for (const std::string& record : records)
                answer.Text += record + separator;
            answer.Text += "RPRT " + std::to_string(result) + "\n";
        } else if (records.empty() || result != 0) {
            answer.Text += "RPRT " + std::to_string(result) + "\n";
        } else if (name->Command == TCommand::DumpState) {
            // The default form that Hamlib's network client reads first.
            answer.Text += "1\n1\nmin_az=" + Fixed(LowestAccepted, 6) + "\nmax_az=" + Fixed(HighestAccepted, 6) +
                           "\nmin_el=" + Fixed(LowestAccepted, 6) + "\nmax_el=" + Fixed(HighestAccepted, 6) +
                           "\nsouth_zero=0\nrot_type=AzEl\ndone\n";
        } else {
            // The bare values, one per line.
            for (const std::string& record : records)
                answer.Text += record.substr(record.find(": ") + 2) + "\n";
        }
    }
    return answer;
}
