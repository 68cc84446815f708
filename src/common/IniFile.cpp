// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/IniFile.h"

#include <QSet>

#include <algorithm>

#define SI_NO_CONVERSION
#define SI_IMPLEMENTATION
#include <SimpleIni.h>

namespace {
bool IsNewLine(char c)
{
    return c == '\n' || c == '\r';
}

// What a line is to the parser. A broken section line opens no section of its own: it has no "]"
// or no name.
enum class LineKind { Blank, Comment, BrokenSection, Entry };

LineKind KindOf(QByteArrayView line)
{
    qsizetype at = 0;
    while (at < line.size() && (line[at] == ' ' || line[at] == '\t'))
        ++at;
    if (at == line.size())
        return LineKind::Blank;
    if (line[at] == ';' || line[at] == '#')
        return LineKind::Comment;
    if (line[at] != '[')
        return LineKind::Entry;
    const qsizetype close = line.indexOf(']', at);
    if (close < 0)
        return LineKind::BrokenSection;
    const QByteArrayView name = line.sliced(at + 1, close - at - 1);
    return std::all_of(name.cbegin(), name.cend(), [](char c) { return c == ' ' || c == '\t'; })
               ? LineKind::BrokenSection
               : LineKind::Entry;
}
}  // namespace

struct TIniFile::Impl
{
    // Case-insensitive names, UTF-8, one value per key, "key=value" without spaces.
    CSimpleIniA Ini{true, false, false};
    QStringList Conflicts;
    // Put before the lines handed to the parser as comments; never part of the text read.
    QByteArray Marker;
    // Comments after the last entry, as read: the parser drops them.
    QByteArray Tail;
    Impl() { Ini.SetSpaces(false); }

    void Clear()
    {
        Ini.Reset();
        Conflicts.clear();
        Marker.clear();
        Tail.clear();
    }

    // The text as the parser gets it. A line that starts with "[" and has no "]" would be taken
    // for the start of a section name running on over the following lines up to the next "=", and
    // written back with one line more at every rewrite; one with an empty name ("[]") would move
    // the keys after it to the top of the file. Such a line goes to the parser as a marked comment
    // instead, so the keys after it stay in the section before it and Text() gives it back as it
    // was. The comments after the last entry are kept aside in Tail.
    QByteArray Parsed(const QByteArray &text)
    {
        Marker = QByteArrayLiteral(";\x1fz4");
        while (text.contains(Marker))
            Marker.append('\x1f');
        QByteArray parsed;
        parsed.reserve(text.size());
        // The parser skips a UTF-8 byte-order mark (as Notepad writes) before the first line; it
        // does not write one back.
        qsizetype at = text.startsWith("\xEF\xBB\xBF") ? 3 : 0;
        parsed.append(text.first(at));
        qsizetype entriesEnd = at;  // in parsed: just after the newline that ends the last entry
        qsizetype textEnd = at;     // the same place in text
        while (at < text.size()) {
            qsizetype end = at;
            while (end < text.size() && !IsNewLine(text[end]))
                ++end;
            const LineKind kind = KindOf(QByteArrayView(text).sliced(at, end - at));
            if (kind == LineKind::BrokenSection)
                parsed.append(Marker);
            if (end < text.size())
                ++end;  // "\r\n" leaves an empty line, which is blank
            parsed.append(QByteArrayView(text).sliced(at, end - at));
            if (kind == LineKind::Entry) {
                entriesEnd = parsed.size();
                textEnd = end;
            }
            at = end;
        }
        Tail = text.sliced(textEnd);
        if (std::all_of(Tail.cbegin(), Tail.cend(), [](char c) { return c == ' ' || c == '\t' || IsNewLine(c); }))
            Tail.clear();
        parsed.truncate(entriesEnd);
        return parsed;
    }
};

TIniFile::TIniFile() : d(std::make_unique<Impl>()) {}
TIniFile::~TIniFile() = default;

bool TIniFile::Load(const QString &path, QString *error, TLinks links)
{
    QByteArray text;
    switch (ReadPlainFile(path, kMaxFileSize, links, &text, error)) {
    case TFileRead::Missing:
        d->Clear();
        return true;
    case TFileRead::Refused:
        d->Clear();
        return false;
    case TFileRead::Read:
        break;
    }
    return LoadText(text, error);
}

bool TIniFile::LoadText(const QByteArray &text, QString *error)
{
    d->Clear();
    // The parser stops at the first NUL byte, so a UTF-16 file (as some Windows editors save INI
    // files) or a binary one would be read as nearly empty, and a rewrite would destroy it.
    if (text.contains('\0')) {
        if (error)
            *error = QStringLiteral("the file is not a plain text INI file (it holds NUL bytes; UTF-16 is not read)");
        return false;
    }
    const QByteArray parsed = d->Parsed(text);
    const SI_Error rc = d->Ini.LoadData(parsed.constData(), static_cast<size_t>(parsed.size()));
    if (rc < 0) {
        if (error)
            *error =
                rc == SI_NOMEM ? QStringLiteral("out of memory") : QStringLiteral("the file is not a valid INI file");
        d->Clear();
        return false;
    }
    // A second reading that keeps every value of a key finds the keys given twice.
    CSimpleIniA all(true, true, false);
    if (all.LoadData(parsed.constData(), static_cast<size_t>(parsed.size())) >= 0) {
        CSimpleIniA::TNamesDepend sections;
        all.GetAllSections(sections);
        for (const auto &section : sections) {
            CSimpleIniA::TNamesDepend keys;
            all.GetAllKeys(section.pItem, keys);
            for (const auto &key : keys) {
                CSimpleIniA::TNamesDepend values;
                all.GetAllValues(section.pItem, key.pItem, values);
                QSet<QString> distinct;
                for (const auto &value : values)
                    distinct.insert(QString::fromUtf8(value.pItem).trimmed());
                if (distinct.size() > 1)
                    d->Conflicts << QStringLiteral("[%1] %2").arg(QString::fromUtf8(section.pItem),
                                                                  QString::fromUtf8(key.pItem));
            }
        }
    }
    return true;
}

QStringList TIniFile::ConflictingKeys() const
{
    return d->Conflicts;
}

QByteArray TIniFile::Text() const
{
    std::string saved;
    d->Ini.Save(saved);
    QByteArray text = QByteArray::fromStdString(saved);
    if (!d->Marker.isEmpty()) {
        if (text.startsWith(d->Marker))
            text.remove(0, d->Marker.size());
        text.replace('\n' + d->Marker, "\n");
    }
    if (!d->Tail.isEmpty() && !text.isEmpty() && !text.endsWith('\n'))
        text.append('\n');
    return text + d->Tail;
}

bool TIniFile::Save(const QString &path, QString *error, TLinks links) const
{
    QString problem;
    if (WritePlainFile(path, Text(), links, &problem))
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(path, problem);
    return false;
}

bool TIniFile::HasKey(const QString &section, const QString &key) const
{
    return Value(section, key).has_value();
}

QStringList TIniFile::Sections() const
{
    CSimpleIniA::TNamesDepend names;
    d->Ini.GetAllSections(names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    QStringList out;
    for (const auto &entry : names)
        out.append(QString::fromUtf8(entry.pItem));
    return out;
}

QStringList TIniFile::Keys(const QString &section) const
{
    CSimpleIniA::TNamesDepend names;
    d->Ini.GetAllKeys(section.toUtf8().constData(), names);
    names.sort(CSimpleIniA::Entry::LoadOrder());
    QStringList out;
    for (const auto &entry : names)
        out.append(QString::fromUtf8(entry.pItem));
    return out;
}

std::optional<QString> TIniFile::Value(const QString &section, const QString &key) const
{
    const char *value = d->Ini.GetValue(section.toUtf8().constData(), key.toUtf8().constData(), nullptr);
    if (!value)
        return std::nullopt;
    return QString::fromUtf8(value).trimmed();
}

QString TIniFile::ReadString(const QString &section, const QString &key, const QString &fallback) const
{
    return Value(section, key).value_or(fallback);
}

int TIniFile::ReadInteger(const QString &section, const QString &key, int fallback) const
{
    const auto text = Value(section, key);
    if (!text)
        return fallback;
    bool ok = false;
    const int value = text->toInt(&ok, 10);
    return ok ? value : fallback;
}

bool TIniFile::ReadBool(const QString &section, const QString &key, bool fallback) const
{
    const auto text = Value(section, key);
    if (!text)
        return fallback;
    const QString v = text->toLower();
    if (v == QLatin1String("1") || v == QLatin1String("true") || v == QLatin1String("yes") || v == QLatin1String("on"))
        return true;
    if (v == QLatin1String("0") || v == QLatin1String("false") || v == QLatin1String("no") || v == QLatin1String("off"))
        return false;
    return fallback;
}

void TIniFile::WriteString(const QString &section, const QString &key, const QString &value)
{
    d->Ini.SetValue(section.toUtf8().constData(), key.toUtf8().constData(), value.toUtf8().constData());
}

void TIniFile::WriteInteger(const QString &section, const QString &key, int value)
{
    WriteString(section, key, QString::number(value));
}

void TIniFile::WriteBool(const QString &section, const QString &key, bool value)
{
    WriteString(section, key, value ? QStringLiteral("1") : QStringLiteral("0"));
}
