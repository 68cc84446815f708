#pragma once

#include "app/TPage.h"

// The "Settings" page.
class TSettingsPage : public TPage
{
    Q_OBJECT

public:
    TSettingsPage(TPageContext &context, QWidget *parent = nullptr);
};
