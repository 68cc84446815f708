// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigItem.h"

#include <QString>

// Configuration files (*.cnf): one signed decimal value per register, under the section and key
// the definition file gives each item. A single-register item has the key Ident; an item of n
// registers the keys Ident0 .. Ident<n-1>.

// Writes items 0 .. ActiveItemCount-1 of BoardImage into fileName. An existing file keeps every
// other key, section and comment (the extended items of an older save, notes added by hand); its
// keys of the walk get the new values in place. The file is replaced whole or not at all: on a
// failure (also an existing file that cannot be read) it is untouched and *error says why.
bool WriteConfigFile(const QString &fileName, const TConfigImages &images, QString *error);

// Whether WriteConfigFile can write fileName, to be asked before the board is read: the place
// takes a new regular file (see WriteProblem: no pipe, device or folder, a folder that takes new
// files), and a file already there can be read to keep its other content. Otherwise false, with
// *error naming the file and the reason.
bool CanWriteConfigFile(const QString &fileName, QString *error);

// Reads fileName into FileImage (every item; values -32768 .. 65535 stored as their low 16 bits),
// then sets FileHasExtendedItems (the first value of the last item is not 0) and ActiveItemCount
// (every item with an extended-set file and firmwareRev12, else the base set), and FileLoaded.
//
// A file that cannot be read, that lacks a key of an item inside that walk, or holds a value that
// is not a whole number in that range is refused: false, *error names the file and the first such
// key, and images is left as it was. Keys of items outside the walk may be absent (base-set files).
bool ReadConfigFile(const QString &fileName, TConfigImages &images, bool firmwareRev12, QString *error);

// The key of register k of an item.
QString ConfigKey(const ConfigItem &item, int k);
