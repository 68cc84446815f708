// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_trend: the I/O trend window left recording for a week. Memory: a week of samples at one a
// second (604,800 samples of 28 series) in our compact recording, against the naive way of keeping
// every point in QCustomPlot's own containers. Time: adding one sample, and adding it and replotting
// the visible window, with 1,000 and with 600,000 samples recorded, against a plain append (every
// point added to the graphs of a second window of ours, the same charts at the same size). Both
// measured in the same run, offscreen.
#include "ResidentMemory.h"
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
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr qsizetype kWeek = 7 * 24 * 3600;
constexpr int kSeries = TChartForm::kSeries;
constexpr int kRounds = 200;

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
        for (int c = 0; c < 5; ++c)
            charts.push_back(new QCustomPlot(&window));
        for (int s = 0; s < kSeries; ++s)
            graphs.push_back(charts[static_cast<size_t>(s % 5)]->addGraph());
    }
    void Add(double key)
    {
        for (size_t s = 0; s < graphs.size(); ++s)
            graphs[s]->addData(key, static_cast<double>(s) + std::fmod(key, 10.0));
    }

    QWidget window;
    std::vector<QCustomPlot *> charts;
    std::vector<QCPGraph *> graphs;
};

// The plain append: a window of ours, shown, whose graphs are given every point by addData (the
// values our window recorded for that sample), the time axis moved to the newest.
struct PlainAppend
{
    explicit PlainAppend(const QString &settings) : window(settings, messages, nullptr, 1)
    {
        for (QCustomPlot *chart : window.Charts) {
            for (int g = 0; g < chart->graphCount(); ++g)
                graphs.push_back(chart->graph(g));
        }
        window.show();
    }
    // The values of the next point: sample index of recording.
    void Take(const TTrendRecording &recording, qsizetype index)
    {
        values.resize(graphs.size());
        for (size_t s = 0; s < graphs.size(); ++s)
            values[s] = recording.Value(index, static_cast<int>(s)).value_or(std::nan(""));
    }
    void Add(double key)
    {
        for (size_t s = 0; s < graphs.size(); ++s)
            graphs[s]->addData(key, values[s]);
    }
    double TimedAdd(double key)
    {
        QElapsedTimer timer;
        timer.start();
        Add(key);
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }
    double AddAndReplot(double key)
    {
        QElapsedTimer timer;
        timer.start();
        Add(key);
        for (QCustomPlot *chart : window.Charts) {
            chart->xAxis->setRange(key - 100, key);
            chart->replot(QCustomPlot::rpImmediateRefresh);
        }
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    PrintedMessages messages;
    TChartForm window;
    std::vector<QCPGraph *> graphs;
    std::vector<double> values;
};

// Our window, recording with every series checked.
struct OurWindow
{
    explicit OurWindow(const QString &settings) : window(settings, messages, nullptr, kWeek)
    {
        for (QCheckBox *box : window.SeriesBoxes)
            box->setChecked(true);
        window.PowerButton->click();
    }
    void Fill(qsizetype samples)
    {
        window.hide();  // a hidden window only records
        for (qsizetype i = 0; i < samples; ++i) {
            sample.LiveValues.fill(static_cast<float>(i % 50));
            window.AddSample(sample);
        }
        window.show();
    }
    // The next sample: the values drift, the outputs switch now and then.
    void Next()
    {
        ++n;
        sample.LiveValues.fill(static_cast<float>(20 + 5 * std::sin(n / 20.0)));
        sample.OutputBits.fill(n / 30 % 2 == 0);
        sample.SupplyTrendValue = sample.RoomTrendValue = sample.LiveValues[0];
    }
    double TimedAdd()
    {
        Next();
        QElapsedTimer timer;
        timer.start();
        window.AddSample(sample);
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }
    double AddAndReplot()
    {
        Next();
        QElapsedTimer timer;
        timer.start();
        window.AddSample(sample);
        for (QCustomPlot *chart : window.Charts)
            chart->replot(QCustomPlot::rpImmediateRefresh);
        return static_cast<double>(timer.nsecsElapsed()) / 1e6;
    }

    TIoSample sample;
    int n = 0;
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

    // Time: one sample, and one sample with a replot of the visible window, at 1,000 and 600,000
    // samples.
    std::printf("one sample added (charts of %dx%d), median of %d:\n", ours.window.Charts[0]->width(),
                ours.window.Charts[0]->height(), kRounds);
    for (const qsizetype recorded : {qsizetype(1000), qsizetype(600000)}) {
        OurWindow small(dir.filePath(QStringLiteral("small.ini")));
        small.Fill(recorded);
        PlainAppend plain(dir.filePath(QStringLiteral("plain.ini")));
        for (qsizetype i = 0; i < recorded; ++i) {
            plain.Take(small.window.Recording(), i);
            plain.Add(static_cast<double>(i));
        }
        std::vector<double> ourAdds;
        std::vector<double> plainAdds;
        std::vector<double> ourTimes;
        std::vector<double> plainTimes;
        double key = static_cast<double>(recorded);
        const TTrendRecording &recording = small.window.Recording();
        for (int r = 0; r < kRounds; ++r) {
            ourAdds.push_back(small.TimedAdd());
            plain.Take(recording, recording.Count() - 1);  // untimed: the same values
            plainAdds.push_back(plain.TimedAdd(key++));
            ourTimes.push_back(small.AddAndReplot());
            plain.Take(recording, recording.Count() - 1);
            plainTimes.push_back(plain.AddAndReplot(key++));
        }
        std::printf("  %7lld recorded: added        ours %6.3f ms, plain %6.3f ms, ratio %5.2fx\n",
                    static_cast<long long>(recorded), Median(ourAdds), Median(plainAdds),
                    Median(ourAdds) / Median(plainAdds));
        std::printf("  %7lld recorded: and replotted ours %6.2f ms, plain %6.2f ms, ratio %5.2fx  (target: flat, "
                    "under 5 ms, at most 1x)\n",
                    static_cast<long long>(recorded), Median(ourTimes), Median(plainTimes),
                    Median(ourTimes) / Median(plainTimes));
    }
    return 0;
}
