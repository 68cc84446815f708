// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TApplication.h"

#include <QKeyEvent>
#include <QMessageBox>
#include <QPushButton>

#include <exception>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Z4 Ventilation"));
    setOrganizationName(QStringLiteral("Z4 Ventilation"));
    installEventFilter(new TEnterPressesButton(this));
}

QString ExceptionMessage(std::exception_ptr error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::exception &e) {
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        return QStringLiteral("An unexpected error occurred.");
    }
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        QMessageBox::critical(activeWindow(), applicationName(), ExceptionMessage(std::current_exception()));
        return false;
    }
}

bool TEnterPressesButton::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto *key = static_cast<QKeyEvent *>(event);
    if ((key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
        || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
        return false;
    auto *button = qobject_cast<QPushButton *>(watched);
    // A key the focused control passed on to its parents reaches them here too: only the focused
    // button itself is pressed.
    if (!button || button != QApplication::focusWidget() || !button->isEnabled() || !button->isVisible())
        return false;
    if (!key->isAutoRepeat())
        button->click();
    return true;
}
