// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TApplication.h"

#include <QIcon>
#include <QImage>
#include <QKeyEvent>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSvgRenderer>

#include <exception>

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Z4 Ventilation"));
    setOrganizationName(QStringLiteral("Z4 Ventilation"));
    installEventFilter(new TEnterPressesButton(this));
    setWindowIcon(ToolIcon());
}

QIcon ToolIcon()
{
    // The menu entry's own picture (package/z4vent.svg, built in as a resource), drawn at the
    // sizes title bars, task bars and window switchers ask for.
    QSvgRenderer svg(QStringLiteral(":/z4vent.svg"));
    QIcon icon;
    if (!svg.isValid())
        return icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
        QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter painter(&image);
        svg.render(&painter);
        painter.end();
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
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
