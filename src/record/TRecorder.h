// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveDecoders.h"
#include "record/Recording.h"
#include "record/RecordingsFolder.h"
#include "session/TBoardLine.h"
#include "session/TBoardSession.h"
#include "session/TLiveState.h"

#include <QDate>
#include <QObject>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

class TPoll;

namespace rec {

// The events between two status blocks (before: none for the first of a recording, whose stop
// causes, warnings, run state, mode, season and hearth are all told as they stand), worded as the
// window words them.
std::vector<TEvent> StatusEvents(const std::optional<live::StatusBlock> &before, const live::StatusBlock &now,
                                 qint64 ms);
// A write's events, one a register: its address, value before (when known) and after, cause, and
// words "Supply Air Temp.: 18.5 °C -> 20.0 °C" (the values as the window shows them where a
// control shows the register; "not known" for a value before the tool never saw). A write of
// several registers tells each register it changes or whose value before is not known; one that
// changes none of them is told by its first register.
std::vector<TEvent> WriteEvents(const TWriteNote &note, qint64 ms);

}  // namespace rec

// Records the poll into a recording file, apart from any window: one sample a poll tick (the I/O
// trend's values and the regulation variables of the same cycle, with the time of the status
// block's answer), and the events: stop causes, start/stop, mode, season, hearth, the line lost and
// back, the firmware read, and every write made through the session. What comes is kept in
// memory and committed by a timer once a second, apart from the poll. A failure to write (a full
// disk, a folder gone) stops the recording and says why; the poll goes on.
class TRecorder : public QObject
{
    Q_OBJECT

public:
    TRecorder(TPoll &poll, TBoardSession &session, QObject *parent = nullptr);
    ~TRecorder() override;

    // The line's states become events, and the recording follows the line: with recording wanted
    // (or wanted whenever connected), a new file in the folder when the board first answers on a
    // newly opened line and at midnight, ended when the line closes.
    void WatchLine(TBoardLine &line);
    // Where the recordings the recorder names itself go, and the size the folder is kept under
    // (the oldest removed first, never the one being written).
    void SetFolder(const QString &folder, qint64 maxBytes);
    QString Folder() const { return m_folder; }
    // The "Record" switch: recording on while the line is open (started at once when it is).
    void SetWanted(bool wanted);
    bool Wanted() const { return m_wanted; }
    // The setting to record whenever connected.
    void SetWhenConnected(bool on);
    // The tool's version, kept in the recordings.
    void SetToolVersion(const QString &version) { m_toolVersion = version; }

    // Starts recording into a new file path; false (and Error why) when it cannot be made.
    bool Start(const QString &path, const rec::TRecordingInfo &info);
    // Ends the recording (what was recorded is committed).
    void Stop();
    bool Running() const { return m_writer != nullptr; }
    QString Path() const { return m_path; }
    QString Error() const { return m_error; }
    qint64 Samples() const;
    qint64 Size() const;
    // Commits what came since the last commit (the recorder does so every second by itself).
    void Commit();

    // What the poll gives, as its signals bring it.
    void TakeIo(const TIoSample &sample);
    void TakeRegulation(const TRegulationSample &sample);
    void TakeStatus(const live::StatusBlock &block);

signals:
    void Started(const QString &path);
    // failure: why the recording stopped by itself; empty when it was asked to stop.
    void Stopped(const QString &path, const QString &failure);
    // A sample went to the file being written (it is on disk with the next commit).
    void SampleRecorded(const rec::TSample &sample);

private:
    void TakeVersion(const live::VersionBlock &block);
    void TakeSeries(const QString &panelText);
    void TakeWrite(const TWriteNote &note);
    void TakeLine(const TLineStatus &status);
    void Event(rec::TEvent event);
    // Starts or stops the recording as the switch, the setting and the line say.
    void Follow();
    bool StartInFolder();
    void FlushPending();
    void AddToFile(const rec::TSample &sample);
    void CheckFailure();

    std::unique_ptr<rec::TRecordingWriter> m_writer;
    QString m_path;
    QString m_error;
    rec::TRecordingInfo m_info;
    std::optional<rec::TSample> m_pending;  // this cycle's sample, waiting for its regulation values
    std::optional<live::StatusBlock> m_lastStatus;
    std::optional<quint16> m_lastVersion;
    std::optional<quint16> m_lastBoard;
    QTimer m_commitTimer;
    TBoardSession &m_session;
    TBoardLine *m_line = nullptr;
    QString m_folder;
    qint64 m_maxBytes = rec::kDefaultMaxBytes;
    bool m_wanted = false;
    bool m_whenConnected = false;
    QString m_toolVersion;
    bool m_auto = false;
    quint64 m_commits = 0;  // started by the switch or the setting, into the folder
    QDate m_startDay;       // the local day of a recording the recorder named itself; null otherwise
};
