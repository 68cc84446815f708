#include "Z4Board.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <bit>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace {

// Addresses the board's own logic works with.
namespace reg {
// Live registers the tool polls.
constexpr quint16 RegulationModeInUse = 0x0000;
constexpr quint16 ServiceOverride = 0x0001;       // 1 while any I/O is in manual override
constexpr quint16 ClockYear = 0x0100;
constexpr quint16 ClockMonthDay = 0x0101;
constexpr quint16 ClockHourMinute = 0x0102;
constexpr quint16 ClockSecondWeekday = 0x0103;
constexpr quint16 InputsAtTerminals = 0x0104;      // column R: 10 float pairs
constexpr quint16 OutputsAtTerminals = 0x0118;     // column R: 8 float pairs
constexpr quint16 DigitalInputsAtTerminals = 0x0128;
constexpr quint16 DigitalOutputsAtTerminals = 0x0129;
constexpr quint16 Pressures = 0x012A;              // 2 float pairs, Pa
constexpr quint16 AirFlows = 0x012E;               // 2 float pairs, m3/h
constexpr quint16 FanSpeed = 0x0132;
constexpr quint16 SupplyTrend = 0x0133;
constexpr quint16 RoomTrend = 0x0135;
constexpr quint16 PressureStopFlags = 0x0136;      // bits 0-1: AIN9, AIN10
constexpr quint16 StopFlags = 0x0137;              // bits 0-7: DIN1-8, bits 8-15: AIN1-8
constexpr quint16 StopCode = 0x0138;
constexpr quint16 Mode = 0x0139;
constexpr quint16 StartStop = 0x013A;
constexpr quint16 Season = 0x013B;
constexpr quint16 SupplyVentilation = 0x013C;      // float pair
constexpr quint16 ExhaustVentilation = 0x013E;     // float pair
constexpr quint16 HearthFlag = 0x0140;
constexpr quint16 HearthSecondsLeft = 0x0141;
constexpr quint16 InputsInUse = 0x016D;            // column A: 10 float pairs
constexpr quint16 OutputsDemanded = 0x0181;        // column A: 8 float pairs
constexpr quint16 DigitalInputsInUse = 0x0191;
constexpr quint16 DigitalOutputsDemanded = 0x0192;
constexpr quint16 RecoveryTemperature = 0x0193;    // float pair
constexpr quint16 RotorPower = 0x0195;             // float pair
constexpr quint16 RotorStates = 0x0197;
constexpr quint16 ControlStates = 0x0198;
constexpr quint16 ControlStatus = 0x0199;
constexpr quint16 Diagnostics = 0x01C5;            // 10 signed words

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
constexpr quint16 ElectricStageOutputs = 0x0252;   // 3 analog outputs
constexpr quint16 ElectricStageDigitalOutputs = 0x0255;  // stages II and III
constexpr quint16 HeatingSequence = 0x0257;
constexpr quint16 WaterCoolerMode = 0x0258;
constexpr quint16 WaterCoolerOutput = 0x025A;
constexpr quint16 DxMode = 0x025E;
constexpr quint16 DxOutputs = 0x025F;              // stages I and II
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
constexpr quint16 SpeedOutputs = 0x0401;           // two outputs per speed I, II, III
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
} // namespace reg

constexpr quint16 kTimerStoreCommand = 0xA563;

struct Block
{
    quint16 first;
    quint16 last;
};

// The registers a Z4 board has; everything else is refused with "illegal data address".
constexpr Block kBlocks[] = {
    {0x0000, 0x0001},  // regulation mode
    {0x0100, 0x0144},  // status block: clock, column R, stop causes, modes
    {0x016D, 0x0199},  // column-A I/O block and heat-recovery states
    {0x01C5, 0x01CE},  // diagnostic values
    {0x0200, 0x0261},  // settings, heating and cooling
    {0x0300, 0x0385},  // cascade, recirculation, I/O test, week timers, numbers
    {0x0400, 0x0432},  // ventilation; 0x0430-0x0432 only on boards with remote control
    {0x04FF, 0x04FF},  // air-volume calibration command
    {0x0500, 0x0536},  // calibration
    {0xE700, 0xE701},  // firmware version, board number
};

// One run of registers holding the same factory value.
struct FactoryRun
{
    quint16 first;
    quint16 count;
    quint16 value;
    const char *note;
};

// The factory configuration: every register of the configuration blocks, each inside the range
// its page accepts. The board and series numbers (0x0382, 0x0385) come from the options instead,
// and the season in use (0x0216) is the board's own.
constexpr FactoryRun kFactory[] = {
    {0x013A, 1, 1, "start/stop command: the unit runs"},
    // Settings page.
    {0x0200, 1, 2000, "supply air set point 20.0 degC"},
    {0x0201, 1, 0, "supply sensor: input 1"},
    {0x0202, 1, 1, "outdoor sensor: input 2"},
    {0x0203, 1, 2, "exhaust sensor: input 3"},
    {0x0204, 1, 500, "anti-freezing temperature 5.0 degC"},
    {0x0205, 1, 0xFFFF, "anti-freezing sensor: none"},
    {0x0206, 1, 0, "rotor on analog output 1"},
    {0x0207, 1, 3, "rotor on digital output 4"},
    {0x0208, 1, 2, "rotor stop time 2 min"},
    {0x0209, 1, 30, "rotor period 30 s"},
    {0x020A, 1, 50, "rotor SPW 0.5"},
    {0x020B, 1, 300, "rotor Kp 3.0"},
    {0x020C, 1, 6000, "rotor Ki 60 s"},
    {0x020D, 1, 30, "T1 30 s"},
    {0x020E, 1, 60, "T2 60 s"},
    {0x020F, 1, 120, "T3 120 s"},
    {0x0210, 1, 5, "active control on digital output 6"},
    {0x0211, 1, 4, "water pump on digital output 5"},
    {0x0212, 1, 0x002B, "stop on DIN1, DIN2, DIN4, DIN6"},
    {0x0213, 1, 0x000F, "stop on a failed sensor AIN1-AIN4"},
    {0x0214, 1, 0, "mode: manual"},
    {0x0215, 1, 2, "season mode: auto"},
    {0x0217, 1, 0, "heater control off"},
    {0x0218, 1, 0, "heater control not inverted"},
    {0x0219, 1, 4, "heater control on input 5"},
    {0x021A, 4, 0, "stop control rows 1-4 off"},
    {0x021E, 4, 0, "stop control rows not inverted"},
    {0x0222, 1, 4, "stop control 1 on input 5"},
    {0x0223, 1, 5, "stop control 2 on input 6"},
    {0x0224, 2, 6, "stop control 3, 4 on input 7"},
    {0x0226, 4, 800, "stop control thresholds 8.0 V"},
    {0x022A, 1, 25, "stop control 1 code STOP"},
    {0x022B, 1, 26, "stop control 2 code HEATER"},
    {0x022C, 1, 27, "stop control 3 code WATER"},
    {0x022D, 1, 28, "stop control 4 code FROST"},
    {0x022E, 4, 0, "output control rows 1-4 off"},
    {0x0232, 4, 0, "output control rows not inverted"},
    {0x0236, 4, 5, "output control rows on input 6"},
    {0x023A, 4, 500, "output control thresholds 5.0 V"},
    {0x023E, 4, 9, "output control rows drive digital output 10"},
    // Heating page.
    {0x0242, 1, 1, "water heater on"},
    {0x0243, 1, 60, "water heater period 60 s"},
    {0x0244, 1, 1, "water heater valve on analog output 2"},
    {0x0245, 1, 200, "valve voltage while off 2.0 V"},
    {0x0246, 1, 50, "water heater SPW 0.5"},
    {0x0247, 1, 500, "water heater Kp 5.0"},
    {0x0248, 1, 12000, "water heater Ki 120 s"},
    {0x0249, 1, 0, "electric heater off"},
    {0x024A, 1, 30, "electric heater period 30 s"},
    {0x024B, 1, 50, "electric heater SPW 0.5"},
    {0x024C, 1, 400, "electric heater Kp 4.0"},
    {0x024D, 1, 9000, "electric heater Ki 90 s"},
    {0x024E, 1, 3, "three electric stages"},
    {0x024F, 1, 34, "stage I power 34 %"},
    {0x0250, 2, 33, "stage II, III power 33 %"},
    {0x0252, 1, 5, "stage I on analog output 6"},
    {0x0253, 1, 6, "stage II on analog output 7"},
    {0x0254, 1, 7, "stage III on analog output 8"},
    {0x0255, 1, 6, "stage II on digital output 7"},
    {0x0256, 1, 7, "stage III on digital output 8"},
    {0x0257, 1, 0, "heating sequence WATER-ELECTRIC"},
    // Cooling page.
    {0x0258, 1, 1, "water cooler on"},
    {0x0259, 1, 60, "water cooler period 60 s"},
    {0x025A, 1, 2, "water cooler valve on analog output 3"},
    {0x025B, 1, 50, "water cooler SPW 0.5"},
    {0x025C, 1, 500, "water cooler Kp 5.0"},
    {0x025D, 1, 12000, "water cooler Ki 120 s"},
    {0x025E, 1, 0, "DX cooling off"},
    {0x025F, 1, 8, "DX stage I on digital output 9"},
    {0x0260, 1, 0xFFFF, "DX stage II: none"},
    {0x0261, 1, 5, "DX stage I->II after 5 min"},
    // Cascade page.
    {0x0300, 1, 0, "regulation: FIXED SP"},
    {0x0301, 1, 2, "temperature difference 2 degC"},
    {0x0302, 1, 2100, "room air 21.0 degC"},
    {0x0303, 1, 3, "room sensor: input 4"},
    {0x0304, 1, 1500, "supply air minimum 15.0 degC"},
    {0x0305, 1, 3000, "supply air maximum 30.0 degC"},
    {0x0306, 1, 800, "maximum difference 8.0 degC"},
    {0x0307, 1, 200, "cascade period: 200 s, or 2.00 s read as hundredths; valid either way"},
    {0x0308, 1, 50, "cascade SPW 0.5"},
    {0x0309, 1, 200, "cascade Kp 2.0"},
    {0x030A, 1, 30000, "cascade Ki 300 s"},
    {0x030B, 1, 0, "recirculation off"},
    {0x030C, 1, 1, "recirculation stops the exhaust fan"},
    {0x030D, 1, 1, "recirculation stops the rotor"},
    {0x030E, 1, 0, "recirculation window inactive"},
    {0x030F, 1, 480, "recirculation from 08:00"},
    {0x0310, 1, 1080, "recirculation to 18:00"},
    // In/Out page: everything automatic.
    {0x0311, 4, 2000, "manual value inputs 1-4: 20.0 degC"},
    {0x0315, 4, 500, "manual value inputs 5-8: 5.0 V"},
    {0x0319, 2, 5000, "manual value inputs 9-10: 50.0 %"},
    {0x031B, 10, 0, "analog inputs automatic"},
    {0x0325, 8, 0, "manual value outputs 1-8: 0"},
    {0x032D, 8, 0, "analog outputs automatic"},
    {0x0335, 1, 0x0000, "digital inputs not inverted"},
    {0x0336, 1, 0x0000, "digital input manual values off"},
    {0x0337, 1, 0x00FF, "digital inputs 1-8 automatic"},
    {0x0338, 1, 0x0000, "digital outputs not inverted"},
    {0x0339, 1, 0x0000, "digital output manual values off"},
    {0x033A, 1, 0x07FF, "digital outputs 1-11 automatic"},
    {0x033B, 3, 600, "simulation times T1-T3 60 s"},
    {0x033E, 1, 0x0000, "simulation channels ON/OFF"},
    {0x033F, 1, 10, "alarm on digital output 11"},
    // Week program, times (minutes after midnight). Weekends: 08:00-12:00 level 1,
    // 12:00-20:00 level 2, interval 3 empty. Working days: 06:00-08:00 level 2,
    // 08:00-17:00 level 3, 17:00-22:00 level 1.
    {0x0340, 1, 480, "Sunday 1 on 08:00"},
    {0x0341, 2, 720, "Sunday 1 off, 2 on 12:00"},
    {0x0343, 3, 1200, "Sunday 2 off 20:00, 3 empty"},
    {0x0346, 1, 360, "Monday 1 on 06:00"},
    {0x0347, 2, 480, "Monday 1 off, 2 on 08:00"},
    {0x0349, 2, 1020, "Monday 2 off, 3 on 17:00"},
    {0x034B, 1, 1320, "Monday 3 off 22:00"},
    {0x034C, 1, 360, "Tuesday 1 on 06:00"},
    {0x034D, 2, 480, "Tuesday 1 off, 2 on 08:00"},
    {0x034F, 2, 1020, "Tuesday 2 off, 3 on 17:00"},
    {0x0351, 1, 1320, "Tuesday 3 off 22:00"},
    {0x0352, 1, 360, "Wednesday 1 on 06:00"},
    {0x0353, 2, 480, "Wednesday 1 off, 2 on 08:00"},
    {0x0355, 2, 1020, "Wednesday 2 off, 3 on 17:00"},
    {0x0357, 1, 1320, "Wednesday 3 off 22:00"},
    {0x0358, 1, 360, "Thursday 1 on 06:00"},
    {0x0359, 2, 480, "Thursday 1 off, 2 on 08:00"},
    {0x035B, 2, 1020, "Thursday 2 off, 3 on 17:00"},
    {0x035D, 1, 1320, "Thursday 3 off 22:00"},
    {0x035E, 1, 360, "Friday 1 on 06:00"},
    {0x035F, 2, 480, "Friday 1 off, 2 on 08:00"},
    {0x0361, 2, 1020, "Friday 2 off, 3 on 17:00"},
    {0x0363, 1, 1320, "Friday 3 off 22:00"},
    {0x0364, 1, 480, "Saturday 1 on 08:00"},
    {0x0365, 2, 720, "Saturday 1 off, 2 on 12:00"},
    {0x0367, 3, 1200, "Saturday 2 off 20:00, 3 empty"},
    // Week program, levels of intervals 1-3 per day.
    {0x036A, 1, 1, "Sunday levels 1"},
    {0x036B, 1, 2, "  2"},
    {0x036C, 1, 0, "  0"},
    {0x036D, 1, 2, "Monday levels 2"},
    {0x036E, 1, 3, "  3"},
    {0x036F, 1, 1, "  1"},
    {0x0370, 1, 2, "Tuesday levels 2"},
    {0x0371, 1, 3, "  3"},
    {0x0372, 1, 1, "  1"},
    {0x0373, 1, 2, "Wednesday levels 2"},
    {0x0374, 1, 3, "  3"},
    {0x0375, 1, 1, "  1"},
    {0x0376, 1, 2, "Thursday levels 2"},
    {0x0377, 1, 3, "  3"},
    {0x0378, 1, 1, "  1"},
    {0x0379, 1, 2, "Friday levels 2"},
    {0x037A, 1, 3, "  3"},
    {0x037B, 1, 1, "  1"},
    {0x037C, 1, 1, "Saturday levels 1"},
    {0x037D, 1, 2, "  2"},
    {0x037E, 1, 0, "  0"},
    // Temperature correction, numbers.
    {0x037F, 1, 0xFFFE, "night correction -2 degC"},
    {0x0380, 1, 1320, "correction from 22:00"},
    {0x0381, 1, 360, "correction to 06:00"},
    {0x0383, 1, 1, "slave address 1"},
    {0x0384, 1, 0, "timer store command register"},
    // Ventilation page.
    {0x0400, 1, 0, "fan mode: 3 speed"},
    {0x0401, 1, 0, "speed I on digital output 1"},
    {0x0402, 1, 0xFFFF, "speed I second output: none"},
    {0x0403, 1, 1, "speed II on digital output 2"},
    {0x0404, 1, 0xFFFF, "speed II second output: none"},
    {0x0405, 1, 2, "speed III on digital output 3"},
    {0x0406, 1, 0xFFFF, "speed III second output: none"},
    {0x0407, 1, 3, "supply fan on analog output 4"},
    {0x0408, 1, 4, "exhaust fan on analog output 5"},
    {0x0409, 1, 0, "fan speed correction off"},
    {0x040A, 1, 0, "correction above"},
    {0x040B, 1, 5, "correction on input 6"},
    {0x040C, 1, 100, "correction Kp 1.0"},
    {0x040D, 1, 50, "correction value 5.0 V"},
    {0x040E, 1, 0, "outdoor temperature influence off"},
    {0x040F, 1, 8, "supply pressure on input 9"},
    {0x0410, 1, 9, "exhaust pressure on input 10"},
    {0x0411, 1, 50, "supply pressure SPW 0.5"},
    {0x0412, 1, 10, "supply pressure period 10 s"},
    {0x0413, 1, 100, "supply pressure Kp 1.0"},
    {0x0414, 1, 2000, "supply pressure Ki 20 s"},
    {0x0415, 1, 50, "exhaust pressure SPW 0.5"},
    {0x0416, 1, 10, "exhaust pressure period 10 s"},
    {0x0417, 1, 100, "exhaust pressure Kp 1.0"},
    {0x0418, 1, 2000, "exhaust pressure Ki 20 s"},
    {0x0419, 1, 2, "speed II"},
    {0x041A, 1, 40, "supply intensity I"},
    {0x041B, 1, 70, "supply intensity II"},
    {0x041C, 1, 100, "supply intensity III"},
    {0x041D, 1, 40, "exhaust intensity I"},
    {0x041E, 1, 70, "exhaust intensity II"},
    {0x041F, 1, 100, "exhaust intensity III"},
    {0x0420, 1, 0, "hearth command: idle"},
    {0x0421, 1, 20, "hearth value +20"},
    {0x0422, 1, 10, "hearth time 10 min"},
    {0x0423, 1, 0, "air volume CAV"},
    {0x0424, 1, 6, "supply air volume on input 7"},
    {0x0425, 1, 50, "supply air volume SPW 0.5"},
    {0x0426, 1, 10, "supply air volume period 10 s"},
    {0x0427, 1, 100, "supply air volume Kp 1.0"},
    {0x0428, 1, 2000, "supply air volume Ki 20 s"},
    {0x0429, 1, 1000, "supply U100 10.0 V"},
    {0x042A, 1, 6, "exhaust air volume on input 7"},
    {0x042B, 1, 50, "exhaust air volume SPW 0.5"},
    {0x042C, 1, 10, "exhaust air volume period 10 s"},
    {0x042D, 1, 100, "exhaust air volume Kp 1.0"},
    {0x042E, 1, 2000, "exhaust air volume Ki 20 s"},
    {0x042F, 1, 1000, "exhaust U100 10.0 V"},
    {0x0430, 1, 0, "remote control: Start/Stop"},
    {0x0431, 1, 60, "remote supply intensity"},
    {0x0432, 1, 60, "remote exhaust intensity"},
    {0x04FF, 1, 0, "air-volume calibration idle"},
    // Calibration page.
    {0x0500, 8, 1, "inputs 1-8 calibrated"},
    {0x0508, 4, 500, "inputs 1-4 low reference 500 mV"},
    {0x050C, 4, 1000, "inputs 5-8 low reference 1000 mV"},
    {0x0510, 4, 1000, "inputs 1-4 high reference 1000 mV"},
    {0x0514, 4, 9000, "inputs 5-8 high reference 9000 mV"},
    {0x0518, 2, 500, "pressure limit 500 Pa"},
    {0x051A, 2, 3000, "maximum flow 3000 m3/h"},
    {0x051C, 2, 0, "pressure offset 0 Pa"},
    {0x051E, 2, 10000, "pressure gain 1.0000"},
    {0x0520, 2, 100, "flow coefficient 100"},
    {0x0522, 5, 1, "outputs 1-5 calibrated"},
    {0x0527, 5, 0, "raw output codes 0"},
    {0x052C, 5, 1000, "outputs low voltage 1000 mV"},
    {0x0531, 5, 9000, "outputs high voltage 9000 mV"},
    {0x0536, 1, 0, "calibration mode off"},
};

// Input 8 has no sensor wired: it always reads a quiet NaN, so the tool's "invalid" display
// can be seen. The factory configuration uses it for nothing.
constexpr int kBrokenInput = 7;
constexpr quint32 kQuietNaN = 0x7FC00000;
constexpr int kAirVolumeCalibrationSeconds = 20;
constexpr int kDigitalOutputs = 11;
// The "Auto" season switches with some hysteresis on the outdoor temperature.
constexpr double kWinterBelow = 10.0;
constexpr double kSummerAbove = 14.0;
// Clock writes outside this range of years are ignored.
constexpr int kFirstYear = 2000;
constexpr int kLastYear = 2099;

constexpr const char *kStateFormat = "z4-board-state";
constexpr int kStateVersion = 1;
constexpr qint64 kMaxStateFileBytes = 1 << 20;

QDateTime hostWallClock()
{
    // The host's local calendar time as a plain value: the board knows no time zone.
    const QDateTime now = QDateTime::currentDateTime();
    return QDateTime(now.date(), now.time(), Qt::UTC);
}

QString hexAddress(int address)
{
    return QStringLiteral("0x") + QString::number(address, 16).toUpper().rightJustified(4, QLatin1Char('0'));
}

bool fail(QString *error, const QString &why)
{
    if (error)
        *error = why;
    return false;
}

// A channel number from a register, or -1 when it is outside [0, count).
int channelOf(qint16 value, int count)
{
    return value >= 0 && value < count ? value : -1;
}

// Degrees or percent as the board's signed hundredths; the lowest word marks "no value".
quint16 hundredths(double value)
{
    if (std::isnan(value))
        return 0x8000;
    return static_cast<quint16>(static_cast<qint16>(std::lround(std::clamp(value * 100.0, -32767.0, 32767.0))));
}

} // namespace

Z4Board::Z4Board(const Z4BoardOptions &options)
    : m_options(options), m_rng(options.seed)
{
    for (const Block &block : kBlocks) {
        for (int address = block.first; address <= block.last; ++address)
            m_exists.set(static_cast<size_t>(address));
    }
    if (!options.remoteControl) {
        for (int address = reg::RemoteControlFirst; address <= reg::RemoteControlLast; ++address)
            m_exists.reset(static_cast<size_t>(address));
    }
    setFactoryConfiguration();
    m_plant.winterByOutdoor = m_plant.outdoor < kWinterBelow;
    publish();
}

void Z4Board::setFactoryConfiguration()
{
    for (const FactoryRun &run : kFactory) {
        for (int k = 0; k < run.count; ++k)
            m_regs[run.first + k] = run.value;
    }
    m_regs[reg::BoardNumber] = m_options.boardNumber;
    m_regs[reg::Series] = m_options.series;
}

bool Z4Board::covers(quint16 first, quint16 count) const
{
    if (count == 0 || int(first) + int(count) > kSpace)
        return false;
    for (int address = first; address < first + count; ++address) {
        if (!m_exists[static_cast<size_t>(address)])
            return false;
    }
    return true;
}

quint16 Z4Board::value(quint16 address) const
{
    if (!m_exists[address])
        return 0;
    if (address < reg::ClockYear || address > reg::ClockSecondWeekday)
        return m_regs[address];
    // Reading the year (the first clock register) takes a new snapshot; the other three answer
    // from it while it is fresh, so one block read sees one instant.
    const QDateTime now = latchedClock(address == reg::ClockYear);
    const QDate date = now.date();
    const QTime time = now.time();
    switch (address) {
    case reg::ClockYear:
        return static_cast<quint16>(date.year());
    case reg::ClockMonthDay:
        return static_cast<quint16>(date.month() << 8 | date.day());
    case reg::ClockHourMinute:
        return static_cast<quint16>(time.hour() << 8 | time.minute());
    default:
        // Qt counts Monday 1 ... Sunday 7; the board counts Sunday 1 ... Saturday 7.
        return static_cast<quint16>(time.second() << 8 | (date.dayOfWeek() % 7 + 1));
    }
}

QDateTime Z4Board::latchedClock(bool renew) const
{
    const qint64 hostMs = QDateTime::currentMSecsSinceEpoch();
    const qint64 age = hostMs - m_clockLatchHostMs;
    if (renew || !m_clockLatch.isValid() || age < 0 || age > 500) {
        m_clockLatch = clock();
        m_clockLatchHostMs = hostMs;
    }
    return m_clockLatch;
}

QDateTime Z4Board::clock() const
{
    return clockAt(hostWallClock());
}

QDateTime Z4Board::clockAt(const QDateTime &hostWall) const
{
    return hostWall.addSecs(m_clockOffsetSeconds);
}

bool Z4Board::write(quint16 address, quint16 value)
{
    if (!m_exists[address])
        return false;
    if (address >= reg::ClockYear && address <= reg::ClockSecondWeekday) {
        writeClock(address, value);
    } else if (isReadOnly(address)) {
        return true;
    } else if (address == reg::TimerStore) {
        if (value == kTimerStoreCommand)
            ++m_timerStores;
        m_regs[address] = value;
    } else if (address == reg::HearthCommand) {
        m_plant.hearthSeconds = value != 0 ? 60 * std::clamp<int>(signedAt(reg::HearthMinutes), 0, 99) : 0;
    } else if (address == reg::AirVolumeCalibration) {
        m_plant.airVolumeCalibrationSeconds = value != 0 ? kAirVolumeCalibrationSeconds : 0;
    } else if (address >= reg::InputLowReference && address < reg::OutputHighVoltage + 5) {
        writeCalibration(address, value);
    } else {
        m_regs[address] = value;
    }
    publish();
    return true;
}

bool Z4Board::isReadOnly(quint16 address) const
{
    // Registers the board computes: measurements, states, calibration results, version.
    return address <= reg::ServiceOverride
        || (address > reg::ClockSecondWeekday && address <= 0x0144 && address != reg::StartStop)
        || (address >= 0x016D && address <= 0x0199) || (address >= 0x01C5 && address <= 0x01CE)
        || address == reg::SeasonInUse || (address >= reg::InputCalibrated && address < reg::InputCalibrated + 8)
        || (address >= reg::OutputCalibrated && address < reg::OutputCalibrated + 5) || address >= reg::Firmware;
}

bool Z4Board::isPersistent(quint16 address) const
{
    // The configuration from 0x0200 on, with the calibration results, without the season in use
    // and the version registers (the board derives them) and without the commands that act at
    // once (timer store, hearth, air-volume calibration, raw output codes and the calibration
    // mode, which a board leaves on power-up).
    if (!m_exists[address] || address < 0x0200 || address == reg::SeasonInUse || address >= reg::Firmware)
        return false;
    return address != reg::TimerStore && address != reg::HearthCommand && address != reg::AirVolumeCalibration
        && !(address >= reg::OutputCode && address < reg::OutputCode + 5) && address != reg::CalibrationMode;
}

void Z4Board::writeClock(quint16 address, quint16 value)
{
    // The tool sets the clock with one block write of 0x0100-0x0103, which arrives here as four
    // register writes in address order. Each one replaces its fields in the running board clock,
    // so the block lands exactly and a single register can be set alone too. A register whose
    // fields are implausible (year outside 2000-2099, month 0 or 13, a day the month does not
    // have, hour above 23, minute or second above 59) is ignored as a whole and the clock runs
    // on unchanged. The weekday byte is not taken: the board derives the weekday from the date.
    // A new year keeps month and day, clamping 29 February to 28 in a year without it.
    const QDateTime host = hostWallClock();
    const QDateTime now = clockAt(host);
    QDate date = now.date();
    QTime time = now.time();
    const int high = value >> 8;
    const int low = value & 0xFF;
    switch (address) {
    case reg::ClockYear: {
        const int year = static_cast<qint16>(value);
        if (year < kFirstYear || year > kLastYear)
            return;
        const QDate first(year, date.month(), 1);
        date = QDate(year, date.month(), std::min(date.day(), first.daysInMonth()));
        break;
    }
    case reg::ClockMonthDay:
        if (!QDate::isValid(date.year(), high, low))
            return;
        date = QDate(date.year(), high, low);
        break;
    case reg::ClockHourMinute:
        if (high > 23 || low > 59)
            return;
        time = QTime(high, low, time.second(), time.msec());
        break;
    default:
        if (high > 59)
            return;
        time = QTime(time.hour(), time.minute(), high, time.msec());
        break;
    }
    const QDateTime target(date, time, Qt::UTC);
    m_clockOffsetSeconds = target.toSecsSinceEpoch() - host.toSecsSinceEpoch();
    m_clockLatch = QDateTime();
}

void Z4Board::writeCalibration(quint16 address, quint16 value)
{
    // In calibration mode a low reference starts a channel's calibration (its status goes out)
    // and the high reference completes it when it lies above the low one. Outside calibration
    // mode the references are only stored.
    m_regs[address] = value;
    if (m_regs[reg::CalibrationMode] == 0)
        return;
    const auto within = [address](quint16 first, int count) { return address >= first && address < first + count; };
    if (within(reg::InputLowReference, 8)) {
        m_regs[reg::InputCalibrated + (address - reg::InputLowReference)] = 0;
    } else if (within(reg::InputHighReference, 8)) {
        const int input = address - reg::InputHighReference;
        m_regs[reg::InputCalibrated + input] = value > m_regs[reg::InputLowReference + input] ? 1 : 0;
    } else if (within(reg::OutputLowVoltage, 5)) {
        m_regs[reg::OutputCalibrated + (address - reg::OutputLowVoltage)] = 0;
    } else if (within(reg::OutputHighVoltage, 5)) {
        const int output = address - reg::OutputHighVoltage;
        m_regs[reg::OutputCalibrated + output] = value > m_regs[reg::OutputLowVoltage + output] ? 1 : 0;
    }
}

void Z4Board::setFloat(quint16 address, float value)
{
    const quint32 bits = std::isnan(value) ? kQuietNaN : std::bit_cast<quint32>(value);
    m_regs[address] = static_cast<quint16>(bits >> 16);
    m_regs[address + 1] = static_cast<quint16>(bits & 0xFFFF);
}

double Z4Board::pressureReading(int side) const
{
    const double gain = signedAt(reg::PressureGain + side) / 10000.0;
    return std::max(0.0, m_plant.pressure[side] * gain + signedAt(reg::PressureOffset + side));
}

double Z4Board::terminalInput(int channel) const
{
    switch (channel) {
    case 0:
        return m_plant.supply;
    case 1:
        return m_plant.outdoor;
    case 2:
        return m_plant.exhaust;
    case 3:
        return m_plant.room;
    case 4:
    case 5:
    case 6:
        return m_plant.volts[channel - 4];
    case kBrokenInput:
        return std::numeric_limits<double>::quiet_NaN();
    default: {
        // Inputs 9 and 10: the fan pressures in percent of their pressure limit.
        const int side = channel - 8;
        const double limit = std::max<int>(1, signedAt(reg::PressureLimit + side));
        return std::clamp(pressureReading(side) / limit * 100.0, 0.0, 100.0);
    }
    }
}

double Z4Board::applicationInput(int channel) const
{
    if (m_regs[reg::InputManual + channel] != 0)
        return signedAt(reg::InputManualValues + channel) / 100.0;
    return terminalInput(channel);
}

bool Z4Board::inWindow(int minute, int start, int stop)
{
    // A daily window [start, stop) in minutes after midnight; it may run over midnight.
    if (start == stop)
        return false;
    return start < stop ? minute >= start && minute < stop : minute >= start || minute < stop;
}

int Z4Board::weekProgramLevel(const QDateTime &boardTime) const
{
    const int day = boardTime.date().dayOfWeek() % 7;  // 0 = Sunday, the program's order
    const int minute = boardTime.time().hour() * 60 + boardTime.time().minute();
    for (int interval = 0; interval < 3; ++interval) {
        const int start = m_regs[reg::WeekTimes + 6 * day + 2 * interval];
        const int stop = m_regs[reg::WeekTimes + 6 * day + 2 * interval + 1];
        const int level = m_regs[reg::WeekLevels + 3 * day + interval];
        if (start <= minute && minute < stop && level >= 1 && level <= 3)
            return level;
    }
    return 0;
}

void Z4Board::publish()
{
    publishInputs();
    decide(clock());
    publishOutputs();
    publishStates();
}

void Z4Board::publishInputs()
{
    for (int ch = 0; ch < kInputs; ++ch) {
        setFloat(reg::InputsAtTerminals + 2 * ch, static_cast<float>(terminalInput(ch)));
        setFloat(reg::InputsInUse + 2 * ch, static_cast<float>(applicationInput(ch)));
    }
    for (int side = 0; side < 2; ++side) {
        // Air flow from the fan's differential pressure: q = k * sqrt(dp), up to the maximum flow.
        const double pressure = pressureReading(side);
        const double coefficient = std::max<int>(0, signedAt(reg::FlowCoefficient + side));
        const double flow = std::min<double>(coefficient * std::sqrt(pressure), m_regs[reg::FlowMaximum + side]);
        setFloat(reg::Pressures + 2 * side, static_cast<float>(pressure));
        setFloat(reg::AirFlows + 2 * side, static_cast<float>(flow));
    }

    // Digital inputs: the start/stop switch (input 5) follows the start/stop command; the alarm
    // contacts rest. The regulation sees them after inversion and manual override.
    const quint16 terminals = m_regs[reg::StartStop] != 0 ? 0x0010 : 0x0000;
    const quint16 automatic = m_regs[reg::DigitalInputAutomatic] & 0x00FF;
    const quint16 inUse = (((terminals ^ m_regs[reg::DigitalInputInvert]) & automatic)
                           | (m_regs[reg::DigitalInputManualValues] & ~automatic)) & 0x00FF;
    m_regs[reg::DigitalInputsAtTerminals] = terminals;
    m_regs[reg::DigitalInputsInUse] = inUse;

    // Stop causes: an active digital input of the stop mask, a failed analog input of the stop
    // mask, or a tripped stop-control row (which also gives the stop code).
    quint16 failedInputs = 0;
    for (int ch = 0; ch < kInputs; ++ch) {
        if ((m_regs[reg::AnalogStopMask] >> ch & 1) && std::isnan(applicationInput(ch)))
            failedInputs |= static_cast<quint16>(1u << ch);
    }
    m_regs[reg::StopFlags] = static_cast<quint16>((inUse & m_regs[reg::DigitalStopMask] & 0x00FF) | (failedInputs & 0x00FF) << 8);
    m_regs[reg::PressureStopFlags] = static_cast<quint16>(failedInputs >> 8);
    quint16 code = 0;
    for (int row = 0; row < 4 && code == 0; ++row) {
        const int input = signedAt(reg::StopControlInput + row);
        if (m_regs[reg::StopControlEnable + row] == 0 || input < 4 || input > 7)
            continue;
        const double volts = applicationInput(input);
        const double threshold = m_regs[reg::StopControlValue + row] / 100.0;
        const bool tripped = m_regs[reg::StopControlInvert + row] != 0 ? volts < threshold : volts > threshold;
        if (!std::isnan(volts) && tripped)
            code = m_regs[reg::StopControlCode + row];
    }
    m_regs[reg::StopCode] = code;
}

void Z4Board::decide(const QDateTime &boardTime)
{
    Drive d;
    const int minute = boardTime.time().hour() * 60 + boardTime.time().minute();
    d.fault = m_regs[reg::StopFlags] != 0 || m_regs[reg::PressureStopFlags] != 0 || m_regs[reg::StopCode] != 0;
    switch (m_regs[reg::SeasonMode]) {
    case 0:
        d.winter = false;
        break;
    case 1:
        d.winter = true;
        break;
    default:
        d.winter = m_plant.winterByOutdoor;
        break;
    }

    // Manual mode runs at the chosen speed; auto mode at the level of the week program's interval.
    const int speed = m_regs[reg::ModeAuto] != 0 ? weekProgramLevel(boardTime)
                                                  : std::clamp<int>(signedAt(reg::Speed), 1, 3);
    d.running = m_regs[reg::StartStop] != 0 && !d.fault && speed > 0;
    d.speed = d.running ? speed : 0;

    // Set point: fixed, or in cascade from the room; then the daily temperature correction.
    const int roomChannel = channelOf(signedAt(reg::RoomSensor), 4);
    const double room = roomChannel >= 0 ? applicationInput(roomChannel) : std::nan("");
    double setPoint = signedAt(reg::SupplySetPoint) / 100.0;
    if (m_regs[reg::RegulationMode] != 0 && !std::isnan(room)) {
        const double roomSetPoint = signedAt(reg::RoomSetPoint) / 100.0;
        const double low = signedAt(reg::SupplyMinimum) / 100.0;
        const double high = signedAt(reg::SupplyMaximum) / 100.0;
        setPoint = roomSetPoint + 3.0 * (roomSetPoint - room);
        if (low <= high)
            setPoint = std::clamp(setPoint, low, high);
    }
    if (inWindow(minute, m_regs[reg::CorrectionStart], m_regs[reg::CorrectionStop]))
        setPoint += signedAt(reg::CorrectionValue);
    d.setpoint = setPoint;
    const int supplyChannel = channelOf(signedAt(reg::SupplySensor), 4);
    d.measuredSupply = supplyChannel >= 0 ? applicationInput(supplyChannel) : std::nan("");

    // The stages of the season in the order they engage. The rotor recovers heat (or cold) only
    // while the exhaust air is warmer (or cooler) than the outdoor air.
    const int outdoorChannel = channelOf(signedAt(reg::OutdoorSensor), 4);
    const int exhaustChannel = channelOf(signedAt(reg::ExhaustSensor), 4);
    const double outdoor = outdoorChannel >= 0 ? applicationInput(outdoorChannel) : std::nan("");
    const double exhaust = exhaustChannel >= 0 ? applicationInput(exhaustChannel) : std::nan("");
    const bool recirculating = m_regs[reg::RecirculationEnabled] != 0 && m_regs[reg::RecirculationActive] != 0
        && inWindow(minute, m_regs[reg::RecirculationStart], m_regs[reg::RecirculationStop]);
    const bool rotorAllowed = !(recirculating && m_regs[reg::RecirculationStopsRotor] != 0);
    const auto add = [&d](Stage stage) { d.chain[d.chainLength++] = stage; };
    if (d.winter) {
        if (rotorAllowed && exhaust > outdoor + 1.0)
            add(Stage::Rotor);
        const bool water = m_regs[reg::WaterHeaterMode] != 0;
        const bool electric = m_regs[reg::ElectricHeaterMode] != 0;
        const bool electricFirst = m_regs[reg::HeatingSequence] == 1;
        if (electricFirst && electric)
            add(Stage::ElectricHeater);
        if (water)
            add(Stage::WaterHeater);
        if (!electricFirst && electric)
            add(Stage::ElectricHeater);
    } else {
        if (rotorAllowed && outdoor > exhaust + 1.0)
            add(Stage::Rotor);
        if (m_regs[reg::WaterCoolerMode] != 0)
            add(Stage::WaterCooler);
        if (m_regs[reg::DxMode] != 0)
            add(Stage::DxCooler);
    }
    d.canHeat = d.winter && d.chainLength > 0;
    d.canCool = !d.winter && d.chainLength > 0;

    // The demand engages the stages one after another, each over an equal share of 0-100 %.
    if (d.running) {
        const double magnitude = std::clamp(d.winter ? m_plant.demand : -m_plant.demand, 0.0, 100.0) / 100.0;
        for (int k = 0; k < d.chainLength; ++k)
            d.stage[static_cast<size_t>(d.chain[k])] = std::clamp(magnitude * d.chainLength - k, 0.0, 1.0);

        double supply = signedAt(reg::SupplyIntensities + speed - 1);
        double exhaustIntensity = signedAt(reg::ExhaustIntensities + speed - 1);
        if (m_plant.hearthSeconds > 0)
            supply += signedAt(reg::HearthValue);
        if (m_regs[reg::FanMode] == 3 || (recirculating && m_regs[reg::RecirculationStopsExhaustFan] != 0))
            exhaustIntensity = 0;
        d.supplyIntensity = std::clamp(supply, 0.0, 120.0);
        d.exhaustIntensity = std::clamp(exhaustIntensity, 0.0, 120.0);
    }
    m_drive = d;
}

void Z4Board::publishOutputs()
{
    const Drive &d = m_drive;
    const auto stage = [&d](Stage s) { return d.stage[static_cast<size_t>(s)]; };

    // Column A: what the regulation asks of each analog output (0-10 V; outputs 6-8 as
    // percent / 10). Two functions on one output: the higher value wins.
    std::array<double, kOutputs> demanded{};
    const auto drive = [&demanded](qint16 output, double volts) {
        if (output >= 0 && output < kOutputs)
            demanded[output] = std::max(demanded[output], std::clamp(volts, 0.0, 10.0));
    };
    const bool waterHeater = m_regs[reg::WaterHeaterMode] != 0;
    // A stopped unit keeps the water valve at its "off" voltage through the winter.
    const double valveOff = d.winter && waterHeater ? signedAt(reg::WaterHeaterOffVoltage) / 100.0 : 0.0;
    drive(signedAt(reg::RotorOutput), 10.0 * stage(Stage::Rotor));
    drive(signedAt(reg::WaterHeaterOutput), d.running ? 10.0 * stage(Stage::WaterHeater) : valveOff);
    drive(signedAt(reg::WaterCoolerOutput), 10.0 * stage(Stage::WaterCooler));
    drive(signedAt(reg::SupplyFanOutput), d.supplyIntensity / 12.0);
    drive(signedAt(reg::ExhaustFanOutput), d.exhaustIntensity / 12.0);
    const int electricStages = std::clamp<int>(signedAt(reg::ElectricStages), 1, 3);
    std::array<double, 3> electric{};
    for (int j = 0; j < electricStages; ++j) {
        electric[j] = std::clamp(stage(Stage::ElectricHeater) * electricStages - j, 0.0, 1.0);
        drive(signedAt(reg::ElectricStageOutputs + j), 10.0 * electric[j]);
    }

    // Column R: what the terminals carry after the I/O test's manual override; in calibration
    // mode outputs 1-5 carry the raw code the calibration page steps (12-bit for outputs 1-2,
    // a doubled 15-bit code for outputs 3-5).
    const bool calibrating = m_regs[reg::CalibrationMode] != 0;
    for (int out = 0; out < kOutputs; ++out) {
        double terminal = demanded[out];
        if (m_regs[reg::OutputManual + out] != 0)
            terminal = signedAt(reg::OutputManualValues + out) / 100.0;
        if (calibrating && out < 5)
            terminal = m_regs[reg::OutputCode + out] * 10.0 / (out < 2 ? 4095.0 : 65536.0);
        setFloat(reg::OutputsDemanded + 2 * out, static_cast<float>(demanded[out]));
        setFloat(reg::OutputsAtTerminals + 2 * out, static_cast<float>(std::clamp(terminal, 0.0, 10.0)));
    }

    quint16 bits = 0;
    const auto set = [&bits](qint16 output, bool on) {
        if (on && output >= 0 && output < kDigitalOutputs)
            bits |= static_cast<quint16>(1u << output);
    };
    if (d.running) {
        set(signedAt(reg::SpeedOutputs + 2 * (d.speed - 1)), true);
        set(signedAt(reg::SpeedOutputs + 2 * (d.speed - 1) + 1), true);
    }
    set(signedAt(reg::ActiveControlOutput), d.running);
    set(signedAt(reg::RotorDigitalOutput), stage(Stage::Rotor) > 0);
    // The pump runs while the water heater heats, and all winter to keep the coil from freezing.
    set(signedAt(reg::WaterPumpOutput), waterHeater && (stage(Stage::WaterHeater) > 0 || d.winter));
    for (int j = 1; j < electricStages; ++j)
        set(signedAt(reg::ElectricStageDigitalOutputs + j - 1), electric[j] > 0);
    set(signedAt(reg::DxOutputs), stage(Stage::DxCooler) > 0);
    set(signedAt(reg::DxOutputs + 1), stage(Stage::DxCooler) > 0.5);
    for (int row = 0; row < 4; ++row) {
        const int input = signedAt(reg::OutputControlInput + row);
        if (m_regs[reg::OutputControlEnable + row] == 0 || input < 4 || input > 7)
            continue;
        const double volts = applicationInput(input);
        const double threshold = m_regs[reg::OutputControlValue + row] / 100.0;
        const bool on = m_regs[reg::OutputControlInvert + row] != 0 ? volts < threshold : volts > threshold;
        set(signedAt(reg::OutputControlOutput + row), !std::isnan(volts) && on);
    }
    set(signedAt(reg::AlarmOutput), d.fault);

    const quint16 automatic = m_regs[reg::DigitalOutputAutomatic] & 0x07FF;
    m_regs[reg::DigitalOutputsDemanded] = bits;
    m_regs[reg::DigitalOutputsAtTerminals] = static_cast<quint16>(
        (((bits & automatic) | (m_regs[reg::DigitalOutputManualValues] & ~automatic)) ^ m_regs[reg::DigitalOutputInvert]) & 0x07FF);
}

void Z4Board::publishStates()
{
    const Drive &d = m_drive;
    const Plant &p = m_plant;
    const auto stage = [&d](Stage s) { return d.stage[static_cast<size_t>(s)]; };

    bool override = (m_regs[reg::DigitalInputAutomatic] & 0x00FF) != 0x00FF
        || (m_regs[reg::DigitalOutputAutomatic] & 0x07FF) != 0x07FF;
    for (int ch = 0; ch < kInputs; ++ch)
        override = override || m_regs[reg::InputManual + ch] != 0;
    for (int out = 0; out < kOutputs; ++out)
        override = override || m_regs[reg::OutputManual + out] != 0;
    m_regs[reg::RegulationModeInUse] = m_regs[reg::RegulationMode];
    m_regs[reg::ServiceOverride] = override ? 1 : 0;

    const int roomChannel = channelOf(signedAt(reg::RoomSensor), 4);
    m_regs[reg::FanSpeed] = static_cast<quint16>(d.speed);
    m_regs[reg::SupplyTrend] = hundredths(d.measuredSupply);
    m_regs[reg::RoomTrend] = hundredths(roomChannel >= 0 ? applicationInput(roomChannel) : std::nan(""));
    m_regs[reg::Mode] = m_regs[reg::ModeAuto] != 0 ? 1 : 0;
    m_regs[reg::Season] = d.winter ? 0x0100 : 0x0000;
    m_regs[reg::SeasonInUse] = d.winter ? 1 : 0;
    setFloat(reg::SupplyVentilation, static_cast<float>(d.supplyIntensity));
    setFloat(reg::ExhaustVentilation, static_cast<float>(d.exhaustIntensity));
    m_regs[reg::HearthFlag] = p.hearthSeconds > 0 ? 0x0100 : 0x0000;
    m_regs[reg::HearthSecondsLeft] = static_cast<quint16>(std::min(p.hearthSeconds, 32767));
    m_regs[reg::HearthCommand] = p.hearthSeconds > 0 ? 1 : 0;
    m_regs[reg::AirVolumeCalibration] = p.airVolumeCalibrationSeconds > 0 ? 1 : 0;

    // Heat recovery: the air temperature after the rotor and the state bytes of its control.
    const double rotor = stage(Stage::Rotor);
    setFloat(reg::RecoveryTemperature, static_cast<float>(p.outdoor + 0.75 * rotor * (p.exhaust - p.outdoor)));
    setFloat(reg::RotorPower, static_cast<float>(100.0 * rotor));
    const bool rotorInChain = d.chainLength > 0 && d.chain[0] == Stage::Rotor;
    int rotorState = 0;  // RS_PASSIVE
    if (d.running && rotorInChain)
        rotorState = (d.winter ? 1 : 4) + (rotor >= 1.0 ? 1 : rotor > 0.0 ? 2 : 0);
    const bool settling = p.runSeconds < std::clamp<int>(signedAt(reg::TimerT1), 0, 300);
    const int rotorControl = !d.running ? 0 : settling ? 2 : 1;  // RT_PASSIVE, RT_STARTING, RT_ACTIVE

    // The stage in charge is the last one engaged (or the first of the season when none is).
    int last = 0;
    for (int k = 0; k < d.chainLength; ++k) {
        if (d.stage[static_cast<size_t>(d.chain[k])] > 0)
            last = k;
    }
    int source = 0;  // RT_CONTROL
    int recoveryState = 0;  // CS_PASSIVE
    if (d.chainLength > 0) {
        const Stage inCharge = d.chain[last];
        const bool full = d.stage[static_cast<size_t>(inCharge)] >= 1.0;
        switch (inCharge) {
        case Stage::Rotor:
            source = 0;
            recoveryState = full ? (d.winter ? 3 : 4) : 2;
            break;
        case Stage::WaterHeater:
            source = -1;
            recoveryState = full ? 7 : 5;
            break;
        case Stage::ElectricHeater:
            source = -2;
            recoveryState = 9;
            break;
        case Stage::WaterCooler:
            source = 1;
            recoveryState = full ? 15 : 13;
            break;
        case Stage::DxCooler:
            source = 2;
            recoveryState = full ? 19 : 17;
            break;
        }
    }
    if (!d.running)
        recoveryState = 0;
    else if (settling)
        recoveryState = 1;  // CS_WAIT_T1
    const int status = !d.running ? 0 : settling ? 2 : 1;  // CS_STOP, CS_START_CONTROL, CS_ACTIVE_CONTROL
    m_regs[reg::RotorStates] = static_cast<quint16>(rotorState << 8 | rotorControl);
    m_regs[reg::ControlStates] = static_cast<quint16>((source & 0xFF) << 8 | recoveryState);
    m_regs[reg::ControlStatus] = static_cast<quint16>(status << 8);

    // Diagnostic values; the first eight are the regulation trend's variables.
    const std::array<quint16, 10> diagnostics{
        hundredths(d.setpoint),
        hundredths(d.measuredSupply),
        hundredths(d.running ? p.demand : 0.0),
        hundredths(100.0 * rotor),
        hundredths(100.0 * stage(Stage::WaterHeater)),
        hundredths(100.0 * stage(Stage::ElectricHeater)),
        hundredths(100.0 * std::max(stage(Stage::WaterCooler), stage(Stage::DxCooler))),
        m_regs[reg::RoomTrend],
        static_cast<quint16>(std::min(p.runSeconds, 32767)),
        static_cast<quint16>(status << 8 | recoveryState),
    };
    std::copy(diagnostics.begin(), diagnostics.end(), m_regs.begin() + reg::Diagnostics);

    m_regs[reg::Firmware] = m_options.firmware;
    m_regs[reg::BoardNumberShown] = m_regs[reg::BoardNumber];
}

void Z4Board::advance()
{
    std::normal_distribution<double> normal(0.0, 1.0);
    const auto noise = [&](double sigma) { return sigma * normal(m_rng); };
    Plant &p = m_plant;
    const Drive &d = m_drive;
    const auto stage = [&d](Stage s) { return d.stage[static_cast<size_t>(s)]; };

    // The weather and the building drift slowly around their usual values.
    p.outdoor = std::clamp(p.outdoor + 0.002 * (8.0 - p.outdoor) + noise(0.05), -25.0, 35.0);
    const double coils = 25.0 * stage(Stage::WaterHeater) + 18.0 * stage(Stage::ElectricHeater)
        - 12.0 * stage(Stage::WaterCooler) - 8.0 * stage(Stage::DxCooler);
    const double supplyTarget = d.running
        ? p.outdoor + 0.75 * stage(Stage::Rotor) * (p.exhaust - p.outdoor) + coils + 0.8
        : 0.3 * p.outdoor + 0.7 * p.room;
    p.supply = std::clamp(p.supply + 0.2 * (supplyTarget - p.supply) + noise(0.03), -30.0, 60.0);
    // The rooms settle between the supply air and their own resting temperature, slowly.
    p.room = std::clamp(p.room + (d.running ? 0.002 * (p.supply - p.room) : 0.0) + 0.002 * (21.5 - p.room) + noise(0.005),
                        10.0, 35.0);
    p.exhaust = std::clamp(p.exhaust + 0.1 * (p.room + 0.5 - p.exhaust) + noise(0.02), 10.0, 40.0);
    constexpr std::array<double, 3> restingVolts{3.5, 6.0, 2.0};
    for (size_t i = 0; i < p.volts.size(); ++i)
        p.volts[i] = std::clamp(p.volts[i] + 0.02 * (restingVolts[i] - p.volts[i]) + noise(0.02), 0.0, 10.0);
    const std::array<double, 2> fans{d.supplyIntensity / 120.0, d.exhaustIntensity / 120.0};
    for (size_t side = 0; side < 2; ++side)
        p.pressure[side] = std::max(0.0, p.pressure[side] + 0.3 * (450.0 * fans[side] * fans[side] - p.pressure[side]) + noise(1.0));

    // The regulation integrates the set-point error into its demand; a stopped unit rests.
    if (!d.running)
        p.demand = 0;
    else if (!std::isnan(d.measuredSupply))
        p.demand += 0.3 * (d.setpoint - d.measuredSupply);
    p.demand = std::clamp(p.demand, d.canCool ? -100.0 : 0.0, d.canHeat ? 100.0 : 0.0);
    p.runSeconds = d.running ? std::min(p.runSeconds + 1, 1 << 30) : 0;
    p.hearthSeconds = std::max(0, p.hearthSeconds - 1);
    p.airVolumeCalibrationSeconds = std::max(0, p.airVolumeCalibrationSeconds - 1);
    if (p.outdoor < kWinterBelow)
        p.winterByOutdoor = true;
    else if (p.outdoor > kSummerAbove)
        p.winterByOutdoor = false;
    publish();
}

bool Z4Board::saveState(const QString &path, QString *error) const
{
    QJsonObject registers;
    for (int address = 0; address < kSpace; ++address) {
        if (isPersistent(static_cast<quint16>(address)))
            registers.insert(hexAddress(address), m_regs[address]);
    }
    const QJsonObject root{
        {QStringLiteral("format"), QLatin1String(kStateFormat)},
        {QStringLiteral("version"), kStateVersion},
        {QStringLiteral("registers"), registers},
    };
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return fail(error, QStringLiteral("cannot open %1 for writing: %2").arg(path, file.errorString()));
    file.write(QJsonDocument(root).toJson(QJsonDocument::Indented));
    if (!file.commit())
        return fail(error, QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
    return true;
}

bool Z4Board::loadState(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(error, QStringLiteral("cannot open the file: %1").arg(file.errorString()));
    if (file.size() > kMaxStateFileBytes)
        return fail(error, QStringLiteral("the file has %1 bytes, far more than a board state").arg(file.size()));
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parse);
    if (parse.error != QJsonParseError::NoError)
        return fail(error, QStringLiteral("not a JSON document: %1 at offset %2").arg(parse.errorString()).arg(parse.offset));
    const QJsonObject root = document.object();
    if (!document.isObject() || root.value(QStringLiteral("format")).toString() != QLatin1String(kStateFormat))
        return fail(error, QStringLiteral("not a board state file (\"format\" is not \"%1\")").arg(QLatin1String(kStateFormat)));
    const QJsonValue version = root.value(QStringLiteral("version"));
    if (!version.isDouble() || version.toDouble() != kStateVersion)
        return fail(error, QStringLiteral("\"version\" is %1; this board reads version %2")
                               .arg(version.isDouble() ? QString::number(version.toDouble()) : QStringLiteral("missing or not a number"))
                               .arg(kStateVersion));
    const QJsonValue registersValue = root.value(QStringLiteral("registers"));
    if (!registersValue.isObject())
        return fail(error, QStringLiteral("\"registers\" is missing or not an object"));

    const QJsonObject registers = registersValue.toObject();
    std::vector<std::pair<quint16, quint16>> values;
    std::bitset<kSpace> seen;
    for (auto it = registers.begin(); it != registers.end(); ++it) {
        const QString key = it.key();
        bool ok = false;
        const uint address = key.size() == 6 && key.startsWith(QLatin1String("0x")) ? key.mid(2).toUInt(&ok, 16) : 0;
        if (!ok)
            return fail(error, QStringLiteral("\"%1\" is not a register address (0x and four hex digits)").arg(key));
        const auto a = static_cast<quint16>(address);
        if (!m_exists[a])
            return fail(error, QStringLiteral("register %1 does not exist on this board").arg(hexAddress(a)));
        if (!isPersistent(a))
            return fail(error, QStringLiteral("register %1 is live or a command and has no place in a state file").arg(hexAddress(a)));
        const QJsonValue v = it.value();
        const double number = v.toDouble(-1);
        if (!v.isDouble() || number < 0 || number > 65535 || number != std::floor(number))
            return fail(error, QStringLiteral("register %1 holds %2, not a whole number from 0 to 65535")
                                   .arg(hexAddress(a), v.isDouble() ? QString::number(number) : QStringLiteral("a non-number")));
        values.emplace_back(a, static_cast<quint16>(number));
        seen.set(a);
    }
    for (int address = 0; address < kSpace; ++address) {
        if (isPersistent(static_cast<quint16>(address)) && !seen[static_cast<size_t>(address)])
            return fail(error, QStringLiteral("register %1 is missing").arg(hexAddress(address)));
    }
    for (const auto &[address, value] : values)
        m_regs[address] = value;
    publish();
    return true;
}
