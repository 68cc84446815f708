// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The units the window shows beside values, one spelling for the window and z4ctl.

#include <QString>

namespace units {

inline const QString kDegrees = QStringLiteral("°C");
inline const QString kSeconds = QStringLiteral("sec");
inline const QString kMinutes = QStringLiteral("min");
inline const QString kVolts = QStringLiteral("V");
inline const QString kPercent = QStringLiteral("%");
inline const QString kPascals = QStringLiteral("Pa");
inline const QString kCubicMetresPerHour = QStringLiteral("m³/h");

// Analog input 1-10 as the board measures it: 1-4 temperatures, 5-8 volts, 9-10 percent.
inline QString InputUnit(int input)
{
    if (input <= 4)
        return kDegrees;
    return input <= 8 ? kVolts : kPercent;
}

// Analog output 1-8: 1-5 volts, 6-8 percent.
inline QString OutputUnit(int output)
{
    return output <= 5 ? kVolts : kPercent;
}

}  // namespace units
