// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charts/TTrendWindow.h"

#include <array>

class QCheckBox;
class TPoll;
struct TIoSample;

// "Chart": the trend of the board's live inputs and outputs in five charts (temperatures, analog
// inputs, pressure inputs, analog outputs, digital outputs in lanes), one sample a poll tick while
// recording, the series chosen with 28 check boxes beside their charts that the settings file
// remembers.
class TChartForm : public TTrendWindow
{
    Q_OBJECT

public:
    static constexpr int kSeries = 28;
    static constexpr int kCharts = 5;
    // A week of samples at one a second: the oldest go first after that.
    static constexpr qsizetype kCapacity = 7 * 24 * 3600;

    // settingsPath: the file of the check boxes and the window's place (section "Chart").
    TChartForm(const QString &settingsPath, TUserMessages &messages, QWidget *parent = nullptr,
               qsizetype capacity = kCapacity);

    // Takes the poll's I/O samples while the window is shown (a closed one only hides).
    void TakeSamplesFrom(const TPoll &poll);
    // One sample, while recording: each checked series' value, a gap for the others and for a
    // value the board could not give.
    void AddSample(const TIoSample &sample);

    std::array<QCustomPlot *, kCharts> Charts{};
    std::array<QCheckBox *, kSeries> SeriesBoxes{};

protected:
    // The check boxes; a missing key leaves its box unchecked.
    void ReadOwnSettings(const TIniFile &settings, const QString &section) override;
    void WriteOwnSettings(TIniFile &settings, const QString &section) const override;
};
