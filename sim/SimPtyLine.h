// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "Z4SimServer.h"

#include <QObject>
#include <QString>

#include <memory>

class QSocketNotifier;

// A serial line on a pseudo-terminal that knows its line settings. Bytes carry no baud rate or
// parity on a pty, so a board there would answer whatever setting the tool chose. This line makes
// the terminal the tool opens (a link at the path given) itself and owns its master, whose
// settings are the ones the tool set on its end (on Linux a pty keeps the baud rate, odd parity and
// the stop bits; it clears the parity bit and the data bits, so even parity and none look alike
// there). What the tool sends at the board's
// setting is passed on to a second terminal, where the board's server listens (InnerDevice);
// what it sends at another is dropped, as a real board drops the garbled characters it receives.
// The board's answers go back unchanged.
class SimPtyLine : public QObject
{
    Q_OBJECT

public:
    explicit SimPtyLine(QObject *parent = nullptr);
    ~SimPtyLine() override;

    // Makes both terminals and the link at path (an existing link is replaced; any other file is
    // not). False with *error when it cannot.
    bool Open(const QString &path, const SimSerialSettings &board, QString *error);
    // The terminal the board's server opens.
    QString InnerDevice() const { return m_innerName; }
    // Bytes dropped because they came at another setting than the board's.
    qint64 Dropped() const { return m_dropped; }

private:
    void FromTool();
    void FromBoard();
    // Whether the tool's end is set as the board's line.
    bool Matches() const;

    SimSerialSettings m_board;
    QString m_link;
    QString m_innerName;
    int m_outer = -1;       // master of the tool's terminal
    int m_outerSlave = -1;  // held open, so the master never reads the end of a closed terminal
    int m_inner = -1;       // master of the board's terminal
    int m_innerSlave = -1;
    std::unique_ptr<QSocketNotifier> m_fromTool;
    std::unique_ptr<QSocketNotifier> m_fromBoard;
    qint64 m_dropped = 0;
};
