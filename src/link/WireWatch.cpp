// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/WireWatch.h"

#include <QIODevice>

void TWireWatch::Start(QIODevice *device)
{
    disconnect(m_readyRead);
    if (m_device && m_device != device && m_device->isTransactionStarted())
        m_device->rollbackTransaction();
    m_device = device;
    if (!device || !device->isOpen())
        return;
    if (!device->isTransactionStarted())
        device->startTransaction();
    // Connected after the client's own handler, so it runs once the client has read the bytes.
    m_readyRead = connect(device, &QIODevice::readyRead, this, &TWireWatch::BytesRead);
}

QByteArray TWireWatch::Take()
{
    // A device that closed ended its transaction; whatever it held is gone with it.
    if (!m_device || !m_device->isOpen() || !m_device->isTransactionStarted())
        return {};
    // Only what the client has read: bytes it has not read yet stay for it.
    const qint64 unread = m_device->bytesAvailable();
    m_device->rollbackTransaction();
    QByteArray bytes = m_device->read(m_device->bytesAvailable() - unread);
    m_device->startTransaction();
    return bytes;
}
