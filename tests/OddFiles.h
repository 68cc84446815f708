// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What can stand where the tool expects one of its files: a named pipe, a device, a folder, and a
// folder that takes no new file.

#include <QDir>
#include <QFile>
#include <QMetaType>
#include <QProcess>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// Ends the test program (SIGALRM) when it is not destroyed within seconds: a reader that blocks on
// a pipe or reads a device without end fails the test instead of hanging it or eating the memory.
struct HangGuard
{
    explicit HangGuard(unsigned seconds) { ::alarm(seconds); }
    ~HangGuard() { ::alarm(0); }
};

enum class OddKind { Pipe, Device, Folder };
Q_DECLARE_METATYPE(OddKind)

// What a refusal of the kind says.
inline QString OddWord(OddKind kind)
{
    return kind == OddKind::Pipe     ? QStringLiteral("named pipe")
           : kind == OddKind::Device ? QStringLiteral("device")
                                     : QStringLiteral("folder");
}

// The file type bits of what is at path (a link itself, not followed).
inline mode_t TypeAt(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? (status.st_mode & S_IFMT) : 0;
}

// Makes one of kind as dir/name and returns its path; empty when it could not be made. The device
// is /dev/zero, but root gets a node of its own that reads the same: root may write in /dev, and a
// writer that wrongly renamed a new file over the device must not replace the machine's.
inline QString MakeOddPlace(OddKind kind, const QString &dir, const QString &name)
{
    const QString path = QDir(dir).filePath(name);
    const QByteArray native = QFile::encodeName(path);
    if (kind == OddKind::Folder)
        return QDir(dir).mkdir(name) ? path : QString();
    if (kind == OddKind::Pipe)
        return ::mkfifo(native.constData(), 0600) == 0 ? path : QString();
    if (::geteuid() != 0)
        return QStringLiteral("/dev/zero");
    return ::mknod(native.constData(), S_IFCHR | 0666, makedev(1, 5)) == 0 ? path : QString();
}

// A folder no new file can be made in while this lives: by its permissions, and for root, whom
// they do not stop, by its immutable attribute. Ready() is false where that cannot be done.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path) : m_path(path)
    {
        m_ready = QDir().mkpath(path) && QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner)
                  && (::geteuid() != 0 || (m_immutable = Chattr(QStringLiteral("+i"))));
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            Chattr(QStringLiteral("-i"));
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    bool Ready() const { return m_ready; }

private:
    bool Chattr(const QString &change) const
    {
        return QProcess::execute(QStringLiteral("chattr"), {change, m_path}) == 0;
    }

    QString m_path;
    bool m_immutable = false;
    bool m_ready = false;
};
