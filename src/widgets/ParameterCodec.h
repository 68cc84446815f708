// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/TransferRows.h"
#include "config/WeekProgram.h"

#include <QMultiHash>
#include <QString>
#include <QStringList>

#include <functional>
#include <span>
#include <vector>

class QWidget;

// The week program image a page holds and shows one day of, for the week program rows.
struct TWeekProgramView
{
    TWeekProgram *Program = nullptr;
    // Shows the selected day again after the image changed.
    std::function<void()> Show;
};

// The minutes word of a time-of-day edit: the value last shown there by the table or accepted
// by the edit's own handler. The take sends this word, never the edit's text, so a refused time
// is never sent. Kept as the edit's dynamic property "HeldMinutes"; 0 until set.
inline constexpr char kHeldMinutesProperty[] = "HeldMinutes";
quint16 HeldMinutes(const QWidget *edit);
void SetHeldMinutes(QWidget *edit, quint16 minutes);

// The text of a time of day as a time edit shows it: with an input mask, a one-digit hour is
// right-aligned with a leading blank (" 8:05"); without one, "8:05".
QString TimeEditText(const QWidget *edit, quint16 minutes);

struct TTakeResult
{
    enum Outcome {
        Taken,
        NotANumber,  // an edit's text (or a combo item's) is not a number of the row's form
        OutOfRange,  // a number that no 16-bit register can hold
        Unbound,     // the row has no controls (its binding failed)
    };
    Outcome Result = Taken;
    QWidget *Control = nullptr;  // the control that could not be taken
    QString Message;             // for the standard error box; names the text

    bool Ok() const { return Result == Taken; }
};

// Every widget under root that has an objectName, by that name.
QMultiHash<QString, QWidget *> NamedControls(QWidget &root);

// A row bound to the controls of the main window.
class TParameterCodec
{
public:
    // Finds the row's controls among named (see NamedControls), each exactly once and of the
    // kind its codec needs; each problem found is appended to problems as one line. week serves
    // the week program rows. The codec works only when no problem was found. The row and the
    // week program must outlive the codec.
    static TParameterCodec Bind(const TParameterRow &row, const QMultiHash<QString, QWidget *> &named,
                                const TWeekProgramView &week, QStringList &problems);

    const TParameterRow &Row() const { return *m_row; }
    bool IsBound() const { return m_bound; }
    // The controls, in the row's order (none for the week program rows).
    const std::vector<QWidget *> &Controls() const { return m_controls; }

    // Sets the controls from values[0 .. Registers-1]. Never emits a user-action signal, so no
    // handler writes back to the board. False (and nothing set) when values is too short or the
    // row is unbound.
    bool RegistersToControls(std::span<const quint16> values) const;
    // Fills values[0 .. Registers-1] from the controls: all of them or, on a failure, none.
    TTakeResult ControlsToRegisters(std::span<quint16> values) const;
    // Takes register reg (0 .. Registers-1) alone from its controls into value, which is left as
    // it was on a failure: what a single write of one edited control sends.
    TTakeResult TakeRegister(int reg, quint16 &value) const;
    // The register a control of the row stands for (its index in Controls() -> register): a box
    // of a row that fills one register from several stands for register 0.
    int RegisterOfControl(int controlIndex) const;
    // Bit-mask rows: the weight of the bit control stands for (a pair's two boxes stand for one);
    // 0 for a control of no bit of the row.
    quint16 BitOf(const QWidget *control) const;
    // Bit-mask rows: every bit a box stands for.
    quint16 Bits() const;

private:
    explicit TParameterCodec(const TParameterRow &row) : m_row(&row) {}

    void ShowRegister(const TCodec &codec, int reg, quint16 value) const;
    TTakeResult TakeOwnRegister(const TCodec &codec, int reg, quint16 &value) const;
    quint16 WeightedSum(size_t step) const;

    const TParameterRow *m_row;
    std::vector<QWidget *> m_controls;
    std::vector<quint16> m_weights;  // bit rows: the weight of each box (or pair)
    TWeekProgramView m_week;
    bool m_bound = false;
};
