// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "report/ReportData.h"

#include <cstdlib>

namespace {

// The In/Out page's items of what a technician forces, and how each says "forced".
constexpr int kAnalogInputModes = 77;    // a word a channel: non-zero is manual
constexpr int kAnalogOutputModes = 79;   // a word a channel: non-zero is manual
constexpr int kDigitalInputModes = 82;   // a mask: a clear bit is manual
constexpr int kDigitalOutputModes = 85;  // a mask: a clear bit is manual
constexpr int kSimulationModes = 87;     // a mask: a set bit runs the channel as PWM
constexpr int kDigitalInputs = 8;
constexpr int kDigitalOutputs = 11;
constexpr int kSimulationChannels = 3;

const ConfigItem *ItemOf(const TReportData &data, int item)
{
    return item < data.Items && item < static_cast<int>(data.Board.size()) ? &data.Board[static_cast<size_t>(item)]
                                                                           : nullptr;
}

QString Span(qint64 seconds)
{
    const qint64 d = seconds / 86400;
    const qint64 h = seconds % 86400 / 3600;
    const qint64 min = seconds % 3600 / 60;
    const qint64 s = seconds % 60;
    QStringList parts;
    if (d > 0)
        parts << QStringLiteral("%1 d").arg(d);
    if (h > 0)
        parts << QStringLiteral("%1 h").arg(h);
    // Minutes and seconds say something only within a day, and seconds only within an hour.
    if (min > 0 && d == 0)
        parts << QStringLiteral("%1 min").arg(min);
    if (s > 0 && d == 0 && h == 0)
        parts << QStringLiteral("%1 s").arg(s);
    return parts.join(QLatin1Char(' '));
}

}  // namespace

std::optional<QDateTime> BoardTime(const QList<quint16> &status)
{
    if (status.size() < 4)
        return std::nullopt;
    const QDate date(status[0], status[1] >> 8, status[1] & 0xFF);
    const QTime time(status[2] >> 8, status[2] & 0xFF, status[3] >> 8);
    if (!date.isValid() || !time.isValid())
        return std::nullopt;
    return QDateTime(date, time);
}

QString ClockDifference(const QDateTime &pc, const std::optional<QDateTime> &board)
{
    if (!board || !pc.isValid())
        return {};
    // The board keeps local time without a zone: compared as the PC's local wall clock.
    const QDateTime wall(pc.date(), QTime(pc.time().hour(), pc.time().minute(), pc.time().second()));
    const qint64 ahead = wall.secsTo(*board);
    if (std::llabs(ahead) <= 60)
        return {};
    return QStringLiteral("%1 %2 the PC")
        .arg(Span(std::llabs(ahead)), ahead > 0 ? QStringLiteral("ahead of") : QStringLiteral("behind"));
}

QStringList ForcedWarnings(const TReportData &data)
{
    QStringList warnings;
    const auto perWord = [&](int item, const QString &what) {
        if (const ConfigItem *modes = ItemOf(data, item)) {
            for (size_t k = 0; k < modes->Values.size(); ++k)
                if (modes->Values[k] != 0)
                    warnings << QStringLiteral("%1 A%2 is in manual").arg(what).arg(k + 1);
        }
    };
    const auto perBit = [&](int item, int channels, const QString &what, const QString &prefix) {
        if (const ConfigItem *mask = ItemOf(data, item); mask && !mask->Values.empty()) {
            for (int k = 0; k < channels; ++k)
                if ((mask->Values.front() >> k & 1) == 0)
                    warnings << QStringLiteral("%1 %2%3 is in manual").arg(what, prefix).arg(k + 1);
        }
    };
    perWord(kAnalogInputModes, QStringLiteral("Analog input"));
    perWord(kAnalogOutputModes, QStringLiteral("Analog output"));
    perBit(kDigitalInputModes, kDigitalInputs, QStringLiteral("Digital input"), QStringLiteral("IN"));
    perBit(kDigitalOutputModes, kDigitalOutputs, QStringLiteral("Digital output"), QStringLiteral("OUT"));
    if (const ConfigItem *sim = ItemOf(data, kSimulationModes); sim && !sim->Values.empty()) {
        for (int k = 0; k < kSimulationChannels; ++k)
            if (sim->Values.front() >> k & 1)
                warnings << QStringLiteral("Simulation channel T%1 is on (PWM)").arg(k + 1);
    }
    if (data.CalibrationMode != 0)
        warnings << QStringLiteral("Calibration mode is on");
    return warnings;
}
