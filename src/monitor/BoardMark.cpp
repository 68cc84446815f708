// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "monitor/BoardMark.h"

#include "link/TModbusClient.h"
#include "monitor/LiveDecoders.h"
#include "monitor/TPoll.h"
#include "session/TBoardLine.h"

#include <QTime>

TBoardMark::TBoardMark(TBoardLine &line, TPoll &poll, QObject *parent) : QObject(parent), m_line(line)
{
    connect(&line, &TBoardLine::StateChanged, this, &TBoardMark::LineChanged);
    connect(&poll, &TPoll::VersionRead, this, &TBoardMark::VersionRead);
}

void TBoardMark::LineChanged(const TLineStatus &status)
{
    // Until the board answers the version read of this opening, which board it is is not known.
    if (!status.Open())
        m_versionKnown = false;
    Mark();
}

void TBoardMark::VersionRead(const live::VersionBlock &block)
{
    m_versionKnown = true;
    m_version = block.Version;
    m_boardNumber = block.BoardNumber;
    Mark();
}

void TBoardMark::Mark()
{
    const TLineStatus &status = m_line.Status();
    if (!m_versionKnown || !status.Open())
        return;
    const QString board = QStringLiteral("%1, unit %2, firmware %3, board number %4")
                              .arg(status.Line)
                              .arg(status.Unit)
                              .arg(live::VersionNumberText(m_version))
                              .arg(m_boardNumber);
    if (board == m_marked)
        return;
    m_marked = board;
    m_line.Client().LogNote(QStringLiteral("==== board: %1 ====").arg(board));
    emit Changed(
        QStringLiteral("==== %1 board: %2 ====").arg(QTime::currentTime().toString(QStringLiteral("HH:mm:ss")), board));
}
