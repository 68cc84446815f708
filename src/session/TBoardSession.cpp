// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/TBoardSession.h"

FunctionsStr TBoardSession::Record(TRequestHandlers handlers) const
{
    FunctionsStr record;
    record.Repeat = handlers.Repeat;
    record.OnReply = std::move(handlers.OnReply);
    record.OnRefused = std::move(handlers.OnRefused);
    if (!m_sharedFailure || (!handlers.OnFailed && !handlers.FinalFailure)) {
        record.OnFailed = m_sharedFailure ? m_sharedFailure : std::move(handlers.OnFailed);
    } else {
        record.OnFailed = [shared = m_sharedFailure, own = std::move(handlers.OnFailed),
                           isFinal = std::move(handlers.FinalFailure)] {
            if (!isFinal || isFinal())
                shared();
            if (own)
                own();
        };
    }
    return record;
}

void TBoardSession::Read(quint16 start, quint16 count, TRequestHandlers handlers)
{
    if (m_activeClient)
        m_activeClient->ReadHoldingRegisters(m_slaveAddress, start, count, m_requestTimeout,
                                             Record(std::move(handlers)));
}

void TBoardSession::WriteSingle(quint16 address, quint16 value, TRequestHandlers handlers)
{
    if (m_activeClient)
        m_activeClient->WriteSingleRegister(m_slaveAddress, address, value, m_requestTimeout,
                                            Record(std::move(handlers)));
}

void TBoardSession::WriteMultiple(quint16 start, std::span<const quint16> values, TRequestHandlers handlers)
{
    if (m_activeClient)
        m_activeClient->WriteMultipleRegisters(m_slaveAddress, start, values, m_requestTimeout,
                                               Record(std::move(handlers)));
}
