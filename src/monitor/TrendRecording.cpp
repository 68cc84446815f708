// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/TrendRecording.h"

#include <QDateTime>
#include <QIODevice>
#include <QStringList>
#include <QTextStream>

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

bool WriteTrendCsv(const TTrendRecording &recording, const QStringList &names, QIODevice &out,
                   const std::vector<int> &decimals)
{
    QTextStream text(&out);
    text << "Time;Sample";
    for (const QString &name : names)
        text << ';' << name.trimmed();
    text << '\n';
    for (qsizetype i = 0; i < recording.Count(); ++i) {
        text << QDateTime::fromMSecsSinceEpoch(recording.Stamp(i)).toString(Qt::ISODateWithMs) << ';'
             << recording.Dropped() + i;
        for (int s = 0; s < recording.Series(); ++s) {
            text << ';';
            const int places =
                static_cast<size_t>(s) < decimals.size() ? decimals[static_cast<size_t>(s)] : recording.Decimals();
            if (const auto value = recording.Value(i, s))
                text << TrendValueText(*value, places);
        }
        text << '\n';
    }
    text.flush();
    return text.status() == QTextStream::Ok;
}

qsizetype TTrendFollow::Visible(qsizetype count) const
{
    return std::clamp<qsizetype>(count - m_first, 0, Span + 1);
}

void TTrendFollow::SetPosition(qsizetype count)
{
    const qsizetype hidden = count - Visible(count);
    m_position = hidden > 0 ? static_cast<int>(m_first * 100 / hidden) : 0;
}

void TTrendFollow::MoveTo(qsizetype first, qsizetype count)
{
    m_first = std::clamp<qsizetype>(first, 0, std::max<qsizetype>(count - Span - 1, 0));
    SetPosition(count);
}

void TTrendFollow::Added(qsizetype count, qsizetype dropped)
{
    // Samples dropped from the front move what is shown with them.
    m_first = std::max<qsizetype>(m_first - dropped, 0);
    const qsizetype axisEnd = m_first + Span;
    // The last sample the view showed before this one.
    const qsizetype lastShown = std::min(axisEnd, count - 2);
    if (lastShown == axisEnd)
        m_enabled = true;
    // Following: the view ended at the previous newest sample, and the new one lies past it.
    if (lastShown == count - 2 && count - 1 > axisEnd)
        ++m_first;
    if (m_enabled)
        SetPosition(count);
}

void TTrendFollow::Step(int position, qsizetype count)
{
    if (std::abs(position - m_position) != 1)
        return;
    MoveTo(m_first + (position - m_position), count);
}

void TTrendFollow::Track(int position, qsizetype count)
{
    if (std::abs(position - m_lastTracked) <= 5)
        return;
    m_lastTracked = position;
    const qsizetype hidden = count - Visible(count);
    MoveTo(hidden * position / 100, count);
    m_position = position;  // the thumb stays where the user put it
}

void TTrendFollow::Clear()
{
    m_first = 0;
    m_enabled = false;
    m_position = 0;
}
