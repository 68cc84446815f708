#pragma once

#include "cli/CliOptions.h"

#include <cstdio>

// Runs the command of options: results on out, messages on err. Returns the exit status.
TExitStatus RunCommand(const TCliOptions &options, std::FILE *out, std::FILE *err);
