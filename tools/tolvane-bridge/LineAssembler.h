// A client's bytes cut into LF-ended lines as they arrive, however the network splits them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

class TLineAssembler {
public:
    // Bytes a line may hold without its LF; a client that sends a longer one is dropped.
    static constexpr std::size_t MaxLineBytes = 1024;

    // Passes each line completed by `bytes` to `line`, without its LF, until `line` returns false, which
    // also forgets the rest. False when a line is longer than MaxLineBytes: the client is to be dropped.
    bool Add(std::string_view bytes, const std::function<bool(std::string_view line)>& line);
    // The start of a line not yet ended.
    std::size_t PendingBytes() const { return Pending.size(); }

private:
    std::string Pending;
};
