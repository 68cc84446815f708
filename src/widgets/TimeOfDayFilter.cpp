// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TimeOfDayFilter.h"

#include <QRegularExpression>

QValidator::State TTimeOfDayFilter::validate(QString &input, int &) const
{
    static const QRegularExpression complete(QStringLiteral("^[0-9]{1,2}:[0-9]{2}$"));
    // On the way there: up to two hour digits, then the colon, then up to two minute digits; the
    // hour may be empty while it is retyped.
    static const QRegularExpression partial(QStringLiteral("^[0-9]{0,2}(:[0-9]{0,2})?$"));
    if (complete.match(input).hasMatch())
        return Acceptable;
    return partial.match(input).hasMatch() ? Intermediate : Invalid;
}
