// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TLiveColumn.h"

#include "config/ValueText.h"
#include "live/TInputsOutputsPage.h"
#include "monitor/TPoll.h"
#include "params/TControlPage.h"
#include "params/TStopPage.h"
#include "widgets/TLed.h"
#include "widgets/ValueDisplay.h"

#include <QLabel>
#include <QPushButton>

namespace {
constexpr int kOperatingMode = 18;  // the configuration item of the unit's mode
}  // namespace

void TLiveColumn::ShowStatusBlock(const live::StatusBlock &block)
{
    const TLiveDisplay &d = m_display;
    live::Show(d.YearDateStaticText, block.Date);
    live::Show(d.TimeStaticText, block.Time);
    live::Show(d.DayStaticText, block.Day);
    live::Show(d.FanSpeedVrLabel, block.FanSpeed);
    // The mode and the season in the words of their settings ("Manual"/"Auto", "Summer"/"Winter").
    live::Show(d.ModeValVrLabel, values::ItemText(kOperatingMode, 0, block.Auto ? 1 : 0));
    live::Show(d.StartStopVrUserLed, block.Running);
    const QString caption = block.Running ? TLiveColumn::StopCaption() : TLiveColumn::StartCaption();
    if (d.StartStopVrButton->text() != caption)
        d.StartStopVrButton->setText(caption);
    live::Show(d.SeasonValVrLabel,
               values::ListItems(QStringLiteral("SeasonColumnComboBox")).value(block.Winter ? 1 : 0));
    live::Show(d.SVentValVrLabel, block.SupplyVentilation);
    live::Show(d.EVentValVrLabel, block.ExhaustVentilation);
    live::Show(d.HearthVrUserLed, block.Hearth);
    live::Show(d.HearthValVrLabel, block.HearthMinutes);
}

void TLiveColumn::ShowRegulationMode(bool lit)
{
    live::Show(m_display.RegulationModeVrLed, lit);
}

void TLiveColumn::ShowVersion(const live::VersionBlock &block)
{
    live::Show(m_display.VersionPanel, block.VersionPanel);
    live::Show(m_display.BoardPanel, block.BoardPanel);
}

void TLiveColumn::ShowSeries(const QString &panelText)
{
    live::Show(m_display.SeriesPanel, panelText);
}

void ShowPollIn(TPoll &poll, TLiveColumn &column, const TLivePages &pages)
{
    TLiveColumn *c = &column;
    QObject::connect(&poll, &TPoll::StatusBlockRead, &poll, [c](const live::StatusBlock &b) { c->ShowStatusBlock(b); });
    QObject::connect(&poll, &TPoll::RegulationModeRead, &poll, [c](bool lit) { c->ShowRegulationMode(lit); });
    QObject::connect(&poll, &TPoll::VersionRead, &poll, [c](const live::VersionBlock &b) { c->ShowVersion(b); });
    QObject::connect(&poll, &TPoll::SeriesRead, &poll, [c](const QString &text) { c->ShowSeries(text); });
    QObject::connect(&poll, &TPoll::StatusBlockRead, &pages.InputsOutputs, &TInputsOutputsPage::ShowColumnR);
    QObject::connect(&poll, &TPoll::StatusBlockRead, &pages.Stop, &TStopPage::ShowStopState);
    QObject::connect(&poll, &TPoll::ColumnABlockRead, &pages.InputsOutputs, &TInputsOutputsPage::ShowColumnA);
    QObject::connect(&poll, &TPoll::HeatRecoveryRead, &pages.Control, &TControlPage::ShowHeatRecovery);
    QObject::connect(&poll, &TPoll::DiagnosticsRead, &pages.Control, &TControlPage::ShowDiagnostics);
}
