// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "monitor/LiveDecoders.h"

#include <QObject>

#include <optional>
#include <vector>

class QWidget;

// The controls of what a board's firmware may lack: the configuration items of the extended set
// (items 132 on: the exhaust air-volume loop's Ki and U100, the remote control, the pressure
// inputs AIN9 and AIN10) and what needs a series number (the "Without Exhaust" mode, the series
// number's "Set"). With a board connected, each is on only once a version read has shown that
// the firmware has it; until then, and on firmware without it, it is off and its tooltip says
// why, so nothing is written to a register the board may not have. With no board connected they
// are all on: a configuration may be prepared in the office for any board.
class TFirmwareGate : public QObject
{
public:
    // Finds the controls among root's children by their names; lives as long as root.
    explicit TFirmwareGate(QWidget &root);

    // version: what the last version read of the connected board gave; none before the first.
    void Show(const std::optional<live::VersionBlock> &version);
    // No board connected: everything on.
    void ShowOffline();

private:
    std::vector<QWidget *> m_extended;
    std::vector<QWidget *> m_series;
};
