// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TDialogMessages.h"

#include "app/SettingsPlace.h"
#include "app/TQuestionDialog.h"
#include "app/TReportDialog.h"
#include "app/TSettings.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QWidget>

namespace {
const QString kCnfFilter = QStringLiteral("Configuration Parameters (*.cnf)");
}  // namespace

TDialogMessages::TDialogMessages(QWidget *parent) : m_parent(parent), m_settingsPath(SettingsPlace::SettingsFile()) {}

QString TDialogMessages::StartFolder() const
{
    return TSettings::Read(m_settingsPath).DialogFolder(QDir::currentPath());
}

QString TDialogMessages::Chosen(QFileDialog &dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    const QString file = dialog.selectedFiles().first();
    // Not kept (a settings file that cannot be read or written): the next dialog opens as this one did.
    TSettings::RememberFolder(m_settingsPath, file, nullptr);
    return file;
}

void TDialogMessages::RangeWarning(QWidget *edit)
{
    QMessageBox::warning(m_parent, QStringLiteral("Warning"), QStringLiteral("Input range error!"), QMessageBox::Ok);
    if (edit)
        edit->setFocus(Qt::OtherFocusReason);
}

void TDialogMessages::OutOfRange(QWidget *edit, const QString &accepts)
{
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Warning"), accepts, QMessageBox::Ok, m_parent);
    box.setInformativeText(QStringLiteral("The value typed is outside this range; nothing was written."));
    box.exec();
    if (edit)
        edit->setFocus(Qt::OtherFocusReason);
}

void TDialogMessages::ErrorBox(const QString &text)
{
    QMessageBox::critical(m_parent, QApplication::applicationName(), text, QMessageBox::Ok);
}

QString TDialogMessages::AskSaveFile()
{
    return AskSaveFileAs(QStringLiteral("Save Configuration Parameters"), kCnfFilter, QStringLiteral("cnf"));
}

QString TDialogMessages::AskSaveFileAs(const QString &title, const QString &filter, const QString &suffix)
{
    QFileDialog dialog(m_parent, title, StartFolder(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(suffix);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    return Chosen(dialog);
}

QString TDialogMessages::AskOpenFile()
{
    return AskOpenFileAs(QStringLiteral("Load Configuration Parameters"));
}

QString TDialogMessages::AskOpenFileAs(const QString &title)
{
    QFileDialog dialog(m_parent, title, StartFolder(), kCnfFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("cnf"));
    return Chosen(dialog);
}

QString TDialogMessages::AskOpenFileOf(const QString &title, const QString &filter)
{
    QFileDialog dialog(m_parent, title, StartFolder(), filter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    return Chosen(dialog);
}

TChoice TDialogMessages::Ask(const TQuestion &question)
{
    if (!question.Rows.isEmpty() || !question.FirstText.isEmpty()) {
        TQuestionDialog dialog(question, m_parent);
        dialog.exec();
        return dialog.Choice();
    }
    QMessageBox box(QMessageBox::Question, question.Title, question.Text, QMessageBox::NoButton, m_parent);
    QPushButton *go = box.addButton(question.GoText, QMessageBox::AcceptRole);
    QPushButton *other =
        question.OtherText.isEmpty() ? nullptr : box.addButton(question.OtherText, QMessageBox::DestructiveRole);
    QPushButton *cancel = box.addButton(QMessageBox::Cancel);
    box.setEscapeButton(cancel);
    switch (question.Default) {
    case TChoice::Go:
        box.setDefaultButton(go);
        break;
    case TChoice::Other:
        box.setDefaultButton(other ? other : cancel);
        break;
    case TChoice::First:
    case TChoice::Cancel:
        box.setDefaultButton(cancel);
        break;
    }
    box.exec();
    if (box.clickedButton() == go)
        return TChoice::Go;
    if (other && box.clickedButton() == other)
        return TChoice::Other;
    return TChoice::Cancel;
}

std::optional<TReportAsk> TDialogMessages::AskReport()
{
    const TSettings settings = TSettings::Read(m_settingsPath);
    TReportDialog dialog({settings.ReportSite, settings.ReportUnit, settings.ReportTechnician, QString(), QString()},
                         StartFolder(), m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    const TReportAsk answer = dialog.Answer();
    // Not kept (a settings file that cannot be read or written): the next dialog starts empty.
    TSettings::RememberReport(m_settingsPath, answer.Site, answer.Unit, answer.Technician, nullptr);
    TSettings::RememberFolder(m_settingsPath, answer.File, nullptr);
    return answer;
}
