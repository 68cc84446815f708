// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TLineSettings.h"

#include <QList>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include <memory>

class TBoardModel;
class TModbusClient;
struct TLineStatus;

// One serial line setting a search tries.
struct TSearchSetting
{
    int BaudRate = TLineSettings().BaudRate;
    QSerialPort::Parity Parity = TLineSettings().Parity;

    bool operator==(const TSearchSetting &) const = default;
};

// Where and what a search tries. Serial: each setting in turn on the line's device (its data and
// stop bits), each unit address at each; TCP: each unit address of the line's host and port.
struct TSearchPlan
{
    TLineSettings Line = [] {
        TLineSettings serial;
        serial.Serial = true;
        return serial;
    }();
    QList<TSearchSetting> Settings;
    QList<quint8> Units;
    bool All = false;   // go on after the first board found
    int TimeoutMs = 0;  // per request; 0: what the line needs (see TBoardSearch::TimeoutMs)
};

// A board that answered with a plausible firmware version.
struct TBoardFound
{
    TSearchSetting Setting;  // serial only
    quint8 Unit = 0;
    quint16 Version = 0;
    quint16 BoardNumber = 0;
};

// Looks for a board whose line settings and slave address are not known: asks each unit address at
// each line setting for the firmware version, and nothing else, with a short timeout. The first
// unit address is asked at every setting first (a board whose line settings were changed is found
// in a few probes), then the other addresses setting by setting, the first setting first. Runs in
// the event loop of its thread on a client of its own, so the tool's own line stays as it is.
class TBoardSearch : public QObject
{
    Q_OBJECT

public:
    explicit TBoardSearch(QObject *parent = nullptr);
    ~TBoardSearch() override;

    // The usual serial settings, own first: 9600 ... 115200 baud, each with even, no and odd
    // parity. A baud rate or parity given narrows the list to it.
    static QList<TSearchSetting> SerialSettings(const TSearchSetting &own, bool baudGiven, bool parityGiven);
    // Unit addresses 1 .. 247, own first.
    static QList<quint8> Units(quint8 own);
    // The answer time a search allows a request on a serial line: the request and the answer on
    // the wire at this setting, the silences around them, and a board's turnaround.
    static int TimeoutMs(const TSearchSetting &setting, QSerialPort::DataBits dataBits, QSerialPort::StopBits stopBits);
    // A version a Z4 board reports: 1.000 to 9.999 (1000 .. 9999).
    static bool Plausible(quint16 version);
    // "19200 8E1".
    static QString SettingText(const TSearchSetting &setting, QSerialPort::DataBits dataBits,
                               QSerialPort::StopBits stopBits);
    // "address 7 at 19200 8E1" or "unit 7".
    QString FoundText(const TBoardFound &found) const;

    // Starts the search; Finished follows (also for a plan with nothing to try).
    void Start(const TSearchPlan &plan);
    // Ends the search after the request on the wire; Finished follows.
    void Cancel();
    bool Running() const { return m_running; }
    const QList<TBoardFound> &Found() const { return m_found; }
    // Why the search could not go on (a port that cannot be opened), empty otherwise.
    QString Error() const { return m_error; }
    // Probes made and in all (for a progress bar).
    int Done() const { return m_done; }
    int Total() const { return static_cast<int>(m_order.size()); }

signals:
    // A probe is about to go out: what it asks, in words.
    void Progress(const QString &what);
    void BoardFound(const TBoardFound &found);
    // The search ended: found everything it was asked to, tried everything, was cancelled, or the
    // line failed (Error()).
    void Finished();

private:
    void OpenSetting();
    void LineChanged(const TLineStatus &status);
    void Probe();
    void Next();
    void Finish(const QString &error = {});

    TSearchPlan m_plan;
    // The line of the setting tried, on clients of its own.
    std::unique_ptr<TBoardModel> m_model;
    TModbusClient *m_client = nullptr;
    QList<TBoardFound> m_found;
    QString m_error;
    // The probes in the order they go out: indexes into the plan's settings and units.
    QList<QPair<qsizetype, qsizetype>> m_order;
    qsizetype m_setting = -1;  // the setting the client is open at
    int m_done = 0;
    int m_timeoutMs = 0;
    bool m_repeated = false;  // the probe at this unit is a repeat after bytes that made no answer
    bool m_running = false;
    bool m_cancelled = false;
};
