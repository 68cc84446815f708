#include "service/TInOutPage.h"

#include "common/NumberText.h"
#include "session/TBoardSession.h"
#include "widgets/PageBuilder.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <array>
#include <span>

namespace {

using TColumnButtons = TInOutPage::TColumnButtons;

// The rows of the page's groups: values, automatic/manual, inversion.
constexpr int kAnalogInputModes = 77;
constexpr int kAnalogOutputModes = 79;
constexpr int kDigitalInputInversion = 80;
constexpr int kDigitalInputModes = 82;
constexpr int kDigitalOutputInversion = 83;
constexpr int kDigitalOutputModes = 85;
constexpr int kSimulationTimes = 86;

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
    {kSignedDecimal, 5}, {kSignedDecimal, 5}, {kSignedDecimal, 5}, {kSignedDecimal, 5},
    {kDecimal, 5},        {kDecimal, 4},        {kDecimal, 4},        {kDecimal, 4},
    {kDecimal, 4},        {kDecimal, 4},
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
        TAdvEdit *value =
            ui::Edit(grid, n, 0, QStringLiteral("%1%2AdvEdit").arg(prefix).arg(n), QStringLiteral("A%1").arg(n),
                     rows[i].Kind, rows[i].MaxLength, zero);
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
              ui::Numbers(0, 11), 0);
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

// "A1, A4" from the channel names of the boxes (or edits) that are on, given their names' prefix.
QString Channels(const std::vector<QWidget *> &controls, size_t first, size_t step,
                 const std::function<bool(QWidget *)> &on, const QString &prefix)
{
    QStringList names;
    for (size_t j = first, n = 1; j < controls.size(); j += step, ++n) {
        if (on(controls[j]))
            names << prefix + QString::number(n);
    }
    return names.join(QStringLiteral(", "));
}

bool Checked(QWidget *box)
{
    return static_cast<QCheckBox *>(box)->isChecked();
}

// A simulation channel runs while its time is not 0 (a time that is no number may run too).
bool Running(QWidget *time)
{
    const TNumberTake seconds = TakeInteger(static_cast<QLineEdit *>(time)->text());
    return !seconds.Ok() || seconds.Value != 0;
}

}  // namespace

QStringList TInOutPage::ActiveOverrides() const
{
    QStringList active;
    const auto add = [&](const QString &what, const QString &channels) {
        if (!channels.isEmpty())
            active << QStringLiteral("%1: %2").arg(what, channels);
    };
    const auto controls = [this](int item) -> const std::vector<QWidget *> & { return Table().Codec(item).Controls(); };
    add(QStringLiteral("analog inputs in manual"), Channels(controls(kAnalogInputModes), 1, 2, Checked, "A"));
    add(QStringLiteral("analog outputs in manual"), Channels(controls(kAnalogOutputModes), 1, 2, Checked, "A"));
    add(QStringLiteral("digital inputs in manual"), Channels(controls(kDigitalInputModes), 1, 2, Checked, "IN"));
    add(QStringLiteral("digital outputs in manual"), Channels(controls(kDigitalOutputModes), 1, 2, Checked, "OUT"));
    add(QStringLiteral("digital inputs inverted"), Channels(controls(kDigitalInputInversion), 0, 1, Checked, "IN"));
    add(QStringLiteral("digital outputs inverted"), Channels(controls(kDigitalOutputInversion), 0, 1, Checked, "OUT"));
    add(QStringLiteral("simulation channels running"), Channels(controls(kSimulationTimes), 0, 1, Running, "T"));
    return active;
}

int TInOutPage::ReturnToAutomatic(const std::function<void()> &done)
{
    const TRequestHandlers handlers{.OnReply = [done](const TModbusAnswer &) { done(); },
                                    .OnRefused = [done](const TModbusAnswer &) { done(); },
                                    .OnFailed = done};
    int writes = 0;
    const auto any = [this](int item, size_t first, size_t step) {
        const std::vector<QWidget *> &boxes = Table().Codec(item).Controls();
        for (size_t j = first; j < boxes.size(); j += step) {
            if (Checked(boxes[j]))
                return true;
        }
        return false;
    };
    const auto writeRow = [&](int item) {
        const TParameterCodec &codec = Table().Codec(item);
        std::array<quint16, kMaxRowRegisters> words{};
        const std::span<quint16> taken(words.data(), static_cast<size_t>(codec.Row().Registers));
        if (codec.ControlsToRegisters(taken).Ok()) {
            Session().WriteMultiple(codec.Row().FirstRegister, taken, handlers);
            ++writes;
        }
    };
    for (const int item : {kAnalogInputModes, kAnalogOutputModes}) {
        if (any(item, 1, 2)) {
            CheckEvery(item, 0);
            writeRow(item);
        }
    }
    // The digital inversion, value and automatic masks of inputs and outputs lie side by side:
    // one block from the input inversion mask to the output automatic mask.
    if (any(kDigitalInputModes, 1, 2) || any(kDigitalOutputModes, 1, 2) || any(kDigitalInputInversion, 0, 1)
        || any(kDigitalOutputInversion, 0, 1)) {
        CheckEvery(kDigitalInputModes, 0);
        CheckEvery(kDigitalOutputModes, 0);
        for (const int item : {kDigitalInputInversion, kDigitalOutputInversion}) {
            for (QWidget *box : Table().Codec(item).Controls())
                static_cast<QCheckBox *>(box)->setChecked(false);
        }
        std::array<quint16, kDigitalOutputModes - kDigitalInputInversion + 1> masks{};
        bool taken = true;
        for (int item = kDigitalInputInversion; item <= kDigitalOutputModes; ++item)
            taken =
                taken
                && Table().Codec(item).ControlsToRegisters(std::span(&masks[item - kDigitalInputInversion], 1)).Ok();
        if (taken) {
            Session().WriteMultiple(Table().Codec(kDigitalInputInversion).Row().FirstRegister, masks, handlers);
            ++writes;
        }
    }
    const std::vector<QWidget *> &times = Table().Codec(kSimulationTimes).Controls();
    if (std::any_of(times.begin(), times.end(), Running)) {
        for (QWidget *edit : times)
            static_cast<QLineEdit *>(edit)->setText(QStringLiteral("0"));
        writeRow(kSimulationTimes);
    }
    return writes;
}

void TInOutPage::WatchOverrides()
{
    for (const int item : {kAnalogInputModes, kAnalogOutputModes, kDigitalInputModes, kDigitalOutputModes,
                           kDigitalInputInversion, kDigitalOutputInversion}) {
        for (QWidget *box : Table().Codec(item).Controls())
            connect(static_cast<QCheckBox *>(box), &QCheckBox::toggled, this, &TInOutPage::OverridesChanged);
    }
    for (QWidget *edit : Table().Codec(kSimulationTimes).Controls())
        connect(static_cast<QLineEdit *>(edit), &QLineEdit::textChanged, this, &TInOutPage::OverridesChanged);
}
