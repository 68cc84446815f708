// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Misframing.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTcpServer>

class QTcpSocket;

// Sits between Modbus TCP clients and the simulated board's server and misbehaves on request:
// answers held back, answers that never come, connections dropped. The server behind it cannot
// do these itself (it always answers, at once). The relay splits the byte streams into Modbus TCP
// frames by their length field, and changes a frame only when told to misframe it. Answers leave
// a connection in the order of their requests, a late one holding back those behind it, as a
// board that works through its requests one at a time.
class TcpFaultRelay : public QObject
{
    Q_OBJECT

public:
    using Misframing = ::Misframing;

    struct Faults
    {
        int DelayMs = 0;     // every answer is held back this long
        int DropEvery = 0;   // every Nth request (counted over all connections) gets no answer
        int CloseAfter = 0;  // a connection is dropped when its request N+1 arrives
        Misframing Misframe = Misframing::None;
        int MisframeEvery = 0;  // every Nth answer the kind applies to (over all connections) is misframed
        int LateEvery = 0;      // every Nth request (over all connections) is answered LateMs later still
        int LateMs = 0;
        int SwallowReadsOver = 0;  // reads of more registers get no answer; 0: none is swallowed
    };

    explicit TcpFaultRelay(QObject *parent = nullptr);
    ~TcpFaultRelay() override;

    // Listens on address:port (0 picks a free port) and forwards to the server at 127.0.0.1:target.
    bool Listen(const QHostAddress &address, quint16 port, quint16 target, QString *error);
    quint16 Port() const { return m_listener.serverPort(); }
    QHostAddress Address() const { return m_listener.serverAddress(); }

    Faults &faults() { return m_faults; }
    // Drops every open client connection (the board "pulling its cable").
    void DropConnections();
    int ConnectionCount() const { return static_cast<int>(m_pipes.size()); }

private:
    struct Pipe;

    void Accept();
    void FromClient(Pipe *pipe);
    void FromServer(Pipe *pipe);
    void Shut(Pipe *pipe);
    // Sends an answer to the client delayMs from now, after the answers before it.
    void Send(Pipe *pipe, const QByteArray &bytes, int delayMs);
    void SendDue(Pipe *pipe);
    // The bytes to send for an answer frame, misframed when its turn has come.
    QByteArray Misframed(QByteArray frame);

    QTcpServer m_listener;
    quint16 m_target = 0;
    Faults m_faults;
    quint64 m_requestsSeen = 0;
    quint64 m_answersMisframable = 0;
    QList<Pipe *> m_pipes;
};
