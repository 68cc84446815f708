// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The recording file: what is written reads back the same, by sample, by pixel column and by
// event; files that are not ours, damaged or newer are refused; a file another tool writes is
// marked so.

#include "monitor/TPoll.h"
#include "record/Recording.h"
#include "record/RecordingsFolder.h"
#include "record/TRecorder.h"

#include "OddFiles.h"
#include "SimHarness.h"
#include "TestFiles.h"
#include "Z4Registers.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <csignal>

using namespace rec;

namespace {

constexpr qint64 kStart = 1'780'000'000'000;  // a UTC instant in 2026

// Sample i of a made-up recording: slow waves, on/off lanes, a gap now and then.
TSample Made(qint64 i)
{
    TSample sample;
    sample.Ms = kStart + i * 1000 + (i % 7);  // answers come a few ms late
    for (int s = 0; s < kSeries; ++s) {
        const TSeriesInfo &series = SeriesTable()[static_cast<size_t>(s)];
        double value = 0;
        if (series.OnOff)
            value = (i / (30 + s)) % 2;
        else if (s >= kIoSeries)
            value = std::round(50 + 40 * std::sin(static_cast<double>(i) / (100 + s)));
        else
            value = std::round((20 + 15 * std::sin(static_cast<double>(i) / (50 + s))) * 100) / 100;
        sample.Values[static_cast<size_t>(s)] = (i + s) % 97 == 0 ? std::nan("") : value;
    }
    return sample;
}

TRecordingInfo Info()
{
    return {.Address = 7,
            .Line = QStringLiteral("127.0.0.1:1502"),
            .Firmware = QStringLiteral("1.012"),
            .Series = QStringLiteral("3"),
            .Board = QStringLiteral("17"),
            .Tool = QStringLiteral("2.07"),
            .StartMs = kStart,
            .OffsetSeconds = 3600};
}

bool Same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::abs(a - b) < 1e-9;
}

}  // namespace

class TstRecord : public QObject
{
    Q_OBJECT

private slots:
    void samplesReadBack_data();
    void samplesReadBack();
    void eventsReadBack();
    void hostileFilesRefused_data();
    void hostileFilesRefused();
    void beingWrittenOpensReadOnly();
    void unwritablePlaces();
    void recorderFollowsBoard();
    void valueBeforeAfterAnOutcome_data();
    void valueBeforeAfterAnOutcome();
    void unwritableFolderLeavesPollAlone();
    void sizeBoundRemovesOldest_data();
    void sizeBoundRemovesOldest();
    void z4ctlRecordEndsCleanly_data();
    void z4ctlRecordEndsCleanly();
    void z4ctlRecordOnAFullDisk();
};

void TstRecord::samplesReadBack_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("columns");
    QTest::newRow("one sample") << 1 << 10;
    QTest::newRow("part of a chunk") << kChunkSamples - 1 << 7;
    QTest::newRow("whole chunks") << 3 * kChunkSamples << 2;
    QTest::newRow("many chunks, columns narrower than a chunk") << 20 * kChunkSamples + 13 << 500;
    QTest::newRow("many chunks, wide columns") << 20 * kChunkSamples + 13 << 9;
}

void TstRecord::samplesReadBack()
{
    QFETCH(int, count);
    QFETCH(int, columns);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("r.z4rec"));
    {
        TRecordingWriter writer;
        QVERIFY2(writer.Create(path, Info()), qPrintable(writer.Error()));
        for (int i = 0; i < count; ++i) {
            writer.Add(Made(i));
            if (i % 45 == 0)
                QVERIFY(writer.Commit());  // partial chunks rewritten as they grow
        }
        QVERIFY(writer.Close());
    }
    TRecordingReader reader;
    QVERIFY2(reader.Open(path), qPrintable(reader.Error()));
    QCOMPARE(reader.SampleCount(), count);
    QCOMPARE(reader.FirstMs(), Made(0).Ms);
    QCOMPARE(reader.LastMs(), Made(count - 1).Ms);
    QCOMPARE(reader.Info().Line, Info().Line);
    QCOMPARE(reader.Info().Board, Info().Board);
    QCOMPARE(reader.Info().OffsetSeconds, 3600);
    QCOMPARE(static_cast<int>(reader.Series().size()), kSeries);

    // Every sample, and a range cut inside chunks.
    for (const auto &[from, to] : {std::pair<qint64, qint64>{0, count - 1}, {count / 3, count / 2}}) {
        qint64 i = from;
        QVERIFY(reader.ForEachSample(Made(from).Ms, Made(to).Ms, [&](const TSample &sample) {
            const TSample want = Made(i++);
            QCOMPARE(sample.Ms, want.Ms);
            for (size_t s = 0; s < want.Values.size(); ++s)
                QVERIFY2(Same(sample.Values[s], want.Values[s]), qPrintable(QString::number(s)));
        }));
        QCOMPARE(i, to + 1);
    }

    // Per pixel column, what a walk over every sample finds.
    const qint64 from = Made(0).Ms;
    const qint64 to = Made(count - 1).Ms + 1;
    std::vector<TColumnRange> columnsRead;
    QVERIFY(reader.MinMax(from, to, columns, columnsRead));
    std::vector<TColumnRange> want(static_cast<size_t>(kSeries * columns));
    for (int i = 0; i < count; ++i) {
        const TSample sample = Made(i);
        const auto c = static_cast<int>(std::floor((sample.Ms - from) / (static_cast<double>(to - from) / columns)));
        for (int s = 0; s < kSeries; ++s) {
            const double v = sample.Values[static_cast<size_t>(s)];
            TColumnRange &r = want[static_cast<size_t>(s * columns + c)];
            if (!std::isnan(v)) {
                r.Min = std::isnan(r.Min) ? v : std::min(r.Min, v);
                r.Max = std::isnan(r.Max) ? v : std::max(r.Max, v);
            }
        }
    }
    for (size_t k = 0; k < want.size(); ++k) {
        QVERIFY2(Same(columnsRead[k].Min, want[k].Min) && Same(columnsRead[k].Max, want[k].Max),
                 qPrintable(QStringLiteral("series %1 column %2").arg(k / columns).arg(k % columns)));
    }
}

void TstRecord::eventsReadBack()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("e.z4rec"));
    const std::vector<TEvent> events{
        {kStart + 5, QStringLiteral("stop"), QStringLiteral("Stop cause DIN3 appeared"), {}, {}, {}, TCause::None},
        {kStart + 9, QStringLiteral("write"), QStringLiteral("Supply setpoint 21.5 °C"), 0x0200, 200, 215,
         TCause::Edit},
        {kStart + 9, QStringLiteral("write"), QStringLiteral("Start/stop"), 0x013A, std::nullopt, 1, TCause::Command},
        {kStart + 20, QStringLiteral("write"), QStringLiteral("Load"), 0x0242, std::nullopt, 3, TCause::Load},
    };
    {
        TRecordingWriter writer;
        QVERIFY(writer.Create(path, Info()));
        for (const TEvent &event : events)
            writer.AddEvent(event);
    }
    TRecordingReader reader;
    QVERIFY(reader.Open(path));
    const std::vector<TEvent> read = reader.Events();
    QCOMPARE(read.size(), events.size());
    for (size_t i = 0; i < events.size(); ++i) {
        QCOMPARE(read[i].Ms, events[i].Ms);
        QCOMPARE(read[i].Kind, events[i].Kind);
        QCOMPARE(read[i].Text, events[i].Text);
        QCOMPARE(read[i].Register, events[i].Register);
        QCOMPARE(read[i].Old, events[i].Old);
        QCOMPARE(read[i].New, events[i].New);
        QCOMPARE(read[i].Cause, events[i].Cause);
    }
    QCOMPARE(reader.Events(kStart + 6, kStart + 9).size(), size_t(2));
}

void TstRecord::hostileFilesRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("text") << "text"
                          << "is not a recording of this tool";
    QTest::newRow("empty") << "empty"
                           << "is not a recording of this tool";
    QTest::newRow("another program's database") << "foreign"
                                                << "is not a recording of this tool";
    QTest::newRow("newer format") << "newer"
                                  << "was made by a newer version of the tool";
    QTest::newRow("cut short") << "cut"
                               << "is damaged";
    QTest::newRow("overwritten inside") << "scribbled"
                                        << "is damaged";
    QTest::newRow("missing") << "missing"
                             << "does not exist";
    // Opened, but its samples cannot be read.
    QTest::newRow("a chunk's count lies") << "count"
                                          << "is damaged";
    QTest::newRow("a chunk's samples are junk") << "junk"
                                                << "is damaged";
}

void TstRecord::hostileFilesRefused()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("h.z4rec"));
    const auto ours = [&] {
        TRecordingWriter writer;
        QVERIFY(writer.Create(path, Info()));
        for (int i = 0; i < 40 * kChunkSamples; ++i)
            writer.Add(Made(i));
        QVERIFY(writer.Close());
        // Fold the log into the file, as SQLite does when the last connection closes.
        QVERIFY(!QFile::exists(path + QStringLiteral("-wal")));
    };
    const auto sql = [&](const QStringList &statements) {
        {
            QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("hostile"));
            db.setDatabaseName(path);
            QVERIFY(db.open());
            QSqlQuery query(db);
            for (const QString &statement : statements)
                QVERIFY2(query.exec(statement), qPrintable(statement));
        }
        QSqlDatabase::removeDatabase(QStringLiteral("hostile"));
    };
    if (kind == QLatin1String("text")) {
        QVERIFY(WriteAll(path, "Time;Sample;Inp1\n2026-01-01T00:00:00;0;21.5\n"));
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(WriteAll(path, {}));
    } else if (kind == QLatin1String("foreign")) {
        sql({QStringLiteral("CREATE TABLE t(x)"), QStringLiteral("PRAGMA user_version=1")});
    } else if (kind == QLatin1String("newer")) {
        ours();
        sql({QStringLiteral("PRAGMA user_version=2")});
    } else if (kind == QLatin1String("cut")) {
        ours();
        const QByteArray bytes = ReadAll(path);
        QVERIFY(WriteAll(path, bytes.left(bytes.size() / 3)));
    } else if (kind == QLatin1String("count")) {
        ours();
        sql({QStringLiteral("UPDATE chunk SET count = 2000000000, last_ms = 9223372036854775807")});
    } else if (kind == QLatin1String("junk")) {
        ours();
        sql({QStringLiteral("UPDATE chunk_data SET data = zeroblob(3000) || x'FFFFFFFFFFFFFFFFFFFF01'")});
    } else if (kind == QLatin1String("scribbled")) {
        ours();
        QByteArray bytes = ReadAll(path);
        // Pages 2 onwards (the schema's tables) overwritten with junk.
        for (qsizetype at = 4096; at < bytes.size(); at += 1)
            bytes[at] = static_cast<char>(0xA5 ^ (at * 31));
        QVERIFY(WriteAll(path, bytes));
    }
    TRecordingReader reader;
    if (reader.Open(path)) {
        QVERIFY(kind == QLatin1String("count") || kind == QLatin1String("junk"));
        std::vector<TColumnRange> columns;
        QVERIFY(!reader.MinMax(reader.FirstMs(), reader.FirstMs() + 3'600'000, 100, columns));
        QVERIFY(!reader.ForEachSample(reader.FirstMs(), reader.LastMs(), [](const TSample &) {}));
    }
    QVERIFY2(reader.Error().contains(message), qPrintable(reader.Error()));
    QVERIFY(reader.Error().startsWith(QStringLiteral("h.z4rec ")));
}

void TstRecord::beingWrittenOpensReadOnly()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("w.z4rec"));
    auto writer = std::make_unique<TRecordingWriter>();
    QVERIFY(writer->Create(path, Info()));
    for (int i = 0; i < 10; ++i)
        writer->Add(Made(i));
    QVERIFY(writer->Commit());

    TRecordingReader reader;
    QVERIFY2(reader.Open(path), qPrintable(reader.Error()));
    QVERIFY(reader.BeingWritten());
    QCOMPARE(reader.SampleCount(), 10);
    // A second writer of the same file is refused; the first goes on, and the reader sees it grow.
    TRecordingWriter second;
    QVERIFY(!second.Create(path, Info()));
    for (int i = 10; i < 15; ++i)
        writer->Add(Made(i));
    QVERIFY(writer->Commit());
    QVERIFY(reader.Refresh());
    QCOMPARE(reader.SampleCount(), 15);
    QVERIFY(writer->Close());
    QVERIFY(!reader.BeingWritten());
}

void TstRecord::unwritablePlaces()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ReadOnlyFolder locked(folder);
    if (!locked.Ready())
        QSKIP("a folder cannot be made read-only here");
    TRecordingWriter writer;
    QVERIFY(!writer.Create(folder + QStringLiteral("/r.z4rec"), Info()));
    QVERIFY2(writer.Error().contains(QStringLiteral("cannot be written")), qPrintable(writer.Error()));
    writer.Add(Made(0));  // does nothing, says nothing more
    QVERIFY(!writer.Commit());
}

namespace {

// The poll over a simulated board, and a recorder on it.
struct OnBoard
{
    OnBoard() : board(StartTcpBoard()), client(board ? OpenTcpClient(board->TcpPort()) : nullptr)
    {
        session.SetSlaveAddress(1);
        session.SetRequestTimeout(3000);
        if (client) {
            session.SetActiveClient(client.get());
            session.SetConnected(true);
        }
        QObject::connect(&poll, &TPoll::IoSampleTaken, &poll, [this](const TIoSample &s) { given.push_back(s); });
        QObject::connect(&poll, &TPoll::RegulationSampleTaken, &poll,
                         [this](const TRegulationSample &s) { givenRegulation.push_back(s); });
    }
    bool Ok() const { return board && client; }
    // One poll cycle, answered.
    bool Cycle()
    {
        poll.Tick();
        return QTest::qWaitFor([this] { return Idle(*client); }, kSoonMs);
    }

    TBoardSession session;
    TLiveState state;
    TPoll poll{session, state};
    TRecorder recorder{poll, session};
    std::vector<TIoSample> given;
    std::vector<TRegulationSample> givenRegulation;
    std::unique_ptr<Z4SimServer> board;
    std::unique_ptr<TTCPModbusClient> client;  // last: no closure outlives the rest
};

// z4ctl run to its end with arguments: exit code, stdout and stderr.
struct Run
{
    int Code = -1;
    QByteArray Out;
    QByteArray Err;
};
Run Z4ctl(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(Z4_CTL_EXE), arguments);
    process.waitForFinished(60000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

// The texts of the recording's events of kind, in order.
QStringList EventTexts(TRecordingReader &reader, const QString &kind)
{
    QStringList texts;
    for (const TEvent &event : reader.Events()) {
        if (event.Kind == kind)
            texts << event.Text;
    }
    return texts;
}

}  // namespace

void TstRecord::recorderFollowsBoard()
{
    OnBoard rig;
    QVERIFY(rig.Ok());
    Z4Board &board = rig.board->Board();
    QVERIFY(board.write(z4reg::StartStop, 1));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("board.z4rec"));
    QVERIFY2(rig.recorder.Start(path, Info()), qPrintable(rig.recorder.Error()));
    QVERIFY(rig.Cycle());
    // Mid-recording the board stops on input 5 (the start/stop switch in the stop mask), then on
    // its first stop-control row (code 25, STOP), then both clear.
    const std::vector<std::pair<quint16, quint16>> steps[] = {
        {{z4reg::DigitalStopMask, 0x0010}},
        {{z4reg::StopControlInput, 4},
         {z4reg::StopControlValue, 1000},
         {z4reg::StopControlInvert, 1},
         {z4reg::StopControlCode, 25},
         {z4reg::StopControlEnable, 1}},
        {{z4reg::DigitalStopMask, 0}, {z4reg::StopControlEnable, 0}},
    };
    for (const auto &writes : steps) {
        for (const auto &[address, value] : writes)
            QVERIFY(board.write(address, value));
        QVERIFY(rig.Cycle());
    }
    // The tool's own writes, after the reads a page and a Load make: each value before is what
    // the board held then (or what the write before set); a line opened anew knows nothing.
    QVERIFY(board.write(0x0200, 1850) && board.write(0x0242, 0) && board.write(0x0243, 30));
    const quint16 running = board.value(z4reg::StartStop);  // the poll read it
    rig.session.Read(0x0200, 1);
    rig.session.Read(0x0242, 2);
    const QString setpoint = QStringLiteral("Supply setpoint");
    rig.session.WriteSingle(0x0200, 2150, {.Cause = TWriteCause::Edit, .What = setpoint});
    rig.session.WriteSingle(0x0200, 2000, {.Cause = TWriteCause::Edit, .What = setpoint});
    const quint16 loaded[] = {1, 30};
    const QStringList names{QStringLiteral("Heating.WHMode"), QStringLiteral("Heating.WHPeriod")};
    for (int twice = 0; twice < 2; ++twice)
        rig.session.WriteMultiple(0x0242, loaded, {.Cause = TWriteCause::Load, .What = {}, .Names = names});
    rig.session.WriteSingle(z4reg::StartStop, 0, {.Cause = TWriteCause::Command, .What = QStringLiteral("Start/Stop")});
    QVERIFY(rig.Cycle());
    rig.session.SetConnected(false);
    rig.session.SetConnected(true);
    rig.session.WriteSingle(0x0243, 45, {.Cause = TWriteCause::Edit, .What = QStringLiteral("Heater period")});
    rig.session.WriteSingle(0xFF00, 1, {.Cause = TWriteCause::Command});
    QVERIFY(rig.Cycle());
    rig.recorder.Stop();
    QVERIFY(!rig.recorder.Running());

    TRecordingReader reader;
    QVERIFY2(reader.Open(path), qPrintable(reader.Error()));
    QCOMPARE(
        EventTexts(reader, QStringLiteral("stop")),
        QStringList({QStringLiteral("Stop cause DIN5 (Start/Stop 5) appeared"),
                     QStringLiteral("Stop code: Stop Control 1 (STOP, code 25)"),
                     QStringLiteral("Stop cause DIN5 (Start/Stop 5) cleared"), QStringLiteral("Stop code cleared")}));
    const std::vector<TEvent> events = reader.Events();
    std::vector<TEvent> writes;
    std::copy_if(events.begin(), events.end(), std::back_inserter(writes),
                 [](const TEvent &e) { return e.Kind == QLatin1String("write"); });
    const std::tuple<int, std::optional<int>, int, TCause, QString> want[] = {
        {0x0200, 1850, 2150, TCause::Edit, QStringLiteral("Supply setpoint: 18.5 °C -> 21.5 °C")},
        {0x0200, 2150, 2000, TCause::Edit, QStringLiteral("Supply setpoint: 21.5 °C -> 20 °C")},
        // Of a block, the registers it changes; the period already held 30.
        {0x0242, 0, 1, TCause::Load, QStringLiteral("Heating.WHMode: Off -> On")},
        // A block that changes nothing is told by its first register.
        {0x0242, 1, 1, TCause::Load, QStringLiteral("Heating.WHMode: On -> On")},
        {z4reg::StartStop, running, 0, TCause::Command, QStringLiteral("Start/Stop: %1 -> 0").arg(running)},
        {0x0243, std::nullopt, 45, TCause::Edit, QStringLiteral("Heater period: not known -> 45 sec")},
        {0xFF00, std::nullopt, 1, TCause::Command, QStringLiteral("0xff00: not known -> 1 (refused by the board)")},
    };
    QCOMPARE(writes.size(), std::size(want));
    for (size_t i = 0; i < writes.size(); ++i) {
        const auto &[reg, old, value, cause, text] = want[i];
        QCOMPARE(writes[i].Register, reg);
        QCOMPARE(writes[i].Old, old);
        QCOMPARE(writes[i].New, value);
        QCOMPARE(writes[i].Cause, cause);
        QCOMPARE(writes[i].Text, text);
    }
    // z4ctl shows them: the words, then the register with its words before and after.
    const Run listed = Z4ctl({QStringLiteral("events"), path});
    QVERIFY2(listed.Out.contains("Supply setpoint: 18.5 °C -> 21.5 °C  [0x0200: 1850 -> 2150, edit]"),
             listed.Out.constData());
    const Run json = Z4ctl({QStringLiteral("events"), path, QStringLiteral("--json")});
    std::vector<std::optional<int>> olds;
    for (const QJsonValue &event :
         QJsonDocument::fromJson(json.Out).object().value(QStringLiteral("events")).toArray()) {
        if (event[QStringLiteral("kind")] == QStringLiteral("write"))
            olds.push_back(event[QStringLiteral("old")].isUndefined()
                               ? std::nullopt
                               : std::optional(event[QStringLiteral("old")].toInt()));
    }
    QCOMPARE(olds.size(), std::size(want));
    for (size_t i = 0; i < olds.size(); ++i)
        QCOMPARE(olds[i], std::get<1>(want[i]));
    QVERIFY(EventTexts(reader, QStringLiteral("run")).contains(QStringLiteral("Unit running")));
    QCOMPARE(EventTexts(reader, QStringLiteral("mode")).size(), 1);

    // Every sample as the board gave it, to the decimals kept.
    QCOMPARE(reader.SampleCount(), static_cast<qint64>(rig.given.size()));
    QCOMPARE(rig.given.size(), rig.givenRegulation.size());
    size_t i = 0;
    QVERIFY(reader.ForEachSample(reader.FirstMs(), reader.LastMs(), [&](const TSample &sample) {
        const TIoSample &io = rig.given[i];
        const auto kept = [](float v) { return v == -1000.0f ? std::nan("") : std::round(v * 100.0) / 100; };
        QVERIFY(Same(sample.Values[0], kept(io.LiveValues[0])));
        QVERIFY(Same(sample.Values[4], kept(io.SupplyTrendValue)));
        QVERIFY(Same(sample.Values[5], kept(io.RoomTrendValue)));
        QVERIFY(Same(sample.Values[6], kept(io.LiveValues[4])));
        QVERIFY(Same(sample.Values[16], kept(io.LiveValues[14])));
        for (size_t bit = 0; bit < io.OutputBits.size(); ++bit)
            QCOMPARE(sample.Values[17 + bit], io.OutputBits[bit] ? 1.0 : 0.0);
        for (size_t v = 0; v < 8; ++v)
            QCOMPARE(sample.Values[kIoSeries + v], static_cast<double>(rig.givenRegulation[i].Values[v]));
        ++i;
    }));
    QCOMPARE(i, rig.given.size());
}

void TstRecord::unwritableFolderLeavesPollAlone()
{
    OnBoard rig;
    QVERIFY(rig.Ok());
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ReadOnlyFolder locked(folder);
    if (!locked.Ready())
        QSKIP("a folder cannot be made read-only here");
    QVERIFY(!rig.recorder.Start(folder + QStringLiteral("/r.z4rec"), Info()));
    QVERIFY2(rig.recorder.Error().contains(QStringLiteral("cannot be written")), qPrintable(rig.recorder.Error()));
    QVERIFY(!rig.recorder.Running());
    QVERIFY(rig.Cycle());
    QCOMPARE(rig.given.size(), size_t(1));
}

namespace {

QStringList Tcp(quint16 port)
{
    return {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port)};
}

// Samples the file holds as far as a reader sees now; -1 while it cannot be read.
qint64 SamplesIn(const QString &path)
{
    TRecordingReader reader;
    return reader.Open(path) ? reader.SampleCount() : -1;
}

}  // namespace

// What a register held before a write follows the outcome of the write before it there: one
// taken sets it, one refused leaves it, one without an answer makes it unknown (the board may or
// may not have taken it).
void TstRecord::valueBeforeAfterAnOutcome_data()
{
    QTest::addColumn<int>("fault");   // 0 none, 1 the write refused, 2 no answer
    QTest::addColumn<int>("before");  // -1: not known
    QTest::newRow("taken") << 0 << 2150;
    QTest::newRow("refused") << 1 << 1850;
    QTest::newRow("no answer") << 2 << -1;
}

void TstRecord::valueBeforeAfterAnOutcome()
{
    QFETCH(int, fault);
    QFETCH(int, before);
    OnBoard rig;
    QVERIFY(rig.Ok());
    std::vector<TWriteNote> notes;
    QObject::connect(&rig.session, &TBoardSession::WriteDone, &rig.poll,
                     [&notes](const TWriteNote &note) { notes.push_back(note); });
    QVERIFY(rig.board->Board().write(0x0200, 1850));
    rig.session.Read(0x0200, 1);
    QVERIFY(QTest::qWaitFor([&] { return Idle(*rig.client); }, kSoonMs));
    QCOMPARE(rig.session.Known(0x0200), std::optional<quint16>(1850));
    SimFaults faults;
    if (fault == 1)
        faults.Refuse = {{.First = 0x0200, .Last = 0x0200, .Code = 2, .WritesOnly = true}};
    faults.DropEvery = fault == 2 ? 1 : 0;
    rig.board->SetFaults(faults);
    if (fault == 2)
        rig.session.SetRequestTimeout(300);  // no need to wait long for what never comes
    rig.session.WriteSingle(0x0200, 2150);
    QVERIFY(QTest::qWaitFor([&] { return notes.size() == 1; }, kSoonMs));
    rig.board->SetFaults({});
    rig.session.SetRequestTimeout(3000);
    rig.session.WriteSingle(0x0200, 2000);
    QVERIFY(QTest::qWaitFor([&] { return notes.size() == 2; }, kSoonMs));
    QCOMPARE(notes[0].Old, std::vector<std::optional<quint16>>{1850});
    QCOMPARE(notes[0].Result, fault == 0 ? TWriteNote::Taken : fault == 1 ? TWriteNote::Refused : TWriteNote::Failed);
    QCOMPARE(notes[1].Old,
             std::vector<std::optional<quint16>>{before < 0 ? std::nullopt : std::optional<quint16>(before)});
    QCOMPARE(notes[1].Result, TWriteNote::Taken);
}

// The folder kept under its size: the oldest recordings go first (with their log and lock), never
// the one being written nor one another tool writes; other files stay.
void TstRecord::sizeBoundRemovesOldest_data()
{
    QTest::addColumn<qint64>("maxBytes");
    QTest::addColumn<QString>("writing");
    QTest::addColumn<QString>("lockedElsewhere");
    QTest::addColumn<QStringList>("removed");
    // Four recordings of 1000 bytes (the second with a log of 500), oldest first: a, b, c, d.
    QTest::newRow("under the bound") << qint64(4500) << "d"
                                     << "" << QStringList{};
    QTest::newRow("the oldest goes") << qint64(4000) << "d"
                                     << "" << QStringList{"a"};
    QTest::newRow("as many as it takes") << qint64(1600) << "d"
                                         << "" << QStringList{"a", "b", "c"};
    QTest::newRow("never the one written") << qint64(0) << "a"
                                           << "" << QStringList{"b", "c", "d"};
    QTest::newRow("nor one another tool writes") << qint64(2500) << "d"
                                                 << "a" << QStringList{"b", "c"};
}

void TstRecord::sizeBoundRemovesOldest()
{
    QFETCH(qint64, maxBytes);
    QFETCH(QString, writing);
    QFETCH(QString, lockedElsewhere);
    QFETCH(QStringList, removed);
    QTemporaryDir dir;
    const auto path = [&](const QString &name) { return dir.filePath(QStringLiteral("2026-12-0%1.z4rec").arg(name)); };
    for (const QString &name : {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")})
        QVERIFY(WriteAll(path(name), QByteArray(1000, 'x')));
    QVERIFY(WriteAll(path(QStringLiteral("b")) + QStringLiteral("-wal"), QByteArray(500, 'x')));
    QVERIFY(WriteAll(dir.filePath(QStringLiteral("notes.txt")), QByteArray(100000, 'x')));
    // Another running tool's lock: this process's own, taken through another lock file object.
    QLockFile other(path(lockedElsewhere) + QStringLiteral(".lock"));
    if (!lockedElsewhere.isEmpty())
        QVERIFY(other.tryLock(0));
    QStringList want;
    for (const QString &name : removed)
        want << path(name);
    QCOMPARE(KeepUnder(dir.path(), maxBytes, path(writing)), want);
    for (const QString &name : removed)
        QVERIFY(!QFile::exists(path(name)) && !QFile::exists(path(name) + QStringLiteral("-wal")));
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("notes.txt"))));
}

// z4ctl record ended by SIGTERM, by SIGINT, by its duration or by kill -9: the file opens, passes
// SQLite's integrity check and holds every sample committed before the end; events and export
// read it.
void TstRecord::z4ctlRecordEndsCleanly_data()
{
    QTest::addColumn<QString>("end");
    QTest::newRow("SIGTERM") << "TERM";
    QTest::newRow("SIGINT") << "INT";
    QTest::newRow("duration") << "duration";
    QTest::newRow("kill -9") << "KILL";
}

void TstRecord::z4ctlRecordEndsCleanly()
{
    QFETCH(QString, end);
    auto board = StartTcpBoard();
    QVERIFY(board);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("night.z4rec"));
    QProcess record;
    QStringList arguments = Tcp(board->TcpPort()) + QStringList{QStringLiteral("record"), path};
    if (end == QLatin1String("duration"))
        arguments << QStringLiteral("--duration") << QStringLiteral("3s");
    record.start(QStringLiteral(Z4_CTL_EXE), arguments);
    QVERIFY(record.waitForStarted());
    // Waits on what the file holds, never on the clock.
    qint64 seen = 0;
    QTRY_VERIFY_WITH_TIMEOUT((seen = SamplesIn(path)) >= 3, 30000);
    if (end == QLatin1String("KILL"))
        ::kill(static_cast<pid_t>(record.processId()), SIGKILL);
    else if (end != QLatin1String("duration"))
        ::kill(static_cast<pid_t>(record.processId()), end == QLatin1String("TERM") ? SIGTERM : SIGINT);
    QTRY_COMPARE_WITH_TIMEOUT(record.state(), QProcess::NotRunning, 30000);
    if (end == QLatin1String("KILL")) {
        QCOMPARE(record.exitStatus(), QProcess::CrashExit);
    } else {
        QCOMPARE(record.exitCode(), 0);
        QVERIFY2(record.readAllStandardError().contains(" samples, "), "progress and size on stderr");
    }

    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        QVERIFY(query.exec(QStringLiteral("PRAGMA integrity_check")) && query.next());
        QCOMPARE(query.value(0).toString(), QStringLiteral("ok"));
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    TRecordingReader reader;
    QVERIFY2(reader.Open(path), qPrintable(reader.Error()));
    QVERIFY(!reader.BeingWritten());
    QVERIFY(reader.SampleCount() >= seen);
    QVERIFY(!reader.Events().empty());

    const Run events = Z4ctl({QStringLiteral("events"), path});
    QCOMPARE(events.Code, 0);
    QVERIFY2(events.Out.contains("  firmware  Version: "), events.Out.constData());
    const Run json = Z4ctl({QStringLiteral("events"), path, QStringLiteral("--json")});
    QCOMPARE(json.Code, 0);
    QCOMPARE(QJsonDocument::fromJson(json.Out).object().value(QStringLiteral("events")).toArray().size(),
             static_cast<qsizetype>(reader.Events().size()));
    const QString csv = dir.filePath(QStringLiteral("night.csv"));
    const Run exported = Z4ctl({QStringLiteral("export"), path, csv});
    QCOMPARE(exported.Code, 0);
    const QList<QByteArray> lines = ReadAll(csv).trimmed().split('\n');
    QCOMPARE(lines.size(), reader.SampleCount() + 1);
    QVERIFY(lines[0].startsWith("Time;Sample;Inp1;Inp2;"));
    QCOMPARE(lines[0].count(';'), 1 + kSeries);
    QCOMPARE(lines[1].count(';'), 1 + kSeries);
}

// A disk that fills up while recording stops the recording with a message: a small tmpfs in a
// mount namespace of the test's own.
void TstRecord::z4ctlRecordOnAFullDisk()
{
    if (QProcess::execute(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("true")}) != 0)
        QSKIP("no mount namespace can be made here");
    auto board = StartTcpBoard();
    QVERIFY(board);
    QTemporaryDir dir;
    QProcess record;
    record.start(QStringLiteral("unshare"), {QStringLiteral("-rm"), QStringLiteral("sh"), QStringLiteral("-c"),
                                             QStringLiteral("mount -t tmpfs -o size=400k none \"$0\" && exec \"$@\""),
                                             dir.path(), QStringLiteral(Z4_CTL_EXE), QStringLiteral("--tcp"),
                                             QStringLiteral("127.0.0.1:%1").arg(board->TcpPort()),
                                             QStringLiteral("record"), dir.path() + QStringLiteral("/r.z4rec")});
    QVERIFY(record.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(record.state(), QProcess::NotRunning, 60000);
    const QByteArray err = record.readAllStandardError();
    QCOMPARE(record.exitCode(), 2);
    QVERIFY2(err.contains(" samples, "), "it recorded before the disk was full");
    QVERIFY2(err.contains("z4ctl: the recording stopped: ") && err.contains("full"), err.constData());
}

QTEST_GUILESS_MAIN(TstRecord)
#include "tst_record.moc"
