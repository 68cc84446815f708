// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/TrendSource.h"

#include <QDateTime>
#include <QIODevice>
#include <QTextStream>

#include <algorithm>
#include <cmath>

namespace {

// The column of ms in [from, to) cut into columns, as the reader's MinMax finds it: -1 before,
// columns after.
struct TGrid
{
    qint64 From;
    double Width;
    int Columns;
    int Of(qint64 ms) const
    {
        const double c = std::floor(static_cast<double>(ms - From) / Width);
        return c < 0 ? -1 : c >= Columns ? Columns : static_cast<int>(c);
    }
};

void Merge(rec::TColumnRange &range, double least, double most)
{
    if (std::isnan(range.Min) || least < range.Min)
        range.Min = least;
    if (std::isnan(range.Max) || most > range.Max)
        range.Max = most;
}

}  // namespace

TTrendSource::TTrendSource(int first, int count, int decimals, qsizetype tail)
    : m_first(first), m_count(count), m_tail(count, tail, decimals)
{
}

TTrendSource::~TTrendSource() = default;

void TTrendSource::FileStarted(const QString &path, qint64 since)
{
    m_files.push_back({path, since, nullptr});
    m_writing = true;
}

void TTrendSource::Add(const rec::TSample &sample)
{
    m_tail.Add(sample.Ms, std::span(sample.Values).subspan(static_cast<size_t>(m_first), static_cast<size_t>(m_count)));
    if (m_samples++ == 0) {
        m_firstMs = sample.Ms;
        // The recording begins with its first sample, though it was taken before the window
        // began it (a poll cycle under way at a "Clear"): the file is read from there too.
        if (!m_files.empty())
            m_files.back().Since = std::min(m_files.back().Since, sample.Ms);
    }
    m_lastMs = sample.Ms;
}

void TTrendSource::Clear(qint64 now)
{
    if (m_writing && !m_files.empty()) {
        TFile last = std::move(m_files.back());
        last.Since = now;
        m_files.clear();
        m_files.push_back(std::move(last));
    } else {
        m_files.clear();
    }
    m_tail.Clear();
    m_samples = 0;
    m_firstMs = m_lastMs = 0;
}

bool TTrendSource::TailCovers(qint64 from) const
{
    return m_tail.Dropped() == 0 || (m_tail.Count() > 0 && from >= m_tail.Stamp(0));
}

bool TTrendSource::Open(TFile &file)
{
    if (file.Reader)
        return true;
    auto reader = std::make_unique<rec::TRecordingReader>();
    // A file gone (the folder kept under its size) or not readable yet leaves its part out.
    if (!reader->Open(file.Path)) {
        m_error = reader->Error();
        return false;
    }
    file.Reader = std::move(reader);
    return true;
}

qint64 TTrendSource::DiskEnd()
{
    qint64 end = std::numeric_limits<qint64>::min();
    for (size_t f = 0; f < m_files.size(); ++f) {
        TFile &file = m_files[f];
        if (!file.Final && Open(file) && file.Reader->Refresh()) {
            file.Count = file.Reader->SampleCount();
            file.FirstMs = file.Reader->FirstMs();
            file.LastMs = file.Reader->LastMs();
            file.Final = !(m_writing && f + 1 == m_files.size());
            if (file.Final) {
                const std::vector<rec::TEvent> events = file.Reader->Events();
                file.Reach[0] = events.empty() ? file.FirstMs : std::min(file.FirstMs, events.front().Ms);
                file.Reach[1] = events.empty() ? file.LastMs : std::max(file.LastMs, events.back().Ms);
            }
        }
        if (file.Count > 0)
            end = std::max(end, file.LastMs);
    }
    return end;
}

rec::TRecordingReader *TTrendSource::ReaderFor(TFile &file, qint64 from, qint64 to, bool events)
{
    const qint64 low = std::max(from, file.Since);
    // A file being written may hold events before its first sample, and beyond its last.
    const bool inRange = !file.Final ? low <= to
                         : events    ? low <= to && file.Reach[0] <= to && file.Reach[1] >= low
                                     : file.Count > 0 && low <= to && file.FirstMs <= to && file.LastMs >= low;
    if (!inRange) {
        if (file.Final)
            file.Reader.reset();
        return nullptr;
    }
    return Open(file) ? file.Reader.get() : nullptr;
}

void TTrendSource::ForEachInTail(qint64 after, qint64 from, qint64 to, const TEach &each) const
{
    std::vector<double> values(static_cast<size_t>(m_count));
    for (qsizetype i = 0; i < m_tail.Count(); ++i) {
        const qint64 ms = m_tail.Stamp(i);
        if (ms <= after || ms < from || ms >= to)
            continue;
        for (int s = 0; s < m_count; ++s)
            values[static_cast<size_t>(s)] = m_tail.Value(i, s).value_or(std::nan(""));
        each(ms, values);
    }
}

bool TTrendSource::ForEach(qint64 from, qint64 to, const TEach &each)
{
    // What lies on disk only is read from the files; the tail gives the rest.
    qint64 end = std::numeric_limits<qint64>::min();
    if (!TailCovers(from)) {
        end = DiskEnd();
        for (TFile &file : m_files) {
            const qint64 low = std::max(from, file.Since);
            const qint64 high = std::min(to - 1, end);
            rec::TRecordingReader *reader = ReaderFor(file, low, high);
            if (!reader)
                continue;
            const bool read = reader->ForEachSample(low, high, [&](const rec::TSample &sample) {
                each(sample.Ms,
                     std::span(sample.Values).subspan(static_cast<size_t>(m_first), static_cast<size_t>(m_count)));
            });
            if (!read) {
                m_error = reader->Error();
                return false;
            }
        }
    }
    ForEachInTail(end, from, to, each);
    return true;
}

bool TTrendSource::Columns(qint64 from, qint64 to, int columns, std::vector<rec::TColumnRange> &result)
{
    columns = std::max(columns, 0);
    result.assign(static_cast<size_t>(m_count * columns), rec::TColumnRange{});
    if (columns == 0 || to <= from)
        return true;
    const TGrid grid{from, static_cast<double>(to - from) / columns, columns};
    const auto fold = [&](qint64 ms, std::span<const double> values) {
        const int c = grid.Of(ms);
        if (c < 0 || c >= columns)
            return;
        for (int s = 0; s < m_count; ++s) {
            if (const double v = values[static_cast<size_t>(s)]; !std::isnan(v))
                Merge(result[static_cast<size_t>(s * columns + c)], v, v);
        }
    };
    qint64 end = std::numeric_limits<qint64>::min();
    if (!TailCovers(from)) {
        end = DiskEnd();
        std::vector<rec::TColumnRange> part;
        for (TFile &file : m_files) {
            rec::TRecordingReader *reader = ReaderFor(file, from, to - 1);
            if (!reader)
                continue;
            if (!reader->MinMax(from, to, columns, part)) {
                m_error = reader->Error();
                return false;
            }
            // A file reaching back before the window's recording counts from its start on: the
            // column it starts in is walked sample by sample.
            const int cut = file.Since > from ? grid.Of(file.Since) : -1;
            for (int s = 0; s < m_count; ++s) {
                for (int c = cut + 1; c < columns; ++c) {
                    const rec::TColumnRange &range = part[static_cast<size_t>((m_first + s) * columns + c)];
                    if (!std::isnan(range.Min))
                        Merge(result[static_cast<size_t>(s * columns + c)], range.Min, range.Max);
                }
            }
            if (cut >= 0) {
                const auto edge = static_cast<qint64>(std::ceil(static_cast<double>(from) + (cut + 1) * grid.Width));
                const bool read =
                    reader->ForEachSample(file.Since, std::min(edge, to - 1), [&](const rec::TSample &sample) {
                        if (grid.Of(sample.Ms) == cut)
                            fold(sample.Ms, std::span(sample.Values)
                                                .subspan(static_cast<size_t>(m_first), static_cast<size_t>(m_count)));
                    });
                if (!read) {
                    m_error = reader->Error();
                    return false;
                }
            }
        }
    }
    ForEachInTail(end, from, to, fold);
    return true;
}

qint64 TTrendSource::CountAbout(qint64 from, qint64 to)
{
    qint64 count = 0;
    qint64 end = std::numeric_limits<qint64>::min();
    if (!TailCovers(from)) {
        end = DiskEnd();
        for (TFile &file : m_files) {
            const qint64 low = std::max(from, file.Since);
            if (rec::TRecordingReader *reader = ReaderFor(file, low, to - 1))
                count += std::max<qint64>(reader->CountAbout(low, to - 1), 0);
        }
    }
    for (qsizetype i = 0; i < m_tail.Count(); ++i) {
        const qint64 ms = m_tail.Stamp(i);
        count += ms > end && ms >= from && ms < to ? 1 : 0;
    }
    return count;
}

std::optional<std::pair<qint64, std::vector<double>>> TTrendSource::Nearest(qint64 ms, qint64 within)
{
    std::optional<std::pair<qint64, std::vector<double>>> nearest;
    ForEach(ms - within, ms + within + 1, [&](qint64 at, std::span<const double> values) {
        if (!nearest || std::abs(at - ms) < std::abs(nearest->first - ms))
            nearest.emplace(at, std::vector<double>(values.begin(), values.end()));
    });
    return nearest;
}

std::vector<rec::TEvent> TTrendSource::Events(qint64 from, qint64 to)
{
    std::vector<rec::TEvent> events;
    if (to <= from)
        return events;
    DiskEnd();
    for (TFile &file : m_files) {
        const qint64 low = std::max(from, file.Since);
        rec::TRecordingReader *reader = ReaderFor(file, low, to - 1, true);
        if (!reader)
            continue;
        for (rec::TEvent &event : reader->Events(low, to - 1))
            events.push_back(std::move(event));
    }
    return events;
}

bool TTrendSource::WriteCsv(QIODevice &out, const QStringList &names, const std::vector<int> &decimals, QString *error)
{
    QTextStream text(&out);
    text << "Time;Sample";
    for (const QString &name : names)
        text << ';' << name.trimmed();
    text << '\n';
    qint64 number = 0;
    const bool read = ForEach(std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max(),
                              [&](qint64 ms, std::span<const double> values) {
                                  text << QDateTime::fromMSecsSinceEpoch(ms).toString(Qt::ISODateWithMs) << ';'
                                       << number++;
                                  for (size_t s = 0; s < values.size(); ++s) {
                                      text << ';';
                                      if (!std::isnan(values[s]))
                                          text << TrendValueText(values[s], s < decimals.size() ? decimals[s] : 2);
                                  }
                                  text << '\n';
                              });
    if (!read) {
        *error = m_error;
        return false;
    }
    text.flush();
    if (text.status() != QTextStream::Ok) {
        *error = out.errorString();
        return false;
    }
    return true;
}
