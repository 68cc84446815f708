// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveDecoders.h"

class QLabel;
class QPushButton;
class TControlPage;
class TInputsOutputsPage;
class TLed;
class TPoll;
class TStopPage;

// The main window's live-display widgets outside the pages: the left column and the status bar.
struct TLiveDisplay
{
    QLabel *YearDateStaticText = nullptr;
    QLabel *TimeStaticText = nullptr;
    QLabel *DayStaticText = nullptr;
    QLabel *FanSpeedVrLabel = nullptr;
    TLed *StartStopVrUserLed = nullptr;
    QPushButton *StartStopVrButton = nullptr;
    QLabel *SeasonValVrLabel = nullptr;
    QLabel *SVentValVrLabel = nullptr;
    QLabel *EVentValVrLabel = nullptr;
    TLed *HearthVrUserLed = nullptr;
    QLabel *HearthValVrLabel = nullptr;
    QLabel *ModeValVrLabel = nullptr;
    TLed *RegulationModeVrLed = nullptr;
    QLabel *SeriesPanel = nullptr;   // status panel 1
    QLabel *BoardPanel = nullptr;    // status panel 2
    QLabel *VersionPanel = nullptr;  // status panel 3
};

// Shows what the poll reads in the left column and the status bar.
class TLiveColumn
{
public:
    explicit TLiveColumn(const TLiveDisplay &display) : m_display(display) {}

    // The start/stop button's captions, with their keys (Alt+R, Alt+P).
    static QString StartCaption() { return QStringLiteral("Sta&rt"); }
    static QString StopCaption() { return QStringLiteral("Sto&p"); }

    void ShowStatusBlock(const live::StatusBlock &block);
    void ShowRegulationMode(bool lit);
    void ShowVersion(const live::VersionBlock &block);
    void ShowSeries(const QString &panelText);

private:
    TLiveDisplay m_display;
};

// The pages that show live blocks.
struct TLivePages
{
    TInputsOutputsPage &InputsOutputs;
    TStopPage &Stop;
    TControlPage &Control;
};

// Ties the poll's blocks to the views that show them, for as long as the poll lives.
void ShowPollIn(TPoll &poll, TLiveColumn &column, const TLivePages &pages);
