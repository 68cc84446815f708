// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Drop-down lists that a screen reader announces by their accessible name.
//
// Qt's own accessible interface of a QComboBox on Linux answers the name with the current item (it
// leaves naming to the label relation), so a reader says "2, combo box" for a list of output
// numbers, whatever accessible name the list was given. Ours answers the name with the accessible
// name (or the buddy label's text) and keeps the item as the value; a list with neither still says
// its item, as before.

namespace ui {

// From now on, every QComboBox of the application speaks through our interface. The combo helpers
// of the page builder call it before they make a list; calling it again does nothing.
void SpeakComboNames();

}  // namespace ui
