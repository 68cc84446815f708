// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The poll: what each answer puts on the pages, the left column, the status bar and the live
// state; which requests each tick sends; failures, disconnects and the trend windows; and the
// main window showing the simulated board live.
#include "FormHarness.h"
#include "SimHarness.h"

#include "app/TConnectionPanel.h"
#include "app/TLiveColumn.h"
#include "charts/TChartForm.h"
#include "charts/TTempChartForm.h"
#include "live/TInputsOutputsPage.h"
#include "monitor/TPoll.h"
#include "params/TControlPage.h"
#include "params/TStopPage.h"
#include "record/TRecorder.h"
#include "session/TBoardSession.h"
#include "widgets/TAdvEdit.h"
#include "widgets/TIPAddressEdit.h"
#include "widgets/TLed.h"
#include "widgets/TParameterEditor.h"
#include "widgets/TransferTable.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>

#include <bit>

namespace {
constexpr quint8 kReadHolding = 3;

// Puts a float pair at r[at], r[at + 1].
void Put(QList<quint16> &r, qsizetype at, float value)
{
    const auto bits = std::bit_cast<quint32>(value);
    r[at] = static_cast<quint16>(bits >> 16);
    r[at + 1] = static_cast<quint16>(bits & 0xFFFF);
}

TModbusAnswer Answer(const QList<quint16> &registers)
{
    TModbusAnswer answer;
    answer.FunctionCode = kReadHolding;
    answer.ByteCount = static_cast<quint8>(2 * registers.size());
    answer.Registers = registers;
    return answer;
}

QColor TextColour(const QLineEdit *edit)
{
    return edit->palette().color(QPalette::Text);
}

template <class W>
W *Find(const QObject *root, const char *name)
{
    W *widget = root->findChild<W *>(QLatin1String(name));
    if (!widget)
        qWarning("no control named %s", name);
    return widget;
}

// The poll with its pages and live-display widgets, without a main window around it.
struct Rig
{
    Rig()
    {
        io = new TInputsOutputsPage(context, &window);
        stop = new TStopPage(context, &window);
        control = new TControlPage(context, &window);
        for (QLabel **label :
             {&display.YearDateStaticText, &display.TimeStaticText, &display.DayStaticText, &display.FanSpeedVrLabel,
              &display.SeasonValVrLabel, &display.SVentValVrLabel, &display.EVentValVrLabel, &display.HearthValVrLabel,
              &display.ModeValVrLabel, &display.SeriesPanel, &display.BoardPanel, &display.VersionPanel})
            *label = new QLabel(&window);
        display.StartStopVrUserLed = new TLed(&window);
        display.HearthVrUserLed = new TLed(&window);
        display.RegulationModeVrLed = new TLed(&window);
        display.StartStopVrButton = new QPushButton(QStringLiteral("Sta&rt"), &window);
        // Wired as the main window wires them.
        poll = std::make_unique<TPoll>(session, state);
        column = std::make_unique<TLiveColumn>(display);
        ShowPollIn(*poll, *column, {*io, *stop, *control});
        session.SetSlaveAddress(1);
        session.SetRequestTimeout(3000);
        session.SetSharedFailureHandler([this] { ++failures; });
    }

    void Attach(TModbusClient &client)
    {
        session.SetActiveClient(&client);
        session.SetConnected(true);
        state.VersionCountdown = 1;  // as a connect sets it
    }

    TAdvEdit *Edit(const char *name) const { return Find<TAdvEdit>(&window, name); }
    TLed *Led(const char *name) const { return Find<TLed>(&window, name); }
    QCheckBox *Box(const char *name) const { return Find<QCheckBox>(&window, name); }

    MessageRecorder messages;
    TBoardSession session;
    TTransferTable table;
    TParameterEditor editor{session, table, messages};
    TPageContext context{session, messages, table, editor};
    QWidget window;
    TInputsOutputsPage *io;
    TStopPage *stop;
    TControlPage *control;
    TLiveDisplay display;
    TLiveState state;
    std::unique_ptr<TPoll> poll;
    std::unique_ptr<TLiveColumn> column;
    int failures = 0;
};

// The rig polling a simulated board over TCP, connected, with the board's record cleared.
struct OnBoard
{
    explicit OnBoard(const Z4BoardOptions &options = {})
        : board(StartTcpBoard(options)), client(board ? OpenTcpClient(board->TcpPort()) : nullptr)
    {
        if (client) {
            rig.Attach(*client);
            board->ClearRecord();
        }
    }
    bool Ok() const { return board && client; }

    Rig rig;  // goes last: no closure of the client may outlive it
    std::unique_ptr<Z4SimServer> board;
    std::unique_ptr<TTCPModbusClient> client;
};

QList<quint16> StatusWords()
{
    QList<quint16> r(69, 0);
    r[0] = 2024;
    r[1] = 0x0305;
    r[2] = 0x0705;  // 7:05
    r[3] = 0x0903;  // 9 s, Tuesday
    for (int i = 0; i < 10; ++i)
        Put(r, 4 + 2 * i, 20.5f + static_cast<float>(i));
    for (int i = 0; i < 8; ++i)
        Put(r, 24 + 2 * i, 5.0f);
    return r;
}

// What the simulated board was asked: (function, address, count) per request.
QList<std::tuple<int, int, int>> Asked(const Z4SimServer &board)
{
    QList<std::tuple<int, int, int>> asked;
    for (const SimRequest &r : board.Requests())
        asked.append({r.Function, r.Address, r.Count});
    return asked;
}

const QList<std::tuple<int, int, int>> kCycle{
    {kReadHolding, 0x0100, 69}, {kReadHolding, 0x016D, 38}, {kReadHolding, 0x0000, 2},
    {kReadHolding, 0x0193, 7},  {kReadHolding, 0x01C5, 10},
};
const QList<std::tuple<int, int, int>> kVersionAndSeries{{kReadHolding, 0xE700, 2}, {kReadHolding, 0x0385, 1}};
}  // namespace

class TestPoll : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void statusBlockEdgeCases();
    void columnAInvalidMarksTheTrendValidLeavesIt();
    void heatRecoveryAndDiagnostics();
    void trendWindowsGetTheirSamples();
    void eachTickReadsTheFiveBlocksAndEveryTenthTheVersion();
    void firmwareDecidesTheSeriesRead_data();
    void firmwareDecidesTheSeriesRead();
    void failedRequestsKeepTheLastValues();
    void disconnectStopsTheReadsNotTheCountdown();
    void countdownWrapsBeforeTheFirstConnect();
    void aCycleWaitsForTheBacklog();
    void mainWindowShowsTheBoardLive();
    void firmwareWithoutSeriesLacksItsControls();
};

void TestPoll::statusBlockEdgeCases()
{
    Rig rig;
    QList<quint16> r = StatusWords();
    r[3] = 0x0900;  // weekday 0
    r[4] = 0x7FC0;  // input 1: quiet NaN
    r[5] = 0x0000;
    Put(r, 6, 0.0f);         // input 2: zero
    Put(r, 8, -12.345679f);  // input 3: a long text
    Put(r, 34, 10.0f);       // output 6 at 10 V: 100 %
    Put(r, 36, 10.5f);       // output 7 out of range
    r[40] = 0x1481;          // digital inputs 1 and 8, warning bits 10 and 12
    r[41] = 0x0405;          // digital outputs 1, 3 and 11
    Put(r, 42, 150.5f);      // pressure 9
    r[44] = 0x7FC0;          // pressure 10 invalid
    Put(r, 48, 1010.4f);     // air flow 10
    r[50] = 0xFFFE;          // fan speed -2
    r[51] = 1930;            // supply 19.30
    r[53] = 0xF830;          // room -20.00
    r[54] = 0x0002;          // AIN10 stops
    r[55] = 0x8001;          // DIN1 and AIN8 stop
    r[56] = 27;              // stop code
    r[57] = 1;
    r[58] = 1;
    r[59] = 0x0100;
    Put(r, 60, 55.9f);
    Put(r, 62, -65.9f);
    r[64] = 0x0100;
    r[65] = static_cast<quint16>(-150);
    rig.poll->StatusBlockReply(Answer(r));

    const TLiveDisplay &d = rig.display;
    QCOMPARE(d.YearDateStaticText->text(), QStringLiteral("2024-3-5"));
    QCOMPARE(d.TimeStaticText->text(), QStringLiteral("7:05:09"));
    QCOMPARE(d.DayStaticText->text(), QStringLiteral("--------"));
    QCOMPARE(rig.Edit("Ain1RAdvEdit")->text(), QStringLiteral("no sensor"));
    QCOMPARE(TextColour(rig.Edit("Ain1RAdvEdit")), QColor(Qt::red));
    QCOMPARE(rig.Edit("Ain2RAdvEdit")->text(), QStringLiteral("0.0"));
    QCOMPARE(TextColour(rig.Edit("Ain2RAdvEdit")), QColor(0, 128, 0));
    QCOMPARE(rig.Edit("Ain10RAdvEdit")->text(), QStringLiteral("29.5"));
    QCOMPARE(rig.Edit("Ain3RAdvEdit")->text(), QStringLiteral("-12.3"));  // to its unit's resolution
    QCOMPARE(rig.Edit("Ain3RAdvEdit")->cursorPosition(), 0);
    QCOMPARE(rig.Edit("Aout6RAdvEdit")->text(), QStringLiteral("100.0"));
    QCOMPARE(rig.Edit("Aout7RAdvEdit")->text(), QStringLiteral("invalid"));
    QCOMPARE(rig.Edit("Pa9AdvEdit")->text(), QStringLiteral("151"));
    QCOMPARE(rig.Edit("Pa10AdvEdit")->text(), QStringLiteral("no sensor"));
    QCOMPARE(TextColour(rig.Edit("Pa10AdvEdit")), QColor(Qt::red));
    QCOMPARE(rig.Edit("AirFlow10AdvEdit")->text(), QStringLiteral("1010"));
    QCOMPARE(rig.state.Io.LiveValues[0], live::InvalidValue);
    QCOMPARE(rig.state.Io.LiveValues[1], 0.0f);
    QCOMPARE(rig.state.Io.LiveValues[15], 100.0f);
    QCOMPARE(rig.state.Io.LiveValues[16], live::InvalidValue);
    QCOMPARE(rig.state.Io.SupplyTrendValue, 19.3f);
    QCOMPARE(rig.state.Io.RoomTrendValue, -20.0f);
    QCOMPARE(rig.state.Io.OutputBits,
             (std::array<bool, 11>{true, false, true, false, false, false, false, false, false, false, true}));
    QVERIFY(rig.Led("Dout11RVrUserLed")->IsOn() && !rig.Led("Dout2RVrUserLed")->IsOn());
    QVERIFY(rig.Led("Din1RVrUserLed")->IsOn() && rig.Led("Din8RVrUserLed")->IsOn()
            && !rig.Led("Din2RVrUserLed")->IsOn());

    // The stop page: causes, warnings, and stop code 27 checking only the third stop-control box.
    QStringList checked;
    for (QCheckBox *box : rig.stop->findChildren<QCheckBox *>()) {
        if (box->isChecked())
            checked << box->objectName();
    }
    checked.sort();
    QCOMPARE(checked, QStringList({"AI10dxfCheckBox", "AI8dxfCheckBox", "DI1dxfCheckBox", "DIN3WarningdxfCheckBox",
                                   "HCWarningdxfCheckBox", "StopCntrl3dxfCheckBox"}));
    QCOMPARE(rig.Edit("StopCodeAdvEdit")->text(), QStringLiteral("27"));

    QCOMPARE(d.FanSpeedVrLabel->text(), QStringLiteral("-2"));
    QCOMPARE(d.ModeValVrLabel->text(), QStringLiteral("Auto"));
    QVERIFY(d.StartStopVrUserLed->IsOn());
    QCOMPARE(d.StartStopVrButton->text(), QStringLiteral("Sto&p"));
    QCOMPARE(d.SeasonValVrLabel->text(), QStringLiteral("Winter"));
    QCOMPARE(d.SVentValVrLabel->text(), QStringLiteral("55"));
    QCOMPARE(d.EVentValVrLabel->text(), QStringLiteral("-65"));
    QVERIFY(d.HearthVrUserLed->IsOn());
    QCOMPARE(d.HearthValVrLabel->text(), QStringLiteral("-2"));

    // The next answer moves everything on: weekday 8, stop code 19, the unit stopped.
    r[3] = 0x0908;
    r[56] = 19;
    r[57] = 0;
    r[58] = 0;
    rig.poll->StatusBlockReply(Answer(r));
    QCOMPARE(d.DayStaticText->text(), QStringLiteral("--------"));
    QVERIFY(rig.Box("Stop3dxfCheckBox")->isChecked());
    QVERIFY(!rig.Box("StopCntrl3dxfCheckBox")->isChecked());
    QCOMPARE(d.ModeValVrLabel->text(), QStringLiteral("Manual"));
    QCOMPARE(d.StartStopVrButton->text(), QStringLiteral("Sta&rt"));
    QVERIFY(!d.StartStopVrUserLed->IsOn());
}

void TestPoll::columnAInvalidMarksTheTrendValidLeavesIt()
{
    Rig rig;
    rig.poll->StatusBlockReply(Answer(StatusWords()));
    QList<quint16> a(38, 0);
    Put(a, 0, 30.0f);  // input 1 valid in column A
    a[2] = 0x7FC0;     // input 2 invalid in column A
    a[36] = 0x0002;
    rig.poll->ColumnABlockReply(Answer(a));
    QCOMPARE(rig.Edit("Ain1AAdvEdit")->text(), QStringLiteral("30.0"));
    QCOMPARE(rig.state.Io.LiveValues[0], 20.5f);  // the terminal value stays
    QCOMPARE(TextColour(rig.Edit("Ain2AAdvEdit")), QColor(Qt::red));
    QCOMPARE(rig.state.Io.LiveValues[1], live::InvalidValue);
    QCOMPARE(rig.Edit("Ain2RAdvEdit")->text(), QStringLiteral("21.5"));
    QVERIFY(rig.Led("Din2AVrUserLed")->IsOn());
    QVERIFY(!rig.Led("Din2RVrUserLed")->IsOn());

    rig.poll->RegulationModeReply(Answer({5, 0}));
    QVERIFY(rig.display.RegulationModeVrLed->IsOn());
    rig.poll->RegulationModeReply(Answer({0, 1}));
    QVERIFY(!rig.display.RegulationModeVrLed->IsOn());
}

void TestPoll::heatRecoveryAndDiagnostics()
{
    Rig rig;
    QList<quint16> h(7, 0);
    h[0] = 0x7FC0;
    Put(h, 2, 47.25f);
    h[4] = 0x0503;  // cooling at 100 %, stopping
    h[5] = 0xFE0B;  // EH_CONTROL, state 11
    h[6] = 0x0600;  // a control status without a name
    rig.poll->HeatRecoveryReply(Answer(h));
    QCOMPARE(rig.Edit("TRecuAdvEdit")->text(), QStringLiteral("BAD VALUE"));
    QCOMPARE(TextColour(rig.Edit("TRecuAdvEdit")), QColor(Qt::red));
    QCOMPARE(rig.Edit("RtPowerAdvEdit")->text(), QStringLiteral("47.3"));  // to 0.1 %, as every percentage
    QCOMPARE(rig.Edit("RtStateAdvEdit")->text(), QStringLiteral("RS_COOLING_100"));
    QCOMPARE(rig.Edit("RtControlStateAdvEdit")->text(), QStringLiteral("RT_STOPPING"));
    QCOMPARE(rig.Edit("ControlStateAdvEdit")->text(), QStringLiteral("EH_CONTROL"));
    QCOMPARE(rig.Edit("HRCControlStateAdvEdit")->text(), QStringLiteral("CS_MAX_ELECTRIC_HEATER_CONTROL"));
    QCOMPARE(rig.Edit("ControlStatusAdvEdit")->text(), QStringLiteral("----------"));
    QVERIFY(rig.Led("CoolingVrUserLed")->IsOn());
    QVERIFY(!rig.Led("HeatingVrUserLed")->IsOn());

    // Control source 3 has no name: the text stays; the others move on.
    h[4] = 0x0701;
    h[5] = 0x0316;
    rig.poll->HeatRecoveryReply(Answer(h));
    QCOMPARE(rig.Edit("ControlStateAdvEdit")->text(), QStringLiteral("EH_CONTROL"));
    QCOMPARE(rig.Edit("RtStateAdvEdit")->text(), QStringLiteral("----------"));
    QCOMPARE(rig.Edit("HRCControlStateAdvEdit")->text(), QStringLiteral("----------"));
    QVERIFY(!rig.Led("CoolingVrUserLed")->IsOn());

    rig.poll->DiagnosticsReply(Answer({2000, 0xFFFF, 0x8000, 3, 4, 5, 6, 7, 0x7FFF, 12}));
    QCOMPARE(Find<QLabel>(&rig.window, "DV2DStaticText")->text(), QStringLiteral("-1"));
    QCOMPARE(Find<QLabel>(&rig.window, "DV2HStaticText")->text(), QStringLiteral("0xFFFFFFFF"));
    QCOMPARE(Find<QLabel>(&rig.window, "DV10DStaticText")->text(), QStringLiteral("12"));
    QCOMPARE(rig.state.Regulation.Values,
             (std::array<float, 8>{2000, -1, -32768, 3, 4, 5, 6, 7}));  // as the board gives them, signed

    // An answer cut short is not read past and changes nothing.
    rig.poll->DiagnosticsReply(Answer({1, 2, 3}));
    QCOMPARE(Find<QLabel>(&rig.window, "DV2DStaticText")->text(), QStringLiteral("-1"));
    rig.poll->StatusBlockReply(Answer(QList<quint16>(68, 0xFFFF)));
    QVERIFY(rig.display.DayStaticText->text().isEmpty());
}

// The trend windows show what the recorder records of the poll: one sample a cycle, the I/O
// values of the status block with the regulation variables of the diagnostics.
void TestPoll::trendWindowsGetTheirSamples()
{
    Rig rig;
    QTemporaryDir dir;
    TRecorder recorder(*rig.poll, rig.session);
    TChartForm io(dir.filePath(QStringLiteral("settings.ini")), rig.messages);
    TTempChartForm regulation(dir.filePath(QStringLiteral("settings.ini")), rig.messages);
    io.Watch(recorder);
    regulation.Watch(recorder);

    // Nothing recorded: nothing to show.
    rig.poll->StatusBlockReply(Answer(StatusWords()));
    rig.poll->DiagnosticsReply(Answer(QList<quint16>(10, 1)));
    QCOMPARE(io.Recording().Count() + regulation.Recording().Count(), qint64(0));

    QVERIFY(recorder.Start(dir.filePath(QStringLiteral("r.z4rec")), {}));
    QList<quint16> r = StatusWords();
    Put(r, 4, 12.5f);
    r[51] = 1930;
    rig.poll->StatusBlockReply(Answer(r));
    QCOMPARE(io.Recording().Count(), qint64(0));  // the cycle's sample waits for its regulation values
    rig.poll->DiagnosticsReply(Answer({10, 20, 30, 40, 50, 60, 70, 80, 90, 100}));
    QCOMPARE(io.Recording().Count(), qint64(1));
    QCOMPARE(io.Recording().Tail().Value(0, 0), std::optional<double>(12.5));
    QCOMPARE(io.Recording().Tail().Value(0, 4), std::optional<double>(19.3));
    QCOMPARE(regulation.Recording().Count(), qint64(1));
    QCOMPARE(regulation.Recording().Tail().Value(0, 7), std::optional<double>(80));
    QCOMPARE(io.Recording().Files(), qsizetype(1));
}

void TestPoll::eachTickReadsTheFiveBlocksAndEveryTenthTheVersion()
{
    OnBoard on;
    QVERIFY(on.Ok());
    Rig &rig = on.rig;
    Z4SimServer &board = *on.board;
    TTCPModbusClient &client = *on.client;

    QList<std::tuple<int, int, int>> expected;
    for (int tick = 1; tick <= 21; ++tick) {
        rig.poll->Tick();
        expected += kCycle;
        if (tick % 10 == 1)
            expected += kVersionAndSeries;  // on the first tick after the connect, then every tenth
        QTRY_COMPARE_WITH_TIMEOUT(board.Requests().size(), expected.size(), kSoonMs);
        QTRY_COMPARE_WITH_TIMEOUT(client.GetCounters().Answers, quint64(expected.size()), kSoonMs);
    }
    QCOMPARE(Asked(board), expected);
    QCOMPARE(rig.failures, 0);
    QCOMPARE(rig.poll->SkippedCycles(), quint64(0));
}

void TestPoll::firmwareDecidesTheSeriesRead_data()
{
    QTest::addColumn<quint16>("firmware");
    QTest::addColumn<bool>("series");
    QTest::newRow("1010") << quint16(1010) << false;
    QTest::newRow("1011") << quint16(1011) << true;
}

void TestPoll::firmwareDecidesTheSeriesRead()
{
    QFETCH(quint16, firmware);
    QFETCH(bool, series);
    Z4BoardOptions options;
    options.firmware = firmware;
    options.boardNumber = 417;
    options.series = 23;
    OnBoard on(options);
    QVERIFY(on.Ok());
    Rig &rig = on.rig;
    Z4SimServer &board = *on.board;
    TTCPModbusClient &client = *on.client;
    // The opposite of what the version will say, to see it change.
    rig.display.SeriesPanel->setText(QStringLiteral("Series: 99"));

    rig.poll->Tick();
    const qsizetype requests = kCycle.size() + (series ? 2 : 1);
    QTRY_COMPARE_WITH_TIMEOUT(client.GetCounters().Answers, quint64(requests), kSoonMs);
    QCOMPARE(board.Requests().size(), requests);
    QCOMPARE(rig.state.FirmwareVersion, firmware);
    QCOMPARE(rig.state.FirmwareRev12, firmware % 100 >= 12);
    QCOMPARE(rig.display.VersionPanel->text(), QStringLiteral("Version: %1").arg(firmware / 1000.0, 0, 'f', 3));
    QCOMPARE(rig.display.BoardPanel->text(), QStringLiteral("Board No.: 417"));
    QCOMPARE(rig.display.SeriesPanel->text(), series ? QStringLiteral("Series: 23") : QStringLiteral("Series: "));
}

void TestPoll::failedRequestsKeepTheLastValues()
{
    OnBoard on;
    QVERIFY(on.Ok());
    Rig &rig = on.rig;
    Z4SimServer &board = *on.board;
    TTCPModbusClient &client = *on.client;
    rig.poll->Tick();
    QTRY_COMPARE_WITH_TIMEOUT(client.GetCounters().Answers, quint64(kCycle.size() + 2), kSoonMs);
    const QString date = rig.display.YearDateStaticText->text();
    const QString input = rig.Edit("Ain1AAdvEdit")->text();
    const QString debug = Find<QLabel>(&rig.window, "DV1DStaticText")->text();
    QVERIFY(!date.isEmpty() && !input.isEmpty() && !debug.isEmpty());

    // The board moves on, but every answer now comes back mangled.
    board.Board().write(0x0100, 2031);
    board.Board().write(0x0311, 1234);
    board.Board().write(0x031B, 1);
    SimFaults faults;
    faults.CorruptEvery = 1;
    board.SetFaults(faults);
    rig.poll->Tick();
    QTRY_COMPARE_WITH_TIMEOUT(rig.failures, int(kCycle.size()), kSoonMs);
    QCOMPARE(rig.display.YearDateStaticText->text(), date);
    QCOMPARE(rig.Edit("Ain1AAdvEdit")->text(), input);
    QCOMPARE(Find<QLabel>(&rig.window, "DV1DStaticText")->text(), debug);

    // Good answers again: the new values show.
    board.SetFaults({});
    rig.poll->Tick();
    QTRY_COMPARE_WITH_TIMEOUT(rig.Edit("Ain1AAdvEdit")->text(), QStringLiteral("12.3"), kSoonMs);
    QVERIFY(rig.display.YearDateStaticText->text().startsWith(QLatin1String("2031-")));
}

void TestPoll::disconnectStopsTheReadsNotTheCountdown()
{
    OnBoard on;
    QVERIFY(on.Ok());
    Rig &rig = on.rig;
    Z4SimServer &board = *on.board;
    TTCPModbusClient &client = *on.client;
    rig.poll->Tick();
    QTRY_COMPARE_WITH_TIMEOUT(client.GetCounters().Answers, quint64(kCycle.size() + 2), kSoonMs);

    // "Disconnect": the line closes and the poll must not read any more.
    rig.session.SetConnected(false);
    QSignalSpy closed(&client, &TTCPModbusClient::OnClose);
    client.Close();
    QVERIFY(closed.wait(kSoonMs));
    board.ClearRecord();
    const TModbusClient::Counters before = client.GetCounters();
    for (int tick = 2; tick <= 10; ++tick)
        rig.poll->Tick();
    QCOMPARE(client.GetCounters().Discarded, before.Discarded);
    // The tenth tick after the last version read asks again, on the closed line: dropped quietly.
    rig.poll->Tick();
    QCOMPARE(client.GetCounters().Discarded, before.Discarded + 1);
    QCOMPARE(rig.state.VersionCountdown, qint16(10));
    QCoreApplication::processEvents();
    QVERIFY(board.Requests().isEmpty());
    QCOMPARE(rig.failures, 0);
}

void TestPoll::countdownWrapsBeforeTheFirstConnect()
{
    TTCPModbusClient neverOpened;
    Rig rig;
    rig.session.SetActiveClient(&neverOpened);
    QCOMPARE(rig.state.VersionCountdown, qint16(0));
    for (int tick = 1; tick < 65536; ++tick)
        rig.poll->Tick();
    QCOMPARE(neverOpened.GetCounters().Discarded, quint64(0));
    rig.poll->Tick();
    QCOMPARE(neverOpened.GetCounters().Discarded, quint64(1));
    QCOMPARE(rig.state.VersionCountdown, qint16(10));
}

void TestPoll::aCycleWaitsForTheBacklog()
{
    OnBoard on;
    QVERIFY(on.Ok());
    Rig &rig = on.rig;
    Z4SimServer &board = *on.board;
    TTCPModbusClient &client = *on.client;
    // Two ticks before any answer: the second finds the first cycle still waiting and leaves out
    // its reads; the version countdown goes on.
    rig.poll->Tick();
    rig.poll->Tick();
    QCOMPARE(rig.poll->SkippedCycles(), quint64(1));
    QTRY_COMPARE_WITH_TIMEOUT(client.GetCounters().Answers, quint64(kCycle.size() + 2), kSoonMs);
    QCOMPARE(Asked(board), kCycle + kVersionAndSeries);
    rig.poll->Tick();
    QTRY_COMPARE_WITH_TIMEOUT(client.GetCounters().Answers, quint64(2 * kCycle.size() + 2), kSoonMs);
    QCOMPARE(rig.poll->SkippedCycles(), quint64(1));
    QCOMPARE(rig.state.VersionCountdown, qint16(8));
}

void TestPoll::mainWindowShowsTheBoardLive()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString previous = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    auto board = StartTcpBoard();
    QVERIFY(board);
    RecordedForm form;
    QVERIFY(QDir::setCurrent(previous));

    // Chosen registers: the clock, the unit stopped in auto mode in summer, input 1 in manual
    // override at 21.5, output 6 held at 10 V, digital outputs 2 and 11 forced on.
    Z4Board &b = board->Board();
    for (const auto &[address, value] : std::initializer_list<std::pair<quint16, quint16>>{{0x0100, 2024},
                                                                                           {0x0101, 0x0305},
                                                                                           {0x0102, 0x0705},
                                                                                           {0x0103, 0x0000},
                                                                                           {0x013A, 0},
                                                                                           {0x0214, 1},
                                                                                           {0x0215, 0},
                                                                                           {0x0311, 2150},
                                                                                           {0x031B, 1},
                                                                                           {0x032A, 1000},
                                                                                           {0x0332, 1},
                                                                                           {0x033A, 0},
                                                                                           {0x0339, 0x0402}})
        QVERIFY(b.write(address, value));

    TConnectionPanel *panel = PanelOf(*form);
    panel->SetMode(false);
    panel->IPAddressEdit->SetOctets({127, 0, 0, 1});
    SetTcpPort(*form, board->TcpPort());
    TabsOf(*form)->setCurrentWidget(PageOf<TInputsOutputsPage>(*form));
    QSignalSpy connected(&TcpOf(*form), &TModbusClient::OnConnect);
    panel->ConnectVrButtonClick();
    QVERIFY(connected.wait(kSoonMs));
    QTRY_VERIFY_WITH_TIMEOUT(form->Session().Connected(), kSoonMs);
    QCOMPARE(form->Live().VersionCountdown, qint16(10));  // read at once, then every 10 ticks

    // The controls only firmware with a series number has are enabled by the version read.
    for (const char *name : {"Set1VrDemoButton", "WithoutExhaustdxfCheckBox"})
        Find<QWidget>(form.Form.get(), name)->setEnabled(false);

    // The read timer drives the poll.
    form->ReadTimer().start(20);
    QTRY_COMPARE_WITH_TIMEOUT(StatusPanelOf(*form, 1)->text(), QStringLiteral("Series: 1"), kSoonMs);
    QTRY_COMPARE_WITH_TIMEOUT(Find<TAdvEdit>(form.Form.get(), "Ain1AAdvEdit")->text(), QStringLiteral("21.5"), kSoonMs);
    QCOMPARE(StatusPanelOf(*form, 3)->text(), QStringLiteral("Version: 1.011"));
    QCOMPARE(StatusPanelOf(*form, 2)->text(), QStringLiteral("Board No.: 1"));
    QVERIFY(Find<QWidget>(form.Form.get(), "Set1VrDemoButton")->isEnabled());
    QVERIFY(Find<QWidget>(form.Form.get(), "WithoutExhaustdxfCheckBox")->isEnabled());
    QCOMPARE(ControlOf<QLabel>(*form, "YearDateStaticText")->text(), QStringLiteral("2024-3-5"));
    QVERIFY2(ControlOf<QLabel>(*form, "TimeStaticText")->text().startsWith(QLatin1String("7:05:")),
             qPrintable(ControlOf<QLabel>(*form, "TimeStaticText")->text()));
    QCOMPARE(ControlOf<QLabel>(*form, "DayStaticText")->text(), QStringLiteral("Tuesday"));
    QCOMPARE(ControlOf<QLabel>(*form, "ModeValVrLabel")->text(), QStringLiteral("Auto"));
    QCOMPARE(ControlOf<QLabel>(*form, "SeasonValVrLabel")->text(), QStringLiteral("Summer"));
    QCOMPARE(ControlOf<QPushButton>(*form, "StartStopVrButton")->text(), QStringLiteral("Sta&rt"));
    QVERIFY(!ControlOf<TLed>(*form, "StartStopVrUserLed")->IsOn());
    QCOMPARE(Find<TAdvEdit>(form.Form.get(), "Aout6RAdvEdit")->text(), QStringLiteral("100.0"));
    // Input 8 of the simulated board is broken.
    QCOMPARE(Find<TAdvEdit>(form.Form.get(), "Ain8RAdvEdit")->text(), QStringLiteral("no sensor"));
    QCOMPARE(form->Live().Io.LiveValues[7], live::InvalidValue);
    QVERIFY(Find<TLed>(form.Form.get(), "Dout2RVrUserLed")->IsOn());
    QVERIFY(Find<TLed>(form.Form.get(), "Dout11RVrUserLed")->IsOn());
    QVERIFY(form->Live().Io.OutputBits[1] && form->Live().Io.OutputBits[10]);
    QCOMPARE(Find<TAdvEdit>(form.Form.get(), "ControlStatusAdvEdit")->text(), QStringLiteral("CS_STOP"));
    // Manual override is on, so the regulation-mode lamp is out.
    QVERIFY(!ControlOf<TLed>(*form, "RegulationModeVrLed")->IsOn());

    // Starting the unit on the board shows at the next ticks.
    QVERIFY(b.write(0x013A, 1));
    QTRY_COMPARE_WITH_TIMEOUT(ControlOf<QPushButton>(*form, "StartStopVrButton")->text(), QStringLiteral("Sto&p"),
                              kSoonMs);
    QVERIFY(ControlOf<TLed>(*form, "StartStopVrUserLed")->IsOn());
    QVERIFY(form.Messages->Errors.isEmpty());

    // The board stops answering: the values, lamps and clock fade and the status bar says since
    // when, until it answers again.
    const QList<QWidget *> live{
        Find<TAdvEdit>(form.Form.get(), "Ain1AAdvEdit"), ControlOf<TLed>(*form, "StartStopVrUserLed"),
        ControlOf<QLabel>(*form, "TimeStaticText"), Find<TLed>(form.Form.get(), "Dout2RVrUserLed"),
        Find<TAdvEdit>(form.Form.get(), "ControlStatusAdvEdit")};
    const auto faded = [&live](bool on) {
        return std::all_of(live.begin(), live.end(),
                           [on](QWidget *w) { return (w->graphicsEffect() != nullptr) == on; });
    };
    QVERIFY(faded(false));
    QVERIFY(LiveStatusOf(*form)->text().isEmpty());
    form->Session().SetRequestTimeout(200);
    board->SetFaults({.DropEvery = 1, .Refuse = {}});
    QTRY_VERIFY_WITH_TIMEOUT(faded(true), kSoonMs);
    QVERIFY2(LiveStatusOf(*form)->text().startsWith(QLatin1String("No answer from the board since ")),
             qPrintable(LiveStatusOf(*form)->text()));
    // Nothing else is faded: the connection panel and the page's own controls stay as they are.
    QVERIFY(!PanelOf(*form)->ConnectVrButton->graphicsEffect());
    board->SetFaults({});
    QTRY_VERIFY_WITH_TIMEOUT(faded(false), kSoonMs);
    QVERIFY(LiveStatusOf(*form)->text().isEmpty());

    // The line closes (the overrides set above left on the board): what is shown is no longer
    // current either.
    form.Messages->Answers = {TChoice::Other};
    PanelOf(*form)->ConnectVrButtonClick();
    QTRY_VERIFY_WITH_TIMEOUT(!form->Session().Connected(), kSoonMs);
    QTRY_VERIFY_WITH_TIMEOUT(faded(true), kSoonMs);
    QVERIFY2(LiveStatusOf(*form)->text().startsWith(QLatin1String("Line closed; values from ")),
             qPrintable(LiveStatusOf(*form)->text()));
    form->ReadTimer().stop();
}

// The main window gives the version to the pages whose controls depend on the firmware.
void TestPoll::firmwareWithoutSeriesLacksItsControls()
{
    RecordedForm form;
    for (const bool series : {false, true, false}) {
        live::VersionBlock block;
        block.HasSeries = series;
        emit form->Poll().VersionRead(block);
        for (const char *name : {"Set1VrDemoButton", "WithoutExhaustdxfCheckBox"})
            QVERIFY2(Find<QWidget>(form.Form.get(), name)->isEnabled() == series, name);
    }
}

QTEST_MAIN(TestPoll)
#include "tst_poll.moc"
