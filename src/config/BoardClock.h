// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

#include <array>

// The four clock registers from 0x0100 for a plain date and time: year; month x 256 + day;
// hour x 256 + minute; second x 256 + weekday (1 = Sunday ... 7 = Saturday). Milliseconds are
// dropped.
std::array<quint16, 4> BoardClockWords(QDate date, QTime time);
