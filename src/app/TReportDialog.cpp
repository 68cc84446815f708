// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TReportDialog.h"

#include "report/ReportDocument.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLineEdit *Line(QWidget *parent, const QString &name, const QString &text)
{
    auto *edit = new QLineEdit(text, parent);
    edit->setObjectName(name);
    edit->setMinimumWidth(edit->fontMetrics().averageCharWidth() * 44);
    return edit;
}

// An edit with a "Browse..." button after it, in one row of form.
void AddFileRow(QFormLayout *form, const QString &label, QLineEdit *edit, QPushButton *browse)
{
    auto *row = new QHBoxLayout;
    row->addWidget(edit, 1);
    row->addWidget(browse);
    // A label of its own: the form makes one without a buddy for a row that is a layout.
    auto *caption = new QLabel(label, edit->parentWidget());
    caption->setBuddy(edit);
    form->addRow(caption, row);
    browse->setAccessibleName(QStringLiteral("Browse for the %1").arg(label.toLower().remove(QLatin1Char('&'))));
}

}  // namespace

TReportDialog::TReportDialog(const TReportAsk &given, const QString &folder, QWidget *parent)
    : QDialog(parent), m_folder(folder)
{
    setWindowTitle(QStringLiteral("Commissioning Report"));
    setObjectName(QStringLiteral("ReportDialog"));
    auto *intro = new QLabel(QStringLiteral("The report reads the board and writes one document of how the unit "
                                            "is left: its configuration, week program, calibration, forced inputs "
                                            "and outputs and live state."),
                             this);
    intro->setWordWrap(true);

    m_site = Line(this, QStringLiteral("ReportSiteEdit"), given.Site);
    m_unit = Line(this, QStringLiteral("ReportUnitEdit"), given.Unit);
    m_technician = Line(this, QStringLiteral("ReportTechnicianEdit"), given.Technician);
    m_reference = Line(this, QStringLiteral("ReportReferenceEdit"), given.Reference);
    m_reference->setPlaceholderText(QStringLiteral("none: the board's values alone"));
    m_file = Line(this, QStringLiteral("ReportFileEdit"), given.File);
    m_file->setPlaceholderText(QStringLiteral("a .pdf or .html file"));

    auto *form = new QFormLayout;
    form->addRow(QStringLiteral("&Site:"), m_site);
    form->addRow(QStringLiteral("&Unit name:"), m_unit);
    form->addRow(QStringLiteral("&Technician:"), m_technician);
    auto *browseReference = new QPushButton(QStringLiteral("Browse..."), this);
    AddFileRow(form, QStringLiteral("&Reference file:"), m_reference, browseReference);
    auto *browseReport = new QPushButton(QStringLiteral("Browse..."), this);
    AddFileRow(form, QStringLiteral("Report &file:"), m_file, browseReport);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("Make report"));
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(intro);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(browseReference, &QPushButton::clicked, this, &TReportDialog::BrowseReference);
    connect(browseReport, &QPushButton::clicked, this, &TReportDialog::BrowseReport);
    connect(buttons, &QDialogButtonBox::accepted, this, &TReportDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TReportDialog::reject);
}

TReportAsk TReportDialog::Answer() const
{
    return {m_site->text().trimmed(), m_unit->text().trimmed(), m_technician->text().trimmed(),
            m_reference->text().trimmed(), m_file->text().trimmed()};
}

void TReportDialog::accept()
{
    const TReportAsk answer = Answer();
    QString problem;
    if (answer.File.isEmpty())
        problem = QStringLiteral("Give the report file: a .pdf or .html file.");
    else if (!ReportFormatOf(answer.File))
        problem = QStringLiteral("A report is written as .pdf or .html; %1 is neither.").arg(answer.File);
    else if (!answer.Reference.isEmpty() && !QFileInfo(answer.Reference).isFile())
        problem = QStringLiteral("The reference file %1 is not there.").arg(answer.Reference);
    if (!problem.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), problem);
        return;
    }
    QDialog::accept();
}

void TReportDialog::BrowseReference()
{
    const QString file = QFileDialog::getOpenFileName(this, QStringLiteral("Reference Configuration"), m_folder,
                                                      QStringLiteral("Configuration Parameters (*.cnf)"));
    if (!file.isEmpty())
        m_reference->setText(QDir::toNativeSeparators(file));
}

void TReportDialog::BrowseReport()
{
    QFileDialog dialog(this, QStringLiteral("Save Commissioning Report"), m_folder,
                       QStringLiteral("PDF document (*.pdf);;Web page (*.html)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("pdf"));
    connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString &filter) {
        dialog.setDefaultSuffix(filter.contains(QLatin1String("html")) ? QStringLiteral("html")
                                                                       : QStringLiteral("pdf"));
    });
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty())
        m_file->setText(QDir::toNativeSeparators(dialog.selectedFiles().first()));
}
