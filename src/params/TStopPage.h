#pragma once

#include "app/TPage.h"

// The "Stop" page.
class TStopPage : public TPage
{
    Q_OBJECT

public:
    TStopPage(TPageContext &context, QWidget *parent = nullptr);
};
