// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/EditRule.h"

#include "common/NumberText.h"

#include <algorithm>

namespace {

// Digits a user types after the separator in an edit of kind.
int TypedDecimals(TCodecKind kind)
{
    switch (kind) {
    case TCodecKind::Centi:
    case TCodecKind::CentiU:
        return 2;
    case TCodecKind::Deci:
        return 1;
    default:
        return 0;
    }
}

}  // namespace

bool IsEditedItem(int item)
{
    return std::any_of(kEditedItems.cbegin(), kEditedItems.cend(),
                       [item](const auto &run) { return item >= run.first && item <= run.second; });
}

bool IsTypedRegister(int item, int reg)
{
    const std::vector<TParameterRow> &rows = TransferRows();
    if (item < 0 || item >= static_cast<int>(rows.size()))
        return false;
    const TParameterRow &row = rows[static_cast<size_t>(item)];
    return IsEditedItem(item) && reg >= 0 && reg < row.Registers
           && Traits(row.CodecOf(reg).Kind).Control == TControlKind::Edit;
}

TNumberTake TakeEditText(TCodecKind kind, QStringView text)
{
    TNumberTake take;
    switch (kind) {
    case TCodecKind::Centi:
    case TCodecKind::CentiU:
    case TCodecKind::Deci:
        take = TakeScaled(text, TypedDecimals(kind));
        break;
    case TCodecKind::Int:
    case TCodecKind::UInt:
        take = TakeInteger(text);
        break;
    case TCodecKind::Tenths:
        take = TakeInteger(text);
        take.Value *= 10;
        break;
    default:
        return take;
    }
    if (take.Ok() && !FitsRegister(take.Value))
        take.Status = TTakeStatus::OutOfRange;
    return take;
}

bool TakesWholeNumbers(TCodecKind kind)
{
    return TypedDecimals(kind) == 0;
}

TEditRange EditRange(const TParameterRow &row, int reg)
{
    const TCodecKind kind = row.CodecOf(reg).Kind;
    const TLimits &limits = row.LimitsOf(reg);
    const int scale = kind == TCodecKind::Tenths ? 10 : 1;
    return {limits.Min / scale, limits.Max / scale, TypedDecimals(kind),
            *EditText(kind, static_cast<quint16>(limits.Min)) + QStringLiteral(" .. ")
                + *EditText(kind, static_cast<quint16>(limits.Max))};
}

TEditTake TakeTyped(const TParameterRow &row, int reg, QStringView text)
{
    const TCodecKind kind = row.CodecOf(reg).Kind;
    qint64 value = 0;
    if (kind == TCodecKind::TimeOfDay) {
        const TTimeTake time = TakeTimeOfDay(text);
        if (!time.Ok())
            return {TEditTake::Malformed, 0, time.Error};
        value = time.Minutes;
    } else {
        const TNumberTake take = TakeEditText(kind, text);
        if (take.Status == TTakeStatus::NotANumber)
            return {TEditTake::Malformed, 0, TakeErrorMessage(take.Status, text, TakesWholeNumbers(kind))};
        if (!take.Ok())
            return {TEditTake::OutOfRange, 0, {}};
        value = take.Value;
    }
    if (!row.LimitsOf(reg).Contains(value))
        return {TEditTake::OutOfRange, 0, {}};
    return {TEditTake::Taken, static_cast<quint16>(value), {}};
}

std::vector<TValueOutsideLimits> ValuesOutsideLimits(const ConfigImage &image, int items)
{
    std::vector<TValueOutsideLimits> outside;
    const auto count = std::min({static_cast<size_t>(std::max(items, 0)), image.size(), TransferRows().size()});
    for (size_t i = 0; i < count; ++i) {
        const TParameterRow &row = TransferRows()[i];
        const ConfigItem &item = image[i];
        const int registers = std::min(row.Registers, static_cast<int>(item.Values.size()));
        for (int reg = 0; reg < registers; ++reg) {
            const TCodecKind kind = row.CodecOf(reg).Kind;
            if (Traits(kind).Control != TControlKind::Edit || row.Limits.empty())
                continue;
            const quint16 value = item.Values[static_cast<size_t>(reg)];
            // Signed kinds compare the word as signed, the others as unsigned.
            const bool isSigned = StorableRange(kind)->Min < 0;
            const qint64 raw = isSigned ? qint64{static_cast<qint16>(value)} : qint64{value};
            const TLimits &limits = row.LimitsOf(reg);
            // A Tenths edit takes whole seconds: tenths left over are no value it can hold.
            const bool tenthsLeft = kind == TCodecKind::Tenths && value % 10 != 0;
            if (limits.Contains(raw) && !tenthsLeft)
                continue;
            const QString unit = row.UnitOf(reg);
            const auto withUnit = [&unit](const QString &text) {
                return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
            };
            outside.push_back({static_cast<int>(i), reg, value, withUnit(*ExactEditText(kind, value)),
                               withUnit(EditRange(row, reg).Text)});
        }
    }
    return outside;
}
