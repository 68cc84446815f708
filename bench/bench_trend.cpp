// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_trend: the I/O trend window left recording for a week. Memory: a week of samples at one a
// second (604,800 samples of 28 series) in our compact recording, against the naive way of keeping
// every point in QCustomPlot's own containers. Time: adding one sample and replotting the visible
// window, with 1,000 and with 600,000 samples recorded, against the naive way at the same sizes.
// Both measured in the same run, offscreen.
#include "charts/TChartForm.h"
#include "session/TLiveState.h"

#include "PrintedMessages.h"

#include <QApplication>
#include <QCheckBox>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <qcustomplot.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr qsizetype kWeek = 7 * 24 * 3600;
constexpr int kSeries = TChartForm::kSeries;
constexpr int kRounds = 200;

// The resident memory of this process, in MB.
double ResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// The naive way: five charts whose 28 graphs keep every point.
struct NaiveCharts
{
    NaiveCharts()
    {
        for (int c = 0; c < 5; ++c) {
            auto *chart = new QCustomPlot(&window);
            charts.push_back(chart);
        }
        for (int s = 0; s < kSeries; ++s)
            graphs.push_back(charts[static_cast<size_t>(s % 5)]->addGraph());
        window.resize(896, 696);
    }
    void Add(double key)
    {
        for (size_t s = 0; s < graphs.size(); ++s)
            graphs[s]->addData(key, static_cast<double>(s) + std::fmod(key, 10.0));
    }
    double AddAndReplot(double key)
    {
        QElapsedTimer timer;
        timer.start();
        Add(key);
        for (QCustomPlot *chart : charts) {
            chart->xAxis->setRange(key - 100, key);
            chart->replot(QCustomPlot::rpImmediateRefresh);
        }
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    QWidget window;
    std::vector<QCustomPlot *> charts;
    std::vector<QCPGraph *> graphs;
};

// Our window, recording with every series checked.
struct OurWindow
{
    explicit OurWindow(const QString &settings) : window(live, settings, messages, nullptr, kWeek)
    {
        for (QCheckBox *box : window.SeriesBoxes)
            box->setChecked(true);
        window.PowerButton->click();
    }
    void Fill(qsizetype samples)
    {
        window.hide();  // a hidden window only records
        for (qsizetype i = 0; i < samples; ++i) {
            live.LiveValues.fill(static_cast<float>(i % 50));
            window.AddSample();
        }
        window.show();
    }
    double AddAndReplot()
    {
        QElapsedTimer timer;
        timer.start();
        window.AddSample();
        for (QCustomPlot *chart : window.Charts)
            chart->replot(QCustomPlot::rpImmediateRefresh);
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    TLiveState live;
    PrintedMessages messages;
    TChartForm window;
};

}  // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Memory and per-sample cost of a week-long I/O trend recording "
                                                    "against every point kept in QCustomPlot."));
    parser.addHelpOption();
    parser.process(app);
    QTemporaryDir dir;

    // Memory: ours first (the recording grows inside the window), then the naive charts.
    const double start = ResidentMb();
    OurWindow ours(dir.filePath(QStringLiteral("settings.ini")));
    ours.Fill(kWeek);
    const double afterOurs = ResidentMb();
    NaiveCharts naive;
    for (qsizetype i = 0; i < kWeek; ++i)
        naive.Add(static_cast<double>(i));
    const double afterNaive = ResidentMb();
    std::printf("a week at 1 Hz: %lld samples of %d series\n", static_cast<long long>(kWeek), kSeries);
    std::printf("  our recording        %7.1f MB  (process %.1f MB; target under 150 MB)\n", afterOurs - start,
                afterOurs);
    std::printf("  naive, every point   %7.1f MB  in QCustomPlot's containers\n", afterNaive - afterOurs);
    std::printf("  ratio ours/naive     %7.2fx\n", (afterOurs - start) / (afterNaive - afterOurs));

    // Time: one sample and a replot of the visible window, at 1,000 and 600,000 samples.
    std::printf("one sample added and the charts replotted, median of %d:\n", kRounds);
    for (const qsizetype recorded : {qsizetype(1000), qsizetype(600000)}) {
        OurWindow small(dir.filePath(QStringLiteral("small.ini")));
        small.Fill(recorded);
        NaiveCharts plain;
        for (qsizetype i = 0; i < recorded; ++i)
            plain.Add(static_cast<double>(i));
        plain.window.show();
        std::vector<double> ourTimes;
        std::vector<double> naiveTimes;
        for (int r = 0; r < kRounds; ++r) {
            ourTimes.push_back(small.AddAndReplot());
            naiveTimes.push_back(plain.AddAndReplot(static_cast<double>(recorded + r)));
        }
        const double ourMedian = Median(ourTimes);
        const double naiveMedian = Median(naiveTimes);
        std::printf("  %7lld recorded: ours %6.2f ms, naive %6.2f ms, ratio %5.2fx  (target: flat, under 5 ms)\n",
                    static_cast<long long>(recorded), ourMedian, naiveMedian, ourMedian / naiveMedian);
    }
    return 0;
}
