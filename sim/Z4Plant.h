// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>

#include <array>
#include <random>

class Z4Registers;

// The life of a simulated Z4 board: the air-handling unit whose sensors it reads, the board's
// clock, and the regulation that turns measurements and configuration into the live registers
// (inputs, outputs, states). It reads its configuration from, and publishes into, the registers
// it is handed.
class Z4Plant
{
public:
    // The drift of the measurements starts from seed, so that runs are repeatable.
    explicit Z4Plant(quint32 seed);

    // The board's own clock (host time plus the offset set by the last clock write), as plain
    // calendar time carried with Qt::UTC.
    QDateTime clock() const;
    // A clock register (0x0100-0x0103) as a read answers it.
    quint16 clockRegister(quint16 address) const;
    // Replaces the fields of one clock register in the running clock; implausible ones are ignored.
    void writeClock(quint16 address, quint16 value);

    // The hearth command starts a hearth run of the configured time (0 ends one); the air-volume
    // calibration command starts a calibration (0 ends one).
    void commandHearth(const Z4Registers &regs, quint16 value);
    void commandAirVolumeCalibration(quint16 value);

    // One second of life: measurements drift, then publish().
    void advance(Z4Registers &regs);
    // Derives every live register from the unit and the configuration. Consumes no randomness,
    // so writes may call it freely without disturbing the repeatable drift.
    void publish(Z4Registers &regs);

private:
    // The regulation stages a demand is spread over, in the order they engage.
    enum class Stage { Rotor, WaterHeater, ElectricHeater, WaterCooler, DxCooler };

    // The air-handling unit around the board: what its sensors measure. advance() moves it.
    struct Unit
    {
        double outdoor = 8.0;                        // degC
        double supply = 19.3;                        // degC, supply duct after the coils
        double exhaust = 22.0;                       // degC, extract air from the rooms
        double room = 21.5;                          // degC
        std::array<double, 3> volts{3.5, 6.0, 2.0};  // 0-10 V inputs 5-7
        std::array<double, 2> pressure{150, 150};    // Pa at the supply and exhaust fans
        double demand = 50;                          // regulation demand, % (heating > 0, cooling < 0)
        bool winterByOutdoor = true;                 // season choice of the "Auto" season mode
        int runSeconds = 600;                        // since the unit last started
        int hearthSeconds = 0;                       // left of a hearth run
        int airVolumeCalibrationSeconds = 0;         // left of an air-volume calibration
    };

    // What the board decided at the last publish(); advance() steps the unit from it.
    struct Drive
    {
        bool running = false;
        bool winter = true;
        bool fault = false;
        int speed = 0;              // 0 stopped, 1-3
        double setpoint = 20.0;     // effective supply-air set point, degC
        double measuredSupply = 0;  // the supply sensor as the regulation reads it
        bool canHeat = false;
        bool canCool = false;
        std::array<Stage, 3> chain{};  // stages of the current season, in order
        int chainLength = 0;
        std::array<double, 5> stage{};  // output fraction 0..1 per Stage
        double supplyIntensity = 0;     // ventilation intensity in use, 0-120 %
        double exhaustIntensity = 0;
    };

    QDateTime latchedClock(bool renew) const;
    QDateTime clockAt(const QDateTime &hostWall) const;

    // What the input terminal measures (NaN: broken).
    double terminalInput(const Z4Registers &regs, int channel) const;
    // After the I/O test's manual override.
    double applicationInput(const Z4Registers &regs, int channel) const;
    // 1-3, or 0 outside every interval.
    static int weekProgramLevel(const Z4Registers &regs, const QDateTime &boardTime);
    // Pa after offset and gain, 0 supply / 1 exhaust.
    double pressureReading(const Z4Registers &regs, int side) const;
    static bool inWindow(int minute, int start, int stop);

    void decide(const Z4Registers &regs, const QDateTime &boardTime);
    void publishInputs(Z4Registers &regs) const;
    void publishOutputs(Z4Registers &regs) const;
    void publishStates(Z4Registers &regs) const;

    qint64 m_clockOffsetSeconds = 0;
    // A read of the clock registers answers from one snapshot, so that a block read never mixes
    // two seconds (12:59:59 and 13:00:00 giving 12:59:00).
    mutable QDateTime m_clockLatch;
    mutable qint64 m_clockLatchHostMs = 0;
    std::mt19937 m_rng;
    Unit m_unit;
    Drive m_drive;
};
