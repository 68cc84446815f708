// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/TrendRecording.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
constexpr qint16 kGap = std::numeric_limits<qint16>::min();
}  // namespace

TTrendRecording::TTrendRecording(int series, qsizetype capacity, int decimals)
    : m_series(std::max(series, 1)),
      m_capacity(std::max<qsizetype>(capacity, 1)),
      m_decimals(std::clamp(decimals, 0, 4)),
      m_scale(std::pow(10.0, m_decimals)),
      m_stamps(static_cast<size_t>(m_capacity)),
      m_values(static_cast<size_t>(m_capacity * m_series))
{
}

void TTrendRecording::Add(qint64 msecsSinceEpoch, std::span<const double> values)
{
    qsizetype slot = 0;
    if (m_count < m_capacity) {
        slot = Slot(m_count);
        ++m_count;
    } else {
        slot = m_first;
        m_first = (m_first + 1) % m_capacity;
        ++m_dropped;
    }
    m_stamps[static_cast<size_t>(slot)] = msecsSinceEpoch;
    qint16 *row = m_values.data() + slot * m_series;
    for (int s = 0; s < m_series; ++s) {
        const double value = s < static_cast<int>(values.size()) ? values[static_cast<size_t>(s)] : std::nan("");
        row[s] =
            std::isnan(value) ? kGap : static_cast<qint16>(std::clamp(std::lround(value * m_scale), -32767L, 32767L));
    }
}

void TTrendRecording::Clear()
{
    m_first = 0;
    m_count = 0;
    m_dropped = 0;
}

qint64 TTrendRecording::Stamp(qsizetype index) const
{
    return m_stamps[static_cast<size_t>(Slot(index))];
}

std::optional<double> TTrendRecording::Value(qsizetype index, int series) const
{
    const qint16 word = m_values[static_cast<size_t>(Slot(index) * m_series + series)];
    if (word == kGap)
        return std::nullopt;
    return word / m_scale;
}

QString TrendValueText(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    double rounded = std::round(value * scale) / scale;
    if (rounded == 0.0)
        rounded = 0.0;  // never "-0.0"
    return QString::number(rounded, 'f', decimals);
}

void TTrendFollow::SetPeriod(qint64 ms)
{
    m_period = std::max<qint64>(ms, 1);
    if (!m_zoomed)
        m_width = Span * m_period;
}

void TTrendFollow::SetPosition(qint64 first, qint64 newest)
{
    const qint64 hidden = newest - first - m_width;
    m_position = hidden > 0 ? static_cast<int>(std::clamp<qint64>((m_from - first) * 100 / hidden, 0, 100)) : 0;
}

void TTrendFollow::MoveTo(qint64 from, qint64 first, qint64 newest)
{
    m_from = std::clamp(from, first, std::max(newest - m_width, first));
    SetPosition(first, newest);
}

void TTrendFollow::Added(qint64 first, qint64 newest, std::optional<qint64> previous)
{
    if (!previous) {
        // The first sample: the view starts there.
        m_from = newest;
        return;
    }
    const qint64 axisEnd = To();
    // The recording has filled the view once: from then on it can be scrolled.
    if (*previous >= axisEnd)
        m_enabled = true;
    // Following: the view reached the previous newest sample, and the new one lies past it.
    if (*previous >= m_from && *previous <= axisEnd && newest > axisEnd)
        m_from = newest - m_width;
    if (m_enabled)
        SetPosition(first, newest);
}

void TTrendFollow::Step(int position, qint64 first, qint64 newest)
{
    if (std::abs(position - m_position) != 1)
        return;
    MoveTo(m_from + (position - m_position) * std::max<qint64>(m_width / Span, 1), first, newest);
}

void TTrendFollow::Track(int position, qint64 first, qint64 newest)
{
    if (std::abs(position - m_lastTracked) <= 5)
        return;
    m_lastTracked = position;
    const qint64 hidden = std::max<qint64>(newest - first - m_width, 0);
    MoveTo(first + hidden * position / 100, first, newest);
    m_position = position;  // the thumb stays where the user put it
}

void TTrendFollow::Show(qint64 from, qint64 width, qint64 first, qint64 newest)
{
    m_from = from;
    m_width = std::max<qint64>(width, 1);
    m_zoomed = true;
    if (m_enabled)
        SetPosition(first, newest);
}

void TTrendFollow::Clear(qint64 now)
{
    m_from = now;
    m_zoomed = false;
    m_width = Span * m_period;
    m_enabled = false;
    m_position = 0;
}
