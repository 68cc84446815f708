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
// the window shows them (values/ValueText), the unit shown beside its edit (empty when it has
// none), and both words as the files hold them.
struct TShownDifference
{
    QString Section;
    QString Key;
    QString Left;  // with the unit
    QString Right;
    QString Unit;
    quint16 LeftWord = 0;
    quint16 RightWord = 0;
    QString Change;  // for a mask, what right has that left has not: "3 added"

    // "[Settings] SeasonMode: board Auto, file Summer [2, 0]", with leftName and rightName naming
    // the two sides; texts that hold commas are parted by "; ", and a mask's change follows it:
    // "[Settings] StopDigitalInputs: board 1, 2, 4, 6; file 1, 2, 3, 4, 6 (3 added) [43, 47]".
    QString Line(const QString &leftName, const QString &rightName) const;
};

// ConfigDifferences of left and right, each named and shown; the sections and keys are left's.
std::vector<TShownDifference> ShownDifferences(const ConfigImage &left, const ConfigImage &right, qint32 count);

// How many registers differ, in words: "1 register differs", "3 registers differ".
QString DifferingRegisters(size_t count);

// The unit the window shows beside the edit of register reg of configuration item item; empty
// when none.
QString RegisterUnit(int item, int reg);
