#pragma once
// What can stand where the tool expects one of its files: a named pipe, a device, a folder, and a
// folder that takes no new file. And a guard for the steps that meet them: a reader that blocks
// on a pipe or reads a device without end must fail the test, not hang it or eat the memory.

#include <QDir>
#include <QFile>
#include <QMetaType>
#include <QProcess>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// Ends the program with a message when it is not destroyed within ms.
class HangGuard
{
public:
    HangGuard(const QString &what, int ms)
        : m_thread([this, what = what.toLocal8Bit(), ms] {
              std::unique_lock lock(m_mutex);
              if (!m_ended.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_done; })) {
                  std::fprintf(stderr, "FAIL! %s did not return within %d ms\n", what.constData(), ms);
                  std::_Exit(EXIT_FAILURE);
              }
          })
    {
    }
    ~HangGuard()
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_ended.notify_all();
        m_thread.join();
    }
    HangGuard(const HangGuard &) = delete;
    HangGuard &operator=(const HangGuard &) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_ended;
    bool m_done = false;
    std::thread m_thread;  // last: it starts once the rest is made
};

enum class OddKind { Pipe, Device, Folder };
Q_DECLARE_METATYPE(OddKind)

// What a refusal of the kind says.
inline QString OddWord(OddKind kind)
{
    switch (kind) {
    case OddKind::Pipe:
        return QStringLiteral("named pipe");
    case OddKind::Device:
        return QStringLiteral("device");
    case OddKind::Folder:
        return QStringLiteral("folder");
    }
    return {};
}

// The file type bits of what is at path (not following a link); 0 when nothing is there.
inline mode_t TypeAt(const QString &path)
{
    struct stat status = {};
    return ::lstat(QFile::encodeName(path).constData(), &status) == 0 ? (status.st_mode & S_IFMT) : 0;
}

// Makes one of kind as dir/name and returns its path; empty when it could not be made. The device
// is /dev/zero, but for root a node of its own that reads the same: root may write in /dev, and a
// writer that wrongly renamed a new file over the device must not replace the machine's.
inline QString MakeOddPlace(OddKind kind, const QString &dir, const QString &name)
{
    const QString path = QDir(dir).filePath(name);
    const QByteArray native = QFile::encodeName(path);
    switch (kind) {
    case OddKind::Pipe:
        return ::mkfifo(native.constData(), 0600) == 0 ? path : QString();
    case OddKind::Folder:
        return QDir(dir).mkdir(name) ? path : QString();
    case OddKind::Device:
        if (::geteuid() != 0)
            return QStringLiteral("/dev/zero");
        return ::mknod(native.constData(), S_IFCHR | 0666, makedev(1, 5)) == 0 ? path : QString();
    }
    return {};
}

// A folder no new file can be made in while this lives: its permissions say so, and for root,
// whom permissions do not stop, its immutable attribute too.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path) : m_path(path)
    {
        if (!QDir().mkpath(path))
            return;
        QFile::setPermissions(path, QFile::ReadOwner | QFile::ExeOwner);
        m_ready = ::geteuid() != 0
                  || (m_immutable = QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("+i"), path}) == 0);
    }
    ~ReadOnlyFolder()
    {
        if (m_immutable)
            QProcess::execute(QStringLiteral("chattr"), {QStringLiteral("-i"), m_path});
        QFile::setPermissions(m_path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;
    // False when the folder could not be made read-only here.
    bool Ready() const { return m_ready; }

private:
    QString m_path;
    bool m_immutable = false;
    bool m_ready = false;
};
