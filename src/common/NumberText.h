// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLocale>
#include <QString>
#include <QStringView>

// Texts of numbers as the tool shows them, and the exact takes back from what a user typed.
//
// Texts use ASCII digits and an ASCII minus sign (what the edits' key filters let a user type)
// and the decimal separator of the given locale; grouping separators are never used.

// A time of day from minutes after midnight: "8:00", "0:05", "25:00" for 1500 (hours are not
// wrapped, so a stored value out of range stays visible).
QString TimeOfDayText(quint16 minutes);

// The general text of a floating-point value: up to 15 significant digits, no trailing zeros,
// no separator when there is no fraction ("21.5", "-0.05", "0", "1.2345").
QString FloatText(double value, const QLocale &locale = QLocale());

// The exact text of raw / 10^decimals, as FloatText shows that quotient but computed on the
// integer, so no binary rounding can creep in: (2150, 2) gives "21.5", (-5, 2) "-0.05".
// decimals is 0 to 9.
QString ScaledText(qint64 raw, int decimals, const QLocale &locale = QLocale());

enum class TTakeStatus {
    Ok,
    NotANumber,  // empty, a lone sign or separator, a foreign character, a second separator
    OutOfRange,  // a number, but too large to be any register value
};

struct TNumberTake
{
    TTakeStatus Status = TTakeStatus::NotANumber;
    qint64 Value = 0;

    bool Ok() const { return Status == TTakeStatus::Ok; }
};

// The text's decimal value times 10^decimals, taken on the typed digits (never through a binary
// float): "0.53" at 2 decimals is 53, "21.5" is 2150; further digits are dropped toward zero
// ("-0.537" is -53). Accepts surrounding blanks, one leading '-' or '+', digits and at most one
// decimal separator, '.' or ',' whatever the locale (a technician types either; there is no
// grouping to confuse it with), with a digit on at least one side of it. Magnitudes beyond 10^15
// after scaling are OutOfRange. decimals is 0 to 9.
TNumberTake TakeScaled(QStringView text, int decimals);

// The text as a signed 32-bit decimal integer: surrounding blanks, one leading sign, digits.
// A whole number outside the 32-bit range is OutOfRange.
TNumberTake TakeInteger(QStringView text);

// A register holds 16 bits; a take fits when it is some register's signed or unsigned reading,
// -32768 .. 65535. Its low 16 bits are then the register word.
bool FitsRegister(qint64 value);

// A time of day typed as "H:MM" or "HH:MM" (blanks around either part allowed), as minutes after
// midnight; otherwise Error says why, as the user is told: the conversion error of a part that is
// no number, "Hour < 0 or Hour > 23" or "Min < 0 or Min > 59".
struct TTimeTake
{
    quint16 Minutes = 0;
    QString Error;

    bool Ok() const { return Error.isEmpty(); }
};
TTimeTake TakeTimeOfDay(QStringView text);

// At most length characters of text for a message, an ellipsis standing for the rest: a file's
// bad value may be a megabyte long.
QString Excerpt(QStringView text, int length = 40);

// What the standard error box says about a failed take of text: integerForm chooses the wording
// for texts that must be whole numbers.
QString TakeErrorMessage(TTakeStatus status, QStringView text, bool integerForm);
