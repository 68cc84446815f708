#pragma once

#include "config/ConfigItem.h"

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
