// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "params/TControlPage.h"

#include "config/BoardAddresses.h"
#include "config/BoardClock.h"
#include "session/TUserMessages.h"
#include "widgets/PageBuilder.h"
#include "widgets/TLed.h"
#include "widgets/TParameterEditor.h"
#include "widgets/ValueDisplay.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include <tuple>

namespace {
constexpr int kStateChars = 30;

TAdvEdit *StateEdit(QGridLayout *grid, int row, const QString &name, const QString &label)
{
    TAdvEdit *edit = ui::Edit(grid, row, 0, name, label, TAdvEdit::Text, kStateChars, QString());
    live::MakeDisplayOnly(edit);
    // Wide enough for the longest state name.
    edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("CS_MAX_ELECTRIC_HEATER_CONTROL")) + 16);
    return edit;
}

QLabel *DebugText(QWidget *parent, const QString &name, const QString &accessibleName, int minimumChars)
{
    QLabel *text = ui::Value(parent, name, accessibleName);
    text->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    text->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    text->setMinimumWidth(text->fontMetrics().horizontalAdvance(QString(minimumChars, QLatin1Char('F'))) + 8);
    return text;
}
}  // namespace

TControlPage::TControlPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("ControlTabSheet"), context, parent)
{
    QGroupBox *recovery = ui::Group(this, QStringLiteral(" Heat Recovery "), QStringLiteral("HeatRecoveryGroupBox"));
    QGridLayout *grid = ui::GridOf(recovery);
    TRecuAdvEdit = StateEdit(grid, 0, QStringLiteral("TRecuAdvEdit"), QStringLiteral("trecu"));
    RtStateAdvEdit = StateEdit(grid, 1, QStringLiteral("RtStateAdvEdit"), QStringLiteral("rt_state"));
    RtControlStateAdvEdit =
        StateEdit(grid, 2, QStringLiteral("RtControlStateAdvEdit"), QStringLiteral("rt_control_state"));
    RtPowerAdvEdit = StateEdit(grid, 3, QStringLiteral("RtPowerAdvEdit"), QStringLiteral("rt_power"));
    ControlStatusAdvEdit = StateEdit(grid, 4, QStringLiteral("ControlStatusAdvEdit"), QStringLiteral("control_status"));
    HRCControlStateAdvEdit =
        StateEdit(grid, 5, QStringLiteral("HRCControlStateAdvEdit"), QStringLiteral("hrc_control_state"));
    ControlStateAdvEdit = StateEdit(grid, 6, QStringLiteral("ControlStateAdvEdit"), QStringLiteral("control_state"));
    for (TAdvEdit *edit : {TRecuAdvEdit, RtPowerAdvEdit}) {
        edit->setAlignment(Qt::AlignRight);
        edit->setMinimumWidth(0);
        edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("BAD VALUE")) + 24);
    }
    // The rotor's direction beside its state.
    auto *lamps = new QHBoxLayout;
    HeatingVrUserLed = new TLed(recovery, QColor(255, 110, 0));
    CoolingVrUserLed = new TLed(recovery, QColor(0, 110, 255));
    for (auto [led, name, caption] : {std::tuple{HeatingVrUserLed, "HeatingVrUserLed", "Heating"},
                                      std::tuple{CoolingVrUserLed, "CoolingVrUserLed", "Cooling"}}) {
        led->setObjectName(QLatin1String(name));
        led->setAccessibleName(QLatin1String(caption));
        auto *label = new QLabel(QLatin1String(caption), recovery);
        label->setBuddy(led);
        lamps->addWidget(led);
        lamps->addWidget(label);
        lamps->addSpacing(8);
    }
    lamps->addStretch();
    grid->addLayout(lamps, 7, 1, 1, 2);

    QGroupBox *debug = ui::Group(this, QStringLiteral(" Debug Variables "), QStringLiteral("DebugVariablesGroupBox"));
    grid = ui::GridOf(debug);
    grid->setHorizontalSpacing(6);
    for (int i = 0; i < 10; ++i) {
        const int row = i % 5;
        const int col = i / 5 * 4;
        const QString number = QString::number(i + 1);
        auto *label = new QLabel(QStringLiteral("DV%1").arg(number), debug);
        QLabel *decimal = DebugText(debug, QStringLiteral("DV%1DStaticText").arg(number),
                                    QStringLiteral("DV%1, decimal").arg(number), 6);
        QLabel *hex = DebugText(debug, QStringLiteral("DV%1HStaticText").arg(number),
                                QStringLiteral("DV%1, hex").arg(number), 10);
        label->setBuddy(decimal);
        grid->addWidget(label, row, col);
        grid->addWidget(decimal, row, col + 1);
        grid->addWidget(hex, row, col + 2);
        DVDTexts[static_cast<size_t>(i)] = decimal;
        DVHTexts[static_cast<size_t>(i)] = hex;
    }
    grid->setColumnMinimumWidth(3, 12);

    auto *clock = new QGroupBox(QStringLiteral(" Clock Test "), this);
    VrDemoButton1 = new QPushButton(QStringLiteral("Set 00:14:00"), clock);
    VrDemoButton1->setObjectName(QStringLiteral("VrDemoButton1"));
    VrDemoButton2 = new QPushButton(QStringLiteral("Set 05:59:00"), clock);
    VrDemoButton2->setObjectName(QStringLiteral("VrDemoButton2"));
    auto *clockLayout = new QVBoxLayout(clock);
    clockLayout->addWidget(VrDemoButton1);
    clockLayout->addWidget(VrDemoButton2);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(recovery, 0, Qt::AlignLeft);
    layout->addWidget(debug, 0, Qt::AlignLeft);
    layout->addWidget(clock, 0, Qt::AlignLeft);
    layout->addStretch();

    connect(VrDemoButton1, &QPushButton::clicked, this, &TControlPage::VrDemoButton1Click);
    connect(VrDemoButton2, &QPushButton::clicked, this, &TControlPage::VrDemoButton2Click);
}

void TControlPage::WriteClock(QPushButton *button, int hour, int minute)
{
    const QDate today = Now().date();
    const QTime time(hour, minute);
    const TQuestion question{
        .Title = QStringLiteral("Clock Test"),
        .Text = QStringLiteral("Set the board's clock to %1 %2? The unit then runs its week program as at that time; "
                               "set the clock right afterwards (\"Set\" under Date & Time).")
                    .arg(today.toString(Qt::ISODate), time.toString(QStringLiteral("HH:mm:ss"))),
        .GoText = QStringLiteral("Set the clock")};
    if (Messages().Ask(question) != TChoice::Go)
        return;
    Editor().WriteBlock(button, board::Clock, BoardClockWords(today, time));
}

void TControlPage::VrDemoButton1Click()
{
    WriteClock(VrDemoButton1, 0, 14);
}

void TControlPage::VrDemoButton2Click()
{
    WriteClock(VrDemoButton2, 5, 59);
}

void TControlPage::ShowHeatRecovery(const live::HeatRecoveryBlock &block)
{
    live::Show(TRecuAdvEdit, block.Temperature);
    live::Show(RtPowerAdvEdit, block.RotorPower);
    live::Show(RtStateAdvEdit, block.RotorState);
    live::Show(HeatingVrUserLed, block.Heating);
    live::Show(CoolingVrUserLed, block.Cooling);
    live::Show(RtControlStateAdvEdit, block.RotorControlState);
    if (block.ControlSource)
        live::Show(ControlStateAdvEdit, *block.ControlSource);
    live::Show(HRCControlStateAdvEdit, block.RecoveryControlState);
    live::Show(ControlStatusAdvEdit, block.ControlStatus);
}

void TControlPage::ShowDiagnostics(const live::DiagnosticsBlock &block)
{
    for (size_t i = 0; i < DVDTexts.size(); ++i) {
        live::Show(DVDTexts[i], block.Decimal[i]);
        live::Show(DVHTexts[i], block.Hex[i]);
    }
}
