// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// Trend recording: the compact store with its cap, its CSV, the follow and scroll rules of a
// trend chart, the trend windows recording the samples they are given, the question before a
// recording is lost, and the windows' place on the screen.
#include "charts/TChartForm.h"
#include "charts/TTempChartForm.h"
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
    void csvOfASmallRecording();
    void followAndScroll();
    void followAtTheCap();
    void regulationWindowRecords();
    void ioWindowRecordsValuesGapsAndLanes();
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

void TestTrend::csvOfASmallRecording()
{
    TTrendRecording recording(2, 2, 1);
    const QDateTime start(QDate(2026, 12, 5), QTime(14, 7, 9, 250));
    recording.Add(start.toMSecsSinceEpoch() - 1000, std::array{1.0, 1.0});
    recording.Add(start.toMSecsSinceEpoch(), std::array{21.5, kGap});
    recording.Add(start.toMSecsSinceEpoch() + 1000, std::array{kGap, -3.0});
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    QVERIFY(WriteTrendCsv(recording, {QStringLiteral("SP1"), QStringLiteral("Out5 ")}, out));
    QCOMPARE(QString::fromUtf8(out.data()), QStringLiteral("Time;Sample;SP1;Out5\n"
                                                           "2026-12-05T14:07:09.250;1;21.5;\n"
                                                           "2026-12-05T14:07:10.250;2;;-3.0\n"));
}

void TestTrend::followAndScroll()
{
    TTrendFollow follow;
    qsizetype count = 0;
    const auto add = [&](int n) {
        for (int i = 0; i < n; ++i)
            follow.Added(++count);
    };
    add(101);
    QCOMPARE(follow.First(), qsizetype(0));
    QVERIFY(!follow.ScrollBarEnabled());
    // The next sample moves the view to 1 .. 101 and brings the scroll bar.
    add(1);
    QCOMPARE(follow.First(), qsizetype(1));
    QVERIFY(follow.ScrollBarEnabled());
    QCOMPARE(follow.Position(), 100);
    add(98);  // 200 samples, the view at 99 .. 199
    QCOMPARE(follow.First(), qsizetype(99));

    // A step back: new samples leave the view where the user put it.
    follow.Step(follow.Position() - 1, count);
    QCOMPARE(follow.First(), qsizetype(98));
    add(10);
    QCOMPARE(follow.First(), qsizetype(98));
    follow.Step(follow.Position() - 3, count);  // no line step: ignored
    QCOMPARE(follow.First(), qsizetype(98));

    // Tracking: a move of 5 or less from the last one handled is ignored.
    follow.Track(40, count);
    QCOMPARE(follow.First(), qsizetype(109 * 40 / 100));
    follow.Track(44, count);
    QCOMPARE(follow.First(), qsizetype(109 * 40 / 100));
    follow.Track(46, count);
    QCOMPARE(follow.First(), qsizetype(109 * 46 / 100));
    QCOMPARE(follow.Position(), 46);

    follow.Clear();
    QCOMPARE(follow.First(), qsizetype(0));
    QVERIFY(!follow.ScrollBarEnabled());
    QCOMPARE(follow.Position(), 0);
}

// At the cap the newest sample drops the oldest: a following view keeps following, and a view
// scrolled back moves with the samples it shows.
void TestTrend::followAtTheCap()
{
    TTrendRecording recording(1, 150, 0);
    TTrendFollow follow;
    for (int i = 0; i < 400; ++i) {
        const qint64 dropped = recording.Dropped();
        recording.Add(i, std::array{double(i)});
        follow.Added(recording.Count(), static_cast<qsizetype>(recording.Dropped() - dropped));
    }
    QCOMPARE(follow.First(), qsizetype(49));
    QCOMPARE(recording.Value(follow.First() + 100, 0), std::optional<double>(399));
    follow.Step(follow.Position() - 1, recording.Count());
    const double shown = *recording.Value(follow.First(), 0);
    const qint64 dropped = recording.Dropped();
    recording.Add(400, std::array{400.0});
    follow.Added(recording.Count(), static_cast<qsizetype>(recording.Dropped() - dropped));
    QCOMPARE(*recording.Value(follow.First(), 0), shown);
}

void TestTrend::regulationWindowRecords()
{
    TRegulationSample live;
    Messages messages;
    QTemporaryDir dir;
    TTempChartForm window(dir.filePath(QStringLiteral("settings.ini")), messages, nullptr, 1000);
    window.show();  // a hidden window draws nothing
    QCOMPARE(window.windowTitle(), QStringLiteral("Temp Chart"));
    QVERIFY(!window.ScrollBar->isEnabled());
    window.VariableBoxes[0]->click();            // SP1
    window.VariableBoxes[1]->click();            // PV1
    live.Values = {2150, -5, 3, 4, 5, 6, 7, 8};  // as the board gives them
    window.AddSample(live);                      // not recording yet
    QCOMPARE(window.Recording().Count(), qsizetype(0));

    window.PowerButton->click();
    QVERIFY(!window.VariablesChart->interactions().testFlag(QCP::iRangeZoom));
    window.AddSample(live);
    QCOMPARE(window.Recording().Value(0, 0), std::optional<double>(2150));
    QCOMPARE(window.Recording().Value(0, 1), std::optional<double>(-5));  // plotted, not a gap
    QCOMPARE(window.Recording().Value(0, 3), std::nullopt);
    // The value axis fits what is shown (the unchecked variables' values are not), with room.
    const QCPRange shown = window.VariablesChart->yAxis->range();
    QVERIFY2(shown.lower < -5 && shown.lower > -500 && shown.upper > 2150 && shown.upper < 3000,
             qPrintable(QStringLiteral("%1 .. %2").arg(shown.lower).arg(shown.upper)));
    for (int i = 0; i < 150; ++i)
        window.AddSample(live);
    QCOMPARE(window.Follow().First(), qsizetype(50));
    QVERIFY(window.ScrollBar->isEnabled());
    // Only the view goes to the chart.
    QCOMPARE(window.VariablesChart->graph(0)->data()->size(), 101);
    QCOMPARE(window.VariablesChart->xAxis->range().lower, 50.0);

    // A step back by the user holds against new samples.
    window.ScrollBar->triggerAction(QAbstractSlider::SliderSingleStepSub);
    window.AddSample(live);
    QCOMPARE(window.Follow().First(), qsizetype(49));

    // Hovering names the sample and the values there.
    const QString hover = window.HoverText(window.VariablesChart, 3.2);
    QVERIFY2(hover.contains(QLatin1String("(sample 3)")) && hover.contains(QLatin1String("SP1: 2150"))
                 && hover.contains(QLatin1String("PV1: -5")) && hover.contains(QLatin1String("SP2: -")),
             qPrintable(hover));
    QCOMPARE(window.HoverText(window.VariablesChart, -1), QString());

    window.ClearButton->click();
    QCOMPARE(window.Recording().Count(), qsizetype(0));
    QVERIFY(!window.ScrollBar->isEnabled());
    window.PowerButton->click();
    QVERIFY(window.VariablesChart->interactions().testFlag(QCP::iRangeZoom));
}

void TestTrend::ioWindowRecordsValuesGapsAndLanes()
{
    QTemporaryDir dir;
    TIoSample live;
    Messages messages;
    TChartForm window(dir.filePath(QStringLiteral("settings.ini")), messages, nullptr, 1000);
    window.show();
    const auto box = [&window](const char *name) { return window.findChild<QCheckBox *>(QLatin1String(name)); };
    for (const char *name : {"Tin1dxfCheckBox", "Tin2dxfCheckBox", "TsspdxfCheckBox", "Pin2dxfCheckBox",
                             "Out5dxfCheckBox", "Rel3dxfCheckBox", "Sim3dxfCheckBox"})
        box(name)->click();
    live.LiveValues.fill(5.5f);
    live.LiveValues[0] = -1000.0f;  // input 1 has no valid value
    live.LiveValues[9] = 42.25f;    // input 10
    live.LiveValues[14] = 7.5f;     // analog output 5
    live.SupplyTrendValue = 19.3f;
    live.OutputBits.fill(false);
    live.OutputBits[2] = true;  // Rel3
    window.PowerButton->click();
    window.AddSample(live);
    live.OutputBits[2] = false;
    window.AddSample(live);
    const TTrendRecording &r = window.Recording();
    const QStringList names = window.SeriesNames();
    const auto at = [&](qsizetype i, const char *series) { return r.Value(i, names.indexOf(QLatin1String(series))); };
    QCOMPARE(at(0, "Inp1"), std::nullopt);
    QCOMPARE(at(0, "Inp2"), std::optional<double>(5.5));
    QCOMPARE(at(0, "Inp3"), std::nullopt);  // unchecked
    QCOMPARE(*at(0, "Sup."), 19.3);
    QCOMPARE(at(0, "Inp10"), std::optional<double>(42.25));
    QCOMPARE(at(0, "Out5 "), std::optional<double>(7.5));
    // A digital output is recorded as on (1) or off (0), and drawn in its lane: "Rel3" from 81 to 89.
    QCOMPARE(at(0, "Rel3"), std::optional<double>(1));
    QCOMPARE(at(1, "Rel3"), std::optional<double>(0));
    QCOMPARE(at(0, "Sim3 "), std::optional<double>(0));
    QCOMPARE(at(0, "Rel1"), std::nullopt);
    QCOMPARE(window.Charts[4]->graph(2)->data()->size(), 2);
    QCOMPARE(window.Charts[4]->graph(2)->data()->at(0)->value, 89.0);
    QCOMPARE(window.Charts[4]->graph(2)->data()->at(1)->value, 81.0);
    QCOMPARE(window.Charts[4]->graph(10)->data()->at(0)->value, 1.0);
    const QString lanes = window.HoverText(window.Charts[4], 0);
    QVERIFY2(lanes.contains(QLatin1String("Rel3: on")) && lanes.contains(QLatin1String("Sim3: off"))
                 && lanes.contains(QLatin1String("Rel1: -")),
             qPrintable(lanes));

    // Unchecking stops a series from then on and keeps what it drew.
    box("Tin2dxfCheckBox")->click();
    window.AddSample(live);
    QCOMPARE(at(1, "Inp2"), std::optional<double>(5.5));
    QCOMPARE(at(2, "Inp2"), std::nullopt);
    // The whole recording as CSV, and the charts as a picture, through the file the user picks.
    messages.SaveAnswer = dir.filePath(QStringLiteral("recording.csv"));
    window.ExportButton->click();
    QFile csv(messages.SaveAnswer);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = csv.readAll().split('\n');
    QCOMPARE(lines.size(), 5);  // the header, three samples, the end
    QVERIFY(lines[0].startsWith("Time;Sample;Inp1;Inp2;Inp3;Inp4;Sup.;Room;"));
    // Each value as the window shows it: temperatures to 0.1 °C, percentages to 0.1 %.
    QVERIFY2(lines[1].contains(";0;;5.5;;;19.3;;") && lines[1].contains(";42.3;"), lines[1].constData());
    // The digital outputs as 0 and 1: "Rel3" on, then off; "Sim3" off.
    QVERIFY2(lines[1].endsWith(";1;;;;;;;;0") && lines[2].endsWith(";0;;;;;;;;0"), lines[1].constData());
    messages.SaveAnswer = dir.filePath(QStringLiteral("charts.png"));
    window.PictureButton->click();
    QVERIFY(QImage(messages.SaveAnswer).width() > 100);
    messages.SaveAnswer = dir.filePath(QStringLiteral("missing/recording.csv"));
    window.ExportButton->click();
    QCOMPARE(messages.Errors.size(), 1);

    window.ClearButton->click();
    QCOMPARE(r.Count(), qsizetype(0));
}

// The check boxes go to the settings file when the window closes and come back with the next one;
// other keys of the file stay.
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
    window.AddSample({});
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
