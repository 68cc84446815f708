#pragma once

#include "charts/TTrendSink.h"
#include "monitor/TrendRecording.h"

#include <QWidget>

#include <array>

class QCheckBox;
class QCustomPlot;
class QPushButton;
class QScrollBar;
struct TLiveState;

// "Chart": the trend of the board's live inputs and outputs in five charts (temperatures, analog
// inputs, pressure inputs, analog outputs, digital outputs in lanes), one sample a poll tick while
// recording, the series chosen with 28 check boxes that the settings file remembers.
class TChartForm : public QWidget, public TTrendSink
{
    Q_OBJECT

public:
    static constexpr int kSeries = 28;
    static constexpr int kCharts = 5;
    // A week of samples at one a second: the oldest go first after that.
    static constexpr qsizetype kCapacity = 7 * 24 * 3600;

    // live: where the poll leaves the I/O sample; settingsPath: the file of the check boxes
    // (section "Chart").
    TChartForm(const TLiveState &live, const QString &settingsPath, QWidget *parent = nullptr,
               qsizetype capacity = kCapacity);

    void AddSample() override;
    // "On/Off": recording on (zooming off) or off (zooming on).
    void ChartVrPowerButtonClick();
    // "Clear": an empty recording, the views at their start, the scroll bar off.
    void ClearButtonClick();
    // Writes the check boxes to the settings file; false (and why) when it cannot.
    bool WriteSettings(QString *error) const;

    const TTrendRecording &Recording() const { return m_recording; }
    const TTrendFollow &Follow() const { return m_follow; }
    // The series' legend titles, in recording order.
    static QStringList SeriesNames();

    std::array<QCustomPlot *, kCharts> Charts{};
    std::array<QCheckBox *, kSeries> SeriesBoxes{};
    QPushButton *ChartVrPowerButton;
    QPushButton *ClearButton;
    QScrollBar *ChartScrollBar;

signals:
    // The check boxes could not be written when the window closed.
    void SettingsNotWritten(const QString &why);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void ReadSettings();
    void ScrollBarAction(int action);
    void ShowView();

    const TLiveState &m_live;
    QString m_settingsPath;
    TTrendRecording m_recording;
    TTrendFollow m_follow;
};
