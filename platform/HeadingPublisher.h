// The heading read back from the rotator, published on the session bus for tracking programs.
#pragma once

#include <cstdint>
#include <memory>

class IHeadingPublisher {
public:
    virtual ~IHeadingPublisher() = default;
    // A reading of the controller: claims the name when not owned yet, sets the properties, signals the change.
    virtual void Publish(double azimuth, std::uint64_t updatedMs) = 0;
    // The heading is no longer known: the name is released.
    virtual void Withdraw() = 0;
};

std::unique_ptr<IHeadingPublisher> CreateDBusHeadingPublisher();
