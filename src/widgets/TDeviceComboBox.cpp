// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "widgets/TDeviceComboBox.h"

#include "link/SerialDevices.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStyledItemDelegate>

namespace {
constexpr int kDescriptionRole = Qt::UserRole + 1;

// The list shows each path with what the system says it is; the edit shows the path only, so
// that a path typed or chosen reads the same.
class DeviceDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(kDescriptionRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("  \u2013 ") + description;
    }
};
}  // namespace

TDeviceComboBox::TDeviceComboBox(QWidget *parent) : QComboBox(parent)
{
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setItemDelegate(new DeviceDelegate(this));
    view()->setAccessibleName(QStringLiteral("Serial devices found"));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(10);
    lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
    // Devices come and go in bursts (a plugged adapter adds its node and links): list them once
    // the burst is over.
    m_rescan.setSingleShot(true);
    m_rescan.setInterval(300);
    connect(&m_rescan, &QTimer::timeout, this, &TDeviceComboBox::Refresh);
    connect(&m_watch, &QFileSystemWatcher::directoryChanged, &m_rescan, qOverload<>(&QTimer::start));
}

void TDeviceComboBox::Watch(const QString &folder)
{
    if (!m_watch.directories().isEmpty())
        m_watch.removePaths(m_watch.directories());
    m_folder = folder;
    const QString byId = QDir(folder).filePath(QStringLiteral("serial/by-id"));
    for (const QString &path : {folder, QDir(folder).filePath(QStringLiteral("serial")), byId})
        if (QFileInfo(path).isDir())
            m_watch.addPath(path);
    Refresh();
}

void TDeviceComboBox::Refresh()
{
    // The folder "serial" appears with the first USB adapter.
    const QString byId = QDir(m_folder).filePath(QStringLiteral("serial/by-id"));
    if (QFileInfo(byId).isDir() && !m_watch.directories().contains(byId))
        m_watch.addPath(byId);
    const QString current = Device();
    clear();
    for (const TSerialDevice &device : ListSerialDevices(m_folder)) {
        addItem(device.Path);
        setItemData(count() - 1, device.Description, kDescriptionRole);
        setItemData(count() - 1, device.Description, Qt::ToolTipRole);
    }
    ShowDevice(current);
}

void TDeviceComboBox::ShowDevice(const QString &path)
{
    const int found = findText(path);
    if (found >= 0)
        setCurrentIndex(found);
    else
        setEditText(path);
}
