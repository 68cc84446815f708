// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The live registers the poll reads, and their decoding into what the window shows. Everything
// here is a pure function of register words: any 16-bit pattern in any register gives a sane
// text, and a block shorter than its layout decodes to nothing rather than being read past.

#include "config/BoardAddresses.h"
#include "config/ValueText.h"

#include <QString>

#include <array>
#include <optional>
#include <span>

namespace live {

// One block read: first register and register count.
struct BlockRead
{
    quint16 Start;
    quint16 Count;
};

// The five reads of every poll cycle, in the order they are issued, and the occasional ones.
inline constexpr BlockRead kStatusRead{board::Clock, 69};  // clock, column R, stop causes, modes
inline constexpr BlockRead kColumnARead{0x016D, 38};       // column A: the values the regulation uses
inline constexpr BlockRead kRegulationModeRead{0x0000, 2};
inline constexpr BlockRead kHeatRecoveryRead{0x0193, 7};     // heat-recovery states
inline constexpr BlockRead kDiagnosticsRead{0x01C5, 10};     // diagnostic values
inline constexpr BlockRead kVersionRead{board::Version, 2};  // firmware version, board number
inline constexpr BlockRead kSeriesRead{board::Series, 1};    // series number

// What an invalid analog value is kept as (and what is shown as invalid, whatever its origin).
inline constexpr float InvalidValue = -1000.0f;

// The class FloatDecode gives a float pair.
enum class FloatClass {
    Normal = 0,         // a float
    Zero = 1,           // zero or denormal, taken as 0.0
    Infinite = 2,       // +infinity
    MinusInfinite = 3,  // -infinity
    NotANumber = 4,
};

struct FloatReading
{
    float Value = 0.0f;  // 0.0 unless the class is Normal
    FloatClass Class = FloatClass::Zero;

    // Normal or zero, and not the invalid marker itself.
    bool Valid() const { return Class <= FloatClass::Zero && Value != InvalidValue; }
};

// Two registers holding an IEEE-754 single, the first with the sign, exponent and top mantissa
// bits. Only the seven mantissa bits of the first register decide between infinity and NaN.
FloatReading FloatDecode(quint16 high, quint16 low);

// A live reading, typed (values::TReading: its number, unit, resolution and validity), with the
// number as the window's edit shows it and what the trend keeps of it (the value, or
// InvalidValue). values::ReadingText gives it with its unit.
struct ShownValue : values::TReading
{
    QString Text;  // values::ReadingNumber of the reading
    float Kept = InvalidValue;
};

// What an analog value the board marks invalid shows: an input has no working sensor behind it
// (none wired, or a broken one); an output reports a value it cannot drive.
inline const QString kNoSensorText = QStringLiteral("no sensor");
inline const QString kInvalidOutputText = QStringLiteral("invalid");

// The live values by the labels the window gives them: "Input 1" .. "Input 10", "Out 1" ..
// "Out 8", "Pressure 9", "Air Flow 10", the digital inputs by their captions ("Fire alarm 6") and
// the digital outputs "Output 1" .. "Output 11". z4ctl names them the same.
QString InputName(int input);
QString OutputName(int output);
QString PressureName(int input);
QString AirFlowName(int input);
QString DigitalInputName(int input);
QString DigitalOutputName(int output);

// The decimals an instrument shows for a value in unit (config/Units.h): °C and % to 0.1, V to
// 0.01, Pa and m³/h whole.
int DecimalsOf(const QString &unit);
// Analog input 1..10 and output 1..8: the decimals of their units.
int InputDecimals(int input);
int OutputDecimals(int output);

// Analog input 1..10: the value rounded to its unit's resolution (kept unrounded), or red
// "no sensor".
ShownValue AnalogInput(quint16 high, quint16 low, int input);
// Analog output 1..8: valid from 0.0 to 10.0001 V; outputs 6-8 are shown in percent (x 10).
// Rounded like the inputs; red "invalid" otherwise.
ShownValue AnalogOutput(quint16 high, quint16 low, int output);
// A pressure (Pa) or air flow (m³/h): rounded to a whole number, or red "no sensor". Not kept.
ShownValue RoundedReading(quint16 high, quint16 low, const QString &unit);
// A heat-recovery reading in unit, at the unit's resolution, or red "BAD VALUE". Not kept.
ShownValue RecoveryReading(quint16 high, quint16 low, const QString &unit);

// Texts of numbers.
using values::FloatText;
using values::RoundedText;
// The value truncated toward zero, in whole decimal digits, however large.
QString TruncatedText(double value);
// "0x" and the value sign-extended to 32 bits in upper-case hex, at least four digits.
QString HexText(qint16 value);
// "Version: " and the version in thousandths: 1012 gives "Version: 1.012".
QString VersionText(quint16 version);
// The version in thousandths alone: 1012 gives "1.012".
QString VersionNumberText(quint16 version);

// The board clock: registers 0x0100-0x0103.
// "2024-3-5": year (signed), month and day without leading zeros.
QString DateText(quint16 year, quint16 monthDay);
// "7:05:09": the hour without, minute and second with a leading zero.
QString TimeText(quint16 hourMinute, quint16 secondWeekday);
// The weekday's name, or eight dashes.
QString DayText(quint16 secondWeekday);

// Read 1, registers 0x0100-0x0144.
struct StatusBlock
{
    QString Date;
    QString Time;
    QString Day;
    std::array<ShownValue, 10> Inputs;  // column R
    std::array<ShownValue, 8> Outputs;  // column R
    quint16 DigitalInputs = 0;          // bits 0-7 inputs 1-8; bit 10, bit 12 warnings
    quint16 DigitalOutputs = 0;         // bits 0-10 outputs 1-11
    std::array<ShownValue, 2> Pressures;
    std::array<ShownValue, 2> AirFlows;
    QString FanSpeed;
    int FanSpeedValue = 0;  // signed, as FanSpeed shows it
    float SupplyTrendValue = 0.0f;
    float RoomTrendValue = 0.0f;
    quint16 PressureStopFlags = 0;  // bits 0-1: AIN9, AIN10
    quint16 StopFlags = 0;          // bits 0-7: DIN1-8; bits 8-15: AIN1-8
    qint16 StopCode = 0;
    bool Auto = false;
    bool Running = false;
    bool Winter = false;
    QString SupplyVentilation;  // whole, or "invalid"
    QString ExhaustVentilation;
    bool Hearth = false;
    QString HearthMinutes;
    int HearthMinutesValue = 0;

    bool DigitalInput(int index) const { return DigitalInputs >> index & 1; }
    bool DigitalOutput(int index) const { return DigitalOutputs >> index & 1; }
};
std::optional<StatusBlock> DecodeStatusBlock(std::span<const quint16> registers);

// Read 2, registers 0x016D-0x0192.
struct ColumnABlock
{
    std::array<ShownValue, 10> Inputs;
    std::array<ShownValue, 8> Outputs;
    quint16 DigitalInputs = 0;
    quint16 DigitalOutputs = 0;

    bool DigitalInput(int index) const { return DigitalInputs >> index & 1; }
    bool DigitalOutput(int index) const { return DigitalOutputs >> index & 1; }
};
std::optional<ColumnABlock> DecodeColumnABlock(std::span<const quint16> registers);

// Read 3, registers 0x0000-0x0001: whether the regulation-mode lamp is lit.
std::optional<bool> DecodeRegulationMode(std::span<const quint16> registers);

// Read 4, registers 0x0193-0x0199.
struct HeatRecoveryBlock
{
    ShownValue Temperature;
    ShownValue RotorPower;
    QString RotorState;
    QString RotorControlState;
    bool Heating = false;
    bool Cooling = false;
    std::optional<QString> ControlSource;  // nothing: keep the text shown
    QString RecoveryControlState;
    QString ControlStatus;
};
std::optional<HeatRecoveryBlock> DecodeHeatRecoveryBlock(std::span<const quint16> registers);

// Read 5, registers 0x01C5-0x01CE.
struct DiagnosticsBlock
{
    std::array<qint16, 10> Values{};
    std::array<QString, 10> Decimal;
    std::array<QString, 10> Hex;
};
std::optional<DiagnosticsBlock> DecodeDiagnosticsBlock(std::span<const quint16> registers);

// Registers 0xE700-0xE701.
struct VersionBlock
{
    quint16 Version = 0;
    bool Rev12 = false;      // version mod 100 is 12 or more
    bool HasSeries = false;  // version mod 100 is above 10: the board has a series number
    QString VersionPanel;    // "Version: 1.012"
    QString BoardPanel;      // "Board No.: 17"
    quint16 BoardNumber = 0;
};
std::optional<VersionBlock> DecodeVersionBlock(std::span<const quint16> registers);

// Register 0x0385: "Series: 3".
std::optional<QString> DecodeSeries(std::span<const quint16> registers);

}  // namespace live
