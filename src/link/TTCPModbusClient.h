// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TLineSettings.h"
#include "link/TModbusClient.h"
#include "link/WireWatch.h"

#include <algorithm>

// Modbus TCP to a board at ServerAddress:Port. While Reconnect is set, a line that cannot be
// opened or is lost is tried again every ReconnectInterval, and OnConnect is raised each time it
// comes up. OnDisconnect is raised when an open line is lost, OnClose once Close has closed it.
class TTCPModbusClient : public TModbusClient
{
    Q_OBJECT

public:
    explicit TTCPModbusClient(QObject *parent = nullptr);

    QString ServerAddress() const { return m_address; }
    void SetServerAddress(const QString &address) { m_address = address.trimmed(); }
    quint16 Port() const { return m_port; }
    void SetPort(quint16 port) { m_port = port; }
    bool Reconnect() const { return m_reconnect; }
    void SetReconnect(bool reconnect);
    int ReconnectInterval() const { return m_reconnectInterval; }
    void SetReconnectInterval(int ms) { m_reconnectInterval = std::max(ms, 10); }

    void Open() override;
    void Close() override;
    QString LineName() const override;

    // The connection attempts since Open or since the line was last up (1 for the first).
    int Attempt() const { return m_attempt; }
    // True from Open until Close while the line is not up: an attempt is under way or the next
    // one will follow.
    bool Retrying() const;
    // Milliseconds until the next attempt, -1 while none is waiting.
    int NextAttemptInMs() const { return m_reconnectTimer.isActive() ? m_reconnectTimer.remainingTime() : -1; }
    // Why the last attempt failed, in a technician's words ("cannot connect to 10.0.0.7:502: the
    // connection was refused", "cannot reach host 10.0.0.7 (port 502): No route to host", "... no
    // answer within 10000 ms"); empty until one failed.
    QString AttemptFailure() const { return m_attemptFailure; }

signals:
    void OnClose();
    // A connection attempt starts (Attempt() tells which) or has failed (AttemptFailure() says why).
    void OnAttempt();

protected:
    void LineDown(bool wasUp, bool userClosed) override;
    void DeviceError(QModbusDevice::Error error, const QString &text) override;
    // Modbus TCP has no way to find the next frame in a stream that lost its step (a length field
    // that lies, junk, a cut frame, an answer that comes after its timeout): a fresh connection
    // starts clean.
    void Resynchronise(quint32 timeoutMs) override;
    void DeviceUp() override;
    // Qt's client checks neither the protocol id nor the unit id, and takes the PDU by its own
    // size whatever the length field says: the bytes since the last answer must be exactly one
    // frame, protocol id 0, the request's unit id, a length field of the unit id and the PDU.
    QString WireFault(quint8 slave, const QByteArray &answerPdu) override;

private:
    void TryConnect();
    void SetConnectionParameters(QModbusClient *device) const;
    // Ends a connection attempt under way; false when there is none.
    bool AbortConnectAttempt();
    void AttemptFailed(const QString &why);
    // "cannot reach host HOST (port N): why".
    QString Unreachable(const QString &why) const;

    int m_attempt = 0;
    QString m_attemptFailure;

    QString m_address = QStringLiteral("127.0.0.1");
    quint16 m_port = TLineSettings().Port;
    bool m_reconnect = true;
    int m_reconnectInterval = 10000;
    bool m_openPending = false;
    QTimer m_reconnectTimer;
    QTimer m_connectGuard;
    TWireWatch m_watch;
    QByteArray m_wire;  // bytes the connection carried since the last answer
};
