// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TGuideWindow.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QUrl>

#include <algorithm>

TGuideWindow::TGuideWindow(const QString &path, QWidget *parent) : QTextBrowser(parent)
{
    setObjectName(QStringLiteral("GuideWindow"));
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Z4 Ventilation: User's guide"));
    setAccessibleName(QStringLiteral("User's guide"));
    // Links to the web open in the browser; the pictures and the guide's own text stay here.
    setOpenExternalLinks(true);
    setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
    // Wide enough for the pictures of the window (about 1150 pixels), within the screen.
    QSize size(std::max(1200, fontMetrics().averageCharWidth() * 100), fontMetrics().height() * 45);
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(size);
}

QStringList TGuideWindow::Places()
{
    const QDir program(QCoreApplication::applicationDirPath());
    return {QDir::cleanPath(program.filePath(QStringLiteral("doc/guide.md"))),
            QDir::cleanPath(program.filePath(QStringLiteral("../share/doc/z4vent/guide.md")))};
}

QString TGuideWindow::Find()
{
    for (const QString &place : Places()) {
        if (QFileInfo(place).isFile())
            return place;
    }
    return {};
}
