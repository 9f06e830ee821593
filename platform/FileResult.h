// The outcome of a call on a file or folder: done, or why not in the system's own words.
#pragma once

#include <string>

struct TFileResult {
    bool Done = true;
    std::string Reason;  // as the system words it, "No space left on device"; empty when done

    explicit operator bool() const { return Done; }
};
