// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An RS-485 line at its real rate for the benchmarks: a socat pty pair with z4sim on one end pacing
// its answers as the line would carry them, and the least wire time of the requests on it.

#include "config/ReadPlan.h"
#include "monitor/LiveDecoders.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <array>
#include <vector>

#include "BenchSimulator.h"

namespace paced {

constexpr int kStartMs = 10000;

// The reads of one poll cycle.
constexpr std::array<live::BlockRead, 5> kCycle{live::kStatusRead, live::kColumnARead, live::kRegulationModeRead,
                                                live::kHeatRecoveryRead, live::kDiagnosticsRead};

// The emulated cable: a socat pty pair with z4sim on end B, pacing at the line's rate.
class PacedLine
{
public:
    // extra: more of z4sim's options ("--firmware", "1012").
    PacedLine(const QString &simPath, int rate, int chatterMs = 0, const QStringList &extra = {})
    {
        s_running = this;
        if (!m_dir.isValid())
            Fail(QStringLiteral("no temporary folder: ") + m_dir.errorString());
        m_socat.setProgram(QStringLiteral("socat"));
        m_socat.setArguments({QStringLiteral("-d"), QStringLiteral("-d"),
                              QStringLiteral("pty,raw,echo=0,link=") + EndA(),
                              QStringLiteral("pty,raw,echo=0,link=") + EndB()});
        m_socat.setStandardOutputFile(QProcess::nullDevice());
        m_socat.start();
        if (!m_socat.waitForStarted(kStartMs))
            Fail(QStringLiteral("cannot start socat (apt-get install socat): ") + m_socat.errorString());
        QElapsedTimer waited;
        waited.start();
        while (!QFileInfo::exists(EndA()) || !QFileInfo::exists(EndB())) {
            if (waited.elapsed() > kStartMs)
                Fail(QStringLiteral("socat made no pty pair: ")
                     + QString::fromLocal8Bit(m_socat.readAllStandardError()));
            QThread::msleep(5);
        }
        m_sim.setProgram(simPath);
        m_sim.setArguments({QStringLiteral("--rtu"), EndB(), QStringLiteral("--baud"), QString::number(rate),
                            QStringLiteral("--parity"), QStringLiteral("E"), QStringLiteral("--line-rate"),
                            QString::number(rate)});
        if (chatterMs > 0)
            m_sim.setArguments(m_sim.arguments()
                               + QStringList{QStringLiteral("--chatter"), QString::number(chatterMs)});
        m_sim.setArguments(m_sim.arguments() + extra);
        m_sim.start();
        if (!m_sim.waitForStarted(kStartMs))
            Fail(QStringLiteral("cannot start %1: %2").arg(simPath, m_sim.errorString()));
        while (!m_sim.canReadLine()) {
            if (!m_sim.waitForReadyRead(kStartMs))
                Fail(QStringLiteral("z4sim did not start: ") + QString::fromLocal8Bit(m_sim.readAllStandardError()));
        }
    }

    ~PacedLine()
    {
        s_running = nullptr;
        for (QProcess *process : {&m_sim, &m_socat}) {
            process->terminate();
            if (!process->waitForFinished(kStartMs)) {
                process->kill();
                process->waitForFinished(kStartMs);
            }
        }
    }

    // The master's end.
    QString EndA() const { return m_dir.filePath(QStringLiteral("A")); }
    QString EndB() const { return m_dir.filePath(QStringLiteral("B")); }

    // Ends the run, and z4sim and socat with it.
    [[noreturn]] static void Fail(const QString &message)
    {
        if (s_running) {
            s_running->m_sim.kill();
            s_running->m_socat.kill();
        }
        bench::Fail(message);
    }

private:
    static inline PacedLine *s_running = nullptr;
    QTemporaryDir m_dir;
    QProcess m_socat;
    QProcess m_sim;
};

// The least wire time of a list of request and answer lengths at rate baud, 8E1: 11 bits a
// character, a 3.5-character silence after each frame.
struct Wire
{
    int Rate;
    double Seconds(int requestChars, int answerChars) const
    {
        return (requestChars + answerChars + 2 * 3.5) * 11.0 / Rate;
    }
    // A read: an 8-character request, a 5 + 2n character answer.
    double Read(int count) const { return Seconds(8, 5 + 2 * count); }
    // A single write and its echo are 8 characters each; a block write 9 + 2n and 8 back.
    double Write(int count) const { return count == 1 ? Seconds(8, 8) : Seconds(9 + 2 * count, 8); }

    double ReadChain(const ConfigImage &image) const
    {
        double s = 0;
        for (const ConfigItem &item : image)
            s += Read(item.Registers);
        return s;
    }
    double BlockReads(const std::vector<ReadBlock> &blocks) const
    {
        double s = 0;
        for (const ReadBlock &block : blocks)
            s += Read(block.Registers);
        return s;
    }
    double WriteChain(const ConfigImage &image) const
    {
        double s = 0;
        for (const ConfigItem &item : image)
            s += Write(item.Registers);
        return s;
    }
    double PollCycle() const
    {
        double s = 0;
        for (const live::BlockRead &read : kCycle)
            s += Read(read.Count);
        return s;
    }
};

}  // namespace paced
