// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLineEdit>
#include <QValidator>

// A numeric edit with a key filter: digits only, a minus sign only where the value is signed,
// one decimal separator ('.' or ',', whatever the locale, shown as the locale's) only where it is
// decimal. The filter shapes what
// can be typed; whether the text is a valid number in range is decided when it is taken.
class TAdvEdit : public QLineEdit
{
    Q_OBJECT

public:
    enum Kind { Unsigned, Signed, Decimal, SignedDecimal, Text };

    explicit TAdvEdit(Kind kind, QWidget *parent = nullptr);
    Kind EditKind() const { return m_kind; }

    // The text of what the board holds, as far as the window knows: the text last set from code
    // (a page refresh), or what a write the board answered took (SetHeldText).
    const QString &HeldText() const { return m_held; }
    void SetHeldText(const QString &text) { m_held = text; }
    // Escape then puts the held text back in place of what the user typed, writing nothing
    // (Restored); an Escape with nothing to put back goes on to the window as before.
    void RestoreOnEscape() { m_restoresOnEscape = true; }

signals:
    // Return pressed (also when the text did not change), or the focus left the edit after the
    // user changed its text (isModified): the moments an edit applies its value. Passing through
    // an edit applies nothing, so a value the user never touched (a form default on a page not
    // read from the board) is never written by leaving it. Whoever takes the value clears
    // isModified.
    void Applied();
    // Escape put the held text back.
    void Restored();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    Kind m_kind;
    QString m_held;
    bool m_restoresOnEscape = false;
};

// Whether a focus loss means the user left the edit for another control of the window. A popup
// (a context menu), another application's window or the window closing takes the focus without
// the user leaving the edit; nothing is applied then.
bool LeavesTheEdit(const QFocusEvent *event);

// The key filter of TAdvEdit, usable on its own.
class TNumberKeyFilter : public QValidator
{
public:
    TNumberKeyFilter(bool allowSign, bool allowDecimal, QObject *parent = nullptr);
    State validate(QString &input, int &pos) const override;

private:
    bool m_sign;
    bool m_decimal;
};
