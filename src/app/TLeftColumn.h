// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/TLiveColumn.h"

#include <QScrollArea>

class QPushButton;
class TConnectionPanel;
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

    // The column's widgets in the live display; the status bar's panels are not the column's.
    const TLiveDisplay &Display() const { return m_display; }
    // The column as with no board: fan speed 0, the lamps out, "Start" and no values.
    void ClearLive();
    // Whether the board's unit runs, as the poll read it: what "Start"/"Stop" does next.
    void ShowRunning(bool running) { m_running = running; }
    // The size that shows the whole column without scrolling.
    QSize NaturalSize() const;

signals:
    // "Chart" was clicked.
    void ChartClicked();

private:
    // "Start"/"Stop": asks first, then starts the unit the poll found stopped, or stops it, through
    // the editor (a refusal or a closed line is said).
    void StartStopVrButtonClick();
    // " Date && Time " "Set": the board's clock to the PC's local date and time.
    void TimeVrButtonClick();

    TPageContext &m_context;
    TLiveDisplay m_display;
    QPushButton *TimeVrButton;
    QPushButton *ChartVrButton;
    bool m_running = false;
};
