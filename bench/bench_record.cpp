// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_record: a week of samples at one a second (604,800 samples of 36 series, 1,000 events)
// written through our recording writer: its size on disk and the processor time a sample costs.
// Then drawing it: opening the file and finding each pixel column's least and greatest value of
// every series over the whole week and over one hour, against the same columns found in today's
// in-memory store (TTrendRecording) holding the same week, in the same run.
#include "MedianTime.h"
#include "ResidentMemory.h"
#include "monitor/TrendRecording.h"
#include "record/Recording.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

namespace {

constexpr qint64 kWeek = 7 * 24 * 3600;
constexpr int kEvents = 1000;
constexpr int kColumns = 1366;
constexpr qint64 kStart = 1'780'000'000'000;

double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// A board's week: temperatures and voltages wandering slowly with sensor noise, relays switching
// every few minutes, the regulation variables following; now and then a value missing.
rec::TSample Made(qint64 i)
{
    rec::TSample sample;
    sample.Ms = kStart + i * 1000 + (i * 7919) % 40;
    for (int s = 0; s < rec::kSeries; ++s) {
        const rec::TSeriesInfo &series = rec::SeriesTable()[static_cast<size_t>(s)];
        const double slow = std::sin(static_cast<double>(i) / (3000.0 + 97 * s));
        const double noise = static_cast<double>((i * 2654435761u + s * 40503u) % 7) - 3;
        double value = 0;
        if (series.OnOff)
            value = (i / (180 + 11 * s)) % 2;
        else if (s >= rec::kIoSeries)
            value = std::round(50 + 30 * slow + noise);
        else
            value = std::round((20 + 10 * slow) * 100 + noise) / 100;
        sample.Values[static_cast<size_t>(s)] = (i + s) % 5000 == 0 ? std::nan("") : value;
    }
    return sample;
}

// The peer: every column's range from the in-memory store, a walk over the samples in view.
void InMemoryColumns(const TTrendRecording &store, qint64 from, qint64 to, int columns,
                     std::vector<rec::TColumnRange> &result)
{
    result.assign(static_cast<size_t>(store.Series() * columns), {});
    const double width = static_cast<double>(to - from) / columns;
    // The first sample in view, by bisection over the time stamps.
    qsizetype lo = 0;
    qsizetype hi = store.Count();
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        (store.Stamp(mid) < from ? lo : hi) = store.Stamp(mid) < from ? mid + 1 : mid;
    }
    for (qsizetype i = lo; i < store.Count() && store.Stamp(i) < to; ++i) {
        const auto c = static_cast<int>((store.Stamp(i) - from) / width);
        for (int s = 0; s < store.Series(); ++s) {
            if (const auto v = store.Value(i, s)) {
                rec::TColumnRange &r = result[static_cast<size_t>(s * columns + c)];
                r.Min = std::isnan(r.Min) ? *v : std::min(r.Min, *v);
                r.Max = std::isnan(r.Max) ? *v : std::max(r.Max, *v);
            }
        }
    }
}

}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("A week's recording written, opened and drawn."));
    parser.addHelpOption();
    QCommandLineOption samplesOption(QStringLiteral("samples"), QStringLiteral("Samples to write (a week)."),
                                     QStringLiteral("n"), QString::number(kWeek));
    parser.addOption(samplesOption);
    QCommandLineOption keepOption(QStringLiteral("keep"), QStringLiteral("Write the week to file and keep it."),
                                  QStringLiteral("file"));
    parser.addOption(keepOption);
    parser.process(app);
    const qint64 samples = parser.value(samplesOption).toLongLong();

    QTemporaryDir dir;
    const QString path =
        parser.isSet(keepOption) ? parser.value(keepOption) : dir.filePath(QStringLiteral("week.z4rec"));
    std::vector<rec::TSample> made;  // made first: the writer's cost alone is measured
    made.reserve(static_cast<size_t>(samples));
    for (qint64 i = 0; i < samples; ++i)
        made.push_back(Made(i));

    double residentEarly = 0;
    const double cpuBefore = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    {
        rec::TRecordingWriter writer;
        rec::TRecordingInfo info;
        info.StartMs = kStart;
        if (!writer.Create(path, info)) {
            std::fprintf(stderr, "%s\n", qPrintable(writer.Error()));
            return 1;
        }
        const qint64 eventEvery = std::max<qint64>(samples / kEvents, 1);
        for (qint64 i = 0; i < samples; ++i) {
            if (i == samples / 10)
                residentEarly = ResidentMb();
            writer.Add(made[static_cast<size_t>(i)]);
            if (i % eventEvery == 0)
                writer.AddEvent({made[static_cast<size_t>(i)].Ms,
                                 QStringLiteral("stop"),
                                 QStringLiteral("Stop cause DIN3 appeared"),
                                 {},
                                 {},
                                 {},
                                 rec::TCause::None});
            // A commit a second, as the recorder does at one sample a second.
            writer.Commit();
        }
        if (!writer.Close()) {
            std::fprintf(stderr, "%s\n", qPrintable(writer.Error()));
            return 1;
        }
    }
    const double cpu = CpuSeconds() - cpuBefore;
    const double residentLate = ResidentMb();
    const double wallS = static_cast<double>(wall.elapsed()) / 1000;
    const double sizeMb = static_cast<double>(QFileInfo(path).size()) / 1e6;
    std::printf("write: %lld samples, %d events: %.1f MB on disk (%.1f bytes a sample; target <= 60 MB a week)\n",
                static_cast<long long>(samples), kEvents, sizeMb, sizeMb * 1e6 / static_cast<double>(samples));
    std::printf("write: %.3f ms processor time a sample, each committed (target <= 0.2 ms); %.1f s wall in all\n",
                cpu * 1000 / static_cast<double>(samples), wallS);

    std::printf("write: resident memory %.1f MB a tenth in, %.1f MB at the end: the writer holds one chunk, "
                "whatever the length (%+.1f MB)\n",
                residentEarly, residentLate, residentLate - residentEarly);

    // The peer holds the same week in memory.
    TTrendRecording store(rec::kSeries, samples, 2);
    for (const rec::TSample &sample : made)
        store.Add(sample.Ms, sample.Values);
    made.clear();
    made.shrink_to_fit();

    const qint64 first = kStart;
    const qint64 last = kStart + samples * 1000;
    std::vector<rec::TColumnRange> columns;
    const double openWeek = MedianMs(5, [&] {
        rec::TRecordingReader reader;
        if (!reader.Open(path) || !reader.MinMax(reader.FirstMs(), reader.LastMs() + 1, kColumns, columns))
            std::fprintf(stderr, "%s\n", qPrintable(reader.Error()));
    });
    const double peerWeek = MedianMs(5, [&] { InMemoryColumns(store, first, last, kColumns, columns); });
    rec::TRecordingReader reader;
    reader.Open(path);
    int hour = 0;
    const qint64 hours = std::max<qint64>((last - first) / 3'600'000, 1);
    const double fileHour = MedianMs(41, [&] {
        const qint64 from = first + (hour++ * 7919 % hours) * 3'600'000;
        reader.MinMax(from, from + 3'600'000, kColumns, columns);
    });
    hour = 0;
    const double peerHour = MedianMs(41, [&] {
        const qint64 from = first + (hour++ * 7919 % hours) * 3'600'000;
        InMemoryColumns(store, from, from + 3'600'000, kColumns, columns);
    });
    std::printf("draw the week, %d columns: file %.1f ms (opening included; target < 500 ms), in memory %.1f ms: "
                "%.2fx\n",
                kColumns, openWeek, peerWeek, openWeek / peerWeek);
    std::printf("draw one hour, %d columns: file %.2f ms (target < 50 ms), in memory %.2f ms: %.2fx\n", kColumns,
                fileHour, peerHour, fileHour / peerHour);
    return 0;
}
