// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

// "Communication error": opened when requests fail, closed by the next answer. It is created
// on demand and destroys itself once closed, whether by the user (close button, Escape) or by
// the link.
class TErrorForm : public QDialog
{
    Q_OBJECT

public:
    // reason: one line on what failed and where, under "Communication error!".
    TErrorForm(QWidget *mainWindow, const QString &reason);

protected:
    void hideEvent(QHideEvent *event) override;
};
