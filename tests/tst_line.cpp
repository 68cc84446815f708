// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The line's state machine through its transitions against the simulated board, and the window's
// views of it: the lamp, the connection box's line, the status bar and the communication-error
// window say the same state, its time and its reason.
#include "PtyPair.h"
#include "SimHarness.h"
#include "WindowOnBoard.h"
#include "app/TConnectionPanel.h"
#include "app/TErrorForm.h"
#include "common/IniFile.h"
#include "session/TBoardLine.h"
#include "widgets/TLed.h"
#include "widgets/TWrapLabel.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QProcess>
#include <QTest>

#include <csignal>

namespace {
enum class Fault { DropEvery, Stopped, Lost, Pulled, Refused, Unreachable };

// Set inside the network namespace this test makes for the unreachable host.
constexpr char kInNamespace[] = "Z4_LINE_IN_NETNS";
// A folder: the window is shown, and pictured in each state a row leads to (run under xvfb-run
// with QT_QPA_PLATFORM=xcb, at the screen sizes to be judged).
constexpr char kShots[] = "Z4_LINE_SHOTS";

void Picture(QWidget &form, const QString &name)
{
    const QString folder = qEnvironmentVariable(kShots);
    if (folder.isEmpty())
        return;
    QTest::qWait(50);  // painted
    form.grab().save(QDir(folder).filePath(name + QStringLiteral(".png")));
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *window = qobject_cast<TErrorForm *>(w); window && window->isVisible())
            window->grab().save(QDir(folder).filePath(name + QStringLiteral("-error.png")));
}

TErrorForm *ErrorWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<TErrorForm *>(w); form && form->isVisible())
            return form;
    return nullptr;
}

// The lamp as a person sees it.
QString Lamp(const TLed &led)
{
    if (!led.IsOn())
        return QStringLiteral("off");
    return led.Color() == QColor(0, 200, 0) ? QStringLiteral("green") : QStringLiteral("amber");
}
}  // namespace

class TstLine : public QObject
{
    Q_OBJECT

private slots:
    void defaultsAndTexts();
    void settingsKeysRoundTrip();
    void lineStates_data();
    void lineStates();
};

// The defaults and how a line is named, once for the window, z4ctl and the search.
void TstLine::defaultsAndTexts()
{
    TLineSettings line;
    QCOMPARE(line.Framing(), QStringLiteral("19200 8E1"));
    QCOMPARE(line.Name(), QStringLiteral("0.0.0.0:502"));
    QCOMPARE(line.TimeoutMs, 3000);
    QCOMPARE(int(line.Unit), 1);
    line.Serial = true;
    line.Device = QStringLiteral("/dev/ttyUSB0");
    line.BaudRate = 38400;
    line.Parity = QSerialPort::OddParity;
    QCOMPARE(line.Name(), QStringLiteral("/dev/ttyUSB0 (38400 8O1)"));
    line.Serial = false;
    line.Host = QStringLiteral("::1");
    QCOMPARE(line.Name(), QStringLiteral("[::1]:502"));
    QCOMPARE(TLineSettings::ParityFromText(QStringLiteral("none")), QSerialPort::NoParity);
    QCOMPARE(TLineSettings::ParityFromText(QStringLiteral("X")), std::nullopt);
}

// What is written is read back whole; an older file's COM port names the device.
void TstLine::settingsKeysRoundTrip()
{
    TLineSettings line;
    line.Serial = true;
    line.Device = QStringLiteral("/dev/serial/by-id/usb-FTDI_X-if00-port0");
    line.BaudRate = 57600;
    line.Parity = QSerialPort::NoParity;
    line.DataBits = QSerialPort::Data7;
    line.StopBits = QSerialPort::TwoStop;
    line.Host = QStringLiteral("10.0.0.7");
    line.Port = 1502;
    line.Unit = 37;
    line.TimeoutMs = 800;
    TIniFile ini;
    line.Write(ini, QStringLiteral("Connection"));
    QCOMPARE(TLineSettings::Read(ini, QStringLiteral("Connection")), line);
    TIniFile older;
    older.WriteInteger(QStringLiteral("Connection"), QStringLiteral("COM Port"), 2);
    QCOMPARE(TLineSettings::Read(older, QStringLiteral("Connection")).Device, QStringLiteral("/dev/ttyS2"));
}

void TstLine::lineStates_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<TLineState>("state");  // what the fault leads to
    QTest::addColumn<QString>("reason");    // in the state's reason; PORT: the board's port
    QTest::newRow("silent board") << Fault::DropEvery << TLineState::Silent
                                  << QStringLiteral("no answer within 300 ms (127.0.0.1:PORT)");
    QTest::newRow("silent board: a stopped process")
        << Fault::Stopped << TLineState::Silent << QStringLiteral("no answer within 300 ms (127.0.0.1:PORT)");
    QTest::newRow("lost TCP") << Fault::Lost << TLineState::Lost << QString();
    QTest::newRow("pulled pty") << Fault::Pulled << TLineState::Lost << QStringLiteral("stopped working");
    QTest::newRow("refused connect, cancelled")
        << Fault::Refused << TLineState::Opening
        << QStringLiteral("cannot connect to 127.0.0.1:PORT: the connection was refused");
    QTest::newRow("unreachable host, cancelled")
        << Fault::Unreachable << TLineState::Opening
        << QStringLiteral("cannot reach host 10.8.0.1 (port 502): Host unreachable");
}

void TstLine::lineStates()
{
    QFETCH(Fault, fault);
    QFETCH(TLineState, state);
    QFETCH(QString, reason);
    if (fault == Fault::Unreachable && !qEnvironmentVariableIsSet(kInNamespace)) {
        // Only inside a network namespace of the test's own, where 10.8.0.0/16 is unreachable:
        // this row again there, in a process of its own.
        const QStringList unshare{"--net",
                                  "--map-root-user",
                                  "--fork",
                                  "--kill-child",
                                  "sh",
                                  "-c",
                                  "ip link set lo up && ip route add unreachable 10.8.0.0/16 && exec \"$@\"",
                                  "sh"};
        if (QProcess::execute(QStringLiteral("unshare"), {"--net", "--map-root-user", "true"}) != 0)
            QSKIP("no network namespace of its own can be made here (unshare, ip)");
        QProcess self;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QLatin1String(kInNamespace), QStringLiteral("1"));
        self.setProcessEnvironment(environment);
        self.setProcessChannelMode(QProcess::MergedChannels);
        self.start(QStringLiteral("unshare"),
                   unshare
                       + QStringList{QCoreApplication::applicationFilePath(),
                                     QStringLiteral("lineStates:unreachable host, cancelled")});
        QVERIFY(self.waitForFinished(2 * kSoonMs));
        QVERIFY2(self.exitCode() == 0, self.readAll().constData());
        return;
    }

    std::unique_ptr<Z4SimServer> board;
    SimProcess process;
    PtyPair pty;
    quint16 port = 502;
    if (fault == Fault::Stopped) {
        QVERIFY(process.Start({QStringLiteral("--tcp"), QStringLiteral("0")}));
        port = process.TcpPort();
    } else if (fault == Fault::Pulled) {
        if (!PtyPair::Available())
            QSKIP("socat is not installed: no pty pair for the serial line (apt-get install socat)");
        pty.Start(kSoonMs);
        if (QTest::currentTestFailed())
            return;
        board = std::make_unique<Z4SimServer>();
        QString error;
        QVERIFY2(board->OpenRtu(pty.EndB(), SimSerialSettings{}, &error), qPrintable(error));
    } else if (fault != Fault::Unreachable) {
        board = StartTcpBoard();
        QVERIFY(board);
        port = board->TcpPort();
        if (fault == Fault::Refused)
            board.reset();
    }
    reason.replace(QStringLiteral("PORT"), QString::number(port));

    RecordedForm form;
    TConnectionPanel &panel = *PanelOf(*form);
    TBoardLine &line = form->Model().Line();
    TLineSettings settings = panel.LineSettings();
    settings.Port = port;
    settings.TimeoutMs = 300;
    panel.SetLineSettings(settings);
    if (fault == Fault::Pulled) {
        panel.SerialdxfCheckBox->click();
        panel.COMPortColumnComboBox->setEditText(pty.EndA());
    } else {
        panel.EthernetdxfCheckBox->click();
        panel.IPAddressEdit->setText(fault == Fault::Unreachable ? QStringLiteral("10.8.0.1")
                                                                 : QStringLiteral("127.0.0.1"));
    }
    if (qEnvironmentVariableIsSet(kShots))
        form->show();
    const QString shot = QString::fromLatin1(QTest::currentDataTag()).section(QLatin1Char(','), 0, 0);
    QList<TLineState> seen;
    connect(&line, &TBoardLine::StateChanged, this, [&seen](const TLineStatus &s) {
        if (seen.isEmpty() || seen.last() != s.State)
            seen.append(s.State);
    });
    // Every view says the state the line is in.
    const auto agree = [&] {
        const TLineStatus &s = line.Status();
        const QString lamp = s.State == TLineState::Answering                                  ? "green"
                             : s.State == TLineState::Waiting || s.State == TLineState::Silent ? "amber"
                                                                                               : "off";
        QCOMPARE(Lamp(*panel.ConnectionVrUserLed), lamp);
        QCOMPARE(panel.ConnectionStateLabel->text(), s.Text());
        QCOMPARE(panel.ConnectionStateLabel->toolTip(), s.Text());
        QCOMPARE(form->Session().Connected(), s.Open());
        if (s.State != TLineState::Answering)
            QCOMPARE(LiveStatusOf(*form)->text(), QString(s.Text()).replace('\n', QStringLiteral("; ")));
        if (TErrorForm *window = ErrorWindow())
            QCOMPARE(window->findChild<TWrapLabel *>(QStringLiteral("ErrorStateLabel"))->text(), s.Text());
    };

    panel.ConnectVrButton->click();
    QCOMPARE(line.State(), TLineState::Opening);
    agree();
    if (state == TLineState::Opening) {
        QTRY_VERIFY_WITH_TIMEOUT(line.Status().Reason == reason, kSoonMs);
        QCOMPARE(line.Status().Try, 1);
        QVERIFY(line.Status().Text().startsWith(QStringLiteral("Connecting to %1, try 1").arg(line.Status().Line)));
        agree();
        Picture(*form, shot);
        panel.ConnectVrButton->click();  // Cancel
        QTRY_COMPARE_WITH_TIMEOUT(line.State(), TLineState::Closed, kSoonMs);
        QCOMPARE(line.Status().Reason, reason);  // why stays said
        QCOMPARE(seen, (QList<TLineState>{TLineState::Opening, TLineState::Closing, TLineState::Closed}));
        agree();
        return;
    }

    QTRY_COMPARE_WITH_TIMEOUT(line.State(), TLineState::Answering, kSoonMs);
    agree();
    const QDateTime lastAnswer = line.LastAnswer();
    QVERIFY(lastAnswer.isValid());
    if (fault == Fault::DropEvery) {
        board->SetFaults({.DropEvery = 1, .Refuse = {}});
        form->ReadTimerTimer();
    } else if (fault == Fault::Stopped) {
        QCOMPARE(::kill(static_cast<pid_t>(process.Pid()), SIGSTOP), 0);
        form->ReadTimerTimer();
    } else {
        board.reset();
        if (fault == Fault::Pulled)
            QVERIFY(pty.Kill(kSoonMs));
    }
    QTRY_COMPARE_WITH_TIMEOUT(line.State(), state, kSoonMs);
    const TLineStatus status = line.Status();
    QVERIFY2(status.Reason.contains(reason), qPrintable(status.Reason));
    // "Since" is the board's last answer, whatever came after it.
    QVERIFY(status.Since >= lastAnswer && status.Since == line.LastAnswer());
    QVERIFY2(status.Text().contains(status.SinceText()), qPrintable(status.Text()));
    QTRY_VERIFY_WITH_TIMEOUT(LiveStatusOf(*form)->text() == status.Text().replace('\n', QStringLiteral("; ")), kSoonMs);
    agree();
    Picture(*form, shot);
    if (state == TLineState::Silent) {
        QVERIFY(ErrorWindow());
        QCOMPARE(ErrorWindow()->findChild<QLabel *>(QStringLiteral("ErrorReasonLabel"))->text(), reason);
        // The board answers again: green, and the window goes.
        if (board)
            board->SetFaults({});
        else
            QCOMPARE(::kill(static_cast<pid_t>(process.Pid()), SIGCONT), 0);
        form->ReadTimerTimer();
        QTRY_COMPARE_WITH_TIMEOUT(line.State(), TLineState::Answering, kSoonMs);
        QTRY_VERIFY_WITH_TIMEOUT(!ErrorWindow(), kSoonMs);
        agree();
    }
    panel.ConnectVrButton->click();  // Disconnect
    QTRY_COMPARE_WITH_TIMEOUT(line.State(), TLineState::Closed, kSoonMs);
    QCOMPARE(seen.mid(0, 3), (QList<TLineState>{TLineState::Opening, TLineState::Waiting, TLineState::Answering}));
    QCOMPARE(seen.last(2), (QList<TLineState>{TLineState::Closing, TLineState::Closed}));
    QVERIFY(seen.contains(state));
    agree();
}

QTEST_MAIN(TstLine)
#include "tst_line.moc"
