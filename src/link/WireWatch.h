// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QObject>
#include <QPointer>

class QIODevice;

// A copy of every byte a Qt Modbus client reads from its socket or serial port, for checks Qt does
// not make (the Modbus TCP header, bytes besides an answer). Qt reads the device in a readyRead
// handler it connected first, taking all that is there; a read transaction kept open on the
// device lets the bytes be read again after it: Take rolls the transaction back, reads what Qt
// read since the last call, and opens the next transaction.
class TWireWatch : public QObject
{
    Q_OBJECT

public:
    explicit TWireWatch(QObject *parent = nullptr) : QObject(parent) {}

    // Watches device from now on (opened; its transactions end when it closes). Bytes Qt reads
    // from it after this call are copied.
    void Start(QIODevice *device);
    // The bytes Qt has read from the device since the last call.
    QByteArray Take();

signals:
    // Qt has read bytes from the device (Take them); raised after Qt has handled them.
    void BytesRead();

private:
    QPointer<QIODevice> m_device;
    QMetaObject::Connection m_readyRead;
};
