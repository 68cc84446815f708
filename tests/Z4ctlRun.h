// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// z4ctl run as a process against a board served by the test's own event loop over TCP; the test
// defines Z4_CTL_EXE.
#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTest>

struct Z4ctlRun
{
    int Exit = -1;  // -1: it did not end within a minute
    QString Out;    // standard output and error, merged
};

// The event loop serves the board while z4ctl runs.
inline Z4ctlRun Z4ctl(quint16 port, const QStringList &arguments)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(Z4_CTL_EXE),
                  QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port)} + arguments);
    if (!QTest::qWaitFor([&process] { return process.state() == QProcess::NotRunning; }, 60000))
        return {};
    return {process.exitCode(), QString::fromUtf8(process.readAll())};
}
