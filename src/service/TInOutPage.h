#pragma once

#include "app/TPage.h"

// The "In/Out" page.
class TInOutPage : public TPage
{
    Q_OBJECT

public:
    TInOutPage(TPageContext &context, QWidget *parent = nullptr);
};
