// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder recordings go to: where it is, what a new recording is called, what it holds, and
// keeping it under a size by removing the oldest recordings first.

#include "record/Recording.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace rec {

// The folder recordings go to when the settings name none: "recordings" in the user's data folder
// (~/.local/share/z4vent/recordings).
QString DefaultFolder();
// The size the folder is kept under when the settings name none: 2 GB.
inline constexpr qint64 kDefaultMaxBytes = 2048LL * 1024 * 1024;

// The file name of a recording that starts at start on line: its local date and time first, so
// that names sort by age ("2026-12-08_074900_10.0.0.7-502.z4rec").
QString FileName(const QDateTime &start, const QString &line);

// The recordings of folder, the oldest first (by name, which starts with the start time).
QStringList Recordings(const QString &folder);

// The bytes a recording takes with its write-ahead log.
qint64 RecordingSize(const QString &path);

// Removes the oldest recordings of folder until the folder's recordings take at most maxBytes;
// never keep (the one being written) nor one another running tool writes. Returns the files
// removed; error says what could not be removed.
QStringList KeepUnder(const QString &folder, qint64 maxBytes, const QString &keep, QString *error = nullptr);

}  // namespace rec
