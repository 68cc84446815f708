#pragma once

#include "app/TPage.h"

// The "Heating" page.
class THeatingPage : public TPage
{
    Q_OBJECT

public:
    THeatingPage(TPageContext &context, QWidget *parent = nullptr);
};
