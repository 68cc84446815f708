// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TWindowSettings.h"

#include "app/TConnectionPanel.h"
#include "session/TBoardModel.h"

#include <QDir>
#include <QGuiApplication>
#include <QMainWindow>
#include <QScreen>
#include <QStyle>
#include <QTabWidget>

namespace {
// A page's caption as a person reads it ("Inputs & Outputs"), as the settings file keeps it.
QString Caption(const QTabWidget &tabs, int index)
{
    return tabs.tabText(index).replace(QStringLiteral("&&"), QStringLiteral("&"));
}

// Room for the window manager's frame while it is not known (before the window is first shown): a
// title bar above, a thin border elsewhere.
QMargins FrameGuess(const QWidget &window)
{
    const int title = window.style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, &window);
    return {4, std::max(title, 24) + 8, 4, 4};
}

// The client rectangle wanted, shrunk and moved as little as needed for the window with its frame
// to lie within available; without a position of its own it is centred there.
QRect FitOnScreen(const QRect &wanted, bool hasPosition, const QRect &available, const QMargins &frame)
{
    const QRect room = available.marginsRemoved(frame);
    const QSize size = wanted.size().boundedTo(room.size());
    QPoint topLeft = hasPosition ? wanted.topLeft() : room.center() - QPoint(size.width() / 2, size.height() / 2);
    topLeft.setX(std::clamp(topLeft.x(), room.left(), room.right() + 1 - size.width()));
    topLeft.setY(std::clamp(topLeft.y(), room.top(), room.bottom() + 1 - size.height()));
    return {topLeft, size};
}
}  // namespace

TWindowSettings::TWindowSettings(const QString &workDir) : m_workDir(workDir) {}

const TSettings &TWindowSettings::Restore(TConnectionPanel &panel, TBoardModel &model, QTabWidget &pages)
{
    m_read = TSettings::Read(TSettings::PathIn(m_workDir));
    panel.ApplySettings(m_read);
    TModbusClient &active = model.Line().Client();
    active.SetLogFileEnabled(m_read.LogFileEnabled);
    active.SetLogFileExistTime(m_read.LogFileExistTime);
    active.SetLogFileLevel(m_read.LogFileLevel);

    // The page used last; the first start opens on the live values.
    pages.setCurrentIndex(0);
    for (int i = 0; i < pages.count(); ++i) {
        if (Caption(pages, i).compare(m_read.WindowPage, Qt::CaseInsensitive) == 0)
            pages.setCurrentIndex(i);
    }
    return m_read;
}

void TWindowSettings::PlaceWindow(QMainWindow &window, const QSize &natural) const
{
    const QRect &kept = m_read.WindowRect;
    // On the screen it was left on, if that screen is still there.
    const QScreen *screen = kept.isValid() ? QGuiApplication::screenAt(kept.center()) : nullptr;
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const bool onItsScreen = kept.isValid() && screen->availableGeometry().intersects(kept);
    const QRect wanted = kept.isValid() ? kept : QRect(QPoint(), natural);
    window.setGeometry(FitOnScreen(wanted, onItsScreen, screen->availableGeometry(), FrameGuess(window)));
    if (m_read.WindowMaximized)
        window.setWindowState(window.windowState() | Qt::WindowMaximized);
}

void TWindowSettings::KeepOnScreen(QWidget &window)
{
    if (window.isMaximized() || window.isFullScreen())
        return;
    const QScreen *screen = window.screen();
    const QRect frame = window.frameGeometry();
    const QRect client = window.geometry();
    if (!screen || screen->availableGeometry().contains(frame))
        return;
    const QMargins margins(client.left() - frame.left(), client.top() - frame.top(), frame.right() - client.right(),
                           frame.bottom() - client.bottom());
    window.setGeometry(FitOnScreen(client, true, screen->availableGeometry(), margins));
}

bool TWindowSettings::Keep(const TConnectionPanel &panel, const QMainWindow &window, bool shown,
                           const QTabWidget &pages, QString *error) const
{
    const QString path = TSettings::PathIn(m_workDir);
    // What cannot be stored keeps the value the file had.
    TSettings settings = TSettings::Read(path);
    panel.KeepSettings(settings);
    settings.BoardTypeIndex = m_read.BoardTypeIndex;
    // Where the window was left and on which page; a window never shown keeps what the file had.
    if (shown) {
        settings.WindowMaximized = window.isMaximized();
        settings.WindowRect =
            window.isMaximized() || window.isMinimized() ? window.normalGeometry() : window.geometry();
    }
    settings.WindowPage = Caption(pages, pages.currentIndex());
    return TSettings::Write(path, settings, error);
}
