// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the window shows each configuration register: its page, the group boxes around it and its
// label, in the window's order (pages as the tabs run, groups and controls as a person reads the
// page). The report lists the configuration so, and a test holds this table to the window.

#include <span>

struct TLayoutLine
{
    const char *Page;   // the tab's text
    const char *Group;  // the group boxes' titles, outermost first, parted by " › "
    const char *Label;  // what the window writes beside the control, or its caption
    int Item;           // configuration item
    int Register;       // within the item
};

// Every register of every configuration item but the week program's (a table of its own).
std::span<const TLayoutLine> LayoutLines();
