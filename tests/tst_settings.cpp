// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file R4Ivivaz.ini: what the main window reads from it at start, what it writes back
// at close, and what it must leave alone.
#include "FormHarness.h"
#include "OddFiles.h"
#include "TestEnvironment.h"
#include "TestFiles.h"
#include "app/SettingsPlace.h"
#include "app/TAboutDialog.h"
#include "app/TConnectionDialog.h"
#include "app/TConnectionPanel.h"
#include "app/TDialogMessages.h"
#include "app/TSettings.h"
#include "charts/TChartForm.h"
#include "common/IniFile.h"
#include "config/ConfigFile.h"
#include "config/DefinitionFile.h"
#include "link/ModbusLog.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TIPAddressEdit.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>

namespace {
const QString kFile = QStringLiteral("R4Ivivaz.ini");

// The value of a key in a settings file as the tool would read it.
QString ValueIn(const QString &path, const QString &section, const QString &key)
{
    TIniFile ini;
    if (!ini.Load(path, nullptr))
        return QStringLiteral("<unreadable>");
    return ini.Value(section, key).value_or(QStringLiteral("<absent>"));
}

QStringList KeysIn(const QString &path, const QString &section)
{
    TIniFile ini;
    ini.Load(path, nullptr);
    return ini.Keys(section);
}

// The texts of "Help" > "About Z4 Ventilation": the settings file and the link's log.
QStringList AboutTexts(TForm1 &form)
{
    QStringList texts;
    QTimer::singleShot(0, &form, [&texts] {
        if (auto *box = qobject_cast<TAboutDialog *>(QApplication::activeModalWidget())) {
            texts << box->SettingsFileLabel->text() << box->LogFolderLabel->text();
            box->close();
        }
    });
    form.findChild<QAction *>(QStringLiteral("AboutAction"))->trigger();
    return texts;
}

TSettings ReadText(const QByteArray &text)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(kFile);
    if (!WriteAll(path, text))
        qFatal("cannot write a temporary settings file");
    return TSettings::Read(path);
}
}  // namespace

class TstSettings : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    // Reading: what the file says, and what it cannot say.
    void defaultsWithoutAFile();
    void keysMatchRegardlessOfCase();
    void booleansReadAsNumbersOrWords_data();
    void booleansReadAsNumbersOrWords();
    void nonsenseCountsAsAbsent_data();
    void nonsenseCountsAsAbsent();
    void logKeysGoOnlyToTheClientModeSelects_data();
    void logKeysGoOnlyToTheClientModeSelects();
    void lineKeysReachTheClients();
    void theDeviceOfAnOlderFile_data();
    void theDeviceOfAnOlderFile();
    void lineSettingsKeptOverCloseAndRestart();

    // Writing at close.
    void valuesKeptOverCloseAndRestart();
    void handMadeContentSurvivesAClose();
    void readOnlyKeysAreNeverWritten();
    void anEditThatIsNoNumberKeepsItsOldValue_data();
    void anEditThatIsNoNumberKeepsItsOldValue();
    void aFileThatCannotBeReadIsNotOverwritten_data();
    void aFileThatCannotBeReadIsNotOverwritten();
    void theWorkingFolderAtStartIsUsed();
    void whereTheSettingsAreKept_data();
    void whereTheSettingsAreKept();
    void theLinkLogSwitch();
    void logsOfTheOlderFolderMoveOnce();
    void theDialogFolderIsKeptAcrossACloseAndRestart();
    void theReportsHandoverIsKeptAcrossACloseAndRestart();
    void fileDialogsOpenWhereTheLastFileWasChosen_data();
    void fileDialogsOpenWhereTheLastFileWasChosen();

    // Every file the tool reads or writes by name, and the files it finds by their names.
    void pipesDevicesAndFoldersAreRefusedAtOnce_data();
    void pipesDevicesAndFoldersAreRefusedAtOnce();
    void linksAreFollowedOnlyWithinTheirFolder_data();
    void linksAreFollowedOnlyWithinTheirFolder();

    void iniFileRewritesInPlace();
    void aSectionLineWithoutItsBracketStaysOneLine_data();
    void aSectionLineWithoutItsBracketStaysOneLine();

private:
    QString SettingsPath() const { return m_dir->filePath(kFile); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCurrent;
};

void TstSettings::init()
{
    m_oldCurrent = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TstSettings::cleanup()
{
    QDir::setCurrent(m_oldCurrent);
    m_dir.reset();
}

void TstSettings::defaultsWithoutAFile()
{
    RecordedForm form;
    TConnectionPanel &panel = *PanelOf(*form);
    QVERIFY(panel.EthernetdxfCheckBox->isChecked());
    QVERIFY(!panel.SerialdxfCheckBox->isChecked());
    QCOMPARE(form->Session().ActiveClient(), &TcpOf(*form));
    QVERIFY(panel.IPAddressEdit->isEnabled());
    QVERIFY(!panel.COMPortColumnComboBox->isEnabled());
    QCOMPARE(panel.IPAddressEdit->text(), QStringLiteral("0.0.0.0"));
    QCOMPARE(panel.SerialDevice(), QStringLiteral("/dev/ttyS0"));  // COM1
    QCOMPARE(panel.PeriodAdvEdit->text(), QStringLiteral("1"));
    QCOMPARE(panel.AddressAdvEdit->text(), QStringLiteral("1"));
    QCOMPARE(form->ReadTimer().interval(), 1000);
    QVERIFY(!form->ReadTimer().isActive());
    QCOMPARE(form->Session().SlaveAddress(), quint8(1));
    QCOMPARE(form->Session().RequestTimeout(), quint32(3000));
    QCOMPARE(form->BoardTypeIndex(), 0);
    QCOMPARE(form->WorkDir(), QDir::currentPath());
    QVERIFY(form.Messages->Errors.isEmpty());
    // Reading creates nothing; the file appears at close.
    QVERIFY(!QFile::exists(SettingsPath()));
}

void TstSettings::keysMatchRegardlessOfCase()
{
    const TSettings s = ReadText("[CONNECTION]\nmode=1\nip1=10\nIp2=1\niP3=2\nIP4=3\ncom port=2\n"
                                 "READPERIOD=9\naddress=33\n[boardtype]\nboardTypeINDEX=1\n");
    QCOMPARE(s.Line.Serial, true);
    QCOMPARE(s.Line.Host, QStringLiteral("10.1.2.3"));
    QCOMPARE(s.ComPort, 2);
    QCOMPARE(s.ReadPeriod, 9);
    QCOMPARE(s.Line.Unit, quint8(33));
    QCOMPARE(s.BoardTypeIndex, 1);
}

void TstSettings::booleansReadAsNumbersOrWords_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<bool>("expected");
    QTest::newRow("1") << QByteArray("1") << true;
    QTest::newRow("0") << QByteArray("0") << false;
    QTest::newRow("true") << QByteArray("true") << true;
    QTest::newRow("False") << QByteArray("False") << false;
    QTest::newRow("TRUE") << QByteArray("TRUE") << true;
    QTest::newRow("spaces around") << QByteArray("  1  ") << true;
    // Anything else is no boolean: the default (Ethernet) stands.
    QTest::newRow("2") << QByteArray("2") << false;
    QTest::newRow("serial") << QByteArray("serial") << false;
    QTest::newRow("empty") << QByteArray("") << false;
}

void TstSettings::booleansReadAsNumbersOrWords()
{
    QFETCH(QByteArray, value);
    QFETCH(bool, expected);
    QCOMPARE(ReadText("[Connection]\nMode=" + value + "\n").Line.Serial, expected);
    // The log switch is read the same way.
    QCOMPARE(ReadText("[Connection]\nLog File Enabled=" + value + "\n").LogFileEnabled, expected);
}

void TstSettings::nonsenseCountsAsAbsent_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("octet 256") << QByteArray("IP1=256");
    QTest::newRow("octet -1") << QByteArray("IP4=-1");
    QTest::newRow("octet text") << QByteArray("IP2=ten");
    QTest::newRow("COM5") << QByteArray("COM Port=4");
    QTest::newRow("COM -1") << QByteArray("COM Port=-1");
    QTest::newRow("period 501") << QByteArray("ReadPeriod=501");
    QTest::newRow("period 9999") << QByteArray("ReadPeriod=9999");
    QTest::newRow("period -5") << QByteArray("ReadPeriod=-5");
    QTest::newRow("period 1.5") << QByteArray("ReadPeriod=1.5");
    QTest::newRow("address 0") << QByteArray("Address=0");
    QTest::newRow("address 248") << QByteArray("Address=248");
    QTest::newRow("address 300") << QByteArray("Address=300");
    QTest::newRow("board type 2") << QByteArray("[BoardType]\nBoardTypeIndex=2");
    QTest::newRow("board type -1") << QByteArray("[BoardType]\nBoardTypeIndex=-1");
    QTest::newRow("port 0") << QByteArray("Port=0");
    QTest::newRow("port 65536") << QByteArray("Port=65536");
    QTest::newRow("parity X") << QByteArray("Parity=X");
    QTest::newRow("data bits 9") << QByteArray("Data Bits=9");
    QTest::newRow("stop bits 3") << QByteArray("Stop Bits=3");
    QTest::newRow("baud 0") << QByteArray("Baud Rate=0");
    QTest::newRow("log level 7") << QByteArray("Log File Level=7");
}

void TstSettings::nonsenseCountsAsAbsent()
{
    QFETCH(QByteArray, line);
    const TSettings s = ReadText("[Connection]\n" + line + "\n");
    const TSettings d;
    QCOMPARE(s.Line.Host, d.Line.Host);
    QCOMPARE(s.ComPort, d.ComPort);
    QCOMPARE(s.ReadPeriod, d.ReadPeriod);
    QCOMPARE(s.Line.Unit, d.Line.Unit);
    QCOMPARE(s.BoardTypeIndex, d.BoardTypeIndex);
    QCOMPARE(s.Line.Port, d.Line.Port);
    QCOMPARE(s.Line.Parity, d.Line.Parity);
    QCOMPARE(s.Line.DataBits, d.Line.DataBits);
    QCOMPARE(s.Line.StopBits, d.Line.StopBits);
    QCOMPARE(s.Line.BaudRate, d.Line.BaudRate);
    QCOMPARE(s.LogFileLevel, d.LogFileLevel);
}

void TstSettings::logKeysGoOnlyToTheClientModeSelects_data()
{
    QTest::addColumn<bool>("serial");
    QTest::newRow("serial") << true;
    QTest::newRow("ethernet") << false;
}

void TstSettings::logKeysGoOnlyToTheClientModeSelects()
{
    QFETCH(bool, serial);
    QVERIFY(WriteAll(SettingsPath(), QByteArray("[Connection]\nMode=") + (serial ? "1" : "0")
                                         + "\nLog File Enabled=1\nLog File Exist Time=30\nLog File Level=3\n"));
    RecordedForm form;
    TModbusClient &chosen =
        serial ? static_cast<TModbusClient &>(SerialOf(*form)) : static_cast<TModbusClient &>(TcpOf(*form));
    TModbusClient &other =
        serial ? static_cast<TModbusClient &>(TcpOf(*form)) : static_cast<TModbusClient &>(SerialOf(*form));
    QCOMPARE(form->Session().ActiveClient(), &chosen);
    QCOMPARE(chosen.LogFileEnabled(), true);
    QCOMPARE(chosen.LogFileExistTime(), 30);
    QCOMPARE(chosen.LogFileLevel(), 3);

    // The other line keeps the client's own design settings.
    const TTCPModbusClient fresh;
    QCOMPARE(other.LogFileEnabled(), fresh.LogFileEnabled());
    QCOMPARE(other.LogFileExistTime(), fresh.LogFileExistTime());
    QCOMPARE(other.LogFileLevel(), fresh.LogFileLevel());
}

void TstSettings::lineKeysReachTheClients()
{
    QVERIFY(WriteAll(SettingsPath(), "[Connection]\nMode=0\nIP1=192\nIP2=168\nIP3=4\nIP4=40\nPort=1502\n"
                                     "Baud Rate=9600\nParity=N\nData Bits=7\nStop Bits=2\n"
                                     "COM1 Device=/dev/ttyUSB0\nCOM4 Device=/dev/ttyACM1\n"));
    RecordedForm form;
    QCOMPARE(TcpOf(*form).ServerAddress(), QStringLiteral("192.168.4.40"));
    QCOMPARE(TcpOf(*form).Port(), quint16(1502));
    TSerialModbusClient &serial = SerialOf(*form);
    QCOMPARE(serial.BaudRate(), 9600);
    QCOMPARE(serial.Parity(), QSerialPort::NoParity);
    QCOMPARE(serial.DataBits(), QSerialPort::Data7);
    QCOMPARE(serial.StopBits(), QSerialPort::TwoStop);
    QCOMPARE(PanelOf(*form)->SerialDevice(), QStringLiteral("/dev/ttyUSB0"));

    // Parity by word as well as by letter.
    QCOMPARE(ReadText("[Connection]\nParity=odd\n").Line.Parity, QSerialPort::OddParity);
    QCOMPARE(ReadText("[Connection]\nParity=none\n").Line.Parity, QSerialPort::NoParity);
    // A file that cannot be read (NUL bytes) gives the device of COM1, as a missing one does.
    QCOMPARE(ReadText(QByteArray("[Connection]\nDevice=/dev/x\0\n", 28)).Line.Device, QStringLiteral("/dev/ttyS0"));
}

void TstSettings::theDeviceOfAnOlderFile_data()
{
    QTest::addColumn<QByteArray>("keys");
    QTest::addColumn<QString>("device");
    QTest::newRow("none: COM1") << QByteArray() << QStringLiteral("/dev/ttyS0");
    QTest::newRow("COM3") << QByteArray("COM Port=2") << QStringLiteral("/dev/ttyS2");
    QTest::newRow("COM4 with its device")
        << QByteArray("COM Port=3\nCOM4 Device=/dev/ttyACM1\nCOM1 Device=/dev/x") << QStringLiteral("/dev/ttyACM1");
    QTest::newRow("COM2 without one") << QByteArray("COM Port=1\nCOM1 Device=/dev/ttyUSB0")
                                      << QStringLiteral("/dev/ttyS1");
    QTest::newRow("the device key wins") << QByteArray("COM Port=3\nCOM4 Device=/dev/ttyACM1\nDevice=/dev/ttyUSB2")
                                         << QStringLiteral("/dev/ttyUSB2");
    QTest::newRow("an empty device key") << QByteArray("COM Port=1\nDevice= ") << QStringLiteral("/dev/ttyS1");
}

// A file of the older layout names its port by COM number (and a device for a number): it opens
// the same device, and keeps its COM keys when written back.
void TstSettings::theDeviceOfAnOlderFile()
{
    QFETCH(QByteArray, keys);
    QFETCH(QString, device);
    QVERIFY(WriteAll(SettingsPath(), "[Connection]\nMode=1\n" + keys + "\n"));
    const QString comPort = ValueIn(SettingsPath(), QStringLiteral("Connection"), QStringLiteral("COM Port"));
    RecordedForm form;
    QCOMPARE(PanelOf(*form)->SerialDevice(), device);
    QVERIFY(form->close());
    QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Connection"), QStringLiteral("Device")), device);
    if (comPort != QLatin1String("<absent>"))
        QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Connection"), QStringLiteral("COM Port")), comPort);
}

// What the line settings dialog takes is used at the next connect and kept in the file.
void TstSettings::lineSettingsKeptOverCloseAndRestart()
{
    const TConnectionDialog::Line chosen{.Device = {},
                                         .BaudRate = 57600,
                                         .Parity = QSerialPort::OddParity,
                                         .DataBits = QSerialPort::Data7,
                                         .StopBits = QSerialPort::TwoStop,
                                         .Port = 1502,
                                         .TimeoutMs = 800};
    // What the dialog holds of the line.
    const auto dialogPart = [](const TLineSettings &line) {
        return TConnectionDialog::Line{.Device = {},
                                       .BaudRate = line.BaudRate,
                                       .Parity = line.Parity,
                                       .DataBits = line.DataBits,
                                       .StopBits = line.StopBits,
                                       .Port = line.Port,
                                       .TimeoutMs = line.TimeoutMs};
    };
    {
        RecordedForm form;
        TConnectionPanel &panel = *PanelOf(*form);
        // Through the dialog as a user fills it; a speed that is none is refused first.
        bool filled = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<TConnectionDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            dialog->BaudRateComboBox->setEditText(QStringLiteral("12"));
            dialog->accept();
            QVERIFY(dialog->isVisible());
            dialog->BaudRateComboBox->setEditText(QStringLiteral("57600"));
            dialog->ParityComboBox->setCurrentText(QStringLiteral("Odd"));
            dialog->DataBitsComboBox->setCurrentText(QStringLiteral("7"));
            dialog->StopBitsComboBox->setCurrentText(QStringLiteral("2"));
            dialog->PortSpinBox->setValue(1502);
            dialog->TimeoutSpinBox->setValue(800);
            filled = true;
            dialog->accept();
        });
        panel.LineSettingsButton->click();
        QVERIFY(filled);
        QCOMPARE(form.Messages->Errors, QStringList{QStringLiteral("Baud rate: 50 to 4000000")});
        QCOMPARE(dialogPart(panel.LineSettings()), chosen);
        QCOMPARE(SerialOf(*form).BaudRate(), 57600);
        panel.SerialdxfCheckBox->click();
        panel.COMPortColumnComboBox->setEditText(QStringLiteral("/dev/serial/by-id/usb-FTDI_X-if00-port0"));
        QVERIFY(form->close());
    }
    QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Connection"), QStringLiteral("Parity")), QStringLiteral("O"));
    RecordedForm again;
    QCOMPARE(dialogPart(PanelOf(*again)->LineSettings()), chosen);
    QCOMPARE(PanelOf(*again)->SerialDevice(), QStringLiteral("/dev/serial/by-id/usb-FTDI_X-if00-port0"));
    QCOMPARE(TcpOf(*again).Port(), quint16(1502));
    // A dialog cancelled changes nothing.
    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    PanelOf(*again)->LineSettingsButton->click();
    QCOMPARE(dialogPart(PanelOf(*again)->LineSettings()), chosen);
}

void TstSettings::valuesKeptOverCloseAndRestart()
{
    QVERIFY(WriteAll(SettingsPath(), "[BoardType]\nBoardTypeIndex=1\n"));
    {
        RecordedForm form;
        TConnectionPanel &panel = *PanelOf(*form);
        panel.SerialdxfCheckBox->click();
        panel.IPAddressEdit->setText(QStringLiteral("192.168.10.20"));
        panel.COMPortColumnComboBox->setEditText(QStringLiteral("/dev/ttyUSB3"));
        panel.PeriodAdvEdit->setText(QStringLiteral("30"));
        panel.AddressAdvEdit->setText(QStringLiteral("17"));
        QVERIFY(form->close());
        QVERIFY(form.Messages->Errors.isEmpty());
    }
    const QString path = SettingsPath();
    QCOMPARE(KeysIn(path, QStringLiteral("Connection")),
             (QStringList{QStringLiteral("Mode"), QStringLiteral("IP1"), QStringLiteral("IP2"), QStringLiteral("IP3"),
                          QStringLiteral("IP4"), QStringLiteral("COM Port"), QStringLiteral("ReadPeriod"),
                          QStringLiteral("Address"), QStringLiteral("Device"), QStringLiteral("Port"),
                          QStringLiteral("Baud Rate"), QStringLiteral("Parity"), QStringLiteral("Data Bits"),
                          QStringLiteral("Stop Bits"), QStringLiteral("Timeout")}));
    // Booleans as 1/0, "key=value" without spaces, as the original tool wrote them.
    QVERIFY2(ReadAll(path).contains("\nMode=1\n"), ReadAll(path).constData());

    RecordedForm again;
    TConnectionPanel &panel = *PanelOf(*again);
    QVERIFY(panel.SerialdxfCheckBox->isChecked());
    QVERIFY(!panel.EthernetdxfCheckBox->isChecked());
    QCOMPARE(again->Session().ActiveClient(), &SerialOf(*again));
    QVERIFY(!panel.IPAddressEdit->isEnabled());
    QVERIFY(panel.COMPortColumnComboBox->isEnabled());
    QCOMPARE(panel.IPAddressEdit->text(), QStringLiteral("192.168.10.20"));
    QCOMPARE(panel.SerialDevice(), QStringLiteral("/dev/ttyUSB3"));
    QCOMPARE(panel.PeriodAdvEdit->text(), QStringLiteral("30"));
    QCOMPARE(again->ReadTimer().interval(), 30000);
    QCOMPARE(panel.AddressAdvEdit->text(), QStringLiteral("17"));
    QCOMPARE(again->Session().SlaveAddress(), quint8(17));
    QCOMPARE(again->BoardTypeIndex(), 1);

    // And back to Ethernet.
    panel.EthernetdxfCheckBox->click();
    QVERIFY(again->close());
    QCOMPARE(ValueIn(path, QStringLiteral("Connection"), QStringLiteral("Mode")), QStringLiteral("0"));
}

void TstSettings::handMadeContentSurvivesAClose()
{
    const QByteArray original = "; settings of the service PC in the plant room\n"
                                "\n"
                                "[connection]\n"
                                "; the board on the roof\n"
                                "mode=0\n"
                                "Log File Enabled=true\n"
                                "Log File Level=3\n"
                                "Log File Exist Time=14\n"
                                "Technician=J. Smith\n"
                                "ip1=10\n"
                                "\n"
                                "[Site]\n"
                                "Name=Building 4\n";
    QVERIFY(WriteAll(SettingsPath(), original));
    {
        RecordedForm form;
        QCOMPARE(PanelOf(*form)->IPAddressEdit->text(), QStringLiteral("10.0.0.0"));
        QCOMPARE(TcpOf(*form).LogFileLevel(), 3);
        PanelOf(*form)->IPAddressEdit->setText(QStringLiteral("10.1.2.3"));
        QVERIFY(form->close());
    }
    const QString text = QString::fromUtf8(ReadAll(SettingsPath()));
    for (const char *kept :
         {"; settings of the service PC in the plant room", "; the board on the roof", "Log File Enabled=true",
          "Log File Level=3", "Log File Exist Time=14", "Technician=J. Smith", "[Site]", "Name=Building 4"})
        QVERIFY2(text.contains(QLatin1String(kept)), kept);
    // The keys written in a case of their own are rewritten where they are, never doubled.
    QCOMPARE(text.count(QStringLiteral("[connection]"), Qt::CaseInsensitive), 1);
    QCOMPARE(text.count(QStringLiteral("\nmode="), Qt::CaseInsensitive), 1);
    QVERIFY2(text.contains(QLatin1String("\nmode=0\n")), qPrintable(text));
    QCOMPARE(text.count(QStringLiteral("\nip1="), Qt::CaseInsensitive), 1);
    QVERIFY2(text.contains(QLatin1String("\nip1=10\n")), qPrintable(text));
    QVERIFY(text.contains(QLatin1String("\nIP4=3\n")));
    // Order is kept: the hand-made section still follows the tool's own.
    QVERIFY(text.indexOf(QLatin1String("[connection]")) < text.indexOf(QLatin1String("[Site]")));
    QVERIFY(text.indexOf(QLatin1String("Technician")) < text.indexOf(QLatin1String("[Site]")));
}

void TstSettings::readOnlyKeysAreNeverWritten()
{
    {
        RecordedForm form;
        QVERIFY(form->close());
    }
    const QStringList written = KeysIn(SettingsPath(), QStringLiteral("Connection"));
    for (const char *key : {"Log File Enabled", "Log File Exist Time", "Log File Level", "COM1 Device", "COM2 Device",
                            "COM3 Device", "COM4 Device"})
        QVERIFY2(!written.contains(QLatin1String(key), Qt::CaseInsensitive), key);
    QCOMPARE(KeysIn(SettingsPath(), QStringLiteral("BoardType")), QStringList{QStringLiteral("BoardTypeIndex")});

    // Present keys keep their text, even where the tool read something else from it.
    QVERIFY(WriteAll(SettingsPath(), "[Connection]\nLog File Level=9\nCOM2 Device=/dev/ttyUSB1\n"));
    {
        RecordedForm form;
        QVERIFY(form->close());
    }
    QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Connection"), QStringLiteral("Log File Level")),
             QStringLiteral("9"));
    QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Connection"), QStringLiteral("COM2 Device")),
             QStringLiteral("/dev/ttyUSB1"));
}

void TstSettings::anEditThatIsNoNumberKeepsItsOldValue_data()
{
    QTest::addColumn<bool>("period");  // which edit holds no number: the period or the address
    QTest::addColumn<QString>("text");
    QTest::newRow("empty period") << true << QString();
    QTest::newRow("period of letters") << true << QStringLiteral("abc");
    QTest::newRow("empty address") << false << QString();
}

// The edits cannot be left holding something else than digits, except empty: then the value the
// file had is kept, the conversion error is shown, and every other key is still written.
void TstSettings::anEditThatIsNoNumberKeepsItsOldValue()
{
    QFETCH(bool, period);
    QFETCH(QString, text);
    QVERIFY(WriteAll(SettingsPath(), "[Connection]\nReadPeriod=7\nAddress=9\n"));
    {
        RecordedForm form;
        TConnectionPanel &panel = *PanelOf(*form);
        panel.SerialdxfCheckBox->click();
        panel.IPAddressEdit->setText(QStringLiteral("1.2.3.4"));
        panel.COMPortColumnComboBox->setEditText(QStringLiteral("/dev/ttyACM0"));
        (period ? panel.AddressAdvEdit : panel.PeriodAdvEdit)->setText(QStringLiteral("12"));
        (period ? panel.PeriodAdvEdit : panel.AddressAdvEdit)->setText(text);
        QVERIFY(form->close());
        QCOMPARE(form.Messages->Errors, QStringList{NotAnIntegerMessage(text)});
    }
    const QString path = SettingsPath();
    const QString section = QStringLiteral("Connection");
    QCOMPARE(ValueIn(path, section, QStringLiteral("Mode")), QStringLiteral("1"));
    QCOMPARE(ValueIn(path, section, QStringLiteral("IP4")), QStringLiteral("4"));
    QCOMPARE(ValueIn(path, section, QStringLiteral("Device")), QStringLiteral("/dev/ttyACM0"));
    QCOMPARE(ValueIn(path, section, QStringLiteral("ReadPeriod")), period ? QStringLiteral("7") : QStringLiteral("12"));
    QCOMPARE(ValueIn(path, section, QStringLiteral("Address")), period ? QStringLiteral("12") : QStringLiteral("9"));
    QCOMPARE(ValueIn(path, QStringLiteral("BoardType"), QStringLiteral("BoardTypeIndex")), QStringLiteral("0"));
}

void TstSettings::aFileThatCannotBeReadIsNotOverwritten_data()
{
    QTest::addColumn<QByteArray>("content");  // empty: a folder stands where the file should be
    // As Windows editors save "Unicode" text: every other byte is NUL.
    QByteArray utf16("\xFF\xFE");
    for (char c : QByteArray("[Connection]\r\nMode=1\r\nIP1=10\r\nTechnician=J. Smith\r\n"))
        utf16.append(c).append('\0');
    QTest::newRow("UTF-16 text") << utf16;
    static const char binary[] = "[Connection]\nMode=1\n\0\x01\x02garbage\nIP1=10\n";
    QTest::newRow("binary") << QByteArray(binary, sizeof binary - 1);
    QTest::newRow("folder") << QByteArray();
}

void TstSettings::aFileThatCannotBeReadIsNotOverwritten()
{
    QFETCH(QByteArray, content);
    const QString path = SettingsPath();
    if (content.isEmpty())
        QVERIFY(QDir(m_dir->path()).mkdir(kFile));
    else
        QVERIFY(WriteAll(path, content));

    RecordedForm form;
    // Nothing in it is trusted: the tool comes up as without a file.
    QVERIFY(PanelOf(*form)->EthernetdxfCheckBox->isChecked());
    QCOMPARE(PanelOf(*form)->IPAddressEdit->text(), QStringLiteral("0.0.0.0"));
    QVERIFY(form->close());
    QCOMPARE(form.Messages->Errors.size(), 1);
    QVERIFY2(form.Messages->Errors.first().contains(QLatin1String("could not be saved")),
             qPrintable(form.Messages->Errors.first()));
    if (content.isEmpty())
        QVERIFY(QFileInfo(path).isDir());
    else
        QCOMPARE(ReadAll(path), content);
}

void TstSettings::theWorkingFolderAtStartIsUsed()
{
    // Another folder holds settings of its own; the tool started here must not see or touch them.
    QTemporaryDir other;
    QVERIFY(other.isValid());
    const QByteArray otherText = "[Connection]\nMode=1\nIP1=172\nReadPeriod=60\n";
    QVERIFY(WriteAll(other.filePath(kFile), otherText));

    RecordedForm form;
    QCOMPARE(form->WorkDir(), m_dir->path());
    QVERIFY(PanelOf(*form)->EthernetdxfCheckBox->isChecked());
    PanelOf(*form)->PeriodAdvEdit->setText(QStringLiteral("4"));
    // Where the process wanders off to later does not matter: the file belongs to the start folder.
    QVERIFY(QDir::setCurrent(other.path()));
    QVERIFY(form->close());
    QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Connection"), QStringLiteral("ReadPeriod")), QStringLiteral("4"));
    QCOMPARE(ReadAll(other.filePath(kFile)), otherText);

    // Started in the other folder, the tool takes that folder's settings.
    RecordedForm there;
    QCOMPARE(there->WorkDir(), other.path());
    QVERIFY(PanelOf(*there)->SerialdxfCheckBox->isChecked());
    QCOMPARE(PanelOf(*there)->IPAddressEdit->text(), QStringLiteral("172.0.0.0"));
    QCOMPARE(there->ReadTimer().interval(), 60000);
}

// The folder of the file chosen last in a file dialog is kept in the settings file, across a close
// and a restart, beside what was there.
// Started from the menu (no settings file where it starts) the tool keeps its files in the user's
// configuration folder; a folder that holds a settings file keeps it there, as before.
void TstSettings::whereTheSettingsAreKept_data()
{
    QTest::addColumn<QString>("present");  // a file in the working folder at the start, or none
    QTest::addColumn<bool>("working");     // the files are kept in the working folder
    QTest::addColumn<bool>("home");        // the working folder is the home folder
    QTest::newRow("menu start") << QString() << false << false;
    QTest::newRow("a settings file here") << kFile << true << false;
    QTest::newRow("the trend settings here") << QStringLiteral("settings.ini") << true << false;
    // An older version started from the menu left its file in the home folder: it moves.
    QTest::newRow("an older file in the home folder") << kFile << false << true;
}

void TstSettings::whereTheSettingsAreKept()
{
    QFETCH(QString, present);
    QFETCH(bool, working);
    QFETCH(bool, home);
    QTemporaryDir config;
    const TEnvironment configHome("XDG_CONFIG_HOME", config.filePath(QStringLiteral("config")));
    const TEnvironment homeFolder("HOME", home ? m_dir->path() : config.path());
    if (!present.isEmpty())
        QVERIFY(WriteAll(m_dir->filePath(present), "[Connection]\nAddress=9\n"));
    const QString user = config.filePath(QStringLiteral("config/z4vent"));
    QCOMPARE(SettingsPlace::UserFolder(), user);
    const QString folder = working ? m_dir->path() : user;
    QCOMPARE(SettingsPlace::Choose(m_dir->path()), folder);

    // The window of such a start reads and writes there, and its About box says so.
    SettingsPlace::Use(SettingsPlace::Choose(m_dir->path()));
    {
        RecordedForm form;
        QCOMPARE(form->WorkDir(), folder);
        QCOMPARE(AboutTexts(*form).value(0),
                 QStringLiteral("Settings file: ") + QDir::toNativeSeparators(QDir(folder).filePath(kFile)));
        PanelOf(*form)->PeriodAdvEdit->setText(QStringLiteral("7"));
        QVERIFY(form->close());
    }
    SettingsPlace::Use({});
    QCOMPARE(ValueIn(QDir(folder).filePath(kFile), QStringLiteral("Connection"), QStringLiteral("ReadPeriod")),
             QStringLiteral("7"));
    if (present == kFile)  // the file found there is the one kept
        QCOMPARE(ValueIn(QDir(folder).filePath(kFile), QStringLiteral("Connection"), QStringLiteral("Address")),
                 QStringLiteral("9"));
    QCOMPARE(QFile::exists(SettingsPath()), working);
}

// "Help" > "Link log" switches the log of both lines, keeps the switch in the settings file for
// the next start, and shows the folder; About says whether it is on.
void TstSettings::theLinkLogSwitch()
{
    // An installed tool's log folder is the user's: here the test's own.
    const TEnvironment data("XDG_DATA_HOME", m_dir->filePath(QStringLiteral("data")));
    QStringList shown;
    TForm1Options options;
    options.OpenFolder = [&shown](const QString &folder) { shown << folder; };
    {
        RecordedForm form(options);
        QAction *log = form->findChild<QAction *>(QStringLiteral("LinkLogAction"));
        QVERIFY(log && log->isCheckable() && !log->isChecked());
        log->trigger();
        QVERIFY(TcpOf(*form).LogFileEnabled() && SerialOf(*form).LogFileEnabled());
        QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Connection"), QStringLiteral("Log File Enabled")),
                 QStringLiteral("1"));
        QCOMPARE(shown, QStringList{TConnectionPanel::LogFolderInUse()});
        QVERIFY(QFileInfo(TConnectionPanel::LogFolderInUse()).isDir());
        QVERIFY(AboutTexts(*form).value(1).startsWith(QStringLiteral("Link log: on, in ")));
        QVERIFY(form->close());
    }
    // Kept over a restart (the close leaves the key as the switch set it), and switched off again.
    RecordedForm form(options);
    QVERIFY(TcpOf(*form).LogFileEnabled());
    form->findChild<QAction *>(QStringLiteral("LinkLogAction"))->trigger();
    QVERIFY(!TcpOf(*form).LogFileEnabled() && !SerialOf(*form).LogFileEnabled());
    QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Connection"), QStringLiteral("Log File Enabled")),
             QStringLiteral("0"));
    QVERIFY(AboutTexts(*form).value(1).startsWith(QStringLiteral("Link log: off")));
    QCOMPARE(shown.size(), 1);  // switching off shows nothing
    QVERIFY(form.Messages->Errors.isEmpty());
}

// The logs of the folder older versions used (the application's name twice) move to the one
// folder, once: a file of the same day already there is kept, and what is not a log stays.
void TstSettings::logsOfTheOlderFolderMoveOnce()
{
    QTemporaryDir data;
    const TEnvironment environment("XDG_DATA_HOME", data.path());
    QCOMPARE(ModbusLog::UserFolder(), data.filePath(QStringLiteral("z4vent/logs")));
    const QString old = data.filePath(QStringLiteral("Z4 Ventilation/Z4 Ventilation/logs"));
    QVERIFY(QDir().mkpath(old) && QDir().mkpath(ModbusLog::UserFolder()));
    QVERIFY(WriteAll(QDir(old).filePath(QStringLiteral("z4link-2026-12-01.log")), "old 1\n"));
    QVERIFY(WriteAll(QDir(old).filePath(QStringLiteral("z4link-2026-12-02.log")), "old 2\n"));
    QVERIFY(WriteAll(QDir(ModbusLog::UserFolder()).filePath(QStringLiteral("z4link-2026-12-02.log")), "new 2\n"));
    QVERIFY(WriteAll(QDir(old).filePath(QStringLiteral("notes.txt")), "mine\n"));

    QCOMPARE(ModbusLog::AdoptOldFiles(old), 1);
    const QDir folder(ModbusLog::UserFolder());
    QCOMPARE(ReadAll(folder.filePath(QStringLiteral("z4link-2026-12-01.log"))), QByteArray("old 1\n"));
    QCOMPARE(ReadAll(folder.filePath(QStringLiteral("z4link-2026-12-02.log"))), QByteArray("new 2\n"));
    QCOMPARE(QDir(old).entryList(QDir::Files), QStringList({"notes.txt", "z4link-2026-12-02.log"}));

    // Once the old folder holds nothing more, it goes with the two above it.
    QVERIFY(QFile::remove(QDir(old).filePath(QStringLiteral("notes.txt"))));
    QVERIFY(QFile::remove(QDir(old).filePath(QStringLiteral("z4link-2026-12-02.log"))));
    QCOMPARE(ModbusLog::AdoptOldFiles(old), 0);
    QVERIFY(!QFileInfo::exists(data.filePath(QStringLiteral("Z4 Ventilation"))));
}

void TstSettings::theDialogFolderIsKeptAcrossACloseAndRestart()
{
    const QString here = QDir::currentPath();
    QTemporaryDir files;
    QVERIFY(files.isValid());
    const QString folder = QDir(files.path()).filePath(QStringLiteral("site 7"));
    QVERIFY(QDir().mkpath(folder));
    QVERIFY(WriteAll(SettingsPath(), "; by hand\n[Connection]\nPort=1502\n"));
    QString error;
    QVERIFY2(TSettings::RememberFolder(SettingsPath(), QDir(folder).filePath(QStringLiteral("ahu.cnf")), &error),
             qPrintable(error));
    QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Files"), QStringLiteral("Folder")), folder);
    QVERIFY(ReadAll(SettingsPath()).startsWith("; by hand\n"));
    QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Connection"), QStringLiteral("Port")), QStringLiteral("1502"));

    // The window's close rewrites the file and keeps the folder; the next start finds it.
    {
        RecordedForm form;
        QVERIFY(form->close());
    }
    const TSettings read = TSettings::Read(SettingsPath());
    QCOMPARE(read.FileFolder, folder);
    QCOMPARE(read.DialogFolder(here), folder);

    // A folder name the file cannot hold on one line is not kept; the one before stays.
    QVERIFY(!TSettings::RememberFolder(SettingsPath(), QStringLiteral("/tmp/a\nb/x.cnf"), &error));
    QCOMPARE(TSettings::Read(SettingsPath()).FileFolder, folder);
}

void TstSettings::theReportsHandoverIsKeptAcrossACloseAndRestart()
{
    QVERIFY(WriteAll(SettingsPath(), "; by hand\n[Connection]\nPort=1502\n"));
    QString error;
    QVERIFY2(TSettings::RememberReport(SettingsPath(), QStringLiteral("Harbour Hall"), QStringLiteral("AHU 2"),
                                       QStringLiteral("J. Smith"), &error),
             qPrintable(error));
    QVERIFY(ReadAll(SettingsPath()).startsWith("; by hand\n"));
    {
        RecordedForm form;
        QVERIFY(form->close());
    }
    const TSettings read = TSettings::Read(SettingsPath());
    QCOMPARE(read.ReportSite, QStringLiteral("Harbour Hall"));
    QCOMPARE(read.ReportUnit, QStringLiteral("AHU 2"));
    QCOMPARE(read.ReportTechnician, QStringLiteral("J. Smith"));
    QCOMPARE(ValueIn(SettingsPath(), QStringLiteral("Report"), QStringLiteral("Unit")), QStringLiteral("AHU 2"));

    // A text the file cannot hold on one line is not kept; the ones before stay.
    QVERIFY(!TSettings::RememberReport(SettingsPath(), QStringLiteral("a\nb"), QString(), QString(), &error));
    QCOMPARE(TSettings::Read(SettingsPath()).ReportSite, QStringLiteral("Harbour Hall"));
}

void TstSettings::fileDialogsOpenWhereTheLastFileWasChosen_data()
{
    QTest::addColumn<int>("remembered");  // 0 none, 1 a folder that exists, 2 a folder gone since
    QTest::addColumn<bool>("open");       // the Load dialog, else the Save dialog

    QTest::newRow("nothing remembered, save") << 0 << false;
    QTest::newRow("remembered, save") << 1 << false;
    QTest::newRow("remembered, open") << 1 << true;
    QTest::newRow("gone since, open") << 2 << true;
}

// The real dialogs, answered as they come up: they open in the folder of the file chosen last, or
// in the working folder while that is unknown or gone, and remember where the next file is chosen.
void TstSettings::fileDialogsOpenWhereTheLastFileWasChosen()
{
    QFETCH(int, remembered);
    QFETCH(bool, open);
    QTemporaryDir files;
    QVERIFY(files.isValid());
    const QString before = QDir(files.path()).filePath(QStringLiteral("before"));
    const QString next = QDir(files.path()).filePath(QStringLiteral("next"));
    QVERIFY(QDir().mkpath(before) && QDir().mkpath(next));
    const QString chosen = QDir(next).filePath(QStringLiteral("ahu.cnf"));
    if (open)  // a save over an existing file would first ask whether to replace it
        QVERIFY(WriteAll(chosen, "[Settings]\n"));
    QString error;
    if (remembered > 0)
        QVERIFY2(TSettings::RememberFolder(SettingsPath(), QDir(before).filePath(QStringLiteral("old.cnf")), &error),
                 qPrintable(error));
    if (remembered == 2)
        QVERIFY(QDir(before).removeRecursively());

    TDialogMessages messages(nullptr);
    QString openedIn;
    // Looks for the dialog on every turn of the event loop until it is up, then answers it. Any
    // other box (or the dialog still up after its answer) is cancelled, so that the test ends.
    QTimer answer;
    connect(&answer, &QTimer::timeout, this, [&openedIn, &chosen] {
        QWidget *modal = QApplication::activeModalWidget();
        if (auto *dialog = qobject_cast<QFileDialog *>(modal); dialog && openedIn.isEmpty()) {
            openedIn = dialog->directory().absolutePath();
            dialog->selectFile(chosen);
            static_cast<QDialog *>(dialog)->accept();  // as the dialog's own button does
        } else if (auto *other = qobject_cast<QDialog *>(modal)) {
            other->reject();
        }
    });
    answer.start(0);
    QCOMPARE(open ? messages.AskOpenFile() : messages.AskSaveFile(), chosen);
    QCOMPARE(openedIn, remembered == 1 ? before : m_dir->path());
    QCOMPARE(TSettings::Read(SettingsPath()).FileFolder, next);
}

namespace {
// Each reader and writer of a file the tool names.
enum FileUse { SettingsFile, Definition, ConfigurationRead, ConfigurationSave, ChartSettings, CsvExport, Picture };
}  // namespace

void TstSettings::pipesDevicesAndFoldersAreRefusedAtOnce_data()
{
    QTest::addColumn<int>("use");
    QTest::addColumn<OddKind>("kind");
    const char *uses[] = {"settings file", "definition", "configuration read", "configuration save", "chart settings",
                          "CSV export",    "picture"};
    for (int use = SettingsFile; use <= Picture; ++use) {
        for (OddKind kind : {OddKind::Pipe, OddKind::Device, OddKind::Folder})
            QTest::addRow("%s: a %s", uses[use], qPrintable(OddWord(kind))) << use << kind;
    }
}

// A named pipe, a device or a folder where a file is named: refused at once, with a message that
// says what it is, and left as it was (a pipe blocked for good, a device was read without end).
void TstSettings::pipesDevicesAndFoldersAreRefusedAtOnce()
{
    QFETCH(int, use);
    QFETCH(OddKind, kind);
    const QString place = MakeOddPlace(kind, m_dir->path(), QStringLiteral("odd"));
    QVERIFY(!place.isEmpty());
    const mode_t type = TypeAt(place);
    TConfigImages images;
    QString error;
    QVERIFY2(ReadDefinitionFile(StandardDefinitionPath(), images, &error), qPrintable(error));
    MessageRecorder messages;
    HangGuard guard(5);
    TChartForm chart(use == ChartSettings ? place : m_dir->filePath(QStringLiteral("settings.ini")), messages);
    bool refused = false;
    switch (use) {
    case SettingsFile:  // at start it counts as no file; at close it is refused
        refused =
            TSettings::Read(place).Line.Host == TSettings().Line.Host && !TSettings::Write(place, TSettings(), &error);
        break;
    case Definition:
        refused = !ReadDefinitionFile(place, images, &error);
        break;
    case ConfigurationRead:
        refused = !ReadConfigFile(place, images, true, &error);
        break;
    case ConfigurationSave:
        refused = !WriteConfigFile(place, images, &error);
        break;
    default:
        refused = use == ChartSettings ? !chart.WriteSettings(&error)
                  : use == CsvExport   ? !chart.ExportCsv(place, &error)
                                       : !chart.SavePicture(place, &error);
    }
    QVERIFY2(refused && error.contains(OddWord(kind)), qPrintable(error));
    QCOMPARE(TypeAt(place), type);
}

void TstSettings::linksAreFollowedOnlyWithinTheirFolder_data()
{
    QTest::addColumn<bool>("log");        // the link's log file, else the settings file
    QTest::addColumn<bool>("elsewhere");  // the link leads into another folder
    QTest::newRow("settings file into another folder") << false << true;
    QTest::newRow("settings file to a file beside it") << false << false;
    QTest::newRow("link log into another folder") << true << true;
    QTest::newRow("link log to a file beside it") << true << false;
}

// The settings file and the link's log are found by their names in a folder others may write to:
// a link there is followed only to a file in the same folder, never to read or change a file
// elsewhere.
void TstSettings::linksAreFollowedOnlyWithinTheirFolder()
{
    QFETCH(bool, log);
    QFETCH(bool, elsewhere);
    QTemporaryDir other;
    QVERIFY(other.isValid());
    const QString target = QDir(elsewhere ? other.path() : m_dir->path()).filePath(QStringLiteral("target.txt"));
    const QByteArray before = "[Connection]\nMode=1\n";
    QVERIFY(WriteAll(target, before));
    const QString link = log ? m_dir->filePath(ModbusLog::FileNameFor(QDate::currentDate())) : SettingsPath();
    QVERIFY(QFile::link(target, link));

    if (log) {
        ModbusLog linkLog;
        linkLog.SetFolder(m_dir->path());
        linkLog.SetEnabled(true);
        linkLog.Write(ModbusLog::Failures, QStringLiteral("a line"));
        QCOMPARE(ReadAll(target).contains("a line"), !elsewhere);
    } else {
        RecordedForm form;
        QCOMPARE(PanelOf(*form)->SerialdxfCheckBox->isChecked(), !elsewhere);
        QVERIFY(form->close());
        if (elsewhere) {
            QCOMPARE(form.Messages->Errors.size(), 1);
            QVERIFY2(form.Messages->Errors.first().contains(QLatin1String("another folder")),
                     qPrintable(form.Messages->Errors.first()));
            QCOMPARE(ReadAll(target), before);
        } else {
            QCOMPARE(form.Messages->Errors, QStringList());
            QVERIFY(ReadAll(target).contains("BoardTypeIndex=0"));
        }
    }
    QVERIFY(QFileInfo(link).isSymLink());
}

// The INI layer on its own: edits land in place, new keys at the end of their section, new sections
// at the end, and nothing else moves.
void TstSettings::iniFileRewritesInPlace()
{
    TIniFile ini;
    QString error;
    QVERIFY2(ini.LoadText("; head\n\n[A]\nx=1\n; about y\nY=2\n\n[B]\nz=3\n", &error), qPrintable(error));
    QCOMPARE(ini.ReadInteger(QStringLiteral("a"), QStringLiteral("y"), -1), 2);
    QCOMPARE(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("x"), -1), 1);
    QCOMPARE(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("missing"), -1), -1);
    ini.WriteInteger(QStringLiteral("a"), QStringLiteral("y"), 20);
    ini.WriteBool(QStringLiteral("A"), QStringLiteral("new"), true);
    ini.WriteString(QStringLiteral("C"), QStringLiteral("k"), QStringLiteral("v w"));
    const QByteArray text = ini.Text();
    QList<QByteArray> lines = text.split('\n');
    lines.removeAll(QByteArray());
    QCOMPARE(lines,
             (QList<QByteArray>{"; head", "[A]", "x=1", "; about y", "Y=20", "new=1", "[B]", "z=3", "[C]", "k=v w"}));
    // Rewritten again and again (the settings file at every close), the text stays as it is.
    QVERIFY(ini.LoadText(text, &error));
    QCOMPARE(ini.Text(), text);

    QVERIFY2(ini.LoadText("[A]\nn= 12 \nbad=12abc\nneg=-4\nhex=0x10\n", &error), qPrintable(error));
    QCOMPARE(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("n"), -1), 12);
    QCOMPARE(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("bad"), -1), -1);
    QCOMPARE(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("neg"), -1), -4);
    QCOMPARE(ini.ReadInteger(QStringLiteral("A"), QStringLiteral("hex"), -1), -1);

    QVERIFY(!ini.LoadText(QByteArray("[A]\0x=1\n", 9), &error));
    QVERIFY(!error.isEmpty());
}

void TstSettings::aSectionLineWithoutItsBracketStaysOneLine_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("line");  // the line without "]"
    QTest::addColumn<bool>("mode");        // Mode as read: the keys after the line are in the section before it
    QTest::addColumn<int>("address");

    QTest::newRow("inside a section") << QByteArray("[Connection]\nIP1=10\n[Notes from the roof\nMode=1\nAddress=7\n")
                                      << QByteArray("[Notes from the roof") << true << 7;
    QTest::newRow("a bracket alone") << QByteArray("[Connection]\n[\nMode=1\nAddress=7]\nIP1=10\n") << QByteArray("[")
                                     << true << 1;
    QTest::newRow("an empty name") << QByteArray("[Connection]\nIP1=10\n[]\nMode=1\nAddress=7\n") << QByteArray("[]")
                                   << true << 7;
    QTest::newRow("last line") << QByteArray("[Connection]\nMode=1\nAddress=7\n[Chart") << QByteArray("[Chart") << true
                               << 7;
    QTest::newRow("first line") << QByteArray("  [Connection\r\nMode=1\r\n[BoardType]\r\nBoardTypeIndex=1\r\n")
                                << QByteArray("  [Connection") << false << 1;
    QTest::newRow("first line, after a byte-order mark")
        << QByteArray("\xEF\xBB\xBF[Connection\nMode=1\n[BoardType]\nBoardTypeIndex=1\n") << QByteArray("[Connection")
        << false << 1;
    QTest::newRow("the only line, after a byte-order mark")
        << QByteArray("\xEF\xBB\xBF[Chart") << QByteArray("[Chart") << false << 1;
}

// Every close rewrites the file: such a line is kept once, as it was, and the file does not grow.
void TstSettings::aSectionLineWithoutItsBracketStaysOneLine()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, line);
    QFETCH(bool, mode);
    QFETCH(int, address);
    QVERIFY(WriteAll(SettingsPath(), text));

    const TSettings read = TSettings::Read(SettingsPath());
    QCOMPARE(read.Line.Serial, mode);
    QCOMPARE(int(read.Line.Unit), address);
    QString error;
    QVERIFY2(TSettings::Write(SettingsPath(), read, &error), qPrintable(error));
    const QByteArray written = ReadAll(SettingsPath());
    QVERIFY2(TSettings::Write(SettingsPath(), TSettings::Read(SettingsPath()), &error), qPrintable(error));
    QCOMPARE(ReadAll(SettingsPath()), written);

    QCOMPARE(written.split('\n').count(line), 1);
    TIniFile ini;
    QVERIFY(ini.LoadText(written, &error));
    for (const QString &section : ini.Sections())
        QVERIFY2(!section.contains(QLatin1Char('\n')) && !section.contains(QLatin1Char('\r')), qPrintable(section));
    QCOMPARE(TSettings::Read(SettingsPath()).Line.Serial, mode);
}

QTEST_MAIN(TstSettings)
#include "tst_settings.moc"
