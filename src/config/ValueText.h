// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every register value as a person reads it, and back: one text for the window's pages, its
// Verify and Compare lines, the Traffic window, z4ctl and the reports made from them.
//
// A register of the transfer table reads as its control shows it: a number as its edit shows it
// with the unit beside it ("21.5 °C"), a list item by its text ("Auto"), a box as "on" or "off",
// a group of exclusive boxes by the caption of the checked one ("Manual"), a mask as the numbers
// of the inputs or outputs it holds ("1, 2, 4, 6"), a time of day or a switching time of the
// week program as h:mm ("8:00"); a word the control cannot show as itself reads as itself (see
// ControlText). A live reading is its number at its unit's resolution with the
// unit ("8.0 °C"), or what the window says of an invalid one ("no sensor").

#include "config/TransferRows.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <optional>

namespace values {

// The items of the list named control (an objectName of the transfer table, the season's list or
// a week-program level list), in the order the window lists them; empty for any other name.
QStringList ListItems(const QString &control);

// The captions of the exclusive boxes of a Choice2, Choice2One or Choice4 row, in the order the
// codec counts them ("Manual", "Auto"); empty for other rows.
QStringList ChoiceCaptions(const TParameterRow &row);

// The text of word in register reg of row, with the unit shown beside its edit.
QString RegisterText(const TParameterRow &row, int reg, quint16 word);
// The same without the unit: what the control itself shows (the edit's text, the list item). No
// two words of a register read alike: a word the control cannot show as itself reads as itself,
// tenths a whole-seconds edit drops with their digit ("6.5" where the edit shows "6"), a word the
// boxes show as another one with what they show ("2 (shown as on)"), one no list item or box has
// with why ("7 (not in the list)", "5 (no box)").
QString ControlText(const TParameterRow &row, int reg, quint16 word);
// Register reg of configuration item item (a row of the transfer table); an item or register
// the table does not have reads as the signed word.
QString ItemText(int item, int reg, quint16 word);
// The text of word in the board's register address, when a row of the transfer table (or the
// season's or the series number's) holds that register; nothing for any other register.
std::optional<QString> AddressText(quint16 address, quint16 word);

// What register reg of row takes, in words: "Summer, Winter or Auto", "on or off",
// "10 .. 55 °C", "the numbers 1 to 8, e.g. 1, 2, 4", "a time 0:00 .. 23:59".
QString Allowed(const TParameterRow &row, int reg);

// A text taken for register reg of row, by the rule of its control: an edit's number (a unit
// after it may be given), a list item by its text in any case, "on"/"off" for a box, a caption of
// exclusive boxes in any case, the numbers of a mask ("1, 2, 4" or "none"), a time as h:mm. A
// whole number that is no text of the control is taken as the word a configuration file holds
// (for lists, boxes and masks; never for edits, whose numbers are typed values).
struct TTextTake
{
    std::optional<quint16> Word;
    QString Error;  // when nothing is taken: "SeasonMode takes Summer, Winter or Auto"

    bool Ok() const { return Word.has_value(); }
};
// name is how the refusal names the register ("Settings.SeasonMode").
TTextTake TakeText(const TParameterRow &row, int reg, QStringView text, const QString &name);

// How a mask changed from before to after, when reg of row holds a mask: "3 added",
// "3 added, 5 removed"; empty otherwise or when no named bit changed.
QString MaskChange(const TParameterRow &row, int reg, quint16 before, quint16 after);

// A reading of the board's live block, typed: its number, the unit and resolution it is shown
// with, and whether the board marks it valid (with what the window says when it does not).
struct TReading
{
    float Value = 0.0f;
    QString Unit;
    int Decimals = 0;
    bool Valid = false;
    QString InvalidText;  // "no sensor", "invalid", "BAD VALUE"
};
// The general text of a register float: the shortest digits that give the float back, with the
// user's decimal separator.
QString FloatText(float value);
// The value rounded to decimals places, always showing them ("21.0", "0.05"), never "-0.0",
// with the user's decimal separator. A value of a million or more, which no sensor of the board
// gives, is shown as FloatText shows it.
QString RoundedText(float value, int decimals);

// "8.0 °C", "21 Pa"; the invalid text for an invalid reading.
QString ReadingText(const TReading &reading);
// The number alone as the window's edit shows it ("8.0"); the invalid text when invalid.
QString ReadingNumber(const TReading &reading);

}  // namespace values
