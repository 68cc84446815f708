// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// A Qt generic plugin that bench_startup loads into the programs it times (QT_QPA_GENERIC_PLUGINS):
// it notes when the application object is set up, when the main window is first on screen, and
// when the event loop first waits after that (shown and idle). It then writes the three moments
// of the monotonic clock, in nanoseconds, to standard output on one line and ends the process at
// once, leaving its tear-down out of the timing:
//
//     z4idle <application> <main window exposed> <idle>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QEvent>
#include <QGenericPlugin>
#include <QMainWindow>
#include <QWindow>

#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace {
qint64 MonotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return qint64(now.tv_sec) * 1'000'000'000 + now.tv_nsec;
}

class IdleProbe : public QObject
{
public:
    IdleProbe() : m_applicationNs(MonotonicNs()) { QCoreApplication::instance()->installEventFilter(this); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Expose && m_exposedNs == 0) {
            auto *window = qobject_cast<QWindow *>(watched);
            if (window && window->isExposed() && IsMainWindow(window)) {
                m_exposedNs = MonotonicNs();
                // The expose is handled (and the window painted) before the loop waits again.
                connect(QAbstractEventDispatcher::instance(), &QAbstractEventDispatcher::aboutToBlock, this,
                        &IdleProbe::Idle);
            }
        }
        return false;
    }

private:
    static bool IsMainWindow(const QWindow *window)
    {
        for (QWidget *widget : QApplication::topLevelWidgets()) {
            if (widget->windowHandle() == window && qobject_cast<QMainWindow *>(widget))
                return true;
        }
        return false;
    }

    void Idle()
    {
        const qint64 idleNs = MonotonicNs();
        std::printf("z4idle %lld %lld %lld\n", static_cast<long long>(m_applicationNs),
                    static_cast<long long>(m_exposedNs), static_cast<long long>(idleNs));
        std::fflush(stdout);
        std::_Exit(0);
    }

    qint64 m_applicationNs;
    qint64 m_exposedNs = 0;
};
}  // namespace

class IdleProbePlugin : public QGenericPlugin
{
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "StartupIdleProbe.json")

public:
    QObject *create(const QString &, const QString &) override { return new IdleProbe; }
};

#include "StartupIdleProbe.moc"
