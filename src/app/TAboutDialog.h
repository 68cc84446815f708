// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;

// "About Z4 Ventilation": the tool's version, the licences it is shipped under and the folder its
// link's log goes to, each text selectable so that it can be copied into a service report.
class TAboutDialog : public QDialog
{
    Q_OBJECT

public:
    // logFolder: where the link's log files are (and go when the log is switched on).
    TAboutDialog(const QString &logFolder, QWidget *parent = nullptr);

    QLabel *VersionLabel;
    QLabel *LicenceLabel;
    QLabel *LogFolderLabel;
};
