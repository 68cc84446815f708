// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/ModbusExceptions.h"
#include "session/TBoardSession.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>
#include <QTimer>

#include <functional>
#include <optional>
#include <span>
#include <vector>

class QLineEdit;
class QWidget;
class TBoardSession;
class TParameterCodec;
class TTransferTable;
class TUserMessages;
struct TRequestHandlers;

// Writes what the technician edits. Every control of the attached rows of the transfer table
// applies its value on the user's action (Return or leaving an edit, a click, a chosen item):
// its row and register are looked up, that one register is taken through the row's encoding,
// an edit's typed value is checked against the row's limits, and the word goes to the board in
// one single-register write. Values shown from code never write. A box of a bit mask changes
// only its own bit of what the board holds (ChangeBits), never the others as the page shows them.
// A page with such controls shows when it was not read from the board (TPage::MarkWhileNotRead).
//
// On a value out of range: the range message naming the edit and what it takes ("Supply Air
// Temp.: 10.0 to 55.0 °C"), the focus back in the edit, the text kept, nothing written. On a text
// that is no number: its error in the standard error box, nothing written. A time of day says
// which part is out of range and goes back to its edit. Escape in an edit puts back what the board
// holds (and reads it again, while the line is up), writing nothing. A write the board answers is
// confirmed in the status bar for a few seconds ("Supply Air Temp. = 21.5 °C written").
class TParameterEditor : public QObject
{
    Q_OBJECT

public:
    TParameterEditor(TBoardSession &session, const TTransferTable &table, TUserMessages &messages,
                     QObject *parent = nullptr);

    // Connects the controls of the bound rows of items first .. last to the common rule (or to
    // their override).
    void AttachItems(int first, int last);
    // A control whose page gives it a rule of its own: its user action runs handler instead of the
    // common rule (a control of no row is connected here too).
    void Override(QWidget *control, std::function<void()> handler);
    // The edits of item's row are taken together: a text that is no number in any of them stops
    // an edit of another (the row is one parameter split over several edits).
    void TakeRowTogether(int item);

    // The common rule for control; true when a write was issued.
    bool Apply(QWidget *control);
    // The number typed in edit (of no row) times 10^decimals, when it lies from min to max in
    // those units; nothing, and the user told (its error, or the range message), otherwise.
    std::optional<qint64> TakeNumber(QLineEdit *edit, qint64 min, qint64 max, int decimals);
    // The common rule's checks of control without the write: its register's word, or nothing
    // (and the user told why) when the value cannot be written.
    std::optional<quint16> Take(QWidget *control);
    // Writes word to address, or words from start, on behalf of control (named in what the
    // status bar says about a refusal or a closed line).
    // written runs once the board has taken the write.
    void Write(QWidget *control, quint16 address, quint16 word, std::function<void()> written = {});
    void WriteBlock(QWidget *control, quint16 start, std::span<const quint16> words);
    // Writes the bit-mask register of codec's row (one register) on behalf of control as change
    // makes it from the word the board holds: the row's own word while control's page shows what
    // the board holds (TPage::ShowsTheBoard), else the word read from the board just before (and
    // nothing is written when that read is refused or gets no answer, or the line is closed:
    // unchanged then runs, to show what the row showed before). The row then shows the word
    // written.
    void ChangeBits(QWidget *control, const TParameterCodec &codec, std::function<quint16(quint16)> change,
                    std::function<void()> unchanged = {});
    // A line for the status bar on behalf of a page.
    void Tell(const QString &text) { Say(text); }
    // Tells why control's value was refused (the range message when error is empty, else error in
    // the standard error box) and sends the focus back to it; the user actions that the focus
    // moving back raises in other controls write nothing.
    void Refuse(QWidget *control, const QString &error = {});

    // How long the status bar confirms an answered write.
    static constexpr int kConfirmationMs = 5000;

signals:
    // A line for the status bar: a write the board refused, or one made while the line is closed;
    // a write the board answered, cleared again after kConfirmationMs unless a newer line came.
    void Status(const QString &text);

private:
    // What a write on behalf of control is, for the recording's audit trail.
    static TWriteCause CauseOf(const QWidget *control);
    void Dispatch(QWidget *control);
    void Connect(QWidget *control);
    // The handlers of a write on behalf of control; what the board took confirmed as confirmation
    // says, and held as an edit's text.
    TRequestHandlers WriteHandlers(QWidget *control, quint16 address, const QString &confirmation,
                                   const std::optional<QString> &held, std::function<void()> written = {});
    // A write on behalf of control goes out: an edit's typed text is taken, and a closed line told.
    void Sending(QWidget *control);
    // The range message of control, which takes min .. max in units of 10^-decimals.
    void RefuseRange(QWidget *control, qint64 min, qint64 max, int decimals, const QString &unit);
    // What control now shows as written to address as word: an edit's value as its row shows the
    // word (and its unit in unit); a list's item; a box on or off; nothing for a button.
    QString ShownAsWritten(QWidget *control, quint16 address, quint16 word, QString *unit) const;
    // Reads the row of an edit whose held text Escape put back, and shows it unless the user
    // has typed in the row again meanwhile.
    void ReadBack(QWidget *edit);
    void Say(const QString &text);

    QTimer m_confirmationTimer;
    bool m_confirmationShown = false;

    TBoardSession &m_session;
    const TTransferTable &m_table;
    TUserMessages &m_messages;
    QHash<const QWidget *, std::function<void()>> m_overrides;
    QSet<int> m_together;
    QSet<const QWidget *> m_attached;
    // The bit changes waiting for the read of their register, by address.
    QHash<quint16, std::vector<std::function<quint16(quint16)>>> m_changing;
    // What each of them runs when its write does not happen, by address.
    QHash<quint16, std::vector<std::function<void()>>> m_unchanged;
    bool m_refusing = false;
};
