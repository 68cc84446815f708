// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TIPAddressEdit.h"

#include <QRegularExpressionValidator>

namespace {
const QString kOctet = QStringLiteral("(25[0-5]|2[0-4][0-9]|1[0-9][0-9]|[1-9]?[0-9])");
}

TIPAddressEdit::TIPAddressEdit(QWidget *parent) : TAdvEdit(TAdvEdit::Text, parent)
{
    // While typing, an address may be incomplete ("192.168."); the validator only keeps out
    // anything that can never become one.
    setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("^%1(\\.%1){3}$").arg(kOctet)), this));
    setMaxLength(15);
}

std::optional<std::array<int, 4>> TIPAddressEdit::Octets() const
{
    const QStringList parts = text().split(QLatin1Char('.'));
    if (parts.size() != 4)
        return std::nullopt;
    std::array<int, 4> octets{};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        octets[i] = parts[i].toInt(&ok);
        if (!ok || parts[i].isEmpty() || octets[i] < 0 || octets[i] > 255)
            return std::nullopt;
    }
    return octets;
}

void TIPAddressEdit::SetOctets(const std::array<int, 4> &octets)
{
    setText(QStringLiteral("%1.%2.%3.%4").arg(octets[0]).arg(octets[1]).arg(octets[2]).arg(octets[3]));
}
