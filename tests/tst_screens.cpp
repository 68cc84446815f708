// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window on the screens technicians use, under a real X server: ctest runs this test on a
// 1366x768 screen at 100 % and on a 1920x1080 screen at QT_SCALE_FACTOR=1.5. Screenshots of the
// window on each page are left in the test's working folder (tst_screens-1366x768-page01.png ...).
#include "FormHarness.h"
#include "TestFiles.h"

#include "app/TStatusPanel.h"

#include <QApplication>
#include <QDebug>
#include <QHelpEvent>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QToolTip>

#include <optional>

namespace {
constexpr int kSoonMs = 20000;

QRect Available()
{
    return QGuiApplication::primaryScreen()->availableGeometry();
}

bool Shown(TForm1 &form)
{
    form.show();
    const bool exposed = QTest::qWaitForWindowExposed(&form);
    QCoreApplication::processEvents();
    return exposed;
}

QString Where(const QRect &r)
{
    QString where;
    QDebug(&where) << r << "on" << Available();
    return where;
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
    std::optional<QTemporaryDir> m_dir;  // the working folder, with the settings file
    QString m_artifacts;                 // the test's own working folder in the build tree
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

// No settings file: the window opens on "Inputs & Outputs" within the screen, with every tab in
// sight (no scroll arrows), and the left column and every page whole. Alt with a button's
// underlined letter presses it.
void TestScreens::firstStartFitsWithEveryTabAndPage()
{
    RecordedForm form;
    QVERIFY(Shown(*form.Form));
    QCOMPARE(TabsOf(*form)->currentIndex(), 0);
    QVERIFY2(Available().contains(form->frameGeometry()), qPrintable(Where(form->frameGeometry())));
    for (const QToolButton *arrow : TabsOf(*form)->tabBar()->findChildren<QToolButton *>())
        QVERIFY2(!arrow->isVisible(), "the tab strip scrolls");
    QCOMPARE(form->findChild<QScrollArea *>(QStringLiteral("LeftColumnScrollArea"))->verticalScrollBar()->maximum(), 0);

    const QString screen = QStringLiteral("%1x%2%3")
                               .arg(form->screen()->size().width() * form->devicePixelRatio())
                               .arg(form->screen()->size().height() * form->devicePixelRatio())
                               .arg(form->devicePixelRatio() > 1 ? QStringLiteral("-150") : QString());
    for (int i = 0; i < TabsOf(*form)->count(); ++i) {
        TabsOf(*form)->setCurrentIndex(i);
        QCoreApplication::processEvents();
        const auto *scroll = TabsOf(*form)->widget(i)->findChild<QScrollArea *>();
        QVERIFY2(scroll->horizontalScrollBar()->maximum() == 0 && scroll->verticalScrollBar()->maximum() == 0,
                 qPrintable(TabsOf(*form)->tabText(i) + QStringLiteral(" is larger than its room")));
        QVERIFY(form->grab().save(
            QDir(m_artifacts)
                .filePath(QStringLiteral("tst_screens-%1-page%2.png").arg(screen).arg(i + 1, 2, 10, QChar('0')))));
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
    QTest::addColumn<bool>("cut");  // too long for its panel
    QTest::newRow("overrides") << 4 << QStringLiteral("Overrides active") << false;
    QTest::newRow("line lost") << -1 << QStringLiteral("no connection to 10.0.0.7:502 since 14:07:09, trying again")
                               << false;
    QTest::newRow("new address") << 0
                                 << QStringLiteral("No answer to the slave address 17: the board may answer at 17 or "
                                                   "still at 1; check the address box and connect again. ")
                                        .repeated(3)
                                 << true;
}

// A status message is read whole: in its panel where the bar has the room, else in the panel's
// tooltip, above the tooltip the panel has of its own.
void TestScreens::statusMessagesAreReadableWhole()
{
    QFETCH(int, panel);
    QFETCH(QString, text);
    QFETCH(bool, cut);
    RecordedForm form;
    QVERIFY(Shown(*form.Form));
    auto *label = dynamic_cast<TStatusPanel *>(panel < 0 ? LiveStatusOf(*form) : StatusPanelOf(*form, panel));
    label->setToolTip(QStringLiteral("its own tooltip"));
    label->setText(text);
    QCoreApplication::processEvents();
    QVERIFY2(label->mapTo(form.Form.get(), label->rect().bottomRight()).x() < form->width(), "beyond the window");
    QCOMPARE(label->Elided(), cut);
    if (!label->Elided())
        return;
    QHelpEvent hover(QEvent::ToolTip, QPoint(4, 4), label->mapToGlobal(QPoint(4, 4)));
    QApplication::sendEvent(label, &hover);
    QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), kSoonMs);
    QCOMPARE(QToolTip::text(), text + QStringLiteral("\n\nits own tooltip"));
    QToolTip::hideText();
}

// Moved, resized and left on a page, the window comes back there at the next start.
void TestScreens::placeAndPageAreKeptAcrossARestart()
{
    const QRect left(Available().topLeft() + QPoint(40, 60), Available().size() * 3 / 4);  // room for a title bar
    {
        RecordedForm form;
        QVERIFY(Shown(*form.Form));
        form->setGeometry(left);
        QTRY_COMPARE_WITH_TIMEOUT(form->geometry(), left, kSoonMs);
        TabsOf(*form)->setCurrentIndex(7);
        QVERIFY(form->close());
        QVERIFY(form.Messages->Errors.isEmpty());
    }
    QVERIFY2(ReadAll(QStringLiteral("R4Ivivaz.ini")).contains("Page=Timers"), ReadAll(QStringLiteral("R4Ivivaz.ini")));
    RecordedForm again;
    QCOMPARE(TabsOf(*again)->currentIndex(), 7);
    QVERIFY(Shown(*again.Form));
    QCOMPARE(again->geometry(), left);
}

void TestScreens::aKeptPlaceIsBroughtOntoTheScreen_data()
{
    QTest::addColumn<QByteArray>("window");  // the [Window] section's keys
    QTest::addColumn<int>("page");           // the page the window opens on
    QTest::newRow("beyond the right and bottom") << QByteArray("Left=5000\nTop=3000\nWidth=900\nHeight=600\n") << 0;
    QTest::newRow("above and left of the screen") << QByteArray("Left=-700\nTop=-400\nWidth=900\nHeight=600\n") << 0;
    QTest::newRow("larger than the screen")
        << QByteArray("Left=0\nTop=0\nWidth=4000\nHeight=3000\nPage=control\n") << 11;
    QTest::newRow("half a rectangle, a page gone") << QByteArray("Left=10\nWidth=abc\nPage=Nowhere\n") << 0;
    QTest::newRow("caption with an ampersand") << QByteArray("Page=Inputs & Outputs\n") << 0;
    QTest::newRow("another page") << QByteArray("Page=Calibration\n") << 9;
}

// Whatever the file says (another screen, a hand edit), the window opens within the screen, its
// title bar too.
void TestScreens::aKeptPlaceIsBroughtOntoTheScreen()
{
    QFETCH(QByteArray, window);
    QFETCH(int, page);
    QVERIFY(WriteAll(QStringLiteral("R4Ivivaz.ini"), "[Window]\n" + window));
    RecordedForm form;
    QCOMPARE(TabsOf(*form)->currentIndex(), page);
    QVERIFY(Shown(*form.Form));
    QVERIFY2(Available().contains(form->frameGeometry()), qPrintable(Where(form->frameGeometry())));
    QVERIFY(form->geometry().top() > Available().top());
}

QTEST_MAIN(TestScreens)
#include "tst_screens.moc"
