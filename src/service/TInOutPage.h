#pragma once

#include "widgets/TPage.h"

// The "In/Out" page: takes the board's inputs and outputs out of automatic operation and gives
// them values by hand, inverts digital inputs and outputs, runs the three simulation channels and
// chooses the alarm output.
class TInOutPage : public TPage
{
    Q_OBJECT

public:
    TInOutPage(TPageContext &context, QWidget *parent = nullptr);

    // Reads the page's items 76 to 88 (the I/O test and simulation registers) as one block.
    void Refresh() override { RefreshItems(76, 88); }
};
