// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "params/THeatingPage.h"

#include "config/TransferRows.h"
#include "config/ValueText.h"
#include "widgets/PageBuilder.h"
#include "widgets/TParameterEditor.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
// The row of the three power edits.
constexpr int kPowerItem = 46;
}  // namespace

THeatingPage::THeatingPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("HeatingTabSheet"), context, parent)
{
    const QString zero = QStringLiteral("0");
    const QString zeroDecimal = ui::ZeroDecimal();

    QVBoxLayout *page = ui::PageLayout(this);
    QHBoxLayout *top = ui::Row(page);

    // The water heater.
    QGroupBox *water = ui::Group(this, QStringLiteral(" Water "));
    top->addWidget(water, 0, Qt::AlignTop);
    QGridLayout *outer = ui::GridOf(water);
    QGridLayout *grid = ui::GridOf(ui::InnerGroup(outer, 0, QStringLiteral(" Mode ")));
    ui::Exclusive({ui::CellCheck(grid, 0, 0, QStringLiteral("WHNonedxfCheckBox"), QStringLiteral("Off"), true),
                   ui::CellCheck(grid, 0, 1, QStringLiteral("WHPIdxfCheckBox"), QStringLiteral("On"))});
    ui::Edit(outer, 1, 0, QStringLiteral("WHPeriodAdvEdit"), QStringLiteral("Period"), TAdvEdit::Unsigned, 3, zero);
    ui::Combo(outer, 2, 0, QStringLiteral("WHOutputColumnComboBox"), QStringLiteral("Output"),
              values::ListItems(QStringLiteral("WHOutputColumnComboBox")), 0);
    ui::Edit(outer, 3, 0, QStringLiteral("UOffAdvEdit"), QStringLiteral("U Off"), TAdvEdit::Decimal, 4, zeroDecimal);
    grid = ui::GridOf(ui::InnerGroup(outer, 4, QStringLiteral(" PI ")));
    ui::Edit(grid, 0, 0, QStringLiteral("WHPISPWAdvEdit"), QStringLiteral("SPW"), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 1, 0, QStringLiteral("WHPIKpAdvEdit"), QStringLiteral("Kp"), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 2, 0, QStringLiteral("WHPIKiAdvEdit"), QStringLiteral("Ki"), TAdvEdit::Unsigned, 3, zero);

    // The electric heater.
    QGroupBox *electric = ui::Group(this, QStringLiteral(" Electric "));
    top->addWidget(electric, 0, Qt::AlignTop);
    outer = ui::GridOf(electric);
    grid = ui::GridOf(ui::InnerGroup(outer, 0, QStringLiteral(" Mode ")));
    ui::Exclusive({ui::CellCheck(grid, 0, 0, QStringLiteral("EHNonedxfCheckBox"), QStringLiteral("Off"), true),
                   ui::CellCheck(grid, 0, 1, QStringLiteral("EHAnalogdxfCheckBox"), QStringLiteral("Analog")),
                   ui::CellCheck(grid, 1, 0, QStringLiteral("EHAnDigdxfCheckBox"), QStringLiteral("An+Dig")),
                   ui::CellCheck(grid, 1, 1, QStringLiteral("EHpwm3dxfCheckBox"), QStringLiteral("3xPWM"))});
    ui::Edit(outer, 1, 0, QStringLiteral("EHPeriodAdvEdit"), QStringLiteral("Period"), TAdvEdit::Unsigned, 3, zero);
    grid = ui::GridOf(ui::InnerGroup(outer, 2, QStringLiteral(" PI ")));
    ui::Edit(grid, 0, 0, QStringLiteral("EHPISPWAdvEdit"), QStringLiteral("SPW"), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 1, 0, QStringLiteral("EHPIKpAdvEdit"), QStringLiteral("Kp"), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 2, 0, QStringLiteral("EHPIKiAdvEdit"), QStringLiteral("Ki"), TAdvEdit::Unsigned, 3, zero);

    // The electric heater's stages: one row each, Tag = row - 1. Stage I has no digital output.
    QHBoxLayout *bottom = ui::Row(page);
    QGroupBox *stages = ui::Group(this, QStringLiteral(" Stages "));
    bottom->addWidget(stages, 0, Qt::AlignTop);
    grid = ui::GridOf(stages);
    grid->addWidget(new QLabel(QStringLiteral("Power"), stages), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("An. Output"), stages), 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Dig. Output"), stages), 0, 4);
    const QStringList stageNames = {QStringLiteral("Stage I"), QStringLiteral("Stage II"), QStringLiteral("Stage III")};
    for (int n = 1; n <= 3; ++n) {
        const QString &stage = stageNames.at(n - 1);
        m_stages[n - 1] = ui::CellCheck(grid, n, 0, QStringLiteral("Stage%1dxfCheckBox").arg(n), stage, true);
        ui::SetTag(m_stages[n - 1], n - 1);
        context.Editor.Override(m_stages[n - 1], [this, n] { StagedxfCheckBoxClick(n - 1); });
        ui::SetTag(ui::CellEdit(grid, n, 1, QStringLiteral("Power%1AdvEdit").arg(n), stage + QStringLiteral(" power"),
                                TAdvEdit::Unsigned, 3, zero),
                   n - 1);
        grid->addWidget(new QLabel(ControlUnit(QStringLiteral("Power%1AdvEdit").arg(n)), stages), n, 2);
        ui::SetTag(ui::CellCombo(grid, n, 3, QStringLiteral("AnOutput%1ColumnComboBox").arg(n),
                                 stage + QStringLiteral(" analog output"),
                                 values::ListItems(QStringLiteral("AnOutput%1ColumnComboBox").arg(n))),
                   n - 1);
        if (n > 1)
            ui::SetTag(ui::CellCombo(grid, n, 4, QStringLiteral("DigOutput%1ColumnComboBox").arg(n),
                                     stage + QStringLiteral(" digital output"),
                                     values::ListItems(QStringLiteral("DigOutput%1ColumnComboBox").arg(n))),
                       n - 2);
    }

    QGroupBox *sequence = ui::Group(this, QStringLiteral(" Heating Sequence "));
    bottom->addWidget(sequence, 0, Qt::AlignTop);
    ui::CellCombo(ui::GridOf(sequence), 0, 0, QStringLiteral("HeatingSequenceColumnComboBox"),
                  QStringLiteral("Heating sequence"),
                  values::ListItems(QStringLiteral("HeatingSequenceColumnComboBox")));
    bottom->addStretch();
    page->addStretch();
    // The three power edits are one parameter to the board's eyes: each edit needs the others too.
    context.Editor.TakeRowTogether(kPowerItem);
}

void THeatingPage::StagedxfCheckBoxClick(int tag)
{
    QCheckBox *first = m_stages[0];
    QCheckBox *second = m_stages[1];
    QCheckBox *third = m_stages[2];
    if (tag == 0) {
        // Stage I cannot be switched off: nothing changes on the board.
        first->setChecked(true);
        return;
    }
    if (tag == 1 && !second->isChecked())
        third->setChecked(false);
    if (tag == 2 && third->isChecked())
        second->setChecked(true);
    Editor().Apply(first);
}
