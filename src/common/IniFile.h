// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/PlainFile.h"

#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

// An INI file as the tool's settings and data files use it: section and key names match without
// regard to case, and keys, sections, comments and order that someone added by hand survive a
// rewrite. New keys go to the end of their section, new sections to the end of the file.
class TIniFile
{
public:
    TIniFile();
    ~TIniFile();
    TIniFile(const TIniFile &) = delete;
    TIniFile &operator=(const TIniFile &) = delete;

    // Reads the file. A missing file is an empty one; a file that exists but cannot be read or
    // parsed, is no regular file or is a link links does not follow, returns false with the reason.
    bool Load(const QString &path, QString *error, TLinks links = TLinks::Follow);
    // Parses INI text (for tests and files read elsewhere).
    bool LoadText(const QByteArray &text, QString *error);
    // The largest file Load reads: far more than any real settings, definition or configuration
    // file, so that a wrong file chosen by mistake is refused rather than parsed for minutes.
    static constexpr qint64 kMaxFileSize = 1024 * 1024;

    // Keys the text gives more than once with different values, as "[section] key" (a value read
    // for them is the last one given).
    QStringList ConflictingKeys() const;
    // Writes the file whole or not at all (a temporary file renamed over it); what WriteProblem
    // refuses is not written.
    bool Save(const QString &path, QString *error, TLinks links = TLinks::Follow) const;
    QByteArray Text() const;

    bool HasKey(const QString &section, const QString &key) const;
    QStringList Sections() const;
    QStringList Keys(const QString &section) const;

    // The value as written, trimmed; nullopt when the key is absent.
    std::optional<QString> Value(const QString &section, const QString &key) const;
    QString ReadString(const QString &section, const QString &key, const QString &fallback) const;
    // A decimal integer (optionally signed); the fallback when the key is absent or not a number.
    int ReadInteger(const QString &section, const QString &key, int fallback) const;
    // 1/0, true/false, yes/no, on/off (any case); the fallback otherwise.
    bool ReadBool(const QString &section, const QString &key, bool fallback) const;

    void WriteString(const QString &section, const QString &key, const QString &value);
    void WriteInteger(const QString &section, const QString &key, int value);
    // Written as 1 or 0.
    void WriteBool(const QString &section, const QString &key, bool value);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
