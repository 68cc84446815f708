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

// "Temp Chart": the trend of the eight regulation variables SP1, PV1, CO1, SP2, PV2, CO2, MD1 and
// MD2, one sample a poll tick while recording. Opened with F1 from the main window.
class TTempChartForm : public QWidget, public TTrendSink
{
    Q_OBJECT

public:
    // A week of samples at one a second: the oldest go first after that. The variables are the
    // board's registers as they are: whole numbers.
    static constexpr qsizetype kCapacity = 7 * 24 * 3600;

    // live: where the poll leaves the regulation sample.
    explicit TTempChartForm(const TLiveState &live, QWidget *parent = nullptr, qsizetype capacity = kCapacity);

    // One sample from the live state, while recording: each checked variable's value, a gap for
    // the others; the view follows the newest sample unless the user scrolled back.
    void AddSample() override;
    // "Start/Stop": recording on (zooming off) or off (zooming on).
    void TempChartVrPowerButtonClick();
    // "Clear": an empty recording, the view at its start, the scroll bar off.
    void TempClearButtonClick();

    const TTrendRecording &Recording() const { return m_recording; }
    const TTrendFollow &Follow() const { return m_follow; }

    QCustomPlot *VariablesChart;
    QPushButton *TempChartVrPowerButton;
    QPushButton *TempClearButton;
    QScrollBar *TempChartScrollBar;
    std::array<QCheckBox *, 8> VariableBoxes{};

private:
    void ScrollBarAction(int action);
    void ShowView();

    const TLiveState &m_live;
    TTrendRecording m_recording;
    TTrendFollow m_follow;
};
