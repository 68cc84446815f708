// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TLineSettings.h"

#include <QSerialPort>
#include <QString>
#include <QStringList>

#include <optional>

// The exit statuses of z4ctl.
enum TExitStatus : int {
    kExitDone = 0,       // done, and the configurations compared are equal
    kExitDifferent = 1,  // done, but the configurations compared differ
    kExitUsage = 2,      // bad usage, or a file refused
    kExitLink = 3,       // no line, no answer, or a transfer that stopped early
    kExitRefused = 4,    // the board refused a write
};

// The line to the board, as the window opens it, and how z4ctl shows its traffic.
struct TLineOptions : TLineSettings
{
    bool Trace = false;       // --trace: every request and its outcome on stderr, decoded
    QString TraceDefinition;  // the definition file that names the registers; empty: the standard one
};

struct TCliOptions
{
    std::optional<TLineOptions> Line;  // none when neither --tcp nor --rtu was given
    QString DefinitionPath;            // empty: the standard place
    bool Json = false;
    bool Force = false;    // load: values outside the edits' limits are written too
    bool Verbose = false;  // Qt's own messages on stderr too
    bool Help = false;     // --help: the usage, and nothing else
    bool Version = false;  // --version: the version, and nothing else
    int PeriodS = 1;       // watch: seconds from one cycle's start to the next's
    int Count = 0;         // watch: cycles before it ends; 0 until it is stopped
    bool All = false;      // scan: every board, not only the first
    QString Site;          // report: the site, the unit's name and who made it
    QString UnitName;
    QString By;
    QString Reference;     // report: a configuration file to set beside the board's values
    qint64 DurationS = 0;  // record: seconds before it ends; 0 until it is stopped
    QStringList Given;     // the options given, by name ("--baud")
    QString Command;
    QStringList Arguments;  // the command's own
};

// The command line without the program name. On a mistake returns nothing, with *error saying what
// in one line. --help or --version anywhere before "--" ends the reading there.
std::optional<TCliOptions> ParseCommandLine(const QStringList &arguments, QString *error);

// Whether the command line asks for JSON, read or not: a usage error is then given as JSON too.
bool AsksForJson(const QStringList &arguments);

// How z4ctl is called, for --help.
QString UsageText();
// "z4ctl 2.07", for --version.
QString VersionText();
