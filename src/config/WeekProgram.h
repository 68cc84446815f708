// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <array>

// The week timer program as the board holds it: for each day (0 = Sunday ... 6 = Saturday) six
// switching times in minutes after midnight (three intervals, start and end each) and the
// ventilation level of each of the three intervals.
struct TWeekProgram
{
    static constexpr int kDays = 7;
    static constexpr int kTimesPerDay = 6;
    static constexpr int kLevelsPerDay = 3;

    std::array<std::array<quint16, kTimesPerDay>, kDays> Times{};
    std::array<std::array<quint16, kLevelsPerDay>, kDays> Levels{};
};
