#pragma once

#include "app/TPage.h"

#include <array>

class QPushButton;

// The "Control" page.
class TControlPage : public TPage
{
    Q_OBJECT

public:
    TControlPage(TPageContext &context, QWidget *parent = nullptr);

    // Clock test buttons: set the board's clock to today at 00:14:00 or 05:59:00, to watch the
    // midnight and early-morning switching of the week program.
    void VrDemoButton1Click();
    void VrDemoButton2Click();

    // The four clock registers for today's date at the given hour and minute, seconds 0.
    static std::array<quint16, 4> ClockWords(QDate date, int hour, int minute);

    QPushButton *VrDemoButton1;
    QPushButton *VrDemoButton2;

private:
    void WriteClock(int hour, int minute);
};
