// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/TBoardLine.h"

#include "link/TSerialModbusClient.h"
#include "link/TTCPModbusClient.h"
#include "session/TBoardSession.h"

namespace {
QString Clock(const QDateTime &at)
{
    return at.time().toString(QStringLiteral("HH:mm:ss"));
}
}  // namespace

QString TLineStatus::SinceText() const
{
    return Clock(Since);
}

bool TLineStatus::Open() const
{
    return State == TLineState::Waiting || State == TLineState::Answering || State == TLineState::Silent;
}

QString TLineStatus::Text() const
{
    const auto attempts = [this] {
        QString text;
        if (Try > 0)
            text += QStringLiteral(", try %1").arg(Try);
        if (NextInS >= 0)
            text += QStringLiteral(", next in %1 s").arg(NextInS);
        if (!Reason.isEmpty())
            text += QLatin1Char('\n') + Reason;
        return text;
    };
    switch (State) {
    case TLineState::Closed:
        if (!Reason.isEmpty())
            return Reason;
        return LastAnswer.isValid() ? QStringLiteral("Line closed; values from %1").arg(Clock(LastAnswer))
                                    : QStringLiteral("Line closed");
    case TLineState::Opening:
        return QStringLiteral("Connecting to %1").arg(Line) + attempts();
    case TLineState::Waiting:
        return QStringLiteral("%1 open, waiting for the board at address %2").arg(Line).arg(Unit);
    case TLineState::Answering:
        return QStringLiteral("Connected to %1, board address %2").arg(Line).arg(Unit);
    case TLineState::Silent:
        // The advice of a first connect holds for a board that went quiet as well.
        return QStringLiteral("No answer from the board%1 at address %2 on %3: check the cable, the address and "
                              "the line settings")
            .arg(Answered ? QStringLiteral(" since %1").arg(SinceText()) : QString())
            .arg(Unit)
            .arg(Line);
    case TLineState::Lost:
        return QStringLiteral("no connection to %1 since %2, trying again").arg(Line, SinceText()) + attempts();
    case TLineState::Closing:
        return QStringLiteral("Closing %1").arg(Line);
    }
    return {};
}

TBoardLine::TBoardLine(TBoardSession &session, TTCPModbusClient &tcp, TSerialModbusClient &serial, QObject *parent)
    : QObject(parent), m_session(session), m_tcp(tcp), m_serial(serial)
{
    for (TModbusClient *client : {static_cast<TModbusClient *>(&m_tcp), static_cast<TModbusClient *>(&m_serial)}) {
        connect(client, &TModbusClient::OnConnect, this, [this, client] {
            if (IsActive(client))
                OnConnect();
        });
        connect(client, &TModbusClient::OnResponse, this, [this, client] {
            if (IsActive(client))
                OnAnswer();
        });
        connect(client, &TModbusClient::OnLineError, this, [this, client](const QString &message) {
            if (IsActive(client))
                OnLineError(message);
        });
    }
    connect(&m_tcp, &TModbusClient::OnDisconnect, this, [this] {
        if (IsActive(&m_tcp))
            OnLineDown(true);
    });
    connect(&m_tcp, &TTCPModbusClient::OnClose, this, [this] {
        if (IsActive(&m_tcp))
            OnLineDown(false);
    });
    connect(&m_serial, &TModbusClient::OnDisconnect, this, [this] {
        if (IsActive(&m_serial))
            OnLineDown(m_serial.Retrying());
    });
    connect(&m_tcp, &TTCPModbusClient::OnAttempt, this, [this] {
        if (IsActive(&m_tcp))
            OnAttempt();
    });
    m_tick.setSingleShot(true);
    connect(&m_tick, &QTimer::timeout, this, &TBoardLine::Refresh);
    m_session.SetSharedFailureHandler([this] { OnFailure(); });
    SetRetrying(true);
    SetSettings(m_settings);
    m_status.Line = m_settings.Name();
    m_status.Unit = m_settings.Unit;
}

TModbusClient &TBoardLine::Client() const
{
    if (m_status.State == TLineState::Closed)
        return m_settings.Serial ? static_cast<TModbusClient &>(m_serial) : m_tcp;
    return m_session.ActiveClient() == &m_serial ? static_cast<TModbusClient &>(m_serial) : m_tcp;
}

// Only the client in use speaks for the line: one given up may still report its closing after
// the other came up.
bool TBoardLine::IsActive(const QObject *client) const
{
    return m_session.ActiveClient() == client;
}

void TBoardLine::SetSettings(const TLineSettings &settings)
{
    m_settings = settings;
    settings.ApplyTo(m_tcp);
    settings.ApplyTo(m_serial);
    if (m_status.State != TLineState::Closed)
        return;  // the line in use keeps its own until the next Open
    m_session.SetActiveClient(&Client());
    m_session.SetSlaveAddress(settings.Unit);
    m_session.SetRequestTimeout(static_cast<quint32>(settings.TimeoutMs));
}

void TBoardLine::SetUnit(quint8 unit)
{
    m_settings.Unit = unit;
    m_session.SetSlaveAddress(unit);
    m_status.Unit = unit;
    emit StateChanged(m_status);
}

void TBoardLine::SetRetrying(bool retrying)
{
    m_retrying = retrying;
    m_tcp.SetReconnect(retrying);
    m_serial.SetReconnect(retrying);
}

void TBoardLine::Open()
{
    // A line open or being opened is closed first; the new one opens once it is.
    if (m_status.State != TLineState::Closed) {
        Close();
        m_openWhenClosed = m_status.State != TLineState::Closed;
        if (m_openWhenClosed)
            return;
    }
    TModbusClient &client = m_settings.Serial ? static_cast<TModbusClient &>(m_serial) : m_tcp;
    m_settings.ApplyTo(m_tcp);
    m_settings.ApplyTo(m_serial);
    // A script or a search gives a host that does not answer the connection one request's time.
    if (!m_retrying)
        m_tcp.SetReconnectInterval(m_settings.TimeoutMs);
    m_session.SetActiveClient(&client);
    m_session.SetSlaveAddress(m_settings.Unit);
    m_session.SetRequestTimeout(static_cast<quint32>(m_settings.TimeoutMs));
    m_lineError.clear();
    m_status.Answered = false;
    m_status.Line = m_settings.Name();
    m_status.Unit = m_settings.Unit;
    m_status.Try = 0;
    m_status.NextInS = -1;
    // An error window left from the line before goes with it.
    ClearError();
    Enter(TLineState::Opening);
    client.ClearCounters();
    if (!m_logFolder.isEmpty())
        client.SetLogFilePath(m_logFolder);
    client.Open();
}

void TBoardLine::Close()
{
    m_openWhenClosed = false;
    const TLineState state = m_status.State;
    if (state == TLineState::Closed || state == TLineState::Closing)
        return;
    // Given up while the board could not be reached: why stays said.
    const QString reason = state == TLineState::Opening || state == TLineState::Lost ? m_status.Reason : QString();
    Enter(TLineState::Closing, reason);
    Client().Close();
}

void TBoardLine::ErrorSeen()
{
    m_session.SetLinkOk(true);
}

void TBoardLine::ClearError()
{
    if (m_session.LinkOk())
        return;
    m_session.SetLinkOk(true);
    emit ErrorCleared();
}

void TBoardLine::Enter(TLineState state, const QString &reason, QDateTime since)
{
    m_status.Previous = m_status.State;
    m_status.State = state;
    m_status.Since = since.isValid() ? since : QDateTime::currentDateTime();
    m_status.Reason = reason;
    m_status.LastAnswer = m_lastAnswer;
    if (state != TLineState::Opening && state != TLineState::Lost) {
        m_status.Try = 0;
        m_status.NextInS = -1;
    }
    m_session.SetConnected(m_status.Open());
    if (state == TLineState::Opening || state == TLineState::Lost)
        Refresh();
    else
        m_tick.stop();
    emit StateChanged(m_status);
}

// The attempt under way and the count to the next, while a TCP line is being opened.
void TBoardLine::Refresh()
{
    const TLineState state = m_status.State;
    if ((state != TLineState::Opening && state != TLineState::Lost) || !IsActive(&m_tcp)) {
        m_tick.stop();
        return;
    }
    const int tries = m_tcp.Attempt();
    const int nextMs = m_tcp.NextAttemptInMs();
    const int next = nextMs >= 0 ? (nextMs + 999) / 1000 : -1;
    const QString reason = m_tcp.AttemptFailure().isEmpty() ? m_status.Reason : m_tcp.AttemptFailure();
    if (nextMs >= 0)
        m_tick.start(nextMs % 1000 + 1);  // shown again just after the count drops: no second skipped
    else
        m_tick.stop();
    if (tries == m_status.Try && next == m_status.NextInS && reason == m_status.Reason)
        return;
    m_status.Try = tries;
    m_status.NextInS = next;
    m_status.Reason = reason;
    if (sender() == &m_tick)
        emit StateChanged(m_status);
}

void TBoardLine::OnAttempt()
{
    const TLineState state = m_status.State;
    if (state != TLineState::Opening && state != TLineState::Lost)
        return;
    if (!m_retrying && !m_tcp.IsOpen() && !m_tcp.AttemptFailure().isEmpty()) {
        const QString why = m_tcp.AttemptFailure();
        Enter(TLineState::Closing, why);
        m_tcp.Close();
        return;
    }
    const TLineStatus before = m_status;
    Refresh();
    if (m_status.Try != before.Try || m_status.NextInS != before.NextInS || m_status.Reason != before.Reason)
        emit StateChanged(m_status);
}

void TBoardLine::OnConnect()
{
    const TLineState state = m_status.State;
    if (state != TLineState::Opening && state != TLineState::Lost)
        return;
    ClearError();
    Enter(TLineState::Waiting);
}

void TBoardLine::OnLineDown(bool byItself)
{
    const TLineState state = m_status.State;
    if (state == TLineState::Closed)
        return;
    // Lost: opened again until Close, where the client tries again; else closed for good.
    if (byItself && m_status.Open() && m_retrying) {
        Enter(TLineState::Lost, m_lineError, m_status.Answered ? m_lastAnswer : QDateTime());
        return;
    }
    if (byItself && !m_status.Open() && m_retrying)
        return;  // lost again while being opened again
    Enter(TLineState::Closed, state == TLineState::Closing ? m_status.Reason : m_lineError);
    if (std::exchange(m_openWhenClosed, false))
        Open();
}

void TBoardLine::OnLineError(const QString &message)
{
    m_lineError = message;
    // A serial port that does not open is not tried again.
    if (m_status.State == TLineState::Opening && IsActive(&m_serial) && !m_serial.IsOpen())
        Enter(TLineState::Closed, message);
}

void TBoardLine::OnAnswer()
{
    m_lastAnswer = QDateTime::currentDateTime();
    m_status.LastAnswer = m_lastAnswer;
    m_status.Answered = true;
    if (m_status.State == TLineState::Waiting || m_status.State == TLineState::Silent)
        Enter(TLineState::Answering);
    ClearError();
}

void TBoardLine::OnFailure()
{
    // Requests still waiting when the line is closed fail too: no failure of the board.
    if (!m_status.Open())
        return;
    const QString failure = Client().LastFailure();
    // A line that went down says so by its own events.
    if (m_status.State != TLineState::Silent && Client().LastFailureKind() != TFailureKind::LineDown)
        Enter(TLineState::Silent, failure, m_status.Answered ? m_lastAnswer : m_status.Since);
    // One error stands for any number of failures.
    if (!m_session.LinkOk())
        return;
    m_session.SetLinkOk(false);
    emit ErrorRaised(failure);
}
