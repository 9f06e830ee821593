// The simulated controller: command parsing for GS-232 and EasyComm, and a heading that turns at a set rate.
#pragma once

#include <string>
#include <vector>

// GS-232A and GS-232B differ only in the form of their position replies.
enum class TProtocol { Gs232A, Gs232B, EasyComm };

// What one step of motion did, for the caller to report.
enum class TMotionEvent { None, Moved, Arrived };

class TRotatorModel {
public:
    TRotatorModel(TProtocol protocol, double degreesPerSecond, double startHeading);

    // Takes bytes from the line. Each complete command (terminator included) is appended to
    // `commands`; the reply bytes to send back are returned.
    std::string Receive(const std::string& bytes, std::vector<std::string>& commands);
    TMotionEvent Advance(double seconds);
    // A stop command arrived since the last call (reported once).
    bool TakeStopped();
    // Someone turned the antenna by hand (or the motor stalled elsewhere): the heading jumps there and
    // the controller stops driving.
    void TurnByHand(double heading);

    double Heading() const { return CurrentHeading; }
    bool Moving() const { return IsMoving; }

    static constexpr double LowestHeading = 0.0;
    static constexpr double HighestHeading = 360.0;  // the mechanical end stops

private:
    std::string Execute(const std::string& command);
    std::string ExecuteGs232(const std::string& command);
    std::string Gs232Position(bool azimuth, bool elevation) const;
    std::string ExecuteEasyComm(const std::string& command);
    void TurnTo(double heading);
    void Stop();

    TProtocol Protocol;
    double DegreesPerSecond;
    double CurrentHeading;
    double TargetHeading;
    bool IsMoving = false;
    bool StoppedByCommand = false;
    std::string Pending;
    char LastTerminator = 0;
};

// The error replies, also named in --help.
extern const char* const Gs232ErrorReply;
extern const char* const EasyCommErrorReply;

// Bytes as a quoted C-style text: "W090\r".
std::string Escaped(const std::string& bytes);
