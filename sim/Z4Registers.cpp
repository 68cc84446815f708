// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Z4Registers.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <bit>
#include <cmath>
#include <utility>
#include <vector>

namespace {

constexpr quint16 kTimerStoreCommand = 0xA563;

struct Block
{
    quint16 first;
    quint16 last;
};

// The registers a Z4 board has; everything else is refused with "illegal data address".
constexpr Block kBlocks[] = {
    {0x0000, 0x0001},  // regulation mode
    {0x0100, 0x0144},  // status block: clock, column R, stop causes, modes
    {0x016D, 0x0199},  // column-A I/O block and heat-recovery states
    {0x01C5, 0x01CE},  // diagnostic values
    {0x0200, 0x0261},  // settings, heating and cooling
    {0x0300, 0x0385},  // cascade, recirculation, I/O test, week timers, numbers
    {0x0400, 0x0432},  // ventilation; 0x0430-0x0432 only on boards with remote control
    {0x04FF, 0x04FF},  // air-volume calibration command
    {0x0500, 0x0536},  // calibration
    {0xE700, 0xE701},  // firmware version, board number
};

// One run of registers holding the same factory value.
struct FactoryRun
{
    quint16 first;
    quint16 count;
    quint16 value;
    const char *note;
};

// The factory configuration: every register of the configuration blocks, each inside the range
// its page accepts. The board and series numbers (0x0382, 0x0385) and the version (0xE700) come
// from the options instead, and the season in use (0x0216) is the board's own.
constexpr FactoryRun kFactory[] = {
    {0x013A, 1, 1, "start/stop command: the unit runs"},
    // Settings page.
    {0x0200, 1, 2000, "supply air set point 20.0 degC"},
    {0x0201, 1, 0, "supply sensor: input 1"},
    {0x0202, 1, 1, "outdoor sensor: input 2"},
    {0x0203, 1, 2, "exhaust sensor: input 3"},
    {0x0204, 1, 500, "anti-freezing temperature 5.0 degC"},
    {0x0205, 1, 0xFFFF, "anti-freezing sensor: none"},
    {0x0206, 1, 0, "rotor on analog output 1"},
    {0x0207, 1, 3, "rotor on digital output 4"},
    {0x0208, 1, 2, "rotor stop time 2 min"},
    {0x0209, 1, 30, "rotor period 30 s"},
    {0x020A, 1, 50, "rotor SPW 0.5"},
    {0x020B, 1, 300, "rotor Kp 3.0"},
    {0x020C, 1, 6000, "rotor Ki 60 s"},
    {0x020D, 1, 30, "T1 30 s"},
    {0x020E, 1, 60, "T2 60 s"},
    {0x020F, 1, 120, "T3 120 s"},
    {0x0210, 1, 5, "active control on digital output 6"},
    {0x0211, 1, 4, "water pump on digital output 5"},
    {0x0212, 1, 0x002B, "stop on DIN1, DIN2, DIN4, DIN6"},
    {0x0213, 1, 0x000F, "stop on a failed sensor AIN1-AIN4"},
    {0x0214, 1, 0, "mode: manual"},
    {0x0215, 1, 2, "season mode: auto"},
    {0x0217, 1, 0, "heater control off"},
    {0x0218, 1, 0, "heater control not inverted"},
    {0x0219, 1, 4, "heater control on input 5"},
    {0x021A, 4, 0, "stop control rows 1-4 off"},
    {0x021E, 4, 0, "stop control rows not inverted"},
    {0x0222, 1, 4, "stop control 1 on input 5"},
    {0x0223, 1, 5, "stop control 2 on input 6"},
    {0x0224, 2, 6, "stop control 3, 4 on input 7"},
    {0x0226, 4, 800, "stop control thresholds 8.0 V"},
    {0x022A, 1, 25, "stop control 1 code STOP"},
    {0x022B, 1, 26, "stop control 2 code HEATER"},
    {0x022C, 1, 27, "stop control 3 code WATER"},
    {0x022D, 1, 28, "stop control 4 code FROST"},
    {0x022E, 4, 0, "output control rows 1-4 off"},
    {0x0232, 4, 0, "output control rows not inverted"},
    {0x0236, 4, 5, "output control rows on input 6"},
    {0x023A, 4, 500, "output control thresholds 5.0 V"},
    {0x023E, 4, 9, "output control rows drive digital output 10"},
    // Heating page.
    {0x0242, 1, 1, "water heater on"},
    {0x0243, 1, 60, "water heater period 60 s"},
    {0x0244, 1, 1, "water heater valve on analog output 2"},
    {0x0245, 1, 200, "valve voltage while off 2.0 V"},
    {0x0246, 1, 50, "water heater SPW 0.5"},
    {0x0247, 1, 500, "water heater Kp 5.0"},
    {0x0248, 1, 12000, "water heater Ki 120 s"},
    {0x0249, 1, 0, "electric heater off"},
    {0x024A, 1, 30, "electric heater period 30 s"},
    {0x024B, 1, 50, "electric heater SPW 0.5"},
    {0x024C, 1, 400, "electric heater Kp 4.0"},
    {0x024D, 1, 9000, "electric heater Ki 90 s"},
    {0x024E, 1, 3, "three electric stages"},
    {0x024F, 1, 34, "stage I power 34 %"},
    {0x0250, 2, 33, "stage II, III power 33 %"},
    {0x0252, 1, 5, "stage I on analog output 6"},
    {0x0253, 1, 6, "stage II on analog output 7"},
    {0x0254, 1, 7, "stage III on analog output 8"},
    {0x0255, 1, 6, "stage II on digital output 7"},
    {0x0256, 1, 7, "stage III on digital output 8"},
    {0x0257, 1, 0, "heating sequence WATER-ELECTRIC"},
    // Cooling page.
    {0x0258, 1, 1, "water cooler on"},
    {0x0259, 1, 60, "water cooler period 60 s"},
    {0x025A, 1, 2, "water cooler valve on analog output 3"},
    {0x025B, 1, 50, "water cooler SPW 0.5"},
    {0x025C, 1, 500, "water cooler Kp 5.0"},
    {0x025D, 1, 12000, "water cooler Ki 120 s"},
    {0x025E, 1, 0, "DX cooling off"},
    {0x025F, 1, 8, "DX stage I on digital output 9"},
    {0x0260, 1, 0xFFFF, "DX stage II: none"},
    {0x0261, 1, 5, "DX stage I->II after 5 min"},
    // Cascade page.
    {0x0300, 1, 0, "regulation: FIXED SP"},
    {0x0301, 1, 2, "temperature difference 2 degC"},
    {0x0302, 1, 2100, "room air 21.0 degC"},
    {0x0303, 1, 3, "room sensor: input 4"},
    {0x0304, 1, 1500, "supply air minimum 15.0 degC"},
    {0x0305, 1, 3000, "supply air maximum 30.0 degC"},
    {0x0306, 1, 800, "maximum difference 8.0 degC"},
    {0x0307, 1, 200, "cascade period: 200 s, or 2.00 s read as hundredths; valid either way"},
    {0x0308, 1, 50, "cascade SPW 0.5"},
    {0x0309, 1, 200, "cascade Kp 2.0"},
    {0x030A, 1, 30000, "cascade Ki 300 s"},
    {0x030B, 1, 0, "recirculation off"},
    {0x030C, 1, 1, "recirculation stops the exhaust fan"},
    {0x030D, 1, 1, "recirculation stops the rotor"},
    {0x030E, 1, 0, "recirculation window inactive"},
    {0x030F, 1, 480, "recirculation from 08:00"},
    {0x0310, 1, 1080, "recirculation to 18:00"},
    // In/Out page: everything automatic.
    {0x0311, 4, 2000, "manual value inputs 1-4: 20.0 degC"},
    {0x0315, 4, 500, "manual value inputs 5-8: 5.0 V"},
    {0x0319, 2, 5000, "manual value inputs 9-10: 50.0 %"},
    {0x031B, 10, 0, "analog inputs automatic"},
    {0x0325, 8, 0, "manual value outputs 1-8: 0"},
    {0x032D, 8, 0, "analog outputs automatic"},
    {0x0335, 1, 0x0000, "digital inputs not inverted"},
    {0x0336, 1, 0x0000, "digital input manual values off"},
    {0x0337, 1, 0x00FF, "digital inputs 1-8 automatic"},
    {0x0338, 1, 0x0000, "digital outputs not inverted"},
    {0x0339, 1, 0x0000, "digital output manual values off"},
    {0x033A, 1, 0x07FF, "digital outputs 1-11 automatic"},
    {0x033B, 3, 600, "simulation times T1-T3 60 s"},
    {0x033E, 1, 0x0000, "simulation channels ON/OFF"},
    {0x033F, 1, 10, "alarm on digital output 11"},
    // Week program, times (minutes after midnight). Weekends: 08:00-12:00 level 1,
    // 12:00-20:00 level 2, interval 3 empty. Working days: 06:00-08:00 level 2,
    // 08:00-17:00 level 3, 17:00-22:00 level 1.
    {0x0340, 1, 480, "Sunday 1 on 08:00"},
    {0x0341, 2, 720, "Sunday 1 off, 2 on 12:00"},
    {0x0343, 3, 1200, "Sunday 2 off 20:00, 3 empty"},
    {0x0346, 1, 360, "Monday 1 on 06:00"},
    {0x0347, 2, 480, "Monday 1 off, 2 on 08:00"},
    {0x0349, 2, 1020, "Monday 2 off, 3 on 17:00"},
    {0x034B, 1, 1320, "Monday 3 off 22:00"},
    {0x034C, 1, 360, "Tuesday 1 on 06:00"},
    {0x034D, 2, 480, "Tuesday 1 off, 2 on 08:00"},
    {0x034F, 2, 1020, "Tuesday 2 off, 3 on 17:00"},
    {0x0351, 1, 1320, "Tuesday 3 off 22:00"},
    {0x0352, 1, 360, "Wednesday 1 on 06:00"},
    {0x0353, 2, 480, "Wednesday 1 off, 2 on 08:00"},
    {0x0355, 2, 1020, "Wednesday 2 off, 3 on 17:00"},
    {0x0357, 1, 1320, "Wednesday 3 off 22:00"},
    {0x0358, 1, 360, "Thursday 1 on 06:00"},
    {0x0359, 2, 480, "Thursday 1 off, 2 on 08:00"},
    {0x035B, 2, 1020, "Thursday 2 off, 3 on 17:00"},
    {0x035D, 1, 1320, "Thursday 3 off 22:00"},
    {0x035E, 1, 360, "Friday 1 on 06:00"},
    {0x035F, 2, 480, "Friday 1 off, 2 on 08:00"},
    {0x0361, 2, 1020, "Friday 2 off, 3 on 17:00"},
    {0x0363, 1, 1320, "Friday 3 off 22:00"},
    {0x0364, 1, 480, "Saturday 1 on 08:00"},
    {0x0365, 2, 720, "Saturday 1 off, 2 on 12:00"},
    {0x0367, 3, 1200, "Saturday 2 off 20:00, 3 empty"},
    // Week program, levels of intervals 1-3 per day.
    {0x036A, 1, 1, "Sunday levels 1"},
    {0x036B, 1, 2, "  2"},
    {0x036C, 1, 0, "  0"},
    {0x036D, 1, 2, "Monday levels 2"},
    {0x036E, 1, 3, "  3"},
    {0x036F, 1, 1, "  1"},
    {0x0370, 1, 2, "Tuesday levels 2"},
    {0x0371, 1, 3, "  3"},
    {0x0372, 1, 1, "  1"},
    {0x0373, 1, 2, "Wednesday levels 2"},
    {0x0374, 1, 3, "  3"},
    {0x0375, 1, 1, "  1"},
    {0x0376, 1, 2, "Thursday levels 2"},
    {0x0377, 1, 3, "  3"},
    {0x0378, 1, 1, "  1"},
    {0x0379, 1, 2, "Friday levels 2"},
    {0x037A, 1, 3, "  3"},
    {0x037B, 1, 1, "  1"},
    {0x037C, 1, 1, "Saturday levels 1"},
    {0x037D, 1, 2, "  2"},
    {0x037E, 1, 0, "  0"},
    // Temperature correction, numbers.
    {0x037F, 1, 0xFFFE, "night correction -2 degC"},
    {0x0380, 1, 1320, "correction from 22:00"},
    {0x0381, 1, 360, "correction to 06:00"},
    {0x0383, 1, 1, "slave address 1"},
    {0x0384, 1, 0, "timer store command register"},
    // Ventilation page.
    {0x0400, 1, 0, "fan mode: 3 speed"},
    {0x0401, 1, 0, "speed I on digital output 1"},
    {0x0402, 1, 0xFFFF, "speed I second output: none"},
    {0x0403, 1, 1, "speed II on digital output 2"},
    {0x0404, 1, 0xFFFF, "speed II second output: none"},
    {0x0405, 1, 2, "speed III on digital output 3"},
    {0x0406, 1, 0xFFFF, "speed III second output: none"},
    {0x0407, 1, 3, "supply fan on analog output 4"},
    {0x0408, 1, 4, "exhaust fan on analog output 5"},
    {0x0409, 1, 0, "fan speed correction off"},
    {0x040A, 1, 0, "correction above"},
    {0x040B, 1, 5, "correction on input 6"},
    {0x040C, 1, 100, "correction Kp 1.0"},
    {0x040D, 1, 50, "correction value 5.0 V"},
    {0x040E, 1, 0, "outdoor temperature influence off"},
    {0x040F, 1, 8, "supply pressure on input 9"},
    {0x0410, 1, 9, "exhaust pressure on input 10"},
    {0x0411, 1, 50, "supply pressure SPW 0.5"},
    {0x0412, 1, 10, "supply pressure period 10 s"},
    {0x0413, 1, 100, "supply pressure Kp 1.0"},
    {0x0414, 1, 2000, "supply pressure Ki 20 s"},
    {0x0415, 1, 50, "exhaust pressure SPW 0.5"},
    {0x0416, 1, 10, "exhaust pressure period 10 s"},
    {0x0417, 1, 100, "exhaust pressure Kp 1.0"},
    {0x0418, 1, 2000, "exhaust pressure Ki 20 s"},
    {0x0419, 1, 2, "speed II"},
    {0x041A, 1, 40, "supply intensity I"},
    {0x041B, 1, 70, "supply intensity II"},
    {0x041C, 1, 100, "supply intensity III"},
    {0x041D, 1, 40, "exhaust intensity I"},
    {0x041E, 1, 70, "exhaust intensity II"},
    {0x041F, 1, 100, "exhaust intensity III"},
    {0x0420, 1, 0, "hearth command: idle"},
    {0x0421, 1, 20, "hearth value +20"},
    {0x0422, 1, 10, "hearth time 10 min"},
    {0x0423, 1, 0, "air volume CAV"},
    {0x0424, 1, 6, "supply air volume on input 7"},
    {0x0425, 1, 50, "supply air volume SPW 0.5"},
    {0x0426, 1, 10, "supply air volume period 10 s"},
    {0x0427, 1, 100, "supply air volume Kp 1.0"},
    {0x0428, 1, 2000, "supply air volume Ki 20 s"},
    {0x0429, 1, 1000, "supply U100 10.0 V"},
    {0x042A, 1, 6, "exhaust air volume on input 7"},
    {0x042B, 1, 50, "exhaust air volume SPW 0.5"},
    {0x042C, 1, 10, "exhaust air volume period 10 s"},
    {0x042D, 1, 100, "exhaust air volume Kp 1.0"},
    {0x042E, 1, 2000, "exhaust air volume Ki 20 s"},
    {0x042F, 1, 1000, "exhaust U100 10.0 V"},
    {0x0430, 1, 0, "remote control: Start/Stop"},
    {0x0431, 1, 60, "remote supply intensity"},
    {0x0432, 1, 60, "remote exhaust intensity"},
    {0x04FF, 1, 0, "air-volume calibration idle"},
    // Calibration page.
    {0x0500, 8, 1, "inputs 1-8 calibrated"},
    {0x0508, 4, 500, "inputs 1-4 low reference 500 mV"},
    {0x050C, 4, 1000, "inputs 5-8 low reference 1000 mV"},
    {0x0510, 4, 1000, "inputs 1-4 high reference 1000 mV"},
    {0x0514, 4, 9000, "inputs 5-8 high reference 9000 mV"},
    {0x0518, 2, 500, "pressure limit 500 Pa"},
    {0x051A, 2, 3000, "maximum flow 3000 m3/h"},
    {0x051C, 2, 0, "pressure offset 0 Pa"},
    {0x051E, 2, 10000, "pressure gain 1.0000"},
    {0x0520, 2, 100, "flow coefficient 100"},
    {0x0522, 5, 1, "outputs 1-5 calibrated"},
    {0x0527, 5, 0, "raw output codes 0"},
    {0x052C, 5, 1000, "outputs low voltage 1000 mV"},
    {0x0531, 5, 9000, "outputs high voltage 9000 mV"},
    {0x0536, 1, 0, "calibration mode off"},
};

constexpr quint32 kQuietNaN = 0x7FC00000;

constexpr const char *kStateFormat = "z4-board-state";
constexpr int kStateVersion = 1;
constexpr qint64 kMaxStateFileBytes = 1 << 20;

QString hexAddress(int address)
{
    return QStringLiteral("0x") + QString::number(address, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

}  // namespace

Z4Registers::Z4Registers(const Z4BoardOptions &options)
{
    for (const Block &block : kBlocks) {
        for (int address = block.first; address <= block.last; ++address)
            m_exists.set(static_cast<size_t>(address));
    }
    if (!options.remoteControl) {
        for (int address = z4reg::RemoteControlFirst; address <= z4reg::RemoteControlLast; ++address)
            m_exists.reset(static_cast<size_t>(address));
    }
    for (const FactoryRun &run : kFactory) {
        for (int k = 0; k < run.count; ++k)
            m_regs[run.first + k] = run.value;
    }
    m_regs[z4reg::BoardNumber] = options.boardNumber;
    m_regs[z4reg::Series] = options.series;
    m_regs[z4reg::Firmware] = options.firmware;
    m_regs[z4reg::BoardNumberShown] = options.boardNumber;
}

bool Z4Registers::covers(quint16 first, quint16 count) const
{
    if (count == 0 || int(first) + int(count) > kSpace)
        return false;
    for (int address = first; address < first + count; ++address) {
        if (!m_exists[static_cast<size_t>(address)])
            return false;
    }
    return true;
}

bool Z4Registers::isReadOnly(quint16 address) const
{
    return address <= z4reg::ServiceOverride
           || (address > z4reg::ClockSecondWeekday && address <= 0x0144 && address != z4reg::StartStop)
           || (address >= 0x016D && address <= 0x0199) || (address >= 0x01C5 && address <= 0x01CE)
           || address == z4reg::SeasonInUse
           || (address >= z4reg::InputCalibrated && address < z4reg::InputCalibrated + 8)
           || (address >= z4reg::OutputCalibrated && address < z4reg::OutputCalibrated + 5)
           || address >= z4reg::Firmware;
}

bool Z4Registers::isPersistent(quint16 address) const
{
    // The configuration from 0x0200 on, with the calibration results, without the season in use
    // and the version registers (the board derives them) and without the commands that act at
    // once (timer store, hearth, air-volume calibration, raw output codes and the calibration
    // mode, which a board leaves on power-up).
    if (!m_exists[address] || address < 0x0200 || address == z4reg::SeasonInUse || address >= z4reg::Firmware)
        return false;
    return address != z4reg::TimerStore && address != z4reg::HearthCommand && address != z4reg::AirVolumeCalibration
           && !(address >= z4reg::OutputCode && address < z4reg::OutputCode + 5) && address != z4reg::CalibrationMode;
}

void Z4Registers::setFloat(quint16 address, float value)
{
    const quint32 bits = std::isnan(value) ? kQuietNaN : std::bit_cast<quint32>(value);
    m_regs[address] = static_cast<quint16>(bits >> 16);
    m_regs[address + 1] = static_cast<quint16>(bits & 0xFFFF);
}

void Z4Registers::write(quint16 address, quint16 value)
{
    m_regs[address] = value;
    if (address == z4reg::TimerStore && value == kTimerStoreCommand)
        ++m_timerStores;
    else if (address == z4reg::BoardNumber)
        m_regs[z4reg::BoardNumberShown] = value;
    else if (address >= z4reg::InputLowReference && address < z4reg::OutputHighVoltage + 5)
        writeCalibration(address, value);
}

void Z4Registers::writeCalibration(quint16 address, quint16 value)
{
    // In calibration mode a low reference starts a channel's calibration (its status goes out)
    // and the high reference completes it when it lies above the low one. Outside calibration
    // mode the references are only stored.
    if (m_regs[z4reg::CalibrationMode] == 0)
        return;
    const auto within = [address](quint16 first, int count) { return address >= first && address < first + count; };
    if (within(z4reg::InputLowReference, 8)) {
        m_regs[z4reg::InputCalibrated + (address - z4reg::InputLowReference)] = 0;
    } else if (within(z4reg::InputHighReference, 8)) {
        const int input = address - z4reg::InputHighReference;
        m_regs[z4reg::InputCalibrated + input] = value > m_regs[z4reg::InputLowReference + input] ? 1 : 0;
    } else if (within(z4reg::OutputLowVoltage, 5)) {
        m_regs[z4reg::OutputCalibrated + (address - z4reg::OutputLowVoltage)] = 0;
    } else if (within(z4reg::OutputHighVoltage, 5)) {
        const int output = address - z4reg::OutputHighVoltage;
        m_regs[z4reg::OutputCalibrated + output] = value > m_regs[z4reg::OutputLowVoltage + output] ? 1 : 0;
    }
}

bool Z4Registers::saveState(const QString &path, QString *error) const
{
    QJsonObject registers;
    for (int address = 0; address < kSpace; ++address) {
        if (isPersistent(static_cast<quint16>(address)))
            registers.insert(hexAddress(address), m_regs[address]);
    }
    const QJsonObject root{
        {QStringLiteral("format"), QLatin1String(kStateFormat)},
        {QStringLiteral("version"), kStateVersion},
        {QStringLiteral("registers"), registers},
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("cannot open %1 for writing: %2").arg(path, file.errorString()));
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

bool Z4Registers::loadState(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("cannot open the file: %1").arg(file.errorString()));
    if (file.size() > kMaxStateFileBytes)
        return fail(error, QStringLiteral("the file has %1 bytes, far more than a board state").arg(file.size()));
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError)
        return fail(error,
                    QStringLiteral("not a JSON document: %1 at offset %2").arg(parse.errorString()).arg(parse.offset));
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != QLatin1String(kStateFormat))
        return fail(
            error,
            QStringLiteral("not a board state file (\"format\" is not \"%1\")").arg(QLatin1String(kStateFormat)));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != kStateVersion)
        return fail(error, QStringLiteral("\"version\" is %1; this board reads version %2")
                               .arg(version.isDouble() ? QString::number(version.toDouble())
                                                       : QStringLiteral("missing or not a number"))
                               .arg(kStateVersion));
    const QJsonValue registersValue = root.value(QStringLiteral("registers"));
    if (!registersValue.isObject())
        return fail(error, QStringLiteral("\"registers\" is missing or not an object"));

    const QJsonObject registers = registersValue.toObject();
    std::vector<std::pair<quint16, quint16>> values;
    std::bitset<kSpace> seen;
    for (auto it = registers.begin(); it != registers.end(); ++it) {
        const QString key = it.key();
        bool ok = false;
        const uint address = key.size() == 6 && key.startsWith(QLatin1String("0x")) ? key.mid(2).toUInt(&ok, 16) : 0;
        if (!ok)
            return fail(error, QStringLiteral("\"%1\" is not a register address (0x and four hex digits)").arg(key));
        const auto a = static_cast<quint16>(address);
        if (!m_exists[a])
            return fail(error, QStringLiteral("register %1 does not exist on this board").arg(hexAddress(a)));
        if (!isPersistent(a))
            return fail(
                error,
                QStringLiteral("register %1 is live or a command and has no place in a state file").arg(hexAddress(a)));
        const QJsonValue v = it.value();
        const double number = v.toDouble(-1);
        if (!v.isDouble() || number < 0 || number > 65535 || number != std::floor(number))
            return fail(error, QStringLiteral("register %1 holds %2, not a whole number from 0 to 65535")
                                   .arg(hexAddress(a),
                                        v.isDouble() ? QString::number(number) : QStringLiteral("a non-number")));
        values.emplace_back(a, static_cast<quint16>(number));
        seen.set(a);
    }
    for (int address = 0; address < kSpace; ++address) {
        if (isPersistent(static_cast<quint16>(address)) && !seen[static_cast<size_t>(address)])
            return fail(error, QStringLiteral("register %1 is missing").arg(hexAddress(address)));
    }
    for (const auto &[address, value] : values)
        m_regs[address] = value;
    m_regs[z4reg::BoardNumberShown] = m_regs[z4reg::BoardNumber];
    return true;
}
