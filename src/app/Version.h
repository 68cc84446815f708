// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>

// The tool's version as the user reads it: fixed-point with two decimals in the user's locale.
inline QString ToolVersionText(const QLocale &locale = QLocale())
{
    return locale.toString(2.07, 'f', 2);
}
