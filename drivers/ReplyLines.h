// TReplyLines: a controller's reply bytes cut into lines, however the reads split them.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>

// CR and LF both end a line, so CR LF gives one line and an empty one, which the reader skips.
// A line longer than the bound is noise: it is dropped, counted, and never kept in memory.
class TReplyLines {
public:
    explicit TReplyLines(std::size_t longestLine) : LongestLine(longestLine) {}

    // Runs `takeLine` for every line `data` completes, without its line end.
    void Feed(const char* data, std::size_t size, const std::function<void(std::string_view)>& takeLine);
    // Forgets a line begun: the next byte starts a new one.
    void Clear();
    int DroppedLines() const { return Dropped; }
    std::size_t Pending() const { return Partial.size(); }

private:
    const std::size_t LongestLine;
    std::string Partial;
    bool Discarding = false;
    int Dropped = 0;
};
