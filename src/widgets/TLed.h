// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QColor>
#include <QWidget>

// A round indicator lamp: lit in its colour, dark grey when off.
class TLed : public QWidget
{
    Q_OBJECT

public:
    explicit TLed(QWidget *parent = nullptr, QColor color = QColor(0, 200, 0));

    bool IsOn() const { return m_on; }
    void SetOn(bool on);
    QColor Color() const { return m_color; }
    void SetColor(QColor color);

    QSize sizeHint() const override { return {16, 16}; }
    QSize minimumSizeHint() const override { return {12, 12}; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void UpdateAccessibleText();

    QColor m_color;
    bool m_on = false;
};
