// GS-232 and EasyComm command handling and the heading's motion of the simulated controller.
#include "RotatorModel.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>

// Both controllers end their replies with CR LF, as Hamlib expects.
const char* const Gs232ErrorReply = "?>\r\n";
const char* const EasyCommErrorReply = "?ERR\n";

namespace {

// A line this long without a terminator is noise, not a command.
constexpr std::size_t LongestCommand = 128;

std::string Upper(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trimmed(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

bool AllDigits(const std::string& text)
{
    return !text.empty()
        && std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isdigit(c) != 0; });
}

// A plain decimal number: digits with at most one point, nothing else.
bool ParseDecimal(const std::string& text, double& value)
{
    if (text.empty() || text.find_first_not_of("0123456789.") != std::string::npos
        || std::count(text.begin(), text.end(), '.') > 1 || text == ".")
        return false;
    value = std::strtod(text.c_str(), nullptr);
    return true;
}

std::string ThreeDigits(double heading)
{
    char text[8];
    std::snprintf(text, sizeof text, "%03d", static_cast<int>(std::lround(heading)));
    return text;
}

std::string OneDecimal(double heading)
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", heading);
    return text;
}

}  // namespace

TRotatorModel::TRotatorModel(TProtocol protocol, double degreesPerSecond, double startHeading)
    : Protocol(protocol),
      DegreesPerSecond(degreesPerSecond),
      CurrentHeading(std::clamp(startHeading, LowestHeading, HighestHeading)),
      TargetHeading(CurrentHeading)
{
}

std::string TRotatorModel::Receive(const std::string& bytes, std::vector<std::string>& commands)
{
    std::string replies;
    for (const char byte : bytes) {
        // CR LF counts as one terminator: the LF after a CR is not an empty command.
        if (byte == '\n' && Pending.empty() && LastTerminator == '\r') {
            LastTerminator = 0;
            continue;
        }
        Pending += byte;
        const bool terminated = byte == '\r' || byte == '\n';
        if (!terminated && Pending.size() < LongestCommand)
            continue;
        LastTerminator = terminated ? byte : 0;
        commands.push_back(Pending);
        replies += Execute(terminated ? Pending.substr(0, Pending.size() - 1) : Pending);
        Pending.clear();
    }
    return replies;
}

std::string TRotatorModel::Execute(const std::string& command)
{
    return Protocol == TProtocol::EasyComm ? ExecuteEasyComm(command) : ExecuteGs232(command);
}

// GS-232A answers "+0ddd", GS-232B "AZ=ddd"; with the elevation, "+0ddd+0eee" and "AZ=ddd  EL=eee".
std::string TRotatorModel::Gs232Position(bool azimuth, bool elevation) const
{
    const bool b = Protocol == TProtocol::Gs232B;
    std::string reply;
    if (azimuth)
        reply += (b ? "AZ=" : "+0") + ThreeDigits(CurrentHeading);
    if (azimuth && elevation && b)
        reply += "  ";
    if (elevation)
        reply += b ? "EL=000" : "+0000";
    return reply + "\r\n";
}

// GS-232: one command per line. Wddd turn, S stop all, A stop azimuth, R/L turn to the
// clockwise/anticlockwise end stop, C / C2 / B report the azimuth, both, the elevation.
// X1..X4 (speed) and the elevation commands U, D, E are accepted by this azimuth-only rotator.
std::string TRotatorModel::ExecuteGs232(const std::string& command)
{
    const std::string text = Upper(Trimmed(command));
    if (text.empty())
        return {};
    if (text == "S" || text == "A") {
        Stop();
        return {};
    }
    if (text == "C" || text == "C2" || text == "B")
        return Gs232Position(text != "B", text != "C");
    const bool speed = text.size() == 2 && text[0] == 'X' && text[1] >= '1' && text[1] <= '4';
    if (speed || text == "U" || text == "D" || text == "E")
        return {};
    if (text == "R") {
        TurnTo(HighestHeading);
        return {};
    }
    if (text == "L") {
        TurnTo(LowestHeading);
        return {};
    }
    if (text[0] == 'W') {
        // "Wddd", or "Wddd eee" with an elevation this azimuth-only rotator ignores.
        std::string azimuth = text.substr(1);
        const auto space = azimuth.find(' ');
        if (space != std::string::npos) {
            const std::string elevation = Trimmed(azimuth.substr(space + 1));
            azimuth = azimuth.substr(0, space);
            if (!(elevation.size() == 3 && AllDigits(elevation)))
                return Gs232ErrorReply;
        }
        if (azimuth.size() == 3 && AllDigits(azimuth) && std::atoi(azimuth.c_str()) <= HighestHeading) {
            TurnTo(std::atoi(azimuth.c_str()));
            return {};
        }
    }
    return Gs232ErrorReply;
}

// EasyComm: space-separated commands on one line. AZnnn.n turn, AZ report, SA stop azimuth,
// ML/MR turn to the anticlockwise/clockwise end stop; EL, ELnnn.n, SE, MU and MD are accepted
// for an azimuth-only rotator (elevation stays 0). Replies end in LF, as Hamlib expects.
std::string TRotatorModel::ExecuteEasyComm(const std::string& command)
{
    std::istringstream words(Upper(command));
    std::string word;
    std::string replies;
    bool failed = false;
    while (words >> word) {
        double value = 0;
        if (word == "AZ")
            replies += (replies.empty() ? "" : " ") + std::string("AZ") + OneDecimal(CurrentHeading);
        else if (word == "EL")
            replies += (replies.empty() ? "" : " ") + std::string("EL0.0");
        else if (word == "SA")
            Stop();
        else if (word == "ML")
            TurnTo(LowestHeading);
        else if (word == "MR")
            TurnTo(HighestHeading);
        else if (word == "SE" || word == "MU" || word == "MD")
            ;  // no elevation motion
        else if (word.rfind("AZ", 0) == 0 && ParseDecimal(word.substr(2), value) && value <= HighestHeading)
            TurnTo(value);
        else if (word.rfind("EL", 0) == 0 && ParseDecimal(word.substr(2), value))
            ;
        else
            failed = true;
    }
    if (failed)
        return EasyCommErrorReply;
    return replies.empty() ? replies : replies + "\n";
}

void TRotatorModel::TurnTo(double heading)
{
    TargetHeading = std::clamp(heading, LowestHeading, HighestHeading);
    IsMoving = TargetHeading != CurrentHeading;
}

void TRotatorModel::Stop()
{
    TargetHeading = CurrentHeading;
    StoppedByCommand = StoppedByCommand || IsMoving;
    IsMoving = false;
}

void TRotatorModel::TurnByHand(double heading)
{
    CurrentHeading = std::clamp(heading, LowestHeading, HighestHeading);
    TargetHeading = CurrentHeading;
    IsMoving = false;
}

bool TRotatorModel::TakeStopped()
{
    const bool stopped = StoppedByCommand;
    StoppedByCommand = false;
    return stopped;
}

// The rotator turns straight towards the target: it cannot pass its end stops at 0 and 360.
TMotionEvent TRotatorModel::Advance(double seconds)
{
    if (!IsMoving)
        return TMotionEvent::None;
    const double step = DegreesPerSecond * seconds;
    const double remaining = TargetHeading - CurrentHeading;
    if (std::fabs(remaining) <= step) {
        CurrentHeading = TargetHeading;
        IsMoving = false;
        return TMotionEvent::Arrived;
    }
    CurrentHeading += remaining > 0 ? step : -step;
    return TMotionEvent::Moved;
}

std::string Escaped(const std::string& bytes)
{
    std::string text = "\"";
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
        case '\r': text += "\\r"; break;
        case '\n': text += "\\n"; break;
        case '\t': text += "\\t"; break;
        case '"': text += "\\\""; break;
        case '\\': text += "\\\\"; break;
        default:
            if (byte < 0x20 || byte >= 0x7f) {
                char hex[8];
                std::snprintf(hex, sizeof hex, "\\x%02X", byte);
                text += hex;
            } else {
                text += c;
            }
        }
    }
    return text + "\"";
}
