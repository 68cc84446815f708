// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/BoardSearch.h"

#include <QDialog>

#include <optional>

class QLabel;
class QProgressBar;
class QPushButton;

// "Find board": runs a search on the line of the connection settings with its progress, and
// offers what it found. "Use these settings" accepts the dialog with the board found; Cancel ends
// the search (after the probe on the line, a fraction of a second), Close or Escape then closes.
class TFindBoardDialog : public QDialog
{
    Q_OBJECT

public:
    TFindBoardDialog(const TSearchPlan &plan, QWidget *parent = nullptr);

    // The board whose settings the user took; none until "Use these settings".
    std::optional<TBoardFound> Chosen() const { return m_chosen; }
    const TBoardSearch &Search() const { return m_search; }
    void reject() override;

    QProgressBar *ProgressBar;
    QLabel *ProgressLabel;
    QLabel *ResultLabel;
    QPushButton *CancelButton;
    QPushButton *UseButton;

private:
    void Finished();

    TSearchPlan m_plan;
    TBoardSearch m_search;
    std::optional<TBoardFound> m_chosen;
    bool m_closeWhenDone = false;
};
