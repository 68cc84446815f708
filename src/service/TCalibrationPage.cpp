#include "service/TCalibrationPage.h"

#include "app/TBoardSession.h"
#include "service/TUpDown.h"
#include "widgets/PageBuilder.h"
#include "widgets/TLed.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>
#include <QHBoxLayout>

#include <iterator>

namespace {

constexpr int kAnalogInputs = 8;
constexpr int kAnalogOutputs = 5;
constexpr int kTwelveBitCodeMaximum = 4095;
// Calibration status: one register per input from 0x0500, one per output from 0x0522.
constexpr quint16 kInputStatusRegister = 0x0500;
constexpr quint16 kOutputStatusRegister = 0x0522;

// A parameter of the pressure inputs AIN9 and AIN10.
struct PressureParameter
{
    const char *Name;
    TAdvEdit::Kind Kind;
    int Length[2];  // characters for AIN9, AIN10
    const char *Initial;  // "." stands for the decimal separator
    const char *Unit;
    bool Hidden;
};

// Offset: four characters for AIN9 too, so that -100 can be typed. The gain stays on the board's
// factory value: its edits are filled and handled but not shown; six characters hold "1,0000".
constexpr PressureParameter kPressureParameters[] = {
    {"Plim", TAdvEdit::Unsigned, {5, 5}, "0", "Pa", false},
    {"Pmax", TAdvEdit::Unsigned, {5, 5}, "0", "m³/h", false},
    {"Offset", TAdvEdit::Signed, {4, 5}, "0", "Pa", false},
    {"Gain", TAdvEdit::Decimal, {6, 6}, "1.0000", "", true},
    {"Coef", TAdvEdit::Unsigned, {4, 4}, "0", "", false},
};

// A titled row of radio buttons "<prefix>1" .. "<prefix><count>", the first one selected; the
// button group's ids are the channel indexes 0 .. count-1.
void ChannelSelector(QGridLayout *grid, int row, const QString &title, const QString &objectName,
                              const QString &prefix, int count)
{
    auto *box = new QGroupBox(title, grid->parentWidget());
    box->setObjectName(objectName);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 4);
    auto *group = new QButtonGroup(box);
    for (int i = 0; i < count; ++i) {
        auto *channel = new QRadioButton(prefix + QString::number(i + 1), box);
        group->addButton(channel, i);
        layout->addWidget(channel);
    }
    layout->addStretch();
    group->button(0)->setChecked(true);
    grid->addWidget(box, row, 0, 1, -1);
}

// " Status ": one lamp per channel, lit when the board reports the channel calibrated.
QGroupBox *StatusLamps(QWidget *parent, const QString &objectName, const QString &prefix, const QString &ledPrefix,
                       int count, int columns)
{
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Status "), objectName);
    QGridLayout *grid = ui::GridOf(group);
    for (int i = 0; i < count; ++i) {
        const QString channel = prefix + QString::number(i + 1);
        auto *led = new TLed(group);
        led->setObjectName(QStringLiteral("%1%2VrUserLed").arg(ledPrefix).arg(i + 1));
        led->setAccessibleName(channel + QStringLiteral(" calibration status"));
        grid->addWidget(led, i / columns, 2 * (i % columns));
        grid->addWidget(new QLabel(channel, group), i / columns, 2 * (i % columns) + 1);
    }
    return group;
}

QPushButton *Button(QWidget *parent, const QString &name, const QString &caption, const QString &description)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setAccessibleName(description);
    button->setToolTip(description);
    return button;
}

QLabel *Label(QGridLayout *grid, int row, int col, const QString &text)
{
    auto *label = new QLabel(text, grid->parentWidget());
    grid->addWidget(label, row, col);
    return label;
}

// " Inputs ": the input to calibrate with its two references, the inputs' status, and the
// parameters of the pressure inputs AIN9 and AIN10.
QGroupBox *Inputs(QWidget *parent)
{
    QGroupBox *inputs = ui::Group(parent, QStringLiteral(" Inputs "), QStringLiteral("InputsGroupBox"));
    QGridLayout *grid = ui::GridOf(inputs);
    ChannelSelector(grid, 0, QStringLiteral(" Analog input "), QStringLiteral("InputRadioGroup"), QStringLiteral("AIN"),
                    kAnalogInputs);

    auto *references = new QGridLayout;
    grid->addLayout(references, 1, 0, Qt::AlignTop);
    Label(references, 0, 0, QStringLiteral("Reference"));
    ui::CellEdit(references, 1, 0, QStringLiteral("LoLimitAdvEdit"), QStringLiteral("Low reference"), TAdvEdit::Unsigned, 5,
                 QStringLiteral("0"));
    Label(references, 1, 1, QStringLiteral("mV"));
    references->addWidget(Button(inputs, QStringLiteral("LoLimitVrDemoButton"), QStringLiteral("Lo Limit"),
                                 QStringLiteral("Send the low reference")), 1, 2);
    ui::CellEdit(references, 2, 0, QStringLiteral("HiLimitAdvEdit"), QStringLiteral("High reference"), TAdvEdit::Unsigned, 5,
                 QStringLiteral("0"));
    Label(references, 2, 1, QStringLiteral("mV"));
    references->addWidget(Button(inputs, QStringLiteral("HiLimitVrDemoButton"), QStringLiteral("Hi Limit"),
                                 QStringLiteral("Send the high reference")), 2, 2);
    references->setColumnStretch(3, 1);
    grid->addWidget(StatusLamps(inputs, QStringLiteral("AinStatusdxfGroupBox"), QStringLiteral("AIN"), QStringLiteral("Ain"),
                                kAnalogInputs, 4), 1, 1, Qt::AlignTop);

    // The pressure inputs, one row each; the edits of AIN9 carry Tag 0, those of AIN10 Tag 1.
    auto *pressure = new QGridLayout;
    grid->addLayout(pressure, 2, 0, 1, -1);
    pressure->setHorizontalSpacing(4);
    for (int p = 0; p < std::ssize(kPressureParameters); ++p) {
        const PressureParameter &parameter = kPressureParameters[p];
        QLabel *heading = Label(pressure, 0, 1 + 2 * p, QLatin1String(parameter.Name));
        heading->setHidden(parameter.Hidden);
    }
    for (int tag = 0; tag < 2; ++tag) {
        const QString input = QStringLiteral("AIN%1").arg(9 + tag);
        QLabel *label = Label(pressure, tag + 1, 0, input);
        for (int p = 0; p < std::ssize(kPressureParameters); ++p) {
            const PressureParameter &parameter = kPressureParameters[p];
            const QString name = QLatin1String(parameter.Name);
            TAdvEdit *edit = ui::CellEdit(pressure, tag + 1, 1 + 2 * p, QStringLiteral("%1%2AdvEdit").arg(name).arg(9 + tag),
                                          input + QLatin1Char(' ') + name, parameter.Kind, parameter.Length[tag],
                                          QString::fromLatin1(parameter.Initial).replace(QLatin1Char('.'), QLocale().decimalPoint()));
            ui::SetTag(edit, tag);
            edit->setHidden(parameter.Hidden);
            if (p == 0)
                label->setBuddy(edit);
            if (*parameter.Unit)
                pressure->addWidget(new QLabel(QString::fromUtf8(parameter.Unit), inputs), tag + 1, 2 + 2 * p);
        }
    }
    pressure->setColumnStretch(2 * std::ssize(kPressureParameters), 1);
    return inputs;
}

// One output reference row: the voltage the output produced, the code driving it with its
// up-down, and the button that tells the board the voltage.
void OutputRow(QGridLayout *grid, int row, const QString &end, const QString &which, const QString &button)
{
    QWidget *parent = grid->parentWidget();
    ui::CellEdit(grid, row, 0, end + QStringLiteral("VoltageAdvEdit"), which + QStringLiteral(" voltage"), TAdvEdit::Unsigned, 5,
                 QStringLiteral("0"));
    Label(grid, row, 1, QStringLiteral("mV"));
    TAdvEdit *code = ui::CellEdit(grid, row, 2, end + QStringLiteral("CodeAdvEdit"), which + QStringLiteral(" code"),
                                  TAdvEdit::Unsigned, 4, QStringLiteral("0"));
    auto *upDown = new TUpDown(code, parent);
    upDown->setObjectName(end + QStringLiteral("CodeUpDown"));
    upDown->setAccessibleName(which + QStringLiteral(" code up-down"));
    upDown->SetMaximum(kTwelveBitCodeMaximum);
    grid->addWidget(upDown, row, 3);
    grid->addWidget(Button(parent, end + QStringLiteral("LimitVrButton"), button,
                           QStringLiteral("Send the %1 voltage").arg(which.toLower())), row, 4);
}

// " Outputs ": the output to calibrate, its low and high voltage with the codes that drive it,
// and the outputs' status.
QGroupBox *Outputs(QWidget *parent)
{
    QGroupBox *outputs = ui::Group(parent, QStringLiteral(" Outputs "), QStringLiteral("OutputsGroupBox"));
    QGridLayout *grid = ui::GridOf(outputs);
    ChannelSelector(grid, 0, QStringLiteral(" Analog output "), QStringLiteral("OutputRadioGroup"), QStringLiteral("AOUT"),
                    kAnalogOutputs);
    auto *references = new QGridLayout;
    grid->addLayout(references, 1, 0, Qt::AlignTop);
    references->setHorizontalSpacing(2);
    Label(references, 0, 0, QStringLiteral("Voltage"));
    Label(references, 0, 2, QStringLiteral("Code"));
    OutputRow(references, 1, QStringLiteral("Lo"), QStringLiteral("Low"), QStringLiteral("Lo Limit"));
    OutputRow(references, 2, QStringLiteral("Hi"), QStringLiteral("High"), QStringLiteral("Hi Limit"));
    references->setColumnStretch(5, 1);
    grid->addWidget(StatusLamps(outputs, QStringLiteral("AoutStatusdxfGroupBox"), QStringLiteral("AOUT"), QStringLiteral("Aout"),
                                kAnalogOutputs, 3), 1, 1, Qt::AlignTop);
    return outputs;
}

// " On/Off ": the board's calibration mode.
QGroupBox *Mode(QWidget *parent)
{
    QGroupBox *mode = ui::Group(parent, QStringLiteral(" On/Off "), QStringLiteral("CalibrationGroupBox"));
    ui::GridOf(mode)->addWidget(ui::Check(mode, QStringLiteral("CalibrationdxfCheckBox"), QStringLiteral("Calibration")), 0, 0);
    return mode;
}

} // namespace

TCalibrationPage::TCalibrationPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("CalibrationTabSheet"), context, parent)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addWidget(Inputs(this), 0, 0);
    layout->addWidget(Outputs(this), 1, 0);
    layout->addWidget(Mode(this), 2, 0, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);
}

void TCalibrationPage::ShowStatus(const QString &prefix, int count, const TModbusAnswer &answer)
{
    // A channel is calibrated when the low byte of its status register is not 0.
    for (int k = 1; k <= count; ++k) {
        if (auto *led = findChild<TLed *>(prefix + QString::number(k) + QStringLiteral("VrUserLed")))
            led->SetOn((answer.Registers.at(k - 1) & 0xFF) != 0);
    }
}

void TCalibrationPage::InputStatusRead()
{
    Session().Read(kInputStatusRegister, 8, [this](const TModbusAnswer &answer) { ShowStatus(QStringLiteral("Ain"), 8, answer); });
}

void TCalibrationPage::OutputStatusRead()
{
    Session().Read(kOutputStatusRegister, 8, [this](const TModbusAnswer &answer) { ShowStatus(QStringLiteral("Aout"), 5, answer); });
}
