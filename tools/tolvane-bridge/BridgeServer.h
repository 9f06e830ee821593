// The network side of the bridge: rotctld's TCP front door, many clients at once, every byte hostile.
#pragma once

#include <QElapsedTimer>
#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>

#include <functional>
#include <map>
#include <optional>

#include "RotctlProtocol.h"

class QTcpSocket;
class TTeskarnTopic;

class TBridgeServer : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxClients = 64;
    static constexpr int MaxLineBytes = 1024;
    // Answers a client leaves unread before it is dropped, so that nobody can fill our memory.
    static constexpr qint64 MaxUnreadAnswerBytes = 64 * 1024;

    // `allowed` empty: every address may connect.
    TBridgeServer(TTeskarnTopic& topic, QList<QPair<QHostAddress, int>> allowed);

    // Where p finds the heading read from the rotator; without it p answers the commanded position.
    void ReadHeadingFrom(std::function<std::optional<TRotctlProtocol::THeading>()> source)
    {
        Protocol.Heading = std::move(source);
    }
    bool Listen(const QHostAddress& address, quint16 port);
    quint16 Port() const { return Server.serverPort(); }
    QString ErrorText() const { return Server.errorString(); }

private:
    struct TClient {
        QByteArray Pending;  // a line not yet ended
        QElapsedTimer Heard;  // since the client last sent something
    };

    void Accept();
    bool IsAllowed(const QHostAddress& peer) const;
    void Read(QTcpSocket* socket);
    void Drop(QTcpSocket* socket);
    void DropLongestSilent();
    void PublishLatest();

    TTeskarnTopic& Topic;
    QList<QPair<QHostAddress, int>> Allowed;
    QTcpServer Server;
    TRotctlProtocol Protocol;
    std::map<QTcpSocket*, TClient> Clients;
    double LatestAzimuth = 0;
    bool PublishPending = false;
};
