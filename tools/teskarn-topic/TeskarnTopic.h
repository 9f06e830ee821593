// The publishing side of the azimuth feed: the bus name dde.NAME, the object /NAME with the interface
// dde.Topic, its one item "azimuth", Request(item) and Changed(item).
#pragma once

#include <QObject>
#include <QString>

#include <map>
#include <memory>

struct DBusConnection;
struct DBusMessage;
struct DBusTimeout;
struct DBusWatch;
class QSocketNotifier;
class QTimer;

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
    struct TWatchNotifiers;

    static unsigned AddWatch(DBusWatch* watch, void* topic);
    static void RemoveWatch(DBusWatch* watch, void* topic);
    static void ToggleWatch(DBusWatch* watch, void* topic);
    static unsigned AddTimeout(DBusTimeout* timeout, void* topic);
    static void RemoveTimeout(DBusTimeout* timeout, void* topic);
    static void ToggleTimeout(DBusTimeout* timeout, void* topic);
    // libdbus's message handlers, whose result type the header cannot name.
    friend struct TTeskarnTopicHandlers;
    void Dispatch();
    void Answer(DBusMessage* call);

    QString Program;
    QString Service;
    QString Text;
    DBusConnection* Connection = nullptr;
    bool Claimed = false;
    std::map<DBusWatch*, std::unique_ptr<TWatchNotifiers>> Watches;
    std::map<DBusTimeout*, std::unique_ptr<QTimer>> Timeouts;
};
