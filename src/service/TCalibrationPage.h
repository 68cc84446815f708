// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "service/ReturnWrites.h"
#include "widgets/TPage.h"

#include <array>
#include <optional>
#include <span>

class QButtonGroup;
class QCheckBox;
class QPushButton;
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

    // Whether the page shows the board in calibration mode, as last read or written.
    bool ModeOn() const;
    // Reads the calibration mode into its box, while connected.
    void ReadMode();
    // The write that switches calibration mode off, when the page shows it on; once taken, the
    // box shows it off.
    TReturnWrites ReturnWrites() const;

    // Selecting an input shows its usual references; selecting an output its usual voltages and
    // codes, and fits the code edits to its class. Nothing is sent.
    void InputRadioGroupClick();
    void OutputRadioGroupClick();

    // The controls the page's handlers work with, as the page is built.
    struct TControls
    {
        QButtonGroup *Inputs = nullptr;
        TAdvEdit *LowReference = nullptr;
        TAdvEdit *HighReference = nullptr;
        QPushButton *SendLowReference = nullptr;
        QPushButton *SendHighReference = nullptr;
        std::array<TLed *, 8> InputLamps{};   // AIN1 .. AIN8
        std::array<TAdvEdit *, 2> Offsets{};  // AIN9, AIN10
        std::array<TAdvEdit *, 2> Gains{};
        QButtonGroup *Outputs = nullptr;
        TAdvEdit *LowVoltage = nullptr;
        TAdvEdit *HighVoltage = nullptr;
        TUpDown *LowCode = nullptr;
        TUpDown *HighCode = nullptr;
        QPushButton *SendLowVoltage = nullptr;
        QPushButton *SendHighVoltage = nullptr;
        std::array<TLed *, 5> OutputLamps{};  // AOUT1 .. AOUT5
        QCheckBox *Mode = nullptr;
    };

signals:
    void ModeChanged();

private:
    int SelectedInput() const;
    int SelectedOutput() const;
    // A reference in mV of the selected input, from 0 to the input's bound; nothing (and the
    // user told) otherwise.
    std::optional<qint64> ReferenceOf(TAdvEdit *edit);
    // "Lo Limit" / "Hi Limit" of the inputs: the reference to base + input; the high one then reads
    // the inputs' status.
    void SendReference(TAdvEdit *edit, quint16 base, bool thenStatus);
    // The code that gives the typed voltage on the selected output, shown in code's edit.
    void VoltageToCode(TAdvEdit *voltage, TUpDown *code);
    // A code stepped to goes to the board at once while the line is up.
    void SendCode(TUpDown *code);
    // "Lo Limit" / "Hi Limit" of the outputs: the voltage produced to base + output; the high one
    // then reads the outputs' status.
    void SendVoltage(TAdvEdit *voltage, quint16 base, bool thenStatus);
    void ShowStatus(std::span<TLed *const> lamps, const TModbusAnswer &answer);

    TControls m_c;
};
