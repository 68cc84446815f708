// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/TPage.h"

// The "Settings" page.
class TSettingsPage : public TPage
{
    Q_OBJECT

public:
    TSettingsPage(TPageContext &context, QWidget *parent = nullptr);

    // Reads the page's items 0 to 32 (from the supply set point to the output controls, with the season between) as one
    // block.
    void Refresh() override { RefreshItems(0, 32); }
};
