#pragma once

#include "monitor/LiveDecoders.h"
#include "monitor/TLiveState.h"

#include <QObject>

#include <functional>

class QLabel;
class QPushButton;
class QWidget;
class TBoardSession;
class TControlPage;
class TInputsOutputsPage;
class TLed;
class TStopPage;
struct TModbusAnswer;

// The main window's live-display widgets the poll fills.
struct TLiveDisplay
{
    QLabel *YearDateStaticText = nullptr;
    QLabel *TimeStaticText = nullptr;
    QLabel *DayStaticText = nullptr;
    QLabel *FanSpeedVrLabel = nullptr;
    TLed *StartStopVrUserLed = nullptr;
    QPushButton *StartStopVrButton = nullptr;
    QLabel *SeasonValVrLabel = nullptr;
    QLabel *SVentValVrLabel = nullptr;
    QLabel *EVentValVrLabel = nullptr;
    TLed *HearthVrUserLed = nullptr;
    QLabel *HearthValVrLabel = nullptr;
    QLabel *ModeValVrLabel = nullptr;
    TLed *RegulationModeVrLed = nullptr;
    QLabel *SeriesPanel = nullptr;   // status panel 1
    QLabel *BoardPanel = nullptr;    // status panel 2
    QLabel *VersionPanel = nullptr;  // status panel 3
    // The window whose controls depend on the firmware: Set1VrDemoButton and
    // WithoutExhaustdxfCheckBox are found in it by name when the version arrives.
    QWidget *Window = nullptr;
};

// The pages the poll fills.
struct TLivePages
{
    TInputsOutputsPage &InputsOutputs;
    TStopPage &Stop;
    TControlPage &Control;
};

// The periodic read of the board's live registers. Each tick issues the cycle's five reads while
// connected and, every tenth tick, the firmware-version read; each answer is decoded into the
// pages, the left column, the status bar and the live state, and feeds the trend windows.
// A request that gets no answer calls no handler: the controls keep their last values.
class TPoll : public QObject
{
    Q_OBJECT

public:
    TPoll(TBoardSession &session, TLiveState &state, const TLiveDisplay &display, const TLivePages &pages,
          QObject *parent = nullptr);

    // One tick of ReadTimer: PollCycle, then the version countdown.
    void Tick();
    // The five reads of one cycle, only while connected. A cycle is skipped while requests are
    // still waiting to be sent: on a line slower than the period the reads would otherwise pile up
    // without end, and a value typed now would reach the board only after all of them.
    void PollCycle();
    // Counts VersionCountdown down and, when it reaches 0, sets it to 10 and reads the version
    // (connected or not: on a closed line the request is simply dropped).
    void CountDownToVersion();

    // The reply handlers, each given the answer to its read.
    void StatusBlockReply(const TModbusAnswer &answer);
    void ColumnABlockReply(const TModbusAnswer &answer);
    void RegulationModeReply(const TModbusAnswer &answer);
    void HeatRecoveryReply(const TModbusAnswer &answer);
    void DiagnosticsReply(const TModbusAnswer &answer);
    void VersionReply(const TModbusAnswer &answer);
    void SeriesReply(const TModbusAnswer &answer);

    // The same, from decoded blocks.
    void ShowStatusBlock(const live::StatusBlock &block);
    void ShowColumnABlock(const live::ColumnABlock &block);
    void ShowRegulationMode(bool lit);
    void ShowHeatRecovery(const live::HeatRecoveryBlock &block);
    void ShowDiagnostics(const live::DiagnosticsBlock &block);
    void ShowVersion(const live::VersionBlock &block);

    // The trend windows, asked for at each sample (null when there is none). A window that is
    // visible and a TTrendSink gets AddSample; whatever it throws is dropped.
    std::function<QWidget *()> IoTrendWindow;
    std::function<QWidget *()> RegulationTrendWindow;

    // Cycles left out because earlier requests were still waiting.
    quint64 SkippedCycles() const { return m_skippedCycles; }

private:
    void Read(const live::BlockRead &read, void (TPoll::*handler)(const TModbusAnswer &));
    void SetFirmwareControlsEnabled(bool enabled);
    static void FeedTrend(const std::function<QWidget *()> &window);

    TBoardSession &m_session;
    TLiveState &m_state;
    TLiveDisplay m_display;
    TLivePages m_pages;
    quint64 m_skippedCycles = 0;
};
