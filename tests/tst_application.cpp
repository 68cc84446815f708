// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The application-wide rules: Enter presses the focused push button, one window per user and
// display, and the Help menu's About box. Runs under the tool's own application object.
#include "FormHarness.h"

#include "app/SingleInstance.h"
#include "app/TAboutDialog.h"
#include "app/TApplication.h"
#include "app/TConnectionPanel.h"
#include "app/Version.h"

#include <QAction>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>

class TstApplication : public QObject
{
    Q_OBJECT

private slots:
    void enterPressesOnlyTheFocusedButton_data();
    void enterPressesOnlyTheFocusedButton();
    void aSecondInstanceRaisesTheFirst();
    void helpAboutShowsVersionAndLogFolder();
    void windowsShowTheToolsIcon();
};

void TstApplication::enterPressesOnlyTheFocusedButton_data()
{
    QTest::addColumn<QString>("focus");   // the control with the focus: "button", "edit"
    QTest::addColumn<QString>("target");  // where the key goes: "button", "edit"
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<int>("clicks");  // of the button

    QTest::newRow("Return on the focused button") << "button"
                                                  << "button" << int(Qt::Key_Return) << 0 << false << 1;
    QTest::newRow("keypad Enter") << "button"
                                  << "button" << int(Qt::Key_Enter) << int(Qt::KeypadModifier) << false << 1;
    QTest::newRow("held down: one click only") << "button"
                                               << "button" << int(Qt::Key_Return) << 0 << true << 1;
    QTest::newRow("Ctrl+Return is another key")
        << "button"
        << "button" << int(Qt::Key_Return) << int(Qt::ControlModifier) << false << 0;
    QTest::newRow("Return in an edit beside it") << "edit"
                                                 << "edit" << int(Qt::Key_Return) << 0 << false << 0;
    QTest::newRow("the button lost the focus") << "edit"
                                               << "button" << int(Qt::Key_Return) << 0 << false << 0;
}

void TstApplication::enterPressesOnlyTheFocusedButton()
{
    QFETCH(QString, focus);
    QFETCH(QString, target);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(bool, repeat);
    QFETCH(int, clicks);

    QWidget window;
    auto *edit = new QLineEdit(&window);
    auto *button = new QPushButton(QStringLiteral("&Go"), &window);
    auto *layout = new QVBoxLayout(&window);
    layout->addWidget(edit);
    layout->addWidget(button);
    int editReturns = 0;
    connect(edit, &QLineEdit::returnPressed, this, [&editReturns] { ++editReturns; });
    QSignalSpy clicked(button, &QPushButton::clicked);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    (focus == QLatin1String("edit") ? static_cast<QWidget *>(edit) : button)->setFocus();
    QTRY_VERIFY(QApplication::focusWidget()
                == (focus == QLatin1String("edit") ? static_cast<QWidget *>(edit) : button));

    QWidget *to = target == QLatin1String("edit") ? static_cast<QWidget *>(edit) : button;
    QTest::keyEvent(QTest::Press, to, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    if (repeat) {
        // What a held key sends after the first press.
        QKeyEvent again(QEvent::KeyPress, key, Qt::KeyboardModifiers(modifiers), QString(), true);
        QApplication::sendEvent(to, &again);
    }
    QTest::keyEvent(QTest::Release, to, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(clicked.count(), clicks);
    // An edit keeps its own Return (it writes its value).
    QCOMPARE(editReturns, target == QLatin1String("edit") ? 1 : 0);
}

void TstApplication::aSecondInstanceRaisesTheFirst()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString name = QStringLiteral("z4vent-test");
    auto first = std::make_unique<TSingleInstance>(dir.path(), name);
    QVERIFY(first->IsFirst());
    QSignalSpy raised(first.get(), &TSingleInstance::RaiseRequested);

    const TSingleInstance second(dir.path(), name);
    QVERIFY(!second.IsFirst());
    QVERIFY(second.RaiseFirst(5000));
    QTRY_COMPARE(raised.count(), 1);

    // Once the first has gone, the next is the first again, its socket in the same place.
    first.reset();
    TSingleInstance next(dir.path(), name);
    QVERIFY(next.IsFirst());
    QSignalSpy raisedNext(&next, &TSingleInstance::RaiseRequested);
    QVERIFY(TSingleInstance(dir.path(), name).RaiseFirst(5000));
    QTRY_COMPARE(raisedNext.count(), 1);
}

void TstApplication::helpAboutShowsVersionAndLogFolder()
{
    RecordedForm form;
    QAction *about = form->findChild<QAction *>(QStringLiteral("AboutAction"));
    QVERIFY(about);
    QString version;
    QString logFolder;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<TAboutDialog *>(QApplication::activeModalWidget());
        if (!box)
            return;
        version = box->VersionLabel->text();
        logFolder = box->LogFolderLabel->text();
        // Enter closes the box: Close has the focus.
        if (QTest::qWaitForWindowActive(box) && QApplication::focusWidget())
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        box->close();
    });
    about->trigger();
    QVERIFY(!QApplication::activeModalWidget());
    QVERIFY2(version.contains(QStringLiteral("Z4 Ventilation ") + ToolVersionText()), qPrintable(version));
    // The log is off until "Help" > "Link log" switches it on; the box says so, and where it goes.
    QCOMPARE(logFolder, QStringLiteral("Link log: off (\"Help\" > \"Link log\" switches it on); it goes to ")
                            + QDir::toNativeSeparators(TConnectionPanel::LogFolderInUse()));
}

// The icon is the menu entry's picture, drawn sharp at a title bar's size and a switcher's.
void TstApplication::windowsShowTheToolsIcon()
{
    QWidget window;
    const QIcon icon = window.windowIcon();
    QVERIFY(!icon.isNull());
    for (const int size : {16, 256}) {
        const QImage image = icon.pixmap(size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        // The picture's blue square outside the fan's ring, and its transparent rounded corner.
        const int blue = size * 10 / 64;
        QCOMPARE(image.pixelColor(blue, blue), QColor(0x1f, 0x6f, 0x9f));
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    }
}

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    TstApplication test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_application.moc"
