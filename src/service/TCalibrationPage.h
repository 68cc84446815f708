#pragma once

#include "widgets/TPage.h"

#include <array>
#include <span>

class QCheckBox;
class TAdvEdit;
class TLed;
class TUpDown;
struct TModbusAnswer;

// The "Calibration" page: calibrates the analog inputs AIN1-AIN8 against a low and a high
// reference, sets up the pressure inputs AIN9 and AIN10, calibrates the analog outputs
// AOUT1-AOUT5 by driving raw codes, and switches the board's calibration mode.
class TCalibrationPage : public TPage
{
    Q_OBJECT

public:
    TCalibrationPage(TPageContext &context, QWidget *parent = nullptr);

    // Which inputs (Ain1..Ain8) and outputs (Aout1..Aout5) the board holds as calibrated: their
    // lamps are read from the board's calibration status registers.
    void InputStatusRead();
    void OutputStatusRead();
    // The usual references of input 1 and output 1, which the page starts with.
    void ShowStartReferences();
    // The pressure-input parameters, the calibration mode and both status reads.
    void Refresh() override;

private:
    void ShowStatus(std::span<TLed *const> lamps, const TModbusAnswer &answer);

    std::array<TLed *, 8> m_inputLamps{};   // AIN1 .. AIN8
    std::array<TLed *, 5> m_outputLamps{};  // AOUT1 .. AOUT5
    std::array<TAdvEdit *, 2> m_offsets{};  // AIN9, AIN10
    std::array<TAdvEdit *, 2> m_gains{};
    TAdvEdit *m_lowReference = nullptr;
    TAdvEdit *m_highReference = nullptr;
    TAdvEdit *m_lowVoltage = nullptr;
    TAdvEdit *m_highVoltage = nullptr;
    TUpDown *m_lowCode = nullptr;
    TUpDown *m_highCode = nullptr;
    QCheckBox *m_calibrationMode = nullptr;
};
