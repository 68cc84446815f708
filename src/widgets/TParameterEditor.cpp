// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TParameterEditor.h"

#include "common/NumberText.h"
#include "config/EditRule.h"
#include "session/TBoardSession.h"
#include "session/TUserMessages.h"
#include "widgets/EditApplied.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TPage.h"
#include "widgets/TransferTable.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>

#include <array>

namespace {

// The kinds whose register is a bit mask of several boxes.
bool IsMask(TCodecKind kind)
{
    return kind == TCodecKind::Bits || kind == TCodecKind::TaggedBits || kind == TCodecKind::BitPairs;
}

// Digits after the decimal separator of a number's text.
qsizetype DecimalsIn(const QString &text)
{
    const qsizetype separator = text.indexOf(QLocale().decimalPoint());
    return separator < 0 ? 0 : text.size() - separator - 1;
}

// A number's text with places decimals at least: "10" to "10.0".
QString Padded(QString text, qsizetype places)
{
    const qsizetype have = DecimalsIn(text);
    if (have >= places)
        return text;
    if (have == 0)
        text += QLocale().decimalPoint();
    return text + QString(places - have, QLatin1Char('0'));
}

}  // namespace

TParameterEditor::TParameterEditor(TBoardSession &session, const TTransferTable &table, TUserMessages &messages,
                                   QObject *parent)
    : QObject(parent), m_session(session), m_table(table), m_messages(messages)
{
    m_confirmationTimer.setSingleShot(true);
    m_confirmationTimer.setInterval(kConfirmationMs);
    connect(&m_confirmationTimer, &QTimer::timeout, this, [this] {
        if (m_confirmationShown)
            Say({});
    });
}

void TParameterEditor::Connect(QWidget *control)
{
    if (!m_attached.contains(control) && OnApplied(control, this, [this, control] { Dispatch(control); })) {
        m_attached.insert(control);
        TPage::MarkWhileNotRead(control);
        if (auto *edit = qobject_cast<TAdvEdit *>(control)) {
            edit->RestoreOnEscape();
            connect(edit, &TAdvEdit::Restored, this, [this, edit] { ReadBack(edit); });
        }
    }
}

void TParameterEditor::Say(const QString &text)
{
    m_confirmationShown = false;
    emit Status(text);
}

void TParameterEditor::ReadBack(QWidget *edit)
{
    const auto place = m_table.Find(edit);
    if (!place || !m_session.Connected())
        return;
    const TParameterCodec *codec = place->Codec;
    const quint16 first = codec->Row().FirstRegister;
    m_session.Read(first, static_cast<quint16>(codec->Row().Registers),
                   {.OnReply = [this, codec, first](const TModbusAnswer &held) {
                       for (QWidget *control : codec->Controls()) {
                           const auto *typed = qobject_cast<const QLineEdit *>(control);
                           if (typed && typed->isModified())
                               return;
                       }
                       m_table.ShowBlock(first, held.Registers);
                   }});
}

void TParameterEditor::RefuseRange(QWidget *control, qint64 min, qint64 max, int decimals, const QString &unit)
{
    // Both ends with the same decimals, one at least where the edit takes decimals: "10.0 to 55.0".
    QString low = ScaledText(min, decimals);
    QString high = ScaledText(max, decimals);
    if (decimals > 0) {
        const qsizetype places = std::max<qsizetype>({1, DecimalsIn(low), DecimalsIn(high)});
        low = Padded(low, places);
        high = Padded(high, places);
    }
    QString accepts = QStringLiteral("%1: %2 to %3").arg(SpokenNameOf(control), low, high);
    if (!unit.isEmpty())
        accepts += QLatin1Char(' ') + unit;
    m_refusing = true;
    m_messages.OutOfRange(control, accepts);
    m_refusing = false;
}

void TParameterEditor::AttachItems(int first, int last)
{
    for (int item = first; item <= last; ++item) {
        for (QWidget *control : m_table.Codec(item).Controls())
            Connect(control);
    }
}

void TParameterEditor::Override(QWidget *control, std::function<void()> handler)
{
    m_overrides.insert(control, std::move(handler));
    Connect(control);
}

void TParameterEditor::TakeRowTogether(int item)
{
    m_together.insert(item);
}

void TParameterEditor::Dispatch(QWidget *control)
{
    // The focus going back to a refused edit is no action of the user's on the control it leaves.
    if (m_refusing)
        return;
    if (const auto found = m_overrides.constFind(control); found != m_overrides.cend())
        (*found)();
    else
        Apply(control);
}

std::optional<quint16> TParameterEditor::Take(QWidget *control)
{
    const auto place = m_table.Find(control);
    if (!place)
        return std::nullopt;
    const TParameterCodec &codec = *place->Codec;
    const TParameterRow &row = codec.Row();
    const int reg = place->Offset;
    const TCodecKind kind = row.CodecOf(reg).Kind;
    if (Traits(kind).Control == TControlKind::Edit) {
        if (m_together.contains(row.Item)) {
            std::array<quint16, kMaxRowRegisters> all{};
            const TTakeResult whole =
                codec.ControlsToRegisters(std::span(all.data(), static_cast<size_t>(row.Registers)));
            if (whole.Result == TTakeResult::NotANumber) {
                m_messages.ErrorBox(whole.Message);
                return std::nullopt;
            }
        }
        const TEditTake taken = TakeTyped(row, reg, static_cast<QLineEdit *>(control)->text());
        if (taken.Result == TEditTake::Malformed) {
            // A time says which part is wrong and goes back to its edit.
            if (kind == TCodecKind::TimeOfDay)
                Refuse(control, taken.Error);
            else
                m_messages.ErrorBox(taken.Error);
            return std::nullopt;
        }
        if (taken.Result == TEditTake::OutOfRange) {
            const TEditRange range = EditRange(row, reg);
            RefuseRange(control, range.Min, range.Max, range.Decimals, row.UnitOf(reg));
            return std::nullopt;
        }
        return taken.Word;
    }
    quint16 word = 0;
    const TTakeResult taken = codec.TakeRegister(reg, word);
    if (taken.Result == TTakeResult::NotANumber || taken.Result == TTakeResult::Unbound) {
        m_messages.ErrorBox(taken.Message);
        return std::nullopt;
    }
    // A list item whose number no register holds.
    if (taken.Result == TTakeResult::OutOfRange) {
        Refuse(control);
        return std::nullopt;
    }
    return word;
}

std::optional<qint64> TParameterEditor::TakeNumber(QLineEdit *edit, qint64 min, qint64 max, int decimals)
{
    const QString text = edit->text();
    const TNumberTake take = decimals > 0 ? TakeScaled(text, decimals) : TakeInteger(text);
    if (take.Status == TTakeStatus::NotANumber) {
        m_messages.ErrorBox(TakeErrorMessage(take.Status, text, decimals == 0));
        return std::nullopt;
    }
    if (!take.Ok() || take.Value < min || take.Value > max) {
        RefuseRange(edit, min, max, decimals, ControlUnit(edit->objectName()));
        return std::nullopt;
    }
    return take.Value;
}

bool TParameterEditor::Apply(QWidget *control)
{
    const auto place = m_table.Find(control);
    const auto word = place ? Take(control) : std::nullopt;
    if (!word)
        return false;
    const TParameterRow &row = place->Codec->Row();
    const TCodecKind kind = row.CodecOf(place->Offset).Kind;
    if (IsMask(kind)) {
        // The box's own bit as the user set it; every other bit as the board holds it now.
        const quint16 bit = place->Codec->BitOf(control);
        // The click has turned the box already: a write that does not happen turns it back.
        ChangeBits(
            control, *place->Codec,
            [bit, shown = *word](quint16 held) { return static_cast<quint16>((held & ~bit) | (shown & bit)); },
            [codec = place->Codec, before = static_cast<quint16>(*word ^ bit)] {
                codec->RegistersToControls({&before, 1});
            });
        return true;
    }
    if (kind == TCodecKind::TimeOfDay)
        SetHeldMinutes(control, *word);  // what a configuration Save takes from now on
    Write(control, static_cast<quint16>(row.FirstRegister + place->Offset), *word);
    return true;
}

void TParameterEditor::ChangeBits(QWidget *control, const TParameterCodec &codec,
                                  std::function<quint16(quint16)> change, std::function<void()> unchanged)
{
    const quint16 address = codec.Row().FirstRegister;
    const auto write = [this, control, &codec, address](quint16 word) {
        Write(control, address, word, [&codec, word] { codec.RegistersToControls({&word, 1}); });
    };
    Sending(control);
    // A read of the register on its way answers for this change too: a second read sent now
    // would be answered before the first change is written, and would undo it.
    if (const auto reading = m_changing.find(address); reading != m_changing.end()) {
        reading->push_back(std::move(change));
        if (unchanged)
            m_unchanged[address].push_back(std::move(unchanged));
        return;
    }
    if (TPage::ShowsTheBoard(control)) {
        // The row shows what the board holds, but for what the user just changed.
        quint16 shown = 0;
        if (codec.ControlsToRegisters({&shown, 1}).Ok())
            write(change(shown));
        return;
    }
    if (!m_session.Connected()) {
        if (unchanged)
            unchanged();
        return;  // Sending said so
    }
    m_changing[address].push_back(std::move(change));
    if (unchanged)
        m_unchanged[address].push_back(std::move(unchanged));
    // Nothing is written: every change waiting for this read is shown undone.
    const auto undo = [this, address] {
        m_changing.remove(address);
        for (const auto &each : m_unchanged.take(address))
            each();
    };
    m_session.Read(address, 1,
                   {.OnReply =
                        [this, address, write](const TModbusAnswer &held) {
                            quint16 word = held.Registers.value(0);
                            m_unchanged.remove(address);
                            for (const auto &each : m_changing.take(address))
                                word = each(word);
                            write(word);
                        },
                    .OnRefused =
                        [this, control, undo](const TModbusAnswer &answer) {
                            undo();
                            Say(QStringLiteral("%1 was not written: the board refused to read its register "
                                               "first (%2).")
                                    .arg(PlaceOf(control), ExceptionText(answer.ExceptionCode)));
                        },
                    .OnFailed = undo});
}

void TParameterEditor::Refuse(QWidget *control, const QString &error)
{
    m_refusing = true;
    if (error.isEmpty()) {
        m_messages.RangeWarning(control);
    } else {
        m_messages.ErrorBox(error);
        control->setFocus(Qt::OtherFocusReason);
    }
    m_refusing = false;
}

TRequestHandlers TParameterEditor::WriteHandlers(QWidget *control, quint16 address, const QString &confirmation,
                                                 const std::optional<QString> &held, std::function<void()> written)
{
    return {.OnReply =
                [this, edit = QPointer<TAdvEdit>(qobject_cast<TAdvEdit *>(control)), confirmation, held,
                 written = std::move(written)](const TModbusAnswer &) {
                    if (edit && held)
                        edit->SetHeldText(*held);
                    Say(confirmation);
                    m_confirmationShown = true;
                    m_confirmationTimer.start();
                    if (written)
                        written();
                },
            .OnRefused =
                [this, name = PlaceOf(control), address](const TModbusAnswer &answer) {
                    Say(QStringLiteral("The board refused %1 (%2): it keeps its own value.")
                            .arg(name, ExceptionText(answer.ExceptionCode)));
                    // Show what the board holds: the whole row, so that every encoding shows.
                    const auto place = m_table.Locate(address);
                    if (!place)
                        return;
                    const quint16 first = place->Codec->Row().FirstRegister;
                    const auto count = static_cast<quint16>(place->Codec->Row().Registers);
                    m_session.Read(first, count, {.OnReply = [this, first](const TModbusAnswer &shown) {
                                       m_table.ShowBlock(first, shown.Registers);
                                   }});
                }};
}

void TParameterEditor::Sending(QWidget *control)
{
    // What the user typed is taken: leaving the edit now writes it no more.
    if (auto *edit = qobject_cast<QLineEdit *>(control))
        edit->setModified(false);
    if (!m_session.Connected())
        Say(QStringLiteral("%1 was not written: the line is closed.").arg(PlaceOf(control)));
}

QString TParameterEditor::ShownAsWritten(QWidget *control, quint16 address, quint16 word, QString *unit) const
{
    if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        // The value as the edit's row shows the word (21.567 typed in a Centi edit is 21.56).
        const auto place = m_table.Find(control);
        if (!place || place->Codec->Row().FirstRegister + place->Offset != address)
            return edit->text().trimmed();
        const TParameterRow &row = place->Codec->Row();
        *unit = row.UnitOf(place->Offset);
        return EditText(row.CodecOf(place->Offset).Kind, word).value_or(edit->text().trimmed());
    }
    if (auto *list = qobject_cast<QComboBox *>(control))
        return list->currentText();
    if (auto *box = qobject_cast<QAbstractButton *>(control); box && box->isCheckable())
        return box->isChecked() ? QStringLiteral("on") : QStringLiteral("off");
    return {};
}

void TParameterEditor::Write(QWidget *control, quint16 address, quint16 word, std::function<void()> written)
{
    Sending(control);
    QString unit;
    const QString shown = ShownAsWritten(control, address, word, &unit);
    const QString name = SpokenNameOf(control);
    const QString confirmation =
        shown.isEmpty() ? QStringLiteral("%1 written").arg(name)
                        : QStringLiteral("%1 = %2 written").arg(name, unit.isEmpty() ? shown : shown + u' ' + unit);
    const auto held = qobject_cast<TAdvEdit *>(control) ? std::optional(shown) : std::nullopt;
    TRequestHandlers handlers = WriteHandlers(control, address, confirmation, held, std::move(written));
    handlers.Cause = CauseOf(control);
    handlers.What = name;
    m_session.WriteSingle(address, word, std::move(handlers));
}

void TParameterEditor::WriteBlock(QWidget *control, quint16 start, std::span<const quint16> words)
{
    Sending(control);
    TRequestHandlers handlers =
        WriteHandlers(control, start, QStringLiteral("%1 written").arg(SpokenNameOf(control)), {});
    handlers.Cause = CauseOf(control);
    handlers.What = SpokenNameOf(control);
    m_session.WriteMultiple(start, words, std::move(handlers));
}

TWriteCause TParameterEditor::CauseOf(const QWidget *control)
{
    // A push button (Start/Stop, Set, Store) gives a command; a control that holds a value, an edit.
    const auto *button = qobject_cast<const QAbstractButton *>(control);
    return button && !button->isCheckable() ? TWriteCause::Command : TWriteCause::Edit;
}
