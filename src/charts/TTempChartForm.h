// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charts/TTrendWindow.h"

#include <array>

class QCheckBox;

// "Temp Chart": the trend of the eight regulation variables SP1, PV1, CO1, SP2, PV2, CO2, MD1 and
// MD2 in their units (°C and %), one sample a poll tick while recording (the boxes choose those drawn), on a value axis
// that fits what is in view. Opened with F1 from the main window.
class TTempChartForm : public TTrendWindow
{
    Q_OBJECT

public:
    // settingsPath: the file that keeps the window's place (section "TempChart"). The check boxes
    // start unchecked every time.
    TTempChartForm(const QString &settingsPath, TUserMessages &messages, QWidget *parent = nullptr);

    QCustomPlot *VariablesChart;
    std::array<QCheckBox *, 8> VariableBoxes{};
};
