#include "widgets/TPageTabs.h"

#include <QTabBar>

TPageTabs::TPageTabs(QWidget *parent) : QTabWidget(parent)
{
    // The tab widget follows its strip's currentChanged and moves the focus into the page it
    // opens if the focus was on the page left; this runs first, since it is connected first.
    auto *strip = new QTabBar(this);
    strip->setObjectName(QStringLiteral("qt_tabwidget_tabbar"));  // as the strip the tab widget makes itself
    strip->setDrawBase(false);
    connect(strip, &QTabBar::currentChanged, this, [this, strip] {
        const QWidget *leaving = currentWidget();
        const QWidget *focused = window()->focusWidget();
        if (leaving && focused && leaving->isAncestorOf(focused))
            strip->setFocus(Qt::TabFocusReason);
    });
    setTabBar(strip);
}
