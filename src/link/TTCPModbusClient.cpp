// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/TTCPModbusClient.h"

#include <QAbstractSocket>
#include <QModbusTcpClient>
#include <QtEndian>

namespace {
// A Modbus TCP frame: transaction id, protocol id, length (of unit id and PDU), unit id, PDU.
constexpr qsizetype kHeader = 7;
// Bytes kept of what came while no answer was awaited; beyond them the next answer fails anyway.
constexpr qsizetype kMaxKept = 4096;

quint16 WordAt(const QByteArray &bytes, qsizetype offset)
{
    return qFromBigEndian<quint16>(bytes.constData() + offset);
}
}  // namespace

TTCPModbusClient::TTCPModbusClient(QObject *parent) : TModbusClient(new QModbusTcpClient, parent)
{
    m_reconnectTimer.setSingleShot(true);
    connect(&m_reconnectTimer, &QTimer::timeout, this, &TTCPModbusClient::TryConnect);
    connect(&m_watch, &TWireWatch::BytesRead, this, [this] {
        m_wire += m_watch.Take();
        if (m_wire.size() > kMaxKept)
            m_wire.remove(0, m_wire.size() - kMaxKept);
    });
    // An unreachable host can keep a connection attempt pending for minutes: give up on it after
    // one reconnect interval and start the next attempt.
    m_connectGuard.setSingleShot(true);
    connect(&m_connectGuard, &QTimer::timeout, this, [this] {
        if (Device()->state() == QModbusDevice::ConnectingState) {
            Log().Write(ModbusLog::Failures,
                        QStringLiteral("[%1] no connection within %2 ms").arg(LineName()).arg(m_reconnectInterval));
            AttemptFailed(Unreachable(tr("no answer within %1 ms").arg(m_reconnectInterval)));
            AbortConnectAttempt();
        }
    });
}

QString TTCPModbusClient::LineName() const
{
    return QStringLiteral("%1:%2").arg(m_address).arg(m_port);
}

void TTCPModbusClient::SetReconnect(bool reconnect)
{
    m_reconnect = reconnect;
    if (!reconnect)
        m_reconnectTimer.stop();
}

void TTCPModbusClient::Open()
{
    m_userClosed = false;
    m_attempt = 0;
    m_attemptFailure.clear();
    m_reconnectTimer.stop();
    switch (Device()->state()) {
    case QModbusDevice::ConnectedState:
        return;
    case QModbusDevice::UnconnectedState:
        TryConnect();
        return;
    default:
        // Opening again while an attempt is under way restarts it with the current address.
        m_openPending = true;
        if (!AbortConnectAttempt())
            Device()->disconnectDevice();
        return;
    }
}

void TTCPModbusClient::TryConnect()
{
    if (Device()->state() != QModbusDevice::UnconnectedState || m_userClosed)
        return;
    SetConnectionParameters(Device());
    ++m_attempt;
    emit OnAttempt();
    if (StartDevice()) {
        m_connectGuard.start(m_reconnectInterval);
        return;
    }
    emit OnLineError(tr("Cannot connect to %1: %2").arg(LineName(), Device()->errorString()));
    AttemptFailed(Device()->errorString());
    if (m_reconnect)
        m_reconnectTimer.start(m_reconnectInterval);
}

void TTCPModbusClient::SetConnectionParameters(QModbusClient *device) const
{
    device->setConnectionParameter(QModbusDevice::NetworkAddressParameter, m_address);
    device->setConnectionParameter(QModbusDevice::NetworkPortParameter, m_port);
}

void TTCPModbusClient::Resynchronise(quint32 /*timeoutMs*/)
{
    auto *fresh = new QModbusTcpClient;
    SetConnectionParameters(fresh);
    ReopenDevice(fresh);
    m_connectGuard.start(m_reconnectInterval);
}

void TTCPModbusClient::DeviceUp()
{
    m_attempt = 0;
    m_attemptFailure.clear();
    m_wire.clear();
    m_watch.Start(Device()->device());
}

QString TTCPModbusClient::WireFault(quint8 slave, const QByteArray &answerPdu)
{
    m_wire += m_watch.Take();
    const QByteArray wire = std::exchange(m_wire, {});
    if (answerPdu.isEmpty())
        return wire.isEmpty() ? QString() : QStringLiteral("%1 bytes came that make no answer").arg(wire.size());
    if (wire.size() < kHeader)
        return QStringLiteral("the answer came in %1 bytes, too few for a frame").arg(wire.size());
    const quint16 protocol = WordAt(wire, 2);
    const quint16 length = WordAt(wire, 4);
    const auto unit = static_cast<quint8>(wire.at(6));
    if (protocol != 0)
        return QStringLiteral("protocol id %1 instead of 0").arg(protocol);
    if (unit != slave)
        return QStringLiteral("unit id %1 answers slave %2").arg(unit).arg(slave);
    const qsizetype pduBytes = qsizetype(length) - 1;
    if (pduBytes > answerPdu.size() && wire.size() >= kHeader + pduBytes
        && wire.mid(kHeader, answerPdu.size()) == answerPdu)
        return QStringLiteral("%1 bytes after the PDU").arg(pduBytes - answerPdu.size());
    if (pduBytes != answerPdu.size())
        return QStringLiteral("a length field of %1 for a PDU of %2 bytes").arg(length).arg(answerPdu.size());
    if (wire.mid(kHeader, pduBytes) != answerPdu)
        return QStringLiteral("the first frame that came is not the answer taken");
    if (wire.size() > kHeader + pduBytes)
        return QStringLiteral("%1 bytes after the answer").arg(wire.size() - kHeader - pduBytes);
    return {};
}

void TTCPModbusClient::Close()
{
    m_openPending = false;
    m_reconnectTimer.stop();
    m_connectGuard.stop();
    m_userClosed = true;
    if (AbortConnectAttempt())
        return;  // the line-down raises OnClose
    if (!StopDevice())
        Post([this] { emit OnClose(); });
}

bool TTCPModbusClient::AbortConnectAttempt()
{
    // Qt closes a socket that is still connecting only once it has connected, and an attempt to a
    // host that does not answer lasts minutes: until then the line could be neither closed nor
    // opened again. A fresh device ends the attempt now.
    if (Device()->state() != QModbusDevice::ConnectingState)
        return false;
    ReplaceDevice(new QModbusTcpClient);
    return true;
}

void TTCPModbusClient::LineDown(bool wasUp, bool userClosed)
{
    m_connectGuard.stop();
    if (userClosed) {
        emit OnClose();
        return;
    }
    if (wasUp)
        emit OnDisconnect();
    if (std::exchange(m_openPending, false)) {
        TryConnect();
        return;
    }
    if (m_reconnect && !m_userClosed && Device()->state() == QModbusDevice::UnconnectedState) {
        m_reconnectTimer.start(m_reconnectInterval);
        emit OnAttempt();
    }
}

bool TTCPModbusClient::Retrying() const
{
    return !m_userClosed && !IsOpen()
           && (m_reconnectTimer.isActive() || Device()->state() != QModbusDevice::UnconnectedState);
}

void TTCPModbusClient::DeviceError(QModbusDevice::Error error, const QString &text)
{
    if (error != QModbusDevice::ConnectionError)
        return;
    Log().Write(ModbusLog::Failures, QStringLiteral("[%1] %2").arg(LineName(), text));
    emit OnLineError(tr("Connection to %1: %2").arg(LineName(), text));
    if (IsOpen())
        return;
    // An attempt failed: the socket has the reason in a word.
    const auto *socket = qobject_cast<const QAbstractSocket *>(Device()->device());
    switch (socket ? socket->error() : QAbstractSocket::UnknownSocketError) {
    case QAbstractSocket::ConnectionRefusedError:
        AttemptFailed(tr("cannot connect to %1: the connection was refused").arg(LineName()));
        break;
    case QAbstractSocket::NetworkError:
    case QAbstractSocket::SocketTimeoutError:
        AttemptFailed(Unreachable(socket->errorString()));
        break;
    case QAbstractSocket::HostNotFoundError:
        AttemptFailed(Unreachable(tr("no host of that name")));
        break;
    default:
        AttemptFailed(Unreachable(socket ? socket->errorString() : text));
        break;
    }
}

QString TTCPModbusClient::Unreachable(const QString &why) const
{
    QString host = m_address;
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    return tr("cannot reach host %1 (port %2): %3").arg(host).arg(m_port).arg(why);
}

void TTCPModbusClient::AttemptFailed(const QString &why)
{
    m_attemptFailure = why;
    emit OnAttempt();
}
