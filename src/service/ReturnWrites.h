// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <functional>
#include <vector>

// One register write that takes an override on the board back to automatic (or off). The question
// before leaving the board lists these writes as they will go out; Taken runs once the board has
// taken the write, so that the page then shows what the board holds.
struct TReturnWrite
{
    quint16 Address = 0;
    quint16 Value = 0;
    QString What;       // what the board then does: "analog input A3 automatic"
    bool Mask = false;  // the value is a bit mask, shown in hex
    std::function<void()> Taken;
};

using TReturnWrites = std::vector<TReturnWrite>;

// "0x031D = 0: analog input A3 automatic", "0x0337 = 0x00FF: digital inputs automatic".
inline QString ReturnWriteText(const TReturnWrite &write)
{
    const auto hex = [](quint16 value) {
        return QStringLiteral("0x") + QString::number(value, 16).toUpper().rightJustified(4, QLatin1Char('0'));
    };
    return QStringLiteral("%1 = %2: %3")
        .arg(hex(write.Address), write.Mask ? hex(write.Value) : QString::number(write.Value), write.What);
}
