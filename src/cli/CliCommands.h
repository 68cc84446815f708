// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliOptions.h"

#include <cstdio>

// Runs the command of options: results on out, messages on err. Returns the exit status.
TExitStatus RunCommand(const TCliOptions &options, std::FILE *out, std::FILE *err);
