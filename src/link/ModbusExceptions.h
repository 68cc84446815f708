// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// A Modbus exception code as every message names it, with its number: "illegal data address (2)";
// a code the protocol does not define as "unknown exception (N)".
QString ExceptionText(quint8 code);
