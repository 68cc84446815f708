// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_z4ctl_save: `z4ctl save` of a whole configuration from z4sim on loopback, as a whole
// process from its start to its exit, against two peers run as processes in the same run and
// reading the same blocks: a small blocking libmodbus program (bench_libmodbus_save_peer) that
// connects once, reads them and writes the values to a file, and a shell script that calls mbpoll
// once a block. z4ctl reads the firmware version, then the configuration in the block reads a
// Save plans (runs of consecutive items, at most 125 registers a read); the board has firmware
// with the extended set, so all 140 items are read. The libmodbus program also reads the items
// one request each, as z4ctl did before it read in blocks. Each run is checked: its exit
// status, its file, and every value in it against the board's. Prints the medians and the ratios;
// z4ctl should stay within 2 times the libmodbus program. `z4ctl --help` runs alongside: its start
// and Qt's set-up without a line, to tell the share of z4ctl's time that is process start-up.
#include "config/ConfigFile.h"
#include "config/DefinitionFile.h"
#include "config/ReadPlan.h"
#include "config/TransferRows.h"
#include "monitor/LiveDecoders.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <modbus.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <map>
#include <vector>

#include "BenchSimulator.h"

#ifndef Z4_CTL_EXE
#error "Z4_CTL_EXE must name the z4ctl executable (see bench/CMakeLists.txt)"
#endif
#ifndef Z4_SAVE_PEER_EXE
#error "Z4_SAVE_PEER_EXE must name the libmodbus peer executable (see bench/CMakeLists.txt)"
#endif

namespace {
constexpr int kUnit = 1;
constexpr int kTimeoutMs = 1000;
constexpr int kProcessMs = 60000;
// A version ending in 12 or more: the board has the extended set, and a save moves every item.
const QString kFirmware = QStringLiteral("1012");

using bench::Fail;
using bench::Median;
using bench::Pass;
using bench::RunPasses;
using bench::Simulator;

// Register address -> value.
using Values = std::map<int, quint16>;

struct Block
{
    quint16 First;
    quint16 Count;
};

// One read per item, after the firmware version.
std::vector<Block> ItemReads()
{
    std::vector<Block> blocks{{live::kVersionRead.Start, live::kVersionRead.Count}};
    for (const TParameterRow &row : TransferRows())
        blocks.push_back({row.FirstRegister, static_cast<quint16>(row.Registers)});
    return blocks;
}

// What z4ctl save reads, in its order: the firmware version, then the planned block reads.
std::vector<Block> SaveBlocks(const TConfigImages &definition)
{
    std::vector<Block> blocks{{live::kVersionRead.Start, live::kVersionRead.Count}};
    for (const ReadBlock &block : PlanBlockReads(definition.BoardImage, definition.ItemCount))
        blocks.push_back({block.FirstRegister, static_cast<quint16>(block.Registers)});
    return blocks;
}

int RegisterCount(const std::vector<Block> &blocks)
{
    int n = 0;
    for (const Block &block : blocks)
        n += block.Count;
    return n;
}

// The board's values at every register of the blocks, read once before the timing.
Values BoardValues(quint16 port, const std::vector<Block> &blocks)
{
    modbus_t *context = bench::OpenLibmodbus(port, kUnit, kTimeoutMs);
    Values values;
    std::array<uint16_t, MODBUS_MAX_READ_REGISTERS> buffer{};
    for (const Block &block : blocks) {
        if (modbus_read_registers(context, block.First, block.Count, buffer.data()) != block.Count)
            Fail(QStringLiteral("reading 0x%1 from z4sim: %2")
                     .arg(block.First, 4, 16, QLatin1Char('0'))
                     .arg(QString::fromLocal8Bit(modbus_strerror(errno))));
        for (int k = 0; k < block.Count; ++k)
            values[block.First + k] = buffer[static_cast<size_t>(k)];
    }
    modbus_close(context);
    modbus_free(context);
    return values;
}

// The first register at which got differs from expected, in words; empty when they are equal.
QString Mismatch(const Values &got, const Values &expected)
{
    for (const auto &[address, value] : expected) {
        const auto it = got.find(address);
        if (it == got.end())
            return QStringLiteral("no value for 0x%1").arg(address, 4, 16, QLatin1Char('0'));
        if (it->second != value)
            return QStringLiteral("0x%1 is %2, the board has %3")
                .arg(address, 4, 16, QLatin1Char('0'))
                .arg(it->second)
                .arg(value);
    }
    if (got.size() != expected.size())
        return QStringLiteral("%1 values where %2 were read").arg(got.size()).arg(expected.size());
    return {};
}

// One process to its end, timed from just before its start. Ends the run when it does not end
// within kProcessMs or exits with anything but 0.
double RunProcess(const char *name, const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    const bool finished = process.waitForFinished(kProcessMs);
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (!finished) {
        process.kill();
        process.waitForFinished(kProcessMs);
        Fail(QStringLiteral("%1 did not finish within %2 s: %3")
                 .arg(name)
                 .arg(kProcessMs / 1000)
                 .arg(process.errorString()));
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        Fail(QStringLiteral("%1 exited with %2: %3")
                 .arg(name)
                 .arg(process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1)
                 .arg(QString::fromLocal8Bit(process.readAllStandardError()).trimmed()));
    return seconds;
}

QByteArray ReadWhole(const char *name, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        Fail(QStringLiteral("%1 wrote no %2: %3").arg(name, path, file.errorString()));
    return file.readAll();
}

// Every value of the lines "[address]: value" (mbpoll) or "0xADDRESS=value" (the libmodbus program).
Values ParseLines(const QByteArray &text, const QRegularExpression &line, int base)
{
    Values values;
    for (auto it = line.globalMatch(QString::fromLatin1(text)); it.hasNext();) {
        const auto match = it.next();
        values[match.captured(1).toInt(nullptr, base)] = static_cast<quint16>(match.captured(2).toInt());
    }
    return values;
}

void Check(const char *name, const Values &got, const Values &expected)
{
    if (const QString why = Mismatch(got, expected); !why.isEmpty())
        Fail(QStringLiteral("%1 did not bring back the board's configuration: %2").arg(name, why));
}

// z4ctl save into file; its file read back through the definition and checked against the board.
double Z4ctlRun(const QString &program, quint16 port, const QString &file, const TConfigImages &definition,
                const Values &expected)
{
    QFile::remove(file);
    const char *name = "z4ctl save";
    const double seconds = RunProcess(name, program,
                                      {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port),
                                       QStringLiteral("--unit"), QString::number(kUnit), QStringLiteral("save"), file});
    TConfigImages images = definition;
    QString why;
    if (!ReadConfigFile(file, images, true, &why))
        Fail(QStringLiteral("%1 wrote a file that does not read back: %2").arg(name, why));
    if (images.ActiveItemCount != images.ItemCount)
        Fail(QStringLiteral("%1 saved %2 of the %3 items").arg(name).arg(images.ActiveItemCount).arg(images.ItemCount));
    Values got;
    for (const ConfigItem &item : images.FileImage) {
        for (int k = 0; k < item.Registers; ++k)
            got[item.FirstRegister + k] = item.Values[static_cast<size_t>(k)];
    }
    // The version block is read, but not kept in the file.
    Values items = expected;
    for (int k = 0; k < live::kVersionRead.Count; ++k)
        items.erase(live::kVersionRead.Start + k);
    Check(name, got, items);
    return seconds;
}

// The libmodbus program: one connection, every block, the values to file.
double LibmodbusRun(const QString &program, quint16 port, const std::vector<Block> &blocks, const QString &file,
                    const Values &expected)
{
    QFile::remove(file);
    const char *name = "libmodbus program";
    QStringList arguments{QStringLiteral("127.0.0.1"), QString::number(port), QString::number(kUnit), file};
    for (const Block &block : blocks)
        arguments << QStringLiteral("%1:%2").arg(block.First).arg(block.Count);
    const double seconds = RunProcess(name, program, arguments);
    static const QRegularExpression line(QStringLiteral("^0x([0-9A-F]{4})=(\\d+)$"),
                                         QRegularExpression::MultilineOption);
    Check(name, ParseLines(ReadWhole(name, file), line, 16), expected);
    return seconds;
}

// The shell script that calls mbpoll once a block, its output going to the file given as its
// argument.
QString MbpollScript(const QString &mbpoll, quint16 port, const std::vector<Block> &blocks)
{
    // -1: once, -0: protocol addresses, -t 4: holding registers as 16-bit numbers.
    QString script = QStringLiteral("#!/bin/sh\nset -e\n");
    QString redirect = QStringLiteral(">");
    for (const Block &block : blocks) {
        script += QStringLiteral("%1 -m tcp -a %2 -t 4 -0 -1 -p %3 -r %4 -c %5 127.0.0.1 %6 \"$1\"\n")
                      .arg(mbpoll)
                      .arg(kUnit)
                      .arg(port)
                      .arg(block.First)
                      .arg(block.Count)
                      .arg(redirect);
        redirect = QStringLiteral(">>");
    }
    return script;
}

double MbpollRun(const QString &script, const QString &file, const Values &expected)
{
    QFile::remove(file);
    const char *name = "mbpoll loop";
    const double seconds = RunProcess(name, QStringLiteral("/bin/sh"), {script, file});
    // A value over 32767 comes with its signed reading: "[517]:<tab>65535 (-1)".
    static const QRegularExpression line(QStringLiteral("^\\[(\\d+)\\]:\\s+(\\d+)(?: \\(-\\d+\\))?\\s*$"),
                                         QRegularExpression::MultilineOption);
    Check(name, ParseLines(ReadWhole(name, file), line, 10), expected);
    return seconds;
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times z4ctl save of a whole configuration from z4sim, as a process, against a libmodbus "
                       "program and an mbpoll call per block reading the same blocks."));
    parser.addHelpOption();
    const bench::RunOptions runOptions(parser, 9, 1);
    const QCommandLineOption ctlOption(QStringLiteral("z4ctl"),
                                       QStringLiteral("The z4ctl executable (default: the one built with this)."),
                                       QStringLiteral("PATH"), QStringLiteral(Z4_CTL_EXE));
    const QCommandLineOption peerOption(QStringLiteral("peer"),
                                        QStringLiteral("The libmodbus program (default: the one built with this)."),
                                        QStringLiteral("PATH"), QStringLiteral(Z4_SAVE_PEER_EXE));
    const QCommandLineOption mbpollOption(QStringLiteral("mbpoll"),
                                          QStringLiteral("The mbpoll executable (default: /usr/bin/mbpoll)."),
                                          QStringLiteral("PATH"), QStringLiteral("/usr/bin/mbpoll"));
    const QCommandLineOption defOption(
        QStringLiteral("def"), QStringLiteral("The parameter definition file the saved file is read back with."),
        QStringLiteral("PATH"), QStringLiteral(Z4_DEF_FILE));
    parser.addOptions({ctlOption, peerOption, mbpollOption, defOption});
    parser.process(app);
    const auto [rounds, warmup, simPath] = runOptions.Read(parser);

    TConfigImages definition;
    QString error;
    if (!ReadDefinitionFile(parser.value(defOption), definition, &error))
        Fail(error);
    const std::vector<Block> items = ItemReads();
    const std::vector<Block> blocks = SaveBlocks(definition);
    if (definition.ItemCount != kTransferItems || items.size() != static_cast<size_t>(kTransferItems) + 1)
        Fail(QStringLiteral("the definition file describes %1 items, not the configuration's %2")
                 .arg(definition.ItemCount)
                 .arg(kTransferItems));

    QTemporaryDir folder;
    if (!folder.isValid())
        Fail(QStringLiteral("no temporary folder: ") + folder.errorString());
    const QDir dir(folder.path());

    Simulator simulator;
    const quint16 port = simulator.Start(simPath, {QStringLiteral("--firmware"), kFirmware});
    const Values expected = BoardValues(port, blocks);

    const QString script = dir.filePath(QStringLiteral("mbpoll-save.sh"));
    {
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly)
            || file.write(MbpollScript(parser.value(mbpollOption), port, blocks).toUtf8()) < 0)
            Fail(QStringLiteral("cannot write %1: %2").arg(script, file.errorString()));
    }

    const QString ctl = parser.value(ctlOption);
    const QString peer = parser.value(peerOption);
    const QString ctlFile = dir.filePath(QStringLiteral("z4ctl.cnf"));
    const QString peerFile = dir.filePath(QStringLiteral("libmodbus.txt"));
    const QString mbpollFile = dir.filePath(QStringLiteral("mbpoll.txt"));
    const QString itemsFile = dir.filePath(QStringLiteral("libmodbus-items.txt"));
    enum { Z4ctl, Libmodbus, Mbpoll, Z4ctlStart, LibmodbusItems, PassCount };
    std::array<Pass, PassCount> passes{{
        {"z4ctl save", [&] { return Z4ctlRun(ctl, port, ctlFile, definition, expected); }, {}},
        {"libmodbus program", [&] { return LibmodbusRun(peer, port, blocks, peerFile, expected); }, {}},
        {"mbpoll, one call a block", [&] { return MbpollRun(script, mbpollFile, expected); }, {}},
        {"z4ctl --help (start-up)", [&] { return RunProcess("z4ctl --help", ctl, {QStringLiteral("--help")}); }, {}},
        {"libmodbus program, by item", [&] { return LibmodbusRun(peer, port, items, itemsFile, expected); }, {}},
    }};
    RunPasses(passes, warmup, rounds);

    std::printf("z4ctl save as a process: %zu reads (the version, then %d items in %zu blocks), %d registers, z4sim "
                "(firmware %s) on 127.0.0.1:%u, median of %d runs after %d warm-up\n",
                blocks.size(), kTransferItems, blocks.size() - 1, RegisterCount(blocks), qPrintable(kFirmware), port,
                rounds, warmup);
    std::printf("every run checked: exit status 0, and every value in its file the board's\n");
    std::array<double, PassCount> medians{};
    for (size_t k = 0; k < passes.size(); ++k) {
        const std::vector<double> &seconds = passes[k].Seconds;
        medians[k] = Median(seconds);
        std::printf("  %-26s %9.2f ms  (best %.2f ms, worst %.2f ms)\n", passes[k].Name, medians[k] * 1e3,
                    *std::min_element(seconds.begin(), seconds.end()) * 1e3,
                    *std::max_element(seconds.begin(), seconds.end()) * 1e3);
    }
    const double libmodbusRatio = medians[Z4ctl] / medians[Libmodbus];
    std::printf("  ratio z4ctl/libmodbus program %7.2fx  (target: at most 2x) %s\n", libmodbusRatio,
                libmodbusRatio <= 2 ? "met" : "NOT MET");
    std::printf("  ratio z4ctl/mbpoll loop       %7.4fx  (the loop takes %.0f times as long)\n",
                medians[Z4ctl] / medians[Mbpoll], medians[Mbpoll] / medians[Z4ctl]);
    std::printf("  libmodbus program by item / in blocks %5.2fx; z4ctl in blocks / libmodbus by item %5.2fx\n",
                medians[LibmodbusItems] / medians[Libmodbus], medians[Z4ctl] / medians[LibmodbusItems]);
    std::printf("for the record: %.2f ms of z4ctl's median are its start and Qt's set-up (z4ctl --help)\n",
                medians[Z4ctlStart] * 1e3);
    return 0;
}
