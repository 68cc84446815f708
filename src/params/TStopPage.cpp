// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "params/TStopPage.h"

#include "monitor/StateNames.h"
#include "widgets/PageBuilder.h"
#include "widgets/ValueDisplay.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace {
using live::kDin3WarningBit;
using live::kFirstStopControlCode;
using live::kHcWarningBit;
using live::kStop3Code;
using live::kStop4Code;

QCheckBox *StateBox(QWidget *parent, const QString &name, const QString &caption)
{
    QCheckBox *box = ui::Check(parent, name, caption);
    live::MakeDisplayOnly(box);
    return box;
}
}  // namespace

TStopPage::TStopPage(TPageContext &context, QWidget *parent) : TPage(QStringLiteral("StopTabSheet"), context, parent)
{
    QGroupBox *din = ui::Group(this, QStringLiteral(" DIN Stop "), QStringLiteral("DINStopGroupBox"));
    for (int i = 0; i < 8; ++i) {
        DIChecks[static_cast<size_t>(i)] =
            StateBox(din, QStringLiteral("DI%1dxfCheckBox").arg(i + 1), QStringLiteral("DIN%1").arg(i + 1));
        ui::GridOf(din)->addWidget(DIChecks[static_cast<size_t>(i)], i % 4, i / 4);
    }

    QGroupBox *ain = ui::Group(this, QStringLiteral(" AIN Stop "), QStringLiteral("AINStopGroupBox"));
    for (int i = 0; i < 10; ++i) {
        AIChecks[static_cast<size_t>(i)] =
            StateBox(ain, QStringLiteral("AI%1dxfCheckBox").arg(i + 1), QStringLiteral("AIN%1").arg(i + 1));
        ui::GridOf(ain)->addWidget(AIChecks[static_cast<size_t>(i)], i % 5, i / 5);
    }

    QGroupBox *reason = ui::Group(this, QStringLiteral(" Stop Reason "), QStringLiteral("StopReasonGroupBox"));
    QGridLayout *grid = ui::GridOf(reason);
    StopCodeAdvEdit = ui::Edit(grid, 0, 0, QStringLiteral("StopCodeAdvEdit"), QStringLiteral("Stop Code"),
                               TAdvEdit::Text, 6, QString());
    live::MakeDisplayOnly(StopCodeAdvEdit);
    StopCodeAdvEdit->setAlignment(Qt::AlignRight);
    Stop3dxfCheckBox = StateBox(reason, QStringLiteral("Stop3dxfCheckBox"), live::StopCodeCaption(kStop3Code));
    Stop4dxfCheckBox = StateBox(reason, QStringLiteral("Stop4dxfCheckBox"), live::StopCodeCaption(kStop4Code));
    grid->addWidget(Stop3dxfCheckBox, 1, 0, 1, 3);
    grid->addWidget(Stop4dxfCheckBox, 2, 0, 1, 3);
    for (int i = 0; i < 4; ++i) {
        QCheckBox *box = StateBox(reason, QStringLiteral("StopCntrl%1dxfCheckBox").arg(i + 1),
                                  live::StopCodeCaption(kFirstStopControlCode + i));
        StopCntrlChecks[static_cast<size_t>(i)] = box;
        grid->addWidget(box, 3 + i, 0, 1, 3);
    }

    QGroupBox *warnings = ui::Group(this, QStringLiteral(" Warnings "), QStringLiteral("WarningsGroupBox"));
    DIN3WarningdxfCheckBox =
        StateBox(warnings, QStringLiteral("DIN3WarningdxfCheckBox"), QStringLiteral("DIN3 Warning"));
    HCWarningdxfCheckBox = StateBox(warnings, QStringLiteral("HCWarningdxfCheckBox"), QStringLiteral("HC Warning"));
    ui::GridOf(warnings)->addWidget(DIN3WarningdxfCheckBox, 0, 0);
    ui::GridOf(warnings)->addWidget(HCWarningdxfCheckBox, 1, 0);

    ErrLoAdvEdit = ui::CellEdit(grid, 7, 0, QStringLiteral("ErrLoAdvEdit"), QStringLiteral("Error word, low"),
                                TAdvEdit::Text, 6, QString());
    ErrHiAdvEdit = ui::CellEdit(grid, 7, 1, QStringLiteral("ErrHiAdvEdit"), QStringLiteral("Error word, high"),
                                TAdvEdit::Text, 6, QString());
    for (TAdvEdit *edit : {ErrLoAdvEdit, ErrHiAdvEdit}) {
        live::MakeDisplayOnly(edit);
        edit->hide();
    }

    auto *left = new QVBoxLayout;
    left->addWidget(din);
    left->addWidget(ain);
    left->addStretch();
    auto *right = new QVBoxLayout;
    right->addWidget(reason);
    right->addWidget(warnings);
    right->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(left);
    layout->addLayout(right);
    layout->addStretch();
}

void TStopPage::ShowStopState(const live::StatusBlock &block)
{
    live::Show(DIN3WarningdxfCheckBox, block.DigitalInput(kDin3WarningBit));
    live::Show(HCWarningdxfCheckBox, block.DigitalInput(kHcWarningBit));
    live::Show(AIChecks[8], (block.PressureStopFlags & 0x0001) != 0);
    live::Show(AIChecks[9], (block.PressureStopFlags & 0x0002) != 0);
    for (int i = 0; i < 8; ++i) {
        live::Show(DIChecks[static_cast<size_t>(i)], (block.StopFlags >> i & 1) != 0);
        live::Show(AIChecks[static_cast<size_t>(i)], (block.StopFlags >> (8 + i) & 1) != 0);
    }
    live::Show(StopCodeAdvEdit, QString::number(block.StopCode));
    live::Show(Stop3dxfCheckBox, block.StopCode == kStop3Code);
    live::Show(Stop4dxfCheckBox, block.StopCode == kStop4Code);
    for (int i = 0; i < 4; ++i)
        live::Show(StopCntrlChecks[static_cast<size_t>(i)], block.StopCode == kFirstStopControlCode + i);
}
