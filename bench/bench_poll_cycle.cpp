// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// bench_poll_cycle: the live poll.
//  1. Decode and display: the five answers of one cycle applied to the pages, the left column and
//     the status bar (target: under 0.3 ms a cycle).
//  2. One poll cycle against z4sim on loopback, from the tick to the last handler, through our
//     TTCPModbusClient and TPoll, against the same five reads by a blocking libmodbus loop, in
//     the same run (target: at most 2x).
//  3. The same cycle with the traffic record kept (the Traffic window closed), against the cycle
//     without it, in the same run (target: no more than 5 % slower); and, for the record, what
//     the open Traffic window adds: decoding one cycle's five records into lines.
//  4. The same cycle with the recording on (every sample and event to the recorder), against the
//     cycle without it (target: at most 1.05x); and, for the record, the commit that puts a
//     second's samples on disk, which the recorder's timer runs apart from the cycle.
#include "Z4Board.h"
#include "app/TLiveColumn.h"
#include "link/TTCPModbusClient.h"
#include "live/TInputsOutputsPage.h"
#include "monitor/TPoll.h"
#include "monitor/TrafficText.h"
#include "params/TControlPage.h"
#include "params/TStopPage.h"
#include "record/TRecorder.h"
#include "session/TBoardSession.h"
#include "session/TLiveState.h"
#include "session/TTrafficLog.h"
#include "session/TUserMessages.h"
#include "widgets/TLed.h"
#include "widgets/TPage.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>

#include <modbus.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>
#include <functional>
#include <time.h>
#include <vector>

#include "BenchSimulator.h"

namespace {
constexpr quint8 kUnit = 1;
constexpr quint32 kTimeoutMs = 1000;

constexpr std::array<live::BlockRead, 5> kCycle{live::kStatusRead, live::kColumnARead, live::kRegulationModeRead,
                                                live::kHeatRecoveryRead, live::kDiagnosticsRead};

using bench::Fail;
using bench::Median;
using bench::OpenLibmodbus;
using bench::Pass;
using bench::RunPasses;
using bench::Simulator;

class NoMessages : public TUserMessages
{
public:
    void RangeWarning(QWidget *) override {}
    void ErrorBox(const QString &text) override { Fail(QStringLiteral("unexpected error box: ") + text); }
    QString AskSaveFile() override { return {}; }
    QString AskOpenFile() override { return {}; }
    QString AskSaveFileAs(const QString &, const QString &, const QString &) override { return {}; }
    TChoice Ask(const TQuestion &question) override { return question.Default; }
};

// A regulation trend window that ends the cycle: its AddSample runs at the end of the last handler.
class CycleEnd : public QWidget
{
public:
    void AddSample(const TRegulationSample &)
    {
        if (Loop)
            Loop->quit();
    }
    QEventLoop *Loop = nullptr;
};

// The poll with the pages and the live-display widgets it fills, on screen (offscreen).
struct Window
{
    Window()
    {
        auto *io = new TInputsOutputsPage(context, &root);
        auto *stop = new TStopPage(context, &root);
        auto *control = new TControlPage(context, &root);
        for (QLabel **label :
             {&display.YearDateStaticText, &display.TimeStaticText, &display.DayStaticText, &display.FanSpeedVrLabel,
              &display.SeasonValVrLabel, &display.SVentValVrLabel, &display.EVentValVrLabel, &display.HearthValVrLabel,
              &display.ModeValVrLabel, &display.SeriesPanel, &display.BoardPanel, &display.VersionPanel})
            *label = new QLabel(&root);
        display.StartStopVrUserLed = new TLed(&root);
        display.HearthVrUserLed = new TLed(&root);
        display.RegulationModeVrLed = new TLed(&root);
        display.StartStopVrButton = new QPushButton(QStringLiteral("Start"), &root);
        poll = std::make_unique<TPoll>(session, state);
        column = std::make_unique<TLiveColumn>(display);
        ShowPollIn(*poll, *column, {*io, *stop, *control});
        QObject::connect(poll.get(), &TPoll::RegulationSampleTaken, &end, &CycleEnd::AddSample);
        session.SetSlaveAddress(kUnit);
        session.SetRequestTimeout(kTimeoutMs);
        session.SetSharedFailureHandler([] { Fail(QStringLiteral("a poll read got no valid answer")); });
        // The focus rests on a button, as on "Connect" in the main window after start-up.
        auto *connect = new QPushButton(QStringLiteral("Connect"), &root);
        root.resize(900, 700);
        root.show();
        connect->setFocus();
        end.show();
    }

    NoMessages messages;
    TBoardSession session;
    TTransferTable table;
    TParameterEditor editor{session, table, messages};
    TPageContext context{session, messages, table, editor};
    QWidget root;
    TLiveDisplay display;
    TLiveState state;  // the version countdown starts at 0: no version read for 65536 ticks
    CycleEnd end;
    std::unique_ptr<TPoll> poll;
    std::unique_ptr<TLiveColumn> column;
};

TModbusAnswer AnswerFrom(const Z4Board &board, const live::BlockRead &read)
{
    TModbusAnswer answer;
    answer.FunctionCode = 3;
    answer.ByteCount = static_cast<quint8>(2 * read.Count);
    for (int i = 0; i < read.Count; ++i)
        answer.Registers.append(board.value(static_cast<quint16>(read.Start + i)));
    return answer;
}

// The processor time this thread has used, in seconds: unlike the wall clock it leaves out the
// time other processes of a busy machine take.
double ThreadSeconds()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

struct Timings
{
    std::vector<double> Wall;
    std::vector<double> Processor;
};

// 1. Decode and display: the handlers on answers from a drifting simulated board. Seconds a cycle.
Timings DecodeAndDisplay(Window &window, int rounds)
{
    Z4Board board;
    Timings seconds;
    for (int round = 0; round < rounds; ++round) {
        board.advance();  // new measurements, so the controls really change
        const std::array<TModbusAnswer, 5> answers{AnswerFrom(board, kCycle[0]), AnswerFrom(board, kCycle[1]),
                                                   AnswerFrom(board, kCycle[2]), AnswerFrom(board, kCycle[3]),
                                                   AnswerFrom(board, kCycle[4])};
        QElapsedTimer clock;
        const double processor = ThreadSeconds();
        clock.start();
        window.poll->StatusBlockReply(answers[0]);
        window.poll->ColumnABlockReply(answers[1]);
        window.poll->RegulationModeReply(answers[2]);
        window.poll->HeatRecoveryReply(answers[3]);
        window.poll->DiagnosticsReply(answers[4]);
        seconds.Wall.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
        seconds.Processor.push_back(ThreadSeconds() - processor);
        QCoreApplication::processEvents();  // the repaint, outside the timing
    }
    return seconds;
}

// 2. One cycle, ours: one tick until the diagnostic handler has run. Seconds.
double OursCycle(Window &window)
{
    QEventLoop loop;
    window.end.Loop = &loop;
    QElapsedTimer clock;
    clock.start();
    window.poll->Tick();
    loop.exec();
    window.end.Loop = nullptr;
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

// 2. One cycle, the peer: the same five reads by a blocking libmodbus loop. Seconds.
double LibmodbusCycle(modbus_t *context)
{
    std::array<uint16_t, 125> buffer{};
    QElapsedTimer clock;
    clock.start();
    for (const live::BlockRead &read : kCycle) {
        if (modbus_read_registers(context, read.Start, read.Count, buffer.data()) != read.Count)
            Fail(QStringLiteral("libmodbus, read at 0x%1: %2")
                     .arg(read.Start, 4, 16, QLatin1Char('0'))
                     .arg(QString::fromLocal8Bit(modbus_strerror(errno))));
    }
    return static_cast<double>(clock.nsecsElapsed()) / 1e9;
}

double Percentile(std::vector<double> values, double p)
{
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, static_cast<size_t>(p * static_cast<double>(values.size())))];
}

// The least wire time of one cycle on an RTU line, 8E1 (11 bits a character): an 8-byte request
// and a 5 + 2 x count byte answer per read, and a 3.5-character silence after each frame.
double RtuWireSeconds(int baud, int *bytes)
{
    int total = 0;
    for (const live::BlockRead &read : kCycle)
        total += 8 + 5 + 2 * read.Count;
    *bytes = total;
    return (total + 2 * kCycle.size() * 3.5) * 11.0 / baud;
}
}  // namespace

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Times the live poll: decoding and showing one cycle, and one cycle "
                       "against z4sim compared with a blocking libmodbus loop."));
    parser.addHelpOption();
    const bench::RunOptions runOptions(parser, 500, 20);
    parser.process(app);
    const auto [rounds, warmup, simPath] = runOptions.Read(parser);

    Window window;
    QCoreApplication::processEvents();

    // 1. Decode and display.
    DecodeAndDisplay(window, warmup);
    const Timings display = DecodeAndDisplay(window, rounds);

    // 2. One cycle on loopback.
    Simulator simulator;
    const quint16 port = simulator.Start(simPath);
    TTCPModbusClient client;
    bench::OpenClient(client, port);
    window.session.SetActiveClient(&client);
    window.session.SetConnected(true);

    modbus_t *context = OpenLibmodbus(port, kUnit, static_cast<int>(kTimeoutMs));

    TTrafficLog traffic;
    // The recorder takes the poll's samples only in its own pass (its own poll never ticks).
    QTemporaryDir recordings;
    TPoll idle(window.session, window.state);
    TRecorder recorder(idle, window.session);
    if (!recorder.Start(recordings.filePath(QStringLiteral("bench.z4rec")), {}))
        Fail(recorder.Error());
    bool recording = false;
    QObject::connect(window.poll.get(), &TPoll::IoSampleTaken, &recorder, [&](const TIoSample &s) {
        if (recording)
            recorder.TakeIo(s);
    });
    QObject::connect(window.poll.get(), &TPoll::StatusBlockRead, &recorder, [&](const live::StatusBlock &b) {
        if (recording)
            recorder.TakeStatus(b);
    });
    // Before the cycle's end, so that its time counts.
    QObject::disconnect(window.poll.get(), &TPoll::RegulationSampleTaken, &window.end, &CycleEnd::AddSample);
    QObject::connect(window.poll.get(), &TPoll::RegulationSampleTaken, &recorder, [&](const TRegulationSample &s) {
        if (recording)
            recorder.TakeRegulation(s);
    });
    std::vector<double> commits;
    QObject::connect(window.poll.get(), &TPoll::RegulationSampleTaken, &window.end, &CycleEnd::AddSample);
    std::array<Pass, 4> passes{{
        {"TTCPModbusClient + TPoll (tick to last handler)",
         [&] {
             client.SetTrafficSink({});
             return OursCycle(window);
         },
         {}},
        {"libmodbus (blocking loop, five reads)", [&] { return LibmodbusCycle(context); }, {}},
        {"the same, traffic record kept",
         [&] {
             traffic.Attach(client);
             const double seconds = OursCycle(window);
             client.SetTrafficSink({});
             return seconds;
         },
         {}},
        {"the same, recording on",
         [&] {
             recording = true;
             const double seconds = OursCycle(window);
             recording = false;
             // At one cycle a second, each cycle's sample is committed alone.
             QElapsedTimer clock;
             clock.start();
             recorder.Commit();
             commits.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
             return seconds;
         },
         {}},
    }};
    RunPasses(passes, warmup, rounds);
    modbus_close(context);
    modbus_free(context);
    client.Close();

    const double displayMedian = Median(display.Wall);
    std::printf("decode and display of one cycle (five answers, %d rounds after %d warm-up):\n", rounds, warmup);
    std::printf("  median %.3f ms, best %.3f ms, 95th percentile %.3f ms  (target: under 0.3 ms) %s\n",
                displayMedian * 1e3, *std::min_element(display.Wall.begin(), display.Wall.end()) * 1e3,
                Percentile(display.Wall, 0.95) * 1e3, displayMedian < 0.3e-3 ? "met" : "NOT MET");
    std::printf("  processor time: median %.3f ms, 95th percentile %.3f ms\n", Median(display.Processor) * 1e3,
                Percentile(display.Processor, 0.95) * 1e3);
    std::printf("one poll cycle on loopback, z4sim on 127.0.0.1:%u, median of %d rounds after %d warm-up:\n", port,
                rounds, warmup);
    std::array<double, 4> medians{};
    for (size_t k = 0; k < passes.size(); ++k) {
        medians[k] = Median(passes[k].Seconds);
        std::printf("  %-48s %7.3f ms  (best %.3f ms, 95th percentile %.3f ms)\n", passes[k].Name, medians[k] * 1e3,
                    *std::min_element(passes[k].Seconds.begin(), passes[k].Seconds.end()) * 1e3,
                    Percentile(passes[k].Seconds, 0.95) * 1e3);
    }
    const double ratio = medians[0] / medians[1];
    std::printf("  ratio ours/libmodbus %28.2fx  (target: at most 2x) %s\n", ratio, ratio <= 2.0 ? "met" : "NOT MET");
    const double kept = medians[2] / medians[0];
    std::printf("  ratio with/without the traffic record %11.3fx  (target: at most 1.05x) %s; %lld records kept\n",
                kept, kept <= 1.05 ? "met" : "NOT MET", static_cast<long long>(traffic.Added()));
    const double recorded = medians[3] / medians[0];
    std::printf("  ratio with/without the recording %16.3fx  (target: at most 1.05x) %s; %lld samples recorded\n",
                recorded, recorded <= 1.05 ? "met" : "NOT MET", static_cast<long long>(recorder.Samples()));
    std::printf("  the commit of one cycle's sample, apart from the cycle (the recorder's timer, once a second): "
                "%.3f ms (median)\n",
                Median(commits) * 1e3);
    // The open window's share: the cycle's five records decoded (the last five kept are one cycle).
    const TTrafficNames names(ConfigImage{});
    std::vector<double> decode;
    for (int round = 0; round < rounds; ++round) {
        QElapsedTimer clock;
        clock.start();
        for (qsizetype k = traffic.Size() - 5; k < traffic.Size(); ++k)
            names.Decode(traffic.At(k));
        decode.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e9);
    }
    std::printf("  the Traffic window open: decoding one cycle's five records takes %.3f ms (median)\n",
                Median(decode) * 1e3);
    int bytes = 0;
    const double wire19200 = RtuWireSeconds(19200, &bytes);
    std::printf("for the record: on RTU 8E1 one cycle (%d bytes plus frame gaps) needs at least %.2f s of wire time "
                "at 19200 baud, %.2f s at 9600\n",
                bytes, wire19200, RtuWireSeconds(9600, &bytes));
    return 0;
}
