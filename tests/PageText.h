// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the window's page shows for one register of the transfer table, read off its controls.

#include "FormHarness.h"

#include "config/TransferRows.h"
#include "config/ValueText.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

// An edit's text with the unit beside it, a list's item, a box on or off, the checked one of
// exclusive boxes, the numbers of a mask's checked boxes, the week program's first switching time
// of the day shown.
inline QString PageText(const TForm1 &form, int item, int reg)
{
    const TParameterRow &row = TransferRows()[static_cast<size_t>(item)];
    if (row.CodecOf(reg).Kind == TCodecKind::WeekTimes)
        return ControlOf<QLineEdit>(form, "Int11AdvMaskEdit")->text();
    const QString name = row.Controls.value(reg);
    if (auto *edit = form.findChild<QLineEdit *>(name))
        return row.UnitOf(reg).isEmpty() ? edit->text() : edit->text() + QLatin1Char(' ') + row.UnitOf(reg);
    if (auto *list = form.findChild<QComboBox *>(name))
        return list->currentIndex() < 0 ? QString() : list->currentText();
    QStringList checked;
    for (qsizetype j = 0; j < row.Controls.size(); ++j)
        if (ControlOf<QCheckBox>(form, row.Controls[j])->isChecked())
            checked << (row.CodecOf(0).Kind == TCodecKind::Flag ? QStringLiteral("on") : QString::number(j + 1));
    if (row.CodecOf(0).Kind == TCodecKind::Flag)
        return checked.isEmpty() ? QStringLiteral("off") : checked.front();
    if (const QStringList captions = values::ChoiceCaptions(row); !captions.isEmpty())
        return checked.size() == 1 ? captions.value(checked.front().toInt() - 1) : QString();
    return checked.isEmpty() ? QStringLiteral("none") : checked.join(QStringLiteral(", "));
}
