// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Putting decoded live values on screen. The setters touch a control only when what it shows
// changes, so a poll that finds the board unchanged costs next to nothing.

#include "monitor/LiveDecoders.h"

#include <QColor>

#include <initializer_list>

class QAbstractButton;
class QLabel;
class QLineEdit;
class QWidget;
class TLed;

namespace live {

// Font colours of valid and invalid values.
inline const QColor kValidColour(0, 128, 0);
inline const QColor kInvalidColour(255, 0, 0);

// A value in a read-only edit: its text in green when valid, red when not.
void Show(QLineEdit *edit, const ShownValue &value);
// A text in the colour given.
void Show(QLineEdit *edit, const QString &text, const QColor &colour);
void Show(QLineEdit *edit, const QString &text);
void Show(QLabel *label, const QString &text);
void Show(QAbstractButton *box, bool checked);
void Show(TLed *led, bool on);

// Fades every control under root that the setters above have shown a value in, while the values
// are no longer current (the board stopped answering, the line closed), and brings them back.
void MarkStale(QWidget *root, bool stale);

// A check box or edit that only shows the board's state: the user can read it, select and copy
// an edit's text, but not change anything. An edit takes texts of any length.
void MakeDisplayOnly(QAbstractButton *box);
void MakeDisplayOnly(QLineEdit *edit);

// Sizes edit to show the widest of texts whole in its own font and style (and so at any screen
// scale), no wider: the layout can neither squeeze it nor stretch it.
void FitWidth(QLineEdit *edit, std::initializer_list<QString> texts);

}  // namespace live
