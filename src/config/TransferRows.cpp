// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/TransferRows.h"

#include "common/NumberText.h"
#include "config/BoardAddresses.h"
#include "config/Units.h"
#include "config/WeekProgram.h"

#include <QHash>

#include <algorithm>

namespace {

using K = TCodecKind;
using namespace units;
const TCodec kCenti{K::Centi};
const TCodec kCentiU{K::CentiU};
const TCodec kDeci{K::Deci};
const TCodec kInt{K::Int};
const TCodec kUInt{K::UInt};
const TCodec kTenths{K::Tenths};
const TCodec kComboByText{K::ComboByText};
const TCodec kFlag{K::Flag};
const TCodec kChoice2{K::Choice2};
const TCodec kChoice2One{K::Choice2One};
const TCodec kChoice4{K::Choice4};
const TCodec kStageCount{K::StageCount};
const TCodec kBits{K::Bits};
const TCodec kTaggedBits{K::TaggedBits};
const TCodec kBitPairs{K::BitPairs};
const TCodec kAutoManual{K::AutoManual};
const TCodec kTimeOfDay{K::TimeOfDay};
const TCodec kWeekTimes{K::WeekTimes};
const TCodec kWeekLevels{K::WeekLevels};

TCodec Combo(int offset)
{
    return {K::Combo, offset};
}

// "Din1dxfCheckBox" ... "Din8dxfCheckBox" from ("Din%1dxfCheckBox", 1, 8).
QStringList Names(const char *pattern, int first, int last)
{
    QStringList names;
    for (int n = first; n <= last; ++n)
        names.append(QString::fromLatin1(pattern).arg(n));
    return names;
}

// The two boxes of each pair in turn: first n, second n, first n+1, ...
QStringList Pairs(const char *first, const char *second, int from, int to)
{
    QStringList names;
    for (int n = from; n <= to; ++n)
        names << QString::fromLatin1(first).arg(n) << QString::fromLatin1(second).arg(n);
    return names;
}

// The units of channels 1 .. count, one a register.
QStringList Units(QString (*unitOf)(int), int count)
{
    QStringList list;
    for (int n = 1; n <= count; ++n)
        list.append(unitOf(n));
    return list;
}

// The table as a table: one row a line, whatever the column limit.
// clang-format off
std::vector<TParameterRow> MakeRows()
{
    return {
        // "Settings"
        {0, 0x0200, 1, {kCenti}, {"SupplySPAdvEdit"}, {{1000, 5500}}, {kDegrees}},
        {1, 0x0201, 1, {Combo(0)}, {"SupplySensorColumnComboBox"}},
        {2, 0x0202, 1, {Combo(0)}, {"OutdoorSensorColumnComboBox"}},
        {3, 0x0203, 1, {Combo(0)}, {"ExhaustSensorColumnComboBox"}},
        {4, 0x0204, 1, {kCenti}, {"AntiFreezingTempAdvEdit"}, {{-1000, 1000}}, {kDegrees}},
        {5, 0x0205, 1, {Combo(+1)}, {"AntiFreezingSensorColumnComboBox"}},
        {6, 0x0206, 1, {Combo(0)}, {"AnRotorOutputColumnComboBox"}},
        {7, 0x0207, 1, {Combo(+1)}, {"DiRotorOutputColumnComboBox"}},
        {8, 0x0208, 1, {kInt}, {"RotorTimeAdvEdit"}, {{1, 6}}, {kMinutes}},
        {9, 0x0209, 1, {kInt}, {"RotorPeriodAdvEdit"}, {{1, 255}}, {kSeconds}},
        {10, 0x020A, 1, {kCenti}, {"RotorSPWAdvEdit"}, {{0, 100}}},
        {11, 0x020B, 1, {kCenti}, {"RotorKpAdvEdit"}, {{0, 2000}}},
        // Ki holds up to 655 s x 100 = 65500: unsigned, as every other Ki.
        {12, 0x020C, 1, {kCentiU}, {"RotorKiAdvEdit"}, {{0, 65500}}, {kSeconds}},
        {13, 0x020D, 3, {kInt}, {"T1AdvEdit", "T2AdvEdit", "T3AdvEdit"}, {{0, 200}, {0, 200}, {0, 300}}, {kSeconds}},
        {14, 0x0210, 1, {Combo(0)}, {"ActiveControlColumnComboBox"}},
        {15, 0x0211, 1, {Combo(0)}, {"WaterPumpColumnComboBox"}},
        {16, 0x0212, 1, {kBits}, Names("Din%1dxfCheckBox", 1, 8)},
        {17, 0x0213, 1, {kBits}, Names("Ain%1dxfCheckBox", 1, 10)},
        {18, 0x0214, 1, {kChoice2}, {"ModeMandxfCheckBox", "ModeAutdxfCheckBox"}},
        {19, 0x0215, 1, {Combo(0)}, {"SeasonModeColumnComboBox"}},
        {20, 0x0217, 1, {kFlag}, {"HeaterControldxfCheckBox"}},
        {21, 0x0218, 1, {kFlag}, {"HeaterControlInvdxfCheckBox"}},
        {22, 0x0219, 1, {Combo(-4)}, {"HeaterControlInputColumnComboBox"}},
        {23, 0x021A, 4, {kFlag}, Names("StopControl%1dxfCheckBox", 1, 4)},
        {24, 0x021E, 4, {kFlag}, Names("StopControlInv%1dxfCheckBox", 1, 4)},
        {25, 0x0222, 4, {Combo(-4)}, Names("StopControlUin%1ColumnComboBox", 1, 4)},
        // Stop and output control values run 0 .. 655.00: unsigned.
        {26, 0x0226, 4, {kCentiU}, Names("StopControlValue%1AdvEdit", 1, 4), {{0, 65500}}},
        {27, 0x022A, 4, {Combo(-25)}, Names("StopControlCode%1ColumnComboBox", 1, 4)},
        {28, 0x022E, 4, {kFlag}, Names("OutputControl%1dxfCheckBox", 1, 4)},
        {29, 0x0232, 4, {kFlag}, Names("OutputControlInv%1dxfCheckBox", 1, 4)},
        {30, 0x0236, 4, {Combo(-4)}, Names("OutputControlInput%1ColumnComboBox", 1, 4)},
        {31, 0x023A, 4, {kCentiU}, Names("OutputControlValue%1AdvEdit", 1, 4), {{0, 65500}}},
        {32, 0x023E, 4, {Combo(0)}, Names("OutputControlOutput%1ColumnComboBox", 1, 4)},
        // "Heating"
        {33, 0x0242, 1, {kChoice2}, {"WHNonedxfCheckBox", "WHPIdxfCheckBox"}},
        {34, 0x0243, 1, {kInt}, {"WHPeriodAdvEdit"}, {{1, 255}}, {kSeconds}},
        {35, 0x0244, 1, {Combo(0)}, {"WHOutputColumnComboBox"}},
        {36, 0x0245, 1, {kCenti}, {"UOffAdvEdit"}, {{0, 1000}}, {kVolts}},
        {37, 0x0246, 1, {kCenti}, {"WHPISPWAdvEdit"}, {{0, 100}}},
        {38, 0x0247, 1, {kCenti}, {"WHPIKpAdvEdit"}, {{0, 2000}}},
        {39, 0x0248, 1, {kCentiU}, {"WHPIKiAdvEdit"}, {{0, 65500}}, {kSeconds}},
        {40, 0x0249, 1, {kChoice4},
         {"EHNonedxfCheckBox", "EHAnalogdxfCheckBox", "EHAnDigdxfCheckBox", "EHpwm3dxfCheckBox"}},
        {41, 0x024A, 1, {kInt}, {"EHPeriodAdvEdit"}, {{1, 255}}, {kSeconds}},
        {42, 0x024B, 1, {kCenti}, {"EHPISPWAdvEdit"}, {{0, 100}}},
        {43, 0x024C, 1, {kCenti}, {"EHPIKpAdvEdit"}, {{0, 2000}}},
        {44, 0x024D, 1, {kCentiU}, {"EHPIKiAdvEdit"}, {{0, 65500}}, {kSeconds}},
        {45, 0x024E, 1, {kStageCount}, {"Stage1dxfCheckBox", "Stage2dxfCheckBox", "Stage3dxfCheckBox"}},
        {46, 0x024F, 3, {kInt}, {"Power1AdvEdit", "Power2AdvEdit", "Power3AdvEdit"}, {{0, 100}}, {kPercent}},
        {47, 0x0252, 3, {Combo(0)}, Names("AnOutput%1ColumnComboBox", 1, 3)},
        {48, 0x0255, 2, {Combo(0)}, Names("DigOutput%1ColumnComboBox", 2, 3)},
        {49, 0x0257, 1, {Combo(0)}, {"HeatingSequenceColumnComboBox"}},
        // "Cooling"
        {50, 0x0258, 1, {kChoice2}, {"WCNonedxfCheckBox", "WCPIdxfCheckBox"}},
        {51, 0x0259, 1, {kInt}, {"WCPeriodAdvEdit"}, {{1, 255}}, {kSeconds}},
        {52, 0x025A, 1, {Combo(0)}, {"WCOutputColumnComboBox"}},
        {53, 0x025B, 1, {kCenti}, {"WCPISPWAdvEdit"}, {{0, 100}}},
        {54, 0x025C, 1, {kCenti}, {"WCPIKpAdvEdit"}, {{0, 2000}}},
        {55, 0x025D, 1, {kCentiU}, {"WCPIKiAdvEdit"}, {{0, 65500}}, {kSeconds}},
        {56, 0x025E, 1, {kChoice2}, {"ECNonedxfCheckBox", "ECOndxfCheckBox"}},
        // Output I lists "1".."11"; output II lists "0" (none) first.
        {57, 0x025F, 2, {Combo(0), Combo(+1)}, {"ECOutput1ColumnComboBox", "ECOutput2ColumnComboBox"}},
        {58, 0x0261, 1, {kInt}, {"ECTimeAdvEdit"}, {{0, 3600}}, {kMinutes}},
        // "Cascade"
        {59, 0x0300, 1, {Combo(0)}, {"RegulationModeColumnComboBox"}},
        {60, 0x0301, 1, {kInt}, {"RegulationTempDiffAdvEdit"}, {{0, 5}}, {kDegrees}},
        {61, 0x0302, 1, {kCenti}, {"RoomAirAdvEdit"}, {{1000, 5500}}, {kDegrees}},
        {62, 0x0303, 1, {Combo(0)}, {"RoomSensorNoColumnComboBox"}},
        {63, 0x0304, 1, {kCenti}, {"SupplyAirMinLimitAdvEdit"}, {{0, 5000}}, {kDegrees}},
        {64, 0x0305, 1, {kCenti}, {"SupplyAirMaxLimitAdvEdit"}, {{0, 5500}}, {kDegrees}},
        {65, 0x0306, 1, {kCenti}, {"MaximumDiffAdvEdit"}, {{0, 3000}}, {kDegrees}},
        // Whole seconds, like every other "Period" edit: the edit takes 1 .. 255 s.
        {66, 0x0307, 1, {kInt}, {"WCCascPeriodAdvEdit"}, {{1, 255}}, {kSeconds}},
        {67, 0x0308, 1, {kCenti}, {"WCCascSPWAdvEdit"}, {{0, 100}}},
        {68, 0x0309, 1, {kCenti}, {"WCCascKpAdvEdit"}, {{0, 2000}}},
        {69, 0x030A, 1, {kCentiU}, {"WCCascKiAdvEdit"}, {{0, 65500}}, {kSeconds}},
        {70, 0x030B, 1, {kFlag}, {"RcEnableddxfCheckBox"}},
        {71, 0x030C, 1, {kFlag}, {"RcStopFandxfCheckBox"}},
        {72, 0x030D, 1, {kFlag}, {"RcStopRotordxfCheckBox"}},
        {73, 0x030E, 1, {kFlag}, {"RecycleActivedxfCheckBox"}},
        {74, 0x030F, 1, {kTimeOfDay}, {"RecycleStartAdvMaskEdit"}, {{0, 1439}}},
        {75, 0x0310, 1, {kTimeOfDay}, {"RecycleStopAdvMaskEdit"}, {{0, 1439}}},
        // "In/Out"
        // Inputs A1-A4 in degrees, A5-A8 in volts, A9-A10 in percent.
        {76, 0x0311, 10, {kCenti}, Names("IAnalog%1AdvEdit", 1, 10),
         {{-3000, 7500}, {-3000, 7500}, {-3000, 7500}, {-3000, 7500}, {0, 1000}, {0, 1000}, {0, 1000}, {0, 1000},
          {0, 10000}, {0, 10000}}, Units(InputUnit, 10)},
        {77, 0x031B, 10, {kAutoManual}, Pairs("IAnalogA%1dxfCheckBox", "IAnalogM%1dxfCheckBox", 1, 10)},
        // Outputs A1-A5 in volts x 100, A6-A8 in percent x 10.
        {78, 0x0325, 8, {kCenti, kCenti, kCenti, kCenti, kCenti, kDeci, kDeci, kDeci}, Names("OAnalog%1AdvEdit", 1, 8),
         {{0, 1000}}, Units(OutputUnit, 8)},
        {79, 0x032D, 8, {kAutoManual}, Pairs("OAnalogA%1dxfCheckBox", "OAnalogM%1dxfCheckBox", 1, 8)},
        {80, 0x0335, 1, {kTaggedBits}, Names("IDigitalI%1dxfCheckBox", 1, 8)},
        {81, 0x0336, 1, {kTaggedBits}, Names("IDigital%1dxfCheckBox", 1, 8)},
        {82, 0x0337, 1, {kBitPairs}, Pairs("IDigitalA%1dxfCheckBox", "IDigitalM%1dxfCheckBox", 1, 8)},
        {83, 0x0338, 1, {kTaggedBits}, Names("ODigitalI%1dxfCheckBox", 1, 11)},
        {84, 0x0339, 1, {kTaggedBits}, Names("ODigital%1dxfCheckBox", 1, 11)},
        {85, 0x033A, 1, {kBitPairs}, Pairs("ODigitalA%1dxfCheckBox", "ODigitalM%1dxfCheckBox", 1, 11)},
        {86, 0x033B, 3, {kTenths}, Names("SimT%1AdvEdit", 1, 3), {{10, 60000}}, {kSeconds}},
        {87, 0x033E, 1, {kBitPairs}, Pairs("Sim%1PwmdxfCheckBox", "Sim%1OnOffdxfCheckBox", 1, 3)},
        {88, 0x033F, 1, {Combo(+1)}, {"AlarmOutputColumnComboBox"}},
        // "Timers"
        {89, 0x0340, 42, {kWeekTimes}, {}},
        {90, 0x036A, 21, {kWeekLevels}, {}},
        {91, 0x037F, 1, {kComboByText}, {"TCorValueColumnComboBox"}},
        {92, 0x0380, 1, {kTimeOfDay}, {"TCorStartAdvMaskEdit"}, {{0, 1439}}},
        {93, 0x0381, 1, {kTimeOfDay}, {"TCorStopAdvMaskEdit"}, {{0, 1439}}},
        {94, 0x0382, 1, {kUInt}, {"SerialNoAdvEdit"}, {{0, 65535}}},
        {95, 0x0383, 1, {kInt}, {"BoardAddrAdvEdit"}, {{1, 247}}},
        // "Ventilation"
        {96, 0x0400, 1, {kChoice4},
         {"ThreeSpeeddxfCheckBox", "FixedValdxfCheckBox", "PControldxfCheckBox", "WithoutExhaustdxfCheckBox"}},
        {97, 0x0401, 6, {Combo(+1)}, Names("VentOutput%1ColumnComboBox", 1, 6)},
        {98, 0x0407, 1, {Combo(0)}, {"SFanOutputColumnComboBox"}},
        {99, 0x0408, 1, {Combo(0)}, {"EFanOutputColumnComboBox"}},
        {100, 0x0409, 1, {kFlag}, {"CorOndxfCheckBox"}},
        {101, 0x040A, 1, {kChoice2One}, {"AbovedxfCheckBox", "BelowdxfCheckBox"}},
        {102, 0x040B, 1, {Combo(-4)}, {"CorInputColumnComboBox"}},
        {103, 0x040C, 1, {kCenti}, {"CorKpAdvEdit"}, {{-10000, 10000}}},
        {104, 0x040D, 1, {kDeci}, {"ValueAdvEdit"}, {{0, 100}}, {kVolts}},
        {105, 0x040E, 1, {kFlag}, {"InfluencedxfCheckBox"}},
        {106, 0x040F, 1, {Combo(-8)}, {"SPControlInputColumnComboBox"}},
        {107, 0x0410, 1, {Combo(-8)}, {"EPControlInputColumnComboBox"}},
        {108, 0x0411, 1, {kCenti}, {"SPControlSPWAdvEdit"}, {{0, 100}}},
        {109, 0x0412, 1, {kInt}, {"SPControlPeriodAdvEdit"}, {{1, 255}}},
        {110, 0x0413, 1, {kCenti}, {"SPControlKpAdvEdit"}, {{0, 2000}}},
        {111, 0x0414, 1, {kCentiU}, {"SPControlKiAdvEdit"}, {{0, 65500}}},
        {112, 0x0415, 1, {kCenti}, {"EPControlSPWAdvEdit"}, {{0, 100}}},
        {113, 0x0416, 1, {kInt}, {"EPControlPeriodAdvEdit"}, {{1, 255}}},
        {114, 0x0417, 1, {kCenti}, {"EPControlKpAdvEdit"}, {{0, 2000}}},
        {115, 0x0418, 1, {kCentiU}, {"EPControlKiAdvEdit"}, {{0, 65500}}},
        {116, 0x0419, 1, {Combo(-1)}, {"SpeedColumnComboBox"}},
        {117, 0x041A, 3, {kInt}, Names("VIS%1AdvEdit", 1, 3), {{20, 120}}},
        {118, 0x041D, 3, {kInt}, Names("VIE%1AdvEdit", 1, 3), {{20, 120}}},
        {119, 0x0421, 1, {kInt}, {"HearthValueAdvEdit"}, {{-50, 50}}},
        {120, 0x0422, 1, {kInt}, {"HearthTimeAdvEdit"}, {{0, 99}}, {kMinutes}},
        {121, 0x0423, 1, {Combo(0)}, {"AVModeColumnComboBox"}},
        {122, 0x0424, 1, {Combo(-4)}, {"SInputColumnComboBox"}},
        {123, 0x0425, 1, {kCenti}, {"SSPWAdvEdit"}, {{0, 100}}},
        {124, 0x0426, 1, {kInt}, {"SPeriodAdvEdit"}, {{1, 255}}, {kSeconds}},
        {125, 0x0427, 1, {kCenti}, {"SKpAdvEdit"}, {{0, 2000}}},
        {126, 0x0428, 1, {kCentiU}, {"SKiAdvEdit"}, {{0, 65500}}, {kSeconds}},
        {127, 0x0429, 1, {kCenti}, {"SU100AdvEdit"}, {{0, 32767}}, {kVolts}},
        {128, 0x042A, 1, {Combo(-4)}, {"EInputColumnComboBox"}},
        {129, 0x042B, 1, {kCenti}, {"ESPWAdvEdit"}, {{0, 100}}},
        {130, 0x042C, 1, {kInt}, {"EPeriodAdvEdit"}, {{1, 255}}, {kSeconds}},
        {131, 0x042D, 1, {kCenti}, {"EKpAdvEdit"}, {{0, 2000}}},
        // The extended set.
        {132, 0x042E, 1, {kCentiU}, {"EKiAdvEdit"}, {{0, 65500}}, {kSeconds}},
        {133, 0x042F, 1, {kCenti}, {"EU100AdvEdit"}, {{0, 32767}}, {kVolts}},
        {134, 0x0430, 1, {kChoice2One}, {"StartStopdxfCheckBox", "KitchenHooddxfCheckBox"}},
        {135, 0x0431, 1, {kInt}, {"VIS4AdvEdit"}, {{20, 120}}},
        {136, 0x0432, 1, {kInt}, {"VIE4AdvEdit"}, {{20, 120}}},
        // "Calibration": the pressure inputs AIN9 and AIN10.
        {137, 0x0518, 2, {kInt}, {"Plim9AdvEdit", "Plim10AdvEdit"}, {{0, 10000}}, {kPascals}},
        {138, 0x051A, 2, {kUInt}, {"Pmax9AdvEdit", "Pmax10AdvEdit"}, {{0, 65535}}, {kCubicMetresPerHour}},
        {139, 0x0520, 2, {kInt}, {"Coef9AdvEdit", "Coef10AdvEdit"}, {{1, 1233}}},
    };
}
// clang-format on

}  // namespace

TKindTraits Traits(TCodecKind kind)
{
    switch (kind) {
    case TCodecKind::Centi:
    case TCodecKind::CentiU:
    case TCodecKind::Deci:
    case TCodecKind::Int:
    case TCodecKind::UInt:
    case TCodecKind::Tenths:
    case TCodecKind::TimeOfDay:
        return {TControlKind::Edit, 1};
    case TCodecKind::Combo:
    case TCodecKind::ComboByText:
        return {TControlKind::Combo, 1};
    case TCodecKind::Flag:
        return {TControlKind::Box, 1};
    case TCodecKind::AutoManual:
        return {TControlKind::Box, 2};
    case TCodecKind::Choice2:
    case TCodecKind::Choice2One:
    case TCodecKind::Choice4:
    case TCodecKind::StageCount:
    case TCodecKind::Bits:
    case TCodecKind::TaggedBits:
    case TCodecKind::BitPairs:
        return {TControlKind::Box, 0};
    case TCodecKind::WeekTimes:
    case TCodecKind::WeekLevels:
        break;
    }
    return {TControlKind::None, 0};
}

std::optional<QString> EditText(TCodecKind kind, quint16 value)
{
    const auto signedValue = static_cast<qint16>(value);
    switch (kind) {
    case TCodecKind::Centi:
        return ScaledText(signedValue, 2);
    case TCodecKind::CentiU:
        return ScaledText(value, 2);
    case TCodecKind::Deci:
        return ScaledText(signedValue, 1);
    case TCodecKind::Int:
        return QString::number(signedValue);
    case TCodecKind::UInt:
        return QString::number(value);
    case TCodecKind::Tenths:
        return QString::number(value / 10);
    case TCodecKind::TimeOfDay:
        return TimeOfDayText(value);
    default:
        return std::nullopt;
    }
}

std::optional<QString> ExactEditText(TCodecKind kind, quint16 value)
{
    if (kind == TCodecKind::Tenths && value % 10 != 0)
        return ScaledText(value, 1);
    return EditText(kind, value);
}

std::optional<TLimits> StorableRange(TCodecKind kind)
{
    switch (kind) {
    case TCodecKind::Centi:
    case TCodecKind::Deci:
    case TCodecKind::Int:
        return TLimits{-32768, 32767};
    case TCodecKind::CentiU:
    case TCodecKind::UInt:
        return TLimits{0, 65535};
    case TCodecKind::Tenths:
        return TLimits{0, 65530};
    case TCodecKind::TimeOfDay:
        return TLimits{0, 24 * 60 - 1};
    default:
        return std::nullopt;
    }
}

QStringList RowShapeProblems(const TParameterRow &row)
{
    QStringList problems;
    const int controls = static_cast<int>(row.Controls.size());
    if (row.Codecs.empty() || (row.Codecs.size() != 1 && static_cast<int>(row.Codecs.size()) != row.Registers)) {
        problems.append(QStringLiteral("needs one codec, or one for each of its %1 registers").arg(row.Registers));
        return problems;
    }
    if (row.Registers < 1 || row.Registers > kMaxRowRegisters) {
        problems.append(QStringLiteral("%1 registers (1 to %2 are possible)").arg(row.Registers).arg(kMaxRowRegisters));
        return problems;
    }
    const TKindTraits traits = Traits(row.Codecs.front().Kind);
    for (const TCodec &c : row.Codecs) {
        const TKindTraits other = Traits(c.Kind);
        if (other.Control != traits.Control || other.PerRegister != traits.PerRegister) {
            problems.append(QStringLiteral("its codecs need different controls"));
            return problems;
        }
    }
    const TCodecKind kind = row.Codecs.front().Kind;
    if (traits.PerRegister > 0) {
        if (controls != row.Registers * traits.PerRegister)
            problems.append(QStringLiteral("%1 controls for %2 registers").arg(controls).arg(row.Registers));
    } else if (traits.Control == TControlKind::Box) {
        const bool fits = kind == TCodecKind::Choice2 || kind == TCodecKind::Choice2One ? controls == 2
                          : kind == TCodecKind::Choice4                                 ? controls == 4
                          : kind == TCodecKind::StageCount                              ? controls == 3
                          : kind == TCodecKind::BitPairs ? controls >= 2 && controls <= 32 && controls % 2 == 0
                                                         : controls >= 1 && controls <= 16;
        if (row.Registers != 1 || !fits)
            problems.append(QStringLiteral("%1 check boxes over %2 registers").arg(controls).arg(row.Registers));
    } else {
        const int expected = kind == TCodecKind::WeekTimes ? TWeekProgram::kDays * TWeekProgram::kTimesPerDay
                                                           : TWeekProgram::kDays * TWeekProgram::kLevelsPerDay;
        if (row.Registers != expected || controls != 0)
            problems.append(QStringLiteral("the week program needs %1 registers and no controls").arg(expected));
    }

    // Every edit says what it accepts, and only what its register can hold.
    if (traits.Control != TControlKind::Edit) {
        if (!row.Limits.empty() || !row.Units.empty())
            problems.append(QStringLiteral("has limits or units but no edits"));
        return problems;
    }
    if (row.Units.size() > 1 && row.Units.size() != row.Registers)
        problems.append(QStringLiteral("needs one unit, or one for each of its %1 registers").arg(row.Registers));
    if (row.Limits.size() != 1 && static_cast<int>(row.Limits.size()) != row.Registers) {
        problems.append(QStringLiteral("needs the accepted range of its edits, for all or for each of its %1 registers")
                            .arg(row.Registers));
        return problems;
    }
    for (int reg = 0; reg < row.Registers; ++reg) {
        const TLimits &limits = row.LimitsOf(reg);
        const TLimits storable = *StorableRange(row.CodecOf(reg).Kind);
        const bool wholeTenths =
            row.CodecOf(reg).Kind != TCodecKind::Tenths || (limits.Min % 10 == 0 && limits.Max % 10 == 0);
        if (limits.Min > limits.Max || !storable.Contains(limits.Min) || !storable.Contains(limits.Max) || !wholeTenths)
            problems.append(QStringLiteral("accepts %1 .. %2 in register %3, which its encoding cannot store")
                                .arg(limits.Min)
                                .arg(limits.Max)
                                .arg(reg));
    }
    return problems;
}

const std::vector<TParameterRow> &TransferRows()
{
    static const std::vector<TParameterRow> rows = MakeRows();
    return rows;
}

const std::vector<TParameterRow> &SideRows()
{
    static const std::vector<TParameterRow> rows{
        {-1, board::Season, 1, {Combo(0)}, {"SeasonColumnComboBox"}},
        {-1, board::Series, 1, {kUInt}, {"SerialNo1AdvEdit"}, {{0, 65535}}},
    };
    return rows;
}

QString ControlUnit(const QString &objectName)
{
    static const QHash<QString, QString> units = [] {
        QHash<QString, QString> byName;
        for (const TParameterRow &row : TransferRows()) {
            if (Traits(row.CodecOf(0).Kind).Control != TControlKind::Edit)
                continue;
            for (int reg = 0; reg < row.Registers; ++reg)
                byName.insert(row.Controls[reg], row.UnitOf(reg));
        }
        return byName;
    }();
    return units.value(objectName);
}

TRegisterBlock BlockOfItems(int first, int last)
{
    const TParameterRow &from = TransferRows().at(static_cast<size_t>(first));
    const TParameterRow &to = TransferRows().at(static_cast<size_t>(last));
    return {from.FirstRegister, static_cast<quint16>(to.FirstRegister + to.Registers - from.FirstRegister)};
}

ConfigImage ImageFromTable()
{
    ConfigImage image;
    image.reserve(TransferRows().size());
    for (const TParameterRow &row : TransferRows()) {
        ConfigItem item;
        item.Registers = row.Registers;
        item.FirstRegister = row.FirstRegister;
        item.Values.assign(static_cast<size_t>(row.Registers), 0);
        image.push_back(std::move(item));
    }
    return image;
}
