// The two trend windows under a real X server (the test runs under xvfb-run) after a short
// recording from the simulated board through the main window's poll. Their screenshots are left in
// the test's working folder (tst_trend_screens-chart.png, tst_trend_screens-tempchart.png).
#include "FormHarness.h"

#include "monitor/TPoll.h"

#include <QCheckBox>
#include <QPushButton>

#include <qcustomplot.h>

class TestTrendScreens : public QObject
{
    Q_OBJECT

private slots:
    void bothWindowsAfterARecording();
};

void TestTrendScreens::bothWindowsAfterARecording()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server: run under xvfb-run with QT_QPA_PLATFORM=xcb");
    const QString artifacts = QDir::currentPath();
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

        // Each window as it draws itself on the X server, whatever lies over it.
        const QImage chartShot = chart->grab().toImage();
        const QImage tempShot = temp->grab().toImage();
        QVERIFY(chartShot.width() >= 800 && tempShot.width() >= 600);
        QVERIFY(chartShot.save(QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-chart.png"))));
        QVERIFY(tempShot.save(QDir(artifacts).filePath(QStringLiteral("tst_trend_screens-tempchart.png"))));
        // Something was drawn: more than the background and a few lines.
        QSet<QRgb> colours;
        for (int y = 0; y < chartShot.height(); y += 3)
            for (int x = 0; x < chartShot.width(); x += 3)
                colours.insert(chartShot.pixel(x, y));
        QVERIFY2(colours.size() > 20, qPrintable(QString::number(colours.size())));
        form->hide();
    }
    QDir::setCurrent(artifacts);
}

QTEST_MAIN(TestTrendScreens)
#include "tst_trend_screens.moc"
