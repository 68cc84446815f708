// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "charts/TTrendWindow.h"

#include <array>

class QCheckBox;
struct TLiveState;

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

    // live: where the poll leaves the I/O sample; settingsPath: the file of the check boxes and
    // the window's place (section "Chart").
    TChartForm(const TLiveState &live, const QString &settingsPath, TUserMessages &messages, QWidget *parent = nullptr,
               qsizetype capacity = kCapacity);

    void AddSample() override;

    std::array<QCustomPlot *, kCharts> Charts{};
    std::array<QCheckBox *, kSeries> SeriesBoxes{};

protected:
    // The check boxes; a missing key leaves its box unchecked.
    void ReadOwnSettings(const TIniFile &settings, const QString &section) override;
    void WriteOwnSettings(TIniFile &settings, const QString &section) const override;

private:
    const TLiveState &m_live;
};
