#pragma once

#include "app/TPage.h"

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

private:
    void ShowStatus(const QString &prefix, int count, const TModbusAnswer &answer);
};
