// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TAboutDialog.h"

#include "app/Version.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QLabel *Text(QWidget *parent, const char *name, const QString &accessibleName, const QString &text)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setAccessibleName(accessibleName);
    label->setWordWrap(true);
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}
}  // namespace

TAboutDialog::TAboutDialog(const QString &settingsFile, const QString &logFolder, bool logOn, QWidget *parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutDialog"));
    setWindowTitle(QStringLiteral("About %1").arg(QApplication::applicationName()));

    VersionLabel = Text(this, "VersionLabel", QStringLiteral("Version"),
                        QStringLiteral("%1 %2\nService and configuration tool for Z4 air-handling-unit controller "
                                       "boards.\nBuilt with Qt %3, running on Qt %4.")
                            .arg(QApplication::applicationName(), ToolVersionText(), QStringLiteral(QT_VERSION_STR),
                                 QString::fromLatin1(qVersion())));
    LicenceLabel = Text(this, "LicenceLabel", QStringLiteral("Licence"),
                        QStringLiteral("Licence: GNU General Public License, version 3 or later: the terms of the "
                                       "QCustomPlot library the charts are drawn with (GPL-3+). It also uses Qt 6 "
                                       "(GNU LGPL version 3) and SimpleIni (MIT licence). On Debian the licence "
                                       "texts are in /usr/share/common-licenses."));
    SettingsFileLabel = Text(this, "SettingsFileLabel", QStringLiteral("Settings file"),
                             QStringLiteral("Settings file: %1").arg(QDir::toNativeSeparators(settingsFile)));
    LogFolderLabel =
        Text(this, "LogFolderLabel", QStringLiteral("Link log"),
             (logOn ? QStringLiteral("Link log: on, in %1")
                    : QStringLiteral("Link log: off (\"Help\" > \"Link log\" switches it on); it goes to %1"))
                 .arg(QDir::toNativeSeparators(logFolder)));

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton *aboutQt = buttons->addButton(QStringLiteral("About &Qt"), QDialogButtonBox::HelpRole);
    aboutQt->setObjectName(QStringLiteral("AboutQtButton"));
    connect(aboutQt, &QPushButton::clicked, this, [] { QApplication::aboutQt(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(VersionLabel);
    layout->addWidget(LicenceLabel);
    layout->addWidget(SettingsFileLabel);
    layout->addWidget(LogFolderLabel);
    layout->addWidget(buttons);
    // Close has the focus: Enter or Escape closes the box.
    buttons->button(QDialogButtonBox::Close)->setDefault(true);
    setMinimumWidth(420);
}
