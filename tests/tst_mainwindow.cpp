// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The main window against the simulated board: the connection panel through its states over TCP and
// a serial pty pair, the communication-error window, the commands of the left column and the pages,
// F1, the caption, the pages and the status bar, and the start-up picture.
#include "PtyPair.h"
#include "SimHarness.h"
#include "TestFiles.h"
#include "WindowOnBoard.h"
#include "app/TApplication.h"
#include "app/TConnectionDialog.h"
#include "app/TConnectionPanel.h"
#include "app/TErrorForm.h"
#include "app/TStartupForm.h"
#include "common/IniFile.h"
#include "link/ModbusLog.h"
#include "monitor/TPoll.h"
#include "params/TControlPage.h"
#include "params/TVentilationPage.h"
#include "record/TRecorder.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TIPAddressEdit.h"
#include "widgets/TLed.h"
#include "widgets/TWrapLabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QSerialPort>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <stdexcept>

namespace {
// The rows of the connection state table, as the panel shows them.
const QString kClosed = QStringLiteral("connected=0 led=0 caption=&Connect inputs=free");
const QString kOpening = QStringLiteral("connected=0 led=0 caption=&Cancel inputs=locked");
// The lamp is amber until the board's first answer.
const QString kOpenSilent = QStringLiteral("connected=1 led=amber caption=&Disconnect inputs=locked");
const QString kOpen = QStringLiteral("connected=1 led=1 caption=&Disconnect inputs=locked");
const QString kDropped = QStringLiteral("connected=0 led=0 caption=&Disconnect inputs=locked");
const QString kClosing = kDropped;

QString PanelState(TForm1 &form)
{
    const TConnectionPanel &p = *PanelOf(form);
    const bool serial = p.SerialdxfCheckBox->isChecked();
    const QList<QPair<QWidget *, bool>> free{{p.SerialdxfCheckBox, true}, {p.EthernetdxfCheckBox, true},
                                             {p.IPAddressEdit, !serial},  {p.COMPortColumnComboBox, serial},
                                             {p.PeriodAdvEdit, true},     {p.AddressAdvEdit, true}};
    bool allFree = true, allLocked = true;
    QStringList odd;
    for (const auto &[widget, enabledWhenFree] : free) {
        allFree = allFree && widget->isEnabled() == enabledWhenFree;
        allLocked = allLocked && !widget->isEnabled();
        odd << QStringLiteral("%1:%2").arg(widget->objectName()).arg(widget->isEnabled());
    }
    const QString inputs = allFree     ? QStringLiteral("free")
                           : allLocked ? QStringLiteral("locked")
                                       : odd.join(QLatin1Char(','));
    return QStringLiteral("connected=%1 led=%2 caption=%3 inputs=%4")
        .arg(form.Session().Connected())
        .arg(!p.ConnectionVrUserLed->IsOn()                        ? QStringLiteral("0")
             : p.ConnectionVrUserLed->Color() == QColor(0, 200, 0) ? QStringLiteral("1")
                                                                   : QStringLiteral("amber"))
        .arg(p.ConnectVrButton->text(), inputs);
}

QList<TErrorForm *> VisibleErrorWindows()
{
    QList<TErrorForm *> found;
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *form = qobject_cast<TErrorForm *>(w); form && form->isVisible())
            found.append(form);
    return found;
}

// In a test function: skips the test without socat, else starts a pty pair named pty and returns
// from the test when it did not start.
#define START_PTY_PAIR(pty)                                                                                            \
    if (!PtyPair::Available())                                                                                         \
        QSKIP("socat is not installed: no pty pair for the serial line (apt-get install socat)");                      \
    PtyPair pty;                                                                                                       \
    pty.Start(kSoonMs);                                                                                                \
    if (QTest::currentTestFailed())                                                                                    \
    return

// A loopback TCP port nobody listens on any more; 0 where no board started there.
quint16 DeadPort()
{
    const auto gone = StartTcpBoard();
    return gone ? gone->TcpPort() : 0;
}

// Connect pressed on the serial device, as a user does on the connection panel.
void ConnectSerial(RecordedForm &form, const QString &device)
{
    TConnectionPanel &panel = *PanelOf(*form);
    panel.SerialdxfCheckBox->click();
    panel.COMPortColumnComboBox->setEditText(device);
    panel.ConnectVrButton->click();
}

// Registers the board was asked to write, in order, from the given address.
QList<quint16> WritesTo(const Z4SimServer &board, quint16 address)
{
    QList<quint16> values;
    for (const auto &[at, value] : board.Writes())
        if (at == address)
            values.append(value);
    return values;
}

// The requests of one function the board received for one register (or a block starting there).
QList<SimRequest> RequestsAt(const Z4SimServer &board, quint8 function, quint16 address)
{
    QList<SimRequest> found;
    for (const SimRequest &request : board.Requests())
        if (request.Function == function && request.Address == address)
            found.append(request);
    return found;
}
}  // namespace

class TstMainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void connectionStatesOverTcp();
    void connectionOverASerialLine();
    void connectIsRefusedBeforeAnythingOpens_data();
    void connectIsRefusedBeforeAnythingOpens();
    void aSerialPortThatCannotOpenIsTold_data();
    void aSerialPortThatCannotOpenIsTold();
    void cancelGivesTheAttemptUp();
    void connectingSaysWhatItDoes();
    void aSerialAdapterPulledIsOpenedAgain();
    void serialDevicesAreListedAsTheyCome();
    void periodEdit();
    void switchingWindowsAppliesNoEdit();
    void ipAddressEdit();
    void connectionPanelReadsInOrder();
    void firstConnectLogsBesideTheTool();

    void oneErrorWindowForAnyNumberOfFailures();
    void disconnectingIsNoCommunicationError();

    void startStopWritesAndToggles();
    void startStopWithoutALine();
    void remoteControlBoxes();
    void clockTestButtons();
    void f1OpensOneTrendWindow();
    void chartOpensOneTrendWindow();

    void captionFollowsTheDecimalSeparator();
    void pagesAndStatusBar();
    void startupPictureComesBeforeThePoll();
    void startupPictureCloses();
    void exceptionInAHandlerIsShownAndTheToolGoesOn();
    void pollingRidesOutAChatteringLine();

private:
    // A main window on a running simulated board over TCP, connected. Null form on failure.
    void ConnectTcp(RecordedForm &form, Z4SimServer &board);

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_oldCurrent;
};

void TstMainWindow::init()
{
    // Every window reads and writes its settings in a folder of its own.
    m_oldCurrent = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY2(m_dir->isValid(), qPrintable(m_dir->errorString()));
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void TstMainWindow::cleanup()
{
    QDir::setCurrent(m_oldCurrent);
    m_dir.reset();
}

void TstMainWindow::ConnectTcp(RecordedForm &form, Z4SimServer &board)
{
    TcpOf(*form).SetReconnectInterval(100);
    QVERIFY(::ConnectTcp(*form.Form, board.TcpPort()));
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kOpen, kSoonMs);
    // What the window reads by itself on a connect is done before a test starts its own traffic.
    QTRY_VERIFY_WITH_TIMEOUT(Idle(TcpOf(*form)), kSoonMs);
    board.ClearRecord();
}

// The line is set up before it opens: the first connect's log lines (and its purge of old logs)
// are in the folder beside the tool, not in the fallback folder.
void TstMainWindow::firstConnectLogsBesideTheTool()
{
    QStandardPaths::setTestModeEnabled(true);  // the fallback folder, away from the user's own
    QDir fallback(ModbusLog::UserFolder());
    QVERIFY(fallback.removeRecursively());
    auto board = StartTcpBoard();
    QVERIFY(board);
    RecordedForm form;
    TcpOf(*form).SetLogFileEnabled(true);
    TcpOf(*form).SetLogFileLevel(3);
    QVERIFY(::ConnectTcp(*form.Form, board->TcpPort()));

    const QString log = TcpOf(*form).LogFileName();
    QCOMPARE(QFileInfo(log).absolutePath(), QCoreApplication::applicationDirPath());
    QFile file(log);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString opening = QStringLiteral("[127.0.0.1:%1] opening the line").arg(board->TcpPort());
    QVERIFY(QString::fromUtf8(file.readAll()).contains(opening));
    QVERIFY2(!fallback.exists() || fallback.isEmpty(), qPrintable(fallback.entryList().join(QLatin1Char(' '))));
}

// Closed -> Opening -> Open -> TCP dropped -> Open -> Closing -> Closed, as the panel shows it.
void TstMainWindow::connectionStatesOverTcp()
{
    auto board = StartTcpBoard();
    QVERIFY(board);
    const quint16 port = board->TcpPort();
    RecordedForm form;
    TConnectionPanel &panel = *PanelOf(*form);
    panel.IPAddressEdit->setText(QStringLiteral("127.0.0.1"));
    SetTcpPort(*form, port);
    TcpOf(*form).SetReconnectInterval(100);
    QCOMPARE(PanelState(*form.Form), kClosed);

    panel.ConnectVrButton->click();
    QCOMPARE(PanelState(*form.Form), kOpening);  // the connect event comes later
    QCOMPARE(form->Session().ActiveClient(), &TcpOf(*form));
    QCOMPARE(TcpOf(*form).ServerAddress(), QStringLiteral("127.0.0.1"));
    QCOMPARE(form->Session().SlaveAddress(), quint8(1));

    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kOpen, kSoonMs);
    QVERIFY(form->Session().LinkOk());
    QCOMPARE(form->Live().VersionCountdown, qint16(10));  // the firmware version is read at once, then every 10 ticks

    // The board goes away: the lamp goes out, the panel stays locked, the client keeps trying.
    board.reset();
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kDropped, kSoonMs);
    const QString lost = QStringLiteral("no connection to 127.0.0.1:%1 since ").arg(port);
    QVERIFY2(panel.ConnectionStateLabel->text().startsWith(lost), qPrintable(panel.ConnectionStateLabel->text()));
    QVERIFY(panel.ConnectionStateLabel->text().contains(QLatin1String(", trying again")));

    // ... and comes back where it was.
    board = std::make_unique<Z4SimServer>();
    QString error;
    QVERIFY2(board->ListenTcp(QHostAddress::LocalHost, port, &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kOpen, kSoonMs);
    form.Messages->Answers << TChoice::Go;
    ControlOf<QPushButton>(*form, "StartStopVrButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(WritesTo(*board, 0x013A), QList<quint16>{1}, kSoonMs);

    // Disconnect clears the live display at once; the panel opens up when the line is closed.
    auto *fanSpeed = ControlOf<QLabel>(*form, "FanSpeedVrLabel");
    auto *running = ControlOf<TLed>(*form, "StartStopVrUserLed");
    auto *startStop = ControlOf<QPushButton>(*form, "StartStopVrButton");
    auto *hearth = ControlOf<TLed>(*form, "HearthVrUserLed");
    QList<QLabel *> values;
    for (const char *name :
         {"ModeValVrLabel", "SeasonValVrLabel", "SVentValVrLabel", "EVentValVrLabel", "HearthValVrLabel"})
        values << ControlOf<QLabel>(*form, name);
    fanSpeed->setText(QStringLiteral("3"));
    running->SetOn(true);
    startStop->setText(QStringLiteral("Sto&p"));
    for (QLabel *label : values)
        label->setText(QStringLiteral("x"));
    hearth->SetOn(true);
    panel.ConnectVrButton->click();
    QCOMPARE(PanelState(*form.Form), kClosing);
    QCOMPARE(fanSpeed->text(), QStringLiteral("0"));
    QVERIFY(!running->IsOn());
    QCOMPARE(startStop->text(), QStringLiteral("Sta&rt"));
    for (QLabel *label : values)
        QVERIFY2(label->text().isEmpty(), qPrintable(label->objectName()));
    QVERIFY(!hearth->IsOn());
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kClosed, kSoonMs);
    QVERIFY(!TcpOf(*form).IsOpen());
    QVERIFY(form.Messages->Errors.isEmpty());
}

// A serial port opens whether or not a board hangs on it: the lamp waits for the board's first
// answer, and the state line says what is missing.
void TstMainWindow::connectionOverASerialLine()
{
    START_PTY_PAIR(pty);
    RecordedForm form;
    TConnectionPanel &panel = *PanelOf(*form);
    TConnectionDialog::Line line = panel.LineSettings();
    line.TimeoutMs = 200;
    panel.SetLineSettings(line);
    panel.SerialdxfCheckBox->click();
    QVERIFY(!panel.IPAddressEdit->isEnabled());
    QVERIFY(panel.COMPortColumnComboBox->isEnabled());
    panel.COMPortColumnComboBox->setEditText(pty.EndA());  // a path of one's own
    QCOMPARE(PanelState(*form.Form), kClosed);

    panel.ConnectVrButton->click();
    QCOMPARE(SerialOf(*form).PortName(), pty.EndA());
    QCOMPARE(form->Session().ActiveClient(), &SerialOf(*form));
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kOpenSilent, kSoonMs);
    QCOMPARE(form->Session().RequestTimeout(), quint32(200));
    const QString silent = QStringLiteral("No answer from the board at address 1 on %1 (19200 8E1): check the "
                                          "cable, the address and the line settings")
                               .arg(pty.EndA());
    QTRY_COMPARE_WITH_TIMEOUT(panel.ConnectionStateLabel->text(), silent, kSoonMs);
    QCOMPARE(PanelState(*form.Form), kOpenSilent);

    // The board is wired up: it takes the write, and its first answer lights the lamp.
    Z4SimServer board;
    QString error;
    QVERIFY2(board.OpenRtu(pty.EndB(), SimSerialSettings{}, &error), qPrintable(error));
    form.Messages->Answers << TChoice::Go;
    ControlOf<QPushButton>(*form, "StartStopVrButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(WritesTo(board, 0x013A), QList<quint16>{1}, kSoonMs);
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kOpen, kSoonMs);
    QCOMPARE(panel.ConnectionStateLabel->text(),
             QStringLiteral("Connected to %1 (19200 8E1), board address 1").arg(pty.EndA()));

    panel.ConnectVrButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kClosed, kSoonMs);
    QVERIFY(!SerialOf(*form).IsOpen());
    QVERIFY(form.Messages->Errors.isEmpty());
}

void TstMainWindow::connectIsRefusedBeforeAnythingOpens_data()
{
    QTest::addColumn<bool>("serial");
    QTest::addColumn<QString>("address");
    QTest::addColumn<QString>("ip");
    QTest::addColumn<QString>("warning");  // the edit of the range warning, or empty
    QTest::addColumn<QString>("error");    // the text of the error box, or empty
    const QString ip = QStringLiteral("127.0.0.1");
    QTest::newRow("address 0") << false << QStringLiteral("0") << ip << QStringLiteral("AddressAdvEdit") << QString();
    QTest::newRow("address 248") << false << QStringLiteral("248") << ip << QStringLiteral("AddressAdvEdit")
                                 << QString();
    QTest::newRow("address 999, serial") << true << QStringLiteral("999") << ip << QStringLiteral("AddressAdvEdit")
                                         << QString();
    QTest::newRow("no address") << false << QString() << ip << QString() << NotAnIntegerMessage(QString());
    QTest::newRow("IP address half typed") << false << QStringLiteral("1") << QStringLiteral("192.168.1.") << QString()
                                           << QStringLiteral("'192.168.1.' is not a complete IP address");
}

void TstMainWindow::connectIsRefusedBeforeAnythingOpens()
{
    QFETCH(bool, serial);
    QFETCH(QString, address);
    QFETCH(QString, ip);
    QFETCH(QString, warning);
    QFETCH(QString, error);
    RecordedForm form;
    TConnectionPanel &panel = *PanelOf(*form);
    TModbusClient *before = form->Session().ActiveClient();
    if (serial) {
        panel.SerialdxfCheckBox->click();
        panel.COMPortColumnComboBox->setEditText(address.isEmpty() ? QString() : QStringLiteral("/dev/ttyS2"));
    }
    panel.IPAddressEdit->setText(ip);
    panel.AddressAdvEdit->setText(address);

    panel.ConnectVrButton->click();
    QCOMPARE(form.Messages->RangeWarnings, warning.isEmpty() ? QStringList() : QStringList{warning});
    QCOMPARE(form.Messages->Errors, error.isEmpty() ? QStringList() : QStringList{error});
    // Not even the line settings were touched.
    QCOMPARE(form->Session().ActiveClient(), before);
    QCOMPARE(form->Session().SlaveAddress(), quint8(1));
    QCOMPARE(TcpOf(*form).ServerAddress(), QStringLiteral("0.0.0.0"));
    QCOMPARE(SerialOf(*form).CommNumber(), 1);
    QCOMPARE(PanelState(*form.Form), kClosed);
}

void TstMainWindow::aSerialPortThatCannotOpenIsTold_data()
{
    QTest::addColumn<bool>("inUse");
    QTest::addColumn<QString>("why");
    QTest::newRow("no such device") << false << QStringLiteral("there is no such device (is the adapter plugged in?)");
    // Held by another program: refused like a port the user may not open, with the same hint.
    QTest::newRow("permission") << true << QStringLiteral("add your user to it (sudo adduser $USER dialout)");
}

// A serial port that does not open is named with the reason and what to do; the panel is free again.
void TstMainWindow::aSerialPortThatCannotOpenIsTold()
{
    QFETCH(bool, inUse);
    QFETCH(QString, why);
    QTemporaryDir empty;
    QVERIFY(empty.isValid());
    QString device = empty.filePath(QStringLiteral("ttyUSB7"));
    PtyPair pty;
    QSerialPort holder;
    if (inUse) {
        if (!PtyPair::Available())
            QSKIP("socat is not installed: no pty pair for the serial line (apt-get install socat)");
        pty.Start(kSoonMs);
        if (QTest::currentTestFailed())
            return;
        device = pty.EndA();
        holder.setPortName(device);
        QVERIFY2(holder.open(QIODevice::ReadWrite), qPrintable(holder.errorString()));
    }
    RecordedForm form;
    ConnectSerial(form, device);
    QTRY_COMPARE_WITH_TIMEOUT(form.Messages->Errors.size(), 1, kSoonMs);
    const QString error = form.Messages->Errors.first();
    QVERIFY2(error.startsWith(QStringLiteral("Cannot open the serial port %1: ").arg(device)) && error.contains(why),
             qPrintable(error));
    QCOMPARE(PanelState(*form.Form), kClosed);
    QCOMPARE(PanelOf(*form)->ConnectionStateLabel->text(), error);
}

// "Cancel" while a TCP board does not answer gives the attempt up: the client left retrying must
// not come up later beside the serial line connected next.
void TstMainWindow::cancelGivesTheAttemptUp()
{
    START_PTY_PAIR(pty);
    const quint16 deadPort = DeadPort();
    QVERIFY(deadPort);
    Z4SimServer board;
    QString error;
    QVERIFY2(board.OpenRtu(pty.EndB(), SimSerialSettings{}, &error), qPrintable(error));

    RecordedForm form;
    TConnectionPanel &panel = *PanelOf(*form);
    panel.IPAddressEdit->setText(QStringLiteral("127.0.0.1"));
    SetTcpPort(*form, deadPort);
    TcpOf(*form).SetReconnectInterval(100);
    QSignalSpy tcpClosed(&TcpOf(*form), &TTCPModbusClient::OnClose);
    panel.ConnectVrButton->click();
    QCOMPARE(PanelState(*form.Form), kOpening);
    QTRY_VERIFY_WITH_TIMEOUT(TcpOf(*form).Attempt() >= 2, kSoonMs);
    panel.ConnectVrButton->click();  // Cancel
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kClosed, kSoonMs);
    QCOMPARE(tcpClosed.count(), 1);
    QVERIFY(!TcpOf(*form).Retrying());

    ConnectSerial(form, pty.EndA());
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kOpen, kSoonMs);
    const int attempts = TcpOf(*form).Attempt();
    QTest::qWait(300);  // three reconnect intervals of the client given up
    QCOMPARE(TcpOf(*form).Attempt(), attempts);
    QCOMPARE(form->Session().ActiveClient(), &SerialOf(*form));
    QCOMPARE(PanelState(*form.Form), kOpen);
    QVERIFY(form.Messages->Errors.isEmpty());
}

// Connecting to a port nobody listens on: the state line says where, which try, when the next
// comes and why the last failed, and counts down to the next.
void TstMainWindow::connectingSaysWhatItDoes()
{
    const quint16 deadPort = DeadPort();
    QVERIFY(deadPort);
    RecordedForm form;
    TConnectionPanel &panel = *PanelOf(*form);
    panel.IPAddressEdit->setText(QStringLiteral("127.0.0.1"));
    SetTcpPort(*form, deadPort);
    TcpOf(*form).SetReconnectInterval(10000);
    panel.ConnectVrButton->click();
    const QString line = QStringLiteral("127.0.0.1:%1").arg(deadPort);
    const QString waiting =
        QStringLiteral("Connecting to %1, try 1, next in 10 s\ncannot connect to %1: the connection was refused")
            .arg(line);
    const int width = panel.sizeHint().width();
    QTRY_COMPARE_WITH_TIMEOUT(panel.ConnectionStateLabel->text(), waiting, kSoonMs);
    QVERIFY(panel.sizeHint().width() <= width);  // the line wraps: the left column keeps its width
    // Counting down: whatever the machine's load, the count shown drops below 10 s.
    static const QRegularExpression counting(QStringLiteral("next in [1-9] s"));
    QTRY_VERIFY_WITH_TIMEOUT(panel.ConnectionStateLabel->text().contains(counting), 5000);
    QVERIFY(form.Messages->Errors.isEmpty());  // no box while the client keeps trying
    panel.ConnectVrButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kClosed, kSoonMs);
    QCOMPARE(TcpOf(*form).NextAttemptInMs(), -1);
    QCOMPARE(panel.ConnectionStateLabel->text(),
             QStringLiteral("cannot connect to %1: the connection was refused").arg(line));
}

// An adapter pulled: the line is lost, not closed, and opened again once the adapter is back.
void TstMainWindow::aSerialAdapterPulledIsOpenedAgain()
{
    START_PTY_PAIR(pty);
    auto board = std::make_unique<Z4SimServer>();
    QString error;
    QVERIFY2(board->OpenRtu(pty.EndB(), SimSerialSettings{}, &error), qPrintable(error));
    RecordedForm form;
    TConnectionPanel &panel = *PanelOf(*form);
    SerialOf(*form).SetReconnectInterval(100);
    ConnectSerial(form, pty.EndA());
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kOpen, kSoonMs);

    // The tries to open it again are in the link's log.
    TSerialModbusClient &client = SerialOf(*form);
    client.SetLogFilePath(m_dir->path());
    client.SetLogFileLevel(ModbusLog::Failures);
    client.SetLogFileEnabled(true);

    // The poll finds the port gone, and the status bar says what the panel says.
    form->ReadTimer().setInterval(100);
    form->ReadTimer().start();
    board.reset();
    QVERIFY(pty.Kill(kSoonMs));
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kDropped, kSoonMs);
    const QString lost = QStringLiteral("no connection to %1 (19200 8E1) since ").arg(pty.EndA());
    QVERIFY2(panel.ConnectionStateLabel->text().startsWith(lost), qPrintable(panel.ConnectionStateLabel->text()));
    QTRY_COMPARE_WITH_TIMEOUT(LiveStatusOf(*form)->text(), panel.ConnectionStateLabel->text().replace('\n', "; "),
                              kSoonMs);
    // A few tries while the adapter is away.
    const QString cannotOpen = QStringLiteral("[%1] cannot open").arg(pty.EndA());
    QTRY_VERIFY_WITH_TIMEOUT(QString::fromUtf8(ReadAll(client.LogFileName())).count(cannotOpen) >= 3, kSoonMs);
    QCOMPARE(PanelState(*form.Form), kDropped);

    pty.Start(kSoonMs);  // plugged back, under the same name
    if (QTest::currentTestFailed())
        return;
    // Start/Stop writes the opposite of what the poll last read, which the caption says: here the
    // fresh board's state, once the poll has read it (a fresh board runs).
    QSignalSpy statusRead(&form->Poll(), &TPoll::StatusBlockRead);
    board = std::make_unique<Z4SimServer>();
    QVERIFY2(board->OpenRtu(pty.EndB(), SimSerialSettings{}, &error), qPrintable(error));
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kOpen, kSoonMs);
    QTRY_VERIFY_WITH_TIMEOUT(!statusRead.isEmpty(), kSoonMs);
    auto *button = ControlOf<QPushButton>(*form, "StartStopVrButton");
    QCOMPARE(button->text(), QStringLiteral("Sto&p"));
    form.Messages->Answers << TChoice::Go;
    button->click();
    QTRY_COMPARE_WITH_TIMEOUT(WritesTo(*board, 0x013A), QList<quint16>{0}, kSoonMs);
    QVERIFY2(form.Messages->Errors.isEmpty(), qPrintable(form.Messages->Errors.join(QLatin1Char('\n'))));

    form->ReadTimer().stop();
}

// The device list: adapters first with what they are, built-in ports only where the system has
// them, and an adapter plugged in shows up without a restart; what was typed stays.
void TstMainWindow::serialDevicesAreListedAsTheyCome()
{
    QTemporaryDir dev;
    QVERIFY(dev.isValid());
    const auto touch = [&dev](const QString &name) { QVERIFY(WriteAll(dev.filePath(name), {})); };
    for (const char *name : {"ttyS0" /* no hardware behind it */, "ttyACM0", "ttyUSB10", "ttyUSB2"})
        touch(QLatin1String(name));
    QVERIFY(QDir(dev.path()).mkpath(QStringLiteral("serial/by-id")));
    QVERIFY(QFile::link(QStringLiteral("../../ttyUSB2"),
                        dev.filePath(QStringLiteral("serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"))));
    RecordedForm form;
    TConnectionPanel &panel = *PanelOf(*form);
    panel.COMPortColumnComboBox->setEditText(QStringLiteral("/dev/mine"));
    panel.WatchDevices(dev.path());
    const auto listed = [&panel] {
        QStringList items;
        for (int i = 0; i < panel.COMPortColumnComboBox->count(); ++i)
            items << QFileInfo(panel.COMPortColumnComboBox->itemText(i)).fileName() + QLatin1Char('|')
                         + panel.COMPortColumnComboBox->itemData(i, Qt::ToolTipRole).toString();
        return items.join(QLatin1Char(' '));
    };
    QCOMPARE(listed(), QStringLiteral("ttyUSB2|FTDI FT232R USB UART A50285BI ttyUSB10| ttyACM0|"));
    QCOMPARE(panel.SerialDevice(), QStringLiteral("/dev/mine"));

    touch(QStringLiteral("ttyUSB0"));
    QTRY_COMPARE_WITH_TIMEOUT(
        listed(), QStringLiteral("ttyUSB0| ttyUSB2|FTDI FT232R USB UART A50285BI ttyUSB10| ttyACM0|"), kSoonMs);
    QCOMPARE(panel.SerialDevice(), QStringLiteral("/dev/mine"));
}

void TstMainWindow::periodEdit()
{
    RecordedForm form;
    TAdvEdit *period = PanelOf(*form)->PeriodAdvEdit;
    period->setText(QStringLiteral("500"));
    QTest::keyClick(period, Qt::Key_Return);
    QCOMPARE(form->ReadTimer().interval(), 500000);
    QVERIFY(form.Messages->RangeWarnings.isEmpty());

    period->setText(QStringLiteral("501"));
    QTest::keyClick(period, Qt::Key_Return);
    QCOMPARE(form.Messages->RangeWarnings, QStringList{QStringLiteral("PeriodAdvEdit")});
    QCOMPARE(form.Messages->RangeTexts, QStringList{QStringLiteral("Poll period: 0 to 500 s")});
    QCOMPARE(form->ReadTimer().interval(), 500000);

    period->clear();
    QTest::keyClick(period, Qt::Key_Return);
    QCOMPARE(form.Messages->Errors, QStringList{NotAnIntegerMessage(QString())});
    QCOMPARE(form->ReadTimer().interval(), 500000);

    // Leaving the edit applies it too, and the running poll takes the new period.
    form.Messages->Clear();
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.Form.get()));
    QTRY_VERIFY_WITH_TIMEOUT(form->ReadTimer().isActive(), kSoonMs);
    period->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(period->hasFocus(), kSoonMs);
    period->selectAll();
    QTest::keyClicks(period, QStringLiteral("2"));
    PanelOf(*form)->AddressAdvEdit->setFocus();
    QTRY_COMPARE_WITH_TIMEOUT(form->ReadTimer().interval(), 2000, kSoonMs);
    QVERIFY(form->ReadTimer().isActive());
    QVERIFY(form.Messages->RangeWarnings.isEmpty());
}

// An edit applies its value when the user leaves it or presses Enter, not when its window stops
// being the active one: another window, a message box (a range warning would come twice), or
// closing the window (during destruction, the handler would run on a half-destroyed window).
void TstMainWindow::switchingWindowsAppliesNoEdit()
{
    RecordedForm form;
    TAdvEdit *period = PanelOf(*form)->PeriodAdvEdit;
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.Form.get()));
    QTRY_COMPARE_WITH_TIMEOUT(form->focusWidget(), PanelOf(*form)->ConnectVrButton, kSoonMs);
    period->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(period->hasFocus(), kSoonMs);
    period->selectAll();
    QTest::keyClicks(period, QStringLiteral("7"));

    QWidget other;
    other.setWindowTitle(QStringLiteral("another window"));
    other.show();
    other.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&other));
    QCOMPARE(form->ReadTimer().interval(), 1000);

    // Back in the window and on to the next edit: now it applies.
    form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form.Form.get()));
    QTRY_VERIFY_WITH_TIMEOUT(period->hasFocus(), kSoonMs);
    PanelOf(*form)->AddressAdvEdit->setFocus();
    QTRY_COMPARE_WITH_TIMEOUT(form->ReadTimer().interval(), 7000, kSoonMs);

    PanelOf(*form)->PeriodAdvEdit->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(period->hasFocus(), kSoonMs);
    period->selectAll();
    QTest::keyClicks(period, QStringLiteral("9"));
    form->close();
    QCOMPARE(form->ReadTimer().interval(), 7000);
    QVERIFY(form.Messages->RangeWarnings.isEmpty());
}

void TstMainWindow::ipAddressEdit()
{
    RecordedForm form;
    TIPAddressEdit *edit = PanelOf(*form)->IPAddressEdit;
    edit->clear();
    // Only what can become an address gets typed: "300" stops at "30".
    QTest::keyClicks(edit, QStringLiteral("300.1.2.3x"));
    QCOMPARE(edit->text(), QStringLiteral("30.1.2.3"));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(TcpOf(*form).ServerAddress(), QStringLiteral("30.1.2.3"));
    edit->clear();
    QTest::keyClicks(edit, QStringLiteral("10.0.0.255"));
    QCOMPARE(edit->Octets(), (std::array<int, 4>{10, 0, 0, 255}));
    QTest::keyClick(edit, Qt::Key_Enter);
    QCOMPARE(TcpOf(*form).ServerAddress(), QStringLiteral("10.0.0.255"));
}

// Labels name their edits, and the tab key walks the panel as it reads.
void TstMainWindow::connectionPanelReadsInOrder()
{
    RecordedForm form;
    TConnectionPanel &panel = *PanelOf(*form);
    QCOMPARE(panel.title(), QStringLiteral(" Connection "));
    QHash<QWidget *, QString> labels;
    for (QLabel *label : panel.findChildren<QLabel *>())
        if (label->buddy())
            labels.insert(label->buddy(), label->text());
    QCOMPARE(labels.value(panel.PeriodAdvEdit), QStringLiteral("T"));
    QCOMPARE(labels.value(panel.AddressAdvEdit), QStringLiteral("A"));

    const QList<QWidget *> order{panel.ConnectVrButton, panel.SerialdxfCheckBox,     panel.EthernetdxfCheckBox,
                                 panel.IPAddressEdit,   panel.COMPortColumnComboBox, panel.PeriodAdvEdit,
                                 panel.AddressAdvEdit,  panel.LineSettingsButton};
    QList<QWidget *> walked;
    QWidget *w = panel.ConnectVrButton;
    do {
        if (order.contains(w) && !walked.contains(w))
            walked.append(w);
        w = w->nextInFocusChain();
    } while (w != panel.ConnectVrButton && walked.size() < order.size());
    QCOMPARE(walked, order);
}

void TstMainWindow::oneErrorWindowForAnyNumberOfFailures()
{
    auto board = StartTcpBoard();
    QVERIFY(board);
    RecordedForm form;
    ConnectTcp(form, *board);
    if (QTest::currentTestFailed())
        return;
    TConnectionPanel &panel = *PanelOf(*form);
    form->Session().SetRequestTimeout(200);
    const quint64 failedBefore = TcpOf(*form).GetCounters().Failures;
    const auto failures = [&] { return TcpOf(*form).GetCounters().Failures - failedBefore; };

    SimFaults silent;
    silent.DropEvery = 1;
    board->SetFaults(silent);
    form.Messages->Answers << TChoice::Go << TChoice::Go << TChoice::Go;
    for (int i = 0; i < 3; ++i)
        ControlOf<QPushButton>(*form, "StartStopVrButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(failures(), quint64(3), kSoonMs);
    QCOMPARE(VisibleErrorWindows().size(), 1);
    TErrorForm *window = VisibleErrorWindows().first();
    QCOMPARE(panel.ErrorWindow(), window);
    QVERIFY(!form->Session().LinkOk());
    QCOMPARE(window->windowTitle(), QStringLiteral("Communication error"));
    QVERIFY(window->windowFlags() & Qt::WindowStaysOnTopHint);
    QVERIFY(!window->isModal());
    auto *label = window->findChild<QLabel *>(QStringLiteral("ErrorLabel"));
    QVERIFY(label);
    QCOMPARE(label->text(), QStringLiteral("Communication error!"));
    // A line on what failed and where.
    auto *reason = window->findChild<QLabel *>(QStringLiteral("ErrorReasonLabel"));
    QVERIFY(reason);
    QCOMPARE(reason->text(), QStringLiteral("no answer within 200 ms (127.0.0.1:%1)").arg(board->TcpPort()));

    // The first answer closes it.
    QPointer<TErrorForm> first = window;
    board->SetFaults({});
    form.Messages->Answers << TChoice::Go;
    ControlOf<QPushButton>(*form, "StartStopVrButton")->click();
    QTRY_VERIFY_WITH_TIMEOUT(!first, kSoonMs);
    QVERIFY(form->Session().LinkOk());
    QCOMPARE(panel.ErrorWindow(), nullptr);

    // Failing again opens one; closed by hand, the next failure opens a new one.
    board->SetFaults(silent);
    form.Messages->Answers << TChoice::Go;
    ControlOf<QPushButton>(*form, "StartStopVrButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(VisibleErrorWindows().size(), 1, kSoonMs);
    QPointer<TErrorForm> second = VisibleErrorWindows().first();
    second->close();
    QTRY_VERIFY_WITH_TIMEOUT(!second, kSoonMs);
    QVERIFY(form->Session().LinkOk());
    QCOMPARE(panel.ErrorWindow(), nullptr);
    form.Messages->Answers << TChoice::Go;
    ControlOf<QPushButton>(*form, "StartStopVrButton")->click();
    QTRY_COMPARE_WITH_TIMEOUT(VisibleErrorWindows().size(), 1, kSoonMs);
    QCOMPARE(panel.ErrorWindow(), VisibleErrorWindows().first());

    // A new connection closes it as well.
    QPointer<TErrorForm> third = panel.ErrorWindow();
    board->SetFaults({});
    panel.ConnectVrButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kClosed, kSoonMs);
    QVERIFY(third);  // disconnecting leaves it up: the failure did happen
    panel.ConnectVrButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kOpen, kSoonMs);
    QTRY_VERIFY_WITH_TIMEOUT(!third, kSoonMs);
    QVERIFY(form->Session().LinkOk());
}

// Requests still waiting when the user presses "Disconnect" end unanswered; that is no failure of
// the line.
void TstMainWindow::disconnectingIsNoCommunicationError()
{
    auto board = StartTcpBoard();
    QVERIFY(board);
    RecordedForm form;
    ConnectTcp(form, *board);
    if (QTest::currentTestFailed())
        return;
    SimFaults silent;
    silent.DropEvery = 1;
    board->SetFaults(silent);
    const quint64 failedBefore = TcpOf(*form).GetCounters().Failures;
    form.Messages->Answers << TChoice::Go;
    ControlOf<QPushButton>(*form, "StartStopVrButton")->click();
    form.Messages->Answers << TChoice::Go;
    ControlOf<QPushButton>(*form, "StartStopVrButton")->click();
    PanelOf(*form)->ConnectVrButton->click();
    QTRY_COMPARE_WITH_TIMEOUT(PanelState(*form.Form), kClosed, kSoonMs);
    QCOMPARE(TcpOf(*form).GetCounters().Failures - failedBefore, quint64(2));  // they did fail...
    QVERIFY(VisibleErrorWindows().isEmpty());                                  // ...without a window
    QVERIFY(form->Session().LinkOk());
}

// "Start"/"Stop" does what the poll last found the unit not doing; the caption follows the poll.
void TstMainWindow::startStopWritesAndToggles()
{
    auto board = StartTcpBoard();
    QVERIFY(board);
    RecordedForm form;
    ConnectTcp(form, *board);
    if (QTest::currentTestFailed())
        return;
    auto *button = ControlOf<QPushButton>(*form, "StartStopVrButton");
    QCOMPARE(button->text(), QStringLiteral("Sta&rt"));
    form.Messages->Answers << TChoice::Go;
    button->click();
    QTRY_COMPARE_WITH_TIMEOUT(WritesTo(*board, 0x013A), QList<quint16>{1}, kSoonMs);
    QCOMPARE(button->text(), QStringLiteral("Sta&rt"));  // until the poll reads it
    form->ReadTimerTimer();
    QTRY_COMPARE_WITH_TIMEOUT(button->text(), QStringLiteral("Sto&p"), kSoonMs);
    form.Messages->Answers << TChoice::Go;
    button->click();
    QTRY_COMPARE_WITH_TIMEOUT(WritesTo(*board, 0x013A), (QList<quint16>{1, 0}), kSoonMs);
    QCOMPARE(RequestsAt(*board, 0x06, 0x013A).size(), 2);  // single-register writes
}

// Without a line nothing is sent, and the status bar says so.
void TstMainWindow::startStopWithoutALine()
{
    RecordedForm form;
    form.Messages->Answers << TChoice::Go;
    ControlOf<QPushButton>(*form, "StartStopVrButton")->click();
    QCOMPARE(ControlOf<QPushButton>(*form, "StartStopVrButton")->text(), QStringLiteral("Sta&rt"));
    QVERIFY2(StatusPanelOf(*form, 0)->text().endsWith(QLatin1String("was not written: the line is closed.")),
             qPrintable(StatusPanelOf(*form, 0)->text()));
    QCOMPARE(TcpOf(*form).GetCounters().Requests, quint64(0));
    QVERIFY(form.Messages->Errors.isEmpty());
    QVERIFY(VisibleErrorWindows().isEmpty());
}

void TstMainWindow::remoteControlBoxes()
{
    auto board = StartTcpBoard({.firmware = 1012});  // firmware with the remote control
    QVERIFY(board);
    RecordedForm form;
    ConnectTcp(form, *board);
    if (QTest::currentTestFailed())
        return;
    form->Poll().ReadVersion();
    QTRY_VERIFY_WITH_TIMEOUT(PageOf<TVentilationPage>(*form)->KitchenHooddxfCheckBox->isEnabled(), kSoonMs);
    TVentilationPage &page = *PageOf<TVentilationPage>(*form);
    QVERIFY(page.StartStopdxfCheckBox->isChecked());
    QVERIFY(!page.KitchenHooddxfCheckBox->isChecked());
    page.KitchenHooddxfCheckBox->click();
    QVERIFY(!page.StartStopdxfCheckBox->isChecked());
    page.StartStopdxfCheckBox->click();
    page.StartStopdxfCheckBox->click();  // one of the two stays checked
    QVERIFY(page.StartStopdxfCheckBox->isChecked());
    QTRY_COMPARE_WITH_TIMEOUT(WritesTo(*board, 0x0430), (QList<quint16>{1, 0, 0}), kSoonMs);

    // Set from code (a page refresh, a loaded configuration) nothing is written.
    page.KitchenHooddxfCheckBox->setChecked(true);
    form.Messages->Answers << TChoice::Go;
    ControlOf<QPushButton>(*form, "StartStopVrButton")
        ->click();  // a write behind it, to know everything before it arrived
    QTRY_COMPARE_WITH_TIMEOUT(WritesTo(*board, 0x013A), QList<quint16>{1}, kSoonMs);
    QCOMPARE(WritesTo(*board, 0x0430), (QList<quint16>{1, 0, 0}));
}

void TstMainWindow::clockTestButtons()
{
    auto board = StartTcpBoard();
    QVERIFY(board);
    RecordedForm form;
    ConnectTcp(form, *board);
    if (QTest::currentTestFailed())
        return;
    TControlPage &page = *PageOf<TControlPage>(*form);
    QCOMPARE(page.VrDemoButton1->text(), QStringLiteral("Set 00:14:00"));
    QCOMPARE(page.VrDemoButton2->text(), QStringLiteral("Set 05:59:00"));

    // Sunday 10 March 2024, late in the evening: only the date is taken from the PC.
    form->PageContext().Now = [] { return QDateTime(QDate(2024, 3, 10), QTime(23, 59, 58)); };
    form.Messages->Answers << TChoice::Go;
    page.VrDemoButton1->click();
    // Saturday 16 March 2024.
    form->PageContext().Now = [] { return QDateTime(QDate(2024, 3, 16), QTime(8, 0)); };
    form.Messages->Answers << TChoice::Go;
    page.VrDemoButton2->click();
    // New Year's Eve, a Tuesday: December and the 31st share one word.
    form->PageContext().Now = [] { return QDateTime(QDate(2024, 12, 31), QTime(12, 0)); };
    form.Messages->Answers << TChoice::Go;
    page.VrDemoButton1->click();

    // One block write each.
    QTRY_COMPARE_WITH_TIMEOUT(RequestsAt(*board, 0x10, 0x0100).size(), 3, kSoonMs);
    const QList<SimRequest> writes = RequestsAt(*board, 0x10, 0x0100);
    for (const SimRequest &write : writes)
        QCOMPARE(write.Count, quint16(4));
    QCOMPARE(writes[0].Values, (QList<quint16>{2024, 3 * 256 + 10, 0x000E, 1}));
    QCOMPARE(writes[1].Values, (QList<quint16>{2024, 3 * 256 + 16, 0x053B, 7}));
    QCOMPARE(writes[2].Values, (QList<quint16>{2024, 12 * 256 + 31, 0x000E, 3}));
}

// "Chart" opens the I/O trend window once; a closed one is replaced by a fresh window, and the
// closed one is gone, not left hidden in memory.
void TstMainWindow::chartOpensOneTrendWindow()
{
    RecordedForm form;
    ControlOf<QPushButton>(*form, "ChartVrButton")->click();
    QPointer<TChartForm> first = form->ChartForm();
    QVERIFY(first && first->isVisible());
    ControlOf<QPushButton>(*form, "ChartVrButton")->click();
    QCOMPARE(form->ChartForm(), first.data());
    first->close();
    ControlOf<QPushButton>(*form, "ChartVrButton")->click();
    QVERIFY(form->ChartForm() && form->ChartForm()->isVisible());
    QVERIFY(!first);
    QCOMPARE(form->findChildren<TChartForm *>().size(), 1);
    // What the recorder records of the poll reaches it: the cycle's sample once its regulation
    // values came.
    QTemporaryDir recordings;
    QVERIFY(form->Recorder().Start(recordings.filePath(QStringLiteral("r.z4rec")), {}));
    emit form->Poll().IoSampleTaken(TIoSample{});
    emit form->Poll().RegulationSampleTaken(TRegulationSample{});
    QCOMPARE(form->ChartForm()->Recording().Count(), qint64(1));
    QCOMPARE(form->ChartForm()->Recording().Files(), qsizetype(1));
    // Closing the tool closes it (its recording discarded when it asks), and its check boxes are
    // kept.
    form->ChartForm()->SeriesBoxes[3]->click();
    form.Messages->Answers = {TChoice::Other};
    QVERIFY(form->close());
    TIniFile chart;
    QString error;
    QVERIFY(chart.Load(QStringLiteral("settings.ini"), &error));
    QVERIFY(chart.ReadBool(QStringLiteral("Chart"), QStringLiteral("Tin4"), false));
}

void TstMainWindow::f1OpensOneTrendWindow()
{
    RecordedForm form;
    form->show();
    QVERIFY(QTest::qWaitForWindowActive(form.Form.get()));
    // FormShow has put the focus on "Connect"; a key typed anywhere in the window reaches F1.
    QTRY_VERIFY_WITH_TIMEOUT(PanelOf(*form)->ConnectVrButton->hasFocus(), kSoonMs);
    TAdvEdit *period = PanelOf(*form)->PeriodAdvEdit;
    period->setFocus();
    QTRY_VERIFY_WITH_TIMEOUT(period->hasFocus(), kSoonMs);
    QCOMPARE(form->TempChartForm(), nullptr);
    QTest::keyClick(period, Qt::Key_F1);
    QPointer<TTempChartForm> first = form->TempChartForm();
    QVERIFY(first);
    QVERIFY(first->isVisible());
    QCOMPARE(period->text(), QStringLiteral("1"));

    // Visible: nothing more opens.
    form->FormKeyDown(Qt::Key_F1);
    QCOMPARE(form->TempChartForm(), first.data());
    QCOMPARE(form->findChildren<TTempChartForm *>().size(), 1);

    // Other keys are not F1.
    first->hide();
    form->FormKeyDown(Qt::Key_F2);
    form->FormKeyDown(Qt::Key_F11);
    QVERIFY(!first->isVisible());
    QCOMPARE(form->TempChartForm(), first.data());

    // Hidden: F1 opens a fresh one in its place.
    form->FormKeyDown(Qt::Key_F1);
    QVERIFY(!first);
    QVERIFY(form->TempChartForm());
    QVERIFY(form->TempChartForm()->isVisible());
    QCOMPARE(form->findChildren<TTempChartForm *>().size(), 1);
}

void TstMainWindow::captionFollowsTheDecimalSeparator()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    {
        RecordedForm form;
        QCOMPARE(form->windowTitle(), QStringLiteral("Z4 Ventilation v2.07"));
    }
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    {
        RecordedForm form;
        QCOMPARE(form->windowTitle(), QStringLiteral("Z4 Ventilation v2,07"));
    }
    QLocale::setDefault(saved);
}

void TstMainWindow::pagesAndStatusBar()
{
    RecordedForm form;
    const QStringList captions{QStringLiteral("Inputs && Outputs"),
                               QStringLiteral("Stop"),
                               QStringLiteral("Settings"),
                               QStringLiteral("Heating"),
                               QStringLiteral("Cooling"),
                               QStringLiteral("Cascade"),
                               QStringLiteral("In/Out"),
                               QStringLiteral("Timers"),
                               QStringLiteral("Ventilation"),
                               QStringLiteral("Calibration"),
                               QStringLiteral("Parameters"),
                               QStringLiteral("Control")};
    const QStringList names{QStringLiteral("InputsOutputsTabSheet"), QStringLiteral("StopTabSheet"),
                            QStringLiteral("SettingsTabSheet"),      QStringLiteral("HeatingTabSheet"),
                            QStringLiteral("CoolingTabSheet"),       QStringLiteral("CascadeTabSheet"),
                            QStringLiteral("InOutTabSheet"),         QStringLiteral("TimersTabSheet"),
                            QStringLiteral("VentilationTabSheet"),   QStringLiteral("CalibrationTabSheet"),
                            QStringLiteral("ParametersTabSheet"),    QStringLiteral("ControlTabSheet")};
    QTabWidget *pages = TabsOf(*form);
    QCOMPARE(pages->objectName(), QStringLiteral("MainPageControl"));
    QCOMPARE(pages->count(), 12);
    for (int i = 0; i < pages->count(); ++i) {
        QCOMPARE(pages->tabText(i), captions[i]);
        QCOMPARE(pages->widget(i)->objectName(), names[i]);
    }
    // The first start (no settings file) opens on the live values.
    QCOMPARE(pages->currentWidget()->objectName(), QStringLiteral("InputsOutputsTabSheet"));
    // The calibration page starts with the usual references of input 1 and output 1.
    const QList<QPair<QString, QString>> starts{{QStringLiteral("LoLimitAdvEdit"), QStringLiteral("500")},
                                                {QStringLiteral("HiLimitAdvEdit"), QStringLiteral("1000")},
                                                {QStringLiteral("LoCodeAdvEdit"), QStringLiteral("409")},
                                                {QStringLiteral("HiCodeAdvEdit"), QStringLiteral("3685")},
                                                {QStringLiteral("LoVoltageAdvEdit"), QStringLiteral("1000")},
                                                {QStringLiteral("HiVoltageAdvEdit"), QStringLiteral("9000")}};
    for (const auto &[name, text] : starts)
        QCOMPARE(form->findChild<QLineEdit *>(name)->text(), text);

    QStatusBar *bar = form->statusBar();
    QCOMPARE(bar->objectName(), QStringLiteral("StatusBar"));
    const QStringList texts{QString(), QStringLiteral("Series:"), QStringLiteral("Board No.:"),
                            QStringLiteral("Version:"), QString()};
    const QList<int> widths{230, 130, 130, 130, 50};
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(StatusPanelOf(*form, i)->text(), texts[i]);
        QCOMPARE(StatusPanelOf(*form, i)->parentWidget(), bar);
    }

    // Laid out: the panels side by side in their order and at least their widths, the pages above
    // the status bar. (How the window fits the screen: tst_screens.)
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.Form.get()));
    for (int i = 0; i < 5; ++i) {
        QVERIFY2(StatusPanelOf(*form, i)->width() >= widths[i], qPrintable(QString::number(i)));
        if (i > 0)
            QVERIFY(StatusPanelOf(*form, i)->x() > StatusPanelOf(*form, i - 1)->x());
    }
    QCOMPARE(pages->currentIndex(), 0);
    QVERIFY2(pages->width() >= 552, qPrintable(QString::number(pages->width())));
    QVERIFY(pages->mapTo(form.Form.get(), QPoint(0, pages->height())).y() <= bar->y());
}

// FormShow: the picture first, modal; the focus on "Connect" and the poll timer only after it.
void TstMainWindow::startupPictureComesBeforeThePoll()
{
    auto messages = std::make_unique<MessageRecorder>();
    TBoardModel model;
    TForm1 form(model, std::move(messages), TForm1Options{});
    bool timerRanDuringPicture = true;
    bool sawPicture = false;
    // The picture runs its own event loop; it is looked at and closed from a timer inside it.
    QTimer watch;
    watch.setInterval(10);
    connect(&watch, &QTimer::timeout, this, [&] {
        auto *picture = qobject_cast<TStartupForm *>(QApplication::activeModalWidget());
        if (!picture || !picture->isVisible())
            return;
        sawPicture = true;
        timerRanDuringPicture = form.ReadTimer().isActive();
        QCOMPARE(picture->parentWidget(), &form);
        QTest::keyClick(picture, Qt::Key_Space);
    });
    watch.start();
    form.show();
    QTRY_VERIFY_WITH_TIMEOUT(form.ReadTimer().isActive(), kSoonMs);
    QVERIFY(sawPicture);
    QVERIFY(!timerRanDuringPicture);
    QCOMPARE(form.focusWidget(), PanelOf(form)->ConnectVrButton);
}

void TstMainWindow::startupPictureCloses()
{
    constexpr int kNever = 3600 * 1000;
    {
        TStartupForm picture(nullptr, kNever);
        QCOMPARE(picture.windowTitle(), QStringLiteral("Z4 Ventilation 2.07"));
        picture.open();
        QVERIFY(QTest::qWaitForWindowExposed(&picture));
        QTest::keyClick(&picture, Qt::Key_A);
        QCOMPARE(picture.result(), int(QDialog::Accepted));
        QVERIFY(!picture.isVisible());
    }
    {
        TStartupForm picture(nullptr, kNever);
        picture.open();
        QVERIFY(QTest::qWaitForWindowExposed(&picture));
        QTest::mouseClick(&picture, Qt::LeftButton);
        QVERIFY(!picture.isVisible());
    }
    {
        // Nobody there: it goes by itself.
        TStartupForm picture(nullptr, 20);
        QSignalSpy finished(&picture, &QDialog::finished);
        picture.open();
        QVERIFY(finished.wait(kSoonMs));
        QVERIFY(!picture.isVisible());
    }
}

void TstMainWindow::exceptionInAHandlerIsShownAndTheToolGoesOn()
{
    QStringList shown;
    QTimer dismiss;
    dismiss.setInterval(10);
    connect(&dismiss, &QTimer::timeout, this, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown.append(box->text());
            box->accept();
        }
    });
    dismiss.start();
    bool after = false;
    QMetaObject::invokeMethod(
        qApp, [] { throw std::runtime_error("the board image is damaged"); }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        qApp, [] { throw 42; }, Qt::QueuedConnection);
    QMetaObject::invokeMethod(
        qApp, [&] { after = true; }, Qt::QueuedConnection);
    QTRY_VERIFY_WITH_TIMEOUT(after, kSoonMs);
    // The second box opens inside the first one's event loop, so the order they are seen in is open.
    shown.sort();
    QCOMPARE(shown, (QStringList{QStringLiteral("An unexpected error occurred."),
                                 QStringLiteral("the board image is damaged")}));
}

// The application object of the tool, so that exceptions take the tool's own way.
// The window on a serial line that chatters between frames (noise about every 20 ms, every answer
// whole and fitting, at the pace of 19200 baud): the poll goes on without a failure and every
// register it reads is what the board holds.
void TstMainWindow::pollingRidesOutAChatteringLine()
{
    START_PTY_PAIR(pty);
    Z4SimServer board;
    QString error;
    QVERIFY2(board.OpenRtu(pty.EndB(), SimSerialSettings{}, &error), qPrintable(error));
    board.SetLinePacing({19200, 0});
    board.SetFaults({.Refuse = {}, .ChatterMs = 20});
    RecordedForm form;
    TSerialModbusClient &client = SerialOf(*form);
    QList<TTrafficRecord> read;
    connect(&form->Model().Traffic(), &TTrafficLog::RecordAdded, this, [&read](const TTrafficRecord &record) {
        if (record.Function == 3 && record.Outcome == TTrafficRecord::TOutcome::Answered)
            read.append(record);
    });
    ConnectSerial(form, pty.EndA());
    form->ReadTimer().setInterval(100);
    form->ReadTimer().start();
    // Four poll cycles of five reads, and the connect's reads.
    QTRY_VERIFY_WITH_TIMEOUT(read.size() >= 20, 4 * kSoonMs);
    form->ReadTimer().stop();
    QCOMPARE(client.GetCounters().Failures, quint64(0));
    QVERIFY(board.ChatterBytes() > 0);
    QVERIFY(client.GetCounters().Noise > 0);
    // The board's clock (0x0100-0x0103) runs on; every other register stands still.
    for (const TTrafficRecord &record : read) {
        for (quint16 i = 0; i < record.Count; ++i) {
            const auto address = static_cast<quint16>(record.First + i);
            if (address < 0x0100 || address > 0x0103)
                QCOMPARE(record.Values.at(i), board.Board().value(address));
        }
    }
    QCOMPARE(form->Live().FirmwareVersion, quint16(1011));
    QVERIFY(form.Messages->Errors.isEmpty());
}

int main(int argc, char *argv[])
{
    TApplication app(argc, argv);
    app.setAttribute(Qt::AA_Use96Dpi, true);
    TstMainWindow test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_mainwindow.moc"
