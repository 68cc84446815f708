// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

// The tool's own files (settings, parameter definition, configuration files, the trend window's
// settings, exports and pictures, the link's log) are small regular files. Everything that reads
// or writes one by name checks it here first, so that a named pipe, a device or a folder given as
// such a file is refused at once with a reason: never a read that blocks on a pipe or runs on
// without end on a device, and never a write that renames a new file over a device.

// Whether a symbolic link at a file's place is followed.
enum class TLinks {
    // Wherever it leads: a file the user named or chose.
    Follow,
    // Only to a file in the link's own folder: a file the tool finds by its name in a folder
    // (the working folder, the log folder), where a link planted by someone else could otherwise
    // make the tool read or rewrite a file elsewhere.
    SameFolder,
};

enum class TFileRead {
    Read,     // the file's bytes are in *data
    Missing,  // nothing is at path (nor at the end of its link)
    Refused,  // *error says why
};

// Reads the whole file at path: a regular file of at most maxBytes. Anything else is refused
// without being opened (a pipe, a device, a folder, a link links does not allow), and no more
// than maxBytes + 1 bytes are ever read. error may be null.
TFileRead ReadPlainFile(const QString &path, qint64 maxBytes, TLinks links, QByteArray *data, QString *error);

// Why path cannot be written whole (a new file made beside it and renamed over it), in words
// ("it is a device, not a file"), or an empty string when it can: nothing or a regular file the
// user may write is there, and its folder takes new files. A link is judged by where it leads.
QString WriteProblem(const QString &path, TLinks links);

// Writes bytes to path whole or not at all (a new file beside it, renamed over it), after
// WriteProblem found nothing against it. On failure returns false with *error saying why.
bool WritePlainFile(const QString &path, const QByteArray &bytes, TLinks links, QString *error);

// Whether a new file can be made in folder, tried by making one (permissions alone do not tell:
// read-only mounts, access lists, immutable folders).
bool CanCreateFilesIn(const QString &folder);
