// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A recording on disk: an SQLite database in WAL mode, written as the samples come and committed
// about once a second, so that a killed tool or a power cut loses at most the last seconds, never
// the file. It holds who and where (the board, the line, the firmware, the tool, the start), every
// poll tick's sample of the 36 trend series with the time of the answer (a gap where a value was
// missing), and the events of the session: stop causes, start/stop, mode, season, hearth, the line,
// the firmware, and every write the tool made to the board with its cause.
//
// Samples are stored in chunks of up to kChunkSamples: one row holds the chunk's first and last
// time, its times and each series' values packed as varints of differences, and each series' least
// and greatest value, so that a view of days reads one small row per chunk and a view of an hour
// decodes a few dozen.

#include <QDateTime>
#include <QLockFile>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <limits>
#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace rec {

// The series of a sample, in recording order: the I/O trend's 28, then the regulation trend's 8.
inline constexpr int kIoSeries = 28;
inline constexpr int kRegulationSeries = 8;
inline constexpr int kSeries = kIoSeries + kRegulationSeries;

struct TSeriesInfo
{
    QString Name;    // as the trend windows' legends and CSV columns name it
    QString Unit;    // "°C", "V", "%", "" for on/off and the regulation variables
    int Stored = 0;  // the decimals a value is kept to (the file holds value x 10^Stored)
    int Shown = 0;   // the decimals the windows show it to
    bool OnOff = false;
};
// The series as this version records them.
const std::array<TSeriesInfo, kSeries> &SeriesTable();

// The file name extension of recordings (without the dot).
inline const QString kExtension = QStringLiteral("z4rec");

// Who and where.
struct TRecordingInfo
{
    int Address = 0;
    QString Line;           // "/dev/ttyUSB0 (19200 8E1)", "10.0.0.7:502"
    QString Firmware;       // "1.012"; empty until read
    QString Series;         // the series number; empty when none or not read
    QString Board;          // the board number; empty until read
    QString Tool;           // the tool's version
    qint64 StartMs = 0;     // UTC, milliseconds since the epoch
    int OffsetSeconds = 0;  // the local clock's offset from UTC at the start
};

// One poll tick: a value for every series, NaN for a gap.
struct TSample
{
    qint64 Ms = 0;
    std::array<double, kSeries> Values{};
};

// What made a write.
enum class TCause { None, Edit, Load, Command };
QString CauseText(TCause cause);
std::optional<TCause> CauseOf(const QString &text);

struct TEvent
{
    qint64 Ms = 0;
    QString Kind;                 // "stop", "warning", "run", "mode", "season", "hearth", "line", "firmware", "write"
    QString Text;                 // as the window words it
    std::optional<int> Register;  // a write's register, its value before (when known) and after
    std::optional<int> Old;
    std::optional<int> New;
    TCause Cause = TCause::None;
};

// The most samples one chunk row holds.
inline constexpr int kChunkSamples = 60;

// Writes a new recording. Every call is cheap; Commit (at least once a second; Add and AddEvent
// commit by themselves once a second has passed, unless told not to) puts what came since on disk
// as one transaction.
// A failure (a full disk, a folder gone) is kept: every later call does nothing and Error says why.
class TRecordingWriter
{
public:
    TRecordingWriter();
    ~TRecordingWriter();
    TRecordingWriter(const TRecordingWriter &) = delete;
    TRecordingWriter &operator=(const TRecordingWriter &) = delete;

    // Makes path anew (an existing file is never overwritten); false and why when it cannot.
    bool Create(const QString &path, const TRecordingInfo &info);
    // What the board told later: the firmware, series and board number.
    void SetInfo(const TRecordingInfo &info);
    void Add(const TSample &sample);
    void AddEvent(const TEvent &event);
    bool Commit();
    // Whether Add and AddEvent commit by themselves once a second has passed (they do at first);
    // off, the owner commits, e.g. on a timer of its own, away from whoever adds.
    void SetAutoCommit(bool on) { m_autoCommit = on; }
    // Commits and closes; false when the last commit failed.
    bool Close();

    bool IsOpen() const { return m_db.isValid() && m_db.isOpen(); }
    bool Failed() const { return !m_error.isEmpty(); }
    QString Error() const { return m_error; }
    QString Path() const { return m_path; }
    qint64 Samples() const { return m_samples; }
    qint64 Events() const { return m_events; }
    // The bytes the database and its write-ahead log take now.
    qint64 Size() const;

private:
    struct TChunk
    {
        std::vector<qint64> Times;
        std::vector<qint32> Values;  // sample-major, kSeries a sample; kGap for a gap
    };
    bool Fail(const QString &what, const QString &why);
    bool WriteChunk(const TChunk &chunk);
    void CommitWhenDue();

    QSqlDatabase m_db;
    QString m_connection;
    QString m_path;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    TRecordingInfo m_info;
    bool m_infoChanged = false;
    TChunk m_open;
    std::vector<TChunk> m_full;  // chunks filled since the last commit
    std::vector<TEvent> m_pendingEvents;
    bool m_openDirty = false;
    qint64 m_samples = 0;
    qint64 m_events = 0;
    qint64 m_lastMs = std::numeric_limits<qint64>::min();
    qint64 m_lastCommit = 0;  // QDateTime::currentMSecsSinceEpoch of the last commit
    bool m_autoCommit = true;
};

// The least and greatest value of each series within one pixel column; NaN when it has none.
// Sampled: the column holds samples (a NaN range of a sampled column is a gap of the series; one
// of a column without samples lies between samples further apart than a column).
struct TColumnRange
{
    double Min = std::numeric_limits<double>::quiet_NaN();
    double Max = std::numeric_limits<double>::quiet_NaN();
    bool Sampled = false;
};

// Reads a recording, ours or one being written by another tool (always read-only). The samples
// are read by time range: nothing holds them all.
class TRecordingReader
{
public:
    TRecordingReader();
    ~TRecordingReader();
    TRecordingReader(const TRecordingReader &) = delete;
    TRecordingReader &operator=(const TRecordingReader &) = delete;

    // Opens path; false and why ("is not a recording", "is damaged", "was made by a newer
    // version") when it cannot be read.
    bool Open(const QString &path);
    QString Error() const { return m_error; }
    QString Path() const { return m_path; }
    // Another running tool writes the file (it may grow while open).
    bool BeingWritten() const;

    const TRecordingInfo &Info() const { return m_info; }
    const std::vector<TSeriesInfo> &Series() const { return m_series; }
    // The first and last sample's time and the number of samples (read anew by Refresh).
    qint64 FirstMs() const { return m_firstMs; }
    qint64 LastMs() const { return m_lastMs; }
    qint64 SampleCount() const { return m_count; }
    // Reads the extent again: a file being written has grown.
    bool Refresh();

    // Every sample from from through to, in time order; false when the file could not be read.
    bool ForEachSample(qint64 from, qint64 to, const std::function<void(const TSample &)> &each);
    // The range of [from, to) cut into columns equal parts: per column, each series' least and
    // greatest value (series-major: result[series * columns + column]). A chunk lying in one column
    // counts with its stored least and greatest; only chunks across a column's edge are decoded.
    bool MinMax(qint64 from, qint64 to, int columns, std::vector<TColumnRange> &result);
    // About how many samples lie from from through to: those of the chunks reaching into the range
    // (at most a chunk's worth more at each end); -1 when the file could not be read.
    qint64 CountAbout(qint64 from, qint64 to);
    // The events from from through to, in time order.
    std::vector<TEvent> Events(qint64 from = std::numeric_limits<qint64>::min(),
                               qint64 to = std::numeric_limits<qint64>::max());

private:
    bool Fail(const QString &why);
    struct TChunkRow
    {
        qint64 First;
        qint64 Last;
        int Count;
        QByteArray Data;
        QByteArray MinMax;
    };
    bool ReadChunks(qint64 from, qint64 to, bool withData, const std::function<void(const TChunkRow &)> &each);
    bool Decode(const TChunkRow &row, std::vector<qint64> &times, std::vector<qint32> &values) const;

    QSqlDatabase m_db;
    QString m_connection;
    QString m_path;
    QString m_error;
    TRecordingInfo m_info;
    std::vector<TSeriesInfo> m_series;
    std::vector<double> m_scales;  // 10^-Stored of each series
    qint64 m_firstMs = 0;
    qint64 m_lastMs = 0;
    qint64 m_count = 0;
};

// What a recording says of itself for a list of recordings: its board, start, length, size.
struct TRecordingSummary
{
    QString Path;
    TRecordingInfo Info;
    qint64 FirstMs = 0;
    qint64 LastMs = 0;
    qint64 Size = 0;
    QString Error;  // why it could not be read; the rest is then empty
};
TRecordingSummary Summarise(const QString &path);

// The time of ms as a person reads it: the local date and time "yyyy-MM-dd HH:mm:ss".
QString LocalTimeText(qint64 ms);

}  // namespace rec
