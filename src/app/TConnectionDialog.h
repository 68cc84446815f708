// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TLineSettings.h"

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
    using Line = TLineSettings;

    TConnectionDialog(const Line &line, TUserMessages &messages, QWidget *parent = nullptr);

    // The line given with what the dialog shows now; empty when the baud rate text is no speed.
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
    const Line m_line;
};
