// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class TWrapLabel;

// "Communication error": opened when requests fail, closed by the next answer. It says what failed
// and where, and what the line does now, as the connection box does. It is created on demand and
// destroys itself once closed, whether by the user (close button, Escape) or by the line.
class TErrorForm : public QDialog
{
    Q_OBJECT

public:
    // reason: one line on what failed and where, under "Communication error!".
    TErrorForm(QWidget *mainWindow, const QString &reason);

    // What the line does now, in the words of the connection box.
    void ShowState(const QString &state);

private:
    TWrapLabel *m_state;

protected:
    void hideEvent(QHideEvent *event) override;
};
