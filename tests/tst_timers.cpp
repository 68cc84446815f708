// SPDX-FileCopyrightText: 2026 Z4 Ventilation maintainers
// SPDX-License-Identifier: GPL-3.0-or-later
// The Timers page and the board clock on the main window against the in-process simulated board:
// the interval rules, the day writes with their store command, day reads filed under their day,
// the correction window, the numbers, the address and the line following it, the clock; and a week
// program reaching an independent Modbus peer.
#include "PymodbusPeer.h"
#include "WindowOnBoard.h"

#include "app/TSettings.h"
#include "service/TTimersPage.h"
#include "widgets/TAdvEdit.h"

#include <QComboBox>
#include <QLabel>
#include <QRadioButton>

namespace {

constexpr quint8 kWriteMultiple = 16;
constexpr quint8 kWriteSingle = 6;

// A request as the board saw it: function, first register, count, values.
using Seen = std::tuple<quint8, quint16, quint16, QList<quint16>>;

}  // namespace

class TestTimers : public QObject, private WindowOnBoard
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void intervalsGoToTheImageInOrder();
    void writeSendsTheShownDayThenTheStore();
    void monFriAndSatSunStoreOnce();
    void aWrongDayWritesNothingAndNamesTheField();
    void dayReadsAreFiledUnderTheirDay();
    void correctionValueAndWindow();
    void numbersAndAddress();
    void slaveAddressAsksThenTheLineFollows();
    void clockFromThePc();
    void offlineShowsTheImageAndWritesNothing();
    void weekProgramReachesAnIndependentPeer();
    void anAddressInUseIsRefused();

private:
    TTimersPage &Page() const { return *PageOf<TTimersPage>(Form()); }
    void ShowDay(const QStringList &times, const QList<int> &levels) const
    {
        for (int i = 0; i < 6; ++i)
            Named<TAdvEdit>(QStringLiteral("Int%1%2AdvMaskEdit").arg(i / 2 + 1).arg(i % 2 + 1))->setText(times[i]);
        for (int i = 0; i < 3; ++i)
            Named<QComboBox>(QStringLiteral("Int%1ColumnComboBox").arg(i + 1))->setCurrentIndex(levels[i]);
    }
    void SelectDay(int day) const
    {
        Form().findChild<QWidget *>(QStringLiteral("DayRadioGroup"))->findChildren<QRadioButton *>().at(day)->click();
    }
    QList<Seen> Requests(quint8 function) const
    {
        Settle(Form());
        QList<Seen> seen;
        for (const SimRequest &r : m_board->Requests()) {
            if (r.Function == function)
                seen.append({r.Function, r.Address, r.Count, r.Values});
        }
        return seen;
    }
    QList<Seen> WriteRequests() const { return Requests(kWriteMultiple) + Requests(kWriteSingle); }
};

void TestTimers::initTestCase()
{
    EnterOwnFolder();
}

void TestTimers::cleanupTestCase()
{
    LeaveOwnFolder();
}

void TestTimers::init()
{
    Open({}, "TimersTabSheet");
}

void TestTimers::cleanup()
{
    Close();
    QFile::remove(QDir::current().filePath(TSettings::FileName()));  // the address a test gave the line
}

void TestTimers::intervalsGoToTheImageInOrder()
{
    SelectDay(2);
    Settle(Form());
    Type(QStringLiteral("Int11AdvMaskEdit"), QStringLiteral("07:30"));
    Type(QStringLiteral("Int12AdvMaskEdit"), QStringLiteral("07:00"));  // before the start
    Type(QStringLiteral("Int12AdvMaskEdit"), QStringLiteral("24:00"));
    Type(QStringLiteral("Int12AdvMaskEdit"), QStringLiteral("12:60"));
    Type(QStringLiteral("Int12AdvMaskEdit"), QStringLiteral("07:30"));  // equal is accepted
    Named<QComboBox>(QStringLiteral("Int2ColumnComboBox"))->setCurrentIndex(1);
    QTest::keyClick(Named<QComboBox>(QStringLiteral("Int2ColumnComboBox")), Qt::Key_Down);
    QCOMPARE(Messages().Errors,
             (QStringList{QStringLiteral("Timer Interval #1 stop: 7:30 to 23:59"),
                          QStringLiteral("Hour < 0 or Hour > 23"), QStringLiteral("Min < 0 or Min > 59")}));
    QCOMPARE(Page().WeekProgram().Times[2][0], quint16(450));
    QCOMPARE(Page().WeekProgram().Times[2][1], quint16(450));
    QCOMPARE(Page().WeekProgram().Levels[2][1], quint16(2));
    QCOMPARE(WriteRequests(), QList<Seen>{});
}

void TestTimers::writeSendsTheShownDayThenTheStore()
{
    SelectDay(3);  // Wednesday
    Settle(Form());
    m_board->ClearRecord();
    ShowDay({"6:00", "8:05", "12:00", "13:00", "17:00", "22:00"}, {1, 2, 3});
    Named<QPushButton>(QStringLiteral("WriteVrButton"))->click();
    const QList<Seen> expected{{kWriteMultiple, 0x0352, 6, {360, 485, 720, 780, 1020, 1320}},
                               {kWriteMultiple, 0x0373, 3, {1, 2, 3}},
                               {kWriteSingle, 0x0384, 1, {0xA563}}};
    Settle(Form());
    QList<Seen> all;
    for (const SimRequest &r : m_board->Requests()) {
        if (r.Function != 3)  // the reads of the harness aside
            all.append({r.Function, r.Address, r.Count, r.Values});
    }
    QCOMPARE(all, expected);
    QCOMPARE(m_board->Board().timerStoreCount(), 1);
    QCOMPARE(Page().WeekProgram().Times[3][1], quint16(485));
    // What the board keeps is read back as 8:05.
    SelectDay(4);
    SelectDay(3);
    Settle(Form());
    QCOMPARE(Named<TAdvEdit>(QStringLiteral("Int12AdvMaskEdit"))->text(), QStringLiteral("8:05"));
}

void TestTimers::monFriAndSatSunStoreOnce()
{
    ShowDay({"0:00", "1:00", "2:00", "3:00", "4:00", "5:00"}, {0, 1, 0});
    Named<QPushButton>(QStringLiteral("MonFriVrDemoButton"))->click();
    Named<QPushButton>(QStringLiteral("SatSunVrDemoButton"))->click();
    QList<quint16> starts;
    for (const auto &[function, address, count, values] : Requests(kWriteMultiple))
        starts.append(address);
    QCOMPARE(starts, (QList<quint16>{0x0346, 0x036D, 0x034C, 0x0370, 0x0352, 0x0373, 0x0358, 0x0376, 0x035E, 0x0379,
                                     0x0340, 0x036A, 0x0364, 0x037C}));
    QCOMPARE(Requests(kWriteSingle).size(), 2);
    QCOMPARE(m_board->Board().timerStoreCount(), 2);
}

void TestTimers::aWrongDayWritesNothingAndNamesTheField()
{
    ShowDay({"6:00", "8:00", "24:00", "13:00", "17:00", "22:00"}, {1, 2, 3});
    Named<QPushButton>(QStringLiteral("WriteVrButton"))->click();
    ShowDay({"6:00", "8:00", "7:00", "13:00", "17:00", "22:00"}, {1, 2, 3});
    Named<QPushButton>(QStringLiteral("MonFriVrDemoButton"))->click();
    ShowDay({"6:00", "8:00", "9:00", "13:00", "17:00", "22:00"}, {1, -1, 3});
    Named<QPushButton>(QStringLiteral("SatSunVrDemoButton"))->click();
    QCOMPARE(Messages().Errors, (QStringList{QStringLiteral("Timer Interval #2 start: Hour < 0 or Hour > 23"),
                                             QStringLiteral("Timer Interval #2 start: 8:00 to 23:59"),
                                             QStringLiteral("Timer Interval #2 level: no level chosen")}));
    QCOMPARE(WriteRequests(), QList<Seen>{});
    QCOMPARE(m_board->Board().timerStoreCount(), 0);
}

// Two days asked for in quick succession: each answer lands under its own day.
void TestTimers::dayReadsAreFiledUnderTheirDay()
{
    Z4Board &board = m_board->Board();
    for (int d = 0; d < 7; ++d)
        QVERIFY(board.write(static_cast<quint16>(0x0340 + 6 * d), static_cast<quint16>(100 + d)));
    m_board->SetFaults({.DelayMs = 30, .Refuse = {}});
    SelectDay(1);
    SelectDay(2);
    Settle(Form());
    QCOMPARE(Page().WeekProgram().Times[1][0], quint16(101));
    QCOMPARE(Page().WeekProgram().Times[2][0], quint16(102));
    QCOMPARE(Named<TAdvEdit>(QStringLiteral("Int11AdvMaskEdit"))->text(), QStringLiteral("1:42"));
}

void TestTimers::correctionValueAndWindow()
{
    auto *value = Named<QComboBox>(QStringLiteral("TCorValueColumnComboBox"));
    value->setCurrentIndex(value->findText(QStringLiteral("-2")) - 1);
    QTest::keyClick(value, Qt::Key_Down);
    Type(QStringLiteral("TCorStartAdvMaskEdit"), QStringLiteral("08:05"));
    Type(QStringLiteral("TCorStopAdvMaskEdit"), QStringLiteral("24:00"));
    QCOMPARE(WriteRequests(), (QList<Seen>{{kWriteSingle, 0x037F, 1, {0xFFFE}}, {kWriteSingle, 0x0380, 1, {485}}}));
    QCOMPARE(Messages().Errors, QStringList{QStringLiteral("Hour < 0 or Hour > 23")});
}

void TestTimers::numbersAndAddress()
{
    const auto set = [this](const char *edit, const char *button, const QString &text) {
        Named<TAdvEdit>(QLatin1String(edit))->setText(text);
        Named<QPushButton>(QLatin1String(button))->click();
    };
    set("SerialNoAdvEdit", "SetVrButton", QStringLiteral("65536"));
    set("SerialNoAdvEdit", "SetVrButton", QStringLiteral("-1"));
    set("SerialNoAdvEdit", "SetVrButton", QStringLiteral("65535"));
    set("SerialNo1AdvEdit", "Set1VrDemoButton", QStringLiteral("23"));
    set("BoardAddrAdvEdit", "AddressVrDemoButton", QStringLiteral("0"));
    set("BoardAddrAdvEdit", "AddressVrDemoButton", QStringLiteral("248"));
    QCOMPARE(WriteRequests(), (QList<Seen>{{kWriteSingle, 0x0382, 1, {65535}}, {kWriteSingle, 0x0385, 1, {23}}}));
    QCOMPARE(Messages().RangeWarnings,
             (QStringList{QStringLiteral("SerialNoAdvEdit"), QStringLiteral("SerialNoAdvEdit"),
                          QStringLiteral("BoardAddrAdvEdit"), QStringLiteral("BoardAddrAdvEdit")}));
    // The status bar reads them back.
    QTRY_COMPARE_WITH_TIMEOUT(StatusPanelOf(Form(), 2)->text(), QStringLiteral("Board No.: 65535"), kSoonMs);
    QTRY_COMPARE_WITH_TIMEOUT(StatusPanelOf(Form(), 1)->text(), QStringLiteral("Series: 23"), kSoonMs);
}

// "Set" of the slave address asks first, naming both addresses; once the board has taken the new
// one the line follows it there: the session, the connection's address edit and the settings
// file. A poll made while the write is on the line already goes to the new address, and no request
// fails.
void TestTimers::slaveAddressAsksThenTheLineFollows()
{
    Named<TAdvEdit>(QStringLiteral("BoardAddrAdvEdit"))->setText(QStringLiteral("247"));
    auto *set = Named<QPushButton>(QStringLiteral("AddressVrDemoButton"));
    set->click();  // Enter: Cancel
    QCOMPARE(Messages().Questions.size(), 1);
    const TQuestion question = Messages().Questions.first();
    QCOMPARE(question.Default, TChoice::Cancel);
    QVERIFY2(question.Text.contains(QLatin1String("slave address 247 in place of 1")), qPrintable(question.Text));
    QCOMPARE(WriteRequests(), QList<Seen>{});

    Messages().Answers = {TChoice::Go};
    const quint64 failedBefore = TcpOf(Form()).GetCounters().Failures;
    set->click();
    // Nothing answers at 247: the board may go there.
    QTRY_COMPARE_WITH_TIMEOUT(TcpOf(Form()).GetCounters().Failures, failedBefore + 1, kSoonMs);
    Form().ReadTimerTimer();  // a poll queued behind the write
    QTRY_COMPARE_WITH_TIMEOUT(m_board->Unit(), quint8(247), kSoonMs);
    Settle(Form());
    QCOMPARE(WriteRequests(), (QList<Seen>{{kWriteSingle, 0x0383, 1, {247}}}));
    // Every text shows the new address.
    QVERIFY2(PanelOf(Form())->ConnectionStateLabel->text().endsWith(QLatin1String("board address 247")),
             qPrintable(PanelOf(Form())->ConnectionStateLabel->text()));
    QCOMPARE(Form().Session().SlaveAddress(), quint8(247));
    QCOMPARE(PanelOf(Form())->AddressAdvEdit->text(), QStringLiteral("247"));
    QCOMPARE(TSettings::Read(QDir::current().filePath(TSettings::FileName())).Line.Unit, quint8(247));
    Form().ReadTimerTimer();
    Settle(Form());
    const TModbusClient::Counters &counters = TcpOf(Form()).GetCounters();
    QCOMPARE(counters.Failures, failedBefore + 1);  // the question at 247 alone
    QVERIFY(!PanelOf(Form())->ErrorWindow());
    QVERIFY(Form().Session().LinkOk());
    QVERIFY2(LiveStatusOf(Form())->text().isEmpty(), qPrintable(LiveStatusOf(Form())->text()));
}

void TestTimers::clockFromThePc()
{
    Form().PageContext().Now = [] { return QDateTime(QDate(2026, 12, 5), QTime(14, 7, 9, 500)); };  // a Saturday
    ControlOf<QPushButton>(Form(), "TimeVrButton")->click();
    QCOMPARE(WriteRequests(), (QList<Seen>{{kWriteMultiple, 0x0100, 4, {2026, 0x0C05, 0x0E07, 0x0907}}}));
    // The board keeps the time written.
    QCOMPARE(m_board->Board().clock().date(), QDate(2026, 12, 5));
}

void TestTimers::offlineShowsTheImageAndWritesNothing()
{
    PanelOf(Form())->ConnectVrButton->click();  // Disconnect
    QTRY_VERIFY_WITH_TIMEOUT(!TcpOf(Form()).IsOpen(), kSoonMs);
    Page().WeekProgram().Times[5].fill(485);
    SelectDay(5);
    QCOMPARE(Named<TAdvEdit>(QStringLiteral("Int11AdvMaskEdit"))->text(), QStringLiteral("8:05"));
    Named<QPushButton>(QStringLiteral("WriteVrButton"))->click();
    QVERIFY2(StatusPanelOf(Form(), 0)->text().contains(QLatin1String("was not written: the line is closed")),
             qPrintable(StatusPanelOf(Form(), 0)->text()));
    Named<QPushButton>(QStringLiteral("SetVrButton"))->click();
    QVERIFY(Messages().Errors.isEmpty());
    QCOMPARE(m_board->Requests().size(), 0);
}

// "Mon-Fri" and the clock through the real window reach pymodbus, which holds what they wrote.
void TestTimers::weekProgramReachesAnIndependentPeer()
{
    QList<int> registers{0x0100, 0x0101, 0x0102, 0x0103, 0x0384, 0xE700, 0xE701};
    for (int address = 0x0340; address <= 0x037E; ++address)
        registers.append(address);
    PymodbusPeer peer;
    bool missing = false;
    const QString error = peer.StartWithImage(registers, m_dir.filePath(QStringLiteral("timers.json")), &missing);
    if (missing)
        QSKIP(qPrintable(error));
    QVERIFY2(error.isEmpty(), qPrintable(error));

    m_form = std::make_unique<RecordedForm>();
    QVERIFY(ConnectTcp(Form(), peer.Port()));
    Settle(Form());
    ShowDay({"6:00", "8:05", "12:00", "13:00", "17:00", "22:00"}, {1, 2, 3});
    Named<QPushButton>(QStringLiteral("MonFriVrDemoButton"))->click();
    Form().PageContext().Now = [] { return QDateTime(QDate(2026, 12, 5), QTime(14, 7, 9)); };
    ControlOf<QPushButton>(Form(), "TimeVrButton")->click();

    QList<QList<quint16>> read;
    FunctionsStr record;
    record.OnReply = [&read](const TModbusAnswer &answer) { read.append(answer.Registers); };
    TcpOf(Form()).ReadHoldingRegisters(1, 0x0346, 30, 3000, record);  // Monday to Friday
    TcpOf(Form()).ReadHoldingRegisters(1, 0x036D, 15, 3000, record);
    TcpOf(Form()).ReadHoldingRegisters(1, 0x0384, 1, 3000, record);
    TcpOf(Form()).ReadHoldingRegisters(1, 0x0100, 4, 3000, record);
    QTRY_COMPARE_WITH_TIMEOUT(read.size(), 4, kSoonMs);
    QList<quint16> times;
    QList<quint16> levels;
    for (int d = 0; d < 5; ++d) {
        times << QList<quint16>{360, 485, 720, 780, 1020, 1320};
        levels << QList<quint16>{1, 2, 3};
    }
    QCOMPARE(read[0], times);
    QCOMPARE(read[1], levels);
    QCOMPARE(read[2], QList<quint16>{0xA563});
    QCOMPARE(read[3], (QList<quint16>{2026, 0x0C05, 0x0E07, 0x0907}));
}

// A device that answers at the new address (the peer answers at every one) keeps the board where
// it is: the change is refused naming what answered, and nothing is written.
void TestTimers::anAddressInUseIsRefused()
{
    PymodbusPeer peer;
    bool missing = false;
    const QString error = peer.StartWithImage({0xE700, 0xE701}, m_dir.filePath(QStringLiteral("taken.json")), &missing);
    if (missing)
        QSKIP(qPrintable(error));
    QVERIFY2(error.isEmpty(), qPrintable(error));
    m_form = std::make_unique<RecordedForm>();
    QVERIFY(ConnectTcp(Form(), peer.Port()));
    Settle(Form());
    Messages().Clear();
    Named<TAdvEdit>(QStringLiteral("BoardAddrAdvEdit"))->setText(QStringLiteral("5"));
    Messages().Answers = {TChoice::Go};
    Named<QPushButton>(QStringLiteral("AddressVrDemoButton"))->click();
    QTRY_COMPARE_WITH_TIMEOUT(Messages().Errors.size(), 1, kSoonMs);
    QVERIFY2(Messages().Errors.first().startsWith(QLatin1String("The slave address 5 is taken: a board answers there "
                                                                "(firmware ")),
             qPrintable(Messages().Errors.first()));
    Settle(Form());
    QCOMPARE(Form().Session().SlaveAddress(), quint8(1));
    QCOMPARE(PanelOf(Form())->AddressAdvEdit->text(), QStringLiteral("1"));
}

QTEST_MAIN(TestTimers)
#include "tst_timers.moc"
