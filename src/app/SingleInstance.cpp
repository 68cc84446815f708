// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/SingleInstance.h"

#include <QDir>
#include <QGuiApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

namespace {
const QByteArray kRaise = QByteArrayLiteral("raise\n");
}  // namespace

TSingleInstance::TSingleInstance(const QString &folder, const QString &name, QObject *parent) : QObject(parent)
{
    // Without a folder of the user's own there is no telling instances apart: each is the first.
    if (name.isEmpty() || folder.isEmpty())
        return;
    const QDir dir(folder);
    m_socketPath = dir.filePath(name + QStringLiteral(".socket"));
    m_lock = std::make_unique<QLockFile>(dir.filePath(name + QStringLiteral(".lock")));
    // No wait: an instance that holds the lock is running (one that crashed has left a stale lock,
    // which tryLock removes).
    m_first = m_lock->tryLock(0);
    if (!m_first)
        return;

    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // The lock is ours, so a socket left there is a crashed instance's.
    QLocalServer::removeServer(m_socketPath);
    // Not listening only costs the raising: the tool itself runs as well without.
    if (!m_server->listen(m_socketPath))
        qWarning("cannot listen for later instances at %s: %s", qPrintable(m_socketPath),
                 qPrintable(m_server->errorString()));
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            const auto read = [this, socket] {
                if (!socket->canReadLine())
                    return;
                if (socket->readLine(kRaise.size() + 1) == kRaise)
                    emit RaiseRequested();
                socket->disconnectFromServer();
            };
            connect(socket, &QLocalSocket::readyRead, this, read);
            read();
        }
    });
}

TSingleInstance::~TSingleInstance()
{
    if (m_server)
        m_server->close();
}

QString TSingleInstance::StandardFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

QString TSingleInstance::StandardName()
{
    const QString platform = QGuiApplication::platformName();
    QString display;
    if (platform == QLatin1String("xcb"))
        display = qEnvironmentVariable("DISPLAY");
    else if (platform.startsWith(QLatin1String("wayland")))
        display = qEnvironmentVariable("WAYLAND_DISPLAY", QStringLiteral("wayland-0"));
    else if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        display = platform;
    if (display.isEmpty())
        return {};
    for (QChar &c : display) {
        if (!c.isLetterOrNumber() && c != QLatin1Char('-'))
            c = QLatin1Char('_');
    }
    return QStringLiteral("z4vent-") + display;
}

bool TSingleInstance::RaiseFirst(int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_socketPath);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(kRaise);
    // Handed to the system: the first instance reads it when its event loop comes to it.
    return socket.waitForBytesWritten(timeoutMs);
}
