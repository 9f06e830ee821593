// rotctld's TCP front door: lines in, answers out, each accepted azimuth published on the feed.
#include "BridgeServer.h"

#include <QLocale>
#include <QTcpSocket>

#include <cstdio>

#include "FeedPublisher.h"

TBridgeServer::TBridgeServer(IFeedPublisher& feed, QList<QPair<QHostAddress, int>> allowed)
    : Feed(feed), Gate(std::move(allowed))
{
    Running.start();
    connect(&Server, &QTcpServer::newConnection, this, &TBridgeServer::Accept);
    // A burst of P in one read reaches the bus once, with the last azimuth: the last P wins.
    Protocol.OnSetAzimuth = [this](double azimuth) {
        LatestAzimuth = azimuth;
        PublishPending = true;
    };
}

bool TBridgeServer::Listen(const QHostAddress& address, quint16 port)
{
    return Server.listen(address, port);
}

void TBridgeServer::PublishLatest()
{
    if (!PublishPending)
        return;
    PublishPending = false;
    // Tolvane reads the text in its locale, which is the one the bridge runs in.
    const QString point = QLocale::system().decimalPoint();
    const char separator = point == QStringLiteral(",") ? ',' : '.';
    Feed.Publish(QString::fromStdString(FeedText(LatestAzimuth, separator)));
}

void TBridgeServer::Accept()
{
    while (QTcpSocket* socket = Server.nextPendingConnection()) {
        if (!Gate.Admits(socket->peerAddress())) {
            if (const std::optional<std::string> report =
                    Gate.Refused(socket->peerAddress(), static_cast<std::uint64_t>(Running.elapsed())))
                std::fputs(report->c_str(), stderr);
            socket->abort();
            socket->deleteLater();
            continue;
        }
        if (static_cast<int>(Clients.size()) >= MaxClients)
            DropLongestSilent();
        Clients[socket].Heard.start();
        // Qt would otherwise read all the kernel holds: a client that floods waits for us instead.
        socket->setReadBufferSize(ReadAheadBytes);
        // Each answer is one small segment the client waits for: Nagle's algorithm would only hold it back.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { Read(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { Drop(socket); });
    }
}

void TBridgeServer::DropLongestSilent()
{
    auto silent = Clients.begin();
    for (auto client = Clients.begin(); client != Clients.end(); ++client)
        if (client->second.Heard.elapsed() > silent->second.Heard.elapsed())
            silent = client;
    if (silent != Clients.end())
        Drop(silent->first);
}

void TBridgeServer::Drop(QTcpSocket* socket)
{
    if (Clients.erase(socket) == 0)
        return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
}

void TBridgeServer::Read(QTcpSocket* socket)
{
    const auto found = Clients.find(socket);
    if (found == Clients.end())
        return;
    TClient& client = found->second;
    client.Heard.start();
    QByteArray answers;
    bool close = false;
    const QByteArray bytes = socket->readAll();
    const bool inBounds = client.Lines.Add(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                                           [&](std::string_view line) {
                                               const TRotctlProtocol::TAnswer answer = Protocol.RunLine(line);
                                               answers += QByteArray::fromStdString(answer.Text);
                                               close = answer.Close;
                                               return !close;
                                           });
    // The rotator waits for the feed, the client only for its answer: the bus goes first.
    PublishLatest();
    if (!inBounds) {
        Drop(socket);
        return;
    }
    socket->write(answers);
    // Written now rather than on the event loop's next turn.
    socket->flush();
    if (close) {
        Clients.erase(socket);
        socket->disconnect(this);
        socket->disconnectFromHost();  // after the answers already written
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    } else if (socket->bytesToWrite() > MaxUnreadAnswerBytes) {
        Drop(socket);
    }
}
