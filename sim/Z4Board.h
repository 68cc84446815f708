// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Z4Plant.h"
#include "Z4Registers.h"

#include <QDateTime>
#include <QString>

// The register model of a simulated Z4 board: every holding register the service tool reads or
// writes, a plausible factory configuration, a running clock and live measurements that drift.
// The register tables are Z4Registers, the board's life around them Z4Plant; this class routes
// reads and writes between the two. It knows nothing about Modbus transports; Z4SimServer answers
// requests from it.
class Z4Board
{
public:
    explicit Z4Board(const Z4BoardOptions &options = {});

    const Z4BoardOptions &options() const { return m_options; }

    // True when every register of [first, first + count) exists on this board (an empty range, or
    // one running past 0xFFFF, is not covered).
    bool covers(quint16 first, quint16 count) const;

    // The register as a read would answer it (live registers are computed at the call);
    // 0 for an address that does not exist.
    quint16 value(quint16 address) const;

    // Writes one register as a Modbus write would, with the board's side effects (setting the
    // clock, the timer store command, the start/stop command). False when the address does not
    // exist; nothing changes then. Registers the board computes itself (measurements, states,
    // calibration status, version) accept a write and ignore it, as the board does.
    bool write(quint16 address, quint16 value);

    // One step of board life: measurements drift and the outputs follow. The clock runs on the
    // host's clock and needs no stepping.
    void advance();

    // The board's own clock (host time plus the offset set by the last clock write). The board
    // knows no time zone: the result is its plain calendar time, carried with Qt::UTC so that
    // arithmetic on it never meets a daylight-saving gap; it starts at the host's local time.
    QDateTime clock() const { return m_plant.clock(); }

    // How many times the timer program store command (0xA563 at 0x0384) was accepted.
    int timerStoreCount() const { return m_registers.timerStoreCount(); }

    // Configuration registers (0x0200 onwards and the numbers) survive in a state file.
    // save writes atomically; load leaves the board unchanged and explains why on failure.
    bool saveState(const QString &path, QString *error) const;
    bool loadState(const QString &path, QString *error);

private:
    Z4BoardOptions m_options;
    Z4Registers m_registers;
    Z4Plant m_plant;
};
