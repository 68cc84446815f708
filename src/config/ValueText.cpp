// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ValueText.h"

#include "common/NumberText.h"
#include "config/EditRule.h"

#include <QHash>
#include <QLocale>
#include <QRegularExpression>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>

namespace values {

namespace {

QStringList Numbers(int first, int last)
{
    QStringList items;
    if (first <= last) {
        for (int i = first; i <= last; ++i)
            items.append(QString::number(i));
    } else {
        for (int i = first; i >= last; --i)
            items.append(QString::number(i));
    }
    return items;
}

QString WithUnit(const QString &text, const QString &unit)
{
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

// "a, b or c".
QString OneOf(const QStringList &texts)
{
    if (texts.size() < 2)
        return texts.join(QString());
    return QStringList(texts.mid(0, texts.size() - 1)).join(QStringLiteral(", ")) + QStringLiteral(" or ")
           + texts.back();
}

// The boxes of a mask row, one a bit (BitPairs: one pair a bit); 0 for other rows.
int MaskBits(const TParameterRow &row)
{
    switch (row.CodecOf(0).Kind) {
    case TCodecKind::Bits:
    case TCodecKind::TaggedBits:
        return static_cast<int>(row.Controls.size());
    case TCodecKind::BitPairs:
        return static_cast<int>(row.Controls.size()) / 2;
    default:
        return 0;
    }
}

// "1, 2, 4, 6" for the set bits of word among the first bits; "none" for none. Bits beyond the
// mask's boxes, which no box shows, follow in hex so that no two words read the same.
QString MaskText(quint16 word, int bits)
{
    QStringList numbers;
    for (int j = 0; j < bits; ++j)
        if (word >> j & 1)
            numbers.append(QString::number(j + 1));
    const quint16 rest = bits >= 16 ? 0 : static_cast<quint16>(word >> bits << bits);
    QString text = numbers.isEmpty() ? QStringLiteral("none") : numbers.join(QStringLiteral(", "));
    if (rest != 0)
        text += QStringLiteral(" + 0x%1")
                    .arg(rest, 4, 16, QLatin1Char('0'))
                    .toUpper()
                    .replace(QStringLiteral("0X"), QStringLiteral("0x"));
    return text;
}

std::optional<quint16> TakeMask(QStringView text, int bits)
{
    const QString trimmed = text.trimmed().toString();
    if (trimmed.compare(QStringLiteral("none"), Qt::CaseInsensitive) == 0)
        return quint16{0};
    quint32 word = 0;
    const QStringList parts = trimmed.split(QRegularExpression(QStringLiteral("[,; ]+")), Qt::SkipEmptyParts);
    if (parts.isEmpty())
        return std::nullopt;
    for (const QString &part : parts) {
        const TNumberTake n = TakeInteger(part);
        if (!n.Ok() || n.Value < 1 || n.Value > bits)
            return std::nullopt;
        word |= 1u << (n.Value - 1);
    }
    return static_cast<quint16>(word);
}

// A whole number a configuration file may hold in a register.
std::optional<quint16> TakeFileWord(QStringView text)
{
    const TNumberTake n = TakeInteger(text);
    if (!n.Ok() || !FitsRegister(n.Value))
        return std::nullopt;
    return static_cast<quint16>(n.Value & 0xFFFF);
}

// The list of a Combo or ComboByText register.
QStringList ListOf(const TParameterRow &row, int reg)
{
    if (row.Controls.isEmpty())
        return ListItems(QStringLiteral("Int1ColumnComboBox"));  // a week-program level
    return ListItems(row.Controls.value(reg));
}

// A text with the unit shown beside its edit taken off: "21.5 °C" is "21.5".
QStringView WithoutUnit(QStringView text, const QString &unit)
{
    QStringView trimmed = text.trimmed();
    if (!unit.isEmpty() && trimmed.endsWith(unit, Qt::CaseInsensitive))
        trimmed = trimmed.left(trimmed.size() - unit.size()).trimmed();
    return trimmed;
}

}  // namespace

QStringList ListItems(const QString &control)
{
    static const QHash<QString, QStringList> lists = [] {
        QHash<QString, QStringList> byName;
        const auto add = [&byName](const QString &pattern, int first, int last, const QStringList &items) {
            for (int n = first; n <= last; ++n)
                byName.insert(pattern.contains(QLatin1String("%1")) ? pattern.arg(n) : pattern, items);
        };
        const QStringList sensors = Numbers(1, 4);
        const QStringList voltageInputs = Numbers(5, 8);
        const QStringList analogOutputs = Numbers(1, 5);
        const QStringList outputs = Numbers(1, 11);
        const QStringList outputsOrNone = Numbers(0, 11);
        add(QStringLiteral("SupplySensorColumnComboBox"), 0, 0, sensors);
        add(QStringLiteral("OutdoorSensorColumnComboBox"), 0, 0, sensors);
        add(QStringLiteral("ExhaustSensorColumnComboBox"), 0, 0, sensors);
        add(QStringLiteral("RoomSensorNoColumnComboBox"), 0, 0, sensors);
        add(QStringLiteral("AntiFreezingSensorColumnComboBox"), 0, 0, Numbers(0, 4));
        add(QStringLiteral("AnRotorOutputColumnComboBox"), 0, 0, analogOutputs);
        add(QStringLiteral("WHOutputColumnComboBox"), 0, 0, analogOutputs);
        add(QStringLiteral("WCOutputColumnComboBox"), 0, 0, analogOutputs);
        add(QStringLiteral("SFanOutputColumnComboBox"), 0, 0, analogOutputs);
        add(QStringLiteral("EFanOutputColumnComboBox"), 0, 0, analogOutputs);
        add(QStringLiteral("AnOutput%1ColumnComboBox"), 1, 3, Numbers(1, 8));
        add(QStringLiteral("DiRotorOutputColumnComboBox"), 0, 0, outputsOrNone);
        add(QStringLiteral("VentOutput%1ColumnComboBox"), 1, 6, outputsOrNone);
        add(QStringLiteral("AlarmOutputColumnComboBox"), 0, 0, outputsOrNone);
        add(QStringLiteral("ECOutput2ColumnComboBox"), 0, 0, outputsOrNone);
        add(QStringLiteral("ActiveControlColumnComboBox"), 0, 0, outputs);
        add(QStringLiteral("WaterPumpColumnComboBox"), 0, 0, outputs);
        add(QStringLiteral("OutputControlOutput%1ColumnComboBox"), 1, 4, outputs);
        add(QStringLiteral("DigOutput%1ColumnComboBox"), 2, 3, outputs);
        add(QStringLiteral("ECOutput1ColumnComboBox"), 0, 0, outputs);
        add(QStringLiteral("HeaterControlInputColumnComboBox"), 0, 0, voltageInputs);
        add(QStringLiteral("StopControlUin%1ColumnComboBox"), 1, 4, voltageInputs);
        add(QStringLiteral("OutputControlInput%1ColumnComboBox"), 1, 4, voltageInputs);
        add(QStringLiteral("CorInputColumnComboBox"), 0, 0, voltageInputs);
        add(QStringLiteral("SInputColumnComboBox"), 0, 0, voltageInputs);
        add(QStringLiteral("EInputColumnComboBox"), 0, 0, voltageInputs);
        add(QStringLiteral("SPControlInputColumnComboBox"), 0, 0, Numbers(9, 10));
        add(QStringLiteral("EPControlInputColumnComboBox"), 0, 0, Numbers(9, 10));
        add(QStringLiteral("SpeedColumnComboBox"), 0, 0, Numbers(1, 3));
        add(QStringLiteral("TCorValueColumnComboBox"), 0, 0, Numbers(9, -9));
        add(QStringLiteral("Int%1ColumnComboBox"), 1, 3, Numbers(0, 3));
        add(QStringLiteral("SeasonModeColumnComboBox"), 0, 0,
            {QStringLiteral("Summer"), QStringLiteral("Winter"), QStringLiteral("Auto")});
        add(QStringLiteral("SeasonColumnComboBox"), 0, 0, {QStringLiteral("Summer"), QStringLiteral("Winter")});
        add(QStringLiteral("StopControlCode%1ColumnComboBox"), 1, 4,
            {QStringLiteral("STOP"), QStringLiteral("HEATER"), QStringLiteral("WATER"), QStringLiteral("FROST")});
        add(QStringLiteral("HeatingSequenceColumnComboBox"), 0, 0,
            {QStringLiteral("WATER-ELECTRIC"), QStringLiteral("ELECTRIC-WATER")});
        add(QStringLiteral("RegulationModeColumnComboBox"), 0, 0,
            {QStringLiteral("FIXED SP"), QStringLiteral("CASCADE"), QStringLiteral("AUTO")});
        add(QStringLiteral("AVModeColumnComboBox"), 0, 0, {QStringLiteral("CAV"), QStringLiteral("VAV")});
        return byName;
    }();
    return lists.value(control);
}

QStringList ChoiceCaptions(const TParameterRow &row)
{
    static const QHash<QString, QStringList> captions{
        {QStringLiteral("ModeMandxfCheckBox"), {QStringLiteral("Manual"), QStringLiteral("Auto")}},
        {QStringLiteral("WHNonedxfCheckBox"), {QStringLiteral("Off"), QStringLiteral("On")}},
        {QStringLiteral("WCNonedxfCheckBox"), {QStringLiteral("Off"), QStringLiteral("On")}},
        {QStringLiteral("ECNonedxfCheckBox"), {QStringLiteral("Off"), QStringLiteral("On")}},
        {QStringLiteral("EHNonedxfCheckBox"),
         {QStringLiteral("Off"), QStringLiteral("Analog"), QStringLiteral("An+Dig"), QStringLiteral("3xPWM")}},
        {QStringLiteral("ThreeSpeeddxfCheckBox"),
         {QStringLiteral("3 Speed"), QStringLiteral("Fixed Values"), QStringLiteral("Pressure Control"),
          QStringLiteral("Without Exhaust")}},
        {QStringLiteral("AbovedxfCheckBox"), {QStringLiteral("Above"), QStringLiteral("Below")}},
        {QStringLiteral("StartStopdxfCheckBox"), {QStringLiteral("Start/Stop"), QStringLiteral("Kitchen Hood")}},
    };
    return row.Controls.isEmpty() ? QStringList() : captions.value(row.Controls.front());
}

QString ControlText(const TParameterRow &row, int reg, quint16 word)
{
    const TCodec &codec = row.CodecOf(reg);
    const auto signedWord = static_cast<qint16>(word);
    if (auto text = ExactEditText(codec.Kind, word))
        return *text;
    // What boxes show of a word they also show for another one, after the word itself.
    const auto shownAs = [signedWord](bool itself, const QString &shown) {
        return itself ? shown : QStringLiteral("%1 (shown as %2)").arg(signedWord).arg(shown);
    };
    switch (codec.Kind) {
    case TCodecKind::Combo:
    case TCodecKind::WeekLevels: {
        const QStringList items = ListOf(row, reg);
        const int index = signedWord + codec.Offset;
        return index >= 0 && index < items.size() ? items[index]
                                                  : QStringLiteral("%1 (not in the list)").arg(signedWord);
    }
    case TCodecKind::ComboByText:
        return ListOf(row, reg).contains(QString::number(signedWord))
                   ? QString::number(signedWord)
                   : QStringLiteral("%1 (not in the list)").arg(signedWord);
    case TCodecKind::Flag:
        return shownAs(word <= 1, word != 0 ? QStringLiteral("on") : QStringLiteral("off"));
    case TCodecKind::AutoManual:
        return shownAs(word <= 1, word != 0 ? QStringLiteral("M") : QStringLiteral("A"));
    case TCodecKind::Choice2:
    case TCodecKind::Choice2One:
    case TCodecKind::Choice4: {
        const QStringList captions = ChoiceCaptions(row);
        if (codec.Kind == TCodecKind::Choice2)
            return shownAs(word <= 1, captions.value(word != 0 ? 1 : 0));
        return signedWord >= 0 && signedWord < captions.size() ? captions[signedWord]
                                                               : QStringLiteral("%1 (no box)").arg(signedWord);
    }
    case TCodecKind::StageCount: {
        const int stages = std::clamp<int>(signedWord, 1, 3);
        return shownAs(stages == signedWord, QString::number(stages));
    }
    case TCodecKind::Bits:
    case TCodecKind::TaggedBits:
    case TCodecKind::BitPairs:
        return MaskText(word, MaskBits(row));
    case TCodecKind::WeekTimes:
        return TimeOfDayText(word);
    default:
        return QString::number(signedWord);
    }
}

QString RegisterText(const TParameterRow &row, int reg, quint16 word)
{
    const QString text = ControlText(row, reg, word);
    return Traits(row.CodecOf(reg).Kind).Control == TControlKind::Edit ? WithUnit(text, row.UnitOf(reg)) : text;
}

QString ItemText(int item, int reg, quint16 word)
{
    const std::vector<TParameterRow> &rows = TransferRows();
    if (item < 0 || item >= static_cast<int>(rows.size()) || reg < 0
        || reg >= rows[static_cast<size_t>(item)].Registers)
        return QString::number(static_cast<qint16>(word));
    return RegisterText(rows[static_cast<size_t>(item)], reg, word);
}

std::optional<QString> AddressText(quint16 address, quint16 word)
{
    for (const auto *rows : {&TransferRows(), &SideRows()}) {
        for (const TParameterRow &row : *rows) {
            const int reg = address - row.FirstRegister;
            if (reg >= 0 && reg < row.Registers)
                return RegisterText(row, reg, word);
        }
    }
    return std::nullopt;
}

QString Allowed(const TParameterRow &row, int reg)
{
    const TCodec &codec = row.CodecOf(reg);
    switch (codec.Kind) {
    case TCodecKind::Combo:
    case TCodecKind::ComboByText:
    case TCodecKind::WeekLevels:
        return OneOf(ListOf(row, reg));
    case TCodecKind::Flag:
        return QStringLiteral("on or off");
    case TCodecKind::AutoManual:
        return QStringLiteral("A or M");
    case TCodecKind::Choice2:
    case TCodecKind::Choice2One:
    case TCodecKind::Choice4:
        return OneOf(ChoiceCaptions(row));
    case TCodecKind::StageCount:
        return QStringLiteral("1, 2 or 3");
    case TCodecKind::Bits:
    case TCodecKind::TaggedBits:
    case TCodecKind::BitPairs:
        return QStringLiteral("the numbers 1 to %1 (e.g. 1, 2, 4) or none").arg(MaskBits(row));
    case TCodecKind::WeekTimes:
        return QStringLiteral("a time 0:00 .. 23:59");
    case TCodecKind::TimeOfDay:
        return QStringLiteral("a time ") + EditRange(row, reg).Text;
    default:
        return WithUnit(EditRange(row, reg).Text, row.UnitOf(reg));
    }
}

namespace {

// The word of a text as the control of register reg of row shows it (a list item, "on", a
// caption, a mask's numbers, a time); nothing for any other text.
std::optional<quint16> TakeShown(const TParameterRow &row, int reg, const QString &typed)
{
    const TCodec &codec = row.CodecOf(reg);
    const auto byText = [&typed](const QStringList &texts) -> std::optional<int> {
        for (qsizetype i = 0; i < texts.size(); ++i)
            if (texts[i].compare(typed, Qt::CaseInsensitive) == 0)
                return static_cast<int>(i);
        return std::nullopt;
    };
    const auto word = [](std::optional<int> value) -> std::optional<quint16> {
        return value ? std::optional(static_cast<quint16>(*value)) : std::nullopt;
    };
    switch (codec.Kind) {
    case TCodecKind::Combo:
    case TCodecKind::WeekLevels:
        if (const auto index = byText(ListOf(row, reg)))
            return static_cast<quint16>(*index - codec.Offset);
        return std::nullopt;
    case TCodecKind::ComboByText:
        return byText(ListOf(row, reg)) ? std::optional(static_cast<quint16>(TakeInteger(typed).Value)) : std::nullopt;
    case TCodecKind::Flag:
        return word(byText({QStringLiteral("off"), QStringLiteral("on")}));
    case TCodecKind::AutoManual:
        return word(byText({QStringLiteral("A"), QStringLiteral("M")}));
    case TCodecKind::Choice2:
    case TCodecKind::Choice2One:
    case TCodecKind::Choice4:
        return word(byText(ChoiceCaptions(row)));
    case TCodecKind::StageCount:
        if (const auto index = byText({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}))
            return static_cast<quint16>(*index + 1);
        return std::nullopt;
    case TCodecKind::Bits:
    case TCodecKind::TaggedBits:
    case TCodecKind::BitPairs:
        return TakeMask(typed, MaskBits(row));
    case TCodecKind::WeekTimes: {
        const TTimeTake time = TakeTimeOfDay(typed);
        return time.Ok() ? std::optional(time.Minutes) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

}  // namespace

TTextTake TakeText(const TParameterRow &row, int reg, QStringView text, const QString &name)
{
    if (Traits(row.CodecOf(reg).Kind).Control == TControlKind::Edit) {
        const TEditTake take = TakeTyped(row, reg, WithoutUnit(text, row.UnitOf(reg)));
        if (take.Ok())
            return {take.Word, {}};
        if (take.Result == TEditTake::Malformed)
            return {std::nullopt, QStringLiteral("%1: %2; it takes %3").arg(name, take.Error, Allowed(row, reg))};
        return {std::nullopt,
                QStringLiteral("%1: '%2' is out of range; it takes %3").arg(name, Excerpt(text), Allowed(row, reg))};
    }
    const QString typed = text.trimmed().toString();
    if (const auto word = TakeShown(row, reg, typed))
        return {word, {}};
    // A word as a configuration file holds it, when the control can show it: the window could
    // have written it.
    if (const auto word = TakeFileWord(typed); word && TakeShown(row, reg, ControlText(row, reg, *word)) == word)
        return {word, {}};
    return {std::nullopt, QStringLiteral("%1 takes %2, not '%3'").arg(name, Allowed(row, reg), Excerpt(text))};
}

QString MaskChange(const TParameterRow &row, int reg, quint16 before, quint16 after)
{
    const int bits = MaskBits(row);
    if (bits == 0 || reg != 0)
        return {};
    const quint16 named = static_cast<quint16>((1u << bits) - 1);
    QStringList parts;
    if (const quint16 added = after & ~before & named)
        parts.append(MaskText(added, bits) + QStringLiteral(" added"));
    if (const quint16 removed = before & ~after & named)
        parts.append(MaskText(removed, bits) + QStringLiteral(" removed"));
    return parts.join(QStringLiteral(", "));
}

QString FloatText(float value)
{
    // The float's shortest decimal digits, not those of the double it widens to: 19.3f shows
    // "19.3", not "19.2999992370605".
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (written.ec != std::errc())
        return QStringLiteral("0.0");
    const std::string_view digits(buffer, static_cast<size_t>(written.ptr - buffer));
    if (digits.find_first_of("eni") != std::string_view::npos) {
        // An exponent (or no number at all): the tool's general text lays it out, from the
        // double nearest to those digits.
        double shortest = 0.0;
        if (std::from_chars(buffer, written.ptr, shortest).ec != std::errc() || !std::isfinite(shortest))
            return QStringLiteral("0.0");
        return ::FloatText(shortest);
    }
    if (value == 0.0f)
        return QStringLiteral("0");  // never "-0"
    QString text = QString::fromLatin1(digits.data(), static_cast<qsizetype>(digits.size()));
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        const QString separator = QLocale().decimalPoint();
        if (separator != QLatin1String("."))
            text.replace(point, 1, separator);
    }
    return text;
}

QString RoundedText(float value, int decimals)
{
    constexpr double kLargest = 1.0e6;
    if (!std::isfinite(value) || std::fabs(value) >= kLargest)
        return FloatText(value);
    const double scale = std::pow(10.0, decimals);
    // Rounded from the float's shortest digits, the number the board meant: 2.675f is
    // 2.67499995 as a double, which would round down to 2.67.
    double shortest = value;
    char buffer[32];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, value);
    if (written.ec == std::errc())
        std::from_chars(buffer, written.ptr, shortest);
    double rounded = std::round(shortest * scale) / scale;
    if (rounded == 0.0)
        rounded = 0.0;  // never "-0.0"
    QString text = QString::number(rounded, 'f', decimals);
    if (decimals > 0) {
        const QString separator = QLocale().decimalPoint();
        if (separator != QLatin1String("."))
            text.replace(text.size() - decimals - 1, 1, separator);
    }
    return text;
}

QString ReadingNumber(const TReading &reading)
{
    if (!reading.Valid)
        return reading.InvalidText;
    return RoundedText(reading.Value, reading.Decimals);
}

QString ReadingText(const TReading &reading)
{
    return reading.Valid ? WithUnit(ReadingNumber(reading), reading.Unit) : reading.InvalidText;
}

}  // namespace values
