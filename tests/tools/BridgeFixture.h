// tolvane-bridge as a process, for the tests of both platforms: started on a free port, with the feed it
// publishes watched, and TCP clients that wait for its answers.
#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QStringList>
#include <QTcpSocket>
#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "support/ChildProcess.h"
#include "support/FeedWatch.h"

class TBridgeFixture : public ::testing::Test {
protected:
    // Starts the bridge on a free port and returns that port, 0 when it did not come up.
    quint16 StartBridge(QStringList arguments = {})
    {
        Bridge = std::make_unique<TChildProcess>(BuiltProgram("tolvane-bridge"),
                                                 arguments << QStringLiteral("--port") << QStringLiteral("0"));
        // Under Wine a first start takes its time.
        const std::optional<std::string> ready = Bridge->NextLine(30000);
        if (!ready || ready->rfind("ready ", 0) != 0)
            return 0;
        return static_cast<quint16>(std::stoi(ready->substr(ready->rfind(' ') + 1)));
    }

    // The feed's current text, as Tolvane requests it.
    std::string Published() { return Feed.Published(); }

    TFeedWatch Feed;
    std::unique_ptr<TChildProcess> Bridge;
};

// A client connection whose answer is what arrives until the bridge has been quiet for `quietMs`.
struct TBridgeClient {
    QTcpSocket Socket;

    explicit TBridgeClient(quint16 port, const QHostAddress& from = QHostAddress::LocalHost,
                           const QHostAddress& to = QHostAddress::LocalHost)
    {
        Socket.bind(from);
        Socket.connectToHost(to, port);
        Socket.waitForConnected(5000);
    }

    std::string Say(const std::string& bytes, int quietMs = 200)
    {
        Socket.write(bytes.data(), static_cast<qint64>(bytes.size()));
        Socket.flush();
        std::string answer;
        QElapsedTimer quiet;
        quiet.start();
        while (quiet.elapsed() < quietMs) {
            Socket.waitForReadyRead(10);
            // On Windows the bridge may be asking this process's windows something over DDE.
            QCoreApplication::processEvents();
            if (Socket.bytesAvailable() > 0) {
                answer += Socket.readAll().toStdString();
                quiet.restart();
            } else if (Socket.state() != QAbstractSocket::ConnectedState) {
                break;
            }
        }
        return answer;
    }

    bool IsOpen() { return Socket.state() == QAbstractSocket::ConnectedState; }
};

// What the bridge must bear and still serve the next client: 200 idle connections, a silent half
// line, and a last client flooding junk and polls it never reads. They stay connected while kept.
inline std::vector<std::unique_ptr<QTcpSocket>> CrowdAndFlood(quint16 port)
{
    std::vector<std::unique_ptr<QTcpSocket>> crowd;
    for (int i = 0; i < 201; ++i) {
        crowd.push_back(std::make_unique<QTcpSocket>());
        crowd.back()->connectToHost(QHostAddress::LocalHost, port);
    }
    for (auto& socket : crowd)
        socket->waitForConnected(2000);
    crowd.front()->write("P 12");
    crowd.front()->flush();
    std::string flood;
    for (int i = 0; i < 20000; ++i)
        flood += i % 2 ? "p\n" : "\x01\xfe junk\n";
    crowd.back()->write(flood.data(), static_cast<qint64>(flood.size()));
    crowd.back()->waitForBytesWritten(2000);
    return crowd;
}
