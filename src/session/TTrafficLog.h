// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TModbusClient.h"

#include <QObject>

#include <vector>

// The last Capacity() records of the traffic of the clients attached, oldest first. Keeping one is
// a copy into a slot taken once: the words are shared with the answer, and nothing is decoded or
// drawn until someone looks (the traffic window, z4ctl --trace).
class TTrafficLog : public QObject
{
    Q_OBJECT

public:
    static constexpr qsizetype kDefaultCapacity = 20000;

    explicit TTrafficLog(qsizetype capacity = kDefaultCapacity, QObject *parent = nullptr);

    // From now on every outcome of client's requests is kept here.
    void Attach(TModbusClient &client);
    void Add(const TTrafficRecord &record);
    void Clear();

    qsizetype Capacity() const { return static_cast<qsizetype>(m_slots.size()); }
    qsizetype Size() const { return m_size; }
    // Record index, 0 the oldest kept.
    const TTrafficRecord &At(qsizetype index) const;
    // Records added since the start or the last Clear, including those the ring has dropped since.
    quint64 Added() const { return m_added; }

signals:
    // A record was kept (at Size() - 1).
    void RecordAdded(const TTrafficRecord &record);
    void Cleared();

private:
    std::vector<TTrafficRecord> m_slots;
    qsizetype m_next = 0;  // the slot the next record goes to
    qsizetype m_size = 0;
    quint64 m_added = 0;
};
