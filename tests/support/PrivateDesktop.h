// Test fixtures for the desktop links: a private D-Bus session and a private X server per test.
#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <memory>
#include <string>

// Sets an environment variable for the fixture's lifetime and puts the old value back.
class TScopedEnvironment {
public:
    TScopedEnvironment(const char* name, const std::string& value);
    ~TScopedEnvironment();
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

private:
    QByteArray Name;
    QByteArray OldValue;
    bool HadValue;
};

// A dbus-daemon of its own, so that parallel tests never share dde.Teskarn. While it lives,
// $DBUS_SESSION_BUS_ADDRESS names it; at the end every other program still on it is ended.
class TPrivateSessionBus {
public:
    TPrivateSessionBus();
    ~TPrivateSessionBus();
    TPrivateSessionBus(const TPrivateSessionBus&) = delete;
    TPrivateSessionBus& operator=(const TPrivateSessionBus&) = delete;

    bool IsRunning() const { return !Address.empty(); }
    const std::string& BusAddress() const { return Address; }
    // The process id of the name's owner, 0 when nobody owns it.
    qint64 OwnerPid(const std::string& busName);
    bool WaitForOwner(const std::string& busName, bool owned, int timeoutMs = 10000);

private:
    QProcess Daemon;
    std::string Address;
    QString ConnectionName;
    std::unique_ptr<TScopedEnvironment> AddressVariable;
};

// An Xvfb of its own, so that the ARSWIN windows of parallel tests never meet. While it lives,
// $DISPLAY names it.
class TPrivateXServer {
public:
    TPrivateXServer();
    ~TPrivateXServer();
    TPrivateXServer(const TPrivateXServer&) = delete;
    TPrivateXServer& operator=(const TPrivateXServer&) = delete;

    bool IsRunning() const { return !Display.empty(); }
    const std::string& DisplayName() const { return Display; }
    // Ends the server, as when the user's session ends under a running program.
    void Stop();
    // Starts a server again on the same display name.
    bool Restart();

private:
    bool Start(const QStringList& arguments);

    QProcess Server;
    std::string Display;
    std::unique_ptr<TScopedEnvironment> DisplayVariable;
};
