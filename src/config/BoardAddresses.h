// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// The board's command and service registers: everything the tool writes or reads outside the
// configuration rows and the live blocks, by name. A register that belongs to a run is given as
// the run's first address; the run's members follow it one register each.
namespace board {

// Commands of the left column and the control page.
inline constexpr quint16 Clock = 0x0100;                 // 4 words: year, month/day, hour/minute, second/weekday
inline constexpr quint16 StartStop = 0x013A;             // 1 starts the unit, 0 stops it
inline constexpr quint16 RemoteControl = 0x0430;         // start/stop (0) or kitchen hood (1) remote control
inline constexpr quint16 Hearth = 0x0420;                // 1 starts the hearth run, 0 stops it
inline constexpr quint16 AirVolumeCalibration = 0x04FF;  // 1 starts the air-volume calibration

// Week timers, temperature correction and identification.
inline constexpr quint16 WeekTimes = 0x0340;              // 6 per day from Sunday: 0x0340 + 6 x day
inline constexpr quint16 WeekLevels = 0x036A;             // 3 per day from Sunday: 0x036A + 3 x day
inline constexpr quint16 TemperatureCorrection = 0x037F;  // value, start, stop, board number, slave address
inline constexpr quint16 BoardNumber = 0x0382;
inline constexpr quint16 SlaveAddress = 0x0383;
inline constexpr quint16 TimerStore = 0x0384;  // written TimerStoreCommand after a week-program write
inline constexpr quint16 TimerStoreCommand = 0xA563;
inline constexpr quint16 Series = 0x0385;
inline constexpr quint16 Season = 0x0216;   // the season the Settings page shows; in no configuration item
inline constexpr quint16 Version = 0xE700;  // firmware version, board number

// Calibration: inputs AIN1-AIN8, pressure inputs AIN9 and AIN10, outputs AOUT1-AOUT5.
inline constexpr quint16 InputStatus = 0x0500;  // 8 words, low byte non-zero: calibrated
inline constexpr quint16 InputLowReference = 0x0508;
inline constexpr quint16 InputHighReference = 0x0510;
inline constexpr quint16 PressureLimit = 0x0518;  // Plim9, Plim10; Pmax, Offset, Gain and Coef follow in pairs
inline constexpr quint16 PressureOffset = 0x051C;
inline constexpr quint16 PressureGain = 0x051E;
inline constexpr quint16 OutputStatus = 0x0522;  // 8 words read, the first 5 are the outputs
inline constexpr quint16 OutputCode = 0x0527;
inline constexpr quint16 OutputLowVoltage = 0x052C;
inline constexpr quint16 OutputHighVoltage = 0x0531;
inline constexpr quint16 CalibrationMode = 0x0536;  // 0 off, 1 on

}  // namespace board
