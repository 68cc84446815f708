// The main window on the screens technicians use, under a real X server: ctest runs this test
// twice under xvfb-run, on a 1366x768 screen at 100 % and on a 1920x1080 screen at
// QT_SCALE_FACTOR=1.5 (1280x720 of the window's own pixels). The screenshots are left in the
// test's working folder (tst_screens-1366x768.png, tst_screens-1920x1080-150.png, and one of each
// page, tst_screens-1366x768-page01.png ...).
#include "MessageRecorder.h"
#include "TestFiles.h"

#include "app/TConnectionPanel.h"
#include "app/TStatusPanel.h"

#include <QApplication>
#include <QDir>
#include <QHelpEvent>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include <optional>

namespace {
constexpr int kSoonMs = 20000;
const QString kSettings = QStringLiteral("R4Ivivaz.ini");

QRect Available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

// Shows the window and waits until it is on the screen and laid out.
bool Shown(TForm1 &form)
{
    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return false;
    QCoreApplication::processEvents();
    return true;
}

// Whether the window with its frame lies on the screen, with its whole status bar.
QString OffScreen(TForm1 &form)
{
    if (!Available().contains(form.frameGeometry()))
        return QStringLiteral("window %1,%2 %3x%4 beyond the screen %5x%6")
            .arg(form.frameGeometry().x())
            .arg(form.frameGeometry().y())
            .arg(form.frameGeometry().width())
            .arg(form.frameGeometry().height())
            .arg(Available().width())
            .arg(Available().height());
    return {};
}
}  // namespace

class TestScreens : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void firstStartFitsWithEveryTabAndPage();
    void statusMessagesAreReadableWhole_data();
    void statusMessagesAreReadableWhole();
    void placeAndPageAreKeptAcrossARestart();
    void aKeptPlaceIsBroughtOntoTheScreen_data();
    void aKeptPlaceIsBroughtOntoTheScreen();

private:
    std::optional<QTemporaryDir> m_dir;
    QString m_artifacts;  // where the screenshots go: the test's working folder in the build tree
};

void TestScreens::init()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server: run under xvfb-run with QT_QPA_PLATFORM=xcb");
    m_artifacts = QDir::currentPath();
    m_dir.emplace();
    QVERIFY(m_dir->isValid() && QDir::setCurrent(m_dir->path()));
}

void TestScreens::cleanup()
{
    if (!m_artifacts.isEmpty())
        QDir::setCurrent(m_artifacts);
    m_dir.reset();
}

// No settings file: the window opens on "Inputs & Outputs", within the screen, every tab of the
// strip in sight (no scroll arrows), the left column and every page whole.
// Alt and the underlined letters press the left column's buttons.
void TestScreens::firstStartFitsWithEveryTabAndPage()
{
    RecordedForm form;
    QVERIFY(Shown(*form.Form));
    QCOMPARE(form->MainPageControl->currentWidget()->objectName(), QStringLiteral("InputsOutputsTabSheet"));
    QVERIFY2(OffScreen(*form.Form).isEmpty(), qPrintable(OffScreen(*form.Form)));
    QVERIFY(form->minimumSizeHint().width() <= Available().width());

    QTabBar *strip = form->MainPageControl->tabBar();
    for (const QToolButton *arrow : strip->findChildren<QToolButton *>())
        QVERIFY2(!arrow->isVisible(), "the tab strip scrolls");
    QVERIFY(strip->tabRect(strip->count() - 1).right() < strip->width());

    auto *column = form->findChild<QScrollArea *>(QStringLiteral("LeftColumnScrollArea"));
    QVERIFY(column);
    QCOMPARE(column->verticalScrollBar()->maximum(), 0);

    const QString screen = QStringLiteral("%1x%2%3")
                               .arg(form->screen()->size().width() * form->devicePixelRatio())
                               .arg(form->screen()->size().height() * form->devicePixelRatio())
                               .arg(form->devicePixelRatio() > 1 ? QStringLiteral("-150") : QString());
    QVERIFY(form->grab().save(QDir(m_artifacts).filePath(QStringLiteral("tst_screens-%1.png").arg(screen))));

    for (int i = 0; i < form->MainPageControl->count(); ++i) {
        form->MainPageControl->setCurrentIndex(i);
        QCoreApplication::processEvents();
        auto *scroll = form->MainPageControl->widget(i)->findChild<QScrollArea *>();
        QVERIFY(scroll);
        // Both screens have room for every page whole; a smaller window scrolls.
        QVERIFY2(scroll->horizontalScrollBar()->maximum() == 0 && scroll->verticalScrollBar()->maximum() == 0,
                 qPrintable(form->MainPageControl->tabText(i) + QStringLiteral(" is larger than its room")));
        QVERIFY(form->grab().save(
            QDir(m_artifacts)
                .filePath(
                    QStringLiteral("tst_screens-%1-page%2.png").arg(screen).arg(i + 1, 2, 10, QLatin1Char('0')))));
    }

    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.Form.get()));
    QTest::keyClick(form.Form.get(), Qt::Key_R, Qt::AltModifier);
    // A mnemonic presses its button as a click would, a moment later.
    QTRY_COMPARE_WITH_TIMEOUT(form.Messages->Questions.size(), 1, kSoonMs);
    QCOMPARE(form.Messages->Questions.first().GoText, QStringLiteral("Start"));
    QTest::keyClick(form.Form.get(), Qt::Key_T, Qt::AltModifier);
    QTRY_VERIFY_WITH_TIMEOUT(form->ChartForm() && form->ChartForm()->isVisible(), kSoonMs);
    form->ChartForm()->close();
}

void TestScreens::statusMessagesAreReadableWhole_data()
{
    QTest::addColumn<int>("panel");  // 0 .. 4, or -1 for the live values' panel
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("whole");  // 1: shown whole in the panel, -1: cut, 0: either
    QTest::newRow("overrides") << 4 << QStringLiteral("Overrides active") << 1;
    QTest::newRow("no answer") << -1 << QStringLiteral("No answer from the board since 14:07:09") << 1;
    QTest::newRow("line lost") << -1 << QStringLiteral("no connection to 10.0.0.7:502 since 14:07:09, trying again")
                               << 1;
    QTest::newRow("refused write") << 0
                                   << QStringLiteral("The board refused Supply air temperature (illegal data value): "
                                                     "it keeps its own value.")
                                   << 0;
    QTest::newRow("new address")
        << 0
        << QStringLiteral("No answer to the slave address 17: the board may answer at 17 or still at 1; check the "
                          "address box and connect again. ")
               .repeated(3)
        << -1;
}

// A status message is read whole: in the panel where the bar has room, else in the panel's
// tooltip, above the tooltip the panel has of its own.
void TestScreens::statusMessagesAreReadableWhole()
{
    QFETCH(int, panel);
    QFETCH(QString, text);
    QFETCH(int, whole);
    RecordedForm form;
    QVERIFY(Shown(*form.Form));
    auto *label = dynamic_cast<TStatusPanel *>(panel < 0 ? form->LiveStatusPanel : form->StatusPanels[panel]);
    QVERIFY(label);
    label->setToolTip(QStringLiteral("its own tooltip"));
    label->setText(text);
    QTRY_VERIFY_WITH_TIMEOUT(label->width() >= label->minimumWidth(), kSoonMs);
    QCoreApplication::processEvents();
    QVERIFY2(form->statusBar()->geometry().right() < form->width(), "the status bar is wider than the window");
    QVERIFY2(label->geometry().right() <= form->statusBar()->width(), "the panel is beyond the window's edge");
    if (whole != 0)
        QCOMPARE(label->Elided(), whole < 0);
    if (!label->Elided())
        return;
    QHelpEvent hover(QEvent::ToolTip, QPoint(4, 4), label->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(label, &hover);
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), kSoonMs);
    QVERIFY2(QToolTip::text().startsWith(text) && QToolTip::text().endsWith(QLatin1String("its own tooltip")),
             qPrintable(QToolTip::text()));
    QToolTip::hideText();
}

// Moved, resized and left on a page, the window comes back there at the next start.
void TestScreens::placeAndPageAreKeptAcrossARestart()
{
    const QRect avail = Available();
    // Room above for a title bar.
    const QRect left(avail.left() + 40, avail.top() + 60, avail.width() * 3 / 4, avail.height() * 3 / 4);
    {
        RecordedForm form;
        QVERIFY(Shown(*form.Form));
        form->setGeometry(left);
        QTRY_COMPARE_WITH_TIMEOUT(form->geometry(), left, kSoonMs);
        form->MainPageControl->setCurrentIndex(7);
        QVERIFY(form->close());
        QVERIFY2(form.Messages->Errors.isEmpty(), qPrintable(form.Messages->Errors.join(QLatin1Char('\n'))));
    }
    const QByteArray text = ReadAll(kSettings);
    QVERIFY2(text.contains("[Window]") && text.contains("Page=Timers"), text.constData());

    RecordedForm again;
    QCOMPARE(again->MainPageControl->currentWidget()->objectName(), QStringLiteral("TimersTabSheet"));
    QVERIFY(Shown(*again.Form));
    QCOMPARE(again->geometry(), left);
}

void TestScreens::aKeptPlaceIsBroughtOntoTheScreen_data()
{
    QTest::addColumn<QByteArray>("window");  // the [Window] section's keys
    QTest::addColumn<QString>("page");       // the page the window opens on
    QTest::newRow("beyond the right and bottom")
        << QByteArray("Left=5000\nTop=3000\nWidth=900\nHeight=600\n") << QStringLiteral("InputsOutputsTabSheet");
    QTest::newRow("above and left of the screen")
        << QByteArray("Left=-700\nTop=-400\nWidth=900\nHeight=600\n") << QStringLiteral("InputsOutputsTabSheet");
    QTest::newRow("larger than the screen")
        << QByteArray("Left=0\nTop=0\nWidth=4000\nHeight=3000\nPage=control\n") << QStringLiteral("ControlTabSheet");
    QTest::newRow("half a rectangle, a page gone")
        << QByteArray("Left=10\nWidth=abc\nPage=Nowhere\n") << QStringLiteral("InputsOutputsTabSheet");
    QTest::newRow("caption with an ampersand")
        << QByteArray("Page=Inputs & Outputs\n") << QStringLiteral("InputsOutputsTabSheet");
    QTest::newRow("a page of its own") << QByteArray("Page=Calibration\n") << QStringLiteral("CalibrationTabSheet");
}

// Whatever the file says (another screen, a hand edit), the window opens within the screen.
void TestScreens::aKeptPlaceIsBroughtOntoTheScreen()
{
    QFETCH(QByteArray, window);
    QFETCH(QString, page);
    QVERIFY(WriteAll(kSettings, "[Window]\n" + window));
    RecordedForm form;
    QCOMPARE(form->MainPageControl->currentWidget()->objectName(), page);
    QVERIFY(Shown(*form.Form));
    QVERIFY2(OffScreen(*form.Form).isEmpty(), qPrintable(OffScreen(*form.Form)));
    // The window manager's frame is room the window leaves free around it.
    QVERIFY(form->geometry().top() > Available().top());
}

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
