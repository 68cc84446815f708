// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/ConfigItem.h"
#include "link/ModbusLimits.h"

#include <QList>

#include <vector>

// One read request of a configuration read: Items whole items from FirstItem on, whose registers
// follow each other without a gap from FirstRegister on.
struct ReadBlock
{
    qint32 FirstItem = 0;
    qint32 Items = 0;
    quint16 FirstRegister = 0;
    qint32 Registers = 0;

    bool operator==(const ReadBlock &) const = default;
};

// The block reads that read items 0 .. count-1 of image, in item order: an item joins the block
// before it when its first register follows that block's last one and the block stays within
// maxRegisters; otherwise it starts a block of its own. No block reads a register that no item
// holds, and an item is never split (an item larger than maxRegisters is a block by itself).
std::vector<ReadBlock> PlanBlockReads(const ConfigImage &image, qint32 count, qint32 maxRegisters = kMaxReadRegisters);

// The block read as one request per item.
std::vector<ReadBlock> ItemByItem(const ReadBlock &block, const ConfigImage &image);

// The block read in smaller requests: a block of several items one request per item, a read of one
// item (or of a part of one) in two halves, the first the larger. Empty for a read of one register.
std::vector<ReadBlock> SplitRead(const ReadBlock &block, const ConfigImage &image);

// Stores the answer to block into the values of its items; a read of a part of one item (Items 1,
// fewer registers than the item, from a register inside it) into that part of its values. False,
// and nothing stored, when the answer does not carry exactly the block's registers.
bool SplitBlockAnswer(const ReadBlock &block, const QList<quint16> &registers, ConfigImage &image);
