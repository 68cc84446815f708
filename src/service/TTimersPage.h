// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "config/WeekProgram.h"
#include "widgets/ParameterCodec.h"
#include "widgets/TPage.h"

#include <array>
#include <initializer_list>
#include <optional>

class QButtonGroup;
class QComboBox;
class QGroupBox;
class QPushButton;
class TAdvEdit;

// The "Timers" page: the week timer program, the temperature correction, the board's numbers
// and address.
class TTimersPage : public TPage
{
    Q_OBJECT

public:
    TTimersPage(TPageContext &context, QWidget *parent = nullptr);

    // The program image behind the page; the edits show one day of it at a time.
    TWeekProgram &WeekProgram() { return m_program; }
    // The image with the page showing it, for the transfer table's week program rows.
    TWeekProgramView WeekProgramView();
    // The day chosen in DayRadioGroup, 0 = Sunday ... 6 = Saturday.
    int SelectedDay() const;
    // Shows the selected day's six times in the time edits, or its three levels in the level
    // combos, from the image.
    void ShowDayTimes();
    void ShowDayLevels();
    // "Read" and every click of the day selector: while connected, reads the selected day's
    // program from the board into the image and the controls; otherwise shows it from the image.
    void ReadVrButtonClick();
    // The selected day's program (offline from memory), then the temperature correction, the
    // numbers and the address.
    void Refresh() override;

    // Leaving interval edit tag (0 .. 5): a valid time not earlier than the one before it goes to
    // the image of the selected day; nothing is sent.
    void IntAdvMaskEditExit(int tag);
    // A level chosen for interval tag (0 .. 2) goes to the image; nothing is sent.
    void IntColumnComboBoxChange(int tag);
    // "Write", "Mon-Fri", "Sat,Sun": the shown day, checked whole, to the selected day, to Monday
    // to Friday or to Sunday and Saturday, then the store command once.
    void WriteVrButtonClick();
    void MonFriVrDemoButtonClick();
    void SatSunVrDemoButtonClick();
    // "Set" of the board number and the series.
    void SetVrButtonClick();
    void Set1VrDemoButtonClick();
    // "Set" of the slave address: asks first, naming the old and the new address, then asks the
    // new address for the firmware version and refuses, naming what answered, when something
    // does; the requests made after the write go to the new one, and SlaveAddressMoved follows
    // the board's answer.
    void AddressVrDemoButtonClick();

    // A number with its "Set" button.
    struct TNumberToSet
    {
        TAdvEdit *Edit = nullptr;
        QPushButton *Set = nullptr;
    };

signals:
    // The board number or the series went to the board: the status bar reads them again.
    void IdentificationWritten();
    void SeriesWritten();
    // The board took a new slave address and answers only there.
    void SlaveAddressMoved(quint8 address);

private:
    // Writes the new slave address at the old one.
    void MoveAddress(quint8 address, quint8 old);

    struct TDayProgram
    {
        std::array<quint16, TWeekProgram::kTimesPerDay> Times{};
        std::array<quint16, TWeekProgram::kLevelsPerDay> Levels{};
    };

    QGroupBox *BuildTimer();
    // The shown day's times and levels, or nothing (and the field named) when any is not valid.
    std::optional<TDayProgram> ShownDay();
    void WriteDays(QPushButton *button, std::initializer_list<int> days);

    TWeekProgram m_program;
    QButtonGroup *m_days = nullptr;
    QPushButton *m_write = nullptr;
    QPushButton *m_monFri = nullptr;
    QPushButton *m_satSun = nullptr;
    TNumberToSet m_boardNumber;
    TNumberToSet m_series;
    TNumberToSet m_address;
    // Interval 1 start, 1 stop, 2 start, 2 stop, 3 start, 3 stop.
    std::array<TAdvEdit *, TWeekProgram::kTimesPerDay> m_times{};
    std::array<QComboBox *, TWeekProgram::kLevelsPerDay> m_levels{};
};
