// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "session/TBoardSession.h"

#include <memory>

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

TRequestHandlers TBoardSession::Noted(quint16 start, std::span<const quint16> values, TRequestHandlers handlers)
{
    auto note = std::make_shared<TWriteNote>(TWriteNote{.Start = start,
                                                        .Values = {values.begin(), values.end()},
                                                        .Old = handlers.Old,
                                                        .Cause = handlers.Cause,
                                                        .What = handlers.What});
    // The note goes out first: what a handler does next (another write, a Load's end) follows it.
    const auto tell = [this, note](TWriteNote::Outcome outcome) {
        note->Result = outcome;
        emit WriteDone(*note);
    };
    handlers.OnReply = [tell, own = std::move(handlers.OnReply)](const TModbusAnswer &answer) {
        tell(TWriteNote::Taken);
        if (own)
            own(answer);
    };
    handlers.OnRefused = [tell, own = std::move(handlers.OnRefused)](const TModbusAnswer &answer) {
        tell(TWriteNote::Refused);
        if (own)
            own(answer);
    };
    // A failure that will be repeated is told once, with the final outcome. The caller is asked
    // whether a failure is final once: the shared failure handler may have asked already.
    auto answered = std::make_shared<std::optional<bool>>();
    if (handlers.FinalFailure) {
        handlers.FinalFailure = [isFinal = std::move(handlers.FinalFailure), answered] {
            *answered = isFinal();
            return **answered;
        };
    }
    handlers.OnFailed = [tell, answered, isFinal = handlers.FinalFailure, own = std::move(handlers.OnFailed)] {
        const bool final = answered->has_value() ? **answered : (!isFinal || isFinal());
        answered->reset();
        if (final)
            tell(TWriteNote::Failed);
        if (own)
            own();
    };
    return handlers;
}

void TBoardSession::WriteSingle(quint16 address, quint16 value, TRequestHandlers handlers)
{
    if (m_activeClient)
        m_activeClient->WriteSingleRegister(m_slaveAddress, address, value, m_requestTimeout,
                                            Record(Noted(address, std::span(&value, 1), std::move(handlers))));
}

void TBoardSession::WriteMultiple(quint16 start, std::span<const quint16> values, TRequestHandlers handlers)
{
    if (m_activeClient)
        m_activeClient->WriteMultipleRegisters(m_slaveAddress, start, values, m_requestTimeout,
                                               Record(Noted(start, values, std::move(handlers))));
}
