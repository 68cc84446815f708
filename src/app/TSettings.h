// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QRect>
#include <QSerialPort>
#include <QString>

#include <array>

// The settings file R4Ivivaz.ini in the working folder.
struct TSettings
{
    static QString FileName() { return QStringLiteral("R4Ivivaz.ini"); }

    static constexpr int kMaxReadPeriod = 500;  // seconds
    static constexpr int kMinAddress = 1;       // Modbus slave addresses
    static constexpr int kMaxAddress = 247;
    static constexpr int kBoardTypes = 2;
    static constexpr int kMinTimeoutMs = 100;  // answer time of one request
    static constexpr int kMaxTimeoutMs = 60000;

    // Written back at close.
    bool Mode = false;                  // true: serial line, false: Ethernet
    std::array<int, 4> IP{0, 0, 0, 0};  // the board's IPv4 address, octet by octet
    int ComPort = 0;                    // 0 = COM1 ... 3 = COM4
    int ReadPeriod = 1;                 // seconds between polls
    int Address = 1;                    // Modbus slave address
    int BoardTypeIndex = 0;

    // Written back at close: the main window as it was left. WindowRect is its client area in
    // device-independent pixels (invalid: none kept, the window opens at its natural size, centred);
    // WindowPage the caption of the page shown last ("Inputs & Outputs"; empty: none kept).
    QRect WindowRect;
    bool WindowMaximized = false;
    QString WindowPage;

    // Written when a file dialog closes with a file: the folder the file dialogs open in.
    QString FileFolder;

    // Read only: log keys for the client "Mode" selects, added by hand.
    bool LogFileEnabled = false;
    int LogFileExistTime = 7;
    int LogFileLevel = 1;

    // Written back: the rest of the line.
    QString Device;  // the serial device; a file without the key: the device of "COM Port"
    quint16 Port = 502;
    int BaudRate = 19200;
    QSerialPort::Parity Parity = QSerialPort::EvenParity;
    QSerialPort::DataBits DataBits = QSerialPort::Data8;
    QSerialPort::StopBits StopBits = QSerialPort::OneStop;
    int TimeoutMs = 3000;

    // Read only: the device behind COM1..COM4 of an older file; empty: the platform's.
    std::array<QString, 4> ComDevice;
    // The device of COM port number index + 1 as an older file names it.
    QString ComPortDevice(int index) const;

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
    // Sets "Log File Enabled" in the file at path (the window's "Link log" switch), keeping
    // everything else as Write does.
    static bool KeepLogEnabled(const QString &path, bool enabled, QString *error);
};
