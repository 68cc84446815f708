// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A panel of the main window's status bar. It takes the room its whole text needs where the bar
// has it, and no less than its minimum width; a text longer than the room left is cut with "…",
// and hovering over it shows the whole text (above the panel's own tooltip, if it has one). text()
// and toolTip() stay what was set.
class TStatusPanel : public QLabel
{
public:
    explicit TStatusPanel(const QString &text, QWidget *parent = nullptr);

    // Whether the text is cut where it is shown now.
    bool Elided() const;

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
};
