// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The names the board's state bytes are shown by, and the weekday names of its clock.

#include <QString>

#include <optional>

namespace live {

// Ten dashes: a state byte without a name.
QString NoStateText();
// Eight dashes: a weekday outside 1..7.
QString NoDayText();

// 1 = "Sunday" ... 7 = "Saturday", as the board counts; anything else shows eight dashes.
QString DayName(int weekday);

// Rotor state 0..6 ("RS_PASSIVE" ... "RS_COOLING_VAR").
QString RotorStateName(int state);
// Rotor control state 0..3 ("RT_PASSIVE" ... "RT_STOPPING").
QString RotorControlStateName(int state);
// The stage in charge, by the signed byte the board sends (-2 "EH_CONTROL" ... 120 "ID_CONTROL").
// Nothing for a value without a name: the display then keeps what it showed.
std::optional<QString> ControlSourceName(int source);
// Control status 0..5 ("CS_STOP" ... "CS_SOFT_STOP_CONTROL").
QString ControlStatusName(int status);
// Heat-recovery control state 0..21 ("CS_PASSIVE" ... "CS_WAIT_FAN_STOP").
QString RecoveryControlStateName(int state);

// The stop code's meaning as the "Stop" page's boxes word it ("Stop 3 (code 19)",
// "Stop Control 1 (STOP, code 25)"); empty for a code without a box.
QString StopCodeCaption(int code);
inline constexpr int kStop3Code = 19;
inline constexpr int kStop4Code = 20;
inline constexpr int kFirstStopControlCode = 25;  // "STOP", "HEATER", "WATER", "FROST": 25 .. 28
// The warning bits of the status block's digital input word: "DIN3 Warning", "HC Warning".
inline constexpr int kDin3WarningBit = 10;
inline constexpr int kHcWarningBit = 12;

}  // namespace live
