// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The two trend windows under a real X server (the test runs under xvfb-run, once on a 1366x768
// screen and once on a 1920x1080 one at 150 % scaling) after a short recording from the simulated
// board through the main window's poll: each fits the screen with every button and check box in
// view, the regulation chart shows its variables in their units, the recording window shows the
// recording being written and fits too, and closing the tool asks nothing (the recording is on
// disk). The screenshots are left in the test's working folder (tst_trend_screens-<screen>-chart.png,
// -tempchart.png, -recording.png).
#include "WindowOnBoard.h"

#include "charts/TRecordingWindow.h"
#include "monitor/TPoll.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QDebug>
#include <QPushButton>
#include <QScreen>

#include <qcustomplot.h>

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
        QCOMPARE(chart->Recording().Count(), qsizetype(30));
        QCOMPARE(temp->Recording().Count(), qsizetype(30));
        for (QCustomPlot *plot : chart->Charts)
            plot->replot(QCustomPlot::rpImmediateRefresh);
        temp->VariablesChart->replot(QCustomPlot::rpImmediateRefresh);
        QCoreApplication::processEvents();

        // The set point (about 20 °C, 2000 in the board's register) as the board gives it (the
        // axis that fits it: tst_trend).
        const auto setPoint = temp->Recording().Value(29, 0);
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
