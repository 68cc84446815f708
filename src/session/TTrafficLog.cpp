// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/TTrafficLog.h"

#include <algorithm>

TTrafficLog::TTrafficLog(qsizetype capacity, QObject *parent)
    : QObject(parent), m_slots(static_cast<size_t>(std::max<qsizetype>(capacity, 1)))
{
}

void TTrafficLog::Attach(TModbusClient &client)
{
    client.SetTrafficSink([this](const TTrafficRecord &record) { Add(record); });
}

void TTrafficLog::Add(const TTrafficRecord &record)
{
    TTrafficRecord &slot = m_slots[static_cast<size_t>(m_next)];
    slot = record;
    m_next = (m_next + 1) % Capacity();
    m_size = std::min(m_size + 1, Capacity());
    ++m_added;
    emit RecordAdded(slot);
}

void TTrafficLog::Clear()
{
    for (TTrafficRecord &slot : m_slots)
        slot = {};
    m_next = 0;
    m_size = 0;
    m_added = 0;
    emit Cleared();
}

const TTrafficRecord &TTrafficLog::At(qsizetype index) const
{
    const qsizetype oldest = m_size < Capacity() ? 0 : m_next;
    return m_slots[static_cast<size_t>((oldest + index) % Capacity())];
}
