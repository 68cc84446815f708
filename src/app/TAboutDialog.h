// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>

class QLabel;

// "About Z4 Ventilation": the tool's version, the licences it is shipped under, the settings file
// in use and whether the link's log is on and where it goes, each text selectable so that it can be
// copied into a service report.
class TAboutDialog : public QDialog
{
    Q_OBJECT

public:
    // settingsFile: the settings file in use. logFolder: where the link's log files are (and go when
    // the log is switched on); logOn: whether it is.
    TAboutDialog(const QString &settingsFile, const QString &logFolder, bool logOn, QWidget *parent = nullptr);

    QLabel *VersionLabel;
    QLabel *LicenceLabel;
    QLabel *SettingsFileLabel;
    QLabel *LogFolderLabel;
};
