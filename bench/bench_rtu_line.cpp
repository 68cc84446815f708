// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_rtu_line: the tool on an RS-485 line at its real rate. z4sim serves one end of a socat pty
// pair and paces its answers as a line at 19200 (and 9600) baud 8E1 would carry them
// (--line-rate). On the other end, taking turns: the whole-configuration Save, Verify and Load
// (TConfigChains on a TBoardSession over our TSerialModbusClient) and one poll cycle (TPoll's five
// reads), against blocking libmodbus RTU loops doing the same requests, and against the least
// wire time those requests need. Save and Verify run as the tool runs them, in block reads, and
// as it runs them on a board that refuses block reads, one item per request. A chain of the same
// block reads straight through Qt's QModbusRtuSerialClient runs alongside, to tell what Qt's RTU
// client costs by itself. And the Save on a line that chatters between frames against the same
// Save on a clean one.
#include "config/ConfigChains.h"
#include "config/ConfigCompare.h"
#include "config/DefinitionFile.h"
#include "link/TSerialModbusClient.h"
#include "monitor/LiveDecoders.h"
#include "monitor/TPoll.h"
#include "session/TBoardSession.h"
#include "session/TLiveState.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QModbusRtuSerialClient>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <modbus.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <tuple>
#include <vector>

#include "BareQtChain.h"
#include "BenchSimulator.h"
#include "PacedLine.h"

namespace {
constexpr quint8 kUnit = 1;
constexpr quint32 kTimeoutMs = 1000;
// Poll cycles in one timed poll pass, one after the other.
constexpr int kPollCycles = 5;

using paced::kCycle;
using paced::PacedLine;
using paced::Wire;

using bench::Median;
using bench::Pass;
using bench::RunPasses;

[[noreturn]] void Fail(const QString &message)
{
    PacedLine::Fail(message);
}

QString ItemName(const ConfigImage &image, size_t index)
{
    if (index >= image.size())
        return QStringLiteral("item %1").arg(index);
    const ConfigItem &item = image[index];
    return QStringLiteral("item %1 (0x%2, [%3] %4)")
        .arg(index)
        .arg(item.FirstRegister, 4, 16, QLatin1Char('0'))
        .arg(item.Section, item.Ident);
}

double Seconds(const QElapsedTimer &clock)
{
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// Our side: TSerialModbusClient under a TBoardSession, with the chains and the poll on it. The
// line is opened for each pass and closed after it, outside the timing, so that only one master
// has the port at a time.
class Ours
{
public:
    Ours(const QString &port, int rate, TConfigImages &images) : m_images(images), m_chains(m_session, images)
    {
        m_client.SetCommDevice(1, port);
        m_client.SetCommNumber(1);
        m_client.SetBaudRate(rate);
        m_client.SetParity(QSerialPort::EvenParity);
        m_session.SetActiveClient(&m_client);
        m_session.SetSlaveAddress(kUnit);
        m_session.SetRequestTimeout(kTimeoutMs);
        m_session.SetSharedFailureHandler([] { Fail(QStringLiteral("a poll read got no valid answer")); });
        m_chains.OnProgress = [this](int percent) { m_percent = percent; };
        m_chains.OnAborted = [this](const QString &why) {
            m_failure = QStringLiteral("%1 aborted at item %2: %3").arg(m_what).arg(m_chains.ChainIndex()).arg(why);
            m_loop.quit();
        };
        m_chains.OnWriteRefused = [this](const ConfigItem &item, quint8 code) {
            m_failure = QStringLiteral("the board refused writing 0x%1 (exception %2)")
                            .arg(item.FirstRegister, 4, 16, QLatin1Char('0'))
                            .arg(code);
        };
        QObject::connect(&m_poll, &TPoll::RegulationSampleTaken, &m_loop, &QEventLoop::quit);
    }

    // The read chain in block reads, or one item per request as after a refused block.
    double Save(bool itemByItem = false)
    {
        m_what = QStringLiteral("the read chain");
        return Chain([this, itemByItem] {
            if (itemByItem)
                m_chains.ReadItemByItem();
            m_chains.BoardReadChain([this] { Done(); });
        });
    }

    // The read chain and the comparison of what it read with the file image.
    double Verify(bool itemByItem = false)
    {
        m_what = QStringLiteral("the verify read chain");
        return Chain([this, itemByItem] {
            if (itemByItem)
                m_chains.ReadItemByItem();
            m_chains.BoardReadChain([this] {
                if (!ConfigDifferences(m_images.BoardImage, m_images.FileImage, m_images.ActiveItemCount).empty())
                    m_failure = QStringLiteral("Verify found the board different from what it saved");
                Done();
            });
        });
    }

    double Load()
    {
        m_what = QStringLiteral("the write chain");
        return Chain([this] { m_chains.BoardWriteChain([this] { Done(); }); });
    }

    // kPollCycles cycles, each from the cycle's start to its last handler. Seconds a cycle.
    double Poll()
    {
        Open();
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kPollCycles; ++i) {
            m_poll.PollCycle();
            m_loop.exec();
        }
        const double seconds = Seconds(clock) / kPollCycles;
        Close();
        return seconds;
    }

private:
    void Open()
    {
        QEventLoop wait;
        QObject::connect(&m_client, &TModbusClient::OnConnect, &wait, &QEventLoop::quit);
        QObject::connect(&m_client, &TModbusClient::OnLineError, &wait, [](const QString &why) { Fail(why); });
        m_client.Open();
        wait.exec();
        m_session.SetConnected(true);
        m_session.SetLinkOk(true);
    }

    void Close()
    {
        m_session.SetConnected(false);
        QEventLoop wait;
        QObject::connect(&m_client, &TModbusClient::OnDisconnect, &wait, &QEventLoop::quit);
        m_client.Close();
        wait.exec();
    }

    double Chain(const std::function<void()> &start)
    {
        Open();
        m_failure.clear();
        m_percent = -1;
        m_done = false;
        QElapsedTimer clock;
        clock.start();
        start();
        if (!m_done && m_failure.isEmpty())
            m_loop.exec();
        const double seconds = Seconds(clock);
        if (!m_failure.isEmpty())
            Fail(m_failure);
        if (!m_done || m_percent != 100)
            Fail(QStringLiteral("%1 ended at %2 percent").arg(m_what).arg(m_percent));
        Close();
        return seconds;
    }

    void Done()
    {
        m_done = true;
        m_loop.quit();
    }

    TSerialModbusClient m_client;
    TBoardSession m_session;
    TConfigImages &m_images;
    TLiveState m_state;  // the version countdown starts at 0: no version read for 65536 cycles
    TPoll m_poll{m_session, m_state};
    TConfigChains m_chains;
    QEventLoop m_loop;
    QString m_what;
    QString m_failure;
    int m_percent = -1;
    bool m_done = false;
};

// The same reads as the Save chain, each sent from the previous reply, straight through Qt's RTU
// client with its own defaults (inter-frame delay, turnaround). Seconds.
double BareQtReadChain(const QString &port, int rate, const std::vector<ReadBlock> &plan)
{
    QModbusRtuSerialClient client;
    client.setConnectionParameter(QModbusDevice::SerialPortNameParameter, port);
    client.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, rate);
    client.setConnectionParameter(QModbusDevice::SerialParityParameter, QSerialPort::EvenParity);
    client.setTimeout(static_cast<int>(kTimeoutMs));
    client.setNumberOfRetries(0);
    if (!client.connectDevice())
        Fail(QStringLiteral("QModbusRtuSerialClient cannot open %1: %2").arg(port, client.errorString()));

    std::vector<bench::ReadBlock> blocks;
    for (const ReadBlock &block : plan)
        blocks.push_back({block.FirstRegister, static_cast<quint16>(block.Registers)});
    const bench::ChainResult chain = bench::BareQtReadChain(client, kUnit, blocks);
    if (!chain.Failure.isEmpty())
        Fail(QStringLiteral("QModbusRtuSerialClient, block %1: %2").arg(chain.FailedAt).arg(chain.Failure));
    client.disconnectDevice();
    return chain.Seconds;
}

// The peer: a blocking libmodbus RTU master, opened for one pass on the master's end.
class Libmodbus
{
public:
    Libmodbus(const QString &port, int rate) : m_port(port.toLocal8Bit()), m_rate(rate) {}

    double ReadLoop(const ConfigImage &image)
    {
        return Timed([&](modbus_t *context) {
            std::array<uint16_t, 125> buffer{};
            for (size_t i = 0; i < image.size(); ++i) {
                const ConfigItem &item = image[i];
                if (modbus_read_registers(context, item.FirstRegister, item.Registers, buffer.data()) != item.Registers)
                    Fail(QStringLiteral("libmodbus read, %1: %2").arg(ItemName(image, i), Error()));
            }
        });
    }

    double BlockLoop(const std::vector<ReadBlock> &plan)
    {
        return Timed([&](modbus_t *context) {
            std::array<uint16_t, 125> buffer{};
            for (const ReadBlock &block : plan) {
                if (modbus_read_registers(context, block.FirstRegister, block.Registers, buffer.data())
                    != block.Registers)
                    Fail(QStringLiteral("libmodbus read of 0x%1, %2 registers: %3")
                             .arg(block.FirstRegister, 4, 16, QLatin1Char('0'))
                             .arg(block.Registers)
                             .arg(Error()));
            }
        });
    }

    double WriteLoop(const ConfigImage &image)
    {
        return Timed([&](modbus_t *context) {
            for (size_t i = 0; i < image.size(); ++i) {
                const ConfigItem &item = image[i];
                const int written =
                    item.Registers == 1
                        ? modbus_write_register(context, item.FirstRegister, item.Values[0])
                        : modbus_write_registers(context, item.FirstRegister, item.Registers, item.Values.data());
                if (written != item.Registers)
                    Fail(QStringLiteral("libmodbus write, %1: %2").arg(ItemName(image, i), Error()));
            }
        });
    }

    // kPollCycles times the five reads of a poll cycle. Seconds a cycle.
    double PollLoop()
    {
        return Timed([](modbus_t *context) {
                   std::array<uint16_t, 125> buffer{};
                   for (int i = 0; i < kPollCycles; ++i) {
                       for (const live::BlockRead &read : kCycle) {
                           if (modbus_read_registers(context, read.Start, read.Count, buffer.data()) != read.Count)
                               Fail(QStringLiteral("libmodbus, poll read at 0x%1: %2")
                                        .arg(read.Start, 4, 16, QLatin1Char('0'))
                                        .arg(Error()));
                       }
                   }
               })
               / kPollCycles;
    }

private:
    static QString Error() { return QString::fromLocal8Bit(modbus_strerror(errno)); }

    double Timed(const std::function<void(modbus_t *)> &work)
    {
        modbus_t *context = modbus_new_rtu(m_port.constData(), m_rate, 'E', 8, 1);
        if (!context)
            Fail(QStringLiteral("modbus_new_rtu: ") + Error());
        modbus_set_slave(context, kUnit);
        modbus_set_response_timeout(context, kTimeoutMs / 1000, (kTimeoutMs % 1000) * 1000);
        if (modbus_connect(context) != 0)
            Fail(QStringLiteral("modbus_connect %1: %2").arg(QString::fromLocal8Bit(m_port), Error()));
        QElapsedTimer clock;
        clock.start();
        work(context);
        const double seconds = Seconds(clock);
        modbus_close(context);
        modbus_free(context);
        return seconds;
    }

    QByteArray m_port;
    int m_rate;
};

// Both peers at one rate, on a line of their own. Prints the medians and the ratios.
void RunRate(const QString &simPath, int rate, TConfigImages &images, int rounds, int warmup)
{
    PacedLine line(simPath, rate);
    Ours ours(line.EndA(), rate, images);
    Libmodbus peer(line.EndA(), rate);
    const Wire wire{rate};

    // The timed Loads write the board's own configuration back.
    ours.Save();
    images.FileImage = images.BoardImage;
    const ConfigImage &image = images.FileImage;

    const std::vector<ReadBlock> plan = PlanBlockReads(image, images.ActiveItemCount);

    enum {
        SaveChain,
        SaveItems,
        VerifyChain,
        VerifyItems,
        BlockLoop,
        ReadLoop,
        BareQt,
        LoadChain,
        WriteLoop,
        PollOurs,
        PollPeer,
        PassCount
    };
    std::array<Pass, PassCount> passes{{
        {"Save: read chain, block reads", [&] { return ours.Save(); }, {}},
        {"Save: read chain, item by item", [&] { return ours.Save(true); }, {}},
        {"Verify: block reads", [&] { return ours.Verify(); }, {}},
        {"Verify: item by item", [&] { return ours.Verify(true); }, {}},
        {"Save: libmodbus loop of the blocks", [&] { return peer.BlockLoop(plan); }, {}},
        {"Save: libmodbus loop of the items", [&] { return peer.ReadLoop(image); }, {}},
        {"Save: bare Qt client, the blocks", [&] { return BareQtReadChain(line.EndA(), rate, plan); }, {}},
        {"Load: TConfigChains write chain", [&] { return ours.Load(); }, {}},
        {"Load: libmodbus write loop", [&] { return peer.WriteLoop(image); }, {}},
        {"Poll cycle: TPoll over our client", [&] { return ours.Poll(); }, {}},
        {"Poll cycle: libmodbus five reads", [&] { return peer.PollLoop(); }, {}},
    }};
    RunPasses(passes, warmup, rounds);

    const double blocksWire = wire.BlockReads(plan);
    const double itemsWire = wire.ReadChain(image);
    const std::array<double, PassCount> wireSeconds{blocksWire,
                                                    itemsWire,
                                                    blocksWire,
                                                    itemsWire,
                                                    blocksWire,
                                                    itemsWire,
                                                    blocksWire,
                                                    wire.WriteChain(image),
                                                    wire.WriteChain(image),
                                                    wire.PollCycle(),
                                                    wire.PollCycle()};
    std::printf("RTU line at %d baud 8E1 (z4sim --line-rate %d on a socat pty pair), median of %d rounds after %d "
                "warm-up; %zu block reads for %zu items:\n",
                rate, rate, rounds, warmup, plan.size(), image.size());
    std::array<double, PassCount> medians{};
    for (size_t k = 0; k < passes.size(); ++k) {
        const std::vector<double> &seconds = passes[k].Seconds;
        medians[k] = Median(seconds);
        std::printf("  %-36s %9.1f ms  wire %8.1f ms  %5.3fx wire  (best %.1f, worst %.1f)\n", passes[k].Name,
                    medians[k] * 1e3, wireSeconds[k] * 1e3, medians[k] / wireSeconds[k],
                    *std::min_element(seconds.begin(), seconds.end()) * 1e3,
                    *std::max_element(seconds.begin(), seconds.end()) * 1e3);
    }
    // The targets hold at 19200 baud; at other rates the ratios are for the record.
    const bool targeted = rate == 19200;
    const auto verdict = [targeted](bool met) { return targeted ? (met ? " met" : " NOT MET") : ""; };
    for (const auto &[what, blocks, items] :
         {std::tuple{"Save", SaveChain, SaveItems}, std::tuple{"Verify", VerifyChain, VerifyItems}}) {
        const double faster = medians[items] / medians[blocks];
        const double toWire = medians[blocks] / blocksWire;
        const double toPeer = medians[blocks] / medians[BlockLoop];
        std::printf("  %-6s item by item / blocks %5.2fx%s%s   blocks/wire %5.3fx%s%s   blocks/libmodbus blocks "
                    "%5.3fx\n",
                    what, faster, targeted ? " (target at least 4x)" : "", verdict(faster >= 4.0), toWire,
                    targeted ? " (target at most 1.10x)" : "", verdict(toWire <= 1.10), toPeer);
    }
    const auto report = [&](const char *what, double ours, double peerSeconds, double wireS) {
        const double toPeer = ours / peerSeconds;
        const double toWire = ours / wireS;
        if (targeted)
            std::printf("  %-11s ours/libmodbus %6.3fx (target at most 1.05x) %-7s  ours/wire %6.3fx (target at most "
                        "1.15x) %s\n",
                        what, toPeer, toPeer <= 1.05 ? "met" : "NOT MET", toWire, toWire <= 1.15 ? "met" : "NOT MET");
        else
            std::printf("  %-11s ours/libmodbus %6.3fx  ours/wire %6.3fx\n", what, toPeer, toWire);
    };
    report("Load", medians[LoadChain], medians[WriteLoop], wireSeconds[LoadChain]);
    report("Poll cycle", medians[PollOurs], medians[PollPeer], wireSeconds[PollOurs]);
    std::printf("  a request's overhead over the wire: ours %.2f ms (blocks), %.2f ms (items), libmodbus %.2f ms "
                "(blocks), bare Qt %.2f ms (blocks)\n",
                (medians[SaveChain] - blocksWire) * 1e3 / static_cast<double>(plan.size()),
                (medians[SaveItems] - itemsWire) * 1e3 / static_cast<double>(image.size()),
                (medians[BlockLoop] - blocksWire) * 1e3 / static_cast<double>(plan.size()),
                (medians[BareQt] - blocksWire) * 1e3 / static_cast<double>(plan.size()));
    std::fflush(stdout);
}

// The Save in block reads at 19200 baud on a clean line and on one where noise goes out between
// frames about every 20 ms (z4sim --chatter 20), each with a board of its own. Every value the
// chattering line's Save reads must be what the clean line's read.
void RunChatter(const QString &simPath, const TConfigImages &images, int rounds, int warmup)
{
    constexpr int kRate = 19200;
    constexpr int kChatterMs = 20;
    PacedLine clean(simPath, kRate);
    PacedLine noisy(simPath, kRate, kChatterMs);
    TConfigImages cleanImages = images;
    TConfigImages noisyImages = images;
    Ours onClean(clean.EndA(), kRate, cleanImages);
    Ours onNoisy(noisy.EndA(), kRate, noisyImages);
    size_t wrong = 0;
    std::array<Pass, 2> passes{{
        {"Save: block reads, clean line", [&] { return onClean.Save(); }, {}},
        {"Save: block reads, noise every 20 ms",
         [&] {
             const double seconds = onNoisy.Save();
             wrong += ConfigDifferences(noisyImages.BoardImage, cleanImages.BoardImage, images.ActiveItemCount).size();
             return seconds;
         },
         {}},
    }};
    onClean.Save();
    RunPasses(passes, warmup, rounds);
    const double ratio = Median(passes[1].Seconds) / Median(passes[0].Seconds);
    std::printf("Chattering RTU line at %d baud 8E1 (z4sim --chatter %d), median of %d rounds after %d warm-up:\n",
                kRate, kChatterMs, rounds, warmup);
    for (const Pass &pass : passes)
        std::printf("  %-40s %9.1f ms\n", pass.Name, Median(pass.Seconds) * 1e3);
    std::printf("  noisy/clean %5.3fx (target at most 1.5x) %s; values read wrong: %zu %s\n", ratio,
                ratio <= 1.5 ? "met" : "NOT MET", wrong, wrong == 0 ? "(every value right)" : "NOT MET");
    std::fflush(stdout);
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times the configuration Save and Load and one poll cycle over our RTU client on a paced "
                       "pty line, against blocking libmodbus RTU loops and the least wire time."));
    parser.addHelpOption();
    const bench::RunOptions runOptions(parser, 5, 1);
    const QCommandLineOption defOption(QStringLiteral("def"),
                                       QStringLiteral("The parameter definition file (default: the shipped one)."),
                                       QStringLiteral("PATH"), QStringLiteral(Z4_DEF_FILE));
    const QCommandLineOption rateOption(QStringLiteral("rate"),
                                        QStringLiteral("A line rate to run at; repeatable (default 19200 and 9600)."),
                                        QStringLiteral("BAUD"));
    parser.addOptions({defOption, rateOption});
    parser.process(app);
    const auto [rounds, warmup, simPath] = runOptions.Read(parser);
    std::vector<int> rates;
    for (const QString &text : parser.values(rateOption)) {
        bool ok = false;
        const int rate = text.toInt(&ok);
        if (!ok || rate < 1200 || rate > 115200)
            Fail(QStringLiteral("--rate takes a baud rate from 1200 to 115200, not \"%1\"").arg(text));
        rates.push_back(rate);
    }
    if (rates.empty())
        rates = {19200, 9600};

    TConfigImages images;
    QString error;
    if (!ReadDefinitionFile(parser.value(defOption), images, &error))
        Fail(error);
    if (images.ItemCount != 140)
        Fail(QStringLiteral("the definition file describes %1 items, not the configuration's 140")
                 .arg(images.ItemCount));
    images.ActiveItemCount = images.ItemCount;

    for (int rate : rates)
        RunRate(simPath, rate, images, rounds, warmup);
    RunChatter(simPath, images, rounds, warmup);
    return 0;
}
