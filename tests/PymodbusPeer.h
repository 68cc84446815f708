// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// tests/pymodbus_server.py as a child process: an independent Modbus TCP server for the
// interoperability tests. It ends when we close its stdin.

#include "SimHarness.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

class PymodbusPeer
{
public:
    static constexpr int kMissingPymodbus = 3;  // the server's exit code without pymodbus

    // Starts the server with arguments; an empty string on success, otherwise why not. *missing is
    // set when the server cannot run here at all (no system interpreter, no pymodbus).
    QString Start(const QStringList &arguments, bool *missing)
    {
        // The system interpreter: a pyenv python3 on the PATH may lack the Debian pymodbus.
        const QString python = QStringLiteral("/usr/bin/python3");
        *missing = !QFileInfo(python).isExecutable();
        if (*missing)
            return python + QStringLiteral(" is not installed");
        m_process.setProgram(python);
        m_process.setArguments(QStringList{QStringLiteral(Z4_TESTS_DIR "/pymodbus_server.py")} + arguments);
        m_process.start();
        if (!m_process.waitForStarted(kSoonMs))
            return m_process.errorString();
        static const QRegularExpression portLine(QStringLiteral("^port (\\d+)$"));
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(kSoonMs)) {
                m_process.waitForFinished(kSoonMs);
                *missing = m_process.exitStatus() == QProcess::NormalExit && m_process.exitCode() == kMissingPymodbus;
                return QStringLiteral("the pymodbus server did not start: ")
                       + QString::fromLocal8Bit(m_process.readAllStandardError());
            }
        }
        const auto match = portLine.match(QString::fromUtf8(m_process.readLine()).trimmed());
        if (!match.hasMatch())
            return QStringLiteral("the pymodbus server did not say its port");
        m_port = static_cast<quint16>(match.captured(1).toUInt());
        return {};
    }

    // Starts the server on an image of the given registers, all 0 but those values gives, written
    // to path.
    QString StartWithImage(const QList<int> &addresses, const QString &path, bool *missing,
                           const QMap<int, int> &values = {})
    {
        QJsonObject image;
        for (const int address : addresses)
            image.insert(QString::number(address), values.value(address, 0));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(image).toJson()) <= 0) {
            *missing = false;
            return QStringLiteral("cannot write the image ") + path;
        }
        file.close();
        return Start({QStringLiteral("--image"), path}, missing);
    }

    quint16 Port() const { return m_port; }

    // Closes its stdin; true when it then ended by itself with success.
    bool Stop()
    {
        m_process.closeWriteChannel();
        return m_process.waitForFinished(kSoonMs) && m_process.exitStatus() == QProcess::NormalExit
               && m_process.exitCode() == 0;
    }

    ~PymodbusPeer()
    {
        if (m_process.state() != QProcess::NotRunning && !Stop()) {
            m_process.kill();
            m_process.waitForFinished(kSoonMs);
        }
    }

private:
    QProcess m_process;
    quint16 m_port = 0;
};
