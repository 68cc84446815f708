#pragma once

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QSet>
#include <QTcpServer>

class QTcpSocket;

// Sits between Modbus TCP clients and the simulated board's server and misbehaves on request:
// answers held back, answers that never come, connections dropped. The server behind it cannot
// do these itself (it always answers, at once). The relay splits the byte streams into Modbus TCP
// frames by their length field, and changes a frame only when told to misframe it.
class TcpFaultRelay : public QObject
{
    Q_OBJECT

public:
    // Ways an answer can be badly framed, as a faulty gateway or a stack bug sends them.
    enum class Misframing
    {
        None,
        LengthTooLong,   // the length field claims 5 bytes more than follow
        LengthTooShort,  // the length field claims 2 bytes fewer than follow
        Length65535,     // the length field is 0xFFFF
        JunkBytes,       // 53 bytes of junk come before the answer
        CutFrame,        // only the first half of the answer is sent
        WrongTransaction,  // the answer carries another transaction id
    };

    struct Faults
    {
        int DelayMs = 0;     // every answer is held back this long
        int DropEvery = 0;   // every Nth request (counted over all connections) gets no answer
        int CloseAfter = 0;  // a connection is dropped when its request N+1 arrives
        Misframing Misframe = Misframing::None;
        int MisframeEvery = 0;  // every Nth answer (counted over all connections) is misframed
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
    // The bytes to send for an answer frame, misframed when its turn has come.
    QByteArray Misframed(QByteArray frame);

    QTcpServer m_listener;
    quint16 m_target = 0;
    Faults m_faults;
    quint64 m_requestsSeen = 0;
    quint64 m_answersSeen = 0;
    QList<Pipe *> m_pipes;
};
