// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class QWidget;

// How the user answered a question.
enum class TChoice {
    Go,      // the button that does what was asked
    Other,   // the second way, where one is offered
    First,   // the step offered before going on, where one is offered; the question then comes again
    Cancel,  // nothing is done
};

// A question before something that changes the board or leaves it. Enter picks Default; Escape
// and closing the box pick Cancel.
struct TQuestion
{
    QString Title;
    QString Text;
    QString GoText;       // the caption of the Go button, saying what it does ("Write 12 items")
    QString OtherText{};  // empty: no second way is offered
    TChoice Default = TChoice::Cancel;
    // A step offered before going on ("Save the board's configuration first..."); empty: none.
    QString FirstText{};
    // What the question is about, one row each, shown under the text in a list that scrolls, under
    // the headings of Columns; no rows: no list.
    QStringList Columns{};
    QList<QStringList> Rows{};
};

// What a commissioning report is made of, as the user gives it in the report dialog.
struct TReportAsk
{
    QString Site;
    QString Unit;        // the unit's name
    QString Technician;  // who makes the report
    QString Reference;   // a configuration file to set beside the board's values; empty: none
    QString File;        // the report to write: .pdf or .html
};

// Every message and file dialog the tool shows to the user goes through here, so that tests
// can record them instead of blocking on a modal box.
class TUserMessages
{
public:
    virtual ~TUserMessages() = default;

    // "Input range error!" titled "Warning" with an exclamation icon and OK; the focus then goes
    // back to the edit.
    virtual void RangeWarning(QWidget *edit) = 0;
    // The range message of an edit whose value is refused: accepts names it and the values it
    // takes ("Supply Air Temp.: 10.0 to 55.0 °C"), titled "Warning" with an exclamation icon and
    // OK; the focus then goes back to the edit. Shown as RangeWarning where not told otherwise.
    virtual void OutOfRange(QWidget *edit, const QString &accepts)
    {
        Q_UNUSED(accepts);
        RangeWarning(edit);
    }
    // The standard error box with the text of the error.
    virtual void ErrorBox(const QString &text) = 0;
    // "Save Configuration Parameters": the chosen file, empty when cancelled.
    virtual QString AskSaveFile() = 0;
    // "Load Configuration Parameters": an existing file, empty when cancelled.
    virtual QString AskOpenFile() = 0;
    // An existing configuration file chosen in a dialog titled title ("Compare Configuration
    // Parameters"); empty when cancelled. Where it is not given its own, AskOpenFile's dialog.
    virtual QString AskOpenFileAs(const QString &title)
    {
        Q_UNUSED(title);
        return AskOpenFile();
    }
    // An existing file of the kind filter names ("Recordings (*.z4rec)") chosen in a dialog titled
    // title; empty when cancelled. Where it is not given its own, AskOpenFileAs's dialog.
    virtual QString AskOpenFileOf(const QString &title, const QString &filter)
    {
        Q_UNUSED(filter);
        return AskOpenFileAs(title);
    }
    // A file to write under title, of the kind filter names ("CSV (*.csv)"), with suffix added
    // when none is typed; empty when cancelled.
    virtual QString AskSaveFileAs(const QString &title, const QString &filter, const QString &suffix) = 0;
    // A question; see TQuestion.
    virtual TChoice Ask(const TQuestion &question) = 0;
    // "Commissioning Report": the site, the unit's name, the technician (as given last), an
    // optional reference file and the report file; nothing when cancelled.
    virtual std::optional<TReportAsk> AskReport() { return std::nullopt; }
};

// The conversion error of a text that is not a whole number, as the error box shows it.
QString NotAnIntegerMessage(const QString &text);
