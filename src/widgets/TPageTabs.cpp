#include "widgets/TPageTabs.h"

#include <QTabBar>

TPageTabs::TPageTabs(QWidget *parent) : QTabWidget(parent)
{
    auto *strip = new QTabBar(this);
    strip->setObjectName(QStringLiteral("qt_tabwidget_tabbar"));  // as the strip the tab widget makes itself
    strip->setDrawBase(false);
    const auto focusOnStrip = [this, strip] {
        const QWidget *page = currentWidget();
        const QWidget *focused = window()->focusWidget();
        if (page && focused && page->isAncestorOf(focused))
            strip->setFocus(Qt::TabFocusReason);
    };
    // The tab widget follows its strip's currentChanged and moves the focus into the page it
    // opens if the focus was on the page left; this runs first, since it is connected first.
    connect(strip, &QTabBar::currentChanged, this, focusOnStrip);
    setTabBar(strip);
    // Should the focus still have gone into the page (sent back to a refused edit of the page
    // left, say), it comes out again; an edit left unchanged applies nothing.
    connect(this, &QTabWidget::currentChanged, this, focusOnStrip);
}
