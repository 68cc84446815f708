// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
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
