// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// Ways the simulated board can send an answer badly, as a faulty gateway or a stack bug sends
// them. The first kinds break the Modbus TCP frame around a good PDU; the PDU kinds break the PDU
// itself inside a frame that is otherwise right (its length field or CRC matching what is sent),
// on TCP and RTU alike.
enum class Misframing {
    None,
    LengthTooLong,     // TCP: the length field claims 5 bytes more than follow
    LengthTooShort,    // TCP: the length field claims 2 bytes fewer than follow
    Length65535,       // TCP: the length field is 0xFFFF
    JunkBytes,         // TCP: 53 bytes of junk come before the answer
    CutFrame,          // TCP: only the first half of the answer is sent
    WrongTransaction,  // TCP: the answer carries another transaction id
    WrongUnit,         // TCP: the answer carries another unit id
    WrongProtocol,     // TCP: the answer carries protocol id 1
    TrailingBytes,     // TCP: 2 bytes after the PDU, counted by the length field
    CountHigh,         // a read answer whose byte count is 2 more than the register bytes after it
    CountOdd,          // a read answer with an odd byte count, one register byte short to match it
    PduCut,            // the answer's PDU cut to its first half (at least the function code)
    PduEmpty,          // a frame with no PDU at all
};

// The kinds that break the PDU (and so apply on either line).
bool BreaksPdu(Misframing kind);
// Whether the kind applies to this answer PDU: the count kinds to read answers, the other PDU
// kinds to every answer that is not a refusal, the TCP kinds to every answer.
bool AppliesTo(Misframing kind, const QByteArray &pdu);
// The answer PDU broken as kind says; pdu unchanged for the TCP kinds.
QByteArray MisframedPdu(Misframing kind, const QByteArray &pdu);

// The kind with this command-line name ("long", "count-odd", ...).
std::optional<Misframing> MisframingNamed(const QString &name);
