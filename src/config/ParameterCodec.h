#pragma once

#include <QMultiHash>
#include <QString>
#include <QStringList>

#include <span>
#include <vector>

class QWidget;
class TTimersPage;

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

    const TCodec &CodecOf(int reg) const { return Codecs.size() == 1 ? Codecs.front() : Codecs[reg]; }
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
    // kind its codec needs; each problem found is appended to problems as one line. timers
    // serves the week program rows. The codec works only when no problem was found. The row
    // must outlive the codec.
    static TParameterCodec Bind(const TParameterRow &row, const QMultiHash<QString, QWidget *> &named,
                                TTimersPage *timers, QStringList &problems);

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

private:
    explicit TParameterCodec(const TParameterRow &row) : m_row(&row) {}

    void ShowRegister(const TCodec &codec, int reg, quint16 value) const;
    TTakeResult TakeRegister(const TCodec &codec, int reg, quint16 &value) const;

    const TParameterRow *m_row;
    std::vector<QWidget *> m_controls;
    std::vector<quint16> m_weights;  // bit rows: the weight of each box (or pair)
    TTimersPage *m_timers = nullptr;
    bool m_bound = false;
};
