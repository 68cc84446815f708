#pragma once
// What the loopback benchmarks share: z4sim as a process for the length of a run, and the way a
// run ends on a failure.

#include <QCoreApplication>
#include <QProcess>
#include <QRegularExpression>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace bench {

// Reports the failure and ends the run (and the simulator with it).
[[noreturn]] void Fail(const QString &message);

// z4sim on a free loopback port for the length of the run.
class Simulator
{
public:
    static constexpr int kStartMs = 10000;

    quint16 Start(const QString &program)
    {
        s_running = this;
        m_process.setProgram(program);
        m_process.setArguments({QStringLiteral("--tcp"), QStringLiteral("0")});
        m_process.start();
        if (!m_process.waitForStarted(kStartMs))
            Fail(QStringLiteral("cannot start %1: %2").arg(program, m_process.errorString()));
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(kStartMs))
                Fail(QStringLiteral("z4sim did not start: ") + QString::fromLocal8Bit(m_process.readAllStandardError()));
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

} // namespace bench
