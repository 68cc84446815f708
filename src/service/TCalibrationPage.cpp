// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/TCalibrationPage.h"

#include "common/NumberText.h"
#include "config/BoardAddresses.h"
#include "service/TUpDown.h"
#include "session/TBoardSession.h"
#include "widgets/PageBuilder.h"
#include "widgets/TLed.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QRadioButton>

#include <iterator>

namespace {

using TControls = TCalibrationPage::TControls;

// Inputs AIN1-AIN4 and AIN5-AIN8: the largest reference they take and the references a
// calibration usually starts from, in mV.
struct InputClass
{
    int Bound;
    int Low;
    int High;
};
constexpr InputClass kInputClasses[] = {{1750, 500, 1000}, {10000, 1000, 9000}};
constexpr InputClass ClassOfInput(int input)
{
    return kInputClasses[input < 4 ? 0 : 1];
}

// Outputs AOUT1-AOUT2 (12-bit) and AOUT3-AOUT5 (15-bit, whose code the board takes doubled).
struct OutputClass
{
    int FullScale;  // the code of 10 V
    int Maximum;    // the largest code the up-downs step to
    int Length;     // characters of a code
    int Factor;     // what the code is multiplied by on its way to the board
};
constexpr OutputClass kOutputClasses[] = {{4095, 4095, 4, 1}, {32768, 32767, 5, 2}};
constexpr OutputClass ClassOfOutput(int output)
{
    return kOutputClasses[output < 2 ? 0 : 1];
}
// The voltages a calibration usually starts from, in mV, and the most a voltage can be.
constexpr int kLowVoltage = 1000;
constexpr int kHighVoltage = 9000;
constexpr int kMaxVoltage = 10000;
// The pressure offsets (Pa) and gains (x 10000) the board takes.
constexpr int kMaxOffset = 100;
constexpr int kMinGain = 8000;
constexpr int kMaxGain = 12000;

constexpr int kTwelveBitCodeMaximum = 4095;
// The status reads: eight registers each, one per channel; the outputs use the first five.
constexpr quint16 kStatusCount = 8;
// Filling the page: the pressure parameters Plim, Pmax, Offset, Gain and Coef of AIN9 and AIN10
// from 0x0518 (the read takes 20 registers, the page shows the first ten).
constexpr quint16 kPressureReadCount = 20;
constexpr int kPressureShownCount = 10;
// Within them: the offsets (signed) and gains (x 0.0001) of AIN9 and AIN10, which no
// configuration item holds.
constexpr int kOffsetIndex = board::PressureOffset - board::PressureLimit;
constexpr int kGainIndex = board::PressureGain - board::PressureLimit;

// A parameter of the pressure inputs AIN9 and AIN10.
struct PressureParameter
{
    const char *Name;
    TAdvEdit::Kind Kind;
    int Length[2];        // characters for AIN9, AIN10
    const char *Initial;  // "." stands for the decimal separator
    const char *Unit;
    bool Hidden;
};

// Offset: four characters for AIN9 too, so that -100 can be typed. The gain stays on the board's
// factory value: its edits are filled and handled but not shown; six characters hold "1,0000".
constexpr PressureParameter kPressureParameters[] = {
    {"Plim", TAdvEdit::Unsigned, {5, 5}, "0", "Pa", false}, {"Pmax", TAdvEdit::Unsigned, {5, 5}, "0", "m³/h", false},
    {"Offset", TAdvEdit::Signed, {4, 5}, "0", "Pa", false}, {"Gain", TAdvEdit::Decimal, {6, 6}, "1.0000", "", true},
    {"Coef", TAdvEdit::Unsigned, {4, 4}, "0", "", false},
};

// A titled row of radio buttons "<prefix>1" .. "<prefix><count>", the first one selected; the
// button group's ids are the channel indexes 0 .. count-1.
QButtonGroup *ChannelSelector(QGridLayout *grid, int row, const QString &title, const QString &objectName,
                              const QString &prefix, int count)
{
    auto *box = new QGroupBox(title, grid->parentWidget());
    box->setObjectName(objectName);
    auto *layout = new QHBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 4);
    auto *group = new QButtonGroup(box);
    for (int i = 0; i < count; ++i) {
        auto *channel = new QRadioButton(prefix + QString::number(i + 1), box);
        ui::Name(channel, channel->text());
        group->addButton(channel, i);
        layout->addWidget(channel);
    }
    layout->addStretch();
    group->button(0)->setChecked(true);
    grid->addWidget(box, row, 0, 1, -1);
    return group;
}

// " Status ": one lamp per channel, lit when the board reports the channel calibrated.
QGroupBox *StatusLamps(QWidget *parent, const QString &objectName, const QString &prefix, const QString &ledPrefix,
                       std::span<TLed *> lamps, int columns)
{
    const int count = static_cast<int>(lamps.size());
    QGroupBox *group = ui::Group(parent, QStringLiteral(" Status "), objectName);
    QGridLayout *grid = ui::GridOf(group);
    for (int i = 0; i < count; ++i) {
        const QString channel = prefix + QString::number(i + 1);
        auto *led = new TLed(group);
        led->setObjectName(QStringLiteral("%1%2VrUserLed").arg(ledPrefix).arg(i + 1));
        led->setAccessibleName(channel + QStringLiteral(" calibration status"));
        grid->addWidget(led, i / columns, 2 * (i % columns));
        lamps[static_cast<size_t>(i)] = led;
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
QGroupBox *Inputs(QWidget *parent, TControls &c)
{
    QGroupBox *inputs = ui::Group(parent, QStringLiteral(" Inputs "), QStringLiteral("InputsGroupBox"));
    QGridLayout *grid = ui::GridOf(inputs);
    c.Inputs = ChannelSelector(grid, 0, QStringLiteral(" Analog input "), QStringLiteral("InputRadioGroup"),
                               QStringLiteral("AIN"), static_cast<int>(c.InputLamps.size()));

    auto *references = new QGridLayout;
    grid->addLayout(references, 1, 0, Qt::AlignTop);
    Label(references, 0, 0, QStringLiteral("Reference"));
    c.LowReference = ui::CellEdit(references, 1, 0, QStringLiteral("LoLimitAdvEdit"), QStringLiteral("Low reference"),
                                  TAdvEdit::Unsigned, 5, QStringLiteral("0"));
    Label(references, 1, 1, QStringLiteral("mV"));
    c.SendLowReference = Button(inputs, QStringLiteral("LoLimitVrDemoButton"), QStringLiteral("Lo Limit"),
                                QStringLiteral("Send the low reference"));
    references->addWidget(c.SendLowReference, 1, 2);
    c.HighReference = ui::CellEdit(references, 2, 0, QStringLiteral("HiLimitAdvEdit"), QStringLiteral("High reference"),
                                   TAdvEdit::Unsigned, 5, QStringLiteral("0"));
    Label(references, 2, 1, QStringLiteral("mV"));
    c.SendHighReference = Button(inputs, QStringLiteral("HiLimitVrDemoButton"), QStringLiteral("Hi Limit"),
                                 QStringLiteral("Send the high reference"));
    references->addWidget(c.SendHighReference, 2, 2);
    references->setColumnStretch(3, 1);
    grid->addWidget(StatusLamps(inputs, QStringLiteral("AinStatusdxfGroupBox"), QStringLiteral("AIN"),
                                QStringLiteral("Ain"), c.InputLamps, 4),
                    1, 1, Qt::AlignTop);

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
            TAdvEdit *edit = ui::CellEdit(
                pressure, tag + 1, 1 + 2 * p, QStringLiteral("%1%2AdvEdit").arg(name).arg(9 + tag),
                input + QLatin1Char(' ') + name, parameter.Kind, parameter.Length[tag],
                QString::fromLatin1(parameter.Initial).replace(QLatin1Char('.'), QLocale().decimalPoint()));
            ui::SetTag(edit, tag);
            edit->setHidden(parameter.Hidden);
            if (name == QLatin1String("Offset"))
                c.Offsets[static_cast<size_t>(tag)] = edit;
            else if (name == QLatin1String("Gain"))
                c.Gains[static_cast<size_t>(tag)] = edit;
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
void OutputRow(QGridLayout *grid, int row, const QString &end, const QString &which, const QString &button,
               TAdvEdit *&voltage, TUpDown *&upDown, QPushButton *&send)
{
    QWidget *parent = grid->parentWidget();
    voltage = ui::CellEdit(grid, row, 0, end + QStringLiteral("VoltageAdvEdit"), which + QStringLiteral(" voltage"),
                           TAdvEdit::Unsigned, 5, QStringLiteral("0"));
    Label(grid, row, 1, QStringLiteral("mV"));
    TAdvEdit *code = ui::CellEdit(grid, row, 2, end + QStringLiteral("CodeAdvEdit"), which + QStringLiteral(" code"),
                                  TAdvEdit::Unsigned, 4, QStringLiteral("0"));
    upDown = new TUpDown(code, parent);
    upDown->setObjectName(end + QStringLiteral("CodeUpDown"));
    upDown->setAccessibleName(which + QStringLiteral(" code up-down"));
    upDown->SetMaximum(kTwelveBitCodeMaximum);
    grid->addWidget(upDown, row, 3);
    send = Button(parent, end + QStringLiteral("LimitVrButton"), button,
                  QStringLiteral("Send the %1 voltage").arg(which.toLower()));
    grid->addWidget(send, row, 4);
}

// " Outputs ": the output to calibrate, its low and high voltage with the codes that drive it,
// and the outputs' status.
QGroupBox *Outputs(QWidget *parent, TControls &c)
{
    QGroupBox *outputs = ui::Group(parent, QStringLiteral(" Outputs "), QStringLiteral("OutputsGroupBox"));
    QGridLayout *grid = ui::GridOf(outputs);
    c.Outputs = ChannelSelector(grid, 0, QStringLiteral(" Analog output "), QStringLiteral("OutputRadioGroup"),
                                QStringLiteral("AOUT"), static_cast<int>(c.OutputLamps.size()));
    auto *references = new QGridLayout;
    grid->addLayout(references, 1, 0, Qt::AlignTop);
    references->setHorizontalSpacing(2);
    Label(references, 0, 0, QStringLiteral("Voltage"));
    Label(references, 0, 2, QStringLiteral("Code"));
    OutputRow(references, 1, QStringLiteral("Lo"), QStringLiteral("Low"), QStringLiteral("Lo Limit"), c.LowVoltage,
              c.LowCode, c.SendLowVoltage);
    OutputRow(references, 2, QStringLiteral("Hi"), QStringLiteral("High"), QStringLiteral("Hi Limit"), c.HighVoltage,
              c.HighCode, c.SendHighVoltage);
    references->setColumnStretch(5, 1);
    grid->addWidget(StatusLamps(outputs, QStringLiteral("AoutStatusdxfGroupBox"), QStringLiteral("AOUT"),
                                QStringLiteral("Aout"), c.OutputLamps, 3),
                    1, 1, Qt::AlignTop);
    return outputs;
}

// " On/Off ": the board's calibration mode.
QGroupBox *Mode(QWidget *parent, TControls &c)
{
    QGroupBox *mode = ui::Group(parent, QStringLiteral(" On/Off "), QStringLiteral("CalibrationGroupBox"));
    c.Mode = ui::Check(mode, QStringLiteral("CalibrationdxfCheckBox"), QStringLiteral("Calibration"));
    ui::GridOf(mode)->addWidget(c.Mode, 0, 0);
    return mode;
}

}  // namespace

TCalibrationPage::TCalibrationPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("CalibrationTabSheet"), context, parent)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addWidget(Inputs(this, m_c), 0, 0);
    layout->addWidget(Outputs(this, m_c), 1, 0);
    layout->addWidget(Mode(this, m_c), 2, 0, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);

    TParameterEditor &editor = context.Editor;
    connect(m_c.Inputs, &QButtonGroup::idClicked, this, &TCalibrationPage::InputRadioGroupClick);
    connect(m_c.Mode, &QCheckBox::toggled, this, &TCalibrationPage::ModeChanged);
    connect(m_c.Outputs, &QButtonGroup::idClicked, this, &TCalibrationPage::OutputRadioGroupClick);
    editor.Override(m_c.LowReference, [this] { ReferenceOf(m_c.LowReference); });
    editor.Override(m_c.HighReference, [this] { ReferenceOf(m_c.HighReference); });
    editor.Override(m_c.SendLowReference, [this] { SendReference(m_c.LowReference, board::InputLowReference, false); });
    editor.Override(m_c.SendHighReference,
                    [this] { SendReference(m_c.HighReference, board::InputHighReference, true); });
    for (size_t ch = 0; ch < 2; ++ch) {
        TAdvEdit *offset = m_c.Offsets[ch];
        TAdvEdit *gain = m_c.Gains[ch];
        const auto tag = static_cast<quint16>(ch);
        editor.Override(offset, [this, offset, tag] {
            if (const auto value = Editor().TakeNumber(offset, -kMaxOffset, kMaxOffset, 0))
                Editor().Write(offset, static_cast<quint16>(board::PressureOffset + tag), static_cast<quint16>(*value));
        });
        editor.Override(gain, [this, gain, tag] {
            if (const auto value = Editor().TakeNumber(gain, kMinGain, kMaxGain, 4))
                Editor().Write(gain, static_cast<quint16>(board::PressureGain + tag), static_cast<quint16>(*value));
        });
    }
    editor.Override(m_c.LowVoltage, [this] { VoltageToCode(m_c.LowVoltage, m_c.LowCode); });
    editor.Override(m_c.HighVoltage, [this] { VoltageToCode(m_c.HighVoltage, m_c.HighCode); });
    connect(m_c.LowCode, &TUpDown::Stepped, this, [this] { SendCode(m_c.LowCode); });
    connect(m_c.HighCode, &TUpDown::Stepped, this, [this] { SendCode(m_c.HighCode); });
    editor.Override(m_c.SendLowVoltage, [this] { SendVoltage(m_c.LowVoltage, board::OutputLowVoltage, false); });
    editor.Override(m_c.SendHighVoltage, [this] { SendVoltage(m_c.HighVoltage, board::OutputHighVoltage, true); });
    editor.Override(m_c.Mode,
                    [this] { Editor().Write(m_c.Mode, board::CalibrationMode, m_c.Mode->isChecked() ? 1 : 0); });
}

bool TCalibrationPage::ModeOn() const
{
    return m_c.Mode->isChecked();
}

void TCalibrationPage::ReadMode()
{
    if (!Session().Connected())
        return;
    Session().Read(board::CalibrationMode, 1, {.OnReply = [this](const TModbusAnswer &answer) {
                       m_c.Mode->setChecked(answer.Registers.at(0) != 0);
                   }});
}

TReturnWrites TCalibrationPage::ReturnWrites() const
{
    if (!ModeOn())
        return {};
    return {{.Address = board::CalibrationMode,
             .Value = 0,
             .What = QStringLiteral("calibration mode off"),
             .Taken = [mode = m_c.Mode] { mode->setChecked(false); }}};
}

int TCalibrationPage::SelectedInput() const
{
    return m_c.Inputs->checkedId();
}

int TCalibrationPage::SelectedOutput() const
{
    return m_c.Outputs->checkedId();
}

void TCalibrationPage::InputRadioGroupClick()
{
    const InputClass input = ClassOfInput(SelectedInput());
    m_c.LowReference->setText(QString::number(input.Low));
    m_c.HighReference->setText(QString::number(input.High));
}

std::optional<qint64> TCalibrationPage::ReferenceOf(TAdvEdit *edit)
{
    return Editor().TakeNumber(edit, 0, ClassOfInput(SelectedInput()).Bound, 0);
}

void TCalibrationPage::SendReference(TAdvEdit *edit, quint16 base, bool thenStatus)
{
    // The edit's own check may have been passed by: checked again before anything goes out.
    const auto reference = ReferenceOf(edit);
    if (!reference)
        return;
    Editor().Write(edit, static_cast<quint16>(base + SelectedInput()), static_cast<quint16>(*reference));
    if (thenStatus && Session().Connected())
        InputStatusRead();
}

void TCalibrationPage::OutputRadioGroupClick()
{
    const OutputClass output = ClassOfOutput(SelectedOutput());
    for (TUpDown *code : {m_c.LowCode, m_c.HighCode}) {
        code->SetMaximum(output.Maximum);
        code->Associate()->setMaxLength(output.Length);
    }
    m_c.LowVoltage->setText(QString::number(kLowVoltage));
    m_c.HighVoltage->setText(QString::number(kHighVoltage));
    m_c.LowCode->SetPosition(kLowVoltage * output.FullScale / kMaxVoltage);
    m_c.HighCode->SetPosition(kHighVoltage * output.FullScale / kMaxVoltage);
}

void TCalibrationPage::VoltageToCode(TAdvEdit *voltage, TUpDown *code)
{
    const auto millivolts = Editor().TakeNumber(voltage, 0, kMaxVoltage, 0);
    if (millivolts)
        code->Associate()->setText(
            QString::number(*millivolts * ClassOfOutput(SelectedOutput()).FullScale / kMaxVoltage));
}

void TCalibrationPage::SendCode(TUpDown *code)
{
    // The board drives the output with each code stepped to, while the line is up; a code the
    // output class cannot take is refused rather than sent wrapped.
    if (!Session().Connected())
        return;
    const OutputClass output = ClassOfOutput(SelectedOutput());
    const auto value = Editor().TakeNumber(code->Associate(), 0, output.Maximum, 0);
    if (value)
        Editor().Write(code, static_cast<quint16>(board::OutputCode + SelectedOutput()),
                       static_cast<quint16>(*value * output.Factor));
}

void TCalibrationPage::SendVoltage(TAdvEdit *voltage, quint16 base, bool thenStatus)
{
    const auto millivolts = Editor().TakeNumber(voltage, 0, kMaxVoltage, 0);
    if (!millivolts)
        return;
    Editor().Write(voltage, static_cast<quint16>(base + SelectedOutput()), static_cast<quint16>(*millivolts));
    if (thenStatus && Session().Connected())
        OutputStatusRead();
}

void TCalibrationPage::ShowStatus(std::span<TLed *const> lamps, const TModbusAnswer &answer)
{
    // A channel is calibrated when the low byte of its status register is not 0.
    for (size_t k = 0; k < lamps.size(); ++k)
        lamps[k]->SetOn((answer.Registers.at(static_cast<qsizetype>(k)) & 0xFF) != 0);
}

void TCalibrationPage::InputStatusRead()
{
    Session().Read(board::InputStatus, kStatusCount,
                   {.OnReply = [this](const TModbusAnswer &answer) { ShowStatus(m_c.InputLamps, answer); }});
}

void TCalibrationPage::OutputStatusRead()
{
    Session().Read(board::OutputStatus, kStatusCount,
                   {.OnReply = [this](const TModbusAnswer &answer) { ShowStatus(m_c.OutputLamps, answer); }});
}

void TCalibrationPage::ShowStartReferences()
{
    const InputClass input = ClassOfInput(0);
    const OutputClass output = ClassOfOutput(0);
    m_c.LowReference->setText(QString::number(input.Low));
    m_c.HighReference->setText(QString::number(input.High));
    m_c.LowVoltage->setText(QString::number(kLowVoltage));
    m_c.HighVoltage->setText(QString::number(kHighVoltage));
    m_c.LowCode->SetPosition(kLowVoltage * output.FullScale / kMaxVoltage);
    m_c.HighCode->SetPosition(kHighVoltage * output.FullScale / kMaxVoltage);
}

void TCalibrationPage::Refresh()
{
    if (!Session().Connected())
        return;
    ReadForPage(board::PressureLimit, kPressureReadCount, [this](const TModbusAnswer &answer) {
        Table().ShowBlock(board::PressureLimit, answer.Registers.mid(0, kPressureShownCount));
        for (size_t ch = 0; ch < 2; ++ch) {
            const auto at = static_cast<qsizetype>(ch);
            m_c.Offsets[ch]->setText(QString::number(answer.Signed(kOffsetIndex + at)));
            m_c.Gains[ch]->setText(ScaledText(answer.Signed(kGainIndex + at), 4));
        }
    });
    ReadForPage(board::CalibrationMode, 1,
                [this](const TModbusAnswer &answer) { m_c.Mode->setChecked(answer.Registers.at(0) != 0); });
    InputStatusRead();
    OutputStatusRead();
}
