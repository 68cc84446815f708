// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TModbusClient.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <optional>
#include <span>
#include <vector>

// What made a write to the board: an edit of a control, a configuration Load, or a command (a
// button such as Start/Stop or Set, z4ctl write).
enum class TWriteCause { Edit, Load, Command };

// What one request does with its outcome; any handler may be empty. A request without a valid
// answer runs the session's shared failure handler first (the communication-error window), then
// its own OnFailed.
struct TRequestHandlers
{
    std::function<void(const TModbusAnswer &)> OnReply = {};
    std::function<void(const TModbusAnswer &)> OnRefused = {};
    std::function<void()> OnFailed = {};
    // For a caller that repeats failed requests: asked first on a failure, false when the caller
    // will send the request again, and the shared failure handler then stays quiet (OnFailed still
    // runs). Empty: every failure is final.
    std::function<bool()> FinalFailure = {};
    // The request is sent again after the same one failed (marked so in the traffic record).
    bool Repeat = false;
    // A write's cause, what it sets in the window's words ("Supply setpoint"), the names of its
    // registers when they have names of their own (a Load's "Settings.SupplySP"), and the first
    // register's value before when the writer knows it and the session has not seen it.
    TWriteCause Cause = TWriteCause::Edit;
    QString What = {};
    std::optional<quint16> Old = {};
    QStringList Names = {};
};

// A write the session made and its outcome, for the recording's audit trail.
struct TWriteNote
{
    enum Outcome { Taken, Refused, Failed };
    quint16 Start = 0;
    std::vector<quint16> Values;
    // What each register held before the write, where known (one for each value).
    std::vector<std::optional<quint16>> Old;
    TWriteCause Cause = TWriteCause::Edit;
    QString What;
    QStringList Names;  // one for each value, or none
    Outcome Result = Taken;
};

// The link state that every page shares: the active client, the slave address, the request
// timeout, the shared failure handler, and whether the line is up. Pages talk to the board only
// through the reads and writes below.
class TBoardSession : public QObject
{
    Q_OBJECT

public:
    explicit TBoardSession(QObject *parent = nullptr) : QObject(parent) {}

    TModbusClient *ActiveClient() const { return m_activeClient; }
    void SetActiveClient(TModbusClient *client)
    {
        if (client != m_activeClient)
            ForgetAll();
        m_activeClient = client;
    }
    quint8 SlaveAddress() const { return m_slaveAddress; }
    void SetSlaveAddress(quint8 address)
    {
        if (address != m_slaveAddress)
            ForgetAll();
        m_slaveAddress = address;
    }
    quint32 RequestTimeout() const { return m_requestTimeout; }
    void SetRequestTimeout(quint32 ms) { m_requestTimeout = ms; }
    // The line is open. The line (TBoardLine) sets it from its state; only test rigs that hand the
    // session a client of their own stand in for one.
    bool Connected() const { return m_connected; }
    void SetConnected(bool connected)
    {
        if (connected != m_connected)
            ForgetAll();
        m_connections += connected && !m_connected ? 1 : 0;
        m_connected = connected;
    }
    // Counts the connections made: what is learnt about the board holds while this stays the same.
    quint32 Connection() const { return m_connections; }
    // False from a request without an answer until the next answer or the next open (the
    // communication-error window stands); set by the line.
    bool LinkOk() const { return m_linkOk; }
    void SetLinkOk(bool ok) { m_linkOk = ok; }
    // Runs for every request of the session that gets no valid answer, before its own OnFailed
    // (for a request to be repeated, only on its final failure).
    void SetSharedFailureHandler(std::function<void()> handler) { m_sharedFailure = std::move(handler); }

    // The requests go to the active client (none: nothing happens). A request made while the line
    // is closed is discarded by the client without an outcome.
    void Read(quint16 start, quint16 count, TRequestHandlers handlers = {});
    void WriteSingle(quint16 address, quint16 value, TRequestHandlers handlers = {});
    void WriteMultiple(quint16 start, std::span<const quint16> values, TRequestHandlers handlers = {});

    // What the board holds at address as far as this session saw it: the last answered read or
    // write taken there since the line opened to this slave address; nothing when none was, or
    // when a write there went unanswered (the board may or may not have taken it) since.
    std::optional<quint16> Known(quint16 address) const;

signals:
    // Every write made through the session, once its outcome is known.
    void WriteDone(const TWriteNote &note);

private:
    FunctionsStr Record(TRequestHandlers handlers) const;
    // The handlers of a write that also tell WriteDone.
    TRequestHandlers Noted(quint16 start, std::span<const quint16> values, TRequestHandlers handlers);
    void Learn(quint16 start, std::span<const quint16> values);
    void Forget(quint16 start, size_t count);
    void ForgetAll() { m_known.clear(); }

    TModbusClient *m_activeClient = nullptr;
    quint8 m_slaveAddress = 0;
    quint32 m_requestTimeout = 0;
    std::function<void()> m_sharedFailure;
    bool m_connected = false;
    quint32 m_connections = 0;
    bool m_linkOk = false;
    // Known() by register address, -1 where unknown; empty until the first answer.
    std::vector<qint32> m_known;
};
