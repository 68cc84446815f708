#include "app/TConnectionPanel.h"

#include "app/TErrorForm.h"
#include "app/TSettings.h"
#include "config/DefinitionFile.h"
#include "link/ModbusLog.h"
#include "link/TSerialModbusClient.h"
#include "link/TTCPModbusClient.h"
#include "session/TBoardSession.h"
#include "session/TUserMessages.h"
#include "widgets/ComboAccessible.h"
#include "widgets/EditApplied.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TIPAddressEdit.h"
#include "widgets/TLed.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// The link's log goes beside the tool when it runs from its own folder (the build tree, a folder
// copied whole). An installed tool's folder (/usr/bin) is no place for logs even where it can be
// written, as by root: there it goes to the user's own folder.
QString LogFolder()
{
    if (!DefinitionBesideProgram())
        return ModbusLog::UserFolder();
    return QDir(QCoreApplication::applicationDirPath()).absolutePath() + QDir::separator();
}

template <class W>
W *Named(W *widget, const char *name)
{
    widget->setObjectName(QLatin1String(name));
    return widget;
}
}  // namespace

TConnectionPanel::TConnectionPanel(TBoardSession &session, TTCPModbusClient &tcp, TSerialModbusClient &serial,
                                   TUserMessages &messages, QWidget *parent)
    : QGroupBox(QStringLiteral(" Connection "), parent),
      m_session(session),
      m_tcp(tcp),
      m_serial(serial),
      m_messages(messages),
      m_settingsPath(QDir::current().filePath(TSettings::FileName()))
{
    setObjectName(QStringLiteral("ConnectiondxfGroupBox"));

    ConnectionVrUserLed = Named(new TLed(this), "ConnectionVrUserLed");
    ConnectionVrUserLed->setAccessibleName(QStringLiteral("Connected"));
    ConnectVrButton = Named(new QPushButton(QStringLiteral("Connect"), this), "ConnectVrButton");
    SerialdxfCheckBox = Named(new QCheckBox(QStringLiteral("Serial"), this), "SerialdxfCheckBox");
    EthernetdxfCheckBox = Named(new QCheckBox(QStringLiteral("Ethernet"), this), "EthernetdxfCheckBox");
    auto *modes = new QButtonGroup(this);  // exactly one is checked; clicking it does not clear it
    modes->addButton(SerialdxfCheckBox);
    modes->addButton(EthernetdxfCheckBox);
    SerialdxfCheckBox->setChecked(true);

    auto *ipBox = new QGroupBox(QStringLiteral(" IP Address "), this);
    IPAddressEdit = Named(new TIPAddressEdit(ipBox), "IPAddressEdit");
    IPAddressEdit->setAccessibleName(QStringLiteral("IP Address"));
    (new QVBoxLayout(ipBox))->addWidget(IPAddressEdit);
    auto *comBox = new QGroupBox(QStringLiteral(" COM Port "), this);
    ui::SpeakComboNames();
    COMPortColumnComboBox = Named(new QComboBox(comBox), "COMPortColumnComboBox");
    COMPortColumnComboBox->addItems(
        {QStringLiteral("COM1"), QStringLiteral("COM2"), QStringLiteral("COM3"), QStringLiteral("COM4")});
    COMPortColumnComboBox->setAccessibleName(QStringLiteral("COM Port"));
    (new QVBoxLayout(comBox))->addWidget(COMPortColumnComboBox);

    PeriodAdvEdit = Named(new TAdvEdit(TAdvEdit::Unsigned, this), "PeriodAdvEdit");
    PeriodAdvEdit->setMaxLength(3);
    PeriodAdvEdit->setText(QStringLiteral("1"));
    PeriodAdvEdit->setToolTip(QStringLiteral("Seconds between two reads of the live values"));
    AddressAdvEdit = Named(new TAdvEdit(TAdvEdit::Unsigned, this), "AddressAdvEdit");
    AddressAdvEdit->setMaxLength(3);
    AddressAdvEdit->setText(QStringLiteral("1"));
    AddressAdvEdit->setToolTip(QStringLiteral("Modbus slave address of the board"));
    auto *periodLabel = new QLabel(QStringLiteral("T"), this);
    periodLabel->setBuddy(PeriodAdvEdit);
    auto *addressLabel = new QLabel(QStringLiteral("A"), this);
    addressLabel->setBuddy(AddressAdvEdit);
    PeriodAdvEdit->setAccessibleName(QStringLiteral("Poll period in seconds"));
    AddressAdvEdit->setAccessibleName(QStringLiteral("Slave address"));

    auto *layout = new QGridLayout(this);
    layout->setContentsMargins(6, 4, 6, 4);
    layout->setVerticalSpacing(3);
    layout->addWidget(ConnectionVrUserLed, 0, 0);
    layout->addWidget(ConnectVrButton, 0, 1, 1, 3);
    layout->addWidget(SerialdxfCheckBox, 1, 0, 1, 2);
    layout->addWidget(EthernetdxfCheckBox, 1, 2, 1, 2);
    layout->addWidget(ipBox, 2, 0, 1, 4);
    layout->addWidget(comBox, 3, 0, 1, 4);
    layout->addWidget(periodLabel, 4, 0);
    layout->addWidget(PeriodAdvEdit, 4, 1);
    layout->addWidget(addressLabel, 4, 2);
    layout->addWidget(AddressAdvEdit, 4, 3);
    setTabOrder(ConnectVrButton, SerialdxfCheckBox);
    setTabOrder(SerialdxfCheckBox, EthernetdxfCheckBox);
    setTabOrder(EthernetdxfCheckBox, IPAddressEdit);
    setTabOrder(IPAddressEdit, COMPortColumnComboBox);
    setTabOrder(COMPortColumnComboBox, PeriodAdvEdit);
    setTabOrder(PeriodAdvEdit, AddressAdvEdit);

    OnApplied(SerialdxfCheckBox, this, [this] { SerialdxfCheckBoxClick(); });
    OnApplied(EthernetdxfCheckBox, this, [this] { EthernetdxfCheckBoxClick(); });
    OnApplied(IPAddressEdit, this, [this] { IPAddressEditExit(); });
    OnApplied(PeriodAdvEdit, this, [this] { PeriodeAdvEditExit(); });
    OnApplied(ConnectVrButton, this, [this] { ConnectVrButtonClick(); });

    connect(&m_tcp, &TModbusClient::OnConnect, this, &TConnectionPanel::TCPModbusClientConnect);
    connect(&m_tcp, &TModbusClient::OnDisconnect, this, &TConnectionPanel::TCPModbusClientDisconnect);
    connect(&m_tcp, &TTCPModbusClient::OnClose, this, &TConnectionPanel::TCPModbusClientClose);
    connect(&m_serial, &TModbusClient::OnConnect, this, &TConnectionPanel::SerialModbusClientConnect);
    connect(&m_serial, &TModbusClient::OnDisconnect, this, &TConnectionPanel::SerialModbusClientDisconnect);
    connect(&m_tcp, &TModbusClient::OnResponse, this, &TConnectionPanel::TCPModbusClientResponse);
    connect(&m_serial, &TModbusClient::OnResponse, this, &TConnectionPanel::TCPModbusClientResponse);
    // A serial port that cannot be opened, or stops working, is told; otherwise "Connect" would
    // seem to do nothing. Queued: the box must not open inside the client's own handling. (A TCP
    // board that cannot be reached shows nothing: the client keeps trying.)
    connect(
        &m_serial, &TModbusClient::OnLineError, this, [this](const QString &message) { m_messages.ErrorBox(message); },
        Qt::QueuedConnection);

    SerialdxfCheckBoxClick();
}

void TConnectionPanel::SetMode(bool serial)
{
    (serial ? SerialdxfCheckBox : EthernetdxfCheckBox)->setChecked(true);
    if (serial)
        SerialdxfCheckBoxClick();
    else
        EthernetdxfCheckBoxClick();
}

bool TConnectionPanel::SerialSelected() const
{
    return SerialdxfCheckBox->isChecked();
}

void TConnectionPanel::SerialdxfCheckBoxClick()
{
    if (!SerialdxfCheckBox->isChecked())
        return;
    IPAddressEdit->setEnabled(false);
    COMPortColumnComboBox->setEnabled(true);
}

void TConnectionPanel::EthernetdxfCheckBoxClick()
{
    if (!EthernetdxfCheckBox->isChecked())
        return;
    IPAddressEdit->setEnabled(true);
    COMPortColumnComboBox->setEnabled(false);
}

void TConnectionPanel::IPAddressEditExit()
{
    m_tcp.SetServerAddress(IPAddressEdit->text());
}

void TConnectionPanel::PeriodeAdvEditExit()
{
    bool ok = false;
    const int seconds = PeriodAdvEdit->text().toInt(&ok);
    if (!ok) {
        m_messages.ErrorBox(NotAnIntegerMessage(PeriodAdvEdit->text()));
        return;
    }
    if (seconds > TSettings::kMaxReadPeriod) {
        m_messages.RangeWarning(PeriodAdvEdit);
        return;
    }
    if (OnPeriod)
        OnPeriod(seconds);
}

void TConnectionPanel::ConnectVrButtonClick()
{
    if (ConnectVrButton->text() != QLatin1String("Connect")) {
        if (BeforeDisconnect && m_session.Connected())
            BeforeDisconnect([this] { Disconnect(); });
        else
            Disconnect();
        return;
    }

    // The slave address is checked before anything is opened: a text that is no address must
    // not leave the line open towards the previous one.
    bool ok = false;
    const int address = AddressAdvEdit->text().toInt(&ok);
    if (!ok) {
        m_messages.ErrorBox(NotAnIntegerMessage(AddressAdvEdit->text()));
        return;
    }
    if (address < TSettings::kMinAddress || address > TSettings::kMaxAddress) {
        m_messages.RangeWarning(AddressAdvEdit);
        return;
    }
    // An address still being typed ("192.168.1.") would have the client retry it forever.
    if (EthernetdxfCheckBox->isChecked() && !IPAddressEdit->Octets()) {
        m_messages.ErrorBox(QStringLiteral("'%1' is not a complete IP address").arg(IPAddressEdit->text()));
        IPAddressEdit->setFocus(Qt::OtherFocusReason);
        return;
    }

    TModbusClient *client = nullptr;
    if (SerialdxfCheckBox->isChecked()) {
        m_serial.SetCommNumber(COMPortColumnComboBox->currentIndex() + 1);
        client = &m_serial;
    } else {
        m_tcp.SetServerAddress(IPAddressEdit->text());
        client = &m_tcp;
    }
    // Connecting again on the other line (the first one still opening) gives the first one up:
    // a TCP client left retrying could come up later beside the line in use.
    if (m_opened && m_opened != client)
        m_opened->Close();
    m_opened = client;
    // Set up, then open: opening purges and writes the log, and its events may follow at once.
    m_session.SetActiveClient(client);
    m_session.SetSlaveAddress(static_cast<quint8>(address));
    m_session.SetSharedFailureHandler([this] { ShowErrorWindow(); });
    client->ClearCounters();
    client->SetLogFilePath(LogFolder());
    client->Open();
}

void TConnectionPanel::LineUp()
{
    m_session.SetConnected(true);
    ConnectionVrUserLed->SetOn(true);
    for (QWidget *w : {static_cast<QWidget *>(SerialdxfCheckBox), static_cast<QWidget *>(EthernetdxfCheckBox),
                       static_cast<QWidget *>(IPAddressEdit), static_cast<QWidget *>(COMPortColumnComboBox),
                       static_cast<QWidget *>(PeriodAdvEdit), static_cast<QWidget *>(AddressAdvEdit)})
        w->setEnabled(false);
    ConnectVrButton->setText(QStringLiteral("Disconnect"));
    CloseErrorWindow();
    m_session.SetLinkOk(true);
    if (OnLineUp)
        OnLineUp();
}

void TConnectionPanel::Disconnect()
{
    // The lamp shows Connected (the TCP client's close event leaves it alone).
    m_session.SetConnected(false);
    ConnectionVrUserLed->SetOn(false);
    if (m_session.ActiveClient())
        m_session.ActiveClient()->Close();
    m_opened = nullptr;
    if (OnDisconnectClick)
        OnDisconnectClick();
}

// The line events below come only from the client in use: a client given up (see
// ConnectVrButtonClick) may still report its closing after the other line came up.
bool TConnectionPanel::IsActive(const TModbusClient &client) const
{
    return m_session.ActiveClient() == &client;
}

void TConnectionPanel::TCPModbusClientConnect()
{
    if (IsActive(m_tcp))
        LineUp();
}

void TConnectionPanel::SerialModbusClientConnect()
{
    if (IsActive(m_serial))
        LineUp();
}

void TConnectionPanel::TCPModbusClientDisconnect()
{
    if (!IsActive(m_tcp))
        return;
    // The client reconnects by itself and raises its connect event again.
    m_session.SetConnected(false);
    ConnectionVrUserLed->SetOn(false);
}

void TConnectionPanel::RestorePanel()
{
    SerialdxfCheckBox->setEnabled(true);
    EthernetdxfCheckBox->setEnabled(true);
    IPAddressEdit->setEnabled(EthernetdxfCheckBox->isChecked());
    COMPortColumnComboBox->setEnabled(SerialdxfCheckBox->isChecked());
    PeriodAdvEdit->setEnabled(true);
    AddressAdvEdit->setEnabled(true);
    ConnectVrButton->setText(QStringLiteral("Connect"));
}

void TConnectionPanel::TCPModbusClientClose()
{
    if (IsActive(m_tcp))
        RestorePanel();
}

void TConnectionPanel::SerialModbusClientDisconnect()
{
    if (!IsActive(m_serial))
        return;
    m_session.SetConnected(false);
    ConnectionVrUserLed->SetOn(false);
    RestorePanel();
}

void TConnectionPanel::TCPModbusClientResponse()
{
    if (m_session.LinkOk())
        return;
    m_session.SetLinkOk(true);
    CloseErrorWindow();
}

void TConnectionPanel::ShowErrorWindow()
{
    // Requests still waiting when the user disconnects fail, but that is no communication error.
    if (!m_session.Connected())
        return;
    // One window stands for any number of failures.
    if (!m_session.LinkOk())
        return;
    m_session.SetLinkOk(false);
    const TModbusClient *client = m_session.ActiveClient();
    auto *form = new TErrorForm(window(), client ? client->LastFailure() : QString());
    m_errorForm = form;
    // Closed by the user: the next failure opens a new window.
    connect(form, &QObject::destroyed, this, [this, form] {
        if (m_errorForm == form) {
            m_errorForm = nullptr;
            m_session.SetLinkOk(true);
        }
    });
    form->show();
}

void TConnectionPanel::FollowBoardAddress(int address)
{
    m_session.SetSlaveAddress(static_cast<quint8>(address));
    AddressAdvEdit->setText(QString::number(address));
    TSettings settings = TSettings::Read(m_settingsPath);
    settings.Address = address;
    QString error;
    if (!TSettings::Write(m_settingsPath, settings, &error))
        m_messages.ErrorBox(
            QStringLiteral("The slave address %1 could not be kept in the settings file: %2").arg(address).arg(error));
}

void TConnectionPanel::CloseErrorWindow()
{
    if (TErrorForm *form = std::exchange(m_errorForm, nullptr))
        form->close();
}

QString TConnectionPanel::LogFolderInUse()
{
    return LogFolder();
}
