// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigItem.h"

#include <QString>

#include <vector>

// One register in which two configuration images differ.
struct TConfigDifference
{
    qint32 Item = 0;
    int Register = 0;  // within the item
    quint16 Left = 0;
    quint16 Right = 0;
};

// The registers of items 0 .. count-1 in which left and right differ, in item and register
// order; empty when they hold the same values.
std::vector<TConfigDifference> ConfigDifferences(const ConfigImage &left, const ConfigImage &right, qint32 count);

// A differing register as the user reads it: named by its file section and key, both values as
// its edit shows them, and the unit shown beside that edit (empty when it has none).
struct TShownDifference
{
    QString Section;
    QString Key;
    QString Left;
    QString Right;
    QString Unit;

    // "[Settings] SupplySetPoint: board 21.5 °C, file 22 °C", with leftName and rightName naming
    // the two sides.
    QString Line(const QString &leftName, const QString &rightName) const;
};

// ConfigDifferences of left and right, each named and shown; the sections and keys are left's.
std::vector<TShownDifference> ShownDifferences(const ConfigImage &left, const ConfigImage &right, qint32 count);

// How many registers differ, in words: "1 register differs", "3 registers differ".
QString DifferingRegisters(size_t count);

// The unit the window shows beside register reg of configuration item item; empty when none.
QString RegisterUnit(int item, int reg);
