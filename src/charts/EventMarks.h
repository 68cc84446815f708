// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/Recording.h"

#include <vector>

class QCustomPlot;

// A recording's events as marks on a chart whose time axis counts seconds since the epoch.

// Events within this many pixels of the mouse are named on hover.
inline constexpr int kEventHoverPixels = 4;

// Marks the events of from .. to along the top of chart, which shows that range at width pixels:
// a stop cause's in red, the others' in grey; one mark a pixel column, a stop cause before others.
// The chart's other items go.
void DrawEventMarks(QCustomPlot *chart, const std::vector<rec::TEvent> &events, qint64 from, qint64 to, int width);
// The events within kEventHoverPixels of ms on a chart showing from .. to at width pixels, a line
// each: their local time and text.
QStringList EventsNear(const std::vector<rec::TEvent> &events, qint64 ms, qint64 from, qint64 to, int width);
