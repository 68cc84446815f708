// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/TrafficText.h"

#include "common/NumberText.h"
#include "config/BoardAddresses.h"
#include "config/ConfigFile.h"
#include "config/ValueText.h"
#include "link/ModbusExceptions.h"
#include "monitor/LiveDecoders.h"

#include <QDateTime>

#include <algorithm>
#include <array>
#include <optional>
#include <span>

namespace {

// A run of registers the tool reads or writes as one, by name.
struct TRun
{
    quint16 Start;
    quint16 Count;
    const char *Name;
};

// The live blocks first: where a command register lies inside one, a request for exactly the
// block is named by the block, one for the register alone by the register.
constexpr std::array kLiveRuns{
    TRun{live::kStatusRead.Start, live::kStatusRead.Count, "Status block"},
    TRun{live::kColumnARead.Start, live::kColumnARead.Count, "Column A block"},
    TRun{live::kRegulationModeRead.Start, live::kRegulationModeRead.Count, "Regulation mode"},
    TRun{live::kHeatRecoveryRead.Start, live::kHeatRecoveryRead.Count, "Heat-recovery block"},
    TRun{live::kDiagnosticsRead.Start, live::kDiagnosticsRead.Count, "Diagnostics block"},
    TRun{live::kVersionRead.Start, live::kVersionRead.Count, "Version"},
};

constexpr std::array kCommandRuns{
    TRun{board::Clock, 4, "Clock"},
    TRun{board::StartStop, 1, "Start/stop"},
    TRun{board::RemoteControl, 3, "Remote control"},
    TRun{board::Hearth, 1, "Hearth"},
    TRun{board::AirVolumeCalibration, 1, "Air-volume calibration"},
    TRun{board::WeekTimes, 42, "Week times"},
    TRun{board::WeekLevels, 21, "Week levels"},
    TRun{board::TemperatureCorrection, 3, "Temperature correction"},
    TRun{board::BoardNumber, 1, "Board number"},
    TRun{board::SlaveAddress, 1, "Slave address"},
    TRun{board::TimerStore, 1, "Timer store"},
    TRun{board::Series, 1, "Series"},
    TRun{board::Season, 1, "Season"},
    TRun{board::Version, 2, "Version"},
    TRun{board::InputStatus, 8, "Input calibration status"},
    TRun{board::InputLowReference, 8, "Input low reference"},
    TRun{board::InputHighReference, 8, "Input high reference"},
    TRun{board::PressureLimit, 4, "Pressure limit"},
    TRun{board::PressureOffset, 2, "Pressure offset"},
    TRun{board::PressureGain, 2, "Pressure gain"},
    TRun{board::OutputStatus, 5, "Output calibration status"},
    TRun{board::OutputCode, 5, "Output code"},
    TRun{board::OutputLowVoltage, 5, "Output low voltage"},
    TRun{board::OutputHighVoltage, 5, "Output high voltage"},
    TRun{board::CalibrationMode, 1, "Calibration mode"},
};

QString RunName(const TRun &run, int offset)
{
    const QString name = QString::fromLatin1(run.Name);
    return offset == 0 ? name : QStringLiteral("%1 +%2").arg(name).arg(offset);
}

// A register address or a word of bits as four hexadecimal digits: "0x01C5".
QString Address(quint16 address)
{
    return QStringLiteral("0x") + QStringLiteral("%1").arg(address, 4, 16, QLatin1Char('0')).toUpper();
}

// A live block's answer as the window shows it.
QString LiveValues(quint16 start, std::span<const quint16> words)
{
    QStringList parts;
    const auto analog = [&parts](const auto &inputs, const auto &outputs) {
        for (size_t i = 0; i < inputs.size(); ++i)
            parts << live::InputName(int(i) + 1) + QLatin1Char(' ') + values::ReadingText(inputs[i]);
        for (size_t i = 0; i < outputs.size(); ++i)
            parts << live::OutputName(int(i) + 1) + QLatin1Char(' ') + values::ReadingText(outputs[i]);
    };
    const auto bits = [](quint16 word) { return Address(word); };
    if (start == live::kStatusRead.Start) {
        const auto block = live::DecodeStatusBlock(words);
        if (!block)
            return {};
        parts << QStringLiteral("%1 %2").arg(block->Date, block->Time);
        analog(block->Inputs, block->Outputs);
        parts << QStringLiteral("DI %1").arg(bits(block->DigitalInputs))
              << QStringLiteral("DO %1").arg(bits(block->DigitalOutputs))
              << QStringLiteral("fan speed %1").arg(block->FanSpeed)
              << (block->Running ? QStringLiteral("running") : QStringLiteral("stopped"));
    } else if (start == live::kColumnARead.Start) {
        const auto block = live::DecodeColumnABlock(words);
        if (!block)
            return {};
        analog(block->Inputs, block->Outputs);
        parts << QStringLiteral("DI %1").arg(bits(block->DigitalInputs))
              << QStringLiteral("DO %1").arg(bits(block->DigitalOutputs));
    } else if (start == live::kRegulationModeRead.Start) {
        const auto lit = live::DecodeRegulationMode(words);
        if (!lit)
            return {};
        parts << (*lit ? QStringLiteral("lit") : QStringLiteral("not lit"));
    } else if (start == live::kHeatRecoveryRead.Start) {
        const auto block = live::DecodeHeatRecoveryBlock(words);
        if (!block)
            return {};
        parts << QStringLiteral("temperature %1").arg(values::ReadingText(block->Temperature))
              << QStringLiteral("rotor %1").arg(values::ReadingText(block->RotorPower)) << block->RotorState
              << block->RotorControlState;
    } else if (start == live::kDiagnosticsRead.Start) {
        const auto block = live::DecodeDiagnosticsBlock(words);
        if (!block)
            return {};
        parts << QStringList(block->Decimal.begin(), block->Decimal.end());
    } else if (start == live::kVersionRead.Start) {
        const auto block = live::DecodeVersionBlock(words);
        if (!block)
            return {};
        parts << block->VersionPanel << block->BoardPanel;
    }
    return parts.join(QStringLiteral(", "));
}

QString CsvField(const QString &text)
{
    if (!text.contains(QLatin1Char(',')) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QString TTrafficLine::Text() const
{
    QString text = Time + QStringLiteral("  ") + Request + QStringLiteral("  ") + Registers;
    if (!Values.isEmpty())
        text += QStringLiteral(" = ") + Values;
    if (!RoundTrip.isEmpty())
        text += QStringLiteral("  ") + RoundTrip;
    return text + QStringLiteral("  ") + Outcome;
}

QString TTrafficLine::Csv() const
{
    return QStringList{CsvField(Time),   CsvField(Request),   CsvField(Registers),
                       CsvField(Values), CsvField(RoundTrip), CsvField(Outcome)}
        .join(QLatin1Char(','));
}

QString TTrafficLine::CsvHeader()
{
    return QStringLiteral("Time,Request,Registers,Values,Round trip,Outcome");
}

TTrafficNames::TTrafficNames(const ConfigImage &definition)
{
    // Weakest first: a later source names a register over an earlier one.
    for (const TRun &run : kLiveRuns)
        for (int k = 0; k < run.Count; ++k)
            m_registers[static_cast<quint16>(run.Start + k)].Name = RunName(run, k);
    for (const TRun &run : kCommandRuns)
        for (int k = 0; k < run.Count; ++k)
            m_registers[static_cast<quint16>(run.Start + k)].Name = RunName(run, k);
    for (const TParameterRow &row : SideRows())
        for (int k = 0; k < row.Registers; ++k) {
            TRegister &reg = m_registers[static_cast<quint16>(row.FirstRegister + k)];
            reg.Row = &row;
            reg.Index = k;
        }
    const std::vector<TParameterRow> &rows = TransferRows();
    for (size_t i = 0; i < rows.size(); ++i) {
        const TParameterRow &row = rows[i];
        for (int k = 0; k < row.Registers; ++k) {
            TRegister &reg = m_registers[static_cast<quint16>(row.FirstRegister + k)];
            if (i < definition.size() && !definition[i].Section.isEmpty())
                reg.Name = QStringLiteral("[%1] %2").arg(definition[i].Section, ConfigKey(definition[i], k));
            else
                reg.Name =
                    row.Registers == 1 ? QStringLiteral("item %1").arg(i) : QStringLiteral("item %1 +%2").arg(i).arg(k);
            reg.Row = &row;
            reg.Index = k;
        }
    }
}

QString TTrafficNames::Name(quint16 address) const
{
    const auto found = m_registers.find(address);
    return found == m_registers.end() ? QString() : found->second.Name;
}

QString TTrafficNames::RegistersText(const TTrafficRecord &record) const
{
    const auto named = [](const QString &name, const QString &where) {
        return name.isEmpty() ? where : QStringLiteral("%1 (%2)").arg(name, where);
    };
    if (record.Count <= 1)
        return named(Name(record.First), Address(record.First));
    const QString where = QStringLiteral("%1 x%2").arg(Address(record.First)).arg(record.Count);
    for (const auto &runs : {std::span<const TRun>(kLiveRuns), std::span<const TRun>(kCommandRuns)})
        for (const TRun &run : runs)
            if (run.Start == record.First && run.Count == record.Count)
                return named(QString::fromLatin1(run.Name), where);
    const QString first = Name(record.First);
    const QString last = Name(static_cast<quint16>(record.First + record.Count - 1));
    if (first.isEmpty() && last.isEmpty())
        return where;
    return named(QStringLiteral("%1 .. %2")
                     .arg(first.isEmpty() ? Address(record.First) : first,
                          last.isEmpty() ? Address(static_cast<quint16>(record.First + record.Count - 1)) : last),
                 where);
}

QString TTrafficNames::ValueText(quint16 address, quint16 value) const
{
    const auto found = m_registers.find(address);
    if (found != m_registers.end() && found->second.Row) {
        return values::RegisterText(*found->second.Row, found->second.Index, value);
    }
    return QString::number(value);
}

QString TTrafficNames::ValuesText(const TTrafficRecord &record) const
{
    if (record.Values.isEmpty())
        return {};
    if (record.Function == 3)
        for (const TRun &run : kLiveRuns)
            if (run.Start == record.First && run.Count == record.Count)
                return LiveValues(record.First, record.Values);
    QStringList parts;
    parts.reserve(record.Values.size());
    for (qsizetype k = 0; k < record.Values.size(); ++k)
        parts << ValueText(static_cast<quint16>(record.First + k), record.Values[k]);
    return parts.join(QStringLiteral(", "));
}

TTrafficLine TTrafficNames::Decode(const TTrafficRecord &record) const
{
    using TOutcome = TTrafficRecord::TOutcome;
    TTrafficLine line;
    line.Time = QDateTime::fromMSecsSinceEpoch(record.TimeMs).toString(QStringLiteral("HH:mm:ss.zzz"));
    if (record.Outcome == TOutcome::Resync) {
        line.Request = QStringLiteral("resync");
        line.Registers = record.Line;
        line.Outcome = record.Why;
        return line;
    }
    switch (record.Function) {
    case 3:
        line.Request = QStringLiteral("read");
        break;
    case 6:
        line.Request = QStringLiteral("write");
        break;
    default:
        line.Request = QStringLiteral("write block");
        break;
    }
    if (record.Repeat)
        line.Request += QStringLiteral(" (repeat)");
    line.Registers = RegistersText(record);
    line.Values = ValuesText(record);
    if (record.RoundTripMs >= 0)
        line.RoundTrip = QStringLiteral("%1 ms").arg(record.RoundTripMs, 0, 'f', 1);
    switch (record.Outcome) {
    case TOutcome::Answered:
        line.Outcome = QStringLiteral("answered");
        break;
    case TOutcome::Refused:
        line.Outcome = QStringLiteral("refused (%1)").arg(ExceptionText(record.ExceptionCode));
        break;
    case TOutcome::Failed:
        line.Outcome = QStringLiteral("failed: ") + record.Why;
        break;
    case TOutcome::Discarded:
        line.Outcome = QStringLiteral("discarded: ") + record.Why;
        break;
    case TOutcome::Resync:
        break;
    }
    return line;
}

bool TTrafficNames::Matches(const TTrafficRecord &record, const TTrafficLine &line, const QString &filter)
{
    const QString wanted = filter.trimmed();
    if (wanted.isEmpty())
        return true;
    std::optional<qint64> address;
    if (wanted.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)) {
        bool ok = false;
        const int hex = wanted.mid(2).toInt(&ok, 16);
        if (ok)
            address = hex;
    } else if (const TNumberTake number = TakeInteger(wanted); number.Ok()) {
        address = number.Value;
    }
    if (address)
        return record.Outcome != TTrafficRecord::TOutcome::Resync && *address >= record.First
               && *address < record.First + std::max<int>(record.Count, 1);
    return line.Registers.contains(wanted, Qt::CaseInsensitive);
}
