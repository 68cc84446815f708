#pragma once

#include "link/TModbusClient.h"

#include <QObject>

#include <functional>
#include <span>

// The main window's link state that every page shares: the active client, the slave address,
// the request timeout, the one request record, and whether the line is up. Pages talk to the
// board only through Read and the writes below.
class TBoardSession : public QObject
{
    Q_OBJECT

public:
    using ReplyHandler = std::function<void(const TModbusAnswer &)>;

    explicit TBoardSession(QObject *parent = nullptr) : QObject(parent) {}

    TModbusClient *ActiveClient() const { return m_activeClient; }
    void SetActiveClient(TModbusClient *client) { m_activeClient = client; }
    quint8 SlaveAddress() const { return m_slaveAddress; }
    void SetSlaveAddress(quint8 address) { m_slaveAddress = address; }
    quint32 RequestTimeout() const { return m_requestTimeout; }
    void SetRequestTimeout(quint32 ms) { m_requestTimeout = ms; }
    FunctionsStr &RequestRecord() { return m_record; }
    bool Connected() const { return m_connected; }
    void SetConnected(bool connected) { m_connected = connected; }
    bool LinkOk() const { return m_linkOk; }
    void SetLinkOk(bool ok) { m_linkOk = ok; }

    // Reads registers; onReply decodes the answer. onRefused, when given, is set for this one
    // call and cleared right after it.
    void Read(quint16 start, quint16 count, ReplyHandler onReply, ReplyHandler onRefused = {});
    // Writes without reply handling; a failure still reaches the record's OnFailed.
    void WriteSingle(quint16 address, quint16 value);
    void WriteMultiple(quint16 start, std::span<const quint16> values);
    // Writes one register and then runs onReply with the board's echo.
    void WriteSingle(quint16 address, quint16 value, ReplyHandler onReply);

private:
    TModbusClient *m_activeClient = nullptr;
    quint8 m_slaveAddress = 0;
    quint32 m_requestTimeout = 0;
    FunctionsStr m_record;
    bool m_connected = false;
    bool m_linkOk = false;
};
