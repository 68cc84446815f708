#include "app/TBoardSession.h"

void TBoardSession::Read(quint16 start, quint16 count, ReplyHandler onReply, ReplyHandler onRefused)
{
    if (!m_activeClient)
        return;
    m_record.OnReply = std::move(onReply);
    m_record.OnRefused = std::move(onRefused);
    m_activeClient->ReadHoldingRegisters(m_slaveAddress, start, count, m_requestTimeout, m_record);
    m_record.OnRefused = nullptr;
}

void TBoardSession::WriteSingle(quint16 address, quint16 value)
{
    WriteSingle(address, value, nullptr);
}

void TBoardSession::WriteSingle(quint16 address, quint16 value, ReplyHandler onReply)
{
    if (!m_activeClient)
        return;
    m_record.OnReply = std::move(onReply);
    m_record.OnRefused = nullptr;
    m_activeClient->WriteSingleRegister(m_slaveAddress, address, value, m_requestTimeout, m_record);
}

void TBoardSession::WriteMultiple(quint16 start, std::span<const quint16> values)
{
    if (!m_activeClient)
        return;
    m_record.OnReply = nullptr;
    m_record.OnRefused = nullptr;
    m_activeClient->WriteMultipleRegisters(m_slaveAddress, start, values, m_requestTimeout, m_record);
}
