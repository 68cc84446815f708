// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliOptions.h"

#include "cli/CliCommands.h"
#include "common/NumberText.h"

#include <QFileInfo>
#include <QHash>

#include <algorithm>
#include <iterator>

namespace {

// The command line as it is read: the options so far and which of the lines was given.
struct TParse
{
    TCliOptions Options;
    TLineOptions Line;
    bool Tcp = false;
    bool Rtu = false;
};

// One option of z4ctl. Each is given as --long VALUE, --long=VALUE or, where it has one, -S VALUE
// or -SVALUE; a switch takes no value.
struct TOption
{
    const char *Long;   // without the dashes
    char Short;         // 0: none
    const char *Value;  // what the usage calls its value; nullptr for a switch
    const char *Help;   // lines after the first are indented under it
    // A command ("load") the option goes with, or another option ("rtu"); nullptr: any.
    const char *GoesWith;
    // Takes the value (empty for a switch); false when it is not valid.
    bool (*Take)(TParse &parse, const QString &value);
    // What a value may be, for the message about one that is not valid; nullptr: any text.
    const char *Accepts = nullptr;
};

bool TakeWhole(const QString &text, qint64 min, qint64 max, qint64 &value)
{
    const TNumberTake take = TakeInteger(text);
    if (!take.Ok() || take.Value < min || take.Value > max)
        return false;
    value = take.Value;
    return true;
}

// The host and port of --tcp: HOST, HOST:PORT, an IPv6 address alone (::1, port 502) or in
// brackets with or without a port ([::1]:502). False for anything else.
bool TakeTcpAddress(const QString &text, TLineOptions &line)
{
    QString host = text;
    std::optional<QString> port;
    if (text.startsWith(QLatin1Char('['))) {
        const qsizetype close = text.indexOf(QLatin1Char(']'));
        if (close < 0)
            return false;
        host = text.mid(1, close - 1);
        const QString rest = text.mid(close + 1);
        if (!rest.isEmpty() && !rest.startsWith(QLatin1Char(':')))
            return false;
        if (!rest.isEmpty())
            port = rest.mid(1);
    } else if (text.count(QLatin1Char(':')) == 1) {
        const qsizetype colon = text.indexOf(QLatin1Char(':'));
        host = text.left(colon);
        port = text.mid(colon + 1);
    }
    if (host.trimmed().isEmpty())
        return false;
    qint64 number = line.Port;
    if (port && !TakeWhole(*port, 1, 65535, number))
        return false;
    line.Port = static_cast<quint16>(number);
    line.Host = host;
    return true;
}

// A whole number in min .. max into where of the parse.
template <qint64 Min, qint64 Max, auto Where>
bool Whole(TParse &parse, const QString &value)
{
    qint64 n = 0;
    if (!TakeWhole(value, Min, Max, n))
        return false;
    Where(parse, n);
    return true;
}

const TOption kOptions[]{
    {"tcp", 't', "HOST[:PORT]",
     "Modbus TCP (port 502 unless given; an IPv6 address with a port\nin brackets: [::1]:502)", nullptr,
     [](TParse &p, const QString &v) {
         p.Tcp = true;
         return TakeTcpAddress(v, p.Line);
     },
     "a host, HOST:PORT with a port 1-65535, or [IPv6]:PORT"},
    {"rtu", 'r', "DEVICE", "Modbus RTU on a serial device (a relative path is taken from the\nworking folder)", nullptr,
     [](TParse &p, const QString &v) {
         p.Rtu = true;
         // The serial port would look a name without a folder up in /dev.
         p.Line.Device = QFileInfo(v).absoluteFilePath();
         return !v.isEmpty();
     },
     "a device path"},
    {"baud", 0, "N", "RTU: baud rate (19200)", "rtu",
     Whole<50, 4000000, [](TParse &p, qint64 n) { p.Line.BaudRate = static_cast<int>(n); }>, "50-4000000"},
    {"parity", 0, "N|E|O", "RTU: parity (E)", "rtu",
     [](TParse &p, const QString &v) {
         const QString upper = v.toUpper();
         if (upper == QLatin1String("N"))
             p.Line.Parity = QSerialPort::NoParity;
         else if (upper == QLatin1String("E"))
             p.Line.Parity = QSerialPort::EvenParity;
         else if (upper == QLatin1String("O"))
             p.Line.Parity = QSerialPort::OddParity;
         else
             return false;
         return true;
     },
     "N, E or O"},
    {"data-bits", 0, "5-8", "RTU: data bits (8)", "rtu",
     Whole<5, 8, [](TParse &p, qint64 n) { p.Line.DataBits = static_cast<QSerialPort::DataBits>(n); }>, "5-8"},
    {"stop-bits", 0, "1|2", "RTU: stop bits (1)", "rtu",
     Whole<1, 2, [](TParse &p, qint64 n) { p.Line.StopBits = n == 1 ? QSerialPort::OneStop : QSerialPort::TwoStop; }>,
     "1 or 2"},
    {"unit", 'u', "N", "slave address 1-247 (1)", nullptr,
     Whole<1, 247, [](TParse &p, qint64 n) { p.Line.Unit = static_cast<quint8>(n); }>, "1-247"},
    {"timeout", 0, "MS", "answer time of one request, 10-60000 ms (3000)", nullptr,
     Whole<10, 60000, [](TParse &p, qint64 n) { p.Line.TimeoutMs = static_cast<int>(n); }>, "10-60000 (ms)"},
    {"definition", 0, "FILE",
     "the parameter definition file (deffiles/z4_0parameters.def beside\nz4ctl, else in ../share/z4vent/deffiles/ "
     "from z4ctl's folder)",
     nullptr,
     [](TParse &p, const QString &v) {
         p.Options.DefinitionPath = v;
         return true;
     }},
    {"json", 0, nullptr, "machine-readable output: one JSON object (watch: one a line)", nullptr,
     [](TParse &p, const QString &) { return p.Options.Json = true; }},
    {"verbose", 0, nullptr,
     "Qt's own messages on stderr too (e.g. the serial line's notes on\nanswers with a wrong CRC)", nullptr,
     [](TParse &p, const QString &) { return p.Options.Verbose = true; }},
    {"trace", 0, nullptr,
     "every request and its outcome on stderr, registers named, values in\ntheir units (as the window's Traffic "
     "window shows them)",
     nullptr, [](TParse &p, const QString &) { return p.Line.Trace = true; }},
    {"force", 0, nullptr, "write values outside the limits of their edits too", "load",
     [](TParse &p, const QString &) { return p.Options.Force = true; }},
    {"all", 0, nullptr, "go on after the first board found", "scan",
     [](TParse &p, const QString &) { return p.Options.All = true; }},
    {"site", 0, "S", "the site the unit stands at", "report",
     [](TParse &p, const QString &v) {
         p.Options.Site = v;
         return true;
     }},
    {"unit-name", 0, "N", "the unit's name", "report",
     [](TParse &p, const QString &v) {
         p.Options.UnitName = v;
         return true;
     }},
    {"by", 0, "T", "the technician who makes the report", "report",
     [](TParse &p, const QString &v) {
         p.Options.By = v;
         return true;
     }},
    {"reference", 0, "FILE.cnf",
     "a configuration file (the design values) to set beside the\nboard's, "
     "differences marked",
     "report",
     [](TParse &p, const QString &v) {
         p.Options.Reference = v;
         return !v.isEmpty();
     },
     "a configuration file"},
    {"period", 0, "S", "seconds from one reading to the next, 1-500 (1)", "watch",
     Whole<1, 500, [](TParse &p, qint64 n) { p.Options.PeriodS = static_cast<int>(n); }>, "1-500 (seconds)"},
    {"count", 0, "N", "stop after N readings", "watch",
     Whole<1, 1000000000, [](TParse &p, qint64 n) { p.Options.Count = static_cast<int>(n); }>, "1-1000000000"},
    {"duration", 0, "D", "stop after D: seconds, or a number with s, m, h or d (90m)", "record",
     [](TParse &p, const QString &v) {
         static const QHash<QChar, qint64> units{{u's', 1}, {u'm', 60}, {u'h', 3600}, {u'd', 86400}};
         const QString text = v.trimmed();
         const qint64 unit = !text.isEmpty() ? units.value(text.back().toLower(), 0) : 0;
         qint64 n = 0;
         if (!TakeWhole(unit ? text.chopped(1) : text, 1, 366 * 86400, n)
             || n * std::max<qint64>(unit, 1) > 366 * 86400)
             return false;
         p.Options.DurationS = n * std::max<qint64>(unit, 1);
         return true;
     },
     "a time up to a year: 3600, 90m, 8h or 7d"},
    {"help", 'h', nullptr, "this help, and nothing else", nullptr,
     [](TParse &p, const QString &) { return p.Options.Help = true; }},
    {"version", 'V', nullptr, "z4ctl's version, and nothing else", nullptr,
     [](TParse &p, const QString &) { return p.Options.Version = true; }},
};

QString LongName(const TOption &option)
{
    return QStringLiteral("--") + QLatin1String(option.Long);
}

// "--a", "--a and --b", "--a, --b and --c": the options that go with what.
QString OptionsGoingWith(const char *what)
{
    QStringList names;
    for (const TOption &option : kOptions) {
        if (option.GoesWith && qstrcmp(option.GoesWith, what) == 0)
            names.append(LongName(option));
    }
    const QString last = names.takeLast();
    return names.isEmpty() ? last : names.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

// An option's lines in the usage: its names and value, then its help in a column.
QString OptionUsage(const TOption &option, int indent)
{
    constexpr qsizetype kColumn = 28;
    QString text = QString(indent, QLatin1Char(' '));
    text += option.Short ? QStringLiteral("-%1, ").arg(QLatin1Char(option.Short)) : QStringLiteral("    ");
    text += LongName(option);
    if (option.Value)
        text += QLatin1Char(' ') + QLatin1String(option.Value);
    text = text.size() < kColumn ? text.leftJustified(kColumn)
                                 : text + QLatin1Char('\n') + QString(kColumn, QLatin1Char(' '));
    QString help = QString::fromUtf8(option.Help);
    return text + help.replace(QLatin1Char('\n'), QLatin1Char('\n') + QString(kColumn, QLatin1Char(' ')))
           + QLatin1Char('\n');
}

}  // namespace

QString UsageText()
{
    // One line a command, then the options, those of one command apart: help2man makes the manual
    // page's lists of these blocks, and the bash completion reads the commands from the first.
    QString text = QStringLiteral("Usage: z4ctl [OPTION...] COMMAND [ARGUMENT...]\n\nCommands:\n");
    const auto callOf = [](const TCommand &command) {
        return QStringLiteral("%1 %2").arg(QLatin1String(command.Name), QLatin1String(command.Arguments));
    };
    // One column for the summaries, at least two blanks after the longest call (help2man reads a
    // list item so).
    qsizetype column = 0;
    for (const TCommand &command : Commands())
        column = std::max(column, callOf(command).size() + 1);
    for (const TCommand &command : Commands()) {
        text += QStringLiteral("  ") + callOf(command).leftJustified(column) + QLatin1Char(' ')
                + QString::fromUtf8(command.Summary) + QLatin1String(command.Writes ? " (writes to the board)" : "")
                + QLatin1Char('\n');
    }
    text += QStringLiteral("\nOptions:\n");
    for (const TOption &option : kOptions) {
        if (!option.GoesWith || !FindCommand(QString::fromLatin1(option.GoesWith)))
            text += OptionUsage(option, 2);
    }
    text += QStringLiteral("\nOptions of one command:\n");
    for (const TOption &option : kOptions) {
        if (option.GoesWith && FindCommand(QString::fromLatin1(option.GoesWith))) {
            TOption shown = option;
            const QByteArray help = QByteArray(option.GoesWith) + ": " + option.Help;
            shown.Help = help.constData();
            text += OptionUsage(shown, 2);
        }
    }
    text += QStringLiteral(
        "\nOptions may also be given as --option=value. \"--\" ends the options: the arguments after it\n"
        "are the command's, even when they begin with \"-\".\n"
        "\n"
        "Exit status: 0 done and equal, 1 done but different, 2 bad usage, a refused file or value,\n"
        "3 no line, no answer or a transfer that stopped early (also load stopped by Ctrl+C or SIGTERM),\n"
        "4 a write the board refused.\n");
    return text;
}

QString VersionText()
{
    return QStringLiteral("z4ctl " Z4_VERSION "\n");
}

bool AsksForJson(const QStringList &arguments)
{
    const qsizetype end = arguments.indexOf(QStringLiteral("--"));
    return arguments.mid(0, end < 0 ? arguments.size() : end).contains(QStringLiteral("--json"));
}

std::optional<TCliOptions> ParseCommandLine(const QStringList &arguments, QString *error)
{
    TParse parse;
    TCliOptions &options = parse.Options;
    std::vector<const TOption *> given;
    const auto fail = [error](const QString &why) {
        *error = why;
        return std::nullopt;
    };

    bool optionsEnded = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (optionsEnded || !argument.startsWith(QLatin1Char('-')) || argument == QLatin1String("-")) {
            if (!options.Command.isEmpty())
                options.Arguments.append(argument);
            else if (FindCommand(argument))
                options.Command = argument;
            else
                return fail(QStringLiteral("unknown command '%1'").arg(Excerpt(argument)));
            continue;
        }
        if (argument == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        // --name, --name=value or -S, -SVALUE.
        const bool isLong = argument.startsWith(QLatin1String("--"));
        const qsizetype equals = isLong ? argument.indexOf(QLatin1Char('=')) : -1;
        const QString name = isLong ? argument.mid(2, equals < 0 ? -1 : equals - 2) : argument.mid(1, 1);
        std::optional<QString> value;
        if (equals >= 0)
            value = argument.mid(equals + 1);
        else if (!isLong && argument.size() > 2)
            value = argument.mid(2);
        const auto option = std::find_if(std::cbegin(kOptions), std::cend(kOptions), [&](const TOption &o) {
            return isLong ? name == QLatin1String(o.Long) : o.Short && name == QLatin1Char(o.Short);
        });
        if (option == std::cend(kOptions))
            return fail(QStringLiteral("unknown option '%1'").arg(Excerpt(isLong ? argument.left(equals) : argument)));
        const QString shown = isLong ? LongName(*option) : QStringLiteral("-") + name;
        if (!option->Value && value)
            return fail(QStringLiteral("%1 takes no value").arg(shown));
        if (option->Value && !value) {
            if (i + 1 >= arguments.size())
                return fail(QStringLiteral("%1 needs a value").arg(shown));
            value = arguments[++i];
        }
        if (!option->Take(parse, value.value_or(QString()))) {
            const QString accepts =
                option->Accepts ? QStringLiteral("; it takes %1").arg(QLatin1String(option->Accepts)) : QString();
            return fail(QStringLiteral("%1: '%2' is not valid%3").arg(shown, Excerpt(*value), accepts));
        }
        if (options.Help || options.Version)
            return options;
        given.push_back(&*option);
    }

    for (const TOption *option : given)
        options.Given.append(LongName(*option));
    const TCommand *command = FindCommand(options.Command);
    if (!command)
        return fail(QStringLiteral("no command given"));
    const int count = command->ArgumentCount;
    if (count == TCommand::kOneOrMore && options.Arguments.isEmpty())
        return fail(QStringLiteral("%1 takes one key or more").arg(options.Command));
    if (count != TCommand::kOneOrMore && options.Arguments.size() != count)
        return fail(
            QStringLiteral("%1 takes %2, not %3 arguments")
                .arg(options.Command, count == 0 ? QStringLiteral("no file") : QStringLiteral("%1 file(s)").arg(count))
                .arg(options.Arguments.size()));
    if (parse.Tcp && parse.Rtu)
        return fail(QStringLiteral("give either --tcp or --rtu, not both"));
    for (const TOption *option : given) {
        if (!option->GoesWith)
            continue;
        const bool isCommand = FindCommand(QString::fromLatin1(option->GoesWith)) != nullptr;
        const bool fits = isCommand ? options.Command == QLatin1String(option->GoesWith) : parse.Rtu;
        if (!fits) {
            const QString names = OptionsGoingWith(option->GoesWith);
            const QString with = QLatin1String(isCommand ? "" : "--") + QLatin1String(option->GoesWith);
            return fail(QStringLiteral("%1 %2 with %3")
                            .arg(names, QLatin1String(names.contains(QLatin1Char(' ')) ? "go" : "goes"), with));
        }
    }
    const bool line = parse.Tcp || parse.Rtu;
    if (command->Line == TLineUse::Needed && !line)
        return fail(QStringLiteral("%1 needs a line: --tcp HOST[:PORT] or --rtu DEVICE").arg(options.Command));
    if (command->Line == TLineUse::None && line)
        return fail(QStringLiteral("%1 takes no line").arg(options.Command));
    if (line) {
        parse.Line.Serial = parse.Rtu;
        parse.Line.TraceDefinition = options.DefinitionPath;
        options.Line = parse.Line;
    }
    return options;
}
