// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The recording reader on damaged chunks: a whole recording of our writer whose chunk rows get
// the input (its first bytes the chunk's count and extent, the rest the packed samples and the
// least and greatest values). Whatever the rows hold, the reader reads them or says the file is
// damaged; it never reads past a row, nor holds more than the row could describe.
#include "FuzzCheck.h"
#include "FuzzFiles.h"
#include "record/Recording.h"

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

constexpr qint64 kStart = 1'780'000'000'000;

// A recording of three chunks, made once; each input is tried on a copy.
const QString &Pristine()
{
    static const QString path = [] {
        const QString made = FuzzPath(QStringLiteral("pristine.z4rec"));
        rec::TRecordingWriter writer;
        if (!writer.Create(made, {}))
            std::abort();
        for (int i = 0; i < 3 * rec::kChunkSamples; ++i) {
            rec::TSample sample;
            sample.Ms = kStart + i * 1000;
            for (size_t s = 0; s < sample.Values.size(); ++s)
                sample.Values[s] = (i + static_cast<int>(s)) % 7 == 0 ? std::nan("") : std::sin(i + s) * 50;
            writer.Add(sample);
        }
        if (!writer.Close())
            std::abort();
        return made;
    }();
    return path;
}

qint64 Take(const uint8_t *&data, size_t &size)
{
    qint64 value = 0;
    const size_t n = std::min<size_t>(size, sizeof value);
    std::memcpy(&value, data, n);
    data += n;
    size -= n;
    return value;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int argc = 1;
    static char name[] = "fuzz_recording";
    static char *argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    const QString path = FuzzPath(QStringLiteral("input.z4rec"));
    QFile::remove(path);
    if (!QFile::copy(Pristine(), path))
        std::abort();
    const qint64 count = Take(data, size) % 100000;
    const qint64 span = Take(data, size);
    const QByteArray rest(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("fuzz"));
        db.setDatabaseName(path);
        if (!db.open())
            std::abort();
        QSqlQuery query(db);
        query.prepare(QStringLiteral("UPDATE chunk SET count = ?, last_ms = first_ms + ?, minmax = substr(?, 1, 288)"
                                     " WHERE first_ms = (SELECT MIN(first_ms) FROM chunk)"));
        query.addBindValue(count);
        query.addBindValue(span);
        query.addBindValue(rest);
        query.exec();
        query.prepare(
            QStringLiteral("UPDATE chunk_data SET data = ? WHERE first_ms = (SELECT MIN(first_ms) FROM chunk)"));
        query.addBindValue(rest);
        query.exec();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("fuzz"));

    rec::TRecordingReader reader;
    if (!reader.Open(path)) {
        FUZZ_CHECK(!reader.Error().isEmpty());
        return 0;
    }
    qint64 samples = 0;
    const bool read = reader.ForEachSample(kStart - 1000, kStart + 1'000'000, [&](const rec::TSample &sample) {
        FUZZ_CHECK(sample.Ms >= kStart - 1000 && sample.Ms <= kStart + 1'000'000);
        ++samples;
    });
    FUZZ_CHECK(read || reader.Error().contains(QStringLiteral("is damaged")));
    std::vector<rec::TColumnRange> columns;
    const bool drawn = reader.MinMax(kStart, kStart + 600'000, 97, columns);
    FUZZ_CHECK(drawn || reader.Error().contains(QStringLiteral("is damaged")));
    FUZZ_CHECK(columns.size() == 97 * reader.Series().size());
    return 0;
}
