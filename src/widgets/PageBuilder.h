// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small helpers that build the pages in code, so that a page file reads like the page's table:
// one call per control, with the control's name, caption and initial state.

#include "widgets/TAdvEdit.h"

#include <QStringList>

#include <initializer_list>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QHBoxLayout;
class QLabel;
class QVBoxLayout;
class QWidget;

namespace ui {

// What a screen reader calls a control placed in place: the titles of the group boxes around it,
// outermost first, then its label, e.g. "Water PI Kp" for the "Kp" edit of the " PI " group inside
// " Water ". Titles are said without their surrounding blanks and decorations, "&&" as "&", and a
// title (or label) the same as the title around it only once. Every helper below names the
// controls it makes so; on a page, no two controls get the same name.
QString SpokenName(const QWidget *place, const QString &label);
// Names control, already in its place, by label as SpokenName says: for a control made without
// the helpers, or one whose label says less than it needs to (a cell of a table).
void Name(QWidget *control, const QString &label);

// Every control carries an integer Tag: a register offset, a limit-table row or a bit weight.
void SetTag(QWidget *widget, int tag);
int Tag(const QWidget *widget);

// Switches control off for reason, why saying so in its tooltip; an empty why switches that
// reason back. A control is on while no reason holds (the firmware lacks it, the board refused
// its read, ...); its own tooltip comes back then.
void SwitchOff(QWidget *control, const QString &reason, const QString &why);

// A parameter page's layout: rows of group boxes, top down, with narrow margins.
QVBoxLayout *PageLayout(QWidget *page);
// The next row of a page, holding group boxes side by side.
QHBoxLayout *Row(QVBoxLayout *page);

// A group box titled as given (spaces and "&&" kept: "&&" shows as "&") with a grid layout.
QGroupBox *Group(QWidget *parent, const QString &title, const QString &objectName = {});
QGridLayout *GridOf(QGroupBox *group);
// A group box inside another, spanning the three columns of the outer grid's row.
QGroupBox *InnerGroup(QGridLayout *outer, int row, const QString &title);

// The initial text of a decimal edit: "0,0" or "0.0", as the user's locale writes it.
QString ZeroDecimal();

// A numeric edit named name in row/col of grid: its label left of it (the label is the edit's
// buddy), the unit right of it (unless given, the one the transfer table holds for name); its
// spoken name is its groups' titles and its label. Occupies three columns from col: label, edit, unit.
TAdvEdit *Edit(QGridLayout *grid, int row, int col, const QString &name, const QString &label, TAdvEdit::Kind kind,
               int maxLength, const QString &initial, const QString &unit = {});
// An edit without a visible label of its own (a cell of a table of edits): accessibleName says
// what it is within its group, e.g. "Supply, level I".
TAdvEdit *CellEdit(QGridLayout *grid, int row, int col, const QString &name, const QString &accessibleName,
                   TAdvEdit::Kind kind, int maxLength, const QString &initial);
// A time of day typed as H:MM or HH:MM (TTimeOfDayFilter), with its label like Edit. The edit holds
// the minutes after midnight it stands for (HeldMinutes), starting at minutes and shown as "HH:MM";
// whether a typed time is in range is decided when it is taken, so that each part gets its message.
TAdvEdit *TimeEdit(QGridLayout *grid, int row, int col, const QString &name, const QString &label, quint16 minutes);
// Makes edit such a time-of-day edit.
TAdvEdit *AsTimeEdit(TAdvEdit *edit, quint16 minutes);
// A drop-down list without a visible label of its own (a cell of a table of controls), named like
// CellEdit.
QComboBox *CellCombo(QGridLayout *grid, int row, int col, const QString &name, const QString &accessibleName,
                     const QStringList &items);
// A drop-down list with its label, like Edit (label, combo, unit).
QComboBox *Combo(QGridLayout *grid, int row, int col, const QString &name, const QString &label,
                 const QStringList &items, int index, const QString &unit = {});
// A check box in parent, spoken as its groups' titles and its caption (or name, when it has none).
QCheckBox *Check(QWidget *parent, const QString &name, const QString &caption, bool checked = false);
// A check box placed in a cell of grid.
QCheckBox *CellCheck(QGridLayout *grid, int row, int col, const QString &name, const QString &caption,
                     bool checked = false);
// A read-only text shown by the page (filled from the board), accessibleName saying what it is
// within its groups.
QLabel *Value(QWidget *parent, const QString &name, const QString &accessibleName, const QString &initial = {});

// Check boxes of which exactly one is checked; clicking the checked one does not clear it.
QButtonGroup *Exclusive(std::initializer_list<QCheckBox *> boxes);

// "1" .. "n", the items of a channel-number list.
QStringList Numbers(int first, int last);

}  // namespace ui
