// The feed as a DDE server, as the real Teskarn serves it: service and topic Teskarn, item azimuth,
// CF_TEXT, each value as its digits and CR LF.
#include "FeedPublisher.h"

#include <cstdio>

#include "platform/DdemlServer.h"

namespace {

class TDdeFeedPublisher final : public IFeedPublisher {
public:
    explicit TDdeFeedPublisher(const QString& program) : Program(program) {}

    bool Claim() override
    {
        // DDE lets two servers share a name, and Tolvane would talk to either: one owns it, as on the bus.
        if (Server.ServedElsewhere()) {
            std::fprintf(stderr, "%s: Teskarn is already served over DDE (a running Teskarn or another bridge)\n",
                         qPrintable(Program));
            return false;
        }
        if (!Server.Register()) {
            std::fprintf(stderr, "%s: cannot serve Teskarn over DDE\n", qPrintable(Program));
            return false;
        }
        return true;
    }

    void Publish(const QString& text) override { Server.Publish(text.toStdString()); }

private:
    QString Program;
    TDdemlServer Server{"Teskarn", "azimuth"};
};

}  // namespace

std::unique_ptr<IFeedPublisher> CreateFeedPublisher(const QString& program)
{
    return std::make_unique<TDdeFeedPublisher>(program);
}
