// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveDecoders.h"
#include "widgets/TPage.h"

#include <array>

class QCheckBox;
class TAdvEdit;

// The "Stop" page: why the unit stops, as the board reports it. Display only; the poll fills it.
class TStopPage : public TPage
{
    Q_OBJECT

public:
    TStopPage(TPageContext &context, QWidget *parent = nullptr);

    // The stop causes, stop code and warnings of the status block.
    void ShowStopState(const live::StatusBlock &block);

    // DI1dxfCheckBox ... DI8dxfCheckBox: digital inputs that stop the unit.
    std::array<QCheckBox *, 8> DIChecks{};
    // AI1dxfCheckBox ... AI10dxfCheckBox: failed analog inputs that stop the unit.
    std::array<QCheckBox *, 10> AIChecks{};
    QCheckBox *Stop3dxfCheckBox;
    QCheckBox *Stop4dxfCheckBox;
    // StopCntrl1dxfCheckBox ... StopCntrl4dxfCheckBox: the stop-control codes 25 to 28.
    std::array<QCheckBox *, 4> StopCntrlChecks{};
    QCheckBox *DIN3WarningdxfCheckBox;
    QCheckBox *HCWarningdxfCheckBox;
    TAdvEdit *StopCodeAdvEdit;
    // Kept hidden: the board's error words have no place on this page.
    TAdvEdit *ErrLoAdvEdit;
    TAdvEdit *ErrHiAdvEdit;
};
