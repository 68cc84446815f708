// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

class QWidget;

// The window's short words explained where they stand, in the words of the user's guide: the
// "A" and "R" columns of the live values, "T" and "A" of the connection, "COM Port", "A", "M" and
// "Inv" of the I/O test, the simulation channels, "SPW", "Kp", "Ki", "T" and "U100" of the control
// loops and the fan speeds "I" to "III".
namespace TermTips {
// Gives each of those controls and column heads in window its tooltip (one it already has is
// kept), then each label without one the tooltip of the control it names.
void Apply(QWidget &window);
// The text a person reads on widget (a label, a button or a group box title) without its
// shortcut marks and surrounding blanks; empty for other widgets.
QString ShownText(const QWidget &widget);
}  // namespace TermTips
