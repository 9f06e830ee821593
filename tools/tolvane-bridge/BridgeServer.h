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

#include "ConnectionGate.h"
#include "LineAssembler.h"
#include "RotctlProtocol.h"

class IFeedPublisher;
class QTcpSocket;

class TBridgeServer : public QObject {
    Q_OBJECT
public:
    static constexpr int MaxClients = 64;
    static constexpr int MaxLineBytes = TLineAssembler::MaxLineBytes;
    // Answers a client leaves unread before it is dropped, so that nobody can fill our memory.
    static constexpr qint64 MaxUnreadAnswerBytes = 64 * 1024;
    // What Qt reads ahead for a client; the rest waits in the kernel until the client's lines are answered.
    static constexpr qint64 ReadAheadBytes = 64 * 1024;

    // `allowed` empty: every address may connect; this computer always may.
    TBridgeServer(IFeedPublisher& feed, QList<QPair<QHostAddress, int>> allowed);

    // Where p finds Tolvane's read-back, and the clock its readings are timed on; without it p
    // answers the commanded position.
    void ReadHeadingFrom(std::function<std::optional<TRotctlProtocol::TReadBack>()> source,
                         std::function<std::uint64_t()> now)
    {
        Protocol.ReadBack = std::move(source);
        Protocol.Now = std::move(now);
    }
    bool Listen(const QHostAddress& address, quint16 port);
    quint16 Port() const { return Server.serverPort(); }
    QString ErrorText() const { return Server.errorString(); }

private:
    struct TClient {
        TLineAssembler Lines;
        QElapsedTimer Heard;  // since the client last sent something
    };

    void Accept();
    void Read(QTcpSocket* socket);
    void Drop(QTcpSocket* socket);
    void DropLongestSilent();
    void PublishLatest();

    IFeedPublisher& Feed;
    TConnectionGate Gate;
    QElapsedTimer Running;  // the clock of the refusal reports
    QTcpServer Server;
    TRotctlProtocol Protocol;
    std::map<QTcpSocket*, TClient> Clients;
    double LatestAzimuth = 0;
    bool PublishPending = false;
};
