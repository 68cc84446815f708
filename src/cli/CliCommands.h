// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "cli/CliOptions.h"

#include <cstdio>
#include <span>

class TRun;

// Whether a command works on a board's line.
enum class TLineUse {
    Needed,
    Optional,  // it does less without one
    None,
};

// One command of z4ctl. Every name z4ctl takes is a row of Commands(); there is no other.
struct TCommand
{
    static constexpr int kOneOrMore = -1;

    const char *Name;
    const char *Arguments;  // as the usage shows them ("FILE.cnf"); empty for none
    int ArgumentCount;      // how many it takes, or kOneOrMore
    bool Writes;            // it writes to the board
    TLineUse Line;
    bool Definition;  // it reads the parameter definition file first
    const char *Summary;
    TExitStatus (*Run)(TRun &run);
};

std::span<const TCommand> Commands();
// The command of that name; nothing for any other name.
const TCommand *FindCommand(const QString &name);

// Runs the command of options: results on out, messages on err. Returns the exit status. With
// --json, a failure also writes one object to out: "error", "exit_status" and what was done.
TExitStatus RunCommand(const TCliOptions &options, std::FILE *out, std::FILE *err);

// A usage error: its line and where to read more on err; with json, also its object on out.
TExitStatus UsageError(const QString &error, bool json, std::FILE *out, std::FILE *err);
