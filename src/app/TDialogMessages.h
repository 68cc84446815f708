// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/TUserMessages.h"

class QFileDialog;

// The real dialogs, parented to the main window. The file dialogs open in the folder of the file
// chosen last, kept in the settings file of the working folder at construction.
class TDialogMessages : public TUserMessages
{
public:
    explicit TDialogMessages(QWidget *parent);

    void RangeWarning(QWidget *edit) override;
    void OutOfRange(QWidget *edit, const QString &accepts) override;
    void ErrorBox(const QString &text) override;
    QString AskSaveFile() override;
    QString AskOpenFile() override;
    QString AskOpenFileAs(const QString &title) override;
    QString AskOpenFileOf(const QString &title, const QString &filter) override;
    QString AskSaveFileAs(const QString &title, const QString &filter, const QString &suffix) override;
    TChoice Ask(const TQuestion &question) override;
    // The report dialog, starting with the texts the settings file kept; they are kept again.
    std::optional<TReportAsk> AskReport() override;

private:
    // The folder the next file dialog opens in.
    QString StartFolder() const;
    // The file a file dialog closed with, its folder remembered; empty when cancelled.
    QString Chosen(QFileDialog &dialog);

    QWidget *m_parent;
    QString m_settingsPath;
};
