// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "params/TSettingsPage.h"

#include "config/TransferRows.h"
#include "config/ValueText.h"
#include "widgets/PageBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {

// Hides a whole row of a group (a control with its label and unit).
void HideRow(QGridLayout *grid, int row)
{
    for (int col = 0; col < grid->columnCount(); ++col)
        if (QLayoutItem *item = grid->itemAtPosition(row, col); item && item->widget())
            item->widget()->hide();
}

// A check box in a cell of a group; label, when given, says more than its caption.
QCheckBox *CellCheck(QGridLayout *grid, int row, int col, const QString &name, const QString &caption,
                     const QString &label = {})
{
    QCheckBox *box = ui::Check(grid->parentWidget(), name, caption);
    if (!label.isEmpty())
        ui::Name(box, label);
    grid->addWidget(box, row, col);
    return box;
}

QLabel *Header(QGridLayout *grid, int col, const QString &text)
{
    auto *label = new QLabel(text, grid->parentWidget());
    grid->addWidget(label, 0, col);
    return label;
}

// The names of one row of a control table, with %1 for the row number: the "En." and "Inv." boxes,
// the input list, the value edit and the list of the last column.
struct TControlRowNames
{
    QString enabled, inverted, input, value, last;
};

// A table of four rows (stop control, output control): "En.", "Inv.", "Input", "Value" and a last
// column of its own. The controls of row n carry Tag n - 1 and are spoken as "<title> n, <column>".
QGroupBox *ControlTable(QWidget *parent, const QString &title, const TControlRowNames &names, const QString &lastHeader)
{
    QGroupBox *group = ui::Group(parent, title);
    QGridLayout *grid = ui::GridOf(group);
    Header(grid, 0, QStringLiteral("En."));
    Header(grid, 1, QStringLiteral("Inv."));
    Header(grid, 2, QStringLiteral("Input"));
    Header(grid, 3, QStringLiteral("Value"));
    Header(grid, 4, lastHeader);
    const QString zeroDecimal = ui::ZeroDecimal();
    for (int n = 1; n <= 4; ++n) {
        const QString row = QString::number(n) + QStringLiteral(", ");
        ui::SetTag(CellCheck(grid, n, 0, names.enabled.arg(n), QString::number(n), row + QStringLiteral("enabled")),
                   n - 1);
        ui::SetTag(CellCheck(grid, n, 1, names.inverted.arg(n), QString(), row + QStringLiteral("inverted")), n - 1);
        ui::SetTag(ui::CellCombo(grid, n, 2, names.input.arg(n), row + QStringLiteral("input"),
                                 values::ListItems(names.input.arg(n))),
                   n - 1);
        ui::SetTag(ui::CellEdit(grid, n, 3, names.value.arg(n), row + QStringLiteral("value"), TAdvEdit::Decimal, 4,
                                zeroDecimal),
                   n - 1);
        ui::SetTag(ui::CellCombo(grid, n, 4, names.last.arg(n), row + lastHeader.toLower(),
                                 values::ListItems(names.last.arg(n))),
                   n - 1);
    }
    return group;
}

QGroupBox *Stack(QVBoxLayout *column, QGroupBox *group)
{
    column->addWidget(group);
    return group;
}

QVBoxLayout *NewColumn(QHBoxLayout *row)
{
    auto *column = new QVBoxLayout;
    column->setSpacing(4);
    row->addLayout(column);
    return column;
}

}  // namespace

TSettingsPage::TSettingsPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("SettingsTabSheet"), context, parent)
{
    using ui::GridOf;
    const QString zero = QStringLiteral("0");
    const QString zeroDecimal = ui::ZeroDecimal();

    QVBoxLayout *page = ui::PageLayout(this);
    QHBoxLayout *top = ui::Row(page);

    // Left column: temperatures and their sensors, the fixed outputs, the unit's mode.
    QVBoxLayout *column = NewColumn(top);

    QGridLayout *grid = GridOf(Stack(column, ui::Group(this, QStringLiteral(" Supply Air "))));
    ui::Edit(grid, 0, 0, QStringLiteral("SupplySPAdvEdit"), QStringLiteral("Temp."), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Combo(grid, 1, 0, QStringLiteral("SupplySensorColumnComboBox"), QStringLiteral("Sens. No"),
              values::ListItems(QStringLiteral("SupplySensorColumnComboBox")), 0);

    grid = GridOf(Stack(column, ui::Group(this, QStringLiteral(" Sensors "))));
    ui::Combo(grid, 0, 0, QStringLiteral("OutdoorSensorColumnComboBox"), QStringLiteral("Outdoor"),
              values::ListItems(QStringLiteral("OutdoorSensorColumnComboBox")), 0);
    // The exhaust sensor is not offered here; its register moves only with a configuration.
    ui::Combo(grid, 1, 0, QStringLiteral("ExhaustSensorColumnComboBox"), QStringLiteral("Outlet"),
              values::ListItems(QStringLiteral("ExhaustSensorColumnComboBox")), 0);
    HideRow(grid, 1);

    grid = GridOf(Stack(column, ui::Group(this, QStringLiteral(" Anti-freezing "))));
    ui::Edit(grid, 0, 0, QStringLiteral("AntiFreezingTempAdvEdit"), QStringLiteral("Temp."), TAdvEdit::SignedDecimal, 5,
             zeroDecimal);
    ui::Combo(grid, 1, 0, QStringLiteral("AntiFreezingSensorColumnComboBox"), QStringLiteral("Sens. No"),
              values::ListItems(QStringLiteral("AntiFreezingSensorColumnComboBox")), 0);

    grid = GridOf(Stack(column, ui::Group(this, QStringLiteral(" Output No "))));
    ui::Combo(grid, 0, 0, QStringLiteral("ActiveControlColumnComboBox"), QStringLiteral("Active Control"),
              values::ListItems(QStringLiteral("ActiveControlColumnComboBox")), 0);
    ui::Combo(grid, 1, 0, QStringLiteral("WaterPumpColumnComboBox"), QStringLiteral("Water Pump"),
              values::ListItems(QStringLiteral("WaterPumpColumnComboBox")), 0);

    grid = GridOf(Stack(column, ui::Group(this, QStringLiteral(" Mode "))));
    QCheckBox *manual = CellCheck(grid, 0, 0, QStringLiteral("ModeMandxfCheckBox"), QStringLiteral("Manual"));
    manual->setChecked(true);
    ui::Exclusive({manual, CellCheck(grid, 0, 1, QStringLiteral("ModeAutdxfCheckBox"), QStringLiteral("Auto"))});
    column->addStretch();

    // Middle column: the heat-recovery rotor and the timers.
    column = NewColumn(top);

    QGroupBox *rotor = Stack(column, ui::Group(this, QStringLiteral(" Rotor ")));
    grid = GridOf(ui::Group(rotor, QString()));
    GridOf(rotor)->addWidget(grid->parentWidget(), 0, 0);
    ui::Combo(grid, 0, 0, QStringLiteral("AnRotorOutputColumnComboBox"), QStringLiteral("AOut"),
              values::ListItems(QStringLiteral("AnRotorOutputColumnComboBox")), 0);
    ui::Combo(grid, 1, 0, QStringLiteral("DiRotorOutputColumnComboBox"), QStringLiteral("DOut"),
              values::ListItems(QStringLiteral("DiRotorOutputColumnComboBox")), 0);
    grid = GridOf(ui::Group(rotor, QStringLiteral(" PI ")));
    GridOf(rotor)->addWidget(grid->parentWidget(), 1, 0);
    ui::Edit(grid, 0, 0, QStringLiteral("RotorPeriodAdvEdit"), QStringLiteral("Period"), TAdvEdit::Unsigned, 3, zero);
    ui::Edit(grid, 1, 0, QStringLiteral("RotorSPWAdvEdit"), QStringLiteral("SPW"), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 2, 0, QStringLiteral("RotorKpAdvEdit"), QStringLiteral("Kp"), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 3, 0, QStringLiteral("RotorKiAdvEdit"), QStringLiteral("Ki"), TAdvEdit::Unsigned, 3, zero);

    grid = GridOf(Stack(column, ui::Group(this, QStringLiteral(" Rotor Stop "))));
    ui::CellEdit(grid, 0, 0, QStringLiteral("RotorTimeAdvEdit"), QStringLiteral("time"), TAdvEdit::Unsigned, 1, zero);
    grid->addWidget(new QLabel(ControlUnit(QStringLiteral("RotorTimeAdvEdit")), grid->parentWidget()), 0, 1);
    grid->setColumnStretch(2, 1);

    grid = GridOf(Stack(column, ui::Group(this, QStringLiteral(" Timers "))));
    ui::SetTag(ui::Edit(grid, 0, 0, QStringLiteral("T1AdvEdit"), QStringLiteral("T1"), TAdvEdit::Unsigned, 3, zero), 0);
    ui::SetTag(ui::Edit(grid, 1, 0, QStringLiteral("T2AdvEdit"), QStringLiteral("T2"), TAdvEdit::Unsigned, 3, zero), 1);
    ui::SetTag(ui::Edit(grid, 2, 0, QStringLiteral("T3AdvEdit"), QStringLiteral("T3"), TAdvEdit::Unsigned, 3, zero), 2);
    column->addStretch();

    // Right column: the inputs that stop the unit, the heater's own stop input, the season.
    column = NewColumn(top);

    grid = GridOf(Stack(column, ui::Group(this, QStringLiteral(" Stop "))));
    for (int n = 1; n <= 8; ++n)
        ui::SetTag(CellCheck(grid, n - 1, 0, QStringLiteral("Din%1dxfCheckBox").arg(n), QStringLiteral("DIN%1").arg(n)),
                   1);
    for (int n = 1; n <= 10; ++n)
        ui::SetTag(CellCheck(grid, n - 1, 1, QStringLiteral("Ain%1dxfCheckBox").arg(n), QStringLiteral("AIN%1").arg(n)),
                   1);

    grid = GridOf(Stack(column, ui::Group(this, QStringLiteral(" Heater Control "))));
    Header(grid, 0, QStringLiteral("En."));
    Header(grid, 1, QStringLiteral("Inv."));
    QLabel *input = Header(grid, 2, QStringLiteral("Input"));
    CellCheck(grid, 1, 0, QStringLiteral("HeaterControldxfCheckBox"), QStringLiteral("1"), QStringLiteral("enabled"));
    CellCheck(grid, 1, 1, QStringLiteral("HeaterControlInvdxfCheckBox"), QString(), QStringLiteral("inverted"));
    input->setBuddy(ui::CellCombo(grid, 1, 2, QStringLiteral("HeaterControlInputColumnComboBox"),
                                  QStringLiteral("input"),
                                  values::ListItems(QStringLiteral("HeaterControlInputColumnComboBox"))));

    grid = GridOf(Stack(column, ui::Group(this, QStringLiteral(" Season "))));
    ui::Combo(grid, 0, 0, QStringLiteral("SeasonModeColumnComboBox"), QStringLiteral("Mode"),
              values::ListItems(QStringLiteral("SeasonModeColumnComboBox")), 0);
    // The season the board is in, which only the board chooses: kept off the page.
    ui::Combo(grid, 1, 0, QStringLiteral("SeasonColumnComboBox"), QStringLiteral("Season"),
              values::ListItems(QStringLiteral("SeasonColumnComboBox")), 0);
    HideRow(grid, 1);
    column->addStretch();

    // Bottom: the four stop controls and the four output controls, one row each.
    QHBoxLayout *bottom = ui::Row(page);

    bottom->addWidget(
        ControlTable(this, QStringLiteral(" Stop Control "),
                     {QStringLiteral("StopControl%1dxfCheckBox"), QStringLiteral("StopControlInv%1dxfCheckBox"),
                      QStringLiteral("StopControlUin%1ColumnComboBox"), QStringLiteral("StopControlValue%1AdvEdit"),
                      QStringLiteral("StopControlCode%1ColumnComboBox")},
                     QStringLiteral("Code")));
    bottom->addWidget(ControlTable(
        this, QStringLiteral(" Output Control "),
        {QStringLiteral("OutputControl%1dxfCheckBox"), QStringLiteral("OutputControlInv%1dxfCheckBox"),
         QStringLiteral("OutputControlInput%1ColumnComboBox"), QStringLiteral("OutputControlValue%1AdvEdit"),
         QStringLiteral("OutputControlOutput%1ColumnComboBox")},
        QStringLiteral("Output")));
    page->addStretch();
}
