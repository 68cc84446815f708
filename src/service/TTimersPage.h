#pragma once

#include "app/TPage.h"
#include "service/WeekProgram.h"

// The "Timers" page: the week timer program, the temperature correction, the board's numbers
// and address.
class TTimersPage : public TPage
{
    Q_OBJECT

public:
    TTimersPage(TPageContext &context, QWidget *parent = nullptr);

    // The program image behind the page; the edits show one day of it at a time.
    TWeekProgram &WeekProgram() { return m_program; }
    // The day chosen in DayRadioGroup, 0 = Sunday ... 6 = Saturday.
    int SelectedDay() const;
    // Shows the selected day's six times in the time edits, or its three levels in the level
    // combos, from the image.
    void ShowDayTimes();
    void ShowDayLevels();

private:
    TWeekProgram m_program;
};
