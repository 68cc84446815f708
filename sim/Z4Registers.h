// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

#include <array>
#include <bitset>

// What kind of board is simulated.
struct Z4BoardOptions
{
    quint16 firmware = 1011;  // 0xE700; version % 100: 11 and up has the series number, 12 and up the extended item set
    quint16 boardNumber = 1;  // 0xE701
    quint16 series = 1;       // 0x0385
    bool remoteControl = true;  // false: 0x0430-0x0432 do not exist (the board refuses them)
    quint32 seed = 1;           // seed of the drifting measurements, so runs are repeatable
};

// Addresses the board's own logic works with.
namespace z4reg {
// Live registers the tool polls.
constexpr quint16 RegulationModeInUse = 0x0000;
constexpr quint16 ServiceOverride = 0x0001;  // 1 while any I/O is in manual override
constexpr quint16 ClockYear = 0x0100;
constexpr quint16 ClockMonthDay = 0x0101;
constexpr quint16 ClockHourMinute = 0x0102;
constexpr quint16 ClockSecondWeekday = 0x0103;
constexpr quint16 InputsAtTerminals = 0x0104;   // column R: 10 float pairs
constexpr quint16 OutputsAtTerminals = 0x0118;  // column R: 8 float pairs
constexpr quint16 DigitalInputsAtTerminals = 0x0128;
constexpr quint16 DigitalOutputsAtTerminals = 0x0129;
constexpr quint16 Pressures = 0x012A;  // 2 float pairs, Pa
constexpr quint16 AirFlows = 0x012E;   // 2 float pairs, m3/h
constexpr quint16 FanSpeed = 0x0132;
constexpr quint16 SupplyTrend = 0x0133;
constexpr quint16 RoomTrend = 0x0135;
constexpr quint16 PressureStopFlags = 0x0136;  // bits 0-1: AIN9, AIN10
constexpr quint16 StopFlags = 0x0137;          // bits 0-7: DIN1-8, bits 8-15: AIN1-8
constexpr quint16 StopCode = 0x0138;
constexpr quint16 Mode = 0x0139;
constexpr quint16 StartStop = 0x013A;
constexpr quint16 Season = 0x013B;
constexpr quint16 SupplyVentilation = 0x013C;   // float pair
constexpr quint16 ExhaustVentilation = 0x013E;  // float pair
constexpr quint16 HearthFlag = 0x0140;
constexpr quint16 HearthSecondsLeft = 0x0141;
constexpr quint16 InputsInUse = 0x016D;      // column A: 10 float pairs
constexpr quint16 OutputsDemanded = 0x0181;  // column A: 8 float pairs
constexpr quint16 DigitalInputsInUse = 0x0191;
constexpr quint16 DigitalOutputsDemanded = 0x0192;
constexpr quint16 RecoveryTemperature = 0x0193;  // float pair
constexpr quint16 RotorPower = 0x0195;           // float pair
constexpr quint16 RotorStates = 0x0197;
constexpr quint16 ControlStates = 0x0198;
constexpr quint16 ControlStatus = 0x0199;
constexpr quint16 Diagnostics = 0x01C5;  // 10 signed words

// Configuration.
constexpr quint16 SupplySetPoint = 0x0200;
constexpr quint16 SupplySensor = 0x0201;
constexpr quint16 OutdoorSensor = 0x0202;
constexpr quint16 ExhaustSensor = 0x0203;
constexpr quint16 RotorOutput = 0x0206;
constexpr quint16 RotorDigitalOutput = 0x0207;
constexpr quint16 TimerT1 = 0x020D;
constexpr quint16 ActiveControlOutput = 0x0210;
constexpr quint16 WaterPumpOutput = 0x0211;
constexpr quint16 DigitalStopMask = 0x0212;
constexpr quint16 AnalogStopMask = 0x0213;
constexpr quint16 ModeAuto = 0x0214;
constexpr quint16 SeasonMode = 0x0215;
constexpr quint16 SeasonInUse = 0x0216;
constexpr quint16 StopControlEnable = 0x021A;
constexpr quint16 StopControlInvert = 0x021E;
constexpr quint16 StopControlInput = 0x0222;
constexpr quint16 StopControlValue = 0x0226;
constexpr quint16 StopControlCode = 0x022A;
constexpr quint16 OutputControlEnable = 0x022E;
constexpr quint16 OutputControlInvert = 0x0232;
constexpr quint16 OutputControlInput = 0x0236;
constexpr quint16 OutputControlValue = 0x023A;
constexpr quint16 OutputControlOutput = 0x023E;
constexpr quint16 WaterHeaterMode = 0x0242;
constexpr quint16 WaterHeaterOutput = 0x0244;
constexpr quint16 WaterHeaterOffVoltage = 0x0245;
constexpr quint16 ElectricHeaterMode = 0x0249;
constexpr quint16 ElectricStages = 0x024E;
constexpr quint16 ElectricStageOutputs = 0x0252;         // 3 analog outputs
constexpr quint16 ElectricStageDigitalOutputs = 0x0255;  // stages II and III
constexpr quint16 HeatingSequence = 0x0257;
constexpr quint16 WaterCoolerMode = 0x0258;
constexpr quint16 WaterCoolerOutput = 0x025A;
constexpr quint16 DxMode = 0x025E;
constexpr quint16 DxOutputs = 0x025F;  // stages I and II
constexpr quint16 RegulationMode = 0x0300;
constexpr quint16 RoomSetPoint = 0x0302;
constexpr quint16 RoomSensor = 0x0303;
constexpr quint16 SupplyMinimum = 0x0304;
constexpr quint16 SupplyMaximum = 0x0305;
constexpr quint16 RecirculationEnabled = 0x030B;
constexpr quint16 RecirculationStopsExhaustFan = 0x030C;
constexpr quint16 RecirculationStopsRotor = 0x030D;
constexpr quint16 RecirculationActive = 0x030E;
constexpr quint16 RecirculationStart = 0x030F;
constexpr quint16 RecirculationStop = 0x0310;
constexpr quint16 InputManualValues = 0x0311;
constexpr quint16 InputManual = 0x031B;
constexpr quint16 OutputManualValues = 0x0325;
constexpr quint16 OutputManual = 0x032D;
constexpr quint16 DigitalInputInvert = 0x0335;
constexpr quint16 DigitalInputManualValues = 0x0336;
constexpr quint16 DigitalInputAutomatic = 0x0337;
constexpr quint16 DigitalOutputInvert = 0x0338;
constexpr quint16 DigitalOutputManualValues = 0x0339;
constexpr quint16 DigitalOutputAutomatic = 0x033A;
constexpr quint16 AlarmOutput = 0x033F;
constexpr quint16 WeekTimes = 0x0340;
constexpr quint16 WeekLevels = 0x036A;
constexpr quint16 CorrectionValue = 0x037F;
constexpr quint16 CorrectionStart = 0x0380;
constexpr quint16 CorrectionStop = 0x0381;
constexpr quint16 BoardNumber = 0x0382;
constexpr quint16 TimerStore = 0x0384;
constexpr quint16 Series = 0x0385;
constexpr quint16 FanMode = 0x0400;
constexpr quint16 SpeedOutputs = 0x0401;  // two outputs per speed I, II, III
constexpr quint16 SupplyFanOutput = 0x0407;
constexpr quint16 ExhaustFanOutput = 0x0408;
constexpr quint16 Speed = 0x0419;
constexpr quint16 SupplyIntensities = 0x041A;
constexpr quint16 ExhaustIntensities = 0x041D;
constexpr quint16 HearthCommand = 0x0420;
constexpr quint16 HearthValue = 0x0421;
constexpr quint16 HearthMinutes = 0x0422;
constexpr quint16 RemoteControlFirst = 0x0430;
constexpr quint16 RemoteControlLast = 0x0432;
constexpr quint16 AirVolumeCalibration = 0x04FF;
constexpr quint16 InputCalibrated = 0x0500;
constexpr quint16 InputLowReference = 0x0508;
constexpr quint16 InputHighReference = 0x0510;
constexpr quint16 PressureLimit = 0x0518;
constexpr quint16 FlowMaximum = 0x051A;
constexpr quint16 PressureOffset = 0x051C;
constexpr quint16 PressureGain = 0x051E;
constexpr quint16 FlowCoefficient = 0x0520;
constexpr quint16 OutputCalibrated = 0x0522;
constexpr quint16 OutputCode = 0x0527;
constexpr quint16 OutputLowVoltage = 0x052C;
constexpr quint16 OutputHighVoltage = 0x0531;
constexpr quint16 CalibrationMode = 0x0536;
constexpr quint16 Firmware = 0xE700;
constexpr quint16 BoardNumberShown = 0xE701;
}  // namespace z4reg

// The register tables of a simulated Z4 board: which registers exist, which ones the board
// computes itself, the factory configuration and the state file the configuration survives in.
// It stores what it is given; the board's live registers come from Z4Plant.
class Z4Registers
{
public:
    static constexpr int kSpace = 0x10000;
    static constexpr int kInputs = 10;          // analog inputs 1-10
    static constexpr int kOutputs = 8;          // analog outputs 1-8
    static constexpr int kDigitalOutputs = 11;  // digital outputs 1-11

    // The registers of the options' board, holding the factory configuration.
    explicit Z4Registers(const Z4BoardOptions &options);

    bool exists(quint16 address) const { return m_exists[address]; }
    // True when every register of [first, first + count) exists (an empty range, or one running
    // past 0xFFFF, is not covered).
    bool covers(quint16 first, quint16 count) const;
    // Registers the board computes: measurements, states, calibration results, version.
    bool isReadOnly(quint16 address) const;

    quint16 operator[](quint16 address) const { return m_regs[address]; }
    qint16 signedAt(quint16 address) const { return static_cast<qint16>(m_regs[address]); }
    void set(quint16 address, quint16 value) { m_regs[address] = value; }
    // A float as the board sends it: high word first, a NaN always as the quiet NaN.
    void setFloat(quint16 address, float value);

    // Stores a register the tool writes, with what the board does on it: counts the timer store
    // command, shows a new board number, and in calibration mode moves the calibration status of
    // the channel whose reference changed.
    void write(quint16 address, quint16 value);

    // How many times the timer program store command (0xA563 at 0x0384) was accepted.
    int timerStoreCount() const { return m_timerStores; }

    // Configuration registers (0x0200 onwards and the numbers) survive in a state file.
    // save writes atomically; load leaves the registers unchanged and explains why on failure.
    bool saveState(const QString &path, QString *error) const;
    bool loadState(const QString &path, QString *error);

private:
    bool isPersistent(quint16 address) const;
    void writeCalibration(quint16 address, quint16 value);

    std::array<quint16, kSpace> m_regs{};  // every register of the 16-bit space
    std::bitset<kSpace> m_exists;          // the registers this board has
    int m_timerStores = 0;
};
