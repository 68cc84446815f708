// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/TPage.h"

class QCheckBox;
class QGroupBox;
class QPushButton;

// The "Ventilation" page: fan mode, fan outputs, speed correction, pressure control, ventilation
// intensities, remote control, hearth and air-volume control.
class TVentilationPage : public TPage
{
    Q_OBJECT

public:
    TVentilationPage(TPageContext &context, QWidget *parent = nullptr);

    // The fan-mode block, then the remote-control block; a board without remote control
    // refuses the latter, and the remote-control box stays greyed out until a read succeeds.
    void Refresh() override;

    QCheckBox *StartStopdxfCheckBox;
    QCheckBox *KitchenHooddxfCheckBox;
    QPushButton *HearthStartVrDemoButton = nullptr;
    QPushButton *HearthStopVrDemoButton = nullptr;
    QPushButton *CalibrationVrDemoButton = nullptr;

private:
    QGroupBox *BuildRemoteControl();
    // Off, saying why, while the board refuses the remote-control block; empty why: on again.
    void SwitchRemoteControlOff(const QString &why);
};
