// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "TcpFaultRelay.h"
#include "Z4Board.h"

#include <QHostAddress>
#include <QList>
#include <QObject>
#include <QRandomGenerator>
#include <QSerialPort>
#include <QTimer>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class QModbusServer;
class QModbusPdu;
class QModbusResponse;

// One request as the board received it.
struct SimRequest
{
    quint8 Function = 0;
    quint16 Address = 0;
    quint16 Count = 0;      // registers read or written (1 for a single write)
    QList<quint16> Values;  // values written
};

// Faults the board can be told to show, at start or while it runs.
struct SimFaults
{
    struct Refusal
    {
        quint16 First = 0;
        quint16 Last = 0;
        quint8 Code = 2;          // illegal data address
        bool WritesOnly = false;  // reads of the registers are answered
    };

    int DelayMs = 0;                // answers come this late
    int DropEvery = 0;              // every Nth request gets no answer
    int CorruptEvery = 0;           // every Nth read is answered with a wrong byte count
    int CloseAfter = 0;             // TCP: the connection is dropped at its request N+1
    QList<Refusal> Refuse;          // requests touching these registers are refused
    int MaxRead = 0;                // reads of more registers are refused with exception 3; 0: up to 125
    bool SwallowLongReads = false;  // reads over MaxRead get no answer instead of a refusal
    // Every Nth answer the kind applies to is badly sent this way (the TCP kinds on TCP only).
    Misframing Misframe = Misframing::None;
    int MisframeEvery = 0;
    // Every Nth request is answered LateMs later still; the answers after it wait their turn.
    int LateEvery = 0;
    int LateMs = 0;
    // RTU: bursts of 1 to 5 random bytes go out between frames, on average every ChatterMs
    // milliseconds (half to one and a half times it apart); 0: a quiet line.
    int ChatterMs = 0;
};

struct SimSerialSettings
{
    int BaudRate = 19200;
    QSerialPort::Parity Parity = QSerialPort::EvenParity;
    QSerialPort::DataBits DataBits = QSerialPort::Data8;
    QSerialPort::StopBits StopBits = QSerialPort::OneStop;
};

// On a line that carries bytes at once (a pty pair), the board can still answer at the pace of a
// real RS-485 line: a frame takes its characters' time on the wire at LineRate (start bit, data
// bits, parity bit and stop bits of the serial settings a character), and is followed by a
// silence of 3.5 characters (1.75 ms above 19200 baud) before the other side may answer or send.
// A request starts on the wire when it arrives, or when the silence after the last answer ends if
// it arrives earlier; its answer is written when its last character would have arrived.
struct SimLinePacing
{
    int LineRate = 0;      // baud; 0: answers go out as soon as they are made
    int TurnaroundMs = 0;  // the board's own time from the end of a request to its answer
};

// The simulated board on Modbus TCP and/or RTU, answering from a Z4Board. Used in-process by the
// tests and behind the z4sim executable.
class Z4SimServer : public QObject
{
    Q_OBJECT

public:
    explicit Z4SimServer(const Z4BoardOptions &options = {}, QObject *parent = nullptr);
    ~Z4SimServer() override;

    Z4Board &Board() { return m_board; }

    // The slave address to answer at, before the line is opened. A write of the board's slave
    // address register (1 .. 247) moves it, as on a real board, once its own answer has gone out.
    void SetUnit(quint8 unit) { m_unit = unit; }
    quint8 Unit() const { return m_unit; }

    // Serves Modbus TCP on address:port; port 0 picks a free one (see TcpPort).
    bool ListenTcp(const QHostAddress &address, quint16 port, QString *error);
    quint16 TcpPort() const { return m_relay ? m_relay->Port() : 0; }
    // The loopback port of the Modbus server behind the fault relay (0 while not serving TCP).
    quint16 InnerTcpPort() const;
    // Serves Modbus RTU on a serial device (a pty works).
    bool OpenRtu(const QString &device, const SimSerialSettings &settings, QString *error);
    void Stop();

    // Pacing applies to RTU answers from the next request on.
    void SetLinePacing(const SimLinePacing &pacing) { m_pacing = pacing; }
    const SimLinePacing &LinePacing() const { return m_pacing; }

    // Faults apply from the next request on.
    void SetFaults(const SimFaults &faults);
    const SimFaults &Faults() const { return m_faults; }
    // Drops the open TCP connections now.
    void DropConnections();

    // Measurements drift once a second while ticking (off by default, so tests see fixed values).
    void SetTicking(bool on);
    // Every accepted write is saved to this file (empty: none).
    void SetStateFile(const QString &path) { m_stateFile = path; }

    // Bytes of chatter sent so far.
    quint64 ChatterBytes() const { return m_chatterBytes; }
    const QList<SimRequest> &Requests() const { return m_requests; }
    // Registers written, in order, as (address, value).
    const QList<QPair<quint16, quint16>> &Writes() const { return m_writes; }
    void ClearRecord();

signals:
    void RequestHandled(const SimRequest &request);
    // A write could not be saved to the state file.
    void StateFileError(const QString &message);

private:
    QModbusResponse Answer(const QModbusPdu &request, bool rtu);
    void ChangeUnit(quint8 unit);
    QModbusResponse Execute(const QModbusPdu &request, SimRequest &record);
    // When an RTU answer may go out: arrivedNs is when the request came in, answerChars the
    // answer's length on the wire (0: none goes out), extraNs how much later than the board's
    // usual time. Monotonic nanoseconds.
    qint64 RtuAnswerDue(qint64 arrivedNs, int requestChars, int answerChars, qint64 extraNs);
    // The RTU answers are written here, not by Qt's server, so that they go out in order at their
    // times without the server waiting inside a request, and may be malformed at will.
    void QueueRtuAnswer(qint64 dueNs, const QByteArray &frame, std::function<void()> sent);
    void SendDueRtuAnswers();
    // Sends one burst of chatter and times the next.
    void Chatter();

    Z4Board m_board;
    quint8 m_unit = 1;
    SimFaults m_faults;
    std::unique_ptr<QModbusServer> m_tcp;
    std::unique_ptr<TcpFaultRelay> m_relay;
    std::unique_ptr<QModbusServer> m_rtu;
    struct RtuAnswer
    {
        qint64 DueNs = 0;
        QByteArray Frame;
        std::function<void()> Sent;
    };
    std::deque<RtuAnswer> m_rtuAnswers;
    QTimer m_rtuSender;
    QTimer m_chatter;
    QRandomGenerator m_noise{37};
    quint64 m_chatterBytes = 0;
    int m_rtuBitsPerChar = 11;
    SimLinePacing m_pacing;
    qint64 m_lineQuietFromNs = 0;  // when the silence after the last paced answer ends
    QTimer m_ticker;
    QString m_stateFile;
    quint64 m_handled = 0;
    quint64 m_reads = 0;
    quint64 m_misframable = 0;
    std::optional<quint8> m_movingTo;  // the slave address a write just set
    QList<SimRequest> m_requests;
    QList<QPair<quint16, quint16>> m_writes;
};
