// Lines bounded as they arrive, so that nobody holds more than MaxLineBytes of ours without an LF.
#include "LineAssembler.h"

bool TLineAssembler::Add(std::string_view bytes, const std::function<bool(std::string_view line)>& line)
{
    Pending.append(bytes);
    std::size_t start = 0;
    bool tooLong = false;
    for (std::size_t end; (end = Pending.find('\n', start)) != std::string::npos;) {
        if (end - start > MaxLineBytes) {
            tooLong = true;
            break;
        }
        if (!line(std::string_view(Pending).substr(start, end - start))) {
            // The client is done: what follows its last line is never read.
            Pending.clear();
            return true;
        }
        start = end + 1;
    }
    Pending.erase(0, start);
    return !tooLong && Pending.size() <= MaxLineBytes;
}
