// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDialog>
#include <QSerialPort>

#include <optional>

class QComboBox;
class QSpinBox;
class TUserMessages;

// The line settings the connection panel has no room for: the serial line's speed and framing,
// the TCP port and the answer time of one request. OK takes them; nothing goes to the board.
class TConnectionDialog : public QDialog
{
    Q_OBJECT

public:
    struct Line
    {
        int BaudRate = 19200;
        QSerialPort::Parity Parity = QSerialPort::EvenParity;
        QSerialPort::DataBits DataBits = QSerialPort::Data8;
        QSerialPort::StopBits StopBits = QSerialPort::OneStop;
        quint16 Port = 502;
        int TimeoutMs = 3000;

        bool operator==(const Line &) const = default;
    };

    TConnectionDialog(const Line &line, TUserMessages &messages, QWidget *parent = nullptr);

    // What the dialog shows now; the baud rate empty when the text is no speed.
    std::optional<Line> Chosen() const;
    void accept() override;

    QComboBox *BaudRateComboBox;
    QComboBox *ParityComboBox;
    QComboBox *DataBitsComboBox;
    QComboBox *StopBitsComboBox;
    QSpinBox *PortSpinBox;
    QSpinBox *TimeoutSpinBox;

private:
    TUserMessages &m_messages;
};

// "19200 8E1": speed, data bits, parity and stop bits as a technician writes them.
QString LineText(const TConnectionDialog::Line &line);
