// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/TPage.h"

#include <array>

class QCheckBox;

// The "Heating" page.
class THeatingPage : public TPage
{
    Q_OBJECT

public:
    THeatingPage(TPageContext &context, QWidget *parent = nullptr);

    // Reads the page's items 33 to 49 as one block.
    void Refresh() override { RefreshItems(33, 49); }
    // A click on stage box tag (0..2): stage I stays on, stage III only with stage II; then the
    // number of stages goes to the board (a click on stage I writes nothing).
    void StagedxfCheckBoxClick(int tag);

private:
    std::array<QCheckBox *, 3> m_stages{};
};
