#include "widgets/ValueDisplay.h"

#include "widgets/TLed.h"

#include <QAbstractButton>
#include <QFont>
#include <QGraphicsOpacityEffect>
#include <QLabel>
#include <QLineEdit>

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

}  // namespace live
