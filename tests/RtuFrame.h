// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// RTU frames as a test expects them on the wire, built here on their own (not by the code under
// test), so that a fault in the tool's framing cannot hide in the expectation.

#include <QByteArray>

// An RTU frame of slave with pdu and its CRC, low byte first.
inline QByteArray RtuFrame(quint8 slave, const QByteArray &pdu)
{
    QByteArray frame = QByteArray(1, static_cast<char>(slave)) + pdu;
    quint16 crc = 0xFFFF;
    for (const char byte : frame) {
        crc ^= static_cast<quint8>(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 1) ? static_cast<quint16>((crc >> 1) ^ 0xA001) : static_cast<quint16>(crc >> 1);
    }
    return frame.append(static_cast<char>(crc & 0xFF)).append(static_cast<char>(crc >> 8));
}
