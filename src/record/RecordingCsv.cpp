// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/RecordingCsv.h"

#include "monitor/TrendRecording.h"

#include <QIODevice>
#include <QTextStream>

#include <cmath>

namespace rec {

bool WriteCsv(TRecordingReader &reader, qint64 from, qint64 to, QIODevice &out, qint64 *count, QString *error)
{
    QTextStream text(&out);
    text << "Time;Sample";
    for (const TSeriesInfo &series : reader.Series())
        text << ';' << series.Name;
    text << '\n';
    // Numbered from the recording's first sample, as the window numbers them.
    qint64 number = 0;
    if (from > reader.FirstMs())
        reader.ForEachSample(reader.FirstMs(), from - 1, [&](const TSample &) { ++number; });
    qint64 written = 0;
    const auto series = std::min<size_t>(reader.Series().size(), kSeries);
    const bool read = reader.ForEachSample(from, to, [&](const TSample &sample) {
        text << QDateTime::fromMSecsSinceEpoch(sample.Ms).toString(Qt::ISODateWithMs) << ';' << number++;
        for (size_t s = 0; s < series; ++s) {
            text << ';';
            const double value = sample.Values[s];
            if (!std::isnan(value))
                text << TrendValueText(value, reader.Series()[s].Shown);
        }
        text << '\n';
        ++written;
    });
    text.flush();
    if (count)
        *count = written;
    if (!read) {
        *error = reader.Error();
        return false;
    }
    if (text.status() != QTextStream::Ok) {
        *error = out.errorString();
        return false;
    }
    return true;
}

}  // namespace rec
