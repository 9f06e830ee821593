// The trimming of each published feed value.
#include "core/FeedText.h"

std::string TrimFeedText(const std::string& itemText)
{
    std::string text = itemText;
    if (text.empty())
        return text;
    // Only one space goes, so a value without the line end loses its last digit.
    const std::size_t firstSpace = text.find(' ');
    if (firstSpace != std::string::npos)
        text.erase(firstSpace, 1);
    if (!text.empty())
        text.pop_back();
    return text;
}
