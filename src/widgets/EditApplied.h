// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <functional>

class QObject;
class QWidget;

// The one way the pages and panels learn that the user applied a control's value:
//  - a TAdvEdit (numeric, time of day, IP address): Return or Enter, also when the text did not
//    change, or leaving it for another control of the window after the user changed its text;
//  - a combo box: an item chosen by the user (by a click or the keyboard, never by the mouse
//    wheel: the wheel goes on to the page around it, and does not take the focus either);
//  - a check box, radio button or button: a real click (mouse or keyboard).
// Values set from code (a page refresh, a configuration load) never raise it, so nothing is
// written back to the board. handler runs while context lives. Returns false, connecting
// nothing, for a control of any other kind.
bool OnApplied(QWidget *control, QObject *context, std::function<void()> handler);
