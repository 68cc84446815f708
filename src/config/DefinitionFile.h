// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigItem.h"

#include <QString>
#include <QStringList>

// The parameter definition file shipped with the tool: for each configuration item its run of
// holding registers and its section and key in configuration files.

// The places the shipped definition file is looked for, in order, whatever the current directory
// is: deffiles/ beside the executable (the build tree, or a folder the tool was copied to whole),
// then the data folder of an installed package next to the executable's folder
// (<prefix>/bin/../share/z4vent/deffiles/, wherever the package was installed or unpacked).
QStringList StandardDefinitionPlaces();

// The first of StandardDefinitionPlaces() that exists; when none does, the first (reading it then
// fails naming every place looked in).
QString StandardDefinitionPath();

// True when the definition file is beside the executable: the tool runs from its build tree or a
// folder it was copied to whole, rather than installed.
bool DefinitionBesideProgram();

// Reads the definition file at path into both images of images (item i of each gets the same run
// and names, every value 0), sets ItemCount and ActiveItemCount to the number of items and marks
// files as holding the extended set until one is read.
//
// The file must describe the transfer table: at most as many items as the table has rows, item i
// with row i's first register and register count, every item with a section and a key that no
// other item uses. When it does not (or cannot be read), returns false with the file and the
// first bad item in *error, and images is left as it was. A missing file at one of the standard
// places names both.
bool ReadDefinitionFile(const QString &path, TConfigImages &images, QString *error);
