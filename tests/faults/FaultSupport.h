// Helpers of the fault tests: a misbehaving feed publisher, a file-system identity without privileges.
#pragma once

#include <QObject>
#include <QString>
#include <QThread>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>

class QDBusMessage;

// How the publisher answers a Request.
enum class TPublisherMood { Answer, Hang, Crash };

// Owns dde.Teskarn on the given bus and answers from a thread of its own, so a client that blocks
// on a request does not block the answer. Crash drops its bus connection in the middle of a
// request, as a publisher that dies there looks to the bus.
class TMisbehavingPublisher {
public:
    explicit TMisbehavingPublisher(const std::string& busAddress);
    ~TMisbehavingPublisher();
    TMisbehavingPublisher(const TMisbehavingPublisher&) = delete;
    TMisbehavingPublisher& operator=(const TMisbehavingPublisher&) = delete;

    bool IsOnBus() const { return OnBus; }
    void SetValue(const QString& value);
    void SetMood(TPublisherMood mood) { Mood = mood; }
    // Emits Changed("azimuth"), as the publisher does for each new value.
    void Publish();
    int Requests() const { return RequestCount; }

    // For the answering object, on the publisher's thread.
    QString CurrentValue();
    TPublisherMood CurrentMood() const { return Mood; }
    void CountRequest() { ++RequestCount; }
    void DropConnection();

private:
    QThread Thread;
    std::unique_ptr<QObject> Topic;
    QString ConnectionName;
    std::mutex ValueLock;
    QString Value;
    std::atomic<TPublisherMood> Mood{TPublisherMood::Answer};
    std::atomic<int> RequestCount{0};
    std::atomic<bool> OnBus{false};
};

// While alive, the calling thread checks file permissions as the unprivileged user "nobody"
// (setfsuid): root otherwise opens any file whatever its mode.
class TUnprivilegedFiles {
public:
    TUnprivilegedFiles();
    ~TUnprivilegedFiles();
    TUnprivilegedFiles(const TUnprivilegedFiles&) = delete;
    TUnprivilegedFiles& operator=(const TUnprivilegedFiles&) = delete;

    // Whether a file of mode 000 really is refused now; false on systems that do not enforce it.
    static bool PermissionsEnforced();

private:
    int PreviousUser;
    int PreviousGroup;
};
