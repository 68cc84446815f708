// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QList>

// What the bytes a serial line carried can be, seen from one slave: its frames (its address, then
// at least a function code and one byte, then a good CRC), bytes at the end that may still become
// one, and the rest, which cannot be a frame of that slave at all (another address, no good CRC
// within the longest frame a line carries): noise.
struct TRtuScan
{
    struct Frame
    {
        qsizetype At = 0;
        qsizetype Size = 0;
    };
    QList<Frame> Frames;
    // Where bytes begin that may still become a frame of the slave as more come; -1: none.
    qsizetype Open = -1;
    // Bytes that are neither part of a frame nor open.
    qsizetype Noise = 0;
};

// The longest frame an RTU line carries: address, 253 PDU bytes and the CRC.
inline constexpr qsizetype kLongestRtuFrame = 256;

TRtuScan ScanRtu(const QByteArray &bytes, quint8 slave);

// The sizes of the frames with a good CRC that start at bytes[at], shortest first (a frame may
// hold bytes that pass for a shorter one's CRC).
QList<qsizetype> RtuFrameSizes(const QByteArray &bytes, qsizetype at);
