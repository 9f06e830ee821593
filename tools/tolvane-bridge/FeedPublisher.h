// Where the bridge publishes each azimuth: the feed that Tolvane follows, as Teskarn publishes it.
#pragma once

#include <QString>

#include <memory>

class IFeedPublisher {
public:
    virtual ~IFeedPublisher() = default;
    // Owns the feed, or fails at once, saying why on standard error, when another publisher has it.
    virtual bool Claim() = 0;
    virtual void Publish(const QString& text) = 0;
};

// The platform's: dde.Teskarn on the session bus on Linux; the DDE service Teskarn on Windows.
// `program` prefixes the messages.
std::unique_ptr<IFeedPublisher> CreateFeedPublisher(const QString& program);
