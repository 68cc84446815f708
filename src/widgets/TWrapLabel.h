// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLabel>

// A label that never widens or lengthens what holds it: its text wraps within the width it is
// given (a long path anywhere), at most Lines lines show, the last ending in "…" when more would
// follow, and the whole text is in the tooltip. text() is the whole text.
class TWrapLabel : public QLabel
{
    Q_OBJECT

public:
    explicit TWrapLabel(int lines, QWidget *parent = nullptr);

    // Shows text, and puts it whole in the tooltip.
    void Show(const QString &text);
    // The lines as drawn at the label's width (for tests and screenshots).
    QStringList ShownLines() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    int m_lines;
};
