#include "service/TCalibrationPage.h"

#include "common/NumberText.h"
#include "config/BoardAddresses.h"
#include "service/TUpDown.h"
#include "session/TBoardSession.h"
#include "widgets/PageBuilder.h"
#include "widgets/TLed.h"
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
void ChannelSelector(QGridLayout *grid, int row, const QString &title, const QString &objectName, const QString &prefix,
                     int count)
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
QGroupBox *Inputs(QWidget *parent, TAdvEdit *&low, TAdvEdit *&high, std::span<TLed *> lamps,
                  std::span<TAdvEdit *, 2> offsets, std::span<TAdvEdit *, 2> gains)
{
    const int channels = static_cast<int>(lamps.size());
    QGroupBox *inputs = ui::Group(parent, QStringLiteral(" Inputs "), QStringLiteral("InputsGroupBox"));
    QGridLayout *grid = ui::GridOf(inputs);
    ChannelSelector(grid, 0, QStringLiteral(" Analog input "), QStringLiteral("InputRadioGroup"), QStringLiteral("AIN"),
                    channels);

    auto *references = new QGridLayout;
    grid->addLayout(references, 1, 0, Qt::AlignTop);
    Label(references, 0, 0, QStringLiteral("Reference"));
    low = ui::CellEdit(references, 1, 0, QStringLiteral("LoLimitAdvEdit"), QStringLiteral("Low reference"),
                       TAdvEdit::Unsigned, 5, QStringLiteral("0"));
    Label(references, 1, 1, QStringLiteral("mV"));
    references->addWidget(Button(inputs, QStringLiteral("LoLimitVrDemoButton"), QStringLiteral("Lo Limit"),
                                 QStringLiteral("Send the low reference")),
                          1, 2);
    high = ui::CellEdit(references, 2, 0, QStringLiteral("HiLimitAdvEdit"), QStringLiteral("High reference"),
                        TAdvEdit::Unsigned, 5, QStringLiteral("0"));
    Label(references, 2, 1, QStringLiteral("mV"));
    references->addWidget(Button(inputs, QStringLiteral("HiLimitVrDemoButton"), QStringLiteral("Hi Limit"),
                                 QStringLiteral("Send the high reference")),
                          2, 2);
    references->setColumnStretch(3, 1);
    grid->addWidget(StatusLamps(inputs, QStringLiteral("AinStatusdxfGroupBox"), QStringLiteral("AIN"),
                                QStringLiteral("Ain"), lamps, 4),
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
                offsets[static_cast<size_t>(tag)] = edit;
            else if (name == QLatin1String("Gain"))
                gains[static_cast<size_t>(tag)] = edit;
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
               TAdvEdit *&voltage, TUpDown *&upDown)
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
    grid->addWidget(Button(parent, end + QStringLiteral("LimitVrButton"), button,
                           QStringLiteral("Send the %1 voltage").arg(which.toLower())),
                    row, 4);
}

// " Outputs ": the output to calibrate, its low and high voltage with the codes that drive it,
// and the outputs' status.
QGroupBox *Outputs(QWidget *parent, TAdvEdit *&lowVoltage, TAdvEdit *&highVoltage, TUpDown *&lowCode,
                   TUpDown *&highCode, std::span<TLed *> lamps)
{
    const int channels = static_cast<int>(lamps.size());
    QGroupBox *outputs = ui::Group(parent, QStringLiteral(" Outputs "), QStringLiteral("OutputsGroupBox"));
    QGridLayout *grid = ui::GridOf(outputs);
    ChannelSelector(grid, 0, QStringLiteral(" Analog output "), QStringLiteral("OutputRadioGroup"),
                    QStringLiteral("AOUT"), channels);
    auto *references = new QGridLayout;
    grid->addLayout(references, 1, 0, Qt::AlignTop);
    references->setHorizontalSpacing(2);
    Label(references, 0, 0, QStringLiteral("Voltage"));
    Label(references, 0, 2, QStringLiteral("Code"));
    OutputRow(references, 1, QStringLiteral("Lo"), QStringLiteral("Low"), QStringLiteral("Lo Limit"), lowVoltage,
              lowCode);
    OutputRow(references, 2, QStringLiteral("Hi"), QStringLiteral("High"), QStringLiteral("Hi Limit"), highVoltage,
              highCode);
    references->setColumnStretch(5, 1);
    grid->addWidget(StatusLamps(outputs, QStringLiteral("AoutStatusdxfGroupBox"), QStringLiteral("AOUT"),
                                QStringLiteral("Aout"), lamps, 3),
                    1, 1, Qt::AlignTop);
    return outputs;
}

// " On/Off ": the board's calibration mode.
QGroupBox *Mode(QWidget *parent, QCheckBox *&box)
{
    QGroupBox *mode = ui::Group(parent, QStringLiteral(" On/Off "), QStringLiteral("CalibrationGroupBox"));
    box = ui::Check(mode, QStringLiteral("CalibrationdxfCheckBox"), QStringLiteral("Calibration"));
    ui::GridOf(mode)->addWidget(box, 0, 0);
    return mode;
}

}  // namespace

TCalibrationPage::TCalibrationPage(TPageContext &context, QWidget *parent)
    : TPage(QStringLiteral("CalibrationTabSheet"), context, parent)
{
    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(6);
    layout->addWidget(Inputs(this, m_lowReference, m_highReference, m_inputLamps, m_offsets, m_gains), 0, 0);
    layout->addWidget(Outputs(this, m_lowVoltage, m_highVoltage, m_lowCode, m_highCode, m_outputLamps), 1, 0);
    layout->addWidget(Mode(this, m_calibrationMode), 2, 0, Qt::AlignLeft);
    layout->setColumnStretch(1, 1);
    layout->setRowStretch(3, 1);
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
                   {.OnReply = [this](const TModbusAnswer &answer) { ShowStatus(m_inputLamps, answer); }});
}

void TCalibrationPage::OutputStatusRead()
{
    Session().Read(board::OutputStatus, kStatusCount,
                   {.OnReply = [this](const TModbusAnswer &answer) { ShowStatus(m_outputLamps, answer); }});
}

void TCalibrationPage::ShowStartReferences()
{
    m_lowReference->setText(QStringLiteral("500"));
    m_highReference->setText(QStringLiteral("1000"));
    m_lowVoltage->setText(QStringLiteral("1000"));
    m_highVoltage->setText(QStringLiteral("9000"));
    m_lowCode->SetPosition(409);
    m_highCode->SetPosition(3685);
}

void TCalibrationPage::Refresh()
{
    if (!Session().Connected())
        return;
    Session().Read(board::PressureLimit, kPressureReadCount, {.OnReply = [this](const TModbusAnswer &answer) {
                       Table().ShowBlock(board::PressureLimit, answer.Registers.mid(0, kPressureShownCount));
                       for (size_t ch = 0; ch < 2; ++ch) {
                           const auto at = static_cast<qsizetype>(ch);
                           m_offsets[ch]->setText(QString::number(answer.Signed(kOffsetIndex + at)));
                           m_gains[ch]->setText(ScaledText(answer.Signed(kGainIndex + at), 4));
                       }
                   }});
    Session().Read(board::CalibrationMode, 1, {.OnReply = [this](const TModbusAnswer &answer) {
                       m_calibrationMode->setChecked(answer.Registers.at(0) != 0);
                   }});
    InputStatusRead();
    OutputStatusRead();
}
