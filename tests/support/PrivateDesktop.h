// Test fixtures for the desktop links: a private D-Bus session and a private X server per test.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "support/ChildProcess.h"
#include "support/ScopedEnvironment.h"

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
    // The bus goes away at once, as when it crashes.
    void EndDaemon();

private:
    std::unique_ptr<TChildProcess> Daemon;
    std::string Address;
    QString ConnectionName;
    std::unique_ptr<TScopedEnvironment> AddressVariable;
};

// An Xvfb of its own, so that the windows of parallel tests never meet. Display numbers are drawn
// from the process id, so that a test never takes over the number of a server that another test is
// just shutting down. While it lives, $DISPLAY names it and $XAUTHORITY is unset. With a window
// manager, openbox manages its windows, as on a desktop.
class TPrivateXServer {
public:
    explicit TPrivateXServer(bool windowManager = false);
    ~TPrivateXServer();
    TPrivateXServer(const TPrivateXServer&) = delete;
    TPrivateXServer& operator=(const TPrivateXServer&) = delete;

    bool IsRunning() const { return !Display.empty() && (!WindowManagerWanted || HasWindowManager()); }
    const std::string& DisplayName() const { return Display; }
    bool HasWindowManager() const { return WindowManager && WindowManager->IsRunning(); }
    // Ends the server, as when the user's session ends under a running program.
    void Stop();
    // Starts a server again on the same display name.
    bool Restart();

private:
    bool Start(int firstDisplay, int displays);
    void StartWindowManager();

    bool WindowManagerWanted;
    std::unique_ptr<TChildProcess> Server;
    std::unique_ptr<TChildProcess> WindowManager;
    QTemporaryDir WindowManagerFolder;
    std::string Display;
    std::unique_ptr<TScopedEnvironment> DisplayVariable;
    std::unique_ptr<TScopedEnvironment> XAuthorityVariable;
};
