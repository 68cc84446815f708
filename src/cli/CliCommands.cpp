// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliCommands.h"

#include "cli/CliBoard.h"
#include "cli/CliScan.h"
#include "cli/StopSignals.h"
#include "common/NumberText.h"
#include "config/ConfigChains.h"
#include "config/ConfigCompare.h"
#include "config/ConfigFile.h"
#include "config/DefinitionFile.h"
#include "config/ReadPlan.h"
#include "config/TransferRows.h"
#include "config/Units.h"
#include "monitor/LiveDecoders.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

namespace {

// "21.5 °C" from "21.5" and "°C"; the text alone when there is no unit.
QString WithUnit(const QString &text, const QString &unit)
{
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

// What a command prints: named values, shown as "name: value" lines or as one JSON object.
class TReport
{
public:
    explicit TReport(bool json) : m_json(json) {}

    // A value in the unit the window shows beside it: after the number in text, and in the
    // object's "Units" in JSON.
    void Add(const QString &name, const QJsonValue &value, const QString &unit = {})
    {
        m_fields.append({name, value});
        if (!unit.isEmpty())
            m_units.insert(name, unit);
    }

    QJsonObject Object() const
    {
        QJsonObject object;
        for (const auto &[name, value] : m_fields)
            object.insert(name, value);
        if (!m_units.isEmpty())
            object.insert(QStringLiteral("Units"), m_units);
        return object;
    }

    void Print(std::FILE *out) const
    {
        if (m_json) {
            PrintLine(Object(), out);
            return;
        }
        for (const auto &[name, value] : m_fields) {
            if (value.isArray()) {
                for (const QJsonValue &line : value.toArray())
                    std::fprintf(out, "%s\n", qPrintable(Text(line)));
            } else {
                const QString unit = m_units.value(name).toString();
                std::fprintf(out, "%s: %s\n", qPrintable(name),
                             qPrintable(WithUnit(Text(value), value.isNull() ? QString() : unit)));
            }
        }
    }

    static void PrintLine(const QJsonObject &object, std::FILE *out)
    {
        std::fputs(QJsonDocument(object).toJson(QJsonDocument::Compact).constData(), out);
        std::fputs("\n", out);
        std::fflush(out);
    }

private:
    static QString Text(const QJsonValue &value)
    {
        switch (value.type()) {
        case QJsonValue::Bool:
            return value.toBool() ? QStringLiteral("on") : QStringLiteral("off");
        case QJsonValue::Double:
            return QString::number(value.toDouble());
        case QJsonValue::Null:
            return QStringLiteral("invalid");
        case QJsonValue::Object: {
            QStringList parts;
            const QJsonObject object = value.toObject();
            for (auto it = object.begin(); it != object.end(); ++it)
                parts << it.key() + QLatin1Char('=') + Text(it.value());
            return parts.join(QLatin1Char(' '));
        }
        default:
            return value.toString();
        }
    }

    bool m_json;
    QList<std::pair<QString, QJsonValue>> m_fields;
    QJsonObject m_units;
};

TExitStatus Complain(std::FILE *err, TExitStatus status, const QString &message)
{
    std::fprintf(err, "z4ctl: %s\n", qPrintable(message));
    return status;
}

// A live value as the window shows it: its number, or null when the board marks it invalid.
QJsonValue Shown(const live::ShownValue &value)
{
    bool ok = false;
    const double number = value.Text.toDouble(&ok);
    return value.Valid && ok ? QJsonValue(number) : QJsonValue();
}

bool LoadDefinition(const TCliOptions &options, TConfigImages &images, QString *error)
{
    images.DefinitionPath = options.DefinitionPath.isEmpty() ? StandardDefinitionPath() : options.DefinitionPath;
    return ReadDefinitionFile(images.DefinitionPath, images, error);
}

// The registers in which two images differ, each named by its file key with both values.
QJsonArray Differences(const TConfigImages &left, const TConfigImages &right, qint32 count, const QString &leftName,
                       const QString &rightName, bool json)
{
    QJsonArray list;
    for (const TShownDifference &d : ShownDifferences(left.FileImage, right.FileImage, count)) {
        if (json) {
            QJsonObject difference{{QStringLiteral("section"), d.Section},
                                   {QStringLiteral("key"), d.Key},
                                   {leftName, d.Left},
                                   {rightName, d.Right}};
            if (!d.Unit.isEmpty())
                difference.insert(QStringLiteral("unit"), d.Unit);
            list.append(difference);
        } else {
            list.append(d.Line(leftName, rightName));
        }
    }
    return list;
}

// Whether two configurations are equal, and the registers in which they differ.
void AddVerdict(TReport &report, const QJsonArray &differences, bool json)
{
    if (json) {
        report.Add(QStringLiteral("Equal"), differences.isEmpty());
    } else {
        report.Add(QStringLiteral("Result"), differences.isEmpty()
                                                 ? QStringLiteral("equal")
                                                 : DifferingRegisters(static_cast<size_t>(differences.size())));
    }
    report.Add(QStringLiteral("Differences"), differences);
}

// One poll cycle of the board decoded into report; false, with the board's Error(), when a read
// got no answer.
bool ReadStatus(TCliBoard &board, bool json, TReport &report)
{
    const auto read = [&](const live::BlockRead &block) { return board.Read(block.Start, block.Count); };

    const auto status = read(live::kStatusRead);
    const auto columnA = status ? read(live::kColumnARead) : std::nullopt;
    const auto mode = columnA ? read(live::kRegulationModeRead) : std::nullopt;
    const auto recovery = mode ? read(live::kHeatRecoveryRead) : std::nullopt;
    const auto diagnostics = recovery ? read(live::kDiagnosticsRead) : std::nullopt;
    const auto version = diagnostics ? read(live::kVersionRead) : std::nullopt;
    if (!version)
        return false;
    // The client hands on only answers that carry the registers asked for, so every block decodes.
    const live::StatusBlock s = *live::DecodeStatusBlock(status->Registers);
    const live::ColumnABlock a = *live::DecodeColumnABlock(columnA->Registers);
    const live::HeatRecoveryBlock h = *live::DecodeHeatRecoveryBlock(recovery->Registers);
    const live::DiagnosticsBlock g = *live::DecodeDiagnosticsBlock(diagnostics->Registers);
    const live::VersionBlock v = *live::DecodeVersionBlock(version->Registers);
    QJsonValue series;
    if (v.HasSeries) {
        const auto answer = read(live::kSeriesRead);
        if (!answer)
            return false;
        series = live::DecodeSeries(answer->Registers)->mid(QStringLiteral("Series: ").size()).toInt();
    }

    report.Add(QStringLiteral("Date"), s.Date);
    report.Add(QStringLiteral("Time"), s.Time);
    report.Add(QStringLiteral("Day"), s.Day);
    report.Add(QStringLiteral("Version"), v.VersionPanel.mid(QStringLiteral("Version: ").size()));
    report.Add(QStringLiteral("Board No."), v.BoardPanel.mid(QStringLiteral("Board No.: ").size()).toInt());
    report.Add(QStringLiteral("Series"), series);
    for (int i = 0; i < static_cast<int>(s.Inputs.size()); ++i) {
        const QString unit = units::InputUnit(i + 1);
        report.Add(QStringLiteral("AIN%1").arg(i + 1), Shown(s.Inputs[static_cast<size_t>(i)]), unit);
        report.Add(QStringLiteral("AIN%1 A").arg(i + 1), Shown(a.Inputs[static_cast<size_t>(i)]), unit);
    }
    for (int i = 0; i < static_cast<int>(s.Outputs.size()); ++i) {
        const QString unit = units::OutputUnit(i + 1);
        report.Add(QStringLiteral("AOUT%1").arg(i + 1), Shown(s.Outputs[static_cast<size_t>(i)]), unit);
        report.Add(QStringLiteral("AOUT%1 A").arg(i + 1), Shown(a.Outputs[static_cast<size_t>(i)]), unit);
    }
    for (int i = 0; i < 8; ++i)
        report.Add(QStringLiteral("DIN%1").arg(i + 1), s.DigitalInput(i));
    for (int i = 0; i < 11; ++i)
        report.Add(QStringLiteral("DOUT%1").arg(i + 1), s.DigitalOutput(i));
    for (size_t i = 0; i < s.Pressures.size(); ++i)
        report.Add(QStringLiteral("Pressure %1").arg(i + 1), Shown(s.Pressures[i]), units::kPascals);
    for (size_t i = 0; i < s.AirFlows.size(); ++i)
        report.Add(QStringLiteral("Air flow %1").arg(i + 1), Shown(s.AirFlows[i]), units::kCubicMetresPerHour);
    report.Add(QStringLiteral("Fan speed"), s.FanSpeed.toInt());
    report.Add(QStringLiteral("Supply ventilation"), s.SupplyVentilation);
    report.Add(QStringLiteral("Exhaust ventilation"), s.ExhaustVentilation);
    report.Add(QStringLiteral("Auto"), s.Auto);
    report.Add(QStringLiteral("Running"), s.Running);
    report.Add(QStringLiteral("Winter"), s.Winter);
    report.Add(QStringLiteral("Hearth"), s.Hearth);
    report.Add(QStringLiteral("Hearth minutes"), s.HearthMinutes.toInt());
    report.Add(QStringLiteral("Regulation mode"), *live::DecodeRegulationMode(mode->Registers));
    report.Add(QStringLiteral("Stop code"), s.StopCode);
    QStringList causes;
    for (int i = 0; i < 8; ++i) {
        if (s.StopFlags >> i & 1)
            causes.append(QStringLiteral("DIN%1").arg(i + 1));
    }
    for (int i = 0; i < 10; ++i) {
        const bool stopped = i < 8 ? (s.StopFlags >> (8 + i) & 1) != 0 : (s.PressureStopFlags >> (i - 8) & 1) != 0;
        if (stopped)
            causes.append(QStringLiteral("AIN%1").arg(i + 1));
    }
    if (json)
        report.Add(QStringLiteral("Stop causes"), QJsonArray::fromStringList(causes));
    else
        report.Add(QStringLiteral("Stop causes"),
                   causes.isEmpty() ? QStringLiteral("none") : causes.join(QLatin1Char(' ')));
    report.Add(QStringLiteral("Recovery temperature"), Shown(h.Temperature));
    report.Add(QStringLiteral("Rotor power"), Shown(h.RotorPower));
    report.Add(QStringLiteral("Rotor state"), h.RotorState);
    report.Add(QStringLiteral("Rotor control state"), h.RotorControlState);
    report.Add(QStringLiteral("Recovery heating"), h.Heating);
    report.Add(QStringLiteral("Recovery cooling"), h.Cooling);
    report.Add(QStringLiteral("Control source"), h.ControlSource ? QJsonValue(*h.ControlSource) : QJsonValue());
    report.Add(QStringLiteral("Recovery control state"), h.RecoveryControlState);
    report.Add(QStringLiteral("Control status"), h.ControlStatus);
    for (size_t i = 0; i < g.Values.size(); ++i)
        report.Add(QStringLiteral("Diagnostic %1").arg(i + 1), g.Values[i]);
    return true;
}

TExitStatus Status(TCliBoard &board, const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    TReport report(options.Json);
    if (!ReadStatus(board, options.Json, report))
        return Complain(err, board.ErrorStatus(), board.Error());
    report.Print(out);
    return kExitDone;
}

// status every period, one JSON object a line (without the units) stamped with the computer's
// time. A cycle without an answer gives a line with its error (and the message on stderr), and the
// watch goes on, opening the line again when it was lost. Ends after Count cycles or on SIGINT or
// SIGTERM; the exit status is the last cycle's.
TExitStatus Watch(TCliBoard &board, const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    TStopSignals stop;
    QDeadlineTimer next(0);
    bool answered = false;
    for (int cycle = 0; options.Count == 0 || cycle < options.Count; ++cycle) {
        if (!stop.WaitUntil(next))
            break;
        // The next cycle a period after this one began, or at once when this one overruns it.
        next = QDeadlineTimer(std::chrono::seconds(options.PeriodS));
        const QDateTime at = QDateTime::currentDateTime();
        TReport report(true);
        answered = (board.Connected() || board.Open()) && ReadStatus(board, true, report);
        QJsonObject line = answered ? report.Object() : QJsonObject{{QStringLiteral("Error"), board.Error()}};
        // The units are status --json's; a line a second need not repeat them.
        line.remove(QStringLiteral("Units"));
        line.insert(QStringLiteral("Read at"), at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs));
        TReport::PrintLine(line, out);
        if (!answered)
            Complain(err, board.ErrorStatus(), QStringLiteral("%1: %2").arg(at.toString(u"HH:mm:ss"), board.Error()));
        if (stop.Requested())
            break;
    }
    return answered ? kExitDone : kExitLink;
}

TExitStatus Save(TCliBoard &board, TConfigImages &images, const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    if (!board.ReadVersion())
        return Complain(err, board.ErrorStatus(), board.Error());
    images.ActiveItemCount = images.ItemsFor(board.Model().Live().FirmwareRev12);
    if (!board.ReadConfiguration(images))
        return Complain(err, board.ErrorStatus(), board.Error());
    const QString &fileName = options.Arguments[0];
    QString why;
    if (!WriteConfigFile(fileName, images, &why))
        return Complain(err, kExitUsage, why);
    TReport report(options.Json);
    report.Add(QStringLiteral("Saved"), fileName);
    report.Add(QStringLiteral("Items"), images.ActiveItemCount);
    report.Print(out);
    return kExitDone;
}

// Reads the board's version, then the file for that board's walk.
TExitStatus ReadFileFor(TCliBoard &board, TConfigImages &images, const QString &fileName, std::FILE *err)
{
    if (!board.ReadVersion())
        return Complain(err, board.ErrorStatus(), board.Error());
    QString why;
    if (!ReadConfigFile(fileName, images, board.Model().Live().FirmwareRev12, &why))
        return Complain(err, kExitUsage, why);
    return kExitDone;
}

// The board read into images.BoardImage and compared with images.FileImage.
TExitStatus CompareWithBoard(TCliBoard &board, TConfigImages &images, TReport &report, bool json, std::FILE *out,
                             std::FILE *err)
{
    if (!board.ReadConfiguration(images))
        return Complain(err, board.ErrorStatus(), board.Error());
    TConfigImages boardSide = images;
    boardSide.FileImage = images.BoardImage;
    const QJsonArray differences =
        Differences(boardSide, images, images.ActiveItemCount, QStringLiteral("board"), QStringLiteral("file"), json);
    report.Add(QStringLiteral("Items"), images.ActiveItemCount);
    AddVerdict(report, differences, json);
    report.Print(out);
    return differences.isEmpty() ? kExitDone : kExitDifferent;
}

TExitStatus Verify(TCliBoard &board, TConfigImages &images, const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    if (const TExitStatus status = ReadFileFor(board, images, options.Arguments[0], err); status != kExitDone)
        return status;
    TReport report(options.Json);
    return CompareWithBoard(board, images, report, options.Json, out, err);
}

// The values of the file's walk that the window's edits would refuse, one line each; empty when
// there are none.
QStringList OutsideLimits(const TConfigImages &images)
{
    QStringList lines;
    for (const TValueOutsideLimits &v : ValuesOutsideLimits(images.FileImage, images.ActiveItemCount)) {
        const ConfigItem &item = images.FileImage[static_cast<size_t>(v.Item)];
        lines.append(QStringLiteral("[%1] %2: %3 is outside what its edit takes (%4)")
                         .arg(item.Section, ConfigKey(item, v.Register), v.Text, v.Accepts));
    }
    return lines;
}

TExitStatus Load(TCliBoard &board, TConfigImages &images, const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    if (const TExitStatus status = ReadFileFor(board, images, options.Arguments[0], err); status != kExitDone)
        return status;
    // A board's own save may hold such values (factory values, another tool): --force restores them.
    const QStringList outside = OutsideLimits(images);
    if (!outside.isEmpty() && !options.Force)
        return Complain(err, kExitUsage,
                        QStringLiteral("%1 holds values outside the limits of their edits:\n%2\nNothing was "
                                       "written; load --force writes them as they are.")
                            .arg(options.Arguments[0], outside.join(QLatin1Char('\n'))));
    {
        // Ctrl+C or SIGTERM ends the writes after the one on the line.
        TStopSignals stop;
        if (!board.WriteConfiguration(images, [&stop] { return stop.Requested(); }))
            return Complain(err, board.ErrorStatus(), board.Error());
    }
    // A slave address other than the line's stays as the board holds it (see MovesSlaveAddress);
    // the verify below names it.
    const auto active =
        images.FileImage.cbegin() + std::min<qsizetype>(images.ActiveItemCount, images.FileImage.size());
    const auto kept = std::count_if(images.FileImage.cbegin(), active, [&options](const ConfigItem &item) {
        return MovesSlaveAddress(item, options.Line->Unit);
    });
    TReport report(options.Json);
    report.Add(QStringLiteral("Written"), images.ActiveItemCount - static_cast<int>(kept));
    return CompareWithBoard(board, images, report, options.Json, out, err);
}

TExitStatus Diff(TConfigImages &definition, const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    std::array<TConfigImages, 2> files{definition, definition};
    for (size_t i = 0; i < files.size(); ++i) {
        QString why;
        // A file is read as for a board with the extended set: it gives the walk itself.
        if (!ReadConfigFile(options.Arguments[static_cast<qsizetype>(i)], files[i], true, &why))
            return Complain(err, kExitUsage, why);
    }
    const qint32 count = std::min(files[0].ActiveItemCount, files[1].ActiveItemCount);
    if (files[0].ActiveItemCount != files[1].ActiveItemCount)
        std::fprintf(err, "z4ctl: one file holds only the base set: the first %d items are compared\n", count);
    const QJsonArray differences =
        Differences(files[0], files[1], count, QStringLiteral("a"), QStringLiteral("b"), options.Json);
    TReport report(options.Json);
    report.Add(QStringLiteral("Items"), count);
    AddVerdict(report, differences, options.Json);
    report.Print(out);
    return differences.isEmpty() ? kExitDone : kExitDifferent;
}

// A parameter named by its file key: one register of one configuration item.
struct TKeyPlace
{
    QString Key;  // Section.Key as the definition spells it
    int Item;
    int Register;
    quint16 Address;
};

// The register that key (Section.Key, in any case, as in the files) names among the items of the
// transfer table; nothing for a key the definition does not have.
std::optional<TKeyPlace> FindKey(const TConfigImages &images, const QString &key)
{
    const size_t items = std::min(images.FileImage.size(), TransferRows().size());
    for (size_t i = 0; i < items; ++i) {
        const ConfigItem &item = images.FileImage[i];
        for (int k = 0; k < item.Registers; ++k) {
            const QString name = item.Section + QLatin1Char('.') + ConfigKey(item, k);
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return TKeyPlace{name, static_cast<int>(i), k, static_cast<quint16>(item.FirstRegister + k)};
        }
    }
    return std::nullopt;
}

// The word the window's edit of place would write for text, checked by its rules and limits;
// nothing, with *why saying what is wrong and what the edit accepts, otherwise.
std::optional<quint16> TakeValue(const TKeyPlace &place, const QString &text, QString *why)
{
    const TParameterRow &row = TransferRows()[static_cast<size_t>(place.Item)];
    const TCodecKind kind = row.CodecOf(place.Register).Kind;
    const bool edited = std::any_of(kEditedItems.cbegin(), kEditedItems.cend(), [&](const auto &run) {
        return place.Item >= run.first && place.Item <= run.second;
    });
    if (!edited || Traits(kind).Control != TControlKind::Edit) {
        *why = QStringLiteral("%1 is not written through an edit in the window; set leaves it alone").arg(place.Key);
        return std::nullopt;
    }
    const TLimits limits = row.LimitsOf(place.Register);
    const QString range =
        QStringLiteral("it takes %1 .. %2")
            .arg(*EditText(kind, static_cast<quint16>(limits.Min)), *EditText(kind, static_cast<quint16>(limits.Max)));
    TNumberTake take;
    if (kind == TCodecKind::TimeOfDay) {
        const TTimeTake time = TakeTimeOfDay(text);
        if (!time.Ok()) {
            *why = QStringLiteral("%1: %2; %3").arg(place.Key, time.Error, range);
            return std::nullopt;
        }
        take = {TTakeStatus::Ok, time.Minutes};
    } else {
        take = TakeEditText(kind, text);
        if (take.Status == TTakeStatus::NotANumber) {
            *why = QStringLiteral("%1: %2; %3")
                       .arg(place.Key, TakeErrorMessage(take.Status, text, TakesWholeNumbers(kind)), range);
            return std::nullopt;
        }
    }
    // The typed value is checked, not the word it would leave.
    if (!take.Ok() || !limits.Contains(take.Value)) {
        *why = QStringLiteral("%1: '%2' is out of range; %3").arg(place.Key, Excerpt(text), range);
        return std::nullopt;
    }
    return static_cast<quint16>(take.Value);
}

// The places of keys, all known; the first unknown one is named in the exit.
TExitStatus FindKeys(const TConfigImages &images, const QStringList &keys, std::vector<TKeyPlace> &places,
                     std::FILE *err)
{
    for (const QString &key : keys) {
        const auto place = FindKey(images, key);
        if (!place)
            return Complain(err, kExitUsage,
                            QStringLiteral("unknown key '%1' (keys are Section.Key, e.g. Settings.SupplySetPoint)")
                                .arg(Excerpt(key)));
        places.push_back(*place);
    }
    return kExitDone;
}

// The board's version read, and every place among the items its firmware has.
TExitStatus CheckOnBoard(TCliBoard &board, const TConfigImages &images, const std::vector<TKeyPlace> &places,
                         std::FILE *err)
{
    if (!board.ReadVersion())
        return Complain(err, board.ErrorStatus(), board.Error());
    const qint32 items = images.ItemsFor(board.Model().Live().FirmwareRev12);
    for (const TKeyPlace &place : places) {
        if (place.Item >= items)
            return Complain(err, kExitUsage,
                            QStringLiteral("%1 belongs to the extended set, which this board's firmware does not have")
                                .arg(place.Key));
    }
    return kExitDone;
}

// place's register read and shown as its control shows it.
std::optional<QString> ReadShown(TCliBoard &board, const TKeyPlace &place)
{
    const auto answer = board.Read(place.Address, 1);
    if (!answer)
        return std::nullopt;
    return RegisterText(place.Item, place.Register, answer->Registers.at(0));
}

// The registers places name, by address: runs of consecutive registers read at once (at most
// kMaxReadRegisters a read, never a register no key names). A run the board refuses is read a
// register at a time, said once on err; nothing when a read fails otherwise.
std::optional<QHash<quint16, quint16>> ReadKeys(TCliBoard &board, const std::vector<TKeyPlace> &places, std::FILE *err)
{
    std::vector<quint16> addresses;
    for (const TKeyPlace &place : places)
        addresses.push_back(place.Address);
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    QHash<quint16, quint16> words;
    bool told = false;
    for (size_t first = 0, end = 0; first < addresses.size(); first = end) {
        end = first + 1;
        while (end < addresses.size() && addresses[end] == addresses[end - 1] + 1 && end - first < kMaxReadRegisters)
            ++end;
        const auto count = static_cast<quint16>(end - first);
        if (const auto answer = board.Read(addresses[first], count)) {
            for (size_t k = first; k < end; ++k)
                words.insert(addresses[k], answer->Registers.at(static_cast<qsizetype>(k - first)));
            continue;
        }
        if (count == 1 || !board.Refused())
            return std::nullopt;
        if (!std::exchange(told, true))
            std::fprintf(err, "z4ctl: %s: read one register per request\n", qPrintable(board.Error()));
        for (size_t k = first; k < end; ++k) {
            const auto answer = board.Read(addresses[k], 1);
            if (!answer)
                return std::nullopt;
            words.insert(addresses[k], answer->Registers.at(0));
        }
    }
    return words;
}

TExitStatus Get(TCliBoard &board, const TConfigImages &images, const std::vector<TKeyPlace> &places,
                const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    if (const TExitStatus status = CheckOnBoard(board, images, places, err); status != kExitDone)
        return status;
    const auto words = ReadKeys(board, places, err);
    if (!words)
        return Complain(err, board.ErrorStatus(), board.Error());
    TReport report(options.Json);
    for (const TKeyPlace &place : places)
        report.Add(place.Key, RegisterText(place.Item, place.Register, words->value(place.Address)),
                   RegisterUnit(place.Item, place.Register));
    report.Print(out);
    return kExitDone;
}

// One value of set: where it goes and the word checked for it.
struct TSetting
{
    TKeyPlace Place;
    quint16 Word;
};

// Every KEY=VALUE of options taken; nothing is written unless all of them are sound.
TExitStatus TakeSettings(const TConfigImages &images, const TCliOptions &options, std::vector<TSetting> &settings,
                         std::FILE *err)
{
    for (const QString &argument : options.Arguments) {
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (equals < 0)
            return Complain(err, kExitUsage, QStringLiteral("'%1' is not KEY=VALUE").arg(Excerpt(argument)));
        std::vector<TKeyPlace> place;
        if (const TExitStatus status = FindKeys(images, {argument.left(equals)}, place, err); status != kExitDone)
            return status;
        QString why;
        const auto word = TakeValue(place.front(), argument.mid(equals + 1), &why);
        if (!word)
            return Complain(err, kExitUsage, why + QStringLiteral(". Nothing was written."));
        settings.push_back({place.front(), *word});
    }
    return kExitDone;
}

TExitStatus Set(TCliBoard &board, const TConfigImages &images, const std::vector<TSetting> &settings,
                const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    std::vector<TKeyPlace> places;
    for (const TSetting &setting : settings)
        places.push_back(setting.Place);
    if (const TExitStatus status = CheckOnBoard(board, images, places, err); status != kExitDone)
        return status;
    TReport report(options.Json);
    QStringList written;
    for (const TSetting &setting : settings) {
        const bool taken = board.Write(setting.Place.Address, setting.Word);
        if (taken)
            written.append(setting.Place.Key);
        const auto shown = taken ? ReadShown(board, setting.Place) : std::nullopt;
        if (!shown)
            return Complain(err, board.ErrorStatus(),
                            QStringLiteral("%1: %2\nWritten: %3")
                                .arg(setting.Place.Key, board.Error(),
                                     written.isEmpty() ? QStringLiteral("nothing") : written.join(QLatin1Char(' '))));
        report.Add(setting.Place.Key, *shown, RegisterUnit(setting.Place.Item, setting.Place.Register));
    }
    report.Print(out);
    return kExitDone;
}

}  // namespace

TExitStatus RunCommand(const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    const QString &command = options.Command;
    if (command == QLatin1String("scan"))
        return RunScan(options, out, err);
    TConfigImages images;
    if (command != QLatin1String("status") && command != QLatin1String("watch")) {
        QString why;
        if (!LoadDefinition(options, images, &why))
            return Complain(err, kExitUsage, why);
    }
    if (command == QLatin1String("diff"))
        return Diff(images, options, out, err);
    // Keys and values are checked before the line is opened.
    std::vector<TKeyPlace> places;
    std::vector<TSetting> settings;
    const TExitStatus checked = command == QLatin1String("get")   ? FindKeys(images, options.Arguments, places, err)
                                : command == QLatin1String("set") ? TakeSettings(images, options, settings, err)
                                                                  : kExitDone;
    if (checked != kExitDone)
        return checked;
    // So is the file a save would write.
    if (QString why; command == QLatin1String("save") && !CanWriteConfigFile(options.Arguments[0], &why))
        return Complain(err, kExitUsage, why);

    TCliBoard board(*options.Line);
    if (!board.Open())
        return Complain(err, board.ErrorStatus(), board.Error());
    if (command == QLatin1String("status"))
        return Status(board, options, out, err);
    if (command == QLatin1String("watch"))
        return Watch(board, options, out, err);
    if (command == QLatin1String("save"))
        return Save(board, images, options, out, err);
    if (command == QLatin1String("verify"))
        return Verify(board, images, options, out, err);
    if (command == QLatin1String("get"))
        return Get(board, images, places, options, out, err);
    if (command == QLatin1String("set"))
        return Set(board, images, settings, options, out, err);
    return Load(board, images, options, out, err);
}
