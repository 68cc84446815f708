// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The traffic lines on any record the link could hand over: the input gives the function, the
// first register, the count, the outcome and the words (two bytes each, big-endian, as on the
// line), in any combination, also a count that does not match the words.
#include "FuzzCheck.h"
#include "config/DefinitionFile.h"
#include "monitor/TrafficText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
const TTrafficNames &Names()
{
    static const TTrafficNames names = [] {
        TConfigImages images;
        QString error;
        if (!ReadDefinitionFile(QStringLiteral(Z4_DEFINITION_FILE), images, &error)) {
            std::fprintf(stderr, "%s\n", qPrintable(error));
            std::abort();
        }
        return TTrafficNames(images.BoardImage);
    }();
    return names;
}

quint16 Word(const uint8_t *data)
{
    return static_cast<quint16>(data[0] << 8 | data[1]);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    constexpr size_t kHead = 8;
    if (size < kHead)
        return 0;
    using TOutcome = TTrafficRecord::TOutcome;
    TTrafficRecord record;
    record.Function = data[0];
    record.Outcome = static_cast<TOutcome>(data[1] % 5);
    record.ExceptionCode = data[2];
    record.Repeat = (data[3] & 1) != 0;
    record.RoundTripMs = (data[3] & 2) != 0 ? -1 : data[3];
    record.First = Word(data + 4);
    record.Count = Word(data + 6);
    for (size_t i = kHead; i + 1 < size; i += 2)
        record.Values.append(Word(data + i));
    record.Why = QStringLiteral("no answer");

    const TTrafficLine line = Names().Decode(record);
    FUZZ_CHECK(!line.Request.isEmpty() && !line.Outcome.isEmpty());
    FUZZ_CHECK(!line.Text().contains(QLatin1Char('\n')));
    FUZZ_CHECK(line.Csv().count(QLatin1Char(',')) >= TTrafficLine::CsvHeader().count(QLatin1Char(',')));
    // Every register the record covers either has a name or is left unnamed; none breaks the filter.
    FUZZ_CHECK(TTrafficNames::Matches(record, line, QString()));
    TTrafficNames::Matches(record, line, QString::number(record.First));
    TTrafficNames::Matches(record, line, QStringLiteral("Settings"));
    return 0;
}
