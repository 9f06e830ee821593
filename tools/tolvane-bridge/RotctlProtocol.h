// Hamlib's rotator daemon protocol (rotctld) as the bridge speaks it, without sockets: one line in,
// the answer out. Answers follow rotctld byte for byte; where rotctld stays silent or waits
// (unknown command, missing argument), the bridge answers the invalid-parameter error at once.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

class TRotctlProtocol {
public:
    // Hamlib's error numbers as rotctld prints them after "RPRT".
    static constexpr int InvalidParameter = -1;  // RIG_EINVAL
    static constexpr int TimedOut = -5;          // RIG_ETIMEOUT: a rotator that does not answer where it points
    static constexpr int NotAvailable = -11;     // RIG_ENAVAIL: what rotctld answers for a rotator that cannot park
    static constexpr double LowestAccepted = -360;
    static constexpr double HighestAccepted = 720;
    // A heading read from the rotator is answered by p until it is this old.
    static constexpr std::uint64_t MaxHeadingAgeMs = 3000;

    struct THeading {
        double Azimuth;  // 0 <= az < 360
        std::uint64_t UpdatedMs;  // on the monotonic clock, when it was read
    };

    // Tolvane's read-back as its last message said it.
    struct TReadBack {
        // True or false from a Tolvane that says whether it knows a heading; none from an older one,
        // which publishes only readings.
        std::optional<bool> Known;
        // The last reading; a Tolvane that says Known false may have none.
        std::optional<THeading> Heading;
    };

    struct TAnswer {
        std::string Text;
        bool Close = false;  // q or Q: the client is done
    };

    // Called for every accepted P with the azimuth brought into 0 <= az < 360.
    std::function<void(double azimuth)> OnSetAzimuth;
    // Tolvane's read-back while it owns its bus name, none otherwise; asked at each p and _, so it must
    // answer from memory.
    std::function<std::optional<TReadBack>()> ReadBack;
    // Milliseconds on the monotonic clock; std::chrono::steady_clock when unset.
    std::function<std::uint64_t()> Now;

    // Runs the commands of one line, without its LF.
    TAnswer RunLine(std::string_view line);

private:
    struct TPosition {
        bool FromRotator;  // Tolvane reads back: p has the rotator's word or none
        std::optional<double> Heading;  // known and fresh
    };
    TPosition Position() const;

    double CommandedAzimuth = 0;
    double CommandedElevation = 0;
};

// 0 <= result < 360; -90 gives 270 and 360 gives 0.
double NormalizedAzimuth(double azimuth);
// The feed's text: the digits (no more than three decimals, no trailing zeros) with `decimalSeparator`, then CR LF.
std::string FeedText(double azimuth, char decimalSeparator);
