// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/ModbusLog.h"

#include "common/PlainFile.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString kPrefix = QStringLiteral("z4link-");
const QString kSuffix = QStringLiteral(".log");
const QString kDateFormat = QStringLiteral("yyyy-MM-dd");

bool FolderIsWritable(const QString &folder)
{
    return !folder.isEmpty() && QDir().mkpath(folder) && CanCreateFilesIn(folder);
}
}  // namespace

void ModbusLog::SetFolder(const QString &folder)
{
    if (folder == m_folder)
        return;
    m_folder = folder;
    m_file.close();
    m_fileDay = {};
    m_refusedDay = {};
}

void ModbusLog::SetEnabled(bool enabled)
{
    m_enabled = enabled;
    if (!enabled) {
        m_file.close();
        m_fileDay = {};
        m_refusedDay = {};
    }
}

QString ModbusLog::FileNameFor(QDate day)
{
    return kPrefix + day.toString(kDateFormat) + kSuffix;
}

QDate ModbusLog::DayOf(const QString &fileName)
{
    if (!fileName.startsWith(kPrefix) || !fileName.endsWith(kSuffix))
        return {};
    const QString stamp = fileName.mid(kPrefix.size(), fileName.size() - kPrefix.size() - kSuffix.size());
    return QDate::fromString(stamp, kDateFormat);
}

QString ModbusLog::UsableFolder() const
{
    if (FolderIsWritable(m_folder))
        return m_folder;
    // The configured folder (often beside the executable) may be read-only for this user.
    const QString fallback = UserFolder();
    return FolderIsWritable(fallback) ? fallback : QString();
}

QString ModbusLog::UserFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("z4vent/logs"));
}

int ModbusLog::AdoptOldFiles(const QString &oldFolder)
{
    const QDir old(oldFolder);
    const QString folder = UserFolder();
    if (!old.exists() || QDir(folder) == old)
        return 0;
    int moved = 0;
    const QFileInfoList files = old.entryInfoList({kPrefix + QLatin1Char('*') + kSuffix}, QDir::Files | QDir::System);
    if (!files.isEmpty() && !QDir().mkpath(folder))
        return 0;
    for (const QFileInfo &file : files) {
        // Only the log's own files: never a link, nor what it points to.
        if (file.isSymLink() || !file.isFile() || !DayOf(file.fileName()).isValid())
            continue;
        const QString target = QDir(folder).filePath(file.fileName());
        if (!QFileInfo::exists(target) && QFile::rename(file.filePath(), target))
            ++moved;
    }
    // The old folders go once they hold nothing more (rmdir leaves a folder that is not empty).
    QDir parent = old;
    for (int level = 0; level < 3 && parent.rmdir(parent.absolutePath()) && parent.cdUp(); ++level) {
    }
    return moved;
}

bool ModbusLog::OpenFor(QDate day)
{
    if (m_file.isOpen() && m_fileDay == day)
        return true;
    m_file.close();
    if (m_refusedDay == day)
        return false;
    const QString folder = UsableFolder();
    if (folder.isEmpty())
        return false;
    const QString path = QDir(folder).filePath(FileNameFor(day));
    // Anyone who may write to the folder could put a pipe there, on which opening would wait for
    // good, or a link that has the log appended to a file elsewhere: the day goes unlogged.
    if (!WriteProblem(path, TLinks::SameFolder).isEmpty()) {
        m_refusedDay = day;
        return false;
    }
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Text))
        return false;
    m_fileDay = day;
    return true;
}

void ModbusLog::Write(int level, const QString &text)
{
    if (!Wants(level))
        return;
    const QDateTime now = QDateTime::currentDateTime();
    if (!OpenFor(now.date()))
        return;  // nowhere to write: the log is a diagnostic aid and must never stop the link
    const QByteArray line =
        (now.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz ")) + text + QLatin1Char('\n')).toUtf8();
    m_file.write(line);
    m_file.flush();
}

void ModbusLog::Purge()
{
    if (!m_enabled)
        return;
    const QString folder = UsableFolder();
    if (folder.isEmpty())
        return;
    const QDate oldestKept = QDate::currentDate().addDays(-m_keepDays);
    QDir dir(folder);
    const QStringList names = dir.entryList({kPrefix + QStringLiteral("*") + kSuffix}, QDir::Files);
    for (const QString &name : names) {
        const QDate day = DayOf(name);
        if (day.isValid() && day < oldestKept)
            dir.remove(name);
    }
}
