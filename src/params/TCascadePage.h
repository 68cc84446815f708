#pragma once

#include "widgets/TPage.h"

// The "Cascade" page.
class TCascadePage : public TPage
{
    Q_OBJECT

public:
    TCascadePage(TPageContext &context, QWidget *parent = nullptr);

    // Reads the page's items 59 to 75 (cascade and recirculation) as one block.
    void Refresh() override { RefreshItems(59, 75); }
};
