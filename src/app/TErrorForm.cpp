// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TErrorForm.h"

#include "widgets/TWrapLabel.h"

#include <QHideEvent>
#include <QLabel>
#include <QVBoxLayout>

TErrorForm::TErrorForm(QWidget *mainWindow, const QString &reason)
    : QDialog(mainWindow, Qt::Dialog | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("ErrorForm"));
    setAttribute(Qt::WA_DeleteOnClose);
    setModal(false);
    setWindowTitle(QStringLiteral("Communication error"));
    auto *label = new QLabel(QStringLiteral("Communication error!"), this);
    label->setObjectName(QStringLiteral("ErrorLabel"));
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() * 2.0);
    font.setBold(true);
    label->setFont(font);
    label->setStyleSheet(QStringLiteral("color: red;"));
    label->setAlignment(Qt::AlignCenter);
    auto *why = new QLabel(reason, this);
    why->setObjectName(QStringLiteral("ErrorReasonLabel"));
    why->setAlignment(Qt::AlignCenter);
    why->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_state = new TWrapLabel(3, this);
    m_state->setObjectName(QStringLiteral("ErrorStateLabel"));
    m_state->setAccessibleName(QStringLiteral("Connection state"));
    m_state->setMinimumWidth(why->fontMetrics().averageCharWidth() * 60);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->addWidget(label);
    layout->addWidget(why);
    layout->addWidget(m_state);
    setFixedSize(sizeHint());
    if (mainWindow)
        move(mainWindow->geometry().center() - rect().center());
}

void TErrorForm::ShowState(const QString &state)
{
    m_state->Show(state);
}

void TErrorForm::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    // Hidden by the window system (the main window minimised) is not closed.
    if (!event->spontaneous())
        deleteLater();
}
