// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/TSerialModbusClient.h"

#include "link/RtuFrames.h"

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
        CountNoise(m_after.size());
        m_after.clear();
        m_unsettled = false;
        m_holdNext = false;
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
    m_watch.Start(Device()->device());
    // A device put in place of one that waited for an answer already taken: the line goes on.
    if (std::exchange(m_freshDevice, false))
        return;
    m_wire.clear();
    m_idle.clear();
    m_after.clear();
    m_unsettled = false;
    m_holdNext = false;
}

void TSerialModbusClient::OnBytesRead()
{
    // Runs after Qt's own handler: the bytes of an answer it has just taken were taken with it.
    const QByteArray bytes = m_watch.Take();
    if (bytes.isEmpty())
        return;
    if (m_settle.isActive()) {
        // Noise does not keep the line from settling; a frame of the slave, or its beginning, does.
        m_idle += bytes;
        const TRtuScan scan = ScanRtu(m_idle, m_slave);
        const bool frame = !scan.Frames.isEmpty();
        if (frame || (scan.Open >= 0 && scan.Open != m_idleOpen))
            m_settle.start(static_cast<int>(
                std::min<qint64>(std::max<qint64>(m_settle.remainingTime(), kQuietMs), m_settleLimit.remainingTime())));
        if (frame) {
            // Judged: what follows is looked at on its own.
            const TRtuScan::Frame &last = scan.Frames.constLast();
            CountNoise(scan.Noise);
            m_idle.remove(0, last.At + last.Size);
            m_idleOpen = -1;
        } else {
            m_idleOpen = scan.Open;
        }
        return;
    }
    if (m_guard.isActive()) {
        AfterAnswer(bytes);
        return;
    }
    if (AwaitingAnswer()) {
        m_wire += bytes;
        TakeAnswerFromWire();
        return;
    }
    // Bytes that belong to no request. Noise is dropped; a frame of the slave (a late or second
    // answer) holds the next request until the line falls quiet, and the answer to it until the
    // line stays so; bytes that may still become one leave the line unsettled.
    m_idle += bytes;
    const TRtuScan scan = ScanRtu(m_idle, m_slave);
    if (!scan.Frames.isEmpty()) {
        Resynchronising(QStringLiteral("a frame of slave %1 came while no request was out (%2 bytes)")
                            .arg(m_slave)
                            .arg(m_idle.size()));
        m_idleOpen = -1;
        Settle(kQuietMs, kQuietMs + kChatterMs);
        return;
    }
    if (scan.Open >= 0)
        m_unsettled = true;
    else
        CountNoise(std::exchange(m_idle, {}).size());
}

void TSerialModbusClient::TakeAnswerFromWire()
{
    // Qt reads a frame from the first byte after its request on: one behind noise it never takes.
    // The first frame of the slave that answers the request, with no frame of the slave before it.
    const quint8 slave = InFlightSlave();
    TRtuScan::Frame frame{-1, 0};
    for (qsizetype at = m_wire.indexOf(static_cast<char>(slave)); at >= 0 && frame.At < 0;
         at = m_wire.indexOf(static_cast<char>(slave), at + 1)) {
        for (const qsizetype size : RtuFrameSizes(m_wire, at)) {
            if (Fits(m_wire.mid(at + 1, size - 3))) {
                frame = {at, size};
                break;
            }
        }
    }
    if (frame.At < 0 || !ScanRtu(m_wire.left(frame.At), slave).Frames.isEmpty())
        return;  // none yet; behind another frame of the slave it is judged when Qt gives up
    const QByteArray pdu = m_wire.mid(frame.At + 1, frame.Size - 3);
    const QByteArray wire = std::exchange(m_wire, {});
    m_slave = slave;
    m_requestBytes = wire.size();
    CountNoise(frame.At);
    m_after = wire.mid(frame.At + frame.Size);
    m_holdNext = ScanRtu(m_after, slave).Open >= 0;
    m_idle.clear();
    // Qt's device would wait out the timeout for the answer it missed: a fresh one takes its place
    // before the next request goes out.
    QPointer<TSerialModbusClient> self(this);
    HoldRequests(true);
    TakeAnswer(pdu);
    if (!self)
        return;
    if (IsOpen() && !m_userClosed) {
        auto *fresh = new QModbusRtuSerialClient;
        Configure(fresh);
        m_freshDevice = true;
        ReopenDevice(fresh, QStringLiteral("an answer behind %1 bytes of noise taken from the wire").arg(frame.At));
    }
    HoldRequests(false);
}

void TSerialModbusClient::AfterAnswer(const QByteArray &bytes)
{
    m_after += bytes;
    const TRtuScan scan = ScanRtu(m_after, m_slave);
    if (!scan.Frames.isEmpty()) {
        m_guard.stop();
        ReleaseAnswer(QStringLiteral("a frame of slave %1 came after it (a second answer: the line is out of step)")
                          .arg(m_slave));
        return;
    }
    // Bytes that may become a frame are given the guard's whole time to become one, once.
    if (scan.Open >= 0 && scan.Open != m_afterOpen) {
        m_afterOpen = scan.Open;
        m_guard.start(m_guard.interval());
    }
}

void TSerialModbusClient::Resynchronise(quint32 timeoutMs)
{
    if (!m_waitAfterSilence && m_requestBytes == 0)
        return;
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
    m_idle.clear();
    m_idleOpen = -1;
    HoldRequests(false);
}

QString TSerialModbusClient::WireFault(quint8 slave, const QByteArray &answerPdu)
{
    m_wire += m_watch.Take();
    const QByteArray wire = std::exchange(m_wire, {});
    m_slave = slave;
    m_requestBytes = wire.size();
    m_after.clear();
    m_holdNext = false;
    m_idle.clear();
    if (answerPdu.isEmpty()) {
        const TRtuScan scan = ScanRtu(wire, slave);
        if (scan.Frames.isEmpty() && scan.Open < 0) {
            CountNoise(scan.Noise);
            return {};
        }
        return QStringLiteral("%1 bytes came that make no answer").arg(wire.size());
    }
    // Qt has checked the address and the CRC of the frame it took: the first one of these bytes.
    const QByteArray head = QByteArray(1, static_cast<char>(slave)) + answerPdu;
    const qsizetype at = wire.indexOf(head);
    const qsizetype size = head.size() + 2;
    if (at < 0 || at + size > wire.size())
        return QStringLiteral("the answer taken is not the %1 bytes that came").arg(wire.size());
    const TRtuScan before = ScanRtu(wire.left(at), slave);
    const QByteArray rest = wire.mid(at + size);
    const TRtuScan after = ScanRtu(rest, slave);
    if (!before.Frames.isEmpty() || !after.Frames.isEmpty())
        return QStringLiteral("%1 bytes came besides the answer, with %2 more frames of slave %3")
            .arg(wire.size() - size)
            .arg(before.Frames.size() + after.Frames.size())
            .arg(slave);
    CountNoise(at + after.Noise);
    m_after = rest;
    m_holdNext = after.Open >= 0;
    return {};
}

bool TSerialModbusClient::HoldAnswer(quint32 timeoutMs)
{
    if (!m_unsettled && !m_holdNext) {
        CountNoise(m_after.size());
        m_after.clear();
        return false;
    }
    const double longest = LongestAnswerMs();
    const auto guardMs = longest > 0
                             ? std::clamp<qint64>(static_cast<qint64>(2 * longest) + kQuietMs, kQuietMs, timeoutMs)
                             : static_cast<qint64>(timeoutMs);
    m_afterOpen = m_holdNext ? ScanRtu(m_after, m_slave).Open : -1;
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

void TSerialModbusClient::Configure(QModbusClient *device) const
{
    device->setConnectionParameter(QModbusDevice::SerialPortNameParameter, PortName());
    device->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, m_baudRate);
    device->setConnectionParameter(QModbusDevice::SerialParityParameter, m_parity);
    device->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, m_dataBits);
    device->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, m_stopBits);
}

bool TSerialModbusClient::OpenPort(QString *why)
{
    Configure(Device());
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
    m_holdNext = false;
    m_freshDevice = false;
    m_wire.clear();
    m_idle.clear();
    m_after.clear();
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
