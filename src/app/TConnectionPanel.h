// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "link/TLineSettings.h"

#include <QGroupBox>

#include <functional>

class QCheckBox;
class QComboBox;
class QPushButton;
class TAdvEdit;
class TBoardLine;
class TDeviceComboBox;
class TErrorForm;
class TIPAddressEdit;
class TLed;
class TUserMessages;
class TWrapLabel;
struct TBoardFound;
struct TLineStatus;
struct TSettings;

// " Connection ": serial or Ethernet, the serial device, server address, poll period and slave
// address, and the line settings behind "Line settings..."; it opens and closes the line and shows
// what the line (TBoardLine) does: its lamp, its button, its state line and the
// communication-error window.
class TConnectionPanel : public QGroupBox
{
    Q_OBJECT

public:
    TConnectionPanel(TBoardLine &line, TUserMessages &messages, QWidget *parent = nullptr);

    // What the main window does on the panel's behalf.
    std::function<void()> OnLineUp;           // the line came up: read the visible page
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
    // The device the serial line uses: the list's choice or the path typed into it.
    QString SerialDevice() const;
    // The settings of the next connect; setting them changes the box's choices too.
    TLineSettings LineSettings() const;
    void SetLineSettings(const TLineSettings &line);
    void LineSettingsButtonClick();
    // "Find board...": searches the line chosen (closed) for the board, and takes the settings
    // found into the connection settings and the settings file when the user says so.
    void FindBoardButtonClick();

    void SerialdxfCheckBoxClick();
    void EthernetdxfCheckBoxClick();
    void IPAddressEditExit();
    void PeriodeAdvEditExit();
    void ConnectVrButtonClick();
    // Closes the line the user connected, as "Disconnect" does.
    void Disconnect();
    // The board took a new slave address: the line goes on at it, the address edit shows it and
    // the settings file keeps it.
    void FollowBoardAddress(int address);

    TErrorForm *ErrorWindow() const { return m_errorForm; }

public:
    TLed *ConnectionVrUserLed;
    QPushButton *ConnectVrButton;
    QPushButton *LineSettingsButton;
    QPushButton *FindBoardButton;
    TWrapLabel *ConnectionStateLabel;
    QCheckBox *SerialdxfCheckBox;
    QCheckBox *EthernetdxfCheckBox;
    TIPAddressEdit *IPAddressEdit;
    TDeviceComboBox *COMPortColumnComboBox;
    TAdvEdit *PeriodAdvEdit;
    TAdvEdit *AddressAdvEdit;

private:
    void Show(const TLineStatus &status);
    void ShowErrorWindow(const QString &failure);
    void CloseErrorWindow();
    void TakeFound(bool serial, const TBoardFound &found);
    // Keeps what the box and the dialog hold in the settings file now; what failed is told.
    void KeepNow(const QString &what);

    TBoardLine &m_line;
    TUserMessages &m_messages;
    TErrorForm *m_errorForm = nullptr;  // the one open error window, if any
};
