// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TConnectionPanel.h"

#include "app/SettingsPlace.h"
#include "app/TConnectionDialog.h"
#include "app/TErrorForm.h"
#include "app/TFindBoardDialog.h"
#include "app/TSettings.h"
#include "config/DefinitionFile.h"
#include "link/ModbusLog.h"
#include "session/TBoardLine.h"
#include "session/TUserMessages.h"
#include "widgets/ComboAccessible.h"
#include "widgets/EditApplied.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TDeviceComboBox.h"
#include "widgets/TIPAddressEdit.h"
#include "widgets/TLed.h"
#include "widgets/TWrapLabel.h"

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
#include <QMetaObject>
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

const QString kConnect = QStringLiteral("&Connect");
const QString kDisconnect = QStringLiteral("&Disconnect");
const QString kCancel = QStringLiteral("&Cancel");
const QColor kGreen(0, 200, 0);
const QColor kAmber(255, 176, 0);
}  // namespace

TConnectionPanel::TConnectionPanel(TBoardLine &line, TUserMessages &messages, QWidget *parent)
    : QGroupBox(QStringLiteral(" Connection "), parent), m_line(line), m_messages(messages)
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
    COMPortColumnComboBox = Named(new TDeviceComboBox(comBox), "COMPortColumnComboBox");
    COMPortColumnComboBox->setAccessibleName(QStringLiteral("COM Port"));
    (new QVBoxLayout(comBox))->addWidget(COMPortColumnComboBox);
    LineSettingsButton = Named(new QPushButton(QStringLiteral("Line setti&ngs..."), this), "LineSettingsButton");
    LineSettingsButton->setToolTip(
        QStringLiteral("Baud rate, parity, data and stop bits, TCP port and the answer timeout"));
    FindBoardButton = Named(new QPushButton(QStringLiteral("Find &board..."), this), "FindBoardButton");
    FindBoardButton->setToolTip(QStringLiteral("Looks for the board on this line when its slave address, baud rate "
                                               "or parity are not known, asking only for its firmware version"));
    // What the line does; it wraps within the column and never widens it.
    ConnectionStateLabel = Named(new TWrapLabel(4, this), "ConnectionStateLabel");
    ConnectionStateLabel->setAccessibleName(QStringLiteral("Connection state"));

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

    connect(&m_line, &TBoardLine::StateChanged, this, &TConnectionPanel::Show);
    connect(&m_line, &TBoardLine::ErrorRaised, this, &TConnectionPanel::ShowErrorWindow);
    connect(&m_line, &TBoardLine::ErrorCleared, this, &TConnectionPanel::CloseErrorWindow);

    WatchDevices(QStringLiteral("/dev"));

    SerialdxfCheckBoxClick();
    Show(m_line.Status());
}

void TConnectionPanel::WatchDevices(const QString &folder)
{
    COMPortColumnComboBox->Watch(folder);
}

QString TConnectionPanel::SerialDevice() const
{
    return COMPortColumnComboBox->Device();
}

TLineSettings TConnectionPanel::LineSettings() const
{
    return m_line.Settings();
}

void TConnectionPanel::SetLineSettings(const TLineSettings &line)
{
    m_line.SetSettings(line);
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
    TSearchPlan plan;
    plan.Line = LineSettings();
    plan.Line.Serial = SerialSelected();
    plan.Line.Device = SerialDevice();
    plan.Line.Host = IPAddressEdit->text();
    plan.Settings = TBoardSearch::SerialSettings({plan.Line.BaudRate, plan.Line.Parity}, false, false);
    const int address = AddressAdvEdit->text().toInt();
    plan.Units = TBoardSearch::Units(address >= TSettings::kMinAddress && address <= TSettings::kMaxAddress
                                         ? static_cast<quint8>(address)
                                         : quint8(1));
    if ((plan.Line.Serial && plan.Line.Device.isEmpty()) || (!plan.Line.Serial && !IPAddressEdit->Octets())) {
        m_messages.ErrorBox(plan.Line.Serial ? QStringLiteral("Choose the serial device to search first.")
                                             : QStringLiteral("Enter the board's IP address to search first."));
        return;
    }
    auto *dialog = new TFindBoardDialog(plan, window());
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog, serial = plan.Line.Serial] {
        if (const auto found = dialog->Chosen())
            TakeFound(serial, *found);
    });
    dialog->open();
}

void TConnectionPanel::TakeFound(bool serial, const TBoardFound &found)
{
    AddressAdvEdit->setText(QString::number(found.Unit));
    TLineSettings line = LineSettings();
    line.Unit = found.Unit;
    if (serial) {
        line.BaudRate = found.Setting.BaudRate;
        line.Parity = found.Setting.Parity;
    }
    SetLineSettings(line);
    KeepNow(QStringLiteral("The settings found"));
}

void TConnectionPanel::KeepNow(const QString &what)
{
    const QString path = SettingsPlace::SettingsFile();
    TSettings settings = TSettings::Read(path);
    KeepSettings(settings);
    QString error;
    if (!TSettings::Write(path, settings, &error))
        m_messages.ErrorBox(QStringLiteral("%1 could not be kept in the settings file: %2").arg(what, error));
}

void TConnectionPanel::ApplySettings(const TSettings &settings)
{
    const TLineSettings &line = settings.Line;
    SetMode(line.Serial);
    IPAddressEdit->setText(line.Host);
    COMPortColumnComboBox->ShowDevice(line.Device);
    PeriodAdvEdit->setText(QString::number(settings.ReadPeriod));
    AddressAdvEdit->setText(QString::number(line.Unit));
    SetLineSettings(line);
}

void TConnectionPanel::KeepSettings(TSettings &settings) const
{
    TLineSettings line = LineSettings();
    line.Serial = SerialSelected();
    if (IPAddressEdit->Octets())
        line.Host = IPAddressEdit->text();
    line.Device = SerialDevice();
    bool ok = false;
    const int period = PeriodAdvEdit->text().toInt(&ok);
    if (ok)
        settings.ReadPeriod = period;
    else
        m_messages.ErrorBox(NotAnIntegerMessage(PeriodAdvEdit->text()));
    const int address = AddressAdvEdit->text().toInt(&ok);
    if (ok && address >= TSettings::kMinAddress && address <= TSettings::kMaxAddress)
        line.Unit = static_cast<quint8>(address);
    else if (!ok)
        m_messages.ErrorBox(NotAnIntegerMessage(AddressAdvEdit->text()));
    if (!ok || address < TSettings::kMinAddress || address > TSettings::kMaxAddress)
        line.Unit = settings.Line.Unit;
    settings.Line = line;
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
    TLineSettings line = LineSettings();
    line.Host = IPAddressEdit->text();
    SetLineSettings(line);
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
    if (m_line.State() != TLineState::Closed) {
        if (BeforeDisconnect && m_line.Status().Open())
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
    TLineSettings line = LineSettings();
    line.Serial = SerialSelected();
    line.Device = SerialDevice();
    if (!line.Serial)
        line.Host = IPAddressEdit->text();
    line.Unit = static_cast<quint8>(address);
    SetLineSettings(line);
    m_line.SetLogFolder(LogFolder());
    m_line.Open();
}

void TConnectionPanel::Disconnect()
{
    m_line.Close();
    if (OnDisconnectClick)
        OnDisconnectClick();
}

void TConnectionPanel::Show(const TLineStatus &status)
{
    const TLineState state = status.State;
    // Green only while the board answers; amber while the line is open without its answers.
    const bool waiting = state == TLineState::Waiting || state == TLineState::Silent;
    ConnectionVrUserLed->SetColor(waiting ? kAmber : kGreen);
    ConnectionVrUserLed->SetOn(state == TLineState::Answering || waiting);
    ConnectionVrUserLed->setAccessibleDescription(state == TLineState::Answering ? QStringLiteral("on")
                                                  : waiting                      ? QStringLiteral("waiting")
                                                                                 : QStringLiteral("off"));
    const bool closed = state == TLineState::Closed;
    ConnectVrButton->setText(closed ? kConnect : state == TLineState::Opening ? kCancel : kDisconnect);
    SerialdxfCheckBox->setEnabled(closed);
    EthernetdxfCheckBox->setEnabled(closed);
    IPAddressEdit->setEnabled(closed && EthernetdxfCheckBox->isChecked());
    COMPortColumnComboBox->setEnabled(closed && SerialdxfCheckBox->isChecked());
    PeriodAdvEdit->setEnabled(closed);
    AddressAdvEdit->setEnabled(closed);
    FindBoardButton->setEnabled(closed);
    // The address the line uses, also after the board took a new one.
    if (!closed)
        AddressAdvEdit->setText(QString::number(status.Unit));
    ConnectionStateLabel->Show(status.Text());
    if (m_errorForm)
        m_errorForm->ShowState(status.Text());
    // A serial port that does not open is told in a box: otherwise "Connect" would seem to do
    // nothing. Queued: the box must not open inside the client's own handling.
    if (closed && status.Previous == TLineState::Opening && !status.Reason.isEmpty() && m_line.Settings().Serial)
        QMetaObject::invokeMethod(
            this, [this, reason = status.Reason] { m_messages.ErrorBox(reason); }, Qt::QueuedConnection);
    if (state == TLineState::Waiting && OnLineUp
        && (status.Previous == TLineState::Opening || status.Previous == TLineState::Lost))
        OnLineUp();
}

void TConnectionPanel::ShowErrorWindow(const QString &failure)
{
    CloseErrorWindow();
    auto *form = new TErrorForm(window(), failure);
    form->ShowState(m_line.Status().Text());
    m_errorForm = form;
    // Closed by the user: the next failure opens a new window.
    connect(form, &QObject::destroyed, this, [this, form] {
        if (m_errorForm == form) {
            m_errorForm = nullptr;
            m_line.ErrorSeen();
        }
    });
    form->show();
}

void TConnectionPanel::CloseErrorWindow()
{
    if (TErrorForm *form = std::exchange(m_errorForm, nullptr))
        form->close();
}

void TConnectionPanel::FollowBoardAddress(int address)
{
    m_line.SetUnit(static_cast<quint8>(address));
    AddressAdvEdit->setText(QString::number(address));
    KeepNow(QStringLiteral("The slave address %1").arg(address));
}

QString TConnectionPanel::LogFolderInUse()
{
    return LogFolder();
}
