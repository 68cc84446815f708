// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConfigCompare.h"

#include "config/ConfigFile.h"
#include "config/TransferRows.h"
#include "config/ValueText.h"

#include <algorithm>

std::vector<TConfigDifference> ConfigDifferences(const ConfigImage &left, const ConfigImage &right, qint32 count)
{
    std::vector<TConfigDifference> differences;
    const auto items = std::min({static_cast<size_t>(std::max(count, 0)), left.size(), right.size()});
    for (size_t i = 0; i < items; ++i) {
        const std::vector<quint16> &a = left[i].Values;
        const std::vector<quint16> &b = right[i].Values;
        for (size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
            if (a[k] != b[k])
                differences.push_back({static_cast<qint32>(i), static_cast<int>(k), a[k], b[k]});
        }
    }
    return differences;
}

QString RegisterUnit(int item, int reg)
{
    const std::vector<TParameterRow> &rows = TransferRows();
    if (item < 0 || static_cast<size_t>(item) >= rows.size() || reg < 0
        || reg >= rows[static_cast<size_t>(item)].Registers)
        return {};
    const TParameterRow &row = rows[static_cast<size_t>(item)];
    return Traits(row.CodecOf(reg).Kind).Control == TControlKind::Edit ? row.UnitOf(reg) : QString();
}

QString TShownDifference::Line(const QString &leftName, const QString &rightName) const
{
    const bool lists = Left.contains(QLatin1Char(',')) || Right.contains(QLatin1Char(','));
    QString line =
        QStringLiteral("[%1] %2: %3 %4%5 %6 %7")
            .arg(Section, Key, leftName, Left, lists ? QStringLiteral(";") : QStringLiteral(","), rightName, Right);
    if (!Change.isEmpty())
        line += QStringLiteral(" (%1)").arg(Change);
    return line + QStringLiteral(" [%1, %2]").arg(static_cast<qint16>(LeftWord)).arg(static_cast<qint16>(RightWord));
}

std::vector<TShownDifference> ShownDifferences(const ConfigImage &left, const ConfigImage &right, qint32 count)
{
    std::vector<TShownDifference> shown;
    const std::vector<TParameterRow> &rows = TransferRows();
    for (const TConfigDifference &d : ConfigDifferences(left, right, count)) {
        const ConfigItem &item = left[static_cast<size_t>(d.Item)];
        const QString change = static_cast<size_t>(d.Item) < rows.size()
                                   ? values::MaskChange(rows[static_cast<size_t>(d.Item)], d.Register, d.Left, d.Right)
                                   : QString();
        shown.push_back({item.Section, ConfigKey(item, d.Register), values::ItemText(d.Item, d.Register, d.Left),
                         values::ItemText(d.Item, d.Register, d.Right), RegisterUnit(d.Item, d.Register), d.Left,
                         d.Right, change});
    }
    return shown;
}

QString DifferingRegisters(size_t count)
{
    return count == 1 ? QStringLiteral("1 register differs") : QStringLiteral("%1 registers differ").arg(count);
}
