// The feed on the session bus: the dde.Teskarn object that teskarn-feed publishes too.
#include "FeedPublisher.h"

#include "TeskarnTopic.h"

namespace {

class TDBusFeedPublisher final : public IFeedPublisher {
public:
    explicit TDBusFeedPublisher(const QString& program) : Topic(program) {}
    // Nothing is published before the first P: an empty text, which Tolvane ignores.
    bool Claim() override { return Topic.Serve() && Topic.Claim(); }
    void Publish(const QString& text) override { Topic.Publish(text); }

private:
    TTeskarnTopic Topic;
};

}  // namespace

std::unique_ptr<IFeedPublisher> CreateFeedPublisher(const QString& program)
{
    return std::make_unique<TDBusFeedPublisher>(program);
}
