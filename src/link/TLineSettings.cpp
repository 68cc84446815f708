// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
#include "link/TLineSettings.h"

#include "common/IniFile.h"
#include "link/TSerialModbusClient.h"
#include "link/TTCPModbusClient.h"

namespace {
int InRange(const TIniFile &ini, const QString &section, const QString &key, int low, int high, int fallback)
{
    const int value = ini.ReadInteger(section, key, fallback);
    return value >= low && value <= high ? value : fallback;
}

// The device of COM port number index + 1 in a file of the older layout.
QString ComPortDevice(const TIniFile &ini, const QString &section, int index)
{
    const QString named = ini.ReadString(section, QStringLiteral("COM%1 Device").arg(index + 1), QString()).trimmed();
    if (!named.isEmpty())
        return named;
#ifdef Q_OS_WIN
    return QStringLiteral("COM%1").arg(index + 1);
#else
    return QStringLiteral("/dev/ttyS%1").arg(index);
#endif
}
}  // namespace

QString TLineSettings::ParityLetter(QSerialPort::Parity parity)
{
    return parity == QSerialPort::NoParity    ? QStringLiteral("N")
           : parity == QSerialPort::OddParity ? QStringLiteral("O")
                                              : QStringLiteral("E");
}

std::optional<QSerialPort::Parity> TLineSettings::ParityFromText(const QString &text)
{
    const QString upper = text.trimmed().toUpper();
    if (upper == QLatin1String("N") || upper == QLatin1String("NONE"))
        return QSerialPort::NoParity;
    if (upper == QLatin1String("O") || upper == QLatin1String("ODD"))
        return QSerialPort::OddParity;
    if (upper == QLatin1String("E") || upper == QLatin1String("EVEN"))
        return QSerialPort::EvenParity;
    return std::nullopt;
}

QString TLineSettings::Framing() const
{
    return QStringLiteral("%1 %2%3%4")
        .arg(BaudRate)
        .arg(static_cast<int>(DataBits))
        .arg(ParityLetter(Parity))
        .arg(StopBits == QSerialPort::TwoStop ? 2 : 1);
}

QString TLineSettings::UrlHost() const
{
    return Host.contains(QLatin1Char(':')) && !Host.startsWith(QLatin1Char('[')) ? QStringLiteral("[%1]").arg(Host)
                                                                                 : Host;
}

QString TLineSettings::Name() const
{
    if (Serial)
        return QStringLiteral("%1 (%2)").arg(Device, Framing());
    return QStringLiteral("%1:%2").arg(UrlHost()).arg(Port);
}

TLineSettings TLineSettings::Read(const TIniFile &ini, const QString &section)
{
    TLineSettings s;
    s.Serial = ini.ReadBool(section, QStringLiteral("Mode"), s.Serial);
    QStringList octets;
    for (int i = 1; i <= 4; ++i)
        octets << QString::number(InRange(ini, section, QStringLiteral("IP%1").arg(i), 0, 255, 0));
    s.Host = octets.join(QLatin1Char('.'));
    s.Device = ini.ReadString(section, QStringLiteral("Device"), QString()).trimmed();
    if (s.Device.isEmpty())
        s.Device = ComPortDevice(ini, section, InRange(ini, section, QStringLiteral("COM Port"), 0, 3, 0));
    s.Port = static_cast<quint16>(InRange(ini, section, QStringLiteral("Port"), 1, 65535, s.Port));
    s.BaudRate = InRange(ini, section, QStringLiteral("Baud Rate"), kMinBaudRate, kMaxBaudRate, s.BaudRate);
    if (const auto parity = ParityFromText(ini.ReadString(section, QStringLiteral("Parity"), QString())))
        s.Parity = *parity;
    s.DataBits =
        static_cast<QSerialPort::DataBits>(InRange(ini, section, QStringLiteral("Data Bits"), 5, 8, s.DataBits));
    s.StopBits =
        InRange(ini, section, QStringLiteral("Stop Bits"), 1, 2, 1) == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
    s.Unit = static_cast<quint8>(InRange(ini, section, QStringLiteral("Address"), kMinUnit, kMaxUnit, s.Unit));
    s.TimeoutMs = InRange(ini, section, QStringLiteral("Timeout"), kMinTimeoutMs, kMaxTimeoutMs, s.TimeoutMs);
    return s;
}

void TLineSettings::Write(TIniFile &ini, const QString &section) const
{
    ini.WriteBool(section, QStringLiteral("Mode"), Serial);
    // A host that is no IPv4 address (never one the window takes) keeps the octets the file has.
    const QStringList octets = Host.split(QLatin1Char('.'));
    bool all = octets.size() == 4;
    for (const QString &octet : octets) {
        bool ok = false;
        const int value = octet.toInt(&ok);
        all = all && ok && value >= 0 && value <= 255;
    }
    for (int i = 0; all && i < 4; ++i)
        ini.WriteInteger(section, QStringLiteral("IP%1").arg(i + 1), octets.at(i).toInt());
    ini.WriteString(section, QStringLiteral("Device"), Device);
    ini.WriteInteger(section, QStringLiteral("Port"), Port);
    ini.WriteInteger(section, QStringLiteral("Baud Rate"), BaudRate);
    ini.WriteString(section, QStringLiteral("Parity"), ParityLetter(Parity));
    ini.WriteInteger(section, QStringLiteral("Data Bits"), DataBits);
    ini.WriteInteger(section, QStringLiteral("Stop Bits"), StopBits == QSerialPort::TwoStop ? 2 : 1);
    ini.WriteInteger(section, QStringLiteral("Address"), Unit);
    ini.WriteInteger(section, QStringLiteral("Timeout"), TimeoutMs);
}

void TLineSettings::ApplyTo(TSerialModbusClient &client) const
{
    client.SetDevice(Device);
    client.SetBaudRate(BaudRate);
    client.SetParity(Parity);
    client.SetDataBits(DataBits);
    client.SetStopBits(StopBits);
}

void TLineSettings::ApplyTo(TTCPModbusClient &client) const
{
    client.SetServerAddress(UrlHost());
    client.SetPort(Port);
}
