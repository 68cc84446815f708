// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "record/RecordingsFolder.h"

#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>
#include <QStandardPaths>

namespace rec {

namespace {

// A file SQLite keeps beside the database, and our lock.
const QStringList kCompanions{QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral(".lock")};

bool WrittenElsewhere(const QString &path)
{
    QLockFile lock(path + QStringLiteral(".lock"));
    lock.setStaleLockTime(0);
    if (lock.tryLock(0)) {
        lock.unlock();
        return false;
    }
    return lock.error() == QLockFile::LockFailedError;
}

}  // namespace

QString DefaultFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("z4vent/recordings"));
}

QString FileName(const QDateTime &start, const QString &line)
{
    // The line as far as a file name can carry it: "/dev/ttyUSB0 (19200 8E1)" gives "ttyUSB0".
    QString place = line.section(QLatin1Char(' '), 0, 0).section(QLatin1Char('/'), -1);
    place.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("-"));
    return QStringLiteral("%1%2.%3").arg(start.toString(QStringLiteral("yyyy-MM-dd_HHmmss")),
                                         place.isEmpty() ? QString() : QLatin1Char('_') + place, kExtension);
}

QStringList Recordings(const QString &folder)
{
    QStringList paths;
    const QDir dir(folder);
    for (const QString &name :
         dir.entryList({QStringLiteral("*.") + kExtension}, QDir::Files | QDir::NoDotAndDotDot, QDir::Name))
        paths << dir.filePath(name);
    return paths;
}

qint64 RecordingSize(const QString &path)
{
    qint64 size = QFileInfo(path).size();
    for (const QString &companion : kCompanions)
        size += QFileInfo(path + companion).size();
    return size;
}

QStringList KeepUnder(const QString &folder, qint64 maxBytes, const QString &keep, QString *error)
{
    const QStringList paths = Recordings(folder);
    qint64 total = 0;
    for (const QString &path : paths)
        total += RecordingSize(path);
    QStringList removed;
    const QString kept = QFileInfo(keep).absoluteFilePath();
    for (const QString &path : paths) {
        if (total <= maxBytes)
            break;
        if (QFileInfo(path).absoluteFilePath() == kept || WrittenElsewhere(path))
            continue;
        const qint64 size = RecordingSize(path);
        if (!QFile::remove(path)) {
            if (error)
                *error = QStringLiteral("%1 could not be removed").arg(path);
            continue;
        }
        for (const QString &companion : kCompanions)
            QFile::remove(path + companion);
        total -= size;
        removed << path;
    }
    return removed;
}

}  // namespace rec
