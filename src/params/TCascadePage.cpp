// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "params/TCascadePage.h"

#include "config/ValueText.h"
#include "widgets/PageBuilder.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

TCascadePage::TCascadePage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("CascadeTabSheet"), context, parent)
{
    using ui::GridOf;
    const QString zero = QStringLiteral("0");
    const QString zeroDecimal = ui::ZeroDecimal();

    QVBoxLayout *page = ui::PageLayout(this);
    QHBoxLayout *top = ui::Row(page);
    page->addStretch();

    // Room-temperature cascade: the supply-air set point follows the room.
    QGroupBox *cascade = ui::Group(this, QStringLiteral(" Cascade "));
    top->addWidget(cascade, 0, Qt::AlignTop);
    QGridLayout *grid = GridOf(cascade);
    ui::Combo(grid, 0, 0, QStringLiteral("RegulationModeColumnComboBox"), QStringLiteral("Mode"),
              values::ListItems(QStringLiteral("RegulationModeColumnComboBox")), 0);
    // Whole degrees 0 .. 5.
    ui::Edit(grid, 1, 0, QStringLiteral("RegulationTempDiffAdvEdit"), QStringLiteral("Temp. Diff."), TAdvEdit::Unsigned,
             1, zero);
    ui::Edit(grid, 2, 0, QStringLiteral("RoomAirAdvEdit"), QStringLiteral("Room Air"), TAdvEdit::Decimal, 4,
             zeroDecimal);
    ui::Combo(grid, 3, 0, QStringLiteral("RoomSensorNoColumnComboBox"), QStringLiteral("Sensor No"),
              values::ListItems(QStringLiteral("RoomSensorNoColumnComboBox")), 0);
    ui::Edit(grid, 4, 0, QStringLiteral("SupplyAirMinLimitAdvEdit"), QStringLiteral("Supply Air Min Limit"),
             TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 5, 0, QStringLiteral("SupplyAirMaxLimitAdvEdit"), QStringLiteral("Supply Air Max Limit"),
             TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 6, 0, QStringLiteral("MaximumDiffAdvEdit"), QStringLiteral("Maximum Diff."), TAdvEdit::Decimal, 4,
             zeroDecimal);
    QGroupBox *regulator = ui::Group(cascade, QStringLiteral(" Cascade "));
    grid->addWidget(regulator, 7, 0, 1, 3);
    grid = GridOf(regulator);
    ui::Edit(grid, 0, 0, QStringLiteral("WCCascPeriodAdvEdit"), QStringLiteral("Period"), TAdvEdit::Unsigned, 3, zero);
    ui::Edit(grid, 1, 0, QStringLiteral("WCCascSPWAdvEdit"), QStringLiteral("SPW"), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 2, 0, QStringLiteral("WCCascKpAdvEdit"), QStringLiteral("Kp"), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 3, 0, QStringLiteral("WCCascKiAdvEdit"), QStringLiteral("Ki"), TAdvEdit::Unsigned, 3, zero);

    // Recirculation and its daily period.
    QGroupBox *recirculation = ui::Group(this, QStringLiteral(" Recirculation "));
    top->addWidget(recirculation, 0, Qt::AlignTop);
    grid = GridOf(recirculation);
    const auto check = [&](int row, const QString &name, const QString &caption) {
        grid->addWidget(ui::Check(recirculation, name, caption), row, 0, 1, 3);
    };
    check(0, QStringLiteral("RcEnableddxfCheckBox"), QStringLiteral("Enabled"));
    check(1, QStringLiteral("RcStopFandxfCheckBox"), QStringLiteral("Stop Exhaust Fan"));
    check(2, QStringLiteral("RcStopRotordxfCheckBox"), QStringLiteral("Stop Rotor"));
    check(3, QStringLiteral("RecycleActivedxfCheckBox"), QStringLiteral("Active"));
    // The edits hold the minutes they show from the start: an offline Save takes those.
    ui::TimeEdit(grid, 4, 0, QStringLiteral("RecycleStartAdvMaskEdit"), QStringLiteral("Start"), 8 * 60);
    ui::TimeEdit(grid, 5, 0, QStringLiteral("RecycleStopAdvMaskEdit"), QStringLiteral("Stop"), 18 * 60);
}
