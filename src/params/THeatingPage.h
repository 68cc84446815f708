#pragma once

#include "widgets/TPage.h"

// The "Heating" page.
class THeatingPage : public TPage
{
    Q_OBJECT

public:
    THeatingPage(TPageContext &context, QWidget *parent = nullptr);

    // Reads the page's items 33 to 49 as one block.
    void Refresh() override { RefreshItems(33, 49); }
};
