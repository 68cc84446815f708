#pragma once

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

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

// The name of a Modbus exception code, for messages: "illegal data address".
QString ExceptionText(quint8 code);

// Writes what the technician edits. Every control of the attached rows of the transfer table
// applies its value on the user's action (Return or leaving an edit, a click, a chosen item):
// its row and register are looked up, that one register is taken through the row's encoding,
// an edit's typed value is checked against the row's limits, and the word goes to the board in
// one single-register write. Values shown from code never write. A box of a bit mask changes
// only its own bit of what the board holds (ChangeBits), never the others as the page shows them.
// A page with such controls shows when it was not read from the board (TPage::MarkWhileNotRead).
//
// On a value out of range: "Input range error!", the focus back in the edit, the text kept,
// nothing written. On a text that is no number: its error in the standard error box, nothing
// written. A time of day says which part is out of range and goes back to its edit.
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
    // nothing is written when that read is refused or gets no answer). The row then shows the
    // word written.
    void ChangeBits(QWidget *control, const TParameterCodec &codec, std::function<quint16(quint16)> change);
    // A line for the status bar on behalf of a page.
    void Tell(const QString &text) { emit Status(text); }
    // Tells why control's value was refused (the range message when error is empty, else error in
    // the standard error box) and sends the focus back to it; the user actions that the focus
    // moving back raises in other controls write nothing.
    void Refuse(QWidget *control, const QString &error = {});

signals:
    // A line for the status bar: a write the board refused, or one made while the line is closed;
    // empty once a write is answered.
    void Status(const QString &text);

private:
    void Dispatch(QWidget *control);
    void Connect(QWidget *control);
    TRequestHandlers WriteHandlers(QWidget *control, quint16 address, std::function<void()> written = {});
    // A write on behalf of control goes out: an edit's typed text is taken, and a closed line told.
    void Sending(QWidget *control);

    TBoardSession &m_session;
    const TTransferTable &m_table;
    TUserMessages &m_messages;
    QHash<const QWidget *, std::function<void()>> m_overrides;
    QSet<int> m_together;
    QSet<const QWidget *> m_attached;
    // The bit changes waiting for the read of their register, by address.
    QHash<quint16, std::vector<std::function<quint16(quint16)>>> m_changing;
    bool m_refusing = false;
};
