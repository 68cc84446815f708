// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The traffic records of the link in the board's own words: registers by the names the tool gives
// them (a configuration item's "[Section] Key", a live block's or a command register's name), and
// values as the window shows them, with their units.

#include "config/ConfigItem.h"
#include "config/TransferRows.h"
#include "link/TModbusClient.h"

#include <QString>
#include <QStringList>

#include <unordered_map>

// One record, decoded, field by field.
struct TTrafficLine
{
    QString Time;       // "14:07:09.123"
    QString Request;    // "read", "write", "write block", "resync"; "read (repeat)" for a repeat
    QString Registers;  // "[Settings] SupplySetPoint (0x0200)", "Status block (0x0100 x69)"
    QString Values;     // "21.5 °C", "Input 1 21.3 °C, Input 2 ...", or nothing
    QString RoundTrip;  // "12.3 ms", or nothing
    QString Outcome;    // "answered", "refused (illegal data address (2))", "failed: no answer within 3000 ms"

    // The line as z4ctl --trace and the text file write it.
    QString Text() const;
    // The fields as one CSV row (no line end); CsvHeader() names them.
    QString Csv() const;
    static QString CsvHeader();
};

class TTrafficNames
{
public:
    // definition: the configuration items with their sections and keys (as read from the
    // definition file); an item it lacks is named by its number.
    explicit TTrafficNames(const ConfigImage &definition);

    TTrafficLine Decode(const TTrafficRecord &record) const;
    // The name of one register ("[Settings] SupplySetPoint", "Clock +2"), empty for one the tool
    // does not use.
    QString Name(quint16 address) const;
    // Whether record matches what the traffic window's filter holds: nothing; an address
    // ("0x0205", "517") among the registers it covers; or else a text found, in any case, in its
    // registers' names.
    static bool Matches(const TTrafficRecord &record, const TTrafficLine &line, const QString &filter);

private:
    struct TRegister
    {
        QString Name;
        const TParameterRow *Row = nullptr;  // the row that codes it, if any
        int Index = 0;                       // its register in the row
    };
    QString RegistersText(const TTrafficRecord &record) const;
    QString ValuesText(const TTrafficRecord &record) const;
    QString ValueText(quint16 address, quint16 value) const;

    std::unordered_map<quint16, TRegister> m_registers;
};
