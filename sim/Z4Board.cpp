// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "Z4Board.h"

Z4Board::Z4Board(const Z4BoardOptions &options) : m_options(options), m_registers(options), m_plant(options.seed)
{
    m_plant.publish(m_registers);
}

bool Z4Board::covers(quint16 first, quint16 count) const
{
    return m_registers.covers(first, count);
}

quint16 Z4Board::value(quint16 address) const
{
    if (!m_registers.exists(address))
        return 0;
    if (address >= z4reg::ClockYear && address <= z4reg::ClockSecondWeekday)
        return m_plant.clockRegister(address);
    return m_registers[address];
}

bool Z4Board::write(quint16 address, quint16 value)
{
    if (!m_registers.exists(address))
        return false;
    if (address >= z4reg::ClockYear && address <= z4reg::ClockSecondWeekday) {
        m_plant.writeClock(address, value);
    } else if (m_registers.isReadOnly(address)) {
        return true;
    } else if (address == z4reg::HearthCommand) {
        m_plant.commandHearth(m_registers, value);
    } else if (address == z4reg::AirVolumeCalibration) {
        m_plant.commandAirVolumeCalibration(value);
    } else {
        m_registers.write(address, value);
    }
    m_plant.publish(m_registers);
    return true;
}

void Z4Board::advance()
{
    m_plant.advance(m_registers);
}

bool Z4Board::saveState(const QString &path, QString *error) const
{
    return m_registers.saveState(path, error);
}

bool Z4Board::loadState(const QString &path, QString *error)
{
    if (!m_registers.loadState(path, error))
        return false;
    m_plant.publish(m_registers);
    return true;
}
