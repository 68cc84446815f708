// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/SerialDevices.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSerialPortInfo>

#include <algorithm>

namespace {
// "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0" -> "FTDI FT232R USB UART A50285BI".
QString NameFromId(QString id)
{
    static const QRegularExpression bus(QStringLiteral("^(usb|pci|platform)-"));
    static const QRegularExpression port(QStringLiteral("-if[0-9]+(-port[0-9]+)?$"));
    id.remove(bus);
    id.remove(port);
    return id.replace(QLatin1Char('_'), QLatin1Char(' '));
}

int Rank(const QString &name)
{
    if (name.startsWith(QLatin1String("ttyUSB")))
        return 0;
    if (name.startsWith(QLatin1String("ttyACM")))
        return 1;
    return 2;
}
}  // namespace

QList<TSerialDevice> ListSerialDevices(const QString &folder)
{
    const QDir dev(folder);
    // What the system knows about its ports (only for the real /dev).
    QHash<QString, QString> known;
    if (QFileInfo(folder).canonicalFilePath() == QLatin1String("/dev")) {
        for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts()) {
            QString text = info.description();
            if (!info.manufacturer().isEmpty() && !text.contains(info.manufacturer()))
                text += QStringLiteral(" (%1)").arg(info.manufacturer());
            known.insert(info.portName(), text.trimmed());
        }
    }
    QHash<QString, QString> byId;
    const QDir ids(dev.filePath(QStringLiteral("serial/by-id")));
    for (const QFileInfo &link : ids.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot)) {
        const QString target = QFileInfo(link.symLinkTarget()).fileName();
        if (!target.isEmpty())
            byId.insert(target, NameFromId(link.fileName()));
    }

    QList<TSerialDevice> devices;
    const QStringList names =
        dev.entryList({QStringLiteral("ttyUSB*"), QStringLiteral("ttyACM*"), QStringLiteral("ttyS*")},
                      QDir::System | QDir::Files | QDir::NoDotAndDotDot);
    for (const QString &name : names) {
        const bool builtIn = name.startsWith(QLatin1String("ttyS"));
        if (builtIn && !known.contains(name))
            continue;
        QString description = known.value(name);
        if (description.isEmpty())
            description = byId.value(name);
        devices.append({dev.filePath(name), description});
    }
    std::stable_sort(devices.begin(), devices.end(), [](const TSerialDevice &a, const TSerialDevice &b) {
        const QString na = QFileInfo(a.Path).fileName(), nb = QFileInfo(b.Path).fileName();
        if (Rank(na) != Rank(nb))
            return Rank(na) < Rank(nb);
        // ttyUSB2 before ttyUSB10
        if (na.size() != nb.size())
            return na.size() < nb.size();
        return na < nb;
    });
    return devices;
}
