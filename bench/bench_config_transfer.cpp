// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_config_transfer: the whole-configuration Save and Load as the tool runs them, through
// TConfigChains on a TBoardSession with our TTCPModbusClient: the read chain (the block reads of the
// 140 items into BoardImage) and the write chain (FileImage in 140 writes), each request sent from the
// previous one's answer. The peers are blocking libmodbus loops doing the same requests on their own
// connection, all on one z4sim started for the run. Prints the medians and the ratios; the chains
// should stay within 1.5 times the plain loops. The same requests chained straight through
// TTCPModbusClient, without TConfigChains, run alongside to tell the chains' own cost from the
// client's.
#include "config/ConfigChains.h"
#include "config/DefinitionFile.h"
#include "config/ReadPlan.h"
#include "link/TTCPModbusClient.h"
#include "session/TBoardSession.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>

#include <modbus.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <vector>

#include "BenchSimulator.h"

namespace {
constexpr quint8 kUnit = 1;
constexpr quint32 kTimeoutMs = 1000;

using bench::Fail;
using bench::Median;
using bench::OpenLibmodbus;
using bench::Pass;
using bench::RunPasses;
using bench::Simulator;

QString ItemName(const ConfigImage &image, qint32 index)
{
    if (index < 0 || static_cast<size_t>(index) >= image.size())
        return QStringLiteral("item %1").arg(index);
    const ConfigItem &item = image[static_cast<size_t>(index)];
    return QStringLiteral("item %1 (0x%2, [%3] %4)")
        .arg(index)
        .arg(item.FirstRegister, 4, 16, QLatin1Char('0'))
        .arg(item.Section, item.Ident);
}

int RegisterCount(const ConfigImage &image)
{
    int n = 0;
    for (const ConfigItem &item : image)
        n += item.Registers;
    return n;
}

// The least wire time on an RTU line at the given baud rate, 8E1 (11 bits a character), with a
// 3.5-character silence after each frame. A read: an 8-byte request and a 5 + 2n byte answer. A
// write: a single-register write and its echo are 8 bytes each; a multiple-register write is
// 9 + 2n bytes and its answer 8.
constexpr double kBitsPerChar = 11;
constexpr double kGapChars = 3.5;

double RtuReadSeconds(const std::vector<ReadBlock> &blocks, int baud)
{
    double chars = 0;
    for (const ReadBlock &block : blocks)
        chars += 8 + (5 + 2 * block.Registers) + 2 * kGapChars;
    return chars * kBitsPerChar / baud;
}

double RtuWriteSeconds(const ConfigImage &image, int baud)
{
    double chars = 0;
    for (const ConfigItem &item : image)
        chars += (item.Registers == 1 ? 8 + 8 : (9 + 2 * item.Registers) + 8) + 2 * kGapChars;
    return chars * kBitsPerChar / baud;
}

// The chains as Save and Load run them, with what a failure left to say.
class ChainRunner
{
public:
    ChainRunner(TBoardSession &session, TConfigImages &images) : m_chains(session, images), m_images(&images)
    {
        m_chains.OnProgress = [this](int percent) { m_percent = percent; };
        m_chains.OnAborted = [this](const QString &why) {
            m_failure =
                QStringLiteral("%1 aborted at %2: %3").arg(m_what, ItemName(*m_image, m_chains.ChainIndex()), why);
            m_loop.quit();
        };
        m_chains.OnWriteRefused = [this](const ConfigItem &item, quint8 code) {
            m_failure = QStringLiteral("the board refused writing 0x%1 [%2] %3 (exception %4)")
                            .arg(item.FirstRegister, 4, 16, QLatin1Char('0'))
                            .arg(item.Section, item.Ident)
                            .arg(code);
        };
    }

    // The read chain into BoardImage. Seconds.
    double Save()
    {
        m_what = QStringLiteral("the read chain");
        m_image = &m_images->BoardImage;
        return Run([this] { m_chains.BoardReadChain([this] { Done(); }); });
    }

    // The write chain from FileImage. Seconds.
    double Load()
    {
        m_what = QStringLiteral("the write chain");
        m_image = &m_images->FileImage;
        return Run([this] { m_chains.BoardWriteChain([this] { Done(); }); });
    }

private:
    double Run(const std::function<void()> &start)
    {
        m_failure.clear();
        m_percent = -1;
        m_done = false;
        QElapsedTimer clock;
        clock.start();
        start();
        if (!m_done && m_failure.isEmpty())
            m_loop.exec();
        const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
        if (!m_failure.isEmpty())
            Fail(m_failure);
        if (!m_done || m_percent != 100)
            Fail(QStringLiteral("%1 ended at %2 percent").arg(m_what).arg(m_percent));
        return seconds;
    }

    void Done()
    {
        m_done = true;
        m_loop.quit();
    }

    TConfigChains m_chains;
    TConfigImages *m_images = nullptr;
    const ConfigImage *m_image = nullptr;
    QEventLoop m_loop;
    QString m_what;
    QString m_failure;
    int m_percent = -1;
    bool m_done = false;
};

// The same requests chained straight through the client, each sent from the previous answer,
// without TConfigChains: what the client costs by itself. A read reads the blocks, a write writes
// item by item. Seconds.
double BareClientPass(TTCPModbusClient &client, ConfigImage &image, const std::vector<ReadBlock> &blocks, bool write)
{
    QEventLoop loop;
    size_t next = 0;
    const size_t requests = write ? image.size() : blocks.size();
    QString failure;
    std::array<quint16, 128> buffer{};
    std::function<void()> send;
    FunctionsStr record;
    record.OnReply = [&](const TModbusAnswer &answer) {
        if (!write && !SplitBlockAnswer(blocks[next], answer.Registers, image)) {
            failure = QStringLiteral("an answer of %1 registers").arg(answer.Registers.size());
            loop.quit();
            return;
        }
        if (++next < requests)
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
    send = [&] {
        if (!write) {
            const ReadBlock &block = blocks[next];
            client.ReadHoldingRegisters(kUnit, block.FirstRegister, static_cast<quint16>(block.Registers), kTimeoutMs,
                                        record);
            return;
        }
        const ConfigItem &item = image[next];
        if (item.Registers == 1) {
            client.WriteSingleRegister(kUnit, item.FirstRegister, item.Values[0], kTimeoutMs, record);
        } else {
            const auto n = static_cast<size_t>(item.Registers);
            std::copy_n(item.Values.cbegin(), n, buffer.begin());
            client.WriteMultipleRegisters(kUnit, item.FirstRegister, std::span(buffer.data(), n), kTimeoutMs, record);
        }
    };

    QElapsedTimer clock;
    clock.start();
    send();
    loop.exec();
    const double seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    if (!failure.isEmpty())
        Fail(QStringLiteral("bare TTCPModbusClient %1, %2: %3")
                 .arg(write ? "write" : "read",
                      ItemName(image, write ? static_cast<qint32>(next) : blocks[next].FirstItem), failure));
    return seconds;
}

QString LibmodbusError()
{
    return QString::fromLocal8Bit(modbus_strerror(errno));
}

// The blocking libmodbus loop of Save: one modbus_read_registers per block the chain reads. Seconds.
double LibmodbusReadPass(modbus_t *context, const ConfigImage &image, const std::vector<ReadBlock> &blocks)
{
    std::array<uint16_t, kMaxReadRegisters> buffer{};
    QElapsedTimer clock;
    clock.start();
    for (const ReadBlock &block : blocks) {
        if (modbus_read_registers(context, block.FirstRegister, block.Registers, buffer.data()) != block.Registers)
            Fail(QStringLiteral("libmodbus read, %1: %2").arg(ItemName(image, block.FirstItem), LibmodbusError()));
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// The blocking libmodbus loop of Load: modbus_write_register for a 1-register item,
// modbus_write_registers for the others. Seconds.
double LibmodbusWritePass(modbus_t *context, const ConfigImage &image)
{
    QElapsedTimer clock;
    clock.start();
    for (size_t i = 0; i < image.size(); ++i) {
        const ConfigItem &item = image[i];
        const int written = item.Registers == 1 ? modbus_write_register(context, item.FirstRegister, item.Values[0])
                                                : modbus_write_registers(context, item.FirstRegister, item.Registers,
                                                                         item.Values.data());
        if (written != item.Registers)
            Fail(QStringLiteral("libmodbus write, %1: %2")
                     .arg(ItemName(image, static_cast<qint32>(i)), LibmodbusError()));
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// The first item whose values differ between two images, or -1.
qint32 FirstDifference(const ConfigImage &a, const ConfigImage &b)
{
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i].Values != b[i].Values)
            return static_cast<qint32>(i);
    }
    return -1;
}

void ForgetValues(ConfigImage &image)
{
    for (ConfigItem &item : image)
        std::fill(item.Values.begin(), item.Values.end(), quint16{0xA5A5});
}

// Load followed by Save must bring back what was written. The board's own configuration is read
// first; a copy with two values changed within what the board accepts (the supply set point one
// hundredth of a degree up, the first stop-control row inverted: one single and one multiple
// write) is loaded and read back, then the original is loaded again and read back, so that the
// timed passes write the board's own values.
void CheckRoundTrip(ChainRunner &runner, TConfigImages &images)
{
    ForgetValues(images.BoardImage);
    runner.Save();
    const ConfigImage original = images.BoardImage;

    ConfigImage changed = original;
    ConfigItem *setPoint = nullptr;
    ConfigItem *stopInvert = nullptr;
    for (ConfigItem &item : changed) {
        if (item.FirstRegister == 0x0200 && item.Registers == 1)
            setPoint = &item;
        else if (item.FirstRegister == 0x021E && item.Registers > 1)
            stopInvert = &item;
    }
    if (!setPoint || !stopInvert)
        Fail(QStringLiteral("the definition has no supply set point (0x0200) or stop-control inversion (0x021E) item"));
    setPoint->Values[0] = static_cast<quint16>(setPoint->Values[0] + 1);
    stopInvert->Values[0] = stopInvert->Values[0] ? 0 : 1;

    for (const ConfigImage *expected : {static_cast<const ConfigImage *>(&changed), &original}) {
        images.FileImage = *expected;
        runner.Load();
        ForgetValues(images.BoardImage);
        runner.Save();
        const qint32 at = FirstDifference(images.BoardImage, *expected);
        if (at >= 0)
            Fail(QStringLiteral("Load then Save did not round-trip: %1 read back differs from what was written")
                     .arg(ItemName(images.BoardImage, at)));
    }
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times the whole-configuration Save and Load chains (TConfigChains over our "
                       "Modbus TCP client) against blocking libmodbus loops, both on z4sim."));
    parser.addHelpOption();
    const bench::RunOptions runOptions(parser, 20, 3);
    const QCommandLineOption defOption(QStringLiteral("def"),
                                       QStringLiteral("The parameter definition file (default: the shipped one)."),
                                       QStringLiteral("PATH"), QStringLiteral(Z4_DEF_FILE));
    parser.addOption(defOption);
    parser.process(app);
    const auto [rounds, warmup, simPath] = runOptions.Read(parser);

    TConfigImages images;
    QString error;
    if (!ReadDefinitionFile(parser.value(defOption), images, &error))
        Fail(error);
    if (images.ItemCount != 140)
        Fail(QStringLiteral("the definition file describes %1 items, not the configuration's 140")
                 .arg(images.ItemCount));
    images.ActiveItemCount = images.ItemCount;

    Simulator simulator;
    const quint16 port = simulator.Start(simPath);

    TTCPModbusClient client;
    bench::OpenClient(client, port);
    // Losing the line mid-run ends the run: a chain would report it, a bare chain or a libmodbus
    // loop would fail on its next request anyway.
    QObject::connect(&client, &TModbusClient::OnDisconnect, [] { Fail(QStringLiteral("the link to z4sim was lost")); });

    TBoardSession session;
    session.SetActiveClient(&client);
    session.SetSlaveAddress(kUnit);
    session.SetRequestTimeout(kTimeoutMs);
    session.SetConnected(true);
    session.SetLinkOk(true);

    ChainRunner runner(session, images);
    CheckRoundTrip(runner, images);

    modbus_t *context = OpenLibmodbus(port, kUnit, static_cast<int>(kTimeoutMs));

    // The bare chains work on copies, so that the chains' images stay what they are.
    ConfigImage bareRead = images.BoardImage;
    ConfigImage bareWrite = images.FileImage;
    const ConfigImage &loopImage = images.FileImage;
    const std::vector<ReadBlock> blocks = PlanBlockReads(images.BoardImage, images.ActiveItemCount);

    enum { SaveChain, ReadLoop, BareRead, LoadChain, WriteLoop, BareWrite, PassCount };
    std::array<Pass, PassCount> passes{{
        {"Save: TConfigChains read chain", [&] { return runner.Save(); }, {}},
        {"Save: libmodbus read loop", [&] { return LibmodbusReadPass(context, loopImage, blocks); }, {}},
        {"Save: bare TTCPModbusClient chain", [&] { return BareClientPass(client, bareRead, blocks, false); }, {}},
        {"Load: TConfigChains write chain", [&] { return runner.Load(); }, {}},
        {"Load: libmodbus write loop", [&] { return LibmodbusWritePass(context, loopImage); }, {}},
        {"Load: bare TTCPModbusClient chain", [&] { return BareClientPass(client, bareWrite, blocks, true); }, {}},
    }};
    RunPasses(passes, warmup, rounds);
    modbus_close(context);
    modbus_free(context);
    QObject::disconnect(&client, &TModbusClient::OnDisconnect, nullptr, nullptr);
    client.Close();

    if (FirstDifference(images.BoardImage, images.FileImage) >= 0 || FirstDifference(bareRead, images.FileImage) >= 0)
        Fail(QStringLiteral("the timed reads did not bring back the configuration the timed writes wrote"));

    std::printf(
        "configuration transfer: %d items, %d registers (read in %zu blocks), z4sim on 127.0.0.1:%u, median of %d "
        "rounds after %d warm-up\n",
        images.ActiveItemCount, RegisterCount(images.FileImage), blocks.size(), port, rounds, warmup);
    std::printf("round trip checked: Load then Save brings back what was written\n");
    std::array<double, PassCount> medians{};
    for (size_t k = 0; k < passes.size(); ++k) {
        const std::vector<double> &seconds = passes[k].Seconds;
        medians[k] = Median(seconds);
        const double requests = k < LoadChain ? static_cast<double>(blocks.size()) : images.ActiveItemCount;
        std::printf("  %-34s %8.2f ms  (%5.1f us a request; best %.2f ms, worst %.2f ms)\n", passes[k].Name,
                    medians[k] * 1e3, medians[k] * 1e6 / requests,
                    *std::min_element(seconds.begin(), seconds.end()) * 1e3,
                    *std::max_element(seconds.begin(), seconds.end()) * 1e3);
    }
    const auto verdict = [](double ratio) { return ratio <= 1.5 ? "met" : "NOT MET"; };
    const double saveRatio = medians[SaveChain] / medians[ReadLoop];
    const double loadRatio = medians[LoadChain] / medians[WriteLoop];
    std::printf("  ratio Save chain/libmodbus         %8.2fx  (target: at most 1.5x) %s\n", saveRatio,
                verdict(saveRatio));
    std::printf("  ratio Load chain/libmodbus         %8.2fx  (target: at most 1.5x) %s\n", loadRatio,
                verdict(loadRatio));
    std::printf("  ratio Save chain/bare client       %8.2fx  (what TConfigChains adds to the client)\n",
                medians[SaveChain] / medians[BareRead]);
    std::printf("  ratio Load chain/bare client       %8.2fx  (what TConfigChains adds to the client)\n",
                medians[LoadChain] / medians[BareWrite]);
    std::printf("for the record: on RTU at 19200 baud 8E1 the least wire time is %.2f s for the read chain and %.2f s "
                "for the write chain\n",
                RtuReadSeconds(blocks, 19200), RtuWriteSeconds(images.FileImage, 19200));
    return 0;
}
