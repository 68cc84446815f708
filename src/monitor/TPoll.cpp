// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/TPoll.h"

#include "link/ModbusExceptions.h"
#include "session/TBoardSession.h"
#include "session/TLiveState.h"

#include <utility>

namespace {
constexpr qint16 kVersionPeriodTicks = 10;
}  // namespace

TPoll::TPoll(TBoardSession &session, TLiveState &state, QObject *parent)
    : QObject(parent), m_session(session), m_state(state)
{
}

void TPoll::Tick()
{
    PollCycle();
    CountDownToVersion();
}

void TPoll::PollCycle()
{
    if (!m_session.Connected()) {
        if (m_lastAnswer.isValid())
            Lost();
        return;
    }
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

void TPoll::LineUp()
{
    m_state.VersionKnown = false;
    m_state.VersionCountdown = kVersionPeriodTicks;
    ReadVersion();
}

void TPoll::ReadVersionThen(std::function<void(const QString &failure)> done)
{
    // A request on a closed line is dropped without an outcome: nobody would hear of it.
    const TModbusClient *client = m_session.ActiveClient();
    if (!m_session.Connected() || !client || !client->IsOpen()) {
        done(QStringLiteral("the line is closed"));
        return;
    }
    m_session.Read(
        live::kVersionRead.Start, live::kVersionRead.Count,
        {.OnReply =
             [this, done](const TModbusAnswer &answer) {
                 Heard();
                 VersionReply(answer);
                 done(m_state.VersionKnown ? QString() : QStringLiteral("its answer could not be made out"));
             },
         .OnRefused =
             [done](const TModbusAnswer &answer) {
                 done(QStringLiteral("the board refused reading it (%1)").arg(ExceptionText(answer.ExceptionCode)));
             },
         .OnFailed =
             [this, done] {
                 Lost();
                 const TModbusClient *active = m_session.ActiveClient();
                 done(active ? active->LastFailure() : QStringLiteral("no answer"));
             }});
}

void TPoll::Read(const live::BlockRead &read, void (TPoll::*handler)(const TModbusAnswer &))
{
    m_session.Read(read.Start, read.Count,
                   {.OnReply =
                        [this, handler](const TModbusAnswer &answer) {
                            Heard();
                            (this->*handler)(answer);
                        },
                    .OnFailed = [this] { Lost(); }});
}

void TPoll::Heard()
{
    m_lastAnswer = QDateTime::currentDateTime();
    if (std::exchange(m_stale, false))
        emit LiveBack();
}

void TPoll::Lost()
{
    if (!std::exchange(m_stale, true))
        emit LiveLost(m_lastAnswer);
}

void TPoll::StatusBlockReply(const TModbusAnswer &answer)
{
    const auto block = live::DecodeStatusBlock(answer.Registers);
    if (!block)
        return;
    emit StatusBlockRead(*block);
    KeepStatusBlock(*block);
    emit IoSampleTaken(m_state.Io);
}

void TPoll::ColumnABlockReply(const TModbusAnswer &answer)
{
    const auto block = live::DecodeColumnABlock(answer.Registers);
    if (!block)
        return;
    emit ColumnABlockRead(*block);
    KeepColumnABlock(*block);
}

void TPoll::RegulationModeReply(const TModbusAnswer &answer)
{
    if (const auto lit = live::DecodeRegulationMode(answer.Registers))
        emit RegulationModeRead(*lit);
}

void TPoll::HeatRecoveryReply(const TModbusAnswer &answer)
{
    if (const auto block = live::DecodeHeatRecoveryBlock(answer.Registers))
        emit HeatRecoveryRead(*block);
}

void TPoll::DiagnosticsReply(const TModbusAnswer &answer)
{
    const auto block = live::DecodeDiagnosticsBlock(answer.Registers);
    if (!block)
        return;
    emit DiagnosticsRead(*block);
    KeepDiagnostics(*block);
    emit RegulationSampleTaken(m_state.Regulation);
}

void TPoll::VersionReply(const TModbusAnswer &answer)
{
    const auto block = live::DecodeVersionBlock(answer.Registers);
    if (!block)
        return;
    m_state.FirmwareVersion = block->Version;
    m_state.FirmwareRev12 = block->Rev12;
    m_state.VersionKnown = true;
    emit VersionRead(*block);
    if (block->HasSeries)
        Read(live::kSeriesRead, &TPoll::SeriesReply);
    else
        emit SeriesRead(QStringLiteral("Series: "));
}

void TPoll::SeriesReply(const TModbusAnswer &answer)
{
    if (const auto series = live::DecodeSeries(answer.Registers))
        emit SeriesRead(*series);
}

void TPoll::KeepStatusBlock(const live::StatusBlock &block)
{
    TIoSample &io = m_state.Io;
    for (size_t i = 0; i < block.Inputs.size(); ++i)
        io.LiveValues[i] = block.Inputs[i].Kept;
    for (size_t i = 0; i < block.Outputs.size(); ++i)
        io.LiveValues[block.Inputs.size() + i] = block.Outputs[i].Kept;
    for (size_t i = 0; i < io.OutputBits.size(); ++i)
        io.OutputBits[i] = block.DigitalOutput(static_cast<int>(i));
    io.SupplyTrendValue = block.SupplyTrendValue;
    io.RoomTrendValue = block.RoomTrendValue;
}

void TPoll::KeepColumnABlock(const live::ColumnABlock &block)
{
    // An input the regulation cannot use is invalid for the trend too; a valid one leaves the
    // terminal value from the status block in place.
    for (size_t i = 0; i < block.Inputs.size(); ++i) {
        if (!block.Inputs[i].Valid)
            m_state.Io.LiveValues[i] = live::InvalidValue;
    }
}

void TPoll::KeepDiagnostics(const live::DiagnosticsBlock &block)
{
    // The regulation variables as the board gives them, signed and unscaled, as the Control page
    // shows them: no unit or scale is known for them.
    for (size_t i = 0; i < m_state.Regulation.Values.size(); ++i)
        m_state.Regulation.Values[i] = block.Values[i];
}
