// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TLineSettings.h"

#include <QDateTime>
#include <QObject>
#include <QTimer>

class TBoardSession;
class TModbusClient;
class TSerialModbusClient;
class TTCPModbusClient;

// What the line to the board does.
enum class TLineState {
    Closed,     // not open; Reason says why when opening it failed or was given up
    Opening,    // being opened (over TCP: try n, the next in s)
    Waiting,    // open, waiting for the board's first answer
    Answering,  // the board answers
    Silent,     // open, but the board has not answered a request within its timeout
    Lost,       // the line went down by itself and is being opened again
    Closing,    // being closed
};

// The line's state as every view shows it: the state, when it began and why, and the text that
// says it.
struct TLineStatus
{
    TLineState State = TLineState::Closed;
    TLineState Previous = TLineState::Closed;
    // When the state began; Silent and Lost: when the board last answered on this line (when it
    // never did: when the line opened, or went down).
    QDateTime Since;
    QString Reason;         // the failure that led here; empty when none
    bool Answered = false;  // the board answered since the line was opened
    QDateTime LastAnswer;   // when the board last answered, on any line (invalid: never)
    QString Line;           // the line's name ("/dev/ttyUSB0 (19200 8E1)", "10.0.0.7:502")
    quint8 Unit = 0;
    int Try = 0;       // Opening, Lost over TCP: the connection attempt (1 for the first); 0: none counted
    int NextInS = -1;  // seconds to the next attempt; -1 while none waits

    // The one text of the state, for the connection box, the status bar and the error window.
    QString Text() const;
    // The time of Since as the texts show it ("14:07:09").
    QString SinceText() const;
    // The line is open (the session's Connected).
    bool Open() const;
};

// The line to the board and its lifecycle, apart from any window: opened with a TLineSettings on
// the model's TCP or serial client, followed through the client's events and the outcomes of the
// session's requests, and closed. Every change is one StateChanged. The session's Connected
// follows it, and so does its LinkOk, which stands for an error window: false from a request
// without an answer until the next answer, a new Open or ErrorSeen.
class TBoardLine : public QObject
{
    Q_OBJECT

public:
    TBoardLine(TBoardSession &session, TTCPModbusClient &tcp, TSerialModbusClient &serial, QObject *parent = nullptr);

    // The settings of the next Open; they reach the clients at once (and, while the line is
    // closed, the session: the client in use, the unit address and the timeout).
    const TLineSettings &Settings() const { return m_settings; }
    void SetSettings(const TLineSettings &settings);
    // The board now answers at another unit address: the session and every text follow it.
    void SetUnit(quint8 unit);
    // True (the window): a line refused, unreachable or lost is tried again until Close. False
    // (scripts, the board search): the first failure closes it.
    void SetRetrying(bool retrying);
    // Where the link's log goes from the next Open; empty: where the client has it.
    void SetLogFolder(const QString &folder) { m_logFolder = folder; }

    const TLineStatus &Status() const { return m_status; }
    TLineState State() const { return m_status.State; }
    TModbusClient &Client() const;
    // When the board last answered on any line (invalid until it did).
    QDateTime LastAnswer() const { return m_lastAnswer; }

    // Opens the line with Settings(); a line open or being opened is closed first.
    void Open();
    // Closes the line, or gives up opening it (Cancel).
    void Close();
    // The error window was closed by the user: the next failure raises another.
    void ErrorSeen();

signals:
    void StateChanged(const TLineStatus &status);
    // A request got no valid answer while no error was raised since the last answer.
    void ErrorRaised(const QString &failure);
    // The board answered again, or a new Open began, after ErrorRaised.
    void ErrorCleared();

private:
    bool IsActive(const QObject *client) const;
    void Enter(TLineState state, const QString &reason = {}, QDateTime since = {});
    void Refresh();
    void ClearError();
    void OnConnect();
    void OnLineDown(bool byItself);
    void OnAttempt();
    void OnLineError(const QString &message);
    void OnAnswer();
    void OnFailure();

    TBoardSession &m_session;
    TTCPModbusClient &m_tcp;
    TSerialModbusClient &m_serial;
    TLineSettings m_settings;
    TLineStatus m_status;
    QString m_logFolder;
    QDateTime m_lastAnswer;
    QString m_lineError;  // what the client said last about its line
    bool m_retrying = true;
    bool m_openWhenClosed = false;  // Open came while the line before was still closing
    QTimer m_tick;                  // counts down to the next attempt, second by second
};
