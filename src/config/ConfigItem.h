// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <algorithm>
#include <vector>

// One configuration item: a run of holding registers of the board, with its place in
// configuration files.
struct ConfigItem
{
    // Values[k] belongs to register FirstRegister + k; Registers words, all 0 until a read, a
    // load or a take fills them.
    std::vector<quint16> Values;
    qint32 Registers = 0;
    quint16 FirstRegister = 0;
    QString Section;  // section of the item in configuration files
    QString Ident;    // key, or key stem of a multi-register item, in configuration files
};

// One value array per configuration item, in item order.
using ConfigImage = std::vector<ConfigItem>;

// The configuration state of the main window.
struct TConfigImages
{
    // Items from here on are the extended set, moved only with firmware that has them.
    static constexpr qint32 kBaseItems = 132;

    QString DefinitionPath;      // the parameter definition file read at start-up
    ConfigImage FileImage;       // what a configuration file provided (Load, Compare)
    ConfigImage BoardImage;      // what was read from the board or taken from the window (Save, Verify, Compare)
    qint32 ItemCount = 0;        // items the definition describes
    qint32 ActiveItemCount = 0;  // leading items every walk covers: ItemCount or the base set
    // Whether the configuration file read last holds the extended set.
    bool FileHasExtendedItems = true;
    // Whether FileImage holds a file yet (Verify has nothing to check against before).
    bool FileLoaded = false;

    // The walk for a board: every item when its firmware has the extended set, else the base set
    // (or fewer, when the definition has fewer items).
    qint32 ItemsFor(bool firmwareRev12) const { return firmwareRev12 ? ItemCount : std::min(ItemCount, kBaseItems); }
};
