#include "widgets/EditApplied.h"

#include "widgets/TAdvEdit.h"

#include <QAbstractButton>
#include <QComboBox>

bool OnApplied(QWidget *control, QObject *context, std::function<void()> handler)
{
    if (auto *edit = qobject_cast<TAdvEdit *>(control)) {
        QObject::connect(edit, &TAdvEdit::Applied, context, std::move(handler));
        return true;
    }
    if (auto *combo = qobject_cast<QComboBox *>(control)) {
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
