#pragma once

#include "app/TPage.h"

// The "Timers" page.
class TTimersPage : public TPage
{
    Q_OBJECT

public:
    TTimersPage(TPageContext &context, QWidget *parent = nullptr);
};
