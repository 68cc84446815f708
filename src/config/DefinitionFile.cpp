// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/DefinitionFile.h"

#include "common/IniFile.h"
#include "common/NumberText.h"
#include "config/TransferRows.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSet>

#include <algorithm>

namespace {

QString Where(const QString &path)
{
    return QDir::toNativeSeparators(path);
}
}  // namespace

QStringList StandardDefinitionPlaces()
{
    const QDir program(QCoreApplication::applicationDirPath());
    const QString file = QStringLiteral("deffiles/z4_0parameters.def");
    return {program.filePath(file), QDir::cleanPath(program.filePath(QStringLiteral(Z4_DATA_FROM_PROGRAM "/") + file))};
}

QString StandardDefinitionPath()
{
    const QStringList places = StandardDefinitionPlaces();
    const auto found =
        std::find_if(places.cbegin(), places.cend(), [](const QString &p) { return QFileInfo::exists(p); });
    return found != places.cend() ? *found : places.front();
}

bool DefinitionBesideProgram()
{
    return QFileInfo::exists(StandardDefinitionPlaces().front());
}

bool ReadDefinitionFile(const QString &path, TConfigImages &images, QString *error)
{
    const auto fail = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("The parameter definition file %1 cannot be used: %2").arg(Where(path), why);
        return false;
    };

    if (!QFileInfo::exists(path)) {
        // The standard file is looked for in two places: a message naming one would send the user
        // looking in the wrong one.
        const QStringList places = StandardDefinitionPlaces();
        if (places.contains(path)) {
            if (error)
                *error = QStringLiteral("The parameter definition file cannot be used: it is neither at %1 nor at %2.")
                             .arg(Where(places[0]), Where(places[1]));
            return false;
        }
        return fail(QStringLiteral("it does not exist."));
    }
    TIniFile ini;
    QString why;
    if (!ini.Load(path, &why))
        return fail(why + QLatin1Char('.'));

    if (!ini.ConflictingKeys().isEmpty())
        return fail(
            QStringLiteral("it gives %1 more than once, with different values.").arg(ini.ConflictingKeys().front()));
    const auto &rows = TransferRows();
    const int count = ini.ReadInteger(QStringLiteral("Info"), QStringLiteral("Items"), 0);
    if (count <= 0)
        return fail(QStringLiteral("[Info] Items gives no items."));
    if (count > static_cast<int>(rows.size()))
        return fail(
            QStringLiteral("[Info] Items is %1, more than the %2 items the tool knows.").arg(count).arg(rows.size()));

    QSet<QString> sections;  // in lower case: names match without regard to case
    for (const QString &name : ini.Sections())
        sections.insert(name.toLower());
    ConfigImage image;
    image.reserve(static_cast<size_t>(count));
    QSet<QString> keys;  // "section/key" in lower case: every register needs a key of its own
    for (int i = 0; i < count; ++i) {
        const QString section = QString::number(i);
        const TParameterRow &row = rows[static_cast<size_t>(i)];
        const auto bad = [&](const QString &what) { return fail(QStringLiteral("item %1 %2.").arg(i).arg(what)); };

        if (!sections.contains(section))
            return bad(QStringLiteral("is missing"));
        ConfigItem item;
        item.Registers = ini.ReadInteger(section, QStringLiteral("Registers"), 0);
        const int first = ini.ReadInteger(section, QStringLiteral("FirstRegister"), -1);
        item.Section = ini.ReadString(section, QStringLiteral("Section"), QString());
        item.Ident = ini.ReadString(section, QStringLiteral("Ident"), QString());

        if (item.Registers < 1 || item.Registers > kMaxRowRegisters)
            return bad(
                QStringLiteral("has %1 registers (1 to %2 are possible)").arg(item.Registers).arg(kMaxRowRegisters));
        if (first != row.FirstRegister || item.Registers != row.Registers)
            return bad(QStringLiteral("gives registers %1, %2 (the board has %3, %4 there)")
                           .arg(first)
                           .arg(item.Registers)
                           .arg(row.FirstRegister)
                           .arg(row.Registers));
        if (item.Section.isEmpty() || item.Ident.isEmpty())
            return bad(QStringLiteral("has no Section or no Ident"));
        // A name a configuration file cannot hold would make Save write files that Load refuses.
        const auto unusable = [](const QString &name) {
            return name.contains(QLatin1Char('=')) || name.contains(QLatin1Char('[')) || name.contains(QLatin1Char(']'))
                   || name.startsWith(QLatin1Char(';')) || name.startsWith(QLatin1Char('#')) || name != name.trimmed()
                   || std::any_of(name.cbegin(), name.cend(), [](QChar c) { return c.unicode() < 0x20; });
        };
        if (unusable(item.Section) || unusable(item.Ident))
            return bad(QStringLiteral("has a Section or Ident that a configuration file cannot hold (\"%1\", \"%2\")")
                           .arg(Excerpt(item.Section), Excerpt(item.Ident)));
        item.FirstRegister = static_cast<quint16>(first);

        for (int k = 0; k < item.Registers; ++k) {
            const QString key = item.Registers == 1 ? item.Ident : item.Ident + QString::number(k);
            const QString both = (item.Section + QLatin1Char('/') + key).toLower();
            if (keys.contains(both))
                return bad(QStringLiteral("uses the key %1 in [%2] that an earlier item uses").arg(key, item.Section));
            keys.insert(both);
        }
        item.Values.assign(static_cast<size_t>(item.Registers), 0);
        image.push_back(std::move(item));
    }

    images.DefinitionPath = path;
    images.FileImage = image;
    images.BoardImage = std::move(image);
    images.ItemCount = count;
    images.ActiveItemCount = count;
    images.FileHasExtendedItems = true;
    images.FileLoaded = false;
    return true;
}
