// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "service/TUpDown.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

TUpDown::TUpDown(QLineEdit *associate, QWidget *parent) : QWidget(parent), m_associate(associate)
{
    const auto arrow = [this](Qt::ArrowType type, const QString &name) {
        auto *button = new QToolButton(this);
        button->setArrowType(type);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);  // stepping by keyboard goes through the edit
        button->setAccessibleName(name);
        // Two half-height buttons beside the edit, as high as the edit together.
        button->setFixedSize(16, m_associate->sizeHint().height() / 2);
        return button;
    };
    m_up = arrow(Qt::UpArrow, QStringLiteral("Up"));
    m_down = arrow(Qt::DownArrow, QStringLiteral("Down"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_up);
    layout->addWidget(m_down);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);

    connect(m_up, &QToolButton::clicked, this, [this] { Step(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { Step(-1); });
    m_associate->installEventFilter(this);
}

void TUpDown::SetMaximum(int maximum)
{
    m_maximum = std::max(maximum, m_minimum);
    m_position = std::min(m_position, m_maximum);
    // Every position must fit the edit: a cut-off number would show another code.
    const int digits = static_cast<int>(QString::number(m_maximum).size());
    if (m_associate->maxLength() < digits)
        m_associate->setMaxLength(digits);
}

void TUpDown::SetPosition(int position)
{
    m_position = std::clamp(position, m_minimum, m_maximum);
    m_associate->setText(QString::number(m_position));
}

bool TUpDown::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_associate && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            Step(key == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TUpDown::Step(int delta)
{
    bool ok = false;
    const int shown = m_associate->text().trimmed().toInt(&ok);
    const int from = std::clamp(ok ? shown : m_position, m_minimum, m_maximum);
    const int to = std::clamp(from + delta, m_minimum, m_maximum);
    if (ok && to == shown)
        return;  // at a limit: nothing changes
    SetPosition(to);
    emit Stepped();
}
