// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QSerialPort>
#include <QString>

#include <optional>

class TIniFile;
class TSerialModbusClient;
class TTCPModbusClient;

// The line to one board, as the window, z4ctl and the board search open it: a serial device and
// its framing, or a host and port; the board's unit address and how long it has to answer one
// request. The defaults are the Modbus serial-line default (19200 8E1) and the Modbus TCP port.
struct TLineSettings
{
    static constexpr int kMinUnit = 1;  // Modbus slave addresses
    static constexpr int kMaxUnit = 247;
    static constexpr int kMinTimeoutMs = 100;
    static constexpr int kMaxTimeoutMs = 60000;
    static constexpr int kMinBaudRate = 50;
    static constexpr int kMaxBaudRate = 4000000;

    bool Serial = false;
    QString Device;  // serial: the device path ("/dev/ttyUSB0")
    int BaudRate = QSerialPort::Baud19200;
    QSerialPort::Parity Parity = QSerialPort::EvenParity;
    QSerialPort::DataBits DataBits = QSerialPort::Data8;
    QSerialPort::StopBits StopBits = QSerialPort::OneStop;
    QString Host = QStringLiteral("0.0.0.0");  // TCP: a name or an address (IPv6 without brackets)
    quint16 Port = 502;
    quint8 Unit = 1;
    int TimeoutMs = 3000;  // per request

    bool operator==(const TLineSettings &) const = default;

    // "19200 8E1": speed, data bits, parity and stop bits as a technician writes them.
    QString Framing() const;
    // The line as every text names it: "/dev/ttyUSB0 (19200 8E1)", "10.0.0.7:502", "[::1]:502".
    QString Name() const;
    // The host as Qt's TCP client takes it: an IPv6 address in brackets.
    QString UrlHost() const;
    // "N", "E", "O"; and back from a letter or a word ("none", "even", "odd"), any case.
    static QString ParityLetter(QSerialPort::Parity parity);
    static std::optional<QSerialPort::Parity> ParityFromText(const QString &text);

    // The line keys of a settings file section: Mode, IP1..IP4, Device (an older file's "COM Port"
    // and "COMn Device" when it has none), Port, Baud Rate, Parity, Data Bits, Stop Bits, Address
    // and Timeout. A key that is missing or makes no sense for it keeps the default.
    static TLineSettings Read(const TIniFile &ini, const QString &section);
    // Writes the same keys, all but the older file's.
    void Write(TIniFile &ini, const QString &section) const;

    // Puts the line's settings into a client, to take effect at its next Open.
    void ApplyTo(TSerialModbusClient &client) const;
    void ApplyTo(TTCPModbusClient &client) const;
};
