// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QComboBox>
#include <QFileSystemWatcher>
#include <QTimer>

// The serial devices the PC has, each with what the system says it is, listed again whenever
// something changes in their folder (an adapter plugged or pulled); any other path can be typed.
class TDeviceComboBox : public QComboBox
{
    Q_OBJECT

public:
    explicit TDeviceComboBox(QWidget *parent = nullptr);

    // The devices of folder (/dev unless a test gives another), watched from now on.
    void Watch(const QString &folder);
    void Refresh();
    // The list's choice or the path typed into it.
    QString Device() const { return currentText().trimmed(); }
    // Chooses the device in the list, or shows the path typed when the list has no such device.
    void ShowDevice(const QString &path);

private:
    QString m_folder;
    QFileSystemWatcher m_watch;
    QTimer m_rescan;
};
