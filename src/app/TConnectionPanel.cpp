// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TConnectionPanel.h"

#include "app/SettingsPlace.h"
#include "app/TErrorForm.h"
#include "app/TFindBoardDialog.h"
#include "app/TSettings.h"
#include "config/DefinitionFile.h"
#include "link/ModbusLog.h"
#include "link/SerialDevices.h"
#include "link/TSerialModbusClient.h"
#include "link/TTCPModbusClient.h"
#include "session/TBoardSession.h"
#include "session/TUserMessages.h"
#include "widgets/ComboAccessible.h"
#include "widgets/EditApplied.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TIPAddressEdit.h"
#include "widgets/TLed.h"

#include <QAbstractItemView>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
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

const QString kConnect = QStringLiteral("&Connect");
const QString kDisconnect = QStringLiteral("&Disconnect");
const QString kCancel = QStringLiteral("&Cancel");
constexpr int kDescriptionRole = Qt::UserRole + 1;

// The device list shows each path with what the system says it is; the edit shows the path only,
// so that a path typed or chosen reads the same.
class DeviceDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        const QString description = index.data(kDescriptionRole).toString();
        if (!description.isEmpty())
            option->text += QStringLiteral("  \u2013 ") + description;
    }
};

QString Clock(const QDateTime &at)
{
    return at.time().toString(QStringLiteral("HH:mm:ss"));
}
}  // namespace

TConnectionPanel::TConnectionPanel(TBoardSession &session, TTCPModbusClient &tcp, TSerialModbusClient &serial,
                                   TUserMessages &messages, QWidget *parent)
    : QGroupBox(QStringLiteral(" Connection "), parent),
      m_session(session),
      m_tcp(tcp),
      m_serial(serial),
      m_messages(messages),
      m_settingsPath(SettingsPlace::SettingsFile())
{
    setObjectName(QStringLiteral("ConnectiondxfGroupBox"));

    ConnectionVrUserLed = Named(new TLed(this), "ConnectionVrUserLed");
    ConnectionVrUserLed->setAccessibleName(QStringLiteral("Connected"));
    ConnectVrButton = Named(new QPushButton(kConnect, this), "ConnectVrButton");
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
    // The serial devices found, each with what it is; any other path can be typed.
    COMPortColumnComboBox = Named(new QComboBox(comBox), "COMPortColumnComboBox");
    COMPortColumnComboBox->setEditable(true);
    COMPortColumnComboBox->setInsertPolicy(QComboBox::NoInsert);
    COMPortColumnComboBox->setItemDelegate(new DeviceDelegate(COMPortColumnComboBox));
    COMPortColumnComboBox->view()->setAccessibleName(QStringLiteral("Serial devices found"));
    COMPortColumnComboBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    COMPortColumnComboBox->setMinimumContentsLength(10);
    COMPortColumnComboBox->lineEdit()->setPlaceholderText(QStringLiteral("/dev/ttyUSB0"));
    COMPortColumnComboBox->setAccessibleName(QStringLiteral("COM Port"));
    (new QVBoxLayout(comBox))->addWidget(COMPortColumnComboBox);
    LineSettingsButton = Named(new QPushButton(QStringLiteral("Line setti&ngs..."), this), "LineSettingsButton");
    LineSettingsButton->setToolTip(
        QStringLiteral("Baud rate, parity, data and stop bits, TCP port and the answer timeout"));
    FindBoardButton = Named(new QPushButton(QStringLiteral("Find &board..."), this), "FindBoardButton");
    FindBoardButton->setToolTip(QStringLiteral("Looks for the board on this line when its slave address, baud rate "
                                               "or parity are not known, asking only for its firmware version"));
    ConnectionStateLabel = Named(new QLabel(this), "ConnectionStateLabel");
    ConnectionStateLabel->setWordWrap(true);
    ConnectionStateLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    ConnectionStateLabel->setAccessibleName(QStringLiteral("Connection state"));
    // Room for the longest state kept from the start, so that the column does not jump; all of it
    // is in the tooltip too.
    ConnectionStateLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    ConnectionStateLabel->setMinimumHeight(4 * ConnectionStateLabel->fontMetrics().lineSpacing());

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
    // Side by side: the column keeps its height.
    auto *lineButtons = new QHBoxLayout;
    lineButtons->setSpacing(3);
    lineButtons->addWidget(LineSettingsButton);
    lineButtons->addWidget(FindBoardButton);
    layout->addLayout(lineButtons, 5, 0, 1, 4);
    layout->addWidget(ConnectionStateLabel, 6, 0, 1, 4);
    setTabOrder(ConnectVrButton, SerialdxfCheckBox);
    setTabOrder(SerialdxfCheckBox, EthernetdxfCheckBox);
    setTabOrder(EthernetdxfCheckBox, IPAddressEdit);
    setTabOrder(IPAddressEdit, COMPortColumnComboBox);
    setTabOrder(COMPortColumnComboBox, PeriodAdvEdit);
    setTabOrder(PeriodAdvEdit, AddressAdvEdit);
    setTabOrder(AddressAdvEdit, LineSettingsButton);
    setTabOrder(LineSettingsButton, FindBoardButton);

    OnApplied(SerialdxfCheckBox, this, [this] { SerialdxfCheckBoxClick(); });
    OnApplied(EthernetdxfCheckBox, this, [this] { EthernetdxfCheckBoxClick(); });
    OnApplied(IPAddressEdit, this, [this] { IPAddressEditExit(); });
    OnApplied(PeriodAdvEdit, this, [this] { PeriodeAdvEditExit(); });
    OnApplied(ConnectVrButton, this, [this] { ConnectVrButtonClick(); });
    connect(LineSettingsButton, &QPushButton::clicked, this, &TConnectionPanel::LineSettingsButtonClick);
    connect(FindBoardButton, &QPushButton::clicked, this, &TConnectionPanel::FindBoardButtonClick);

    connect(&m_tcp, &TModbusClient::OnConnect, this, &TConnectionPanel::TCPModbusClientConnect);
    connect(&m_tcp, &TModbusClient::OnDisconnect, this, &TConnectionPanel::TCPModbusClientDisconnect);
    connect(&m_tcp, &TTCPModbusClient::OnClose, this, &TConnectionPanel::TCPModbusClientClose);
    connect(&m_serial, &TModbusClient::OnConnect, this, &TConnectionPanel::SerialModbusClientConnect);
    connect(&m_serial, &TModbusClient::OnDisconnect, this, &TConnectionPanel::SerialModbusClientDisconnect);
    connect(&m_tcp, &TModbusClient::OnResponse, this, &TConnectionPanel::TCPModbusClientResponse);
    connect(&m_serial, &TModbusClient::OnResponse, this, &TConnectionPanel::TCPModbusClientResponse);
    // A serial port that cannot be opened is told; otherwise "Connect" would seem to do nothing.
    // Queued: the box must not open inside the client's own handling. A TCP board that cannot be
    // reached is told in the state line, try by try: the client keeps trying.
    connect(&m_serial, &TModbusClient::OnLineError, this, &TConnectionPanel::SerialLineError, Qt::QueuedConnection);
    connect(&m_tcp, &TTCPModbusClient::OnAttempt, this, &TConnectionPanel::UpdateState);
    // A serial adapter pulled and plugged back is opened again, as a lost TCP line is.
    m_serial.SetReconnect(true);
    m_tick.setSingleShot(true);
    connect(&m_tick, &QTimer::timeout, this, &TConnectionPanel::UpdateState);

    // Devices come and go in bursts (a plugged adapter adds its node and links): list them once
    // the burst is over.
    m_rescan.setSingleShot(true);
    m_rescan.setInterval(300);
    connect(&m_rescan, &QTimer::timeout, this, &TConnectionPanel::RefreshDevices);
    connect(&m_deviceWatch, &QFileSystemWatcher::directoryChanged, &m_rescan, qOverload<>(&QTimer::start));
    WatchDevices(QStringLiteral("/dev"));

    SerialdxfCheckBoxClick();
}

void TConnectionPanel::WatchDevices(const QString &folder)
{
    if (!m_deviceWatch.directories().isEmpty())
        m_deviceWatch.removePaths(m_deviceWatch.directories());
    m_deviceFolder = folder;
    const QString byId = QDir(folder).filePath(QStringLiteral("serial/by-id"));
    for (const QString &path : {folder, QDir(folder).filePath(QStringLiteral("serial")), byId})
        if (QFileInfo(path).isDir())
            m_deviceWatch.addPath(path);
    RefreshDevices();
}

void TConnectionPanel::RefreshDevices()
{
    // The folder "serial" appears with the first USB adapter.
    const QString byId = QDir(m_deviceFolder).filePath(QStringLiteral("serial/by-id"));
    if (QFileInfo(byId).isDir() && !m_deviceWatch.directories().contains(byId))
        m_deviceWatch.addPath(byId);
    const QString current = SerialDevice();
    COMPortColumnComboBox->clear();
    for (const TSerialDevice &device : ListSerialDevices(m_deviceFolder)) {
        COMPortColumnComboBox->addItem(device.Path);
        const int row = COMPortColumnComboBox->count() - 1;
        COMPortColumnComboBox->setItemData(row, device.Description, kDescriptionRole);
        COMPortColumnComboBox->setItemData(row, device.Description, Qt::ToolTipRole);
    }
    ShowDevice(current);
}

void TConnectionPanel::ShowDevice(const QString &path)
{
    const int found = COMPortColumnComboBox->findText(path);
    if (found >= 0)
        COMPortColumnComboBox->setCurrentIndex(found);
    else
        COMPortColumnComboBox->setEditText(path);
}

QString TConnectionPanel::SerialDevice() const
{
    return COMPortColumnComboBox->currentText().trimmed();
}

TConnectionDialog::Line TConnectionPanel::LineSettings() const
{
    return {.BaudRate = m_serial.BaudRate(),
            .Parity = m_serial.Parity(),
            .DataBits = m_serial.DataBits(),
            .StopBits = m_serial.StopBits(),
            .Port = m_tcp.Port(),
            .TimeoutMs = m_timeoutMs};
}

void TConnectionPanel::SetLineSettings(const TConnectionDialog::Line &line)
{
    m_serial.SetBaudRate(line.BaudRate);
    m_serial.SetParity(line.Parity);
    m_serial.SetDataBits(line.DataBits);
    m_serial.SetStopBits(line.StopBits);
    m_tcp.SetPort(line.Port);
    m_timeoutMs = line.TimeoutMs;
}

void TConnectionPanel::LineSettingsButtonClick()
{
    TConnectionDialog dialog(LineSettings(), m_messages, window());
    if (dialog.exec() == QDialog::Accepted)
        if (const auto line = dialog.Chosen())
            SetLineSettings(*line);  // the line in use keeps its settings until the next connect
}

void TConnectionPanel::FindBoardButtonClick()
{
    const TConnectionDialog::Line line = LineSettings();
    TSearchPlan plan;
    plan.Serial = SerialSelected();
    plan.Device = SerialDevice();
    plan.DataBits = line.DataBits;
    plan.StopBits = line.StopBits;
    plan.Settings = TBoardSearch::SerialSettings({line.BaudRate, line.Parity}, false, false);
    plan.Host = IPAddressEdit->text();
    plan.Port = line.Port;
    const int address = AddressAdvEdit->text().toInt();
    plan.Units = TBoardSearch::Units(address >= TSettings::kMinAddress && address <= TSettings::kMaxAddress
                                         ? static_cast<quint8>(address)
                                         : quint8(1));
    if ((plan.Serial && plan.Device.isEmpty()) || (!plan.Serial && !IPAddressEdit->Octets())) {
        m_messages.ErrorBox(plan.Serial ? QStringLiteral("Choose the serial device to search first.")
                                        : QStringLiteral("Enter the board's IP address to search first."));
        return;
    }
    auto *dialog = new TFindBoardDialog(plan, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, serial = plan.Serial] {
        if (const auto found = dialog->Chosen())
            TakeFound(serial, *found);
    });
    dialog->open();
}

void TConnectionPanel::TakeFound(bool serial, const TBoardFound &found)
{
    AddressAdvEdit->setText(QString::number(found.Unit));
    TConnectionDialog::Line line = LineSettings();
    if (serial) {
        line.BaudRate = found.Setting.BaudRate;
        line.Parity = found.Setting.Parity;
        SetLineSettings(line);
    }
    TSettings settings = TSettings::Read(m_settingsPath);
    KeepSettings(settings);
    QString error;
    if (!TSettings::Write(m_settingsPath, settings, &error))
        m_messages.ErrorBox(QStringLiteral("The settings found could not be kept in the settings file: %1").arg(error));
}

void TConnectionPanel::ApplySettings(const TSettings &settings)
{
    SetMode(settings.Mode);
    IPAddressEdit->SetOctets(settings.IP);
    ShowDevice(settings.Device);
    PeriodAdvEdit->setText(QString::number(settings.ReadPeriod));
    AddressAdvEdit->setText(QString::number(settings.Address));
    m_tcp.SetServerAddress(IPAddressEdit->text());
    SetLineSettings({.BaudRate = settings.BaudRate,
                     .Parity = settings.Parity,
                     .DataBits = settings.DataBits,
                     .StopBits = settings.StopBits,
                     .Port = settings.Port,
                     .TimeoutMs = settings.TimeoutMs});
}

void TConnectionPanel::KeepSettings(TSettings &settings) const
{
    settings.Mode = SerialSelected();
    if (const auto octets = IPAddressEdit->Octets())
        settings.IP = *octets;
    settings.Device = SerialDevice();
    const TConnectionDialog::Line line = LineSettings();
    settings.BaudRate = line.BaudRate;
    settings.Parity = line.Parity;
    settings.DataBits = line.DataBits;
    settings.StopBits = line.StopBits;
    settings.Port = line.Port;
    settings.TimeoutMs = line.TimeoutMs;
    bool ok = false;
    const int period = PeriodAdvEdit->text().toInt(&ok);
    if (ok)
        settings.ReadPeriod = period;
    else
        m_messages.ErrorBox(NotAnIntegerMessage(PeriodAdvEdit->text()));
    const int address = AddressAdvEdit->text().toInt(&ok);
    if (ok)
        settings.Address = address;
    else
        m_messages.ErrorBox(NotAnIntegerMessage(AddressAdvEdit->text()));
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
        m_messages.OutOfRange(PeriodAdvEdit, QStringLiteral("Poll period: 0 to %1 s").arg(TSettings::kMaxReadPeriod));
        return;
    }
    if (OnPeriod)
        OnPeriod(seconds);
}

void TConnectionPanel::ConnectVrButtonClick()
{
    if (ConnectVrButton->text() != kConnect) {
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
        m_messages.OutOfRange(
            AddressAdvEdit,
            QStringLiteral("Slave address: %1 to %2").arg(TSettings::kMinAddress).arg(TSettings::kMaxAddress));
        return;
    }
    // An address still being typed ("192.168.1.") would have the client retry it forever.
    if (EthernetdxfCheckBox->isChecked() && !IPAddressEdit->Octets()) {
        m_messages.ErrorBox(QStringLiteral("'%1' is not a complete IP address").arg(IPAddressEdit->text()));
        IPAddressEdit->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (SerialdxfCheckBox->isChecked() && SerialDevice().isEmpty()) {
        m_messages.ErrorBox(QStringLiteral("Choose the serial device of the board, or type its path (/dev/ttyUSB0)"));
        COMPortColumnComboBox->setFocus(Qt::OtherFocusReason);
        return;
    }

    TModbusClient *client = nullptr;
    if (SerialdxfCheckBox->isChecked()) {
        m_serial.SetDevice(SerialDevice());
        client = &m_serial;
    } else {
        m_tcp.SetServerAddress(IPAddressEdit->text());
        client = &m_tcp;
    }
    // The line in use is closed first: while it opens, is up or is being opened again, the button
    // is Cancel or Disconnect.
    m_opened = client;
    // Set up, then open: opening purges and writes the log, and its events may follow at once.
    m_session.SetActiveClient(client);
    m_session.SetSlaveAddress(static_cast<quint8>(address));
    m_session.SetRequestTimeout(static_cast<quint32>(m_timeoutMs));
    m_session.SetSharedFailureHandler([this] { ShowErrorWindow(); });
    m_failure.clear();
    m_lostAt = {};
    // Opening: the inputs are locked and the button cancels, until the line is up or given up.
    LockInputs();
    ConnectVrButton->setText(kCancel);
    client->ClearCounters();
    client->SetLogFilePath(LogFolder());
    client->Open();
    UpdateState();
}

void TConnectionPanel::LockInputs()
{
    for (QWidget *w : {static_cast<QWidget *>(SerialdxfCheckBox), static_cast<QWidget *>(EthernetdxfCheckBox),
                       static_cast<QWidget *>(IPAddressEdit), static_cast<QWidget *>(COMPortColumnComboBox),
                       static_cast<QWidget *>(PeriodAdvEdit), static_cast<QWidget *>(AddressAdvEdit),
                       static_cast<QWidget *>(FindBoardButton)})
        w->setEnabled(false);
}

void TConnectionPanel::LineUp()
{
    m_session.SetConnected(true);
    // The lamp waits for the board: an open port or socket with nothing answering is no connection.
    m_answered = false;
    m_unanswered = false;
    m_lostAt = {};
    ConnectionVrUserLed->SetOn(false);
    LockInputs();
    ConnectVrButton->setText(kDisconnect);
    CloseErrorWindow();
    m_session.SetLinkOk(true);
    UpdateState();
    if (OnLineUp)
        OnLineUp();
}

void TConnectionPanel::LineLost()
{
    m_session.SetConnected(false);
    ConnectionVrUserLed->SetOn(false);
    m_lostAt = QDateTime::currentDateTime();
    UpdateState();
}

void TConnectionPanel::Disconnect()
{
    // Cancelled while the board could not be reached: why stays in the state line.
    if (!m_session.Connected() && m_session.ActiveClient() == &m_tcp && !m_tcp.AttemptFailure().isEmpty())
        m_failure = QStringLiteral("No connection to %1 (%2)").arg(m_tcp.LineName(), m_tcp.AttemptFailure());
    // The lamp shows Connected (the TCP client's close event leaves it alone).
    m_session.SetConnected(false);
    ConnectionVrUserLed->SetOn(false);
    m_lostAt = {};
    if (m_session.ActiveClient())
        m_session.ActiveClient()->Close();
    m_opened = nullptr;
    UpdateState();
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
    // The client reconnects by itself and raises its connect event again.
    if (IsActive(m_tcp))
        LineLost();
}

void TConnectionPanel::RestorePanel()
{
    SerialdxfCheckBox->setEnabled(true);
    EthernetdxfCheckBox->setEnabled(true);
    IPAddressEdit->setEnabled(EthernetdxfCheckBox->isChecked());
    COMPortColumnComboBox->setEnabled(SerialdxfCheckBox->isChecked());
    PeriodAdvEdit->setEnabled(true);
    AddressAdvEdit->setEnabled(true);
    FindBoardButton->setEnabled(true);
    ConnectVrButton->setText(kConnect);
    m_lostAt = {};
    UpdateState();
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
    // A port that went away is opened again by the client until "Disconnect".
    if (m_serial.Retrying()) {
        LineLost();
        return;
    }
    m_session.SetConnected(false);
    ConnectionVrUserLed->SetOn(false);
    RestorePanel();
}

void TConnectionPanel::SerialLineError(const QString &message)
{
    // Only a port that does not open is told in a box. One that stops working, or does not open
    // again while it is away, is told in the state line: the client keeps trying it.
    if (!IsActive(m_serial) || ConnectVrButton->text() != kCancel || m_serial.IsOpen())
        return;
    m_messages.ErrorBox(message);
    m_opened = nullptr;
    m_failure = message;
    RestorePanel();
}

void TConnectionPanel::TCPModbusClientResponse()
{
    m_lastAnswer = QDateTime::currentDateTime();
    if (!m_answered && m_session.Connected()) {
        m_answered = true;
        ConnectionVrUserLed->SetOn(true);
        UpdateState();
    }
    if (m_session.LinkOk())
        return;
    m_session.SetLinkOk(true);
    CloseErrorWindow();
}

QString TConnectionPanel::ActiveLineName() const
{
    const TModbusClient *client = m_session.ActiveClient();
    return client ? client->LineName() : QString();
}

QString TConnectionPanel::LineDownText() const
{
    if (m_lostAt.isValid())
        return QStringLiteral("no connection to %1 since %2, trying again").arg(ActiveLineName(), Clock(m_lostAt));
    if (m_lastAnswer.isValid())
        return QStringLiteral("Line closed; values from %1").arg(Clock(m_lastAnswer));
    return QStringLiteral("Line closed");
}

void TConnectionPanel::UpdateState()
{
    const bool serial = m_session.ActiveClient() == &m_serial;
    const QString line = ActiveLineName();
    const QString framing = serial ? QStringLiteral(" (%1)").arg(LineText(LineSettings())) : QString();
    QString text;
    bool counting = false;
    if (ConnectVrButton->text() == kConnect) {
        text = m_failure;  // why the last connect failed, until the next
    } else if (m_session.Connected()) {
        const int address = m_session.SlaveAddress();
        if (m_answered)
            text = QStringLiteral("Connected to %1%2, board address %3").arg(line, framing).arg(address);
        else if (m_unanswered)
            text = QStringLiteral("No answer from the board at address %1 on %2%3: check the cable, the address%4")
                       .arg(address)
                       .arg(line, framing, serial ? QStringLiteral(" and the line settings") : QString());
        else
            text = QStringLiteral("%1%2 open, waiting for the board at address %3").arg(line, framing).arg(address);
    } else if (!m_opened) {
        text = QStringLiteral("Closing %1").arg(line);
    } else if (!serial) {
        text = m_lostAt.isValid() ? LineDownText() : QStringLiteral("Connecting to %1").arg(line);
        if (m_tcp.Attempt() > 0)
            text += QStringLiteral(", try %1").arg(m_tcp.Attempt());
        const int nextMs = m_tcp.NextAttemptInMs();
        if (nextMs >= 0) {
            text += QStringLiteral(", next in %1 s").arg((nextMs + 999) / 1000);
            // Shown again just after the count drops, so that no second is skipped.
            m_tick.start(nextMs % 1000 + 1);
            counting = true;
        }
        if (!m_tcp.AttemptFailure().isEmpty())
            text += QLatin1Char('\n') + m_tcp.AttemptFailure();
    } else if (m_lostAt.isValid()) {
        text = LineDownText();
    } else {
        text = QStringLiteral("Opening %1").arg(line);
    }
    if (!counting)
        m_tick.stop();
    if (ConnectionStateLabel->text() == text)
        return;
    ConnectionStateLabel->setText(text);
    ConnectionStateLabel->setToolTip(text);
    emit LineStateChanged();
}

void TConnectionPanel::ShowErrorWindow()
{
    // Requests still waiting when the user disconnects fail, but that is no communication error.
    if (!m_session.Connected())
        return;
    if (!m_answered && !m_unanswered) {
        m_unanswered = true;
        UpdateState();
    }
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
