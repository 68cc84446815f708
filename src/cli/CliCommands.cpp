// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliCommands.h"

#include "cli/CliBoard.h"
#include "cli/CliRecord.h"
#include "cli/CliScan.h"
#include "cli/StopSignals.h"
#include "common/NumberText.h"
#include "config/ConfigChains.h"
#include "config/ConfigCompare.h"
#include "config/ConfigFile.h"
#include "config/DefinitionFile.h"
#include "config/EditRule.h"
#include "config/ReadPlan.h"
#include "config/TransferRows.h"
#include "config/Units.h"
#include "config/ValueText.h"
#include "monitor/LiveDecoders.h"
#include "report/ReportData.h"
#include "report/ReportDocument.h"

#include <QDateTime>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

namespace {

// "21.5 °C" from "21.5" and "°C"; the text alone when there is no unit.
QString WithUnit(const QString &text, const QString &unit)
{
    return unit.isEmpty() ? text : text + QLatin1Char(' ') + unit;
}

// The key of a named value in JSON: its name in small letters, words joined by "_" ("Board No."
// is "board_no", "AIN1 A" is "ain1_a").
QString JsonKey(const QString &name)
{
    QString key;
    bool gap = false;
    for (const QChar c : name) {
        if (!c.isLetterOrNumber()) {
            gap = true;
            continue;
        }
        if (gap && !key.isEmpty())
            key += QLatin1Char('_');
        key += c.toLower();
        gap = false;
    }
    return key;
}

// What a command prints: named values, shown as "name: value" lines or as one JSON object.
class TReport
{
public:
    explicit TReport(bool json) : m_json(json) {}

    // A value in the unit the window shows beside it: after the number in text, and in the
    // object's "units" in JSON, under the name's JSON key.
    void Add(const QString &name, const QJsonValue &value, const QString &unit = {})
    {
        m_fields.append({name, JsonKey(name), value, unit});
    }
    // A parameter's value under its file key, in text and JSON alike, as the window shows it;
    // JSON has the word too, as the files hold it, in the object's "words".
    void AddParameter(const QString &key, const QString &text, const QString &unit, quint16 word)
    {
        m_fields.append({key, key, text, unit});
        m_words.insert(key, static_cast<qint16>(word));
    }
    // A live reading: its text with the unit, or in JSON its number (null when invalid) with the
    // unit in "units".
    void AddReading(const QString &name, const live::ShownValue &reading)
    {
        if (!m_json) {
            m_fields.append({name, JsonKey(name), values::ReadingText(reading), {}});
            return;
        }
        const double scale = std::pow(10.0, reading.Decimals);
        const QJsonValue number =
            reading.Valid ? QJsonValue(std::round(static_cast<double>(reading.Value) * scale) / scale) : QJsonValue();
        m_fields.append({name, JsonKey(name), number, reading.Unit});
    }

    QJsonObject Object() const
    {
        QJsonObject object;
        QJsonObject units;
        for (const TField &field : m_fields) {
            object.insert(field.Key, field.Value);
            if (!field.Unit.isEmpty())
                units.insert(field.Key, field.Unit);
        }
        if (!units.isEmpty())
            object.insert(QStringLiteral("units"), units);
        if (!m_words.isEmpty())
            object.insert(QStringLiteral("words"), m_words);
        return object;
    }

    void Print(std::FILE *out) const
    {
        if (m_json) {
            PrintLine(Object(), out);
            return;
        }
        for (const TField &field : m_fields) {
            if (field.Value.isArray()) {
                for (const QJsonValue &line : field.Value.toArray())
                    std::fprintf(out, "%s\n", qPrintable(Text(line)));
            } else {
                std::fprintf(out, "%s: %s\n", qPrintable(field.Name),
                             qPrintable(WithUnit(Text(field.Value), field.Value.isNull() ? QString() : field.Unit)));
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
    struct TField
    {
        QString Name;  // as the text shows it
        QString Key;   // in JSON
        QJsonValue Value;
        QString Unit;
    };

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
    QList<TField> m_fields;
    QJsonObject m_words;
};

}  // namespace

// One run of a command: its options, where its results and messages go, the definition and the
// line it works with, and what a failure says was done.
class TRun
{
public:
    TRun(const TCliOptions &options, const TCommand &command, std::FILE *out, std::FILE *err)
        : Options(options), Command(command), Out(out), Err(err)
    {
    }

    const TCliOptions &Options;
    const TCommand &Command;
    std::FILE *const Out;
    std::FILE *const Err;
    TConfigImages Images;
    // What the JSON object of a failure says was done besides its error ("written").
    QJsonObject Done;
    // The failure has been written to Out already (a watch line).
    bool FailureShown = false;

    // message on Err; status is the run's.
    TExitStatus Fail(TExitStatus status, const QString &message)
    {
        std::fprintf(Err, "z4ctl: %s\n", qPrintable(message));
        m_error = message;
        m_status = status;
        return status;
    }
    // The board's last failure, as Fail.
    TExitStatus BoardFailed() { return Fail(m_board->ErrorStatus(), m_board->Error()); }
    QString Error() const { return m_error; }
    TExitStatus Status() const { return m_status; }

    // Opens the line of the options; nothing when it does not come up, after Fail.
    TCliBoard *OpenLine()
    {
        m_board.emplace(*Options.Line);
        if (m_board->Open())
            return &*m_board;
        BoardFailed();
        return nullptr;
    }

private:
    std::optional<TCliBoard> m_board;
    QString m_error;
    TExitStatus m_status = kExitDone;
};

namespace {

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
            // The words as the files hold them, and the texts the window shows.
            QJsonObject difference{
                {QStringLiteral("section"), d.Section},       {QStringLiteral("key"), d.Key},
                {leftName, static_cast<qint16>(d.LeftWord)},  {rightName, static_cast<qint16>(d.RightWord)},
                {leftName + QStringLiteral("_text"), d.Left}, {rightName + QStringLiteral("_text"), d.Right}};
            if (!d.Unit.isEmpty())
                difference.insert(QStringLiteral("unit"), d.Unit);
            if (!d.Change.isEmpty())
                difference.insert(QStringLiteral("change"), d.Change);
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
        series = answer->Registers.at(0);
    }

    report.Add(QStringLiteral("Date"), s.Date);
    report.Add(QStringLiteral("Time"), s.Time);
    report.Add(QStringLiteral("Day"), s.Day);
    report.Add(QStringLiteral("Version"), live::VersionNumberText(v.Version));
    report.Add(QStringLiteral("Board No."), v.BoardNumber);
    report.Add(QStringLiteral("Series"), series);
    for (int i = 0; i < static_cast<int>(s.Inputs.size()); ++i) {
        report.AddReading(live::InputName(i + 1), s.Inputs[static_cast<size_t>(i)]);
        report.AddReading(live::InputName(i + 1) + QStringLiteral(" A"), a.Inputs[static_cast<size_t>(i)]);
    }
    for (int i = 0; i < static_cast<int>(s.Outputs.size()); ++i) {
        report.AddReading(live::OutputName(i + 1), s.Outputs[static_cast<size_t>(i)]);
        report.AddReading(live::OutputName(i + 1) + QStringLiteral(" A"), a.Outputs[static_cast<size_t>(i)]);
    }
    for (int i = 0; i < 8; ++i)
        report.Add(live::DigitalInputName(i + 1), s.DigitalInput(i));
    for (int i = 0; i < 11; ++i)
        report.Add(live::DigitalOutputName(i + 1), s.DigitalOutput(i));
    for (int i = 0; i < static_cast<int>(s.Pressures.size()); ++i)
        report.AddReading(live::PressureName(i + 9), s.Pressures[static_cast<size_t>(i)]);
    for (int i = 0; i < static_cast<int>(s.AirFlows.size()); ++i)
        report.AddReading(live::AirFlowName(i + 9), s.AirFlows[static_cast<size_t>(i)]);
    report.Add(QStringLiteral("Fan speed"), s.FanSpeedValue);
    report.Add(QStringLiteral("Supply ventilation"), s.SupplyVentilation);
    report.Add(QStringLiteral("Exhaust ventilation"), s.ExhaustVentilation);
    report.Add(QStringLiteral("Auto"), s.Auto);
    report.Add(QStringLiteral("Running"), s.Running);
    report.Add(QStringLiteral("Winter"), s.Winter);
    report.Add(QStringLiteral("Hearth"), s.Hearth);
    report.Add(QStringLiteral("Hearth minutes"), s.HearthMinutesValue);
    report.Add(QStringLiteral("Regulation mode"), *live::DecodeRegulationMode(mode->Registers));
    report.Add(QStringLiteral("Stop code"), s.StopCode);
    QStringList causes;
    for (int i = 0; i < 8; ++i) {
        if (s.StopFlags >> i & 1)
            causes.append(live::DigitalInputName(i + 1));
    }
    for (int i = 0; i < 10; ++i) {
        const bool stopped = i < 8 ? (s.StopFlags >> (8 + i) & 1) != 0 : (s.PressureStopFlags >> (i - 8) & 1) != 0;
        if (stopped)
            causes.append(live::InputName(i + 1));
    }
    if (json)
        report.Add(QStringLiteral("Stop causes"), QJsonArray::fromStringList(causes));
    else
        report.Add(QStringLiteral("Stop causes"),
                   causes.isEmpty() ? QStringLiteral("none") : causes.join(QStringLiteral(", ")));
    report.AddReading(QStringLiteral("Recovery temperature"), h.Temperature);
    report.AddReading(QStringLiteral("Rotor power"), h.RotorPower);
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

TExitStatus Status(TRun &run)
{
    TCliBoard *board = run.OpenLine();
    if (!board)
        return run.Status();
    TReport report(run.Options.Json);
    if (!ReadStatus(*board, run.Options.Json, report))
        return run.BoardFailed();
    report.Print(run.Out);
    return kExitDone;
}

// status every period, one JSON object a line (without the units) stamped with the computer's
// time. A cycle without an answer gives a line with its error (and the message on stderr), and the
// watch goes on, opening the line again when it was lost. Ends after Count cycles or on SIGINT or
// SIGTERM; the exit status is the last cycle's.
TExitStatus Watch(TRun &run)
{
    TCliBoard *board = run.OpenLine();
    if (!board)
        return run.Status();
    TStopSignals stop;
    QDeadlineTimer next(0);
    bool answered = false;
    for (int cycle = 0; run.Options.Count == 0 || cycle < run.Options.Count; ++cycle) {
        if (!stop.WaitUntil(next))
            break;
        // The next cycle a period after this one began, or at once when this one overruns it.
        next = QDeadlineTimer(std::chrono::seconds(run.Options.PeriodS));
        const QDateTime at = QDateTime::currentDateTime();
        TReport report(true);
        answered = (board->Connected() || board->Open()) && ReadStatus(*board, true, report);
        QJsonObject line = answered ? report.Object()
                                    : QJsonObject{{QStringLiteral("error"), board->Error()},
                                                  {QStringLiteral("exit_status"), board->ErrorStatus()}};
        // The units are status --json's; a line a second need not repeat them.
        line.remove(QStringLiteral("units"));
        line.insert(QStringLiteral("read_at"), at.toOffsetFromUtc(at.offsetFromUtc()).toString(Qt::ISODateWithMs));
        TReport::PrintLine(line, run.Out);
        if (!answered)
            run.Fail(board->ErrorStatus(), QStringLiteral("%1: %2").arg(at.toString(u"HH:mm:ss"), board->Error()));
        if (stop.Requested())
            break;
    }
    // The last line says why a watch ends in failure.
    run.FailureShown = true;
    return answered ? kExitDone : kExitLink;
}

TExitStatus Save(TRun &run)
{
    const QString &fileName = run.Options.Arguments[0];
    // The file is checked before the line is opened.
    if (QString why; !CanWriteConfigFile(fileName, &why))
        return run.Fail(kExitUsage, why);
    TCliBoard *board = run.OpenLine();
    if (!board)
        return run.Status();
    TConfigImages &images = run.Images;
    if (!board->ReadVersion())
        return run.BoardFailed();
    images.ActiveItemCount = images.ItemsFor(board->Model().Live().FirmwareRev12);
    if (!board->ReadConfiguration(images))
        return run.BoardFailed();
    QString why;
    if (!WriteConfigFile(fileName, images, &why))
        return run.Fail(kExitUsage, why);
    TReport report(run.Options.Json);
    report.Add(QStringLiteral("Saved"), fileName);
    report.Add(QStringLiteral("Items"), images.ActiveItemCount);
    report.Print(run.Out);
    return kExitDone;
}

// The commissioning report of the board, as PDF or HTML by the file's extension. The file and the
// reference are checked before the line is opened; a report whose reading failed writes nothing.
TExitStatus Report(TRun &run)
{
    const QString &fileName = run.Options.Arguments[0];
    if (const QString why = ReportPathProblem(fileName); !why.isEmpty())
        return run.Fail(kExitUsage, why);
    const QString &reference = run.Options.Reference;
    if (!reference.isEmpty()) {
        // The base set every board has; the board's own walk is read once its version is known.
        TConfigImages check = run.Images;
        if (QString why; !ReadConfigFile(reference, check, false, &why))
            return run.Fail(kExitUsage, why);
    }
    TCliBoard *board = run.OpenLine();
    if (!board)
        return run.Status();
    TReportData data;
    data.Handover = {run.Options.Site, run.Options.UnitName, run.Options.By};
    data.Line = board->LineName();
    data.Address = run.Options.Line->Unit;
    if (!board->ReadReport(data, run.Images, reference))
        return run.BoardFailed();
    QString why;
    if (!WriteReport(fileName, data, &why))
        return run.Fail(kExitUsage, why);
    TReport report(run.Options.Json);
    report.Add(QStringLiteral("Report"), fileName);
    report.Add(QStringLiteral("Items"), data.Items);
    report.Add(QStringLiteral("Forced"), static_cast<int>(ForcedWarnings(data).size()));
    if (data.Reference)
        report.Add(QStringLiteral("Differing registers"), static_cast<int>(ReportDifferences(data)));
    report.Print(run.Out);
    return kExitDone;
}

// Opens the line and reads the board's version, then the file of the command for that board's walk.
TCliBoard *ReadFileFor(TRun &run)
{
    TCliBoard *board = run.OpenLine();
    if (!board)
        return nullptr;
    if (!board->ReadVersion()) {
        run.BoardFailed();
        return nullptr;
    }
    QString why;
    if (!ReadConfigFile(run.Options.Arguments[0], run.Images, board->Model().Live().FirmwareRev12, &why)) {
        run.Fail(kExitUsage, why);
        return nullptr;
    }
    return board;
}

// The board read into the images' BoardImage and compared with their FileImage.
TExitStatus CompareWithBoard(TRun &run, TCliBoard &board, TReport &report)
{
    TConfigImages &images = run.Images;
    if (!board.ReadConfiguration(images))
        return run.BoardFailed();
    TConfigImages boardSide = images;
    boardSide.FileImage = images.BoardImage;
    const QJsonArray differences = Differences(boardSide, images, images.ActiveItemCount, QStringLiteral("board"),
                                               QStringLiteral("file"), run.Options.Json);
    report.Add(QStringLiteral("Items"), images.ActiveItemCount);
    AddVerdict(report, differences, run.Options.Json);
    report.Print(run.Out);
    return differences.isEmpty() ? kExitDone : kExitDifferent;
}

TExitStatus Verify(TRun &run)
{
    TCliBoard *board = ReadFileFor(run);
    if (!board)
        return run.Status();
    TReport report(run.Options.Json);
    return CompareWithBoard(run, *board, report);
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

TExitStatus Load(TRun &run)
{
    run.Done.insert(QStringLiteral("written"), 0);
    TCliBoard *board = ReadFileFor(run);
    if (!board)
        return run.Status();
    TConfigImages &images = run.Images;
    const QString &fileName = run.Options.Arguments[0];
    // A board's own save may hold such values (factory values, another tool): --force restores them.
    const QStringList outside = OutsideLimits(images);
    if (!outside.isEmpty() && !run.Options.Force)
        return run.Fail(kExitUsage,
                        QStringLiteral("%1 holds values outside the limits of their edits:\n%2\nNothing was "
                                       "written; load --force writes them as they are.")
                            .arg(fileName, outside.join(QLatin1Char('\n'))));
    {
        // Ctrl+C or SIGTERM ends the writes after the one on the line; a second one at once, still
        // saying what was written.
        TStopSignals stop;
        stop.OnSecond([board] { board->StopWritingNow(); });
        const bool written = board->WriteConfiguration(images, [&stop] { return stop.Requested(); });
        run.Done.insert(QStringLiteral("written"), board->ItemsWritten());
        if (!written)
            return run.BoardFailed();
    }
    // A slave address other than the line's stays as the board holds it (see MovesSlaveAddress);
    // the verify below names it.
    const auto active =
        images.FileImage.cbegin() + std::min<qsizetype>(images.ActiveItemCount, images.FileImage.size());
    const auto kept = std::count_if(images.FileImage.cbegin(), active, [&run](const ConfigItem &item) {
        return MovesSlaveAddress(item, run.Options.Line->Unit);
    });
    TReport report(run.Options.Json);
    report.Add(QStringLiteral("Written"), images.ActiveItemCount - static_cast<int>(kept));
    return CompareWithBoard(run, *board, report);
}

TExitStatus Diff(TRun &run)
{
    std::array<TConfigImages, 2> files{run.Images, run.Images};
    for (size_t i = 0; i < files.size(); ++i) {
        QString why;
        // A file is read as for a board with the extended set: it gives the walk itself.
        if (!ReadConfigFile(run.Options.Arguments[static_cast<qsizetype>(i)], files[i], true, &why))
            return run.Fail(kExitUsage, why);
    }
    const qint32 count = std::min(files[0].ActiveItemCount, files[1].ActiveItemCount);
    if (files[0].ActiveItemCount != files[1].ActiveItemCount)
        std::fprintf(run.Err, "z4ctl: one file holds only the base set: the first %d items are compared\n", count);
    const QJsonArray differences =
        Differences(files[0], files[1], count, QStringLiteral("a"), QStringLiteral("b"), run.Options.Json);
    TReport report(run.Options.Json);
    report.Add(QStringLiteral("Items"), count);
    AddVerdict(report, differences, run.Options.Json);
    report.Print(run.Out);
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

// Every register of the items of the transfer table, named by its key (Section.Key, as in the
// files), in the order of the items.
std::vector<TKeyPlace> AllKeys(const TConfigImages &images)
{
    std::vector<TKeyPlace> keys;
    const size_t items = std::min(images.FileImage.size(), TransferRows().size());
    for (size_t i = 0; i < items; ++i) {
        const ConfigItem &item = images.FileImage[i];
        for (int k = 0; k < item.Registers; ++k)
            keys.push_back({item.Section + QLatin1Char('.') + ConfigKey(item, k), static_cast<int>(i), k,
                            static_cast<quint16>(item.FirstRegister + k)});
    }
    return keys;
}

// The letters to change, add or drop to make one text the other.
qsizetype EditDistance(const QString &a, const QString &b)
{
    std::vector<qsizetype> row(static_cast<size_t>(b.size() + 1));
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = static_cast<qsizetype>(j);
    for (qsizetype i = 1; i <= a.size(); ++i) {
        qsizetype diagonal = row[0];
        row[0] = i;
        for (qsizetype j = 1; j <= b.size(); ++j) {
            const qsizetype above = row[static_cast<size_t>(j)];
            row[static_cast<size_t>(j)] =
                std::min({above + 1, row[static_cast<size_t>(j - 1)] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row.back();
}

// The key a mistyped one most likely meant: the fewest letters away in any case, when that is few
// for its length (a key given without its section is measured against the keys alone); empty when
// none is near.
QString NearestKey(const std::vector<TKeyPlace> &keys, const QString &typed)
{
    const QString wanted = typed.toLower();
    const bool sectionless = !typed.contains(QLatin1Char('.'));
    qsizetype best = std::max<qsizetype>(2, wanted.size() / 5) + 1;
    QString nearest;
    for (const TKeyPlace &place : keys) {
        const QString key = place.Key.toLower();
        const qsizetype distance = EditDistance(wanted, sectionless ? key.section(QLatin1Char('.'), 1) : key);
        if (distance < best) {
            best = distance;
            nearest = place.Key;
        }
    }
    return nearest;
}

// The register that key (Section.Key, in any case, as in the files) names among the items of the
// transfer table; nothing for a key the definition does not have.
std::optional<TKeyPlace> FindKey(const std::vector<TKeyPlace> &keys, const QString &key)
{
    const auto place = std::find_if(keys.cbegin(), keys.cend(), [&key](const TKeyPlace &p) {
        return key.compare(p.Key, Qt::CaseInsensitive) == 0;
    });
    return place == keys.cend() ? std::nullopt : std::optional<TKeyPlace>(*place);
}

// The word the window's control of place would write for text (values/ValueText): an edit's
// number checked against its limits, a list item by its text, on/off, a mask's numbers, a time;
// nothing, with *why saying what is wrong and what the control takes, otherwise.
std::optional<quint16> TakeValue(const TKeyPlace &place, const QString &text, QString *why)
{
    if (!IsEditedItem(place.Item)) {
        *why = QStringLiteral("%1 is written only by a button of its own on the Timers page (the week program, the "
                              "board number and the slave address); set leaves it alone")
                   .arg(place.Key);
        return std::nullopt;
    }
    const TParameterRow &row = TransferRows()[static_cast<size_t>(place.Item)];
    const values::TTextTake take = values::TakeText(row, place.Register, text, place.Key);
    if (!take.Ok())
        *why = take.Error;
    return take.Word;
}
// The places of keys, all known; the first unknown one is named in the exit, with the key it
// most likely meant.
TExitStatus FindKeys(TRun &run, const QStringList &keys, std::vector<TKeyPlace> &places)
{
    const std::vector<TKeyPlace> all = AllKeys(run.Images);
    for (const QString &key : keys) {
        const auto place = FindKey(all, key);
        if (place) {
            places.push_back(*place);
            continue;
        }
        const QString nearest = NearestKey(all, key);
        return run.Fail(kExitUsage,
                        nearest.isEmpty()
                            ? QStringLiteral("unknown key '%1' (keys are Section.Key, e.g. Settings.SupplySetPoint; "
                                             "z4ctl keys lists them)")
                                  .arg(Excerpt(key))
                            : QStringLiteral("unknown key '%1'; did you mean %2?").arg(Excerpt(key), nearest));
    }
    return kExitDone;
}

// The board's version read, and every place among the items its firmware has.
TExitStatus CheckOnBoard(TRun &run, TCliBoard &board, const std::vector<TKeyPlace> &places)
{
    if (!board.ReadVersion())
        return run.BoardFailed();
    const qint32 items = run.Images.ItemsFor(board.Model().Live().FirmwareRev12);
    for (const TKeyPlace &place : places) {
        if (place.Item >= items)
            return run.Fail(kExitUsage,
                            QStringLiteral("%1 belongs to the extended set, which this board's firmware does not have")
                                .arg(place.Key));
    }
    return kExitDone;
}

// place's register read back.
std::optional<quint16> ReadWord(TCliBoard &board, const TKeyPlace &place)
{
    const auto answer = board.Read(place.Address, 1);
    if (!answer)
        return std::nullopt;
    return answer->Registers.at(0);
}

// place's word in report, as its control shows it.
void AddKey(TReport &report, const TKeyPlace &place, quint16 word)
{
    const TParameterRow &row = TransferRows()[static_cast<size_t>(place.Item)];
    report.AddParameter(place.Key, values::ControlText(row, place.Register, word),
                        RegisterUnit(place.Item, place.Register), word);
}

// Reads count registers from first into words, as a transfer reads: a read without a valid answer
// is sent again up to TConfigChains::kMaxRepeats times; one the board refuses, or still cannot
// answer, is read in two halves (said once on err). False when a single register cannot be read or
// the line is lost.
bool ReadRun(TCliBoard &board, quint16 first, quint16 count, QHash<quint16, quint16> &words, std::FILE *err, bool &told)
{
    for (int sends = 0; sends <= TConfigChains::kMaxRepeats; ++sends) {
        if (const auto answer = board.Read(first, count)) {
            for (quint16 k = 0; k < count; ++k)
                words.insert(static_cast<quint16>(first + k), answer->Registers.at(k));
            return true;
        }
        const TModbusClient *client = board.Model().Session().ActiveClient();
        if (board.Refused() || !client || !client->IsOpen() || client->LastFailureKind() == TFailureKind::LineDown)
            break;
    }
    const TModbusClient *client = board.Model().Session().ActiveClient();
    if (count == 1 || !client || !client->IsOpen() || client->LastFailureKind() == TFailureKind::LineDown)
        return false;
    if (!std::exchange(told, true))
        std::fprintf(err, "z4ctl: %s: read in smaller requests\n", qPrintable(board.Error()));
    const auto half = static_cast<quint16>((count + 1) / 2);
    return ReadRun(board, first, half, words, err, told)
           && ReadRun(board, static_cast<quint16>(first + half), static_cast<quint16>(count - half), words, err, told);
}

// The registers places name, by address: runs of consecutive registers read at once (at most
// kMaxReadRegisters a read, never a register no key names), each as ReadRun reads it; nothing when
// one cannot be read.
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
        if (!ReadRun(board, addresses[first], static_cast<quint16>(end - first), words, err, told))
            return std::nullopt;
    }
    return words;
}

// The values of places read from the board and shown as their controls show them, with their units.
TExitStatus ShowKeys(TRun &run, TCliBoard &board, const std::vector<TKeyPlace> &places)
{
    const auto words = ReadKeys(board, places, run.Err);
    if (!words)
        return run.BoardFailed();
    TReport report(run.Options.Json);
    for (const TKeyPlace &place : places)
        AddKey(report, place, words->value(place.Address));
    report.Print(run.Out);
    return kExitDone;
}

TExitStatus Get(TRun &run)
{
    // The keys are checked before the line is opened.
    std::vector<TKeyPlace> places;
    if (const TExitStatus status = FindKeys(run, run.Options.Arguments, places); status != kExitDone)
        return status;
    TCliBoard *board = run.OpenLine();
    if (!board)
        return run.Status();
    if (const TExitStatus status = CheckOnBoard(run, *board, places); status != kExitDone)
        return status;
    return ShowKeys(run, *board, places);
}

// Every key with its unit; with a line, every key the board's firmware has with its value too.
TExitStatus Keys(TRun &run)
{
    std::vector<TKeyPlace> keys = AllKeys(run.Images);
    if (!run.Options.Line) {
        if (!run.Options.Json) {
            for (const TKeyPlace &place : keys)
                std::fprintf(run.Out, "%s\n", qPrintable(place.Key));
            return kExitDone;
        }
        QJsonArray names;
        QJsonObject units;
        for (const TKeyPlace &place : keys) {
            names.append(place.Key);
            if (const QString unit = RegisterUnit(place.Item, place.Register); !unit.isEmpty())
                units.insert(place.Key, unit);
        }
        TReport::PrintLine({{QStringLiteral("keys"), names}, {QStringLiteral("units"), units}}, run.Out);
        return kExitDone;
    }
    TCliBoard *board = run.OpenLine();
    if (!board)
        return run.Status();
    if (!board->ReadVersion())
        return run.BoardFailed();
    const qint32 items = run.Images.ItemsFor(board->Model().Live().FirmwareRev12);
    std::erase_if(keys, [items](const TKeyPlace &place) { return place.Item >= items; });
    return ShowKeys(run, *board, keys);
}

// One value of set: where it goes and the word checked for it.
struct TSetting
{
    TKeyPlace Place;
    quint16 Word;
};

// Every KEY=VALUE of the arguments taken; nothing is written unless all of them are sound.
TExitStatus TakeSettings(TRun &run, std::vector<TSetting> &settings)
{
    for (const QString &argument : run.Options.Arguments) {
        const qsizetype equals = argument.indexOf(QLatin1Char('='));
        if (equals < 0)
            return run.Fail(kExitUsage, QStringLiteral("'%1' is not KEY=VALUE").arg(Excerpt(argument)));
        std::vector<TKeyPlace> place;
        if (const TExitStatus status = FindKeys(run, {argument.left(equals)}, place); status != kExitDone)
            return status;
        QString why;
        const auto word = TakeValue(place.front(), argument.mid(equals + 1), &why);
        if (!word)
            return run.Fail(kExitUsage, why + QStringLiteral(". Nothing was written."));
        settings.push_back({place.front(), *word});
    }
    return kExitDone;
}

TExitStatus Set(TRun &run)
{
    QJsonArray written;
    run.Done.insert(QStringLiteral("written"), written);
    // Keys and values are checked before the line is opened.
    std::vector<TSetting> settings;
    if (const TExitStatus status = TakeSettings(run, settings); status != kExitDone)
        return status;
    TCliBoard *board = run.OpenLine();
    if (!board)
        return run.Status();
    std::vector<TKeyPlace> places;
    for (const TSetting &setting : settings)
        places.push_back(setting.Place);
    if (const TExitStatus status = CheckOnBoard(run, *board, places); status != kExitDone)
        return status;
    TReport report(run.Options.Json);
    for (const TSetting &setting : settings) {
        const bool taken = board->Write(setting.Place.Address, setting.Word);
        if (taken) {
            written.append(setting.Place.Key);
            run.Done.insert(QStringLiteral("written"), written);
        }
        const auto shown = taken ? ReadWord(*board, setting.Place) : std::nullopt;
        if (!shown) {
            QStringList keys;
            for (const QJsonValue &key : written)
                keys.append(key.toString());
            return run.Fail(board->ErrorStatus(),
                            QStringLiteral("%1: %2\nWritten: %3")
                                .arg(setting.Place.Key, board->Error(),
                                     keys.isEmpty() ? QStringLiteral("nothing") : keys.join(QLatin1Char(' '))));
        }
        AddKey(report, setting.Place, *shown);
    }
    report.Print(run.Out);
    return kExitDone;
}

// scan writes its own object, with the failure's keys when nothing was found.
TExitStatus Scan(TRun &run)
{
    run.FailureShown = true;
    return RunScan(run.Options, run.Out, run.Err);
}

TExitStatus Record(TRun &run)
{
    QString error;
    const TExitStatus status = RunRecord(run.Options, run.Err, &error);
    return error.isEmpty() ? status : run.Fail(status, error);
}

TExitStatus Export(TRun &run)
{
    QString error;
    const TExitStatus status = RunExport(run.Options, run.Out, run.Err, &error);
    return error.isEmpty() ? status : run.Fail(status, error);
}

TExitStatus Events(TRun &run)
{
    QString error;
    const TExitStatus status = RunEvents(run.Options, run.Out, &error);
    return error.isEmpty() ? status : run.Fail(status, error);
}

// The commands, in the order the usage lists them.
constexpr TCommand kCommands[]{
    {"status", "", 0, false, TLineUse::Needed, false, "one poll cycle of the board, decoded", Status},
    {"save", "FILE.cnf", 1, false, TLineUse::Needed, true, "the board's configuration to a file", Save},
    {"report", "OUT.pdf|OUT.html", 1, false, TLineUse::Needed, true, "the board's commissioning report", Report},
    {"load", "FILE.cnf", 1, true, TLineUse::Needed, true, "a configuration file to the board, then verify it", Load},
    {"verify", "FILE.cnf", 1, false, TLineUse::Needed, true, "the board against a configuration file", Verify},
    {"diff", "A.cnf B.cnf", 2, false, TLineUse::None, true, "two configuration files against each other (no line)",
     Diff},
    {"get", "KEY...", TCommand::kOneOrMore, false, TLineUse::Needed, true,
     "parameters by their file key, e.g. Settings.SupplySetPoint", Get},
    {"set", "KEY=VALUE...", TCommand::kOneOrMore, true, TLineUse::Needed, true,
     "parameters as the window takes them (numbers, list items, on/off, 1,2,4, h:mm), written, read back", Set},
    {"keys", "", 0, false, TLineUse::Optional, true, "every parameter key; with a line, each with its value and unit",
     Keys},
    {"watch", "", 0, false, TLineUse::Needed, false, "status every period as one JSON object a line, until stopped",
     Watch},
    {"scan", "", 0, false, TLineUse::Needed, false,
     "find the board's line settings and address, asking only for its version", Scan},
    {"record", "FILE", 1, false, TLineUse::Needed, false,
     "the board's samples (a second apart) and events into a new recording, until stopped", Record},
    {"export", "FILE [CSV]", TCommand::kOneOrMore, false, TLineUse::None, false,
     "a recording as the trend windows' CSV, to the file CSV or stdout (no line)", Export},
    {"events", "FILE", 1, false, TLineUse::None, false, "a recording's events, one a line (no line)", Events},
};

}  // namespace

std::span<const TCommand> Commands()
{
    return kCommands;
}

const TCommand *FindCommand(const QString &name)
{
    const auto command = std::find_if(std::cbegin(kCommands), std::cend(kCommands),
                                      [&name](const TCommand &c) { return name == QLatin1String(c.Name); });
    return command == std::cend(kCommands) ? nullptr : &*command;
}

TExitStatus UsageError(const QString &error, bool json, std::FILE *out, std::FILE *err)
{
    std::fprintf(err, "z4ctl: %s\nTry 'z4ctl --help' for more information.\n", qPrintable(error));
    if (json)
        TReport::PrintLine({{QStringLiteral("error"), error}, {QStringLiteral("exit_status"), kExitUsage}}, out);
    return kExitUsage;
}

TExitStatus RunCommand(const TCliOptions &options, std::FILE *out, std::FILE *err)
{
    // Only a name of the table runs; any other is a usage error, never a default command.
    const TCommand *command = FindCommand(options.Command);
    if (!command)
        return UsageError(QStringLiteral("unknown command '%1'").arg(Excerpt(options.Command)), options.Json, out, err);
    TRun run(options, *command, out, err);
    TExitStatus status = kExitDone;
    if (QString why; command->Definition && !LoadDefinition(options, run.Images, &why))
        status = run.Fail(kExitUsage, why);
    else
        status = command->Run(run);
    if (status >= kExitUsage && options.Json && !run.FailureShown) {
        QJsonObject failure = run.Done;
        failure.insert(QStringLiteral("command"), QLatin1String(command->Name));
        failure.insert(QStringLiteral("error"), run.Error());
        failure.insert(QStringLiteral("exit_status"), status);
        TReport::PrintLine(failure, out);
    }
    return status;
}
