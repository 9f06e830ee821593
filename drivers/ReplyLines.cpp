// The line splitting of the controllers' replies, bounded.
#include "drivers/ReplyLines.h"

void TReplyLines::Feed(const char* data, std::size_t size, const std::function<void(std::string_view)>& takeLine)
{
    for (std::size_t i = 0; i < size; ++i) {
        const char byte = data[i];
        if (byte == '\r' || byte == '\n') {
            if (!Discarding) {
                std::string line;
                line.swap(Partial);
                takeLine(line);
            }
            Discarding = false;
        } else if (!Discarding) {
            Partial += byte;
            if (Partial.size() > LongestLine) {
                ++Dropped;
                Partial.clear();
                Discarding = true;
            }
        }
    }
}

void TReplyLines::Clear()
{
    Partial.clear();
    Discarding = false;
}
