// The antenna's heading as read from the controller, offered to other programs of the desktop.
#pragma once

#include <cstdint>
#include <memory>

class IHeadingPublisher {
public:
    virtual ~IHeadingPublisher() = default;
    // A reading of the controller: claims the name when not owned yet, sets the properties, signals the change.
    // `azimuth` in 0 <= az < 360, `updatedMs` on the monotonic clock (GetTickCount) when it arrived.
    virtual void Publish(double azimuth, std::uint64_t updatedMs) = 0;
    // The heading is read back but not known (the controller is silent): claims the name when not owned
    // yet and says so, keeping the last reading's azimuth and time.
    virtual void PublishUnknown() = 0;
    // The heading is not read back any more: the name is released.
    virtual void Withdraw() = 0;
};

// The platform's: on Linux org.tolvane.Tolvane on the session bus, object /org/tolvane/Tolvane, interface org.tolvane.Heading,
// read-only properties Azimuth (d), Updated (t) and Known (b), PropertiesChanged after each change.
std::unique_ptr<IHeadingPublisher> CreateHeadingPublisher();
