// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QtGlobal>

#include <optional>
#include <span>
#include <vector>

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

// Which part of a recording a trend chart shows and where its scroll bar stands, on a clock-time
// axis (milliseconds since the epoch). The view spans Width() from From(); at first (and after
// Clear) Span sample periods from the first sample. It follows the newest sample while the view
// reaches the one before it, and stays where the user scrolled it otherwise.
class TTrendFollow
{
public:
    static constexpr int Span = 100;

    qint64 From() const { return m_from; }
    qint64 Width() const { return m_width; }
    qint64 To() const { return m_from + m_width; }
    bool ScrollBarEnabled() const { return m_enabled; }
    // The scroll bar's position, 0 .. 100: where the view starts within the recording.
    int Position() const { return m_position; }

    // The time between samples: a view the user did not zoom spans Span of them.
    void SetPeriod(qint64 ms);
    // A sample was added at newest; first: the recording's first sample; previous: the newest one
    // before it, none for the first.
    void Added(qint64 first, qint64 newest, std::optional<qint64> previous);
    // A line step of the scroll bar to position: the view moves by a hundredth of its width a step.
    void Step(int position, qint64 first, qint64 newest);
    // The thumb tracked (or paged) to position: the view jumps to that fraction of the recording,
    // unless the position is 5 or less from the last one handled.
    void Track(int position, qint64 first, qint64 newest);
    // The user zoomed or dragged the time axis to from .. from + width.
    void Show(qint64 from, qint64 width, qint64 first, qint64 newest);
    // An empty recording from now: the view starts there, Span periods wide.
    void Clear(qint64 now);

private:
    void SetPosition(qint64 first, qint64 newest);
    void MoveTo(qint64 from, qint64 first, qint64 newest);

    qint64 m_period = 1000;
    qint64 m_from = 0;
    qint64 m_width = Span * 1000;
    bool m_zoomed = false;
    bool m_enabled = false;
    int m_position = 0;
    int m_lastTracked = 0;  // never reset: a window keeps it for its life
};
