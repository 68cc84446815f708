// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveDecoders.h"
#include "widgets/TPage.h"

#include <array>

class TAdvEdit;
class TLed;

// The "Inputs && Outputs" page: every input and output of the board in two columns, "A" the
// value the regulation works with and "R" the value at the terminals. Display only; the poll
// fills it.
class TInputsOutputsPage : public TPage
{
    Q_OBJECT

public:
    TInputsOutputsPage(TPageContext &context, QWidget *parent = nullptr);

    // Column R, the pressures and the air flows, from the status block.
    void ShowColumnR(const live::StatusBlock &block);
    // Column A, from the column-A block.
    void ShowColumnA(const live::ColumnABlock &block);

    // Ain1AAdvEdit ... Ain10AAdvEdit, Ain1RAdvEdit ... Ain10RAdvEdit.
    std::array<TAdvEdit *, 10> AinAEdits{};
    std::array<TAdvEdit *, 10> AinREdits{};
    // Aout1AAdvEdit ... Aout8AAdvEdit, Aout1RAdvEdit ... Aout8RAdvEdit.
    std::array<TAdvEdit *, 8> AoutAEdits{};
    std::array<TAdvEdit *, 8> AoutREdits{};
    // Pa9AdvEdit, Pa10AdvEdit; AirFlow9AdvEdit, AirFlow10AdvEdit.
    std::array<TAdvEdit *, 2> PaEdits{};
    std::array<TAdvEdit *, 2> AirFlowEdits{};
    // Din1AVrUserLed ... Din8AVrUserLed, Din1RVrUserLed ... Din8RVrUserLed.
    std::array<TLed *, 8> DinALeds{};
    std::array<TLed *, 8> DinRLeds{};
    // Dout1AVrUserLed ... Dout11AVrUserLed, Dout1RVrUserLed ... Dout11RVrUserLed.
    std::array<TLed *, 11> DoutALeds{};
    std::array<TLed *, 11> DoutRLeds{};
};
