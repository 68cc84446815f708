// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ModbusExceptions.h"

QString ExceptionText(quint8 code)
{
    const char *name = nullptr;
    switch (code) {
    case 1:
        name = "illegal function";
        break;
    case 2:
        name = "illegal data address";
        break;
    case 3:
        name = "illegal data value";
        break;
    case 4:
        name = "server device failure";
        break;
    case 5:
        name = "acknowledge";
        break;
    case 6:
        name = "server device busy";
        break;
    case 8:
        name = "memory parity error";
        break;
    case 10:
        name = "gateway path unavailable";
        break;
    case 11:
        name = "gateway target device failed to respond";
        break;
    default:
        name = "unknown exception";
        break;
    }
    return QStringLiteral("%1 (%2)").arg(QLatin1String(name)).arg(code);
}
