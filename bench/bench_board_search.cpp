// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The board search on a serial line paced as a real one at 19200 baud 8E1 (z4sim on a pty of its
// own, in its own process, as a board is outside the tool): all 247 addresses with the baud rate
// known, the same with a board that takes its whole 40 ms to turn round, and a board at the
// settings file's own settings; against mbpoll probing the same addresses for the same registers
// with the same timeout, in the same run.

#include "monitor/BoardSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QModbusRtuSerialClient>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {
constexpr int kBaud = 19200;

// Runs a search to its end; the seconds it took and whether it found a board at unit.
double Search(const TSearchPlan &plan, quint8 unit, bool *found)
{
    TBoardSearch search;
    QEventLoop loop;
    QObject::connect(&search, &TBoardSearch::Finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    search.Start(plan);
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    *found = search.Found().size() == 1 && search.Found().constFirst().Unit == unit;
    return seconds;
}

// mbpoll asking each address of first..last once for the version registers; the seconds it took
// and whether the board's version came back.
double Mbpoll(const QString &device, int first, int last, int timeoutMs, bool *found)
{
    QProcess mbpoll;
    QEventLoop loop;
    QObject::connect(&mbpoll, &QProcess::finished, &loop, &QEventLoop::quit);
    QElapsedTimer clock;
    clock.start();
    mbpoll.start(QStringLiteral("mbpoll"),
                 {QStringLiteral("-m"), QStringLiteral("rtu"), QStringLiteral("-b"), QString::number(kBaud),
                  QStringLiteral("-P"), QStringLiteral("even"), QStringLiteral("-a"),
                  QStringLiteral("%1:%2").arg(first).arg(last), QStringLiteral("-r"), QString::number(0xE700),
                  QStringLiteral("-c"), QStringLiteral("2"), QStringLiteral("-t"), QStringLiteral("4"),
                  QStringLiteral("-0"), QStringLiteral("-1"), QStringLiteral("-o"),
                  QString::number(timeoutMs / 1000.0, 'f', 3), device});
    loop.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    *found = mbpoll.readAllStandardOutput().contains("1011");
    return seconds;
}

// Ends the board's process as Ctrl+C would, so that it takes its pty away.
struct StopBoard
{
    void operator()(QProcess *board) const
    {
        board->terminate();
        board->waitForFinished(10000);
        delete board;
    }
};
using BoardProcess = std::unique_ptr<QProcess, StopBoard>;

// z4sim's board at unit on a pty at device, pacing its answers as the line at 19200 8E1 would, the
// board turning round in turnaroundMs; null when it did not start.
BoardProcess Board(const QString &device, quint8 unit, int turnaroundMs)
{
    BoardProcess board(new QProcess);
    board->start(QStringLiteral(Z4_SIM_EXE),
                 {QStringLiteral("--pty"), device, QStringLiteral("--baud"), QString::number(kBaud),
                  QStringLiteral("--line-rate"), QString::number(kBaud), QStringLiteral("--turnaround"),
                  QString::number(turnaroundMs), QStringLiteral("--unit"), QString::number(unit)});
    if (board->waitForReadyRead(10000) && board->readAllStandardOutput().contains("Modbus RTU"))
        return board;
    std::fprintf(stderr, "bench_board_search: z4sim did not start: %s\n", board->readAllStandardError().constData());
    return nullptr;
}
}  // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // Qt's notes on the frames a probe at a missing address leaves on the line.
    QLoggingCategory::setFilterRules(QStringLiteral("qt.modbus*=false"));
    if (QStandardPaths::findExecutable(QStringLiteral("mbpoll")).isEmpty()) {
        std::fprintf(stderr, "bench_board_search: mbpoll is not installed\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("line"));
    const TSearchSetting own{kBaud, QSerialPort::EvenParity};
    const int timeoutMs = TBoardSearch::TimeoutMs(own, QSerialPort::Data8, QSerialPort::OneStop);
    // What Qt's RTU client keeps silent before every request it sends (its inter-frame delay).
    QModbusRtuSerialClient qt;
    qt.setConnectionParameter(QModbusDevice::SerialBaudRateParameter, kBaud);
    qt.setInterFrameDelay(0);
    const double silenceMs = qt.interFrameDelay() / 1000.0;

    std::printf("Serial line paced at %d baud 8E1; probe timeout %d ms (ours and mbpoll's); Qt keeps %.1f ms "
                "silent before each request, mbpoll sends at once\n",
                kBaud, timeoutMs, silenceMs);
    bool ok = true;
    bool found = false;
    TSearchPlan plan;
    plan.Line.Device = device;
    plan.Settings = TBoardSearch::SerialSettings(own, true, true);
    plan.Units = TBoardSearch::Units(1);

    // All 247 addresses, the board at the last: answering at once, and taking its whole turnaround.
    for (const int turnaroundMs : {0, 40}) {
        const BoardProcess board = Board(device, 247, turnaroundMs);
        if (!board)
            return 1;
        bool oursFound = false;
        const double ours = Search(plan, 247, &oursFound);
        const double peer = Mbpoll(device, 1, 247, timeoutMs, &found);
        if (!oursFound || !found)
            std::fprintf(stderr,
                         "bench_board_search: turning round in %d ms, the board was%s found by ours, %s by mbpoll\n",
                         turnaroundMs, oursFound ? "" : " not", found ? "found" : "not found");
        ok = ok && found && oursFound;
        std::printf("247 addresses, board at 247 turning round in %d ms: ours %.2f s (target under 30 s), mbpoll "
                    "%.2f s, ratio %.2f (target at most 1.0x) %s\n",
                    turnaroundMs, ours, peer, ours / peer, ours / peer <= 1.0 ? "met" : "NOT MET");
        std::printf("  the timeouts alone, 247 x %d ms: %.2f s; beyond them ours %.2f ms a probe, mbpoll %.2f ms; "
                    "mbpoll with Qt's silence before each probe: %.2f s, ours against it %.2f\n",
                    timeoutMs, 247 * timeoutMs / 1000.0, (ours * 1000 - 247.0 * timeoutMs) / 247,
                    (peer * 1000 - 247.0 * timeoutMs) / 247, peer + 247 * silenceMs / 1000,
                    ours / (peer + 247 * silenceMs / 1000));
    }

    // The board at the settings file's own settings, every setting in the plan.
    const BoardProcess board = Board(device, 1, 0);
    if (!board)
        return 1;
    plan.Settings = TBoardSearch::SerialSettings(own, false, false);
    const double first = Search(plan, 1, &found);
    ok = ok && found;
    const double peerFirst = Mbpoll(device, 1, 1, timeoutMs, &found);
    ok = ok && found;
    std::printf("board at the own settings: ours %.3f s (target under 1 s), mbpoll %.3f s, ratio %.2f\n", first,
                peerFirst, first / peerFirst);
    if (!ok)
        std::fprintf(stderr, "bench_board_search: a search did not find the board where it is\n");
    return ok ? 0 : 1;
}
