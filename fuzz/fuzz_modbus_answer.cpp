// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Modbus client on any bytes a board can send: our TTCPModbusClient sends one request to a
// server on loopback, which answers with the input and closes the connection; Qt's framing and
// PDU parsing and our checks all run on it.
//
// Input: a flags byte (bit 0: the request's transaction id goes in front of the rest, so that
// frames can be taken; bits 1-2: read, single write or block write), the request's address (2
// bytes), its register count or value (1 byte), then the bytes of the answer.
#include "FuzzCheck.h"
#include "link/TTCPModbusClient.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QHostAddress>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QtEndian>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>

namespace {
constexpr quint8 kUnit = 1;
constexpr int kHeader = 7;  // transaction id, protocol id, length, unit id
// Nothing here should take long; a request that gets no outcome in this time is a finding.
constexpr int kCaseMs = 10000;

quint16 WordAt(const QByteArray &bytes, qsizetype offset)
{
    return qFromBigEndian<quint16>(bytes.constData() + offset);
}

// Runs events until done() holds; false when it did not within ms.
bool RunUntil(const std::function<bool()> &done, int ms)
{
    QDeadlineTimer deadline(ms);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
        // Outside an event loop, objects handed to deleteLater go only when asked to.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    return true;
}

// The board's side: the connection the client opened last.
struct Board
{
    QTcpServer Server;
    QPointer<QTcpSocket> Connection;
    QByteArray Received;

    Board()
    {
        QObject::connect(&Server, &QTcpServer::newConnection, [this] {
            while (QTcpSocket *socket = Server.nextPendingConnection()) {
                if (Connection)
                    Connection->deleteLater();
                Connection = socket;
                Received.clear();
                QObject::connect(socket, &QTcpSocket::readyRead, socket,
                                 [this, socket] { Received += socket->readAll(); });
                QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            }
        });
        FUZZ_CHECK(Server.listen(QHostAddress::LocalHost, 0));
    }
};

struct Harness
{
    int Argc = 1;
    char Name[16] = "fuzz";
    std::array<char *, 2> Argv{Name, nullptr};
    QCoreApplication App{Argc, Argv.data()};
    Board Peer;
    TTCPModbusClient Client;

    Harness()
    {
        Client.SetServerAddress(QStringLiteral("127.0.0.1"));
        Client.SetPort(Peer.Server.serverPort());
        Client.SetReconnect(false);
    }
};

Harness &TheHarness()
{
    static auto *harness = new Harness;  // lives for the whole run
    return *harness;
}

// The first frame of the answer bytes (cut by its length field, as Qt cuts them), when it has
// the request's transaction id, protocol id 0, the unit id and a PDU that fits the request: that
// PDU; else empty. *whole tells whether the frame is all the bytes.
QByteArray FittingPdu(const QByteArray &answer, quint16 transaction, const QByteArray &request, bool *whole)
{
    *whole = false;
    if (answer.size() < kHeader + 1)
        return {};
    const qsizetype frame = 6 + qsizetype(WordAt(answer, 4));
    if (WordAt(answer, 0) != transaction || WordAt(answer, 2) != 0 || frame < kHeader + 1 || answer.size() < frame
        || static_cast<quint8>(answer[6]) != kUnit)
        return {};
    *whole = answer.size() == frame;
    const QByteArray pdu = answer.mid(kHeader, frame - kHeader);
    const auto function = static_cast<quint8>(request[0]);
    if (static_cast<quint8>(pdu[0]) == (function | 0x80))
        return pdu.size() == 2 ? pdu : QByteArray();
    if (static_cast<quint8>(pdu[0]) != function)
        return {};
    if (function == 0x03) {
        const int count = WordAt(request, 3);
        return pdu.size() == 2 + 2 * count && static_cast<quint8>(pdu[1]) == 2 * count ? pdu : QByteArray();
    }
    return pdu == request.left(5) ? pdu : QByteArray();
}

// Whether the answer bytes hold, as Qt cuts frames by their length field, a whole frame with the
// request's transaction id: Qt then finishes the request on it, before it sees the line close.
bool HoldsWholeFrame(const QByteArray &answer, quint16 transaction)
{
    qsizetype at = 0;
    while (answer.size() - at >= kHeader) {
        const quint16 length = WordAt(answer, at + 4);
        if (length == 0 || answer.size() - at < 6 + length)
            return false;
        if (WordAt(answer, at) == transaction)
            return true;
        at += 6 + length;
    }
    return false;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 4)
        return 0;
    Harness &h = TheHarness();
    const auto flags = static_cast<quint8>(data[0]);
    const auto address = static_cast<quint16>((data[1] << 8) | data[2]);
    const quint8 operand = data[3];
    const QByteArray rest(reinterpret_cast<const char *>(data) + 4, static_cast<qsizetype>(size) - 4);

    h.Client.Open();
    FUZZ_CHECK(RunUntil([&] { return h.Client.IsOpen(); }, kCaseMs));

    int calls = 0;
    bool replied = false;
    bool refused = false;
    TFailureKind failure = TFailureKind::NoAnswer;
    TModbusAnswer answer;
    FunctionsStr record;
    record.OnReply = [&](const TModbusAnswer &a) {
        ++calls;
        replied = true;
        answer = a;
    };
    record.OnRefused = [&](const TModbusAnswer &a) {
        ++calls;
        refused = true;
        answer = a;
    };
    record.OnFailed = [&] {
        ++calls;
        failure = h.Client.LastFailureKind();
    };
    QByteArray request;  // the PDU the client sends
    switch ((flags >> 1) & 3) {
    case 1:
        h.Client.WriteSingleRegister(kUnit, address, operand, 1000, record);
        request = QByteArray::fromHex("06") + QByteArray(1, char(address >> 8)) + QByteArray(1, char(address))
                  + QByteArray(1, '\0') + QByteArray(1, char(operand));
        break;
    case 2: {
        const std::array<quint16, 4> values{1, 2, 3, 4};
        const int count = 1 + operand % 4;
        h.Client.WriteMultipleRegisters(kUnit, address, std::span(values.data(), count), 1000, record);
        request = QByteArray::fromHex("10") + QByteArray(1, char(address >> 8)) + QByteArray(1, char(address))
                  + QByteArray(1, '\0') + QByteArray(1, char(count));
        break;
    }
    default: {
        const int count = 1 + operand % 125;
        h.Client.ReadHoldingRegisters(kUnit, address, static_cast<quint16>(count), 1000, record);
        request = QByteArray::fromHex("03") + QByteArray(1, char(address >> 8)) + QByteArray(1, char(address))
                  + QByteArray(1, '\0') + QByteArray(1, char(count));
        break;
    }
    }

    // The board reads the request, answers with the input and hangs up.
    FUZZ_CHECK(
        RunUntil([&] { return (h.Peer.Connection && h.Peer.Received.size() >= kHeader + 5) || calls > 0; }, kCaseMs));
    FUZZ_CHECK(calls == 0);
    FUZZ_CHECK(h.Peer.Received.mid(kHeader, 5) == request);
    const quint16 transaction = WordAt(h.Peer.Received, 0);
    QByteArray sent = rest;
    if (flags & 1)
        sent.prepend(h.Peer.Received.left(2));
    h.Peer.Connection->write(sent);
    h.Peer.Connection->disconnectFromHost();
    FUZZ_CHECK(RunUntil([&] { return calls > 0; }, kCaseMs));
    // Exactly one outcome, and none more while the line closes.
    h.Client.Close();
    FUZZ_CHECK(RunUntil([&] { return !h.Client.IsOpen(); }, kCaseMs));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    FUZZ_CHECK(calls == 1);

    // What the closures are handed is exactly what one fitting frame carried.
    bool whole = false;
    const QByteArray fitting = FittingPdu(sent, transaction, request, &whole);
    if (replied) {
        FUZZ_CHECK(!fitting.isEmpty() && !(static_cast<quint8>(fitting[0]) & 0x80));
        FUZZ_CHECK(answer.FunctionCode == static_cast<quint8>(request[0]) && answer.ExceptionCode == 0);
        QList<quint16> words;
        for (qsizetype at = request[0] == 0x03 ? 2 : 1; at + 1 < fitting.size(); at += 2)
            words.append(WordAt(fitting, at));
        FUZZ_CHECK(answer.Registers == words);
    } else if (refused) {
        FUZZ_CHECK(fitting.size() == 2 && static_cast<quint8>(fitting[0]) & 0x80);
        FUZZ_CHECK(answer.ExceptionCode == static_cast<quint8>(fitting[1]));
    } else {
        // A fitting frame that is all that came is taken; a whole frame for the request, fitting
        // or not, is an answer and never a lost line.
        FUZZ_CHECK(fitting.isEmpty() || !whole);
        if (HoldsWholeFrame(sent, transaction))
            FUZZ_CHECK(failure != TFailureKind::LineDown);
    }
    return 0;
}
