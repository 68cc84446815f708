// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_trend: both trend windows shown while a week is recorded (604,800 samples of 36 series at
// one a second, made-up times, a new file at each midnight as the recorder starts one), each sample
// written through our recording writer and handed to the windows as the recorder hands it. Memory:
// the process's resident set at the start, a tenth in, half way and at the end, against the peer
// measured first in the same run: today's in-memory store holding the same week for both windows.
// Time: the I/O window zoomed out to the whole week and to one hour, drawn from the files, against
// the same columns found in the in-memory store and put on the same charts.
#include "MedianTime.h"
#include "ResidentMemory.h"
#include "charts/TChartForm.h"
#include "charts/TTempChartForm.h"
#include "record/Recording.h"

#include "PrintedMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QSignalBlocker>
#include <QTemporaryDir>

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr qint64 kWeek = 7 * 24 * 3600;
constexpr qint64 kDay = 24 * 3'600'000;
constexpr qint64 kStart = 1'780'000'000'000;  // made-up times from here, a second apart
constexpr int kEvents = 1000;

// A board's week: temperatures and voltages wandering slowly, relays switching every few minutes,
// the regulation variables following; now and then a value missing.
rec::TSample Made(qint64 i)
{
    rec::TSample sample;
    sample.Ms = kStart + i * 1000;
    for (int s = 0; s < rec::kSeries; ++s) {
        const rec::TSeriesInfo &series = rec::SeriesTable()[static_cast<size_t>(s)];
        const double slow = std::sin(static_cast<double>(i) / (3000.0 + 97 * s));
        double value = 0;
        if (series.OnOff)
            value = (i / (180 + 11 * s)) % 2;
        else if (s >= rec::kIoSeries)
            value = std::round(50 + 30 * slow);
        else
            value = std::round((20 + 10 * slow) * 100 + (i * 7 + s) % 7 - 3) / 100;
        sample.Values[static_cast<size_t>(s)] = (i + s) % 5000 == 0 ? std::nan("") : value;
    }
    return sample;
}

// The peer's drawing: each column's least and greatest value by a walk over the in-memory store's
// samples in view, put on the charts' graphs as our window puts them, the time axes on the range.
void DrawFromMemory(const TTrendRecording &store, qint64 from, qint64 to, TChartForm &window)
{
    const int columns = std::max(window.Charts[0]->axisRect()->width(), 10);
    std::vector<rec::TColumnRange> ranges(static_cast<size_t>(store.Series() * columns));
    const double width = static_cast<double>(to - from) / columns;
    qsizetype lo = 0;
    qsizetype hi = store.Count();
    while (lo < hi) {
        const qsizetype mid = (lo + hi) / 2;
        if (store.Stamp(mid) < from)
            lo = mid + 1;
        else
            hi = mid;
    }
    for (qsizetype i = lo; i < store.Count() && store.Stamp(i) < to; ++i) {
        const auto c = static_cast<int>(static_cast<double>(store.Stamp(i) - from) / width);
        for (int s = 0; s < store.Series(); ++s) {
            if (const auto v = store.Value(i, s)) {
                rec::TColumnRange &r = ranges[static_cast<size_t>(s * columns + c)];
                r.Min = std::isnan(r.Min) ? *v : std::min(r.Min, *v);
                r.Max = std::isnan(r.Max) ? *v : std::max(r.Max, *v);
            }
        }
    }
    size_t s = 0;
    for (QCustomPlot *chart : window.Charts) {
        const QSignalBlocker quiet(chart->xAxis);  // the window does not redraw by itself
        chart->xAxis->setRange(static_cast<double>(from) / 1000, static_cast<double>(to) / 1000);
        for (int g = 0; g < chart->graphCount(); ++g, ++s) {
            QVector<double> keys;
            QVector<double> values;
            for (int c = 0; c < columns; ++c) {
                const rec::TColumnRange &r = ranges[s * static_cast<size_t>(columns) + static_cast<size_t>(c)];
                const double key = (static_cast<double>(from) + (c + 0.5) * width) / 1000;
                keys << key << key;
                values << r.Max << r.Min;
            }
            chart->graph(g)->setData(keys, values, true);
        }
    }
}

}  // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Both trend windows while a week is recorded: memory, and drawing the week and an hour."));
    parser.addHelpOption();
    QCommandLineOption samplesOption(QStringLiteral("samples"), QStringLiteral("Samples to record (a week)."),
                                     QStringLiteral("n"), QString::number(kWeek));
    parser.addOption(samplesOption);
    parser.process(app);
    const qint64 samples = parser.value(samplesOption).toLongLong();
    QTemporaryDir dir;

    // The peer first: today's in-memory store of both windows holding the week.
    const double beforePeer = ResidentMb();
    const auto fill = [samples](TTrendRecording &store, int first) {
        for (qint64 i = 0; i < samples; ++i) {
            const rec::TSample sample = Made(i);
            store.Add(
                sample.Ms,
                std::span(sample.Values).subspan(static_cast<size_t>(first), static_cast<size_t>(store.Series())));
        }
    };
    auto io = std::make_unique<TTrendRecording>(TChartForm::kSeries, samples, 2);
    auto regulation = std::make_unique<TTrendRecording>(rec::kRegulationSeries, samples, 0);
    fill(*io, 0);
    fill(*regulation, rec::kIoSeries);
    const double peer = ResidentMb() - beforePeer;
    // Gone before ours is measured; the I/O store comes back for the drawing.
    io.reset();
    regulation.reset();

    // Ours: both windows shown, every series checked, recording.
    PrintedMessages messages;
    const double start = ResidentMb();
    TChartForm chart(dir.filePath(QStringLiteral("settings.ini")), messages);
    TTempChartForm temp(dir.filePath(QStringLiteral("settings.ini")), messages);
    for (QCheckBox *box : chart.SeriesBoxes)
        box->setChecked(true);
    for (QCheckBox *box : temp.VariableBoxes)
        box->setChecked(true);
    chart.show();
    temp.show();
    chart.PowerButton->click();
    temp.PowerButton->click();
    QCoreApplication::processEvents();
    const double shown = ResidentMb();
    std::printf("both windows recording %lld samples of %d series (a new file each midnight)\n",
                static_cast<long long>(samples), rec::kSeries);
    std::printf("  resident: start %.1f MB, windows shown %.1f MB\n", start, shown);

    std::unique_ptr<rec::TRecordingWriter> writer;
    qint64 day = -1;
    int files = 0;
    std::vector<double> takes;
    QElapsedTimer wall;
    wall.start();
    const qint64 eventEvery = std::max<qint64>(samples / kEvents, 1);
    double tenth = 0;
    double half = 0;
    for (qint64 i = 0; i < samples; ++i) {
        const rec::TSample sample = Made(i);
        if (sample.Ms / kDay != day) {
            day = sample.Ms / kDay;
            if (writer)
                writer->Close();
            writer = std::make_unique<rec::TRecordingWriter>();
            rec::TRecordingInfo info;
            info.StartMs = sample.Ms;
            const QString path = dir.filePath(QStringLiteral("day%1.z4rec").arg(++files));
            if (!writer->Create(path, info)) {
                std::fprintf(stderr, "%s\n", qPrintable(writer->Error()));
                return 1;
            }
            writer->SetAutoCommit(false);
            chart.RecordingStarted(path);
            temp.RecordingStarted(path);
        }
        QElapsedTimer timer;
        timer.start();
        writer->Add(sample);
        if (i % eventEvery == 0)
            writer->AddEvent({sample.Ms,
                              QStringLiteral("stop"),
                              QStringLiteral("Stop cause DIN3 appeared"),
                              {},
                              {},
                              {},
                              rec::TCause::None});
        chart.Take(sample);
        temp.Take(sample);
        // The recorder commits once a second of its clock; here a minute of samples comes at once.
        if (i % 60 == 59)
            writer->Commit();
        if (i % 1000 == 0) {
            takes.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
            // What the windows draw is shown now and then, as a second's timer lets them.
            QCoreApplication::processEvents();
        }
        if (i == samples / 10)
            tenth = ResidentMb();
        if (i == samples / 2)
            half = ResidentMb();
    }
    writer->Commit();
    const double end = ResidentMb();
    std::printf("  resident: a tenth in %.1f MB, half way %.1f MB, at the end %.1f MB (target: flat, at most 100 MB); "
                "%d files, %.0f s wall\n",
                tenth, half, end, files, static_cast<double>(wall.elapsed()) / 1000);
    std::printf("  our windows hold %.1f MB over the shown ones (tail %lld + %lld samples); today's in-memory store "
                "for the same samples: %.1f MB: %.3fx\n",
                end - shown, static_cast<long long>(chart.Recording().Tail().Count()),
                static_cast<long long>(temp.Recording().Tail().Count()), peer, (end - shown) / peer);
    std::sort(takes.begin(), takes.end());
    std::printf("  a sample written, taken and drawn by both windows: median %.2f ms\n", takes[takes.size() / 2]);

    // Drawing, the I/O window zoomed out (recording off): the week and one hour.
    io = std::make_unique<TTrendRecording>(TChartForm::kSeries, samples, 2);
    fill(*io, 0);
    chart.PowerButton->click();
    temp.hide();
    const qint64 first = kStart;
    const qint64 last = kStart + samples * 1000;
    const auto showRange = [&chart](qint64 from, qint64 to) {
        chart.Charts[0]->xAxis->setRange(static_cast<double>(from) / 1000, static_cast<double>(to) / 1000);
        chart.Draw();
        for (QCustomPlot *plot : chart.Charts)
            plot->replot(QCustomPlot::rpImmediateRefresh);
    };
    const auto peerRange = [&](qint64 from, qint64 to) {
        DrawFromMemory(*io, from, to, chart);
        for (QCustomPlot *plot : chart.Charts)
            plot->replot(QCustomPlot::rpImmediateRefresh);
    };
    const double week = MedianMs(5, [&] { showRange(first, last); });
    const double peerWeek = MedianMs(5, [&] { peerRange(first, last); });
    const qint64 hours = std::max<qint64>((last - first) / 3'600'000, 1);
    int h = 0;
    const double hour = MedianMs(41, [&] {
        const qint64 from = first + (h++ * 7919 % hours) * 3'600'000;
        showRange(from, from + 3'600'000);
    });
    h = 0;
    const double peerHour = MedianMs(41, [&] {
        const qint64 from = first + (h++ * 7919 % hours) * 3'600'000;
        peerRange(from, from + 3'600'000);
    });
    std::printf("draw the I/O window (%d columns, replot included), the whole week: ours %.1f ms (target < 500 ms), "
                "in memory %.1f ms: %.2fx\n",
                chart.Charts[0]->axisRect()->width(), week, peerWeek, week / peerWeek);
    std::printf("draw one hour: ours %.2f ms (target < 50 ms), in memory %.2f ms: %.2fx\n", hour, peerHour,
                hour / peerHour);
    return 0;
}
