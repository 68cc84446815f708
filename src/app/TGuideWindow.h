// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QStringList>
#include <QTextBrowser>

// "Help" > "User's guide": the guide (docs/guide.md with its pictures) shown in a window of its own,
// beside the main window.
class TGuideWindow : public QTextBrowser
{
    Q_OBJECT

public:
    // path: the guide's Markdown file.
    explicit TGuideWindow(const QString &path, QWidget *parent = nullptr);

    // Where the guide is looked for: beside the program (doc/, the build and a folder copied whole),
    // then where the package installs it (../share/doc/z4vent/ from the program's folder).
    static QStringList Places();
    // The first of Places that exists; empty when none does.
    static QString Find();
};
