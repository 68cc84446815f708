// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>
#include <QString>

class TBoardLine;
class TPoll;
struct TLineStatus;
namespace live {
struct VersionBlock;
}

// Which board the line reaches: the line, the unit address, the firmware version and the board
// number, known once the board has answered the version read on an open line. When any of them
// differs from what was marked last (another line, another address, another board behind the same
// line), Changed says it once, and the link's log of the line gets the same line; a board that
// answers again on the same line after a reconnect is no change.
class TBoardMark : public QObject
{
    Q_OBJECT

public:
    TBoardMark(TBoardLine &line, TPoll &poll, QObject *parent = nullptr);

    // "127.0.0.1:502, unit 1, firmware 1.012, board number 17"; empty until a board was marked.
    QString Marked() const { return m_marked; }

signals:
    // "==== 14:07:09 board: 127.0.0.1:502, unit 1, firmware 1.012, board number 17 ====".
    void Changed(const QString &line);

private:
    void LineChanged(const TLineStatus &status);
    void VersionRead(const live::VersionBlock &block);
    void Mark();

    TBoardLine &m_line;
    bool m_versionKnown = false;  // the version read was answered on the line as it is open now
    quint16 m_version = 0;
    quint16 m_boardNumber = 0;
    QString m_marked;
};
