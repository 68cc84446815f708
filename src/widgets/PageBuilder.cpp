// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/PageBuilder.h"

#include "config/TransferRows.h"
#include "widgets/ComboAccessible.h"
#include "widgets/ParameterCodec.h"
#include "widgets/TimeOfDayFilter.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QVBoxLayout>

namespace ui {

namespace {
const char *const kTagProperty = "Tag";
const char *const kOffProperty = "OffBecause";         // reason -> why
const char *const kOwnToolTipProperty = "OwnToolTip";  // the tooltip while on

QLabel *LabelFor(QGridLayout *grid, int row, int col, const QString &text, QWidget *buddy)
{
    if (text.isEmpty())
        return nullptr;
    auto *label = new QLabel(text, grid->parentWidget());
    label->setBuddy(buddy);
    grid->addWidget(label, row, col);
    return label;
}

void UnitFor(QGridLayout *grid, int row, int col, const QString &unit)
{
    if (!unit.isEmpty())
        grid->addWidget(new QLabel(unit, grid->parentWidget()), row, col);
}

// A group box title as said: " Date && Time " reads "Date & Time"; an abbreviation's closing
// full stop stays.
QString SpokenTitle(QString title)
{
    title.replace(QLatin1String("&&"), QLatin1String("&"));
    qsizetype first = 0;
    qsizetype end = title.size();
    while (first < end && !title.at(first).isLetterOrNumber())
        ++first;
    while (end > first && !title.at(end - 1).isLetterOrNumber() && title.at(end - 1) != QLatin1Char('.')
           && title.at(end - 1) != QLatin1Char(')'))
        --end;
    return title.mid(first, end - first);
}
}  // namespace

QString SpokenName(const QWidget *place, const QString &label)
{
    QStringList words;
    const QString own = label.trimmed();
    for (const QWidget *w = place; w; w = w->parentWidget()) {
        const auto *group = qobject_cast<const QGroupBox *>(w);
        const QString title = group ? SpokenTitle(group->title()) : QString();
        const QString &inner = words.isEmpty() ? own : words.first();
        if (!title.isEmpty() && title.compare(inner, Qt::CaseInsensitive) != 0)
            words.prepend(title);
    }
    words.append(own);
    return words.join(QLatin1Char(' ')).trimmed();
}

void Name(QWidget *control, const QString &label)
{
    control->setAccessibleName(SpokenName(control->parentWidget(), label));
}

void SetTag(QWidget *widget, int tag)
{
    widget->setProperty(kTagProperty, tag);
}

int Tag(const QWidget *widget)
{
    return widget->property(kTagProperty).toInt();
}

void SwitchOff(QWidget *control, const QString &reason, const QString &why)
{
    QVariantMap off = control->property(kOffProperty).toMap();
    if (off.isEmpty())
        control->setProperty(kOwnToolTipProperty, control->toolTip());
    if (why.isEmpty())
        off.remove(reason);
    else
        off.insert(reason, why);
    control->setProperty(kOffProperty, off);
    control->setEnabled(off.isEmpty());
    QStringList lines;
    for (const QVariant &line : std::as_const(off))
        lines << line.toString();
    control->setToolTip(off.isEmpty() ? control->property(kOwnToolTipProperty).toString()
                                      : lines.join(QLatin1Char('\n')));
}

QVBoxLayout *PageLayout(QWidget *page)
{
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(4);
    return layout;
}

QHBoxLayout *Row(QVBoxLayout *page)
{
    auto *row = new QHBoxLayout;
    row->setSpacing(4);
    page->addLayout(row);
    return row;
}

QGroupBox *Group(QWidget *parent, const QString &title, const QString &objectName)
{
    auto *group = new QGroupBox(title, parent);
    if (!objectName.isEmpty())
        group->setObjectName(objectName);
    auto *grid = new QGridLayout(group);
    grid->setContentsMargins(6, 4, 6, 4);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    return group;
}

QGridLayout *GridOf(QGroupBox *group)
{
    return qobject_cast<QGridLayout *>(group->layout());
}

QGroupBox *InnerGroup(QGridLayout *outer, int row, const QString &title)
{
    QGroupBox *group = Group(outer->parentWidget(), title);
    outer->addWidget(group, row, 0, 1, 3);
    return group;
}

QString ZeroDecimal()
{
    return QStringLiteral("0") + QLocale().decimalPoint() + QStringLiteral("0");
}

TAdvEdit *Edit(QGridLayout *grid, int row, int col, const QString &name, const QString &label, TAdvEdit::Kind kind,
               int maxLength, const QString &initial, const QString &unit)
{
    auto *edit = new TAdvEdit(kind, grid->parentWidget());
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    edit->setText(initial);
    // Wide enough for its longest text, not wider: the pages are narrow.
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QString(std::max(maxLength, 3) + 1, QLatin1Char('0')))
                          + 14);
    LabelFor(grid, row, col, label, edit);
    Name(edit, label.isEmpty() ? name : label);
    grid->addWidget(edit, row, col + 1);
    UnitFor(grid, row, col + 2, unit.isEmpty() ? ControlUnit(name) : unit);
    return edit;
}

TAdvEdit *AsTimeEdit(TAdvEdit *edit, quint16 minutes)
{
    edit->setValidator(new TTimeOfDayFilter(edit));
    edit->setText(
        QStringLiteral("%1:%2").arg(minutes / 60, 2, 10, QLatin1Char('0')).arg(minutes % 60, 2, 10, QLatin1Char('0')));
    SetHeldMinutes(edit, minutes);
    return edit;
}

TAdvEdit *TimeEdit(QGridLayout *grid, int row, int col, const QString &name, const QString &label, quint16 minutes)
{
    return AsTimeEdit(Edit(grid, row, col, name, label, TAdvEdit::Text, 5, {}), minutes);
}

TAdvEdit *CellEdit(QGridLayout *grid, int row, int col, const QString &name, const QString &accessibleName,
                   TAdvEdit::Kind kind, int maxLength, const QString &initial)
{
    auto *edit = new TAdvEdit(kind, grid->parentWidget());
    edit->setObjectName(name);
    edit->setMaxLength(maxLength);
    edit->setText(initial);
    Name(edit, accessibleName);
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QString(std::max(maxLength, 3) + 1, QLatin1Char('0')))
                          + 14);
    grid->addWidget(edit, row, col);
    return edit;
}

QComboBox *CellCombo(QGridLayout *grid, int row, int col, const QString &name, const QString &accessibleName,
                     const QStringList &items)
{
    SpeakComboNames();
    auto *combo = new QComboBox(grid->parentWidget());
    combo->setObjectName(name);
    combo->addItems(items);
    Name(combo, accessibleName);
    grid->addWidget(combo, row, col);
    return combo;
}

QComboBox *Combo(QGridLayout *grid, int row, int col, const QString &name, const QString &label,
                 const QStringList &items, int index, const QString &unit)
{
    SpeakComboNames();
    auto *combo = new QComboBox(grid->parentWidget());
    combo->setObjectName(name);
    combo->addItems(items);
    combo->setCurrentIndex(index);
    Name(combo, label.isEmpty() ? name : label);
    LabelFor(grid, row, col, label, combo);
    grid->addWidget(combo, row, col + 1);
    UnitFor(grid, row, col + 2, unit);
    return combo;
}

QCheckBox *Check(QWidget *parent, const QString &name, const QString &caption, bool checked)
{
    auto *box = new QCheckBox(caption, parent);
    box->setObjectName(name);
    box->setChecked(checked);
    Name(box, caption.trimmed().isEmpty() ? name : caption);
    return box;
}

QCheckBox *CellCheck(QGridLayout *grid, int row, int col, const QString &name, const QString &caption, bool checked)
{
    QCheckBox *box = Check(grid->parentWidget(), name, caption, checked);
    grid->addWidget(box, row, col);
    return box;
}

QLabel *Value(QWidget *parent, const QString &name, const QString &accessibleName, const QString &initial)
{
    auto *label = new QLabel(initial, parent);
    label->setObjectName(name);
    Name(label, accessibleName);
    return label;
}

QButtonGroup *Exclusive(std::initializer_list<QCheckBox *> boxes)
{
    auto *group = new QButtonGroup((*boxes.begin())->parent());
    group->setExclusive(true);
    for (QCheckBox *box : boxes)
        group->addButton(box);
    return group;
}

QStringList Numbers(int first, int last)
{
    QStringList items;
    for (int i = first; i <= last; ++i)
        items.append(QString::number(i));
    return items;
}

}  // namespace ui
