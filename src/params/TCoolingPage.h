#pragma once

#include "widgets/TPage.h"

// The "Cooling" page.
class TCoolingPage : public TPage
{
    Q_OBJECT

public:
    TCoolingPage(TPageContext &context, QWidget *parent = nullptr);

    // Reads the page's items 50 to 58 as one block.
    void Refresh() override { RefreshItems(50, 58); }
};
