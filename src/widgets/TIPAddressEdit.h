// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "widgets/TAdvEdit.h"

#include <array>
#include <optional>

// An IPv4 address edit: four octets 0-255 separated by dots; nothing else can be typed. It applies
// its value as every TAdvEdit does.
class TIPAddressEdit : public TAdvEdit
{
    Q_OBJECT

public:
    explicit TIPAddressEdit(QWidget *parent = nullptr);

    // The four octets, or nullopt while the text is not a complete address.
    std::optional<std::array<int, 4>> Octets() const;
    void SetOctets(const std::array<int, 4> &octets);
};
