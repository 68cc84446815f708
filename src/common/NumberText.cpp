// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/NumberText.h"

#include <algorithm>
#include <array>

namespace {

constexpr std::array<qint64, 10> kPowersOfTen{1,      10,      100,      1000,      10000,
                                              100000, 1000000, 10000000, 100000000, 1000000000};
// Scaled takes stop at this magnitude: far beyond any register, far below any overflow.
constexpr qint64 kTakeLimit = 1000000000000000LL;

bool IsAsciiDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

int Clamped(int decimals)
{
    return std::clamp(decimals, 0, static_cast<int>(kPowersOfTen.size()) - 1);
}

}  // namespace

QString TimeOfDayText(quint16 minutes)
{
    return QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
}

QString FloatText(double value, const QLocale &locale)
{
    if (value == 0.0)
        value = 0.0;  // no "-0"
    QString text = QString::number(value, 'g', 15);
    const QString separator = locale.decimalPoint();
    if (separator != QLatin1String("."))
        text.replace(QLatin1Char('.'), separator);
    return text;
}

QString ScaledText(qint64 raw, int decimals, const QLocale &locale)
{
    decimals = Clamped(decimals);
    const qint64 unit = kPowersOfTen[decimals];
    // The magnitude as unsigned, so that the most negative raw value has one too.
    const quint64 magnitude = raw < 0 ? 0 - static_cast<quint64>(raw) : static_cast<quint64>(raw);
    quint64 fraction = magnitude % static_cast<quint64>(unit);
    QString text;
    if (raw < 0)
        text += QLatin1Char('-');
    text += QString::number(magnitude / static_cast<quint64>(unit));
    if (fraction == 0)
        return text;
    int digits = decimals;
    while (fraction % 10 == 0) {
        fraction /= 10;
        --digits;
    }
    text += locale.decimalPoint();
    text += QStringLiteral("%1").arg(fraction, digits, 10, QLatin1Char('0'));
    return text;
}

TNumberTake TakeScaled(QStringView text, int decimals)
{
    decimals = Clamped(decimals);
    const QStringView s = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    const qint64 integerLimit = kTakeLimit / kPowersOfTen[decimals];
    qint64 whole = 0;
    qint64 fraction = 0;
    int fractionDigits = 0;
    bool anyDigit = false;
    bool afterSeparator = false;
    bool tooLarge = false;
    while (i < s.size()) {
        const QChar c = s[i];
        if (IsAsciiDigit(c)) {
            const int digit = c.unicode() - '0';
            anyDigit = true;
            if (!afterSeparator) {
                whole = whole * 10 + digit;
                if (whole > integerLimit) {
                    tooLarge = true;
                    whole = integerLimit;  // keeps scanning for a bad character without overflow
                }
            } else if (fractionDigits < decimals) {
                fraction = fraction * 10 + digit;
                ++fractionDigits;
            }  // digits beyond the scale are dropped: toward zero for either sign
            ++i;
        } else if (!afterSeparator && (c == QLatin1Char('.') || c == QLatin1Char(','))) {
            afterSeparator = true;
            ++i;
        } else {
            return {TTakeStatus::NotANumber, 0};
        }
    }
    if (!anyDigit)
        return {TTakeStatus::NotANumber, 0};
    if (tooLarge)
        return {TTakeStatus::OutOfRange, 0};
    const qint64 magnitude = whole * kPowersOfTen[decimals] + fraction * kPowersOfTen[decimals - fractionDigits];
    return {TTakeStatus::Ok, negative ? -magnitude : magnitude};
}

TNumberTake TakeInteger(QStringView text)
{
    const QStringView s = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    if (i == s.size())
        return {TTakeStatus::NotANumber, 0};
    constexpr qint64 kLimit = qint64(1) << 31;  // magnitude of the most negative 32-bit value
    qint64 magnitude = 0;
    bool tooLarge = false;
    for (; i < s.size(); ++i) {
        if (!IsAsciiDigit(s[i]))
            return {TTakeStatus::NotANumber, 0};
        magnitude = magnitude * 10 + (s[i].unicode() - '0');
        if (magnitude > kLimit) {
            tooLarge = true;
            magnitude = kLimit + 1;
        }
    }
    if (tooLarge || (!negative && magnitude == kLimit))
        return {TTakeStatus::OutOfRange, 0};
    return {TTakeStatus::Ok, negative ? -magnitude : magnitude};
}

bool FitsRegister(qint64 value)
{
    return value >= -32768 && value <= 65535;
}

QString TakeErrorMessage(TTakeStatus status, QStringView text, bool integerForm)
{
    switch (status) {
    case TTakeStatus::Ok:
        break;
    case TTakeStatus::NotANumber:
        return integerForm ? QStringLiteral("'%1' is not a valid integer value").arg(Excerpt(text))
                           : QStringLiteral("'%1' is not a valid number").arg(Excerpt(text));
    case TTakeStatus::OutOfRange:
        return QStringLiteral("'%1' is out of range for its register").arg(Excerpt(text));
    }
    return {};
}

TTimeTake TakeTimeOfDay(QStringView text)
{
    const qsizetype colon = text.indexOf(QLatin1Char(':'));
    const QStringView hourText = colon < 0 ? text : text.left(colon);
    const QStringView minuteText = colon < 0 ? QStringView() : text.mid(colon + 1);
    const TNumberTake hours = TakeInteger(hourText);
    const TNumberTake minutes = TakeInteger(minuteText);
    if (!hours.Ok())
        return {0, TakeErrorMessage(hours.Status, hourText, true)};
    if (!minutes.Ok())
        return {0, TakeErrorMessage(minutes.Status, minuteText, true)};
    if (hours.Value < 0 || hours.Value > 23)
        return {0, QStringLiteral("Hour < 0 or Hour > 23")};
    if (minutes.Value < 0 || minutes.Value > 59)
        return {0, QStringLiteral("Min < 0 or Min > 59")};
    return {static_cast<quint16>(hours.Value * 60 + minutes.Value), {}};
}

QString Excerpt(QStringView text, int length)
{
    if (text.size() <= length)
        return text.toString();
    return text.left(length).toString() + QStringLiteral("...");
}
