// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "params/TCoolingPage.h"

#include "config/ValueText.h"
#include "widgets/PageBuilder.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

TCoolingPage::TCoolingPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("CoolingTabSheet"), context, parent)
{
    using ui::GridOf;
    const QString zero = QStringLiteral("0");
    const QString zeroDecimal = ui::ZeroDecimal();

    QVBoxLayout *page = ui::PageLayout(this);
    QHBoxLayout *top = ui::Row(page);
    page->addStretch();

    // The water cooler.
    QGroupBox *water = ui::Group(this, QStringLiteral(" Water "));
    top->addWidget(water, 0, Qt::AlignTop);
    QGridLayout *outer = GridOf(water);
    QGridLayout *grid = GridOf(ui::InnerGroup(outer, 0, QStringLiteral(" Mode ")));
    ui::Exclusive({ui::CellCheck(grid, 0, 0, QStringLiteral("WCNonedxfCheckBox"), QStringLiteral("Off"), true),
                   ui::CellCheck(grid, 0, 1, QStringLiteral("WCPIdxfCheckBox"), QStringLiteral("On"))});
    ui::Edit(outer, 1, 0, QStringLiteral("WCPeriodAdvEdit"), QStringLiteral("Period"), TAdvEdit::Unsigned, 3, zero);
    ui::Combo(outer, 2, 0, QStringLiteral("WCOutputColumnComboBox"), QStringLiteral("Output"),
              values::ListItems(QStringLiteral("WCOutputColumnComboBox")), 0);
    grid = GridOf(ui::InnerGroup(outer, 3, QStringLiteral(" PI ")));
    ui::Edit(grid, 0, 0, QStringLiteral("WCPISPWAdvEdit"), QStringLiteral("SPW"), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 1, 0, QStringLiteral("WCPIKpAdvEdit"), QStringLiteral("Kp"), TAdvEdit::Decimal, 4, zeroDecimal);
    ui::Edit(grid, 2, 0, QStringLiteral("WCPIKiAdvEdit"), QStringLiteral("Ki"), TAdvEdit::Unsigned, 3, zero);

    // The DX cooler: one or two compressor outputs ("0" for Output II: none).
    QGroupBox *dx = ui::Group(this, QStringLiteral(" DX cooling "));
    top->addWidget(dx, 0, Qt::AlignTop);
    outer = GridOf(dx);
    grid = GridOf(ui::InnerGroup(outer, 0, QStringLiteral(" Mode ")));
    ui::Exclusive({ui::CellCheck(grid, 0, 0, QStringLiteral("ECNonedxfCheckBox"), QStringLiteral("Off"), true),
                   ui::CellCheck(grid, 0, 1, QStringLiteral("ECOndxfCheckBox"), QStringLiteral("On"))});
    grid = GridOf(ui::InnerGroup(outer, 1, QStringLiteral(" Outputs ")));
    ui::SetTag(ui::Combo(grid, 0, 0, QStringLiteral("ECOutput1ColumnComboBox"), QStringLiteral("Output I"),
                         values::ListItems(QStringLiteral("ECOutput1ColumnComboBox")), 0),
               0);
    ui::SetTag(ui::Combo(grid, 1, 0, QStringLiteral("ECOutput2ColumnComboBox"), QStringLiteral("Output II"),
                         values::ListItems(QStringLiteral("ECOutput2ColumnComboBox")), 0),
               1);
    // The delay before the second stage is not offered here; it moves only with a configuration.
    QGroupBox *time = ui::InnerGroup(outer, 2, QStringLiteral(" Time "));
    ui::Edit(GridOf(time), 0, 0, QStringLiteral("ECTimeAdvEdit"), QStringLiteral("I->II"), TAdvEdit::Unsigned, 3, zero);
    time->hide();
    top->addStretch();
}
