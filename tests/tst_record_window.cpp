// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's recording on a simulated board: started from a trend window, it goes on with
// both trend windows closed and holds the audit trail of an edit and a Load; a folder that cannot
// be written stops it with a message while polling goes on.

#include "charts/TRecordingWindow.h"
#include "record/Recording.h"
#include "record/TRecorder.h"

#include "OddFiles.h"
#include "TestFiles.h"
#include "WindowOnBoard.h"

#include <QAbstractScrollArea>
#include <QAccessible>
#include <QAction>
#include <QStatusBar>
#include <QTreeWidget>

#include <qcustomplot.h>

#include <cmath>

class TstRecordWindow : public QObject, public WindowOnBoard
{
    Q_OBJECT

private slots:
    void initTestCase() { EnterOwnFolder(); }
    void cleanupTestCase() { LeaveOwnFolder(); }
    void cleanup() { Close(); }
    void recordingOutlivesTrendWindows();
    void unwritableFolderStopsWithMessage();
    void windowDrawsAWeek();
    void lanesAndGaps_data();
    void lanesAndGaps();

private:
    // The window connected to a new board, its recordings going to folder.
    void OpenRecording(const QString &folder)
    {
        m_board = StartTcpBoard();
        QVERIFY(m_board);
        TForm1Options options;
        options.RecordingsFolder = folder;
        m_form = std::make_unique<RecordedForm>(options);
        QVERIFY(ConnectTcp(Form(), m_board->TcpPort()));
        Settle(Form());
    }
    void Poll(int cycles)
    {
        for (int i = 0; i < cycles; ++i) {
            Form().ReadTimerTimer();
            Settle(Form());
        }
    }
    QAction *Action(const char *name) const { return Named<QAction>(name); }
};

void TstRecordWindow::recordingOutlivesTrendWindows()
{
    QTemporaryDir recordings;
    OpenRecording(recordings.path());
    Action("ChartAction")->trigger();
    Form().ChartForm()->PowerButton->click();
    QVERIFY(Form().Recorder().Running());
    QVERIFY(Action("RecordAction")->isChecked());
    const QString path = Form().Recorder().Path();
    QCOMPARE(QFileInfo(path).absolutePath(), QDir(recordings.path()).absolutePath());
    QVERIFY(Named<QLabel>("RecordStatusPanel")->text().contains(QFileInfo(path).fileName()));
    // The recording window draws it as it grows.
    Poll(1);
    Action("OpenRecordingAction")->trigger();
    TRecordingWindow *shown = Form().RecordingWindow();
    QVERIFY(shown && shown->isVisible() && shown->Reader());
    const qint64 before = shown->Reader()->SampleCount();
    QVERIFY(before >= 1);
    Poll(1);
    Form().Recorder().Commit();
    shown->FollowGrowth();
    QCOMPARE(shown->Reader()->SampleCount(), before + 1);
    QVERIFY(shown->ViewTo() > shown->Reader()->LastMs());  // the view went along
    // The regulation window opens recording too; closing both asks nothing and ends nothing.
    Form().FormKeyDown(Qt::Key_F1);
    QVERIFY(Form().TempChartForm()->PowerButton->isChecked());
    Poll(2);
    QVERIFY(Form().ChartForm()->close() && Form().TempChartForm()->close());
    QVERIFY(Messages().Answers.isEmpty() && Messages().Errors.isEmpty());
    QVERIFY(Form().Recorder().Running());

    // An edit on the page as read from the board, a Save, another edit, then a Load of what the
    // Save wrote: each write tells what the board held before.
    TabsOf(Form())->setCurrentWidget(Named<QWidget>("SettingsTabSheet"));
    Settle(Form());
    const quint16 held = m_board->Board().value(0x0200);
    Type(QStringLiteral("SupplySPAdvEdit"), QStringLiteral("18.5"));
    SettleWrites();
    auto *parameters = Named<TParametersPage>("ParametersTabSheet");
    Messages().SaveAnswer = m_dir.filePath(QStringLiteral("board.cnf"));
    parameters->SaveButtonClick();
    QVERIFY(WaitForTransferEnd(*parameters));
    Type(QStringLiteral("SupplySPAdvEdit"), QStringLiteral("19.0"));
    SettleWrites();
    Messages().OpenAnswer = Messages().SaveAnswer;
    Messages().Answers = {TChoice::Other};
    parameters->LoadButtonClick();
    QVERIFY(WaitForTransferEnd(*parameters));
    Poll(2);
    Action("RecordAction")->trigger();
    QVERIFY(!Form().Recorder().Running());
    QVERIFY(Named<QLabel>("RecordStatusPanel")->text().isEmpty());

    rec::TRecordingReader reader;
    QVERIFY2(reader.Open(path), qPrintable(reader.Error()));
    QVERIFY(reader.SampleCount() >= 4);
    QCOMPARE(reader.Info().Line, Form().Model().Line().Status().Line);
    std::vector<std::tuple<std::optional<int>, std::optional<int>, QString>> edits;
    int loads = 0;
    for (const rec::TEvent &event : reader.Events()) {
        if (event.Cause == rec::TCause::Edit)
            edits.emplace_back(event.Old, event.New, event.Text.section(QStringLiteral(": "), 1));
        if (event.Cause != rec::TCause::Load)
            continue;
        ++loads;
        // The Load read the board first: every value before is known; only the set point changes.
        QVERIFY2(event.Old, qPrintable(event.Text));
        if (event.Register == 0x0200) {
            QCOMPARE(event.Old, 1900);
            QCOMPARE(event.New, 1850);
            QCOMPARE(event.Text, QStringLiteral("Settings.SupplySetPoint: 19 °C -> 18.5 °C"));
        } else {
            QCOMPARE(event.Old, event.New);
        }
    }
    const decltype(edits) wantEdits{{held, 1850, QStringLiteral("%1 °C -> 18.5 °C").arg(held / 100.0)},
                                    {1850, 1900, QStringLiteral("18.5 °C -> 19 °C")}};
    QCOMPARE(edits, wantEdits);
    QVERIFY2(loads >= 100, qPrintable(QString::number(loads)));  // one a configuration item
}

void TstRecordWindow::unwritableFolderStopsWithMessage()
{
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("locked"));
    ReadOnlyFolder locked(folder);
    if (!locked.Ready())
        QSKIP("a folder cannot be made read-only here");
    OpenRecording(folder);
    Action("RecordAction")->trigger();
    QVERIFY(!Form().Recorder().Running());
    QVERIFY(!Action("RecordAction")->isChecked());
    QCOMPARE(Messages().Errors.size(), 1);
    QVERIFY2(Messages().Errors[0].startsWith(QStringLiteral("The recording stopped: ")),
             qPrintable(Messages().Errors[0]));
    QVERIFY(Messages().Errors[0].endsWith(QStringLiteral("Polling goes on.")));
    // The poll goes on.
    QSignalSpy samples(&Form().Poll(), &TPoll::IoSampleTaken);
    Poll(1);
    QCOMPARE(samples.size(), 1);
}

// A week of samples ten seconds apart with an event every six hours, written through our own
// writer, drawn whole and by the hour, its events listed, found on hover and gone to, a range
// exported; a file that is no recording is refused with a message.
void TstRecordWindow::windowDrawsAWeek()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("2026-12-01_000000_week.z4rec"));
    constexpr qint64 kStart = 1'780'000'000'000;
    constexpr qint64 kWeek = 7LL * 24 * 3600 * 1000;
    constexpr qint64 kPeriod = 10'000;
    constexpr qint64 kHour = 3600'000;
    {
        rec::TRecordingWriter writer;
        rec::TRecordingInfo info;
        info.Line = QStringLiteral("10.0.4.17:502");
        info.Board = QStringLiteral("17");
        info.StartMs = kStart;
        QVERIFY(writer.Create(path, info));
        for (qint64 t = 0; t < kWeek; t += kPeriod) {
            rec::TSample sample;
            sample.Ms = kStart + t;
            sample.Values.fill(std::nan(""));
            sample.Values[0] = 20 + 5 * std::sin(static_cast<double>(t) / kHour);  // Inp1, a wave of hours
            writer.Add(sample);
            if (t % (6 * kHour) == 0)
                writer.AddEvent({sample.Ms,
                                 QStringLiteral("stop"),
                                 QStringLiteral("Stop code cleared %1").arg(t / kHour),
                                 {},
                                 {},
                                 {},
                                 rec::TCause::None});
        }
        QVERIFY(writer.Close());
    }
    MessageRecorder messages;
    TRecordingWindow window(dir.path(), messages);
    window.resize(1366, 700);
    window.show();
    QCOMPARE(window.RecordingsList->topLevelItemCount(), 1);
    QVERIFY(window.RecordingsList->topLevelItem(0)->text(0).contains(QStringLiteral("No. 17")));
    QCOMPARE(window.RecordingsList->topLevelItem(0)->text(2), QStringLiteral("6 d 23 h"));
    QVERIFY(window.OpenFile(path));
    QCOMPARE(window.EventsList->topLevelItemCount(), 28);
    QCOMPARE(window.ViewFrom(), kStart);

    // Whole: every column has its wave's least and greatest, about 19 .. 25 over the week.
    QCPGraph *inp1 = window.Chart->graph(0);
    QVERIFY(inp1->dataCount() >= window.Chart->axisRect()->width());
    const auto extent = [&] {
        bool found = false;
        return inp1->getValueRange(found);
    };
    QVERIFY(extent().lower < 15.1 && extent().upper > 24.9);
    // One hour, a column a few samples: the wave's part in that hour only.
    const struct
    {
        qint64 From;
        double Low;
        double High;
    } hours[] = {{0, 20.0, 24.2}, {3 * kHour, 16.2, 20.7}};
    for (const auto &hour : hours) {
        window.ShowRange(kStart + hour.From, kStart + hour.From + kHour);
        QVERIFY2(std::abs(extent().lower - hour.Low) < 0.2 && std::abs(extent().upper - hour.High) < 0.2,
                 qPrintable(QStringLiteral("%1 .. %2").arg(extent().lower).arg(extent().upper)));
    }
    // An event: on hover, and gone to from the list with the span kept.
    QVERIFY(window.HoverText(kStart + 6 * kHour).contains(QStringLiteral("Stop code cleared 6")));
    QVERIFY(window.HoverText(kStart + 6 * kHour + kHour / 4).isEmpty());
    window.GoToEvent(4);
    QCOMPARE(window.ViewFrom(), kStart + 24 * kHour - kHour / 2);
    QCOMPARE(window.ViewTo() - window.ViewFrom(), kHour);
    // The range shown as CSV: its samples only.
    QString error;
    QVERIFY2(window.ExportCsv(dir.filePath(QStringLiteral("hour.csv")), &error), qPrintable(error));
    QFile csv(dir.filePath(QStringLiteral("hour.csv")));
    QVERIFY(csv.open(QIODevice::ReadOnly));
    QCOMPARE(csv.readAll().count('\n'), 1 + kHour / kPeriod);
    QVERIFY(window.SavePicture(dir.filePath(QStringLiteral("week.png")), &error));

    // Every control that takes the focus is spoken by a name of its own.
    QStringList names;
    for (QWidget *control : window.findChildren<QWidget *>()) {
        if (!(control->focusPolicy() & Qt::TabFocus) || qobject_cast<QAbstractScrollArea *>(control->parentWidget()))
            continue;
        QAccessibleInterface *spoken = QAccessible::queryAccessibleInterface(control);
        const QString name = spoken ? spoken->text(QAccessible::Name) : QString();
        QVERIFY2(!name.isEmpty() && !names.contains(name), qPrintable(control->objectName() + u' ' + name));
        names << name;
    }

    QVERIFY(WriteAll(dir.filePath(QStringLiteral("notes.z4rec")), "not a recording"));
    QVERIFY(!window.OpenFile(dir.filePath(QStringLiteral("notes.z4rec"))));
    QCOMPARE(messages.Errors.size(), 1);
    QVERIFY(messages.Errors[0].contains(QStringLiteral("is not a recording of this tool")));
}

void TstRecordWindow::lanesAndGaps_data()
{
    QTest::addColumn<qint64>("from");  // seconds after the start
    QTest::addColumn<qint64>("to");
    QTest::addColumn<int>("gaps");  // of Inp1 in view
    // Samples ten seconds apart, far more columns than samples: the line joins them.
    QTest::newRow("joined") << qint64(0) << qint64(200) << 0;
    QTest::newRow("a sample without Inp1") << qint64(250) << qint64(350) << 1;
    QTest::newRow("ten minutes without samples") << qint64(350) << qint64(1100) << 1;
    QTest::newRow("the whole: both") << qint64(0) << qint64(1300) << 2;
}

// Inp1 and the on/off series Rel1 and Sim2 of a recording with a gap of Inp1 and a pause of ten
// minutes: the on/off series step in lanes of their own under the values, the value axis fits
// the values only, and the line has a gap where Inp1 or the samples are missing.
void TstRecordWindow::lanesAndGaps()
{
    QFETCH(qint64, from);
    QFETCH(qint64, to);
    QFETCH(int, gaps);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lanes.z4rec"));
    constexpr qint64 kStart = 1'780'000'000'000;
    constexpr int kRel1 = 17;
    constexpr int kSim2 = 26;
    {
        rec::TRecordingWriter writer;
        QVERIFY(writer.Create(path, {}));
        for (int i = 0; i < 60; ++i) {
            rec::TSample sample;
            sample.Ms = kStart + 10'000LL * i + (i >= 40 ? 600'000 : 0);
            sample.Values.fill(0.0);
            sample.Values[0] = i == 30 ? std::nan("") : 20 + i % 3;
            sample.Values[kRel1] = i % 2;
            writer.Add(sample);
        }
        QVERIFY(writer.Close());
    }
    MessageRecorder messages;
    TRecordingWindow window(dir.path(), messages);
    window.resize(1366, 700);
    window.show();
    QVERIFY(window.OpenFile(path));
    QCOMPARE(window.Chart->plotLayout()->rowCount(), 1);  // no lanes while no on/off series is chosen
    for (int s = 1; s < 6; ++s)
        window.SeriesBoxes[static_cast<size_t>(s)]->click();
    for (const int s : {kRel1, kSim2})
        window.SeriesBoxes[static_cast<size_t>(s)]->click();
    QCOMPARE(window.Chart->plotLayout()->rowCount(), 2);
    window.ShowRange(kStart + from * 1000, kStart + to * 1000);

    QCPGraph *inp1 = window.Chart->graph(0);
    int nans = 0;
    for (auto point = inp1->data()->constBegin(); point != inp1->data()->constEnd(); ++point)
        nans += std::isnan(point->value) ? 1 : 0;
    QCOMPARE(nans, gaps);
    bool found = false;
    const QCPRange values = window.Chart->yAxis->range();
    QVERIFY2(values.lower > 15 && values.upper < 25,
             qPrintable(QStringLiteral("%1 .. %2").arg(values.lower).arg(values.upper)));
    // Rel1 steps from its lane, the upper, to the lane's top; Sim2, always off, lies in the lower.
    const std::optional<double> rel1 = window.LaneOf(kRel1);
    const std::optional<double> sim2 = window.LaneOf(kSim2);
    QVERIFY(rel1 && sim2 && *sim2 < *rel1);
    QCOMPARE(window.Chart->graph(kRel1)->getValueRange(found), QCPRange(*rel1, *rel1 + TRecordingWindow::kLaneHeight));
    QCOMPARE(window.Chart->graph(kSim2)->getValueRange(found), QCPRange(*sim2, *sim2));
    QCOMPARE(window.Chart->graph(kRel1)->valueAxis(), window.Lanes->axis(QCPAxis::atLeft));
    // Without them, the values take the chart again.
    for (const int s : {kRel1, kSim2})
        window.SeriesBoxes[static_cast<size_t>(s)]->click();
    QCOMPARE(window.Chart->plotLayout()->rowCount(), 1);
    QVERIFY(!window.LaneOf(kRel1));
}

QTEST_MAIN(TstRecordWindow)
#include "tst_record_window.moc"
