#pragma once

#include "config/WeekProgram.h"
#include "widgets/ParameterCodec.h"
#include "widgets/TPage.h"

#include <array>

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
    // Firmware without a series number cannot set one.
    void ShowFirmwareFeatures(bool hasSeries);

private:
    QGroupBox *BuildTimer();

    TWeekProgram m_program;
    QButtonGroup *m_days = nullptr;
    QPushButton *m_setSeries = nullptr;
    // Interval 1 start, 1 stop, 2 start, 2 stop, 3 start, 3 stop.
    std::array<TAdvEdit *, TWeekProgram::kTimesPerDay> m_times{};
    std::array<QComboBox *, TWeekProgram::kLevelsPerDay> m_levels{};
};
