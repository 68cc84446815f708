#pragma once

#include "app/TPage.h"

// The "Cooling" page.
class TCoolingPage : public TPage
{
    Q_OBJECT

public:
    TCoolingPage(TPageContext &context, QWidget *parent = nullptr);
};
