#pragma once

#include "app/TPage.h"

// The "Cascade" page.
class TCascadePage : public TPage
{
    Q_OBJECT

public:
    TCascadePage(TPageContext &context, QWidget *parent = nullptr);
};
