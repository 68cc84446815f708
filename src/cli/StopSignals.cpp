// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "cli/StopSignals.h"

#include <QEventLoop>
#include <QTimer>

#include <fcntl.h>
#include <unistd.h>
#include <utility>

TStopSignals::TStopSignals()
{
    // Without the pipe the signals keep their usual effect.
    if (pipe2(s_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(s_pipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, m_notifier.get(), [this] {
        char byte;
        int received = 0;
        while (read(s_pipe[0], &byte, 1) == 1)
            ++received;
        const bool second = m_requested || received > 1;
        m_requested = true;
        if (second && m_onSecond)
            std::exchange(m_onSecond, nullptr)();
    });
    struct sigaction action = {};
    action.sa_handler = &TStopSignals::Handler;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_oldInt);
    sigaction(SIGTERM, &action, &m_oldTerm);
}

TStopSignals::~TStopSignals()
{
    if (!m_notifier)
        return;
    sigaction(SIGINT, &m_oldInt, nullptr);
    sigaction(SIGTERM, &m_oldTerm, nullptr);
    m_notifier.reset();
    close(s_pipe[0]);
    close(s_pipe[1]);
}

void TStopSignals::OnSecond(std::function<void()> call)
{
    if (!m_notifier)
        return;
    m_onSecond = std::move(call);
    // The handler stays for the second signal.
    struct sigaction action = {};
    action.sa_handler = &TStopSignals::Handler;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool TStopSignals::WaitUntil(const QDeadlineTimer &deadline)
{
    if (!m_requested && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        timer.start(std::chrono::milliseconds(deadline.remainingTime()));
        QMetaObject::Connection stop;
        if (m_notifier)
            stop = QObject::connect(m_notifier.get(), &QSocketNotifier::activated, &loop, &QEventLoop::quit);
        loop.exec();
        QObject::disconnect(stop);
    }
    return !m_requested;
}

void TStopSignals::Handler(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = write(s_pipe[1], &byte, 1);
}
