#include "Z4SimServer.h"

#include <QEventLoop>
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

// Serves events until shortly before dueNs, then sleeps the rest: an event loop's timers are only
// as fine as a millisecond, a paced answer should not be late by one on every request.
void WaitUntil(qint64 dueNs)
{
    constexpr qint64 kSleptNs = 2'000'000;
    const qint64 served = dueNs - MonotonicNs() - kSleptNs;
    if (served >= 1'000'000) {
        QEventLoop wait;
        QTimer::singleShot(static_cast<int>(served / 1'000'000), Qt::PreciseTimer, &wait, &QEventLoop::quit);
        wait.exec();
    }
    if (const qint64 rest = dueNs - MonotonicNs(); rest > 0)
        std::this_thread::sleep_for(std::chrono::nanoseconds(rest));
}
}  // namespace

Z4SimServer::Z4SimServer(const Z4BoardOptions &options, QObject *parent) : QObject(parent), m_board(options)
{
    m_ticker.setInterval(1000);
    connect(&m_ticker, &QTimer::timeout, this, [this] { m_board.advance(); });
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
    m_rtuBitsPerChar = 1 + settings.DataBits + (settings.Parity == QSerialPort::NoParity ? 0 : 1)
                       + (settings.StopBits == QSerialPort::TwoStop ? 2 : 1);
    return true;
}

void Z4SimServer::Stop()
{
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
        m_relay->faults() = {faults.DelayMs, faults.DropEvery, faults.CloseAfter, faults.Misframe, faults.MisframeEvery};
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
    if (rtu) {
        // Over TCP the relay delays and drops answers; on the serial line it happens here.
        if (m_faults.DropEvery > 0 && m_handled % static_cast<quint64>(m_faults.DropEvery) == 0) {
            RtuAnswerDue(arrivedNs, RtuChars(request), 0);
            return QModbusResponse();  // an invalid response is not sent
        }
        const qint64 dueNs = RtuAnswerDue(arrivedNs, RtuChars(request), RtuChars(response));
        if (dueNs > MonotonicNs())
            WaitUntil(dueNs);
    }
    return response;
}

qint64 Z4SimServer::RtuAnswerDue(qint64 arrivedNs, int requestChars, int answerChars)
{
    const qint64 delayNs = qint64(m_faults.DelayMs) * 1'000'000;
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
    const qint64 answerEndNs = requestEndNs + qint64(m_pacing.TurnaroundMs) * 1'000'000 + delayNs
                               + static_cast<qint64>(answerChars * charNs);
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
    if (function == kReadHolding && (record.Count < 1 || record.Count > 125))
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
            QTimer::singleShot(0, this, [this, value] { ChangeUnit(static_cast<quint8>(value)); });
    }
    if (!m_stateFile.isEmpty()) {
        QString why;
        if (!m_board.saveState(m_stateFile, &why))
            emit StateFileError(why);
    }
    // Both writes echo the first four data bytes: address and value, or address and count.
    return QModbusResponse(request.functionCode(), data.left(4));
}
