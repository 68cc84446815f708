// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Modbus client against the simulated board over TCP, in-process.
#include "SimHarness.h"

#include <QDir>
#include <QFile>
#include <QModbusDevice>
#include <QTemporaryDir>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
// A loopback port whose listen queue is full: the kernel drops further connection requests, so a
// connect attempt hangs as it does towards a host that does not answer.
class SilentPort
{
public:
    SilentPort()
    {
        m_listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (bind(m_listener, reinterpret_cast<sockaddr *>(&address), length) != 0 || listen(m_listener, 0) != 0
            || getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return;
        m_port = ntohs(address.sin_port);
        // Never accepted: the first fills the queue, the others wait behind it.
        for (int &filler : m_fillers) {
            filler = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
            connect(filler, reinterpret_cast<sockaddr *>(&address), sizeof address);
        }
    }
    ~SilentPort()
    {
        for (int filler : m_fillers)
            close(filler);
        close(m_listener);
    }
    SilentPort(const SilentPort &) = delete;
    SilentPort &operator=(const SilentPort &) = delete;

    quint16 Port() const { return m_port; }

private:
    int m_listener = -1;
    int m_fillers[3] = {-1, -1, -1};
    quint16 m_port = 0;
};
}  // namespace

class TestModbusClient : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void operationsReachTheBoard();
    void answersComeInRequestOrder();
    void recordIsCopiedAtTheCall();
    void refusalCarriesTheExceptionCode();
    void silentBoardFailsAfterTheTimeoutAndTheQueueFailsFast();
    void corruptedAnswerFailsOnlyItsRequest();
    void misframedAnswerResynchronisesTheLine_data();
    void misframedAnswerResynchronisesTheLine();
    void lostConnectionFailsOutstandingRequestsAndReconnects();
    void requestsWhileClosedAreDiscarded();
    void closeFailsWaitingRequestsAndRaisesOnCloseOnce();
    void connectAttemptsToASilentHostEnd();
    void requestsTheProtocolCannotCarryFail();
    void checkAnswerRejectsMisfits_data();
    void checkAnswerRejectsMisfits();
    void logFileRecordsRequestsAndPurgesOldDays();

private:
    std::unique_ptr<Z4SimServer> m_board;
    std::unique_ptr<TTCPModbusClient> m_client;
};

void TestModbusClient::init()
{
    m_board = StartTcpBoard();
    QVERIFY(m_board);
    m_client = OpenTcpClient(m_board->TcpPort());
    QVERIFY(m_client);
    m_board->ClearRecord();
}

void TestModbusClient::cleanup()
{
    m_client.reset();
    m_board.reset();
}

void TestModbusClient::operationsReachTheBoard()
{
    Outcome read, single, block;
    m_board->Board().write(0x0200, 2150);
    m_board->Board().write(0x0201, 0xFFFB);
    m_client->ReadHoldingRegisters(1, 0x0200, 2, 3000, RecordInto(&read));
    m_client->WriteSingleRegister(1, 0x0202, 0x8001, 3000, RecordInto(&single));
    const quint16 values[] = {11, 22, 33};
    m_client->WriteMultipleRegisters(1, 0x021A, values, 3000, RecordInto(&block));
    QTRY_COMPARE_WITH_TIMEOUT(block.Calls, 1, kSoonMs);

    QCOMPARE(read.What, Outcome::Reply);
    QCOMPARE(read.Answer.FunctionCode, 0x03);
    QCOMPARE(read.Answer.ByteCount, 4);
    QCOMPARE(read.Answer.Registers, (QList<quint16>{2150, 0xFFFB}));
    QCOMPARE(read.Answer.Signed(1), -5);

    QCOMPARE(single.What, Outcome::Reply);
    QCOMPARE(single.Answer.FunctionCode, 0x06);
    QCOMPARE(single.Answer.Registers, (QList<quint16>{0x0202, 0x8001}));
    QCOMPARE(m_board->Board().value(0x0202), 0x8001);

    QCOMPARE(block.What, Outcome::Reply);
    QCOMPARE(block.Answer.FunctionCode, 0x10);
    QCOMPARE(block.Answer.Registers, (QList<quint16>{0x021A, 3}));
    QCOMPARE(m_board->Board().value(0x021A), 11);
    QCOMPARE(m_board->Board().value(0x021C), 33);

    // The board saw one request per call, the block write as one request.
    QCOMPARE(m_board->Requests().size(), 3);
    QCOMPARE(m_board->Requests().at(2).Function, 0x10);
    QCOMPARE(m_board->Requests().at(2).Values, (QList<quint16>{11, 22, 33}));
    QCOMPARE(m_client->GetCounters().Answers, 3u);
}

void TestModbusClient::answersComeInRequestOrder()
{
    // The poll issues five reads back to back; a slow board must not reorder them.
    m_board->SetFaults({.DelayMs = 20, .Refuse = {}});
    QList<int> order;
    const quint16 starts[] = {0x0100, 0x016D, 0x0000, 0x0193, 0x01C5};
    const quint16 counts[] = {69, 38, 2, 7, 10};
    for (int i = 0; i < 5; ++i) {
        FunctionsStr record;
        record.OnReply = [&order, i, count = counts[i]](const TModbusAnswer &a) {
            QCOMPARE(a.Registers.size(), count);
            order.append(i);
        };
        m_client->ReadHoldingRegisters(1, starts[i], counts[i], 3000, record);
    }
    // One request on the wire at a time: the board has seen only the first so far.
    QCOMPARE(m_client->QueuedCount(), 4);
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), 5, kSoonMs);
    QCOMPARE(order, (QList<int>{0, 1, 2, 3, 4}));
}

void TestModbusClient::recordIsCopiedAtTheCall()
{
    int first = 0, second = 0;
    FunctionsStr record;
    record.OnReply = [&first](const TModbusAnswer &) { ++first; };
    m_client->ReadHoldingRegisters(1, 0xE700, 2, 3000, record);
    // The caller reuses its one record at once, as the main window does.
    record.OnReply = [&second](const TModbusAnswer &) { ++second; };
    m_client->ReadHoldingRegisters(1, 0xE700, 2, 3000, record);
    record.OnReply = nullptr;
    QTRY_COMPARE_WITH_TIMEOUT(second, 1, kSoonMs);
    QCOMPARE(first, 1);
}

void TestModbusClient::refusalCarriesTheExceptionCode()
{
    m_board->SetFaults({.Refuse = {{0x0430, 0x0432, 2}, {0x0500, 0x0500, 4}}});
    Outcome remote, calibration, absent, fine;
    m_client->ReadHoldingRegisters(1, 0x0430, 3, 3000, RecordInto(&remote));
    m_client->WriteSingleRegister(1, 0x0500, 1, 3000, RecordInto(&calibration));
    m_client->ReadHoldingRegisters(1, 0x7000, 1, 3000, RecordInto(&absent));
    m_client->ReadHoldingRegisters(1, 0x0401, 6, 3000, RecordInto(&fine));
    QSignalSpy responses(m_client.get(), &TModbusClient::OnResponse);
    QTRY_COMPARE_WITH_TIMEOUT(fine.Calls, 1, kSoonMs);

    QCOMPARE(remote.What, Outcome::Refused);
    QCOMPARE(remote.Answer.ExceptionCode, 2);
    QCOMPARE(calibration.What, Outcome::Refused);
    QCOMPARE(calibration.Answer.ExceptionCode, 4);
    QCOMPARE(absent.What, Outcome::Refused);
    QCOMPARE(absent.Answer.ExceptionCode, 2);
    QCOMPARE(fine.What, Outcome::Reply);
    QCOMPARE(responses.size(), 4);  // refusals are answers too
    QCOMPARE(m_client->GetCounters().Refusals, 3u);

    // A request with no OnRefused simply ends; nothing else is called.
    Outcome quiet;
    FunctionsStr record = RecordInto(&quiet);
    record.OnRefused = nullptr;
    m_client->ReadHoldingRegisters(1, 0x0430, 1, 3000, record);
    Outcome after;
    m_client->ReadHoldingRegisters(1, 0xE700, 1, 3000, RecordInto(&after));
    QTRY_COMPARE_WITH_TIMEOUT(after.Calls, 1, kSoonMs);
    QCOMPARE(quiet.Calls, 0);
}

void TestModbusClient::silentBoardFailsAfterTheTimeoutAndTheQueueFailsFast()
{
    m_board->SetFaults({.DropEvery = 1, .Refuse = {}});
    QList<Outcome> outcomes(6);
    for (Outcome &o : outcomes)
        m_client->ReadHoldingRegisters(1, 0x0100, 69, 300, RecordInto(&o));
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.last().Calls, 1, kSoonMs);
    for (const Outcome &o : outcomes) {
        QCOMPARE(o.What, Outcome::Failed);
        QCOMPARE(o.Calls, 1);
    }
    // Only the first reached the board: the five behind it failed without waiting their turn.
    QCOMPARE(m_board->Requests().size(), 1);
    QCOMPARE(m_client->GetCounters().Failures, 6u);

    // The board answers again: the next request goes out normally.
    m_board->SetFaults({});
    Outcome again;
    m_client->ReadHoldingRegisters(1, 0xE700, 2, 3000, RecordInto(&again));
    QTRY_COMPARE_WITH_TIMEOUT(again.Calls, 1, kSoonMs);
    QCOMPARE(again.What, Outcome::Reply);
    QCOMPARE(again.Answer.Registers.at(0), m_board->Board().value(0xE700));
}

void TestModbusClient::corruptedAnswerFailsOnlyItsRequest()
{
    m_board->SetFaults({.CorruptEvery = 2, .Refuse = {}});
    Outcome a, b, c;
    m_client->ReadHoldingRegisters(1, 0x0200, 4, 3000, RecordInto(&a));
    m_client->ReadHoldingRegisters(1, 0x0200, 4, 3000, RecordInto(&b));
    m_client->ReadHoldingRegisters(1, 0x0200, 4, 3000, RecordInto(&c));
    QTRY_COMPARE_WITH_TIMEOUT(c.Calls, 1, kSoonMs);
    QCOMPARE(a.What, Outcome::Reply);
    QCOMPARE(b.What, Outcome::Failed);
    QCOMPARE(b.Calls, 1);
    QCOMPARE(c.What, Outcome::Reply);
    QCOMPARE(m_board->Requests().size(), 3);
}

void TestModbusClient::misframedAnswerResynchronisesTheLine_data()
{
    using M = TcpFaultRelay::Misframing;
    QTest::addColumn<M>("misframing");
    QTest::newRow("length too long") << M::LengthTooLong;
    QTest::newRow("length too short") << M::LengthTooShort;
    QTest::newRow("length 65535") << M::Length65535;
    QTest::newRow("junk bytes") << M::JunkBytes;
    QTest::newRow("cut frame") << M::CutFrame;
    QTest::newRow("wrong transaction") << M::WrongTransaction;
    QTest::newRow("another unit id") << M::WrongUnit;
    QTest::newRow("protocol id 1") << M::WrongProtocol;
    QTest::newRow("bytes after the PDU") << M::TrailingBytes;
}

void TestModbusClient::misframedAnswerResynchronisesTheLine()
{
    QFETCH(TcpFaultRelay::Misframing, misframing);
    QSignalSpy disconnected(m_client.get(), &TModbusClient::OnDisconnect);
    QSignalSpy connected(m_client.get(), &TModbusClient::OnConnect);
    QVERIFY(m_board->Board().write(0x0200, 1234));
    QVERIFY(m_board->Board().write(0x0201, 4321));
    // The third answer is badly framed. It, or the one after it that meets what is left of it in
    // the stream, fails; none may carry wrong values.
    m_board->SetFaults({.Refuse = {}, .Misframe = misframing, .MisframeEvery = 3});
    QList<Outcome> around(4);
    // The first failure repeats its request from its closure, as the transfers do: the repeat
    // goes out on the clean line.
    Outcome repeat;
    QList<TFailureKind> failedKinds;
    for (Outcome &o : around) {
        FunctionsStr record = RecordInto(&o);
        record.OnFailed = [this, &o, &repeat, &failedKinds, inner = record.OnFailed] {
            failedKinds.append(m_client->LastFailureKind());
            inner();
            if (repeat.Calls == 0 && m_client->GetCounters().Failures == 1)
                m_client->ReadHoldingRegisters(1, 0x0200, 2, 3000, RecordInto(&repeat));
        };
        m_client->ReadHoldingRegisters(1, 0xE700, 2, 300, record);
    }
    QTRY_COMPARE_WITH_TIMEOUT(around.last().Calls, 1, kSoonMs);
    QTRY_COMPARE_WITH_TIMEOUT(repeat.Calls, 1, kSoonMs);
    QCOMPARE(around.first().What, Outcome::Reply);
    int failed = 0;
    for (const Outcome &o : around) {
        if (o.What == Outcome::Failed)
            ++failed;
        else
            QCOMPARE(o.Answer.Registers,
                     (QList<quint16>{m_board->Board().value(0xE700), m_board->Board().value(0xE701)}));
    }
    QVERIFY(failed >= 1);
    // Whatever Qt made of the frame, the request it was for failed as an answer that did not fit.
    QCOMPARE(failedKinds.value(0), TFailureKind::Misfit);
    m_board->SetFaults({});

    // Whatever the stream held, the requests after it get their own answers, on a fresh
    // connection, and callers see the line stay up.
    QList<Outcome> after(3);
    for (Outcome &o : after)
        m_client->ReadHoldingRegisters(1, 0x0200, 2, 3000, RecordInto(&o));
    QTRY_COMPARE_WITH_TIMEOUT(after.last().Calls, 1, kSoonMs);
    after.append(repeat);
    for (const Outcome &o : after) {
        QCOMPARE(o.What, Outcome::Reply);
        QCOMPARE(o.Answer.Registers, (QList<quint16>{1234, 4321}));
    }
    QVERIFY(m_client->IsOpen());
    QCOMPARE(m_client->GetCounters().Resyncs, 1u);
    QCOMPARE(disconnected.size(), 0);
    QCOMPARE(connected.size(), 0);
}

void TestModbusClient::lostConnectionFailsOutstandingRequestsAndReconnects()
{
    QSignalSpy disconnected(m_client.get(), &TModbusClient::OnDisconnect);
    QSignalSpy connected(m_client.get(), &TModbusClient::OnConnect);
    QSignalSpy closed(m_client.get(), &TTCPModbusClient::OnClose);

    // The board drops the line at its second request; the third is still waiting.
    m_board->SetFaults({.CloseAfter = 1, .Refuse = {}});
    Outcome first, second, third;
    m_client->ReadHoldingRegisters(1, 0x0100, 4, 3000, RecordInto(&first));
    // A request cut off by the connection closing is a line failure, not one to repeat.
    FunctionsStr cut = RecordInto(&second);
    std::optional<TFailureKind> kind;
    cut.OnFailed = [this, &kind, inner = cut.OnFailed] {
        kind = m_client->LastFailureKind();
        inner();
    };
    m_client->ReadHoldingRegisters(1, 0x0100, 4, 3000, cut);
    m_client->ReadHoldingRegisters(1, 0x0100, 4, 3000, RecordInto(&third));
    QVERIFY(disconnected.wait(kSoonMs));
    QTRY_COMPARE_WITH_TIMEOUT(third.Calls, 1, kSoonMs);
    QCOMPARE(first.What, Outcome::Reply);
    QCOMPARE(second.What, Outcome::Failed);
    QCOMPARE(third.What, Outcome::Failed);
    QCOMPARE(second.Calls, 1);
    QCOMPARE(kind, std::optional(TFailureKind::LineDown));
    QCOMPARE(m_client->GetCounters().Resyncs, 0u);
    QVERIFY(!m_client->IsOpen());

    // The board goes away entirely and comes back on the same port: the client finds it again.
    const quint16 port = m_board->TcpPort();
    m_board.reset();
    m_board = std::make_unique<Z4SimServer>();
    QString error;
    QVERIFY2(m_board->ListenTcp(QHostAddress::LocalHost, port, &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(connected.size(), 1, kSoonMs);
    QVERIFY(m_client->IsOpen());
    Outcome back;
    m_client->ReadHoldingRegisters(1, 0xE700, 2, 3000, RecordInto(&back));
    QTRY_COMPARE_WITH_TIMEOUT(back.Calls, 1, kSoonMs);
    QCOMPARE(back.What, Outcome::Reply);
    QCOMPARE(disconnected.size(), 1);
    QCOMPARE(closed.size(), 0);
}

void TestModbusClient::requestsWhileClosedAreDiscarded()
{
    QSignalSpy closed(m_client.get(), &TTCPModbusClient::OnClose);
    m_client->Close();
    QVERIFY(closed.wait(kSoonMs));
    m_board->ClearRecord();

    Outcome read, write;
    m_client->ReadHoldingRegisters(1, 0xE700, 2, 3000, RecordInto(&read));
    m_client->WriteSingleRegister(1, 0x0200, 5, 3000, RecordInto(&write));
    // Give a wrongly queued request every chance to go out and be answered.
    Outcome probe;
    auto other = OpenTcpClient(m_board->TcpPort());
    QVERIFY(other);
    other->ReadHoldingRegisters(1, 0xE700, 1, 3000, RecordInto(&probe));
    QTRY_COMPARE_WITH_TIMEOUT(probe.Calls, 1, kSoonMs);

    QCOMPARE(read.Calls, 0);
    QCOMPARE(write.Calls, 0);
    QCOMPARE(m_board->Requests().size(), 1);
    QCOMPARE(m_client->GetCounters().Discarded, 2u);
    QCOMPARE(closed.size(), 1);
}

void TestModbusClient::connectAttemptsToASilentHostEnd()
{
    SilentPort silent;
    QVERIFY(silent.Port() != 0);
    auto board = StartTcpBoard();
    QVERIFY(board);

    // Closing ends an attempt at once, not when the operating system gives up on it minutes later.
    TTCPModbusClient client;
    client.SetServerAddress(QStringLiteral("127.0.0.1"));
    client.SetPort(silent.Port());
    client.SetReconnectInterval(kSoonMs * 10);  // no give-up of the attempt within the test
    QSignalSpy connected(&client, &TModbusClient::OnConnect);
    QSignalSpy closed(&client, &TTCPModbusClient::OnClose);
    client.Open();
    client.Close();
    QVERIFY(closed.wait(kSoonMs));
    QCOMPARE(closed.count(), 1);
    // And the line opens at once on a board that answers.
    client.SetPort(board->TcpPort());
    client.Open();
    QVERIFY(connected.wait(kSoonMs));
    client.Close();
    QVERIFY(closed.wait(kSoonMs));

    // An attempt given up after one reconnect interval is followed by the next one, which finds the
    // board once the address points at it.
    TTCPModbusClient retrying;
    retrying.SetServerAddress(QStringLiteral("127.0.0.1"));
    retrying.SetPort(silent.Port());
    retrying.SetReconnectInterval(50);
    QSignalSpy retried(&retrying, &TModbusClient::OnConnect);
    retrying.Open();
    retrying.SetPort(board->TcpPort());
    QVERIFY(retried.wait(kSoonMs));
    QVERIFY(retrying.IsOpen());
}

void TestModbusClient::closeFailsWaitingRequestsAndRaisesOnCloseOnce()
{
    QSignalSpy closed(m_client.get(), &TTCPModbusClient::OnClose);
    QSignalSpy disconnected(m_client.get(), &TModbusClient::OnDisconnect);
    m_board->SetFaults({.DelayMs = 200, .Refuse = {}});
    Outcome a, b;
    m_client->ReadHoldingRegisters(1, 0x0100, 4, 3000, RecordInto(&a));
    m_client->ReadHoldingRegisters(1, 0x0100, 4, 3000, RecordInto(&b));
    m_client->Close();
    QVERIFY(closed.wait(kSoonMs));
    QTRY_COMPARE_WITH_TIMEOUT(b.Calls, 1, kSoonMs);
    QCOMPARE(a.What, Outcome::Failed);
    QCOMPARE(b.What, Outcome::Failed);
    QCOMPARE(a.Calls, 1);

    // Closing stops reconnecting: a closed client stays closed even with the board there.
    Outcome probe;
    auto other = OpenTcpClient(m_board->TcpPort());
    QVERIFY(other);
    other->ReadHoldingRegisters(1, 0xE700, 1, 3000, RecordInto(&probe));
    QTRY_COMPARE_WITH_TIMEOUT(probe.Calls, 1, kSoonMs);
    QVERIFY(!m_client->IsOpen());
    QCOMPARE(closed.size(), 1);
    QCOMPARE(disconnected.size(), 0);

    // Closing a closed client still answers with its close event.
    m_client->Close();
    QVERIFY(closed.wait(kSoonMs));
}

void TestModbusClient::requestsTheProtocolCannotCarryFail()
{
    Outcome none, tooMany, tooManyWritten, fine;
    m_client->ReadHoldingRegisters(1, 0x0200, 0, 3000, RecordInto(&none));
    m_client->ReadHoldingRegisters(1, 0x0200, 126, 3000, RecordInto(&tooMany));
    const QList<quint16> values(124, 7);
    m_client->WriteMultipleRegisters(1, 0x0200, values, 3000, RecordInto(&tooManyWritten));
    m_client->ReadHoldingRegisters(1, 0x0200, 0x62, 3000, RecordInto(&fine));
    // Outcomes come after the call returns, never inside it.
    QCOMPARE(none.Calls, 0);
    QTRY_COMPARE_WITH_TIMEOUT(fine.Calls, 1, kSoonMs);
    QCOMPARE(none.What, Outcome::Failed);
    QCOMPARE(tooMany.What, Outcome::Failed);
    QCOMPARE(tooManyWritten.What, Outcome::Failed);
    QCOMPARE(m_board->Requests().size(), 1);
    QVERIFY(m_board->Writes().isEmpty());
}

void TestModbusClient::checkAnswerRejectsMisfits_data()
{
    QTest::addColumn<QByteArray>("request");
    QTest::addColumn<QByteArray>("answer");
    QTest::addColumn<bool>("fits");
    const QByteArray read2 = QByteArray::fromHex("0301000002");
    QTest::newRow("read fits") << read2 << QByteArray::fromHex("030400010002") << true;
    QTest::newRow("read byte count short") << read2 << QByteArray::fromHex("03020001") << false;
    QTest::newRow("read byte count long") << read2 << QByteArray::fromHex("0306000100020003") << false;
    QTest::newRow("read bytes disagree with count") << read2 << QByteArray::fromHex("0304000100") << false;
    QTest::newRow("read other function") << read2 << QByteArray::fromHex("040400010002") << false;
    QTest::newRow("empty") << read2 << QByteArray() << false;
    const QByteArray single = QByteArray::fromHex("060200abcd");
    QTest::newRow("single echo") << single << QByteArray::fromHex("060200abcd") << true;
    QTest::newRow("single wrong value") << single << QByteArray::fromHex("060200abce") << false;
    QTest::newRow("single wrong address") << single << QByteArray::fromHex("060201abcd") << false;
    const QByteArray block = QByteArray::fromHex("10021a0003060001000200 03");
    QTest::newRow("block echo") << block << QByteArray::fromHex("10021a0003") << true;
    QTest::newRow("block wrong count") << block << QByteArray::fromHex("10021a0002") << false;
    QTest::newRow("block short") << block << QByteArray::fromHex("10021a00") << false;
}

void TestModbusClient::checkAnswerRejectsMisfits()
{
    QFETCH(QByteArray, request);
    QFETCH(QByteArray, answer);
    QFETCH(bool, fits);
    const QString why = TModbusClient::CheckAnswer(request, answer);
    QVERIFY2(why.isEmpty() == fits, qPrintable(why));
}

void TestModbusClient::logFileRecordsRequestsAndPurgesOldDays()
{
    QTemporaryDir folder;
    QVERIFY(folder.isValid());
    const QDate today = QDate::currentDate();
    const QString old = ModbusLog::FileNameFor(today.addDays(-8));
    const QString kept = ModbusLog::FileNameFor(today.addDays(-7));
    for (const QString &name : {old, kept, QStringLiteral("notes.txt")}) {
        QFile file(QDir(folder.path()).filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }

    QSignalSpy closed(m_client.get(), &TTCPModbusClient::OnClose);
    m_client->Close();
    QVERIFY(closed.wait(kSoonMs));
    m_client->SetLogFilePath(folder.path());
    m_client->SetLogFileEnabled(true);
    m_client->SetLogFileLevel(2);
    m_client->SetLogFileExistTime(7);
    QSignalSpy connected(m_client.get(), &TModbusClient::OnConnect);
    m_client->Open();
    QVERIFY(connected.wait(kSoonMs));

    m_board->SetFaults({.Refuse = {{0x0430, 0x0430, 2}}});
    Outcome read, refused;
    m_client->ReadHoldingRegisters(1, 0x0100, 4, 3000, RecordInto(&read));
    m_client->ReadHoldingRegisters(1, 0x0430, 1, 3000, RecordInto(&refused));
    QTRY_COMPARE_WITH_TIMEOUT(refused.Calls, 1, kSoonMs);

    const QDir dir(folder.path());
    QVERIFY(!dir.exists(old));
    QVERIFY(dir.exists(kept));
    QVERIFY(dir.exists(QStringLiteral("notes.txt")));
    QFile log(dir.filePath(ModbusLog::FileNameFor(today)));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(log.readAll());
    QVERIFY2(text.contains(QLatin1String("read 0x0100 x4: answered in")), qPrintable(text));
    QVERIFY2(text.contains(QLatin1String("read 0x0430 x1: refused (illegal data address (2))")), qPrintable(text));
    QVERIFY(!text.contains(QLatin1String(" tx ")));  // frames only at level 3
}

QTEST_GUILESS_MAIN(TestModbusClient)
#include "tst_modbusclient.moc"
