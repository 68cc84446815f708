#pragma once

#include <QTabWidget>

// The main window's pages. A page never opens with the keyboard focus on one of its controls,
// where a single key (Space, Return, an arrow) would write: when the focus is on the page being
// left, it goes to the tab strip first, so that it does not follow into the page that opens
// (neither to the control it had there before nor to the page's first one). The arrow keys on
// the tab strip open the pages; Tab goes on into the page.
class TPageTabs : public QTabWidget
{
public:
    explicit TPageTabs(QWidget *parent = nullptr);
};
