// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the loopback benchmarks share: z4sim as a process for the length of a run, the way a run
// ends on a failure, the --rounds, --warmup and --sim options, our client and the libmodbus peer
// opened on the simulator's port, and the timed passes taking turns with their medians.
//
// Each target that includes this defines Z4_SIM_EXE, the z4sim built with it (bench/CMakeLists.txt).

#include "link/TTCPModbusClient.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <modbus.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <span>
#include <vector>

#ifndef Z4_SIM_EXE
#error "Z4_SIM_EXE must name the z4sim executable (see bench/CMakeLists.txt)"
#endif

namespace bench {

// Reports the failure and ends the run (and the simulator with it).
[[noreturn]] void Fail(const QString &message);

// z4sim on a free loopback port for the length of the run.
class Simulator
{
public:
    static constexpr int kStartMs = 10000;

    // options: further z4sim options (the board's firmware, ...).
    quint16 Start(const QString &program, const QStringList &options = {})
    {
        s_running = this;
        m_process.setProgram(program);
        m_process.setArguments(QStringList{QStringLiteral("--tcp"), QStringLiteral("0")} + options);
        m_process.start();
        if (!m_process.waitForStarted(kStartMs))
            Fail(QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString()));
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(kStartMs))
                Fail(QStringLiteral("z4sim did not start: ")
                     + QString::fromLocal8Bit(m_process.readAllStandardError()));
        }
        static const QRegularExpression portOf(QStringLiteral(":(\\d+), unit"));
        const auto match = portOf.match(QString::fromUtf8(m_process.readLine()));
        if (!match.hasMatch())
            Fail(QStringLiteral("z4sim did not say its port"));
        return static_cast<quint16>(match.captured(1).toUInt());
    }

    ~Simulator()
    {
        s_running = nullptr;
        m_process.terminate();
        if (!m_process.waitForFinished(kStartMs)) {
            m_process.kill();
            m_process.waitForFinished(kStartMs);
        }
    }

    // Ends the running simulator at once, so that a failure does not leave it behind.
    static void KillRunning()
    {
        if (s_running) {
            s_running->m_process.kill();
            s_running->m_process.waitForFinished(kStartMs);
        }
    }

private:
    static inline Simulator *s_running = nullptr;
    QProcess m_process;
};

[[noreturn]] inline void Fail(const QString &message)
{
    std::fprintf(stderr, "%s: %s\n", qPrintable(QCoreApplication::applicationName()), qPrintable(message));
    Simulator::KillRunning();
    std::exit(1);
}

// The options every loopback benchmark takes: how many timed and untimed rounds, and which z4sim.
// The constructor adds them to the parser after the options it holds already, so make one before
// parser.process() and Read it after.
class RunOptions
{
public:
    struct Values
    {
        int Rounds;
        int Warmup;
        QString SimulatorPath;
    };

    RunOptions(QCommandLineParser &parser, int defaultRounds, int defaultWarmup)
        : m_rounds(QStringLiteral("rounds"), QStringLiteral("Timed rounds of each (default %1).").arg(defaultRounds),
                   QStringLiteral("N"), QString::number(defaultRounds)),
          m_warmup(QStringLiteral("warmup"),
                   QStringLiteral("Untimed rounds of each first (default %1).").arg(defaultWarmup), QStringLiteral("N"),
                   QString::number(defaultWarmup)),
          m_sim(QStringLiteral("sim"), QStringLiteral("The z4sim executable (default: the one built with this)."),
                QStringLiteral("PATH"), QStringLiteral(Z4_SIM_EXE))
    {
        parser.addOptions({m_rounds, m_warmup, m_sim});
    }

    // The values given, checked: ends the run when the rounds are not a whole number from 1 or the
    // warm-up rounds not one from 0.
    Values Read(const QCommandLineParser &parser) const
    {
        bool roundsOk = false;
        bool warmupOk = false;
        const int rounds = parser.value(m_rounds).toInt(&roundsOk);
        const int warmup = parser.value(m_warmup).toInt(&warmupOk);
        if (!roundsOk || rounds < 1 || !warmupOk || warmup < 0)
            Fail(QStringLiteral("--rounds takes a whole number from 1 and --warmup one from 0"));
        return {rounds, warmup, parser.value(m_sim)};
    }

private:
    QCommandLineOption m_rounds;
    QCommandLineOption m_warmup;
    QCommandLineOption m_sim;
};

// Opens our client on the simulator's loopback port, without reconnecting, and waits until it is
// up; a line error ends the run.
inline void OpenClient(TTCPModbusClient &client, quint16 port)
{
    client.SetServerAddress(QStringLiteral("127.0.0.1"));
    client.SetPort(port);
    client.SetReconnect(false);
    QEventLoop loop;
    QObject::connect(&client, &TModbusClient::OnConnect, &loop, &QEventLoop::quit);
    QObject::connect(&client, &TModbusClient::OnLineError, &loop, [](const QString &why) { Fail(why); });
    client.Open();
    loop.exec();
}

// The peer: a blocking libmodbus connection to the simulator's port, talking to unit.
inline modbus_t *OpenLibmodbus(quint16 port, int unit, int timeoutMs)
{
    modbus_t *context = modbus_new_tcp("127.0.0.1", port);
    if (!context)
        Fail(QStringLiteral("modbus_new_tcp: ") + QString::fromLocal8Bit(modbus_strerror(errno)));
    modbus_set_slave(context, unit);  // Modbus TCP's default unit 0xFF is not the board's
    modbus_set_response_timeout(context, static_cast<uint32_t>(timeoutMs / 1000),
                                static_cast<uint32_t>((timeoutMs % 1000) * 1000));
    if (modbus_connect(context) != 0)
        Fail(QStringLiteral("modbus_connect: ") + QString::fromLocal8Bit(modbus_strerror(errno)));
    return context;
}

// One timed pass: Run does the work once and returns its seconds.
struct Pass
{
    const char *Name;
    std::function<double()> Run;
    std::vector<double> Seconds;
};

// Runs every pass warmup times untimed, then rounds times timed. Each round starts with another
// pass, so that drift of the machine's load touches all alike.
inline void RunPasses(std::span<Pass> passes, int warmup, int rounds)
{
    for (int i = 0; i < warmup; ++i) {
        for (Pass &pass : passes)
            pass.Run();
    }
    for (int i = 0; i < rounds; ++i) {
        for (size_t k = 0; k < passes.size(); ++k) {
            Pass &pass = passes[(static_cast<size_t>(i) + k) % passes.size()];
            pass.Seconds.push_back(pass.Run());
        }
    }
}

// The median of one pass's timings (the mean of the middle two when their number is even).
inline double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

}  // namespace bench
