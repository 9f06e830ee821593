// The azimuth feed as Tolvane finds it, for the bridge's tests: on Linux a private session bus that
// the programs a test starts use, on Windows the DDE service Teskarn.
#pragma once

#include <memory>
#include <string>

class TFeedWatch {
public:
    TFeedWatch();
    ~TFeedWatch();
    TFeedWatch(const TFeedWatch&) = delete;
    TFeedWatch& operator=(const TFeedWatch&) = delete;

    bool IsReady() const;
    // Where the feed is looked for: the private bus's address on Linux, the DDE service on Windows.
    std::string Address() const;
    // The feed's current text, as Tolvane requests it; "(no answer)" when nobody serves it.
    std::string Published();
    // What a second bridge says on standard error before it leaves.
    static std::string SecondPublisherMessage();

private:
    struct TState;
    std::unique_ptr<TState> State;
};
