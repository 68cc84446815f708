// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "params/TVentilationPage.h"

#include "config/BoardAddresses.h"
#include "config/ValueText.h"
#include "session/TBoardSession.h"
#include "session/TUserMessages.h"
#include "widgets/EditApplied.h"
#include "widgets/PageBuilder.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

// The page's items: from the fan mode to the remote-control block, which ends the page.
constexpr int kFanModeItem = 96;
constexpr int kRemoteControlFirstItem = 134;
constexpr int kRemoteControlLastItem = 136;
// The supply and exhaust intensities I..III.
constexpr int kSupplyIntensityItem = 117;
constexpr int kExhaustIntensityItem = 118;

// A number text with the user's decimal separator in place of ".".
QString Localized(const char *text)
{
    return QString::fromLatin1(text).replace(QLatin1Char('.'), QLocale().decimalPoint());
}

QPushButton *Button(QWidget *parent, const QString &name, const QString &caption, const QString &description)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(description);
    button->setToolTip(description);
    return button;
}

// Column headings "Supply" and "Exhaust" over columns 1 and 2 of a table of edits.
void SupplyExhaustHeadings(QGridLayout *grid)
{
    grid->addWidget(new QLabel(QStringLiteral("Supply"), grid->parentWidget()), 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Exhaust"), grid->parentWidget()), 0, 2);
}

// A row of a supply/exhaust table: the row's label names the supply edit; both carry tag.
void SupplyExhaustRow(QGridLayout *grid, int row, const QString &label, const QString &supply, const QString &exhaust,
                      TAdvEdit::Kind kind, int maxLength, const QString &initial, int supplyTag, int exhaustTag)
{
    TAdvEdit *s = ui::Edit(grid, row, 0, supply, label, kind, maxLength, initial);
    ui::Name(s, QStringLiteral("Supply ") + label);
    ui::SetTag(s, supplyTag);
    TAdvEdit *e = ui::CellEdit(grid, row, 2, exhaust, QStringLiteral("Exhaust ") + label, kind, maxLength, initial);
    ui::SetTag(e, exhaustTag);
}

// " Mode ": how the fans run; exactly one is chosen.
QGroupBox *Mode(QWidget *parent)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Mode "), QStringLiteral("ModeGroupBox"));
    QGridLayout *grid = ui::GridOf(group);
    QCheckBox *boxes[] = {
        ui::Check(group, QStringLiteral("ThreeSpeeddxfCheckBox"), QStringLiteral(" 3 Speed"), true),
        ui::Check(group, QStringLiteral("FixedValdxfCheckBox"), QStringLiteral("Fixed Values")),
        ui::Check(group, QStringLiteral("PControldxfCheckBox"), QStringLiteral("Pressure Control")),
        ui::Check(group, QStringLiteral("WithoutExhaustdxfCheckBox"), QStringLiteral("Without Exhaust")),
    };
    for (int i = 0; i < 4; ++i)
        grid->addWidget(boxes[i], i, 0);
    ui::Exclusive({boxes[0], boxes[1], boxes[2], boxes[3]});
    return group;
}

// " Outputs ": the digital outputs of fan speeds I..III (two each, "0" = none) and the analog
// outputs of the supply and exhaust fans.
QGroupBox *Outputs(QWidget *parent)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Outputs "), QStringLiteral("VentOutputsGroupBox"));
    QGridLayout *grid = ui::GridOf(group);
    const QString speeds[] = {QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III")};
    const QString which[] = {QStringLiteral("first"), QStringLiteral("second")};
    for (int row = 0; row < 3; ++row) {
        for (int k = 0; k < 2; ++k) {
            const int tag = 2 * row + k;
            QComboBox *output =
                ui::Combo(grid, row, k, QStringLiteral("VentOutput%1ColumnComboBox").arg(tag + 1),
                          k == 0 ? speeds[row] : QString(),
                          values::ListItems(QStringLiteral("VentOutput%1ColumnComboBox").arg(tag + 1)), 0);
            ui::Name(output, QStringLiteral("Speed %1, %2 output").arg(speeds[row], which[k]));
            ui::SetTag(output, tag);
        }
    }
    ui::Combo(grid, 3, 0, QStringLiteral("SFanOutputColumnComboBox"), QStringLiteral("Ysupply"),
              values::ListItems(QStringLiteral("SFanOutputColumnComboBox")), 0);
    ui::Combo(grid, 4, 0, QStringLiteral("EFanOutputColumnComboBox"), QStringLiteral("Yexhaust"),
              values::ListItems(QStringLiteral("EFanOutputColumnComboBox")), 0);
    return group;
}

// " Fan Speed Correction ": raises or lowers the fan speed by an analog input.
QGroupBox *FanSpeedCorrection(QWidget *parent)
{
    QGroupBox *group =
        ui::Group(parent, QStringLiteral(" Fan Speed Correction "), QStringLiteral("FanSpeedCorrectionGroupBox"));
    QGridLayout *grid = ui::GridOf(group);
    grid->addWidget(ui::Check(group, QStringLiteral("CorOndxfCheckBox"), QStringLiteral("On")), 0, 0, 1, 2);
    QCheckBox *above = ui::Check(group, QStringLiteral("AbovedxfCheckBox"), QStringLiteral("Above"), true);
    QCheckBox *below = ui::Check(group, QStringLiteral("BelowdxfCheckBox"), QStringLiteral("Below"));
    ui::Exclusive({above, below});
    grid->addWidget(above, 1, 0, 1, 2);
    grid->addWidget(below, 1, 2);
    ui::Combo(grid, 2, 0, QStringLiteral("CorInputColumnComboBox"), QStringLiteral("Input"),
              values::ListItems(QStringLiteral("CorInputColumnComboBox")), 0);
    ui::Edit(grid, 3, 0, QStringLiteral("CorKpAdvEdit"), QStringLiteral("Kp"), TAdvEdit::Decimal, 4, Localized("0.0"));
    ui::Edit(grid, 4, 0, QStringLiteral("ValueAdvEdit"), QStringLiteral("Value"), TAdvEdit::Decimal, 4,
             Localized("0.0"));
    grid->setColumnStretch(3, 1);
    return group;
}

// " Outdoor Temp. Influence ".
QGroupBox *OutdoorInfluence(QWidget *parent)
{
    QGroupBox *group =
        ui::Group(parent, QStringLiteral(" Outdoor Temp. Influence "), QStringLiteral("InfluenceGroupBox"));
    ui::GridOf(group)->addWidget(ui::Check(group, QStringLiteral("InfluencedxfCheckBox"), QStringLiteral("On")), 0, 0);
    return group;
}

// " Pressure Control ": the pressure input and PI loop of each fan. Tags 0..7 are the rows of
// the limit table the edits share (supply SPW, Period, Kp, Ki, then the same for exhaust).
QGroupBox *PressureControl(QWidget *parent)
{
    QGroupBox *group =
        ui::Group(parent, QStringLiteral(" Pressure Control "), QStringLiteral("PressureControlGroupBox"));
    QGridLayout *grid = ui::GridOf(group);
    SupplyExhaustHeadings(grid);
    ui::Name(ui::Combo(grid, 1, 0, QStringLiteral("SPControlInputColumnComboBox"), QStringLiteral("Input"),
                       values::ListItems(QStringLiteral("SPControlInputColumnComboBox")), 0),
             QStringLiteral("Supply input"));
    ui::Name(ui::Combo(grid, 1, 1, QStringLiteral("EPControlInputColumnComboBox"), {},
                       values::ListItems(QStringLiteral("EPControlInputColumnComboBox")), 0),
             QStringLiteral("Exhaust input"));
    SupplyExhaustRow(grid, 2, QStringLiteral("SPW"), QStringLiteral("SPControlSPWAdvEdit"),
                     QStringLiteral("EPControlSPWAdvEdit"), TAdvEdit::Decimal, 4, Localized("0.0"), 0, 4);
    SupplyExhaustRow(grid, 3, QStringLiteral("Period"), QStringLiteral("SPControlPeriodAdvEdit"),
                     QStringLiteral("EPControlPeriodAdvEdit"), TAdvEdit::Unsigned, 3, QStringLiteral("1"), 1, 5);
    SupplyExhaustRow(grid, 4, QStringLiteral("Kp"), QStringLiteral("SPControlKpAdvEdit"),
                     QStringLiteral("EPControlKpAdvEdit"), TAdvEdit::Decimal, 4, Localized("0.0"), 2, 6);
    SupplyExhaustRow(grid, 5, QStringLiteral("Ki"), QStringLiteral("SPControlKiAdvEdit"),
                     QStringLiteral("EPControlKiAdvEdit"), TAdvEdit::Decimal, 4, Localized("0.0"), 3, 7);
    return group;
}

// " Speed ": the fan speed of the "Fixed Values" mode.
QGroupBox *Speed(QWidget *parent)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Speed "), QStringLiteral("SpeedGroupBox"));
    ui::Combo(ui::GridOf(group), 0, 0, QStringLiteral("SpeedColumnComboBox"), QStringLiteral("Speed"),
              values::ListItems(QStringLiteral("SpeedColumnComboBox")), 0);
    ui::GridOf(group)->setColumnStretch(3, 1);
    return group;
}

// " Ventilation Intensity ": the fan intensities of speeds I..III (20..120).
QGroupBox *VentilationIntensity(QWidget *parent)
{
    QGroupBox *group =
        ui::Group(parent, QStringLiteral(" Ventilation Intensity "), QStringLiteral("VentIntensityGroupBox"));
    QGridLayout *grid = ui::GridOf(group);
    SupplyExhaustHeadings(grid);
    const QString speeds[] = {QStringLiteral("I"), QStringLiteral("II"), QStringLiteral("III")};
    for (int i = 0; i < 3; ++i)
        SupplyExhaustRow(grid, i + 1, speeds[i], QStringLiteral("VIS%1AdvEdit").arg(i + 1),
                         QStringLiteral("VIE%1AdvEdit").arg(i + 1), TAdvEdit::Unsigned, 3, QStringLiteral("20"), i, i);
    grid->setColumnStretch(3, 1);
    return group;
}

// " Hearth ": starts and stops the hearth run, its fan value and its duration.
QGroupBox *Hearth(QWidget *parent, QPushButton *&start, QPushButton *&stop)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Hearth "), QStringLiteral("HearthGroupBox"));
    QGridLayout *grid = ui::GridOf(group);
    start = Button(group, QStringLiteral("HearthStartVrDemoButton"), QStringLiteral("Start"),
                   QStringLiteral("Start the hearth run"));
    stop = Button(group, QStringLiteral("HearthStopVrDemoButton"), QStringLiteral("Stop"),
                  QStringLiteral("Stop the hearth run"));
    grid->addWidget(start, 0, 0, 1, 2);
    grid->addWidget(stop, 0, 2, 1, 2);
    ui::Edit(grid, 1, 0, QStringLiteral("HearthValueAdvEdit"), QStringLiteral("Value"), TAdvEdit::Signed, 3,
             QStringLiteral("0"));
    ui::Edit(grid, 2, 0, QStringLiteral("HearthTimeAdvEdit"), QStringLiteral("Time"), TAdvEdit::Unsigned, 3,
             QStringLiteral("0"));
    return group;
}

// The PI loop of one fan's air volume: input, set-point weight, period, gains and the voltage at
// 100 %. Tags 0..3 are the rows of the shared limit table. side: "S" or "E".
QGroupBox *AirVolumeLoop(QWidget *parent, const QString &title, const QString &side)
{
    QGroupBox *group = ui::Group(parent, title);
    QGridLayout *grid = ui::GridOf(group);
    grid->setVerticalSpacing(1);  // the two loops stand one above the other
    ui::Name(ui::Combo(grid, 0, 0, side + QStringLiteral("InputColumnComboBox"), QStringLiteral("In"),
                       values::ListItems(side + QStringLiteral("InputColumnComboBox")), 0),
             QStringLiteral("input"));
    // Tags 0..3: SPW 0..1, T 1..255 s, Kp 0..20, Ki 0..655 s; U100 has no range.
    const struct
    {
        const char *Name, *Label;
        TAdvEdit::Kind Kind;
        int MaxLength;
        const char *Initial;
    } rows[] = {
        {"SPWAdvEdit", "SPW", TAdvEdit::Decimal, 4, "0.0"},   {"PeriodAdvEdit", "T", TAdvEdit::Unsigned, 3, "1"},
        {"KpAdvEdit", "Kp", TAdvEdit::Decimal, 4, "0.0"},     {"KiAdvEdit", "Ki", TAdvEdit::Unsigned, 3, "0"},
        {"U100AdvEdit", "U100", TAdvEdit::Decimal, 4, "0.0"},
    };
    for (int i = 0; i < 5; ++i) {
        TAdvEdit *edit = ui::Edit(grid, i + 1, 0, side + QLatin1String(rows[i].Name), QLatin1String(rows[i].Label),
                                  rows[i].Kind, rows[i].MaxLength, Localized(rows[i].Initial));
        if (i < 4)
            ui::SetTag(edit, i);
    }
    return group;
}

// " Air Volume ": constant or variable air volume, the board's calibration run, and each fan's loop.
QGroupBox *AirVolume(QWidget *parent, QPushButton *&calibration)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Air Volume "), QStringLiteral("AirVolumeGroupBox"));
    QGridLayout *grid = ui::GridOf(group);
    auto *top = new QGridLayout;
    grid->addLayout(top, 0, 0);
    ui::Combo(top, 0, 0, QStringLiteral("AVModeColumnComboBox"), QStringLiteral("Mode"),
              values::ListItems(QStringLiteral("AVModeColumnComboBox")), 0);
    calibration = Button(group, QStringLiteral("CalibrationVrDemoButton"), QStringLiteral("Start"),
                         QStringLiteral("Start the air-volume calibration"));
    auto *calibrationLabel = new QLabel(QStringLiteral("Calibration"), group);
    calibrationLabel->setBuddy(calibration);
    top->addWidget(calibrationLabel, 1, 0);
    top->addWidget(calibration, 1, 1, 1, 2);
    top->setColumnStretch(3, 1);
    grid->addWidget(AirVolumeLoop(group, QStringLiteral(" Supply "), QStringLiteral("S")), 1, 0);
    grid->addWidget(AirVolumeLoop(group, QStringLiteral(" Exhaust "), QStringLiteral("E")), 2, 0);
    return group;
}

}  // namespace

TVentilationPage::TVentilationPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("VentilationTabSheet"), context, parent)
{
    // Three columns, each read from the top.
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    const auto column = [layout](std::initializer_list<QGroupBox *> groups) {
        auto *boxes = new QVBoxLayout;
        boxes->setSpacing(4);
        layout->addLayout(boxes);
        for (QGroupBox *group : groups)
            boxes->addWidget(group);
        boxes->addStretch();
    };
    column({Mode(this), Outputs(this), Speed(this), OutdoorInfluence(this),
            Hearth(this, HearthStartVrDemoButton, HearthStopVrDemoButton)});
    column({FanSpeedCorrection(this), PressureControl(this), VentilationIntensity(this)});
    column({BuildRemoteControl(), AirVolume(this, CalibrationVrDemoButton)});
    layout->addStretch();

    // The commands change how the unit runs: each asks first, and writes its constant on "Go" only.
    const auto command = [this](QPushButton *button, quint16 address, quint16 word, const TQuestion &question) {
        OnApplied(button, this, [this, button, address, word, question] {
            if (Messages().Ask(question) == TChoice::Go)
                Editor().Write(button, address, word);
        });
    };
    command(HearthStartVrDemoButton, board::Hearth, 1,
            {.Title = QStringLiteral("Hearth"),
             .Text = QStringLiteral("Start the hearth run? The board runs its fans for the hearth for the hearth "
                                    "time it holds."),
             .GoText = QStringLiteral("Start the hearth run")});
    command(HearthStopVrDemoButton, board::Hearth, 0,
            {.Title = QStringLiteral("Hearth"),
             .Text = QStringLiteral("Stop the hearth run? The fans go back to their usual run."),
             .GoText = QStringLiteral("Stop the hearth run")});
    command(CalibrationVrDemoButton, board::AirVolumeCalibration, 1,
            {.Title = QStringLiteral("Air-volume calibration"),
             .Text = QStringLiteral("Start the air-volume calibration? The board runs its fans through the "
                                    "calibration of the air volumes."),
             .GoText = QStringLiteral("Start the calibration")});
    // The intensities of a column are one parameter to the board's eyes.
    context.Editor.TakeRowTogether(kSupplyIntensityItem);
    context.Editor.TakeRowTogether(kExhaustIntensityItem);
}

// " Remote Control ": what the remote input does, and the fan intensities it runs at.
QGroupBox *TVentilationPage::BuildRemoteControl()
{
    QGroupBox *group = ui::Group(this, QStringLiteral(" Remote Control "), QStringLiteral("RemoteControlGroupBox"));
    QGridLayout *grid = ui::GridOf(group);
    StartStopdxfCheckBox = ui::Check(group, QStringLiteral("StartStopdxfCheckBox"), QStringLiteral("Start/Stop"), true);
    KitchenHooddxfCheckBox = ui::Check(group, QStringLiteral("KitchenHooddxfCheckBox"), QStringLiteral("Kitchen Hood"));
    ui::Exclusive({StartStopdxfCheckBox, KitchenHooddxfCheckBox});
    grid->addWidget(StartStopdxfCheckBox, 0, 0, 1, 3);
    grid->addWidget(KitchenHooddxfCheckBox, 1, 0, 1, 3);
    ui::SetTag(ui::Edit(grid, 2, 0, QStringLiteral("VIS4AdvEdit"), QStringLiteral("Supply"), TAdvEdit::Unsigned, 3,
                        QStringLiteral("20")),
               3);
    ui::SetTag(ui::Edit(grid, 3, 0, QStringLiteral("VIE4AdvEdit"), QStringLiteral("Exhaust"), TAdvEdit::Unsigned, 3,
                        QStringLiteral("20")),
               3);
    return group;
}

void TVentilationPage::SwitchRemoteControlOff(const QString &why)
{
    // The items of the remote-control block: the start/stop-or-hood choice and the two intensities.
    for (int item = kRemoteControlFirstItem; item <= kRemoteControlLastItem; ++item) {
        for (QWidget *control : Table().Codec(item).Controls())
            ui::SwitchOff(control, QStringLiteral("refused"), why);
    }
}

void TVentilationPage::Refresh()
{
    if (!Session().Connected())
        return;
    RefreshItems(kFanModeItem, kRemoteControlFirstItem - 1);
    const TRegisterBlock remote = BlockOfItems(kRemoteControlFirstItem, kRemoteControlLastItem);
    Session().Read(remote.Start, remote.Count,
                   {.OnReply =
                        [this, start = remote.Start](const TModbusAnswer &answer) {
                            SwitchRemoteControlOff({});
                            Table().ShowBlock(start, answer.Registers);
                        },
                    .OnRefused =
                        [this](const TModbusAnswer &answer) {
                            SwitchRemoteControlOff(QStringLiteral("The board refused to read this setting (%1): it "
                                                                  "may have no remote control.")
                                                       .arg(ExceptionText(answer.ExceptionCode)));
                        }});
}
