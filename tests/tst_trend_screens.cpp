// The two trend windows under a real X server (the test runs under xvfb-run, once on a 1366x768
// screen and once on a 1920x1080 one at 150 % scaling) after a short recording from the simulated
// board through the main window's poll: each fits the screen with every button and check box in
// view, the regulation chart shows its variables in their units, and closing the tool asks before
// the recordings are lost. The screenshots are left in the test's working folder
// (tst_trend_screens-<screen>-chart.png, tst_trend_screens-<screen>-tempchart.png).
#include "FormHarness.h"

#include "monitor/TPoll.h"

#include <QCheckBox>
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

// "1366x768", or "1920x1080-150" for a scaled screen: the screen in device pixels.
QString ScreenName(const QScreen &screen)
{
    const qreal ratio = screen.devicePixelRatio();
    const QSize pixels = screen.size() * ratio;
    QString name = QStringLiteral("%1x%2").arg(pixels.width()).arg(pixels.height());
    if (ratio != 1.0)
        name += QStringLiteral("-%1").arg(qRound(ratio * 100));
    return name;
}

// The controls of window that a person must reach: the tool bar's buttons and every check box.
QList<QWidget *> Reachable(QWidget *window)
{
    QList<QWidget *> controls;
    for (QPushButton *button : window->findChildren<QPushButton *>())
        controls << button;
    for (QCheckBox *box : window->findChildren<QCheckBox *>())
        controls << box;
    return controls;
}

// Room a desktop takes that a virtual screen without a window manager does not show: a title bar
// and a panel.
constexpr int kDecorations = 64;

// Empty when window lies on the screen, with every control of Reachable whole inside it, and would
// still fit at its minimum size beside a title bar and a panel; else what does not fit.
QString Misfits(QWidget *window)
{
    QStringList misfits;
    const QRect available = window->screen()->availableGeometry();
    if (!available.contains(window->frameGeometry()))
        misfits << QStringLiteral("window %1,%2 %3x%4 off the screen")
                       .arg(window->x())
                       .arg(window->y())
                       .arg(window->frameGeometry().width())
                       .arg(window->frameGeometry().height());
    const QSize least = window->minimumSizeHint();
    if (least.width() > available.width() || least.height() + kDecorations > available.height())
        misfits << QStringLiteral("needs at least %1x%2").arg(least.width()).arg(least.height());
    for (const QWidget *control : Reachable(window)) {
        const QRect at(control->mapTo(window, QPoint()), control->size());
        if (!control->isVisible() || !window->rect().contains(at) || at.height() < control->sizeHint().height() - 2)
            misfits << control->objectName();
    }
    return misfits.join(QStringLiteral(", "));
}

}  // namespace

void TestTrendScreens::bothWindowsAfterARecording()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server: run under xvfb-run with QT_QPA_PLATFORM=xcb");
    const QString artifacts = QDir::currentPath();
    const QString screen = ScreenName(*QGuiApplication::primaryScreen());
    QTemporaryDir dir;
    QVERIFY(dir.isValid() && QDir::setCurrent(dir.path()));
    auto board = StartTcpBoard({.firmware = 1012});
    QVERIFY(board);
    {
        RecordedForm form;
        QVERIFY(ConnectTcp(*form.Form, board->TcpPort()));
        form->ChartVrButton->click();
        form->FormKeyDown(Qt::Key_F1);
        TChartForm *chart = form->ChartForm();
        TTempChartForm *temp = form->TempChartForm();
        QVERIFY(chart && temp);
        for (QCheckBox *box : chart->SeriesBoxes)
            box->setChecked(true);
        for (QCheckBox *box : temp->VariableBoxes)
            box->setChecked(true);
        chart->PowerButton->click();
        temp->PowerButton->click();
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

        // Both fit the screen as they open, and at their smallest.
        for (QWidget *window : {static_cast<QWidget *>(chart), static_cast<QWidget *>(temp)}) {
            QVERIFY2(Misfits(window).isEmpty(), qPrintable(window->windowTitle() + QStringLiteral(": ") + Misfits(window)));
        }
        // The set point (about 20 °C) in degrees, on an axis that fits the values, not 0 .. 100.
        const auto setPoint = temp->Recording().Value(29, 0);
        QVERIFY(setPoint && *setPoint > 5 && *setPoint < 40);
        const QCPRange axis = temp->VariablesChart->yAxis->range();
        QVERIFY2(axis.lower <= *setPoint && axis.upper >= *setPoint && axis.upper < 1000,
                 qPrintable(QStringLiteral("%1 .. %2").arg(axis.lower).arg(axis.upper)));

        // Each window as it draws itself on the X server, whatever lies over it.
        const QImage chartShot = chart->grab().toImage();
        const QImage tempShot = temp->grab().toImage();
        QVERIFY(chartShot.save(
            QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-%1-chart.png").arg(screen))));
        QVERIFY(tempShot.save(
            QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-%1-tempchart.png").arg(screen))));
        // Something was drawn: more than the background and a few lines.
        QSet<QRgb> colours;
        for (int y = 0; y < chartShot.height(); y += 3)
            for (int x = 0; x < chartShot.width(); x += 3)
                colours.insert(chartShot.pixel(x, y));
        QVERIFY2(colours.size() > 20, qPrintable(QString::number(colours.size())));

        for (QWidget *window : {static_cast<QWidget *>(chart), static_cast<QWidget *>(temp)}) {
            qInfo("%s on %s: opens at %dx%d, needs at least %dx%d", qPrintable(window->windowTitle()),
                  qPrintable(screen), window->width(), window->height(), window->minimumSizeHint().width(),
                  window->minimumSizeHint().height());
            window->resize(window->minimumSizeHint());
            QTRY_COMPARE(window->size(), window->minimumSizeHint());
            QVERIFY2(Misfits(window).isEmpty(), qPrintable(window->windowTitle() + QStringLiteral(": ") + Misfits(window)));
        }

        // Closing the tool asks before each recording is lost; Cancel (Enter) keeps all open.
        form->show();
        QVERIFY(!form->close());
        QCOMPARE(form.Messages->Questions.size(), 1);
        QCOMPARE(form.Messages->Questions[0].Default, TChoice::Cancel);
        QVERIFY(form->isVisible() && chart->isVisible() && temp->isVisible());
        form.Messages->Answers = {TChoice::Other, TChoice::Other};
        QVERIFY(form->close());
        QCOMPARE(form.Messages->Questions.size(), 3);
        QVERIFY(!chart->isVisible() && !temp->isVisible());
    }
    QDir::setCurrent(artifacts);
}

QTEST_MAIN(TestTrendScreens)
#include "tst_trend_screens.moc"
