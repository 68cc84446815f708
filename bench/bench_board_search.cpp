// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The board search on a serial line paced as a real one at 19200 baud 8E1 (z4sim on a pty of its
// own): all 247 addresses with the baud rate known, and a board at the settings file's own
// settings; against mbpoll probing the same addresses for the same registers with the same
// timeout, in the same run.

#include "SimPtyLine.h"
#include "Z4SimServer.h"
#include "monitor/BoardSearch.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLoggingCategory>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <cstdio>

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
    SimSerialSettings line;
    line.BaudRate = kBaud;
    SimPtyLine pty;
    Z4SimServer board;
    QString error;
    // The board answers at unit (its server opened afresh at it).
    const auto serveAt = [&](quint8 unit) {
        board.Stop();
        board.SetUnit(unit);
        if (board.OpenRtu(pty.InnerDevice(), line, &error))
            return true;
        std::fprintf(stderr, "bench_board_search: %s\n", qPrintable(error));
        return false;
    };
    if (!pty.Open(device, line, &error)) {
        std::fprintf(stderr, "bench_board_search: %s\n", qPrintable(error));
        return 1;
    }
    board.SetLinePacing({kBaud, 0});
    const TSearchSetting own{kBaud, QSerialPort::EvenParity};
    const int timeoutMs = TBoardSearch::TimeoutMs(own, QSerialPort::Data8, QSerialPort::OneStop);

    std::printf("Serial line paced at %d baud 8E1; probe timeout %d ms (ours and mbpoll's)\n", kBaud, timeoutMs);
    bool ok = true;
    bool found = false;

    // All 247 addresses, the board at the last.
    if (!serveAt(247))
        return 1;
    TSearchPlan plan;
    plan.Line.Device = device;
    plan.Settings = TBoardSearch::SerialSettings(own, true, true);
    plan.Units = TBoardSearch::Units(1);
    const double ours = Search(plan, 247, &found);
    ok = ok && found;
    const double peer = Mbpoll(device, 1, 247, timeoutMs, &found);
    ok = ok && found;
    std::printf("247 addresses, board at 247: ours %.2f s (target under 30 s), mbpoll %.2f s, ratio %.2f (target at "
                "most 1.0x) %s\n",
                ours, peer, ours / peer, ours / peer <= 1.0 ? "met" : "NOT MET");

    // The board at the settings file's own settings, every setting in the plan.
    if (!serveAt(1))
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
