// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/BoardClock.h"

std::array<quint16, 4> BoardClockWords(QDate date, QTime time)
{
    // Qt counts Monday = 1 ... Sunday = 7.
    const int weekday = date.dayOfWeek() % 7 + 1;
    return {static_cast<quint16>(date.year()), static_cast<quint16>(date.month() * 256 + date.day()),
            static_cast<quint16>(time.hour() * 256 + time.minute()),
            static_cast<quint16>(time.second() * 256 + weekday)};
}
