// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>

// The readers under test take file names: each input is written to a file in a folder of the
// fuzzer's own, removed when it ends.
inline QString FuzzPath(const QString &name)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        std::abort();
    return dir.filePath(name);
}

inline void WriteInput(const QString &path, const uint8_t *data, size_t size)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)
        || file.write(reinterpret_cast<const char *>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
        std::abort();
}
