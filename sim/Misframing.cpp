// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Misframing.h"

#include <QList>
#include <QPair>

#include <algorithm>

namespace {
constexpr quint8 kReadHolding = 0x03;
constexpr quint8 kExceptionBit = 0x80;

const QList<QPair<Misframing, QString>> &Names()
{
    static const QList<QPair<Misframing, QString>> names{
        {Misframing::LengthTooLong, QStringLiteral("long")},
        {Misframing::LengthTooShort, QStringLiteral("short")},
        {Misframing::Length65535, QStringLiteral("65535")},
        {Misframing::JunkBytes, QStringLiteral("junk")},
        {Misframing::CutFrame, QStringLiteral("cut")},
        {Misframing::WrongTransaction, QStringLiteral("transaction")},
        {Misframing::WrongUnit, QStringLiteral("unit")},
        {Misframing::WrongProtocol, QStringLiteral("protocol")},
        {Misframing::TrailingBytes, QStringLiteral("trailing")},
        {Misframing::CountHigh, QStringLiteral("count-high")},
        {Misframing::CountOdd, QStringLiteral("count-odd")},
        {Misframing::PduCut, QStringLiteral("pdu-cut")},
        {Misframing::PduEmpty, QStringLiteral("pdu-empty")},
    };
    return names;
}
}  // namespace

bool BreaksPdu(Misframing kind)
{
    return kind == Misframing::CountHigh || kind == Misframing::CountOdd || kind == Misframing::PduCut
           || kind == Misframing::PduEmpty;
}

bool AppliesTo(Misframing kind, const QByteArray &pdu)
{
    if (kind == Misframing::None || pdu.isEmpty())
        return false;
    if (!BreaksPdu(kind))
        return true;
    const auto function = static_cast<quint8>(pdu.at(0));
    if (function & kExceptionBit)
        return false;
    if (kind == Misframing::CountHigh || kind == Misframing::CountOdd)
        return function == kReadHolding && pdu.size() >= 4;
    return true;
}

QByteArray MisframedPdu(Misframing kind, const QByteArray &pdu)
{
    if (!AppliesTo(kind, pdu))
        return pdu;
    QByteArray broken = pdu;
    switch (kind) {
    case Misframing::CountHigh:
        broken[1] = static_cast<char>(static_cast<quint8>(broken[1]) + 2);
        break;
    case Misframing::CountOdd:
        broken.chop(1);
        broken[1] = static_cast<char>(broken.size() - 2);
        break;
    case Misframing::PduCut:
        broken.truncate(std::max<qsizetype>(1, broken.size() / 2));
        break;
    case Misframing::PduEmpty:
        broken.clear();
        break;
    default:
        break;
    }
    return broken;
}

std::optional<Misframing> MisframingNamed(const QString &name)
{
    for (const auto &[kind, n] : Names()) {
        if (n == name)
            return kind;
    }
    return std::nullopt;
}
