// The publishing side of the azimuth feed: the bus name dde.NAME, the object /NAME with the interface
// dde.Topic, its one item "azimuth", Request(item) and Changed(item).
#pragma once

#include <QObject>
#include <QString>

#include <memory>

struct DBusConnection;
struct DBusMessage;
class TDBusEventLoop;

// Speaks to the bus with libdbus on the thread that owns it, driven by that thread's event loop:
// a Changed signal is written and a Request answered right where they happen, without handing
// each message to a bus thread and back as QtDBus does.
class TTeskarnTopic : public QObject {
    Q_OBJECT
public:
    // `program` prefixes the one-line messages on standard error.
    explicit TTeskarnTopic(const QString& program, const QString& service = QStringLiteral("Teskarn"));
    ~TTeskarnTopic() override;
    TTeskarnTopic(const TTeskarnTopic&) = delete;
    TTeskarnTopic& operator=(const TTeskarnTopic&) = delete;

    // Serves the object. Publish the first value after this and before Claim.
    bool Serve();
    // Owns the name, or fails at once when another publisher has it. From then on the program
    // exits with status 1 when the session bus goes away.
    bool Claim();
    void Publish(const QString& text);
    const QString& Value() const { return Text; }

private:
    // libdbus's message handlers, whose result type the header cannot name.
    friend struct TTeskarnTopicHandlers;
    void Answer(DBusMessage* call);

    QString Program;
    QString Service;
    QString Text;
    DBusConnection* Connection = nullptr;
    bool Claimed = false;
    std::unique_ptr<TDBusEventLoop> Loop;
};
