// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TSerialModbusClient.h"
#include "link/TTCPModbusClient.h"
#include "session/TBoardLine.h"
#include "session/TBoardSession.h"
#include "session/TLiveState.h"
#include "session/TTrafficLog.h"

// What the tool holds of the board apart from any window: the two clients (one serial, one TCP),
// the session over the active one, the line that opens and follows them, and the live state the
// poll keeps. main() creates it before
// the main window, and it outlives the window, so that no answer ever reaches a window being
// taken apart. The traffic of both clients is kept from the start, for the traffic window; with
// trafficKept 0 none is recorded (z4ctl without --trace).
class TBoardModel
{
public:
    explicit TBoardModel(qsizetype trafficKept = TTrafficLog::kDefaultCapacity) : m_traffic(trafficKept)
    {
        if (trafficKept > 0) {
            m_traffic.Attach(m_tcp);
            m_traffic.Attach(m_serial);
        }
    }
    TBoardModel(const TBoardModel &) = delete;
    TBoardModel &operator=(const TBoardModel &) = delete;

    TTCPModbusClient &TcpClient() { return m_tcp; }
    TSerialModbusClient &SerialClient() { return m_serial; }
    TBoardSession &Session() { return m_session; }
    TBoardLine &Line() { return m_line; }
    TLiveState &Live() { return m_live; }
    TTrafficLog &Traffic() { return m_traffic; }

private:
    TTrafficLog m_traffic;  // first: it outlives the clients that report to it
    TTCPModbusClient m_tcp;
    TSerialModbusClient m_serial;
    TBoardSession m_session;
    TBoardLine m_line{m_session, m_tcp, m_serial};
    TLiveState m_live;
};
