// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The two trend windows under a real X server (the test runs under xvfb-run, once on a 1366x768
// screen and once on a 1920x1080 one at 150 % scaling) after a short recording from the simulated
// board through the main window's poll: each fits the screen with every button and check box in
// view, the regulation chart shows its variables in their units, the recording window shows the
// recording being written and fits too, and closing the tool asks nothing (the recording is on
// disk); both draw a day's recording zoomed out. The screenshots are left in the test's working
// folder (tst_trend_screens-<screen>-chart.png, -tempchart.png, -recording.png, -chart-day.png,
// -tempchart-day.png, -chart-follow.png, -tempchart-follow.png).
#include "WindowOnBoard.h"

#include "charts/TRecordingWindow.h"
#include "monitor/TPoll.h"
#include "record/Recording.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDebug>
#include <QPushButton>
#include <QScreen>

#include <qcustomplot.h>

#include <cmath>
#include <memory>
#include <numbers>

class TestTrendScreens : public QObject
{
    Q_OBJECT

private slots:
    void bothWindowsAfterARecording();
};

namespace {

// Room a desktop takes that a virtual screen without a window manager does not show: a title bar
// and a panel.
constexpr int kDecorations = 64;

// Empty when window lies on its screen with every button and check box whole inside it, and would
// fit at its minimum size beside a title bar and a panel; else what does not fit.
QString Misfits(QWidget *window)
{
    QStringList misfits;
    const QRect available = window->screen()->availableGeometry();
    const QSize least = window->minimumSizeHint();
    if (!available.contains(window->frameGeometry()) || least.width() > available.width()
        || least.height() + kDecorations > available.height())
        QDebug(&misfits.emplace_back()) << window->frameGeometry() << "at least" << least << "on" << available;
    for (const QAbstractButton *control : window->findChildren<QAbstractButton *>()) {
        const QRect at(control->mapTo(window, QPoint()), control->size());
        if (!control->isVisible() || !window->rect().contains(at) || at.height() < control->sizeHint().height() - 2)
            misfits << control->objectName();
    }
    return misfits.isEmpty() ? QString()
                             : window->windowTitle() + QLatin1String(": ") + misfits.join(QLatin1String(", "));
}

// Writes a day at one sample every 10 s (a file to midnight and one after, stop causes and other
// events now and then) for both windows, zooms them out to the whole day and keeps their pictures
// (-chart-day.png, -tempchart-day.png), and the view that followed the newest samples before
// (-chart-follow.png, -tempchart-follow.png).
void DayZoomedOut(TUserMessages &messages, const QString &artifacts, const QString &screen)
{
    QTemporaryDir dir;
    const qint64 start = QDateTime(QDate(2026, 11, 2), QTime(12, 0)).toMSecsSinceEpoch();
    const qint64 midnight = QDateTime(QDate(2026, 11, 3), QTime(0, 0)).toMSecsSinceEpoch();
    TChartForm chartForm(dir.filePath(QStringLiteral("settings.ini")), messages);
    TTempChartForm tempForm(dir.filePath(QStringLiteral("settings.ini")), messages);
    TChartForm *chart = &chartForm;
    TTempChartForm *temp = &tempForm;
    for (QCheckBox *box : chart->SeriesBoxes)
        box->setChecked(true);
    for (QCheckBox *box : temp->VariableBoxes)
        box->setChecked(true);
    chart->SetSamplePeriod(10'000);
    temp->SetSamplePeriod(10'000);
    chart->show();
    temp->show();
    QVERIFY(QTest::qWaitForWindowExposed(chart) && QTest::qWaitForWindowExposed(temp));
    std::unique_ptr<rec::TRecordingWriter> writer;
    for (qint64 i = 0; i < 8640; ++i) {
        const qint64 ms = start + i * 10'000;
        if (!writer || (ms >= midnight && ms - 10'000 < midnight)) {
            if (writer)
                QVERIFY(writer->Close());
            writer = std::make_unique<rec::TRecordingWriter>();
            rec::TRecordingInfo info;
            info.StartMs = ms;
            const QString path = dir.filePath(QStringLiteral("day%1.z4rec").arg(ms));
            QVERIFY(writer->Create(path, info));
            writer->SetAutoCommit(false);
            chart->RecordingStarted(path);
            temp->RecordingStarted(path);
        }
        rec::TSample sample;
        sample.Ms = ms;
        const double hour = static_cast<double>(i) / 360;
        for (int s = 0; s < rec::kSeries; ++s) {
            const rec::TSeriesInfo &series = rec::SeriesTable()[static_cast<size_t>(s)];
            const double wave = std::sin(hour / 24 * 2 * std::numbers::pi + s) + 0.2 * std::sin(hour * 3 + s);
            sample.Values[static_cast<size_t>(s)] = series.OnOff          ? ((i / (60 + 7 * s)) % 3 == 0 ? 1.0 : 0.0)
                                                    : s >= rec::kIoSeries ? std::round(2000 + 300 * wave)
                                                    : s < 6               ? 18 + 6 * wave
                                                                          : 5 + 4 * wave;
        }
        writer->Add(sample);
        if (i % 700 == 350)
            writer->AddEvent({ms,
                              i % 1400 == 350 ? QStringLiteral("stop") : QStringLiteral("line"),
                              QStringLiteral("Event %1").arg(i),
                              {},
                              {},
                              {},
                              rec::TCause::None});
        chart->Take(sample);
        temp->Take(sample);
    }
    QVERIFY(writer->Close());
    // The view that followed the newest samples, then the whole day.
    for (TTrendWindow *window : {static_cast<TTrendWindow *>(chart), static_cast<TTrendWindow *>(temp)}) {
        for (QCustomPlot *each : window->findChildren<QCustomPlot *>())
            each->replot(QCustomPlot::rpImmediateRefresh);
    }
    QVERIFY(chart->grab().save(
        QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-%1-chart-follow.png").arg(screen))));
    QVERIFY(temp->grab().save(
        QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-%1-tempchart-follow.png").arg(screen))));
    for (TTrendWindow *window : {static_cast<TTrendWindow *>(chart), static_cast<TTrendWindow *>(temp)}) {
        QCustomPlot *plot = window->findChild<QCustomPlot *>();
        plot->xAxis->setRange(start / 1000.0, (start + 8640 * 10'000) / 1000.0);
        window->Draw();
        QVERIFY(!window->DrawsSamples());
        QVERIFY(plot->itemCount() > 0);  // the events' marks
        for (QCustomPlot *each : window->findChildren<QCustomPlot *>())
            each->replot(QCustomPlot::rpImmediateRefresh);
    }
    QCoreApplication::processEvents();
    QVERIFY(
        chart->grab().save(QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-%1-chart-day.png").arg(screen))));
    QVERIFY(temp->grab().save(
        QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-%1-tempchart-day.png").arg(screen))));
}

}  // namespace

void TestTrendScreens::bothWindowsAfterARecording()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server: run under xvfb-run with QT_QPA_PLATFORM=xcb");
    const QString artifacts = QDir::currentPath();
    const QScreen &shown = *QGuiApplication::primaryScreen();
    // "1366x768", or "1920x1080-150" for a scaled screen: the screen in device pixels.
    const QString screen = QStringLiteral("%1x%2")
                               .arg(shown.size().width() * shown.devicePixelRatio())
                               .arg(shown.size().height() * shown.devicePixelRatio())
                           + (shown.devicePixelRatio() == 1.0 ? QString() : QStringLiteral("-150"));
    QTemporaryDir dir;
    QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
    auto board = StartTcpBoard({.firmware = 1012});
    QVERIFY(board);
    {
        RecordedForm form;
        QVERIFY(ConnectTcp(*form.Form, board->TcpPort()));
        ControlOf<QPushButton>(*form, "ChartVrButton")->click();
        form->FormKeyDown(Qt::Key_F1);
        TChartForm *chart = form->ChartForm();
        TTempChartForm *temp = form->TempChartForm();
        QVERIFY(chart && temp);
        for (QCheckBox *box : chart->SeriesBoxes)
            box->setChecked(true);
        for (QCheckBox *box : temp->VariableBoxes)
            box->setChecked(true);
        // One switch records: the other window's button follows it.
        chart->PowerButton->click();
        QVERIFY(temp->PowerButton->isChecked());
        QVERIFY(QTest::qWaitForWindowExposed(chart) && QTest::qWaitForWindowExposed(temp));
        Settle(*form.Form);  // the reads of the connect first: a poll cycle waits for a backlog

        for (int tick = 0; tick < 30; ++tick) {
            form->Poll().PollCycle();
            Settle(*form.Form);
            board->Board().advance();
        }
        QCOMPARE(chart->Recording().Count(), qint64(30));
        QCOMPARE(temp->Recording().Count(), qint64(30));
        for (QCustomPlot *plot : chart->Charts)
            plot->replot(QCustomPlot::rpImmediateRefresh);
        temp->VariablesChart->replot(QCustomPlot::rpImmediateRefresh);
        QCoreApplication::processEvents();

        // The set point (about 20 °C, 2000 in the board's register) as the board gives it (the
        // axis that fits it: tst_trend).
        const auto setPoint = temp->Recording().Tail().Value(29, 0);
        QVERIFY(setPoint && *setPoint > 500 && *setPoint < 4000);

        // Each window as it draws itself on the X server, whatever lies over it.
        const QImage chartShot = chart->grab().toImage();
        const QImage tempShot = temp->grab().toImage();
        QVERIFY(chartShot.save(QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-%1-chart.png").arg(screen))));
        QVERIFY(
            tempShot.save(QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-%1-tempchart.png").arg(screen))));
        // Something was drawn: more than the background and a few lines.
        QSet<QRgb> colours;
        for (int y = 0; y < chartShot.height(); y += 3)
            for (int x = 0; x < chartShot.width(); x += 3)
                colours.insert(chartShot.pixel(x, y));
        QVERIFY2(colours.size() > 20, qPrintable(QString::number(colours.size())));

        // Both fit the screen as they open, and at their smallest.
        for (QWidget *window : {static_cast<QWidget *>(chart), static_cast<QWidget *>(temp)}) {
            QVERIFY2(Misfits(window).isEmpty(), qPrintable(Misfits(window)));
            window->resize(window->minimumSizeHint());
            QTRY_COMPARE(window->size(), window->minimumSizeHint());
            QVERIFY2(Misfits(window).isEmpty(), qPrintable(Misfits(window)));
        }

        // The recording window opens with the recording being written, drawn, and fits the screen.
        form->OpenRecordingClick();
        TRecordingWindow *recording = form->RecordingWindow();
        QVERIFY(recording && QTest::qWaitForWindowExposed(recording));
        QVERIFY(recording->Reader());
        QCOMPARE(recording->Reader()->SampleCount(), qint64(30));
        QVERIFY(recording->Chart->graph(0)->dataCount() > 0);
        // Two relays and a simulated output in their lanes under the values.
        for (const int s : {17, 18, 25})
            recording->SeriesBoxes[static_cast<size_t>(s)]->click();
        QCoreApplication::processEvents();  // the drawing the clicks asked for
        QVERIFY(recording->Chart->graph(17)->dataCount() > 0);
        QVERIFY(recording->grab().toImage().save(
            QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-%1-recording.png").arg(screen))));
        QVERIFY2(Misfits(recording).isEmpty(), qPrintable(Misfits(recording)));
        recording->close();

        // A day's recording over midnight, with its stop causes, zoomed out to the whole.
        DayZoomedOut(*form.Messages, artifacts, screen);

        // Closing the tool asks nothing of the recordings (they are on disk) and closes both.
        form->show();
        QVERIFY(form->close());
        QVERIFY(form.Messages->Questions.isEmpty());
        QVERIFY(!chart->isVisible() && !temp->isVisible());
    }
    QDir::setCurrent(artifacts);
}

QTEST_MAIN(TestTrendScreens)
#include "tst_trend_screens.moc"
