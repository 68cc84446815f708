// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TLineSettings.h"

#include <QRect>
#include <QSerialPort>
#include <QString>

// The settings file R4Ivivaz.ini in the working folder. Read and written here only: whoever keeps
// something in it goes through Write or RememberFolder, which rewrite the file whole.
struct TSettings
{
    static QString FileName() { return QStringLiteral("R4Ivivaz.ini"); }
    // The settings file of the tool started in folder.
    static QString PathIn(const QString &folder);

    static constexpr int kMaxReadPeriod = 500;                   // seconds
    static constexpr int kMinAddress = TLineSettings::kMinUnit;  // Modbus slave addresses
    static constexpr int kMaxAddress = TLineSettings::kMaxUnit;
    static constexpr int kBoardTypes = 2;

    // Written back at close: the line (Mode, IP1..IP4, Device, Port, Baud Rate, Parity, Data Bits,
    // Stop Bits, Address and Timeout in [Connection]), the poll period and the board type.
    TLineSettings Line;
    int ComPort = 0;     // an older file's serial port: 0 = COM1 ... 3 = COM4; kept as it is
    int ReadPeriod = 1;  // seconds between polls
    int BoardTypeIndex = 0;

    // Written back at close: the main window as it was left. WindowRect is its client area in
    // device-independent pixels (invalid: none kept, the window opens at its natural size, centred);
    // WindowPage the caption of the page shown last ("Inputs & Outputs"; empty: none kept).
    QRect WindowRect;
    bool WindowMaximized = false;
    QString WindowPage;

    // Written when a file dialog closes with a file: the folder the file dialogs open in.
    QString FileFolder;

    // Written when the report dialog closes with a report: who made the last report where
    // ([Report] Site, Unit and Technician), offered again by the next.
    QString ReportSite;
    QString ReportUnit;
    QString ReportTechnician;

    // Recordings ([Recording]): the folder (empty: the user's data folder), the size the folder is
    // kept under in MB, and whether to record whenever connected (the menu's switch writes it).
    QString RecordFolder;
    int RecordMaxMB = 2048;
    bool RecordWhenConnected = false;
    // Read only: log keys for the client "Mode" selects, added by hand.
    bool LogFileEnabled = false;
    int LogFileExistTime = 7;
    int LogFileLevel = 1;

    // Missing file or keys give the defaults above; a value that makes no sense for its key
    // (an octet of 300, parity "X", a period above 500 s, slave address 0) is taken as absent.
    // A file that cannot be read counts as missing: also a pipe, a device or a folder in its place,
    // or a link to a file in another folder (the working folder may be shared; such a link is
    // never followed, for reading or writing).
    static TSettings Read(const QString &path);
    // Rewrites the keys that are written back, keeping everything else in the file. A file that
    // exists but cannot be read is left alone.
    static bool Write(const QString &path, const TSettings &settings, QString *error);

    // The folder a file dialog opens in: FileFolder while that folder exists, else fallback.
    QString DialogFolder(const QString &fallback) const;
    // Sets FileFolder in the file at path to the folder that holds file, keeping everything else
    // as Write does. A folder whose name holds a line break is not kept: the file could not hold it.
    static bool RememberFolder(const QString &path, const QString &file, QString *error);
    // Sets the three report keys in the file at path, keeping everything else as Write does. A
    // text with a line break is not kept: the file could not hold it.
    static bool RememberReport(const QString &path, const QString &site, const QString &unit, const QString &technician,
                               QString *error);
    // Sets "Log File Enabled" in the file at path (the window's "Link log" switch), keeping
    // everything else as Write does.
    static bool KeepLogEnabled(const QString &path, bool enabled, QString *error);
    // Sets "WhenConnected" of [Recording] in the file at path, keeping everything else.
    static bool KeepRecordWhenConnected(const QString &path, bool on, QString *error);
};
