// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/TConnectionDialog.h"

#include "session/TUserMessages.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLineEdit>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace {
// Parity as the list shows it, in its order.
constexpr QSerialPort::Parity kParities[] = {QSerialPort::NoParity, QSerialPort::EvenParity, QSerialPort::OddParity};
constexpr int kMinBaud = TLineSettings::kMinBaudRate;
constexpr int kMaxBaud = TLineSettings::kMaxBaudRate;

QComboBox *List(QWidget *parent, const char *name, const QStringList &items)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(QLatin1String(name));
    combo->addItems(items);
    return combo;
}
}  // namespace

TConnectionDialog::TConnectionDialog(const Line &line, TUserMessages &messages, QWidget *parent)
    : QDialog(parent), m_messages(messages), m_line(line)
{
    setObjectName(QStringLiteral("ConnectionDialog"));
    setWindowTitle(QStringLiteral("Line settings"));

    auto *serial = new QGroupBox(QStringLiteral("Serial line"), this);
    BaudRateComboBox = List(serial, "BaudRateComboBox",
                            {QStringLiteral("9600"), QStringLiteral("19200"), QStringLiteral("38400"),
                             QStringLiteral("57600"), QStringLiteral("115200")});
    BaudRateComboBox->setEditable(true);  // any speed the adapter takes
    BaudRateComboBox->setInsertPolicy(QComboBox::NoInsert);
    BaudRateComboBox->lineEdit()->setValidator(new QIntValidator(0, kMaxBaud, BaudRateComboBox));
    BaudRateComboBox->setEditText(QString::number(line.BaudRate));
    ParityComboBox =
        List(serial, "ParityComboBox", {QStringLiteral("None"), QStringLiteral("Even"), QStringLiteral("Odd")});
    ParityComboBox->setCurrentIndex(
        int(std::find(std::begin(kParities), std::end(kParities), line.Parity) - std::begin(kParities)));
    DataBitsComboBox = List(serial, "DataBitsComboBox",
                            {QStringLiteral("8"), QStringLiteral("7"), QStringLiteral("6"), QStringLiteral("5")});
    DataBitsComboBox->setCurrentText(QString::number(int(line.DataBits)));
    StopBitsComboBox = List(serial, "StopBitsComboBox", {QStringLiteral("1"), QStringLiteral("2")});
    StopBitsComboBox->setCurrentIndex(line.StopBits == QSerialPort::TwoStop ? 1 : 0);
    auto *serialForm = new QFormLayout(serial);
    serialForm->addRow(QStringLiteral("&Baud rate"), BaudRateComboBox);
    serialForm->addRow(QStringLiteral("&Parity"), ParityComboBox);
    serialForm->addRow(QStringLiteral("&Data bits"), DataBitsComboBox);
    serialForm->addRow(QStringLiteral("&Stop bits"), StopBitsComboBox);

    auto *tcp = new QGroupBox(QStringLiteral("Ethernet"), this);
    PortSpinBox = new QSpinBox(tcp);
    PortSpinBox->setObjectName(QStringLiteral("PortSpinBox"));
    PortSpinBox->setRange(1, 65535);
    PortSpinBox->setValue(line.Port);
    (new QFormLayout(tcp))->addRow(QStringLiteral("TCP p&ort"), PortSpinBox);

    auto *answers = new QGroupBox(QStringLiteral("Requests"), this);
    TimeoutSpinBox = new QSpinBox(answers);
    TimeoutSpinBox->setObjectName(QStringLiteral("TimeoutSpinBox"));
    TimeoutSpinBox->setRange(TLineSettings::kMinTimeoutMs, TLineSettings::kMaxTimeoutMs);
    TimeoutSpinBox->setSingleStep(100);
    TimeoutSpinBox->setSuffix(QStringLiteral(" ms"));
    TimeoutSpinBox->setValue(line.TimeoutMs);
    TimeoutSpinBox->setToolTip(QStringLiteral("How long the board has to answer one request"));
    (new QFormLayout(answers))->addRow(QStringLiteral("&Timeout"), TimeoutSpinBox);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TConnectionDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TConnectionDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(serial);
    layout->addWidget(tcp);
    layout->addWidget(answers);
    layout->addWidget(buttons);
}

std::optional<TConnectionDialog::Line> TConnectionDialog::Chosen() const
{
    bool ok = false;
    const int baud = BaudRateComboBox->currentText().toInt(&ok);
    if (!ok || baud < kMinBaud || baud > kMaxBaud)
        return std::nullopt;
    Line line = m_line;
    line.BaudRate = baud;
    line.Parity = kParities[std::max(ParityComboBox->currentIndex(), 0)];
    line.DataBits = static_cast<QSerialPort::DataBits>(DataBitsComboBox->currentText().toInt());
    line.StopBits = StopBitsComboBox->currentIndex() == 1 ? QSerialPort::TwoStop : QSerialPort::OneStop;
    line.Port = static_cast<quint16>(PortSpinBox->value());
    line.TimeoutMs = TimeoutSpinBox->value();
    return line;
}

void TConnectionDialog::accept()
{
    if (!Chosen()) {
        m_messages.ErrorBox(QStringLiteral("Baud rate: %1 to %2").arg(kMinBaud).arg(kMaxBaud));
        BaudRateComboBox->setFocus();
        return;
    }
    QDialog::accept();
}
