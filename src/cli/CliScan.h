// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliOptions.h"

#include <cstdio>

// z4ctl scan: looks for the board on the line of options, asking for nothing but its firmware
// version. Serial: the usual baud rates and parities and every slave address, each narrowed to
// the one given with --baud, --parity or --unit; TCP: every unit address of the host (or the one
// given). Stops at the first board unless --all. Results on out, progress on err. Exit status
// kExitDone when a board was found, kExitLink when none was (or the line could not be opened).
TExitStatus RunScan(const TCliOptions &options, std::FILE *out, std::FILE *err);
