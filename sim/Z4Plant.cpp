// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Z4Plant.h"

#include "Z4Registers.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Input 8 has no sensor wired: it always reads a quiet NaN, so the tool's "invalid" display
// can be seen. The factory configuration uses it for nothing.
constexpr int kBrokenInput = 7;
constexpr int kAirVolumeCalibrationSeconds = 20;
// The "Auto" season switches with some hysteresis on the outdoor temperature.
constexpr double kWinterBelow = 10.0;
constexpr double kSummerAbove = 14.0;
// Clock writes outside this range of years are ignored.
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;

QDateTime hostWallClock()
{
    // The host's local calendar time as a plain value: the board knows no time zone.
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), now.time(), Qt::UTC);
}

// A channel number from a register, or -1 when it is outside [0, count).
int channelOf(qint16 value, int count)
{
    return value >= 0 && value < count ? value : -1;
}

// Degrees or percent as the board's signed hundredths; the lowest word marks "no value".
quint16 hundredths(double value)
{
    if (std::isnan(value))
        return 0x8000;
    return static_cast<quint16>(static_cast<qint16>(std::lround(std::clamp(value * 100.0, -32767.0, 32767.0))));
}

}  // namespace

Z4Plant::Z4Plant(quint32 seed) : m_rng(seed)
{
    m_unit.winterByOutdoor = m_unit.outdoor < kWinterBelow;
}

quint16 Z4Plant::clockRegister(quint16 address) const
{
    // Reading the year (the first clock register) takes a new snapshot; the other three answer
    // from it while it is fresh, so one block read sees one instant.
    const QDateTime now = latchedClock(address == z4reg::ClockYear);
    const QDate date = now.date();
    const QTime time = now.time();
    switch (address) {
    case z4reg::ClockYear:
        return static_cast<quint16>(date.year());
    case z4reg::ClockMonthDay:
        return static_cast<quint16>(date.month() << 8 | date.day());
    case z4reg::ClockHourMinute:
        return static_cast<quint16>(time.hour() << 8 | time.minute());
    default:
        // Qt counts Monday 1 ... Sunday 7; the board counts Sunday 1 ... Saturday 7.
        return static_cast<quint16>(time.second() << 8 | (date.dayOfWeek() % 7 + 1));
    }
}

QDateTime Z4Plant::latchedClock(bool renew) const
{
    const qint64 hostMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 age = hostMs - m_clockLatchHostMs;
    if (renew || !m_clockLatch.isValid() || age < 0 || age > 500) {
        m_clockLatch = clock();
        m_clockLatchHostMs = hostMs;
    }
    return m_clockLatch;
}

QDateTime Z4Plant::clock() const
{
    return clockAt(hostWallClock());
}

QDateTime Z4Plant::clockAt(const QDateTime &hostWall) const
{
    return hostWall.addSecs(m_clockOffsetSeconds);
}

void Z4Plant::writeClock(quint16 address, quint16 value)
{
    // The tool sets the clock with one block write of 0x0100-0x0103, which arrives here as four
    // register writes in address order. Each one replaces its fields in the running board clock,
    // so the block lands exactly and a single register can be set alone too. A register whose
    // fields are implausible (year outside 2000-2099, month 0 or 13, a day the month does not
    // have, hour above 23, minute or second above 59) is ignored as a whole and the clock runs
    // on unchanged. The weekday byte is not taken: the board derives the weekday from the date.
    // A new year keeps month and day, clamping 29 February to 28 in a year without it.
    const QDateTime host = hostWallClock();
    const QDateTime now = clockAt(host);
    QDate date = now.date();
    QTime time = now.time();
    const int high = value >> 8;
    const int low = value & 0xFF;
    switch (address) {
    case z4reg::ClockYear: {
        const int year = static_cast<qint16>(value);
        if (year < kFirstYear || year > kLastYear)
            return;
        const QDate first(year, date.month(), 1);
        date = QDate(year, date.month(), std::min(date.day(), first.daysInMonth()));
        break;
    }
    case z4reg::ClockMonthDay:
        if (!QDate::isValid(date.year(), high, low))
            return;
        date = QDate(date.year(), high, low);
        break;
    case z4reg::ClockHourMinute:
        if (high > 23 || low > 59)
            return;
        time = QTime(high, low, time.second(), time.msec());
        break;
    default:
        if (high > 59)
            return;
        time = QTime(time.hour(), time.minute(), high, time.msec());
        break;
    }
    const QDateTime target(date, time, Qt::UTC);
    m_clockOffsetSeconds = target.toSecsSinceEpoch() - host.toSecsSinceEpoch();
    m_clockLatch = QDateTime();
}

void Z4Plant::commandHearth(const Z4Registers &regs, quint16 value)
{
    m_unit.hearthSeconds = value != 0 ? 60 * std::clamp<int>(regs.signedAt(z4reg::HearthMinutes), 0, 99) : 0;
}

void Z4Plant::commandAirVolumeCalibration(quint16 value)
{
    m_unit.airVolumeCalibrationSeconds = value != 0 ? kAirVolumeCalibrationSeconds : 0;
}

double Z4Plant::pressureReading(const Z4Registers &regs, int side) const
{
    const double gain = regs.signedAt(z4reg::PressureGain + side) / 10000.0;
    return std::max(0.0, m_unit.pressure[side] * gain + regs.signedAt(z4reg::PressureOffset + side));
}

double Z4Plant::terminalInput(const Z4Registers &regs, int channel) const
{
    switch (channel) {
    case 0:
        return m_unit.supply;
    case 1:
        return m_unit.outdoor;
    case 2:
        return m_unit.exhaust;
    case 3:
        return m_unit.room;
    case 4:
    case 5:
    case 6:
        return m_unit.volts[channel - 4];
    case kBrokenInput:
        return std::numeric_limits<double>::quiet_NaN();
    default: {
        // Inputs 9 and 10: the fan pressures in percent of their pressure limit.
        const int side = channel - 8;
        const double limit = std::max<int>(1, regs.signedAt(z4reg::PressureLimit + side));
        return std::clamp(pressureReading(regs, side) / limit * 100.0, 0.0, 100.0);
    }
    }
}

double Z4Plant::applicationInput(const Z4Registers &regs, int channel) const
{
    if (regs[z4reg::InputManual + channel] != 0)
        return regs.signedAt(z4reg::InputManualValues + channel) / 100.0;
    return terminalInput(regs, channel);
}

bool Z4Plant::inWindow(int minute, int start, int stop)
{
    // A daily window [start, stop) in minutes after midnight; it may run over midnight.
    if (start == stop)
        return false;
    return start < stop ? minute >= start && minute < stop : minute >= start || minute < stop;
}

int Z4Plant::weekProgramLevel(const Z4Registers &regs, const QDateTime &boardTime)
{
    const int day = boardTime.date().dayOfWeek() % 7;  // 0 = Sunday, the program's order
    const int minute = boardTime.time().hour() * 60 + boardTime.time().minute();
    for (int interval = 0; interval < 3; ++interval) {
        const int start = regs[z4reg::WeekTimes + 6 * day + 2 * interval];
        const int stop = regs[z4reg::WeekTimes + 6 * day + 2 * interval + 1];
        const int level = regs[z4reg::WeekLevels + 3 * day + interval];
        if (start <= minute && minute < stop && level >= 1 && level <= 3)
            return level;
    }
    return 0;
}

void Z4Plant::publish(Z4Registers &regs)
{
    publishInputs(regs);
    decide(regs, clock());
    publishOutputs(regs);
    publishStates(regs);
}

void Z4Plant::publishInputs(Z4Registers &regs) const
{
    for (int ch = 0; ch < Z4Registers::kInputs; ++ch) {
        regs.setFloat(z4reg::InputsAtTerminals + 2 * ch, static_cast<float>(terminalInput(regs, ch)));
        regs.setFloat(z4reg::InputsInUse + 2 * ch, static_cast<float>(applicationInput(regs, ch)));
    }
    for (int side = 0; side < 2; ++side) {
        // Air flow from the fan's differential pressure: q = k * sqrt(dp), up to the maximum flow.
        const double pressure = pressureReading(regs, side);
        const double coefficient = std::max<int>(0, regs.signedAt(z4reg::FlowCoefficient + side));
        const double flow = std::min<double>(coefficient * std::sqrt(pressure), regs[z4reg::FlowMaximum + side]);
        regs.setFloat(z4reg::Pressures + 2 * side, static_cast<float>(pressure));
        regs.setFloat(z4reg::AirFlows + 2 * side, static_cast<float>(flow));
    }

    // Digital inputs: the start/stop switch (input 5) follows the start/stop command; the alarm
    // contacts rest. The regulation sees them after inversion and manual override.
    const quint16 terminals = regs[z4reg::StartStop] != 0 ? 0x0010 : 0x0000;
    const quint16 automatic = regs[z4reg::DigitalInputAutomatic] & 0x00FF;
    const quint16 inUse = (((terminals ^ regs[z4reg::DigitalInputInvert]) & automatic)
                           | (regs[z4reg::DigitalInputManualValues] & ~automatic))
                          & 0x00FF;
    regs.set(z4reg::DigitalInputsAtTerminals, terminals);
    regs.set(z4reg::DigitalInputsInUse, inUse);

    // Stop causes: an active digital input of the stop mask, a failed analog input of the stop
    // mask, or a tripped stop-control row (which also gives the stop code).
    quint16 failedInputs = 0;
    for (int ch = 0; ch < Z4Registers::kInputs; ++ch) {
        if ((regs[z4reg::AnalogStopMask] >> ch & 1) && std::isnan(applicationInput(regs, ch)))
            failedInputs |= static_cast<quint16>(1u << ch);
    }
    regs.set(z4reg::StopFlags,
             static_cast<quint16>((inUse & regs[z4reg::DigitalStopMask] & 0x00FF) | (failedInputs & 0x00FF) << 8));
    regs.set(z4reg::PressureStopFlags, static_cast<quint16>(failedInputs >> 8));
    quint16 code = 0;
    for (int row = 0; row < 4 && code == 0; ++row) {
        const int input = regs.signedAt(z4reg::StopControlInput + row);
        if (regs[z4reg::StopControlEnable + row] == 0 || input < 4 || input > 7)
            continue;
        const double volts = applicationInput(regs, input);
        const double threshold = regs[z4reg::StopControlValue + row] / 100.0;
        const bool tripped = regs[z4reg::StopControlInvert + row] != 0 ? volts < threshold : volts > threshold;
        if (!std::isnan(volts) && tripped)
            code = regs[z4reg::StopControlCode + row];
    }
    regs.set(z4reg::StopCode, code);
}

void Z4Plant::decide(const Z4Registers &regs, const QDateTime &boardTime)
{
    Drive d;
    const int minute = boardTime.time().hour() * 60 + boardTime.time().minute();
    d.fault = regs[z4reg::StopFlags] != 0 || regs[z4reg::PressureStopFlags] != 0 || regs[z4reg::StopCode] != 0;
    switch (regs[z4reg::SeasonMode]) {
    case 0:
        d.winter = false;
        break;
    case 1:
        d.winter = true;
        break;
    default:
        d.winter = m_unit.winterByOutdoor;
        break;
    }

    // Manual mode runs at the chosen speed; auto mode at the level of the week program's interval.
    const int speed = regs[z4reg::ModeAuto] != 0 ? weekProgramLevel(regs, boardTime)
                                                 : std::clamp<int>(regs.signedAt(z4reg::Speed), 1, 3);
    d.running = regs[z4reg::StartStop] != 0 && !d.fault && speed > 0;
    d.speed = d.running ? speed : 0;

    // Set point: fixed, or in cascade from the room; then the daily temperature correction.
    const int roomChannel = channelOf(regs.signedAt(z4reg::RoomSensor), 4);
    const double room = roomChannel >= 0 ? applicationInput(regs, roomChannel) : std::nan("");
    double setPoint = regs.signedAt(z4reg::SupplySetPoint) / 100.0;
    if (regs[z4reg::RegulationMode] != 0 && !std::isnan(room)) {
        const double roomSetPoint = regs.signedAt(z4reg::RoomSetPoint) / 100.0;
        const double low = regs.signedAt(z4reg::SupplyMinimum) / 100.0;
        const double high = regs.signedAt(z4reg::SupplyMaximum) / 100.0;
        setPoint = roomSetPoint + 3.0 * (roomSetPoint - room);
        if (low <= high)
            setPoint = std::clamp(setPoint, low, high);
    }
    if (inWindow(minute, regs[z4reg::CorrectionStart], regs[z4reg::CorrectionStop]))
        setPoint += regs.signedAt(z4reg::CorrectionValue);
    d.setpoint = setPoint;
    const int supplyChannel = channelOf(regs.signedAt(z4reg::SupplySensor), 4);
    d.measuredSupply = supplyChannel >= 0 ? applicationInput(regs, supplyChannel) : std::nan("");

    // The stages of the season in the order they engage. The rotor recovers heat (or cold) only
    // while the exhaust air is warmer (or cooler) than the outdoor air.
    const int outdoorChannel = channelOf(regs.signedAt(z4reg::OutdoorSensor), 4);
    const int exhaustChannel = channelOf(regs.signedAt(z4reg::ExhaustSensor), 4);
    const double outdoor = outdoorChannel >= 0 ? applicationInput(regs, outdoorChannel) : std::nan("");
    const double exhaust = exhaustChannel >= 0 ? applicationInput(regs, exhaustChannel) : std::nan("");
    const bool recirculating = regs[z4reg::RecirculationEnabled] != 0 && regs[z4reg::RecirculationActive] != 0
                               && inWindow(minute, regs[z4reg::RecirculationStart], regs[z4reg::RecirculationStop]);
    const bool rotorAllowed = !(recirculating && regs[z4reg::RecirculationStopsRotor] != 0);
    const auto add = [&d](Stage stage) { d.chain[d.chainLength++] = stage; };
    if (d.winter) {
        if (rotorAllowed && exhaust > outdoor + 1.0)
            add(Stage::Rotor);
        const bool water = regs[z4reg::WaterHeaterMode] != 0;
        const bool electric = regs[z4reg::ElectricHeaterMode] != 0;
        const bool electricFirst = regs[z4reg::HeatingSequence] == 1;
        if (electricFirst && electric)
            add(Stage::ElectricHeater);
        if (water)
            add(Stage::WaterHeater);
        if (!electricFirst && electric)
            add(Stage::ElectricHeater);
    } else {
        if (rotorAllowed && outdoor > exhaust + 1.0)
            add(Stage::Rotor);
        if (regs[z4reg::WaterCoolerMode] != 0)
            add(Stage::WaterCooler);
        if (regs[z4reg::DxMode] != 0)
            add(Stage::DxCooler);
    }
    d.canHeat = d.winter && d.chainLength > 0;
    d.canCool = !d.winter && d.chainLength > 0;

    // The demand engages the stages one after another, each over an equal share of 0-100 %.
    if (d.running) {
        const double magnitude = std::clamp(d.winter ? m_unit.demand : -m_unit.demand, 0.0, 100.0) / 100.0;
        for (int k = 0; k < d.chainLength; ++k)
            d.stage[static_cast<size_t>(d.chain[k])] = std::clamp(magnitude * d.chainLength - k, 0.0, 1.0);

        double supply = regs.signedAt(z4reg::SupplyIntensities + speed - 1);
        double exhaustIntensity = regs.signedAt(z4reg::ExhaustIntensities + speed - 1);
        if (m_unit.hearthSeconds > 0)
            supply += regs.signedAt(z4reg::HearthValue);
        if (regs[z4reg::FanMode] == 3 || (recirculating && regs[z4reg::RecirculationStopsExhaustFan] != 0))
            exhaustIntensity = 0;
        d.supplyIntensity = std::clamp(supply, 0.0, 120.0);
        d.exhaustIntensity = std::clamp(exhaustIntensity, 0.0, 120.0);
    }
    m_drive = d;
}

void Z4Plant::publishOutputs(Z4Registers &regs) const
{
    const Drive &d = m_drive;
    const auto stage = [&d](Stage s) { return d.stage[static_cast<size_t>(s)]; };

    // Column A: what the regulation asks of each analog output (0-10 V; outputs 6-8 as
    // percent / 10). Two functions on one output: the higher value wins.
    std::array<double, Z4Registers::kOutputs> demanded{};
    const auto drive = [&demanded](qint16 output, double volts) {
        if (output >= 0 && output < Z4Registers::kOutputs)
            demanded[output] = std::max(demanded[output], std::clamp(volts, 0.0, 10.0));
    };
    const bool waterHeater = regs[z4reg::WaterHeaterMode] != 0;
    // A stopped unit keeps the water valve at its "off" voltage through the winter.
    const double valveOff = d.winter && waterHeater ? regs.signedAt(z4reg::WaterHeaterOffVoltage) / 100.0 : 0.0;
    drive(regs.signedAt(z4reg::RotorOutput), 10.0 * stage(Stage::Rotor));
    drive(regs.signedAt(z4reg::WaterHeaterOutput), d.running ? 10.0 * stage(Stage::WaterHeater) : valveOff);
    drive(regs.signedAt(z4reg::WaterCoolerOutput), 10.0 * stage(Stage::WaterCooler));
    drive(regs.signedAt(z4reg::SupplyFanOutput), d.supplyIntensity / 12.0);
    drive(regs.signedAt(z4reg::ExhaustFanOutput), d.exhaustIntensity / 12.0);
    const int electricStages = std::clamp<int>(regs.signedAt(z4reg::ElectricStages), 1, 3);
    std::array<double, 3> electric{};
    for (int j = 0; j < electricStages; ++j) {
        electric[j] = std::clamp(stage(Stage::ElectricHeater) * electricStages - j, 0.0, 1.0);
        drive(regs.signedAt(z4reg::ElectricStageOutputs + j), 10.0 * electric[j]);
    }

    // Column R: what the terminals carry after the I/O test's manual override; in calibration
    // mode outputs 1-5 carry the raw code the calibration page steps (12-bit for outputs 1-2,
    // a doubled 15-bit code for outputs 3-5).
    const bool calibrating = regs[z4reg::CalibrationMode] != 0;
    for (int out = 0; out < Z4Registers::kOutputs; ++out) {
        double terminal = demanded[out];
        if (regs[z4reg::OutputManual + out] != 0)
            terminal = regs.signedAt(z4reg::OutputManualValues + out) / 100.0;
        if (calibrating && out < 5)
            terminal = regs[z4reg::OutputCode + out] * 10.0 / (out < 2 ? 4095.0 : 65536.0);
        regs.setFloat(z4reg::OutputsDemanded + 2 * out, static_cast<float>(demanded[out]));
        regs.setFloat(z4reg::OutputsAtTerminals + 2 * out, static_cast<float>(std::clamp(terminal, 0.0, 10.0)));
    }

    quint16 bits = 0;
    const auto set = [&bits](qint16 output, bool on) {
        if (on && output >= 0 && output < Z4Registers::kDigitalOutputs)
            bits |= static_cast<quint16>(1u << output);
    };
    if (d.running) {
        set(regs.signedAt(z4reg::SpeedOutputs + 2 * (d.speed - 1)), true);
        set(regs.signedAt(z4reg::SpeedOutputs + 2 * (d.speed - 1) + 1), true);
    }
    set(regs.signedAt(z4reg::ActiveControlOutput), d.running);
    set(regs.signedAt(z4reg::RotorDigitalOutput), stage(Stage::Rotor) > 0);
    // The pump runs while the water heater heats, and all winter to keep the coil from freezing.
    set(regs.signedAt(z4reg::WaterPumpOutput), waterHeater && (stage(Stage::WaterHeater) > 0 || d.winter));
    for (int j = 1; j < electricStages; ++j)
        set(regs.signedAt(z4reg::ElectricStageDigitalOutputs + j - 1), electric[j] > 0);
    set(regs.signedAt(z4reg::DxOutputs), stage(Stage::DxCooler) > 0);
    set(regs.signedAt(z4reg::DxOutputs + 1), stage(Stage::DxCooler) > 0.5);
    for (int row = 0; row < 4; ++row) {
        const int input = regs.signedAt(z4reg::OutputControlInput + row);
        if (regs[z4reg::OutputControlEnable + row] == 0 || input < 4 || input > 7)
            continue;
        const double volts = applicationInput(regs, input);
        const double threshold = regs[z4reg::OutputControlValue + row] / 100.0;
        const bool on = regs[z4reg::OutputControlInvert + row] != 0 ? volts < threshold : volts > threshold;
        set(regs.signedAt(z4reg::OutputControlOutput + row), !std::isnan(volts) && on);
    }
    set(regs.signedAt(z4reg::AlarmOutput), d.fault);

    const quint16 automatic = regs[z4reg::DigitalOutputAutomatic] & 0x07FF;
    regs.set(z4reg::DigitalOutputsDemanded, bits);
    const quint16 manual = regs[z4reg::DigitalOutputManualValues] & ~automatic;
    regs.set(z4reg::DigitalOutputsAtTerminals,
             static_cast<quint16>((((bits & automatic) | manual) ^ regs[z4reg::DigitalOutputInvert]) & 0x07FF));
}

void Z4Plant::publishStates(Z4Registers &regs) const
{
    const Drive &d = m_drive;
    const Unit &u = m_unit;
    const auto stage = [&d](Stage s) { return d.stage[static_cast<size_t>(s)]; };

    bool override = (regs[z4reg::DigitalInputAutomatic] & 0x00FF) != 0x00FF
                    || (regs[z4reg::DigitalOutputAutomatic] & 0x07FF) != 0x07FF;
    for (int ch = 0; ch < Z4Registers::kInputs; ++ch)
        override = override || regs[z4reg::InputManual + ch] != 0;
    for (int out = 0; out < Z4Registers::kOutputs; ++out)
        override = override || regs[z4reg::OutputManual + out] != 0;
    regs.set(z4reg::RegulationModeInUse, regs[z4reg::RegulationMode]);
    regs.set(z4reg::ServiceOverride, override ? 1 : 0);

    const int roomChannel = channelOf(regs.signedAt(z4reg::RoomSensor), 4);
    regs.set(z4reg::FanSpeed, static_cast<quint16>(d.speed));
    regs.set(z4reg::SupplyTrend, hundredths(d.measuredSupply));
    regs.set(z4reg::RoomTrend, hundredths(roomChannel >= 0 ? applicationInput(regs, roomChannel) : std::nan("")));
    regs.set(z4reg::Mode, regs[z4reg::ModeAuto] != 0 ? 1 : 0);
    regs.set(z4reg::Season, d.winter ? 0x0100 : 0x0000);
    regs.set(z4reg::SeasonInUse, d.winter ? 1 : 0);
    regs.setFloat(z4reg::SupplyVentilation, static_cast<float>(d.supplyIntensity));
    regs.setFloat(z4reg::ExhaustVentilation, static_cast<float>(d.exhaustIntensity));
    regs.set(z4reg::HearthFlag, u.hearthSeconds > 0 ? 0x0100 : 0x0000);
    regs.set(z4reg::HearthSecondsLeft, static_cast<quint16>(std::min(u.hearthSeconds, 32767)));
    regs.set(z4reg::HearthCommand, u.hearthSeconds > 0 ? 1 : 0);
    regs.set(z4reg::AirVolumeCalibration, u.airVolumeCalibrationSeconds > 0 ? 1 : 0);

    // Heat recovery: the air temperature after the rotor and the state bytes of its control.
    const double rotor = stage(Stage::Rotor);
    regs.setFloat(z4reg::RecoveryTemperature, static_cast<float>(u.outdoor + 0.75 * rotor * (u.exhaust - u.outdoor)));
    regs.setFloat(z4reg::RotorPower, static_cast<float>(100.0 * rotor));
    const bool rotorInChain = d.chainLength > 0 && d.chain[0] == Stage::Rotor;
    int rotorState = 0;  // RS_PASSIVE
    if (d.running && rotorInChain)
        rotorState = (d.winter ? 1 : 4) + (rotor >= 1.0 ? 1 : rotor > 0.0 ? 2 : 0);
    const bool settling = u.runSeconds < std::clamp<int>(regs.signedAt(z4reg::TimerT1), 0, 300);
    const int rotorControl = !d.running ? 0 : settling ? 2 : 1;  // RT_PASSIVE, RT_STARTING, RT_ACTIVE

    // The stage in charge is the last one engaged (or the first of the season when none is).
    int last = 0;
    for (int k = 0; k < d.chainLength; ++k) {
        if (d.stage[static_cast<size_t>(d.chain[k])] > 0)
            last = k;
    }
    int source = 0;         // RT_CONTROL
    int recoveryState = 0;  // CS_PASSIVE
    if (d.chainLength > 0) {
        const Stage inCharge = d.chain[last];
        const bool full = d.stage[static_cast<size_t>(inCharge)] >= 1.0;
        switch (inCharge) {
        case Stage::Rotor:
            source = 0;
            recoveryState = full ? (d.winter ? 3 : 4) : 2;
            break;
        case Stage::WaterHeater:
            source = -1;
            recoveryState = full ? 7 : 5;
            break;
        case Stage::ElectricHeater:
            source = -2;
            recoveryState = 9;
            break;
        case Stage::WaterCooler:
            source = 1;
            recoveryState = full ? 15 : 13;
            break;
        case Stage::DxCooler:
            source = 2;
            recoveryState = full ? 19 : 17;
            break;
        }
    }
    if (!d.running)
        recoveryState = 0;
    else if (settling)
        recoveryState = 1;                                 // CS_WAIT_T1
    const int status = !d.running ? 0 : settling ? 2 : 1;  // CS_STOP, CS_START_CONTROL, CS_ACTIVE_CONTROL
    regs.set(z4reg::RotorStates, static_cast<quint16>(rotorState << 8 | rotorControl));
    regs.set(z4reg::ControlStates, static_cast<quint16>((source & 0xFF) << 8 | recoveryState));
    regs.set(z4reg::ControlStatus, static_cast<quint16>(status << 8));

    // Diagnostic values; the first eight are the regulation trend's variables.
    const std::array<quint16, 10> diagnostics{
        hundredths(d.setpoint),
        hundredths(d.measuredSupply),
        hundredths(d.running ? u.demand : 0.0),
        hundredths(100.0 * rotor),
        hundredths(100.0 * stage(Stage::WaterHeater)),
        hundredths(100.0 * stage(Stage::ElectricHeater)),
        hundredths(100.0 * std::max(stage(Stage::WaterCooler), stage(Stage::DxCooler))),
        regs[z4reg::RoomTrend],
        static_cast<quint16>(std::min(u.runSeconds, 32767)),
        static_cast<quint16>(status << 8 | recoveryState),
    };
    for (size_t k = 0; k < diagnostics.size(); ++k)
        regs.set(static_cast<quint16>(z4reg::Diagnostics + k), diagnostics[k]);
}

void Z4Plant::advance(Z4Registers &regs)
{
    std::normal_distribution<double> normal(0.0, 1.0);
    const auto noise = [&](double sigma) { return sigma * normal(m_rng); };
    Unit &u = m_unit;
    const Drive &d = m_drive;
    const auto stage = [&d](Stage s) { return d.stage[static_cast<size_t>(s)]; };

    // The weather and the building drift slowly around their usual values.
    u.outdoor = std::clamp(u.outdoor + 0.002 * (8.0 - u.outdoor) + noise(0.05), -25.0, 35.0);
    const double coils = 25.0 * stage(Stage::WaterHeater) + 18.0 * stage(Stage::ElectricHeater)
                         - 12.0 * stage(Stage::WaterCooler) - 8.0 * stage(Stage::DxCooler);
    const double supplyTarget = d.running
                                    ? u.outdoor + 0.75 * stage(Stage::Rotor) * (u.exhaust - u.outdoor) + coils + 0.8
                                    : 0.3 * u.outdoor + 0.7 * u.room;
    u.supply = std::clamp(u.supply + 0.2 * (supplyTarget - u.supply) + noise(0.03), -30.0, 60.0);
    // The rooms settle between the supply air and their own resting temperature, slowly.
    const double towardsSupply = d.running ? 0.002 * (u.supply - u.room) : 0.0;
    u.room = std::clamp(u.room + towardsSupply + 0.002 * (21.5 - u.room) + noise(0.005), 10.0, 35.0);
    u.exhaust = std::clamp(u.exhaust + 0.1 * (u.room + 0.5 - u.exhaust) + noise(0.02), 10.0, 40.0);
    constexpr std::array<double, 3> restingVolts{3.5, 6.0, 2.0};
    for (size_t i = 0; i < u.volts.size(); ++i)
        u.volts[i] = std::clamp(u.volts[i] + 0.02 * (restingVolts[i] - u.volts[i]) + noise(0.02), 0.0, 10.0);
    const std::array<double, 2> fans{d.supplyIntensity / 120.0, d.exhaustIntensity / 120.0};
    for (size_t side = 0; side < 2; ++side) {
        const double target = 450.0 * fans[side] * fans[side];
        u.pressure[side] = std::max(0.0, u.pressure[side] + 0.3 * (target - u.pressure[side]) + noise(1.0));
    }

    // The regulation integrates the set-point error into its demand; a stopped unit rests.
    if (!d.running)
        u.demand = 0;
    else if (!std::isnan(d.measuredSupply))
        u.demand += 0.3 * (d.setpoint - d.measuredSupply);
    u.demand = std::clamp(u.demand, d.canCool ? -100.0 : 0.0, d.canHeat ? 100.0 : 0.0);
    u.runSeconds = d.running ? std::min(u.runSeconds + 1, 1 << 30) : 0;
    u.hearthSeconds = std::max(0, u.hearthSeconds - 1);
    u.airVolumeCalibrationSeconds = std::max(0, u.airVolumeCalibrationSeconds - 1);
    if (u.outdoor < kWinterBelow)
        u.winterByOutdoor = true;
    else if (u.outdoor > kSummerAbove)
        u.winterByOutdoor = false;
    publish(regs);
}
