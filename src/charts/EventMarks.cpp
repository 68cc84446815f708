// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "charts/EventMarks.h"

#include <qcustomplot.h>

#include <algorithm>
#include <cmath>

void DrawEventMarks(QCustomPlot *chart, const std::vector<rec::TEvent> &events, qint64 from, qint64 to, int width)
{
    chart->clearItems();
    if (to <= from || width <= 0)
        return;
    int lastColumn = -1;
    bool lastStop = false;
    for (const rec::TEvent &event : events) {
        if (event.Ms < from || event.Ms > to)
            continue;
        const auto column =
            static_cast<int>(static_cast<double>(event.Ms - from) / static_cast<double>(to - from) * width);
        const bool stop = event.Kind == QLatin1String("stop");
        if (column == lastColumn && (lastStop || !stop))
            continue;
        lastColumn = column;
        lastStop = stop;
        auto *mark = new QCPItemLine(chart);
        const double x = static_cast<double>(event.Ms) / 1000;
        for (QCPItemPosition *end : {mark->start, mark->end}) {
            end->setTypeX(QCPItemPosition::ptPlotCoords);
            end->setTypeY(QCPItemPosition::ptAxisRectRatio);
        }
        mark->start->setCoords(x, 0.0);
        mark->end->setCoords(x, 0.12);
        mark->setPen(QPen(stop ? QColor(210, 0, 0) : QColor(128, 128, 128), 2));
    }
}

QStringList EventsNear(const std::vector<rec::TEvent> &events, qint64 ms, qint64 from, qint64 to, int width)
{
    QStringList lines;
    if (to <= from)
        return lines;
    const double msPerPixel = static_cast<double>(to - from) / std::max(width, 1);
    for (const rec::TEvent &event : events) {
        if (std::abs(static_cast<double>(event.Ms - ms)) <= kEventHoverPixels * msPerPixel)
            lines << QStringLiteral("%1  %2").arg(rec::LocalTimeText(event.Ms), event.Text);
    }
    return lines;
}
