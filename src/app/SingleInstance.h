// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QLockFile>
#include <QObject>

#include <memory>

class QLocalServer;

// One window of the tool per user and display. The first instance holds a lock file and listens on
// a local socket beside it, both in a folder of the user's own; a later one finds the lock taken and
// asks the first, through the socket, to bring its window to the front. A lock left by an instance
// that crashed is taken over at once.
class TSingleInstance : public QObject
{
    Q_OBJECT

public:
    // folder: where the lock and the socket are (the user's runtime folder); name: which instances
    // count as one (StandardName()). An empty folder or name makes every instance the first.
    TSingleInstance(const QString &folder, const QString &name, QObject *parent = nullptr);
    ~TSingleInstance() override;

    // The user's runtime folder (XDG_RUNTIME_DIR), which only the user can enter.
    static QString StandardFolder();
    // The name for the display the tool's windows go to ("z4vent-_0" for DISPLAY=:0); empty on a
    // platform without one shared by several programs (offscreen), where windows cannot cover
    // each other.
    static QString StandardName();

    // Whether this is the first instance (it then listens for later ones).
    bool IsFirst() const { return m_first; }
    // A later instance: asks the first to bring its window to the front; false when the request
    // could not be handed to it within timeoutMs.
    bool RaiseFirst(int timeoutMs) const;

signals:
    // A later instance asked for the window.
    void RaiseRequested();

private:
    QString m_socketPath;
    std::unique_ptr<QLockFile> m_lock;
    QLocalServer *m_server = nullptr;
    bool m_first = true;
};
