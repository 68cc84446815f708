// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Two pseudo-terminals joined by socat, standing in for a serial cable between the tool and a
// board: what one end writes, the other end reads.

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

class PtyPair
{
public:
    static bool Available() { return !QStandardPaths::findExecutable(QStringLiteral("socat")).isEmpty(); }

    // Starts socat and waits until both ends exist. Call it from a test function and return
    // when QTest::currentTestFailed() is set afterwards.
    void Start(int timeoutMs)
    {
        QVERIFY2(m_dir.isValid(), qPrintable(m_dir.errorString()));
        m_socat.setProgram(QStringLiteral("socat"));
        m_socat.setArguments({QStringLiteral("-d"), QStringLiteral("-d"),
                              QStringLiteral("pty,raw,echo=0,link=") + EndA(),
                              QStringLiteral("pty,raw,echo=0,link=") + EndB()});
        m_socat.setStandardOutputFile(QProcess::nullDevice());
        m_socat.start();
        QVERIFY2(m_socat.waitForStarted(timeoutMs), qPrintable(m_socat.errorString()));
        // socat's -d -d notes (on stderr) tell why, should the ends never appear.
        QTRY_VERIFY2_WITH_TIMEOUT(QFileInfo::exists(EndA()) && QFileInfo::exists(EndB()),
                                  qPrintable(QString::fromLocal8Bit(m_socat.readAllStandardError())), timeoutMs);
    }

    QString EndA() const { return m_dir.filePath(QStringLiteral("A")); }
    QString EndB() const { return m_dir.filePath(QStringLiteral("B")); }

    // Pulls the cable: socat dies and both terminals vanish under whoever has them open, and so do
    // their names, as an adapter's does. socat killed leaves its links behind, and they would
    // point at terminal numbers the system gives out again, to another test's pair.
    bool Kill(int timeoutMs)
    {
        m_socat.kill();
        const bool finished = m_socat.waitForFinished(timeoutMs);
        QFile::remove(EndA());
        QFile::remove(EndB());
        return finished;
    }

    ~PtyPair()
    {
        if (m_socat.state() != QProcess::NotRunning) {
            m_socat.terminate();
            if (!m_socat.waitForFinished(5000)) {
                m_socat.kill();
                m_socat.waitForFinished(5000);
            }
        }
    }

private:
    QTemporaryDir m_dir;
    QProcess m_socat;
};
