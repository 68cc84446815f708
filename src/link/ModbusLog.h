// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDate>
#include <QFile>
#include <QString>

// The link's own log: one text file per day. Level 1 records failures and refusals (and which
// board the line reaches when that changes), level 2 adds every request with its outcome and
// round-trip time, level 3 adds the raw protocol data units.
class ModbusLog
{
public:
    enum LevelValue : int { Failures = 1, Requests = 2, Frames = 3 };

    int Level() const { return m_level; }
    void SetLevel(int level) { m_level = level; }
    QString Folder() const { return m_folder; }
    void SetFolder(const QString &folder);
    int KeepDays() const { return m_keepDays; }
    void SetKeepDays(int days) { m_keepDays = days; }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool enabled);
    QString CurrentFile() const { return m_file.fileName(); }

    bool Wants(int level) const { return m_enabled && level <= m_level; }
    // Appends one line, stamped with the local time, when the level is wanted.
    void Write(int level, const QString &text);
    // Removes this log's files older than KeepDays from the folder in use.
    void Purge();

    // "z4link-2026-12-07.log": the file name for a day, and the day back from a name (invalid for
    // files that are not ours).
    static QString FileNameFor(QDate day);
    static QDate DayOf(const QString &fileName);
    // The user's own log folder ($XDG_DATA_HOME/z4vent/logs, ~/.local/share/z4vent/logs without
    // it), where the log goes when its folder cannot be written.
    static QString UserFolder();
    // Moves this log's files from the folder older versions kept them in (oldFolder) to
    // UserFolder, each unless a file of that name is there already, then removes oldFolder and
    // the two folders above it where they are left empty. Returns how many files moved.
    static int AdoptOldFiles(const QString &oldFolder);

private:
    QString UsableFolder() const;
    bool OpenFor(QDate day);

    int m_level = Requests;
    QString m_folder;
    int m_keepDays = 7;
    bool m_enabled = false;
    QFile m_file;
    QDate m_fileDay;
    QDate m_refusedDay;  // the day whose file was found to be no regular file of the folder
};
