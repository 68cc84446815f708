// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveDecoders.h"
#include "widgets/TPage.h"

#include <array>

class QLabel;
class QPushButton;
class TAdvEdit;
class TLed;

// The "Control" page: the heat-recovery control's states and the board's debug variables, both
// filled by the poll, and the clock test buttons.
class TControlPage : public TPage
{
    Q_OBJECT

public:
    TControlPage(TPageContext &context, QWidget *parent = nullptr);

    // Clock test buttons: set the board's clock to today at 00:14:00 or 05:59:00, to watch the
    // midnight and early-morning switching of the week program; each asks first.
    void VrDemoButton1Click();
    void VrDemoButton2Click();

    // The heat-recovery states block. A control source without a name keeps the text shown.
    void ShowHeatRecovery(const live::HeatRecoveryBlock &block);
    // The ten debug variables, in decimal and in hex.
    void ShowDiagnostics(const live::DiagnosticsBlock &block);

    QPushButton *VrDemoButton1;
    QPushButton *VrDemoButton2;

    // " Heat Recovery ": "trecu", "rt_state", "rt_control_state", "rt_power", "control_status",
    // "hrc_control_state", "control_state".
    TAdvEdit *TRecuAdvEdit;
    TAdvEdit *RtStateAdvEdit;
    TAdvEdit *RtControlStateAdvEdit;
    TAdvEdit *RtPowerAdvEdit;
    TAdvEdit *ControlStatusAdvEdit;
    TAdvEdit *HRCControlStateAdvEdit;
    TAdvEdit *ControlStateAdvEdit;
    // Lit while the rotor heats (states 1-3) or cools (states 4-6).
    TLed *HeatingVrUserLed;
    TLed *CoolingVrUserLed;
    // " Debug Variables ": DV1DStaticText ... DV10DStaticText (decimal) and DV1HStaticText ...
    // DV10HStaticText (hex).
    std::array<QLabel *, 10> DVDTexts{};
    std::array<QLabel *, 10> DVHTexts{};

private:
    void WriteClock(QPushButton *button, int hour, int minute);
};
