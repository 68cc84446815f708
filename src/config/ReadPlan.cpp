// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "config/ReadPlan.h"

#include <algorithm>

std::vector<ReadBlock> PlanBlockReads(const ConfigImage &image, qint32 count, qint32 maxRegisters)
{
    std::vector<ReadBlock> blocks;
    const qint32 n = std::min<qint32>(count, static_cast<qint32>(image.size()));
    for (qint32 i = 0; i < n; ++i) {
        const ConfigItem &item = image[static_cast<size_t>(i)];
        if (!blocks.empty()) {
            ReadBlock &last = blocks.back();
            const bool follows = quint32(last.FirstRegister) + quint32(last.Registers) == item.FirstRegister;
            if (follows && item.Registers > 0 && last.Registers + item.Registers <= maxRegisters) {
                ++last.Items;
                last.Registers += item.Registers;
                continue;
            }
        }
        blocks.push_back(
            {.FirstItem = i, .Items = 1, .FirstRegister = item.FirstRegister, .Registers = item.Registers});
    }
    return blocks;
}

std::vector<ReadBlock> ItemByItem(const ReadBlock &block, const ConfigImage &image)
{
    std::vector<ReadBlock> items;
    for (qint32 i = block.FirstItem; i < block.FirstItem + block.Items; ++i) {
        const ConfigItem &item = image[static_cast<size_t>(i)];
        items.push_back({.FirstItem = i, .Items = 1, .FirstRegister = item.FirstRegister, .Registers = item.Registers});
    }
    return items;
}

std::vector<ReadBlock> SplitRead(const ReadBlock &block, const ConfigImage &image)
{
    if (block.Items > 1)
        return ItemByItem(block, image);
    if (block.Registers < 2)
        return {};
    const qint32 first = (block.Registers + 1) / 2;
    return {{.FirstItem = block.FirstItem, .Items = 1, .FirstRegister = block.FirstRegister, .Registers = first},
            {.FirstItem = block.FirstItem,
             .Items = 1,
             .FirstRegister = static_cast<quint16>(block.FirstRegister + first),
             .Registers = block.Registers - first}};
}

bool SplitBlockAnswer(const ReadBlock &block, const QList<quint16> &registers, ConfigImage &image)
{
    if (registers.size() != block.Registers || block.FirstItem < 0
        || static_cast<size_t>(block.FirstItem + block.Items) > image.size())
        return false;
    if (block.Items == 1) {
        ConfigItem &item = image[static_cast<size_t>(block.FirstItem)];
        const qint32 offset = qint32(block.FirstRegister) - qint32(item.FirstRegister);
        if (offset < 0 || offset + block.Registers > item.Registers)
            return false;
        if (item.Values.size() < static_cast<size_t>(item.Registers))
            item.Values.resize(static_cast<size_t>(item.Registers));
        std::copy(registers.cbegin(), registers.cend(), item.Values.begin() + offset);
        return true;
    }
    auto from = registers.cbegin();
    for (qint32 i = block.FirstItem; i < block.FirstItem + block.Items; ++i) {
        ConfigItem &item = image[static_cast<size_t>(i)];
        const auto n = static_cast<size_t>(item.Registers);
        if (item.Values.size() < n)
            item.Values.resize(n);
        std::copy_n(from, n, item.Values.begin());
        from += item.Registers;
    }
    return true;
}
