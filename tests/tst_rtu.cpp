// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// Our RTU master (TSerialModbusClient) against the simulated board across a socat pty pair: the
// frames, CRCs and turnarounds of a real serial line, and a port that vanishes while in use. And
// the whole-configuration read (Save) on either line when answers come late or malformed.
#include "PtyPair.h"
#include "RtuFrame.h"
#include "SimHarness.h"
#include "config/ConfigChains.h"
#include "config/DefinitionFile.h"
#include "link/RtuFrames.h"
#include "link/TSerialModbusClient.h"
#include "session/TBoardSession.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <array>
#include <memory>
#include <vector>

Q_DECLARE_METATYPE(SimFaults)

namespace {
constexpr int kComNumber = 3;
constexpr quint8 kUnit = 1;
constexpr quint32 kTimeoutMs = 2000;

// A board on one end of a pty pair and our client on the other.
struct RtuLine
{
    PtyPair Pty;
    std::unique_ptr<Z4SimServer> Server;
    std::unique_ptr<TSerialModbusClient> Client;
};

QList<quint16> BoardValues(Z4SimServer &server, quint16 first, quint16 count)
{
    QList<quint16> values;
    for (quint16 i = 0; i < count; ++i)
        values.append(server.Board().value(static_cast<quint16>(first + i)));
    return values;
}

// The configuration items of the shipped definition, every one moved.
TConfigImages ConfigurationItems()
{
    TConfigImages images;
    QString error;
    if (!ReadDefinitionFile(StandardDefinitionPath(), images, &error))
        qWarning("%s", qPrintable(error));
    images.ActiveItemCount = images.ItemCount;
    return images;
}

// How a Save ended.
struct SaveRun
{
    bool Done = false;
    QString Aborted;  // why it stopped early
    TConfigChains::Repeats Repeats;
};

// The whole-configuration read as the tool runs it, in block reads or one request per item, over
// client, into images.BoardImage.
SaveRun RunSave(TModbusClient &client, TConfigImages &images, quint32 timeoutMs, bool itemByItem)
{
    TBoardSession session;
    session.SetActiveClient(&client);
    session.SetSlaveAddress(kUnit);
    session.SetRequestTimeout(timeoutMs);
    session.SetConnected(true);
    session.SetLinkOk(true);
    TConfigChains chains(session, images);
    SaveRun run;
    // An event loop of its own: QTest's waits sleep between their turns, a chain would crawl.
    QEventLoop loop;
    QTimer::singleShot(6 * kSoonMs, &loop, [&run, &loop] {
        run.Aborted = QStringLiteral("not ended in time");
        loop.quit();
    });
    chains.OnAborted = [&run, &loop](const QString &why) {
        run.Aborted = why;
        loop.quit();
    };
    if (itemByItem)
        chains.ReadItemByItem();
    chains.BoardReadChain([&run, &loop] {
        run.Done = true;
        loop.quit();
    });
    loop.exec();
    run.Repeats = chains.RepeatCounts();
    return run;
}

// The whole-configuration read as the tool runs it on a board that refuses block reads, one
// request per item (140 requests, many of them alike), over client, into images.BoardImage.
SaveRun SaveItemByItem(TModbusClient &client, TConfigImages &images, quint32 timeoutMs)
{
    return RunSave(client, images, timeoutMs, true);
}

// Every register of the configuration its own value on the board, so that a value in the wrong
// place shows.
bool OwnValues(Z4Board &board, const TConfigImages &images)
{
    for (const ConfigItem &each : images.BoardImage)
        for (int k = 0; k < each.Registers; ++k)
            if (!board.write(static_cast<quint16>(each.FirstRegister + k),
                             static_cast<quint16>(each.FirstRegister + k)))
                return false;
    return true;
}

// The items of image whose values are not what the board holds, as "[Section] Ident: read ...,
// board ...".
QStringList Differences(const ConfigImage &image, const Z4Board &board)
{
    QStringList differences;
    for (const ConfigItem &item : image) {
        QList<quint16> held;
        for (int k = 0; k < item.Registers; ++k)
            held.append(board.value(static_cast<quint16>(item.FirstRegister + k)));
        const QList<quint16> read(item.Values.begin(), item.Values.end());
        if (read != held)
            differences.append(QStringLiteral("[%1] %2: read %3, board %4")
                                   .arg(item.Section, item.Ident, QDebug::toString(read), QDebug::toString(held)));
    }
    return differences;
}
}  // namespace

class TstRtu : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void readsAnswerInRequestOrder();
    void writesLandInTheBoard();
    void refusalsReachOnRefused();
    void lateAnswerIsNotTakenForTheNext();
    void aLineThatNeverFallsQuietStillTakesRequests();
    void pacedAnswersTakeTheirWireTime_data();
    void pacedAnswersTakeTheirWireTime();
    void vanishingPortFailsWaitingRequestsOnce();
    void missingDeviceNeverConnects_data();
    void missingDeviceNeverConnects();
    void malformedAnswersAreRepeatedAsMisfits_data();
    void malformedAnswersAreRepeatedAsMisfits();
    void saveWithALateAnswerHoldsTheBoardsValues_data();
    void saveWithALateAnswerHoldsTheBoardsValues();
    void scanTellsFramesFromNoise_data();
    void scanTellsFramesFromNoise();
    void aSaveInBlocksFindsAWay_data();
    void aSaveInBlocksFindsAWay();
    void aLateAnswerCostsOneTransferAtMost();
    void silentProbesWaitForNothing();

private:
    // Serves the board on end B and opens the client on end A, through a COM number mapped to it.
    void Connect(RtuLine &line, const Z4BoardOptions &options = {});
    // The same over RTU, or a board served over TCP with a client in tcp; the client either way,
    // null when it could not be opened.
    TModbusClient *ConnectEither(bool rtu, RtuLine &line, std::unique_ptr<TTCPModbusClient> &tcp);
};

void TstRtu::init()
{
    const bool needsPty = qstrcmp(QTest::currentTestFunction(), "missingDeviceNeverConnects") != 0;
    if (needsPty && !PtyPair::Available())
        QSKIP("socat is not installed: no pty pair for the RTU tests (apt-get install socat)");
}

TModbusClient *TstRtu::ConnectEither(bool rtu, RtuLine &line, std::unique_ptr<TTCPModbusClient> &tcp)
{
    if (rtu) {
        Connect(line);
        return QTest::currentTestFailed() ? nullptr : line.Client.get();
    }
    line.Server = StartTcpBoard();
    tcp = line.Server ? OpenTcpClient(line.Server->TcpPort()) : nullptr;
    return tcp.get();
}

void TstRtu::Connect(RtuLine &line, const Z4BoardOptions &options)
{
    line.Pty.Start(kSoonMs);
    if (QTest::currentTestFailed())
        return;
    line.Server = std::make_unique<Z4SimServer>(options);
    QString error;
    QVERIFY2(line.Server->OpenRtu(line.Pty.EndB(), SimSerialSettings{}, &error), qPrintable(error));

    line.Client = std::make_unique<TSerialModbusClient>();
    line.Client->SetCommDevice(kComNumber, line.Pty.EndA());
    line.Client->SetCommNumber(kComNumber);
    QCOMPARE(line.Client->PortName(), line.Pty.EndA());
    QSignalSpy connected(line.Client.get(), &TModbusClient::OnConnect);
    line.Client->Open();
    QVERIFY(connected.wait(kSoonMs));
    QVERIFY(line.Client->IsOpen());
}

// Reads of every size the tool uses, queued at once: each answer carries what the board holds
// and they come back in the order they were asked.
void TstRtu::readsAnswerInRequestOrder()
{
    Z4BoardOptions options;
    options.firmware = 1234;
    options.boardNumber = 4321;
    RtuLine line;
    Connect(line, options);
    if (QTest::currentTestFailed())
        return;

    struct Read
    {
        quint16 First;
        quint16 Count;
    };
    // The identification pair, the whole settings block, the ventilation block, the largest read.
    const std::array<Read, 4> reads{{{0xE700, 2}, {0x0200, 66}, {0x0400, 51}, {0x0300, 125}}};
    std::array<Outcome, 4> outcomes;
    std::vector<int> order;
    for (size_t i = 0; i < reads.size(); ++i) {
        FunctionsStr record = RecordInto(&outcomes[i]);
        record.OnReply = [&, i, inner = record.OnReply](const TModbusAnswer &a) {
            order.push_back(int(i));
            inner(a);
        };
        line.Client->ReadHoldingRegisters(kUnit, reads[i].First, reads[i].Count, kTimeoutMs, record);
    }
    QTRY_COMPARE_WITH_TIMEOUT(order.size(), reads.size(), kSoonMs);
    QCOMPARE(order, (std::vector<int>{0, 1, 2, 3}));

    QCOMPARE(outcomes[0].Answer.Registers, (QList<quint16>{1234, 4321}));
    for (size_t i = 0; i < reads.size(); ++i) {
        QCOMPARE(outcomes[i].Calls, 1);
        QCOMPARE(outcomes[i].Answer.FunctionCode, quint8(0x03));
        QCOMPARE(outcomes[i].Answer.ByteCount, quint8(2 * reads[i].Count));
        QCOMPARE(outcomes[i].Answer.Registers, BoardValues(*line.Server, reads[i].First, reads[i].Count));
    }
    QCOMPARE(line.Client->GetCounters().Answers, quint64(reads.size()));
}

// The board answers after the request's timeout, when the next request of the same shape is
// already waiting: the late answer must not pass for the next one's, nor the next for the one
// after it.
void TstRtu::lateAnswerIsNotTakenForTheNext()
{
    RtuLine line;
    Connect(line);
    if (QTest::currentTestFailed())
        return;
    QVERIFY(line.Server->Board().write(0x0200, 1111));
    QVERIFY(line.Server->Board().write(0x0210, 2222));
    QVERIFY(line.Server->Board().write(0x0220, 3333));

    line.Server->SetFaults({.DelayMs = 600, .Refuse = {}});
    Outcome late;
    line.Client->ReadHoldingRegisters(kUnit, 0x0200, 1, 400, RecordInto(&late));
    QTRY_COMPARE_WITH_TIMEOUT(late.Calls, 1, kSoonMs);
    QCOMPARE(late.What, Outcome::Failed);
    line.Server->SetFaults({});

    std::array<Outcome, 2> next;
    line.Client->ReadHoldingRegisters(kUnit, 0x0210, 1, kTimeoutMs, RecordInto(&next[0]));
    line.Client->ReadHoldingRegisters(kUnit, 0x0220, 1, kTimeoutMs, RecordInto(&next[1]));
    QTRY_COMPARE_WITH_TIMEOUT(next[1].Calls, 1, kSoonMs);
    // Each either fails or carries its own register, never another's.
    for (const auto &[outcome, value] : {std::pair{&next[0], 2222}, std::pair{&next[1], 3333}}) {
        if (outcome->What == Outcome::Reply)
            QCOMPARE(outcome->Answer.Registers, (QList<quint16>{quint16(value)}));
    }
    // And the line is clean again after it.
    Outcome after;
    line.Client->ReadHoldingRegisters(kUnit, 0x0200, 1, kTimeoutMs, RecordInto(&after));
    QTRY_COMPARE_WITH_TIMEOUT(after.Calls, 1, kSoonMs);
    QCOMPARE(after.What, Outcome::Reply);
    QCOMPARE(after.Answer.Registers, (QList<quint16>{1111}));
}

void TstRtu::pacedAnswersTakeTheirWireTime_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("turnaroundMs");
    QTest::addColumn<bool>("write");
    QTest::newRow("reads at 19200") << 19200 << 0 << false;
    QTest::newRow("block writes at 9600, 15 ms turnaround") << 9600 << 15 << true;
}

// With the board pacing a real line, two requests queued at once take at least what their frames
// need on the wire (8E1: 11 bits a character), a 3.5-character silence after each frame and the
// board's turnaround. A lower bound only: a busy machine makes it longer, never shorter.
void TstRtu::pacedAnswersTakeTheirWireTime()
{
    QFETCH(int, rate);
    QFETCH(int, turnaroundMs);
    QFETCH(bool, write);
    RtuLine line;
    Connect(line);
    if (QTest::currentTestFailed())
        return;
    line.Server->SetLinePacing({rate, turnaroundMs});

    constexpr quint16 kCount = 60;
    const std::vector<quint16> values(kCount, 0);
    // A read: 8 characters and 5 + 2n back. A block write: 9 + 2n characters and 8 back.
    const int frameChars = write ? (9 + 2 * kCount) + 8 : 8 + (5 + 2 * kCount);
    const double charMs = 11 * 1000.0 / rate;
    const double leastMs = 2 * ((frameChars + 2 * 3.5) * charMs + turnaroundMs);

    std::array<Outcome, 2> outcomes;
    QElapsedTimer clock;
    clock.start();
    for (Outcome &outcome : outcomes) {
        if (write)
            line.Client->WriteMultipleRegisters(kUnit, 0x0300, values, kTimeoutMs, RecordInto(&outcome));
        else
            line.Client->ReadHoldingRegisters(kUnit, 0x0300, kCount, kTimeoutMs, RecordInto(&outcome));
    }
    QTRY_COMPARE_WITH_TIMEOUT(outcomes[1].Calls, 1, kSoonMs);
    const double elapsedMs = static_cast<double>(clock.nsecsElapsed()) / 1e6;
    QCOMPARE(outcomes[0].What, Outcome::Reply);
    QCOMPARE(outcomes[1].What, Outcome::Reply);
    // The silence after the last answer is the line's, not the client's: it need not have passed.
    QVERIFY2(elapsedMs >= leastMs - 3.5 * charMs,
             qPrintable(QStringLiteral("%1 ms, the wire needs %2 ms").arg(elapsedMs).arg(leastMs - 3.5 * charMs)));
}

// A single and a block write: the board echoes them and holds the new values.
void TstRtu::writesLandInTheBoard()
{
    RtuLine line;
    Connect(line);
    if (QTest::currentTestFailed())
        return;
    Z4Board &board = line.Server->Board();

    // Values the board does not hold yet: the supply set point (x100, 10.0 .. 55.0 degC) and the
    // two sensor columns after it (0 .. 3).
    const quint16 setPoint = board.value(0x0200) == 2150 ? 2250 : 2150;
    const std::array<quint16, 2> columns{static_cast<quint16>((board.value(0x0201) + 1) % 4),
                                         static_cast<quint16>((board.value(0x0202) + 1) % 4)};

    Outcome single;
    Outcome block;
    line.Client->WriteSingleRegister(kUnit, 0x0200, setPoint, kTimeoutMs, RecordInto(&single));
    line.Client->WriteMultipleRegisters(kUnit, 0x0201, columns, kTimeoutMs, RecordInto(&block));
    QTRY_COMPARE_WITH_TIMEOUT(block.Calls, 1, kSoonMs);

    QCOMPARE(single.Calls, 1);
    QCOMPARE(single.What, Outcome::Reply);
    QCOMPARE(single.Answer.FunctionCode, quint8(0x06));
    QCOMPARE(single.Answer.Registers, (QList<quint16>{0x0200, setPoint}));
    QCOMPARE(block.What, Outcome::Reply);
    QCOMPARE(block.Answer.FunctionCode, quint8(0x10));
    QCOMPARE(block.Answer.Registers, (QList<quint16>{0x0201, 2}));

    QCOMPARE(board.value(0x0200), setPoint);
    QCOMPARE(board.value(0x0201), columns[0]);
    QCOMPARE(board.value(0x0202), columns[1]);
    const QList<QPair<quint16, quint16>> written{{0x0200, setPoint}, {0x0201, columns[0]}, {0x0202, columns[1]}};
    QCOMPARE(line.Server->Writes(), written);
}

// Exception answers (a board without remote control, a register that does not exist) reach
// OnRefused with their code, and the line goes on working after them.
void TstRtu::refusalsReachOnRefused()
{
    Z4BoardOptions options;
    options.remoteControl = false;
    RtuLine line;
    Connect(line, options);
    if (QTest::currentTestFailed())
        return;

    Outcome remote;
    Outcome absent;
    Outcome after;
    line.Client->ReadHoldingRegisters(kUnit, 0x0430, 3, kTimeoutMs, RecordInto(&remote));
    line.Client->WriteSingleRegister(kUnit, 0x0150, 1, kTimeoutMs, RecordInto(&absent));
    line.Client->ReadHoldingRegisters(kUnit, 0x0400, 1, kTimeoutMs, RecordInto(&after));
    QTRY_COMPARE_WITH_TIMEOUT(after.Calls, 1, kSoonMs);

    for (const Outcome *refused : {&remote, &absent}) {
        QCOMPARE(refused->Calls, 1);
        QCOMPARE(refused->What, Outcome::Refused);
        QCOMPARE(refused->Answer.ExceptionCode, quint8(2));
        QVERIFY(refused->Answer.Registers.isEmpty());
    }
    QCOMPARE(after.What, Outcome::Reply);
    QCOMPARE(after.Answer.Registers, BoardValues(*line.Server, 0x0400, 1));
    QVERIFY(line.Server->Writes().isEmpty());
    QCOMPARE(line.Client->GetCounters().Refusals, quint64(2));
    QVERIFY(line.Client->IsOpen());
}

// The adapter is pulled while the board sits on a request: the client notices by itself, raises
// OnDisconnect, and the request on the wire and the one queued behind it each fail exactly once,
// in order, long before their own timeouts. The client then opens again on a new port.
// Bytes keep coming (another master on the bus, a babbling device): waiting for the line to fall
// quiet after a failure must end all the same, or no request would ever go out again.
void TstRtu::aLineThatNeverFallsQuietStillTakesRequests()
{
    RtuLine line;
    Connect(line);
    if (QTest::currentTestFailed())
        return;
    line.Server->SetFaults({.DropEvery = 1, .Refuse = {}});
    QFile chatter(line.Pty.EndB());
    QVERIFY(chatter.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    QTimer babble;
    QObject::connect(&babble, &QTimer::timeout, [&chatter] { chatter.write("\xAA", 1); });
    babble.start(20);

    Outcome first, next;
    FunctionsStr record = RecordInto(&first);
    record.OnFailed = [&, inner = record.OnFailed] {
        inner();
        line.Client->ReadHoldingRegisters(kUnit, 0x0200, 1, 100, RecordInto(&next));
    };
    line.Client->ReadHoldingRegisters(kUnit, 0x0200, 1, 100, record);
    QTRY_COMPARE_WITH_TIMEOUT(first.Calls, 1, kSoonMs);
    QTRY_COMPARE_WITH_TIMEOUT(next.Calls, 1, kSoonMs);
    QCOMPARE(next.What, Outcome::Failed);
}

void TstRtu::vanishingPortFailsWaitingRequestsOnce()
{
    RtuLine line;
    Connect(line);
    if (QTest::currentTestFailed())
        return;
    SimFaults silent;
    silent.DropEvery = 1;  // the board takes every request and answers none
    line.Server->SetFaults(silent);

    QSignalSpy handled(line.Server.get(), &Z4SimServer::RequestHandled);
    QSignalSpy disconnected(line.Client.get(), &TModbusClient::OnDisconnect);
    QSignalSpy lineErrors(line.Client.get(), &TModbusClient::OnLineError);
    // Timeouts far beyond the wait below: a failure in time can only come from the lost port.
    constexpr quint32 kLongTimeoutMs = 4 * kSoonMs;
    std::array<Outcome, 2> outcomes;
    std::vector<int> failures;
    for (int i = 0; i < 2; ++i) {
        FunctionsStr record = RecordInto(&outcomes[i]);
        record.OnFailed = [&, i, inner = record.OnFailed] {
            failures.push_back(i);
            inner();
        };
        line.Client->ReadHoldingRegisters(kUnit, static_cast<quint16>(0x0200 + i), 1, kLongTimeoutMs, record);
    }
    QVERIFY(handled.wait(kSoonMs));  // the first request is on the wire, unanswered
    QCOMPARE(line.Client->QueuedCount(), 1);

    QVERIFY(line.Pty.Kill(kSoonMs));
    QVERIFY(disconnected.wait(kSoonMs));
    QCOMPARE(failures, (std::vector<int>{0, 1}));
    QCOMPARE(outcomes[0].What, Outcome::Failed);
    QCOMPARE(outcomes[1].What, Outcome::Failed);
    QCOMPARE(lineErrors.count(), 1);
    QCOMPARE(line.Client->GetCounters().Requests, quint64(1));  // the second never went out
    QVERIFY(lineErrors.first().first().toString().contains(line.Pty.EndA()));
    QVERIFY(!line.Client->IsOpen());
    line.Server->Stop();

    // While the line is down requests are discarded without an outcome.
    Outcome discarded;
    line.Client->ReadHoldingRegisters(kUnit, 0x0200, 1, kTimeoutMs, RecordInto(&discarded));
    QCOMPARE(line.Client->GetCounters().Discarded, quint64(1));

    // A new adapter: the same client opens on it and works; nothing more reaches the old records.
    RtuLine next;
    next.Pty.Start(kSoonMs);
    if (QTest::currentTestFailed())
        return;
    QString error;
    QVERIFY2(line.Server->OpenRtu(next.Pty.EndB(), SimSerialSettings{}, &error), qPrintable(error));
    line.Server->SetFaults({});
    QSignalSpy connected(line.Client.get(), &TModbusClient::OnConnect);
    line.Client->SetCommDevice(kComNumber, next.Pty.EndA());
    line.Client->Open();
    QVERIFY(connected.wait(kSoonMs));
    Outcome fresh;
    line.Client->ReadHoldingRegisters(kUnit, 0x0200, 1, kTimeoutMs, RecordInto(&fresh));
    QTRY_COMPARE_WITH_TIMEOUT(fresh.Calls, 1, kSoonMs);
    QCOMPARE(fresh.What, Outcome::Reply);
    QCOMPARE(outcomes[0].Calls, 1);
    QCOMPARE(outcomes[1].Calls, 1);
    QCOMPARE(discarded.Calls, 0);
    QCOMPARE(disconnected.count(), 1);
    line.Server->Stop();
}

void TstRtu::missingDeviceNeverConnects_data()
{
    QTest::addColumn<bool>("configured");
    QTest::addColumn<int>("number");
    QTest::newRow("a device configured for the number") << true << 7;
    QTest::newRow("the platform's default device of the number") << false << 250;
}

// A COM number whose device is not there: the user is told why, no connect event follows, and
// requests are discarded without an outcome.
void TstRtu::missingDeviceNeverConnects()
{
    QFETCH(bool, configured);
    QFETCH(int, number);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());

    TSerialModbusClient client;
    if (configured)
        client.SetCommDevice(number, dir.filePath(QStringLiteral("ttyUSB-gone")));
    client.SetCommNumber(number);
    if (QFileInfo::exists(client.PortName()))
        QSKIP(qPrintable(client.PortName() + QStringLiteral(" exists on this machine")));

    QSignalSpy connected(&client, &TModbusClient::OnConnect);
    QSignalSpy lineErrors(&client, &TModbusClient::OnLineError);
    client.Open();
    QTRY_COMPARE_WITH_TIMEOUT(lineErrors.count(), 1, kSoonMs);
    QVERIFY(lineErrors.first().first().toString().contains(client.PortName()));

    Outcome outcome;
    client.ReadHoldingRegisters(kUnit, 0x0200, 1, kTimeoutMs, RecordInto(&outcome));
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    QCOMPARE(connected.count(), 0);
    QVERIFY(!client.IsOpen());
    QCOMPARE(outcome.Calls, 0);
    QCOMPARE(client.GetCounters().Discarded, quint64(1));
    QCOMPARE(lineErrors.count(), 1);
}

void TstRtu::malformedAnswersAreRepeatedAsMisfits_data()
{
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<Misframing>("kind");
    for (const bool rtu : {true, false}) {
        const char *line = rtu ? "RTU" : "TCP";
        QTest::addRow("%s, byte count too large", line) << rtu << Misframing::CountHigh;
        QTest::addRow("%s, odd byte count", line) << rtu << Misframing::CountOdd;
        QTest::addRow("%s, PDU cut short", line) << rtu << Misframing::PduCut;
        QTest::addRow("%s, PDU empty", line) << rtu << Misframing::PduEmpty;
    }
}

// Every 50th answer is malformed inside a frame that is otherwise right: the Save repeats each
// such request as an answer that did not fit (never as a lost line, never as no answer) and ends
// holding exactly what the board holds.
void TstRtu::malformedAnswersAreRepeatedAsMisfits()
{
    QFETCH(bool, rtu);
    QFETCH(Misframing, kind);
    constexpr quint32 kShortTimeoutMs = 300;
    RtuLine line;
    std::unique_ptr<TTCPModbusClient> tcp;
    TModbusClient *opened = ConnectEither(rtu, line, tcp);
    QVERIFY(opened);
    TModbusClient &client = *opened;
    line.Server->SetFaults({.Refuse = {}, .Misframe = kind, .MisframeEvery = 50});
    TConfigImages images = ConfigurationItems();
    QCOMPARE(images.ItemCount, 140);

    const SaveRun run = SaveItemByItem(client, images, kShortTimeoutMs);
    QVERIFY2(run.Done, qPrintable(run.Aborted));
    QCOMPARE(run.Repeats.Misfit, 2);  // answers 50 and 100 of the 142
    QCOMPARE(run.Repeats.NoAnswer, 0);
    const QStringList differences = Differences(images.BoardImage, line.Server->Board());
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QLatin1Char('\n'))));
    QVERIFY(client.IsOpen());
}

void TstRtu::saveWithALateAnswerHoldsTheBoardsValues_data()
{
    QTest::addColumn<bool>("rtu");
    QTest::addColumn<int>("late");
    // Every Nth request is late: of the Save's 140 and its repeats, only the one.
    QTest::newRow("RTU, request 75 (single registers)") << true << 75;
    QTest::newRow("RTU, request 118 (three registers)") << true << 118;
    QTest::newRow("TCP, request 75") << false << 75;
}

// The board answers one read of a Save after the request's timeout and after the wait for a quiet
// line, when the repeat of that read is already out, and answers the repeat just after it (it
// works through its requests in turn, at the pace of a line at 19200 baud). The next item is read
// the same way, so that one answer could pass for the other. The Save holds exactly what the
// board holds, or fails saying why.
void TstRtu::saveWithALateAnswerHoldsTheBoardsValues()
{
    QFETCH(bool, rtu);
    QFETCH(int, late);
    constexpr quint32 kShortTimeoutMs = 300;
    RtuLine line;
    std::unique_ptr<TTCPModbusClient> tcp;
    TModbusClient *opened = ConnectEither(rtu, line, tcp);
    QVERIFY(opened);
    TModbusClient &client = *opened;
    if (rtu)
        line.Server->SetLinePacing({19200, 0});
    TConfigImages images = ConfigurationItems();
    QCOMPARE(images.ItemCount, 140);
    const ConfigItem &item = images.BoardImage[static_cast<size_t>(late - 1)];
    QCOMPARE(images.BoardImage[static_cast<size_t>(late)].Registers, item.Registers);
    // Every register its own value, so that a value in the wrong place shows.
    for (const ConfigItem &each : images.BoardImage) {
        for (int k = 0; k < each.Registers; ++k)
            QVERIFY(line.Server->Board().write(static_cast<quint16>(each.FirstRegister + k),
                                               static_cast<quint16>(each.FirstRegister + k)));
    }
    // Later than the timeout and the quiet wait after it together, within the repeat's timeout.
    line.Server->SetFaults({.Refuse = {}, .LateEvery = late, .LateMs = 750});

    const SaveRun run = SaveItemByItem(client, images, kShortTimeoutMs);
    QVERIFY2(run.Done || !run.Aborted.isEmpty(), "a Save ends either way");
    const QStringList differences = Differences(images.BoardImage, line.Server->Board());
    QVERIFY2(!run.Done || differences.isEmpty(), qPrintable(differences.join(QLatin1Char('\n'))));
    // The repeats ride it out: one read without an answer in time, and on RTU the answers that
    // came twice for one request.
    QVERIFY2(run.Done, qPrintable(run.Aborted));
    QCOMPARE(run.Repeats.NoAnswer, 1);
    QVERIFY(client.IsOpen());
}

void TstRtu::scanTellsFramesFromNoise_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QList<qsizetype>>("frames");  // where frames of slave 1 begin
    QTest::addColumn<qsizetype>("open");
    QTest::addColumn<qsizetype>("noise");
    const QByteArray answer = RtuFrame(1, QByteArray::fromHex("030208fc"));
    const QByteArray other = RtuFrame(2, QByteArray::fromHex("030208fc"));
    QTest::newRow("an answer") << answer << QList<qsizetype>{0} << qsizetype(-1) << qsizetype(0);
    QTest::newRow("noise around it") << QByteArray::fromHex("aa55") + answer + QByteArray::fromHex("ff00ee")
                                     << QList<qsizetype>{2} << qsizetype(-1) << qsizetype(5);
    QTest::newRow("another slave's frame is noise")
        << other + answer << QList<qsizetype>{7} << qsizetype(-1) << qsizetype(7);
    QTest::newRow("two answers") << answer + answer << QList<qsizetype>{0, 7} << qsizetype(-1) << qsizetype(0);
    QTest::newRow("a frame's beginning may still become one")
        << answer + answer.left(4) << QList<qsizetype>{0} << qsizetype(7) << qsizetype(0);
    QTest::newRow("the slave's address in noise")
        << QByteArray::fromHex("a101ff") << QList<qsizetype>{} << qsizetype(1) << qsizetype(1);
    QTest::newRow("a frame with a bad CRC, the longest frame on")
        << answer.left(6) + QByteArray(256, 'x') << QList<qsizetype>{} << qsizetype(-1) << qsizetype(262);
}

// The bytes of a serial line as the client sorts them for one slave.
void TstRtu::scanTellsFramesFromNoise()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QList<qsizetype>, frames);
    QFETCH(qsizetype, open);
    QFETCH(qsizetype, noise);
    const TRtuScan scan = ScanRtu(bytes, 1);
    QList<qsizetype> found;
    for (const TRtuScan::Frame &frame : scan.Frames)
        found.append(frame.At);
    QCOMPARE(found, frames);
    QCOMPARE(scan.Open, open);
    QCOMPARE(scan.Noise, noise);
}

void TstRtu::aSaveInBlocksFindsAWay_data()
{
    QTest::addColumn<SimFaults>("faults");
    QTest::addColumn<bool>("repeated");  // requests had to be sent again
    SimFaults chatter;
    chatter.ChatterMs = 20;
    QTest::newRow("noise between frames every 20 ms") << chatter << false;
    chatter.ChatterMs = 5;
    QTest::newRow("noise between frames every 5 ms") << chatter << false;
    SimFaults refusing;
    refusing.MaxRead = 20;
    QTest::newRow("a board refusing reads over 20 registers") << refusing << false;
    SimFaults swallowing = refusing;
    swallowing.SwallowLongReads = true;
    QTest::newRow("a board leaving reads over 20 registers unanswered") << swallowing << true;
}

// A Save as the tool runs it, in block reads at the pace of a line at 19200 baud, on a line that
// chatters between frames (every answer fitting its request, noise or not), and on boards that
// will not read the longer blocks or items: it ends holding exactly what the board holds.
void TstRtu::aSaveInBlocksFindsAWay()
{
    QFETCH(SimFaults, faults);
    QFETCH(bool, repeated);
    RtuLine line;
    Connect(line);
    if (QTest::currentTestFailed())
        return;
    line.Server->SetLinePacing({19200, 0});
    TConfigImages images = ConfigurationItems();
    QVERIFY(OwnValues(line.Server->Board(), images));
    line.Server->SetFaults(faults);

    const SaveRun run = RunSave(*line.Client, images, 300, false);
    QVERIFY2(run.Done, qPrintable(run.Aborted));
    const QStringList differences = Differences(images.BoardImage, line.Server->Board());
    QVERIFY2(differences.isEmpty(), qPrintable(differences.join(QLatin1Char('\n'))));
    QCOMPARE(run.Repeats.NoAnswer + run.Repeats.Misfit > 0, repeated);
    if (faults.ChatterMs > 0) {
        QVERIFY(line.Server->ChatterBytes() > 0);
        QVERIFY(line.Client->GetCounters().Noise > 0);
        QCOMPARE(line.Client->GetCounters().Failures, quint64(0));
    }
}

// One answer of a Save in blocks comes after its timeout: that Save reads the run it belongs to
// item by item, and still holds the board's values; the next Save reads in blocks again.
void TstRtu::aLateAnswerCostsOneTransferAtMost()
{
    RtuLine line;
    Connect(line);
    if (QTest::currentTestFailed())
        return;
    line.Server->SetLinePacing({19200, 0});
    TConfigImages images = ConfigurationItems();
    QVERIFY(OwnValues(line.Server->Board(), images));
    const size_t blocks = PlanBlockReads(images.BoardImage, images.ActiveItemCount).size();
    // The third request only: the faults apply from the request after the one handled.
    QObject::connect(line.Server.get(), &Z4SimServer::RequestHandled, line.Server.get(), [&line] {
        if (line.Server->Requests().size() == 2)
            line.Server->SetFaults({.Refuse = {}, .LateEvery = 3, .LateMs = 2500});
        else if (line.Server->Requests().size() == 4)
            line.Server->SetFaults({});
    });
    const SaveRun first = RunSave(*line.Client, images, 1000, false);
    QVERIFY2(first.Done, qPrintable(first.Aborted));
    QVERIFY(Differences(images.BoardImage, line.Server->Board()).isEmpty());

    QCOMPARE(first.Repeats.NoAnswer, 1);
    QVERIFY(size_t(line.Server->Requests().size()) > blocks);
    QObject::disconnect(line.Server.get(), &Z4SimServer::RequestHandled, nullptr, nullptr);
    line.Server->ClearRecord();
    images.BoardImage = ConfigurationItems().BoardImage;
    const SaveRun next = RunSave(*line.Client, images, 1000, false);
    QVERIFY2(next.Done, qPrintable(next.Aborted));
    QCOMPARE(size_t(line.Server->Requests().size()), blocks);
    QVERIFY(Differences(images.BoardImage, line.Server->Board()).isEmpty());
}

// The board search's client: a probe of an address that sends not a byte back lets the next go out
// at once, with no wait for a quiet line; the late answer of an address is never taken for the
// next one's.
void TstRtu::silentProbesWaitForNothing()
{
    RtuLine line;
    Connect(line);
    if (QTest::currentTestFailed())
        return;
    line.Server->SetUnit(3);
    line.Server->SetFaults({.Refuse = {}, .LateEvery = 1, .LateMs = 300});
    line.Client->SetWaitAfterSilence(false);
    line.Client->SetLateAnswerWaitMs(30);
    QList<TTrafficRecord> trace;
    line.Client->SetTrafficSink([&trace](const TTrafficRecord &record) { trace.append(record); });

    std::array<Outcome, 5> probes;
    for (quint8 unit = 1; unit <= 5; ++unit)
        line.Client->ReadHoldingRegisters(unit, 0xE700, 2, 200, RecordInto(&probes[unit - 1]));
    QTRY_COMPARE_WITH_TIMEOUT(probes[4].Calls, 1, kSoonMs);
    // The board at address 3 answered after its timeout: no probe has an answer.
    for (const Outcome &probe : probes) {
        QCOMPARE(probe.Calls, 1);
        QCOMPARE(probe.What, Outcome::Failed);
    }
    // Not a wait after the silent probes of addresses 1 and 2, nor after 3, whose answer had not
    // begun when it failed.
    QStringList outcomes;
    for (const TTrafficRecord &record : trace)
        outcomes.append(record.Outcome == TTrafficRecord::TOutcome::Resync ? QStringLiteral("wait")
                                                                           : QString::number(record.Slave));
    QCOMPARE(outcomes.mid(0, 3), (QStringList{"1", "2", "3"}));
    QVERIFY(outcomes.count(QStringLiteral("wait")) <= 1);
}

QTEST_GUILESS_MAIN(TstRtu)
#include "tst_rtu.moc"
