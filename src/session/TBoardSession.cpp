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
    if (!m_activeClient)
        return;
    handlers.OnReply = [this, start, own = std::move(handlers.OnReply)](const TModbusAnswer &answer) {
        Learn(start, std::span(answer.Registers.constData(), static_cast<size_t>(answer.Registers.size())));
        if (own)
            own(answer);
    };
    m_activeClient->ReadHoldingRegisters(m_slaveAddress, start, count, m_requestTimeout, Record(std::move(handlers)));
}

std::optional<quint16> TBoardSession::Known(quint16 address) const
{
    if (address >= m_known.size() || m_known[address] < 0)
        return std::nullopt;
    return static_cast<quint16>(m_known[address]);
}

void TBoardSession::Learn(quint16 start, std::span<const quint16> values)
{
    if (m_known.empty())
        m_known.assign(size_t{0x10000}, -1);
    for (size_t k = 0; k < values.size() && start + k < m_known.size(); ++k)
        m_known[start + k] = values[k];
}

void TBoardSession::Forget(quint16 start, size_t count)
{
    for (size_t k = 0; k < count && start + k < m_known.size(); ++k)
        m_known[start + k] = -1;
}

TRequestHandlers TBoardSession::Noted(quint16 start, std::span<const quint16> values, TRequestHandlers handlers)
{
    auto note = std::make_shared<TWriteNote>(TWriteNote{.Start = start,
                                                        .Values = {values.begin(), values.end()},
                                                        .Old = {},
                                                        .Cause = handlers.Cause,
                                                        .What = handlers.What,
                                                        .Names = handlers.Names});
    // What the registers held is what the session knew when the board came to this write: the
    // answers come in request order, so every request before it has been answered then. Taken at
    // the first outcome: a failure the caller repeats makes the registers unknown meanwhile.
    const auto before = [this, note, callerOld = handlers.Old] {
        if (!note->Old.empty())
            return;
        for (size_t k = 0; k < note->Values.size(); ++k)
            note->Old.push_back(Known(static_cast<quint16>(note->Start + k)));
        if (!note->Old.empty() && !note->Old.front())
            note->Old.front() = callerOld;
    };
    // The note goes out first: what a handler does next (another write, a Load's end) follows it.
    const auto tell = [this, note](TWriteNote::Outcome outcome) {
        note->Result = outcome;
        emit WriteDone(*note);
    };
    handlers.OnReply = [this, before, tell, note, own = std::move(handlers.OnReply)](const TModbusAnswer &answer) {
        before();
        Learn(note->Start, note->Values);
        tell(TWriteNote::Taken);
        if (own)
            own(answer);
    };
    handlers.OnRefused = [before, tell, own = std::move(handlers.OnRefused)](const TModbusAnswer &answer) {
        before();
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
    handlers.OnFailed = [this, before, tell, note, answered, isFinal = handlers.FinalFailure,
                         own = std::move(handlers.OnFailed)] {
        before();
        Forget(note->Start, note->Values.size());
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
