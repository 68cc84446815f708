// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rule of the parameter edits, one for the window's edits and for z4ctl set: which registers
// are set by typing, which word a typed text becomes, and what each edit accepts.

#include "config/TransferRows.h"

#include <QString>
#include <QStringView>

// Whether configuration item item is set by the user in the window, control by control (its
// boxes, lists and edits write as they are applied): not the week program, the board number and
// the slave address, which buttons of their own write.
bool IsEditedItem(int item);

// Whether register reg of configuration item item is set by typing a value: an edit of an item
// whose controls write as the user applies them. Boxes, lists, the week program and the edits
// written by a button of their own (board number, slave address) are not.
bool IsTypedRegister(int item, int reg);

// What an edit of one of the numeric kinds (Centi .. Tenths) takes from a typed text: the typed
// value in its register's units (21.5 in a Centi edit is 2150, 6 in a Tenths edit 60), whose low
// 16 bits are the word written. NotANumber for a text that is no number, OutOfRange for a number
// no register can hold; the other kinds take nothing from a text.
TNumberTake TakeEditText(TCodecKind kind, QStringView text);
// Whether an edit of kind takes whole numbers only (how a failed take is worded).
bool TakesWholeNumbers(TCodecKind kind);

// What the edit of register reg of row accepts, in the units it is typed in: Min .. Max with
// Decimals places (whole seconds for a register of tenths, minutes after midnight for a time).
struct TEditRange
{
    qint64 Min;
    qint64 Max;
    int Decimals;
    QString Text;  // both ends as the edit shows them: "10 .. 55", "0:00 .. 23:59"
};
TEditRange EditRange(const TParameterRow &row, int reg);

// A text typed into the edit of register reg of row, taken by the edit's rule.
struct TEditTake
{
    enum Outcome {
        Taken,
        Malformed,   // no number of the edit's form, or a time with a part out of its range
        OutOfRange,  // a number outside EditRange
    };
    Outcome Result = Taken;
    quint16 Word = 0;  // Taken: the word written
    QString Error;     // Malformed: what the user is told about the text

    bool Ok() const { return Result == Taken; }
};
// The typed value is checked against the row's limits, not the word it would leave. reg must be
// an edit's register.
TEditTake TakeTyped(const TParameterRow &row, int reg, QStringView text);

// A register of a configuration image holding a value its edit in the window would refuse.
struct TValueOutsideLimits
{
    int Item;
    int Register;  // within the item
    quint16 Value;
    QString Text;     // the value with every digit it needs and its unit: "90 °C", "6.5 sec"
    QString Accepts;  // what the edit takes, with its unit: "10 .. 55 °C"
};
// The registers of items 0 .. items-1 of image whose edits would refuse what they hold (a value
// outside their limits, or tenths of a second where the edit takes whole seconds), in item order.
// Registers shown by boxes and lists have no limits and are never named.
std::vector<TValueOutsideLimits> ValuesOutsideLimits(const ConfigImage &image, int items);
