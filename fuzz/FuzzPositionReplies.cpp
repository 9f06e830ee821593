// Controller position replies: a byte stream cut into arbitrary reads, through the poll's line splitting
// and reply reading. The first byte picks the dialect and the end stop; then each read is a length byte
// followed by that many bytes.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "core/StationSettings.h"
#include "drivers/DriverContract.h"
#include "drivers/HeadingPoll.h"
#include "drivers/ReplyLines.h"

namespace {

struct TReading {
    std::string Line;
    std::optional<double> Azimuth;
};

void Check(bool condition)
{
    if (!condition)
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const TInterfaceRow& row = *InterfaceRowOf(data[0] & 1 ? riEasyComm : riGS232);
    const int endStop = (data[0] >> 1) & 1;
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const std::size_t length = size - 1;

    std::vector<TReading> inPieces;
    std::string stream;
    TReplyLines pieces(THeadingPoll::LongestReplyLine);
    const auto take = [&](std::vector<TReading>& into) {
        return [&row, endStop, &into](std::string_view line) {
            Check(line.size() <= THeadingPoll::LongestReplyLine);
            const std::optional<double> azimuth = THeadingPoll::AzimuthOfReply(row, endStop, line);
            if (azimuth)
                Check(std::isfinite(*azimuth) && *azimuth >= 0 && *azimuth < 360);
            into.push_back({std::string(line), azimuth});
        };
    };
    for (std::size_t at = 0; at < length;) {
        const std::size_t read = std::min<std::size_t>(static_cast<unsigned char>(bytes[at]), length - at - 1);
        ++at;
        pieces.Feed(bytes + at, read, take(inPieces));
        stream.append(bytes + at, read);
        at += read;
        Check(pieces.Pending() <= THeadingPoll::LongestReplyLine);
    }

    // However the reads cut it, the stream gives the same lines and the same readings.
    std::vector<TReading> whole;
    TReplyLines once(THeadingPoll::LongestReplyLine);
    once.Feed(stream.data(), stream.size(), take(whole));
    Check(whole.size() == inPieces.size() && once.DroppedLines() == pieces.DroppedLines());
    for (std::size_t i = 0; i < whole.size(); ++i)
        Check(whole[i].Line == inPieces[i].Line && whole[i].Azimuth == inPieces[i].Azimuth);
    return 0;
}
