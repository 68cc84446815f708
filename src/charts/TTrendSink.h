// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

class QWidget;

// A trend window the poll feeds. After the status block (the I/O trend) or the diagnostic block
// (the regulation trend) the main window calls AddSample of the window if it is open and visible;
// the window takes the sample from the live state.
class TTrendSink
{
public:
    virtual void AddSample() = 0;

protected:
    ~TTrendSink() = default;
};

// Gives window a sample when it is a visible trend window (null or anything else: nothing).
// Whatever the window throws is dropped: a trend that cannot take a sample must not stop the
// poll, and the next sample tries again.
void FeedTrend(QWidget *window);
