// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "record/Recording.h"

class QIODevice;

namespace rec {

// Writes the samples of reader from from through to as the trend windows' CSV: a header ("Time;
// Sample;" and the series names), then a line a sample with its local time (ISO 8601 with
// milliseconds), its number within the recording and one cell per series, each to the decimals
// the windows show it with (on/off as 1 and 0), empty for a gap. count gets the samples written.
// False (and why) when the file could not be read or the device written.
bool WriteCsv(TRecordingReader &reader, qint64 from, qint64 to, QIODevice &out, qint64 *count, QString *error);

}  // namespace rec
