// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The recording file: what is written reads back the same, by sample, by pixel column and by
// event; files that are not ours, damaged or newer are refused; a file another tool writes is
// marked so.

#include "record/Recording.h"

#include "OddFiles.h"
#include "TestFiles.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>

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
    return {.Address = 7, .Line = QStringLiteral("127.0.0.1:1502"), .Firmware = QStringLiteral("1.012"),
            .Series = QStringLiteral("3"), .Board = QStringLiteral("17"), .Tool = QStringLiteral("2.07"),
            .StartMs = kStart, .OffsetSeconds = 3600};
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
        {kStart + 9, QStringLiteral("write"), QStringLiteral("Supply setpoint 21.5 °C"), 0x0200, 200, 215, TCause::Edit},
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
    QTest::newRow("text") << "text" << "is not a recording of this tool";
    QTest::newRow("empty") << "empty" << "is not a recording of this tool";
    QTest::newRow("another program's database") << "foreign" << "is not a recording of this tool";
    QTest::newRow("newer format") << "newer" << "was made by a newer version of the tool";
    QTest::newRow("cut short") << "cut" << "is damaged";
    QTest::newRow("overwritten inside") << "scribbled" << "is damaged";
    QTest::newRow("missing") << "missing" << "does not exist";
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
    } else if (kind == QLatin1String("scribbled")) {
        ours();
        QByteArray bytes = ReadAll(path);
        // Pages 2 onwards (the schema's tables) overwritten with junk.
        for (qsizetype at = 4096; at < bytes.size(); at += 1)
            bytes[at] = static_cast<char>(0xA5 ^ (at * 31));
        QVERIFY(WriteAll(path, bytes));
    }
    TRecordingReader reader;
    QVERIFY(!reader.Open(path));
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

QTEST_GUILESS_MAIN(TstRecord)
#include "tst_record.moc"
