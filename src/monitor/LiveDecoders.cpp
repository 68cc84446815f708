// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/LiveDecoders.h"

#include "config/BoardAddresses.h"
#include "config/Units.h"
#include "monitor/StateNames.h"

#include <QLocale>

#include <bit>
#include <cmath>
#include <cstdio>

namespace live {

namespace {
constexpr double kOutputMaximum = 10.0001;  // volts; a little over 10 V passes
constexpr int kFirstPercentOutput = 6;      // outputs 6-8 are shown in percent

// The offset of a register in its block.
constexpr size_t At(const BlockRead &read, quint16 address)
{
    return static_cast<size_t>(address - read.Start);
}

int HighByte(quint16 word)
{
    return word >> 8;
}

int LowByte(quint16 word)
{
    return word & 0xFF;
}

QString Digits(int value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

ShownValue Invalid(const QString &text, const QString &unit)
{
    ShownValue shown;
    shown.Unit = unit;
    shown.InvalidText = text;
    shown.Text = text;
    return shown;
}

// A valid value in unit: shown at the unit's resolution, kept as read.
ShownValue Valid(float value, const QString &unit)
{
    ShownValue shown;
    shown.Value = value;
    shown.Unit = unit;
    shown.Decimals = DecimalsOf(unit);
    shown.Valid = true;
    shown.Text = values::ReadingNumber(shown);
    shown.Kept = value;
    return shown;
}

// A ventilation level: whole, whatever its class but the ones that are no number.
QString LevelText(const FloatReading &reading)
{
    return reading.Class <= FloatClass::Zero ? TruncatedText(reading.Value) : kInvalidOutputText;
}
}  // namespace

FloatReading FloatDecode(quint16 high, quint16 low)
{
    const int b0 = HighByte(high);
    const int b1 = LowByte(high);
    const int exponent = (b0 * 2 + (b1 >> 7)) % 256;
    if (exponent == 0)
        return {0.0f, FloatClass::Zero};
    if (exponent == 255) {
        if ((b1 & 0x7F) != 0)
            return {0.0f, FloatClass::NotANumber};
        return {0.0f, (b0 & 0x80) != 0 ? FloatClass::MinusInfinite : FloatClass::Infinite};
    }
    return {std::bit_cast<float>(static_cast<quint32>(high) << 16 | low), FloatClass::Normal};
}

QString InputName(int input)
{
    return QStringLiteral("Input %1").arg(input);
}

QString OutputName(int output)
{
    return QStringLiteral("Out %1").arg(output);
}

QString PressureName(int input)
{
    return QStringLiteral("Pressure %1").arg(input);
}

QString AirFlowName(int input)
{
    return QStringLiteral("Air Flow %1").arg(input);
}

QString DigitalInputName(int input)
{
    static const char *const names[] = {"Supply air fan overh.",
                                        "Exhaust air fan overh.",
                                        "Rotor stopping",
                                        "Electric heater overh.",
                                        "Start/Stop",
                                        "Fire alarm",
                                        "Change supply air filter",
                                        "Chan. exhaust air filter"};
    return input >= 1 && input <= 8 ? QStringLiteral("%1 %2").arg(QLatin1String(names[input - 1])).arg(input)
                                    : QStringLiteral("Digital input %1").arg(input);
}

QString DigitalOutputName(int output)
{
    return QStringLiteral("Output %1").arg(output);
}

int DecimalsOf(const QString &unit)
{
    if (unit == units::kVolts)
        return 2;
    if (unit == units::kDegrees || unit == units::kPercent)
        return 1;
    return 0;
}

int InputDecimals(int input)
{
    return DecimalsOf(units::InputUnit(input));
}

int OutputDecimals(int output)
{
    return DecimalsOf(units::OutputUnit(output));
}

ShownValue AnalogInput(quint16 high, quint16 low, int input)
{
    const FloatReading reading = FloatDecode(high, low);
    const QString unit = units::InputUnit(input);
    return reading.Valid() ? Valid(reading.Value, unit) : Invalid(kNoSensorText, unit);
}

ShownValue AnalogOutput(quint16 high, quint16 low, int output)
{
    const FloatReading reading = FloatDecode(high, low);
    if (!reading.Valid() || reading.Value < 0.0f || static_cast<double>(reading.Value) > kOutputMaximum)
        return Invalid(kInvalidOutputText, units::OutputUnit(output));
    return Valid(output >= kFirstPercentOutput ? reading.Value * 10.0f : reading.Value, units::OutputUnit(output));
}

ShownValue RoundedReading(quint16 high, quint16 low, const QString &unit)
{
    const FloatReading reading = FloatDecode(high, low);
    if (!reading.Valid())
        return Invalid(kNoSensorText, unit);
    // Halves up, as the board's own display rounds (in double: 0.49999997f + 0.5f would round
    // up to 1 in float arithmetic).
    ShownValue shown = Valid(static_cast<float>(std::trunc(static_cast<double>(reading.Value) + 0.5)), unit);
    shown.Kept = InvalidValue;
    return shown;
}

ShownValue RecoveryReading(quint16 high, quint16 low, const QString &unit)
{
    const FloatReading reading = FloatDecode(high, low);
    if (!reading.Valid())
        return Invalid(QStringLiteral("BAD VALUE"), unit);
    ShownValue shown = Valid(reading.Value, unit);
    shown.Kept = InvalidValue;
    return shown;
}

QString TruncatedText(double value)
{
    if (!std::isfinite(value))
        return QStringLiteral("0");
    const double whole = std::trunc(value);
    if (std::fabs(whole) < 9.0e15)
        return QString::number(static_cast<qint64>(whole));
    return QString::number(whole, 'f', 0);
}

QString HexText(qint16 value)
{
    char buffer[16];
    const int length = std::snprintf(buffer, sizeof buffer, "0x%04X", static_cast<quint32>(static_cast<qint32>(value)));
    return QString::fromLatin1(buffer, length);
}

QString VersionText(quint16 version)
{
    return QStringLiteral("Version: ") + VersionNumberText(version);
}

QString VersionNumberText(quint16 version)
{
    // Thousandths in whole numbers, so that 1012 never reads 1.011999.
    return QString::number(version / 1000) + QLocale().decimalPoint() + Digits(version % 1000, 3);
}

QString DateText(quint16 year, quint16 monthDay)
{
    return QStringLiteral("%1-%2-%3").arg(static_cast<qint16>(year)).arg(HighByte(monthDay)).arg(LowByte(monthDay));
}

QString TimeText(quint16 hourMinute, quint16 secondWeekday)
{
    return QStringLiteral("%1:%2:%3")
        .arg(HighByte(hourMinute))
        .arg(Digits(LowByte(hourMinute), 2), Digits(HighByte(secondWeekday), 2));
}

QString DayText(quint16 secondWeekday)
{
    return DayName(LowByte(secondWeekday));
}

std::optional<StatusBlock> DecodeStatusBlock(std::span<const quint16> r)
{
    const BlockRead &b = kStatusRead;
    if (r.size() < b.Count)
        return std::nullopt;
    const auto word = [&](quint16 address) { return r[At(b, address)]; };
    const auto signedWord = [&](quint16 address) { return static_cast<qint16>(word(address)); };
    const auto pair = [&](quint16 address) { return FloatDecode(word(address), word(address + 1)); };

    StatusBlock s;
    s.Date = DateText(word(board::Clock), word(board::Clock + 1));
    s.Time = TimeText(word(board::Clock + 2), word(board::Clock + 3));
    s.Day = DayText(word(board::Clock + 3));
    for (int i = 0; i < 10; ++i) {
        const auto address = static_cast<quint16>(0x0104 + 2 * i);
        s.Inputs[static_cast<size_t>(i)] = AnalogInput(word(address), word(address + 1), i + 1);
    }
    for (int i = 0; i < 8; ++i) {
        const auto address = static_cast<quint16>(0x0118 + 2 * i);
        s.Outputs[static_cast<size_t>(i)] = AnalogOutput(word(address), word(address + 1), i + 1);
    }
    s.DigitalInputs = word(0x0128);
    s.DigitalOutputs = word(0x0129);
    for (size_t i = 0; i < 2; ++i) {
        const auto pressure = static_cast<quint16>(0x012A + 2 * i);
        const auto flow = static_cast<quint16>(0x012E + 2 * i);
        s.Pressures[i] = RoundedReading(word(pressure), word(pressure + 1), units::kPascals);
        s.AirFlows[i] = RoundedReading(word(flow), word(flow + 1), units::kCubicMetresPerHour);
    }
    s.FanSpeedValue = signedWord(0x0132);
    s.FanSpeed = QString::number(s.FanSpeedValue);
    s.SupplyTrendValue = static_cast<float>(signedWord(0x0133) * 0.01);
    s.RoomTrendValue = static_cast<float>(signedWord(0x0135) * 0.01);
    s.PressureStopFlags = word(0x0136);
    s.StopFlags = word(0x0137);
    s.StopCode = signedWord(0x0138);
    s.Auto = word(0x0139) != 0;
    s.Running = word(board::StartStop) != 0;
    s.Winter = HighByte(word(0x013B)) != 0;
    s.SupplyVentilation = LevelText(pair(0x013C));
    s.ExhaustVentilation = LevelText(pair(0x013E));
    s.Hearth = HighByte(word(0x0140)) != 0;
    s.HearthMinutesValue = signedWord(0x0141) / 60;
    s.HearthMinutes = QString::number(s.HearthMinutesValue);
    return s;
}

std::optional<ColumnABlock> DecodeColumnABlock(std::span<const quint16> r)
{
    const BlockRead &b = kColumnARead;
    if (r.size() < b.Count)
        return std::nullopt;
    const auto word = [&](quint16 address) { return r[At(b, address)]; };

    ColumnABlock a;
    for (int i = 0; i < 10; ++i) {
        const auto address = static_cast<quint16>(0x016D + 2 * i);
        a.Inputs[static_cast<size_t>(i)] = AnalogInput(word(address), word(address + 1), i + 1);
    }
    for (int i = 0; i < 8; ++i) {
        const auto address = static_cast<quint16>(0x0181 + 2 * i);
        a.Outputs[static_cast<size_t>(i)] = AnalogOutput(word(address), word(address + 1), i + 1);
    }
    a.DigitalInputs = word(0x0191);
    a.DigitalOutputs = word(0x0192);
    return a;
}

std::optional<bool> DecodeRegulationMode(std::span<const quint16> r)
{
    if (r.size() < kRegulationModeRead.Count)
        return std::nullopt;
    return r[1] == 0;
}

std::optional<HeatRecoveryBlock> DecodeHeatRecoveryBlock(std::span<const quint16> r)
{
    const BlockRead &b = kHeatRecoveryRead;
    if (r.size() < b.Count)
        return std::nullopt;
    const auto word = [&](quint16 address) { return r[At(b, address)]; };

    HeatRecoveryBlock h;
    h.Temperature = RecoveryReading(word(0x0193), word(0x0194), units::kDegrees);
    h.RotorPower = RecoveryReading(word(0x0195), word(0x0196), units::kPercent);
    const int rotorState = HighByte(word(0x0197));
    h.RotorState = RotorStateName(rotorState);
    h.Heating = rotorState >= 1 && rotorState <= 3;
    h.Cooling = rotorState >= 4 && rotorState <= 6;
    h.RotorControlState = RotorControlStateName(LowByte(word(0x0197)));
    h.ControlSource = ControlSourceName(static_cast<qint8>(HighByte(word(0x0198))));
    h.RecoveryControlState = RecoveryControlStateName(LowByte(word(0x0198)));
    h.ControlStatus = ControlStatusName(HighByte(word(0x0199)));
    return h;
}

std::optional<DiagnosticsBlock> DecodeDiagnosticsBlock(std::span<const quint16> r)
{
    if (r.size() < kDiagnosticsRead.Count)
        return std::nullopt;
    DiagnosticsBlock d;
    for (size_t i = 0; i < d.Values.size(); ++i) {
        d.Values[i] = static_cast<qint16>(r[i]);
        d.Decimal[i] = QString::number(d.Values[i]);
        d.Hex[i] = HexText(d.Values[i]);
    }
    return d;
}

std::optional<VersionBlock> DecodeVersionBlock(std::span<const quint16> r)
{
    if (r.size() < kVersionRead.Count)
        return std::nullopt;
    VersionBlock v;
    v.Version = r[0];
    v.Rev12 = v.Version % 100 >= 12;
    v.HasSeries = v.Version % 100 > 10;
    v.VersionPanel = VersionText(v.Version);
    v.BoardNumber = r[1];
    v.BoardPanel = QStringLiteral("Board No.: ") + QString::number(v.BoardNumber);
    return v;
}

std::optional<QString> DecodeSeries(std::span<const quint16> r)
{
    if (r.size() < kSeriesRead.Count)
        return std::nullopt;
    return QStringLiteral("Series: ") + QString::number(r[0]);
}

}  // namespace live
