// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TStatusPanel.h"

#include <QHelpEvent>
#include <QPainter>
#include <QStyle>
#include <QToolTip>

TStatusPanel::TStatusPanel(const QString &text, QWidget *parent) : QLabel(text, parent)
{
    setTextFormat(Qt::PlainText);
}

bool TStatusPanel::Elided() const
{
    return fontMetrics().horizontalAdvance(text()) > contentsRect().width() - 2 * margin();
}

void TStatusPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    const QRect room = contentsRect().marginsRemoved(QMargins(margin(), margin(), margin(), margin()));
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideRight, room.width());
    style()->drawItemText(&painter, room, QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
                          isEnabled(), shown, foregroundRole());
}

bool TStatusPanel::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && Elided()) {
        const QString own = toolTip();
        QToolTip::showText(static_cast<QHelpEvent *>(event)->globalPos(),
                           own.isEmpty() ? text() : text() + QStringLiteral("\n\n") + own, this);
        return true;
    }
    return QLabel::event(event);
}
