// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a commissioning report holds: who made it where, and the board's words as read, kept raw
// so that the document turns each into the text the window shows for it.

#include "config/BoardAddresses.h"
#include "config/ConfigItem.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

// What the person making the report says about it.
struct TReportHandover
{
    QString Site;
    QString Unit;        // the unit's name
    QString Technician;  // who made the report
};

// A reference configuration (the design values) to set beside the board's.
struct TReportReference
{
    QString Name;  // the file's name, as the report shows it
    ConfigImage Image;
    qint32 Items = 0;  // the items the file holds for this board's walk
};

// The calibration registers the board lets be read, as the Calibration page reads them.
inline constexpr quint16 kInputStatusCount = 8;
inline constexpr quint16 kPressureCount = 20;  // Plim, Pmax, Offset, Gain, Coef (pairs), output status, codes

struct TReportData
{
    TReportHandover Handover;
    QDateTime PcTime;  // when the board's clock was read
    QString Line;      // the line, as the connection names it
    quint8 Address = 0;

    // Registers 0xE700-0xE701 and, when the firmware has one, the series.
    QList<quint16> Version;
    std::optional<quint16> Series;

    // Items 0 .. Items-1 as read (the board's walk); the definition's names for all.
    ConfigImage Board;
    qint32 Items = 0;
    std::optional<TReportReference> Reference;

    // From board::InputStatus (8), board::PressureLimit (20) and board::CalibrationMode (1).
    QList<quint16> InputStatus;
    QList<quint16> Pressure;
    quint16 CalibrationMode = 0;

    // The live blocks of one poll cycle (the status block starts with the board's clock).
    QList<quint16> Status;
    QList<quint16> ColumnA;
    QList<quint16> RegulationMode;
    QList<quint16> HeatRecovery;
};

// The board's clock from the status block's first four words; nothing when they are no date.
std::optional<QDateTime> BoardTime(const QList<quint16> &status);
// How far the board's clock is from the PC's, when more than a minute: "3 min 20 s ahead of the
// PC", "2 h 5 min behind the PC", "3 d 4 h behind the PC"; empty within a minute, or without a
// board time.
QString ClockDifference(const QDateTime &pc, const std::optional<QDateTime> &board);

// Every input or output a technician left out of automatic, every simulation channel running and
// the calibration mode when it is on, one line each ("Analog input A3 is in manual"); empty when
// the unit runs on its own.
QStringList ForcedWarnings(const TReportData &data);
