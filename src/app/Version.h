#pragma once

#include <QLocale>
#include <QString>

// The tool's version as the user reads it: fixed-point with two decimals in the user's locale.
inline QString ToolVersionText(const QLocale &locale = QLocale())
{
    return locale.toString(2.07, 'f', 2);
}
