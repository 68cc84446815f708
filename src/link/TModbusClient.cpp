// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/TModbusClient.h"

#include "link/ModbusExceptions.h"
#include "link/ModbusLimits.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QModbusClient>
#include <QModbusReply>
#include <QtEndian>

#include <algorithm>
#include <limits>

namespace {
constexpr quint8 kReadHolding = 0x03;
constexpr quint8 kWriteSingle = 0x06;
constexpr quint8 kWriteMultiple = 0x10;
// How much longer than a request's timeout the watchdog waits for its reply to finish.
constexpr int kWatchdogGraceMs = 500;

qint64 MonotonicNs()
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return clock.nsecsElapsed();
}

void AppendWord(QByteArray &bytes, quint16 word)
{
    bytes.append(static_cast<char>(word >> 8));
    bytes.append(static_cast<char>(word & 0xFF));
}

quint16 WordAt(const QByteArray &bytes, qsizetype offset)
{
    return qFromBigEndian<quint16>(bytes.constData() + offset);
}

QString Hex(const QByteArray &bytes)
{
    return QString::fromLatin1(bytes.toHex(' '));
}

TModbusAnswer AnswerOf(const QByteArray &answerPdu)
{
    TModbusAnswer answer;
    answer.FunctionCode = static_cast<quint8>(answerPdu.at(0));
    if (answer.FunctionCode == kReadHolding) {
        answer.ByteCount = static_cast<quint8>(answerPdu.at(1));
        for (qsizetype at = 2; at + 1 < answerPdu.size(); at += 2)
            answer.Registers.append(WordAt(answerPdu, at));
    } else {
        for (qsizetype at = 1; at + 1 < answerPdu.size(); at += 2)
            answer.Registers.append(WordAt(answerPdu, at));
    }
    return answer;
}
}  // namespace

TModbusClient::TModbusClient(QModbusClient *device, QObject *parent) : QObject(parent), m_device(device)
{
    m_watchdog.setSingleShot(true);
    connect(&m_watchdog, &QTimer::timeout, this, &TModbusClient::OnWatchdog);
    AttachDevice();
}

void TModbusClient::AttachDevice()
{
    m_device->setParent(this);
    m_device->setNumberOfRetries(0);  // a silent board fails after the caller's timeout, not a multiple
    connect(m_device, &QModbusDevice::stateChanged, this, &TModbusClient::OnStateChanged);
    connect(m_device, &QModbusDevice::errorOccurred, this, [this](QModbusDevice::Error error) {
        if (error != QModbusDevice::NoError)
            DeviceError(error, m_device->errorString());
    });
}

void TModbusClient::ReplaceDevice(QModbusClient *device)
{
    QModbusClient *old = std::exchange(m_device, device);
    disconnect(old, nullptr, this, nullptr);
    old->deleteLater();
    AttachDevice();
    OnStateChanged(QModbusDevice::UnconnectedState);
}

TModbusClient::~TModbusClient()
{
    // Nothing is reported from a client that is going away.
    disconnect(m_device, nullptr, this, nullptr);
}

void TModbusClient::ForgetClosures()
{
    if (m_inFlight)
        m_inFlight->Record = {};
    for (Request &request : m_queue)
        request.Record = {};
}

void TModbusClient::ReadHoldingRegisters(quint8 slave, quint16 start, quint16 count, quint32 timeout,
                                         const FunctionsStr &record)
{
    QByteArray pdu;
    pdu.append(static_cast<char>(kReadHolding));
    AppendWord(pdu, start);
    AppendWord(pdu, count);
    Enqueue(slave, std::move(pdu), timeout, record);
}

void TModbusClient::WriteSingleRegister(quint8 slave, quint16 address, quint16 value, quint32 timeout,
                                        const FunctionsStr &record)
{
    QByteArray pdu;
    pdu.append(static_cast<char>(kWriteSingle));
    AppendWord(pdu, address);
    AppendWord(pdu, value);
    Enqueue(slave, std::move(pdu), timeout, record);
}

void TModbusClient::WriteMultipleRegisters(quint8 slave, quint16 start, std::span<const quint16> values,
                                           quint32 timeout, const FunctionsStr &record)
{
    QByteArray pdu;
    pdu.append(static_cast<char>(kWriteMultiple));
    AppendWord(pdu, start);
    // A count the protocol cannot carry is kept as given so that CheckAnswer refuses to send it.
    const auto count = static_cast<quint16>(std::min<size_t>(values.size(), 0xFFFF));
    AppendWord(pdu, count);
    pdu.append(static_cast<char>(static_cast<quint8>(std::min<size_t>(values.size() * 2, 0xFF))));
    for (quint16 v : values.first(count))
        AppendWord(pdu, v);
    Enqueue(slave, std::move(pdu), timeout, record);
}

QString TModbusClient::CheckAnswer(const QByteArray &requestPdu, const QByteArray &answerPdu)
{
    if (requestPdu.size() < 5)
        return QStringLiteral("the request is malformed");
    if (answerPdu.isEmpty())
        return QStringLiteral("the answer is empty");
    const auto function = static_cast<quint8>(requestPdu.at(0));
    const auto answered = static_cast<quint8>(answerPdu.at(0));
    if (answered != function)
        return QStringLiteral("function code %1 answers function code %2").arg(answered).arg(function);
    const quint16 first = WordAt(requestPdu, 1);
    const quint16 second = WordAt(requestPdu, 3);
    switch (function) {
    case kReadHolding: {
        const int expected = 2 * second;
        if (answerPdu.size() < 2)
            return QStringLiteral("the answer has no byte count");
        const int byteCount = static_cast<quint8>(answerPdu.at(1));
        if (byteCount != expected)
            return QStringLiteral("byte count %1 for %2 registers").arg(byteCount).arg(second);
        if (answerPdu.size() != 2 + expected)
            return QStringLiteral("%1 register bytes where the byte count says %2")
                .arg(answerPdu.size() - 2)
                .arg(expected);
        return {};
    }
    case kWriteSingle:
    case kWriteMultiple:
        if (answerPdu.size() != 5)
            return QStringLiteral("a write answer of %1 bytes").arg(answerPdu.size());
        if (WordAt(answerPdu, 1) != first || WordAt(answerPdu, 3) != second)
            return QStringLiteral("the answer echoes %1/%2 instead of %3/%4")
                .arg(WordAt(answerPdu, 1))
                .arg(WordAt(answerPdu, 3))
                .arg(first)
                .arg(second);
        return {};
    default:
        return QStringLiteral("function code %1 is not used by this client").arg(function);
    }
}

QString TModbusClient::Describe(const Request &request) const
{
    const auto function = static_cast<quint8>(request.Pdu.at(0));
    const quint16 first = WordAt(request.Pdu, 1);
    const quint16 second = WordAt(request.Pdu, 3);
    QString what;
    switch (function) {
    case kReadHolding:
        what = QStringLiteral("read 0x%1 x%2").arg(first, 4, 16, QLatin1Char('0')).arg(second);
        break;
    case kWriteSingle:
        what = QStringLiteral("write 0x%1 = %2").arg(first, 4, 16, QLatin1Char('0')).arg(second);
        break;
    default:
        what = QStringLiteral("write 0x%1 x%2").arg(first, 4, 16, QLatin1Char('0')).arg(second);
        break;
    }
    return QStringLiteral("[%1] #%2 slave %3 %4").arg(LineName()).arg(request.Id).arg(request.Slave).arg(what);
}

void TModbusClient::Record(const Request &request, TTrafficRecord::TOutcome outcome, const QList<quint16> &read,
                           double ms, quint8 exceptionCode, const QString &why, TFailureKind kind)
{
    if (!m_traffic)
        return;
    TTrafficRecord record;
    record.TimeMs = QDateTime::currentMSecsSinceEpoch();
    record.Id = request.Id;
    record.Slave = request.Slave;
    record.Function = static_cast<quint8>(request.Pdu.at(0));
    record.First = WordAt(request.Pdu, 1);
    switch (record.Function) {
    case kWriteSingle:
        record.Count = 1;
        record.Values = {WordAt(request.Pdu, 3)};
        break;
    case kWriteMultiple:
        record.Count = WordAt(request.Pdu, 3);
        for (qsizetype at = 6; at + 1 < request.Pdu.size(); at += 2)
            record.Values.append(WordAt(request.Pdu, at));
        break;
    default:
        record.Count = WordAt(request.Pdu, 3);
        record.Values = read;
        break;
    }
    record.RoundTripMs = ms;
    record.Outcome = outcome;
    record.ExceptionCode = exceptionCode;
    record.Failure = kind;
    record.Repeat = request.Record.Repeat;
    record.Line = LineName();
    record.Why = why;
    m_traffic(record);
}

void TModbusClient::Resynchronising(const QString &what)
{
    m_log.Write(ModbusLog::Failures, QStringLiteral("[%1] %2").arg(LineName(), what));
    if (!m_traffic)
        return;
    TTrafficRecord record;
    record.TimeMs = QDateTime::currentMSecsSinceEpoch();
    record.Outcome = TTrafficRecord::TOutcome::Resync;
    record.Line = LineName();
    record.Why = what;
    m_traffic(record);
}

void TModbusClient::Post(std::function<void()> call)
{
    // Posted with this client as context: a call pending when the client is destroyed is dropped.
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void TModbusClient::Enqueue(quint8 slave, QByteArray pdu, quint32 timeout, const FunctionsStr &record)
{
    Request request{m_nextId++, slave, std::move(pdu), timeout, record};
    if (!m_linkUp) {
        ++m_counters.Discarded;
        if (m_log.Wants(ModbusLog::Requests))
            m_log.Write(ModbusLog::Requests, Describe(request) + QStringLiteral(": discarded, the line is closed"));
        Record(request, TTrafficRecord::TOutcome::Discarded, {}, -1, 0, QStringLiteral("the line is closed"));
        return;
    }
    m_queue.push_back(std::move(request));
    Pump();
}

void TModbusClient::Pump()
{
    // A line that is going down still reads as up until the device is fully closed.
    if (m_inFlight || m_holding || m_queue.empty() || !m_linkUp || m_device->state() != QModbusDevice::ConnectedState)
        return;
    m_inFlight = std::move(m_queue.front());
    m_queue.pop_front();
    const Request &request = *m_inFlight;
    const quint64 id = request.Id;

    // Requests the protocol cannot carry never reach the line; they fail like any other.
    const auto function = static_cast<quint8>(request.Pdu.at(0));
    const quint16 count = WordAt(request.Pdu, 3);
    const bool countOk = function == kWriteSingle
                         || (function == kReadHolding && count >= 1 && count <= kMaxReadRegisters)
                         || (function == kWriteMultiple && count >= 1 && count <= kMaxWriteRegisters);
    QModbusReply *reply = nullptr;
    const int timeoutMs = static_cast<int>(std::clamp<quint32>(request.Timeout, 10, std::numeric_limits<int>::max()));
    if (countOk) {
        m_device->setTimeout(timeoutMs);
        if (m_log.Wants(ModbusLog::Frames))
            m_log.Write(ModbusLog::Frames, Describe(request) + QStringLiteral(" tx ") + Hex(request.Pdu));
        m_sentAtNs = MonotonicNs();
        reply = m_device->sendRawRequest(
            QModbusRequest(static_cast<QModbusPdu::FunctionCode>(function), request.Pdu.mid(1)), request.Slave);
        if (reply)
            ++m_counters.Requests;
    }
    if (!reply) {
        const QString why = countOk
                                ? QStringLiteral("could not be sent: ") + m_device->errorString()
                                : QStringLiteral("register count %1 is outside what one request carries").arg(count);
        // Reported after the caller's call has returned, like every other outcome.
        Post([this, id, why] {
            if (!m_inFlight || m_inFlight->Id != id)
                return;
            const Request done = *std::exchange(m_inFlight, std::nullopt);
            QPointer<TModbusClient> self(this);
            Fail(done, why, TFailureKind::LineDown);
            if (self)
                Pump();
        });
        return;
    }
    m_reply = reply;
    // The device's own timeout ends the request; the watchdog only catches a reply that never
    // finishes, so it waits a little longer.
    m_watchdog.start(timeoutMs + kWatchdogGraceMs);
    if (reply->isFinished()) {
        Post([this, r = QPointer<QModbusReply>(reply)] {
            if (r)
                OnReplyFinished(r);
        });
    } else {
        connect(reply, &QModbusReply::finished, this, [this, reply] { OnReplyFinished(reply); });
    }
}

void TModbusClient::OnReplyFinished(QModbusReply *reply)
{
    reply->deleteLater();
    if (reply != m_reply || !m_inFlight)
        return;  // abandoned by the watchdog or the line going down; its outcome was reported
    m_watchdog.stop();
    m_reply = nullptr;
    const Request request = *m_inFlight;
    const QModbusDevice::Error error = reply->error();
    const QModbusResponse response = reply->rawResult();
    const double ms = (MonotonicNs() - m_sentAtNs) / 1e6;
    QPointer<TModbusClient> self(this);
    const auto fail = [&](const QString &why, TFailureKind kind) {
        m_inFlight.reset();
        if (kind == TFailureKind::LineDown)
            Fail(request, why, kind);
        else
            FailOnWire(request, why, kind);
        if (self)
            Pump();
    };

    // Only a connection or port that closed or broke is a lost line; whatever else Qt makes of
    // what came (an invalid response, a frame it could not use) is an answer that does not fit.
    if (error == QModbusDevice::ReplyAbortedError || error == QModbusDevice::ConnectionError
        || error == QModbusDevice::ReadError || error == QModbusDevice::WriteError
        || error == QModbusDevice::ConfigurationError) {
        fail(reply->errorString(), TFailureKind::LineDown);
        return;
    }
    if (error == QModbusDevice::TimeoutError) {
        m_inFlight.reset();
        FailUnanswered(request);
        if (self)
            Pump();
        return;
    }
    // The PDU as it came on the wire (Qt keeps a refusal's function code without its 0x80).
    QByteArray answerPdu;
    if (response.isValid() || response.isException()) {
        answerPdu.append(
            static_cast<char>(static_cast<quint8>(response.functionCode()) | (response.isException() ? 0x80 : 0)));
        answerPdu.append(response.data());
    }
    if (m_log.Wants(ModbusLog::Frames) && !answerPdu.isEmpty())
        m_log.Write(ModbusLog::Frames, Describe(request) + QStringLiteral(" rx ") + Hex(answerPdu));
    const bool refused = (error == QModbusDevice::NoError || error == QModbusDevice::ProtocolError)
                         && response.isException() && answerPdu.size() == 2;
    QString misfit = WireFault(request.Slave, answerPdu);
    if (misfit.isEmpty() && refused
        && (static_cast<quint8>(answerPdu.at(0)) & 0x7F) != static_cast<quint8>(request.Pdu.at(0)))
        misfit = QStringLiteral("a refusal of function code %1 answers function code %2")
                     .arg(static_cast<quint8>(answerPdu.at(0)) & 0x7F)
                     .arg(static_cast<quint8>(request.Pdu.at(0)));
    if (misfit.isEmpty() && !refused) {
        // Qt's own verdict on an answer it could not use (an invalid response, say) comes last:
        // our check tells better what is wrong with it.
        misfit = CheckAnswer(request.Pdu, answerPdu);
        if (misfit.isEmpty() && error != QModbusDevice::NoError)
            misfit = reply->errorString();
    }
    if (!misfit.isEmpty()) {
        fail(QStringLiteral("the answer does not fit the request: ") + misfit, TFailureKind::Misfit);
        return;
    }

    Answered answered;
    answered.Refused = refused;
    answered.Ms = ms;
    if (refused) {
        answered.Answer.FunctionCode = static_cast<quint8>(response.functionCode());
        answered.Answer.ExceptionCode = static_cast<quint8>(answerPdu.at(1));
    } else {
        answered.Answer = AnswerOf(answerPdu);
    }
    Conclude(request, answered);
}

void TModbusClient::Conclude(const Request &request, const Answered &answered)
{
    if (!answered.Refused)
        m_longestAnswerMs = std::max(m_longestAnswerMs, answered.Ms);
    if (HoldAnswer(request.Timeout)) {
        m_held = answered;
        return;
    }
    QPointer<TModbusClient> self(this);
    m_inFlight.reset();
    Deliver(request, answered);
    if (self)
        Pump();
}

bool TModbusClient::Fits(const QByteArray &answerPdu) const
{
    if (!m_inFlight || m_held || answerPdu.size() < 2)
        return false;
    const auto function = static_cast<quint8>(answerPdu.at(0));
    if (function == (static_cast<quint8>(m_inFlight->Pdu.at(0)) | 0x80))
        return answerPdu.size() == 2;
    return CheckAnswer(m_inFlight->Pdu, answerPdu).isEmpty();
}

bool TModbusClient::TakeAnswer(const QByteArray &answerPdu)
{
    if (!Fits(answerPdu))
        return false;
    const Request request = *m_inFlight;
    const auto function = static_cast<quint8>(answerPdu.at(0));
    const bool refused = (function & 0x80) != 0;
    m_watchdog.stop();
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        connect(m_reply, &QModbusReply::finished, m_reply, &QObject::deleteLater);
        m_reply = nullptr;
    }
    if (m_log.Wants(ModbusLog::Frames))
        m_log.Write(ModbusLog::Frames, Describe(request) + QStringLiteral(" rx ") + Hex(answerPdu));
    Answered answered;
    answered.Refused = refused;
    answered.Ms = (MonotonicNs() - m_sentAtNs) / 1e6;
    if (refused) {
        answered.Answer.FunctionCode = static_cast<quint8>(function & 0x7F);
        answered.Answer.ExceptionCode = static_cast<quint8>(answerPdu.at(1));
    } else {
        answered.Answer = AnswerOf(answerPdu);
    }
    Conclude(request, answered);
    return true;
}

void TModbusClient::Deliver(const Request &request, const Answered &answered)
{
    QPointer<TModbusClient> self(this);
    if (answered.Refused) {
        ++m_counters.Refusals;
        if (m_log.Wants(ModbusLog::Failures))
            m_log.Write(ModbusLog::Failures, Describe(request)
                                                 + QStringLiteral(": refused (%1) after %2 ms")
                                                       .arg(ExceptionText(answered.Answer.ExceptionCode))
                                                       .arg(answered.Ms, 0, 'f', 1));
        Record(request, TTrafficRecord::TOutcome::Refused, {}, answered.Ms, answered.Answer.ExceptionCode);
        emit OnResponse();
        if (self && request.Record.OnRefused)
            request.Record.OnRefused(answered.Answer);
        return;
    }
    ++m_counters.Answers;
    if (m_log.Wants(ModbusLog::Requests))
        m_log.Write(ModbusLog::Requests,
                    Describe(request) + QStringLiteral(": answered in %1 ms").arg(answered.Ms, 0, 'f', 1));
    Record(request, TTrafficRecord::TOutcome::Answered, answered.Answer.Registers, answered.Ms);
    emit OnResponse();
    if (self && request.Record.OnReply)
        request.Record.OnReply(answered.Answer);
}

void TModbusClient::ReleaseAnswer(const QString &misfit)
{
    if (!m_held || !m_inFlight)
        return;
    const Request request = *std::exchange(m_inFlight, std::nullopt);
    const Answered answered = *std::exchange(m_held, std::nullopt);
    QPointer<TModbusClient> self(this);
    if (misfit.isEmpty())
        Deliver(request, answered);
    else
        FailOnWire(request, QStringLiteral("the answer does not fit the request: ") + misfit, TFailureKind::Misfit);
    if (self)
        Pump();
}

void TModbusClient::OnWatchdog()
{
    if (!m_inFlight)
        return;
    // The reply may never finish (a vanished serial port): stop waiting for it. The device may
    // still hold it (an RTU device goes on parsing bytes into it), so it is deleted only once it
    // finishes, or with its device.
    if (m_reply) {
        disconnect(m_reply, nullptr, this, nullptr);
        connect(m_reply, &QModbusReply::finished, m_reply, &QObject::deleteLater);
        m_reply = nullptr;
    }
    const Request request = *std::exchange(m_inFlight, std::nullopt);
    QPointer<TModbusClient> self(this);
    FailUnanswered(request);
    if (self)
        Pump();
}

void TModbusClient::FailUnanswered(const Request &request)
{
    // Bytes that came and made no answer (a frame cut short, or whose length or byte count
    // promised more than came) are an answer that does not fit; nothing at all is no answer.
    const QString wire = WireFault(request.Slave, {});
    if (wire.isEmpty())
        FailOnWire(request, QStringLiteral("no answer within %1 ms").arg(request.Timeout), TFailureKind::NoAnswer);
    else
        FailOnWire(request, QStringLiteral("no answer within %1 ms that fits: ").arg(request.Timeout) + wire,
                   TFailureKind::Misfit);
}

void TModbusClient::FailOnWire(const Request &request, const QString &why, TFailureKind kind)
{
    // Without an answer, the requests behind it fail at once: a dead board must not build up a
    // queue of stale requests.
    std::deque<Request> stale;
    if (kind == TFailureKind::NoAnswer)
        stale = std::exchange(m_queue, {});
    // The line is put right before anyone hears of the failure, so that a request made from a
    // closure (a repeat) goes out on a clean line.
    if (m_linkUp && !m_reopening && !m_holding && m_device->state() == QModbusDevice::ConnectedState)
        Resynchronise(request.Timeout);
    QPointer<TModbusClient> self(this);
    Fail(request, why, kind);
    for (const Request &behind : stale) {
        if (!self)
            return;
        Fail(behind, QStringLiteral("not sent: the request before it got no answer"), TFailureKind::NoAnswer);
    }
}

void TModbusClient::HoldRequests(bool hold)
{
    m_holding = hold;
    if (!hold)
        Pump();
}

void TModbusClient::ReopenDevice(QModbusClient *device, const QString &why)
{
    ++m_counters.Resyncs;
    Resynchronising(why.isEmpty() ? QStringLiteral("reopening the line to find the next answer") : why);
    QModbusClient *old = std::exchange(m_device, device);
    disconnect(old, nullptr, this, nullptr);
    old->disconnectDevice();
    old->deleteLater();
    m_reopening = true;
    AttachDevice();
    if (!m_device->connectDevice())
        Post([this, device] {
            if (m_device == device && m_reopening)
                OnStateChanged(QModbusDevice::UnconnectedState);
        });
}

void TModbusClient::Fail(const Request &request, const QString &why, TFailureKind kind)
{
    ++m_counters.Failures;
    m_lastFailure = QStringLiteral("%1 (%2)").arg(why, LineName());
    m_lastFailureKind = kind;
    if (m_log.Wants(ModbusLog::Failures))
        m_log.Write(ModbusLog::Failures, Describe(request) + QStringLiteral(": failed, ") + why);
    Record(request, TTrafficRecord::TOutcome::Failed, {}, -1, 0, why, kind);
    if (request.Record.OnFailed)
        request.Record.OnFailed();
}

void TModbusClient::OnStateChanged(QModbusDevice::State state)
{
    if (state == QModbusDevice::ConnectedState) {
        DeviceUp();
        if (m_linkUp) {
            if (std::exchange(m_reopening, false)) {
                m_log.Write(ModbusLog::Requests, QStringLiteral("[%1] line reopened").arg(LineName()));
                Pump();
            }
            return;
        }
        m_linkUp = true;
        m_longestAnswerMs = 0;
        m_log.Write(ModbusLog::Requests, QStringLiteral("[%1] line open").arg(LineName()));
        Post([this] { emit OnConnect(); });
        return;
    }
    if (state != QModbusDevice::UnconnectedState)
        return;

    m_reopening = false;
    m_holding = false;
    m_held.reset();
    const bool wasUp = std::exchange(m_linkUp, false);
    const bool userClosed = m_userClosed;
    m_watchdog.stop();
    std::deque<Request> lost = std::exchange(m_queue, {});
    if (m_inFlight) {
        lost.push_front(*std::exchange(m_inFlight, std::nullopt));
        if (m_reply) {
            disconnect(m_reply, nullptr, this, nullptr);
            m_reply->deleteLater();
            m_reply = nullptr;
        }
    }
    if (wasUp)
        m_log.Write(ModbusLog::Failures,
                    QStringLiteral("[%1] line %2")
                        .arg(LineName(), userClosed ? QStringLiteral("closed") : QStringLiteral("lost")));
    Post([this, lost = std::move(lost), wasUp, userClosed] {
        QPointer<TModbusClient> self(this);
        const QString why = userClosed ? QStringLiteral("the line was closed") : QStringLiteral("the line was lost");
        for (const Request &request : lost) {
            Fail(request, why, TFailureKind::LineDown);
            if (!self)
                return;
        }
        LineDown(wasUp, userClosed);
    });
}

bool TModbusClient::StartDevice()
{
    m_userClosed = false;
    m_log.Purge();
    m_log.Write(ModbusLog::Requests, QStringLiteral("[%1] opening the line").arg(LineName()));
    return m_device->connectDevice();
}

bool TModbusClient::StopDevice()
{
    m_userClosed = true;
    if (m_device->state() == QModbusDevice::UnconnectedState)
        return false;
    m_device->disconnectDevice();
    return true;
}
