// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// An up-down control: two arrow buttons beside an edit that step the whole number shown in the
// edit by one, within Minimum()..Maximum(). The Up and Down keys in the edit step it too. The
// edit stays an ordinary edit: what is typed into it is not bound to the range, and a step starts
// from the number it shows (from Position() when it shows none).
class TUpDown : public QWidget
{
    Q_OBJECT

public:
    TUpDown(QLineEdit *associate, QWidget *parent = nullptr);

    QLineEdit *Associate() const { return m_associate; }
    int Minimum() const { return m_minimum; }
    int Maximum() const { return m_maximum; }
    // Also lengthens the edit where the maximum would not fit it.
    void SetMaximum(int maximum);
    // The number of the last step, or of the last SetPosition.
    int Position() const { return m_position; }
    void SetPosition(int position);

signals:
    // The user stepped the number; the edit shows the new one.
    void Stepped();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Step(int delta);

    QLineEdit *m_associate;
    QToolButton *m_up;
    QToolButton *m_down;
    int m_minimum = 0;
    int m_maximum = 100;
    int m_position = 0;
};
