// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SettingsPlace.h"

#include "app/TSettings.h"

#include <QDir>
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
    // exists() of a link that leads nowhere is false, yet the file is the user's: the working folder
    // keeps it (the settings reader then says what it is).
    for (const QString &name : {TSettings::FileName(), kTrendFile}) {
        const QFileInfo file(work.filePath(name));
        if (file.exists() || file.isSymLink())
            return work.absolutePath();
    }
    const QString user = UserFolder();
    if (QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation).isEmpty() || !QDir().mkpath(user))
        return work.absolutePath();
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
