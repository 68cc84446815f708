// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A TUserMessages that records what the tool would have shown instead of opening modal boxes.

#include "session/TUserMessages.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

class MessageRecorder : public TUserMessages
{
public:
    void RangeWarning(QWidget *edit) override
    {
        RangeWarnings.append(edit ? edit->objectName() : QString());
        if (edit)
            edit->setFocus(Qt::OtherFocusReason);
    }
    void OutOfRange(QWidget *edit, const QString &accepts) override
    {
        RangeTexts.append(accepts);
        RangeWarning(edit);
    }
    void ErrorBox(const QString &text) override { Errors.append(text); }
    QString AskSaveFile() override { return SaveAnswer; }
    QString AskOpenFile() override { return OpenAnswer; }
    QString AskOpenFileAs(const QString &title) override
    {
        OpenTitles.append(title);
        return OpenAnswer;
    }
    QString AskSaveFileAs(const QString &, const QString &, const QString &) override { return SaveAnswer; }
    // Answers the next queued choice, or what Enter would pick.
    TChoice Ask(const TQuestion &question) override
    {
        Questions.append(question);
        return Answers.isEmpty() ? question.Default : Answers.takeFirst();
    }

    std::optional<TReportAsk> AskReport() override { return ReportAnswer; }

    void Clear()
    {
        RangeWarnings.clear();
        RangeTexts.clear();
        Errors.clear();
    }

    QStringList RangeWarnings;  // objectName of the edit each warning was about
    QStringList RangeTexts;     // what each range message said the edit accepts, where it said
    QStringList Errors;         // texts of the standard error box
    QString SaveAnswer;
    QString OpenAnswer;
    QStringList OpenTitles;                  // the title of each file dialog opened through AskOpenFileAs, in order
    QList<TQuestion> Questions;              // every question asked, in order
    QList<TChoice> Answers;                  // the answers to give, first first; then the default
    std::optional<TReportAsk> ReportAnswer;  // what the report dialog is given; nothing: cancelled
};
