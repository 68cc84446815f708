// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charts/TTrendWindow.h"

#include <array>

class QCheckBox;

// "Chart": the trend of the board's live inputs and outputs in five charts (temperatures, analog
// inputs, pressure inputs, analog outputs, digital outputs in lanes), one sample a poll tick while
// recording, the series drawn chosen with 28 check boxes beside their charts that the settings
// file remembers.
class TChartForm : public TTrendWindow
{
    Q_OBJECT

public:
    static constexpr int kSeries = 28;
    static constexpr int kCharts = 5;
    // settingsPath: the file of the check boxes and the window's place (section "Chart").
    TChartForm(const QString &settingsPath, TUserMessages &messages, QWidget *parent = nullptr);

    std::array<QCustomPlot *, kCharts> Charts{};
    std::array<QCheckBox *, kSeries> SeriesBoxes{};

protected:
    // The check boxes; a missing key leaves its box unchecked.
    void ReadOwnSettings(const TIniFile &settings, const QString &section) override;
    void WriteOwnSettings(TIniFile &settings, const QString &section) const override;
};
