// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_config_read: the configuration read (140 reads, each sent from the previous one's reply,
// as a configuration Save does item by item) through our TTCPModbusClient, against the same 140
// reads by a blocking libmodbus loop, both on one z4sim started for the run. Prints the medians and
// their ratio; our client should stay within 1.5 times the plain loop. A bare QModbusTcpClient
// chain runs alongside, to tell our client's own cost from the Qt Modbus stack's. The same
// configuration in the block reads a Save plans (PlanBlockReads) runs through our client and
// through libmodbus too, with the ratio of the item-by-item read to it.
#include "config/ReadPlan.h"
#include "link/TTCPModbusClient.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusReply>
#include <QModbusTcpClient>

#include <modbus.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <vector>

#include "BareQtChain.h"
#include "BenchSimulator.h"

namespace {
constexpr quint8 kUnit = 1;
constexpr quint32 kTimeoutMs = 1000;

struct Item
{
    quint16 First;
    quint16 Count;
};

// Runs of configuration items: Items consecutive items of Count registers each from First.
struct Run
{
    quint16 First;
    quint16 Count;
    int Items;
};

constexpr std::array<Run, 27> kRuns{{
    {0x0200, 1, 13}, {0x020D, 3, 1},  {0x0210, 1, 6}, {0x0217, 1, 3},  {0x021A, 4, 10}, {0x0242, 1, 13}, {0x024F, 3, 2},
    {0x0255, 2, 1},  {0x0257, 1, 8},  {0x025F, 2, 1}, {0x0261, 1, 1},  {0x0300, 1, 17}, {0x0311, 10, 2}, {0x0325, 8, 2},
    {0x0335, 1, 6},  {0x033B, 3, 1},  {0x033E, 1, 2}, {0x0340, 42, 1}, {0x036A, 21, 1}, {0x037F, 1, 5},  {0x0400, 1, 1},
    {0x0401, 6, 1},  {0x0407, 1, 19}, {0x041A, 3, 2}, {0x0421, 1, 18}, {0x0518, 2, 2},  {0x0520, 2, 1},
}};

constexpr int ItemCount()
{
    int n = 0;
    for (const Run &run : kRuns)
        n += run.Items;
    return n;
}
static_assert(ItemCount() == 140, "the configuration has 140 items");

constexpr std::array<Item, 140> MakeItems()
{
    std::array<Item, 140> items{};
    size_t at = 0;
    for (const Run &run : kRuns) {
        for (int i = 0; i < run.Items; ++i)
            items[at++] = {static_cast<quint16>(run.First + i * run.Count), run.Count};
    }
    return items;
}
constexpr std::array<Item, 140> kItems = MakeItems();
static_assert(kItems[13].First == 0x020D && kItems[23].First == 0x021A && kItems[88].First == 0x033F
                  && kItems[118].First == 0x041D && kItems[139].First == 0x0520,
              "items sit where the configuration has them");

int RegisterCount()
{
    int n = 0;
    for (const Item &item : kItems)
        n += item.Count;
    return n;
}

// The least wire time of the reads on an RTU line at the given baud rate, 8E1 (11 bits a
// character): an 8-byte request, an answer of 5 + 2 x count bytes, and a 3.5-character silence
// after each frame.
double RtuWireSeconds(int baud)
{
    constexpr double kBitsPerChar = 11;
    constexpr double kGapChars = 3.5;
    double chars = 0;
    for (const Item &item : kItems)
        chars += 8 + (5 + 2 * item.Count) + 2 * kGapChars;
    return chars * kBitsPerChar / baud;
}

using bench::Fail;
using bench::Median;
using bench::OpenLibmodbus;
using bench::Pass;
using bench::RunPasses;
using bench::Simulator;

// The block reads a Save plans for the items.
std::vector<Item> PlannedBlocks()
{
    ConfigImage image;
    for (const Item &item : kItems) {
        ConfigItem config;
        config.FirstRegister = item.First;
        config.Registers = item.Count;
        image.push_back(config);
    }
    std::vector<Item> blocks;
    for (const ReadBlock &block : PlanBlockReads(image, static_cast<qint32>(image.size())))
        blocks.push_back({block.FirstRegister, static_cast<quint16>(block.Registers)});
    return blocks;
}

// One pass through our client: each read is sent from the reply of the one before. Seconds.
double OursPass(TTCPModbusClient &client, const std::vector<Item> &reads)
{
    QEventLoop loop;
    size_t next = 0;
    int registers = 0;
    QString failure;
    std::function<void()> send;
    FunctionsStr record;
    record.OnReply = [&](const TModbusAnswer &answer) {
        registers += static_cast<int>(answer.Registers.size());
        if (++next < reads.size())
            send();
        else
            loop.quit();
    };
    record.OnRefused = [&](const TModbusAnswer &answer) {
        failure = QStringLiteral("refused with exception %1").arg(answer.ExceptionCode);
        loop.quit();
    };
    record.OnFailed = [&] {
        failure = QStringLiteral("no valid answer");
        loop.quit();
    };
    send = [&] { client.ReadHoldingRegisters(kUnit, reads[next].First, reads[next].Count, kTimeoutMs, record); };

    QElapsedTimer clock;
    clock.start();
    send();
    loop.exec();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (!failure.isEmpty())
        Fail(QStringLiteral("our client, read %1 (0x%2): %3")
                 .arg(next)
                 .arg(reads[next].First, 4, 16, QLatin1Char('0'))
                 .arg(failure));
    if (registers != RegisterCount())
        Fail(QStringLiteral("our client read %1 registers instead of %2").arg(registers).arg(RegisterCount()));
    return seconds;
}

// One pass through a bare QModbusTcpClient chained the same way: the part of our time that is the
// Qt Modbus stack's own, so that the cost of our client on top of it can be told apart. Seconds.
double BareQtPass(QModbusTcpClient &device)
{
    std::vector<bench::ReadBlock> blocks;
    for (const Item &item : kItems)
        blocks.push_back({item.First, item.Count});
    const bench::ChainResult chain = bench::BareQtReadChain(device, kUnit, blocks);
    if (!chain.Failure.isEmpty())
        Fail(QStringLiteral("bare QModbusTcpClient, item %1: %2").arg(chain.FailedAt).arg(chain.Failure));
    return chain.Seconds;
}

// One pass of the blocking libmodbus loop. Seconds.
double LibmodbusPass(modbus_t *context, const std::vector<Item> &reads)
{
    std::array<uint16_t, 125> buffer{};
    QElapsedTimer clock;
    clock.start();
    for (size_t i = 0; i < reads.size(); ++i) {
        if (modbus_read_registers(context, reads[i].First, reads[i].Count, buffer.data()) != reads[i].Count)
            Fail(QStringLiteral("libmodbus, read %1 (0x%2): %3")
                     .arg(i)
                     .arg(reads[i].First, 4, 16, QLatin1Char('0'))
                     .arg(QString::fromLocal8Bit(modbus_strerror(errno))));
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Times the 140-read configuration read through our Modbus TCP "
                                                    "client against a blocking libmodbus loop, both on z4sim."));
    parser.addHelpOption();
    const bench::RunOptions runOptions(parser, 20, 3);
    parser.process(app);
    const auto [rounds, warmup, simPath] = runOptions.Read(parser);

    Simulator simulator;
    const quint16 port = simulator.Start(simPath);

    TTCPModbusClient client;
    bench::OpenClient(client, port);

    QModbusTcpClient bare;
    bare.setConnectionParameter(QModbusDevice::NetworkAddressParameter, QStringLiteral("127.0.0.1"));
    bare.setConnectionParameter(QModbusDevice::NetworkPortParameter, port);
    bare.setTimeout(static_cast<int>(kTimeoutMs));
    bare.setNumberOfRetries(0);
    {
        QEventLoop loop;
        QObject::connect(&bare, &QModbusDevice::stateChanged, &loop, [&](QModbusDevice::State state) {
            if (state == QModbusDevice::ConnectedState)
                loop.quit();
            else if (state == QModbusDevice::UnconnectedState)
                Fail(QStringLiteral("bare QModbusTcpClient: ") + bare.errorString());
        });
        if (!bare.connectDevice())
            Fail(QStringLiteral("bare QModbusTcpClient: ") + bare.errorString());
        loop.exec();
    }

    modbus_t *context = OpenLibmodbus(port, kUnit, static_cast<int>(kTimeoutMs));

    const std::vector<Item> items(kItems.begin(), kItems.end());
    const std::vector<Item> blocks = PlannedBlocks();
    std::array<Pass, 5> passes{{
        {"TTCPModbusClient (chained)", [&] { return OursPass(client, items); }, {}},
        {"libmodbus (blocking loop)", [&] { return LibmodbusPass(context, items); }, {}},
        {"bare QModbusTcpClient (chained)", [&] { return BareQtPass(bare); }, {}},
        {"TTCPModbusClient, block reads", [&] { return OursPass(client, blocks); }, {}},
        {"libmodbus, block reads", [&] { return LibmodbusPass(context, blocks); }, {}},
    }};
    RunPasses(passes, warmup, rounds);
    modbus_close(context);
    modbus_free(context);
    bare.disconnectDevice();
    client.Close();

    std::printf(
        "configuration read: %zu reads, %d registers, z4sim on 127.0.0.1:%u, median of %d rounds after %d warm-up\n",
        kItems.size(), RegisterCount(), port, rounds, warmup);
    std::array<double, 5> medians{};
    for (size_t k = 0; k < passes.size(); ++k) {
        const std::vector<double> &seconds = passes[k].Seconds;
        medians[k] = Median(seconds);
        const size_t reads = k < 3 ? items.size() : blocks.size();
        std::printf("  %-32s %8.2f ms  (%5.1f us a read; best %.2f ms, worst %.2f ms)\n", passes[k].Name,
                    medians[k] * 1e3, medians[k] * 1e6 / static_cast<double>(reads),
                    *std::min_element(seconds.begin(), seconds.end()) * 1e3,
                    *std::max_element(seconds.begin(), seconds.end()) * 1e3);
    }
    const double ratio = medians[0] / medians[1];
    std::printf("  ratio ours/libmodbus             %8.2fx  (target: at most 1.5x) %s\n", ratio,
                ratio <= 1.5 ? "met" : "NOT MET");
    std::printf("  ratio ours/bare Qt               %8.2fx  (what our client adds to the Qt Modbus stack)\n",
                medians[0] / medians[2]);
    std::printf("  %zu block reads instead of %zu reads: item by item / blocks %.2fx (ours), %.2fx (libmodbus); "
                "ours/libmodbus in blocks %.2fx\n",
                blocks.size(), items.size(), medians[0] / medians[3], medians[1] / medians[4], medians[3] / medians[4]);
    std::printf("for the record: on RTU at 19200 baud 8E1 the same reads need at least %.2f s of wire time\n",
                RtuWireSeconds(19200));
    return 0;
}
