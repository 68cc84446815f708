#pragma once

#include <QGroupBox>
#include <QPointer>

#include <functional>

class QCheckBox;
class QComboBox;
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

// " Connection ": serial or Ethernet, COM port, server address, poll period and slave address;
// opening and closing the line, the clients' events, and the communication-error window.
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

    TLed *ConnectionVrUserLed;
    QPushButton *ConnectVrButton;
    QCheckBox *SerialdxfCheckBox;
    QCheckBox *EthernetdxfCheckBox;
    TIPAddressEdit *IPAddressEdit;
    QComboBox *COMPortColumnComboBox;
    TAdvEdit *PeriodAdvEdit;
    TAdvEdit *AddressAdvEdit;

private:
    bool IsActive(const TModbusClient &client) const;
    void LineUp();
    void RestorePanel();
    void CloseErrorWindow();

    TBoardSession &m_session;
    TTCPModbusClient &m_tcp;
    TSerialModbusClient &m_serial;
    TUserMessages &m_messages;
    TErrorForm *m_errorForm = nullptr;  // the one open error window, if any
    TModbusClient *m_opened = nullptr;  // the client "Connect" opened, until "Disconnect"
    QString m_settingsPath;             // the settings file of the working folder
};
