// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/EditApplied.h"

#include "widgets/TAdvEdit.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QEvent>

namespace {

// Passes the mouse wheel over a control on to its parent: the control neither changes nor takes
// the focus, and the page around it scrolls.
class TWheelPassesOn : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Wheel)
            return QObject::eventFilter(watched, event);
        event->ignore();  // unaccepted, the event goes on to the parent widget
        return true;
    }
};

}  // namespace

bool OnApplied(QWidget *control, QObject *context, std::function<void()> handler)
{
    if (auto *edit = qobject_cast<TAdvEdit *>(control)) {
        QObject::connect(edit, &TAdvEdit::Applied, context, std::move(handler));
        return true;
    }
    if (auto *combo = qobject_cast<QComboBox *>(control)) {
        // A list writes what it shows: turning the wheel over it must not change it. Its default
        // focus policy would also let the wheel take the focus (and apply the edit left).
        combo->setFocusPolicy(Qt::StrongFocus);
        combo->installEventFilter(new TWheelPassesOn(combo));
        QObject::connect(combo, &QComboBox::activated, context, [handler = std::move(handler)](int) { handler(); });
        return true;
    }
    if (auto *button = qobject_cast<QAbstractButton *>(control)) {
        QObject::connect(button, &QAbstractButton::clicked, context,
                         [handler = std::move(handler)](bool) { handler(); });
        return true;
    }
    return false;
}
