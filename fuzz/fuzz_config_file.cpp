// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The configuration file's reader on any file, under the shipped definition, for boards with and
// without the extended items. A file it refuses changes nothing; a file it takes gives values of
// every item of the walk, and saving them over that same file (keeping its other content) reads
// back the same.
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "config/ConfigFile.h"
#include "config/DefinitionFile.h"

#include <cstdint>

namespace {
const TConfigImages &Shipped()
{
    static const TConfigImages images = [] {
        TConfigImages read;
        QString error;
        if (!ReadDefinitionFile(QStringLiteral(Z4_DEFINITION_FILE), read, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            std::abort();
        }
        return read;
    }();
    return images;
}

bool SameValues(const ConfigImage &a, const ConfigImage &b, int items)
{
    for (int i = 0; i < items; ++i)
        if (a[static_cast<size_t>(i)].Values != b[static_cast<size_t>(i)].Values)
            return false;
    return true;
}

void Check(const QString &path, const uint8_t *data, size_t size, bool firmwareRev12)
{
    WriteInput(path, data, size);
    TConfigImages images = Shipped();
    QString error;
    if (!ReadConfigFile(path, images, firmwareRev12, &error)) {
        FUZZ_CHECK(!error.isEmpty() && !images.FileLoaded);
        FUZZ_CHECK(images.ActiveItemCount == Shipped().ActiveItemCount);
        FUZZ_CHECK(SameValues(images.FileImage, Shipped().FileImage, Shipped().ItemCount));
        return;
    }
    FUZZ_CHECK(images.FileLoaded);
    FUZZ_CHECK(images.FileHasExtendedItems == (images.FileImage.back().Values.front() != 0));
    FUZZ_CHECK(images.ActiveItemCount == images.ItemsFor(firmwareRev12 && images.FileHasExtendedItems));
    for (size_t i = 0; i < images.FileImage.size(); ++i)
        FUZZ_CHECK(images.FileImage[i].Values.size() == Shipped().FileImage[i].Values.size());

    // Save what was read over the file it came from.
    images.BoardImage = images.FileImage;
    if (!WriteConfigFile(path, images, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        FUZZ_CHECK(false);
    }
    TConfigImages again = Shipped();
    if (!ReadConfigFile(path, again, firmwareRev12, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        FUZZ_CHECK(false);
    }
    FUZZ_CHECK(again.ActiveItemCount == images.ActiveItemCount);
    FUZZ_CHECK(SameValues(again.FileImage, images.FileImage, images.ActiveItemCount));
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = FuzzPath(QStringLiteral("fuzz.cnf"));
    Check(path, data, size, true);
    Check(path, data, size, false);
    return 0;
}
