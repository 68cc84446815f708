// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window as a screen reader and the keyboard meet it: on every page each control that takes
// the focus, and each value the page shows, is announced by a name of its own, never by the value
// it holds; Tab goes once round a page and stops only where there is something to operate or read.
#include "FormHarness.h"

#include "widgets/TLed.h"

#include <QAbstractButton>
#include <QAbstractScrollArea>
#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QDebug>
#include <QDir>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// What the screen reader says a widget is called.
QString SpokenName(QWidget *widget)
{
    QAccessibleInterface *iface = QAccessible::queryAccessibleInterface(widget);
    return iface ? iface->text(QAccessible::Name) : QString();
}

// A widget a screen reader announces on its own: one that takes the focus, a lamp, or a label the
// window fills with a value (those carry an objectName; captions do not). Qt's own parts of a
// control (a scroll area's viewport, a tab bar's arrows) speak through the control.
bool Announced(QWidget *widget)
{
    if (widget->objectName().startsWith(QLatin1String("qt_")) || widget->focusProxy())
        return false;
    if (qobject_cast<QAbstractScrollArea *>(widget->parentWidget()) || qobject_cast<QTabBar *>(widget->parentWidget()))
        return false;
    return (widget->focusPolicy() & Qt::TabFocus) || qobject_cast<TLed *>(widget)
           || (qobject_cast<QLabel *>(widget) && !widget->objectName().isEmpty());
}

// A widget worth a Tab stop: something to operate, or a text to read.
bool WorthAStop(QWidget *widget)
{
    return qobject_cast<QAbstractButton *>(widget) || qobject_cast<QLineEdit *>(widget)
           || qobject_cast<QComboBox *>(widget) || qobject_cast<QAbstractSpinBox *>(widget)
           || qobject_cast<QTabBar *>(widget) || qobject_cast<QAbstractScrollArea *>(widget);
}

// The control a focused widget belongs to: a tab bar's arrows are the tab strip.
QWidget *ControlOf(QWidget *widget)
{
    while (qobject_cast<QTabBar *>(widget->parentWidget()) || qobject_cast<QComboBox *>(widget->parentWidget())
           || qobject_cast<QAbstractSpinBox *>(widget->parentWidget()))
        widget = widget->parentWidget();
    return widget;
}

QString Which(QWidget *widget)
{
    return widget->objectName().isEmpty() ? QLatin1String(widget->metaObject()->className()) : widget->objectName();
}

}  // namespace

class TstAccessibility : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void everyPageSpeaksAndTabsOnceRound_data();
    void everyPageSpeaksAndTabsOnceRound();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCurrent;
    std::unique_ptr<RecordedForm> m_form;
};

void TstAccessibility::initTestCase()
{
    // The window reads its settings from the working folder: one of its own.
    m_oldCurrent = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
    QVERIFY(QDir::setCurrent(m_dir->path()));
    m_form = std::make_unique<RecordedForm>();
    // Laid out as on screen (the tab strip shows its arrows), but never the active window: moving
    // the focus applies no edit.
    m_form->Form->setAttribute(Qt::WA_DontShowOnScreen);
    m_form->Form->show();
}

void TstAccessibility::cleanupTestCase()
{
    m_form.reset();
    QDir::setCurrent(m_oldCurrent);
    m_dir.reset();
}

void TstAccessibility::everyPageSpeaksAndTabsOnceRound_data()
{
    QTest::addColumn<int>("page");
    // Row -1: what stays beside every page (the connection panel and the live column).
    QTest::newRow("left column") << -1;
    for (int i = 0; i < 12; ++i)
        QTest::newRow(qPrintable(QStringLiteral("page %1").arg(i))) << i;
}

void TstAccessibility::everyPageSpeaksAndTabsOnceRound()
{
    QFETCH(int, page);
    TForm1 &form = *m_form->Form;
    QTabWidget *pages = TabsOf(form);
    QStringList faults;

    // Names: present, one per control on the page, and for a list not the item it shows.
    QList<QWidget *> widgets;
    if (page < 0) {
        for (QWidget *widget : form.centralWidget()->findChildren<QWidget *>())
            if (widget != pages && !pages->isAncestorOf(widget))
                widgets.append(widget);
    } else {
        widgets = pages->widget(page)->findChildren<QWidget *>();
    }
    QHash<QString, QStringList> owners;
    for (QWidget *widget : std::as_const(widgets)) {
        if (!Announced(widget))
            continue;
        const QString name = SpokenName(widget);
        if (name.trimmed().isEmpty())
            faults << QStringLiteral("%1 has no name").arg(Which(widget));
        else
            owners[name].append(Which(widget));
        if (auto *combo = qobject_cast<QComboBox *>(widget); combo && name == combo->currentText())
            faults << QStringLiteral("%1 is called by its item \"%2\"").arg(Which(widget), name);
    }
    for (auto it = owners.cbegin(); it != owners.cend(); ++it)
        if (it->size() > 1)
            faults << QStringLiteral("\"%1\" names %2").arg(it.key(), it->join(QLatin1String(", ")));

    // Tab from the page's tab: once round the window, each stop a control. The left column's stops
    // are on every page's round.
    if (page >= 0) {
        pages->setCurrentIndex(page);
        QWidget *start = pages->tabBar();
        start->setFocus(Qt::TabFocusReason);
        QList<QWidget *> visited{start};
        QWidget *again = nullptr;
        bool round = false;
        for (qsizetype step = form.findChildren<QWidget *>().size(); step > 0 && !round && !again; --step) {
            QTest::keyClick(form.focusWidget(), Qt::Key_Tab);
            QWidget *at = form.focusWidget();
            round = at == start;
            if (round)
                continue;
            if (visited.contains(ControlOf(at)))
                again = ControlOf(at);
            else if (!WorthAStop(at))
                faults << QStringLiteral("Tab stops at %1, which does nothing").arg(Which(at));
            visited.append(ControlOf(at));
        }
        if (again)
            faults << QStringLiteral("Tab stops twice at %1").arg(Which(again));
        else if (!round)
            faults << QStringLiteral("Tab does not come back to the tab strip");
    }

    faults.removeDuplicates();
    for (const QString &fault : std::as_const(faults))
        qWarning().noquote() << fault;
    QVERIFY2(faults.isEmpty(), qPrintable(QStringLiteral("%1 faults").arg(faults.size())));
}

QTEST_MAIN(TstAccessibility)
#include "tst_accessibility.moc"
