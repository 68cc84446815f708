// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QTabWidget>

// The main window's pages. A page never opens with the keyboard focus on one of its controls,
// where a single key (Space, Return, an arrow) would write: when the focus is on the page being
// left, it goes to the tab strip first, so that it does not follow into the page that opens
// (neither to the control it had there before nor to the page's first one). The arrow keys on
// the tab strip open the pages; Tab goes on into the page.
//
// A page larger than the room the window gives it scrolls; the page itself stays what the tabs
// hold (its controls move into a scroll area inside it).
class TPageTabs : public QTabWidget
{
public:
    explicit TPageTabs(QWidget *parent = nullptr);

    // Adds page as the last tab, its controls in a scroll area of its own.
    void AddPage(QWidget *page, const QString &caption);

    // Room for every tab of the strip side by side and for the largest page without scrolling.
    QSize sizeHint() const override;
    // What the strip needs to show every tab without its scroll arrows.
    int StripWidth() const;
};
