// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "live/TInputsOutputsPage.h"

#include "config/Units.h"
#include "widgets/PageBuilder.h"
#include "widgets/TLed.h"
#include "widgets/ValueDisplay.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace {
const QColor kAlarmColour(230, 0, 0);

// The digital inputs as the board's terminals are marked; the spacing lines the numbers up.
const std::array<QString, 8> kDigitalInputCaptions{
    QStringLiteral("Supply air fan overh.      1"),       QStringLiteral("Exhaust air fan overh.   2"),
    QStringLiteral("Rotor stopping               3"),     QStringLiteral("Electric heater overh.    4"),
    QStringLiteral("Start/Stop                       5"), QStringLiteral("Fire alarm                        6"),
    QStringLiteral("Change supply air filter  7"),        QStringLiteral("Chan. exhaust  air filter  8"),
};
// Input 5 is the start/stop switch, a state; the others are alarms.
constexpr int kStartStopInput = 4;

void AddColumnHeads(QGridLayout *grid, int firstColumn)
{
    for (int k = 0; k < 2; ++k) {
        auto *head = new QLabel(k == 0 ? QStringLiteral("A") : QStringLiteral("R"), grid->parentWidget());
        head->setAlignment(Qt::AlignCenter);
        grid->addWidget(head, 0, firstColumn + k);
    }
}

TAdvEdit *ValueEdit(QGridLayout *grid, int row, int col, const QString &name, const QString &accessibleName,
                    const QString &invalidText)
{
    TAdvEdit *edit = ui::CellEdit(grid, row, col, name, accessibleName, TAdvEdit::Text, 0, QString());
    live::MakeDisplayOnly(edit);
    // Room for what the board's values show at their resolution (-40.0 °C, 10.00 V, 100.0 %,
    // 9999 Pa, 12000 m³/h) and for the text of an invalid one. Eight is a digit as wide as any.
    live::FitWidth(edit, {QStringLiteral("-888.88"), invalidText});
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

// One row of an analog table: "Input 1" [A] [R] "°C". The label names the A edit; both edits
// say which column they are for screen readers.
std::array<TAdvEdit *, 2> AnalogRow(QGridLayout *grid, int row, const QString &caption, const QString &unit,
                                    const QString &prefix, int number, const QString &invalidText)
{
    const QString spoken = unit.isEmpty() ? caption : QStringLiteral("%1 (%2)").arg(caption, unit);
    TAdvEdit *a = ValueEdit(grid, row, 1, QStringLiteral("%1%2AAdvEdit").arg(prefix).arg(number),
                            spoken + QStringLiteral(", column A"), invalidText);
    TAdvEdit *r = ValueEdit(grid, row, 2, QStringLiteral("%1%2RAdvEdit").arg(prefix).arg(number),
                            spoken + QStringLiteral(", column R"), invalidText);
    auto *label = new QLabel(caption, grid->parentWidget());
    label->setBuddy(a);
    grid->addWidget(label, row, 0);
    grid->addWidget(new QLabel(unit, grid->parentWidget()), row, 3);
    return {a, r};
}

// One row of a digital table: caption, lamp A, lamp R.
std::array<TLed *, 2> DigitalRow(QGridLayout *grid, int row, const QString &caption, const QString &prefix, int number,
                                 const QColor &colour)
{
    const QString spoken = caption.simplified();
    std::array<TLed *, 2> leds{};
    for (int k = 0; k < 2; ++k) {
        const QString column = k == 0 ? QStringLiteral("A") : QStringLiteral("R");
        auto *led = new TLed(grid->parentWidget(), colour);
        led->setObjectName(QStringLiteral("%1%2%3VrUserLed").arg(prefix).arg(number).arg(column));
        led->setAccessibleName(QStringLiteral("%1, column %2").arg(spoken, column));
        grid->addWidget(led, row, 1 + k, Qt::AlignCenter);
        leds[static_cast<size_t>(k)] = led;
    }
    auto *label = new QLabel(caption, grid->parentWidget());
    label->setBuddy(leds[0]);
    grid->addWidget(label, row, 0);
    return leds;
}

QGridLayout *TableOf(QGroupBox *group)
{
    // Tight: the three columns just fit the page's 552 pixels.
    QGridLayout *grid = ui::GridOf(group);
    grid->setContentsMargins(3, 2, 3, 2);
    grid->setVerticalSpacing(1);
    grid->setHorizontalSpacing(3);
    return grid;
}
}  // namespace

TInputsOutputsPage::TInputsOutputsPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("InputsOutputsTabSheet"), context, parent)
{
    // Three columns, read top to bottom: analog and digital inputs; analog outputs with the fan
    // pressures and air flows; digital outputs.
    QGroupBox *analogInputs =
        ui::Group(this, QStringLiteral(" Analog Inputs "), QStringLiteral("AnalogInputsGroupBox"));
    QGridLayout *grid = TableOf(analogInputs);
    AddColumnHeads(grid, 1);
    for (int i = 0; i < 10; ++i) {
        const auto [a, r] = AnalogRow(grid, i + 1, QStringLiteral("Input %1").arg(i + 1), units::InputUnit(i + 1),
                                      QStringLiteral("Ain"), i + 1, live::kNoSensorText);
        AinAEdits[static_cast<size_t>(i)] = a;
        AinREdits[static_cast<size_t>(i)] = r;
    }

    QGroupBox *digitalInputs =
        ui::Group(this, QStringLiteral(" Digital Inputs "), QStringLiteral("DigitalInputsGroupBox"));
    grid = TableOf(digitalInputs);
    AddColumnHeads(grid, 1);
    for (int i = 0; i < 8; ++i) {
        const QColor colour = i == kStartStopInput ? QColor(0, 200, 0) : kAlarmColour;
        const auto [a, r] = DigitalRow(grid, i + 1, kDigitalInputCaptions[static_cast<size_t>(i)],
                                       QStringLiteral("Din"), i + 1, colour);
        DinALeds[static_cast<size_t>(i)] = a;
        DinRLeds[static_cast<size_t>(i)] = r;
    }

    QGroupBox *analogOutputs =
        ui::Group(this, QStringLiteral(" Analog Outputs "), QStringLiteral("AnalogOutputsGroupBox"));
    grid = TableOf(analogOutputs);
    AddColumnHeads(grid, 1);
    for (int i = 0; i < 8; ++i) {
        const auto [a, r] = AnalogRow(grid, i + 1, QStringLiteral("Out %1").arg(i + 1), units::OutputUnit(i + 1),
                                      QStringLiteral("Aout"), i + 1, live::kInvalidOutputText);
        AoutAEdits[static_cast<size_t>(i)] = a;
        AoutREdits[static_cast<size_t>(i)] = r;
    }

    QGroupBox *fans =
        ui::Group(this, QStringLiteral(" Pressure && Air Flow "), QStringLiteral("PressureAirFlowGroupBox"));
    grid = TableOf(fans);
    for (int k = 0; k < 2; ++k) {
        const int input = 9 + k;
        for (int kind = 0; kind < 2; ++kind) {
            const bool pressure = kind == 0;
            const QString caption =
                pressure ? QStringLiteral("Pressure %1").arg(input) : QStringLiteral("Air Flow %1").arg(input);
            const QString unit = pressure ? units::kPascals : units::kCubicMetresPerHour;
            const QString name =
                pressure ? QStringLiteral("Pa%1AdvEdit").arg(input) : QStringLiteral("AirFlow%1AdvEdit").arg(input);
            const int row = 2 * k + kind;
            TAdvEdit *edit =
                ValueEdit(grid, row, 1, name, QStringLiteral("%1 (%2)").arg(caption, unit), live::kNoSensorText);
            auto *label = new QLabel(caption, fans);
            label->setBuddy(edit);
            grid->addWidget(label, row, 0);
            grid->addWidget(new QLabel(unit, fans), row, 2);
            (pressure ? PaEdits : AirFlowEdits)[static_cast<size_t>(k)] = edit;
        }
    }

    QGroupBox *digitalOutputs =
        ui::Group(this, QStringLiteral(" Digital Outputs "), QStringLiteral("DigitalOutputsGroupBox"));
    grid = TableOf(digitalOutputs);
    AddColumnHeads(grid, 1);
    for (int i = 0; i < 11; ++i) {
        // "Output   1" ... "Output   9", "Output 10", "Output 11".
        const QString caption = (i < 9 ? QStringLiteral("Output   %1") : QStringLiteral("Output %1")).arg(i + 1);
        const auto [a, r] = DigitalRow(grid, i + 1, caption, QStringLiteral("Dout"), i + 1, QColor(0, 200, 0));
        DoutALeds[static_cast<size_t>(i)] = a;
        DoutRLeds[static_cast<size_t>(i)] = r;
    }

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 4, 2, 4);
    layout->setSpacing(3);
    const auto column = [layout](std::initializer_list<QWidget *> groups) {
        auto *stack = new QVBoxLayout;
        stack->setSpacing(4);
        for (QWidget *group : groups)
            stack->addWidget(group);
        stack->addStretch();
        layout->addLayout(stack);
    };
    column({analogInputs, digitalInputs});
    column({analogOutputs, fans});
    column({digitalOutputs});
}

void TInputsOutputsPage::ShowColumnR(const live::StatusBlock &block)
{
    for (size_t i = 0; i < AinREdits.size(); ++i)
        live::Show(AinREdits[i], block.Inputs[i]);
    for (size_t i = 0; i < AoutREdits.size(); ++i)
        live::Show(AoutREdits[i], block.Outputs[i]);
    for (size_t i = 0; i < DinRLeds.size(); ++i)
        live::Show(DinRLeds[i], block.DigitalInput(static_cast<int>(i)));
    for (size_t i = 0; i < DoutRLeds.size(); ++i)
        live::Show(DoutRLeds[i], block.DigitalOutput(static_cast<int>(i)));
    for (size_t i = 0; i < 2; ++i) {
        live::Show(PaEdits[i], block.Pressures[i]);
        live::Show(AirFlowEdits[i], block.AirFlows[i]);
    }
}

void TInputsOutputsPage::ShowColumnA(const live::ColumnABlock &block)
{
    for (size_t i = 0; i < AinAEdits.size(); ++i)
        live::Show(AinAEdits[i], block.Inputs[i]);
    for (size_t i = 0; i < AoutAEdits.size(); ++i)
        live::Show(AoutAEdits[i], block.Outputs[i]);
    for (size_t i = 0; i < DinALeds.size(); ++i)
        live::Show(DinALeds[i], block.DigitalInput(static_cast<int>(i)));
    for (size_t i = 0; i < DoutALeds.size(); ++i)
        live::Show(DoutALeds[i], block.DigitalOutput(static_cast<int>(i)));
}
