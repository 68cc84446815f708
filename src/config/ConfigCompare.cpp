#include "config/ConfigCompare.h"

#include <algorithm>

std::vector<TConfigDifference> ConfigDifferences(const ConfigImage &left, const ConfigImage &right, qint32 count)
{
    std::vector<TConfigDifference> differences;
    const auto items = std::min({static_cast<size_t>(std::max(count, 0)), left.size(), right.size()});
    for (size_t i = 0; i < items; ++i) {
        const std::vector<quint16> &a = left[i].Values;
        const std::vector<quint16> &b = right[i].Values;
        for (size_t k = 0; k < std::min(a.size(), b.size()); ++k) {
            if (a[k] != b[k])
                differences.push_back({static_cast<qint32>(i), static_cast<int>(k), a[k], b[k]});
        }
    }
    return differences;
}
