// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "session/TUserMessages.h"

#include <QDialog>

class QLineEdit;

// "Commissioning Report": who makes the report where, an optional reference configuration file
// and the report file (.pdf or .html). OK only with a report file of one of those kinds and, when
// a reference is named, a reference file that is there.
class TReportDialog : public QDialog
{
    Q_OBJECT

public:
    // given: the texts to start with; folder: where the file choosers open.
    TReportDialog(const TReportAsk &given, const QString &folder, QWidget *parent = nullptr);

    TReportAsk Answer() const;
    void accept() override;

private:
    void BrowseReference();
    void BrowseReport();

    QString m_folder;
    QLineEdit *m_site;
    QLineEdit *m_unit;
    QLineEdit *m_technician;
    QLineEdit *m_reference;
    QLineEdit *m_file;
};
