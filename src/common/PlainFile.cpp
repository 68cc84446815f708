// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/PlainFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTemporaryFile>

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
// Links are followed link by link, as opening the file would, up to this many.
constexpr int kMaxLinks = 40;

QString Native(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

// What an entry that is not a regular file is, in words; empty for a regular file.
QString KindProblem(mode_t mode)
{
    if (S_ISREG(mode))
        return {};
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder, not a file");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a named pipe (FIFO), not a file");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file");
    return QStringLiteral("it is not a regular file");
}

// Where path leads: path itself, or the end of its chain of links (which need not exist). Empty,
// with *problem set, when links does not allow following it there.
QString Resolve(const QString &path, TLinks links, QString *problem)
{
    QFileInfo at(path);
    if (!at.isSymLink())
        return path;
    for (int hops = 0; hops < kMaxLinks && at.isSymLink(); ++hops)
        at.setFile(at.symLinkTarget());
    if (at.isSymLink()) {
        *problem = QStringLiteral("it is a link that leads round in a circle");
        return {};
    }
    if (links == TLinks::SameFolder) {
        const QString own = QFileInfo(path).absoluteDir().canonicalPath();
        if (own.isEmpty() || at.absoluteDir().canonicalPath() != own) {
            *problem = QStringLiteral("it is a link to %1 in another folder, which the tool does not follow")
                           .arg(Native(at.absoluteFilePath()));
            return {};
        }
    }
    return at.absoluteFilePath();
}

QString TooLarge(qint64 size, qint64 maxBytes)
{
    return QStringLiteral("the file is %1 KiB, far larger than such a file can be (at most %2 KiB)")
        .arg(size / 1024)
        .arg(maxBytes / 1024);
}
}  // namespace

TFileRead ReadPlainFile(const QString &path, qint64 maxBytes, TLinks links, QByteArray *data, QString *error)
{
    const auto refuse = [error](const QString &why) {
        if (error)
            *error = why;
        return TFileRead::Refused;
    };
    QString problem;
    const QString target = Resolve(path, links, &problem);
    if (target.isEmpty())
        return refuse(problem);
    const QByteArray name = QFile::encodeName(target);
    struct stat status = {};
    if (::stat(name.constData(), &status) != 0) {
        if (errno == ENOENT)
            return TFileRead::Missing;
        return refuse(QStringLiteral("it cannot be read: %1").arg(qt_error_string(errno)));
    }
    if (problem = KindProblem(status.st_mode); !problem.isEmpty())
        return refuse(problem);
    if (status.st_size > maxBytes)
        return refuse(TooLarge(status.st_size, maxBytes));

    // Should a pipe have taken the file's place since, opening it must not wait for a writer, and
    // a link put there is not followed.
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return refuse(QStringLiteral("it cannot be read: %1").arg(qt_error_string(errno)));
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return refuse(QStringLiteral("it cannot be read: %1").arg(file.errorString()));
    }
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode))
        return refuse(QStringLiteral("it changed while it was opened, and is no longer a regular file"));
    // One byte more than allowed tells a file that grew past the limit.
    QByteArray bytes;
    while (bytes.size() <= maxBytes) {
        const QByteArray part = file.read(maxBytes + 1 - bytes.size());
        if (part.isEmpty())
            break;
        bytes += part;
    }
    if (file.error() != QFileDevice::NoError)
        return refuse(QStringLiteral("it cannot be read: %1").arg(file.errorString()));
    if (bytes.size() > maxBytes)
        return refuse(TooLarge(bytes.size(), maxBytes));
    if (data)
        *data = std::move(bytes);
    return TFileRead::Read;
}

QString WriteProblem(const QString &path, TLinks links)
{
    QString problem;
    const QString target = Resolve(path, links, &problem);
    if (target.isEmpty())
        return problem;
    struct stat status = {};
    if (::stat(QFile::encodeName(target).constData(), &status) == 0) {
        if (problem = KindProblem(status.st_mode); !problem.isEmpty())
            return problem;
        if (!QFileInfo(target).isWritable())
            return QStringLiteral("the file is read-only");
    } else if (errno != ENOENT) {
        return QStringLiteral("it cannot be reached: %1").arg(qt_error_string(errno));
    }
    // The new file is made beside the old one, then renamed over it.
    const QString folder = QFileInfo(target).absolutePath();
    if (!QFileInfo(folder).isDir())
        return QStringLiteral("the folder %1 does not exist").arg(Native(folder));
    if (!CanCreateFilesIn(folder))
        return QStringLiteral("the folder %1 cannot be written").arg(Native(folder));
    return {};
}

bool CanCreateFilesIn(const QString &folder)
{
    QTemporaryFile probe(QDir(folder).filePath(QStringLiteral(".z4probe-XXXXXX")));
    return probe.open();
}

bool WritePlainFile(const QString &path, const QByteArray &bytes, TLinks links, QString *error)
{
    if (*error = WriteProblem(path, links); !error->isEmpty())
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}
