#pragma once

#include "widgets/TPage.h"

#include <functional>

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
    // channels, inverted ones and running simulation channels, one line a kind and group.
    QStringList ActiveOverrides() const;
    // Writes every group with an override back to automatic (inversions off, simulation times
    // 0), one block each, and shows it; done runs once for each write, whatever its outcome.
    // Returns the number of writes.
    int ReturnToAutomatic(const std::function<void()> &done);
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
