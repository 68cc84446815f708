// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// Trend windows: the compact store with its cap, the follow and scroll rules of a trend chart on
// its clock-time axis, the window's recording read from the recorder's files by time range (over
// file boundaries and gaps, the columns' least and greatest values, memory that does not grow with
// the length), the trend windows drawing what is recorded, the events' marks, closing without a
// question, and the windows' place on the screen.
#include "charts/EventMarks.h"
#include "charts/TChartForm.h"
#include "charts/TTempChartForm.h"
#include "charts/TrendSource.h"
#include "common/IniFile.h"
#include "monitor/TrendRecording.h"
#include "session/TLiveState.h"
#include "session/TUserMessages.h"

#include <QBuffer>
#include <QCheckBox>
#include <QDateTime>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <qcustomplot.h>

#include <cmath>
#include <limits>
#include <memory>
#include <tuple>

namespace {

const double kGap = std::nan("");

// The file the user picks, and the errors shown.
class Messages : public TUserMessages
{
public:
    void RangeWarning(QWidget *) override {}
    void ErrorBox(const QString &text) override { Errors << text; }
    QString AskSaveFile() override { return {}; }
    QString AskOpenFile() override { return {}; }
    QString AskSaveFileAs(const QString &, const QString &, const QString &) override { return SaveAnswer; }
    // The next queued answer, or what Enter picks.
    TChoice Ask(const TQuestion &question) override
    {
        Questions << question.Text;
        return Answers.isEmpty() ? question.Default : Answers.takeFirst();
    }

    QString SaveAnswer;
    QStringList Errors;
    QStringList Questions;
    QList<TChoice> Answers;
};

constexpr qint64 kMidnightBefore = 1'780'000'000'000;  // made-up times from about there
constexpr qint64 kNone = std::numeric_limits<qint64>::min();

// Sample i of a made-up recording: the I/O values wander in quarters (kept exactly at two
// decimals), the on/off series switch now and then, the regulation variables are whole; series 1
// misses a value now and then.
rec::TSample Made(qint64 ms, qint64 i)
{
    rec::TSample sample;
    sample.Ms = ms;
    for (int s = 0; s < rec::kSeries; ++s) {
        const rec::TSeriesInfo &series = rec::SeriesTable()[static_cast<size_t>(s)];
        double value = 0;
        if (series.OnOff)
            value = static_cast<double>((i / (3 + s)) % 2);
        else if (s >= rec::kIoSeries)
            value = static_cast<double>((i * 7 + s * 5) % 120 - 10);
        else
            value = static_cast<double>((i * 13 + s * 29) % 240) / 4 - 20;
        sample.Values[static_cast<size_t>(s)] = s == 1 && i % 7 == 3 ? kGap : value;
    }
    return sample;
}

// Files of a recording written through our writer, each sample handed to a window (or a source)
// as the recorder hands it, while Seen.
struct Recording
{
    explicit Recording(TTrendSource &to) : source(&to) {}
    explicit Recording(TTrendWindow &to) : window(&to) {}

    TTrendSource *source = nullptr;
    TTrendWindow *window = nullptr;
    bool Seen = true;
    QTemporaryDir dir;
    std::unique_ptr<rec::TRecordingWriter> writer;
    std::vector<rec::TSample> samples;  // all of them, in order
    int files = 0;

    // A new file.
    void Start()
    {
        End();
        writer = std::make_unique<rec::TRecordingWriter>();
        rec::TRecordingInfo info;
        info.StartMs = samples.empty() ? kMidnightBefore : samples.back().Ms;
        const QString path = dir.filePath(QStringLiteral("r%1.z4rec").arg(++files));
        QVERIFY2(writer->Create(path, info), qPrintable(writer->Error()));
        writer->SetAutoCommit(false);
        if (Seen)
            source ? source->FileStarted(path) : window->RecordingStarted(path);
    }
    void Add(qint64 ms)
    {
        samples.push_back(Made(ms, static_cast<qint64>(samples.size())));
        writer->Add(samples.back());
        if (Seen)
            source ? source->Add(samples.back()) : window->Take(samples.back());
    }
    // n samples period apart after the last one (or from the start).
    void AddRun(qint64 n, qint64 period)
    {
        const qint64 first = samples.empty() ? kMidnightBefore : samples.back().Ms + period;
        for (qint64 i = 0; i < n; ++i)
            Add(first + i * period);
    }
    void Commit() { QVERIFY(writer->Commit()); }
    void End()
    {
        if (writer) {
            QVERIFY(writer->Close());
            writer.reset();
            source ? source->FileEnded() : window->RecordingEnded();
        }
    }
};

// The same value, or both a gap (a value read back from a file is kept in hundredths).
bool Same(double a, double b)
{
    return (std::isnan(a) && std::isnan(b)) || std::abs(a - b) < 1e-9;
}

// The least and greatest of series s over the samples from since in each column of [from, to), as
// the reader cuts it, by a walk over every sample.
std::vector<rec::TColumnRange> Walk(const std::vector<rec::TSample> &samples, qint64 since, int first, int count,
                                    qint64 from, qint64 to, int columns)
{
    std::vector<rec::TColumnRange> result(static_cast<size_t>(count * columns));
    const double width = static_cast<double>(to - from) / columns;
    for (const rec::TSample &sample : samples) {
        const double c = std::floor(static_cast<double>(sample.Ms - from) / width);
        if (sample.Ms < since || c < 0 || c >= columns)
            continue;
        for (int s = 0; s < count; ++s) {
            const double v = sample.Values[static_cast<size_t>(first + s)];
            rec::TColumnRange &r = result[static_cast<size_t>(s * columns + static_cast<int>(c))];
            if (!std::isnan(v)) {
                r.Min = std::isnan(r.Min) ? v : std::min(r.Min, v);
                r.Max = std::isnan(r.Max) ? v : std::max(r.Max, v);
            }
        }
    }
    return result;
}

// The values series s holds, a gap as -1.
QList<double> Column(const TTrendRecording &recording, int s)
{
    QList<double> values;
    for (qsizetype i = 0; i < recording.Count(); ++i)
        values.append(recording.Value(i, s).value_or(-1));
    return values;
}

}  // namespace

class TestTrend : public QObject
{
    Q_OBJECT

private slots:
    void storeKeepsValuesGapsAndItsCap();
    void followAndScroll();
    void sourceReadsTheFilesByTime_data();
    void sourceReadsTheFilesByTime();
    void windowHoldsNoMoreForALongerRecording_data();
    void windowHoldsNoMoreForALongerRecording();
    void regulationWindowRecords();
    void ioWindowRecordsValuesGapsAndLanes();
    void eventMarks_data();
    void eventMarks();
    void ioWindowRemembersItsBoxes();
    void fitOnScreen_data();
    void fitOnScreen();
    void windowsComeBackWhereTheyWereOnTheScreen();
    void closingAsksNothing();
};

void TestTrend::storeKeepsValuesGapsAndItsCap()
{
    TTrendRecording recording(2, 5, 2);
    recording.Add(1000, std::array{21.084, kGap});
    recording.Add(2000, std::array{-20.0, 1000.0});  // beyond what two decimals can keep
    QCOMPARE(Column(recording, 0), (QList<double>{21.08, -20.0}));
    QCOMPARE(Column(recording, 1), (QList<double>{-1, 327.67}));

    // Past the cap the oldest go, and only they.
    for (int i = 0; i < 6; ++i)
        recording.Add(3000 + i * 1000, std::array{double(i), i % 2 ? kGap : double(-i)});
    QCOMPARE(recording.Count(), qsizetype(5));
    QCOMPARE(recording.Dropped(), qint64(3));
    QCOMPARE(recording.Stamp(0), qint64(4000));
    QCOMPARE(Column(recording, 0), (QList<double>{1, 2, 3, 4, 5}));
    QCOMPARE(Column(recording, 1), (QList<double>{-1, -2, -1, -4, -1}));

    // Whole numbers keep the board's whole register range.
    TTrendRecording registers(1, 3, 0);
    registers.Add(0, std::array{32767.0});
    registers.Add(0, std::array{-5.0});
    QCOMPARE(Column(registers, 0), (QList<double>{32767, -5}));
    recording.Clear();
    QCOMPARE(recording.Count(), qsizetype(0));
    QCOMPARE(recording.Dropped(), qint64(0));
}

// The rules of the sample-numbered axis, on the clock: the view spans a hundred sample periods,
// follows the newest sample, stays where the user put it, and jumps by the scroll bar.
void TestTrend::followAndScroll()
{
    constexpr qint64 t0 = kMidnightBefore;
    TTrendFollow follow;
    follow.SetPeriod(1000);
    follow.Clear(t0 - 400);
    qint64 count = 0;
    std::optional<qint64> previous;
    const auto add = [&](int n) {
        for (int i = 0; i < n; ++i) {
            const qint64 newest = t0 + 1000 * count++;
            follow.Added(t0, newest, previous);
            previous = newest;
        }
    };
    const auto newest = [&] { return t0 + 1000 * (count - 1); };
    add(101);
    QCOMPARE(follow.From(), t0);
    QCOMPARE(follow.Width(), qint64(100'000));
    QVERIFY(!follow.ScrollBarEnabled());
    // The next sample moves the view on by a period and brings the scroll bar.
    add(1);
    QCOMPARE(follow.From(), t0 + 1000);
    QVERIFY(follow.ScrollBarEnabled());
    QCOMPARE(follow.Position(), 100);
    add(98);  // 200 samples, the view from the 99th
    QCOMPARE(follow.From(), t0 + 99'000);
    QCOMPARE(follow.To(), newest());

    // A step back (a hundredth of the view): new samples leave the view where the user put it.
    follow.Step(follow.Position() - 1, t0, newest());
    QCOMPARE(follow.From(), t0 + 98'000);
    add(10);
    QCOMPARE(follow.From(), t0 + 98'000);
    follow.Step(follow.Position() - 3, t0, newest());  // no line step: ignored
    QCOMPARE(follow.From(), t0 + 98'000);

    // Tracking: a move of 5 or less from the last one handled is ignored.
    const qint64 hidden = newest() - t0 - follow.Width();
    follow.Track(40, t0, newest());
    QCOMPARE(follow.From(), t0 + hidden * 40 / 100);
    follow.Track(44, t0, newest());
    QCOMPARE(follow.From(), t0 + hidden * 40 / 100);
    follow.Track(46, t0, newest());
    QCOMPARE(follow.From(), t0 + hidden * 46 / 100);
    QCOMPARE(follow.Position(), 46);

    // A view zoomed out to the end keeps its width as it follows; a new period widens only a view
    // not zoomed.
    follow.Show(newest() - 3'600'000, 3'600'000, t0, newest());
    add(1);
    QCOMPARE(follow.To(), newest());
    QCOMPARE(follow.Width(), qint64(3'600'000));
    follow.SetPeriod(5000);
    QCOMPARE(follow.Width(), qint64(3'600'000));

    follow.Clear(t0 + 1'000'000);
    QCOMPARE(follow.From(), t0 + 1'000'000);
    QCOMPARE(follow.Width(), qint64(500'000));
    QVERIFY(!follow.ScrollBarEnabled());
    QCOMPARE(follow.Position(), 0);
}

// The window's recording as files on disk and a tail in memory: whatever part lies where, each
// sample since "Clear" is read once, in order, and each column's least and greatest value equals a
// walk over the samples. The script: "f" a new file (midnight or a new connection), "r:N:P" N
// samples P ms apart, "g:P" P ms without samples (the line lost), "x" Clear, "F" a file the window
// does not see start, "h:N:P" samples it does not see, "j" the window joins the file being
// written, "l" a sample taken before the clear comes after it, "u" nothing committed from here on.
void TestTrend::sourceReadsTheFilesByTime_data()
{
    QTest::addColumn<int>("tail");
    QTest::addColumn<QString>("script");
    QTest::newRow("within the tail") << 1000 << "f r:500:1000";
    QTest::newRow("beyond the tail") << 50 << "f r:500:1000";
    QTest::newRow("two files at midnight") << 50 << "f r:300:1000 f r:300:1000";
    QTest::newRow("the line lost for ten minutes") << 50 << "f r:200:1000 g:600000 r:200:1000";
    QTest::newRow("cleared within a file") << 50 << "f r:300:1000 x r:300:1000";
    QTest::newRow("a cycle under way at the clear") << 50 << "f r:300:1000 x l r:300:1000";
    QTest::newRow("opened while a file is written") << 50 << "F h:300:1000 j r:300:1000";
    QTest::newRow("the newest not committed") << 50 << "f r:300:1000 u r:40:1000";
    QTest::newRow("three files, a slow poll") << 20 << "f r:100:5000 f r:100:5000 f r:100:5000";
}

void TestTrend::sourceReadsTheFilesByTime()
{
    QFETCH(int, tail);
    QFETCH(QString, script);
    TTrendSource source(0, rec::kSeries, 2, tail);
    Recording recording(source);
    qint64 since = kNone;
    bool commit = true;
    qint64 gap = 0;
    const auto next = [&](qint64 period) {
        return (recording.samples.empty() ? kMidnightBefore : recording.samples.back().Ms + period)
               + std::exchange(gap, 0);
    };
    for (const QString &step : script.split(QLatin1Char(' '))) {
        const QStringList part = step.split(QLatin1Char(':'));
        const qint64 n = part.value(1).toLongLong();
        const qint64 period = part.value(2).toLongLong();
        if (part[0] == QLatin1String("f")) {
            recording.Start();
        } else if (part[0] == QLatin1String("F")) {
            recording.Seen = false;
            recording.Start();
        } else if (part[0] == QLatin1String("r") || part[0] == QLatin1String("h")) {
            recording.Seen = part[0] == QLatin1String("r");
            const qint64 first = next(period);
            for (qint64 i = 0; i < n; ++i)
                recording.Add(first + i * period);
        } else if (part[0] == QLatin1String("g")) {
            gap = n;
        } else if (part[0] == QLatin1String("x")) {
            since = recording.samples.back().Ms + 500;
            source.Clear(since);
        } else if (part[0] == QLatin1String("l")) {
            recording.Add(--since);
        } else if (part[0] == QLatin1String("j")) {
            since = recording.samples.back().Ms + 1;
            source.FileStarted(recording.writer->Path(), since);
        } else if (part[0] == QLatin1String("u")) {
            recording.Commit();
            commit = false;
        }
        if (commit && recording.writer)
            recording.Commit();
    }

    std::vector<rec::TSample> expected;
    for (const rec::TSample &sample : recording.samples) {
        if (sample.Ms >= since)
            expected.push_back(sample);
    }
    QCOMPARE(source.Count(), qint64(expected.size()));
    QVERIFY(source.Tail().Count() <= tail);
    // Every sample once, in order, as recorded.
    std::vector<rec::TSample> read;
    QVERIFY(source.ForEach(kNone, std::numeric_limits<qint64>::max(), [&](qint64 ms, std::span<const double> values) {
        rec::TSample sample;
        sample.Ms = ms;
        std::copy(values.begin(), values.end(), sample.Values.begin());
        read.push_back(sample);
    }));
    QCOMPARE(read.size(), expected.size());
    for (size_t i = 0; i < read.size(); ++i) {
        QCOMPARE(read[i].Ms, expected[i].Ms);
        for (size_t s = 0; s < read[i].Values.size(); ++s)
            QVERIFY2(Same(read[i].Values[s], expected[i].Values[s]), qPrintable(QStringLiteral("%1/%2").arg(i).arg(s)));
    }
    // The columns of the whole, of the middle third and of a range reaching before the first
    // sample, against a walk.
    const qint64 first = expected.front().Ms;
    const qint64 last = expected.back().Ms;
    const qint64 third = (last - first) / 3;
    for (const auto &[from, to, columns] :
         {std::tuple{first - 500, last + 500, 97}, std::tuple{first + third, last - third, 13},
          std::tuple{first - 3 * third, first + third, 50}}) {
        std::vector<rec::TColumnRange> columnsRead;
        QVERIFY(source.Columns(from, to, columns, columnsRead));
        const std::vector<rec::TColumnRange> walked =
            Walk(recording.samples, since, 0, rec::kSeries, from, to, columns);
        QCOMPARE(columnsRead.size(), walked.size());
        for (size_t i = 0; i < walked.size(); ++i)
            QVERIFY2(Same(columnsRead[i].Min, walked[i].Min) && Same(columnsRead[i].Max, walked[i].Max),
                     qPrintable(QStringLiteral("series %1 column %2")
                                    .arg(i / static_cast<size_t>(columns))
                                    .arg(i % static_cast<size_t>(columns))));
    }
    // About the count: never fewer, and at most a chunk more at each end of a file.
    const qint64 about = source.CountAbout(first, last + 1);
    QVERIFY2(about >= qint64(expected.size())
                 && about <= qint64(expected.size()) + 2 * rec::kChunkSamples * recording.files,
             qPrintable(QString::number(about)));
}

// A longer recording costs the window no more memory: the tail and the charts' points stay within
// the same bounds, following or zoomed out to the whole; a view over the file boundary draws the
// samples on both sides, a gap (the line lost) as a gap.
void TestTrend::windowHoldsNoMoreForALongerRecording_data()
{
    QTest::addColumn<int>("samples");
    QTest::addColumn<int>("period");
    QTest::addColumn<int>("files");
    QTest::addColumn<int>("gap");
    QTest::newRow("an hour at 1 s") << 3600 << 1000 << 1 << 0;
    QTest::newRow("a day at 10 s over midnight") << 8640 << 10'000 << 2 << 0;
    QTest::newRow("a day and a half at 5 s, the line lost") << 25'920 << 5000 << 2 << 1'800'000;
}

void TestTrend::windowHoldsNoMoreForALongerRecording()
{
    QFETCH(int, samples);
    QFETCH(int, period);
    QFETCH(int, files);
    QFETCH(int, gap);
    Messages messages;
    QTemporaryDir dir;
    TChartForm window(dir.filePath(QStringLiteral("settings.ini")), messages);
    window.resize(1000, 660);
    window.show();
    window.SeriesBoxes[0]->click();   // Inp1
    window.SeriesBoxes[19]->click();  // Rel3
    window.PowerButton->click();
    window.SetSamplePeriod(period);
    Recording recording(window);
    qint64 boundary = 0;
    for (int f = 0; f < files; ++f) {
        recording.Start();
        if (f > 0) {
            boundary = recording.samples.back().Ms + period / 2;
            recording.AddRun(1, period + gap);
            recording.AddRun(samples / files - 1, period);
        } else {
            recording.AddRun(samples / files, period);
        }
        recording.Commit();
    }
    const TTrendSource &source = window.Recording();
    QCOMPARE(source.Count(), qint64(samples));
    QCOMPARE(source.Files(), qsizetype(files));
    QVERIFY(source.Tail().Count() <= TTrendSource::kTail);
    QCOMPARE(source.OpenFiles(), qsizetype(1));  // only the one being written
    const auto points = [&window] {
        int most = 0;
        for (QCustomPlot *chart : window.Charts)
            for (int g = 0; g < chart->graphCount(); ++g)
                most = std::max(most, chart->graph(g)->dataCount());
        return most;
    };
    const int columns = window.Charts[0]->axisRect()->width();

    // Following: the view ends at the newest sample and holds a hundred periods of samples.
    QCOMPARE(window.Follow().To(), recording.samples.back().Ms);
    QVERIFY(window.DrawsSamples());
    QVERIFY2(points() <= TTrendFollow::Span + 1, qPrintable(QString::number(points())));
    QVERIFY(window.ScrollBar->isEnabled());

    // Zoomed out to the whole (zooming is the user's while recording is off): each pixel column's
    // least and greatest value.
    window.PowerButton->click();
    const double first = static_cast<double>(recording.samples.front().Ms) / 1000;
    const double last = static_cast<double>(recording.samples.back().Ms + 1) / 1000;
    window.Charts[2]->xAxis->setRange(first, last);
    window.Draw();
    QCOMPARE(window.Charts[0]->xAxis->range().lower, first);  // the charts move together
    QVERIFY(!window.DrawsSamples());
    QVERIFY2(points() <= 2 * columns, qPrintable(QStringLiteral("%1 for %2 columns").arg(points()).arg(columns)));
    double least = std::numeric_limits<double>::infinity();
    double most = -least;
    for (const rec::TSample &sample : recording.samples) {
        least = std::min(least, sample.Values[0]);
        most = std::max(most, sample.Values[0]);
    }
    bool found = false;
    const QCPRange drawn = window.Charts[0]->graph(0)->getValueRange(found);
    QVERIFY(found);
    QCOMPARE(drawn.lower, least);
    QCOMPARE(drawn.upper, most);
    QCOMPARE(source.OpenFiles(), qsizetype(files));

    // Over the file boundary: the samples either side, a gap where the line was lost.
    if (files > 1) {
        const double at = static_cast<double>(boundary) / 1000;
        window.Charts[0]->xAxis->setRange(at - 30.0 * period / 1000, at + 30.0 * period / 1000 + gap / 1000.0);
        window.Draw();
        QVERIFY(window.DrawsSamples());
        int before = 0;
        int after = 0;
        int gaps = 0;
        for (const QCPGraphData &point : *window.Charts[0]->graph(0)->data()) {
            if (std::isnan(point.value))
                gaps += point.key > at - 1.0 * period / 1000 && point.key < at + (gap + period) / 1000.0;
            else
                (point.key < at ? before : after) += 1;
        }
        QVERIFY2(before >= 20 && after >= 20, qPrintable(QStringLiteral("%1 before, %2 after").arg(before).arg(after)));
        QCOMPARE(gaps, gap > 0 ? 1 : 0);
    }
}

void TestTrend::regulationWindowRecords()
{
    Messages messages;
    QTemporaryDir dir;
    TTempChartForm window(dir.filePath(QStringLiteral("settings.ini")), messages);
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("Temp Chart"));
    QVERIFY(!window.ScrollBar->isEnabled());
    QVERIFY(qSharedPointerDynamicCast<QCPAxisTickerDateTime>(window.VariablesChart->xAxis->ticker()));
    window.VariableBoxes[0]->click();  // SP1
    window.VariableBoxes[1]->click();  // PV1
    window.PowerButton->click();
    QVERIFY(!window.VariablesChart->interactions().testFlag(QCP::iRangeZoom));
    Recording recording(window);
    recording.Start();
    recording.AddRun(1, 1000);
    // The variables as the board gives them: PV1 = -5 is drawn, not a gap.
    rec::TSample live = Made(kMidnightBefore + 1000, 1);
    std::copy_n(std::array{2150.0, -5.0, 3.0, 4.0, 5.0, 6.0, 7.0, 8.0}.begin(), 8,
                live.Values.begin() + rec::kIoSeries);
    recording.samples.push_back(live);
    recording.writer->Add(live);
    window.Take(live);
    QCOMPARE(window.Recording().Tail().Value(1, 0), std::optional<double>(2150));
    QCOMPARE(window.Recording().Tail().Value(1, 1), std::optional<double>(-5));
    QCOMPARE(window.VariablesChart->graph(1)->data()->at(1)->value, -5.0);
    QCOMPARE(window.VariablesChart->graph(3)->dataCount(), 0);  // SP2 unchecked: not drawn
    // The value axis fits what is shown (the unchecked variables' values are not), with room.
    const QCPRange shown = window.VariablesChart->yAxis->range();
    QVERIFY2(shown.lower < -5 && shown.lower > -500 && shown.upper > 2150 && shown.upper < 3000,
             qPrintable(QStringLiteral("%1 .. %2").arg(shown.lower).arg(shown.upper)));
    recording.AddRun(149, 1000);
    // Following: the view spans a hundred periods up to the newest sample, on the clock.
    QCOMPARE(window.Follow().From(), kMidnightBefore + 50'000);
    QCOMPARE(window.VariablesChart->xAxis->range().lower, (kMidnightBefore + 50'000) / 1000.0);
    QVERIFY(window.ScrollBar->isEnabled());
    QCOMPARE(window.VariablesChart->graph(0)->dataCount(), 101);

    // A step back by the user holds against new samples.
    window.ScrollBar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    recording.AddRun(1, 1000);
    QCOMPARE(window.Follow().From(), kMidnightBefore + 49'000);

    // Hovering names the sample's clock time and the values there.
    const QString hover = window.HoverText(window.VariablesChart, (kMidnightBefore + 1200) / 1000.0);
    QVERIFY2(hover.startsWith(rec::LocalTimeText(kMidnightBefore + 1000)) && hover.contains(QLatin1String("SP1: 2150"))
                 && hover.contains(QLatin1String("PV1: -5")) && hover.contains(QLatin1String("SP2: 4")),
             qPrintable(hover));
    QCOMPARE(window.HoverText(window.VariablesChart, (kMidnightBefore - 600'000) / 1000.0), QString());

    window.ClearButton->click();
    QCOMPARE(window.Recording().Count(), qint64(0));
    QVERIFY(!window.ScrollBar->isEnabled());
    QCOMPARE(window.VariablesChart->graph(0)->dataCount(), 0);
    window.PowerButton->click();
    QVERIFY(window.VariablesChart->interactions().testFlag(QCP::iRangeZoom));
}

void TestTrend::ioWindowRecordsValuesGapsAndLanes()
{
    QTemporaryDir dir;
    Messages messages;
    TChartForm window(dir.filePath(QStringLiteral("settings.ini")), messages);
    window.show();
    const auto box = [&window](const char *name) { return window.findChild<QCheckBox *>(QLatin1String(name)); };
    for (const char *name : {"Tin1dxfCheckBox", "Tin2dxfCheckBox", "TsspdxfCheckBox", "Pin2dxfCheckBox",
                             "Out5dxfCheckBox", "Rel3dxfCheckBox", "Sim3dxfCheckBox"})
        box(name)->click();
    window.PowerButton->click();
    Recording recording(window);
    recording.Start();
    rec::TSample live = Made(kMidnightBefore, 0);
    live.Values.fill(5.5);
    live.Values[0] = kGap;    // input 1 has no valid value
    live.Values[4] = 19.3;    // supply
    live.Values[11] = 42.25;  // input 10
    live.Values[16] = 7.5;    // analog output 5
    std::fill(live.Values.begin() + 17, live.Values.begin() + rec::kIoSeries, 0.0);
    live.Values[19] = 1;  // Rel3 on
    for (const double rel3 : {1.0, 0.0}) {
        live.Values[19] = rel3;
        recording.samples.push_back(live);
        recording.writer->Add(live);
        window.Take(live);
        live.Ms += 1000;
    }
    recording.Commit();
    // A digital output is drawn in its lane: "Rel3" from 81 to 89; "Rel1" unchecked, not drawn.
    QCOMPARE(window.Charts[4]->graph(2)->dataCount(), 2);
    QCOMPARE(window.Charts[4]->graph(2)->data()->at(0)->value, 89.0);
    QCOMPARE(window.Charts[4]->graph(2)->data()->at(1)->value, 81.0);
    QCOMPARE(window.Charts[4]->graph(10)->data()->at(0)->value, 1.0);
    QCOMPARE(window.Charts[4]->graph(0)->dataCount(), 0);
    QVERIFY(std::isnan(window.Charts[0]->graph(0)->data()->at(0)->value));  // the gap of input 1
    const QString lanes = window.HoverText(window.Charts[4], kMidnightBefore / 1000.0);
    QVERIFY2(lanes.contains(QLatin1String("Rel3: on")) && lanes.contains(QLatin1String("Sim3: off")),
             qPrintable(lanes));

    // A box chooses what is drawn, over the whole recording: checked later, its past shows too.
    box("Tin3dxfCheckBox")->click();
    QCOMPARE(window.Charts[0]->graph(2)->dataCount(), 2);
    // The whole recording as CSV, read back from the file, and the charts as a picture, through
    // the file the user picks.
    messages.SaveAnswer = dir.filePath(QStringLiteral("recording.csv"));
    window.ExportButton->click();
    QFile csv(messages.SaveAnswer);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 4);  // the header, two samples, the end
    QVERIFY(lines[0].startsWith("Time;Sample;Inp1;Inp2;Inp3;Inp4;Sup.;Room;"));
    // Each value as the window shows it: temperatures to 0.1 °C, percentages to 0.1 %.
    QVERIFY2(lines[1].startsWith(QDateTime::fromMSecsSinceEpoch(kMidnightBefore).toString(Qt::ISODateWithMs).toUtf8()
                                 + ";0;;5.5;5.5;5.5;19.3;5.5;")
                 && lines[1].contains(";42.3;"),
             lines[1].constData());
    // The digital outputs as 0 and 1: "Rel3" on, then off; "Sim3" off.
    QVERIFY2(lines[1].endsWith(";0;0;1;0;0;0;0;0;0;0;0") && lines[2].endsWith(";0;0;0;0;0;0;0;0;0;0;0"),
             lines[1].constData());
    messages.SaveAnswer = dir.filePath(QStringLiteral("charts.png"));
    window.PictureButton->click();
    QVERIFY(QImage(messages.SaveAnswer).width() > 100);
    messages.SaveAnswer = dir.filePath(QStringLiteral("missing/recording.csv"));
    window.ExportButton->click();
    QCOMPARE(messages.Errors.size(), 1);

    window.ClearButton->click();
    QCOMPARE(window.Recording().Count(), qint64(0));
}

// The recording's events as marks along the top of the charts, a stop cause's red, the others'
// grey, their text on hover within a few pixels.
void TestTrend::eventMarks_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("pixels");  // from the mouse
    QTest::addColumn<bool>("named");
    QTest::newRow("a stop cause under the mouse") << "stop" << 0 << true;
    QTest::newRow("the line lost two pixels off") << "line" << 2 << true;
    QTest::newRow("a write ten pixels off") << "write" << -10 << false;
}

void TestTrend::eventMarks()
{
    QFETCH(QString, kind);
    QFETCH(int, pixels);
    QFETCH(bool, named);
    Messages messages;
    QTemporaryDir dir;
    TTempChartForm window(dir.filePath(QStringLiteral("settings.ini")), messages);
    window.resize(800, 500);
    window.show();
    window.SetSamplePeriod(1000);
    Recording recording(window);
    recording.Start();
    recording.AddRun(100, 1000);
    const qint64 mouse = kMidnightBefore + 50'000;
    const int width = window.VariablesChart->axisRect()->width();
    const qint64 at = mouse + pixels * window.Follow().Width() / width;
    recording.writer->AddEvent({at, kind, QStringLiteral("Something of %1").arg(kind), {}, {}, {}, rec::TCause::None});
    recording.Commit();
    window.Draw();
    QCOMPARE(window.VariablesChart->itemCount(), 1);
    const auto *mark = qobject_cast<QCPItemLine *>(window.VariablesChart->item(0));
    QVERIFY(mark);
    QCOMPARE(mark->start->coords().x(), at / 1000.0);
    QCOMPARE(mark->pen().color() == QColor(210, 0, 0), kind == QLatin1String("stop"));
    const QString hover = window.HoverText(window.VariablesChart, mouse / 1000.0);
    QCOMPARE(hover.contains(QStringLiteral("%1  Something of %2").arg(rec::LocalTimeText(at), kind)), named);
    QVERIFY2(hover.startsWith(rec::LocalTimeText(mouse)), qPrintable(hover));  // and the sample there
}

void TestTrend::ioWindowRemembersItsBoxes()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("; by hand\n[Other]\nKey=1\n[Chart]\nRel2=1\n") > 0);
    file.close();
    Messages messages;
    {
        TChartForm window(path, messages);
        QVERIFY(window.findChild<QCheckBox *>(QStringLiteral("Rel2dxfCheckBox"))->isChecked());
        window.findChild<QCheckBox *>(QStringLiteral("Rel2dxfCheckBox"))->click();
        window.findChild<QCheckBox *>(QStringLiteral("Pin1dxfCheckBox"))->click();
        window.show();
        window.close();
    }
    TIniFile settings;
    QString error;
    QVERIFY(settings.Load(path, &error));
    QCOMPARE(settings.ReadInteger(QStringLiteral("Other"), QStringLiteral("Key"), 0), 1);
    QCOMPARE(settings.Keys(QStringLiteral("Chart")).size(),
             TChartForm::kSeries + qsizetype(std::size(TTrendWindow::GeometryKeys)));
    TChartForm again(path, messages);
    QVERIFY(again.findChild<QCheckBox *>(QStringLiteral("Pin1dxfCheckBox"))->isChecked());
    QVERIFY(!again.findChild<QCheckBox *>(QStringLiteral("Rel2dxfCheckBox"))->isChecked());
    // A missing file: every box unchecked.
    TChartForm fresh(dir.filePath(QStringLiteral("none.ini")), messages);
    for (const QCheckBox *box : fresh.SeriesBoxes)
        QVERIFY(!box->isChecked());
}

void TestTrend::fitOnScreen_data()
{
    QTest::addColumn<QRect>("wanted");
    QTest::addColumn<QRect>("placed");
    // On a laptop's screen above its panel, 0,0 1366x740.
    QTest::newRow("inside") << QRect(100, 50, 900, 600) << QRect(100, 50, 900, 600);
    QTest::newRow("title bar above") << QRect(100, -30, 900, 600) << QRect(100, 0, 900, 600);
    QTest::newRow("on a screen now gone") << QRect(-2000, 900, 900, 600) << QRect(0, 140, 900, 600);
    QTest::newRow("taller than the screen") << QRect(1300, 10, 1000, 971) << QRect(366, 0, 1000, 740);
}

void TestTrend::fitOnScreen()
{
    QFETCH(QRect, wanted);
    QFETCH(QRect, placed);
    QCOMPARE(FitOnScreen(wanted, QRect(0, 0, 1366, 740)), placed);
}

// A window comes back at the place and size it was closed at, kept beside the I/O trend's check
// boxes, and onto the screen when that place is off it.
void TestTrend::windowsComeBackWhereTheyWereOnTheScreen()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("settings.ini"));
    Messages messages;
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect wanted(available.topLeft() + QPoint(20, 30), QSize(640, 470));
    {
        TTempChartForm closed(path, messages);
        closed.show();
        closed.setGeometry(wanted);
        closed.close();
    }
    TTempChartForm again(path, messages);
    again.show();
    QCOMPARE(again.geometry(), wanted);

    TIniFile settings;
    QString error;
    QVERIFY(settings.Load(path, &error));
    settings.WriteInteger(QStringLiteral("TempChart"), QStringLiteral("Left"), available.right() + 500);
    QVERIFY(settings.Save(path, &error));
    TTempChartForm moved(path, messages);
    moved.show();
    QVERIFY(available.contains(moved.frameGeometry()));
}

// The recording lives on disk apart from the window: closing a window that holds samples asks
// nothing and writes its settings; the power button tells the switch, and follows it.
void TestTrend::closingAsksNothing()
{
    QTemporaryDir dir;
    Messages messages;
    TTempChartForm window(dir.filePath(QStringLiteral("settings.ini")), messages);
    QSignalSpy switched(&window, &TTrendWindow::PowerSwitched);
    window.show();
    window.PowerButton->click();
    Recording recording(window);
    recording.Start();
    recording.AddRun(3, 1000);
    QVERIFY(window.close());
    QVERIFY(messages.Questions.isEmpty());
    QVERIFY(QFile::exists(dir.filePath(QStringLiteral("settings.ini"))));
    window.SetPower(false);
    QCOMPARE(switched.size(), 2);
    QCOMPARE(switched[0][0].toBool(), true);
    QCOMPARE(switched[1][0].toBool(), false);
    QVERIFY(!window.PowerButton->isChecked());
}

QTEST_MAIN(TestTrend)
#include "tst_trend.moc"
