// Where the bridge finds the heading Tolvane reads back, and the clock its readings are timed on.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "RotctlProtocol.h"

class IHeadingSource {
public:
    virtual ~IHeadingSource() = default;
    // Starts following Tolvane; false when the system offers no way to.
    virtual bool Start() = 0;
    // What Tolvane last said, from memory; none while it says nothing.
    virtual std::optional<TRotctlProtocol::TReadBack> Latest() const = 0;
    // Now, in the milliseconds of the clock Tolvane times its readings on.
    virtual std::uint64_t Now() const = 0;
};

// The platform's: org.tolvane.Tolvane on the session bus on Linux; the DDE service Tolvane on Windows.
std::unique_ptr<IHeadingSource> CreateHeadingSource();
