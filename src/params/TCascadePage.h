// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
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
