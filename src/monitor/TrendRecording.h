// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QtGlobal>

#include <optional>
#include <span>
#include <vector>

class QIODevice;

// The samples of one trend window, kept compact so that a recording left running for days fits in
// bounded memory: per sample a time stamp and, per series, a value as a 16-bit word in units of
// 10^-decimals, or a gap. At the capacity the oldest sample makes room for the newest.
class TTrendRecording
{
public:
    TTrendRecording(int series, qsizetype capacity, int decimals);

    // One sample: a value for every series, NaN for a gap. A value is kept to its decimals, and
    // within +-32767 of its units (a board's 16-bit register at 0 decimals, +-327.67 at 2).
    void Add(qint64 msecsSinceEpoch, std::span<const double> values);
    void Clear();

    int Series() const { return m_series; }
    int Decimals() const { return m_decimals; }
    qsizetype Capacity() const { return m_capacity; }
    // The samples kept, oldest first.
    qsizetype Count() const { return m_count; }
    // Samples that made room for newer ones since the last Clear: sample i of the recording is
    // number Dropped() + i since recording began.
    qint64 Dropped() const { return m_dropped; }
    qint64 Stamp(qsizetype index) const;
    // Series s of sample index; nothing for a gap.
    std::optional<double> Value(qsizetype index, int series) const;

private:
    qsizetype Slot(qsizetype index) const { return (m_first + index) % m_capacity; }

    int m_series;
    qsizetype m_capacity;
    int m_decimals;
    double m_scale;
    std::vector<qint64> m_stamps;
    std::vector<qint16> m_values;  // capacity x series, sample-major
    qsizetype m_first = 0;
    qsizetype m_count = 0;
    qint64 m_dropped = 0;
};

// A recorded value to decimals places, halves away from zero as the window rounds what it shows,
// with the decimal point '.'.
QString TrendValueText(double value, int decimals);

// Writes the recording as CSV: a header ("Time;Sample;" and the series names), then a line a sample
// with its local time (ISO 8601 with milliseconds), its number and one cell per series, empty for a
// gap, the decimal point '.', each series to its own decimals as given (an on/off state, recorded
// as 1 and 0, to none), else to the recording's. False when the device fails.
bool WriteTrendCsv(const TTrendRecording &recording, const QStringList &names, QIODevice &out,
                   const std::vector<int> &decimals = {});

// Which samples a trend chart shows and where its scroll bar stands. The time axis shows Span + 1
// samples from First; it follows the newest sample while the view ends at the one before it, and
// stays where the user scrolled it otherwise.
class TTrendFollow
{
public:
    static constexpr qsizetype Span = 100;

    qsizetype First() const { return m_first; }
    bool ScrollBarEnabled() const { return m_enabled; }
    // The scroll bar's position, 0 .. 100: where the view starts within the recording.
    int Position() const { return m_position; }

    // A sample was added: count samples are recorded now (and the oldest may have been dropped,
    // dropped of them this time).
    void Added(qsizetype count, qsizetype dropped = 0);
    // A line step of the scroll bar to position: the view moves by the difference.
    void Step(int position, qsizetype count);
    // The thumb tracked (or paged) to position: the view jumps to that fraction of the recording,
    // unless the position is 5 or less from the last one handled.
    void Track(int position, qsizetype count);
    void Clear();

private:
    qsizetype Visible(qsizetype count) const;
    void SetPosition(qsizetype count);
    void MoveTo(qsizetype first, qsizetype count);

    qsizetype m_first = 0;
    bool m_enabled = false;
    int m_position = 0;
    int m_lastTracked = 0;  // never reset: a window keeps it for its life
};
