// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QValidator>

// The key filter of a time-of-day edit: "H:MM" or "HH:MM". Any hour and minute digits may be
// typed (24:00 and 7:60 too), so that leaving the edit can say which part is out of range;
// letters, signs, a third digit in either part and minutes without the colon are refused.
class TTimeOfDayFilter : public QValidator
{
public:
    explicit TTimeOfDayFilter(QObject *parent = nullptr) : QValidator(parent) {}
    State validate(QString &input, int &pos) const override;
};
