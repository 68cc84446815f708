// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// z4sim: a simulated Z4 board on Modbus TCP and/or RTU, for trying the tool without hardware and
// for testing it against misbehaving links.
#include "SimPtyLine.h"
#include "Z4SimServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSocketNotifier>

#include <csignal>
#include <cstdio>
#include <optional>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int g_signalPipe[2] = {-1, -1};

void OnSignal(int)
{
    const char byte = 1;
    [[maybe_unused]] const auto written = ::write(g_signalPipe[1], &byte, 1);
}

[[noreturn]] void Fail(const QString &message)
{
    std::fprintf(stderr, "z4sim: %s\n", qPrintable(message));
    std::exit(2);
}

std::optional<quint32> Number(const QString &text, quint32 max)
{
    bool ok = false;
    const uint value = text.toUInt(&ok, 0);  // decimal, or 0x.. hexadecimal
    if (!ok || value > max)
        return std::nullopt;
    return value;
}

quint32 NumberOption(const QCommandLineParser &parser, const QString &name, quint32 max)
{
    const auto value = Number(parser.value(name), max);
    if (!value)
        Fail(QStringLiteral("--%1 takes a whole number from 0 to %2, not \"%3\"")
                 .arg(name)
                 .arg(max)
                 .arg(parser.value(name)));
    return *value;
}

SimFaults::Refusal ParseRefusal(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^([0-9a-fA-Fx]+)(?:-([0-9a-fA-Fx]+))?(?::([0-9]+))?$"));
    const auto match = form.match(text);
    if (match.hasMatch()) {
        const auto first = Number(match.captured(1), 0xFFFF);
        const auto last = match.captured(2).isEmpty() ? first : Number(match.captured(2), 0xFFFF);
        const auto code = match.captured(3).isEmpty() ? std::optional<quint32>(2) : Number(match.captured(3), 255);
        if (first && last && code && *first <= *last && *code >= 1)
            return {static_cast<quint16>(*first), static_cast<quint16>(*last), static_cast<quint8>(*code)};
    }
    Fail(QStringLiteral("--refuse takes FIRST-LAST[:CODE] (e.g. 0x0430-0x0432:2), not \"%1\"").arg(text));
}

// --misframe KIND[:N]: every Nth answer the kind applies to (default every 10th) badly sent.
void ParseMisframing(const QString &text, SimFaults &faults)
{
    const auto kind = MisframingNamed(text.section(QLatin1Char(':'), 0, 0));
    const QString every = text.section(QLatin1Char(':'), 1);
    const auto n = every.isEmpty() ? std::optional<quint32>(10) : Number(every, 1000000);
    if (!kind || !n || *n < 1 || text.count(QLatin1Char(':')) > 1)
        Fail(QStringLiteral("--misframe takes long, short, 65535, junk, cut, transaction, unit, protocol, "
                            "trailing, count-high, count-odd, pdu-cut or pdu-empty, optionally :N, not \"%1\"")
                 .arg(text));
    faults.Misframe = *kind;
    faults.MisframeEvery = static_cast<int>(*n);
}

// --late-every N:MS: every Nth request answered MS milliseconds late.
void ParseLateness(const QString &text, SimFaults &faults)
{
    const auto n = Number(text.section(QLatin1Char(':'), 0, 0), 1000000);
    const auto ms = Number(text.section(QLatin1Char(':'), 1), 600000);
    if (!n || !ms || *n < 1 || *ms < 1 || text.count(QLatin1Char(':')) != 1)
        Fail(QStringLiteral("--late-every takes N:MS (e.g. 50:4200), not \"%1\"").arg(text));
    faults.LateEvery = static_cast<int>(*n);
    faults.LateMs = static_cast<int>(*ms);
}

QSerialPort::Parity ParseParity(const QString &text)
{
    const QString p = text.toUpper();
    if (p == QLatin1String("N"))
        return QSerialPort::NoParity;
    if (p == QLatin1String("E"))
        return QSerialPort::EvenParity;
    if (p == QLatin1String("O"))
        return QSerialPort::OddParity;
    Fail(QStringLiteral("--parity takes N, E or O, not \"%1\"").arg(text));
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("z4sim"));
    QCoreApplication::setApplicationVersion(QStringLiteral(Z4_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A simulated Z4 air-handling-unit board for the Z4 Ventilation service tool.\n"
                       "Serves Modbus TCP (--tcp) and/or Modbus RTU (--rtu) until stopped with Ctrl+C.\n"
                       "Numbers may be given in decimal or as 0x... hexadecimal."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QList<QCommandLineOption> options = {
        {QStringLiteral("tcp"), QStringLiteral("Serve Modbus TCP on PORT (0 picks a free port, printed at start)."),
         QStringLiteral("PORT")},
        {QStringLiteral("listen"), QStringLiteral("Address to listen on for TCP (default 127.0.0.1)."),
         QStringLiteral("ADDR"), QStringLiteral("127.0.0.1")},
        {QStringLiteral("rtu"), QStringLiteral("Serve Modbus RTU on a serial DEVICE (e.g. /dev/ttyUSB0 or a pty)."),
         QStringLiteral("DEVICE")},
        {QStringLiteral("pty"),
         QStringLiteral("Serve Modbus RTU on a pseudo-terminal made at PATH (a link), ignoring what is sent at "
                        "another baud rate, parity or stop bits than the board's (instead of --rtu)."),
         QStringLiteral("PATH")},
        {QStringLiteral("baud"), QStringLiteral("RTU baud rate (default 19200)."), QStringLiteral("BAUD"),
         QStringLiteral("19200")},
        {QStringLiteral("parity"), QStringLiteral("RTU parity N, E or O (default E)."), QStringLiteral("P"),
         QStringLiteral("E")},
        {QStringLiteral("data-bits"), QStringLiteral("RTU data bits 5-8 (default 8)."), QStringLiteral("BITS"),
         QStringLiteral("8")},
        {QStringLiteral("stop-bits"), QStringLiteral("RTU stop bits 1 or 2 (default 1)."), QStringLiteral("BITS"),
         QStringLiteral("1")},
        {QStringLiteral("line-rate"),
         QStringLiteral("RTU: answer no sooner than a real line at BAUD would carry the request and the answer, "
                        "with a 3.5-character silence after each frame (for a pty pair, which carries bytes "
                        "at once)."),
         QStringLiteral("BAUD")},
        {QStringLiteral("turnaround"),
         QStringLiteral("RTU with --line-rate: the board starts its answer MS milliseconds after the request's "
                        "silence (default 0)."),
         QStringLiteral("MS"), QStringLiteral("0")},
        {QStringLiteral("unit"), QStringLiteral("Modbus slave address of the board (default 1)."), QStringLiteral("ID"),
         QStringLiteral("1")},
        {QStringLiteral("firmware"), QStringLiteral("Firmware version at 0xE700 (default 1011)."), QStringLiteral("N"),
         QStringLiteral("1011")},
        {QStringLiteral("board-number"), QStringLiteral("Board number at 0xE701 (default 1)."), QStringLiteral("N"),
         QStringLiteral("1")},
        {QStringLiteral("series"), QStringLiteral("Series number at 0x0385 (default 1)."), QStringLiteral("N"),
         QStringLiteral("1")},
        {QStringLiteral("no-remote"),
         QStringLiteral("A board without remote control: 0x0430-0x0432 are refused with exception 2.")},
        {QStringLiteral("state"),
         QStringLiteral("Keep the configuration in FILE: loaded at start if it exists, saved after every write."),
         QStringLiteral("FILE")},
        {QStringLiteral("delay"), QStringLiteral("Answer every request MS milliseconds late."), QStringLiteral("MS"),
         QStringLiteral("0")},
        {QStringLiteral("drop-every"), QStringLiteral("Leave every Nth request unanswered."), QStringLiteral("N"),
         QStringLiteral("0")},
        {QStringLiteral("refuse"),
         QStringLiteral("Refuse requests touching registers FIRST-LAST with exception CODE (default 2). Repeatable."),
         QStringLiteral("FIRST-LAST[:CODE]")},
        {QStringLiteral("max-read"),
         QStringLiteral("Refuse reads of more than N registers with exception 3, as a board with a small buffer "
                        "does (default 125)."),
         QStringLiteral("N"), QStringLiteral("125")},
        {QStringLiteral("max-read-swallow"),
         QStringLiteral("Leave reads of more than N registers unanswered, as a board that cannot take them and "
                        "says nothing does (instead of --max-read's refusal)."),
         QStringLiteral("N")},
        {QStringLiteral("chatter"),
         QStringLiteral("RTU: send bursts of 1 to 5 random bytes between frames, on average every MS milliseconds "
                        "(a noisy line)."),
         QStringLiteral("MS"), QStringLiteral("0")},
        {QStringLiteral("corrupt-every"), QStringLiteral("Answer every Nth read with a wrong byte count."),
         QStringLiteral("N"), QStringLiteral("0")},
        {QStringLiteral("close-after"), QStringLiteral("TCP: drop a connection when its request N+1 arrives."),
         QStringLiteral("N"), QStringLiteral("0")},
        {QStringLiteral("misframe"),
         QStringLiteral("Send every Nth answer the kind applies to (default 10th) badly. TCP only: long or short "
                        "(length field 5 too many or 2 too few), 65535 (length field), junk (53 bytes before "
                        "it), cut (half of it sent), transaction (another transaction id), unit (another unit "
                        "id), protocol (protocol id 1), trailing (2 bytes after the PDU, counted by the length "
                        "field). TCP and RTU, the frame otherwise right: count-high (a read answer's byte "
                        "count 2 more than its data), count-odd (an odd byte count, the data one byte short "
                        "to match), pdu-cut (half of the PDU), pdu-empty (no PDU)."),
         QStringLiteral("KIND[:N]")},
        {QStringLiteral("late-every"),
         QStringLiteral("Answer every Nth request MS milliseconds late; the answers after it wait their turn "
                        "(TCP and RTU)."),
         QStringLiteral("N:MS")},
    };
    parser.addOptions(options);
    parser.process(app);
    if (!parser.positionalArguments().isEmpty())
        Fail(QStringLiteral("unexpected argument \"%1\" (see --help)").arg(parser.positionalArguments().first()));
    const bool pty = parser.isSet(QStringLiteral("pty"));
    if (pty && parser.isSet(QStringLiteral("rtu")))
        Fail(QStringLiteral("give --rtu DEVICE or --pty PATH, not both"));
    if (!parser.isSet(QStringLiteral("tcp")) && !parser.isSet(QStringLiteral("rtu")) && !pty)
        Fail(QStringLiteral("give --tcp PORT and/or --rtu DEVICE or --pty PATH (see --help)"));
    if (parser.isSet(QStringLiteral("turnaround")) && !parser.isSet(QStringLiteral("line-rate")))
        Fail(QStringLiteral("--turnaround needs --line-rate"));
    if (parser.isSet(QStringLiteral("line-rate")) && !parser.isSet(QStringLiteral("rtu")) && !pty)
        Fail(QStringLiteral("--line-rate paces RTU answers: give --rtu DEVICE too"));

    Z4BoardOptions board;
    board.firmware = static_cast<quint16>(NumberOption(parser, QStringLiteral("firmware"), 0xFFFF));
    board.boardNumber = static_cast<quint16>(NumberOption(parser, QStringLiteral("board-number"), 0xFFFF));
    board.series = static_cast<quint16>(NumberOption(parser, QStringLiteral("series"), 0xFFFF));
    board.remoteControl = !parser.isSet(QStringLiteral("no-remote"));
    board.seed = static_cast<quint32>(QDateTime::currentMSecsSinceEpoch());

    SimFaults faults;
    faults.DelayMs = static_cast<int>(NumberOption(parser, QStringLiteral("delay"), 600000));
    faults.DropEvery = static_cast<int>(NumberOption(parser, QStringLiteral("drop-every"), 1000000));
    faults.CorruptEvery = static_cast<int>(NumberOption(parser, QStringLiteral("corrupt-every"), 1000000));
    faults.CloseAfter = static_cast<int>(NumberOption(parser, QStringLiteral("close-after"), 1000000));
    faults.MaxRead = static_cast<int>(NumberOption(parser, QStringLiteral("max-read"), 125));
    if (faults.MaxRead < 1)
        Fail(QStringLiteral("--max-read takes a register count from 1 to 125"));
    if (parser.isSet(QStringLiteral("max-read-swallow"))) {
        if (parser.isSet(QStringLiteral("max-read")))
            Fail(QStringLiteral("give --max-read N or --max-read-swallow N, not both"));
        faults.MaxRead = static_cast<int>(NumberOption(parser, QStringLiteral("max-read-swallow"), 125));
        if (faults.MaxRead < 1)
            Fail(QStringLiteral("--max-read-swallow takes a register count from 1 to 125"));
        faults.SwallowLongReads = true;
    }
    faults.ChatterMs = static_cast<int>(NumberOption(parser, QStringLiteral("chatter"), 600000));
    if (faults.ChatterMs > 0 && !parser.isSet(QStringLiteral("rtu")) && !pty)
        Fail(QStringLiteral("--chatter makes noise on a serial line: give --rtu DEVICE or --pty PATH too"));
    for (const QString &range : parser.values(QStringLiteral("refuse")))
        faults.Refuse.append(ParseRefusal(range));
    if (parser.isSet(QStringLiteral("misframe")))
        ParseMisframing(parser.value(QStringLiteral("misframe")), faults);
    if (parser.isSet(QStringLiteral("late-every")))
        ParseLateness(parser.value(QStringLiteral("late-every")), faults);
    if (faults.Misframe != Misframing::None && !BreaksPdu(faults.Misframe) && !parser.isSet(QStringLiteral("tcp")))
        Fail(QStringLiteral("--misframe %1 breaks TCP frames: give --tcp too")
                 .arg(parser.value(QStringLiteral("misframe")).section(QLatin1Char(':'), 0, 0)));

    const auto unit = NumberOption(parser, QStringLiteral("unit"), 247);
    if (unit < 1)
        Fail(QStringLiteral("--unit takes a slave address from 1 to 247"));

    Z4SimServer server(board);
    server.SetUnit(static_cast<quint8>(unit));
    server.SetFaults(faults);
    server.SetTicking(true);
    QObject::connect(&server, &Z4SimServer::StateFileError, [](const QString &why) {
        std::fprintf(stderr, "z4sim: could not save the state file: %s\n", qPrintable(why));
    });

    if (parser.isSet(QStringLiteral("state"))) {
        const QString path = parser.value(QStringLiteral("state"));
        QString why;
        if (QFileInfo::exists(path) && !server.Board().loadState(path, &why))
            Fail(QStringLiteral("cannot load the state file %1: %2").arg(path, why));
        server.SetStateFile(path);
    }

    QString error;
    if (parser.isSet(QStringLiteral("tcp"))) {
        const auto port = NumberOption(parser, QStringLiteral("tcp"), 65535);
        const QHostAddress address(parser.value(QStringLiteral("listen")));
        if (address.isNull())
            Fail(
                QStringLiteral("--listen takes an IP address, not \"%1\"").arg(parser.value(QStringLiteral("listen"))));
        if (!server.ListenTcp(address, static_cast<quint16>(port), &error))
            Fail(error);
        // The Modbus server behind the fault relay has a loopback port of its own; both are told.
        std::printf("z4sim: Modbus TCP on %s:%u, unit %u (through a fault relay to the Modbus server on "
                    "127.0.0.1:%u)\n",
                    qPrintable(address.toString()), server.TcpPort(), unit, server.InnerTcpPort());
    }
    SimPtyLine ptyLine;
    if (parser.isSet(QStringLiteral("rtu")) || pty) {
        SimSerialSettings serial;
        serial.BaudRate = static_cast<int>(NumberOption(parser, QStringLiteral("baud"), 4000000));
        serial.Parity = ParseParity(parser.value(QStringLiteral("parity")));
        const auto dataBits = NumberOption(parser, QStringLiteral("data-bits"), 8);
        const auto stopBits = NumberOption(parser, QStringLiteral("stop-bits"), 2);
        if (dataBits < 5 || stopBits < 1)
            Fail(QStringLiteral("--data-bits takes 5 to 8 and --stop-bits 1 or 2"));
        serial.DataBits = static_cast<QSerialPort::DataBits>(dataBits);
        serial.StopBits = stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
        QString device = parser.value(QStringLiteral("rtu"));
        if (pty) {
            device = parser.value(QStringLiteral("pty"));
            if (!ptyLine.Open(device, serial, &error))
                Fail(error);
        }
        if (!server.OpenRtu(pty ? ptyLine.InnerDevice() : device, serial, &error))
            Fail(error);
        if (parser.isSet(QStringLiteral("line-rate"))) {
            const auto rate = NumberOption(parser, QStringLiteral("line-rate"), 4000000);
            if (rate < 50)
                Fail(QStringLiteral("--line-rate takes a baud rate from 50"));
            server.SetLinePacing(
                {static_cast<int>(rate), static_cast<int>(NumberOption(parser, QStringLiteral("turnaround"), 10000))});
        }
        std::printf("z4sim: Modbus RTU on %s, unit %u\n", qPrintable(device), unit);
    }
    std::fflush(stdout);

    // Ctrl+C and SIGTERM end the event loop, so the servers close their ports cleanly.
    if (::socketpair(AF_UNIX, SOCK_STREAM, 0, g_signalPipe) == 0) {
        auto *notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, &app);
        QObject::connect(notifier, &QSocketNotifier::activated, &app, &QCoreApplication::quit);
        std::signal(SIGINT, OnSignal);
        std::signal(SIGTERM, OnSignal);
    }
    return app.exec();
}
