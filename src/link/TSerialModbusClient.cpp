// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/TSerialModbusClient.h"

#include <QModbusRtuSerialClient>

#include <algorithm>

namespace {
// How long the line must stay quiet before the next request goes out after bytes that belong to
// no request, and at least after a failure.
constexpr int kQuietMs = 50;
// The wait for a late answer after a failure is the failed request's timeout, at least this.
constexpr int kMinSettleMs = 100;
// A line that never falls quiet (another master, a babbling device) holds requests no longer than
// this beyond the wait.
constexpr int kChatterMs = 2000;
// A port that went away is tried again this often: soon after an adapter is plugged back.
constexpr int kReconnectMs = 2000;
}  // namespace

TSerialModbusClient::TSerialModbusClient(QObject *parent) : TModbusClient(new QModbusRtuSerialClient, parent)
{
    m_settle.setSingleShot(true);
    connect(&m_settle, &QTimer::timeout, this, &TSerialModbusClient::Settled);
    m_guard.setSingleShot(true);
    connect(&m_guard, &QTimer::timeout, this, [this] {
        m_unsettled = false;
        ReleaseAnswer({});
    });
    connect(&m_watch, &TWireWatch::BytesRead, this, &TSerialModbusClient::OnBytesRead);
    m_reconnectTimer.setSingleShot(true);
    m_reconnectTimer.setInterval(kReconnectMs);
    connect(&m_reconnectTimer, &QTimer::timeout, this, [this] {
        if (!Retrying() || Device()->state() != QModbusDevice::UnconnectedState)
            return;
        QString why;
        if (!OpenPort(&why))
            m_reconnectTimer.start();  // still away: the log has it, the user has been told once
    });
}

void TSerialModbusClient::DeviceUp()
{
    m_lost = false;
    m_wire.clear();
    m_unsettled = false;
    m_watch.Start(Device()->device());
}

void TSerialModbusClient::OnBytesRead()
{
    // Runs after Qt's own handler: the bytes of an answer it has just taken were taken with it.
    const QByteArray bytes = m_watch.Take();
    if (bytes.isEmpty())
        return;
    if (m_settle.isActive()) {
        m_settle.start(static_cast<int>(
            std::min<qint64>(std::max<qint64>(m_settle.remainingTime(), kQuietMs), m_settleLimit.remainingTime())));
        return;
    }
    if (m_guard.isActive()) {
        m_guard.stop();
        ReleaseAnswer(
            QStringLiteral("%1 more bytes came after it (a second answer: the line is out of step)").arg(bytes.size()));
        return;
    }
    if (AwaitingAnswer()) {
        m_wire += bytes;
        return;
    }
    // Bytes that belong to no request: a late or second answer, or noise. The next request waits
    // for the line to fall quiet, and its answer for the line to stay so.
    Resynchronising(QStringLiteral("%1 bytes came while no request was out").arg(bytes.size()));
    Settle(kQuietMs, kQuietMs + kChatterMs);
}

void TSerialModbusClient::Resynchronise(quint32 timeoutMs)
{
    const int quietMs = m_lateAnswerWaitMs > 0 ? m_lateAnswerWaitMs
                                               : static_cast<int>(std::clamp<quint32>(timeoutMs, kMinSettleMs, 600000));
    Settle(quietMs, quietMs + kChatterMs);
    Resynchronising(QStringLiteral("waiting for the line to be quiet"));
}

void TSerialModbusClient::Settle(int quietMs, int limitMs)
{
    m_unsettled = true;
    HoldRequests(true);
    m_settle.start(quietMs);
    m_settleLimit.setRemainingTime(limitMs);
}

void TSerialModbusClient::Settled()
{
    if (auto *port = qobject_cast<QSerialPort *>(Device()->device()); port && port->isOpen())
        port->clear(QSerialPort::Input);
    m_watch.Take();
    m_wire.clear();
    HoldRequests(false);
}

QString TSerialModbusClient::WireFault(quint8 slave, const QByteArray &answerPdu)
{
    m_wire += m_watch.Take();
    const QByteArray wire = std::exchange(m_wire, {});
    if (answerPdu.isEmpty())
        return wire.isEmpty() ? QString() : QStringLiteral("%1 bytes came that make no answer").arg(wire.size());
    // Qt has checked the address and the CRC of the frame it took.
    const qsizetype frame = 1 + answerPdu.size() + 2;
    if (wire.size() == frame && static_cast<quint8>(wire.at(0)) == slave && wire.mid(1, answerPdu.size()) == answerPdu)
        return {};
    if (wire.size() > frame && wire.contains(QByteArray(1, static_cast<char>(slave)) + answerPdu))
        return QStringLiteral("%1 bytes came besides the answer").arg(wire.size() - frame);
    return QStringLiteral("the answer taken is not the %1 bytes that came").arg(wire.size());
}

bool TSerialModbusClient::HoldAnswer(quint32 timeoutMs)
{
    if (!m_unsettled)
        return false;
    const double longest = LongestAnswerMs();
    const auto guardMs = longest > 0
                             ? std::clamp<qint64>(static_cast<qint64>(2 * longest) + kQuietMs, kQuietMs, timeoutMs)
                             : static_cast<qint64>(timeoutMs);
    m_guard.start(static_cast<int>(guardMs));
    return true;
}

void TSerialModbusClient::SetCommDevice(int number, const QString &path)
{
    if (path.trimmed().isEmpty())
        m_devices.remove(number);
    else
        m_devices.insert(number, path.trimmed());
}

QString TSerialModbusClient::PortName() const
{
    if (!m_path.isEmpty())
        return m_path;
    if (const auto it = m_devices.constFind(m_commNumber); it != m_devices.cend())
        return *it;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(m_commNumber);
#else
    return QStringLiteral("/dev/ttyS%1").arg(m_commNumber - 1);
#endif
}

QString TSerialModbusClient::OpenFailure(const QString &port, QSerialPort::SerialPortError error, const QString &text)
{
    switch (error) {
    case QSerialPort::PermissionError:
        return tr("Cannot open the serial port %1: permission denied, or another program has it open.\n"
                  "On Linux, serial ports belong to the group \"dialout\": add your user to it "
                  "(sudo adduser $USER dialout), then log out and in again.")
            .arg(port);
    case QSerialPort::DeviceNotFoundError:
        return tr("Cannot open the serial port %1: there is no such device (is the adapter plugged in?)").arg(port);
    default:
        return tr("Cannot open the serial port %1: %2").arg(port, text);
    }
}

bool TSerialModbusClient::OpenPort(QString *why)
{
    Device()->setConnectionParameter(QModbusDevice::SerialPortNameParameter, PortName());
    Device()->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, m_baudRate);
    Device()->setConnectionParameter(QModbusDevice::SerialParityParameter, m_parity);
    Device()->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, m_dataBits);
    Device()->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, m_stopBits);
    if (StartDevice())
        return true;
    const auto *port = qobject_cast<const QSerialPort *>(Device()->device());
    *why = OpenFailure(PortName(), port ? port->error() : QSerialPort::UnknownError, Device()->errorString());
    Log().Write(ModbusLog::Failures, QStringLiteral("[%1] cannot open: %2").arg(LineName(), Device()->errorString()));
    return false;
}

void TSerialModbusClient::Open()
{
    m_lost = false;
    m_reconnectTimer.stop();
    if (Device()->state() != QModbusDevice::UnconnectedState)
        return;
    QString why;
    if (!OpenPort(&why))
        emit OnLineError(why);
}

void TSerialModbusClient::Close()
{
    m_lost = false;
    m_reconnectTimer.stop();
    if (!StopDevice())
        Post([this] { emit OnDisconnect(); });
}

void TSerialModbusClient::LineDown(bool wasUp, bool userClosed)
{
    m_settle.stop();
    m_guard.stop();
    m_unsettled = false;
    m_wire.clear();
    if (wasUp && !userClosed && m_reconnect) {
        m_lost = true;
        m_reconnectTimer.start();
    }
    if (wasUp || userClosed)
        emit OnDisconnect();
}

void TSerialModbusClient::DeviceError(QModbusDevice::Error error, const QString &text)
{
    // A port that vanishes (USB adapter pulled) floods read and connection errors while the
    // device still claims to be connected, and its pending reply never finishes: close the line.
    const bool lineBroken = error == QModbusDevice::ReadError || error == QModbusDevice::WriteError
                            || error == QModbusDevice::ConnectionError;
    if (!lineBroken || Device()->state() != QModbusDevice::ConnectedState)
        return;
    Log().Write(ModbusLog::Failures, QStringLiteral("[%1] %2; closing the line").arg(LineName(), text));
    emit OnLineError(tr("The serial port %1 stopped working: %2").arg(PortName(), text));
    Device()->disconnectDevice();
}
