// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "TcpFaultRelay.h"

#include <QDeadlineTimer>
#include <QTcpSocket>
#include <QTimer>
#include <QtEndian>

#include <algorithm>
#include <deque>

namespace {
// A Modbus TCP frame: transaction id, protocol id, length (of unit id + PDU), unit id, PDU.
constexpr int kHeader = 6;
constexpr int kMaxLength = 254;  // unit id + the largest PDU

// Takes one complete frame off the front of buffer. Empty while the frame is incomplete;
// *broken is set when the stream cannot be a Modbus TCP stream.
QByteArray TakeFrame(QByteArray &buffer, bool *broken)
{
    *broken = false;
    if (buffer.size() < kHeader)
        return {};
    const quint16 length = qFromBigEndian<quint16>(buffer.constData() + 4);
    if (length < 2 || length > kMaxLength) {
        *broken = true;
        return {};
    }
    if (buffer.size() < kHeader + length)
        return {};
    QByteArray frame = buffer.left(kHeader + length);
    buffer.remove(0, kHeader + length);
    return frame;
}

quint16 TransactionOf(const QByteArray &frame)
{
    return qFromBigEndian<quint16>(frame.constData());
}
}  // namespace

struct TcpFaultRelay::Pipe
{
    struct Answer
    {
        QDeadlineTimer Due;
        QByteArray Bytes;
    };

    QTcpSocket *Client = nullptr;
    QTcpSocket *Server = nullptr;
    QByteArray FromClient;
    QByteArray FromServer;
    int Requests = 0;
    QSet<quint16> Dropped;       // transactions whose answers are swallowed
    QSet<quint16> Late;          // transactions whose answers come late
    std::deque<Answer> Waiting;  // answers held back, in the order they go out
    QTimer *Sender = nullptr;
};

TcpFaultRelay::TcpFaultRelay(QObject *parent) : QObject(parent)
{
    connect(&m_listener, &QTcpServer::newConnection, this, &TcpFaultRelay::Accept);
}

TcpFaultRelay::~TcpFaultRelay()
{
    DropConnections();
}

bool TcpFaultRelay::Listen(const QHostAddress &address, quint16 port, quint16 target, QString *error)
{
    m_target = target;
    if (m_listener.listen(address, port))
        return true;
    if (error)
        *error = QStringLiteral("cannot listen on %1:%2: %3")
                     .arg(address.toString())
                     .arg(port)
                     .arg(m_listener.errorString());
    return false;
}

void TcpFaultRelay::Accept()
{
    while (QTcpSocket *client = m_listener.nextPendingConnection()) {
        auto *pipe = new Pipe;
        pipe->Client = client;
        pipe->Server = new QTcpSocket(this);
        pipe->Sender = new QTimer(this);
        pipe->Sender->setSingleShot(true);
        pipe->Sender->setTimerType(Qt::PreciseTimer);
        connect(pipe->Sender, &QTimer::timeout, this, [this, pipe] { SendDue(pipe); });
        m_pipes.append(pipe);
        connect(client, &QTcpSocket::readyRead, this, [this, pipe] { FromClient(pipe); });
        connect(pipe->Server, &QTcpSocket::readyRead, this, [this, pipe] { FromServer(pipe); });
        connect(client, &QTcpSocket::disconnected, this, [this, pipe] { Shut(pipe); });
        connect(pipe->Server, &QTcpSocket::disconnected, this, [this, pipe] { Shut(pipe); });
        connect(pipe->Server, &QTcpSocket::errorOccurred, this, [this, pipe] { Shut(pipe); });
        // Writes made before the connection is up are buffered by the socket.
        pipe->Server->connectToHost(QHostAddress::LocalHost, m_target);
    }
}

void TcpFaultRelay::FromClient(Pipe *pipe)
{
    pipe->FromClient.append(pipe->Client->readAll());
    for (;;) {
        bool broken = false;
        const QByteArray frame = TakeFrame(pipe->FromClient, &broken);
        if (broken) {
            Shut(pipe);
            return;
        }
        if (frame.isEmpty())
            return;
        ++pipe->Requests;
        if (m_faults.CloseAfter > 0 && pipe->Requests > m_faults.CloseAfter) {
            Shut(pipe);
            return;
        }
        ++m_requestsSeen;
        // The board still gets the request (and records it); only its answer is lost.
        if (m_faults.DropEvery > 0 && m_requestsSeen % static_cast<quint64>(m_faults.DropEvery) == 0)
            pipe->Dropped.insert(TransactionOf(frame));
        // MBAP header (7 bytes), function code, start, count.
        if (m_faults.SwallowReadsOver > 0 && frame.size() >= 12 && static_cast<quint8>(frame.at(7)) == 0x03
            && (static_cast<quint8>(frame.at(10)) << 8 | static_cast<quint8>(frame.at(11))) > m_faults.SwallowReadsOver)
            pipe->Dropped.insert(TransactionOf(frame));
        if (m_faults.LateEvery > 0 && m_requestsSeen % static_cast<quint64>(m_faults.LateEvery) == 0)
            pipe->Late.insert(TransactionOf(frame));
        pipe->Server->write(frame);
    }
}

void TcpFaultRelay::FromServer(Pipe *pipe)
{
    pipe->FromServer.append(pipe->Server->readAll());
    for (;;) {
        bool broken = false;
        const QByteArray frame = TakeFrame(pipe->FromServer, &broken);
        if (broken) {
            Shut(pipe);
            return;
        }
        if (frame.isEmpty())
            return;
        const quint16 transaction = TransactionOf(frame);
        if (pipe->Dropped.remove(transaction))
            continue;
        const int late = pipe->Late.remove(transaction) ? m_faults.LateMs : 0;
        Send(pipe, Misframed(frame), m_faults.DelayMs + late);
    }
}

void TcpFaultRelay::Send(Pipe *pipe, const QByteArray &bytes, int delayMs)
{
    if (delayMs <= 0 && pipe->Waiting.empty()) {
        pipe->Client->write(bytes);
        return;
    }
    QDeadlineTimer due(std::max(delayMs, 0), Qt::PreciseTimer);
    if (!pipe->Waiting.empty() && due < pipe->Waiting.back().Due)
        due = pipe->Waiting.back().Due;
    pipe->Waiting.push_back({due, bytes});
    if (pipe->Waiting.size() == 1)
        pipe->Sender->start(static_cast<int>(due.remainingTime()));
}

void TcpFaultRelay::SendDue(Pipe *pipe)
{
    while (!pipe->Waiting.empty() && pipe->Waiting.front().Due.hasExpired()) {
        pipe->Client->write(pipe->Waiting.front().Bytes);
        pipe->Waiting.pop_front();
    }
    if (!pipe->Waiting.empty())
        pipe->Sender->start(static_cast<int>(pipe->Waiting.front().Due.remainingTime()));
}

QByteArray TcpFaultRelay::Misframed(QByteArray frame)
{
    if (!AppliesTo(m_faults.Misframe, frame.mid(kHeader + 1)) || m_faults.MisframeEvery <= 0
        || ++m_answersMisframable % static_cast<quint64>(m_faults.MisframeEvery) != 0)
        return frame;
    const auto setWord = [&frame](int offset, quint16 word) { qToBigEndian(word, frame.data() + offset); };
    const quint16 length = qFromBigEndian<quint16>(frame.constData() + 4);
    switch (m_faults.Misframe) {
    case Misframing::None:
        break;
    case Misframing::CountHigh:
    case Misframing::CountOdd:
    case Misframing::PduCut:
    case Misframing::PduEmpty: {
        // The PDU broken, the length field telling the truth about what follows.
        const QByteArray pdu = MisframedPdu(m_faults.Misframe, frame.mid(kHeader + 1));
        frame = frame.left(kHeader + 1) + pdu;
        setWord(4, static_cast<quint16>(1 + pdu.size()));
        break;
    }
    case Misframing::LengthTooLong:
        setWord(4, length + 5);
        break;
    case Misframing::LengthTooShort:
        setWord(4, length - 2);
        break;
    case Misframing::Length65535:
        setWord(4, 0xFFFF);
        break;
    case Misframing::JunkBytes: {
        QByteArray junk;
        for (int i = 0; i < 53; ++i)
            junk.append(static_cast<char>((i * 37 + 11) & 0xFF));
        return junk + frame;
    }
    case Misframing::CutFrame:
        frame.truncate(frame.size() / 2);
        break;
    case Misframing::WrongTransaction:
        setWord(0, TransactionOf(frame) ^ 0x5A5A);
        break;
    case Misframing::WrongUnit:
        frame[kHeader] = static_cast<char>(static_cast<quint8>(frame[kHeader]) ^ 0x5A);
        break;
    case Misframing::WrongProtocol:
        setWord(2, 1);
        break;
    case Misframing::TrailingBytes:
        frame.append("\0\0", 2);
        setWord(4, length + 2);
        break;
    }
    return frame;
}

void TcpFaultRelay::Shut(Pipe *pipe)
{
    if (!m_pipes.removeOne(pipe))
        return;  // already shut (both sockets report their end)
    for (QTcpSocket *socket : {pipe->Client, pipe->Server}) {
        disconnect(socket, nullptr, this, nullptr);
        socket->abort();
        socket->deleteLater();
    }
    pipe->Sender->stop();
    disconnect(pipe->Sender, nullptr, this, nullptr);
    pipe->Sender->deleteLater();
    delete pipe;
}

void TcpFaultRelay::DropConnections()
{
    while (!m_pipes.isEmpty())
        Shut(m_pipes.first());
}
