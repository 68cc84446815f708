// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDeadlineTimer>
#include <QSocketNotifier>

#include <csignal>
#include <functional>
#include <memory>

// SIGINT and SIGTERM while it lives: the first asks a long-running command to end after the step
// it is on (a second one ends the program at once, as usual, or calls OnSecond's call); the signal
// reaches the event loop through a pipe.
class TStopSignals
{
public:
    TStopSignals();
    TStopSignals(const TStopSignals &) = delete;
    TStopSignals &operator=(const TStopSignals &) = delete;
    ~TStopSignals();

    bool Requested() const { return m_requested; }
    // A second signal calls call instead of ending the program (for a command that must still
    // say what it did).
    void OnSecond(std::function<void()> call);

    // Runs the event loop until deadline or a stop; false on a stop.
    bool WaitUntil(const QDeadlineTimer &deadline);

private:
    static void Handler(int);

    static inline int s_pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> m_notifier;
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
    bool m_requested = false;
    std::function<void()> m_onSecond;
};
