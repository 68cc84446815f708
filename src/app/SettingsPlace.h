// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QString>

// Where the window keeps its settings files: R4Ivivaz.ini and the trend windows' settings.ini.
namespace SettingsPlace {
// The folder for them: the working folder when it holds either file (a tool started in a project
// folder keeps using that folder's settings), else the user's configuration folder
// ($XDG_CONFIG_HOME/z4vent, ~/.config/z4vent without it), made when it is missing. The home
// folder, where a start from the menu runs, is no project folder: files older versions left there
// move to the user's folder, unless it has its own. A configuration folder that cannot be made
// leaves the working folder.
QString Choose(const QString &workDir);
// The user's configuration folder for the tool, as Choose names it.
QString UserFolder();

// The folder this process keeps them in: set once at start by the entry; until then the working
// folder at the time of the call.
void Use(const QString &folder);
QString Folder();
// Folder()/R4Ivivaz.ini, as it is now.
QString SettingsFile();
// The trend windows' file in that folder: settings.ini.
QString TrendFileName();
}  // namespace SettingsPlace
