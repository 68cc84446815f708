// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/TUserMessages.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;

// A question with what it is about listed under its text (a list that scrolls, one row each, under
// the question's column headings) and the step it offers before going on, at the left of the ways
// on. Enter picks the question's default; Escape and closing the box pick Cancel.
class TQuestionDialog : public QDialog
{
    Q_OBJECT

public:
    TQuestionDialog(const TQuestion &question, QWidget *parent = nullptr);

    // What the user chose; Cancel until a button was pressed.
    TChoice Choice() const { return m_choice; }

    QLabel *TextLabel;
    QTreeWidget *RowsView;     // null without rows
    QPushButton *FirstButton;  // null without a step offered first
    QPushButton *GoButton;
    QPushButton *OtherButton;  // null without a second way
    QPushButton *CancelButton;

private:
    QPushButton *Choose(const QString &text, TChoice choice);

    TChoice m_choice = TChoice::Cancel;
};
