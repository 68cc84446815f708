// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TSettings.h"

#include "common/IniFile.h"

#include <QDir>
#include <QFileInfo>

namespace {
const QString kConnection = QStringLiteral("Connection");
const QString kBoardType = QStringLiteral("BoardType");
const QString kWindow = QStringLiteral("Window");
const QString kFiles = QStringLiteral("Files");
const QString kFolder = QStringLiteral("Folder");
const QString kReport = QStringLiteral("Report");

bool HasLineBreak(const QString &text)
{
    return text.contains(QLatin1Char('\n')) || text.contains(QLatin1Char('\r'));
}
const QString kRecording = QStringLiteral("Recording");

int InRange(const TIniFile &ini, const QString &section, const QString &key, int low, int high, int fallback)
{
    const int value = ini.ReadInteger(section, key, fallback);
    return value >= low && value <= high ? value : fallback;
}

int InRange(const TIniFile &ini, const QString &key, int low, int high, int fallback)
{
    return InRange(ini, kConnection, key, low, high, fallback);
}

// The file is found by its name in the working folder, which others may write to: a link there is
// followed only to a file beside it, never to rewrite a file elsewhere.
constexpr TLinks kLinks = TLinks::SameFolder;

// The file at path before a rewrite; false when it cannot be read, and then it must not be
// replaced: its hand-made keys would be lost.
bool LoadForRewrite(TIniFile &ini, const QString &path, QString *error)
{
    QString why;
    if (ini.Load(path, &why, kLinks))
        return true;
    if (error)
        *error = QStringLiteral("cannot read %1: %2").arg(path, why);
    return false;
}
}  // namespace

TSettings TSettings::Read(const QString &path)
{
    TSettings s;
    TIniFile ini;
    if (!ini.Load(path, nullptr, kLinks)) {
        s.Line = TLineSettings::Read(TIniFile(), kConnection);  // an unreadable file is treated like a missing one
        return s;
    }

    s.Line = TLineSettings::Read(ini, kConnection);
    s.ComPort = InRange(ini, QStringLiteral("COM Port"), 0, 3, 0);
    s.LogFileEnabled = ini.ReadBool(kConnection, QStringLiteral("Log File Enabled"), s.LogFileEnabled);
    s.LogFileExistTime = InRange(ini, QStringLiteral("Log File Exist Time"), 0, 36500, s.LogFileExistTime);
    s.LogFileLevel = InRange(ini, QStringLiteral("Log File Level"), 0, 3, s.LogFileLevel);
    // What the period edit would refuse, and board types the tool does not know.
    s.ReadPeriod = InRange(ini, QStringLiteral("ReadPeriod"), 0, kMaxReadPeriod, s.ReadPeriod);
    s.BoardTypeIndex = InRange(ini, kBoardType, QStringLiteral("BoardTypeIndex"), 0, kBoardTypes - 1, s.BoardTypeIndex);
    s.FileFolder = ini.ReadString(kFiles, kFolder, QString());
    s.ReportSite = ini.ReadString(kReport, QStringLiteral("Site"), QString());
    s.ReportUnit = ini.ReadString(kReport, QStringLiteral("Unit"), QString());
    s.ReportTechnician = ini.ReadString(kReport, QStringLiteral("Technician"), QString());
    s.RecordFolder = ini.ReadString(kRecording, kFolder, QString()).trimmed();
    s.RecordMaxMB = InRange(ini, kRecording, QStringLiteral("MaxSizeMB"), 1, 1024 * 1024, s.RecordMaxMB);
    s.RecordWhenConnected = ini.ReadBool(kRecording, QStringLiteral("WhenConnected"), s.RecordWhenConnected);

    // A window rectangle is kept whole or not at all; where it lies on today's screens is the
    // window's business.
    constexpr int kFar = 100000;
    const int left = InRange(ini, kWindow, QStringLiteral("Left"), -kFar, kFar, kFar + 1);
    const int top = InRange(ini, kWindow, QStringLiteral("Top"), -kFar, kFar, kFar + 1);
    const int width = InRange(ini, kWindow, QStringLiteral("Width"), 1, kFar, 0);
    const int height = InRange(ini, kWindow, QStringLiteral("Height"), 1, kFar, 0);
    if (left <= kFar && top <= kFar && width > 0 && height > 0)
        s.WindowRect = QRect(left, top, width, height);
    s.WindowMaximized = ini.ReadBool(kWindow, QStringLiteral("Maximized"), s.WindowMaximized);
    s.WindowPage = ini.ReadString(kWindow, QStringLiteral("Page"), QString());
    return s;
}

bool TSettings::Write(const QString &path, const TSettings &s, QString *error)
{
    TIniFile ini;
    if (!LoadForRewrite(ini, path, error))
        return false;
    // A new file gets the keys of the original tool first, in its order.
    for (const char *key : {"Mode", "IP1", "IP2", "IP3", "IP4", "COM Port", "ReadPeriod", "Address"})
        if (ini.ReadString(kConnection, QLatin1String(key), QStringLiteral("\n")) == QLatin1String("\n"))
            ini.WriteString(kConnection, QLatin1String(key), QString());
    s.Line.Write(ini, kConnection);
    ini.WriteInteger(kConnection, QStringLiteral("COM Port"), s.ComPort);
    ini.WriteInteger(kConnection, QStringLiteral("ReadPeriod"), s.ReadPeriod);
    ini.WriteInteger(kBoardType, QStringLiteral("BoardTypeIndex"), s.BoardTypeIndex);
    if (s.WindowRect.isValid()) {
        ini.WriteInteger(kWindow, QStringLiteral("Left"), s.WindowRect.x());
        ini.WriteInteger(kWindow, QStringLiteral("Top"), s.WindowRect.y());
        ini.WriteInteger(kWindow, QStringLiteral("Width"), s.WindowRect.width());
        ini.WriteInteger(kWindow, QStringLiteral("Height"), s.WindowRect.height());
        ini.WriteBool(kWindow, QStringLiteral("Maximized"), s.WindowMaximized);
    }
    if (!s.WindowPage.isEmpty())
        ini.WriteString(kWindow, QStringLiteral("Page"), s.WindowPage);
    return ini.Save(path, error, kLinks);
}

QString TSettings::PathIn(const QString &folder)
{
    return QDir(folder).filePath(FileName());
}

QString TSettings::DialogFolder(const QString &fallback) const
{
    return !FileFolder.isEmpty() && QFileInfo(FileFolder).isDir() ? FileFolder : fallback;
}

bool TSettings::RememberFolder(const QString &path, const QString &file, QString *error)
{
    const QString folder = QFileInfo(file).absolutePath();
    if (folder.contains(QLatin1Char('\n')) || folder.contains(QLatin1Char('\r'))) {
        if (error)
            *error = QStringLiteral("a folder name with a line break cannot be kept");
        return false;
    }
    TIniFile ini;
    if (!LoadForRewrite(ini, path, error))
        return false;
    ini.WriteString(kFiles, kFolder, folder);
    return ini.Save(path, error, kLinks);
}

bool TSettings::RememberReport(const QString &path, const QString &site, const QString &unit, const QString &technician,
                               QString *error)
{
    if (HasLineBreak(site) || HasLineBreak(unit) || HasLineBreak(technician)) {
        if (error)
            *error = QStringLiteral("a text with a line break cannot be kept");
        return false;
    }
    TIniFile ini;
    if (!LoadForRewrite(ini, path, error))
        return false;
    ini.WriteString(kReport, QStringLiteral("Site"), site);
    ini.WriteString(kReport, QStringLiteral("Unit"), unit);
    ini.WriteString(kReport, QStringLiteral("Technician"), technician);
    return ini.Save(path, error, kLinks);
}

bool TSettings::KeepRecordWhenConnected(const QString &path, bool on, QString *error)
{
    TIniFile ini;
    if (!LoadForRewrite(ini, path, error))
        return false;
    ini.WriteBool(kRecording, QStringLiteral("WhenConnected"), on);
    return ini.Save(path, error, kLinks);
}

bool TSettings::KeepLogEnabled(const QString &path, bool enabled, QString *error)
{
    TIniFile ini;
    if (!LoadForRewrite(ini, path, error))
        return false;
    ini.WriteBool(kConnection, QStringLiteral("Log File Enabled"), enabled);
    return ini.Save(path, error, kLinks);
}
