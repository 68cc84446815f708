// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TPageTabs.h"

#include <QLayout>
#include <QScrollArea>
#include <QTabBar>
#include <QVBoxLayout>

namespace {
// The scroll area inside a page made by AddPage, or null.
QScrollArea *ScrollOf(const QWidget *page)
{
    return page->findChild<QScrollArea *>(QStringLiteral("PageScrollArea"), Qt::FindDirectChildrenOnly);
}
}  // namespace

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

void TPageTabs::AddPage(QWidget *page, const QString &caption)
{
    // The page's layout, with every control in it, moves onto a content widget (a widget takes
    // the layout of another with its child widgets); the page then holds only the scroll area.
    if (QLayout *own = page->layout()) {
        auto *content = new QWidget;
        content->setObjectName(QStringLiteral("PageContent"));
        content->setLayout(own);
        auto *scroll = new QScrollArea(page);
        scroll->setObjectName(QStringLiteral("PageScrollArea"));
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setWidgetResizable(true);
        // Not a Tab stop of its own; Tab to a control out of sight scrolls it into view.
        scroll->setFocusPolicy(Qt::NoFocus);
        scroll->setWidget(content);
        // Drawn as the page around it.
        scroll->viewport()->setAutoFillBackground(false);
        content->setAutoFillBackground(false);
        auto *outer = new QVBoxLayout(page);
        outer->setContentsMargins(0, 0, 0, 0);
        outer->addWidget(scroll);
    }
    addTab(page, caption);
}

int TPageTabs::StripWidth() const
{
    // The strip's hint is every tab at its full width, whether the strip scrolls or not.
    return tabBar()->sizeHint().width();
}

QSize TPageTabs::sizeHint() const
{
    // The tab widget's own hint (strip, pane frame, the largest page), with each page at the size
    // its controls take unscrolled rather than at what a scroll area suggests.
    QSize shown(0, 0);
    QSize unscrolled(0, 0);
    for (int i = 0; i < count(); ++i) {
        const QWidget *page = widget(i);
        shown = shown.expandedTo(page->sizeHint());
        const QScrollArea *scroll = ScrollOf(page);
        unscrolled = unscrolled.expandedTo(scroll && scroll->widget()
                                               ? page->sizeHint() - scroll->sizeHint() + scroll->widget()->sizeHint()
                                               : page->sizeHint());
    }
    const QSize hint = QTabWidget::sizeHint() - shown + unscrolled;
    // And a line above the page for its "Not read from the board" note, which comes and goes.
    return {std::max(hint.width(), StripWidth()), hint.height() + fontMetrics().height() + 8};
}
