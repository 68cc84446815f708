// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Z4SimServer.h"

#include <QModbusRtuSerialServer>
#include <QModbusTcpServer>
#include <QTcpServer>
#include <QtEndian>

#include <algorithm>
#include <chrono>
#include <functional>
#include <thread>

namespace {
constexpr quint8 kReadHolding = 0x03;
constexpr quint8 kWriteSingle = 0x06;
constexpr quint8 kWriteMultiple = 0x10;
constexpr quint16 kSlaveAddressRegister = 0x0383;

// A Qt Modbus server whose answers come from a function of ours instead of its data map.
template <class Base>
class AnsweringServer : public Base
{
public:
    std::function<QModbusResponse(const QModbusPdu &)> Answer;

protected:
    QModbusResponse processRequest(const QModbusPdu &request) override { return Answer(request); }
};

quint16 WordAt(const QByteArray &bytes, qsizetype offset)
{
    return qFromBigEndian<quint16>(bytes.constData() + offset);
}

void AppendWord(QByteArray &bytes, quint16 word)
{
    bytes.append(static_cast<char>(word >> 8));
    bytes.append(static_cast<char>(word & 0xFF));
}

QModbusResponse Refusal(const QModbusPdu &request, quint8 code)
{
    return QModbusExceptionResponse(request.functionCode(), static_cast<QModbusPdu::ExceptionCode>(code));
}

qint64 MonotonicNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// An RTU frame on the wire: address, PDU and CRC.
int RtuChars(const QModbusPdu &pdu)
{
    return 1 + static_cast<int>(pdu.size()) + 2;
}

// The CRC of an RTU frame, low byte first on the wire.
quint16 Crc16(const QByteArray &bytes)
{
    quint16 crc = 0xFFFF;
    for (const char byte : bytes) {
        crc ^= static_cast<quint8>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001) : static_cast<quint16>(crc >> 1);
    }
    return crc;
}

QByteArray PduOf(const QModbusResponse &response)
{
    const auto function =
        static_cast<quint8>(response.functionCode()) | (response.isException() ? quint8(0x80) : quint8(0));
    return QByteArray(1, static_cast<char>(function)) + response.data();
}
}  // namespace

Z4SimServer::Z4SimServer(const Z4BoardOptions &options, QObject *parent) : QObject(parent), m_board(options)
{
    m_ticker.setInterval(1000);
    connect(&m_ticker, &QTimer::timeout, this, [this] { m_board.advance(); });
    m_rtuSender.setSingleShot(true);
    m_rtuSender.setTimerType(Qt::PreciseTimer);
    connect(&m_rtuSender, &QTimer::timeout, this, &Z4SimServer::SendDueRtuAnswers);
    m_chatter.setSingleShot(true);
    connect(&m_chatter, &QTimer::timeout, this, &Z4SimServer::Chatter);
}

void Z4SimServer::Chatter()
{
    auto *port = m_rtu ? qobject_cast<QSerialPort *>(m_rtu->device()) : nullptr;
    if (!port || m_faults.ChatterMs <= 0)
        return;
    // A burst is written whole, so it falls between two frames, never inside one.
    QByteArray burst(static_cast<qsizetype>(m_noise.bounded(1, 6)), Qt::Uninitialized);
    for (char &byte : burst)
        byte = static_cast<char>(m_noise.bounded(256));
    port->write(burst);
    port->flush();
    m_chatterBytes += static_cast<quint64>(burst.size());
    m_chatter.start(m_faults.ChatterMs / 2 + static_cast<int>(m_noise.bounded(m_faults.ChatterMs + 1)));
}

quint16 Z4SimServer::InnerTcpPort() const
{
    const auto *listener = m_tcp ? m_tcp->findChild<QTcpServer *>() : nullptr;
    return listener ? listener->serverPort() : 0;
}

void Z4SimServer::ChangeUnit(quint8 unit)
{
    m_unit = unit;
    if (m_tcp)
        m_tcp->setServerAddress(unit);
    if (m_rtu)
        m_rtu->setServerAddress(unit);
}

Z4SimServer::~Z4SimServer()
{
    Stop();
}

bool Z4SimServer::ListenTcp(const QHostAddress &address, quint16 port, QString *error)
{
    // The Modbus server listens on a free loopback port; clients talk to the relay in front of it.
    auto server = std::make_unique<AnsweringServer<QModbusTcpServer>>();
    server->Answer = [this](const QModbusPdu &request) { return Answer(request, false); };
    server->setServerAddress(m_unit);
    server->setConnectionParameter(QModbusDevice::NetworkAddressParameter,
                                   QHostAddress(QHostAddress::LocalHost).toString());
    server->setConnectionParameter(QModbusDevice::NetworkPortParameter, 0);
    if (!server->connectDevice()) {
        if (error)
            *error = QStringLiteral("cannot start the Modbus TCP server: ") + server->errorString();
        return false;
    }
    const auto *listener = server->findChild<QTcpServer *>();
    if (!listener || !listener->isListening()) {
        if (error)
            *error = QStringLiteral("the Modbus TCP server is not listening");
        return false;
    }
    auto relay = std::make_unique<TcpFaultRelay>();
    if (!relay->Listen(address, port, listener->serverPort(), error))
        return false;
    m_tcp = std::move(server);
    m_relay = std::move(relay);
    SetFaults(m_faults);
    return true;
}

bool Z4SimServer::OpenRtu(const QString &device, const SimSerialSettings &settings, QString *error)
{
    auto server = std::make_unique<AnsweringServer<QModbusRtuSerialServer>>();
    server->Answer = [this](const QModbusPdu &request) { return Answer(request, true); };
    server->setServerAddress(m_unit);
    server->setConnectionParameter(QModbusDevice::SerialPortNameParameter, device);
    server->setConnectionParameter(QModbusDevice::SerialBaudRateParameter, settings.BaudRate);
    server->setConnectionParameter(QModbusDevice::SerialParityParameter, settings.Parity);
    server->setConnectionParameter(QModbusDevice::SerialDataBitsParameter, settings.DataBits);
    server->setConnectionParameter(QModbusDevice::SerialStopBitsParameter, settings.StopBits);
    if (!server->connectDevice()) {
        if (error)
            *error = QStringLiteral("cannot open %1: %2").arg(device, server->errorString());
        return false;
    }
    m_rtu = std::move(server);
    SetFaults(m_faults);
    m_rtuBitsPerChar = 1 + settings.DataBits + (settings.Parity == QSerialPort::NoParity ? 0 : 1)
                       + (settings.StopBits == QSerialPort::TwoStop ? 2 : 1);
    return true;
}

void Z4SimServer::Stop()
{
    m_rtuSender.stop();
    m_chatter.stop();
    m_rtuAnswers.clear();
    m_relay.reset();
    if (m_tcp)
        m_tcp->disconnectDevice();
    m_tcp.reset();
    if (m_rtu)
        m_rtu->disconnectDevice();
    m_rtu.reset();
}

void Z4SimServer::SetFaults(const SimFaults &faults)
{
    m_faults = faults;
    if (m_relay)
        m_relay->faults() = {
            faults.DelayMs,       faults.DropEvery, faults.CloseAfter, faults.Misframe,
            faults.MisframeEvery, faults.LateEvery, faults.LateMs,     faults.SwallowLongReads ? faults.MaxRead : 0};
    if (m_rtu && faults.ChatterMs > 0 && !m_chatter.isActive())
        m_chatter.start(faults.ChatterMs);
    else if (faults.ChatterMs <= 0)
        m_chatter.stop();
}

void Z4SimServer::DropConnections()
{
    if (m_relay)
        m_relay->DropConnections();
}

void Z4SimServer::SetTicking(bool on)
{
    if (on)
        m_ticker.start();
    else
        m_ticker.stop();
}

void Z4SimServer::ClearRecord()
{
    m_requests.clear();
    m_writes.clear();
}

QModbusResponse Z4SimServer::Answer(const QModbusPdu &request, bool rtu)
{
    const qint64 arrivedNs = MonotonicNs();
    ++m_handled;
    SimRequest record;
    record.Function = static_cast<quint8>(request.functionCode());
    QModbusResponse response = Execute(request, record);
    m_requests.append(record);
    emit RequestHandled(record);

    if (!response.isException() && record.Function == kReadHolding && m_faults.CorruptEvery > 0
        && ++m_reads % static_cast<quint64>(m_faults.CorruptEvery) == 0) {
        // One register more than asked for, with a byte count to match: well framed, wrong size.
        QByteArray data = response.data();
        AppendWord(data, 0);
        data[0] = static_cast<char>(data.size() - 1);
        response.setData(data);
    }
    const auto moveUnit = [this] {
        if (const auto unit = std::exchange(m_movingTo, std::nullopt))
            QTimer::singleShot(0, this, [this, unit] { ChangeUnit(*unit); });
    };
    // Over TCP the relay delays, drops and misframes answers; on the serial line it happens here.
    if (!rtu) {
        moveUnit();
        return response;
    }
    const bool swallowed = m_faults.SwallowLongReads && record.Function == kReadHolding && m_faults.MaxRead > 0
                           && record.Count > m_faults.MaxRead;
    if (swallowed || (m_faults.DropEvery > 0 && m_handled % static_cast<quint64>(m_faults.DropEvery) == 0)) {
        RtuAnswerDue(arrivedNs, RtuChars(request), 0, 0);
        moveUnit();
        return QModbusResponse();  // an invalid response is not sent
    }
    QByteArray pdu = PduOf(response);
    if (BreaksPdu(m_faults.Misframe) && m_faults.MisframeEvery > 0 && AppliesTo(m_faults.Misframe, pdu)
        && ++m_misframable % static_cast<quint64>(m_faults.MisframeEvery) == 0)
        pdu = MisframedPdu(m_faults.Misframe, pdu);
    const bool late = m_faults.LateEvery > 0 && m_handled % static_cast<quint64>(m_faults.LateEvery) == 0;
    QByteArray frame = QByteArray(1, static_cast<char>(m_unit)) + pdu;
    const quint16 crc = Crc16(frame);
    frame.append(static_cast<char>(crc & 0xFF));
    frame.append(static_cast<char>(crc >> 8));
    const qint64 dueNs = RtuAnswerDue(arrivedNs, RtuChars(request), static_cast<int>(frame.size()),
                                      late ? qint64(m_faults.LateMs) * 1'000'000 : 0);
    // A new slave address takes effect once this answer, from the old one, has gone out.
    std::function<void()> sent;
    if (const auto unit = std::exchange(m_movingTo, std::nullopt))
        sent = [this, unit] { ChangeUnit(*unit); };
    QueueRtuAnswer(dueNs, frame, std::move(sent));
    // Qt's server sends nothing for an invalid response: the answer goes out from the queue.
    return QModbusResponse();
}

void Z4SimServer::QueueRtuAnswer(qint64 dueNs, const QByteArray &frame, std::function<void()> sent)
{
    // The board answers its requests in turn: none overtakes the one before it.
    if (!m_rtuAnswers.empty())
        dueNs = std::max(dueNs, m_rtuAnswers.back().DueNs);
    m_rtuAnswers.push_back({dueNs, frame, std::move(sent)});
    if (m_rtuAnswers.size() == 1)
        SendDueRtuAnswers();
}

void Z4SimServer::SendDueRtuAnswers()
{
    // Serves events until shortly before an answer is due, then sleeps the rest: an event loop's
    // timers are only as fine as a millisecond, a paced answer should not be late by one on
    // every request.
    constexpr qint64 kSleptNs = 2'000'000;
    while (!m_rtuAnswers.empty()) {
        const qint64 restNs = m_rtuAnswers.front().DueNs - MonotonicNs();
        if (restNs > kSleptNs) {
            m_rtuSender.start(static_cast<int>((restNs - kSleptNs) / 1'000'000));
            return;
        }
        if (restNs > 0)
            std::this_thread::sleep_for(std::chrono::nanoseconds(restNs));
        RtuAnswer answer = std::move(m_rtuAnswers.front());
        m_rtuAnswers.pop_front();
        if (auto *port = m_rtu ? qobject_cast<QSerialPort *>(m_rtu->device()) : nullptr) {
            port->write(answer.Frame);
            port->flush();
        }
        if (answer.Sent)
            answer.Sent();
    }
}

qint64 Z4SimServer::RtuAnswerDue(qint64 arrivedNs, int requestChars, int answerChars, qint64 extraNs)
{
    const qint64 delayNs = qint64(m_faults.DelayMs) * 1'000'000 + extraNs;
    if (m_pacing.LineRate <= 0)
        return arrivedNs + delayNs;
    const double charNs = 1e9 * m_rtuBitsPerChar / m_pacing.LineRate;
    const auto silenceNs = static_cast<qint64>(m_pacing.LineRate > 19200 ? 1'750'000 : 3.5 * charNs);
    const qint64 requestEndNs =
        std::max(arrivedNs, m_lineQuietFromNs) + static_cast<qint64>(requestChars * charNs) + silenceNs;
    if (answerChars == 0) {
        m_lineQuietFromNs = requestEndNs;
        return requestEndNs;
    }
    const qint64 answerEndNs =
        requestEndNs + qint64(m_pacing.TurnaroundMs) * 1'000'000 + delayNs + static_cast<qint64>(answerChars * charNs);
    m_lineQuietFromNs = answerEndNs + silenceNs;
    return answerEndNs;
}

QModbusResponse Z4SimServer::Execute(const QModbusPdu &request, SimRequest &record)
{
    const QByteArray data = request.data();
    const quint8 function = record.Function;
    if (function != kReadHolding && function != kWriteSingle && function != kWriteMultiple)
        return Refusal(request, QModbusExceptionResponse::IllegalFunction);
    if (data.size() < 4)
        return Refusal(request, QModbusExceptionResponse::IllegalDataValue);

    record.Address = WordAt(data, 0);
    record.Count = function == kWriteSingle ? 1 : WordAt(data, 2);
    if (function == kWriteSingle)
        record.Values = {WordAt(data, 2)};
    if (function == kWriteMultiple) {
        if (record.Count < 1 || record.Count > 123 || data.size() != 5 + 2 * record.Count
            || static_cast<quint8>(data.at(4)) != 2 * record.Count)
            return Refusal(request, QModbusExceptionResponse::IllegalDataValue);
        for (int i = 0; i < record.Count; ++i)
            record.Values.append(WordAt(data, 5 + 2 * i));
    }
    if (function == kReadHolding
        && (record.Count < 1 || record.Count > 125
            || (m_faults.MaxRead > 0 && !m_faults.SwallowLongReads && record.Count > m_faults.MaxRead)))
        return Refusal(request, QModbusExceptionResponse::IllegalDataValue);

    const quint32 last = quint32(record.Address) + record.Count - 1;
    for (const SimFaults::Refusal &refusal : m_faults.Refuse) {
        if (record.Address <= refusal.Last && last >= refusal.First
            && !(refusal.WritesOnly && function == kReadHolding))
            return Refusal(request, refusal.Code);
    }
    if (last > 0xFFFF || !m_board.covers(record.Address, record.Count))
        return Refusal(request, QModbusExceptionResponse::IllegalDataAddress);

    if (function == kReadHolding) {
        QByteArray answer;
        answer.append(static_cast<char>(2 * record.Count));
        for (quint16 i = 0; i < record.Count; ++i)
            AppendWord(answer, m_board.value(static_cast<quint16>(record.Address + i)));
        return QModbusResponse(request.functionCode(), answer);
    }

    for (int i = 0; i < record.Values.size(); ++i) {
        const auto address = static_cast<quint16>(record.Address + i);
        const quint16 value = record.Values.at(i);
        m_board.write(address, value);
        m_writes.append({address, value});
        // A new slave address takes effect once this answer, from the old one, has gone out.
        if (address == kSlaveAddressRegister && value >= 1 && value <= 247 && value != m_unit)
            m_movingTo = static_cast<quint8>(value);
    }
    if (!m_stateFile.isEmpty()) {
        QString why;
        if (!m_board.saveState(m_stateFile, &why))
            emit StateFileError(why);
    }
    // Both writes echo the first four data bytes: address and value, or address and count.
    return QModbusResponse(request.functionCode(), data.left(4));
}
