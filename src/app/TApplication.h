// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QApplication>
#include <QIcon>

// The application object. An exception escaping any event handler is shown in the standard
// error box and the tool keeps running; Qt itself never sees it. Enter presses the focused push
// button in every window (see TEnterPressesButton). Every window shows the tool's icon.
class TApplication : public QApplication
{
public:
    TApplication(int &argc, char **argv);
    bool notify(QObject *receiver, QEvent *event) override;
};

// The tool's icon for its windows, from the same picture as the menu entry's.
QIcon ToolIcon();

// The message the standard error box shows for an exception that escaped a handler.
QString ExceptionMessage(std::exception_ptr error);

// An application-wide event filter: Return or Enter (the keypad's too) pressed on the push button
// that has the keyboard focus clicks it, as Space does, also where the button is not a dialog's
// default. Only that key press does: one held down does not repeat the click, and a button that
// is disabled or does not have the focus (the key went to another control) is never pressed.
class TEnterPressesButton : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override;
};
