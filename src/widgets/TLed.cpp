// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TLed.h"

#include <QPainter>
#include <QRadialGradient>

TLed::TLed(QWidget *parent, QColor color) : QWidget(parent), m_color(color)
{
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    UpdateAccessibleText();
}

void TLed::SetOn(bool on)
{
    if (on == m_on)
        return;
    m_on = on;
    UpdateAccessibleText();
    update();
}

void TLed::SetColor(QColor color)
{
    m_color = color;
    update();
}

void TLed::UpdateAccessibleText()
{
    setAccessibleDescription(m_on ? tr("on") : tr("off"));
}

void TLed::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height()) - 2.0;
    const QRectF r((width() - side) / 2.0, (height() - side) / 2.0, side, side);
    const QColor base = m_on ? m_color : QColor(70, 70, 70);
    QRadialGradient glow(r.center() - QPointF(side / 6, side / 6), side / 1.5);
    glow.setColorAt(0, base.lighter(m_on ? 170 : 130));
    glow.setColorAt(1, base);
    p.setBrush(glow);
    p.setPen(QPen(base.darker(180), 1));
    p.drawEllipse(r);
}
