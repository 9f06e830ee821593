// Fuzz target: the bridge's rotctld protocol as a client reaches it, bytes cut as the network may cut them.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "LineAssembler.h"
#include "RotctlProtocol.h"

namespace {

[[noreturn]] void Fail(const char* what, std::string_view line, const std::string& answer)
{
    std::fprintf(stderr, "%s\nline: '%.*s'\nanswer: '%s'\n", what, static_cast<int>(line.size()), line.data(),
                 answer.c_str());
    std::abort();
}

// The longest answer one byte of a line can ask for, with room for the longest command: ";_" answers
// 70 bytes for 3, ";\dump_state" 280 for 13.
constexpr std::size_t AnswerBytesPerLineByte = 32;
constexpr std::size_t LongestAnswer = 512;

bool IsKnownResult(std::string_view code)
{
    return code == "0" || code == "-1" || code == "-5" || code == "-11";
}

void Check(std::string_view line, const TRotctlProtocol::TAnswer& answer)
{
    const std::string& text = answer.Text;
    if (line.size() > TLineAssembler::MaxLineBytes)
        Fail("line beyond the bound", line, text);
    if (!text.empty() && text.back() != '\n')
        Fail("answer without its LF", line, text);
    if (text.size() > LongestAnswer + AnswerBytesPerLineByte * line.size())
        Fail("answer out of proportion", line, text);
    // Every result line is one of Hamlib's results that the bridge means to give. (An extended
    // answer's header echoes the client's words, so only lines that start with RPRT are results.)
    for (std::size_t at = 0; at < text.size(); at = text.find('\n', at) + 1) {
        const std::string_view rest = std::string_view(text).substr(at, text.find('\n', at) - at);
        if (rest.substr(0, 5) == "RPRT " && !IsKnownResult(rest.substr(5)))
            Fail("unexpected result", line, text);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    // The first byte picks what Tolvane says of its read-back; the second says how many of the next
    // bytes are chunk lengths, used in turn to cut the rest, the client's bytes.
    const std::uint64_t now = 100000;
    std::optional<TRotctlProtocol::TReadBack> readBack;
    switch (data[0] % 6) {
    case 0: break;
    case 1: readBack = TRotctlProtocol::TReadBack{true, TRotctlProtocol::THeading{123.45, now - 100}}; break;
    case 2: readBack = TRotctlProtocol::TReadBack{true, TRotctlProtocol::THeading{359.999, now - 5000}}; break;
    case 3: readBack = TRotctlProtocol::TReadBack{false, std::nullopt}; break;
    case 4: readBack = TRotctlProtocol::TReadBack{std::nullopt, TRotctlProtocol::THeading{0, now - 3000}}; break;
    default: readBack = TRotctlProtocol::TReadBack{std::nullopt, TRotctlProtocol::THeading{10, now + 1}}; break;
    }
    const std::size_t cutCount = std::min<std::size_t>(data[1] % 16, size - 2);
    const uint8_t* const cuts = data + 2;
    data += 2 + cutCount;
    size -= 2 + cutCount;

    TRotctlProtocol protocol;
    protocol.ReadBack = [&] { return readBack; };
    protocol.Now = [&] { return now; };
    protocol.OnSetAzimuth = [](double azimuth) {
        if (!std::isfinite(azimuth) || azimuth < 0 || azimuth >= 360) {
            std::fprintf(stderr, "azimuth set to %.17g\n", azimuth);
            std::abort();
        }
    };
    TLineAssembler lines;
    bool open = true;
    for (std::size_t at = 0, cut = 0; open && at < size; ++cut) {
        // Chunks of 1 to 256 bytes, as a slow or a hasty client sends them; no cuts, one chunk.
        const std::size_t length = cutCount == 0 ? size : std::size_t(cuts[cut % cutCount]) + 1;
        const std::size_t chunk = std::min(size - at, length);
        const bool inBounds =
            lines.Add(std::string_view(reinterpret_cast<const char*>(data + at), chunk), [&](std::string_view line) {
                const TRotctlProtocol::TAnswer answer = protocol.RunLine(line);
                Check(line, answer);
                open = !answer.Close;
                return open;
            });
        if (!inBounds)
            break;  // the server drops the client here
        if (lines.PendingBytes() > TLineAssembler::MaxLineBytes)
            Fail("a line kept beyond the bound", {}, {});
        at += chunk;
    }
    return 0;
}
