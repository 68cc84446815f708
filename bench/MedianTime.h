// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The median wall-clock time of a piece of work repeated, for the benchmarks that time one call.
#pragma once

#include <QElapsedTimer>

#include <algorithm>
#include <vector>

// The median of rounds runs of f, in milliseconds.
template <typename F>
double MedianMs(int rounds, F f)
{
    std::vector<double> times;
    for (int r = 0; r < rounds; ++r) {
        QElapsedTimer timer;
        timer.start();
        f();
        times.push_back(static_cast<double>(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}
