// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

// What one Modbus request can carry: a read of holding registers (function 3) at most 125
// registers, a write of several (function 16) at most 123.
inline constexpr qint32 kMaxReadRegisters = 125;
inline constexpr qint32 kMaxWriteRegisters = 123;
