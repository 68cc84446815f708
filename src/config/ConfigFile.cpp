// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ConfigFile.h"

#include "common/IniFile.h"
#include "common/NumberText.h"

#include <QDir>
#include <QFileInfo>

#include <optional>

namespace {
QString Where(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// A register value as a file holds it: a whole decimal number that some register pattern reads as
// (-32768 .. 65535), optionally signed.
std::optional<quint16> RegisterValue(const QString &text)
{
    bool ok = false;
    const qlonglong value = text.toLongLong(&ok, 10);
    if (!ok || value < -32768 || value > 65535)
        return std::nullopt;
    return static_cast<quint16>(value & 0xFFFF);
}
}  // namespace

QString ConfigKey(const ConfigItem &item, int k)
{
    return item.Registers == 1 ? item.Ident : item.Ident + QString::number(k);
}

bool CanWriteConfigFile(const QString &fileName, QString *error)
{
    QString why = WriteProblem(fileName, TLinks::Follow);
    TIniFile existing;
    if (why.isEmpty() && existing.Load(fileName, &why))
        return true;
    if (error)
        *error = QStringLiteral("%1 cannot be written: %2").arg(Where(fileName), why);
    return false;
}

bool WriteConfigFile(const QString &fileName, const TConfigImages &images, QString *error)
{
    TIniFile ini;
    QString why;
    if (!ini.Load(fileName, &why)) {
        if (error)
            *error = QStringLiteral("%1 was not written: %2").arg(Where(fileName), why);
        return false;
    }
    for (qint32 i = 0; i < images.ActiveItemCount; ++i) {
        const ConfigItem &item = images.BoardImage[static_cast<size_t>(i)];
        for (int k = 0; k < item.Registers; ++k)
            ini.WriteInteger(item.Section, ConfigKey(item, k),
                             static_cast<qint16>(item.Values[static_cast<size_t>(k)]));
    }
    if (!ini.Save(fileName, &why)) {
        if (error)
            *error = QStringLiteral("%1 was not written: %2").arg(Where(fileName), why);
        return false;
    }
    return true;
}

bool ReadConfigFile(const QString &fileName, TConfigImages &images, bool firmwareRev12, QString *error)
{
    const auto refuse = [&](const QString &why) {
        if (error)
            *error = QStringLiteral("The configuration file %1 cannot be used: %2").arg(Where(fileName), why);
        return false;
    };

    if (!QFileInfo::exists(fileName))
        return refuse(QStringLiteral("it does not exist."));
    TIniFile ini;
    QString why;
    if (!ini.Load(fileName, &why))
        return refuse(why + QLatin1Char('.'));
    if (images.ItemCount <= 0)
        return refuse(QStringLiteral("no parameter definition is loaded."));
    // A key given twice with different values: which one was meant cannot be known.
    for (const ConfigItem &item : images.FileImage) {
        for (int k = 0; k < item.Registers; ++k) {
            const QString both = QStringLiteral("[%1] %2").arg(item.Section, ConfigKey(item, k));
            if (ini.ConflictingKeys().contains(both, Qt::CaseInsensitive))
                return refuse(QStringLiteral("it gives %1 more than once, with different values.").arg(both));
        }
    }

    // First every value the file has; the walk depends on the last item.
    ConfigImage image = images.FileImage;
    std::vector<int> firstMissing(image.size(), -1);  // per item: its first absent key, or -1
    for (size_t i = 0; i < image.size(); ++i) {
        ConfigItem &item = image[i];
        for (int k = 0; k < item.Registers; ++k) {
            const QString key = ConfigKey(item, k);
            const auto text = ini.Value(item.Section, key);
            quint16 value = 0;
            if (!text) {
                if (firstMissing[i] < 0)
                    firstMissing[i] = k;
            } else if (const auto read = RegisterValue(*text)) {
                value = *read;
            } else {
                return refuse(QStringLiteral("[%1] %2 = \"%3\" is not a whole number from -32768 to 65535.")
                                  .arg(item.Section, key, Excerpt(*text)));
            }
            item.Values[static_cast<size_t>(k)] = value;
        }
    }

    const bool extended = image.back().Values.front() != 0;
    const qint32 active = extended ? images.ItemsFor(firmwareRev12) : images.ItemsFor(false);
    for (qint32 i = 0; i < active; ++i) {
        const ConfigItem &item = image[static_cast<size_t>(i)];
        if (const int k = firstMissing[static_cast<size_t>(i)]; k >= 0)
            return refuse(QStringLiteral("it has no key %1 in section [%2].").arg(ConfigKey(item, k), item.Section));
    }

    images.FileImage = std::move(image);
    images.FileHasExtendedItems = extended;
    images.ActiveItemCount = active;
    images.FileLoaded = true;
    return true;
}
