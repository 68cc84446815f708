// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsPlace.h"

#include "app/TSettings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
const QString kTrendFile = QStringLiteral("settings.ini");

QString &Chosen()
{
    static QString folder;
    return folder;
}
}  // namespace

namespace SettingsPlace {
QString UserFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("z4vent"));
}

QString Choose(const QString &workDir)
{
    const QDir work(workDir);
    // Started from the menu, the working folder is the home folder, where older versions kept
    // their files: there they move to the user's folder once, and the home folder holds none.
    const bool home = work.absolutePath() == QDir::home().absolutePath();
    const QString names[] = {TSettings::FileName(), kTrendFile};
    for (const QString &name : names) {
        // exists() of a link that leads nowhere is false, yet the file is the user's: the working
        // folder keeps it (the settings reader then says what it is).
        const QFileInfo file(work.filePath(name));
        if (!home && (file.exists() || file.isSymLink()))
            return work.absolutePath();
    }
    const QString user = UserFolder();
    if (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).isEmpty() || !QDir().mkpath(user))
        return work.absolutePath();
    for (const QString &name : names) {
        const QFileInfo file(work.filePath(name));
        if (home && file.isFile() && !file.isSymLink() && !QFileInfo::exists(QDir(user).filePath(name)))
            QFile::rename(file.filePath(), QDir(user).filePath(name));
    }
    return user;
}

void Use(const QString &folder)
{
    Chosen() = folder;
}

QString Folder()
{
    return Chosen().isEmpty() ? QDir::currentPath() : Chosen();
}

QString SettingsFile()
{
    return QDir(Folder()).filePath(TSettings::FileName());
}

QString TrendFileName()
{
    return kTrendFile;
}
}  // namespace SettingsPlace
