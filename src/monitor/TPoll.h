// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveDecoders.h"
#include "session/TLiveState.h"

#include <QDateTime>
#include <QObject>

#include <functional>

class TBoardSession;
struct TModbusAnswer;

// The periodic read of the board's live registers. Each tick issues the cycle's five reads while
// connected and, every tenth tick, the firmware-version read. Each answer is decoded, kept in the
// live state, and announced by a signal; the main window ties the signals to the pages, the left
// column and the trend windows, which take their samples from the signals.
// A request that gets no answer raises LiveLost once: the views keep their last values, marked as
// no longer current, until LiveBack follows the next good answer. A line that is not open counts
// as no answer once something was shown.
class TPoll : public QObject
{
    Q_OBJECT

public:
    TPoll(TBoardSession &session, TLiveState &state, QObject *parent = nullptr);

    // One tick of ReadTimer: PollCycle, then the version countdown.
    void Tick();
    // The five reads of one cycle, only while connected. A cycle is skipped while requests are
    // still waiting to be sent: on a line slower than the period the reads would otherwise pile up
    // without end, and a value typed now would reach the board only after all of them.
    void PollCycle();
    // Counts VersionCountdown down and, when it reaches 0, sets it to 10 and reads the version
    // (connected or not: on a closed line the request is simply dropped).
    void CountDownToVersion();
    // The line came up: the firmware version is unknown until the read sent here at once is
    // answered (what a transfer moves depends on it); the periodic read follows a period later.
    void LineUp();
    // The identification reads out of turn, after the board number or series was set.
    void ReadVersion() { Read(live::kVersionRead, &TPoll::VersionReply); }
    // The version read for one who waits for it: done gets an empty text once the live state
    // holds the version, else why it could not be read.
    void ReadVersionThen(std::function<void(const QString &failure)> done);
    void ReadSeries() { Read(live::kSeriesRead, &TPoll::SeriesReply); }

    // The reply handlers, each given the answer to its read.
    void StatusBlockReply(const TModbusAnswer &answer);
    void ColumnABlockReply(const TModbusAnswer &answer);
    void RegulationModeReply(const TModbusAnswer &answer);
    void HeatRecoveryReply(const TModbusAnswer &answer);
    void DiagnosticsReply(const TModbusAnswer &answer);
    void VersionReply(const TModbusAnswer &answer);
    void SeriesReply(const TModbusAnswer &answer);

    // Cycles left out because earlier requests were still waiting.
    quint64 SkippedCycles() const { return m_skippedCycles; }
    // True from a live read without an answer until the next answered one.
    bool Stale() const { return m_stale; }

signals:
    void StatusBlockRead(const live::StatusBlock &block);
    void ColumnABlockRead(const live::ColumnABlock &block);
    void RegulationModeRead(bool lit);
    void HeatRecoveryRead(const live::HeatRecoveryBlock &block);
    void DiagnosticsRead(const live::DiagnosticsBlock &block);
    // The firmware version (kept in the live state first); the series read follows when the
    // firmware has one.
    void VersionRead(const live::VersionBlock &block);
    // "Series: <n>", or "Series: " for firmware without a series number.
    void SeriesRead(const QString &panelText);
    // A new trend sample: the I/O trend's after the status block, the regulation trend's after the
    // diagnostic block.
    void IoSampleTaken(const TIoSample &sample);
    void RegulationSampleTaken(const TRegulationSample &sample);
    // The shown values stopped being current; lastAnswer is when the board last answered a live
    // read (invalid when it never did).
    void LiveLost(const QDateTime &lastAnswer);
    // A live read was answered again after LiveLost.
    void LiveBack();

private:
    void Read(const live::BlockRead &read, void (TPoll::*handler)(const TModbusAnswer &));
    void KeepStatusBlock(const live::StatusBlock &block);
    void KeepColumnABlock(const live::ColumnABlock &block);
    void KeepDiagnostics(const live::DiagnosticsBlock &block);
    void Heard();
    void Lost();

    TBoardSession &m_session;
    TLiveState &m_state;
    quint64 m_skippedCycles = 0;
    bool m_stale = false;
    QDateTime m_lastAnswer;
};
