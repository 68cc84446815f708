// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QScrollArea>

class QLabel;
class QPushButton;
class TConnectionPanel;
class TLed;
struct TLiveDisplay;
struct TPageContext;

// The boxes left of the pages: the connection panel on top, then the board's clock with its
// "Set", the fan speed, "Start"/"Stop", the unit's state and "Chart". Scrolls on a low screen
// rather than pushing the window's bottom off it.
class TLeftColumn : public QScrollArea
{
    Q_OBJECT

public:
    // panel: the connection panel, put on top. context: how "Start"/"Stop" and the clock's "Set"
    // ask the user and write to the board.
    TLeftColumn(TConnectionPanel *panel, TPageContext &context, QWidget *parent = nullptr);

    // The column's widgets in the live display (the status bar's panels are not the column's).
    void Fill(TLiveDisplay &display) const;
    // The column as with no board: fan speed 0, the lamps out, "Start" and no values.
    void ClearLive();
    // The size that shows the whole column without scrolling.
    QSize NaturalSize() const;

signals:
    // "Chart" was clicked.
    void ChartClicked();

private:
    // "Start"/"Stop": asks first, then starts or stops the unit.
    void StartStopVrButtonClick();
    // " Date && Time " "Set": the board's clock to the PC's local date and time.
    void TimeVrButtonClick();

    TPageContext &m_context;
    QLabel *YearDateStaticText;
    QLabel *TimeStaticText;
    QLabel *DayStaticText;
    QPushButton *TimeVrButton;
    QLabel *FanSpeedVrLabel;
    TLed *StartStopVrUserLed;
    QPushButton *StartStopVrButton;
    QLabel *SeasonValVrLabel;
    QLabel *SVentValVrLabel;
    QLabel *EVentValVrLabel;
    QLabel *HearthValVrLabel;
    TLed *HearthVrUserLed;
    QLabel *ModeValVrLabel;
    TLed *RegulationModeVrLed;
    QPushButton *ChartVrButton;
};
