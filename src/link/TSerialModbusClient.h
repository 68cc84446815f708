// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TLineSettings.h"
#include "link/TModbusClient.h"
#include "link/WireWatch.h"

#include <QDeadlineTimer>
#include <QMap>
#include <QSerialPort>

#include <algorithm>

// Modbus RTU on a serial port. COM port numbers map to "COMn" on Windows and /dev/ttyS(n-1)
// elsewhere, unless a device path was configured for the number (USB adapters). OnDisconnect is
// raised when the line closes, whether Close asked for it or the port went away. While Reconnect
// is set, a port that went away is opened again every ReconnectInterval until it is back (an
// adapter pulled and plugged in again) or Close is called; OnConnect follows each time.
class TSerialModbusClient : public TModbusClient
{
    Q_OBJECT

public:
    explicit TSerialModbusClient(QObject *parent = nullptr);

    int CommNumber() const { return m_commNumber; }
    void SetCommNumber(int number) { m_commNumber = number; }
    // The device behind COM port number n; an empty path restores the platform's default.
    void SetCommDevice(int number, const QString &path);
    // A device path that Open uses whatever the number; empty: the number's device.
    void SetDevice(const QString &path) { m_path = path.trimmed(); }
    // The port that Open will use.
    QString PortName() const;

    void SetBaudRate(int baud) { m_baudRate = baud; }
    int BaudRate() const { return m_baudRate; }
    void SetParity(QSerialPort::Parity parity) { m_parity = parity; }
    QSerialPort::Parity Parity() const { return m_parity; }
    void SetDataBits(QSerialPort::DataBits bits) { m_dataBits = bits; }
    QSerialPort::DataBits DataBits() const { return m_dataBits; }
    void SetStopBits(QSerialPort::StopBits bits) { m_stopBits = bits; }
    QSerialPort::StopBits StopBits() const { return m_stopBits; }

    bool Reconnect() const { return m_reconnect; }
    void SetReconnect(bool reconnect) { m_reconnect = reconnect; }
    int ReconnectInterval() const { return m_reconnectTimer.interval(); }
    void SetReconnectInterval(int ms) { m_reconnectTimer.setInterval(std::max(ms, 10)); }
    // After a request without an answer, the next one waits until the line has been quiet this
    // long (0: the failed request's timeout, at least 100 ms). For a caller whose timeout is
    // already fitted to the line rate, such as the board search.
    void SetLateAnswerWaitMs(int ms) { m_lateAnswerWaitMs = std::max(ms, 0); }
    // Whether a request that got not a single byte back holds the next one until the line is
    // quiet (true by default). A caller whose next request goes to another slave address, whose
    // answer's own address and CRC say whose it is, such as the board search, turns it off.
    void SetWaitAfterSilence(bool wait) { m_waitAfterSilence = wait; }
    // True while a port that went away is being opened again.
    bool Retrying() const { return m_lost && !m_userClosed; }

    void Open() override;
    void Close() override;
    QString LineName() const override { return PortName(); }

    // Why a port could not be opened, in words, with what to do where the user can do something.
    static QString OpenFailure(const QString &port, QSerialPort::SerialPortError error, const QString &text);

protected:
    void LineDown(bool wasUp, bool userClosed) override;
    void DeviceError(QModbusDevice::Error error, const QString &text) override;
    // RTU frames carry no transaction id: an answer that comes after its request's timeout would
    // pass for the next request's if that request were already out. After a request fails, the
    // next one waits until the line has been quiet for that request's timeout (an answer later
    // than twice its timeout is not expected), and what came meanwhile is thrown away. The line
    // then counts as unsettled until an answer has been taken on it with nothing after it.
    void Resynchronise(quint32 timeoutMs) override;
    void DeviceUp() override;
    // The bytes since the last answer must hold the answer's frame (address, PDU, CRC) and no other
    // frame of the slave; bytes that cannot be one (noise) are counted and dropped.
    QString WireFault(quint8 slave, const QByteArray &answerPdu) override;
    // On an unsettled line the answer taken may be a late one to an earlier request, with this
    // request's own answer still to come: it is handed on only once the line has carried no frame
    // of the slave after it for twice the board's longest answer time (within the request's
    // timeout). So is an answer followed by bytes that may still become a frame of the slave.
    bool HoldAnswer(quint32 timeoutMs) override;

private:
    // Holds the requests back until the line has been quiet for quietMs (never longer than
    // limitMs in all), then throws away what came meanwhile.
    void Settle(int quietMs, int limitMs);
    void Settled();
    void OnBytesRead();
    // An answer that noise before it kept Qt from taking: taken from the wire, and a fresh device
    // put in place of the one still waiting for it.
    void TakeAnswerFromWire();
    // Bytes after an answer held by the guard.
    void AfterAnswer(const QByteArray &bytes);
    // Sets the port's settings on device.
    void Configure(QModbusClient *device) const;
    // Sets the port up and opens it; false with why when it did not open.
    bool OpenPort(QString *why);

    int m_commNumber = 1;
    QString m_path;
    QMap<int, QString> m_devices;
    int m_baudRate = TLineSettings().BaudRate;
    QSerialPort::Parity m_parity = TLineSettings().Parity;
    QSerialPort::DataBits m_dataBits = TLineSettings().DataBits;
    QSerialPort::StopBits m_stopBits = TLineSettings().StopBits;
    TWireWatch m_watch;
    QByteArray m_wire;             // bytes the line carried since the request on the wire went out
    QByteArray m_idle;             // bytes that came while no request was out
    qsizetype m_idleOpen = -1;     // where bytes in m_idle that may become a frame began, once waited for
    QByteArray m_after;            // bytes after the answer the guard holds
    qsizetype m_afterOpen = -1;    // where bytes in m_after that may become a frame began, once waited for
    quint8 m_slave = 0;            // the slave last asked
    qsizetype m_requestBytes = 0;  // bytes the last request that ended got back
    bool m_unsettled = false;      // a late answer to an earlier request may still come
    bool m_holdNext = false;       // the answer taken is followed by bytes that may become a frame
    bool m_waitAfterSilence = true;
    bool m_freshDevice = false;  // a device is being put in place of one that missed an answer
    QTimer m_settle;
    QDeadlineTimer m_settleLimit;
    QTimer m_guard;  // an answer held until the line has stayed quiet after it
    int m_lateAnswerWaitMs = 0;
    bool m_reconnect = false;
    bool m_lost = false;  // the port went away and Close has not been called since
    QTimer m_reconnectTimer;
};
