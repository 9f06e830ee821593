// The feed as a DDE client asks it: service and topic Teskarn, item azimuth.
#include "support/FeedWatch.h"

#include "support/Win32DdeClient.h"

struct TFeedWatch::TState {
};

TFeedWatch::TFeedWatch() : State(std::make_unique<TState>()) {}

TFeedWatch::~TFeedWatch() = default;

bool TFeedWatch::IsReady() const
{
    return true;
}

std::string TFeedWatch::Address() const
{
    return "Teskarn";
}

std::string TFeedWatch::Published()
{
    TDdeClient client;
    if (!client.Connect("Teskarn"))
        return "(no answer)";
    const std::string text = client.Request("azimuth");
    return text == "<none>" ? "(no answer)" : text;
}

std::string TFeedWatch::SecondPublisherMessage()
{
    // Standard error is a text stream: its line ends are the system's.
    return "tolvane-bridge: Teskarn is already served over DDE (a running Teskarn or another bridge)\r\n";
}
