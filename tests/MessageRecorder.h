// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A TUserMessages that records what the tool would have shown instead of opening modal boxes, and
// a main window built around one for tests.

#include "app/TForm1.h"
#include "session/TUserMessages.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <memory>

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
    QStringList OpenTitles;      // the title of each file dialog opened through AskOpenFileAs, in order
    QList<TQuestion> Questions;  // every question asked, in order
    QList<TChoice> Answers;      // the answers to give, first first; then the default
};

// The main window without the start-up picture, its messages going to a recorder.
struct RecordedForm
{
    RecordedForm()
    {
        auto messages = std::make_unique<MessageRecorder>();
        Messages = messages.get();
        TForm1Options options;
        options.StartupPicture = false;
        Form = std::make_unique<TForm1>(Model, std::move(messages), options);
    }

    // Hidden first, while the whole window still exists: hiding takes the focus out of the focused
    // edit, and its handlers must not run inside the window's destructor.
    ~RecordedForm()
    {
        if (Form)
            Form->hide();
    }
    RecordedForm(const RecordedForm &) = delete;
    RecordedForm &operator=(const RecordedForm &) = delete;

    TForm1 *operator->() const { return Form.get(); }

    TBoardModel Model;                    // outlives the form
    MessageRecorder *Messages = nullptr;  // owned by the form
    std::unique_ptr<TForm1> Form;
};
