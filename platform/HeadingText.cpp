// The heading's text: written by Tolvane, read by whoever follows it, every byte of it hostile there.
#include "platform/HeadingText.h"

#include <charconv>
#include <cmath>

namespace {

// The value of "Name=" at the start of `text`, up to the next space or the end; advances past it.
bool TakeField(std::string_view& text, std::string_view name, std::string_view& value)
{
    if (text.substr(0, name.size()) != name || text.substr(name.size(), 1) != "=")
        return false;
    text.remove_prefix(name.size() + 1);
    const std::size_t end = text.find(' ');
    // A space separates two fields; one at the end separates nothing.
    if (end != std::string_view::npos && end + 1 == text.size())
        return false;
    value = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    return !value.empty();
}

template <typename TNumber>
bool ReadNumber(std::string_view text, TNumber& number)
{
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && stop == end;
}

}  // namespace

std::string FormatHeadingText(const THeadingState& state)
{
    char azimuth[32] = {};
    const auto written = std::to_chars(azimuth, azimuth + sizeof azimuth - 1, state.Azimuth);
    *written.ptr = '\0';
    return std::string("Known=") + (state.Known ? "1" : "0") + " Azimuth=" + azimuth +
           " Updated=" + std::to_string(state.UpdatedMs) + "\r\n";
}

std::optional<THeadingState> ParseHeadingText(std::string_view text)
{
    if (text.size() >= 2 && text.substr(text.size() - 2) == "\r\n")
        text.remove_suffix(2);
    else if (!text.empty() && text.back() == '\n')
        text.remove_suffix(1);
    std::string_view known;
    std::string_view azimuth;
    std::string_view updated;
    if (!TakeField(text, "Known", known) || !TakeField(text, "Azimuth", azimuth) ||
        !TakeField(text, "Updated", updated) || !text.empty())
        return std::nullopt;
    THeadingState state;
    if (known != "0" && known != "1")
        return std::nullopt;
    state.Known = known == "1";
    // from_chars takes neither a sign nor spaces for the count, and no locale for either.
    if (!ReadNumber(azimuth, state.Azimuth) || !std::isfinite(state.Azimuth) || state.Azimuth < 0 ||
        state.Azimuth >= 360 || !ReadNumber(updated, state.UpdatedMs))
        return std::nullopt;
    return state;
}
