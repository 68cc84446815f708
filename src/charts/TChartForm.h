#pragma once

#include "charts/TTrendWindow.h"

#include <array>

class QCheckBox;
struct TLiveState;

// "Chart": the trend of the board's live inputs and outputs in five charts (temperatures, analog
// inputs, pressure inputs, analog outputs, digital outputs in lanes), one sample a poll tick while
// recording, the series chosen with 28 check boxes that the settings file remembers.
class TChartForm : public TTrendWindow
{
    Q_OBJECT

public:
    static constexpr int kSeries = 28;
    static constexpr int kCharts = 5;
    // A week of samples at one a second: the oldest go first after that.
    static constexpr qsizetype kCapacity = 7 * 24 * 3600;

    // live: where the poll leaves the I/O sample; settingsPath: the file of the check boxes
    // (section "Chart").
    TChartForm(const TLiveState &live, const QString &settingsPath, TUserMessages &messages, QWidget *parent = nullptr,
               qsizetype capacity = kCapacity);

    void AddSample() override;
    // Writes the check boxes to the settings file; false (and why) when it cannot.
    bool WriteSettings(QString *error) const;

    std::array<QCustomPlot *, kCharts> Charts{};
    std::array<QCheckBox *, kSeries> SeriesBoxes{};

signals:
    // The check boxes could not be written when the window closed.
    void SettingsNotWritten(const QString &why);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void ReadSettings();

    const TLiveState &m_live;
    QString m_settingsPath;
};
