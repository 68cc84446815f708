#include "monitor/TPoll.h"

#include "app/TBoardSession.h"
#include "monitor/TInputsOutputsPage.h"
#include "monitor/TTrendSink.h"
#include "monitor/ValueDisplay.h"
#include "params/TControlPage.h"
#include "params/TStopPage.h"
#include "widgets/TLed.h"

#include <QLabel>
#include <QPushButton>

#include <array>

namespace {
constexpr qint16 kVersionPeriodTicks = 10;

// The controls that only firmware with a series number has.
constexpr std::array<const char *, 2> kFirmwareControls{"Set1VrDemoButton", "WithoutExhaustdxfCheckBox"};
} // namespace

TPoll::TPoll(TBoardSession &session, TLiveState &state, const TLiveDisplay &display, const TLivePages &pages,
             QObject *parent)
    : QObject(parent), m_session(session), m_state(state), m_display(display), m_pages(pages)
{
}

void TPoll::Tick()
{
    PollCycle();
    CountDownToVersion();
}

void TPoll::PollCycle()
{
    if (!m_session.Connected())
        return;
    if (const TModbusClient *client = m_session.ActiveClient(); client && client->QueuedCount() > 0) {
        ++m_skippedCycles;
        return;
    }
    Read(live::kStatusRead, &TPoll::StatusBlockReply);
    Read(live::kColumnARead, &TPoll::ColumnABlockReply);
    Read(live::kRegulationModeRead, &TPoll::RegulationModeReply);
    Read(live::kHeatRecoveryRead, &TPoll::HeatRecoveryReply);
    Read(live::kDiagnosticsRead, &TPoll::DiagnosticsReply);
}

void TPoll::CountDownToVersion()
{
    // 16-bit arithmetic: from 0 the countdown wraps through -32768 and 32767.
    m_state.VersionCountdown = static_cast<qint16>(m_state.VersionCountdown - 1);
    if (m_state.VersionCountdown != 0)
        return;
    m_state.VersionCountdown = kVersionPeriodTicks;
    Read(live::kVersionRead, &TPoll::VersionReply);
}

void TPoll::Read(const live::BlockRead &read, void (TPoll::*handler)(const TModbusAnswer &))
{
    m_session.Read(read.Start, read.Count, [this, handler](const TModbusAnswer &answer) { (this->*handler)(answer); });
}

void TPoll::StatusBlockReply(const TModbusAnswer &answer)
{
    if (const auto block = live::DecodeStatusBlock(answer.Registers))
        ShowStatusBlock(*block);
}

void TPoll::ColumnABlockReply(const TModbusAnswer &answer)
{
    if (const auto block = live::DecodeColumnABlock(answer.Registers))
        ShowColumnABlock(*block);
}

void TPoll::RegulationModeReply(const TModbusAnswer &answer)
{
    if (const auto lit = live::DecodeRegulationMode(answer.Registers))
        ShowRegulationMode(*lit);
}

void TPoll::HeatRecoveryReply(const TModbusAnswer &answer)
{
    if (const auto block = live::DecodeHeatRecoveryBlock(answer.Registers))
        ShowHeatRecovery(*block);
}

void TPoll::DiagnosticsReply(const TModbusAnswer &answer)
{
    if (const auto block = live::DecodeDiagnosticsBlock(answer.Registers))
        ShowDiagnostics(*block);
}

void TPoll::VersionReply(const TModbusAnswer &answer)
{
    if (const auto block = live::DecodeVersionBlock(answer.Registers))
        ShowVersion(*block);
}

void TPoll::SeriesReply(const TModbusAnswer &answer)
{
    if (const auto series = live::DecodeSeries(answer.Registers))
        live::Show(m_display.SeriesPanel, *series);
}

void TPoll::ShowStatusBlock(const live::StatusBlock &block)
{
    const TLiveDisplay &d = m_display;
    live::Show(d.YearDateStaticText, block.Date);
    live::Show(d.TimeStaticText, block.Time);
    live::Show(d.DayStaticText, block.Day);
    m_pages.InputsOutputs.ShowColumnR(block);
    m_pages.Stop.ShowStopState(block);
    live::Show(d.FanSpeedVrLabel, block.FanSpeed);
    live::Show(d.ModeValVrLabel, block.Auto ? QStringLiteral("Auto") : QStringLiteral("Manual"));
    d.StartStopVrUserLed->SetOn(block.Running);
    const QString caption = block.Running ? QStringLiteral("Stop") : QStringLiteral("Start");
    if (d.StartStopVrButton->text() != caption)
        d.StartStopVrButton->setText(caption);
    live::Show(d.SeasonValVrLabel, block.Winter ? QStringLiteral("Winter") : QStringLiteral("Summer"));
    live::Show(d.SVentValVrLabel, block.SupplyVentilation);
    live::Show(d.EVentValVrLabel, block.ExhaustVentilation);
    d.HearthVrUserLed->SetOn(block.Hearth);
    live::Show(d.HearthValVrLabel, block.HearthMinutes);

    for (size_t i = 0; i < block.Inputs.size(); ++i)
        m_state.LiveValues[i] = block.Inputs[i].Kept;
    for (size_t i = 0; i < block.Outputs.size(); ++i)
        m_state.LiveValues[block.Inputs.size() + i] = block.Outputs[i].Kept;
    for (size_t i = 0; i < m_state.OutputBits.size(); ++i)
        m_state.OutputBits[i] = block.DigitalOutput(static_cast<int>(i));
    m_state.SupplyTrendValue = block.SupplyTrendValue;
    m_state.RoomTrendValue = block.RoomTrendValue;
    FeedTrend(IoTrendWindow);
}

void TPoll::ShowColumnABlock(const live::ColumnABlock &block)
{
    m_pages.InputsOutputs.ShowColumnA(block);
    // An input the regulation cannot use is invalid for the trend too; a valid one leaves the
    // terminal value from the status block in place.
    for (size_t i = 0; i < block.Inputs.size(); ++i) {
        if (!block.Inputs[i].Valid)
            m_state.LiveValues[i] = live::InvalidValue;
    }
}

void TPoll::ShowRegulationMode(bool lit)
{
    m_display.RegulationModeVrLed->SetOn(lit);
}

void TPoll::ShowHeatRecovery(const live::HeatRecoveryBlock &block)
{
    m_pages.Control.ShowHeatRecovery(block);
}

void TPoll::ShowDiagnostics(const live::DiagnosticsBlock &block)
{
    m_pages.Control.ShowDiagnostics(block);
    for (size_t i = 0; i < m_state.RegulationValues.size(); ++i)
        m_state.RegulationValues[i] = static_cast<float>(block.Values[i]);
    FeedTrend(RegulationTrendWindow);
}

void TPoll::ShowVersion(const live::VersionBlock &block)
{
    m_state.FirmwareVersion = block.Version;
    m_state.FirmwareRev12 = block.Rev12;
    live::Show(m_display.VersionPanel, block.VersionPanel);
    live::Show(m_display.BoardPanel, block.BoardPanel);
    if (block.HasSeries) {
        Read(live::kSeriesRead, &TPoll::SeriesReply);
    } else {
        live::Show(m_display.SeriesPanel, QStringLiteral("Series: "));
    }
    SetFirmwareControlsEnabled(block.HasSeries);
}

void TPoll::SetFirmwareControlsEnabled(bool enabled)
{
    if (!m_display.Window)
        return;
    for (const char *name : kFirmwareControls) {
        if (auto *control = m_display.Window->findChild<QWidget *>(QLatin1String(name)))
            control->setEnabled(enabled);
    }
}

void TPoll::FeedTrend(const std::function<QWidget *()> &window)
{
    QWidget *widget = window ? window() : nullptr;
    if (!widget || !widget->isVisible())
        return;
    auto *sink = dynamic_cast<TTrendSink *>(widget);
    if (!sink)
        return;
    try {
        sink->AddSample();
    } catch (...) {
        // A trend that cannot take a sample must not stop the poll; the next sample tries again.
    }
}
