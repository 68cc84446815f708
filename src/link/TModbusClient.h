// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/ModbusLog.h"

#include <QByteArray>
#include <QList>
#include <QModbusDevice>
#include <QObject>
#include <QPointer>
#include <QTimer>

#include <deque>
#include <functional>
#include <optional>
#include <span>

class QModbusClient;
class QModbusReply;

// One answer of the board as the reply closures receive it.
struct TModbusAnswer
{
    quint8 FunctionCode = 0;
    // Reads: the number of register bytes that follow (twice the register count). Writes: 0.
    quint8 ByteCount = 0;
    // Reads: the registers as the board sent them. Writes: the two words the board echoes
    // (address and value for a single write, start and count for a block write).
    QList<quint16> Registers;
    // Refusals: the Modbus exception code (2 = illegal data address, ...). Otherwise 0.
    quint8 ExceptionCode = 0;

    qint16 Signed(qsizetype index) const { return static_cast<qint16>(Registers.at(index)); }
};

// Why a request got no valid answer.
enum class TFailureKind {
    NoAnswer,  // nothing came back within the request's timeout
    Misfit,    // bytes came that are not exactly an answer that fits the request
    LineDown,  // the line went down, was closed, or the request could not be sent
};

// The closures a request calls on its outcome; any may be empty. The client copies the record at
// the call, so the caller may change or reuse it at once.
struct FunctionsStr
{
    std::function<void(const TModbusAnswer &)> OnReply;    // a valid answer
    std::function<void(const TModbusAnswer &)> OnRefused;  // an exception answer
    std::function<void()> OnFailed;                        // no valid answer
    // The caller sends this request again after the same request failed (for the traffic record).
    bool Repeat = false;
};

// One request and its outcome as the client's bookkeeping knows it, or a resynchronisation of the
// line: what the traffic record keeps. Register names, scales and units are put on it above the link.
struct TTrafficRecord
{
    enum class TOutcome : quint8 {
        Answered,   // a valid answer
        Refused,    // an exception answer (ExceptionCode)
        Failed,     // no valid answer (Failure, Why)
        Discarded,  // made while the line was closed; never sent
        Resync,     // not a request: the line was put right after a failure (Why)
    };

    qint64 TimeMs = 0;  // when the outcome came, milliseconds since the epoch
    quint64 Id = 0;     // the request's number on this client; 0 for a resync
    quint8 Slave = 0;
    quint8 Function = 0;  // 3 read, 6 write one register, 16 write a block
    quint16 First = 0;
    quint16 Count = 0;
    // Writes: the words written. Answered reads: the words read. Otherwise empty.
    QList<quint16> Values;
    double RoundTripMs = -1;  // answered and refused requests; -1 otherwise
    TOutcome Outcome = TOutcome::Answered;
    quint8 ExceptionCode = 0;
    TFailureKind Failure = TFailureKind::NoAnswer;
    bool Repeat = false;
    QString Line;  // the line, as LineName says it
    QString Why;   // failures and resyncs, in words
};

// The Modbus master all pages talk through. Requests are queued and sent one at a time, and each
// ends in exactly one outcome, delivered on the thread that owns the client, in request order:
//  - OnReply for an answer that fits the request (function code, byte count, echoed words);
//  - OnRefused for an exception answer;
//  - OnFailed for no answer within the request's own timeout, an answer that does not fit (bytes
//    that are not exactly one answer to it, however Qt took them), or the line going down (lost,
//    or closed by Close) while the request was waiting.
// When a request gets no answer, the requests queued behind it fail at once: a dead board must not
// build up a queue of stale requests (a write typed now must not reach the board minutes later).
// A request made while the line is not open is discarded and logged; no closure is called.
class TModbusClient : public QObject
{
    Q_OBJECT

public:
    struct Counters
    {
        quint64 Requests = 0;   // sent to the board
        quint64 Answers = 0;    // valid answers
        quint64 Refusals = 0;   // exception answers
        quint64 Failures = 0;   // no valid answer
        quint64 Discarded = 0;  // made while the line was closed
        quint64 Resyncs = 0;    // times the line was reopened to find the next answer again
        quint64 Noise = 0;      // serial: bytes dropped as no frame of the slave asked
    };

    ~TModbusClient() override;

    void ReadHoldingRegisters(quint8 slave, quint16 start, quint16 count, quint32 timeout, const FunctionsStr &record);
    void WriteSingleRegister(quint8 slave, quint16 address, quint16 value, quint32 timeout, const FunctionsStr &record);
    void WriteMultipleRegisters(quint8 slave, quint16 start, std::span<const quint16> values, quint32 timeout,
                                const FunctionsStr &record);

    // Opens the line with the current settings. The connect event follows once it is up.
    virtual void Open() = 0;
    // Closes the line; requests still waiting fail. See the variants for the events raised.
    virtual void Close() = 0;
    // True while the line is up and requests go out.
    bool IsOpen() const { return m_linkUp; }
    // A short description of the line for the log and the user ("127.0.0.1:502", "/dev/ttyUSB0").
    virtual QString LineName() const = 0;

    void ClearCounters() { m_counters = {}; }
    // Why the last request that got no valid answer failed, with the line: "no answer within
    // 3000 ms (10.0.0.7:502)". Empty until one failed.
    QString LastFailure() const { return m_lastFailure; }
    // The kind of that failure; read it from an OnFailed closure to tell the kinds apart.
    TFailureKind LastFailureKind() const { return m_lastFailureKind; }
    const Counters &GetCounters() const { return m_counters; }
    // Requests waiting for their turn, not counting the one on the wire.
    int QueuedCount() const { return static_cast<int>(m_queue.size()); }
    // The requests already made go on, but their closures are dropped: for a caller that is going
    // away while the line stays as it is.
    void ForgetClosures();

    int LogFileLevel() const { return m_log.Level(); }
    void SetLogFileLevel(int level) { m_log.SetLevel(level); }
    QString LogFilePath() const { return m_log.Folder(); }
    void SetLogFilePath(const QString &folder) { m_log.SetFolder(folder); }
    int LogFileExistTime() const { return m_log.KeepDays(); }
    void SetLogFileExistTime(int days) { m_log.SetKeepDays(days); }
    bool LogFileEnabled() const { return m_log.Enabled(); }
    void SetLogFileEnabled(bool enabled) { m_log.SetEnabled(enabled); }
    // The file the log is written to today (empty while logging is off or not yet written).
    QString LogFileName() const { return m_log.CurrentFile(); }
    // A line of the caller's own in the log whenever it is on, whatever its level.
    void LogNote(const QString &text) { m_log.Write(ModbusLog::Failures, text); }
    // Called with a record of every request's outcome (and of every resynchronisation), from the
    // same place as the log's lines; empty: no record is made.
    void SetTrafficSink(std::function<void(const TTrafficRecord &)> sink) { m_traffic = std::move(sink); }

    // Checks that an answer fits its request. Returns an empty string when it does, otherwise why
    // not. Exposed for tests; the client applies it to every answer.
    static QString CheckAnswer(const QByteArray &requestPdu, const QByteArray &answerPdu);

signals:
    void OnConnect();
    void OnDisconnect();
    // Any answer of the board, valid or refusal.
    void OnResponse();
    // A line problem worth telling the user (a port that cannot be opened or vanished, a refused
    // connection), with the reason in words.
    void OnLineError(const QString &message);

protected:
    explicit TModbusClient(QModbusClient *device, QObject *parent);

    QModbusClient *Device() const { return m_device; }
    ModbusLog &Log() { return m_log; }

    // Called after the line went down and the waiting requests failed. wasUp tells whether the
    // connect event had been raised for it; userClosed whether Close asked for it.
    virtual void LineDown(bool wasUp, bool userClosed) = 0;
    // Called on every device error; the variants decide what it means for the line.
    virtual void DeviceError(QModbusDevice::Error error, const QString &text) = 0;

    // Starts the device, first purging old log files. False when it could not even start.
    bool StartDevice();
    // Closes the device if it is not closed; true when a line-down will follow.
    bool StopDevice();
    // Drops the device with whatever it is doing and puts a fresh one in its place; the line then
    // goes down as if the old device had closed. For a device stuck in a state it does not leave
    // by itself.
    void ReplaceDevice(QModbusClient *device);
    // Called when the request on the wire got no answer or an answer that did not fit, so that
    // bytes of it may still be on their way; timeoutMs is that request's timeout. A variant whose
    // line cannot find the next frame by itself puts it right here: a fresh device in place
    // (ReopenDevice), or the next request held back until the line is quiet (HoldRequests).
    virtual void Resynchronise(quint32 timeoutMs) { Q_UNUSED(timeoutMs); }
    // Called each time the device is connected (opened, or reopened by ReopenDevice).
    virtual void DeviceUp() {}
    // Called once Qt has finished the request on the wire with an answer, or without one and
    // not for a lost line: answerPdu is the PDU as it came on the wire (empty when Qt made out
    // none). Returns why the bytes the line carried since the last answer are not exactly that
    // answer (without one: why they are not nothing), empty when they are.
    virtual QString WireFault(quint8 slave, const QByteArray &answerPdu)
    {
        Q_UNUSED(slave);
        Q_UNUSED(answerPdu);
        return {};
    }
    // Called with an answer that fits its request, before anyone hears of it. A variant that
    // cannot yet tell it from a late answer to an earlier request returns true and later calls
    // ReleaseAnswer; the request stays on the wire until then.
    virtual bool HoldAnswer(quint32 timeoutMs)
    {
        Q_UNUSED(timeoutMs);
        return false;
    }
    // Ends the hold of an answer: with an empty misfit it is delivered, otherwise its request
    // fails as a misfit for that reason.
    void ReleaseAnswer(const QString &misfit);
    bool AnswerHeld() const { return m_held.has_value(); }
    // The request on the wire, while one is: its slave and its PDU.
    quint8 InFlightSlave() const { return m_inFlight ? m_inFlight->Slave : 0; }
    QByteArray InFlightPdu() const { return m_inFlight ? m_inFlight->Pdu : QByteArray(); }
    // Takes answerPdu, which the variant found on the wire, as the answer to the request Qt still
    // waits for: Qt's reply is left to its device, which the variant then puts right. False, and
    // nothing done, when no request waits or the PDU does not fit it.
    bool TakeAnswer(const QByteArray &answerPdu);
    // Whether answerPdu answers the request on the wire: fits it, or refuses its function.
    bool Fits(const QByteArray &answerPdu) const;
    // Bytes the variant dropped as noise.
    void CountNoise(qsizetype bytes) { m_counters.Noise += static_cast<quint64>(bytes); }
    // True while a request is on the wire and Qt waits for its answer.
    bool AwaitingAnswer() const { return m_inFlight.has_value() && !m_reply.isNull(); }
    // The longest time from a request to its fitting answer since the line was opened; 0 before
    // the first.
    double LongestAnswerMs() const { return m_longestAnswerMs; }
    // While held, requests wait in the queue and none goes out; releasing sends the next.
    void HoldRequests(bool hold);
    // Puts a fresh device, its connection parameters set, in place of the current one and
    // connects it. Callers see the line stay up; requests wait for the fresh connection. If it
    // does not come up, the line goes down as when it is lost.
    void ReopenDevice(QModbusClient *device, const QString &why = {});
    // Posts a call to run after the current event, keeping events in the order they were posted.
    void Post(std::function<void()> call);
    // The line is being put right (a fresh connection, a wait for quiet): logged at level 1 and
    // recorded in the traffic.
    void Resynchronising(const QString &what);

    bool m_userClosed = false;

private:
    struct Request
    {
        quint64 Id = 0;
        quint8 Slave = 0;
        QByteArray Pdu;  // function code followed by its data
        quint32 Timeout = 0;
        FunctionsStr Record;
    };
    // A valid answer as its request's closures will be handed it.
    struct Answered
    {
        TModbusAnswer Answer;
        bool Refused = false;
        double Ms = 0;  // from the request to its answer
    };

    void AttachDevice();
    void Enqueue(quint8 slave, QByteArray pdu, quint32 timeout, const FunctionsStr &record);
    void Pump();
    void OnStateChanged(QModbusDevice::State state);
    void OnReplyFinished(QModbusReply *reply);
    // Hands an answer that fits to its request's closures, or holds it for the variant.
    void Conclude(const Request &request, const Answered &answered);
    // Hands a valid answer to its request's closures.
    void Deliver(const Request &request, const Answered &answered);
    void OnWatchdog();
    void FinishInFlight();
    // Fails the request on the wire that Qt finished without an answer, or never finished.
    void FailUnanswered(const Request &request);
    // Fails the request that was on the wire, after letting the variant resynchronise the line.
    void FailOnWire(const Request &request, const QString &why, TFailureKind kind);
    void Fail(const Request &request, const QString &why, TFailureKind kind);
    QString Describe(const Request &request) const;
    // Hands the traffic sink, if any, the record of request's outcome.
    void Record(const Request &request, TTrafficRecord::TOutcome outcome, const QList<quint16> &read = {},
                double ms = -1, quint8 exceptionCode = 0, const QString &why = {},
                TFailureKind kind = TFailureKind::NoAnswer);

    QModbusClient *m_device;
    ModbusLog m_log;
    std::function<void(const TTrafficRecord &)> m_traffic;
    Counters m_counters;
    std::deque<Request> m_queue;
    std::optional<Request> m_inFlight;
    QPointer<QModbusReply> m_reply;
    std::optional<Answered> m_held;  // the answer to m_inFlight, held by the variant
    double m_longestAnswerMs = 0;
    QTimer m_watchdog;
    qint64 m_sentAtNs = 0;
    quint64 m_nextId = 1;
    bool m_linkUp = false;
    bool m_reopening = false;
    bool m_holding = false;
    QString m_lastFailure;
    TFailureKind m_lastFailureKind = TFailureKind::NoAnswer;
};
