// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The board search: it finds the simulated board where it is (address and line setting, over a
// pty whose settings the board checks, and over TCP), finds nothing on a silent line in bounded
// time, sends nothing but reads of the version register, and ends whole when cancelled; the
// window's "Find board..." takes what it found; z4ctl scan says it in its exit status.

#include "MessageRecorder.h"
#include "PtyPair.h"
#include "RtuFrame.h"
#include "SimHarness.h"
#include "SimPtyLine.h"

#include "app/TConnectionPanel.h"
#include "app/TFindBoardDialog.h"
#include "app/TSettings.h"
#include "link/TSerialModbusClient.h"
#include "monitor/BoardSearch.h"
#include "session/TBoardModel.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TDeviceComboBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPort>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {
constexpr quint16 kVersion = 0xE700;

// The simulated board on a pty it owns, answering only what is sent at its own line setting.
struct PtyBoard
{
    QTemporaryDir Dir;
    Z4SimServer Server;
    SimPtyLine Line;

    bool Start(int baud, QSerialPort::Parity parity, quint8 unit)
    {
        QString error;
        Server.SetUnit(unit);
        SimSerialSettings settings;
        settings.BaudRate = baud;
        settings.Parity = parity;
        if (!Line.Open(Path(), settings, &error) || !Server.OpenRtu(Line.InnerDevice(), settings, &error)) {
            qWarning("%s", qPrintable(error));
            return false;
        }
        return true;
    }
    QString Path() const { return Dir.filePath(QStringLiteral("line")); }
};

// What a search sends to the version register of a unit: one RTU read frame.
QByteArray VersionRead(quint8 unit)
{
    return RtuFrame(unit, QByteArray::fromHex("03e7000002"));
}

QList<quint8> UnitRange(int first, int last)
{
    QList<quint8> units;
    for (int unit = first; unit <= last; ++unit)
        units.append(static_cast<quint8>(unit));
    return units;
}

// The longest a serial search may take: each probe's timeout and wait after it, twice over, and
// the opening of each setting.
int BoundMs(const TSearchPlan &plan)
{
    int ms = 0;
    for (const TSearchSetting &setting : plan.Settings)
        ms += 2 * static_cast<int>(plan.Units.size()) * 2
                  * TBoardSearch::TimeoutMs(setting, plan.Line.DataBits, plan.Line.StopBits)
              + 500;
    return ms + 2000;
}
}  // namespace

class TestScan : public QObject
{
    Q_OBJECT

private slots:
    void findsBoard_data()
    {
        QTest::addColumn<bool>("serial");
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QList<quint8>>("units");
        // The settings file's own setting (19200 8E1) and address come first; the board is elsewhere.
        QTest::newRow("rtu 38400 8O1, address 37")
            << true << 38400 << int(QSerialPort::OddParity) << 37 << QList<quint8>{1, 36, 37, 38};
        QTest::newRow("rtu 9600 8O1, address 247")
            << true << 9600 << int(QSerialPort::OddParity) << 247 << QList<quint8>{1, 247};
        QTest::newRow("rtu 115200 8O1, the own address")
            << true << 115200 << int(QSerialPort::OddParity) << 1 << QList<quint8>{1, 2};
        QTest::newRow("tcp unit 9") << false << 0 << 0 << 9 << QList<quint8>{1, 8, 9, 10};
    }

    // Found where it is, at the first probe that reaches it, with nothing sent to the board but
    // version reads; the probes at other settings reached the line and were dropped there.
    void findsBoard()
    {
        QFETCH(bool, serial);
        QFETCH(int, baud);
        QFETCH(int, parity);
        QFETCH(int, unit);
        QFETCH(QList<quint8>, units);
        PtyBoard pty;
        std::unique_ptr<Z4SimServer> tcp;
        TSearchPlan plan;
        plan.Line.Serial = serial;
        plan.Units = units;
        Z4SimServer *board = nullptr;
        if (serial) {
            QVERIFY(pty.Start(baud, static_cast<QSerialPort::Parity>(parity), static_cast<quint8>(unit)));
            plan.Line.Device = pty.Path();
            plan.Settings = TBoardSearch::SerialSettings({19200, QSerialPort::EvenParity}, false, false);
            board = &pty.Server;
        } else {
            tcp = std::make_unique<Z4SimServer>();
            tcp->SetUnit(static_cast<quint8>(unit));
            QString error;
            QVERIFY2(tcp->ListenTcp(QHostAddress::LocalHost, 0, &error), qPrintable(error));
            plan.Line.Host = QStringLiteral("127.0.0.1");
            plan.Line.Port = tcp->TcpPort();
            board = tcp.get();
        }

        TBoardSearch search;
        QSignalSpy finished(&search, &TBoardSearch::Finished);
        search.Start(plan);
        QVERIFY(finished.wait(serial ? BoundMs(plan) : kSoonMs));
        QVERIFY2(search.Error().isEmpty(), qPrintable(search.Error()));
        QCOMPARE(search.Found().size(), 1);
        const TBoardFound found = search.Found().constFirst();
        QCOMPARE(found.Unit, unit);
        QCOMPARE(found.Version, quint16(1011));
        const qsizetype settingIndex =
            serial ? plan.Settings.indexOf(TSearchSetting{baud, static_cast<QSerialPort::Parity>(parity)}) : 0;
        if (serial)
            QCOMPARE(found.Setting, plan.Settings.at(settingIndex));
        // It stopped there: the first address goes to every setting first, then the others.
        const qsizetype at = units.indexOf(quint8(unit));
        const qsizetype settings = serial ? plan.Settings.size() : 1;
        QCOMPARE(search.Done(), int(at == 0 ? settingIndex + 1 : settings + settingIndex * (units.size() - 1) + at));
        QVERIFY(!board->Requests().isEmpty());
        for (const SimRequest &request : board->Requests()) {
            QCOMPARE(request.Function, quint8(3));
            QCOMPARE(request.Address, kVersion);
            QCOMPARE(request.Count, quint16(2));
        }
        if (serial)
            QVERIFY(pty.Line.Dropped() > 0);
    }

    // Nothing answers: every probe goes out, each one read of the version register, and the
    // search ends within the time its timeouts allow, finding nothing; cancelled, it ends whole.
    void silentLine()
    {
        if (!PtyPair::Available())
            QSKIP("socat is not installed");
        PtyPair pair;
        pair.Start(kSoonMs);
        if (QTest::currentTestFailed())
            return;
        QSerialPort wire(pair.EndB());
        QVERIFY2(wire.open(QIODevice::ReadOnly), qPrintable(wire.errorString()));
        QByteArray sent;
        connect(&wire, &QSerialPort::readyRead, this, [&] { sent += wire.readAll(); });

        TSearchPlan plan;
        plan.Line.Device = pair.EndA();
        plan.Settings = TBoardSearch::SerialSettings({19200, QSerialPort::EvenParity}, true, false);
        plan.Units = UnitRange(1, 10);
        QCOMPARE(plan.Settings.size(), 3);
        TBoardSearch search;
        QSignalSpy finished(&search, &TBoardSearch::Finished);
        QElapsedTimer clock;
        clock.start();
        search.Start(plan);
        QVERIFY(finished.wait(BoundMs(plan)));
        QVERIFY(clock.elapsed() < BoundMs(plan));
        QVERIFY(search.Found().isEmpty());
        QVERIFY2(search.Error().isEmpty(), qPrintable(search.Error()));
        QCOMPARE(search.Done(), 30);
        QByteArray expected = VersionRead(1) + VersionRead(1) + VersionRead(1);
        for (int pass = 0; pass < 3; ++pass)
            for (const quint8 unit : plan.Units.mid(1))
                expected += VersionRead(unit);
        QTRY_COMPARE_WITH_TIMEOUT(sent.size(), expected.size(), kSoonMs);
        QCOMPARE(sent.toHex(), expected.toHex());

        // Cancelled at its first probe, it ends after that probe, not after the 247 addresses.
        plan.Units = TBoardSearch::Units(1);
        QSignalSpy progress(&search, &TBoardSearch::Progress);
        search.Start(plan);
        QVERIFY(progress.wait(kSoonMs));
        search.Cancel();
        QVERIFY(finished.wait(kSoonMs));
        QVERIFY(search.Done() <= 2);
        QVERIFY(search.Error().isEmpty());
        QVERIFY(!search.Running());
    }

    // "Find board..." searches the panel's device, own setting and address first, and "Use these
    // settings" takes what it found into the connection settings and the settings file.
    void findBoardDialog()
    {
        PtyBoard pty;
        QVERIFY(pty.Start(38400, QSerialPort::OddParity, 37));
        QTemporaryDir work;
        const QString before = QDir::currentPath();
        QDir::setCurrent(work.path());
        TBoardModel model;
        TSerialModbusClient &serial = model.SerialClient();
        MessageRecorder messages;
        QWidget window;
        auto *panel = new TConnectionPanel(model.Line(), messages, &window);
        panel->SerialdxfCheckBox->click();
        panel->COMPortColumnComboBox->lineEdit()->setText(pty.Path());
        panel->AddressAdvEdit->setText(QStringLiteral("37"));
        window.show();

        panel->FindBoardButton->click();
        auto *dialog = window.findChild<TFindBoardDialog *>();
        QVERIFY(dialog);
        QTRY_VERIFY2_WITH_TIMEOUT(dialog->UseButton->isEnabled(),
                                  qPrintable(dialog->ResultLabel->text() + dialog->ProgressLabel->text()), kSoonMs);
        QVERIFY(dialog->ResultLabel->text().contains(QLatin1String("address 37 at 38400 8O1")));
        dialog->UseButton->click();
        QCOMPARE(panel->LineSettings().BaudRate, 38400);
        QCOMPARE(panel->LineSettings().Parity, QSerialPort::OddParity);
        QCOMPARE(panel->AddressAdvEdit->text(), QStringLiteral("37"));
        const TSettings kept = TSettings::Read(work.filePath(TSettings::FileName()));
        QCOMPARE(kept.Line.BaudRate, 38400);
        QCOMPARE(kept.Line.Parity, QSerialPort::OddParity);
        QCOMPARE(kept.Line.Unit, quint8(37));
        QCOMPARE(kept.Line.Device, pty.Path());
        QVERIFY2(messages.Errors.isEmpty(), qPrintable(messages.Errors.join('\n')));
        QVERIFY(!serial.IsOpen());
        QDir::setCurrent(before);
    }

    // Over Ethernet, a search (the window's "Find board...") aimed at a port where nothing listens
    // says so in the words every command uses.
    void refusedConnection()
    {
        TSearchPlan plan;
        plan.Line.Serial = false;
        plan.Line.Host = QStringLiteral("127.0.0.1");
        plan.Units = {1};
        {
            Z4SimServer gone;
            QString error;
            QVERIFY2(gone.ListenTcp(QHostAddress::LocalHost, 0, &error), qPrintable(error));
            plan.Line.Port = gone.TcpPort();
        }
        TBoardSearch search;
        QSignalSpy finished(&search, &TBoardSearch::Finished);
        search.Start(plan);
        QVERIFY(finished.wait(kSoonMs));
        QCOMPARE(search.Error(),
                 QStringLiteral("cannot connect to 127.0.0.1:%1: the connection was refused").arg(plan.Line.Port));
    }

    void z4ctlScan_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<int>("exitStatus");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("boardParity");  // the board's
        QTest::addColumn<QString>("parity");       // what z4ctl says of it; empty: that it cannot tell
        const QStringList unit5{QStringLiteral("--unit"), QStringLiteral("5")};
        QTest::newRow("found") << unit5 << 0 << 5 << "O"
                               << "O";
        QTest::newRow("nothing at that address")
            << QStringList{QStringLiteral("--unit"), QStringLiteral("4")} << 3 << 0 << "O"
            << "O";
        // A pty carries even parity and none alike: the board answers either, and z4ctl says so.
        QTest::newRow("even or none on a pty") << unit5 << 0 << 5 << "N"
                                               << "";
    }

    // z4ctl scan against z4sim on its own pty: exit 0 and the board in JSON, or 3 and none.
    void z4ctlScan()
    {
        QFETCH(QStringList, options);
        QFETCH(int, exitStatus);
        QFETCH(int, unit);
        QFETCH(QString, boardParity);
        QFETCH(QString, parity);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("line"));
        QProcess sim;
        sim.start(QStringLiteral(Z4_SIM_EXE),
                  {QStringLiteral("--pty"), path, QStringLiteral("--baud"), QStringLiteral("57600"),
                   QStringLiteral("--parity"), boardParity, QStringLiteral("--unit"), QStringLiteral("5")});
        QVERIFY(sim.waitForReadyRead(kSoonMs));
        QProcess ctl;
        ctl.start(QStringLiteral(Z4_CTL_EXE), QStringList{QStringLiteral("--rtu"), path} + options
                                                  + QStringList{QStringLiteral("--json"), QStringLiteral("scan")});
        QVERIFY(ctl.waitForFinished(60000));
        QCOMPARE(ctl.exitCode(), exitStatus);
        const QJsonArray found =
            QJsonDocument::fromJson(ctl.readAllStandardOutput()).object().value(QLatin1String("found")).toArray();
        QCOMPARE(found.size(), unit ? 1 : 0);
        if (unit) {
            QCOMPARE(found.at(0)[QLatin1String("unit")].toInt(), unit);
            const QJsonValue said = found.at(0)[QLatin1String("parity")];
            QCOMPARE(said.isNull() ? QString() : said.toString(), parity);
            QCOMPARE(QString::fromUtf8(ctl.readAllStandardError()).contains(QLatin1String("cannot tell even parity")),
                     parity.isEmpty());
        }
        sim.terminate();
        QVERIFY(sim.waitForFinished(kSoonMs));
    }

    // SIGTERM (as Ctrl+C) ends the whole search, not only the setting it is at, with what it found.
    void z4ctlScanStops()
    {
        if (!PtyPair::Available())
            QSKIP("socat is not installed");
        PtyPair pair;
        pair.Start(kSoonMs);
        if (QTest::currentTestFailed())
            return;
        QProcess ctl;
        ctl.start(QStringLiteral(Z4_CTL_EXE),
                  {QStringLiteral("--rtu"), pair.EndA(), QStringLiteral("--json"), QStringLiteral("scan")});
        ctl.setReadChannel(QProcess::StandardError);
        QVERIFY(ctl.waitForReadyRead(kSoonMs));  // the first setting's progress line
        ctl.terminate();
        QVERIFY(ctl.waitForFinished(kSoonMs));
        QCOMPARE(ctl.exitCode(), 3);
        const QJsonObject result = QJsonDocument::fromJson(ctl.readAllStandardOutput()).object();
        QCOMPARE(result.value(QLatin1String("stopped")).toBool(), true);
        QVERIFY(result.value(QLatin1String("found")).toArray().isEmpty());
    }
};

QTEST_MAIN(TestScan)
#include "tst_scan.moc"
