// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QDateTime>
#include <QFileSystemWatcher>
#include <QGroupBox>
#include <QPointer>
#include <QTimer>

#include <functional>

#include "app/TConnectionDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class TAdvEdit;
class TBoardSession;
class TErrorForm;
class TIPAddressEdit;
class TLed;
class TModbusClient;
class TSerialModbusClient;
class TTCPModbusClient;
class TUserMessages;
struct TBoardFound;
struct TSettings;

// " Connection ": serial or Ethernet, the serial device, server address, poll period and slave
// address, and the line settings behind "Line settings..."; opening and closing the line, what the
// line is doing in words, the clients' events, and the communication-error window.
class TConnectionPanel : public QGroupBox
{
    Q_OBJECT

public:
    TConnectionPanel(TBoardSession &session, TTCPModbusClient &tcp, TSerialModbusClient &serial,
                     TUserMessages &messages, QWidget *parent = nullptr);

    // What the main window does on the panel's behalf.
    std::function<void()> OnLineUp;           // a connect event: read the visible page
    std::function<void()> OnDisconnectClick;  // "Disconnect" done: clear the live display
    // "Disconnect" clicked with the line up: runs disconnect (now, later or never) instead of
    // disconnecting at once, so that what must reach the board first can.
    std::function<void(std::function<void()> disconnect)> BeforeDisconnect;
    std::function<void(int seconds)> OnPeriod;  // a poll period was accepted

    void SetMode(bool serial);
    bool SerialSelected() const;
    // The folder the link's log goes to when the line is opened.
    static QString LogFolderInUse();
    // The connection part of the settings file: shown at start, kept at close (an edit that holds
    // no number keeps the file's value, and the user is told).
    void ApplySettings(const TSettings &settings);
    void KeepSettings(TSettings &settings) const;

    // The serial devices of folder (/dev unless a test gives another), listed again whenever
    // something changes in it (an adapter plugged or pulled).
    void WatchDevices(const QString &folder);
    void RefreshDevices();
    // The device the serial line uses: the list's choice or the path typed into it.
    QString SerialDevice() const;
    TConnectionDialog::Line LineSettings() const;
    void SetLineSettings(const TConnectionDialog::Line &line);
    void LineSettingsButtonClick();
    // "Find board...": searches the line chosen (closed) for the board, and takes the settings
    // found into the connection settings and the settings file when the user says so.
    void FindBoardButtonClick();

    // What the live view says while the line is not up: "no connection to 10.0.0.7:502 since
    // 14:07:09, trying again" while the line is being opened again, else "Line closed; values
    // from 14:07:09".
    QString LineDownText() const;

    void SerialdxfCheckBoxClick();
    void EthernetdxfCheckBoxClick();
    void IPAddressEditExit();
    void PeriodeAdvEditExit();
    void ConnectVrButtonClick();
    // Closes the line the user connected, as "Disconnect" does.
    void Disconnect();
    void TCPModbusClientConnect();
    void SerialModbusClientConnect();
    void TCPModbusClientDisconnect();
    void TCPModbusClientClose();
    void SerialModbusClientDisconnect();
    void TCPModbusClientResponse();
    // The request record's OnFailed while connected.
    void ShowErrorWindow();
    // The board took a new slave address: the line goes on at it, the address edit shows it and
    // the settings file keeps it.
    void FollowBoardAddress(int address);

    TErrorForm *ErrorWindow() const { return m_errorForm; }

signals:
    // What the line does changed; ConnectionStateLabel says it.
    void LineStateChanged();

public:
    TLed *ConnectionVrUserLed;
    QPushButton *ConnectVrButton;
    QPushButton *LineSettingsButton;
    QPushButton *FindBoardButton;
    QLabel *ConnectionStateLabel;
    QCheckBox *SerialdxfCheckBox;
    QCheckBox *EthernetdxfCheckBox;
    TIPAddressEdit *IPAddressEdit;
    QComboBox *COMPortColumnComboBox;
    TAdvEdit *PeriodAdvEdit;
    TAdvEdit *AddressAdvEdit;

private:
    bool IsActive(const TModbusClient &client) const;
    void LineUp();
    void LineLost();
    void LockInputs();
    void RestorePanel();
    void CloseErrorWindow();
    void SerialLineError(const QString &message);
    // Chooses the device in the list, or shows the path typed when the list has no such device.
    void ShowDevice(const QString &path);
    void UpdateState();
    QString ActiveLineName() const;
    void TakeFound(bool serial, const TBoardFound &found);

    TBoardSession &m_session;
    TTCPModbusClient &m_tcp;
    TSerialModbusClient &m_serial;
    TUserMessages &m_messages;
    TErrorForm *m_errorForm = nullptr;  // the one open error window, if any
    TModbusClient *m_opened = nullptr;  // the client "Connect" opened, until "Disconnect"
    QString m_settingsPath;             // the settings file of the working folder
    int m_timeoutMs = 3000;             // answer time of one request, from the next connect
    bool m_answered = false;            // the board answered since the line came up
    bool m_unanswered = false;          // a request failed before the board answered
    QString m_failure;                  // why the last connect failed
    QDateTime m_lostAt;                 // when the line was lost, while it is opened again
    QDateTime m_lastAnswer;             // the board's last answer
    QTimer m_tick;                      // counts down to the next connection attempt, second by second
    QString m_deviceFolder;
    QFileSystemWatcher m_deviceWatch;
    QTimer m_rescan;
};
