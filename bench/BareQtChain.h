// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The Qt Modbus stack on its own, as the benchmarks' middle peer: reads sent one after another,
// each from the previous one's reply, straight through a bare QModbusClient. What our client
// costs on top of Qt's shows as the difference to it.

#include <QElapsedTimer>
#include <QEventLoop>
#include <QModbusClient>
#include <QModbusReply>

#include <functional>
#include <span>

namespace bench {

struct ReadBlock
{
    quint16 First;
    quint16 Count;
};

struct ChainResult
{
    double Seconds = 0;
    QString Failure;      // empty when every read was answered
    size_t FailedAt = 0;  // the block that failed
};

inline ChainResult BareQtReadChain(QModbusClient &client, int unit, std::span<const ReadBlock> blocks)
{
    ChainResult result;
    QEventLoop loop;
    size_t next = 0;
    std::function<void()> send = [&] {
        QByteArray data;
        for (quint16 word : {blocks[next].First, blocks[next].Count}) {
            data.append(static_cast<char>(word >> 8));
            data.append(static_cast<char>(word & 0xFF));
        }
        QModbusReply *reply = client.sendRawRequest(QModbusRequest(QModbusPdu::ReadHoldingRegisters, data), unit);
        if (!reply) {
            result.Failure = client.errorString();
            loop.quit();
            return;
        }
        QObject::connect(reply, &QModbusReply::finished, &loop, [&, reply] {
            reply->deleteLater();
            if (reply->error() != QModbusDevice::NoError) {
                result.Failure = reply->errorString();
                loop.quit();
            } else if (++next < blocks.size()) {
                send();
            } else {
                loop.quit();
            }
        });
    };
    QElapsedTimer clock;
    clock.start();
    if (!blocks.empty()) {
        send();
        loop.exec();
    }
    result.Seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    result.FailedAt = next;
    return result;
}

}  // namespace bench
