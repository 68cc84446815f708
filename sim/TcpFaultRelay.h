#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTcpServer>

class QTcpSocket;

// Sits between Modbus TCP clients and the simulated board's server and misbehaves on request:
// answers held back, answers that never come, connections dropped. The server behind it cannot
// do these itself (it always answers, at once). The relay only splits the byte streams into
// Modbus TCP frames by their length field; it never changes a frame.
class TcpFaultRelay : public QObject
{
    Q_OBJECT

public:
    struct Faults
    {
        int DelayMs = 0;     // every answer is held back this long
        int DropEvery = 0;   // every Nth request (counted over all connections) gets no answer
        int CloseAfter = 0;  // a connection is dropped when its request N+1 arrives
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

    QTcpServer m_listener;
    quint16 m_target = 0;
    Faults m_faults;
    quint64 m_requestsSeen = 0;
    QList<Pipe *> m_pipes;
};
