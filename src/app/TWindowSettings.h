// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "app/TSettings.h"

class QMainWindow;
class QTabWidget;
class QWidget;
class TBoardModel;
class TConnectionPanel;

// The main window's round trip through the settings file in the working folder: at start the line,
// the client's log, the slave address, the page shown and the window's place come from it; at
// close they go back, keeping everything else in the file.
class TWindowSettings
{
public:
    // workDir: the folder of the settings file (the current one at start).
    explicit TWindowSettings(const QString &workDir);

    QString WorkDir() const { return m_workDir; }
    // As read at start; kept as it was.
    int BoardTypeIndex() const { return m_read.BoardTypeIndex; }

    // Reads the file and gives the connection panel its part, the board model the client "Mode"
    // chooses with its log and the slave address, and pages the page used last (the first page
    // on a first start). Returns what was read.
    const TSettings &Restore(TConnectionPanel &panel, TBoardModel &model, QTabWidget &pages);
    // Puts the window where it was left (kept: its client area; none: at natural size, centred),
    // within the screen's available area with room for its frame.
    void PlaceWindow(QMainWindow &window, const QSize &natural) const;
    // Once the window is on the screen and its frame known: moves it back within the screen.
    static void KeepOnScreen(QWidget &window);
    // Writes back what the panel holds, the board type, the page shown and, once the window has
    // been shown, where it is; what cannot be stored keeps the value the file had. False with
    // error when the file could not be written.
    bool Keep(const TConnectionPanel &panel, const QMainWindow &window, bool shown, const QTabWidget &pages,
              QString *error) const;

private:
    QString m_workDir;
    TSettings m_read;
};
