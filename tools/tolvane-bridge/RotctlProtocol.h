// Hamlib's rotator daemon protocol (rotctld) as the bridge speaks it, without sockets: one line in,
// the answer out. Answers follow rotctld byte for byte; where rotctld stays silent or waits
// (unknown command, missing argument), the bridge answers the invalid-parameter error at once.
#pragma once

#include <functional>
#include <string>
#include <string_view>

class TRotctlProtocol {
public:
    // Hamlib's error numbers as rotctld prints them after "RPRT".
    static constexpr int InvalidParameter = -1;  // RIG_EINVAL
    static constexpr int NotAvailable = -11;     // RIG_ENAVAIL: what rotctld answers for a rotator that cannot park
    static constexpr double LowestAccepted = -360;
    static constexpr double HighestAccepted = 720;

    struct TAnswer {
        std::string Text;
        bool Close = false;  // q or Q: the client is done
    };

    // Called for every accepted P with the azimuth brought into 0 <= az < 360.
    std::function<void(double azimuth)> OnSetAzimuth;

    // Runs the commands of one line, without its LF.
    TAnswer RunLine(std::string_view line);

private:
    double CommandedAzimuth = 0;
    double CommandedElevation = 0;
};

// 0 <= result < 360; -90 gives 270 and 360 gives 0.
double NormalizedAzimuth(double azimuth);
// The feed's text: the digits (no more than three decimals, no trailing zeros) with `decimalSeparator`, then CR LF.
std::string FeedText(double azimuth, char decimalSeparator);
