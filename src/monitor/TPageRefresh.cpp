#include "monitor/TPageRefresh.h"

#include "app/TBoardSession.h"
#include "common/NumberText.h"
#include "config/TransferTable.h"
#include "service/TCalibrationPage.h"
#include "service/TTimersPage.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QWidget>

namespace {
// Page blocks: what each page reads on showing, in this order.
constexpr quint16 kSettings = 0x0200, kSettingsCount = 66;
constexpr quint16 kHeating = 0x0242, kHeatingCount = 22;
constexpr quint16 kCooling = 0x0258, kCoolingCount = 10;
constexpr quint16 kCascade = 0x0300, kCascadeCount = 17;
constexpr quint16 kInOut = 0x0311, kInOutCount = 47;
constexpr quint16 kTimersTail = 0x037F, kTimersTailCount = 5;
constexpr quint16 kSeries = 0x0385;
constexpr quint16 kVentilation = 0x0400, kVentilationCount = 48;
constexpr quint16 kRemoteControl = 0x0430, kRemoteControlCount = 3;
constexpr quint16 kCalibrationValues = 0x0518, kCalibrationValuesCount = 20;
constexpr quint16 kCalibrationSwitch = 0x0536;
// Within the calibration values: offsets (signed) and gains (x 0.0001) of AIN9 and AIN10, which
// no configuration item holds.
constexpr int kOffsetIndex = 4, kGainIndex = 6;

const QStringList kRemoteControls{QStringLiteral("StartStopdxfCheckBox"), QStringLiteral("KitchenHooddxfCheckBox"),
                                  QStringLiteral("VIS4AdvEdit"), QStringLiteral("VIE4AdvEdit")};
} // namespace

TPageRefresh::TPageRefresh(TBoardSession &session, const TTransferTable &table, QWidget &window, TTimersPage &timers,
                           TCalibrationPage &calibration)
    : m_session(session), m_table(table), m_window(window), m_timers(timers), m_calibration(calibration)
{
}

void TPageRefresh::ShowBlock(quint16 start, const QList<quint16> &registers) const
{
    const auto count = static_cast<int>(registers.size());
    for (int i = 0; i < count;) {
        const auto place = m_table.Locate(static_cast<quint16>(start + i));
        if (!place || place->Offset != 0) {
            ++i;
            continue;
        }
        const int length = place->Codec->Row().Registers;
        if (i + length <= count)
            place->Codec->RegistersToControls(std::span<const quint16>(registers.constData() + i, static_cast<size_t>(length)));
        i += std::max(length, 1);
    }
}

void TPageRefresh::ReadBlock(quint16 start, quint16 count)
{
    m_session.Read(start, count, [this, start](const TModbusAnswer &answer) { ShowBlock(start, answer.Registers); });
}

void TPageRefresh::SetRemoteControlEnabled(bool enabled)
{
    for (const QString &name : kRemoteControls) {
        if (auto *control = m_window.findChild<QWidget *>(name))
            control->setEnabled(enabled);
    }
}

void TPageRefresh::ReadRemoteControl()
{
    // A board without remote control refuses these registers: the box stays greyed out until a
    // later read succeeds.
    m_session.Read(
        kRemoteControl, kRemoteControlCount,
        [this](const TModbusAnswer &answer) {
            SetRemoteControlEnabled(true);
            ShowBlock(kRemoteControl, answer.Registers);
        },
        [this](const TModbusAnswer &) { SetRemoteControlEnabled(false); });
}

void TPageRefresh::ReadCalibration()
{
    m_session.Read(kCalibrationValues, kCalibrationValuesCount, [this](const TModbusAnswer &answer) {
        // Only the first ten registers are shown; the rest of the block is not used here.
        ShowBlock(kCalibrationValues, answer.Registers.mid(0, 10));
        for (int ch = 0; ch < 2; ++ch) {
            const QString n = QString::number(9 + ch);
            if (auto *offset = m_window.findChild<QLineEdit *>(QStringLiteral("Offset%1AdvEdit").arg(n)))
                offset->setText(QString::number(answer.Signed(kOffsetIndex + ch)));
            if (auto *gain = m_window.findChild<QLineEdit *>(QStringLiteral("Gain%1AdvEdit").arg(n)))
                gain->setText(ScaledText(answer.Signed(kGainIndex + ch), 4));
        }
    });
    m_session.Read(kCalibrationSwitch, 1, [this](const TModbusAnswer &answer) {
        if (auto *box = m_window.findChild<QCheckBox *>(QStringLiteral("CalibrationdxfCheckBox")))
            box->setChecked(answer.Registers.at(0) != 0);
    });
    m_calibration.InputStatusRead();
    m_calibration.OutputStatusRead();
}

void TPageRefresh::Refresh(const QWidget *page)
{
    if (!page)
        return;
    const QString name = page->objectName();
    if (name == QLatin1String("TimersTabSheet")) {
        // Offline the page shows the program held in memory for the selected day.
        m_timers.ReadVrButtonClick();
        if (!m_session.Connected())
            return;
        ReadBlock(kTimersTail, kTimersTailCount);
        ReadBlock(kSeries, 1);
        return;
    }
    if (!m_session.Connected())
        return;
    if (name == QLatin1String("SettingsTabSheet"))
        ReadBlock(kSettings, kSettingsCount);
    else if (name == QLatin1String("HeatingTabSheet"))
        ReadBlock(kHeating, kHeatingCount);
    else if (name == QLatin1String("CoolingTabSheet"))
        ReadBlock(kCooling, kCoolingCount);
    else if (name == QLatin1String("CascadeTabSheet"))
        ReadBlock(kCascade, kCascadeCount);
    else if (name == QLatin1String("InOutTabSheet"))
        ReadBlock(kInOut, kInOutCount);
    else if (name == QLatin1String("VentilationTabSheet")) {
        ReadBlock(kVentilation, kVentilationCount);
        ReadRemoteControl();
    } else if (name == QLatin1String("CalibrationTabSheet"))
        ReadCalibration();
}
