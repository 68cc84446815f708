// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TStartupForm.h"

#include "app/Version.h"

#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>

TStartupForm::TStartupForm(QWidget *parent, int showMs)
    // A plain frameless dialog rather than a splash window: window managers do not give splash
    // windows the keyboard, and a key must close the picture.
    : QDialog(parent, Qt::Dialog | Qt::FramelessWindowHint)
{
    setObjectName(QStringLiteral("StartupForm"));
    setModal(true);
    setFixedSize(480, 300);
    // The title has no bar to show in, but names the window in window lists and to screen readers.
    setWindowTitle(QStringLiteral("Z4 Ventilation %1").arg(ToolVersionText()));
    setAccessibleName(windowTitle());
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &QDialog::accept);
    m_timer.start(showMs);
}

void TStartupForm::mousePressEvent(QMouseEvent *)
{
    accept();
}

void TStartupForm::keyPressEvent(QKeyEvent *)
{
    accept();
}

void TStartupForm::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 0, height());
    sky.setColorAt(0, QColor(28, 62, 110));
    sky.setColorAt(1, QColor(12, 26, 48));
    p.fillRect(rect(), sky);

    // The unit: a casing with supply and exhaust ducts, a heat-recovery wheel and two fans.
    const QRectF casing(70, 70, 340, 120);
    p.setPen(QPen(QColor(200, 210, 220), 2));
    p.setBrush(QColor(150, 165, 180));
    p.drawRoundedRect(casing, 6, 6);
    p.drawLine(QPointF(casing.left(), casing.center().y()), QPointF(casing.right(), casing.center().y()));
    p.setBrush(QColor(120, 135, 150));
    for (qreal y : {casing.top() + 15, casing.center().y() + 15}) {
        p.drawRect(QRectF(20, y, 50, 30));
        p.drawRect(QRectF(casing.right(), y, 50, 30));
    }
    p.setBrush(QColor(90, 100, 115));
    p.drawEllipse(QPointF(casing.left() + 110, casing.center().y()), 48, 48);
    p.setPen(QPen(QColor(220, 225, 230), 1));
    for (int spoke = 0; spoke < 12; ++spoke) {
        p.save();
        p.translate(casing.left() + 110, casing.center().y());
        p.rotate(spoke * 30);
        p.drawLine(QPointF(0, 0), QPointF(46, 0));
        p.restore();
    }
    p.setPen(QPen(QColor(230, 235, 240), 2));
    for (qreal y : {casing.top() + 30, casing.center().y() + 30}) {
        const QPointF hub(casing.right() - 60, y);
        p.setBrush(QColor(70, 80, 95));
        p.drawEllipse(hub, 22, 22);
        for (int b = 0; b < 4; ++b) {
            p.save();
            p.translate(hub);
            p.rotate(b * 90 + 20);
            p.setBrush(QColor(210, 220, 230));
            p.drawEllipse(QRectF(2, -5, 18, 10));
            p.restore();
        }
    }
    // Air: outdoor air in, supply out; extract in, exhaust out.
    p.setPen(QPen(QColor(120, 190, 255), 3));
    p.drawLine(QPointF(24, casing.top() + 30), QPointF(60, casing.top() + 30));
    p.setPen(QPen(QColor(255, 150, 90), 3));
    p.drawLine(QPointF(casing.right() + 10, casing.center().y() + 30),
               QPointF(casing.right() + 46, casing.center().y() + 30));

    p.setPen(Qt::white);
    QFont title = font();
    title.setPointSizeF(title.pointSizeF() * 2.2);
    title.setBold(true);
    p.setFont(title);
    p.drawText(QRectF(0, 205, width(), 45), Qt::AlignCenter, QStringLiteral("Z4 Ventilation"));
    QFont small = font();
    p.setFont(small);
    p.setPen(QColor(200, 215, 235));
    p.drawText(QRectF(0, 250, width(), 24), Qt::AlignCenter,
               QStringLiteral("Service and configuration tool  ·  version %1").arg(ToolVersionText()));
}
