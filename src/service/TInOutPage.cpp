// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/TInOutPage.h"

#include "config/ValueText.h"
#include "widgets/PageBuilder.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>

#include <array>
#include <span>
#include <vector>

namespace {

using TColumnButtons = TInOutPage::TColumnButtons;

// The rows of the page's groups: automatic/manual and inversion.
constexpr int kAnalogInputModes = 77;
constexpr int kAnalogOutputModes = 79;
constexpr int kDigitalInputInversion = 80;
constexpr int kDigitalInputModes = 82;
constexpr int kDigitalOutputInversion = 83;
constexpr int kDigitalOutputModes = 85;

// One analog channel: what may be typed as its manual value and how much.
struct AnalogRow
{
    TAdvEdit::Kind Kind;
    int MaxLength;
};

constexpr TAdvEdit::Kind kSignedDecimal = TAdvEdit::SignedDecimal;
constexpr TAdvEdit::Kind kDecimal = TAdvEdit::Decimal;

// Analog inputs A1..A10: four temperatures (-30..75), four voltages (0..10), two percentages.
constexpr AnalogRow kAnalogInputs[] = {
    {kSignedDecimal, 5}, {kSignedDecimal, 5}, {kSignedDecimal, 5}, {kSignedDecimal, 5}, {kDecimal, 5},
    {kDecimal, 4},       {kDecimal, 4},       {kDecimal, 4},       {kDecimal, 4},       {kDecimal, 4},
};
// Analog outputs A1..A8: five voltages (0..10), three percentages (0..100).
constexpr AnalogRow kAnalogOutputs[] = {
    {kDecimal, 4}, {kDecimal, 4}, {kDecimal, 4}, {kDecimal, 4},
    {kDecimal, 5}, {kDecimal, 5}, {kDecimal, 5}, {kDecimal, 5},
};
constexpr int kDigitalInputs = 8;
constexpr int kDigitalOutputs = 11;
constexpr int kSimChannels = 3;

// A button as narrow as its caption, heading a column of check boxes that it switches at once.
QPushButton *ColumnButton(QWidget *parent, const QString &name, const QString &caption, const QString &description)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(description);
    button->setToolTip(description);
    button->setFixedWidth(button->fontMetrics().horizontalAdvance(caption) + 16);
    return button;
}

// The channel tables are long: rows and columns sit close together so that the page fits.
QGroupBox *TableGroup(QWidget *parent, const QString &title, const QString &objectName)
{
    QGroupBox *group = ui::Group(parent, title, objectName);
    ui::GridOf(group)->setHorizontalSpacing(2);
    ui::GridOf(group)->setVerticalSpacing(1);
    return group;
}

QCheckBox *CellCheck(QGridLayout *grid, int row, int col, const QString &name, const QString &label, bool checked,
                     int tag)
{
    QCheckBox *box = ui::Check(grid->parentWidget(), name, {}, checked);
    ui::Name(box, label);
    ui::SetTag(box, tag);
    grid->addWidget(box, row, col, Qt::AlignHCenter);
    return box;
}

// " Analog ": per channel "A<n>", the manual value and its unit, the automatic and the manual box
// (exactly one of them checked); "A" and "M" above the box columns switch every channel.
// prefix: "IAnalog" or "OAnalog"; what: "Analog input" or "Analog output".
QGroupBox *AnalogGroup(QWidget *parent, const QString &objectName, const QString &prefix, const QString &what,
                       std::span<const AnalogRow> rows, TColumnButtons &buttons)
{
    QGroupBox *group = TableGroup(parent, QStringLiteral(" Analog "), objectName);
    QGridLayout *grid = ui::GridOf(group);
    const QString zero = ui::ZeroDecimal();
    const QString plural = what.toLower() + QStringLiteral("s");
    buttons.Automatic = ColumnButton(group, prefix + QStringLiteral("AButton"), QStringLiteral("A"),
                                     QStringLiteral("All %1 automatic").arg(plural));
    buttons.Manual = ColumnButton(group, prefix + QStringLiteral("MButton"), QStringLiteral("M"),
                                  QStringLiteral("All %1 manual").arg(plural));
    grid->addWidget(buttons.Automatic, 0, 3);
    grid->addWidget(buttons.Manual, 0, 4);
    for (int i = 0; i < static_cast<int>(rows.size()); ++i) {
        const int n = i + 1;
        const QString channel = QStringLiteral("A%1").arg(n);
        TAdvEdit *value = ui::Edit(grid, n, 0, QStringLiteral("%1%2AdvEdit").arg(prefix).arg(n),
                                   QStringLiteral("A%1").arg(n), rows[i].Kind, rows[i].MaxLength, zero);
        ui::Name(value, channel + QStringLiteral(" manual value"));
        value->setMaximumWidth(value->fontMetrics().horizontalAdvance(QString(rows[i].MaxLength, QLatin1Char('0')))
                               + 14);
        ui::SetTag(value, i);
        ui::Exclusive({CellCheck(grid, n, 3, QStringLiteral("%1A%2dxfCheckBox").arg(prefix).arg(n),
                                 channel + QStringLiteral(" automatic"), true, i),
                       CellCheck(grid, n, 4, QStringLiteral("%1M%2dxfCheckBox").arg(prefix).arg(n),
                                 channel + QStringLiteral(" manual"), false, i)});
    }
    return group;
}

// " Digital ": per channel the manual value box captioned "IN<k>" / "OUT<k>", the inversion box,
// and the automatic and manual boxes (exactly one checked). Every box of channel k carries the
// bit weight 2^(k-1) of its mask register. "Inv", "A" and "M" head their columns.
// prefix: "IDigital" or "ODigital"; caption: "IN" or "OUT".
QGroupBox *DigitalGroup(QWidget *parent, const QString &objectName, const QString &prefix, const QString &caption,
                        const QString &what, int count, TColumnButtons &buttons)
{
    QGroupBox *group = TableGroup(parent, QStringLiteral(" Digital "), objectName);
    QGridLayout *grid = ui::GridOf(group);
    const QString plural = what.toLower() + QStringLiteral("s");
    buttons.Invert = ColumnButton(group, prefix + QStringLiteral("IButton"), QStringLiteral("Inv"),
                                  QStringLiteral("Invert all %1").arg(plural));
    buttons.Automatic = ColumnButton(group, prefix + QStringLiteral("AButton"), QStringLiteral("A"),
                                     QStringLiteral("All %1 automatic").arg(plural));
    buttons.Manual = ColumnButton(group, prefix + QStringLiteral("MButton"), QStringLiteral("M"),
                                  QStringLiteral("All %1 manual").arg(plural));
    grid->addWidget(buttons.Invert, 0, 1);
    grid->addWidget(buttons.Automatic, 0, 2);
    grid->addWidget(buttons.Manual, 0, 3);
    for (int k = 1; k <= count; ++k) {
        const int weight = 1 << (k - 1);
        const QString channel = caption + QString::number(k);
        QCheckBox *value = ui::Check(group, QStringLiteral("%1%2dxfCheckBox").arg(prefix).arg(k), channel);
        ui::Name(value, channel + QStringLiteral(" on"));
        ui::SetTag(value, weight);
        grid->addWidget(value, k, 0);
        CellCheck(grid, k, 1, QStringLiteral("%1I%2dxfCheckBox").arg(prefix).arg(k),
                  channel + QStringLiteral(" inverted"), false, weight);
        ui::Exclusive({CellCheck(grid, k, 2, QStringLiteral("%1A%2dxfCheckBox").arg(prefix).arg(k),
                                 channel + QStringLiteral(" automatic"), true, weight),
                       CellCheck(grid, k, 3, QStringLiteral("%1M%2dxfCheckBox").arg(prefix).arg(k),
                                 channel + QStringLiteral(" manual"), false, weight)});
    }
    return group;
}

// " SIM ": the three simulation channels, each with its time and its mode, ON/OFF or PWM. Both
// mode boxes of channel k carry the weight 2^(k-1) of the mode mask.
QGroupBox *SimGroup(QWidget *parent)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" SIM "), QStringLiteral("IOSimGroupBox"));
    QGridLayout *grid = ui::GridOf(group);
    for (int i = 0; i < kSimChannels; ++i) {
        const int n = i + 1;
        const QString channel = QStringLiteral("T%1").arg(n);
        TAdvEdit *time = ui::Edit(grid, i, 0, QStringLiteral("SimT%1AdvEdit").arg(n), channel, TAdvEdit::Unsigned, 4,
                                  QStringLiteral("0"));
        ui::Name(time, channel + QStringLiteral(" time"));
        ui::SetTag(time, i);
        QCheckBox *onOff =
            ui::Check(group, QStringLiteral("Sim%1OnOffdxfCheckBox").arg(n), QStringLiteral("ON/OFF"), true);
        QCheckBox *pwm = ui::Check(group, QStringLiteral("Sim%1PwmdxfCheckBox").arg(n), QStringLiteral("PWM"));
        ui::Name(onOff, channel + QStringLiteral(" ON/OFF"));
        ui::Name(pwm, channel + QStringLiteral(" PWM"));
        ui::SetTag(onOff, 1 << i);
        ui::SetTag(pwm, 1 << i);
        ui::Exclusive({onOff, pwm});
        grid->addWidget(onOff, i, 3);
        grid->addWidget(pwm, i, 4);
    }
    grid->setColumnStretch(5, 1);
    return group;
}

// " Inputs ": the analog inputs above the digital ones.
QGroupBox *Inputs(QWidget *page, TColumnButtons &analog, TColumnButtons &digital)
{
    QGroupBox *inputs = ui::Group(page, QStringLiteral(" Inputs "), QStringLiteral("IOInputsGroupBox"));
    QGridLayout *grid = ui::GridOf(inputs);
    grid->setContentsMargins(3, 2, 3, 3);
    grid->addWidget(AnalogGroup(inputs, QStringLiteral("IAnalogGroupBox"), QStringLiteral("IAnalog"),
                                QStringLiteral("Analog input"), kAnalogInputs, analog),
                    0, 0);
    grid->addWidget(DigitalGroup(inputs, QStringLiteral("IDigitalGroupBox"), QStringLiteral("IDigital"),
                                 QStringLiteral("IN"), QStringLiteral("Digital input"), kDigitalInputs, digital),
                    1, 0);
    return inputs;
}

// " Outputs ": the analog and the digital outputs side by side, the simulation channels and the
// alarm output below them.
QGroupBox *Outputs(QWidget *page, TColumnButtons &analog, TColumnButtons &digital)
{
    QGroupBox *outputs = ui::Group(page, QStringLiteral(" Outputs "), QStringLiteral("IOOutputsGroupBox"));
    QGridLayout *grid = ui::GridOf(outputs);
    grid->setContentsMargins(3, 2, 3, 3);
    grid->addWidget(AnalogGroup(outputs, QStringLiteral("OAnalogGroupBox"), QStringLiteral("OAnalog"),
                                QStringLiteral("Analog output"), kAnalogOutputs, analog),
                    0, 0, Qt::AlignTop);
    grid->addWidget(DigitalGroup(outputs, QStringLiteral("ODigitalGroupBox"), QStringLiteral("ODigital"),
                                 QStringLiteral("OUT"), QStringLiteral("Digital output"), kDigitalOutputs, digital),
                    0, 1, Qt::AlignTop);
    grid->addWidget(SimGroup(outputs), 1, 0, 1, 2);
    // Which digital output carries the alarm; "0" is none.
    auto *alarm = new QWidget(outputs);
    auto *alarmGrid = new QGridLayout(alarm);
    alarmGrid->setContentsMargins(6, 0, 0, 0);
    ui::Combo(alarmGrid, 0, 0, QStringLiteral("AlarmOutputColumnComboBox"), QStringLiteral("Alarm Output"),
              values::ListItems(QStringLiteral("AlarmOutputColumnComboBox")), 0);
    alarmGrid->setColumnStretch(2, 1);
    grid->addWidget(alarm, 2, 0, 1, 2);
    return outputs;
}

}  // namespace

TInOutPage::TInOutPage(TPageContext &context, QWidget *parent) : TPage(QStringLiteral("InOutTabSheet"), context, parent)
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->setSpacing(4);
    TColumnButtons analogInputs, digitalInputs, analogOutputs, digitalOutputs;
    layout->addWidget(Inputs(this, analogInputs, digitalInputs), 0, Qt::AlignTop);
    layout->addWidget(Outputs(this, analogOutputs, digitalOutputs), 0, Qt::AlignTop);
    layout->addStretch();

    // "A" and "M" set every channel of their group; then the group's registers go to the board
    // whole, as the boxes now stand. "Inv" flips every inversion the board holds.
    const auto all = [this](QPushButton *button, int item, int pick) {
        Editor().Override(button, [this, button, item, pick] {
            CheckEvery(item, pick);
            WriteRow(button, item);
        });
    };
    all(analogInputs.Automatic, kAnalogInputModes, 0);
    all(analogInputs.Manual, kAnalogInputModes, 1);
    all(analogOutputs.Automatic, kAnalogOutputModes, 0);
    all(analogOutputs.Manual, kAnalogOutputModes, 1);
    all(digitalInputs.Automatic, kDigitalInputModes, 0);
    all(digitalInputs.Manual, kDigitalInputModes, 1);
    all(digitalOutputs.Automatic, kDigitalOutputModes, 0);
    all(digitalOutputs.Manual, kDigitalOutputModes, 1);
    for (const auto &[button, item] : {std::pair(digitalInputs.Invert, kDigitalInputInversion),
                                       std::pair(digitalOutputs.Invert, kDigitalOutputInversion)}) {
        Editor().Override(button, [this, button = button, item = item] {
            // Every bit the board holds flipped, whatever the boxes show.
            const TParameterCodec &codec = Table().Codec(item);
            Editor().ChangeBits(button, codec, [bits = codec.Bits()](quint16 held) { return held ^ bits; });
        });
    }
}

void TInOutPage::CheckEvery(int item, int pick)
{
    const std::vector<QWidget *> &boxes = Table().Codec(item).Controls();
    for (size_t j = static_cast<size_t>(pick); j < boxes.size(); j += 2)
        static_cast<QCheckBox *>(boxes[j])->setChecked(true);
}

void TInOutPage::WriteRow(QPushButton *button, int item)
{
    const TParameterCodec &codec = Table().Codec(item);
    const TParameterRow &row = codec.Row();
    std::array<quint16, kMaxRowRegisters> words{};
    const std::span<quint16> taken(words.data(), static_cast<size_t>(row.Registers));
    if (!codec.ControlsToRegisters(taken).Ok())
        return;  // an unbound row: the start-up message said so
    if (row.Registers == 1)
        Editor().Write(button, row.FirstRegister, taken[0]);
    else
        Editor().WriteBlock(button, row.FirstRegister, taken);
}

namespace {

bool Checked(QWidget *box)
{
    return static_cast<QCheckBox *>(box)->isChecked();
}

// One kind of override, held in the boxes of one row of the table: a channel a technician put in
// manual (M). Manual values, inversions and the simulation channels' modes and times are
// configuration, saved with every file: never overrides, left as the board holds them.
struct OverrideKind
{
    int Item;              // a row of A/M pairs, the M box checked while its channel is overridden
    const char *Active;    // the overridden channels, as the status bar names them
    const char *Channel;   // the channels' names, before their numbers
    const char *Returned;  // what the write makes of them: one channel ("%1"), or the whole mask
    bool SetWhenReturned;  // a mask whose bits are set once returned (set = automatic)
};

constexpr OverrideKind kOverrideKinds[] = {
    {kAnalogInputModes, "analog inputs in manual", "A", "analog input %1 automatic", false},
    {kAnalogOutputModes, "analog outputs in manual", "A", "analog output %1 automatic", false},
    {kDigitalInputModes, "digital inputs in manual", "IN", "digital inputs automatic", true},
    {kDigitalOutputModes, "digital outputs in manual", "OUT", "digital outputs automatic", true},
};

// A channel of a kind that is overridden: its index and where its boxes are in the row.
struct OverriddenChannel
{
    int Channel;
    size_t Box;  // the box checked while it is overridden
};

std::vector<OverriddenChannel> Overridden(const std::vector<QWidget *> &boxes)
{
    std::vector<OverriddenChannel> found;
    for (size_t j = 1, channel = 0; j < boxes.size(); j += 2, ++channel) {
        if (Checked(boxes[j]))
            found.push_back({static_cast<int>(channel), j});
    }
    return found;
}

// A box and the state it takes to show its channel returned.
using BoxState = std::pair<QCheckBox *, bool>;

// The A box of the pair checked.
BoxState ReturnedBox(const std::vector<QWidget *> &boxes, size_t box)
{
    return {static_cast<QCheckBox *>(boxes[box - 1]), true};
}

void Show(const std::vector<BoxState> &boxes)
{
    for (const auto &[box, checked] : boxes)
        box->setChecked(checked);
}

}  // namespace

QStringList TInOutPage::ActiveOverrides() const
{
    QStringList active;
    for (const OverrideKind &kind : kOverrideKinds) {
        QStringList channels;
        for (const OverriddenChannel &o : Overridden(Table().Codec(kind.Item).Controls()))
            channels << QLatin1String(kind.Channel) + QString::number(o.Channel + 1);
        if (!channels.isEmpty())
            active << QStringLiteral("%1: %2").arg(QLatin1String(kind.Active), channels.join(QStringLiteral(", ")));
    }
    return active;
}

TReturnWrites TInOutPage::ReturnWrites() const
{
    TReturnWrites writes;
    for (const OverrideKind &kind : kOverrideKinds) {
        const TParameterCodec &codec = Table().Codec(kind.Item);
        const std::vector<QWidget *> &boxes = codec.Controls();
        const std::vector<OverriddenChannel> overridden = Overridden(boxes);
        if (overridden.empty())
            continue;
        const quint16 first = codec.Row().FirstRegister;
        if (codec.Row().Registers > 1) {
            // A register a channel: only those of the overridden channels are written.
            for (const OverriddenChannel &o : overridden) {
                writes.push_back({.Address = static_cast<quint16>(first + o.Channel),
                                  .Value = 0,
                                  .What = QString::fromLatin1(kind.Returned)
                                              .arg(QLatin1String(kind.Channel) + QString::number(o.Channel + 1)),
                                  .Taken = [shown = std::vector{ReturnedBox(boxes, o.Box)}] { Show(shown); }});
            }
            continue;
        }
        // A mask holds the whole group: the channels not overridden keep the bit they have.
        std::vector<BoxState> shown;
        for (const OverriddenChannel &o : overridden)
            shown.push_back(ReturnedBox(boxes, o.Box));
        const auto channels = static_cast<int>(boxes.size() / 2);
        writes.push_back({.Address = first,
                          .Value = static_cast<quint16>(kind.SetWhenReturned ? (1 << channels) - 1 : 0),
                          .What = QLatin1String(kind.Returned),
                          .Mask = true,
                          .Taken = [shown] { Show(shown); }});
    }
    return writes;
}

void TInOutPage::WatchOverrides()
{
    for (const OverrideKind &kind : kOverrideKinds) {
        for (QWidget *box : Table().Codec(kind.Item).Controls())
            connect(static_cast<QCheckBox *>(box), &QCheckBox::toggled, this, &TInOutPage::OverridesChanged);
    }
}
