// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "common/NumberText.h"
#include "config/ConfigItem.h"
#include "link/ModbusLimits.h"

#include <QString>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>
#include <utility>
#include <vector>

// How register words become control states and back. The kinds that work one register at a
// time (edits, combos, flags, automatic/manual pairs) repeat over the registers of their row;
// the others read or fill one register from several check boxes, or the whole week program.
enum class TCodecKind {
    Centi,        // edit: signed value / 100; the text's value x 100, exactly
    CentiU,       // edit: unsigned value / 100; taken as Centi
    Deci,         // edit: signed value / 10; the text's value x 10, exactly
    Int,          // edit: signed decimal
    UInt,         // edit: unsigned decimal
    Tenths,       // edit: unsigned value / 10, whole (the board counts tenths of seconds); text x 10
    Combo,        // combo: item index = signed value + Offset
    ComboByText,  // combo: the item whose text is the signed value
    Flag,         // check box: value != 0
    Choice2,      // two exclusive boxes: the second is checked when value != 0
    Choice2One,   // two exclusive boxes: 0 checks the first, 1 the second, anything else neither
    Choice4,      // four exclusive boxes: value 0..3 checks that box, anything else none
    StageCount,   // three stage boxes: the number checked (the first is always checked)
    Bits,         // check boxes weighted 1, 2, 4 ... by position
    TaggedBits,   // check boxes weighted by their Tag
    BitPairs,     // exclusive pairs: the first box's Tag is the weight, set when the first is checked
    AutoManual,   // per register an A/M pair: 0 = A, else M; taken as 1 when M is checked
    TimeOfDay,    // time edit: minutes after midnight as h:mm; taken from its HeldMinutes word
    WeekTimes,    // the 42 switching times of the week program (7 days x 6)
    WeekLevels,   // the 21 interval levels of the week program (7 days x 3)
};

struct TCodec
{
    TCodecKind Kind;
    int Offset = 0;  // Combo: item index = value + Offset
};

// The controls a codec kind works with.
enum class TControlKind { None, Edit, Combo, Box };
struct TKindTraits
{
    TControlKind Control;
    int PerRegister;  // controls per register; 0 for the kinds that fill one register from a set
};
TKindTraits Traits(TCodecKind kind);

// The values one register of an edit accepts, in the register's own units: what the board stores,
// the typed value times the edit's scale (-50,00 in a Centi edit is -5000). Compared as signed
// values for the signed kinds and as unsigned ones otherwise.
struct TLimits
{
    qint32 Min;
    qint32 Max;

    bool Contains(qint64 raw) const { return raw >= Min && raw <= Max; }
};

// What an edit of kind can put in its register at all: the register's signed or unsigned range,
// whole tenths for Tenths, the minutes of a day for TimeOfDay. Nothing for the other kinds.
std::optional<TLimits> StorableRange(TCodecKind kind);

// The text an edit of kind shows for a register word: 21.5 for 2150 in a Centi edit, the
// signed or unsigned decimal, whole seconds of tenths, h:mm. Nothing for the kinds without an edit.
std::optional<QString> EditText(TCodecKind kind, quint16 value);
// The value of a register word in the units of an edit of kind, with every digit it needs: the
// edit's text, but tenths that a whole-seconds edit drops are kept (6.5 for 65, where the edit
// shows 6), so that no two words read alike. Nothing for the kinds without an edit.
std::optional<QString> ExactEditText(TCodecKind kind, quint16 value);

// One row of the transfer table: a run of registers, the controls that show them and how.
struct TParameterRow
{
    int Item;  // configuration item number; -1 for a codec outside the configuration
    quint16 FirstRegister;
    int Registers;
    // One codec for every register, or one per register.
    std::vector<TCodec> Codecs;
    // objectNames, in register order (bit order for bit rows, bit 0 first; a pair's first box,
    // then its second).
    QStringList Controls;
    // The edits' accepted values, one for every register or one per register; rows without
    // edits have none.
    std::vector<TLimits> Limits = {};
    // The unit shown beside the edits (config/Units.h), for all or one per register; none for
    // unitless values and rows without edits.
    QStringList Units = {};

    const TCodec &CodecOf(int reg) const { return Codecs.size() == 1 ? Codecs.front() : Codecs[reg]; }
    const TLimits &LimitsOf(int reg) const { return Limits.size() == 1 ? Limits.front() : Limits[reg]; }
    QString UnitOf(int reg) const { return Units.empty() ? QString() : Units.size() == 1 ? Units.front() : Units[reg]; }
};

// The longest run one row may span: an item is read in one request and written in one.
inline constexpr int kMaxRowRegisters = std::min(kMaxReadRegisters, kMaxWriteRegisters);

// What is wrong with the row's own shape (codecs, register count, controls for its kind, limits),
// one line each; empty for a sound row. An edit row needs limits for every register, each inside
// what its encoding can store.
QStringList RowShapeProblems(const TParameterRow &row);

// The items whose controls write as soon as the user applies them, first and last of each run:
// Settings to In/Out, the temperature correction, and Ventilation to the calibration page's
// pressure inputs. The week program, numbers and address are written by their buttons.
inline constexpr std::array<std::pair<int, int>, 3> kEditedItems{{{0, 88}, {91, 93}, {96, 139}}};

// The rows of configuration items 0 .. kTransferItems-1, as data.
inline constexpr int kTransferItems = 140;
const std::vector<TParameterRow> &TransferRows();
// Registers that page refresh and single writes code like the rows, but that belong to no
// configuration item: the season (board::Season) and the series number (board::Series).
const std::vector<TParameterRow> &SideRows();

// The unit the edit named objectName shows beside it; empty for an edit without one or a name
// the tables do not have.
QString ControlUnit(const QString &objectName);

// The registers from the first of item first to the last of item last, as one block read.
struct TRegisterBlock
{
    quint16 Start;
    quint16 Count;
};
TRegisterBlock BlockOfItems(int first, int last);

// An image shaped by the table: item i has row i's register run, every value 0, and no file
// names (those come from the definition file).
ConfigImage ImageFromTable();
