// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// Interoperability with Modbus implementations that are not ours: our TCP master against a
// pymodbus server, and the mbpoll master (libmodbus) against z4sim over TCP and over RTU.
#include "PtyPair.h"
#include "PymodbusPeer.h"
#include "SimHarness.h"
#include "link/TTCPModbusClient.h"

#include <QFileInfo>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <array>
#include <memory>

namespace {
constexpr quint8 kUnit = 1;
constexpr quint32 kTimeoutMs = 2000;

// pymodbus_server.py serves holding registers 0 .. 199 holding 1000 + address.
constexpr quint16 kPeerRegisters = 200;
quint16 PeerValue(int address)
{
    return static_cast<quint16>(1000 + address);
}

QList<quint16> PeerValues(int first, int count)
{
    QList<quint16> values;
    for (int i = 0; i < count; ++i)
        values.append(PeerValue(first + i));
    return values;
}

// One run of mbpoll and what it printed.
struct MbpollRun
{
    bool Finished = false;
    int ExitCode = -1;
    QString Output;
    QString Errors;
    QMap<int, int> Values;  // register address -> value, from the "[address]: value" lines
};

// How mbpoll reaches the board: its line options and the port or device.
struct MbpollLine
{
    QStringList Options;
    QString Target;
};

MbpollRun RunMbpoll(const MbpollLine &line, const QStringList &arguments, const QStringList &writeValues = {})
{
    QProcess process;
    // -1: once, -0: protocol addresses, -t 4: holding registers as 16-bit numbers, -o: a timeout
    // that a healthy peer never comes near.
    QStringList all = line.Options;
    all << QStringLiteral("-a") << QString::number(kUnit) << QStringLiteral("-t") << QStringLiteral("4")
        << QStringLiteral("-0") << QStringLiteral("-1") << QStringLiteral("-o") << QStringLiteral("5") << arguments
        << line.Target << writeValues;
    process.start(QStringLiteral("mbpoll"), all);
    MbpollRun run;
    run.Finished = process.waitForStarted(kSoonMs) && process.waitForFinished(3 * kSoonMs);
    if (!run.Finished) {
        process.kill();
        process.waitForFinished(kSoonMs);
        return run;
    }
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Output = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.Errors = QString::fromLocal8Bit(process.readAllStandardError());
    static const QRegularExpression valueLine(QStringLiteral("^\\[(\\d+)\\]:\\s+(-?\\d+)\\s*$"),
                                              QRegularExpression::MultilineOption);
    for (auto it = valueLine.globalMatch(run.Output); it.hasNext();) {
        const auto match = it.next();
        run.Values.insert(match.captured(1).toInt(), match.captured(2).toInt());
    }
    return run;
}

MbpollRun MbpollRead(const MbpollLine &line, quint16 first, quint16 count)
{
    return RunMbpoll(line,
                     {QStringLiteral("-r"), QString::number(first), QStringLiteral("-c"), QString::number(count)});
}

MbpollRun MbpollWrite(const MbpollLine &line, quint16 first, const QList<quint16> &values)
{
    QStringList text;
    for (quint16 v : values)
        text << QString::number(v);
    return RunMbpoll(line, {QStringLiteral("-r"), QString::number(first)}, text);
}

QMap<int, int> Expected(quint16 first, const QList<quint16> &values)
{
    QMap<int, int> map;
    for (int i = 0; i < values.size(); ++i)
        map.insert(first + i, values.at(i));
    return map;
}

QString Describe(const MbpollRun &run)
{
    return QStringLiteral("mbpoll exit %1\n%2\n%3").arg(run.ExitCode).arg(run.Output, run.Errors);
}
}  // namespace

class TstInterop : public QObject
{
    Q_OBJECT

private slots:
    void pymodbusAnswersOurReads();
    void pymodbusTakesOurWrites();
    void pymodbusRefusalReachesOnRefused();
    void mbpollReadsZ4sim_data();
    void mbpollReadsZ4sim();
    void mbpollWritesZ4sim_data();
    void mbpollWritesZ4sim();
    void ourClientRidesOutMisframedAnswersOfZ4sim();

private:
    // Starts the pymodbus server and opens our client on it (skips when pymodbus is missing).
    void OpenOnPymodbus(PymodbusPeer &peer, std::unique_ptr<TTCPModbusClient> &client);
    // Starts z4sim for the current mbpoll data row, with its board options; fills *line.
    void StartZ4sim(SimProcess &sim, PtyPair &pty, const QStringList &boardOptions, MbpollLine *line);
    void MbpollRows();
};

void TstInterop::OpenOnPymodbus(PymodbusPeer &peer, std::unique_ptr<TTCPModbusClient> &client)
{
    bool missing = false;
    const QString error = peer.Start({}, &missing);
    if (missing)
        QSKIP(qPrintable(QStringLiteral("pymodbus cannot run here (apt-get install python3-pymodbus "
                                        "python3-serial-asyncio): ")
                         + error));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    client = OpenTcpClient(peer.Port());
    QVERIFY(client);
}

// Our reads, from one register to the most one request carries, up to the end of the block.
void TstInterop::pymodbusAnswersOurReads()
{
    PymodbusPeer peer;
    std::unique_ptr<TTCPModbusClient> client;
    OpenOnPymodbus(peer, client);
    if (!client)
        return;

    struct Read
    {
        quint16 First;
        quint16 Count;
    };
    const std::array<Read, 4> reads{{{7, 1}, {0, 10}, {0, 125}, {kPeerRegisters - 10, 10}}};
    std::array<Outcome, 4> outcomes;
    for (size_t i = 0; i < reads.size(); ++i)
        client->ReadHoldingRegisters(kUnit, reads[i].First, reads[i].Count, kTimeoutMs, RecordInto(&outcomes[i]));
    QTRY_COMPARE_WITH_TIMEOUT(outcomes.back().Calls, 1, kSoonMs);
    for (size_t i = 0; i < reads.size(); ++i) {
        QCOMPARE(outcomes[i].Calls, 1);
        QCOMPARE(outcomes[i].What, Outcome::Reply);
        QCOMPARE(outcomes[i].Answer.ByteCount, quint8(2 * reads[i].Count));
        QCOMPARE(outcomes[i].Answer.Registers, PeerValues(reads[i].First, reads[i].Count));
    }
    client->Close();
    QVERIFY2(peer.Stop(), "the pymodbus server did not end when its stdin closed");
}

// A single and a block write, echoed by the peer and read back from it.
void TstInterop::pymodbusTakesOurWrites()
{
    PymodbusPeer peer;
    std::unique_ptr<TTCPModbusClient> client;
    OpenOnPymodbus(peer, client);
    if (!client)
        return;

    Outcome single;
    Outcome block;
    Outcome readBack;
    const std::array<quint16, 3> values{7, 0x8000, 0xFFFF};
    client->WriteSingleRegister(kUnit, 5, 4321, kTimeoutMs, RecordInto(&single));
    client->WriteMultipleRegisters(kUnit, 50, values, kTimeoutMs, RecordInto(&block));
    client->ReadHoldingRegisters(kUnit, 4, 50, kTimeoutMs, RecordInto(&readBack));
    QTRY_COMPARE_WITH_TIMEOUT(readBack.Calls, 1, kSoonMs);

    QCOMPARE(single.What, Outcome::Reply);
    QCOMPARE(single.Answer.Registers, (QList<quint16>{5, 4321}));
    QCOMPARE(block.What, Outcome::Reply);
    QCOMPARE(block.Answer.Registers, (QList<quint16>{50, 3}));
    QCOMPARE(readBack.What, Outcome::Reply);
    QList<quint16> expected = PeerValues(4, 50);
    expected[5 - 4] = 4321;
    expected.replace(50 - 4, values[0]);
    expected.replace(51 - 4, values[1]);
    expected.replace(52 - 4, values[2]);
    QCOMPARE(readBack.Answer.Registers, expected);
}

// The peer's exception answers (a read running past its block, a write beyond it) reach
// OnRefused with exception 2, and the connection goes on serving.
void TstInterop::pymodbusRefusalReachesOnRefused()
{
    PymodbusPeer peer;
    std::unique_ptr<TTCPModbusClient> client;
    OpenOnPymodbus(peer, client);
    if (!client)
        return;

    Outcome pastTheEnd;
    Outcome writeBeyond;
    Outcome after;
    client->ReadHoldingRegisters(kUnit, kPeerRegisters - 5, 10, kTimeoutMs, RecordInto(&pastTheEnd));
    client->WriteSingleRegister(kUnit, kPeerRegisters, 1, kTimeoutMs, RecordInto(&writeBeyond));
    client->ReadHoldingRegisters(kUnit, kPeerRegisters - 1, 1, kTimeoutMs, RecordInto(&after));
    QTRY_COMPARE_WITH_TIMEOUT(after.Calls, 1, kSoonMs);

    for (const Outcome *refused : {&pastTheEnd, &writeBeyond}) {
        QCOMPARE(refused->Calls, 1);
        QCOMPARE(refused->What, Outcome::Refused);
        QCOMPARE(refused->Answer.ExceptionCode, quint8(2));
    }
    QCOMPARE(after.What, Outcome::Reply);
    QCOMPARE(after.Answer.Registers, PeerValues(kPeerRegisters - 1, 1));
    QVERIFY(client->IsOpen());
}

void TstInterop::MbpollRows()
{
    QTest::addColumn<bool>("rtu");
    QTest::newRow("tcp") << false;
    QTest::newRow("rtu 19200 8E1") << true;
}

void TstInterop::mbpollReadsZ4sim_data()
{
    MbpollRows();
}
void TstInterop::mbpollWritesZ4sim_data()
{
    MbpollRows();
}

void TstInterop::StartZ4sim(SimProcess &sim, PtyPair &pty, const QStringList &boardOptions, MbpollLine *line)
{
    QFETCH(bool, rtu);
    if (QStandardPaths::findExecutable(QStringLiteral("mbpoll")).isEmpty())
        QSKIP("mbpoll is not installed (apt-get install mbpoll)");
    if (rtu && !PtyPair::Available())
        QSKIP("socat is not installed: no pty pair for RTU (apt-get install socat)");
    if (!rtu) {
        QVERIFY2(sim.Start(QStringList{QStringLiteral("--tcp"), QStringLiteral("0")} + boardOptions),
                 qPrintable(sim.ErrorOutput()));
        QVERIFY(sim.TcpPort() != 0);
        line->Options = {QStringLiteral("-m"), QStringLiteral("tcp"), QStringLiteral("-p"),
                         QString::number(sim.TcpPort())};
        line->Target = QStringLiteral("127.0.0.1");
        return;
    }
    pty.Start(kSoonMs);
    if (QTest::currentTestFailed())
        return;
    QVERIFY2(sim.Start(QStringList{QStringLiteral("--rtu"), pty.EndA(), QStringLiteral("--baud"),
                                   QStringLiteral("19200"), QStringLiteral("--parity"), QStringLiteral("E")}
                       + boardOptions),
             qPrintable(sim.ErrorOutput()));
    line->Options = {QStringLiteral("-m"), QStringLiteral("rtu"), QStringLiteral("-b"), QStringLiteral("19200"),
                     QStringLiteral("-d"), QStringLiteral("8"),   QStringLiteral("-P"), QStringLiteral("even"),
                     QStringLiteral("-s"), QStringLiteral("1")};
    line->Target = pty.EndB();
}

// mbpoll reads the identification z4sim was started with, and gets exception 2 for a register
// the board does not have.
void TstInterop::mbpollReadsZ4sim()
{
    PtyPair pty;
    SimProcess sim;
    MbpollLine line;
    StartZ4sim(sim, pty,
               {QStringLiteral("--firmware"), QStringLiteral("1234"), QStringLiteral("--board-number"),
                QStringLiteral("4321"), QStringLiteral("--series"), QStringLiteral("77")},
               &line);
    if (line.Target.isEmpty())
        return;

    const MbpollRun identification = MbpollRead(line, 0xE700, 2);
    QVERIFY2(identification.Finished && identification.ExitCode == 0, qPrintable(Describe(identification)));
    QCOMPARE(identification.Values, Expected(0xE700, {1234, 4321}));
    const MbpollRun series = MbpollRead(line, 0x0385, 1);
    QCOMPARE(series.Values, Expected(0x0385, {77}));

    const MbpollRun absent = MbpollRead(line, 0x0150, 1);
    QVERIFY2(absent.Finished, "mbpoll did not finish");
    QVERIFY2(absent.ExitCode != 0 && absent.Errors.contains(QStringLiteral("Illegal data address")),
             qPrintable(Describe(absent)));
    QVERIFY(absent.Values.isEmpty());
}

// mbpoll writes one register and a block; mbpoll reads them back, and over TCP so does our client.
void TstInterop::mbpollWritesZ4sim()
{
    QFETCH(bool, rtu);
    PtyPair pty;
    SimProcess sim;
    MbpollLine line;
    StartZ4sim(sim, pty, {}, &line);
    if (line.Target.isEmpty())
        return;

    // The supply set point (x100, 10.0 .. 55.0 degC) and the two sensor columns after it (0 .. 3),
    // set to values the board does not hold yet.
    const MbpollRun before = MbpollRead(line, 0x0200, 3);
    QVERIFY2(before.Finished && before.ExitCode == 0 && before.Values.size() == 3, qPrintable(Describe(before)));
    const QList<quint16> wanted{static_cast<quint16>(before.Values.value(0x0200) == 2150 ? 2250 : 2150),
                                static_cast<quint16>((before.Values.value(0x0201) + 1) % 4),
                                static_cast<quint16>((before.Values.value(0x0202) + 1) % 4)};

    const MbpollRun single = MbpollWrite(line, 0x0200, {wanted[0]});
    QVERIFY2(single.Finished && single.ExitCode == 0 && single.Output.contains(QStringLiteral("Written 1 references")),
             qPrintable(Describe(single)));
    const MbpollRun block = MbpollWrite(line, 0x0201, {wanted[1], wanted[2]});
    QVERIFY2(block.Finished && block.ExitCode == 0 && block.Output.contains(QStringLiteral("Written 2 references")),
             qPrintable(Describe(block)));

    const MbpollRun after = MbpollRead(line, 0x0200, 3);
    QVERIFY2(after.Finished && after.ExitCode == 0, qPrintable(Describe(after)));
    QCOMPARE(after.Values, Expected(0x0200, wanted));

    if (rtu)
        return;  // the pty's other end is mbpoll's; our RTU master has its own tests
    auto client = OpenTcpClient(sim.TcpPort());
    QVERIFY(client);
    Outcome ours;
    client->ReadHoldingRegisters(kUnit, 0x0200, 3, kTimeoutMs, RecordInto(&ours));
    QTRY_COMPARE_WITH_TIMEOUT(ours.Calls, 1, kSoonMs);
    QCOMPARE(ours.What, Outcome::Reply);
    QCOMPARE(ours.Answer.Registers, wanted);
}

// z4sim as a process, every fourth answer preceded by junk: each failure costs one request, and
// every answer that comes through is the board's own.
void TstInterop::ourClientRidesOutMisframedAnswersOfZ4sim()
{
    SimProcess sim;
    QVERIFY2(sim.Start({QStringLiteral("--tcp"), QStringLiteral("0"), QStringLiteral("--misframe"),
                        QStringLiteral("junk:4"), QStringLiteral("--firmware"), QStringLiteral("1234"),
                        QStringLiteral("--board-number"), QStringLiteral("4321")}),
             qPrintable(sim.ErrorOutput()));
    auto client = OpenTcpClient(sim.TcpPort());
    QVERIFY(client);
    int failed = 0;
    for (int i = 0; i < 12; ++i) {
        Outcome o;
        client->ReadHoldingRegisters(1, 0xE700, 2, 300, RecordInto(&o));
        QTRY_COMPARE_WITH_TIMEOUT(o.Calls, 1, kSoonMs);
        if (o.What == Outcome::Failed)
            ++failed;
        else
            QCOMPARE(o.Answer.Registers, (QList<quint16>{1234, 4321}));
    }
    QCOMPARE(failed, 3);
    QCOMPARE(client->GetCounters().Resyncs, 3u);
    QVERIFY(client->IsOpen());
}

QTEST_GUILESS_MAIN(TstInterop)
#include "tst_interop.moc"
