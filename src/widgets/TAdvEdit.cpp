// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TAdvEdit.h"

#include <QKeyEvent>
#include <QLocale>

TNumberKeyFilter::TNumberKeyFilter(bool allowSign, bool allowDecimal, QObject *parent)
    : QValidator(parent), m_sign(allowSign), m_decimal(allowDecimal)
{
}

QValidator::State TNumberKeyFilter::validate(QString &input, int &) const
{
    bool seenSeparator = false;
    for (qsizetype i = 0; i < input.size(); ++i) {
        const QChar c = input.at(i);
        if (c.isDigit() && c.unicode() < 128)
            continue;
        if (c == QLatin1Char('-') && m_sign && i == 0)
            continue;
        // Either separator, shown as the locale's: on a decimal-point system "2,5" must not
        // become 25.
        if (m_decimal && !seenSeparator && (c == QLatin1Char('.') || c == QLatin1Char(','))) {
            seenSeparator = true;
            if (const QString own = locale().decimalPoint(); own.size() == 1)
                input[i] = own.front();
            continue;
        }
        return Invalid;
    }
    // Any shape the filter lets through may be typed; "-" or "" are taken (and refused) later.
    return Acceptable;
}

bool LeavesTheEdit(const QFocusEvent *event)
{
    switch (event->reason()) {
    case Qt::PopupFocusReason:
    case Qt::ActiveWindowFocusReason:
    case Qt::MenuBarFocusReason:
        return false;
    default:
        return true;
    }
}

TAdvEdit::TAdvEdit(Kind kind, QWidget *parent) : QLineEdit(parent), m_kind(kind)
{
    if (kind != Text)
        setValidator(new TNumberKeyFilter(kind == Signed || kind == SignedDecimal,
                                          kind == Decimal || kind == SignedDecimal, this));
    // A text set from code leaves the edit unmodified; one the user typed does not.
    connect(this, &QLineEdit::textChanged, this, [this](const QString &text) {
        if (!isModified())
            m_held = text;
    });
}

void TAdvEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_restoresOnEscape && text() != m_held) {
        setText(m_held);  // from code: unmodified, so leaving the edit applies nothing
        event->accept();
        emit Restored();
        return;
    }
    QLineEdit::keyPressEvent(event);
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter)
        emit Applied();
}

void TAdvEdit::focusOutEvent(QFocusEvent *event)
{
    QLineEdit::focusOutEvent(event);
    // Only what the user typed is applied by leaving; and an edit switched off while it has the
    // focus (its firmware lacks it, its read was refused) is not left by the user.
    if (LeavesTheEdit(event) && isModified() && isEnabled())
        emit Applied();
}
