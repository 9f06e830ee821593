// The publishing side of the azimuth feed: the bus name dde.NAME, the object /NAME with the interface
// dde.Topic, its one item "azimuth", Request(item) and Changed(item).
#pragma once

#include <QDBusContext>
#include <QObject>
#include <QString>
#include <QTimer>

class TTeskarnTopic : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "dde.Topic")
public:
    // `program` prefixes the one-line messages on standard error.
    explicit TTeskarnTopic(const QString& program, const QString& service = QStringLiteral("Teskarn"));

    // Serves the object. Publish the first value after this and before Claim.
    bool Serve();
    // Owns the name, or fails at once when another publisher has it. From then on the program
    // exits with status 1 when the session bus goes away.
    bool Claim();
    void Publish(const QString& text);
    const QString& Value() const { return Text; }

public slots:
    QString Request(const QString& item);

signals:
    void Changed(const QString& item);

private:
    QString Program;
    QString Service;
    QString Text;
    QTimer BusCheck;
};
