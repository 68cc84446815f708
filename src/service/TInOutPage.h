// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "service/ReturnWrites.h"
#include "widgets/TPage.h"

class QPushButton;

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

    // What the page shows taken out of automatic operation, as last read or written: manual
    // channels, inverted ones and simulation channels in PWM, one line a kind and group.
    QStringList ActiveOverrides() const;
    // The writes that return exactly those to automatic (not inverted, ON/OFF): a register for each
    // analog channel in manual, a mask for a digital group or the simulation channels with any
    // channel overridden. Once taken, each shows its channels returned.
    TReturnWrites ReturnWrites() const;
    // Once the table is bound: OverridesChanged follows what the page shows.
    void WatchOverrides();

    // The buttons heading a group's columns: "A", "M" and, for the digital groups, "Inv".
    struct TColumnButtons
    {
        QPushButton *Automatic = nullptr;
        QPushButton *Manual = nullptr;
        QPushButton *Invert = nullptr;
    };

signals:
    void OverridesChanged();

private:
    // Checks the first box (pick 0, automatic) or the second (pick 1, manual) of every pair of
    // item's row.
    void CheckEvery(int item, int pick);
    // Writes item's row as its controls stand, on behalf of button.
    void WriteRow(QPushButton *button, int item);
};
