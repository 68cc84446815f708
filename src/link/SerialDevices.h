// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>

// A serial device a board may hang on: its path and, where the system tells it, what it is
// ("FT232R USB UART (FTDI)").
struct TSerialDevice
{
    QString Path;
    QString Description;
};

// The serial devices in folder (the system's /dev unless a test gives another): USB adapters
// (ttyUSB*, ttyACM*) first, then the built-in ports (ttyS*) that have hardware behind them.
// Descriptions come from the system's device database, else from the adapter's name under
// serial/by-id. A built-in port counts as present only where the system lists it, as /dev holds
// ttyS0..ttyS31 whether or not there is a port.
QList<TSerialDevice> ListSerialDevices(const QString &folder = QStringLiteral("/dev"));
