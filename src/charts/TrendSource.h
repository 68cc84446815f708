// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/TrendRecording.h"
#include "record/Recording.h"

#include <algorithm>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <vector>

class QIODevice;

// What a trend window shows: its series of what the recorder records, since the window's "Clear"
// (or its opening). The samples lie on disk, in the files the recorder started since (a new one a
// connection and a day), and are read by time range; only the newest few, a bounded tail, are kept
// in memory, for the view that follows them and for what is not committed yet. Whatever the
// length of the recording, the memory it takes stays the same.
class TTrendSource
{
public:
    // The tail: an hour at one sample a second.
    static constexpr qsizetype kTail = 3600;

    // first, count: the window's series among the recording's; decimals: those the tail keeps.
    TTrendSource(int first, int count, int decimals, qsizetype tail = kTail);
    ~TTrendSource();
    TTrendSource(const TTrendSource &) = delete;
    TTrendSource &operator=(const TTrendSource &) = delete;

    // The recorder began writing path; its samples from since on are the window's.
    void FileStarted(const QString &path, qint64 since = std::numeric_limits<qint64>::min());
    // The recorder ended the file being written.
    void FileEnded() { m_writing = false; }
    // A sample the recorder wrote to the file being written.
    void Add(const rec::TSample &sample);
    // Forgets what came before now; the file being written goes on from now.
    void Clear(qint64 now);

    int Series() const { return m_count; }
    // The samples since Clear, the first's and the newest's time (when there are any).
    qint64 Count() const { return m_samples; }
    qint64 FirstMs() const { return m_firstMs; }
    qint64 LastMs() const { return m_lastMs; }
    const TTrendRecording &Tail() const { return m_tail; }
    qsizetype Files() const { return static_cast<qsizetype>(m_files.size()); }
    // The files whose readers are open now.
    qsizetype OpenFiles() const
    {
        return std::count_if(m_files.begin(), m_files.end(), [](const TFile &file) { return file.Reader != nullptr; });
    }
    // Why the last read failed.
    QString Error() const { return m_error; }

    // Each sample from from to before to, in time order: its time and the window's series (NaN for
    // a gap). False when a file could not be read.
    using TEach = std::function<void(qint64 ms, std::span<const double> values)>;
    bool ForEach(qint64 from, qint64 to, const TEach &each);
    // [from, to) cut into columns equal parts as rec::TRecordingReader::MinMax cuts it: each of
    // the window's series' least and greatest value a column (series-major).
    bool Columns(qint64 from, qint64 to, int columns, std::vector<rec::TColumnRange> &result);
    // About how many samples lie in [from, to) (a chunk's worth more at each end of a file).
    qint64 CountAbout(qint64 from, qint64 to);
    // The sample nearest ms within within either side, if any: its time and values.
    std::optional<std::pair<qint64, std::vector<double>>> Nearest(qint64 ms, qint64 within);
    // The recording's events from from to before to, in time order.
    std::vector<rec::TEvent> Events(qint64 from, qint64 to);
    // The whole recording as the trend windows' CSV: "Time;Sample;" and names, then a line a sample
    // (local time with milliseconds, its number since Clear, a cell a series to its decimals, empty
    // for a gap). False (and why) when a file could not be read or out written.
    bool WriteCsv(QIODevice &out, const QStringList &names, const std::vector<int> &decimals, QString *error);

private:
    struct TFile
    {
        QString Path;
        qint64 Since;
        std::unique_ptr<rec::TRecordingReader> Reader;  // open while in use
        bool Final = false;                             // ended, its extent read since
        // Its samples' extent, and how far its events reach beyond it.
        qint64 Count = 0;
        qint64 FirstMs = 0;
        qint64 LastMs = 0;
        qint64 Reach[2] = {0, 0};
    };
    // Whether the tail holds every sample from from on.
    bool TailCovers(qint64 from) const;
    // Reads anew how far the files being written reach: the time up to which the files hold the
    // samples (the tail holds the later ones).
    qint64 DiskEnd();
    // The reader of file when the file has samples (or, with events, events) from from through
    // to; else none. Only the readers in use stay open: a finished file out of the range is closed,
    // so that a long recording keeps no more open than its view needs.
    rec::TRecordingReader *ReaderFor(TFile &file, qint64 from, qint64 to, bool events = false);
    bool Open(TFile &file);
    // The tail's samples after after, from from up to to, in time order.
    void ForEachInTail(qint64 after, qint64 from, qint64 to, const TEach &each) const;

    int m_first;
    int m_count;
    TTrendRecording m_tail;
    std::vector<TFile> m_files;
    bool m_writing = false;
    qint64 m_samples = 0;
    qint64 m_firstMs = 0;
    qint64 m_lastMs = 0;
    QString m_error;
};
