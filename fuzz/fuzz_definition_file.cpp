// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The parameter definition file's reader on any file. A definition it takes must describe the
// transfer table, and every configuration file written under it must read back as written.
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "config/ConfigFile.h"
#include "config/DefinitionFile.h"
#include "config/TransferRows.h"

#include <QFile>
#include <QSet>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = FuzzPath(QStringLiteral("z4_0parameters.def"));
    WriteInput(path, data, size);

    TConfigImages images;
    images.DefinitionPath = QStringLiteral("before");
    if (!ReadDefinitionFile(path, images, nullptr)) {
        FUZZ_CHECK(images.DefinitionPath == QLatin1String("before") && images.ItemCount == 0);
        FUZZ_CHECK(images.FileImage.empty() && images.BoardImage.empty());
        return 0;
    }

    const auto &rows = TransferRows();
    FUZZ_CHECK(images.ItemCount >= 1 && images.ItemCount <= static_cast<int>(rows.size()));
    FUZZ_CHECK(images.ActiveItemCount == images.ItemCount);
    FUZZ_CHECK(static_cast<int>(images.FileImage.size()) == images.ItemCount);
    FUZZ_CHECK(static_cast<int>(images.BoardImage.size()) == images.ItemCount);
    QSet<QString> keys;
    for (int i = 0; i < images.ItemCount; ++i) {
        const ConfigItem &item = images.BoardImage[static_cast<size_t>(i)];
        const TParameterRow &row = rows[static_cast<size_t>(i)];
        FUZZ_CHECK(item.FirstRegister == row.FirstRegister && item.Registers == row.Registers);
        FUZZ_CHECK(static_cast<int>(item.Values.size()) == item.Registers);
        FUZZ_CHECK(!item.Section.isEmpty() && !item.Ident.isEmpty());
        for (int k = 0; k < item.Registers; ++k)
            keys.insert((item.Section + QLatin1Char('/') + ConfigKey(item, k)).toLower());
    }

    // Every register its own key: a configuration file saved under this definition reads back
    // with every value as saved.
    int registers = 0;
    quint16 value = 0x1000;
    for (ConfigItem &item : images.BoardImage) {
        registers += item.Registers;
        for (quint16 &v : item.Values)
            v = value++;
    }
    FUZZ_CHECK(keys.size() == registers);
    const QString saved = FuzzPath(QStringLiteral("saved.cnf"));
    QFile::remove(saved);
    QString error;
    FUZZ_CHECK(WriteConfigFile(saved, images, &error));
    TConfigImages read = images;
    if (!ReadConfigFile(saved, read, true, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(read.ActiveItemCount == images.ItemCount);
    for (int i = 0; i < images.ItemCount; ++i)
        FUZZ_CHECK(read.FileImage[static_cast<size_t>(i)].Values == images.BoardImage[static_cast<size_t>(i)].Values);
    return 0;
}
