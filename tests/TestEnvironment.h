// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// An environment variable set for the life of the object.
class TEnvironment
{
public:
    TEnvironment(const char *name, const QString &value) : m_name(name), m_old(qgetenv(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~TEnvironment() { qputenv(m_name, m_old); }
    TEnvironment(const TEnvironment &) = delete;
    TEnvironment &operator=(const TEnvironment &) = delete;

private:
    const char *m_name;
    QByteArray m_old;
};
