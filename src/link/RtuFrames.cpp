// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/RtuFrames.h"

#include <algorithm>

namespace {
// The shortest frame: address, function code, one byte (a refusal's code) and the CRC.
constexpr qsizetype kShortestFrame = 5;

quint16 CrcStep(quint16 crc, quint8 byte)
{
    crc ^= byte;
    for (int bit = 0; bit < 8; ++bit)
        crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001) : static_cast<quint16>(crc >> 1);
    return crc;
}

// The sizes of the frames that start at from, shortest first; the first only when first is set.
QList<qsizetype> FramesAt(const QByteArray &bytes, qsizetype from, bool first)
{
    QList<qsizetype> sizes;
    const qsizetype end = std::min(bytes.size(), from + kLongestRtuFrame);
    quint16 crc = 0xFFFF;
    for (qsizetype at = from; at + 2 < end; ++at) {
        crc = CrcStep(crc, static_cast<quint8>(bytes.at(at)));
        const qsizetype size = at + 3 - from;
        if (size >= kShortestFrame && static_cast<quint8>(bytes.at(at + 1)) == (crc & 0xFF)
            && static_cast<quint8>(bytes.at(at + 2)) == (crc >> 8)) {
            sizes.append(size);
            if (first)
                break;
        }
    }
    return sizes;
}

qsizetype FrameAt(const QByteArray &bytes, qsizetype from)
{
    const QList<qsizetype> sizes = FramesAt(bytes, from, true);
    return sizes.isEmpty() ? 0 : sizes.constFirst();
}
}  // namespace

QList<qsizetype> RtuFrameSizes(const QByteArray &bytes, qsizetype at)
{
    return FramesAt(bytes, at, false);
}

TRtuScan ScanRtu(const QByteArray &bytes, quint8 slave)
{
    TRtuScan scan;
    qsizetype framed = 0;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        if (static_cast<quint8>(bytes.at(at)) != slave)
            continue;
        if (const qsizetype size = FrameAt(bytes, at)) {
            scan.Frames.append({at, size});
            framed += size;
            scan.Open = -1;  // whatever began before a whole frame did not go on
            at += size - 1;
        } else if (scan.Open < 0 && bytes.size() - at < kLongestRtuFrame) {
            scan.Open = at;
        }
    }
    scan.Noise = (scan.Open < 0 ? bytes.size() : scan.Open) - framed;
    return scan;
}
