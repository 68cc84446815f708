#pragma once

#include <QDateTime>
#include <QString>

#include <array>
#include <bitset>
#include <cstdint>
#include <random>

// The register model of a simulated Z4 board: every holding register the service tool reads or
// writes, a plausible factory configuration, a running clock and live measurements that drift.
// It knows nothing about Modbus transports; Z4SimServer answers requests from it.
struct Z4BoardOptions
{
    quint16 firmware = 1011;    // 0xE700; version % 100: 11 and up has the series number, 12 and up the extended item set
    quint16 boardNumber = 1;    // 0xE701
    quint16 series = 1;         // 0x0385
    bool remoteControl = true;  // false: 0x0430-0x0432 do not exist (the board refuses them)
    quint32 seed = 1;           // seed of the drifting measurements, so runs are repeatable
};

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
    QDateTime clock() const;

    // How many times the timer program store command (0xA563 at 0x0384) was accepted.
    int timerStoreCount() const { return m_timerStores; }

    // Configuration registers (0x0200 onwards and the numbers) survive in a state file.
    // save writes atomically; load leaves the board unchanged and explains why on failure.
    bool saveState(const QString &path, QString *error) const;
    bool loadState(const QString &path, QString *error);

private:
    static constexpr int kSpace = 0x10000;
    static constexpr int kInputs = 10;   // analog inputs 1-10
    static constexpr int kOutputs = 8;   // analog outputs 1-8

    // The regulation stages a demand is spread over, in the order they engage.
    enum class Stage { Rotor, WaterHeater, ElectricHeater, WaterCooler, DxCooler };

    // The air-handling unit around the board: what its sensors measure. advance() moves it.
    struct Plant
    {
        double outdoor = 8.0;                 // degC
        double supply = 19.3;                 // degC, supply duct after the coils
        double exhaust = 22.0;                // degC, extract air from the rooms
        double room = 21.5;                   // degC
        std::array<double, 3> volts{3.5, 6.0, 2.0};  // 0-10 V inputs 5-7
        std::array<double, 2> pressure{150, 150};  // Pa at the supply and exhaust fans
        double demand = 50;                   // regulation demand, % (heating > 0, cooling < 0)
        bool winterByOutdoor = true;          // season choice of the "Auto" season mode
        int runSeconds = 600;                 // since the unit last started
        int hearthSeconds = 0;                // left of a hearth run
        int airVolumeCalibrationSeconds = 0;  // left of an air-volume calibration
    };

    // What the board decided at the last publish(); advance() steps the plant from it.
    struct Drive
    {
        bool running = false;
        bool winter = true;
        bool fault = false;
        int speed = 0;                        // 0 stopped, 1-3
        double setpoint = 20.0;               // effective supply-air set point, degC
        double measuredSupply = 0;            // the supply sensor as the regulation reads it
        bool canHeat = false;
        bool canCool = false;
        std::array<Stage, 3> chain{};         // stages of the current season, in order
        int chainLength = 0;
        std::array<double, 5> stage{};        // output fraction 0..1 per Stage
        double supplyIntensity = 0;           // ventilation intensity in use, 0-120 %
        double exhaustIntensity = 0;
    };

    void setFactoryConfiguration();
    QDateTime latchedClock(bool renew) const;
    void setFloat(quint16 address, float value);
    qint16 signedAt(quint16 address) const { return static_cast<qint16>(m_regs[address]); }
    bool isReadOnly(quint16 address) const;
    bool isPersistent(quint16 address) const;

    QDateTime clockAt(const QDateTime &hostWall) const;
    void writeClock(quint16 address, quint16 value);
    void writeCalibration(quint16 address, quint16 value);

    double terminalInput(int channel) const;     // what the input terminal measures (NaN: broken)
    double applicationInput(int channel) const;  // after the I/O test's manual override
    int weekProgramLevel(const QDateTime &boardTime) const;  // 1-3, or 0 outside every interval
    double pressureReading(int side) const;      // Pa after offset and gain, 0 supply / 1 exhaust
    static bool inWindow(int minute, int start, int stop);

    // Derives every live register from the plant and the configuration. Consumes no randomness,
    // so writes may call it freely without disturbing the repeatable drift.
    void publish();
    void decide(const QDateTime &boardTime);
    void publishInputs();
    void publishOutputs();
    void publishStates();

    Z4BoardOptions m_options;
    std::array<quint16, kSpace> m_regs{};        // every register of the 16-bit space
    std::bitset<kSpace> m_exists;                // the registers this board has
    qint64 m_clockOffsetSeconds = 0;
    // A read of the clock registers answers from one snapshot, so that a block read never mixes
    // two seconds (12:59:59 and 13:00:00 giving 12:59:00).
    mutable QDateTime m_clockLatch;
    mutable qint64 m_clockLatchHostMs = 0;
    int m_timerStores = 0;
    std::mt19937 m_rng;
    Plant m_plant;
    Drive m_drive;
};
