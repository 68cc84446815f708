// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QTimer>

// The picture shown when the tool starts: an air-handling unit with the product name and
// version. It closes on a click, on any key, or by itself after a few seconds, so that an
// unattended start never waits for anyone.
class TStartupForm : public QDialog
{
    Q_OBJECT

public:
    explicit TStartupForm(QWidget *parent = nullptr, int showMs = 3000);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    QTimer m_timer;
};
