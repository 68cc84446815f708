// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// z4ctl record, export and events: a recording made without the window, and read back.

#include "cli/CliOptions.h"

#include <cstdio>

// record FILE: the poll at one cycle a second into a new recording, until SIGINT, SIGTERM or
// --duration; progress and the file's size on err. On failure, error says why.
TExitStatus RunRecord(const TCliOptions &options, std::FILE *err, QString *error);
// export FILE [OUT.csv]: the recording as the trend windows' CSV, to OUT.csv (written whole or not
// at all) or to out.
TExitStatus RunExport(const TCliOptions &options, std::FILE *out, std::FILE *err, QString *error);
// events FILE: the recording's events, one a line (with --json, one object holding them all).
TExitStatus RunEvents(const TCliOptions &options, std::FILE *out, QString *error);
