// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The benchmarks' one measure of memory: this process's resident set, as the kernel reports it.
#pragma once

#include <QByteArray>
#include <QFile>

// The resident memory of this process, in MB; 0 when it cannot be read.
inline double ResidentMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    }
    return 0;
}
