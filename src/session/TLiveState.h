// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QtGlobal>

#include <array>

// The I/O trend's sample, taken after each status block: analog inputs 1-10, then analog outputs
// 1-8 as shown (InvalidValue, -1000, when invalid), digital outputs 1-11 at the terminals, and the
// supply and room temperatures of the status block in degC.
struct TIoSample
{
    std::array<float, 18> LiveValues{};
    std::array<bool, 11> OutputBits{};
    float SupplyTrendValue = 0.0f;
    float RoomTrendValue = 0.0f;
};

// The regulation trend's sample, taken after each diagnostic block: diagnostic values 1-8 as the
// board gives them, signed and unscaled.
struct TRegulationSample
{
    std::array<float, 8> Values{};
};

// What the poll keeps of the board between ticks, held by the main window: the last samples of the
// trend windows (which the poll's signals carry to them), the firmware version, and the countdown
// to the next version read.
struct TLiveState
{
    TIoSample Io;
    TRegulationSample Regulation;

    // The last version the board reported; 0 until then.
    quint16 FirmwareVersion = 0;
    // Whether the firmware has the revision-12 items (version mod 100 is 12 or more). Assumed
    // until the first version read says otherwise.
    bool FirmwareRev12 = true;
    // Whether FirmwareVersion and FirmwareRev12 are the connected board's: false from each connect
    // until its version read is answered.
    bool VersionKnown = false;
    // Ticks until the next firmware-version read. Each connect reads the version at once and sets
    // it to 10; before the first connect it runs down from 0 and wraps, so no version read is due
    // for 65536 ticks.
    qint16 VersionCountdown = 0;
};
