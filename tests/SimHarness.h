// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Shared helpers for tests that talk to the simulated board.

#include "Z4SimServer.h"
#include "link/TTCPModbusClient.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <memory>

// Generous upper bound for anything that should happen "soon"; tests never wait this long
// unless something is broken.
constexpr int kSoonMs = 10000;

// An in-process simulated board on a free loopback TCP port.
inline std::unique_ptr<Z4SimServer> StartTcpBoard(const Z4BoardOptions &options = {})
{
    auto server = std::make_unique<Z4SimServer>(options);
    QString error;
    if (!server->ListenTcp(QHostAddress::LocalHost, 0, &error)) {
        qWarning("cannot start the simulated board: %s", qPrintable(error));
        return nullptr;
    }
    return server;
}

// A TCP client opened on the board; null (with a test failure logged) if it did not connect.
inline std::unique_ptr<TTCPModbusClient> OpenTcpClient(quint16 port)
{
    auto client = std::make_unique<TTCPModbusClient>();
    client->SetServerAddress(QStringLiteral("127.0.0.1"));
    client->SetPort(port);
    client->SetReconnectInterval(100);
    QSignalSpy connected(client.get(), &TModbusClient::OnConnect);
    client->Open();
    if (!connected.wait(kSoonMs)) {
        qWarning("the client did not connect to port %u", port);
        return nullptr;
    }
    return client;
}

// Nothing queued and nothing on the wire: every request sent has had its outcome.
inline bool Idle(const TModbusClient &client)
{
    const TModbusClient::Counters &c = client.GetCounters();
    return client.QueuedCount() == 0 && c.Requests == c.Answers + c.Refusals + c.Failures;
}

// The outcome of one request, as its closures reported it.
struct Outcome
{
    enum Kind { None, Reply, Refused, Failed } What = None;
    int Calls = 0;  // closures called in all; exactly one is right
    TModbusAnswer Answer;
};

// A record whose closures fill *outcome.
inline FunctionsStr RecordInto(Outcome *outcome)
{
    FunctionsStr record;
    record.OnReply = [outcome](const TModbusAnswer &a) {
        outcome->What = Outcome::Reply;
        outcome->Answer = a;
        ++outcome->Calls;
    };
    record.OnRefused = [outcome](const TModbusAnswer &a) {
        outcome->What = Outcome::Refused;
        outcome->Answer = a;
        ++outcome->Calls;
    };
    record.OnFailed = [outcome] {
        outcome->What = Outcome::Failed;
        ++outcome->Calls;
    };
    return record;
}

// The z4sim executable as a separate process, serving TCP on a free port.
class SimProcess
{
public:
    // Starts z4sim with the given arguments (which must include --tcp 0 for TcpPort to be known,
    // or --rtu). Returns false when it did not start.
    bool Start(const QStringList &arguments)
    {
        m_process.setProgram(QStringLiteral(Z4_SIM_EXE));
        m_process.setArguments(arguments);
        m_process.setProcessChannelMode(QProcess::SeparateChannels);
        m_process.start();
        if (!m_process.waitForStarted(kSoonMs))
            return false;
        // z4sim prints one line per line it serves, then nothing more.
        const int lines = static_cast<int>(arguments.contains(QStringLiteral("--tcp")))
                          + static_cast<int>(arguments.contains(QStringLiteral("--rtu")));
        for (int i = 0; i < lines; ++i) {
            while (!m_process.canReadLine()) {
                if (!m_process.waitForReadyRead(kSoonMs))
                    return false;
            }
            const QString line = QString::fromUtf8(m_process.readLine()).trimmed();
            const int colon = line.lastIndexOf(QLatin1Char(':'), line.indexOf(QLatin1Char(',')));
            if (line.contains(QLatin1String("Modbus TCP")) && colon > 0)
                m_port = static_cast<quint16>(line.mid(colon + 1, line.indexOf(QLatin1Char(',')) - colon - 1).toUInt());
        }
        return true;
    }
    quint16 TcpPort() const { return m_port; }
    qint64 Pid() const { return m_process.processId(); }
    QString ErrorOutput() { return QString::fromUtf8(m_process.readAllStandardError()); }
    ~SimProcess()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(kSoonMs))
            m_process.kill();
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};
