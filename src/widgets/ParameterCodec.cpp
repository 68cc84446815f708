// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/ParameterCodec.h"

#include "common/NumberText.h"
#include "config/EditRule.h"
#include "widgets/PageBuilder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>

#include <algorithm>
#include <array>

namespace {

// ComboByText looks among this many leading items.
constexpr int kTextItems = 19;

const char *KindName(TControlKind kind)
{
    switch (kind) {
    case TControlKind::Edit:
        return "an edit (QLineEdit)";
    case TControlKind::Combo:
        return "a combo box (QComboBox)";
    case TControlKind::Box:
        return "a check box (QCheckBox)";
    case TControlKind::None:
        break;
    }
    return "no control";
}

bool IsKind(const QWidget *widget, TControlKind kind)
{
    switch (kind) {
    case TControlKind::Edit:
        return qobject_cast<const QLineEdit *>(widget) != nullptr;
    case TControlKind::Combo:
        return qobject_cast<const QComboBox *>(widget) != nullptr;
    case TControlKind::Box:
        return qobject_cast<const QCheckBox *>(widget) != nullptr;
    case TControlKind::None:
        break;
    }
    return false;
}

// Controls are checked for their kind when bound, so the casts below are safe.
QLineEdit *Edit(QWidget *widget)
{
    return static_cast<QLineEdit *>(widget);
}
QComboBox *Combo(QWidget *widget)
{
    return static_cast<QComboBox *>(widget);
}
QAbstractButton *Box(QWidget *widget)
{
    return static_cast<QAbstractButton *>(widget);
}

void ShowText(QLineEdit *edit, const QString &text)
{
    // QLineEdit cuts a text set from code at its maximum length, which is meant for typing;
    // the value the board holds is shown whole.
    if (edit->inputMask().isEmpty() && text.size() > edit->maxLength())
        edit->setMaxLength(text.size());
    if (edit->text() != text)
        edit->setText(text);
}

void SetBox(QAbstractButton *box, bool checked)
{
    if (box->isChecked() == checked)
        return;
    if (!checked) {
        // An exclusive group refuses to clear its checked box; a value that none of the boxes
        // stands for clears them all.
        if (QButtonGroup *group = box->group(); group && group->exclusive()) {
            group->setExclusive(false);
            box->setChecked(false);
            group->setExclusive(true);
            return;
        }
        if (box->autoExclusive()) {
            box->setAutoExclusive(false);
            box->setChecked(false);
            box->setAutoExclusive(true);
            return;
        }
    }
    box->setChecked(checked);
}

// Checks box `chosen` of boxes (none when chosen is -1) and clears the others; the chosen one
// first, so that an exclusive group never passes through a state with two checked.
void ShowOneOf(std::span<QWidget *const> boxes, int chosen)
{
    if (chosen >= 0)
        SetBox(Box(boxes[static_cast<size_t>(chosen)]), true);
    for (size_t i = 0; i < boxes.size(); ++i) {
        if (static_cast<int>(i) != chosen)
            SetBox(Box(boxes[i]), false);
    }
}

bool Checked(QWidget *box)
{
    return Box(box)->isChecked();
}

TTakeResult::Outcome OutcomeOf(TTakeStatus status)
{
    return status == TTakeStatus::OutOfRange ? TTakeResult::OutOfRange : TTakeResult::NotANumber;
}

TTakeResult Failure(TTakeStatus status, QWidget *control, const QString &text, bool integerForm)
{
    return {OutcomeOf(status), control, TakeErrorMessage(status, text, integerForm)};
}

}  // namespace

quint16 HeldMinutes(const QWidget *edit)
{
    return static_cast<quint16>(edit->property(kHeldMinutesProperty).toUInt());
}

void SetHeldMinutes(QWidget *edit, quint16 minutes)
{
    edit->setProperty(kHeldMinutesProperty, minutes);
}

QString TimeEditText(const QWidget *edit, quint16 minutes)
{
    const auto *line = qobject_cast<const QLineEdit *>(edit);
    if (line && !line->inputMask().isEmpty() && minutes < 600)
        return QLatin1Char(' ') + TimeOfDayText(minutes);
    return TimeOfDayText(minutes);
}

QMultiHash<QString, QWidget *> NamedControls(QWidget &root)
{
    QMultiHash<QString, QWidget *> named;
    const QList<QWidget *> all = root.findChildren<QWidget *>();
    named.reserve(all.size());
    for (QWidget *widget : all) {
        if (!widget->objectName().isEmpty())
            named.insert(widget->objectName(), widget);
    }
    return named;
}

TParameterCodec TParameterCodec::Bind(const TParameterRow &row, const QMultiHash<QString, QWidget *> &named,
                                      const TWeekProgramView &week, QStringList &problems)
{
    TParameterCodec codec(row);
    const qsizetype before = problems.size();
    const auto problem = [&](const QString &text) {
        const QString where = row.Item >= 0 ? QStringLiteral("Item %1").arg(row.Item) : QStringLiteral("Register");
        problems.append(
            QStringLiteral("%1 (0x%2): %3").arg(where).arg(row.FirstRegister, 4, 16, QLatin1Char('0')).arg(text));
    };

    // The row's own shape.
    for (const QString &text : RowShapeProblems(row))
        problem(text);
    const TKindTraits traits =
        row.Codecs.empty() ? TKindTraits{TControlKind::None, 0} : Traits(row.Codecs.front().Kind);
    const int controls = static_cast<int>(row.Controls.size());
    if (traits.Control == TControlKind::None) {
        if (!week.Program || !week.Show)
            problem(QStringLiteral("no timers page to hold the week program"));
        codec.m_week = week;
    }

    // The controls, each exactly once and of the codec's kind.
    for (const QString &name : row.Controls) {
        const QList<QWidget *> found = named.values(name);
        QWidget *widget = found.size() == 1 ? found.front() : nullptr;
        if (found.isEmpty())
            problem(QStringLiteral("%1 is missing").arg(name));
        else if (found.size() > 1)
            problem(QStringLiteral("%1 exists %2 times").arg(name).arg(found.size()));
        else if (!IsKind(widget, traits.Control))
            problem(QStringLiteral("%1 is a %2, not %3")
                        .arg(name, QLatin1String(widget->metaObject()->className()),
                             QLatin1String(KindName(traits.Control))));
        codec.m_controls.push_back(widget);
    }

    // Bit weights: by position, or the Tag of each box (of each pair's first box).
    if (problems.size() == before) {
        const TCodecKind kind = row.Codecs.front().Kind;
        if (kind == TCodecKind::Bits) {
            for (int j = 0; j < controls; ++j)
                codec.m_weights.push_back(static_cast<quint16>(1u << j));
        } else if (kind == TCodecKind::TaggedBits || kind == TCodecKind::BitPairs) {
            const int step = kind == TCodecKind::BitPairs ? 2 : 1;
            quint32 used = 0;
            for (int j = 0; j < controls; j += step) {
                const int tag = ui::Tag(codec.m_controls[static_cast<size_t>(j)]);
                const bool single = tag > 0 && tag <= 0x8000 && (tag & (tag - 1)) == 0;
                if (!single)
                    problem(QStringLiteral("%1 has Tag %2, not a bit weight").arg(row.Controls[j]).arg(tag));
                else if (used & static_cast<quint32>(tag))
                    problem(QStringLiteral("%1 has Tag %2, the weight of another box").arg(row.Controls[j]).arg(tag));
                used |= single ? static_cast<quint32>(tag) : 0u;
                codec.m_weights.push_back(static_cast<quint16>(tag));
            }
        }
    }

    codec.m_bound = problems.size() == before;
    if (!codec.m_bound)
        codec.m_controls.clear();
    return codec;
}

void TParameterCodec::ShowRegister(const TCodec &codec, int reg, quint16 value) const
{
    const auto signedValue = static_cast<qint16>(value);
    const int per = Traits(codec.Kind).PerRegister;
    QWidget *control = m_controls[static_cast<size_t>(reg * per)];
    switch (codec.Kind) {
    case TCodecKind::Centi:
    case TCodecKind::CentiU:
    case TCodecKind::Deci:
    case TCodecKind::Int:
    case TCodecKind::UInt:
    case TCodecKind::Tenths:
        ShowText(Edit(control), *EditText(codec.Kind, value));
        break;
    case TCodecKind::TimeOfDay:
        SetHeldMinutes(control, value);
        ShowText(Edit(control), TimeEditText(control, value));
        break;
    case TCodecKind::Combo: {
        QComboBox *combo = Combo(control);
        const int index = signedValue + codec.Offset;
        combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
        break;
    }
    case TCodecKind::ComboByText: {
        QComboBox *combo = Combo(control);
        const int items = std::min(combo->count(), kTextItems);
        for (int i = 0; i < items; ++i) {
            const TNumberTake item = TakeInteger(combo->itemText(i));
            if (item.Ok() && item.Value == signedValue) {
                combo->setCurrentIndex(i);
                break;
            }
        }  // no item for the value: the selection stays
        break;
    }
    case TCodecKind::Flag:
        SetBox(Box(control), value != 0);
        break;
    case TCodecKind::AutoManual:
        ShowOneOf(std::span(m_controls).subspan(static_cast<size_t>(reg * 2), 2), value == 0 ? 0 : 1);
        break;
    default:
        break;  // the kinds below fill their controls from the whole row
    }
}

bool TParameterCodec::RegistersToControls(std::span<const quint16> values) const
{
    const TParameterRow &row = *m_row;
    if (!m_bound || values.size() < static_cast<size_t>(row.Registers))
        return false;
    const TCodecKind kind = row.Codecs.front().Kind;
    const quint16 value = values[0];
    switch (kind) {
    case TCodecKind::Choice2:
        ShowOneOf(m_controls, value == 0 ? 0 : 1);
        break;
    case TCodecKind::Choice2One:
        ShowOneOf(m_controls, value <= 1 ? value : -1);
        break;
    case TCodecKind::Choice4:
        ShowOneOf(m_controls, value <= 3 ? value : -1);
        break;
    case TCodecKind::StageCount:
        SetBox(Box(m_controls[0]), true);
        SetBox(Box(m_controls[1]), static_cast<qint16>(value) > 1);
        SetBox(Box(m_controls[2]), static_cast<qint16>(value) > 2);
        break;
    case TCodecKind::Bits:
    case TCodecKind::TaggedBits:
        for (size_t j = 0; j < m_controls.size(); ++j)
            SetBox(Box(m_controls[j]), (value & m_weights[j]) != 0);
        break;
    case TCodecKind::BitPairs:
        for (size_t j = 0; j < m_weights.size(); ++j)
            ShowOneOf(std::span(m_controls).subspan(2 * j, 2), (value & m_weights[j]) != 0 ? 0 : 1);
        break;
    case TCodecKind::WeekTimes: {
        TWeekProgram &program = *m_week.Program;
        for (int d = 0; d < TWeekProgram::kDays; ++d)
            for (int t = 0; t < TWeekProgram::kTimesPerDay; ++t)
                program.Times[d][t] = values[static_cast<size_t>(d * TWeekProgram::kTimesPerDay + t)];
        m_week.Show();
        break;
    }
    case TCodecKind::WeekLevels: {
        TWeekProgram &program = *m_week.Program;
        for (int d = 0; d < TWeekProgram::kDays; ++d)
            for (int l = 0; l < TWeekProgram::kLevelsPerDay; ++l)
                program.Levels[d][l] = values[static_cast<size_t>(d * TWeekProgram::kLevelsPerDay + l)];
        m_week.Show();
        break;
    }
    default:
        for (int reg = 0; reg < row.Registers; ++reg)
            ShowRegister(row.CodecOf(reg), reg, values[static_cast<size_t>(reg)]);
        break;
    }
    return true;
}

TTakeResult TParameterCodec::TakeOwnRegister(const TCodec &codec, int reg, quint16 &value) const
{
    const int per = Traits(codec.Kind).PerRegister;
    QWidget *control = m_controls[static_cast<size_t>(reg * per)];
    const auto fromText = [&](TCodecKind kind, const QString &text) -> TTakeResult {
        const TNumberTake take = TakeEditText(kind, text);
        if (!take.Ok())
            return Failure(take.Status, control, text, TakesWholeNumbers(kind));
        value = static_cast<quint16>(take.Value);
        return TTakeResult{};
    };
    switch (codec.Kind) {
    case TCodecKind::Centi:
    case TCodecKind::CentiU:
    case TCodecKind::Deci:
    case TCodecKind::Int:
    case TCodecKind::UInt:
    case TCodecKind::Tenths:
        return fromText(codec.Kind, Edit(control)->text());
    case TCodecKind::TimeOfDay:
        value = HeldMinutes(control);  // the text may hold a time that was refused
        return {};
    case TCodecKind::Combo:
        value = static_cast<quint16>(Combo(control)->currentIndex() - codec.Offset);
        return {};
    case TCodecKind::ComboByText: {
        const QComboBox *combo = Combo(control);
        if (combo->currentIndex() < 0) {
            value = 0;  // nothing selected
            return {};
        }
        // The item's text is the signed decimal value.
        return fromText(TCodecKind::Int, combo->currentText());
    }
    case TCodecKind::Flag:
        value = Checked(control) ? 1 : 0;
        return {};
    case TCodecKind::AutoManual:
        value = Checked(m_controls[static_cast<size_t>(reg * 2 + 1)]) ? 1 : 0;
        return {};
    default:
        return {};  // the kinds below take their register from the whole row
    }
}

TTakeResult TParameterCodec::ControlsToRegisters(std::span<quint16> values) const
{
    const TParameterRow &row = *m_row;
    const auto what = [&] {
        return row.Item >= 0 ? QStringLiteral("configuration item %1").arg(row.Item)
                             : QStringLiteral("register 0x%1").arg(row.FirstRegister, 4, 16, QLatin1Char('0'));
    };
    if (!m_bound)
        return {TTakeResult::Unbound, nullptr, QStringLiteral("The controls of %1 are missing.").arg(what())};
    if (values.size() < static_cast<size_t>(row.Registers))
        return {TTakeResult::Unbound, nullptr,
                QStringLiteral("The values of %1 have room for %2 of its %3 registers.")
                    .arg(what())
                    .arg(values.size())
                    .arg(row.Registers)};

    std::array<quint16, kMaxRowRegisters> taken{};
    const TCodecKind kind = row.Codecs.front().Kind;
    switch (kind) {
    case TCodecKind::Choice2:
    case TCodecKind::Choice2One:
        taken[0] = Checked(m_controls[1]) ? 1 : 0;
        break;
    case TCodecKind::Choice4:
        taken[0] = static_cast<quint16>((Checked(m_controls[1]) ? 1 : 0) + (Checked(m_controls[2]) ? 2 : 0)
                                        + (Checked(m_controls[3]) ? 3 : 0));
        break;
    case TCodecKind::StageCount:
        taken[0] = static_cast<quint16>(std::count_if(m_controls.begin(), m_controls.end(), Checked));
        break;
    case TCodecKind::Bits:
    case TCodecKind::TaggedBits:
        taken[0] = WeightedSum(1);
        break;
    case TCodecKind::BitPairs:
        taken[0] = WeightedSum(2);
        break;
    case TCodecKind::WeekTimes: {
        const TWeekProgram &program = *m_week.Program;
        for (int d = 0; d < TWeekProgram::kDays; ++d)
            for (int t = 0; t < TWeekProgram::kTimesPerDay; ++t)
                taken[static_cast<size_t>(d * TWeekProgram::kTimesPerDay + t)] = program.Times[d][t];
        break;
    }
    case TCodecKind::WeekLevels: {
        const TWeekProgram &program = *m_week.Program;
        for (int d = 0; d < TWeekProgram::kDays; ++d)
            for (int l = 0; l < TWeekProgram::kLevelsPerDay; ++l)
                taken[static_cast<size_t>(d * TWeekProgram::kLevelsPerDay + l)] = program.Levels[d][l];
        break;
    }
    default:
        for (int reg = 0; reg < row.Registers; ++reg) {
            TTakeResult result = TakeOwnRegister(row.CodecOf(reg), reg, taken[static_cast<size_t>(reg)]);
            if (!result.Ok())
                return result;
        }
        break;
    }
    std::copy_n(taken.begin(), row.Registers, values.begin());
    return {};
}

quint16 TParameterCodec::WeightedSum(size_t step) const
{
    quint32 sum = 0;
    for (size_t j = 0; j < m_weights.size(); ++j)
        sum += Checked(m_controls[j * step]) ? m_weights[j] : 0u;
    return static_cast<quint16>(sum);
}

TTakeResult TParameterCodec::TakeRegister(int reg, quint16 &value) const
{
    const TParameterRow &row = *m_row;
    if (reg < 0 || reg >= row.Registers)
        return {TTakeResult::Unbound, nullptr,
                QStringLiteral("Register %1 is outside the %2 registers of its row.").arg(reg).arg(row.Registers)};
    if (m_bound && Traits(row.CodecOf(reg).Kind).PerRegister > 0) {
        quint16 taken = 0;
        TTakeResult result = TakeOwnRegister(row.CodecOf(reg), reg, taken);
        if (result.Ok())
            value = taken;
        return result;
    }
    // The rows that fill their registers from a set of controls or the week program.
    std::array<quint16, kMaxRowRegisters> taken{};
    TTakeResult result = ControlsToRegisters(std::span(taken.data(), static_cast<size_t>(row.Registers)));
    if (result.Ok())
        value = taken[static_cast<size_t>(reg)];
    return result;
}

int TParameterCodec::RegisterOfControl(int controlIndex) const
{
    const int per = Traits(m_row->Codecs.front().Kind).PerRegister;
    return per > 0 ? controlIndex / per : 0;
}

quint16 TParameterCodec::BitOf(const QWidget *control) const
{
    if (m_weights.empty())
        return 0;
    const size_t step = m_controls.size() / m_weights.size();
    const auto found = std::find(m_controls.begin(), m_controls.end(), control);
    return found == m_controls.end() ? 0 : m_weights[static_cast<size_t>(found - m_controls.begin()) / step];
}

quint16 TParameterCodec::Bits() const
{
    quint16 all = 0;
    for (const quint16 weight : m_weights)
        all |= weight;
    return all;
}
