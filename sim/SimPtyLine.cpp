// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "SimPtyLine.h"

#include <QFile>
#include <QFileInfo>
#include <QSocketNotifier>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

namespace {
// A new pseudo-terminal: its master (non-blocking) and its slave, held open in raw mode.
bool MakeTerminal(int &master, int &slave, QString &name, QString *error)
{
    master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    char buffer[128] = {};
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0 || ptsname_r(master, buffer, sizeof buffer) != 0) {
        *error = QStringLiteral("cannot make a pseudo-terminal: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    name = QString::fromLocal8Bit(buffer);
    slave = ::open(buffer, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    termios raw = {};
    if (slave < 0 || tcgetattr(slave, &raw) != 0) {
        *error = QStringLiteral("cannot open %1: %2").arg(name, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    return true;
}

speed_t Speed(int baud)
{
    switch (baud) {
    case 1200:
        return B1200;
    case 2400:
        return B2400;
    case 4800:
        return B4800;
    case 9600:
        return B9600;
    case 19200:
        return B19200;
    case 38400:
        return B38400;
    case 57600:
        return B57600;
    case 115200:
        return B115200;
    case 230400:
        return B230400;
    default:
        return B0;
    }
}

void CloseFd(int &fd)
{
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}
}  // namespace

SimPtyLine::SimPtyLine(QObject *parent) : QObject(parent) {}

SimPtyLine::~SimPtyLine()
{
    m_fromTool.reset();
    m_fromBoard.reset();
    if (!m_link.isEmpty() && QFileInfo(m_link).isSymLink())
        QFile::remove(m_link);
    CloseFd(m_outerSlave);
    CloseFd(m_outer);
    CloseFd(m_innerSlave);
    CloseFd(m_inner);
}

bool SimPtyLine::Open(const QString &path, const SimSerialSettings &board, QString *error)
{
    m_board = board;
    QString outerName;
    if (!MakeTerminal(m_outer, m_outerSlave, outerName, error)
        || !MakeTerminal(m_inner, m_innerSlave, m_innerName, error))
        return false;
    const QFileInfo existing(path);
    if (existing.isSymLink())
        QFile::remove(path);
    else if (existing.exists()) {
        *error = QStringLiteral("%1 exists and is no link").arg(path);
        return false;
    }
    if (!QFile::link(outerName, path)) {
        *error = QStringLiteral("cannot make the link %1 to %2").arg(path, outerName);
        return false;
    }
    m_link = path;
    m_fromTool = std::make_unique<QSocketNotifier>(m_outer, QSocketNotifier::Read);
    connect(m_fromTool.get(), &QSocketNotifier::activated, this, &SimPtyLine::FromTool);
    m_fromBoard = std::make_unique<QSocketNotifier>(m_inner, QSocketNotifier::Read);
    connect(m_fromBoard.get(), &QSocketNotifier::activated, this, &SimPtyLine::FromBoard);
    return true;
}

bool SimPtyLine::Matches() const
{
    termios tool = {};
    if (tcgetattr(m_outer, &tool) != 0)
        return false;
    // A baud rate without a constant of its own is not told apart.
    const speed_t speed = Speed(m_board.BaudRate);
    if (speed != B0 && cfgetospeed(&tool) != speed)
        return false;
    // A pty clears the parity bit itself and keeps only odd parity: even and none look alike.
    const bool odd = (tool.c_cflag & PARODD) != 0;
    const bool twoStops = (tool.c_cflag & CSTOPB) != 0;
    return odd == (m_board.Parity == QSerialPort::OddParity) && twoStops == (m_board.StopBits == QSerialPort::TwoStop);
}

void SimPtyLine::FromTool()
{
    char buffer[512];
    const ssize_t n = ::read(m_outer, buffer, sizeof buffer);
    if (n <= 0)
        return;
    if (!Matches()) {
        m_dropped += n;
        return;
    }
    [[maybe_unused]] const ssize_t written = ::write(m_inner, buffer, static_cast<size_t>(n));
}

void SimPtyLine::FromBoard()
{
    char buffer[512];
    const ssize_t n = ::read(m_inner, buffer, sizeof buffer);
    if (n <= 0)
        return;
    [[maybe_unused]] const ssize_t written = ::write(m_outer, buffer, static_cast<size_t>(n));
}
