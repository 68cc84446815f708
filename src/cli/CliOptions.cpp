// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/CliOptions.h"

#include "common/NumberText.h"

#include <QFileInfo>
#include <QHash>

#include <functional>
#include <map>

namespace {

// The commands built so far and the number of file arguments each takes; kSomeKeys for the
// commands that take one key or more.
constexpr int kSomeKeys = -1;
const QHash<QString, int> &Commands()
{
    static const QHash<QString, int> commands{
        {QStringLiteral("status"), 0},      {QStringLiteral("save"), 1},  {QStringLiteral("load"), 1},
        {QStringLiteral("verify"), 1},      {QStringLiteral("diff"), 2},  {QStringLiteral("get"), kSomeKeys},
        {QStringLiteral("set"), kSomeKeys}, {QStringLiteral("watch"), 0}, {QStringLiteral("scan"), 0},
    };
    return commands;
}

std::optional<qint64> Whole(const QString &text, qint64 min, qint64 max)
{
    const TNumberTake take = TakeInteger(text);
    if (!take.Ok() || take.Value < min || take.Value > max)
        return std::nullopt;
    return take.Value;
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
    if (port) {
        const auto number = Whole(*port, 1, 65535);
        if (!number)
            return false;
        line.Port = static_cast<quint16>(*number);
    }
    line.Host = host;
    return true;
}

}  // namespace

QString UsageText()
{
    return QStringLiteral(
        "Usage: z4ctl [line options] [--json] COMMAND [ARGUMENT...]\n"
        "\n"
        "Commands:\n"
        "  status            one poll cycle of the board, decoded\n"
        "  save FILE.cnf     the board's configuration to a file\n"
        "  load FILE.cnf     a configuration file to the board, then verify it\n"
        "    --force         write values outside the limits of their edits too\n"
        "  verify FILE.cnf   the board against a configuration file\n"
        "  diff A.cnf B.cnf  two configuration files against each other (no line)\n"
        "  get KEY...        parameters by their file key, e.g. Settings.SupplySetPoint\n"
        "  set KEY=VALUE...  parameters checked against the window's limits, written, read back\n"
        "  watch             status every period as one JSON object a line, until stopped\n"
        "    --period S      seconds from one reading to the next, 1-500 (1)\n"
        "    --count N       stop after N readings\n"
        "  scan              find the board: line settings and slave address (each narrowed to\n"
        "                    --baud, --parity, --unit when given), asking only for the version\n"
        "    --all           go on after the first board found\n"
        "\n"
        "Line options:\n"
        "  --tcp HOST[:PORT]   Modbus TCP (port 502 unless given; an IPv6 address with a port\n"
        "                      in brackets: [::1]:502)\n"
        "  --rtu DEVICE        Modbus RTU on a serial device (a relative path is taken from the\n"
        "                      working folder), with\n"
        "    --baud N (19200)  --parity N|E|O (E)  --data-bits 5-8 (8)  --stop-bits 1|2 (1)\n"
        "  --unit N            slave address 1-247 (1)\n"
        "  --timeout MS        answer time of one request, 10-60000 ms (3000)\n"
        "  --definition FILE   the parameter definition file (deffiles/z4_0parameters.def beside z4ctl,\n"
        "                      else in ../share/z4vent/deffiles/ from z4ctl's folder, as installed)\n"
        "  --json              machine-readable output\n"
        "  --verbose           Qt's own messages on stderr too (e.g. the serial line's notes on\n"
        "                      answers with a wrong CRC)\n"
        "\n"
        "Exit status: 0 done and equal, 1 done but different, 2 bad usage, a refused file or value,\n"
        "3 no line, no answer or a transfer that stopped early (also load stopped by Ctrl+C or SIGTERM),\n"
        "4 a write the board refused.\n");
}

std::optional<TCliOptions> ParseCommandLine(const QStringList &arguments, QString *error)
{
    TCliOptions options;
    TLineOptions line;
    bool tcp = false;
    bool rtu = false;
    bool serialSettings = false;
    bool watchSettings = false;
    const auto fail = [error](const QString &why) {
        *error = why;
        return std::nullopt;
    };
    // The options that take a whole number: its range, where it goes, and the flag that says an
    // option of its group was given.
    struct TWholeOption
    {
        qint64 Min, Max;
        std::function<void(qint64)> Take;
        bool *Given;
    };
    const std::map<QString, TWholeOption> wholeOptions{
        {QStringLiteral("--baud"),
         {50, 4000000, [&](qint64 n) { line.BaudRate = static_cast<int>(n); }, &serialSettings}},
        {QStringLiteral("--data-bits"),
         {5, 8, [&](qint64 n) { line.DataBits = static_cast<QSerialPort::DataBits>(n); }, &serialSettings}},
        {QStringLiteral("--stop-bits"),
         {1, 2, [&](qint64 n) { line.StopBits = n == 1 ? QSerialPort::OneStop : QSerialPort::TwoStop; },
          &serialSettings}},
        {QStringLiteral("--unit"), {1, 247, [&](qint64 n) { line.Unit = static_cast<quint8>(n); }, nullptr}},
        {QStringLiteral("--timeout"),
         {10, 60000, [&](qint64 n) { line.TimeoutMs = static_cast<quint32>(n); }, nullptr}},
        {QStringLiteral("--period"),
         {1, 500, [&](qint64 n) { options.PeriodS = static_cast<int>(n); }, &watchSettings}},
        {QStringLiteral("--count"),
         {1, 1000000000, [&](qint64 n) { options.Count = static_cast<int>(n); }, &watchSettings}},
    };

    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--json")) {
            options.Json = true;
            continue;
        }
        if (argument == QLatin1String("--force")) {
            options.Force = true;
            continue;
        }
        if (argument == QLatin1String("--all")) {
            options.All = true;
            continue;
        }
        if (argument == QLatin1String("--verbose")) {
            options.Verbose = true;
            continue;
        }
        if (!argument.startsWith(QLatin1String("--"))) {
            if (!options.Command.isEmpty())
                options.Arguments.append(argument);
            else if (Commands().contains(argument))
                options.Command = argument;
            else
                return fail(QStringLiteral("unknown command '%1'").arg(argument));
            continue;
        }
        static const QStringList withText{QStringLiteral("--tcp"), QStringLiteral("--rtu"), QStringLiteral("--parity"),
                                          QStringLiteral("--definition")};
        const auto whole = wholeOptions.find(argument);
        if (whole == wholeOptions.end() && !withText.contains(argument))
            return fail(QStringLiteral("unknown option '%1'").arg(argument));
        if (i + 1 >= arguments.size())
            return fail(QStringLiteral("%1 needs a value").arg(argument));
        const QString value = arguments[++i];
        options.Given.append(argument);
        const auto bad = [&] { return fail(QStringLiteral("%1: '%2' is not valid").arg(argument, value)); };

        if (whole != wholeOptions.end()) {
            const auto number = Whole(value, whole->second.Min, whole->second.Max);
            if (!number)
                return bad();
            whole->second.Take(*number);
            if (whole->second.Given)
                *whole->second.Given = true;
            continue;
        }

        if (argument == QLatin1String("--tcp")) {
            tcp = true;
            if (!TakeTcpAddress(value, line))
                return bad();
        } else if (argument == QLatin1String("--rtu")) {
            rtu = true;
            if (value.isEmpty())
                return bad();
            // The serial port would look a name without a folder up in /dev.
            line.Device = QFileInfo(value).absoluteFilePath();
        } else if (argument == QLatin1String("--parity")) {
            const QString p = value.toUpper();
            if (p == QLatin1String("N"))
                line.Parity = QSerialPort::NoParity;
            else if (p == QLatin1String("E"))
                line.Parity = QSerialPort::EvenParity;
            else if (p == QLatin1String("O"))
                line.Parity = QSerialPort::OddParity;
            else
                return bad();
            serialSettings = true;
        } else {
            options.DefinitionPath = value;
        }
    }

    if (options.Command.isEmpty())
        return fail(QStringLiteral("no command given"));
    const int files = Commands().value(options.Command);
    if (files == kSomeKeys && options.Arguments.isEmpty())
        return fail(QStringLiteral("%1 takes one key or more").arg(options.Command));
    if (files != kSomeKeys && options.Arguments.size() != files)
        return fail(
            QStringLiteral("%1 takes %2, not %3 arguments")
                .arg(options.Command, files == 0 ? QStringLiteral("no file") : QStringLiteral("%1 file(s)").arg(files))
                .arg(options.Arguments.size()));
    if (tcp && rtu)
        return fail(QStringLiteral("give either --tcp or --rtu, not both"));
    if (options.Force && options.Command != QLatin1String("load"))
        return fail(QStringLiteral("--force goes with load"));
    if (options.All && options.Command != QLatin1String("scan"))
        return fail(QStringLiteral("--all goes with scan"));
    if (watchSettings && options.Command != QLatin1String("watch"))
        return fail(QStringLiteral("--period and --count go with watch"));
    if (serialSettings && !rtu)
        return fail(QStringLiteral("--baud, --parity, --data-bits and --stop-bits go with --rtu"));
    const bool needsLine = options.Command != QLatin1String("diff");
    if (needsLine && !tcp && !rtu)
        return fail(QStringLiteral("%1 needs a line: --tcp HOST[:PORT] or --rtu DEVICE").arg(options.Command));
    if (!needsLine && (tcp || rtu))
        return fail(QStringLiteral("diff compares two files and takes no line"));
    if (tcp || rtu) {
        line.Serial = rtu;
        options.Line = line;
    }
    return options;
}
