// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ValueDisplay.h"

#include "widgets/TLed.h"

#include <QAbstractButton>
#include <QFont>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionFrame>

#include <algorithm>

namespace live {

namespace {
// Set on every control a live value was shown in, so that MarkStale finds them.
constexpr char kLiveProperty[] = "z4LiveValue";
// How much of a stale value still shows.
constexpr qreal kStaleOpacity = 0.35;

void MarkLive(QWidget *widget)
{
    if (!widget->property(kLiveProperty).isValid())
        widget->setProperty(kLiveProperty, true);
}
}  // namespace

void Show(QLineEdit *edit, const ShownValue &value)
{
    Show(edit, value.Text, value.Valid ? kValidColour : kInvalidColour);
}

void Show(QLineEdit *edit, const QString &text, const QColor &colour)
{
    if (edit->palette().color(QPalette::Text) != colour) {
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Text, colour);
        edit->setPalette(palette);
    }
    Show(edit, text);
}

void Show(QLineEdit *edit, const QString &text)
{
    MarkLive(edit);
    if (edit->text() == text)
        return;
    edit->setText(text);
    // A long value in a narrow edit shows its start, not its last digits, and whole on hovering.
    edit->setCursorPosition(0);
    edit->setToolTip(text);
}

void Show(QLabel *label, const QString &text)
{
    MarkLive(label);
    if (label->text() != text)
        label->setText(text);
}

void Show(QAbstractButton *box, bool checked)
{
    MarkLive(box);
    if (box->isChecked() != checked)
        box->setChecked(checked);
}

void Show(TLed *led, bool on)
{
    MarkLive(led);
    led->SetOn(on);
}

void MarkStale(QWidget *root, bool stale)
{
    for (QWidget *widget : root->findChildren<QWidget *>()) {
        if (!widget->property(kLiveProperty).isValid())
            continue;
        if (!stale) {
            widget->setGraphicsEffect(nullptr);  // deletes the fade
        } else if (!widget->graphicsEffect()) {
            auto *fade = new QGraphicsOpacityEffect(widget);
            fade->setOpacity(kStaleOpacity);
            widget->setGraphicsEffect(fade);
        }
    }
}

void MakeDisplayOnly(QAbstractButton *box)
{
    box->setAttribute(Qt::WA_TransparentForMouseEvents);
    box->setFocusPolicy(Qt::NoFocus);
}

void MakeDisplayOnly(QLineEdit *edit)
{
    edit->setReadOnly(true);
    // Whatever the board sends is shown in full, however narrow the edit.
    edit->setMaxLength(32767);
    // The board's texts are plain ASCII and need no text shaping; leaving it out makes each new
    // value far cheaper to lay out. Family and size still come from the parent.
    QFont font;
    font.setStyleStrategy(QFont::PreferNoShaping);
    edit->setFont(font);
}

void FitWidth(QLineEdit *edit, std::initializer_list<QString> texts)
{
    // As QLineEdit sizes its own hint: the text, its margins, and the frame the style draws.
    constexpr int kInnerMargin = 2;  // QLineEdit's own, each side
    constexpr int kCursor = 1;
    int widest = 0;
    for (const QString &text : texts)
        widest = std::max(widest, edit->fontMetrics().horizontalAdvance(text));
    const QMargins text = edit->textMargins();
    const QMargins contents = edit->contentsMargins();
    const int width =
        widest + kCursor + 2 * kInnerMargin + text.left() + text.right() + contents.left() + contents.right();
    QStyleOptionFrame option;
    option.initFrom(edit);
    option.rect = edit->rect();
    option.lineWidth = edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, edit) : 0;
    option.midLineWidth = 0;
    option.state |= QStyle::State_Sunken;
    option.features = QStyleOptionFrame::None;
    const QSize size =
        edit->style()->sizeFromContents(QStyle::CT_LineEdit, &option, QSize(width, edit->sizeHint().height()), edit);
    edit->setFixedWidth(size.width());
}

}  // namespace live
